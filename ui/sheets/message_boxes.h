// The four message boxes of the pages and dialogs. Text and caption are strings of the
// context's satellite library (at most 520 characters each; a missing one shows
// "id:N missing!"), and the box goes through ShowMessageBox, which reads and aligns it from
// the right in an Arabic user interface.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

inline constexpr UINT kWarningCaptionId = 2000;
inline constexpr UINT kErrorCaptionId = 2070;
inline constexpr int kMessageTextUnits = 520;

// `owner` is a page: its context is in the page's user data. Exclamation, OK; the button.
int ShowWarningMessage(HWND owner, UINT textId);
// `owner` is a modal dialog whose DWLP_USER holds its {flag, context} record.
int ShowDialogWarningMessage(HWND owner, UINT textId);
// Stop icon, OK, caption 2070; the button.
int ShowErrorMessage(HWND owner, UINT textId);
// Exclamation, Yes and No: IDYES (6) or IDNO (7).
int AskYesNo(HWND owner, UINT textId);

}  // namespace vm4k2ui
