// Window geometry and state: rectangles, z-order, showing, foreground, activation and focus,
// update regions, the cursor, and the screen the machine's test controls describe.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <win/user.h>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/machine.h"

using namespace plat::desktop;

namespace {

HCURSOR g_cursor = nullptr;

std::string ForegroundPath() { return plat::MachineDir("desktop") + "/foreground"; }

HWND ReadForeground() {
  std::ifstream in(ForegroundPath());
  unsigned long long value = 0;
  if (!(in >> value)) return nullptr;
  return ToHwnd(value);
}

void WriteForeground(HWND hwnd) {
  std::string path = ForegroundPath(), temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::trunc);
    out << FromHwnd(hwnd) << "\n";
  }
  std::rename(temp.c_str(), path.c_str());
}

int ScreenWidth() { return static_cast<int>(plat::GetControlInt("ScreenWidth", 1920)); }
int ScreenHeight() { return static_cast<int>(plat::GetControlInt("ScreenHeight", 1080)); }

RECT WorkArea() {
  std::optional<std::string> text = plat::GetControl("WorkArea");
  RECT rect{0, 0, ScreenWidth(), ScreenHeight() - static_cast<int>(plat::GetControlInt("TaskbarHeight", 40))};
  int l, t, r, b;
  if (text && std::sscanf(text->c_str(), "%d %d %d %d", &l, &t, &r, &b) == 4) rect = RECT{l, t, r, b};
  return rect;
}

// A window of another process: the call runs on its own thread.
bool Foreign(HWND hwnd, WindowRecord& record) {
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (LocalWindowLocked(hwnd)) return false;
  }
  return ReadRecord(hwnd, record);
}

bool RectAndParent(HWND hwnd, RECT& rect, HWND& parent) {
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (std::shared_ptr<Window> window = LocalWindowLocked(hwnd)) {
      rect = window->rect;
      parent = window->parent;
      return true;
    }
  }
  WindowRecord record;
  if (!ReadRecord(hwnd, record)) return false;
  rect = record.rect;
  parent = record.parent;
  return true;
}

int StartShowCommand(bool& given) {
  const char* text = std::getenv("PLATFORM_SHOW");
  given = text && *text;
  return given ? std::atoi(text) : SW_SHOWNORMAL;
}

}  // namespace

namespace plat::desktop {

void ForgetWindowLocked(HWND hwnd) {
  for (auto& [tid, queue] : StateLocked().queues) {
    if (queue->focus == hwnd) queue->focus = nullptr;
    if (queue->active == hwnd) queue->active = nullptr;
  }
  if (ReadForeground() == hwnd) std::remove(ForegroundPath().c_str());
}

LRESULT InvokeOnWindowThread(HWND hwnd, RemoteCall call, const std::vector<LONG_PTR>& args, DWORD& error) {
  error = 0;
  auto run = [hwnd, call, args]() -> LRESULT {
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : 0; };
    switch (call) {
      case RemoteCall::ShowWindow: return ShowWindow(hwnd, static_cast<int>(arg(0)));
      case RemoteCall::SetWindowPos:
        return SetWindowPos(hwnd, reinterpret_cast<HWND>(arg(0)), static_cast<int>(arg(1)), static_cast<int>(arg(2)),
                            static_cast<int>(arg(3)), static_cast<int>(arg(4)), static_cast<UINT>(arg(5)));
      case RemoteCall::SetForeground: return SetForegroundWindow(hwnd);
    }
    return 0;
  };
  DWORD owner;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
    if (!window) {
      error = ERROR_INVALID_WINDOW_HANDLE;
      return 0;
    }
    owner = window->threadId;
  }
  if (owner == CurrentThreadId()) return run();
  auto message = std::make_shared<SentMessage>();
  message->hwnd = hwnd;
  message->action = run;
  if (!SendToThread(message, INFINITE)) {
    error = message->error ? message->error : ERROR_INVALID_WINDOW_HANDLE;
    return 0;
  }
  return message->result;
}

}  // namespace plat::desktop

extern "C" {

WINBASEAPI BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  if (!lpRect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A child's rectangle is kept relative to its parent; the answer is in screen points.
  RECT rect{};
  bool first = true;
  for (HWND h = hWnd; h;) {
    RECT own{};
    HWND parent = nullptr;
    if (!RectAndParent(h, own, parent)) {
      if (!first) break;
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (first) {
      rect = own;
      first = false;
    } else {
      rect.left += own.left;
      rect.right += own.left;
      rect.top += own.top;
      rect.bottom += own.top;
    }
    h = parent;
  }
  if (first) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *lpRect = rect;
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  RECT rect;
  if (!GetWindowRect(hWnd, &rect)) return FALSE;
  *lpRect = RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
  return TRUE;
}

WINBASEAPI BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  RECT rect;
  if (!lpPoint || !GetWindowRect(hWnd, &rect)) return FALSE;
  lpPoint->x += rect.left;
  lpPoint->y += rect.top;
  return TRUE;
}

WINBASEAPI BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  RECT rect;
  if (!lpPoint || !GetWindowRect(hWnd, &rect)) return FALSE;
  lpPoint->x -= rect.left;
  lpPoint->y -= rect.top;
  return TRUE;
}

// NULL on either side is the screen. The answer packs the move: x in the low word, y in the high.
WINBASEAPI int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
  POINT from{0, 0}, to{0, 0};
  if ((hWndFrom && !ClientToScreen(hWndFrom, &from)) || (hWndTo && !ClientToScreen(hWndTo, &to))) return 0;
  const LONG dx = from.x - to.x, dy = from.y - to.y;
  for (UINT i = 0; lpPoints && i < cPoints; ++i) {
    lpPoints[i].x += dx;
    lpPoints[i].y += dy;
  }
  SetLastError(0);
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

WINBASEAPI BOOL WINAPI IsIconic(HWND hWnd) {
  WindowRecord record;
  return ReadRecord(hWnd, record) && (record.style & WS_MINIMIZE) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI IsZoomed(HWND hWnd) {
  WindowRecord record;
  return ReadRecord(hWnd, record) && (record.style & WS_MAXIMIZE) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  WindowRecord record;
  if (Foreign(hWnd, record)) {
    LRESULT result = 0;
    std::vector<LONG_PTR> args{reinterpret_cast<LONG_PTR>(hWndInsertAfter), X, Y, cx, cy, static_cast<LONG_PTR>(uFlags)};
    return RemoteInvoke(record, RemoteCall::SetWindowPos, args, result) && result;
  }
  bool shown = false;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    RECT& r = window->rect;
    if (!(uFlags & SWP_NOMOVE)) {
      LONG w = r.right - r.left, h = r.bottom - r.top;
      r = RECT{X, Y, X + w, Y + h};
    }
    if (!(uFlags & SWP_NOSIZE)) {
      r.right = r.left + (cx < 0 ? 0 : cx);
      r.bottom = r.top + (cy < 0 ? 0 : cy);
    }
    if (!(uFlags & SWP_NOZORDER)) {
      if (hWndInsertAfter == HWND_TOPMOST) {
        window->exStyle |= WS_EX_TOPMOST;
        window->z = NextSequence();
      } else if (hWndInsertAfter == HWND_NOTOPMOST) {
        window->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
        window->z = NextSequence();
      } else if (hWndInsertAfter == HWND_TOP) {
        window->z = NextSequence();
      } else if (hWndInsertAfter == HWND_BOTTOM) {
        window->z = 0;
      } else {
        WindowRecord after;
        if (ReadRecord(hWndInsertAfter, after)) window->z = after.z ? after.z - 1 : 0;
      }
    }
    if (uFlags & SWP_SHOWWINDOW) {
      shown = !(window->style & WS_VISIBLE);
      window->style |= WS_VISIBLE;
    }
    if (uFlags & SWP_HIDEWINDOW) window->style &= ~static_cast<DWORD>(WS_VISIBLE);
    WriteRecordLocked(*window);
  }
  if (shown) InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

WINBASEAPI BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

WINBASEAPI BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  WindowRecord record;
  if (Foreign(hWnd, record)) {
    LRESULT result = 0;
    return RemoteInvoke(record, RemoteCall::ShowWindow, {nCmdShow}, result) && result;
  }
  bool wasVisible, activate, nowVisible;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    State& state = StateLocked();
    if (!window->parent && !state.firstShowTaken) {
      // A started program's first show of a top-level window is the show command of its start.
      state.firstShowTaken = true;
      bool given = false;
      int start = StartShowCommand(given);
      if (given) nCmdShow = start;
    }
    if (nCmdShow == SW_SHOWDEFAULT) nCmdShow = SW_SHOWNORMAL;
    wasVisible = (window->style & WS_VISIBLE) != 0;
    DWORD& style = window->style;
    switch (nCmdShow) {
      case SW_HIDE: style &= ~static_cast<DWORD>(WS_VISIBLE); break;
      case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE:
        style = (style | WS_VISIBLE | WS_MINIMIZE) & ~static_cast<DWORD>(WS_MAXIMIZE);
        break;
      case SW_SHOWMAXIMIZED: style = (style | WS_VISIBLE | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE); break;
      case SW_SHOWNORMAL: case SW_RESTORE:
        style = (style | WS_VISIBLE) & ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
        break;
      default: style |= WS_VISIBLE; break;
    }
    activate = !window->parent && nCmdShow != SW_HIDE && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
               nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_MINIMIZE;
    if (!wasVisible && (style & WS_VISIBLE)) window->needsPaint = window->erase = true;
    nowVisible = (style & WS_VISIBLE) != 0;
    WriteRecordLocked(*window);
    window->queue->changed.notify_all();
  }
  // A window learns that it was shown or hidden (a sheet's page applies its rules there).
  if (wasVisible != nowVisible) SendMessageW(hWnd, WM_SHOWWINDOW, nowVisible ? TRUE : FALSE, 0);
  if (activate) SetForegroundWindow(hWnd);
  return wasVisible ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI UpdateWindow(HWND hWnd) {
  bool paint;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    paint = window->needsPaint && window->threadId == CurrentThreadId();
  }
  if (paint) SendMessageW(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

WINBASEAPI BOOL WINAPI SetForegroundWindow(HWND hWnd) {
  WindowRecord record;
  if (Foreign(hWnd, record)) {
    LRESULT result = 0;
    return RemoteInvoke(record, RemoteCall::SetForeground, {}, result) && result;
  }
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    // No foreground lock: any program may take the foreground, as the status programs expect.
    window->z = NextSequence();
    WriteRecordLocked(*window);
    WriteForeground(hWnd);
    queue = window->queue;
    queue->active = hWnd;
  }
  return TRUE;
}

WINBASEAPI HWND WINAPI GetForegroundWindow(void) {
  HWND hwnd = ReadForeground();
  return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

WINBASEAPI HWND WINAPI SetActiveWindow(HWND hWnd) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  HWND previous;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (hWnd && (!window || window->threadId != queue->threadId)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    previous = queue->active;
    if (previous == hWnd) return previous;
    queue->active = hWnd;
  }
  if (previous && IsWindow(previous)) SendMessageW(previous, WM_ACTIVATE, 0, reinterpret_cast<LPARAM>(hWnd));
  if (hWnd) SendMessageW(hWnd, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(previous));
  return previous;
}

WINBASEAPI HWND WINAPI GetActiveWindow(void) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = QueueLocked(CurrentThreadId());
  return queue ? queue->active : nullptr;
}

WINBASEAPI HWND WINAPI SetFocus(HWND hWnd) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  HWND previous;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (hWnd && (!window || window->threadId != queue->threadId)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    previous = queue->focus;
    if (previous == hWnd) return previous;
    // Taken before the notifications, so a handler that moves the focus again wins.
    queue->focus = hWnd;
  }
  if (previous && IsWindow(previous)) SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  if (hWnd && IsWindow(hWnd)) SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

WINBASEAPI HWND WINAPI GetFocus(void) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = QueueLocked(CurrentThreadId());
  return queue ? queue->focus : nullptr;
}

WINBASEAPI HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
  std::lock_guard<std::mutex> guard(Lock());
  HCURSOR previous = g_cursor;
  g_cursor = hCursor;
  return previous;
}

WINBASEAPI HCURSOR WINAPI GetCursor(void) {
  std::lock_guard<std::mutex> guard(Lock());
  return g_cursor;
}

WINBASEAPI BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL bErase) {
  std::lock_guard<std::mutex> guard(Lock());
  if (!hWnd) {
    for (auto& [h, window] : StateLocked().windows) {
      window->needsPaint = true;
      window->erase |= bErase != 0;
    }
    WakeAllLocked();
    return TRUE;
  }
  std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->needsPaint = true;
  window->erase |= bErase != 0;
  window->queue->changed.notify_all();
  return TRUE;
}

WINBASEAPI BOOL WINAPI ValidateRect(HWND hWnd, const RECT*) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->needsPaint = false;
  window->erase = false;
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
  bool pending;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    pending = window->needsPaint;
  }
  if (lpRect) {
    *lpRect = RECT{};
    if (pending) GetClientRect(hWnd, lpRect);
  }
  return pending;
}

WINBASEAPI HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  if (!lpPaint) return nullptr;
  *lpPaint = PAINTSTRUCT{};
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    lpPaint->fErase = window->erase;
    window->needsPaint = false;
    window->erase = false;
  }
  GetClientRect(hWnd, &lpPaint->rcPaint);
  // The paint DC draws into the window's surface; the background is erased first when asked,
  // and stays to be erased when the window procedure declines.
  lpPaint->hdc = GetDC(hWnd);
  if (lpPaint->fErase && lpPaint->hdc)
    lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(lpPaint->hdc), 0) ? FALSE : TRUE;
  return lpPaint->hdc;
}

WINBASEAPI BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (lpPaint && lpPaint->hdc) ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

WINBASEAPI int WINAPI GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN: return ScreenWidth();
    case SM_CYSCREEN: return ScreenHeight();
    default: return 0;
  }
}

WINBASEAPI BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT, PVOID pvParam, UINT fWinIni) {
  switch (uiAction) {
    case SPI_GETWORKAREA:
      if (!pvParam) break;
      *static_cast<RECT*>(pvParam) = WorkArea();
      return TRUE;
    case SPI_SETWORKAREA: {
      RECT rect = pvParam ? *static_cast<const RECT*>(pvParam)
                          : RECT{0, 0, ScreenWidth(), ScreenHeight() - static_cast<int>(plat::GetControlInt("TaskbarHeight", 40))};
      if (rect.right <= rect.left || rect.bottom <= rect.top) break;
      std::string text = std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) +
                         " " + std::to_string(rect.bottom);
      plat::SetMachineControl("WorkArea", text);
      if (fWinIni & SPIF_SENDCHANGE) {
        DWORD_PTR ignored;
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
      }
      return TRUE;
    }
    case SPI_GETANIMATION: {
      ANIMATIONINFO* info = static_cast<ANIMATIONINFO*>(pvParam);
      if (!info || info->cbSize != sizeof(ANIMATIONINFO)) break;
      info->iMinAnimate = static_cast<int>(plat::GetControlInt("MinAnimate", 1));
      return TRUE;
    }
    default:
      break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // extern "C"
