// CWnd: handle maps, the framework's window procedure and message-map dispatch, subclassing,
// and the framework's own modal loop.
#include <mutex>
#include <vector>

#include "afxwin.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

std::mutex g_mapLock;
std::map<HWND, CWnd*>& Permanent() {
  static auto* map = new std::map<HWND, CWnd*>;
  return *map;
}
// Objects for windows no CWnd owns, kept as long as the process: FromHandle's answer stays valid.
std::map<HWND, CWnd*>& Temporary() {
  static auto* map = new std::map<HWND, CWnd*>;
  return *map;
}

// The object whose CreateEx is under way on this thread: it takes the window at its first message.
thread_local CWnd* t_creating = nullptr;

struct CurrentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
thread_local std::vector<CurrentMessage> t_messages;

}  // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
  return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd::~CWnd() {
  if (m_hWnd) {
    HWND hwnd = m_hWnd;
    Detach();
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  std::lock_guard<std::mutex> guard(g_mapLock);
  auto it = Permanent().find(hwnd);
  return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (CWnd* wnd = FromHandlePermanent(hwnd)) return wnd;
  std::lock_guard<std::mutex> guard(g_mapLock);
  CWnd*& temp = Temporary()[hwnd];
  if (!temp) {
    temp = new CWnd;
    temp->m_hWnd = hwnd;
  }
  return temp;
}

BOOL CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd) return FALSE;
  std::lock_guard<std::mutex> guard(g_mapLock);
  m_hWnd = hwnd;
  Permanent()[hwnd] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hwnd = m_hWnd;
  if (hwnd) {
    std::lock_guard<std::mutex> guard(g_mapLock);
    auto it = Permanent().find(hwnd);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hWnd = nullptr;
  return hwnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param) {
  CWnd* previous = t_creating;
  t_creating = this;
  HWND hwnd = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, idOrMenu,
                                AfxGetInstanceHandle(), param);
  t_creating = previous;
  if (!hwnd) {
    if (m_hWnd) Detach();
    return FALSE;
  }
  if (!m_hWnd) {
    // A class with a procedure of its own: this object takes the window now it exists.
    if (!SubclassWindow(hwnd)) return FALSE;
  }
  return TRUE;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!Attach(hwnd)) return FALSE;
  PreSubclassWindow();
  WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd && t_creating) {
    wnd = t_creating;
    t_creating = nullptr;
    wnd->Attach(hwnd);
  }
  if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  t_messages.push_back({hwnd, message, wParam, lParam});
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  t_messages.pop_back();
  if (message == WM_NCDESTROY) wnd->OnNcDestroy();
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

bool AfxReflectToChild(CWnd* parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);  // afx_dialog.cpp

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const bool colour = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
  // Colours are the parent's to give first: its ON_WM_CTLCOLOR handler decides, and reaches
  // the control's own answer through CWnd::OnCtlColor. Every other notification goes to the
  // control's own object first.
  const AFX_MSGMAP_ENTRY* entry = colour ? FindMessageEntry(WM_CTLCOLOR, 0, 0) : nullptr;
  if (!entry && AfxReflectToChild(this, message, wParam, lParam, result)) return TRUE;
  if (!entry) entry = FindMessageEntry(message, HIWORD(wParam), LOWORD(wParam));
  if (!entry) return FALSE;
  LRESULT r = 0;
  switch (entry->nSig) {
    case AfxSig_hDWu:
      r = reinterpret_cast<LRESULT>((this->*reinterpret_cast<HBRUSH (CWnd::*)(CDC*, CWnd*, UINT)>(entry->pfn))(
          CDC::FromHandle(reinterpret_cast<HDC>(wParam)), FromHandle(reinterpret_cast<HWND>(lParam)),
          message - WM_CTLCOLORMSGBOX));
      break;
    case AfxSig_bD:
      r = (this->*reinterpret_cast<BOOL (CWnd::*)(CDC*)>(entry->pfn))(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
      break;
    case AfxSig_bHELPINFO:
      r = (this->*reinterpret_cast<BOOL (CWnd::*)(HELPINFO*)>(entry->pfn))(reinterpret_cast<HELPINFO*>(lParam));
      break;
    case AfxSig_bWww:
      r = (this->*reinterpret_cast<BOOL (CWnd::*)(CWnd*, UINT, UINT)>(entry->pfn))(
          FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig_vW: (this->*reinterpret_cast<void (CWnd::*)(CWnd*)>(entry->pfn))(FromHandle(reinterpret_cast<HWND>(wParam))); break;
    case AfxSig_vwWb:
      (this->*reinterpret_cast<void (CWnd::*)(UINT, CWnd*, BOOL)>(entry->pfn))(LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)),
                                                                            HIWORD(wParam) != 0);
      break;
    case AfxSig_vb: (this->*reinterpret_cast<void (CWnd::*)(BOOL)>(entry->pfn))(static_cast<BOOL>(wParam)); break;
    case AfxSig_wv: r = (this->*reinterpret_cast<UINT (CWnd::*)()>(entry->pfn))(); break;
    case AfxSig_vwww:
      (this->*reinterpret_cast<void (CWnd::*)(UINT, UINT, UINT)>(entry->pfn))(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      break;
    case AfxSig_lwl: r = (this->*reinterpret_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(entry->pfn))(wParam, lParam); break;
    case AfxSig_vv: (this->*reinterpret_cast<void (CWnd::*)()>(entry->pfn))(); break;
    case AfxSig_vv_mouse: (this->*reinterpret_cast<void (CWnd::*)()>(entry->pfn))(); break;
    case AfxSig_is:
      r = (this->*reinterpret_cast<int (CWnd::*)(LPCREATESTRUCTW)>(entry->pfn))(reinterpret_cast<LPCREATESTRUCTW>(lParam));
      break;
    case AfxSig_vw: (this->*reinterpret_cast<void (CWnd::*)(UINT_PTR)>(entry->pfn))(wParam); break;
    case AfxSig_bWCDS:
      r = (this->*reinterpret_cast<BOOL (CWnd::*)(CWnd*, COPYDATASTRUCT*)>(entry->pfn))(
          FromHandle(reinterpret_cast<HWND>(wParam)), reinterpret_cast<COPYDATASTRUCT*>(lParam));
      break;
    case AfxSig_vws:
      (this->*reinterpret_cast<void (CWnd::*)(UINT, LPCWSTR)>(entry->pfn))(static_cast<UINT>(wParam),
                                                                          reinterpret_cast<LPCWSTR>(lParam));
      break;
    case AfxSig_vwl2: (this->*reinterpret_cast<void (CWnd::*)(UINT, LPARAM)>(entry->pfn))(static_cast<UINT>(wParam), lParam); break;
    case AfxSig_vbw:
      (this->*reinterpret_cast<void (CWnd::*)(BOOL, UINT)>(entry->pfn))(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
      break;
    case AfxSig_vwp: (this->*reinterpret_cast<void (CWnd::*)(UINT, CPoint)>(entry->pfn))(static_cast<UINT>(wParam), CPoint(lParam)); break;
    case AfxSig_lp: r = (this->*reinterpret_cast<LRESULT (CWnd::*)(CPoint)>(entry->pfn))(CPoint(lParam)); break;
    case AfxSig_hv: r = reinterpret_cast<LRESULT>((this->*reinterpret_cast<HCURSOR (CWnd::*)()>(entry->pfn))()); break;
    default: return FALSE;
  }
  *result = r;
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  if (t_messages.empty()) return 0;
  const CurrentMessage& current = t_messages.back();
  return DefWindowProc(current.message, current.wParam, current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::OnNcDestroy() {
  CWinThread* thread = AfxGetThread();
  CWinApp* app = AfxGetApp();
  // The end of the application's main window ends its message loop.
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    ::PostQuitMessage(0);
  }
  if (thread && thread->m_pMainWnd == this) thread->m_pMainWnd = nullptr;
  if (m_pfnSuper) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  Detach();
  PostNcDestroy();
}

int CWnd::RunModalLoop(DWORD) {
  m_modal = true;
  m_nModalResult = -1;
  CWinThread* thread = AfxGetThread();
  MSG msg;
  while (m_modal) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop sees it too
      break;
    }
    // Every message passes PreTranslateMessage, thread messages included, as in the main loop.
    if (thread && thread->PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  m_modal = false;
  return m_nModalResult;
}

void CWnd::EndModalLoop(int result) {
  m_nModalResult = result;
  if (m_modal) {
    m_modal = false;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
  }
}

void CWnd::GetWindowText(CString& text) const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  std::u16string buffer(static_cast<size_t>(length) + 1, u'\0');
  int n = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
  buffer.resize(static_cast<size_t>(n < 0 ? 0 : n));
  text = CString(buffer);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  DWORD style = GetStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(next));
  if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  DWORD style = GetExStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(next));
  if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}
