// The "Static" class: texts, icons, bitmaps and owner-drawn statics. Without SS_NOTIFY a
// static answers HTTRANSPARENT, so the mouse over it reaches the window beneath (the dialog).
#include <win/gdi.h>
#include <win/gdi_images.h>

#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

struct StaticState {
  HANDLE image = nullptr;
};

StateMap<StaticState>& States() {
  static StateMap<StaticState> states;
  return states;
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  if ((StyleOf(hwnd) & SS_TYPEMASK) == SS_OWNERDRAW)
    SendDrawItem(hwnd, ODT_STATIC, 0, ODA_DRAWENTIRE, (StyleOf(hwnd) & WS_DISABLED) ? ODS_DISABLED : 0, client, 0, dc);
  else
    FillWithBrush(dc, ControlColor(hwnd, dc, WM_CTLCOLORSTATIC), client);
  EndPaint(hwnd, &paint);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  StaticState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCHITTEST:
      if (!(StyleOf(hwnd) & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (StyleOf(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (StyleOf(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_DBLCLK);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case STM_SETICON:
    case STM_SETIMAGE: {
      // STM_SETICON's handle is wParam; STM_SETIMAGE's is lParam. Either returns the previous one.
      HANDLE previous = state->image;
      state->image = message == STM_SETICON ? reinterpret_cast<HANDLE>(wParam) : reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(state->image);
    case WM_SETFONT:
      FontSlot(hwnd) = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontSlot(hwnd));
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
