// The warning icon a page shows beside a setting that is limited, and its tooltip, whose text
// the page composes when asked (TTN_GETDISPINFOW).
#pragma once

#include <win/commctrl.h>
#include <win/dialogs.h>

namespace vm4k2ui {

inline constexpr UINT kWarningIconId = 1077;
inline constexpr int kWarningIconPixels = 18;
inline constexpr int kWarningTipWidth = 300;
// A pale yellow: red 255, green 246, blue 216.
inline constexpr COLORREF kWarningTipColour = 14219007;

// Puts the warning icon (the satellite's icon 1077 at 18 x 18, loaded once per process) into
// the static control and hides it; the page shows it when the setting is limited.
void ShowWarningIcon(HWND page, int control);
// The process's warning icon, nullptr before the first ShowWarningIcon or when it cannot load.
HICON WarningIcon();

// A tooltip owned by the page for the icon control, topmost, its text asked from the page
// (LPSTR_TEXTCALLBACKW). nullptr when it cannot be made.
HWND CreateWarningTooltip(HWND page, int control);
// WM_MOUSEMOVE: the tool follows the control's place (nothing while the control is disabled).
void UpdateWarningTooltip(HWND page, HWND tooltip, int control);

}  // namespace vm4k2ui
