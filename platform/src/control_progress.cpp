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
      return static_cast<LRESULT>(previous);
    }
    case PBM_SETBKCOLOR: {
      COLORREF previous = state->background;
      state->background = static_cast<COLORREF>(lParam);
      return static_cast<LRESULT>(previous);
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
