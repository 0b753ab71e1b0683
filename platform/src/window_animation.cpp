// Window animations. Nothing is drawn: an animation is recorded in the machine's call log and
// takes its time on the machine's clock, so a test on the manual clock sees it pass at once.
#include <string>

#include <win/user.h>

#include "internal/clock.h"
#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

// The caption animation's length when SPI_GETANIMATION has it on.
constexpr DWORD kAnimatedRectsMs = 200;

std::string RectJson(const RECT& rect) {
  return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
         std::to_string(rect.bottom) + "]";
}

std::string Caller(const void* address) { return JsonString(plat::FromUtf8(plat::clock::DescribeCaller(address))); }

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI AnimateWindow(HWND hWnd, DWORD dwTime, DWORD dwFlags) {
  if ((dwFlags & AW_BLEND) && (dwFlags & AW_CENTER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool hide = (dwFlags & AW_HIDE) != 0;
  // A window already in the asked state is not animated.
  if ((IsWindowVisible(hWnd) != FALSE) != hide) return FALSE;
  LogCall("\"event\":\"animate\",\"hwnd\":" + std::to_string(FromHwnd(hWnd)) + ",\"time\":" + std::to_string(dwTime) +
          ",\"flags\":" + std::to_string(dwFlags) + ",\"caller\":" + Caller(__builtin_return_address(0)));
  if (!hide) ShowWindow(hWnd, (dwFlags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNOACTIVATE);
  plat::clock::Pass(dwTime);
  if (hide) ShowWindow(hWnd, SW_HIDE);
  return TRUE;
}

WINBASEAPI BOOL WINAPI DrawAnimatedRects(HWND hwnd, int idAni, const RECT* lprcFrom, const RECT* lprcTo) {
  if (!lprcFrom || !lprcTo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool animated = plat::GetControlInt("MinAnimate", 1) != 0;
  LogCall("\"event\":\"animated-rects\",\"hwnd\":" + std::to_string(FromHwnd(hwnd)) + ",\"ani\":" +
          std::to_string(idAni) + ",\"from\":" + RectJson(*lprcFrom) + ",\"to\":" + RectJson(*lprcTo) +
          ",\"time\":" + std::to_string(animated ? kAnimatedRectsMs : 0) +
          ",\"caller\":" + Caller(__builtin_return_address(0)));
  if (animated) plat::clock::Pass(kAnimatedRectsMs);
  return TRUE;
}

}  // extern "C"
