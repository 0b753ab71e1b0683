// Pop-up menus tracked without a person: the menu is "shown" in the platform's own modal loop
// and the user's choice comes from the machine's menu script (<root>/desktop/menu-script, one
// line per menu: "<command id or 0 to cancel> <pump ms> <program>"). Each menu goes into the
// machine's call log with its items, so a test reads what the user would have seen.
#include <string>
#include <vector>

#include <win/menu.h>
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/desktop_script.h"
#include "internal/menus.h"

using namespace plat::desktop;

namespace {

struct Choice {
  bool scripted = false;
  UINT id = 0;
  DWORD pumpMs = 0;
};

Choice TakeChoice() {
  Choice choice;
  auto line = TakeScriptLine("menu-script", [](const std::vector<std::string>& fields) {
    return fields.size() >= 3 && ProgramMatches(fields[2]);
  });
  if (!line) return choice;
  choice.scripted = true;
  choice.id = static_cast<UINT>(std::strtoul((*line)[0].c_str(), nullptr, 10));
  choice.pumpMs = static_cast<DWORD>(std::strtoul((*line)[1].c_str(), nullptr, 10));
  return choice;
}

// What the user can click: a command item (not a separator, not one opening a submenu) that
// is neither greyed nor disabled, in the menu or any submenu the user can open.
bool Choosable(const std::vector<plat::menus::ShownItem>& items, UINT id) {
  int blockedBelow = -1;  // depth of a disabled submenu whose items cannot be reached
  for (const plat::menus::ShownItem& item : items) {
    if (blockedBelow >= 0 && item.depth > blockedBelow) continue;
    blockedBelow = -1;
    bool disabled = (item.state & (MF_GRAYED | MF_DISABLED)) != 0;
    if (item.popup) {
      if (disabled) blockedBelow = item.depth;
      continue;
    }
    if (item.id == id && !(item.type & MFT_SEPARATOR) && !disabled) return true;
  }
  return false;
}

std::string ItemsJson(const std::vector<plat::menus::ShownItem>& items) {
  std::string json = "[";
  for (const plat::menus::ShownItem& item : items) {
    if (json.size() > 1) json += ",";
    json += "{\"id\":" + std::to_string(item.id) + ",\"text\":" + JsonString(item.text) +
            ",\"state\":" + std::to_string(item.state) + ",\"type\":" + std::to_string(item.type) +
            ",\"depth\":" + std::to_string(item.depth) + (item.popup ? ",\"popup\":true" : "") + "}";
  }
  return json + "]";
}

BOOL Track(HMENU hMenu, UINT flags, int x, int y, HWND owner) {
  std::vector<plat::menus::ShownItem> items;
  if (!plat::menus::ShownItems(hMenu, items)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
    // lParam: the position (0 for a pop-up of its own) and, in the high word, a system menu.
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hMenu),
                 plat::menus::IsSystemMenu(hMenu) ? static_cast<LPARAM>(1) << 16 : 0);
    // The owner may have changed the items while the menu was being prepared.
    items.clear();
    if (!plat::menus::ShownItems(hMenu, items)) {
      SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
  }
  Choice choice = TakeChoice();
  RunPlatformModalLoop(choice.pumpMs);
  bool chosen = choice.id != 0 && Choosable(items, choice.id);
  LogCall("\"event\":\"menu\",\"owner\":" + std::to_string(FromHwnd(owner)) + ",\"flags\":" + std::to_string(flags) +
          ",\"x\":" + std::to_string(x) + ",\"y\":" + std::to_string(y) + ",\"items\":" + ItemsJson(items) +
          ",\"choice\":" + std::to_string(chosen ? choice.id : 0) + ",\"scripted\":" +
          (choice.scripted ? "true" : "false") +
          (choice.id != 0 && !chosen ? ",\"refused\":" + std::to_string(choice.id) : std::string()));
  if (notify) SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
  if (flags & TPM_RETURNCMD) return chosen ? static_cast<BOOL>(choice.id) : 0;
  if (chosen && notify) {
    UINT message = plat::menus::IsSystemMenu(hMenu) ? WM_SYSCOMMAND : WM_COMMAND;
    PostMessageW(owner, message, message == WM_COMMAND ? LOWORD(choice.id) : choice.id, 0);
  }
  return TRUE;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd,
                                      const RECT* prcRect) {
  (void)nReserved;
  (void)prcRect;  // ignored by the platform too
  return Track(hMenu, uFlags, x, y, hWnd);
}

WINBASEAPI BOOL WINAPI TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hwnd, LPTPMPARAMS lptpm) {
  if (lptpm && lptpm->cbSize != sizeof(TPMPARAMS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Track(hMenu, uFlags, x, y, hwnd);
}

}  // extern "C"
