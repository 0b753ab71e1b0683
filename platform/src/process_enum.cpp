// Listing the machine's processes and naming their programs (EnumProcesses and its companions),
// from the machine's process table: only live processes of this machine are ever listed.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/modules.h>
#include <win/process.h>
#include <win/psapi.h>

#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace {

// The stand-in's handle for another process's program module: every program has one module.
HMODULE ProgramModuleOf(int pid) {
  if (pid == getpid()) return GetModuleHandleW(nullptr);
  return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x140000000ull));
}

// The live record behind a process handle; false with ERROR_INVALID_HANDLE or
// ERROR_PARTIAL_COPY (an ended process), as the platform answers.
bool LiveRecord(HANDLE process, plat::ProcessRecord& record) {
  SetLastError(ERROR_SUCCESS);
  DWORD pid = GetProcessId(process);
  if (!pid) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (static_cast<int>(pid) == getpid()) {
    record = plat::ProcessRecord{};
    record.pid = getpid();
    WCHAR image[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, image, MAX_PATH);
    record.image = image;
    return true;
  }
  if (!plat::ReadProcessRecord(static_cast<int>(pid), record) || !plat::HostProcessAlive(record.pid, record.startTime)) {
    SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  return true;
}

DWORD CopyName(std::u16string_view name, LPWSTR out, DWORD size) {
  if (!out || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t n = std::min<size_t>(name.size(), size - 1);
  std::memcpy(out, name.data(), n * sizeof(WCHAR));
  out[n] = 0;
  return static_cast<DWORD>(n);
}

}  // namespace

namespace plat {

bool ProgramIsRunning(std::u16string_view windowsPath) {
  std::string dir = MachineDir("processes");
  DIR* handle = opendir(dir.c_str());
  if (!handle) return false;
  bool running = false;
  while (dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    ProcessRecord record;
    int pid = std::atoi(name.c_str());
    if (ReadProcessRecord(pid, record) && EqualsNoCase(record.image, windowsPath) && !record.exitCode &&
        HostProcessAlive(pid, record.startTime)) {
      running = true;
      break;
    }
  }
  closedir(handle);
  return running;
}

}  // namespace plat

extern "C" {

WINBASEAPI BOOL WINAPI EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded) {
  if (!lpcbNeeded || (cb && !lpidProcess)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::desktop::JoinDesktop();
  std::vector<DWORD> ids;
  std::string dir = plat::MachineDir("processes");
  if (DIR* handle = opendir(dir.c_str())) {
    while (dirent* entry = readdir(handle)) {
      std::string name = entry->d_name;
      if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
      plat::ProcessRecord record;
      int pid = std::atoi(name.c_str());
      if (plat::ReadProcessRecord(pid, record) && plat::HostProcessAlive(pid, record.startTime))
        ids.push_back(static_cast<DWORD>(pid));
    }
    closedir(handle);
  }
  std::sort(ids.begin(), ids.end());
  size_t fit = std::min<size_t>(ids.size(), cb / sizeof(DWORD));
  if (fit) std::memcpy(lpidProcess, ids.data(), fit * sizeof(DWORD));
  *lpcbNeeded = static_cast<DWORD>(fit * sizeof(DWORD));
  return TRUE;
}

WINBASEAPI BOOL WINAPI EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded) {
  plat::ProcessRecord record;
  if (!lpcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!LiveRecord(hProcess, record)) return FALSE;
  *lpcbNeeded = sizeof(HMODULE);
  if (lphModule && cb >= sizeof(HMODULE)) *lphModule = ProgramModuleOf(record.pid);
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetModuleBaseNameW(HANDLE hProcess, HMODULE hModule, LPWSTR lpBaseName, DWORD nSize) {
  plat::ProcessRecord record;
  if (!LiveRecord(hProcess, record)) return 0;
  if (hModule && hModule != ProgramModuleOf(record.pid)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  std::u16string_view image(record.image);
  size_t slash = image.find_last_of(u"\\/");
  return CopyName(slash == std::u16string_view::npos ? image : image.substr(slash + 1), lpBaseName, nSize);
}

WINBASEAPI DWORD WINAPI GetModuleFileNameExW(HANDLE hProcess, HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  plat::ProcessRecord record;
  if (!LiveRecord(hProcess, record)) return 0;
  if (hModule && hModule != ProgramModuleOf(record.pid)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return CopyName(record.image, lpFilename, nSize);
}

}  // extern "C"
