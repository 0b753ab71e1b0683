// Document, printer and driver events. The library has nothing to do on them yet: document
// events are declined so the engine does not wait on them, the others succeed.
#include <win/driverui.h>

#define UI_EXPORT extern "C" __attribute__((visibility("default")))

UI_EXPORT INT WINAPI DrvDocumentEvent(HANDLE /*hPrinter*/, HDC /*hdc*/, INT /*iEsc*/, ULONG /*cbIn*/, PVOID /*pvIn*/,
                                      ULONG /*cbOut*/, PVOID /*pvOut*/) {
  return DOCUMENTEVENT_UNSUPPORTED;
}

UI_EXPORT BOOL WINAPI DrvPrinterEvent(LPWSTR /*pPrinterName*/, INT /*DriverEvent*/, DWORD /*Flags*/, LPARAM /*lParam*/) {
  return TRUE;
}

UI_EXPORT BOOL WINAPI DrvDriverEvent(DWORD /*dwDriverEvent*/, DWORD /*dwLevel*/, LPBYTE /*pDriverInfo*/,
                                     LPARAM /*lParam*/) {
  return 0;
}

UI_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD /*Level*/, LPBYTE /*pDriverUpgradeInfo*/) { return TRUE; }
