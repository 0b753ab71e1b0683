// The process table and process handles: waits, exit codes, OpenProcess and TerminateProcess.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include <win/process.h>

#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace {

std::string RecordPath(int pid) { return plat::MachineDir("processes") + "/" + std::to_string(pid); }

// The fields of /proc/<pid>/stat after the program name, which may itself hold blanks.
bool HostStatFields(int pid, std::vector<std::string>& fields) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  if (!in) return false;
  std::string line;
  std::getline(in, line);
  size_t close = line.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream rest(line.substr(close + 1));
  std::string field;
  while (rest >> field) fields.push_back(field);
  return fields.size() > 19;
}

// Exit statuses of this process's own children, once reaped (shared by every handle to one).
std::mutex g_reapedLock;
// Keyed by pid and start time: a later child may get the same pid.
using ProcessKey = std::pair<int, unsigned long long>;
std::map<ProcessKey, int>* g_reaped = new std::map<ProcessKey, int>;

DWORD StatusToExitCode(int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 0xC000013Au;  // ended from outside, as a console program killed
  return 0;
}

struct ProcessObject : plat::Waitable {
  int pid = 0;
  unsigned long long startTime = 0;
  bool ownChild = false;

  // Reaps an own child that has ended; true when the process has ended.
  bool Ended() {
    if (ownChild) {
      std::lock_guard<std::mutex> guard(g_reapedLock);
      if (g_reaped->count({pid, startTime})) return true;
      int status = 0;
      pid_t got = waitpid(pid, &status, WNOHANG);
      if (got == pid) {
        (*g_reaped)[{pid, startTime}] = status;
        plat::RecordProcessExit(pid, startTime, StatusToExitCode(status));
        return true;
      }
      if (got == 0) return false;
      // Reaped elsewhere: fall back to what the host and the table say.
    }
    return !plat::HostProcessAlive(pid, startTime);
  }
  DWORD ExitCode() {
    if (!Ended()) return STILL_ACTIVE;
    plat::ProcessRecord record;
    if (plat::ReadProcessRecord(pid, record) && record.startTime == startTime && record.exitCode) return *record.exitCode;
    {
      std::lock_guard<std::mutex> guard(g_reapedLock);
      auto it = g_reaped->find({pid, startTime});
      if (it != g_reaped->end()) return StatusToExitCode(it->second);
    }
    // A zombie of another parent still tells its status.
    std::vector<std::string> fields;
    if (plat::HostProcessStartTime(pid) == startTime && HostStatFields(pid, fields) && fields.size() > 49)
      return StatusToExitCode(std::stoi(fields[49]));
    return 0;
  }
  plat::WaitOutcome TryAcquire() override { return Ended() ? plat::WaitOutcome::Signaled : plat::WaitOutcome::NotSignaled; }
  bool IsSignaled() override { return Ended(); }
};

// A started program's first thread: its host main thread, whose id is the pid.
struct FirstThreadObject : plat::ThreadHandleObject {
  std::shared_ptr<ProcessObject> process;
  std::mutex lock;
  DWORD suspendCount = 0;

  plat::WaitOutcome TryAcquire() override { return process->TryAcquire(); }
  bool IsSignaled() override { return process->IsSignaled(); }
  DWORD ThreadId() override { return static_cast<DWORD>(process->pid); }
  DWORD Resume() override {
    std::lock_guard<std::mutex> guard(lock);
    DWORD previous = suspendCount;
    if (suspendCount && --suspendCount == 0 && !process->Ended()) kill(process->pid, SIGCONT);
    return previous;
  }
  DWORD ExitCode() override { return process->ExitCode(); }
};

bool IsCurrentProcess(HANDLE handle) { return handle == GetCurrentProcess(); }

std::u16string FieldText(const std::string& utf8) { return plat::FromUtf8(utf8); }
std::string OneLine(std::u16string_view text) {
  std::string out = plat::ToUtf8(text);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

}  // namespace

namespace plat {

unsigned long long HostProcessStartTime(int pid) {
  std::vector<std::string> fields;
  if (pid <= 0 || !HostStatFields(pid, fields)) return 0;
  return std::stoull(fields[19]);
}

bool HostProcessAlive(int pid, unsigned long long startTime) {
  std::vector<std::string> fields;
  if (pid <= 0 || !HostStatFields(pid, fields)) return false;
  if (std::stoull(fields[19]) != startTime) return false;
  return fields[0] != "Z" && fields[0] != "X" && fields[0] != "x";
}

std::string ObjectFileName(std::u16string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char16_t c : name) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 0xF]);
    }
  }
  return out;
}

bool ReadProcessRecord(int pid, ProcessRecord& record) {
  std::ifstream in(RecordPath(pid));
  if (!in) return false;
  record = ProcessRecord{};
  record.pid = pid;
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "start") record.startTime = std::strtoull(value.c_str(), nullptr, 10);
    else if (key == "parent") record.parent = std::atoi(value.c_str());
    else if (key == "image") record.image = FieldText(value);
    else if (key == "command") record.commandLine = FieldText(value);
    else if (key == "folder") record.folder = FieldText(value);
    else if (key == "priority") record.priorityClass = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 0));
    else if (key == "joined") record.joined = value == "1";
    else if (key == "exit" && !record.exitCode) record.exitCode = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
  }
  return record.startTime != 0;
}

void WriteProcessRecord(const ProcessRecord& record) {
  std::string path = RecordPath(record.pid);
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << "pid=" << record.pid << "\nstart=" << record.startTime << "\nparent=" << record.parent
        << "\nimage=" << OneLine(record.image) << "\ncommand=" << OneLine(record.commandLine)
        << "\nfolder=" << OneLine(record.folder) << "\npriority=0x" << std::hex << record.priorityClass << std::dec
        << "\n";
    if (record.joined) out << "joined=1\n";
    if (record.exitCode) out << "exit=" << *record.exitCode << "\n";
  }
  std::rename(temp.c_str(), path.c_str());
}

void RemoveProcessRecord(int pid) { std::remove(RecordPath(pid).c_str()); }

void RecordProcessExit(int pid, unsigned long long startTime, DWORD exitCode) {
  ProcessRecord record;
  if (!ReadProcessRecord(pid, record) || record.startTime != startTime || record.exitCode) return;
  // One append of a whole line; readers take the first end recorded.
  std::string line = "exit=" + std::to_string(exitCode) + "\n";
  int fd = open(RecordPath(pid).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return;
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

HANDLE NewProcessHandle(int pid, unsigned long long startTime, bool ownChild) {
  auto object = std::make_shared<ProcessObject>();
  object->pid = pid;
  object->startTime = startTime;
  object->ownChild = ownChild;
  return InsertHandle(object);
}

HANDLE NewFirstThreadHandle(int pid, unsigned long long startTime, bool suspended) {
  auto process = std::make_shared<ProcessObject>();
  process->pid = pid;
  process->startTime = startTime;
  process->ownChild = true;
  auto object = std::make_shared<FirstThreadObject>();
  object->process = process;
  object->suspendCount = suspended ? 1 : 0;
  return InsertHandle(object);
}

}  // namespace plat

extern "C" {

WINBASEAPI HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

WINBASEAPI HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD dwProcessId) {
  int pid = static_cast<int>(dwProcessId);
  if (pid <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (pid == getpid()) return plat::NewProcessHandle(pid, plat::HostProcessStartTime(pid), false);
  plat::ProcessRecord record;
  // Only the machine's own live processes: host processes outside it are never reached.
  if (!plat::ReadProcessRecord(pid, record) || !plat::HostProcessAlive(pid, record.startTime)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return plat::NewProcessHandle(pid, record.startTime, record.parent == getpid());
}

WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  if (IsCurrentProcess(hProcess)) ExitProcess(uExitCode);
  std::shared_ptr<ProcessObject> process = plat::LookupHandleAs<ProcessObject>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  plat::ProcessRecord record;
  if (process->Ended() || !plat::ReadProcessRecord(process->pid, record) || record.startTime != process->startTime ||
      record.joined) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  plat::RecordProcessExit(process->pid, process->startTime, uExitCode);
  if (kill(process->pid, SIGKILL) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (IsCurrentProcess(hProcess)) {
    *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  std::shared_ptr<ProcessObject> process = plat::LookupHandleAs<ProcessObject>(hProcess);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = process->ExitCode();
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetProcessId(HANDLE Process) {
  if (IsCurrentProcess(Process)) return static_cast<DWORD>(getpid());
  std::shared_ptr<ProcessObject> process = plat::LookupHandleAs<ProcessObject>(Process);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(process->pid);
}

WINBASEAPI DWORD WINAPI GetPriorityClass(HANDLE hProcess) {
  int pid = IsCurrentProcess(hProcess) ? getpid() : 0;
  if (!pid) {
    std::shared_ptr<ProcessObject> process = plat::LookupHandleAs<ProcessObject>(hProcess);
    if (!process) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    pid = process->pid;
  }
  plat::ProcessRecord record;
  if (plat::ReadProcessRecord(pid, record) && record.priorityClass) return record.priorityClass;
  return NORMAL_PRIORITY_CLASS;
}

}  // extern "C"
