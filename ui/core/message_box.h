// Every message box of the user-interface library goes through here, so that an Arabic user
// interface reads and aligns its boxes from the right.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// MessageBoxW with MB_RTLREADING | MB_RIGHT added when the user-interface language is Arabic.
// Answers the button pressed.
int ShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);

}  // namespace vm4k2ui
