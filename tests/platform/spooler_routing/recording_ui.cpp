// A stand-in for a printer's user-interface library: it answers the spooler's calls in a way
// the test can read back. Its DEVMODE is 220 public bytes and 80 private ones. The printer and
// driver events and the upgrade are recorded one a line in C:\recui-events.log.
#include <cstring>
#include <string>

#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/driverui.h>
#include <win/files.h>
#include <win/spooler.h>
#include <win/user.h>

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

LONG WriteOutput(DocumentPropertyHeader* header) {
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

// One page, from a template in memory (this library has no resources): on apply it writes the
// output DEVMODE and passes the result on, as a driver's page does.
struct PageRun {
  PFNCOMPROPSHEET function = nullptr;
  HANDLE sheet = nullptr;
  DocumentPropertyHeader* header = nullptr;
} g_run;
const WORD kPageTemplate[] = {0x0400, 0x4000, 0, 0, 0, 0, 0, 100, 50, 0, 0, 0};

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != PSN_APPLY) return FALSE;
  if (g_run.header->pdmOut) WriteOutput(g_run.header);
  g_run.function(g_run.sheet, CPSFUNC_SET_RESULT, 0, 1);
  SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
  return TRUE;
}

LONG ShowPage(PPROPSHEETUI_INFO info, LPARAM lParam) {
  if (info->Reason != PROPSHEETUI_REASON_INIT) return 1;
  g_run = PageRun{info->pfnComPropSheet, info->hComPropSheet, reinterpret_cast<DocumentPropertyHeader*>(lParam)};
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof(page);
  page.dwFlags = PSP_DLGINDIRECT;
  page.pResource = kPageTemplate;
  page.pfnDlgProc = PageProc;
  return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0) ? 1 : -1;
}

}  // namespace

// With a sheet: one page that writes the output on apply. Without one, fMode 0 (or no output):
// the size; otherwise an output DEVMODE that tells what the driver was given: the printer name,
// fMode in dmFields, cbOut in dmPrintQuality, and the input's dmCopies (0 without input).
EXPORT LONG DrvDocumentPropertySheets(void* propSheetUiInfo, LPARAM lParam) {
  if (propSheetUiInfo) return ShowPage(static_cast<PPROPSHEETUI_INFO>(propSheetUiInfo), lParam);
  if (!lParam) return -1;
  auto* header = reinterpret_cast<DocumentPropertyHeader*>(lParam);
  if (header->cbSize != sizeof(DocumentPropertyHeader)) return -1;
  if (header->fMode == 0 || !header->pdmOut) return kDevmodeSize;
  return WriteOutput(header);
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
