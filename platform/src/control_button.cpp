// The "Button" class: push buttons, check boxes, radio buttons, group boxes and owner-drawn
// buttons. A click sends BN_CLICKED to the parent; only the automatic kinds change their own
// check state.
#include <win/gdi.h>
#include <win/gdi_images.h>

#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
  HANDLE image = nullptr;
};

StateMap<ButtonState>& States() {
  static StateMap<ButtonState> states;
  return states;
}

DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheckable(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE || IsRadio(type);
}

// An automatic radio button checks itself and clears the other automatic ones of its group.
void CheckInGroup(HWND button) {
  HWND parent = GetParent(button);
  if (!parent) return;
  for (HWND other = GetNextDlgGroupItem(parent, button, FALSE); other && other != button;) {
    if (TypeOf(other) == BS_AUTORADIOBUTTON && SendMessageW(other, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
      SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
    HWND next = GetNextDlgGroupItem(parent, other, FALSE);
    if (next == other) break;
    other = next;
  }
  SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
}

void Click(HWND hwnd, ButtonState& state) {
  switch (TypeOf(hwnd)) {
    case BS_AUTOCHECKBOX: state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: state.check = (state.check + 1) % 3; break;
    case BS_AUTORADIOBUTTON: CheckInGroup(hwnd); break;
    default: break;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, BN_CLICKED);
}

void Paint(HWND hwnd, ButtonState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  DWORD style = StyleOf(hwnd);
  if ((style & BS_TYPEMASK) == BS_OWNERDRAW) {
    UINT itemState = (state.pushed ? ODS_SELECTED : 0) | (state.focused ? ODS_FOCUS : 0) |
                     ((style & WS_DISABLED) ? ODS_DISABLED : 0);
    SendDrawItem(hwnd, ODT_BUTTON, 0, ODA_DRAWENTIRE, itemState, client, 0, dc);
  } else {
    DWORD type = style & BS_TYPEMASK;
    UINT message = (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
    FillWithBrush(dc, ControlColor(hwnd, dc, message), client);
  }
  EndPaint(hwnd, &paint);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ButtonState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  const DWORD type = TypeOf(hwnd);
  switch (message) {
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
      switch (type) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
        case BS_OWNERDRAW: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
      }
    case WM_NCHITTEST:
      if (type == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return 0;
      SetFocus(hwnd);
      state->pushed = true;
      RedrawNow(hwnd);
      return 0;
    case WM_LBUTTONUP:
      if (!state->pushed) return 0;
      state->pushed = false;
      Click(hwnd, *state);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && type != BS_GROUPBOX) {
        state->pushed = true;
        RedrawNow(hwnd);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && state->pushed) {
        state->pushed = false;
        Click(hwnd, *state);
      }
      return 0;
    case BM_CLICK:
      if (!IsWindowEnabled(hwnd) || type == BS_GROUPBOX) return 0;
      state->pushed = true;
      RedrawNow(hwnd);
      if ((state = States().Get(hwnd)) == nullptr) return 0;
      state->pushed = false;
      Click(hwnd, *state);
      return 0;
    case BM_GETCHECK:
      return IsCheckable(type) ? state->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      if (!IsCheckable(type)) return 0;
      UINT check = static_cast<UINT>(wParam);
      if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) check = BST_CHECKED;
      if (check > BST_INDETERMINATE) check = BST_CHECKED;
      if (state->check != check) {
        state->check = check;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case BM_GETSTATE:
      return state->check | (state->pushed ? BST_PUSHED : 0) | (state->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      state->pushed = wParam != 0;
      RedrawNow(hwnd);
      return 0;
    case BM_SETSTYLE: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>((style & ~static_cast<DWORD>(BS_TYPEMASK)) | (wParam & BS_TYPEMASK)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_SETIMAGE: {
      HANDLE previous = state->image;
      state->image = reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case BM_GETIMAGE:
      return reinterpret_cast<LRESULT>(state->image);
    case WM_SETFOCUS:
      state->focused = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      state->focused = false;
      state->pushed = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
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
    case WM_PAINT:
      Paint(hwnd, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
