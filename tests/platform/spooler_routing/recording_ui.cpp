// A stand-in for a printer's user-interface library: it answers the spooler's two calls in a
// way the test can read back. Its DEVMODE is 220 public bytes and 80 private ones.
#include <cstring>

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
