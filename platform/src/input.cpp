// Injected input: the machine's one mouse pointer and keyboard, driven by the test controls.
// Input is queued in the receiving thread's input queue, after its posted messages, so that
// GetMessage hands it out and pre-translation sees it, as the user's input would be:
//   mouse  the window under the point answers WM_NCHITTEST (HTTRANSPARENT passes the point to
//          the window below), gets WM_SETCURSOR sent first, then the client or non-client
//          message queued; TrackMouseEvent's hover falls due on the machine's clock;
//   keys   go to the focus window of the foreground window's thread, with the platform's
//          lParam layout (repeat count, scan code, the Alt context bit, previous state and
//          transition bits); Alt turns them into WM_SYSKEYDOWN/WM_SYSKEYUP.
// The pointer (position and the window under it) and the keys held live under
// <root>/desktop, so every process of the machine reads the same.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <win/user.h>

#include "internal/clock.h"
#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/unicode.h"
#include "platform_testing.h"

using namespace plat::desktop;

namespace {

constexpr DWORD kHoverDefaultMs = 400;
constexpr DWORD kInputSendTimeoutMs = 5000;

struct Pointer {
  POINT pt{};
  HWND hwnd = nullptr;  // the window the last mouse input went to
};

std::string PointerPath() { return plat::MachineDir("desktop") + "/pointer"; }
std::string KeysPath() { return plat::MachineDir("desktop") + "/keys"; }

// Written to a side file and renamed, so a reader in another process sees old or new.
void WriteWhole(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::rename(temp.c_str(), path.c_str());
}

Pointer ReadPointer() {
  Pointer pointer;
  std::ifstream in(PointerPath());
  long x = 0, y = 0;
  unsigned long long hwnd = 0;
  if (in >> x >> y >> hwnd) {
    pointer.pt = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    pointer.hwnd = ToHwnd(hwnd);
  }
  return pointer;
}

void WritePointer(const Pointer& pointer) {
  WriteWhole(PointerPath(), std::to_string(pointer.pt.x) + " " + std::to_string(pointer.pt.y) + " " +
                                std::to_string(FromHwnd(pointer.hwnd)) + "\n");
}

// One byte per virtual key: 1 while it is down.
std::array<char, 256> ReadKeys() {
  std::array<char, 256> keys{};
  std::ifstream in(KeysPath(), std::ios::binary);
  in.read(keys.data(), keys.size());
  return keys;
}

void WriteKeys(const std::array<char, 256>& keys) { WriteWhole(KeysPath(), std::string(keys.data(), keys.size())); }

// The scan code of a key on the US layout (0 for keys without one, such as VK_PACKET).
BYTE ScanCode(WORD vk) {
  static const char kLetters[] = "\x1E\x30\x2E\x20\x12\x21\x22\x23\x17\x24\x25\x26\x32\x31\x18\x19\x10\x13\x1F\x14"
                                 "\x16\x2F\x11\x2D\x15\x2C";
  if (vk >= 'A' && vk <= 'Z') return static_cast<BYTE>(kLetters[vk - 'A']);
  if (vk >= '1' && vk <= '9') return static_cast<BYTE>(0x02 + (vk - '1'));
  if (vk == '0') return 0x0B;
  if (vk >= 0x70 && vk <= 0x79) return static_cast<BYTE>(0x3B + (vk - 0x70));  // F1..F10
  switch (vk) {
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: return 0x1D;
    case VK_SHIFT: return 0x2A;
    case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    default: return 0;
  }
}

bool Contains(const RECT& rect, POINT pt) {
  return pt.x >= rect.left && pt.x < rect.right && pt.y >= rect.top && pt.y < rect.bottom;
}

// The visible windows under the point, in the order the hit test asks them: for each top-level
// window in z-order, its deepest child under the point first (a child created earlier lies
// above its later siblings), then the windows it lies in, up to the top-level window.
std::vector<HWND> WindowsUnder(POINT pt) {
  std::vector<WindowRecord> records = AllRecords();
  auto screenRect = [](HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
  };
  std::vector<HWND> out;
  std::function<void(HWND)> descend = [&](HWND parent) {
    std::vector<const WindowRecord*> children;
    for (const WindowRecord& r : records)
      if (r.parent == parent && (r.style & WS_VISIBLE)) children.push_back(&r);
    std::sort(children.begin(), children.end(), [](const WindowRecord* a, const WindowRecord* b) { return a->z < b->z; });
    for (const WindowRecord* child : children)
      if (Contains(screenRect(child->hwnd), pt)) descend(child->hwnd);
    out.push_back(parent);
  };
  for (const WindowRecord& r : records)
    if (IsTopLevel(r) && (r.style & WS_VISIBLE) && Contains(screenRect(r.hwnd), pt)) descend(r.hwnd);
  return out;
}

LRESULT SendBounded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kInputSendTimeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

bool Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT pt, bool key) {
  WindowRecord record;
  if (!ReadRecord(hwnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (record.pid == getpid()) return QueueInputLocal(hwnd, message, wParam, lParam, pt, key);
  return RemoteInput(record, message, wParam, lParam, pt, key);
}

LPARAM PackPoint(LONG x, LONG y) {
  return static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(x)) | (static_cast<DWORD>(static_cast<WORD>(y)) << 16));
}

}  // namespace

namespace plat::desktop {

bool QueueInputLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT pt, bool key) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
  if (!window || window->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  ThreadQueue& queue = *window->queue;
  HWND target = hwnd;
  if (key && queue.focus) {
    // The focus window takes the key when it lies in the window the key was aimed at.
    for (std::shared_ptr<Window> w = LocalWindowLocked(queue.focus); w; w = LocalWindowLocked(w->parent)) {
      if (w->hwnd == hwnd) {
        target = queue.focus;
        break;
      }
      if (!w->parent) break;
    }
  }
  if (message == WM_MOUSELEAVE) {
    if (queue.trackHwnd != hwnd || !(queue.trackFlags & TME_LEAVE)) return true;
    queue.trackFlags = 0;  // leaving ends the tracking, hover included
    queue.trackHwnd = nullptr;
  } else if (message == WM_MOUSEMOVE && queue.trackHwnd == hwnd && (queue.trackFlags & TME_HOVER)) {
    // The hover is timed from the last move inside the window.
    queue.hoverDue = ClockNow() + queue.hoverTime;
    queue.hoverPoint = POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
  }
  MSG msg{};
  msg.hwnd = target;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = static_cast<DWORD>(ClockNow());
  msg.pt = pt;
  queue.input.push_back(msg);
  queue.changed.notify_all();
  return true;
}

bool TakeHoverLocked(ThreadQueue& queue, HWND filter, bool remove, MSG& out) {
  if (!(queue.trackFlags & TME_HOVER) || !queue.trackHwnd || !queue.hoverDue || ClockNow() < queue.hoverDue)
    return false;
  if (filter && filter != queue.trackHwnd) return false;
  out = MSG{};
  out.hwnd = queue.trackHwnd;
  out.message = WM_MOUSEHOVER;
  out.lParam = PackPoint(queue.hoverPoint.x, queue.hoverPoint.y);
  out.time = static_cast<DWORD>(ClockNow());
  if (remove) {
    // One hover per request; the leave, if asked, stays tracked.
    queue.trackFlags &= ~static_cast<DWORD>(TME_HOVER);
    queue.hoverDue = 0;
    if (!queue.trackFlags) queue.trackHwnd = nullptr;
  }
  return true;
}

}  // namespace plat::desktop

extern "C" {

WINBASEAPI BOOL WINAPI TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack) {
  if (!lpEventTrack || lpEventTrack->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<ThreadQueue> current = CurrentQueue();
  HWND hwnd = lpEventTrack->hwndTrack;
  Pointer pointer = ReadPointer();
  RECT rect{};
  bool over = pointer.hwnd == hwnd;
  if (over) GetWindowRect(hwnd, &rect);
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
  if (!window || window->threadId != current->threadId) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DWORD asked = lpEventTrack->dwFlags & (TME_HOVER | TME_LEAVE);
  if (lpEventTrack->dwFlags & TME_CANCEL) {
    if (current->trackHwnd == hwnd) {
      current->trackFlags &= ~asked;
      if (!(current->trackFlags & TME_HOVER)) current->hoverDue = 0;
      if (!current->trackFlags) current->trackHwnd = nullptr;
    }
    return TRUE;
  }
  if ((asked & TME_LEAVE) && !over) {
    // The mouse is not on the window: the leave comes at once.
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = WM_MOUSELEAVE;
    msg.time = static_cast<DWORD>(ClockNow());
    msg.pt = pointer.pt;
    current->input.push_back(msg);
    current->changed.notify_all();
    asked &= ~static_cast<DWORD>(TME_LEAVE);
  }
  if (current->trackHwnd != hwnd) current->trackFlags = 0;
  current->trackHwnd = hwnd;
  current->trackFlags |= asked;
  if (asked & TME_HOVER) {
    current->hoverTime = lpEventTrack->dwHoverTime == HOVER_DEFAULT ? kHoverDefaultMs : lpEventTrack->dwHoverTime;
    current->hoverDue = over ? ClockNow() + current->hoverTime : 0;
    current->hoverPoint = POINT{pointer.pt.x - rect.left, pointer.pt.y - rect.top};
  }
  if (!current->trackFlags) current->trackHwnd = nullptr;
  return TRUE;
}

WINBASEAPI HWND WINAPI WindowFromPoint(POINT Point) {
  std::vector<HWND> under = WindowsUnder(Point);
  return under.empty() ? nullptr : under.front();
}

WINBASEAPI BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpPoint = ReadPointer().pt;
  return TRUE;
}

WINBASEAPI BOOL WINAPI SetCursorPos(int X, int Y) {
  Pointer pointer = ReadPointer();
  pointer.pt = POINT{X, Y};
  WritePointer(pointer);
  return TRUE;
}

WINBASEAPI SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  return ReadKeys()[static_cast<size_t>(nVirtKey)] ? static_cast<SHORT>(0x8000) : 0;
}

WINBASEAPI HWND PlatformTest_MouseInput(int x, int y, UINT message) {
  POINT pt{x, y};
  HWND winner = nullptr;
  LRESULT hit = HTNOWHERE;
  for (HWND candidate : WindowsUnder(pt)) {
    hit = SendBounded(candidate, WM_NCHITTEST, 0, PackPoint(x, y));
    if (hit != HTTRANSPARENT) {
      winner = candidate;
      break;
    }
  }
  Pointer previous = ReadPointer();
  WritePointer(Pointer{pt, winner});
  if (previous.hwnd && previous.hwnd != winner) Deliver(previous.hwnd, WM_MOUSELEAVE, 0, 0, pt, false);
  if (!winner) return nullptr;
  // The cursor is set before the mouse message is queued, as the platform does.
  SendBounded(winner, WM_SETCURSOR, reinterpret_cast<WPARAM>(winner), PackPoint(static_cast<LONG>(hit), message));
  std::array<char, 256> keys = ReadKeys();
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) keys[1] = message == WM_LBUTTONDOWN;
  if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) keys[2] = message == WM_RBUTTONDOWN;
  WriteKeys(keys);
  WPARAM buttons = (keys[1] ? MK_LBUTTON : 0) | (keys[2] ? MK_RBUTTON : 0);
  if (hit == HTCLIENT) {
    RECT rect{};
    GetWindowRect(winner, &rect);
    Deliver(winner, message, buttons, PackPoint(x - rect.left, y - rect.top), pt, false);
  } else if (hit != HTNOWHERE && message >= WM_MOUSEMOVE && message <= WM_RBUTTONUP) {
    Deliver(winner, message - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), PackPoint(x, y), pt, false);
  }
  return winner;
}

WINBASEAPI BOOL PlatformTest_KeyInput(WORD virtualKey, BOOL down) {
  HWND target = GetForegroundWindow();
  if (!target) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::array<char, 256> keys = ReadKeys();
  bool wasDown = keys[virtualKey & 0xFF] != 0;
  keys[virtualKey & 0xFF] = down ? 1 : 0;
  WriteKeys(keys);
  bool alt = keys[VK_MENU] != 0 || (virtualKey == VK_MENU && !down);
  bool system = (alt && !keys[VK_CONTROL]) || virtualKey == VK_MENU;
  UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  DWORD bits = 1u | (static_cast<DWORD>(ScanCode(virtualKey)) << 16);
  if (alt && down) bits |= 1u << 29;
  if (down ? wasDown : true) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  return Deliver(target, message, virtualKey, static_cast<LPARAM>(bits), ReadPointer().pt, true);
}

WINBASEAPI BOOL PlatformTest_TypeText(const WCHAR* text) {
  HWND target = GetForegroundWindow();
  if (!target) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  POINT pt = ReadPointer().pt;
  for (const WCHAR* c = text; c && *c; ++c) {
    // A character without its own key comes as VK_PACKET, whose WM_CHAR is queued with it
    // (TranslateMessage adds none for VK_PACKET).
    if (!Deliver(target, WM_KEYDOWN, VK_PACKET, 1, pt, true) || !Deliver(target, WM_CHAR, *c, 1, pt, true) ||
        !Deliver(target, WM_KEYUP, VK_PACKET, static_cast<LPARAM>(0xC0000001u), pt, true))
      return FALSE;
  }
  return TRUE;
}

}  // extern "C"
