// The events Windows reports to the driver's user-interface library: document events in the
// printing application, printer events and driver deletion in the spooler, and the update of
// the driver under existing printers.
#include <cstring>

#include <win/driverui.h>
#include <win/gdi.h>
#include <win/spooler.h>
#include <win/system.h>

#include <vm4k2/escapes.h>

#include "ui/core/page_watermark.h"
#include "ui/core/pipe_close.h"
#include "ui/core/printer_data_upgrade.h"
#include "ui/core/printer_defaults.h"
#include "ui/core/status_monitor_announcement.h"

#define UI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The renderer answers ESC_PRN_GETHANDLE by writing the job's printer handle into the input
// it is given; the engine hands it a copy, so nothing comes back here. The device context's
// value goes as 8 bytes, the width of a handle.
void AskForPrinterHandle(HDC hdc) {
  char input[8];
  const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(hdc);
  static_assert(sizeof value == sizeof input);
  std::memcpy(input, &value, sizeof input);
  ExtEscape(hdc, static_cast<int>(vm4k2::ESC_PRN_GETHANDLE), sizeof input, input, 0, nullptr);
}

}  // namespace

UI_EXPORT INT WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG /*cbIn*/, PVOID /*pvIn*/,
                                      ULONG /*cbOut*/, PVOID /*pvOut*/) {
  switch (iEsc) {
    case DOCUMENTEVENT_STARTDOC:
      vm4k2ui::AnnounceJobToStatusMonitor(hPrinter);
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_ENDPAGE:
      AskForPrinterHandle(hdc);
      vm4k2ui::PrintPageWatermark(hdc);
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_STARTPAGE:
    case DOCUMENTEVENT_STARTDOCPOST:
      return DOCUMENTEVENT_SUCCESS;
    default:
      return DOCUMENTEVENT_UNSUPPORTED;
  }
}

UI_EXPORT BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD /*Flags*/, LPARAM /*lParam*/) {
  switch (DriverEvent) {
    case PRINTER_EVENT_INITIALIZE:
      return vm4k2ui::InitializePrinterDefaults(pPrinterName);
    case PRINTER_EVENT_CACHE_REFRESH:
      return vm4k2ui::RefreshPrinterDefaults(pPrinterName);
    case PRINTER_EVENT_DELETE:
      vm4k2ui::SendXpsPipeClose();
      vm4k2ui::SendDuplexPipeClose();
      return TRUE;
    default:
      return TRUE;
  }
}

UI_EXPORT BOOL WINAPI DrvDriverEvent(DWORD dwDriverEvent, DWORD /*dwLevel*/, LPBYTE /*pDriverInfo*/,
                                     LPARAM /*lParam*/) {
  if (dwDriverEvent == DRIVER_EVENT_DELETE) {
    vm4k2ui::SendXpsPipeClose();
    vm4k2ui::SendDuplexPipeClose();
  }
  return 0;
}

UI_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo) {
  const auto* info = reinterpret_cast<const DRIVER_UPGRADE_INFO_1W*>(pDriverUpgradeInfo);
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (Level != 1 || info == nullptr || info->pPrinterName == nullptr ||
      !OpenPrinterW(info->pPrinterName, &printer, &defaults)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const BOOL upgraded = vm4k2ui::UpgradePrinterData(printer);
  const DWORD error = GetLastError();
  ClosePrinter(printer);
  SetLastError(error);
  return upgraded;
}
