// The property sheets as the common property-sheet host sees them: the document sheets
// (printing preferences, DrvDocumentPropertySheets) and the device sheet (printer properties,
// DrvDevicePropertySheets), their page tables and the page callback.
#pragma once

#include <cstddef>

#include <win/commctrl.h>
#include <win/compstui.h>

namespace vm4k2ui {

struct SheetPageEntry {
  WORD dialogTemplate;  // dialog id in the satellite library
  UINT titleString;     // string id of the tab title
  DLGPROC dialogProc;
};

// Title buffers hold 257 characters and the terminator.
inline constexpr int kPageTitleUnits = 258;
inline constexpr size_t kDocumentPageCount = 4;
extern const SheetPageEntry DocumentPageTable[kDocumentPageCount];
extern const SheetPageEntry DevicePageEntry;

// The host's icon of a printer, shown in the sheet's title.
inline constexpr ULONG_PTR kPrinterIconId = 64082;

// PSPCB_CREATE: TRUE. PSPCB_RELEASE: applies the context's changes once more when the sheet
// is marked changed, then TRUE. Anything else: FALSE.
UINT CALLBACK PropSheetPageCallback(HWND window, UINT message, PROPSHEETPAGEW* page);

}  // namespace vm4k2ui

extern "C" {
__attribute__((visibility("default"))) LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                                             LPARAM lParam);
__attribute__((visibility("default"))) LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                                           LPARAM lParam);
}
