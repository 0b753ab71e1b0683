// Test controls of the taskbar: stopping and restarting it, its windows, and the user's
// actions on a notification-area icon.
#include <algorithm>
#include <cstring>
#include <vector>

#include <win/shell_notify.h>
#include <win/user.h>

#include "internal/controls.h"
#include "internal/tray.h"
#include "platform_testing.h"

namespace {

constexpr WCHAR kNotifyClass[] = u"TrayNotifyWnd";
constexpr WCHAR kClockClass[] = u"TrayClockWClass";
constexpr int kNotifyLength = 200, kNotifyHeightVertical = 120, kClockLength = 80, kClockHeightVertical = 40;

void RegisterTaskbarClass(const WCHAR* name) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = name;
  RegisterClassW(&cls);  // already registered: the same class serves
}

}  // namespace

extern "C" {

WINBASEAPI void PlatformTest_StopTaskbar(void) {
  PlatformTest_SetControl(plat::tray::kTaskbarStoppedControl, "1", TRUE);
  plat::tray::ForgetAllIcons();
}

WINBASEAPI void PlatformTest_RestartTaskbar(void) {
  plat::tray::ForgetAllIcons();
  PlatformTest_SetControl(plat::tray::kTaskbarStoppedControl, nullptr, TRUE);
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
}

WINBASEAPI HWND PlatformTest_AddTaskbarWindows(UINT edge) {
  if (FindWindowW(plat::tray::kTaskbarClass, nullptr) || edge > ABE_BOTTOM) return nullptr;
  for (const WCHAR* name : {plat::tray::kTaskbarClass, kNotifyClass, kClockClass}) RegisterTaskbarClass(name);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  int thickness = static_cast<int>(plat::GetControlInt("TaskbarHeight", 40));
  RECT bar{0, 0, screenWidth, screenHeight};
  switch (edge) {
    case ABE_LEFT: bar.right = thickness; break;
    case ABE_TOP: bar.bottom = thickness; break;
    case ABE_RIGHT: bar.left = screenWidth - thickness; break;
    default: bar.top = screenHeight - thickness; break;
  }
  int width = bar.right - bar.left, height = bar.bottom - bar.top;
  bool horizontal = edge == ABE_TOP || edge == ABE_BOTTOM;
  HWND taskbar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, plat::tray::kTaskbarClass, u"", WS_POPUP | WS_VISIBLE,
                                 bar.left, bar.top, width, height, nullptr, nullptr, nullptr, nullptr);
  if (!taskbar) return nullptr;
  SetPropW(taskbar, plat::tray::kEdgeProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(edge) + 1));
  // Child positions are relative to the parent's client area, which is its whole rectangle.
  HWND notify, clock;
  if (horizontal) {
    notify = CreateWindowExW(0, kNotifyClass, u"", WS_CHILD | WS_VISIBLE, width - kNotifyLength, 0, kNotifyLength, height,
                             taskbar, nullptr, nullptr, nullptr);
    clock = CreateWindowExW(0, kClockClass, u"", WS_CHILD | WS_VISIBLE, kNotifyLength - kClockLength, 0, kClockLength,
                            height, notify, nullptr, nullptr, nullptr);
  } else {
    notify = CreateWindowExW(0, kNotifyClass, u"", WS_CHILD | WS_VISIBLE, 0, height - kNotifyHeightVertical, width,
                             kNotifyHeightVertical, taskbar, nullptr, nullptr, nullptr);
    clock = CreateWindowExW(0, kClockClass, u"", WS_CHILD | WS_VISIBLE, 0, kNotifyHeightVertical - kClockHeightVertical,
                            width, kClockHeightVertical, notify, nullptr, nullptr, nullptr);
  }
  (void)clock;
  return taskbar;
}

WINBASEAPI void PlatformTest_RemoveTaskbarWindows(void) {
  if (HWND taskbar = FindWindowW(plat::tray::kTaskbarClass, nullptr)) DestroyWindow(taskbar);
}

WINBASEAPI BOOL PlatformTest_GetTrayIcon(HWND hwnd, UINT id, NOTIFYICONDATAW* state, BYTE* lastRecord,
                                         DWORD* lastRecordSize) {
  std::optional<plat::tray::Icon> icon = plat::tray::FindIcon(hwnd, id);
  if (!icon) return FALSE;
  if (state) *state = icon->state;
  if (lastRecordSize) {
    DWORD n = std::min<DWORD>(*lastRecordSize, static_cast<DWORD>(icon->lastRecord.size()));
    if (lastRecord) std::memcpy(lastRecord, icon->lastRecord.data(), n);
    *lastRecordSize = static_cast<DWORD>(icon->lastRecord.size());
  }
  return TRUE;
}

WINBASEAPI DWORD PlatformTest_CountTrayIcons(void) { return static_cast<DWORD>(plat::tray::AllIcons().size()); }

WINBASEAPI BOOL PlatformTest_TrayIconEvent(HWND hwnd, UINT id, UINT mouseMessage) {
  if (!plat::tray::TaskbarRunning()) return FALSE;
  std::optional<plat::tray::Icon> icon = plat::tray::FindIcon(hwnd, id);
  if (!icon || !(icon->state.uFlags & NIF_MESSAGE) || (icon->state.dwState & NIS_HIDDEN)) return FALSE;
  if (icon->state.uVersion == NOTIFYICON_VERSION_4)
    return PostMessageW(hwnd, icon->state.uCallbackMessage, 0,
                        static_cast<LPARAM>((mouseMessage & 0xFFFF) | ((id & 0xFFFF) << 16)));
  return PostMessageW(hwnd, icon->state.uCallbackMessage, id, mouseMessage);
}

}  // extern "C"
