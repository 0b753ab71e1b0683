// Menu objects of the process: creation, loading from RT_MENU resources, items and their
// states, the default item, destruction, and the windows' system menus.
//
// A menu is one USER object of the process, counted by GetGuiResources, so a program that
// loads a menu per click and never destroys it shows the leak. Handles are numbers of this
// table, never reused: a destroyed menu's handle fails cleanly instead of naming another menu.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <win/menu.h>
#include <win/system.h>
#include <win/user.h>

#include "internal/machine.h"
#include "internal/menus.h"
#include "internal/resources.h"
#include "internal/unicode.h"

namespace {

// Submenus nest at most this deep; a menu appended into itself stops there too.
constexpr int kMaxDepth = 32;

struct Item {
  UINT type = 0;   // MFT_ bits
  UINT state = 0;  // MFS_ bits
  UINT id = 0;
  HMENU submenu = nullptr;  // owned: destroyed with the item's menu
  std::u16string text;
  ULONG_PTR data = 0;
  HBITMAP bitmap = nullptr;
  HBITMAP checked = nullptr;
  HBITMAP unchecked = nullptr;
};

struct Menu {
  bool popup = false;
  HWND systemOwner = nullptr;  // set for a window's system menu
  std::string systemRoot;      // the owner's machine
  std::vector<Item> items;
};

struct Table {
  std::mutex lock;
  std::map<HMENU, Menu> menus;
  // By machine and window: a test that moves the process to a fresh machine meets window
  // numbers again, which must not find the old machine's menus.
  std::map<std::pair<std::string, HWND>, HMENU> systemMenus;
  uintptr_t issued = 0;
};

// Never destroyed: menus may be touched by static destructors of the program.
Table& Menus() {
  static Table* table = new Table;
  return *table;
}

HMENU NewMenuLocked(Table& t, bool popup) {
  HMENU handle = reinterpret_cast<HMENU>(static_cast<uintptr_t>(0x00E00000u + ++t.issued * 4));
  t.menus[handle].popup = popup;
  return handle;
}

Menu* FindLocked(Table& t, HMENU menu) {
  auto it = t.menus.find(menu);
  return it == t.menus.end() ? nullptr : &it->second;
}

Menu* FindOrFail(Table& t, HMENU menu) {
  Menu* found = FindLocked(t, menu);
  if (!found) SetLastError(ERROR_INVALID_MENU_HANDLE);
  return found;
}

void DestroyLocked(Table& t, HMENU menu, int depth = 0) {
  auto it = t.menus.find(menu);
  if (it == t.menus.end()) return;
  std::vector<Item> items = std::move(it->second.items);
  if (it->second.systemOwner) {
    auto owner = t.systemMenus.find({it->second.systemRoot, it->second.systemOwner});
    if (owner != t.systemMenus.end() && owner->second == menu) t.systemMenus.erase(owner);
  }
  t.menus.erase(it);
  if (depth >= kMaxDepth) return;
  for (const Item& item : items)
    if (item.submenu) DestroyLocked(t, item.submenu, depth + 1);
}

struct ItemRef {
  Menu* menu = nullptr;
  size_t index = 0;
  HMENU owner = nullptr;
  Item& item() const { return menu->items[index]; }
};

// By command: the menu's own items and, depth first, its submenus', as the platform searches;
// an item opening a submenu matches its id only when nothing inside the submenu does.
std::optional<ItemRef> FindByCommandLocked(Table& t, HMENU handle, UINT id, int depth) {
  Menu* menu = FindLocked(t, handle);
  if (!menu || depth > kMaxDepth) return std::nullopt;
  std::optional<ItemRef> fallback;
  for (size_t i = 0; i < menu->items.size(); ++i) {
    const Item& item = menu->items[i];
    if (item.submenu) {
      if (std::optional<ItemRef> inner = FindByCommandLocked(t, item.submenu, id, depth + 1)) return inner;
      if (item.id == id && !fallback) fallback = ItemRef{menu, i, handle};
    } else if (item.id == id) {
      return ItemRef{menu, i, handle};
    }
  }
  return fallback;
}

std::optional<ItemRef> FindItemLocked(Table& t, HMENU handle, UINT item, bool byPosition) {
  if (byPosition) {
    Menu* menu = FindLocked(t, handle);
    if (!menu || item >= menu->items.size()) return std::nullopt;
    return ItemRef{menu, item, handle};
  }
  return FindByCommandLocked(t, handle, item, 0);
}

// The item a menu call names, by position or by command; a missing menu fails with
// ERROR_INVALID_MENU_HANDLE and a missing item with ERROR_MENU_ITEM_NOT_FOUND.
std::optional<ItemRef> LookUpItemLocked(Table& t, HMENU handle, UINT item, bool byPosition) {
  if (!FindOrFail(t, handle)) return std::nullopt;
  std::optional<ItemRef> ref = FindItemLocked(t, handle, item, byPosition);
  if (!ref) SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
  return ref;
}

// An item from the classic calls' flags (AppendMenuW, InsertMenuW, ModifyMenuW).
bool ItemFromFlagsLocked(Table& t, UINT flags, UINT_PTR idOrMenu, LPCWSTR newItem, Item& out) {
  out = Item{};
  out.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  out.type = flags & (MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY | MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW |
                      MFT_RADIOCHECK | MFT_RIGHTORDER);
  out.id = static_cast<UINT>(idOrMenu);
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(idOrMenu);
    Menu* submenu = FindOrFail(t, sub);
    if (!submenu) return false;
    submenu->popup = true;
    out.submenu = sub;
  }
  if (flags & MF_SEPARATOR) return true;
  if (flags & MF_BITMAP)
    out.bitmap = reinterpret_cast<HBITMAP>(const_cast<LPWSTR>(newItem));
  else if (flags & MF_OWNERDRAW)
    out.data = reinterpret_cast<ULONG_PTR>(newItem);
  else
    out.text = plat::WideView(newItem);
  return true;
}

void BuildFromTemplateLocked(Table& t, HMENU into, const std::vector<plat::MenuItem>& items, int depth) {
  for (const plat::MenuItem& source : items) {
    Item item;
    item.type = source.type;
    item.state = source.state;
    item.id = source.id;
    item.text = source.text;
    if (source.popup && depth < kMaxDepth) {
      item.submenu = NewMenuLocked(t, true);
      BuildFromTemplateLocked(t, item.submenu, source.children, depth + 1);
    }
    FindLocked(t, into)->items.push_back(std::move(item));
  }
}

bool Disabled(const Item& item) { return (item.state & (MF_GRAYED | MF_DISABLED)) != 0; }

// Drops the system menus of windows that are gone, so they stop counting.
void SweepSystemMenusLocked(Table& t) {
  for (auto it = t.systemMenus.begin(); it != t.systemMenus.end();) {
    if (it->first.first == plat::MachineRoot() && IsWindow(it->first.second)) {
      ++it;
      continue;
    }
    HMENU menu = it->second;
    it = t.systemMenus.erase(it);
    DestroyLocked(t, menu);
  }
}

HMENU MakeSystemMenuLocked(Table& t, HWND owner) {
  struct Entry {
    UINT id;
    const char16_t* text;
  };
  static const Entry kEntries[] = {{SC_RESTORE, u"&Restore"},   {SC_MOVE, u"&Move"},         {SC_SIZE, u"&Size"},
                                   {SC_MINIMIZE, u"Mi&nimize"}, {SC_MAXIMIZE, u"Ma&ximize"}, {0, nullptr},
                                   {SC_CLOSE, u"&Close\tAlt+F4"}};
  HMENU handle = NewMenuLocked(t, true);
  Menu& menu = *FindLocked(t, handle);
  menu.systemOwner = owner;
  menu.systemRoot = plat::MachineRoot();
  for (const Entry& entry : kEntries) {
    Item item;
    item.id = entry.id;
    if (entry.text)
      item.text = entry.text;
    else
      item.type = MFT_SEPARATOR;
    menu.items.push_back(std::move(item));
  }
  menu.items.back().state = MFS_DEFAULT;
  t.systemMenus[{menu.systemRoot, owner}] = handle;
  return handle;
}

BOOL InsertLocked(Table& t, HMENU hMenu, UINT position, bool byPosition, Item item) {
  Menu* menu = FindOrFail(t, hMenu);
  if (!menu) return FALSE;
  Menu* target = menu;
  size_t index = menu->items.size();
  if (byPosition) {
    index = std::min<size_t>(position, menu->items.size());
  } else if (std::optional<ItemRef> ref = FindByCommandLocked(t, hMenu, position, 0)) {
    target = ref->menu;
    index = ref->index;
  }
  if (item.submenu == hMenu) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

// Reads a MENUITEMINFOW of the caller after checking its size.
bool CheckInfoSize(const MENUITEMINFOW* info) {
  if (!info || (info->cbSize != sizeof(MENUITEMINFOW) && info->cbSize != offsetof(MENUITEMINFOW, hbmpItem))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

bool ApplyInfoLocked(Table& t, const MENUITEMINFOW& info, Item& item) {
  if (info.fMask & MIIM_SUBMENU) {
    if (info.hSubMenu) {
      Menu* submenu = FindOrFail(t, info.hSubMenu);
      if (!submenu) return false;
      submenu->popup = true;
    }
    item.submenu = info.hSubMenu;
  }
  if (info.fMask & MIIM_TYPE) {
    item.type = info.fType;
    item.text.clear();
    item.bitmap = nullptr;
    if (info.fType & MFT_BITMAP)
      item.bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
    else if (!(info.fType & (MFT_SEPARATOR | MFT_OWNERDRAW)))
      item.text = plat::WideView(info.dwTypeData);
  }
  if (info.fMask & MIIM_FTYPE) item.type = info.fType;
  if (info.fMask & MIIM_STRING) item.text = plat::WideView(info.dwTypeData);
  if (info.fMask & MIIM_STATE) item.state = info.fState;
  if (info.fMask & MIIM_ID) item.id = info.wID;
  if (info.fMask & MIIM_DATA) item.data = info.dwItemData;
  if (info.fMask & MIIM_CHECKMARKS) {
    item.checked = info.hbmpChecked;
    item.unchecked = info.hbmpUnchecked;
  }
  if ((info.fMask & MIIM_BITMAP) && info.cbSize == sizeof(MENUITEMINFOW)) item.bitmap = info.hbmpItem;
  return true;
}

}  // namespace

namespace plat::menus {

size_t LiveMenuCount() {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  SweepSystemMenusLocked(t);
  return t.menus.size();
}

bool SystemCommandDisabled(HWND hwnd, UINT command) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.systemMenus.find({plat::MachineRoot(), hwnd});
  if (it == t.systemMenus.end()) return false;
  std::optional<ItemRef> ref = FindByCommandLocked(t, it->second, command & 0xFFF0, 0);
  return ref && Disabled(ref->item());
}

bool IsSystemMenu(HMENU hMenu) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Menu* menu = FindLocked(t, hMenu);
  return menu && menu->systemOwner;
}

bool ShownItems(HMENU hMenu, std::vector<ShownItem>& items) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!FindLocked(t, hMenu)) return false;
  std::function<void(HMENU, int)> walk = [&](HMENU handle, int depth) {
    Menu* menu = FindLocked(t, handle);
    if (!menu || depth > kMaxDepth) return;
    for (const Item& item : menu->items) {
      items.push_back(ShownItem{item.id, item.type, item.state, item.submenu != nullptr, item.text, depth});
      if (item.submenu) walk(item.submenu, depth + 1);
    }
  };
  walk(hMenu, 0);
  return true;
}

}  // namespace plat::menus

extern "C" {

WINBASEAPI HMENU WINAPI CreateMenu(void) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  return NewMenuLocked(t, false);
}

WINBASEAPI HMENU WINAPI CreatePopupMenu(void) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  return NewMenuLocked(t, true);
}

WINBASEAPI BOOL WINAPI DestroyMenu(HMENU hMenu) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!FindOrFail(t, hMenu)) return FALSE;
  DestroyLocked(t, hMenu);
  return TRUE;
}

WINBASEAPI BOOL WINAPI IsMenu(HMENU hMenu) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  return FindLocked(t, hMenu) ? TRUE : FALSE;
}

WINBASEAPI HMENU WINAPI LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName) {
  std::optional<plat::MenuTemplate> parsed = plat::LoadMenuTemplate(hInstance, lpMenuName);
  if (!parsed) return nullptr;
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  HMENU menu = NewMenuLocked(t, false);
  BuildFromTemplateLocked(t, menu, parsed->items, 0);
  return menu;
}

WINBASEAPI HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Menu* menu = FindOrFail(t, hMenu);
  if (!menu || nPos < 0 || static_cast<size_t>(nPos) >= menu->items.size()) return nullptr;
  HMENU sub = menu->items[static_cast<size_t>(nPos)].submenu;
  return FindLocked(t, sub) ? sub : nullptr;
}

WINBASEAPI int WINAPI GetMenuItemCount(HMENU hMenu) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Menu* menu = FindOrFail(t, hMenu);
  return menu ? static_cast<int>(menu->items.size()) : -1;
}

WINBASEAPI UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Menu* menu = FindOrFail(t, hMenu);
  if (!menu || nPos < 0 || static_cast<size_t>(nPos) >= menu->items.size()) return static_cast<UINT>(-1);
  const Item& item = menu->items[static_cast<size_t>(nPos)];
  return item.submenu ? static_cast<UINT>(-1) : item.id;
}

WINBASEAPI UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uId, (uFlags & MF_BYPOSITION) != 0);
  if (!ref) return static_cast<UINT>(-1);
  const Item& item = ref->item();
  UINT flags = item.state | item.type;
  if (!item.submenu) return flags;
  Menu* submenu = FindLocked(t, item.submenu);
  UINT count = submenu ? static_cast<UINT>(submenu->items.size()) : 0;
  return (count << 8) | ((flags | MF_POPUP) & 0xFF);
}

WINBASEAPI int WINAPI GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uIDItem, (flags & MF_BYPOSITION) != 0);
  if (!ref) return 0;
  const std::u16string& text = ref->item().text;
  if (!lpString || cchMax <= 0) return static_cast<int>(text.size());
  size_t n = std::min(text.size(), static_cast<size_t>(cchMax) - 1);
  std::memcpy(lpString, text.data(), n * sizeof(WCHAR));
  lpString[n] = 0;
  return static_cast<int>(n);
}

WINBASEAPI BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uIDEnableItem, (uEnable & MF_BYPOSITION) != 0);
  if (!ref) return -1;
  Item& item = ref->item();
  UINT previous = item.state & (MF_GRAYED | MF_DISABLED);
  item.state = (item.state & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

WINBASEAPI DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uIDCheckItem, (uCheck & MF_BYPOSITION) != 0);
  if (!ref) return static_cast<DWORD>(-1);
  Item& item = ref->item();
  DWORD previous = item.state & MF_CHECKED;
  item.state = (item.state & ~static_cast<UINT>(MF_CHECKED)) | (uCheck & MF_CHECKED);
  return previous;
}

WINBASEAPI BOOL WINAPI AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Item item;
  if (!FindOrFail(t, hMenu) || !ItemFromFlagsLocked(t, uFlags, uIDNewItem, lpNewItem, item)) return FALSE;
  return InsertLocked(t, hMenu, static_cast<UINT>(-1), true, std::move(item));
}

WINBASEAPI BOOL WINAPI InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Item item;
  if (!FindOrFail(t, hMenu) || !ItemFromFlagsLocked(t, uFlags, uIDNewItem, lpNewItem, item)) return FALSE;
  return InsertLocked(t, hMenu, uPosition, (uFlags & MF_BYPOSITION) != 0, std::move(item));
}

WINBASEAPI BOOL WINAPI ModifyMenuW(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMnu, uPosition, (uFlags & MF_BYPOSITION) != 0);
  if (!ref) return FALSE;
  Item replacement;
  if (!ItemFromFlagsLocked(t, uFlags, uIDNewItem, lpNewItem, replacement)) return FALSE;
  if (replacement.submenu == ref->owner) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HMENU old = ref->item().submenu;
  ref->item() = std::move(replacement);
  if (old && old != ref->item().submenu) DestroyLocked(t, old);
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uPosition, (uFlags & MF_BYPOSITION) != 0);
  if (!ref) return FALSE;
  HMENU old = ref->item().submenu;
  ref->menu->items.erase(ref->menu->items.begin() + static_cast<std::ptrdiff_t>(ref->index));
  if (old) DestroyLocked(t, old);
  return TRUE;
}

WINBASEAPI BOOL WINAPI RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hMenu, uPosition, (uFlags & MF_BYPOSITION) != 0);
  if (!ref) return FALSE;
  ref->menu->items.erase(ref->menu->items.begin() + static_cast<std::ptrdiff_t>(ref->index));
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPosition, LPMENUITEMINFOW lpmii) {
  if (!CheckInfoSize(lpmii)) return FALSE;
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hmenu, item, fByPosition != FALSE);
  if (!ref) return FALSE;
  const Item& found = ref->item();
  UINT mask = lpmii->fMask;
  if (mask & (MIIM_FTYPE | MIIM_TYPE)) lpmii->fType = found.type;
  if (mask & MIIM_STATE) lpmii->fState = found.state;
  if (mask & MIIM_ID) lpmii->wID = found.id;
  if (mask & MIIM_SUBMENU) lpmii->hSubMenu = found.submenu;
  if (mask & MIIM_DATA) lpmii->dwItemData = found.data;
  if (mask & MIIM_CHECKMARKS) {
    lpmii->hbmpChecked = found.checked;
    lpmii->hbmpUnchecked = found.unchecked;
  }
  if ((mask & MIIM_BITMAP) && lpmii->cbSize == sizeof(MENUITEMINFOW)) lpmii->hbmpItem = found.bitmap;
  if ((mask & MIIM_TYPE) && (found.type & MFT_BITMAP)) {
    lpmii->dwTypeData = reinterpret_cast<LPWSTR>(found.bitmap);
  } else if (mask & (MIIM_STRING | MIIM_TYPE)) {
    if (lpmii->dwTypeData && lpmii->cch > 0) {
      size_t n = std::min<size_t>(found.text.size(), lpmii->cch - 1);
      std::memcpy(lpmii->dwTypeData, found.text.data(), n * sizeof(WCHAR));
      lpmii->dwTypeData[n] = 0;
    }
    lpmii->cch = static_cast<UINT>(found.text.size());
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI SetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPositon, LPCMENUITEMINFOW lpmii) {
  if (!CheckInfoSize(lpmii)) return FALSE;
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  std::optional<ItemRef> ref = LookUpItemLocked(t, hmenu, item, fByPositon != FALSE);
  if (!ref) return FALSE;
  if ((lpmii->fMask & MIIM_SUBMENU) && lpmii->hSubMenu == ref->owner) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Item changed = ref->item();
  if (!ApplyInfoLocked(t, *lpmii, changed)) return FALSE;
  ref->item() = std::move(changed);
  return TRUE;
}

WINBASEAPI BOOL WINAPI InsertMenuItemW(HMENU hmenu, UINT item, BOOL fByPosition, LPCMENUITEMINFOW lpmi) {
  if (!CheckInfoSize(lpmi)) return FALSE;
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!FindOrFail(t, hmenu)) return FALSE;
  Item created;
  if (!ApplyInfoLocked(t, *lpmi, created)) return FALSE;
  return InsertLocked(t, hmenu, item, fByPosition != FALSE, std::move(created));
}

WINBASEAPI BOOL WINAPI SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  Menu* menu = FindOrFail(t, hMenu);
  if (!menu) return FALSE;
  // Only the menu's own items, not its submenus', can be its default.
  Item* chosen = nullptr;
  if (uItem != static_cast<UINT>(-1)) {
    if (fByPos) {
      if (uItem < menu->items.size()) chosen = &menu->items[uItem];
    } else {
      for (Item& item : menu->items)
        if (item.id == uItem) {
          chosen = &item;
          break;
        }
    }
    if (!chosen) {
      SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
      return FALSE;
    }
  }
  for (Item& item : menu->items) item.state &= ~static_cast<UINT>(MFS_DEFAULT);
  if (chosen) chosen->state |= MFS_DEFAULT;
  return TRUE;
}

WINBASEAPI UINT WINAPI GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT gmdiFlags) {
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!FindOrFail(t, hMenu)) return static_cast<UINT>(-1);
  HMENU current = hMenu;
  for (int depth = 0; depth <= kMaxDepth; ++depth) {
    Menu* menu = FindLocked(t, current);
    if (!menu) return static_cast<UINT>(-1);
    size_t index = 0;
    while (index < menu->items.size() && !(menu->items[index].state & MFS_DEFAULT)) ++index;
    if (index == menu->items.size()) return static_cast<UINT>(-1);
    const Item& item = menu->items[index];
    if (Disabled(item) && !(gmdiFlags & GMDI_USEDISABLED)) return static_cast<UINT>(-1);
    UINT answer = fByPos ? static_cast<UINT>(index) : item.id;
    if (!(gmdiFlags & GMDI_GOINTOPOPUPS) || !item.submenu) return answer;
    // A submenu without a usable default of its own leaves the item that opens it.
    Menu* submenu = FindLocked(t, item.submenu);
    bool inner = false;
    if (submenu)
      for (const Item& child : submenu->items)
        if ((child.state & MFS_DEFAULT) && (!Disabled(child) || (gmdiFlags & GMDI_USEDISABLED))) inner = true;
    if (!inner) return answer;
    current = item.submenu;
  }
  return static_cast<UINT>(-1);
}

WINBASEAPI HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert) {
  DWORD pid = 0;
  if (!IsWindow(hWnd) || (GetWindowThreadProcessId(hWnd, &pid), pid != GetCurrentProcessId())) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Table& t = Menus();
  std::lock_guard<std::mutex> guard(t.lock);
  SweepSystemMenusLocked(t);
  auto it = t.systemMenus.find({plat::MachineRoot(), hWnd});
  if (bRevert) {
    if (it != t.systemMenus.end()) DestroyLocked(t, it->second);
    return nullptr;
  }
  return it != t.systemMenus.end() ? it->second : MakeSystemMenuLocked(t, hWnd);
}

WINBASEAPI BOOL WINAPI DrawMenuBar(HWND hWnd) {
  if (IsWindow(hWnd)) return TRUE;
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return FALSE;
}

}  // extern "C"
