// The "Button" class: push buttons, check boxes, radio buttons, group boxes and owner-drawn
// buttons. A click sends BN_CLICKED to the parent; only the automatic kinds change their own
// check state.
#include <algorithm>

#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

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

constexpr LONG kMarkSize = 13;  // the check box's square and the radio button's circle

// The check box's square or the radio button's circle at the left of the client area, with its
// mark: a tick, a dot, or a grey tick for the third state.
void DrawMark(const ControlPaint& paint, const ButtonState& state, bool radio) {
  const LONG top = (paint.client.bottom - kMarkSize) / 2;
  RECT box{0, top, kMarkSize, top + kMarkSize};
  HDC dc = paint.dc;
  const int inside = state.pushed || paint.disabled ? COLOR_3DFACE : COLOR_WINDOW;
  const COLORREF ink = GetSysColor(paint.disabled || state.check == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  if (radio) {
    HGDIOBJ pen = SelectObject(dc, GetStockObject(DC_PEN));
    HGDIOBJ brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, GetSysColor(COLOR_3DSHADOW));
    SetDCBrushColor(dc, GetSysColor(inside));
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    if (state.check != BST_UNCHECKED) {
      SetDCPenColor(dc, ink);
      SetDCBrushColor(dc, ink);
      Ellipse(dc, box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
    }
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    return;
  }
  DrawSunkenFrame(dc, box);
  FillSysColor(dc, RECT{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2}, inside);
  if (state.check == BST_UNCHECKED) return;
  // A tick three pixels thick: down from the left, then up to the right.
  HBRUSH tick = CreateSolidBrush(ink);
  for (LONG i = 0; i < 7; ++i) {
    const LONG x = box.left + 3 + i;
    const LONG y = i < 3 ? box.top + 5 + i : box.top + 7 - (i - 2);
    RECT stroke{x, y, x + 1, y + 3};
    FillRect(dc, &stroke, tick);
  }
  DeleteObject(tick);
}

void DrawPushButton(const ControlPaint& paint, const ButtonState& state, bool isDefault, const std::u16string& text) {
  HDC dc = paint.dc;
  RECT face = paint.client;
  FillSysColor(dc, face, COLOR_3DFACE);
  if (isDefault) {
    // The default button carries an extra black frame.
    DrawEdge3D(dc, face, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  }
  if (state.pushed) {
    DrawEdge3D(dc, face, COLOR_3DSHADOW, COLOR_3DSHADOW);
  } else {
    DrawEdge3D(dc, face, COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW);
    DrawEdge3D(dc, RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1}, COLOR_3DLIGHT, COLOR_3DSHADOW);
  }
  RECT label = face;
  if (state.pushed) label = RECT{label.left + 1, label.top + 1, label.right + 1, label.bottom + 1};  // the text sinks too
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawControlText(paint, text, label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (state.focused) {
    RECT focus{face.left + 3, face.top + 3, face.right - 3, face.bottom - 3};
    DrawFocusRect(dc, &focus);
  }
}

void DrawGroupBox(const ControlPaint& paint, const std::u16string& text) {
  HDC dc = paint.dc;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // The etched frame runs through the middle of the caption, which covers it.
  const LONG middle = metrics.tmHeight / 2;
  RECT frame{paint.client.left, paint.client.top + middle, paint.client.right, paint.client.bottom};
  DrawEdge3D(dc, frame, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
  DrawEdge3D(dc, RECT{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1}, COLOR_3DHIGHLIGHT, COLOR_3DSHADOW);
  if (text.empty()) return;
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  RECT caption{8, 0, std::min<LONG>(8 + extent.cx + 4, paint.client.right), metrics.tmHeight};
  FillRect(dc, &caption, paint.background);
  caption.left += 2;
  DrawControlText(paint, text, caption, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

void Paint(HWND hwnd, ButtonState& state) {
  const DWORD style = StyleOf(hwnd);
  const DWORD type = style & BS_TYPEMASK;
  if (type == BS_OWNERDRAW) {
    PaintControl(hwnd, 0, false, [&](ControlPaint& paint) {
      UINT itemState = (state.pushed ? ODS_SELECTED : 0) | (state.focused ? ODS_FOCUS : 0) | (paint.disabled ? ODS_DISABLED : 0);
      SendDrawItem(hwnd, ODT_BUTTON, 0, ODA_DRAWENTIRE, itemState, paint.client, 0, paint.dc);
    });
    return;
  }
  const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX;
  const std::u16string text = TextOf(hwnd);
  // A group box frames the controls inside it and leaves them painted: only its caption is filled.
  PaintControl(hwnd, push ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC, !push && type != BS_GROUPBOX, [&](ControlPaint& paint) {
    if (push) return DrawPushButton(paint, state, type == BS_DEFPUSHBUTTON, text);
    if (type == BS_GROUPBOX) return DrawGroupBox(paint, text);
    DrawMark(paint, state, IsRadio(type));
    RECT label{kMarkSize + 4, 0, paint.client.right, paint.client.bottom};
    DrawControlText(paint, text, label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (state.focused && !text.empty()) {
      SIZE extent{};
      GetTextExtentPoint32W(paint.dc, text.data(), static_cast<int>(text.size()), &extent);
      RECT focus{label.left - 1, 0, std::min<LONG>(label.left + extent.cx + 1, paint.client.right), paint.client.bottom};
      DrawFocusRect(paint.dc, &focus);
    }
  });
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
