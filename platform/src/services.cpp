// The service control manager with one service, the print spooler. Its state lives in
// <root>/services/Spooler.ini, so a stop made by one process is seen by every other. A stop or
// start first stays pending for the machine-wide time set by the test controls, measured on
// the machine's clock, and then settles when someone next looks at the state.
#include <win/services.h>
#include <win/system.h>

#include <cstdio>
#include <cstring>

#include "internal/controls.h"
#include "internal/handles.h"
#include "internal/machine.h"
#include "internal/services_state.h"
#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace {

using plat::spooler::Fields;

constexpr const char16_t* kSpoolerService = u"Spooler";

struct ServiceState {
  DWORD state = SERVICE_RUNNING;
  unsigned long long pendingUntil = 0;  // machine clock, ms
  unsigned long long generation = 1;    // counts the starts of the service
};

std::string StatePath() { return plat::MachineDir("services") + "/Spooler.ini"; }

// The machine's clock: a test that holds it moves the pending states on by moving it.
unsigned long long ClockMs() { return GetTickCount64(); }

DWORD PendingMs() { return static_cast<DWORD>(plat::GetControlInt("services.Spooler.PendingMs", 0)); }
DWORD WaitHint() { return static_cast<DWORD>(plat::GetControlInt("services.Spooler.WaitHint", 0)); }

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start-pending";
    case SERVICE_STOP_PENDING: return "stop-pending";
    default: return "running";
  }
}

DWORD StateFromName(const std::string& name) {
  if (name == "stopped") return SERVICE_STOPPED;
  if (name == "start-pending") return SERVICE_START_PENDING;
  if (name == "stop-pending") return SERVICE_STOP_PENDING;
  return SERVICE_RUNNING;
}

ServiceState Read() {
  Fields f;
  ServiceState s;
  if (plat::spooler::ReadFields(StatePath(), f)) {
    auto state = f.find("State");
    if (state != f.end()) s.state = StateFromName(state->second);
    auto until = f.find("PendingUntil");
    if (until != f.end()) s.pendingUntil = std::strtoull(until->second.c_str(), nullptr, 10);
    auto generation = f.find("Generation");
    if (generation != f.end()) s.generation = std::strtoull(generation->second.c_str(), nullptr, 10);
  }
  return s;
}

void Write(const ServiceState& s) {
  Fields f;
  f["State"] = StateName(s.state);
  f["PendingUntil"] = std::to_string(s.pendingUntil);
  f["Generation"] = std::to_string(s.generation);
  plat::spooler::WriteFields(StatePath(), f);
}

// The current state, with a pending change that has run its time settled and recorded.
ServiceState Current() {
  ServiceState s = Read();
  bool pending = s.state == SERVICE_STOP_PENDING || s.state == SERVICE_START_PENDING;
  if (pending && ClockMs() >= s.pendingUntil) {
    plat::spooler::StateLock lock;
    s = Read();
    if (s.state == SERVICE_STOP_PENDING && ClockMs() >= s.pendingUntil) {
      s.state = SERVICE_STOPPED;
      Write(s);
    } else if (s.state == SERVICE_START_PENDING && ClockMs() >= s.pendingUntil) {
      s.state = SERVICE_RUNNING;
      ++s.generation;
      Write(s);
    }
  }
  return s;
}

void FillStatus(const ServiceState& s, SERVICE_STATUS_PROCESS& out) {
  out = SERVICE_STATUS_PROCESS{};
  out.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  out.dwCurrentState = s.state;
  out.dwControlsAccepted = s.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  bool pending = s.state == SERVICE_STOP_PENDING || s.state == SERVICE_START_PENDING;
  out.dwCheckPoint = pending ? 1 : 0;
  out.dwWaitHint = pending ? WaitHint() : 0;
  out.dwProcessId = s.state == SERVICE_STOPPED ? 0 : static_cast<DWORD>(1000 + 4 * (s.generation % 1000));
}

void FillStatus(const ServiceState& s, SERVICE_STATUS& out) {
  SERVICE_STATUS_PROCESS full;
  FillStatus(s, full);
  std::memcpy(&out, &full, sizeof out);
}

struct ScObject : plat::KernelObject {
  bool isService = false;
  DWORD access = 0;
};

std::shared_ptr<ScObject> GetObject(SC_HANDLE handle, bool service) {
  std::shared_ptr<ScObject> object = plat::LookupHandleAs<ScObject>(handle);
  if (!object || object->isService != service) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

std::shared_ptr<ScObject> GetService(SC_HANDLE handle, DWORD neededAccess) {
  std::shared_ptr<ScObject> service = GetObject(handle, true);
  if (service && (service->access & neededAccess) != neededAccess) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return service;
}

// Generic rights as the manager maps them for a service object.
DWORD MapServiceAccess(DWORD access) {
  if (access & GENERIC_ALL) access |= SERVICE_ALL_ACCESS;
  if (access & GENERIC_READ) access |= SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS;
  if (access & GENERIC_WRITE) access |= SERVICE_CHANGE_CONFIG;
  if (access & GENERIC_EXECUTE) access |= SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE;
  return access;
}

}  // namespace

namespace plat {

bool SpoolerServiceRunning() { return Current().state == SERVICE_RUNNING; }
unsigned long long SpoolerServiceGeneration() { return Current().generation; }

}  // namespace plat

extern "C" {

WINBASEAPI SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) {
  if (!plat::spooler::IsLocalServer(lpMachineName) &&
      !plat::EqualsNoCase(plat::WideView(lpMachineName), plat::spooler::ComputerName())) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return nullptr;
  }
  std::u16string_view database = plat::WideView(lpDatabaseName);
  if (!database.empty() && !plat::EqualsNoCase(database, SERVICES_ACTIVE_DATABASEW)) {
    SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
    return nullptr;
  }
  auto manager = std::make_shared<ScObject>();
  manager->access = dwDesiredAccess;
  return reinterpret_cast<SC_HANDLE>(plat::InsertHandle(manager));
}

WINBASEAPI SC_HANDLE WINAPI OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
  if (!GetObject(hSCManager, false)) return nullptr;
  if (!lpServiceName) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return nullptr;
  }
  if (!plat::EqualsNoCase(plat::WideView(lpServiceName), kSpoolerService)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  auto service = std::make_shared<ScObject>();
  service->isService = true;
  service->access = MapServiceAccess(dwDesiredAccess);
  return reinterpret_cast<SC_HANDLE>(plat::InsertHandle(service));
}

WINBASEAPI BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  if (!plat::LookupHandleAs<ScObject>(hSCObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  plat::RemoveHandle(hSCObject);
  return TRUE;
}

WINBASEAPI BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
  if (!GetService(hService, SERVICE_QUERY_STATUS)) return FALSE;
  if (!lpServiceStatus) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FillStatus(Current(), *lpServiceStatus);
  return TRUE;
}

WINBASEAPI BOOL WINAPI QueryServiceStatusEx(SC_HANDLE hService, SC_STATUS_TYPE InfoLevel, LPBYTE lpBuffer,
                                            DWORD cbBufSize, LPDWORD pcbBytesNeeded) {
  if (!GetService(hService, SERVICE_QUERY_STATUS)) return FALSE;
  if (InfoLevel != SC_STATUS_PROCESS_INFO) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcbBytesNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lpBuffer || cbBufSize < sizeof(SERVICE_STATUS_PROCESS)) {
    *pcbBytesNeeded = sizeof(SERVICE_STATUS_PROCESS);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  SERVICE_STATUS_PROCESS status;
  FillStatus(Current(), status);
  std::memcpy(lpBuffer, &status, sizeof status);
  *pcbBytesNeeded = sizeof(SERVICE_STATUS_PROCESS);
  return TRUE;
}

WINBASEAPI BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  DWORD needed = 0;
  switch (dwControl) {
    case SERVICE_CONTROL_STOP: needed = SERVICE_STOP; break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE: needed = SERVICE_PAUSE_CONTINUE; break;
    case SERVICE_CONTROL_INTERROGATE: needed = SERVICE_INTERROGATE; break;
    default:
      if (dwControl < 128 || dwControl > 255) {
        if (!GetObject(hService, true)) return FALSE;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      needed = SERVICE_USER_DEFINED_CONTROL;
  }
  if (!GetService(hService, needed)) return FALSE;
  if (!lpServiceStatus) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::spooler::StateLock lock;
  ServiceState s = Current();
  DWORD error = ERROR_SUCCESS;
  if (s.state == SERVICE_STOPPED) {
    error = ERROR_SERVICE_NOT_ACTIVE;
  } else if (s.state != SERVICE_RUNNING) {
    error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
  } else if (dwControl == SERVICE_CONTROL_STOP) {
    s.state = SERVICE_STOP_PENDING;
    s.pendingUntil = ClockMs() + PendingMs();
    Write(s);
  } else if (dwControl != SERVICE_CONTROL_INTERROGATE) {
    // The spooler accepts neither pause nor controls of its own.
    error = ERROR_INVALID_SERVICE_CONTROL;
  }
  FillStatus(s, *lpServiceStatus);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR* lpServiceArgVectors) {
  (void)dwNumServiceArgs;
  (void)lpServiceArgVectors;
  if (!GetService(hService, SERVICE_START)) return FALSE;
  plat::spooler::StateLock lock;
  ServiceState s = Current();
  if (s.state != SERVICE_STOPPED) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  s.state = SERVICE_START_PENDING;
  s.pendingUntil = ClockMs() + PendingMs();
  Write(s);
  return TRUE;
}

}  // extern "C"
