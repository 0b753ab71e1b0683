// The menus of the calling process, as the window manager and the resource accounting see them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <win/menu.h>

namespace plat::menus {

// The live menu objects of the process (each submenu counts): the menus' share of
// GetGuiResources(GR_USEROBJECTS). System menus of windows that are gone are dropped first.
size_t LiveMenuCount();

// Whether the window's system menu holds `command` greyed or disabled, so DefWindowProcW
// ignores it as the user's WM_SYSCOMMAND. A window without its own system menu copy has
// every command enabled.
bool SystemCommandDisabled(HWND hwnd, UINT command);

// Whether hMenu is a window's system menu (its commands go out as WM_SYSCOMMAND).
bool IsSystemMenu(HMENU hMenu);

// One item as a pop-up shows it, for the tracking and its record.
struct ShownItem {
  UINT id = 0;
  UINT type = 0;
  UINT state = 0;
  bool popup = false;
  std::u16string text;
  int depth = 0;  // 0 for the menu's own items, 1 for a submenu's ...
};
// The items of a menu and of its submenus, depth first; false for a bad handle.
bool ShownItems(HMENU hMenu, std::vector<ShownItem>& items);

}  // namespace plat::menus
