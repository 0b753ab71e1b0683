// The progress bar ("msctls_progress32"): range 0 to 100 unless set; every position message
// clamps into the range and returns the previous position.
#include <algorithm>

#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

struct ProgressState {
  int low = 0;
  int high = 100;
  int position = 0;
  int step = 10;
  COLORREF bar = CLR_DEFAULT;
  COLORREF background = CLR_DEFAULT;
};

StateMap<ProgressState>& States() {
  static StateMap<ProgressState> states;
  return states;
}

int Clamp(const ProgressState& state, long long value) {
  return static_cast<int>(std::clamp<long long>(value, state.low, std::max(state.low, state.high)));
}

LRESULT Move(HWND hwnd, ProgressState& state, long long to) {
  int previous = state.position;
  state.position = Clamp(state, to);
  if (state.position != previous) InvalidateRect(hwnd, nullptr, TRUE);
  return previous;
}

// A sunken frame, the trough in the background colour and the filled part in the bar colour
// (the highlight colour by default), as long as the position's share of the range: one run with
// PBS_SMOOTH, else blocks with a gap, the last one cut at the filled length. PBS_VERTICAL fills
// upward from the bottom.
void Paint(HWND hwnd, const ProgressState& state) {
  PaintControl(hwnd, 0, false, [&](ControlPaint& paint) {
    HDC dc = paint.dc;
    DrawSunkenFrame(dc, paint.client);
    RECT trough{paint.client.left + 2, paint.client.top + 2, paint.client.right - 2, paint.client.bottom - 2};
    if (trough.right <= trough.left || trough.bottom <= trough.top) return;
    auto fill = [dc](const RECT& rect, COLORREF colour, int sysColour) {
      if (colour == CLR_DEFAULT) return FillSysColor(dc, rect, sysColour);
      HBRUSH brush = CreateSolidBrush(colour);
      FillRect(dc, &rect, brush);
      DeleteObject(brush);
    };
    fill(trough, state.background, COLOR_3DFACE);
    const bool vertical = StyleOf(hwnd) & PBS_VERTICAL;
    const long long length = vertical ? trough.bottom - trough.top : trough.right - trough.left;
    const long long span = static_cast<long long>(state.high) - state.low;
    const long long filled = span > 0 ? length * (static_cast<long long>(state.position) - state.low) / span : 0;
    // Blocks are two thirds as long as the bar is thick, with a gap of two pixels.
    const long long thickness = vertical ? trough.right - trough.left : trough.bottom - trough.top;
    const long long block = (StyleOf(hwnd) & PBS_SMOOTH) ? filled : std::max<long long>(thickness * 2 / 3, 1);
    for (long long from = 0; from < filled; from += block + 2) {
      const LONG to = static_cast<LONG>(std::min(filled, from + block));
      RECT part = vertical ? RECT{trough.left, trough.bottom - to, trough.right, trough.bottom - static_cast<LONG>(from)}
                           : RECT{trough.left + static_cast<LONG>(from), trough.top, trough.left + to, trough.bottom};
      fill(part, state.bar, COLOR_HIGHLIGHT);
    }
  });
}

}  // namespace

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ProgressState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT previous = MAKELRESULT(static_cast<WORD>(state->low), static_cast<WORD>(state->high));
      if (message == PBM_SETRANGE) {
        state->low = LOWORD(lParam);
        state->high = HIWORD(lParam);
      } else {
        state->low = static_cast<int>(wParam);
        state->high = static_cast<int>(lParam);
      }
      state->position = Clamp(*state, state->position);
      InvalidateRect(hwnd, nullptr, TRUE);
      return previous;
    }
    case PBM_GETRANGE: {
      if (PBRANGE* range = reinterpret_cast<PBRANGE*>(lParam)) *range = PBRANGE{state->low, state->high};
      return wParam ? state->low : state->high;
    }
    case PBM_SETPOS:
      return Move(hwnd, *state, static_cast<int>(wParam));
    case PBM_DELTAPOS:
      return Move(hwnd, *state, static_cast<long long>(state->position) + static_cast<int>(wParam));
    case PBM_GETPOS:
      return state->position;
    case PBM_SETSTEP: {
      int previous = state->step;
      state->step = static_cast<int>(wParam);
      return previous;
    }
    case PBM_STEPIT: {
      // Past the end the bar starts over from the beginning.
      long long next = static_cast<long long>(state->position) + state->step;
      if (next > state->high) next = state->low + (next - state->high);
      return Move(hwnd, *state, next);
    }
    case PBM_SETBARCOLOR: {
      COLORREF previous = state->bar;
      state->bar = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(previous);
    }
    case PBM_SETBKCOLOR: {
      COLORREF previous = state->background;
      state->background = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(previous);
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
