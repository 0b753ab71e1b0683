// A stand-in for a printer's user-interface library: it answers the spooler's calls in a way
// the test can read back. Its DEVMODE is 220 public bytes and 80 private ones. The printer and
// driver events and the upgrade are recorded one a line in C:\recui-events.log.
#include <cstring>
#include <string>

#include <win/driverui.h>
#include <win/files.h>
#include <win/spooler.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct DocumentPropertyHeader {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
};

constexpr LONG kDevmodeSize = 300;

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; text && *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

void Record(const std::string& line) {
  HANDLE file = CreateFileW(u"C:\\recui-events.log", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

bool PrinterExists(LPWSTR name) {
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name, &printer, nullptr)) return false;
  ClosePrinter(printer);
  return true;
}

}  // namespace

// fMode 0 (or no output): the size. Otherwise an output DEVMODE that tells what the driver
// was given: the printer name, fMode in dmFields, cbOut in dmPrintQuality, and the input's
// dmCopies (0 without input).
EXPORT LONG DrvDocumentPropertySheets(void* propSheetUiInfo, LPARAM lParam) {
  if (propSheetUiInfo || !lParam) return -1;
  auto* header = reinterpret_cast<DocumentPropertyHeader*>(lParam);
  if (header->cbSize != sizeof(DocumentPropertyHeader)) return -1;
  if (header->fMode == 0 || !header->pdmOut) return kDevmodeSize;
  if (header->cbOut < static_cast<DWORD>(kDevmodeSize)) return -1;
  std::memset(header->pdmOut, 0, kDevmodeSize);
  DEVMODEW* out = header->pdmOut;
  for (int i = 0; i < 31 && header->pszPrinterName[i]; ++i) out->dmDeviceName[i] = header->pszPrinterName[i];
  out->dmSize = sizeof(DEVMODEW);
  out->dmDriverExtra = kDevmodeSize - sizeof(DEVMODEW);
  out->dmFields = header->fMode;
  out->dmPrintQuality = static_cast<SHORT>(header->cbOut);
  out->dmCopies = header->pdmIn ? header->pdmIn->dmCopies : 0;
  return 1;  // IDOK
}

// DC_COPIES answers 99; DC_PAPERS lists A4 and Letter; any other capability -1.
EXPORT DWORD DrvDeviceCapabilities(HANDLE hPrinter, LPWSTR pDeviceName, WORD iDevCap, void* pvOutput,
                                   const DEVMODEW* pDevMode) {
  (void)pDevMode;
  if (!hPrinter || !pDeviceName) return static_cast<DWORD>(-1);
  if (iDevCap == DC_COPIES) return 99;
  if (iDevCap == DC_PAPERS) {
    if (pvOutput) {
      WORD papers[2] = {DMPAPER_A4, DMPAPER_LETTER};
      std::memcpy(pvOutput, papers, sizeof papers);
    }
    return 2;
  }
  return static_cast<DWORD>(-1);
}

// "printer-event NAME EVENT exists=0|1": whether the printer was still there. Answers FALSE,
// which the spooler must not take as a reason to undo what it did.
EXPORT BOOL DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam) {
  Record("printer-event " + Narrow(pPrinterName) + " " + std::to_string(DriverEvent) + " flags=" +
         std::to_string(Flags) + " lparam=" + std::to_string(lParam) + " exists=" +
         (PrinterExists(pPrinterName) ? "1" : "0"));
  return FALSE;
}

// "driver-event EVENT LEVEL NAME CONFIGFILE".
EXPORT BOOL DrvDriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo, LPARAM) {
  const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(pDriverInfo);
  Record("driver-event " + std::to_string(dwDriverEvent) + " " + std::to_string(dwLevel) + " " +
         (info ? Narrow(info->pName) + " " + Narrow(info->pConfigFile) : std::string("-")));
  return TRUE;
}

// "upgrade LEVEL PRINTER OLDDIRECTORY".
EXPORT BOOL DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo) {
  const auto* info = reinterpret_cast<const DRIVER_UPGRADE_INFO_1W*>(pDriverUpgradeInfo);
  Record("upgrade " + std::to_string(Level) + " " +
         (info ? Narrow(info->pPrinterName) + " " + Narrow(info->pOldDriverDirectory) : std::string("-")));
  return TRUE;
}
