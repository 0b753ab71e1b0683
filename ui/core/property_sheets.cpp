#include "ui/core/property_sheets.h"

#include <win/driverui.h>
#include <win/resources.h>

#include "ui/core/document_properties.h"
#include "ui/core/page_states.h"
#include "ui/core/printer_ui_context.h"
#include "ui/core/satellite.h"
#include "ui/core/sheet_changes.h"
#include "ui/sheets/page_procs.h"

namespace vm4k2ui {

const SheetPageEntry DocumentPageTable[kDocumentPageCount] = {
    {111, 106, BasicPageProc},
    {693, 216, PaperPageProc},
    {626, 126, LayoutPageProc},
    {645, 142, WatermarkPageProc},
};
const SheetPageEntry DevicePageEntry = {651, 274, DevicePageProc};

UINT CALLBACK PropSheetPageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
  switch (message) {
    case PSPCB_CREATE:
      return TRUE;
    case PSPCB_RELEASE: {
      auto* context = page ? reinterpret_cast<PrinterUiContext*>(page->lParam) : nullptr;
      // The pages are gone by now: the apply has no page to answer for.
      if (context && context->changed) ApplySheetChanges(nullptr, context);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

namespace {

// One page as the host receives it. The title lives in the caller's buffer; the host copies
// the record and its title when the page is added.
bool FillPage(const SheetPageEntry& entry, HMODULE satellite, PrinterUiContext* context, WCHAR* title,
              PROPSHEETPAGEW* page) {
  if (FindResourceW(satellite, MAKEINTRESOURCEW(entry.dialogTemplate), RT_DIALOG) == nullptr) return false;
  *page = PROPSHEETPAGEW{};
  page->dwSize = sizeof(PROPSHEETPAGEW);
  page->dwFlags = PSP_USEICONID | PSP_HASHELP;
  if (LoadStringW(satellite, entry.titleString, title, kPageTitleUnits) > 0) {
    page->dwFlags |= PSP_USETITLE;
    page->pszTitle = title;
  }
  page->hInstance = satellite;
  page->pszTemplate = MAKEINTRESOURCEW(entry.dialogTemplate);
  page->pfnDlgProc = entry.dialogProc;
  page->lParam = reinterpret_cast<LPARAM>(context);
  return true;
}

void UseCallback(PROPSHEETPAGEW* page) {
  page->dwFlags |= PSP_USECALLBACK;
  page->pfnCallback = PropSheetPageCallback;
}

// Hands the pages to the host in order; the first page the host refuses ends the adding.
void AddPages(PPROPSHEETUI_INFO info, PrinterUiContext* context, PROPSHEETPAGEW* pages, size_t count) {
  context->propSheet = info->hComPropSheet;
  context->pfnComPropSheet = info->pfnComPropSheet;
  for (size_t i = 0; i < count; ++i) {
    if (context->pfnComPropSheet(context->propSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&pages[i]),
                                 0) == 0) {
      break;
    }
  }
}

void Attach(PPROPSHEETUI_INFO info, PrinterUiContext* context) {
  info->UserData = reinterpret_cast<ULONG_PTR>(context);
  info->Result = 0;
}

PrinterUiContext* AttachedContext(PPROPSHEETUI_INFO info) {
  return reinterpret_cast<PrinterUiContext*>(info->UserData);
}

LONG FillInfoHeader(LPWSTR printerName, LPARAM lParam) {
  auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
  if (header == nullptr) return -1;
  header->Flags = PSUIHDRF_PROPTITLE;
  header->pTitle = printerName;
  header->hInst = SharedResourceDll();
  header->IconID = kPrinterIconId;
  return 1;
}

LONG InitDocumentSheets(PPROPSHEETUI_INFO info) {
  auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info->lParamInit);
  PrinterUiContext* context = CreatePrinterUiContext(header->hPrinter, header->pdmIn);
  if (context == nullptr) return -1;
  context->deviceSheet = 0;
  context->noPermission = (header->fMode & DM_NOPERMISSION) ? 1 : 0;
  HMODULE satellite = SharedResourceDll();
  if (satellite == nullptr) {
    ReleasePrinterUiContext(context);
    return -1;
  }
  PROPSHEETPAGEW pages[kDocumentPageCount];
  WCHAR titles[kDocumentPageCount][kPageTitleUnits] = {};
  size_t count = 0;
  for (const SheetPageEntry& entry : DocumentPageTable)
    if (FillPage(entry, satellite, context, titles[count], &pages[count])) ++count;
  if (count == 0) {
    ReleasePrinterUiContext(context);
    return -1;
  }
  // One callback is enough: the changes of the whole sheet are applied once more when the
  // first page is released.
  UseCallback(&pages[0]);
  AddPages(info, context, pages, count);
  context->callerHeader = header;
  Attach(info, context);
  return 1;
}

LONG InitDeviceSheet(PPROPSHEETUI_INFO info) {
  auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
  PrinterUiContext* context = CreatePrinterUiContext(header->hPrinter, nullptr);
  if (context == nullptr) return -1;
  context->deviceSheet = 1;
  HMODULE satellite = SharedResourceDll();
  PROPSHEETPAGEW page;
  WCHAR title[kPageTitleUnits] = {};
  if (satellite == nullptr || !FillPage(DevicePageEntry, satellite, context, title, &page)) {
    ReleasePrinterUiContext(context);
    return -1;
  }
  UseCallback(&page);
  AddPages(info, context, &page, 1);
  context->callerHeader = header;
  Attach(info, context);
  return 1;
}

// The changes the host reports, then the result it passes on.
LONG SetResult(PPROPSHEETUI_INFO info, LPARAM lParam, bool applyFirst) {
  auto* result = reinterpret_cast<const SETRESULT_INFO*>(lParam);
  if (result == nullptr) return -1;
  if (applyFirst) ApplySheetChanges(nullptr, AttachedContext(info), FALSE);
  info->Result = static_cast<ULONG_PTR>(result->Result);
  if (!applyFirst) ApplySheetChanges(nullptr, AttachedContext(info), FALSE);
  return 1;
}

// The context of a sheet goes with its sheet; a sheet whose INIT failed has none.
void DestroySheet(PPROPSHEETUI_INFO info) {
  ReleasePrinterUiContext(AttachedContext(info));
  info->UserData = 0;
}

}  // namespace

}  // namespace vm4k2ui

using namespace vm4k2ui;

LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
  if (pPSUIInfo == nullptr) return QueryDevmodeOnly(reinterpret_cast<DOCUMENTPROPERTYHEADER*>(lParam));
  if (pPSUIInfo->lParamInit == 0) return -1;
  // The pages' controls are registered for the call, as the host's dialogs need them.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x3FFF};
  InitCommonControlsEx(&controls);
  auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(pPSUIInfo->lParamInit);
  switch (pPSUIInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return InitDocumentSheets(pPSUIInfo);
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      return FillInfoHeader(header->pszPrinterName, lParam);
    case PROPSHEETUI_REASON_DESTROY:
      ReleasePageStates();
      DestroySheet(pPSUIInfo);
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      return SetResult(pPSUIInfo, lParam, true);
    default:
      return -1;
  }
}

LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
  if (pPSUIInfo == nullptr || pPSUIInfo->lParamInit == 0) return -1;
  auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(pPSUIInfo->lParamInit);
  switch (pPSUIInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return InitDeviceSheet(pPSUIInfo);
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      return FillInfoHeader(header->pszPrinterName, lParam);
    case PROPSHEETUI_REASON_DESTROY:
      DestroySheet(pPSUIInfo);
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      return SetResult(pPSUIInfo, lParam, false);
    default:
      return -1;
  }
}
