// Window classes of the process: registration, lookup and class longs.
#include <cstring>
#include <type_traits>

#include <win/user.h>

#include "internal/desktop.h"
#include "internal/dialogs.h"
#include "internal/unicode.h"

namespace plat::desktop {

std::shared_ptr<WindowClass> FindClassLocked(HINSTANCE instance, LPCWSTR name);

namespace {

ATOM g_nextAtom = 0xC000;

std::u16string ClassKey(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return u"#" + plat::FromUtf8(std::to_string(reinterpret_cast<uintptr_t>(name)));
  return std::u16string(plat::WideView(name));
}

bool NameMatches(const WindowClass& cls, LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return cls.atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
  return plat::EqualsNoCase(cls.name, plat::WideView(name));
}

}  // namespace

// A class of this name: the one of the module first, then any the process registered.
std::shared_ptr<WindowClass> FindClassLocked(HINSTANCE instance, LPCWSTR name) {
  if (!name) return nullptr;
  State& state = StateLocked();
  if (!state.systemClassesRegistered) {
    // The system's classes exist in every process from its start, registered once per machine
    // state; a program's own class of the same name is found before them.
    state.systemClassesRegistered = true;
    for (const plat::dialogs::SystemClass& system : plat::dialogs::SystemClasses()) {
      auto cls = std::make_shared<WindowClass>();
      cls->name = system.name;
      cls->info.style = system.style | CS_GLOBALCLASS;
      cls->info.lpfnWndProc = system.proc;
      cls->info.cbWndExtra = system.windowExtra;
      cls->info.lpszClassName = nullptr;
      cls->atom = system.atom ? system.atom : g_nextAtom++;
      state.classes.push_back(cls);
    }
  }
  std::shared_ptr<WindowClass> any;
  for (auto& cls : state.classes) {
    if (!NameMatches(*cls, name)) continue;
    if (cls->info.hInstance == instance) return cls;
    if (!any) any = cls;
  }
  return any;
}

}  // namespace plat::desktop

using namespace plat::desktop;

extern "C" {

WINBASEAPI ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName || (!IS_INTRESOURCE(lpWndClass->lpszClassName) &&
                                                    !*lpWndClass->lpszClassName) ||
      lpWndClass->cbClsExtra < 0 || lpWndClass->cbWndExtra < 0 || lpWndClass->cbClsExtra > 40 ||
      lpWndClass->cbWndExtra > 40 * 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<WindowClass> existing = FindClassLocked(lpWndClass->hInstance, lpWndClass->lpszClassName);
  if (existing && existing->info.hInstance == lpWndClass->hInstance) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_shared<WindowClass>();
  cls->name = ClassKey(lpWndClass->lpszClassName);
  cls->info = *lpWndClass;
  if (lpWndClass->lpszMenuName && !IS_INTRESOURCE(lpWndClass->lpszMenuName)) {
    cls->menuName = plat::WideView(lpWndClass->lpszMenuName);
    cls->info.lpszMenuName = nullptr;
  }
  cls->extra.assign(static_cast<size_t>(lpWndClass->cbClsExtra), 0);
  cls->atom = g_nextAtom++;
  if (g_nextAtom == 0) g_nextAtom = 0xC000;
  StateLocked().classes.push_back(cls);
  return cls->atom;
}

WINBASEAPI BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
  std::lock_guard<std::mutex> guard(Lock());
  State& state = StateLocked();
  for (auto it = state.classes.begin(); it != state.classes.end(); ++it) {
    if ((*it)->info.hInstance != hInstance) continue;
    bool match = IS_INTRESOURCE(lpClassName) ? (*it)->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(lpClassName))
                                              : lpClassName && plat::EqualsNoCase((*it)->name, plat::WideView(lpClassName));
    if (!match) continue;
    for (auto& [hwnd, window] : state.windows)
      if (window->cls == *it) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
      }
    state.classes.erase(it);
    return TRUE;
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

WINBASEAPI BOOL WINAPI GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
  if (!lpWndClass) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<WindowClass> cls = FindClassLocked(hInstance, lpClassName);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *lpWndClass = cls->info;
  // The names point into the class, which lives as long as it is registered.
  lpWndClass->lpszClassName = cls->name.c_str();
  if (!cls->menuName.empty()) lpWndClass->lpszMenuName = cls->menuName.c_str();
  return TRUE;
}

WINBASEAPI ULONG_PTR WINAPI GetClassLongPtrW(HWND hWnd, int nIndex) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const WindowClass& cls = *window->cls;
  switch (nIndex) {
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(cls.info.lpfnWndProc);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(cls.info.hInstance);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(cls.info.hIcon);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(cls.info.hCursor);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(cls.info.hbrBackground);
    case GCL_STYLE: return cls.info.style;
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(cls.info.cbWndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(cls.info.cbClsExtra);
    case GCLP_MENUNAME: return cls.menuName.empty() ? reinterpret_cast<ULONG_PTR>(cls.info.lpszMenuName)
                                                     : reinterpret_cast<ULONG_PTR>(cls.menuName.c_str());
    default:
      if (nIndex >= 0 && static_cast<size_t>(nIndex) + sizeof(ULONG_PTR) <= cls.extra.size()) {
        ULONG_PTR value = 0;
        std::memcpy(&value, cls.extra.data() + nIndex, sizeof value);
        return value;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

WINBASEAPI ULONG_PTR WINAPI SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  WindowClass& cls = *window->cls;
  ULONG_PTR previous = 0;
  auto swap = [&](auto& field) {
    previous = (ULONG_PTR)(field);
    field = (std::remove_reference_t<decltype(field)>)(dwNewLong);
  };
  switch (nIndex) {
    case GCLP_WNDPROC: swap(cls.info.lpfnWndProc); break;
    case GCLP_HICON: swap(cls.info.hIcon); break;
    case GCLP_HCURSOR: swap(cls.info.hCursor); break;
    case GCLP_HBRBACKGROUND: swap(cls.info.hbrBackground); break;
    case GCL_STYLE: swap(cls.info.style); break;
    default:
      if (nIndex >= 0 && static_cast<size_t>(nIndex) + sizeof(ULONG_PTR) <= cls.extra.size()) {
        std::memcpy(&previous, cls.extra.data() + nIndex, sizeof previous);
        std::memcpy(cls.extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return previous;
}

}  // extern "C"
