// Starting programs of the machine, the command line, and the end of the calling process.
// A program is a host executable placed in the machine under its Windows name. The child learns
// its machine, command line, folder and show command from the environment, never from host
// argument splitting, so a command line reaches it exactly as its creator wrote it.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include <win/modules.h>
#include <win/process.h>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/resources.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

extern char** environ;

namespace {

constexpr char kControlStartFailure[] = "StartFailure";

constexpr char kEnvRoot[] = "PLATFORM_ROOT";
constexpr char kEnvFolder[] = "PLATFORM_CWD";
constexpr char kEnvCommandLine[] = "PLATFORM_COMMAND_LINE";
constexpr char kEnvShow[] = "PLATFORM_SHOW";
// "<pid> <host start time>" of the creator, for the command interpreter's wait at idle priority.
constexpr char kEnvCreator[] = "PLATFORM_CREATOR";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool HasFolder(std::u16string_view name) { return name.find_first_of(u"\\/:") != std::u16string_view::npos; }
bool HasExtension(std::u16string_view name) {
  size_t slash = name.find_last_of(u"\\/");
  size_t dot = name.rfind(u'.');
  return dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
}

struct Found {
  plat::ResolvedPath path;
  DWORD error = ERROR_FILE_NOT_FOUND;
};

// Looks a program name up as the platform does: a name with a folder where it says, a bare
// name in the current folder, then the system folder, then the Windows folder.
Found Locate(std::u16string name, bool addExtension) {
  Found found;
  if (name.empty()) return found;
  if (addExtension && !HasExtension(name)) name += u".exe";
  std::vector<std::u16string> candidates;
  if (HasFolder(name)) {
    candidates.push_back(name);
  } else {
    candidates.push_back(plat::CurrentDirectory() + u"\\" + name);
    candidates.push_back(u"C:\\Windows\\System32\\" + name);
    candidates.push_back(u"C:\\Windows\\" + name);
  }
  for (const std::u16string& candidate : candidates) {
    plat::ResolvedPath path = plat::ResolvePath(candidate);
    if (path.exists && !path.isDirectory) {
      found.path = path;
      found.error = ERROR_SUCCESS;
      return found;
    }
    if (HasFolder(name)) found.error = path.error ? path.error : (path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  }
  return found;
}

// The program a command line names: a quoted first token up to its closing quote; an unquoted
// one with blanks tries each longer prefix ("C:\Program Files\App\app.exe" tries "C:\Program"
// first), as the platform does.
Found LocateFromCommandLine(std::u16string_view line) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start < line.size() && line[start] == u'"') {
    size_t close = line.find(u'"', start + 1);
    return Locate(std::u16string(line.substr(start + 1, close == std::u16string_view::npos ? std::u16string_view::npos
                                                                                            : close - start - 1)),
                  true);
  }
  Found last;
  size_t end = start;
  for (;;) {
    while (end < line.size() && !IsBlank(line[end])) ++end;
    last = Locate(std::u16string(line.substr(start, end - start)), true);
    if (last.error == ERROR_SUCCESS || end >= line.size()) return last;
    while (end < line.size() && IsBlank(line[end])) ++end;
    if (end >= line.size()) return last;
  }
}

// The error a test made the program's start fail with (the control "StartFailure": one line
// "FILENAME ERROR" per program, ERROR_FILE_NOT_FOUND standing for an absent program); 0 when
// it starts.
DWORD StartFailure(std::u16string_view windowsPath) {
  std::optional<std::string> text = plat::GetControl(kControlStartFailure);
  if (!text) return 0;
  size_t slash = windowsPath.find_last_of(u"\\/");
  std::string name = plat::ToUtf8(slash == std::u16string_view::npos ? windowsPath : windowsPath.substr(slash + 1));
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string program;
    unsigned long error = ERROR_FILE_NOT_FOUND;
    if (!(fields >> program)) continue;
    fields >> error;
    if (plat::EqualsNoCaseUtf8(program, name)) return static_cast<DWORD>(error);
  }
  return 0;
}

bool IsHostProgram(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  char magic[4] = {};
  in.read(magic, 4);
  return in && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

bool IsPlatformVariable(const std::string& entry) {
  for (const char* name : {kEnvRoot, kEnvFolder, kEnvCommandLine, kEnvShow, kEnvCreator}) {
    size_t n = std::strlen(name);
    if (entry.compare(0, n, name) == 0 && entry.size() > n && entry[n] == '=') return true;
  }
  return false;
}

// The caller's environment block, when given, replaces the variables it names.
std::vector<std::string> ChildEnvironment(LPVOID block, bool unicode) {
  std::vector<std::string> given;
  if (block) {
    if (unicode) {
      for (const WCHAR* p = static_cast<const WCHAR*>(block); *p; p += plat::WideLength(p) + 1)
        given.push_back(plat::ToUtf8(plat::WideView(p)));
    } else {
      for (const char* p = static_cast<const char*>(block); *p; p += std::strlen(p) + 1) given.emplace_back(p);
    }
  }
  std::vector<std::string> out;
  for (char** e = environ; e && *e; ++e) {
    std::string entry = *e;
    if (IsPlatformVariable(entry)) continue;
    std::string key = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& g : given) replaced |= g.compare(0, key.size() + 1, key + "=") == 0;
    if (!replaced) out.push_back(entry);
  }
  for (const std::string& g : given)
    if (!IsPlatformVariable(g)) out.push_back(g);
  return out;
}

DWORD ErrnoToError(int error) {
  switch (error) {
    case EACCES: case EPERM: return ERROR_ACCESS_DENIED;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM: case E2BIG: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_BAD_EXE_FORMAT;
  }
}

// The command line of a program the stand-in did not start: its image path, quoted, and its
// host arguments.
std::u16string HostCommandLine() {
  WCHAR image[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, image, MAX_PATH);
  std::u16string line = u"\"" + std::u16string(image) + u"\"";
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string arg;
  bool first = true;
  while (std::getline(in, arg, '\0')) {
    if (first) {
      first = false;
      continue;
    }
    std::u16string wide = plat::FromUtf8(arg);
    bool quote = wide.empty() || wide.find_first_of(u" \t") != std::u16string::npos;
    line += quote ? u" \"" + wide + u"\"" : u" " + wide;
  }
  return line;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD dwCreationFlags, LPVOID lpEnvironment,
                                      LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                                      LPPROCESS_INFORMATION lpProcessInformation) {
  if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string commandLine(lpCommandLine ? plat::WideView(lpCommandLine) : plat::WideView(lpApplicationName));
  Found program = lpApplicationName ? Locate(std::u16string(plat::WideView(lpApplicationName)), false)
                                    : LocateFromCommandLine(commandLine);
  if (program.error != ERROR_SUCCESS) {
    SetLastError(program.error);
    return FALSE;
  }
  if (DWORD refused = StartFailure(program.path.windows)) {
    SetLastError(refused);
    return FALSE;
  }
  if (!IsHostProgram(program.path.host)) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }
  std::u16string folder = plat::CurrentDirectory();
  if (lpCurrentDirectory) {
    plat::ResolvedPath dir = plat::ResolvePath(plat::WideView(lpCurrentDirectory));
    if (!dir.exists || !dir.isDirectory) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
    folder = dir.windows;
  }

  std::vector<std::string> environment = ChildEnvironment(lpEnvironment, (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT) != 0);
  environment.push_back(std::string(kEnvRoot) + "=" + plat::MachineRoot());
  environment.push_back(std::string(kEnvFolder) + "=" + plat::ToUtf8(folder));
  environment.push_back(std::string(kEnvCommandLine) + "=" + plat::ToUtf8(commandLine));
  if (lpStartupInfo->cb >= sizeof(STARTUPINFOW) && (lpStartupInfo->dwFlags & STARTF_USESHOWWINDOW))
    environment.push_back(std::string(kEnvShow) + "=" + std::to_string(lpStartupInfo->wShowWindow));
  environment.push_back(std::string(kEnvCreator) + "=" + std::to_string(getpid()) + " " +
                        std::to_string(plat::HostProcessStartTime(getpid())));
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string hostPath = program.path.host;
  char* argv[] = {hostPath.data(), nullptr};
  bool suspended = (dwCreationFlags & CREATE_SUSPENDED) != 0;

  // The child waits for `go` until its record is written, so it can record its own end; an exec
  // failure comes back through `failure`, which closes on a successful exec.
  int go[2], failure[2];
  if (pipe2(go, O_CLOEXEC) != 0) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return FALSE;
  }
  if (pipe2(failure, O_CLOEXEC) != 0) {
    close(go[0]);
    close(go[1]);
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return FALSE;
  }
  pid_t pid = fork();
  if (pid == 0) {
    char byte;
    while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
    }
    if (suspended) kill(getpid(), SIGSTOP);
    execve(argv[0], argv, envp.data());
    int error = errno;
    ssize_t written = write(failure[1], &error, sizeof error);
    (void)written;
    _exit(127);
  }
  close(go[0]);
  close(failure[1]);
  if (pid < 0) {
    close(go[1]);
    close(failure[0]);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }

  plat::ProcessRecord record;
  record.pid = pid;
  record.startTime = plat::HostProcessStartTime(pid);
  record.parent = getpid();
  record.image = program.path.windows;
  record.commandLine = commandLine;
  record.folder = folder;
  record.priorityClass = dwCreationFlags & (IDLE_PRIORITY_CLASS | BELOW_NORMAL_PRIORITY_CLASS | NORMAL_PRIORITY_CLASS |
                                            ABOVE_NORMAL_PRIORITY_CLASS | HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS);
  if (!record.priorityClass) record.priorityClass = NORMAL_PRIORITY_CLASS;
  plat::WriteProcessRecord(record);
  ssize_t sent = write(go[1], "g", 1);
  (void)sent;
  close(go[1]);

  if (suspended) {
    // Held before its program starts; ResumeThread lets it go on.
    int status = 0;
    waitpid(pid, &status, WUNTRACED);
    close(failure[0]);
  } else {
    int error = 0;
    ssize_t got;
    while ((got = read(failure[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(failure[0]);
    if (got == static_cast<ssize_t>(sizeof error)) {
      int status = 0;
      waitpid(pid, &status, 0);
      plat::RemoveProcessRecord(pid);
      SetLastError(ErrnoToError(error));
      return FALSE;
    }
  }
  plat::desktop::LogCall("\"event\":\"start\",\"child\":" + std::to_string(pid) + ",\"image\":" +
                         plat::desktop::JsonString(record.image) + ",\"command\":" +
                         plat::desktop::JsonString(commandLine) + ",\"suspended\":" + (suspended ? "true" : "false"));
  lpProcessInformation->hProcess = plat::NewProcessHandle(pid, record.startTime, true);
  lpProcessInformation->hThread = plat::NewFirstThreadHandle(pid, record.startTime, suspended);
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

WINBASEAPI LPWSTR WINAPI GetCommandLineW(void) {
  static std::u16string* line = [] {
    const char* given = std::getenv(kEnvCommandLine);
    return new std::u16string(given ? plat::FromUtf8(given) : HostCommandLine());
  }();
  return line->data();
}

WINBASEAPI void WINAPI ExitProcess(UINT uExitCode) {
  int pid = getpid();
  plat::RecordProcessExit(pid, plat::HostProcessStartTime(pid), uExitCode);
  plat::desktop::LogCall("\"event\":\"end\",\"code\":" + std::to_string(uExitCode));
  // The platform ends the process's other threads before the libraries hear of the end, and
  // runs no static destructors of the program: destroying globals under threads that still
  // run (a pipe server's main loop, a timer thread) would pull the ground from under them.
  plat::DetachModulesForExit();
  std::fflush(nullptr);
  _exit(static_cast<int>(uExitCode & 0xFF));
}

}  // extern "C"
