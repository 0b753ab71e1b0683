// The up-down control ("msctls_updown32"). The up arrow moves toward the maximum, whichever way
// the range runs: with the default range (minimum 100, maximum 0) it proposes iDelta -1, with an
// explicit range such as -90..90 it proposes +1. UDN_DELTAPOS goes to the parent first; a
// non-zero answer cancels the step, else the position moves and WM_VSCROLL (WM_HSCROLL with
// UDS_HORZ) follows with SB_THUMBPOSITION.
#include <algorithm>
#include <string>
#include <vector>

#include "internal/dialogs.h"
#include "internal/unicode.h"

namespace plat::dialogs {
namespace {

struct UpDownState {
  int minimum = 100;
  int maximum = 0;
  int position = 0;
  HWND buddy = nullptr;
  int base = 10;
  std::vector<UDACCEL> accel{{0, 1}};
  int pressed = 0;  // the arrow held down: 1 up (right), -1 down (left), 0 none
};

StateMap<UpDownState>& States() {
  static StateMap<UpDownState> states;
  return states;
}

int Clamp(const UpDownState& state, int value) {
  int low = std::min(state.minimum, state.maximum), high = std::max(state.minimum, state.maximum);
  return std::clamp(value, low, high);
}

void ShowInBuddy(HWND hwnd, const UpDownState& state) {
  if (!state.buddy || !(StyleOf(hwnd) & UDS_SETBUDDYINT)) return;
  std::u16string text = plat::FromUtf8(std::to_string(state.position));
  SetWindowTextW(state.buddy, text.c_str());
}

void Scroll(HWND hwnd, WORD code, int position) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  UINT message = (StyleOf(hwnd) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
  SendMessageW(parent, message, MAKEWPARAM(code, static_cast<WORD>(position)), reinterpret_cast<LPARAM>(hwnd));
}

void Step(HWND hwnd, UpDownState& state, bool up) {
  int increment = state.accel.empty() ? 1 : static_cast<int>(state.accel.front().nInc);
  int direction = state.maximum >= state.minimum ? 1 : -1;
  NMUPDOWN change{};
  change.iPos = state.position;
  change.iDelta = direction * (up ? increment : -increment);
  if (NotifyParent(hwnd, change.hdr, UDN_DELTAPOS) != 0) return;  // the parent refused the step
  UpDownState* live = States().Get(hwnd);
  if (!live) return;
  long long next = static_cast<long long>(live->position) + change.iDelta;
  int low = std::min(live->minimum, live->maximum), high = std::max(live->minimum, live->maximum);
  if (next < low || next > high) {
    if (StyleOf(hwnd) & UDS_WRAP) next = next < low ? high : low;
    else next = std::clamp<long long>(next, low, high);
  }
  live->position = static_cast<int>(next);
  ShowInBuddy(hwnd, *live);
  Scroll(hwnd, SB_THUMBPOSITION, live->position);
}

// The two halves of the client area: the up arrow on top (the right arrow with UDS_HORZ).
void Halves(HWND hwnd, const RECT& client, RECT& up, RECT& down) {
  if (StyleOf(hwnd) & UDS_HORZ) {
    const LONG middle = (client.left + client.right) / 2;
    down = RECT{client.left, client.top, middle, client.bottom};
    up = RECT{middle, client.top, client.right, client.bottom};
  } else {
    const LONG middle = (client.top + client.bottom) / 2;
    up = RECT{client.left, client.top, client.right, middle};
    down = RECT{client.left, middle, client.right, client.bottom};
  }
}

// A solid triangle centred in `box`, pointing the way `up` says along the control's axis.
void DrawArrow(HDC dc, const RECT& box, bool horizontal, bool up, int colour) {
  const LONG w = box.right - box.left, h = box.bottom - box.top;
  const LONG half = std::max<LONG>(std::min(horizontal ? h : w, (horizontal ? w : h) * 2) / 4, 1);
  const LONG cx = box.left + w / 2, cy = box.top + h / 2;
  for (LONG i = 0; i < half; ++i) {
    // Row i from the tip holds 2i+1 pixels.
    const LONG along = (up ? -half / 2 + i : half / 2 - i);
    if (horizontal) {
      const LONG x = up ? cx + half / 2 - i : cx - half / 2 + i;
      FillSysColor(dc, RECT{x, cy - i, x + 1, cy + i + 1}, colour);
    } else {
      FillSysColor(dc, RECT{cx - i, cy + along, cx + i + 1, cy + along + 1}, colour);
    }
  }
}

// Each arrow is a raised button; the one held down is sunken, its arrow one pixel lower and to
// the right, as a pushed button's label moves.
void Paint(HWND hwnd, const UpDownState& state) {
  PaintControl(hwnd, 0, false, [&](ControlPaint& paint) {
    const bool horizontal = StyleOf(hwnd) & UDS_HORZ;
    RECT halves[2];
    Halves(hwnd, paint.client, halves[0], halves[1]);
    for (int i = 0; i < 2; ++i) {
      const bool up = i == 0;
      const bool pressed = state.pressed == (up ? 1 : -1);
      const RECT& face = halves[i];
      FillSysColor(paint.dc, face, COLOR_3DFACE);
      if (pressed) {
        DrawEdge3D(paint.dc, face, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
      } else {
        DrawEdge3D(paint.dc, face, COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW);
        DrawEdge3D(paint.dc, RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1}, COLOR_3DLIGHT, COLOR_3DSHADOW);
      }
      const LONG shift = pressed ? 1 : 0;
      RECT arrow{face.left + shift, face.top + shift, face.right + shift, face.bottom + shift};
      DrawArrow(paint.dc, arrow, horizontal, up, paint.disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    }
  });
}

}  // namespace

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  UpDownState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (StyleOf(hwnd) & UDS_AUTOBUDDY) state->buddy = GetNextDlgTabItem(GetParent(hwnd), hwnd, TRUE);
      return 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case UDM_SETRANGE:
      state->maximum = static_cast<SHORT>(LOWORD(lParam));
      state->minimum = static_cast<SHORT>(HIWORD(lParam));
      state->position = Clamp(*state, state->position);
      return 0;
    case UDM_GETRANGE:
      return MAKELRESULT(static_cast<WORD>(state->maximum), static_cast<WORD>(state->minimum));
    case UDM_SETRANGE32:
      state->minimum = static_cast<int>(wParam);
      state->maximum = static_cast<int>(lParam);
      state->position = Clamp(*state, state->position);
      return 0;
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = state->minimum;
      if (lParam) *reinterpret_cast<int*>(lParam) = state->maximum;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int previous = state->position;
      state->position = Clamp(*state, message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<int>(lParam));
      ShowInBuddy(hwnd, *state);
      return message == UDM_SETPOS ? static_cast<WORD>(previous) : previous;
    }
    case UDM_GETPOS:
      return MAKELRESULT(static_cast<WORD>(state->position), 0);
    case UDM_GETPOS32:
      if (lParam) *reinterpret_cast<BOOL*>(lParam) = FALSE;
      return state->position;
    case UDM_SETBUDDY: {
      HWND previous = state->buddy;
      state->buddy = reinterpret_cast<HWND>(wParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(state->buddy);
    case UDM_SETACCEL: {
      const UDACCEL* given = reinterpret_cast<const UDACCEL*>(lParam);
      if (!given || wParam == 0 || wParam > 64) return FALSE;
      state->accel.assign(given, given + wParam);
      return TRUE;
    }
    case UDM_GETACCEL: {
      UDACCEL* out = reinterpret_cast<UDACCEL*>(lParam);
      size_t n = std::min<size_t>(wParam, state->accel.size());
      if (out) std::copy(state->accel.begin(), state->accel.begin() + static_cast<long>(n), out);
      return static_cast<LRESULT>(state->accel.size());
    }
    case UDM_SETBASE: {
      if (wParam != 10 && wParam != 16) return 0;
      int previous = state->base;
      state->base = static_cast<int>(wParam);
      return previous;
    }
    case UDM_GETBASE:
      return state->base;
    case WM_LBUTTONDOWN: {
      // The first half of the control is the up (or right) arrow.
      RECT client{};
      GetClientRect(hwnd, &client);
      bool horizontal = StyleOf(hwnd) & UDS_HORZ;
      int at = horizontal ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<SHORT>(HIWORD(lParam));
      bool up = horizontal ? at >= client.right / 2 : at < client.bottom / 2;
      state->pressed = up ? 1 : -1;
      InvalidateRect(hwnd, nullptr, TRUE);
      Step(hwnd, *state, up);
      return 0;
    }
    case WM_LBUTTONUP:
      if (state->pressed) {
        state->pressed = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      Scroll(hwnd, SB_ENDSCROLL, state->position);
      return 0;
    case WM_PAINT:
      Paint(hwnd, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) Step(hwnd, *state, wParam == VK_UP);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
