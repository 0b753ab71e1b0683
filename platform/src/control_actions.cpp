// The user's actions on controls for tests (click, type, keys, pick, drop, hover), delivered as
// the platform delivers the mouse and the keyboard: to the window under the point, skipping
// windows that let the mouse through, and keys through the dialog's keyboard handling.
#include <win/user.h>

#include "internal/dialogs.h"
#include "platform_testing.h"

using namespace plat::dialogs;

namespace {

HWND TopLevelOf(HWND hwnd) {
  HWND top = hwnd;
  while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD) && GetParent(top)) top = GetParent(top);
  return top;
}

// The window a click at the point (client coordinates of `window`) reaches, with the point in
// that window's client coordinates.
HWND Target(HWND window, POINT point, POINT& local) {
  HWND top = TopLevelOf(window);
  POINT inTop = MapPoint(window, top, point);
  HWND hit = ChildAt(top, inTop);
  local = MapPoint(top, hit, inTop);
  return hit;
}

// The dialog whose keyboard handling sees a key: the outermost dialog above the window.
HWND KeyboardDialog(HWND hwnd) {
  HWND found = nullptr;
  for (HWND h = hwnd; h; h = (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr)
    if (IsDialogWindow(h)) found = h;
  return found;
}

void DeliverKey(HWND target, UINT message, WPARAM key) {
  MSG msg{};
  msg.hwnd = target;
  msg.message = message;
  msg.wParam = key;
  msg.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
  HWND dialog = KeyboardDialog(target);
  if (dialog && IsDialogMessageW(dialog, &msg)) return;
  DispatchMessageW(&msg);
}

}  // namespace

extern "C" {

WINBASEAPI HWND PlatformTest_ClickAt(HWND hWnd, int x, int y) {
  if (!IsWindow(hWnd)) return nullptr;
  POINT local{};
  HWND hit = Target(hWnd, POINT{x, y}, local);
  if (!hit || !IsWindowEnabled(hit)) return nullptr;  // a disabled window takes no click
  LPARAM where = MAKELPARAM(static_cast<WORD>(local.x), static_cast<WORD>(local.y));
  SendMessageW(hit, WM_LBUTTONDOWN, 0x0001, where);
  if (IsWindow(hit)) SendMessageW(hit, WM_LBUTTONUP, 0, where);
  return hit;
}

WINBASEAPI HWND PlatformTest_Click(HWND hWnd) {
  RECT client{};
  if (!GetClientRect(hWnd, &client)) return nullptr;
  return PlatformTest_ClickAt(hWnd, client.right / 2, client.bottom / 2);
}

WINBASEAPI void PlatformTest_Key(HWND hWnd, UINT virtualKey) {
  if (!IsWindow(hWnd)) return;
  DeliverKey(hWnd, WM_KEYDOWN, virtualKey);
  if (IsWindow(hWnd)) DeliverKey(hWnd, WM_KEYUP, virtualKey);
}

WINBASEAPI void PlatformTest_Type(HWND hWnd, const WCHAR* text) {
  if (!IsWindow(hWnd) || !text) return;
  SetFocus(hWnd);
  for (const WCHAR* c = text; *c && IsWindow(hWnd); ++c) {
    if (*c == VK_BACK) {
      SendMessageW(hWnd, WM_KEYDOWN, VK_BACK, 1);
    }
    SendMessageW(hWnd, WM_CHAR, *c, 1);
  }
}

WINBASEAPI void PlatformTest_Pick(HWND hWnd, int index) { SendMessageW(hWnd, kActionPick, static_cast<WPARAM>(index), 0); }
WINBASEAPI void PlatformTest_Drop(HWND hWnd) { SendMessageW(hWnd, kActionDrop, 0, 0); }
WINBASEAPI void PlatformTest_CloseUp(HWND hWnd, BOOL cancel) { SendMessageW(hWnd, kActionCloseUp, cancel ? 1 : 0, 0); }

WINBASEAPI HBRUSH PlatformTest_ControlBackground(HWND hWnd) { return LastBackground(hWnd); }

}  // extern "C"
