// The spooler's test controls (platform_testing.h).
#include <cstring>

#include "internal/spooler_state.h"
#include "internal/unicode.h"
#include "platform_testing.h"

using namespace plat::spooler;
using plat::WideView;

namespace {

template <typename Change>
BOOL ChangePrinter(const WCHAR* name, Change change) {
  if (!RequireRunning()) return FALSE;
  StateLock lock;
  std::optional<Printer> printer = FindPrinter(WideView(name));
  if (!printer) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  change(*printer);
  SavePrinter(*printer);
  return TRUE;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL PlatformTest_SpoolerAddPort(const WCHAR* name, const char* kind, const WCHAR* address) {
  if (!RequireRunning()) return FALSE;
  Port port;
  if (!kind || !MakePort(kind, WideView(name), WideView(address), port)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  StateLock lock;
  if (FindPort(port.name)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  SavePort(port);
  return TRUE;
}

WINBASEAPI HANDLE PlatformTest_SpoolerAddConnection(const WCHAR* server, const PRINTER_INFO_2W* info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddConnection(WideView(server), *info);
}

WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterStatus(const WCHAR* printer, DWORD status) {
  return ChangePrinter(printer, [&](Printer& p) { p.status = status; });
}

WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterOffline(const WCHAR* printer, BOOL offline) {
  return ChangePrinter(printer, [&](Printer& p) {
    if (offline)
      p.attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
    else
      p.attributes &= ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE);
  });
}

WINBASEAPI BOOL PlatformTest_SpoolerFailPrinterQueries(const WCHAR* printer, DWORD error) {
  return ChangePrinter(printer, [&](Printer& p) { p.queryError = error; });
}

WINBASEAPI DWORD PlatformTest_SpoolerAddJob(const WCHAR* printer, const WCHAR* document, const WCHAR* user,
                                            const WCHAR* machine, DWORD status, DWORD pages) {
  return AddForeignJob(WideView(printer), WideView(document), WideView(user), WideView(machine), status, pages);
}

WINBASEAPI BOOL PlatformTest_SpoolerJobFile(DWORD jobId, char* path, DWORD size) {
  if (!LoadJob(jobId)) return FALSE;
  std::string host = JobDataPath(jobId);
  if (!path || host.size() + 1 > size) return FALSE;
  std::memcpy(path, host.c_str(), host.size() + 1);
  return TRUE;
}

}  // extern "C"
