// Windows: creation and destruction, window longs, text, properties, parents and children, and
// the default window procedure.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include <win/user.h>

#include "internal/desktop.h"
#include "internal/menus.h"
#include "internal/unicode.h"

namespace plat::gdi {
// A capture request from another process (gdi_capture.cpp).
bool AnswerCaptureRequest(HWND hwnd, const COPYDATASTRUCT* data, LRESULT& result);
// Frees a destroyed window's surface (gdi_window_dc.cpp).
void DropWindowSurface(HWND top);
}  // namespace plat::gdi

namespace plat::desktop {
std::shared_ptr<WindowClass> FindClassLocked(HINSTANCE instance, LPCWSTR name);
void ForgetWindowLocked(HWND hwnd);  // window_geometry.cpp
}  // namespace plat::desktop

using namespace plat::desktop;

namespace {

// Window handles: even numbers from 0x10000 up, machine-wide, never reused while the machine lives.
HWND NewHandle() { return ToHwnd(0x10000 + 2 * NextSequence()); }

std::u16string PropKey(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return u"#" + plat::FromUtf8(std::to_string(reinterpret_cast<uintptr_t>(name)));
  return std::u16string(plat::WideView(name));
}

// The window of this process, or nullptr with ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> LiveLocal(HWND hwnd) {
  std::shared_ptr<Window> window = hwnd ? LocalWindowLocked(hwnd) : nullptr;
  if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

std::vector<HWND> ChildrenLocked(HWND parent) {
  std::vector<std::pair<unsigned long long, HWND>> found;
  for (auto& [hwnd, window] : StateLocked().windows)
    if (window->parent == parent) found.emplace_back(window->z, hwnd);
  std::sort(found.begin(), found.end());
  std::vector<HWND> out;
  for (auto& [z, hwnd] : found) out.push_back(hwnd);
  return out;
}

std::vector<HWND> OwnedLocked(HWND owner) {
  std::vector<HWND> out;
  for (auto& [hwnd, window] : StateLocked().windows)
    if (window->owner == owner && !window->parent) out.push_back(hwnd);
  return out;
}

void SendDestroy(HWND hwnd) {
  CallProcedure(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard<std::mutex> guard(Lock());
    children = ChildrenLocked(hwnd);
  }
  for (HWND child : children) SendDestroy(child);
}

void SendNcDestroyAndForget(HWND hwnd) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::mutex> guard(Lock());
    children = ChildrenLocked(hwnd);
  }
  for (HWND child : children) SendNcDestroyAndForget(child);
  CallProcedure(hwnd, WM_NCDESTROY, 0, 0);
  // Handle numbers start again on a fresh machine, so a later window of this process may get
  // this one's: it must not find these pixels.
  plat::gdi::DropWindowSurface(hwnd);
  std::lock_guard<std::mutex> guard(Lock());
  State& state = StateLocked();
  auto it = state.windows.find(hwnd);
  if (it == state.windows.end()) return;
  std::shared_ptr<Window> window = it->second;
  ThreadQueue& queue = *window->queue;
  queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                     queue.timers.end());
  queue.posted.erase(std::remove_if(queue.posted.begin(), queue.posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                     queue.posted.end());
  CancelSentLocked(hwnd);
  ForgetWindowLocked(hwnd);
  state.windows.erase(it);
  RemoveRecord(hwnd);
}

LONG_PTR ReadExtra(const Window& window, int index, size_t size, bool& ok) {
  ok = index >= 0 && static_cast<size_t>(index) + size <= window.extra.size();
  if (!ok) return 0;
  LONG_PTR value = 0;
  if (size == sizeof(LONG)) {
    LONG v32 = 0;
    std::memcpy(&v32, window.extra.data() + index, size);
    value = v32;
  } else {
    std::memcpy(&value, window.extra.data() + index, size);
  }
  return value;
}

LONG_PTR GetLong(HWND hwnd, int index, size_t size) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = hwnd ? LocalWindowLocked(hwnd) : nullptr;
  if (!window) {
    WindowRecord record;
    if (!ReadRecord(hwnd, record)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    switch (index) {
      case GWL_STYLE: return record.style;
      case GWL_EXSTYLE: return record.exStyle;
      case GWLP_ID: return record.id;
      case GWLP_HWNDPARENT: return static_cast<LONG_PTR>(FromHwnd(record.parent ? record.parent : record.owner));
      default:
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
  }
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT: return static_cast<LONG_PTR>(FromHwnd(window->parent ? window->parent : window->owner));
    case GWLP_ID: return window->id;
    case GWL_STYLE: return window->style;
    case GWL_EXSTYLE: return window->exStyle;
    case GWLP_USERDATA: return window->userData;
    default: {
      bool ok = false;
      LONG_PTR value = ReadExtra(*window, index, size, ok);
      if (!ok) SetLastError(ERROR_INVALID_INDEX);
      return value;
    }
  }
}

LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value, size_t size) {
  bool visibilityChanged = false;
  bool nowVisible = false;
  LONG_PTR previous = 0;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hwnd ? LocalWindowLocked(hwnd) : nullptr;
    if (!window) {
      WindowRecord record;
      SetLastError(ReadRecord(hwnd, record) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    switch (index) {
      case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(window->proc);
        window->proc = reinterpret_cast<WNDPROC>(value);
        break;
      case GWLP_HINSTANCE:
        previous = reinterpret_cast<LONG_PTR>(window->instance);
        window->instance = reinterpret_cast<HINSTANCE>(value);
        break;
      case GWLP_HWNDPARENT:
        previous = static_cast<LONG_PTR>(FromHwnd(window->owner));
        if (!window->parent) window->owner = ToHwnd(static_cast<unsigned long long>(value));
        break;
      case GWLP_ID:
        previous = window->id;
        window->id = value;
        break;
      case GWL_STYLE:
        previous = window->style;
        visibilityChanged = ((window->style ^ static_cast<DWORD>(value)) & WS_VISIBLE) != 0;
        nowVisible = (value & WS_VISIBLE) != 0;
        window->style = static_cast<DWORD>(value);
        break;
      case GWL_EXSTYLE:
        previous = window->exStyle;
        window->exStyle = static_cast<DWORD>(value);
        break;
      case GWLP_USERDATA:
        previous = window->userData;
        window->userData = value;
        break;
      default: {
        bool ok = false;
        previous = ReadExtra(*window, index, size, ok);
        if (!ok) {
          SetLastError(ERROR_INVALID_INDEX);
          return 0;
        }
        if (size == sizeof(LONG)) {
          LONG v32 = static_cast<LONG>(value);
          std::memcpy(window->extra.data() + index, &v32, size);
        } else {
          std::memcpy(window->extra.data() + index, &value, size);
        }
      }
    }
    WriteRecordLocked(*window);
  }
  if (visibilityChanged && nowVisible) InvalidateRect(hwnd, nullptr, TRUE);
  return previous;
}

}  // namespace

extern "C" {

WINBASEAPI HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X,
                                       int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                       HINSTANCE hInstance, LPVOID lpParam) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  auto window = std::make_shared<Window>();
  {
    std::lock_guard<std::mutex> guard(Lock());
    window->cls = FindClassLocked(hInstance, lpClassName);
    if (!window->cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (hWndParent == HWND_MESSAGE) {
      window->messageOnly = true;
    } else if (hWndParent) {
      std::shared_ptr<Window> parent = LocalWindowLocked(hWndParent);
      if (!parent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (dwStyle & WS_CHILD) {
        window->parent = hWndParent;
      } else {
        // An owned window's owner is always a top-level window.
        while (parent && parent->parent) parent = LocalWindowLocked(parent->parent);
        window->owner = parent ? parent->hwnd : nullptr;
      }
    } else if (dwStyle & WS_CHILD) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
  }
  window->hwnd = NewHandle();
  window->z = NextSequence();
  window->threadId = queue->threadId;
  window->queue = queue;
  window->proc = window->cls->info.lpfnWndProc;
  window->instance = hInstance;
  window->style = dwStyle & ~static_cast<DWORD>(WS_VISIBLE);
  window->exStyle = dwExStyle;
  window->id = (dwStyle & WS_CHILD) ? static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(hMenu)) : 0;
  window->extra.assign(static_cast<size_t>(window->cls->info.cbWndExtra), 0);
  int x = X == CW_USEDEFAULT ? 0 : X, y = X == CW_USEDEFAULT ? 0 : Y;
  int cx = nWidth == CW_USEDEFAULT ? 640 : nWidth, cy = nWidth == CW_USEDEFAULT ? 480 : nHeight;
  window->rect = RECT{x, y, x + cx, y + cy};
  HWND hwnd = window->hwnd;
  {
    std::lock_guard<std::mutex> guard(Lock());
    StateLocked().windows[hwnd] = window;
    WriteRecordLocked(*window);
  }
  CREATESTRUCTW create{};
  create.lpCreateParams = lpParam;
  create.hInstance = hInstance;
  create.hMenu = hMenu;
  create.hwndParent = hWndParent == HWND_MESSAGE ? nullptr : hWndParent;
  create.cx = cx;
  create.cy = cy;
  create.x = x;
  create.y = y;
  create.style = static_cast<LONG>(dwStyle);
  create.lpszName = lpWindowName;
  create.lpszClass = lpClassName;
  create.dwExStyle = dwExStyle;
  bool created = CallProcedure(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) != 0 &&
                 IsWindow(hwnd) && CallProcedure(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) != -1;
  if (!created) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, (dwStyle & WS_CHILD) ? SW_SHOW : SW_SHOWDEFAULT);
  return hwnd;
}

WINBASEAPI BOOL WINAPI DestroyWindow(HWND hWnd) {
  std::vector<HWND> owned;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = LiveLocal(hWnd);
    if (!window) {
      WindowRecord record;
      if (ReadRecord(hWnd, record)) SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (window->threadId != CurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (window->destroying) return TRUE;
    window->destroying = true;
    CancelSentLocked(hWnd);
    owned = OwnedLocked(hWnd);
  }
  for (HWND h : owned) DestroyWindow(h);
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (std::shared_ptr<Window> window = LocalWindowLocked(hWnd)) {
      window->style &= ~static_cast<DWORD>(WS_VISIBLE);
      WriteRecordLocked(*window);
    }
  }
  SendDestroy(hWnd);
  SendNcDestroyAndForget(hWnd);
  return TRUE;
}

WINBASEAPI BOOL WINAPI IsWindow(HWND hWnd) {
  if (!hWnd) return FALSE;
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (LocalWindowLocked(hWnd)) return TRUE;
  }
  WindowRecord record;
  return ReadRecord(hWnd, record) && record.pid != getpid();
}

WINBASEAPI BOOL WINAPI IsWindowVisible(HWND hWnd) {
  // Visible when it and every parent are.
  for (HWND h = hWnd; h;) {
    WindowRecord record;
    {
      std::lock_guard<std::mutex> guard(Lock());
      if (std::shared_ptr<Window> window = LocalWindowLocked(h)) {
        if (!(window->style & WS_VISIBLE)) return FALSE;
        h = window->parent;
        continue;
      }
    }
    if (!ReadRecord(h, record) || !(record.style & WS_VISIBLE)) return FALSE;
    h = record.parent;
  }
  return hWnd != nullptr;
}

WINBASEAPI BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  LONG_PTR style = GetLong(hWnd, GWL_STYLE, sizeof(LONG));
  return hWnd && IsWindow(hWnd) && !(style & WS_DISABLED);
}

WINBASEAPI BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LiveLocal(hWnd);
  if (!window) return FALSE;
  BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
  if (bEnable) window->style &= ~static_cast<DWORD>(WS_DISABLED);
  else window->style |= WS_DISABLED;
  WriteRecordLocked(*window);
  return wasDisabled;
}

WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) { return GetLong(hWnd, nIndex, sizeof(LONG_PTR)); }
WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  return SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG_PTR));
}
WINBASEAPI LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
  return static_cast<LONG>(GetLong(hWnd, nIndex, sizeof(LONG)));
}
WINBASEAPI LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
  return static_cast<LONG>(SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG)));
}

WINBASEAPI BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  static const WCHAR kEmpty[] = {0};
  return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : kEmpty)) != 0;
}

WINBASEAPI int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  if (!lpString || nMaxCount <= 0) return 0;
  bool local;
  {
    std::lock_guard<std::mutex> guard(Lock());
    local = hWnd && LocalWindowLocked(hWnd) != nullptr;
  }
  if (local) return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
  WindowRecord record;
  lpString[0] = 0;
  if (!ReadRecord(hWnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  size_t n = std::min<size_t>(record.text.size(), static_cast<size_t>(nMaxCount) - 1);
  std::memcpy(lpString, record.text.data(), n * sizeof(WCHAR));
  lpString[n] = 0;
  return static_cast<int>(n);
}

WINBASEAPI int WINAPI GetWindowTextLengthW(HWND hWnd) {
  bool local;
  {
    std::lock_guard<std::mutex> guard(Lock());
    local = hWnd && LocalWindowLocked(hWnd) != nullptr;
  }
  if (local) return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
  WindowRecord record;
  if (!ReadRecord(hWnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(record.text.size());
}

WINBASEAPI int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  if (!lpClassName || nMaxCount <= 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::u16string name;
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr) name = window->cls->name;
  }
  if (name.empty()) {
    WindowRecord record;
    if (!ReadRecord(hWnd, record)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    name = record.className;
  }
  size_t n = std::min<size_t>(name.size(), static_cast<size_t>(nMaxCount) - 1);
  std::memcpy(lpClassName, name.data(), n * sizeof(WCHAR));
  lpClassName[n] = 0;
  return static_cast<int>(n);
}

WINBASEAPI BOOL WINAPI SetPropW(HWND hWnd, LPCWSTR lpString, HANDLE hData) {
  if (!lpString) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LiveLocal(hWnd);
  if (!window) {
    WindowRecord record;
    if (ReadRecord(hWnd, record)) SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::u16string key = PropKey(lpString);
  for (auto& [name, value] : window->props)
    if (plat::EqualsNoCase(name, key)) {
      value = hData;
      WriteRecordLocked(*window);
      return TRUE;
    }
  window->props.emplace_back(key, hData);
  WriteRecordLocked(*window);
  return TRUE;
}

// A copy of a window's properties, this process's window or another's; false for no window.
static bool PropsOf(HWND hWnd, std::vector<std::pair<std::u16string, HANDLE>>& props) {
  std::lock_guard<std::mutex> guard(Lock());
  if (std::shared_ptr<Window> window = LocalWindowLocked(hWnd)) {
    props = window->props;
    return true;
  }
  WindowRecord record;
  if (!ReadRecord(hWnd, record)) return false;
  props = std::move(record.props);
  return true;
}

WINBASEAPI HANDLE WINAPI GetPropW(HWND hWnd, LPCWSTR lpString) {
  if (!lpString || !hWnd) return nullptr;
  std::u16string key = PropKey(lpString);
  std::vector<std::pair<std::u16string, HANDLE>> props;
  if (!PropsOf(hWnd, props)) return nullptr;
  for (auto& [name, value] : props)
    if (plat::EqualsNoCase(name, key)) return value;
  return nullptr;
}

WINBASEAPI HANDLE WINAPI RemovePropW(HWND hWnd, LPCWSTR lpString) {
  if (!lpString) return nullptr;
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LiveLocal(hWnd);
  if (!window) return nullptr;
  std::u16string key = PropKey(lpString);
  for (auto it = window->props.begin(); it != window->props.end(); ++it)
    if (plat::EqualsNoCase(it->first, key)) {
      HANDLE value = it->second;
      window->props.erase(it);
      WriteRecordLocked(*window);
      return value;
    }
  return nullptr;
}

WINBASEAPI int WINAPI EnumPropsExW(HWND hWnd, PROPENUMPROCEXW lpEnumFunc, LPARAM lParam) {
  if (!lpEnumFunc || !hWnd) return -1;
  std::vector<std::pair<std::u16string, HANDLE>> props;
  if (!PropsOf(hWnd, props)) return -1;
  // The callback runs on a snapshot without the lock, so it may set or remove properties.
  int answer = -1;
  for (auto& [name, value] : props) {
    LPWSTR shown = name.data();
    uintptr_t atom = 0;
    bool isAtom = name.size() > 1 && name.size() <= 6 && name[0] == u'#';
    for (size_t i = 1; isAtom && i < name.size(); ++i) {
      isAtom = name[i] >= u'0' && name[i] <= u'9';
      atom = atom * 10 + static_cast<uintptr_t>(name[i] - u'0');
    }
    if (isAtom && atom > 0 && atom <= 0xFFFF) shown = reinterpret_cast<LPWSTR>(atom);
    answer = lpEnumFunc(hWnd, shown, value, static_cast<ULONG_PTR>(lParam));
    if (!answer) break;
  }
  return answer;
}

WINBASEAPI HWND WINAPI GetParent(HWND hWnd) {
  DWORD style = 0;
  HWND parent = nullptr, owner = nullptr;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr;
    if (window) {
      style = window->style;
      parent = window->parent;
      owner = window->owner;
    }
  }
  if (!parent && !owner && !(style & WS_POPUP)) {
    WindowRecord record;
    if (!ReadRecord(hWnd, record)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    style = record.style;
    parent = record.parent;
    owner = record.owner;
  }
  if (parent) return parent;
  return (style & WS_POPUP) ? owner : nullptr;
}

WINBASEAPI HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LiveLocal(hWndChild);
  if (!window) return nullptr;
  if (hWndNewParent && (hWndNewParent == hWndChild || !LocalWindowLocked(hWndNewParent))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND previous = window->parent;
  window->parent = hWndNewParent;
  if (hWndNewParent) window->owner = nullptr;
  window->z = NextSequence();
  WriteRecordLocked(*window);
  return previous;
}

WINBASEAPI HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  std::lock_guard<std::mutex> guard(Lock());
  if (hDlg && LocalWindowLocked(hDlg)) {
    for (HWND child : ChildrenLocked(hDlg))
      if (LocalWindowLocked(child)->id == nIDDlgItem) return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
  }
  WindowRecord parent;
  if (!ReadRecord(hDlg, parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (const WindowRecord& record : AllRecords())
    if (record.parent == hDlg && record.id == nIDDlgItem) return record.hwnd;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

WINBASEAPI int WINAPI GetDlgCtrlID(HWND hWnd) { return static_cast<int>(GetLong(hWnd, GWLP_ID, sizeof(LONG_PTR))); }

WINBASEAPI BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  if (!lpEnumFunc) return FALSE;
  // Every descendant, each followed by its own children; taken before the first call so the
  // callback may create or destroy windows.
  std::vector<WindowRecord> all = AllRecords();
  std::vector<HWND> order;
  std::function<void(HWND)> walk = [&](HWND parent) {
    std::vector<std::pair<unsigned long long, HWND>> children;
    for (const WindowRecord& record : all)
      if (record.parent == parent && !record.messageOnly) children.emplace_back(record.z, record.hwnd);
    std::sort(children.begin(), children.end());
    for (auto& [z, child] : children) {
      order.push_back(child);
      walk(child);
    }
  };
  walk(hWndParent);
  for (HWND child : order) {
    if (!IsWindow(child)) continue;
    if (!lpEnumFunc(child, lParam)) break;
  }
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (std::shared_ptr<Window> window = hWnd ? LocalWindowLocked(hWnd) : nullptr) {
      if (lpdwProcessId) *lpdwProcessId = static_cast<DWORD>(getpid());
      return window->threadId;
    }
  }
  WindowRecord record;
  if (!ReadRecord(hWnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (lpdwProcessId) *lpdwProcessId = static_cast<DWORD>(record.pid);
  return record.threadId;
}

WINBASEAPI LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_NCCREATE: {
      const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (create && create->lpszName && !IS_INTRESOURCE(create->lpszName)) {
        std::lock_guard<std::mutex> guard(Lock());
        if (std::shared_ptr<Window> window = LocalWindowLocked(hWnd)) {
          window->text = plat::WideView(create->lpszName);
          WriteRecordLocked(*window);
        }
      }
      return TRUE;
    }
    case WM_SETTEXT: {
      std::lock_guard<std::mutex> guard(Lock());
      std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
      if (!window) return FALSE;
      window->text = plat::WideView(reinterpret_cast<const WCHAR*>(lParam));
      WriteRecordLocked(*window);
      return TRUE;
    }
    case WM_GETTEXT: {
      WCHAR* out = reinterpret_cast<WCHAR*>(lParam);
      if (!out || wParam == 0) return 0;
      std::lock_guard<std::mutex> guard(Lock());
      std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
      if (!window) {
        out[0] = 0;
        return 0;
      }
      size_t n = std::min<size_t>(window->text.size(), wParam - 1);
      std::memcpy(out, window->text.data(), n * sizeof(WCHAR));
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard<std::mutex> guard(Lock());
      std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
      return window ? static_cast<LRESULT>(window->text.size()) : 0;
    }
    case WM_SETICON:
    case WM_GETICON: {
      std::lock_guard<std::mutex> guard(Lock());
      std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
      if (!window) return 0;
      HICON& icon = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
      HICON previous = icon;
      if (Msg == WM_SETICON) {
        if (wParam == ICON_BIG || wParam == ICON_SMALL) icon = reinterpret_cast<HICON>(lParam);
      } else if (wParam == ICON_SMALL2 && !previous) {
        previous = window->bigIcon;  // the system's small icon is made from the big one
      }
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SYSCOMMAND:
      // A command greyed in the window's system menu cannot be given by the user.
      if (plat::menus::SystemCommandDisabled(hWnd, static_cast<UINT>(wParam))) return 0;
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageW(hWnd, WM_CLOSE, 0, 0); break;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); break;
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
        default: break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window the key reached, as its system menu's Close does.
      if (wParam == VK_F4 && (lParam & (1 << 29))) {
        HWND top = hWnd;
        while ((GetWindowLongPtrW(top, GWL_STYLE) & WS_CHILD) && GetParent(top)) top = GetParent(top);
        SendMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_SETCURSOR: {
      HWND parent = nullptr;
      HCURSOR cursor = nullptr;
      {
        std::lock_guard<std::mutex> guard(Lock());
        std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
        if (window) {
          parent = window->parent;
          cursor = window->cls->info.hCursor;
        }
      }
      if (parent && SendMessageW(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (LOWORD(lParam) == HTCLIENT && cursor) SetCursor(cursor);
      return FALSE;
    }
    case WM_NCHITTEST: {
      RECT rect{};
      GetWindowRect(hWnd, &rect);
      POINT pt{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
      return pt.x >= rect.left && pt.x < rect.right && pt.y >= rect.top && pt.y < rect.bottom ? HTCLIENT : HTNOWHERE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hWnd, &paint);
      EndPaint(hWnd, &paint);
      return 0;
    }
    case WM_COPYDATA: {
      // A capture of the window asked for by another process of the machine.
      LRESULT answer = 0;
      if (plat::gdi::AnswerCaptureRequest(hWnd, reinterpret_cast<const COPYDATASTRUCT*>(lParam), answer))
        return answer;
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH background = nullptr;
      {
        std::lock_guard<std::mutex> guard(Lock());
        std::shared_ptr<Window> window = LocalWindowLocked(hWnd);
        if (window) background = window->cls->info.hbrBackground;
      }
      if (!background) return 0;
      // A class brush may be a system colour index plus one, as the platform allows.
      if (reinterpret_cast<ULONG_PTR>(background) <= COLOR_MENUBAR + 1)
        background = GetSysColorBrush(static_cast<int>(reinterpret_cast<ULONG_PTR>(background)) - 1);
      RECT client{};
      GetClientRect(hWnd, &client);
      if (wParam) FillRect(reinterpret_cast<HDC>(wParam), &client, background);
      return 1;
    }
    default:
      return 0;
  }
}

}  // extern "C"
