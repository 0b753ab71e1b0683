// What every page of the sheets does alike, for its procedure to call after its own cases:
//   WM_INITDIALOG  keeps the context (the PROPSHEETPAGEW's lParam) in the page's user data and
//                  sets the title and the control texts from the page's table
//   WM_SHOWWINDOW  without permission, disables the page's setting controls
//   WM_HELP        opens the help context of the control, from the page's table
//   PSN_SETACTIVE  the context's active page becomes this page's number
//   PSN_APPLY      ApplySheetChanges with the page (answers PSNRET_NOERROR, tells the sheet)
//   PSN_RESET      clears the context's changed flag
//   PSN_HELP       opens the page's own help context
#pragma once

#include <cstddef>

#include <win/commctrl.h>
#include <win/dialogs.h>

#include "ui/sheets/help.h"
#include "ui/sheets/ui_strings.h"

namespace vm4k2ui {

struct PageDescription {
  int pageNumber;         // 1 basic, 2 paper, 3 layout, 4 watermark; 0 for the device page
  UINT titleString;       // 0: the template's title stays
  const ControlText* texts;
  size_t textCount;
  const HelpLink* help;
  size_t helpCount;
  DWORD helpContext;      // PSN_HELP; 0 opens nothing
  const int* settingControls;  // disabled without permission
  size_t settingCount;
};

// The dialog-procedure answer for the messages above; FALSE for every other message.
INT_PTR RunPageBody(HWND page, UINT message, WPARAM wParam, LPARAM lParam, const PageDescription& description);

}  // namespace vm4k2ui
