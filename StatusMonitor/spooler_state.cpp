#include "StatusMonitor/spooler_state.h"

#include <algorithm>
#include <string>
#include <vector>

#include <win/strings.h>

#include <vm4k2/status_monitor_messages.h>

namespace vm4k2sm {

namespace {

constexpr DWORD kXcvAnswerBytes = 512;

}  // namespace

bool IsFamilyPrinter(const PRINTER_INFO_2W& printer) {
  return printer.pServerName == nullptr && printer.pDriverName != nullptr &&
         lstrcmpW(printer.pDriverName, kDriverModelName) == 0;
}

int GetSpoolerState(const PRINTER_INFO_2W& printer) {
  if (printer.Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) return kSpoolerNotReachable;
  if (printer.Status & PRINTER_STATUS_PAUSED) return kSpoolerPaused;
  if (printer.cJobs == 0) return kSpoolerNormal;
  HANDLE handle = nullptr;
  if (printer.pPrinterName == nullptr || !OpenPrinterW(printer.pPrinterName, &handle, nullptr)) return kSpoolerNormal;
  DWORD needed = 0, returned = 0;
  EnumJobsW(handle, 0, printer.cJobs, 1, nullptr, 0, &needed, &returned);
  int state = kSpoolerNormal;
  if (needed > 0) {
    std::vector<BYTE> jobs(needed);
    if (EnumJobsW(handle, 0, printer.cJobs, 1, jobs.data(), needed, &needed, &returned) && returned > 0) {
      const JOB_INFO_1W* job = reinterpret_cast<const JOB_INFO_1W*>(jobs.data());
      bool allPaused = true;
      for (DWORD i = 0; i < returned; ++i)
        if (job[i].Status != JOB_STATUS_PAUSED) allPaused = false;
      if (allPaused) state = kSpoolerPaused;
    }
  }
  ClosePrinter(handle);
  return state;
}

BOOL IsUsableIpAddress(LPCWSTR address) {
  if (address == nullptr) return TRUE;
  // As the C library's wide atoi reads it: blanks, a sign, then digits up to the first other
  // character.
  size_t i = 0;
  while (address[i] == u' ' || address[i] == u'\t') ++i;
  bool negative = false;
  if (address[i] == u'+' || address[i] == u'-') negative = address[i++] == u'-';
  long long value = 0;
  for (; address[i] >= u'0' && address[i] <= u'9'; ++i) {
    value = value * 10 + (address[i] - u'0');
    if (value > 1000000) break;  // far past 255 already
  }
  if (negative) value = -value;
  return value == 255 ? FALSE : TRUE;
}

int ClassifyPortMonitor(LPCWSTR monitorName) {
  if (monitorName == nullptr) return vm4k2::kPortTypeOther;
  if (lstrcmpW(monitorName, u"Dynamic Print Monitor") == 0) return vm4k2::kPortTypeUsb;
  if (lstrcmpW(monitorName, u"TCPMON.DLL") == 0 || lstrcmpW(monitorName, u"WSD Port Monitor") == 0)
    return vm4k2::kPortTypeNetwork;
  return vm4k2::kPortTypeOther;
}

bool ReadNetworkPortAddress(LPCWSTR portName, WCHAR* address, size_t units) {
  std::u16string channel = u",XcvPort " + std::u16string(portName);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_READ};
  HANDLE xcv = nullptr;
  if (!OpenPrinterW(channel.data(), &xcv, &defaults)) return false;
  // The monitor answers into 512 bytes, which is more than the record's port holds: only what it
  // reports as written is taken, and no more than fits.
  WCHAR answer[kXcvAnswerBytes / sizeof(WCHAR)] = {};
  DWORD needed = 0, status = 0;
  size_t length = 0;
  if (XcvDataW(xcv, u"IPAddress", nullptr, 0, reinterpret_cast<BYTE*>(answer), kXcvAnswerBytes, &needed, &status) &&
      status == ERROR_SUCCESS) {
    const size_t written = std::min<size_t>(needed, kXcvAnswerBytes) / sizeof(WCHAR);
    while (length < written && answer[length] != 0) ++length;
  }
  ClosePrinter(xcv);
  if (length > units - 1) length = units - 1;
  for (size_t i = 0; i < length; ++i) address[i] = answer[i];
  address[length] = 0;
  return true;
}

}  // namespace vm4k2sm
