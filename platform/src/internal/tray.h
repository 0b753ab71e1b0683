// The machine's notification area as the stand-in keeps it (see shell_notify.cpp), for the
// calls and their test controls.
#pragma once

#include <optional>
#include <vector>

#include <win/shell_notify.h>

namespace plat::tray {

// The machine-wide control that marks the taskbar as stopped: every call fails meanwhile.
constexpr char kTaskbarStoppedControl[] = "TaskbarStopped";
// The taskbar's window class, and the property holding its edge (ABE_* + 1).
constexpr WCHAR kTaskbarClass[] = u"Shell_TrayWnd";
constexpr WCHAR kEdgeProperty[] = u"PlatformTaskbarEdge";

struct Icon {
  NOTIFYICONDATAW state{};       // what the taskbar shows: the merged fields
  std::vector<BYTE> lastRecord;  // the bytes of the last record a program passed (cbSize of them)
};

bool TaskbarRunning();
std::optional<Icon> FindIcon(HWND hwnd, UINT id);
std::vector<Icon> AllIcons();
void ForgetAllIcons();

}  // namespace plat::tray
