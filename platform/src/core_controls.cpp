#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "internal/change_counter.h"
#include "internal/controls.h"
#include "internal/machine.h"

namespace {

// Controls are read from memory, clock, file, drawing and text paths, many times a page, and
// change only when a test sets one. Every writer of the machine's controls bumps a counter in a
// small shared file after its rename or removal; a process keeps the machine-wide values it has
// read and reads the files again only when the counter moved. A reader that sees the bumped
// counter therefore reads the new file, so another process's next call sees a control as soon
// as the call that set it returned, without a system call while nothing changes.
constexpr char kChangeCounterFile[] = ".changes";

struct MachineCache {
  std::string root;        // the machine the counter and the values belong to
  plat::ChangeCounter counter;
  bool mapped = false;     // without the counter nothing could tell of a change: read every time
  std::uint64_t seen = 0;  // the counter's value when `values` was last emptied
  std::map<std::string, std::optional<std::string>, std::less<>> values;
};

std::mutex g_lock;
std::map<std::string, std::optional<std::string>, std::less<>> g_process;
MachineCache g_machine;

std::string ControlFile(std::string_view name) { return plat::MachineDir("controls") + "/" + std::string(name); }

void ForgetLocked() {
  g_machine.counter.Unmap();
  g_machine.root.clear();
  g_machine.mapped = false;
  g_machine.values.clear();
}

// Maps the machine's change counter on first use, and again after the machine changed.
void MapLocked() {
  const std::string& root = plat::MachineRoot();
  if (!g_machine.root.empty() && g_machine.root == root) return;
  ForgetLocked();
  g_machine.root = root;
  g_machine.mapped = g_machine.counter.Map(plat::MachineDir("controls") + "/" + kChangeCounterFile);
  g_machine.seen = g_machine.counter.Load();
}

std::optional<std::string> ReadControlFile(std::string_view name) {
  std::ifstream in(ControlFile(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

namespace plat {

std::optional<std::string> GetControl(std::string_view name) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto it = g_process.find(name);
  if (it != g_process.end()) return it->second;
  MapLocked();
  if (!g_machine.mapped) return ReadControlFile(name);
  std::uint64_t now = g_machine.counter.Load();
  if (now != g_machine.seen) {
    g_machine.values.clear();
    g_machine.seen = now;
  }
  auto cached = g_machine.values.find(name);
  if (cached != g_machine.values.end()) return cached->second;
  std::optional<std::string> value = ReadControlFile(name);
  g_machine.values.emplace(std::string(name), value);
  return value;
}

long long GetControlInt(std::string_view name, long long fallback) {
  std::optional<std::string> value = GetControl(name);
  if (!value || value->empty()) return fallback;
  char* end = nullptr;
  long long n = std::strtoll(value->c_str(), &end, 0);
  return end == value->c_str() ? fallback : n;
}

void SetMachineControl(std::string_view name, std::optional<std::string_view> value) {
  std::string path = ControlFile(name);
  if (!value) {
    std::remove(path.c_str());
  } else {
    // Written to a side file and renamed, so a reader in another process sees old or new.
    std::string temp = path + ".tmp." + std::to_string(getpid());
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(value->data(), static_cast<std::streamsize>(value->size()));
    }
    std::rename(temp.c_str(), path.c_str());
  }
  // Bumped after the file is in place: whoever sees the new count reads the new file.
  std::lock_guard<std::mutex> guard(g_lock);
  MapLocked();
  g_machine.counter.Bump();
  g_machine.values.clear();
}

void SetProcessControl(std::string_view name, std::optional<std::string_view> value) {
  std::lock_guard<std::mutex> guard(g_lock);
  // A process override of "absent" is stored as an empty optional; erasing goes back to the
  // machine-wide value.
  g_process[std::string(name)] = value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
}

void ClearProcessControls() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_process.clear();
}

void ForgetMachineControls() {
  std::lock_guard<std::mutex> guard(g_lock);
  ForgetLocked();
}

}  // namespace plat

namespace plat {

bool HasProcessControl(std::string_view name) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_process.find(name) != g_process.end();
}

}  // namespace plat
