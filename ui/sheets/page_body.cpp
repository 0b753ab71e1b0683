#include "ui/sheets/page_body.h"

#include "ui/core/sheet_changes.h"
#include "ui/sheets/page_context.h"
#include "ui/sheets/permission.h"

namespace vm4k2ui {

namespace {

INT_PTR OnNotify(HWND page, const NMHDR* header, const PageDescription& description) {
  PrinterUiContext* context = PageContext(page);
  switch (header->code) {
    case PSN_SETACTIVE:
      if (context != nullptr && description.pageNumber != 0) context->activePage = description.pageNumber;
      SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
      return TRUE;
    case PSN_APPLY:
      // ApplySheetChanges answers PSNRET_NOERROR itself; TRUE hands that answer to the sheet.
      if (context == nullptr) SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      ApplySheetChanges(page, context);
      return TRUE;
    case PSN_RESET:
      if (context != nullptr) context->changed = 0;
      return TRUE;
    case PSN_HELP:
      if (description.helpContext != 0) OpenHelp(page, description.helpContext);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunPageBody(HWND page, UINT message, WPARAM wParam, LPARAM lParam, const PageDescription& description) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
      StorePageContext(page, sheetPage != nullptr ? reinterpret_cast<PrinterUiContext*>(sheetPage->lParam) : nullptr);
      ApplyControlTexts(page, description.titleString, description.texts, description.textCount);
      return TRUE;
    }
    case WM_SHOWWINDOW:
      if (wParam) ApplyNoPermission(page, PageContext(page), description.settingControls, description.settingCount);
      return FALSE;
    case WM_HELP:
      return OpenControlHelp(page, reinterpret_cast<const HELPINFO*>(lParam), description.help, description.helpCount);
    case WM_NOTIFY:
      return lParam != 0 ? OnNotify(page, reinterpret_cast<const NMHDR*>(lParam), description) : FALSE;
    default:
      return FALSE;
  }
}

}  // namespace vm4k2ui
