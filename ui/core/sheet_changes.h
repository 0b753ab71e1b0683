// ApplySheetChanges: what the property sheets do with a context when its pages apply (PSN_APPLY
// of a page, the release of the first page of a changed sheet, the host's SET_RESULT).
#pragma once

#include <win/base.h>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

// With a page (its PSN_APPLY): the basic page's favourites snapshot follows the change, the
// page answers PSNRET_NOERROR and tells the sheet it is unchanged (PSM_UNCHANGED); a page
// window that is gone stops the apply there (result 1). Without a page (the page callback's
// release, the host's SET_RESULT) neither happens.
// Marks the context changed and, for the document sheets of a caller that asked for the
// DEVMODE back (DM_UPDATE or DM_COPY), copies the edited DEVMODE into the caller's output
// within its cbOut, then tells the host the sheet's result is 1 (CPSFUNC_SET_RESULT).
// `announceResult` FALSE leaves the host untold: the host's own SET_RESULT call applies with
// it, since telling the host again would call back into the same apply without end.
// 0 without a context, else 1.
int ApplySheetChanges(HWND page, PrinterUiContext* context, BOOL announceResult = TRUE);

}  // namespace vm4k2ui
