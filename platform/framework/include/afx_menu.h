// The framework's menu class, CMenu, over the platform's menu calls. Included by afxwin.h.
#pragma once

#include <win/menu.h>

class CWnd;

class CMenu : public CObject {
  DECLARE_DYNAMIC(CMenu)

 public:
  HMENU m_hMenu = nullptr;

  CMenu() = default;
  // Destroys the menu it still holds, as the framework's menus do.
  ~CMenu() override;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  // The object of this process holding the menu: the one that attached it, or a temporary one
  // (which never destroys the menu) for a menu no CMenu holds. NULL for NULL.
  static CMenu* FromHandle(HMENU menu);
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return GetSafeHmenu(); }
  BOOL Attach(HMENU menu);
  HMENU Detach();

  BOOL CreateMenu() { return Attach(::CreateMenu()); }
  BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  // From the resource module (AfxGetResourceHandle).
  BOOL LoadMenu(LPCWSTR name);
  BOOL LoadMenu(UINT id) { return LoadMenu(MAKEINTRESOURCEW(id)); }
  BOOL DestroyMenu();

  CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }
  UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
  UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
  int GetMenuString(UINT id, LPWSTR text, int max, UINT flags) const {
    return ::GetMenuStringW(m_hMenu, id, text, max, flags);
  }
  int GetMenuString(UINT id, CString& text, UINT flags) const;
  UINT EnableMenuItem(UINT id, UINT enable) { return static_cast<UINT>(::EnableMenuItem(m_hMenu, id, enable)); }
  UINT CheckMenuItem(UINT id, UINT check) { return ::CheckMenuItem(m_hMenu, id, check); }
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) { return ::AppendMenuW(m_hMenu, flags, id, text); }
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
    return ::InsertMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
    return ::ModifyMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
  BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
  BOOL GetMenuItemInfo(UINT item, LPMENUITEMINFOW info, BOOL byPosition = FALSE) {
    return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
  }
  BOOL SetMenuItemInfo(UINT item, LPMENUITEMINFOW info, BOOL byPosition = FALSE) {
    return ::SetMenuItemInfoW(m_hMenu, item, byPosition, info);
  }
  BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) { return ::SetMenuDefaultItem(m_hMenu, item, byPosition); }
  UINT GetDefaultItem(UINT flags, BOOL byPosition = FALSE) { return ::GetMenuDefaultItem(m_hMenu, byPosition, flags); }
  // The window's handle or NULL; with TPM_RETURNCMD the chosen command id.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);
  BOOL TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params);
};
