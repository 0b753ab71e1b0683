// CMenu: the framework's menu objects, permanent (attached by a CMenu) or temporary (made by
// FromHandle for a menu no CMenu holds, such as a submenu).
#include <map>
#include <memory>
#include <mutex>

#include <afxwin.h>

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {

std::mutex& MapLock() {
  static std::mutex lock;
  return lock;
}
std::map<HMENU, CMenu*>& Permanent() {
  static std::map<HMENU, CMenu*> map;
  return map;
}
// Temporary objects live until their menu is destroyed; the map is swept as it grows, so a
// program that takes a submenu per click does not keep an object per click.
std::map<HMENU, std::unique_ptr<CMenu>>& Temporary() {
  static auto* map = new std::map<HMENU, std::unique_ptr<CMenu>>;
  return *map;
}
constexpr size_t kSweepAbove = 64;

}  // namespace

// A temporary object's handle is cleared before it goes, so only held menus are destroyed.
CMenu::~CMenu() {
  if (m_hMenu) DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU menu) {
  if (!menu) return nullptr;
  std::lock_guard<std::mutex> guard(MapLock());
  auto permanent = Permanent().find(menu);
  if (permanent != Permanent().end()) return permanent->second;
  auto& temporary = Temporary();
  if (temporary.size() > kSweepAbove) {
    for (auto it = temporary.begin(); it != temporary.end();) {
      if (::IsMenu(it->first)) {
        ++it;
        continue;
      }
      it->second->m_hMenu = nullptr;  // a temporary object never destroys its menu
      it = temporary.erase(it);
    }
  }
  std::unique_ptr<CMenu>& object = temporary[menu];
  if (!object) {
    object = std::make_unique<CMenu>();
    object->m_hMenu = menu;
  }
  return object.get();
}

BOOL CMenu::Attach(HMENU menu) {
  if (!menu) return FALSE;
  std::lock_guard<std::mutex> guard(MapLock());
  m_hMenu = menu;
  Permanent()[menu] = this;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU menu = m_hMenu;
  std::lock_guard<std::mutex> guard(MapLock());
  auto it = Permanent().find(menu);
  if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  m_hMenu = nullptr;
  return menu;
}

BOOL CMenu::LoadMenu(LPCWSTR name) { return Attach(::LoadMenuW(AfxGetResourceHandle(), name)); }

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT id, CString& text, UINT flags) const {
  int length = ::GetMenuStringW(m_hMenu, id, nullptr, 0, flags);
  std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
  int copied = ::GetMenuStringW(m_hMenu, id, buffer.data(), length + 1, flags);
  buffer.resize(static_cast<size_t>(copied));
  text = CString(buffer);
  return copied;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->GetSafeHwnd() : nullptr, rect);
}

BOOL CMenu::TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params) {
  return ::TrackPopupMenuEx(m_hMenu, flags, x, y, owner ? owner->GetSafeHwnd() : nullptr, params);
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert)); }
