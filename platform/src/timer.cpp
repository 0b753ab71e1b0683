// Timers of the process's threads, on the machine's clock: a timer falls due when the clock
// passes it, and its WM_TIMER comes out of the owning thread's next GetMessage or PeekMessage
// once nothing else is waiting.
#include <algorithm>

#include <win/user.h>

#include "internal/clock.h"
#include "internal/desktop.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

UINT_PTR g_nextThreadTimer = 0x7FFF;

}  // namespace

extern "C" {

WINBASEAPI UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  std::shared_ptr<ThreadQueue> current = CurrentQueue();
  UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  UINT_PTR id;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<ThreadQueue> queue = current;
    if (hWnd) {
      std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
      if (!window || window->threadId != current->threadId) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
      queue = window->queue;
    }
    auto same = std::find_if(queue->timers.begin(), queue->timers.end(), [&](const Timer& t) {
      return t.hwnd == hWnd && t.id == nIDEvent && (hWnd || nIDEvent);
    });
    id = hWnd ? nIDEvent : (same != queue->timers.end() ? nIDEvent : ++g_nextThreadTimer);
    Timer timer{hWnd, id, elapse, lpTimerFunc, ClockNow() + elapse};
    // The same window and id replaces the timer, and with it any WM_TIMER not yet taken.
    if (same != queue->timers.end()) *same = timer;
    else queue->timers.push_back(timer);
    queue->changed.notify_all();
  }
  LogCall("\"event\":\"timer\",\"hwnd\":" + std::to_string(FromHwnd(hWnd)) + ",\"id\":" + std::to_string(id) +
          ",\"elapse\":" + std::to_string(elapse) + ",\"caller\":" +
          JsonString(plat::FromUtf8(plat::clock::DescribeCaller(__builtin_return_address(0)))));
  return hWnd ? (id ? id : 1) : id;
}

WINBASEAPI BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  std::shared_ptr<ThreadQueue> current = CurrentQueue();
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = current;
  if (hWnd) {
    std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    queue = window->queue;
  }
  auto it = std::find_if(queue->timers.begin(), queue->timers.end(),
                         [&](const Timer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
  if (it == queue->timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  queue->timers.erase(it);
  return TRUE;
}

}  // extern "C"
