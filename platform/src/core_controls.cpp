#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "internal/controls.h"
#include "internal/machine.h"

namespace {

std::mutex g_lock;
std::map<std::string, std::optional<std::string>, std::less<>> g_process;

std::string ControlFile(std::string_view name) { return plat::MachineDir("controls") + "/" + std::string(name); }

}  // namespace

namespace plat {

std::optional<std::string> GetControl(std::string_view name) {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_process.find(name);
    if (it != g_process.end()) return it->second;
  }
  std::ifstream in(ControlFile(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
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
    return;
  }
  // Written to a side file and renamed, so a reader in another process sees old or new.
  std::string temp = path + ".tmp." + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(value->data(), static_cast<std::streamsize>(value->size()));
  }
  std::rename(temp.c_str(), path.c_str());
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

}  // namespace plat

namespace plat {

bool HasProcessControl(std::string_view name) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_process.find(name) != g_process.end();
}

}  // namespace plat
