#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

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
  std::string root;                     // the machine the mapping and the values belong to
  std::uint64_t* counter = nullptr;     // the shared change counter, or null when it cannot be mapped
  std::uint64_t seen = 0;               // the counter's value when `values` was last emptied
  std::map<std::string, std::optional<std::string>, std::less<>> values;
};

std::mutex g_lock;
std::map<std::string, std::optional<std::string>, std::less<>> g_process;
MachineCache g_machine;

std::string ControlFile(std::string_view name) { return plat::MachineDir("controls") + "/" + std::string(name); }

std::uint64_t LoadCounter(std::uint64_t* counter) {
  return std::atomic_ref<std::uint64_t>(*counter).load(std::memory_order_acquire);
}

void UnmapLocked() {
  if (g_machine.counter) munmap(g_machine.counter, sizeof(std::uint64_t));
  g_machine = MachineCache{};
}

// Maps the machine's change counter on first use, and again after the machine changed.
void MapLocked() {
  const std::string& root = plat::MachineRoot();
  if (!g_machine.root.empty() && g_machine.root == root) return;
  UnmapLocked();
  g_machine.root = root;
  std::string path = plat::MachineDir("controls") + "/" + kChangeCounterFile;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  struct stat st {};
  // Growing the file is safe against a second process doing the same: both leave zeros.
  bool sized = fstat(fd, &st) == 0 &&
               (st.st_size >= static_cast<off_t>(sizeof(std::uint64_t)) || ftruncate(fd, sizeof(std::uint64_t)) == 0);
  void* view = sized ? mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
  close(fd);
  if (view == MAP_FAILED) return;
  g_machine.counter = static_cast<std::uint64_t*>(view);
  g_machine.seen = LoadCounter(g_machine.counter);
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
  // Without the shared counter nothing could tell this process of a change: read every time.
  if (!g_machine.counter) return ReadControlFile(name);
  std::uint64_t now = LoadCounter(g_machine.counter);
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
  if (g_machine.counter) std::atomic_ref<std::uint64_t>(*g_machine.counter).fetch_add(1, std::memory_order_acq_rel);
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
  UnmapLocked();
}

}  // namespace plat

namespace plat {

bool HasProcessControl(std::string_view name) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_process.find(name) != g_process.end();
}

}  // namespace plat
