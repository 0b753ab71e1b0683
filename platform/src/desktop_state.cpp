// The process's share of the machine's desktop: its state, its window records under
// <root>/desktop/windows, the machine-wide sequence and the call log.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include <win/modules.h>
#include <win/process.h>
#include <win/system.h>

#include "internal/clock.h"
#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace plat::desktop {

void StopPeerLocked();  // desktop_peer.cpp
void StartPeerLocked();

namespace {

std::string WindowsDir() { return MachineDir("desktop/windows"); }
std::string RecordPath(HWND hwnd) { return WindowsDir() + "/" + std::to_string(FromHwnd(hwnd)); }

std::string Hex(std::u16string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string utf8 = ToUtf8(text), out;
  for (unsigned char c : utf8) {
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
  }
  return out;
}

std::u16string FromHex(std::string_view hex) {
  std::string bytes;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1])));
  return FromUtf8(bytes);
}

struct ProcessLiveness {
  std::map<std::pair<int, unsigned long long>, bool> known;
  bool Alive(int pid, unsigned long long start) {
    auto key = std::make_pair(pid, start);
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    return known[key] = HostProcessAlive(pid, start);
  }
};

bool ParseRecord(const std::string& text, WindowRecord& record) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    unsigned long long number = std::strtoull(value.c_str(), nullptr, 10);
    if (key == "hwnd") record.hwnd = ToHwnd(number);
    else if (key == "pid") record.pid = static_cast<int>(number);
    else if (key == "start") record.start = number;
    else if (key == "thread") record.threadId = static_cast<DWORD>(number);
    else if (key == "class") record.className = FromHex(value);
    else if (key == "text") record.text = FromHex(value);
    else if (key == "style") record.style = static_cast<DWORD>(number);
    else if (key == "exstyle") record.exStyle = static_cast<DWORD>(number);
    else if (key == "parent") record.parent = ToHwnd(number);
    else if (key == "owner") record.owner = ToHwnd(number);
    else if (key == "id") record.id = std::strtoll(value.c_str(), nullptr, 10);
    else if (key == "z") record.z = number;
    else if (key == "message-only") record.messageOnly = number != 0;
    else if (key == "rect") {
      int l = 0, t = 0, r = 0, b = 0;
      if (std::sscanf(value.c_str(), "%d %d %d %d", &l, &t, &r, &b) == 4) record.rect = RECT{l, t, r, b};
    } else if (key == "prop") {
      size_t space = value.find(' ');
      if (space != std::string::npos)
        record.props.emplace_back(FromHex(value.substr(0, space)),
                                  reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(value.c_str() + space + 1, nullptr, 10))));
    }
  }
  return record.hwnd != nullptr && record.pid != 0;
}

bool ReadRecordFile(const std::string& path, WindowRecord& record) {
  std::ifstream in(path);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  return ParseRecord(text.str(), record);
}

}  // namespace

std::mutex& Lock() {
  static std::mutex* lock = new std::mutex;  // outlives static destructors of callers
  return *lock;
}

State& StateLocked() {
  static State* state = new State;
  const std::string& root = MachineRoot();
  if (state->root != root) {
    // Another machine: this process's windows and queues belonged to the one it leaves.
    StopPeerLocked();
    for (auto& [tid, queue] : state->queues) queue->changed.notify_all();
    state->windows.clear();
    state->queues.clear();
    state->firstShowTaken = false;
    state->root = root;
  }
  return *state;
}

std::shared_ptr<Window> LocalWindowLocked(HWND hwnd) {
  State& state = StateLocked();
  auto it = state.windows.find(hwnd);
  return it == state.windows.end() ? nullptr : it->second;
}

DWORD CurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

std::shared_ptr<ThreadQueue> QueueLocked(DWORD threadId) {
  State& state = StateLocked();
  auto it = state.queues.find(threadId);
  return it == state.queues.end() ? nullptr : it->second;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  DWORD tid = CurrentThreadId();
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (auto queue = QueueLocked(tid)) return queue;
  }
  JoinDesktop();
  std::lock_guard<std::mutex> guard(Lock());
  State& state = StateLocked();
  auto& slot = state.queues[tid];
  if (!slot) {
    slot = std::make_shared<ThreadQueue>();
    slot->threadId = tid;
  }
  return slot;
}

void WakeAllLocked() {
  for (auto& [tid, queue] : StateLocked().queues) queue->changed.notify_all();
}

unsigned long long NextSequence() {
  std::string path = MachineDir("desktop") + "/counter";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  flock(fd, LOCK_EX);
  char buffer[32] = {};
  ssize_t got = pread(fd, buffer, sizeof buffer - 1, 0);
  unsigned long long value = got > 0 ? std::strtoull(buffer, nullptr, 10) : 0;
  ++value;
  std::string text = std::to_string(value) + "\n";
  if (ftruncate(fd, 0) == 0) {
    ssize_t put = pwrite(fd, text.data(), text.size(), 0);
    (void)put;
  }
  flock(fd, LOCK_UN);
  close(fd);
  return value;
}

void WriteRecordLocked(const Window& window) {
  std::ostringstream out;
  out << "hwnd=" << FromHwnd(window.hwnd) << "\npid=" << getpid()
      << "\nstart=" << HostProcessStartTime(getpid()) << "\nthread=" << window.threadId
      << "\nclass=" << Hex(window.cls ? window.cls->name : std::u16string()) << "\ntext=" << Hex(window.text)
      << "\nstyle=" << window.style << "\nexstyle=" << window.exStyle << "\nparent=" << FromHwnd(window.parent)
      << "\nowner=" << FromHwnd(window.owner) << "\nid=" << window.id << "\nrect=" << window.rect.left << " "
      << window.rect.top << " " << window.rect.right << " " << window.rect.bottom << "\nz=" << window.z
      << "\nmessage-only=" << (window.messageOnly ? 1 : 0) << "\n";
  for (auto& [name, value] : window.props) out << "prop=" << Hex(name) << " " << reinterpret_cast<uintptr_t>(value) << "\n";
  std::string path = RecordPath(window.hwnd);
  std::string temp = path + ".tmp" + std::to_string(CurrentThreadId());
  {
    std::ofstream file(temp, std::ios::trunc);
    file << out.str();
  }
  std::rename(temp.c_str(), path.c_str());
}

void RemoveRecord(HWND hwnd) { std::remove(RecordPath(hwnd).c_str()); }

bool ReadRecord(HWND hwnd, WindowRecord& record) {
  if (!hwnd) return false;
  record = WindowRecord{};
  if (!ReadRecordFile(RecordPath(hwnd), record) || record.hwnd != hwnd) return false;
  return HostProcessAlive(record.pid, record.start);
}

bool IsTopLevel(const WindowRecord& record) { return !record.parent && !record.messageOnly; }

std::vector<WindowRecord> AllRecords() {
  std::vector<WindowRecord> out;
  std::string dir = WindowsDir();
  DIR* handle = opendir(dir.c_str());
  if (!handle) return out;
  ProcessLiveness liveness;
  while (dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    WindowRecord record;
    if (!ReadRecordFile(dir + "/" + name, record)) continue;
    if (!liveness.Alive(record.pid, record.start)) {
      // A window of an ended process is never found again.
      std::remove((dir + "/" + name).c_str());
      continue;
    }
    out.push_back(std::move(record));
  }
  closedir(handle);
  std::sort(out.begin(), out.end(), [](const WindowRecord& a, const WindowRecord& b) {
    bool at = (a.exStyle & WS_EX_TOPMOST) != 0, bt = (b.exStyle & WS_EX_TOPMOST) != 0;
    if (at != bt) return at;
    return a.z > b.z;
  });
  return out;
}

void JoinDesktop() {
  int pid = getpid();
  ProcessRecord existing;
  unsigned long long start = HostProcessStartTime(pid);
  if (!ReadProcessRecord(pid, existing) || existing.startTime != start) {
    // A program the stand-in did not start (a test runner) joins the machine on its own.
    ProcessRecord record;
    record.pid = pid;
    record.startTime = start;
    record.parent = 0;
    WCHAR image[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, image, MAX_PATH);
    record.image = image;
    record.commandLine = GetCommandLineW();
    record.priorityClass = NORMAL_PRIORITY_CLASS;
    record.joined = true;
    WriteProcessRecord(record);
  }
  std::lock_guard<std::mutex> guard(Lock());
  StateLocked();
  StartPeerLocked();
}

unsigned long long ClockNow() { return clock::Now(); }

std::string JsonString(std::u16string_view text) {
  std::string utf8 = ToUtf8(text), out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "\"";
}

void LogCall(const std::string& body) {
  WCHAR image[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, image, MAX_PATH);
  std::u16string_view path(image);
  size_t slash = path.find_last_of(u"\\/");
  std::string line = "{\"pid\":" + std::to_string(getpid()) + ",\"program\":" +
                     JsonString(slash == std::u16string_view::npos ? path : path.substr(slash + 1)) + "," + body + "}\n";
  // One append of a whole line, so the lines of several processes never interleave.
  int fd = open((MachineDir("desktop") + "/calls.jsonl").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

}  // namespace plat::desktop
