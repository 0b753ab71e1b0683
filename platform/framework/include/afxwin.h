// The application framework's core, in the framework's own names: CObject and CRuntimeClass,
// CCmdTarget with message maps, CWinThread and CWinApp, CWnd, and the small value classes
// CString, CPoint, CSize and CRect. Dialogs, controls, menus and drawing build on it elsewhere.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include <win/base.h>
#include <win/modules.h>
#include <win/process.h>
#include <win/resources.h>
#include <win/system.h>
#include <win/user.h>

// ---- Values ----------------------------------------------------------------------------------------
class CString {
 public:
  CString() = default;
  CString(LPCWSTR text) : text_(text ? text : u"") {}
  CString(const std::u16string& text) : text_(text) {}
  operator LPCWSTR() const { return text_.c_str(); }
  int GetLength() const { return static_cast<int>(text_.size()); }
  BOOL IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  WCHAR GetAt(int i) const { return text_.at(static_cast<size_t>(i)); }
  CString& operator=(LPCWSTR text) {
    text_ = text ? text : u"";
    return *this;
  }
  CString& operator+=(const CString& other) {
    text_ += other.text_;
    return *this;
  }
  CString& operator+=(WCHAR c) {
    text_.push_back(c);
    return *this;
  }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.text_ + b.text_); }
  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
  friend bool operator!=(const CString& a, const CString& b) { return a.text_ != b.text_; }
  int Compare(LPCWSTR other) const { return text_.compare(other ? other : u""); }
  int CompareNoCase(LPCWSTR other) const;
  CString Left(int count) const { return CString(text_.substr(0, Clamp(count))); }
  CString Right(int count) const { return CString(text_.substr(text_.size() - Clamp(count))); }
  CString Mid(int first, int count = -1) const;
  int Find(WCHAR c, int start = 0) const;
  int Find(LPCWSTR sub, int start = 0) const;
  // printf-style, as wsprintfW formats (at most 1024 characters).
  void Format(LPCWSTR format, ...);
  // A string of the resource module (AfxGetResourceHandle); FALSE when it has none.
  BOOL LoadString(UINT id);
  const std::u16string& str() const { return text_; }

 private:
  size_t Clamp(int count) const { return count < 0 ? 0 : std::min(static_cast<size_t>(count), text_.size()); }
  std::u16string text_;
};

class CPoint : public tagPOINT {
 public:
  CPoint() : tagPOINT{0, 0} {}
  CPoint(int x, int y) : tagPOINT{x, y} {}
  explicit CPoint(LPARAM l) : tagPOINT{static_cast<SHORT>(LOWORD(l)), static_cast<SHORT>(HIWORD(l))} {}
};

class CSize : public tagSIZE {
 public:
  CSize() : tagSIZE{0, 0} {}
  CSize(int cx, int cy) : tagSIZE{cx, cy} {}
};

class CRect : public tagRECT {
 public:
  CRect() : tagRECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  CRect(const RECT& r) : tagRECT(r) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
  BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void OffsetRect(int dx, int dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
};

// ---- Run-time classes ----------------------------------------------------------------------------------
class CObject;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;
  // NULL for a class made without DECLARE_DYNCREATE.
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
  static CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)
#define DECLARE_DYNAMIC(class_name) \
 public:                            \
  static CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;
#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();
#define IMPLEMENT_DYNAMIC(class_name, base_name)                                                         \
  CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), nullptr, RUNTIME_CLASS(base_name)}; \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
#define IMPLEMENT_DYNCREATE(class_name, base_name)                       \
  CObject* class_name::CreateObject() { return new class_name; }         \
  CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), class_name::CreateObject, \
                                                 RUNTIME_CLASS(base_name)};                                  \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// The framework's own number for every WM_CTLCOLOR* in a map (the kind is the handler's nCtlColor),
// and the platform's numbers it needs that the platform headers leave out.
#define WM_CTLCOLOR 0x0019
#ifndef WM_CANCELMODE
#define WM_CANCELMODE 0x001F
#endif
#ifndef CTLCOLOR_MSGBOX
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6
#endif

// ---- Message maps ---------------------------------------------------------------------------------------
// Every entry keeps its handler as one member-function type and the dispatcher casts it back by
// the entry's signature, as the framework's maps always have; the compiler's warning about such
// casts says nothing here.
#pragma GCC diagnostic ignored "-Wcast-function-type"

class CCmdTarget;
class CWnd;
class CWinThread;
class CMenu;
class CDC;
class CFont;
typedef void (CCmdTarget::*AFX_PMSG)();

enum AfxSig : UINT {
  AfxSig_end = 0,
  AfxSig_lwl,      // LRESULT (WPARAM, LPARAM): ON_MESSAGE, ON_REGISTERED_MESSAGE
  AfxSig_vwl,      // void (WPARAM, LPARAM): ON_THREAD_MESSAGE
  AfxSig_vv,       // void (): ON_COMMAND, WM_DESTROY, WM_CLOSE, WM_PAINT
  AfxSig_is,       // int (LPCREATESTRUCT): WM_CREATE
  AfxSig_vw,       // void (UINT_PTR): WM_TIMER
  AfxSig_bWCDS,    // BOOL (CWnd*, COPYDATASTRUCT*): WM_COPYDATA
  AfxSig_vws,      // void (UINT, LPCWSTR): WM_SETTINGCHANGE
  AfxSig_vwl2,     // void (UINT, LPARAM): WM_SYSCOMMAND
  AfxSig_vbw,      // void (BOOL, UINT): WM_SHOWWINDOW
  AfxSig_vwp,      // void (UINT, CPoint): mouse buttons and moves
  AfxSig_lp,       // LRESULT (CPoint): WM_NCHITTEST
  AfxSig_hv,       // HCURSOR (): WM_QUERYDRAGICON
  AfxSig_vv_mouse, // void (): WM_MOUSELEAVE
  AfxSig_bv,       // BOOL (): ON_CONTROL_REFLECT_EX
  AfxSig_hDu,      // HBRUSH (CDC*, UINT): ON_WM_CTLCOLOR_REFLECT
  AfxSig_hDWu,     // HBRUSH (CDC*, CWnd*, UINT): ON_WM_CTLCOLOR, for every WM_CTLCOLOR*
  AfxSig_bD,       // BOOL (CDC*): WM_ERASEBKGND
  AfxSig_bHELPINFO,  // BOOL (HELPINFO*): WM_HELP
  AfxSig_bWww,     // BOOL (CWnd*, UINT, UINT): WM_SETCURSOR
  AfxSig_vW,       // void (CWnd*): WM_KILLFOCUS, WM_SETFOCUS
  AfxSig_vwWb,     // void (UINT, CWnd*, BOOL): WM_ACTIVATE
  AfxSig_vb,       // void (BOOL): WM_ENABLE
  AfxSig_wv,       // UINT (): WM_GETDLGCODE
  AfxSig_vwww,     // void (UINT, UINT, UINT): WM_KEYDOWN
  AfxSig_vNMHDRpl, // void (NMHDR*, LRESULT*): ON_NOTIFY_REFLECT
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  UINT nLastID;
  UINT nSig;
  AFX_PMSG pfn;
  const UINT* pRegistered;  // ON_REGISTERED_MESSAGE: the variable holding the number
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                      \
 protected:                                        \
  static const AFX_MSGMAP* GetThisMessageMap();    \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                   \
    typedef theClass ThisClass;                                                       \
    typedef baseClass TheBaseClass;                                                   \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                              \
  {0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};                                        \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                 \
  }

#define AFX_ENTRY(message, sig, type, fn) \
  {message, 0, 0, 0, sig, reinterpret_cast<AFX_PMSG>(static_cast<type>(fn)), nullptr},

#define ON_MESSAGE(message, memberFxn) AFX_ENTRY(message, AfxSig_lwl, LRESULT (CWnd::*)(WPARAM, LPARAM), &ThisClass::memberFxn)
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                                     \
  {0xC000, 0, 0, 0, AfxSig_lwl,                                                                                \
   reinterpret_cast<AFX_PMSG>(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn)), &nMessageVariable},
#define ON_THREAD_MESSAGE(message, memberFxn) \
  AFX_ENTRY(message, AfxSig_vwl, void (CWinThread::*)(WPARAM, LPARAM), &ThisClass::memberFxn)
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::memberFxn), nullptr},
#define ON_WM_CREATE() AFX_ENTRY(WM_CREATE, AfxSig_is, int (CWnd::*)(LPCREATESTRUCTW), &ThisClass::OnCreate)
#define ON_WM_DESTROY() AFX_ENTRY(WM_DESTROY, AfxSig_vv, void (CWnd::*)(), &ThisClass::OnDestroy)
#define ON_WM_CLOSE() AFX_ENTRY(WM_CLOSE, AfxSig_vv, void (CWnd::*)(), &ThisClass::OnClose)
#define ON_WM_PAINT() AFX_ENTRY(WM_PAINT, AfxSig_vv, void (CWnd::*)(), &ThisClass::OnPaint)
#define ON_WM_TIMER() AFX_ENTRY(WM_TIMER, AfxSig_vw, void (CWnd::*)(UINT_PTR), &ThisClass::OnTimer)
#define ON_WM_COPYDATA() \
  AFX_ENTRY(WM_COPYDATA, AfxSig_bWCDS, BOOL (CWnd::*)(CWnd*, COPYDATASTRUCT*), &ThisClass::OnCopyData)
#define ON_WM_SETTINGCHANGE() \
  AFX_ENTRY(WM_SETTINGCHANGE, AfxSig_vws, void (CWnd::*)(UINT, LPCWSTR), &ThisClass::OnSettingChange)
#define ON_WM_SYSCOMMAND() AFX_ENTRY(WM_SYSCOMMAND, AfxSig_vwl2, void (CWnd::*)(UINT, LPARAM), &ThisClass::OnSysCommand)
#define ON_WM_SHOWWINDOW() AFX_ENTRY(WM_SHOWWINDOW, AfxSig_vbw, void (CWnd::*)(BOOL, UINT), &ThisClass::OnShowWindow)
#define ON_WM_LBUTTONDOWN() AFX_ENTRY(WM_LBUTTONDOWN, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_ENTRY(WM_LBUTTONUP, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() \
  AFX_ENTRY(WM_LBUTTONDBLCLK, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnLButtonDblClk)
#define ON_WM_RBUTTONUP() AFX_ENTRY(WM_RBUTTONUP, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnRButtonUp)
#define ON_WM_MOUSEMOVE() AFX_ENTRY(WM_MOUSEMOVE, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnMouseMove)
#define ON_WM_MOUSEHOVER() AFX_ENTRY(WM_MOUSEHOVER, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), &ThisClass::OnMouseHover)
#define ON_WM_MOUSELEAVE() AFX_ENTRY(WM_MOUSELEAVE, AfxSig_vv_mouse, void (CWnd::*)(), &ThisClass::OnMouseLeave)
#define ON_WM_NCHITTEST() AFX_ENTRY(WM_NCHITTEST, AfxSig_lp, LRESULT (CWnd::*)(CPoint), &ThisClass::OnNcHitTest)
#define ON_WM_CTLCOLOR() \
  AFX_ENTRY(WM_CTLCOLOR, AfxSig_hDWu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), &ThisClass::OnCtlColor)
#define ON_WM_ERASEBKGND() AFX_ENTRY(WM_ERASEBKGND, AfxSig_bD, BOOL (CWnd::*)(CDC*), &ThisClass::OnEraseBkgnd)
#define ON_WM_HELPINFO() AFX_ENTRY(WM_HELP, AfxSig_bHELPINFO, BOOL (CWnd::*)(HELPINFO*), &ThisClass::OnHelpInfo)
#define ON_WM_SETCURSOR() AFX_ENTRY(WM_SETCURSOR, AfxSig_bWww, BOOL (CWnd::*)(CWnd*, UINT, UINT), &ThisClass::OnSetCursor)
#define ON_WM_KILLFOCUS() AFX_ENTRY(WM_KILLFOCUS, AfxSig_vW, void (CWnd::*)(CWnd*), &ThisClass::OnKillFocus)
#define ON_WM_SETFOCUS() AFX_ENTRY(WM_SETFOCUS, AfxSig_vW, void (CWnd::*)(CWnd*), &ThisClass::OnSetFocus)
#define ON_WM_CANCELMODE() AFX_ENTRY(WM_CANCELMODE, AfxSig_vv, void (CWnd::*)(), &ThisClass::OnCancelMode)
#define ON_WM_SYSCOLORCHANGE() AFX_ENTRY(WM_SYSCOLORCHANGE, AfxSig_vv, void (CWnd::*)(), &ThisClass::OnSysColorChange)
#define ON_WM_ACTIVATE() AFX_ENTRY(WM_ACTIVATE, AfxSig_vwWb, void (CWnd::*)(UINT, CWnd*, BOOL), &ThisClass::OnActivate)
#define ON_WM_ENABLE() AFX_ENTRY(WM_ENABLE, AfxSig_vb, void (CWnd::*)(BOOL), &ThisClass::OnEnable)
#define ON_WM_GETDLGCODE() AFX_ENTRY(WM_GETDLGCODE, AfxSig_wv, UINT (CWnd::*)(), &ThisClass::OnGetDlgCode)
#define ON_WM_KEYDOWN() AFX_ENTRY(WM_KEYDOWN, AfxSig_vwww, void (CWnd::*)(UINT, UINT, UINT), &ThisClass::OnKeyDown)
#define ON_WM_QUERYDRAGICON() AFX_ENTRY(WM_QUERYDRAGICON, AfxSig_hv, HCURSOR (CWnd::*)(), &ThisClass::OnQueryDragIcon)

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  // The entry for a message, through this class's map and its bases'; NULL when none.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ---- Windows ----------------------------------------------------------------------------------------------
class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  HWND m_hWnd = nullptr;

  CWnd() = default;
  ~CWnd() override;

  // The window of this process behind the handle: the permanent object, or a temporary one for
  // a window no CWnd owns. NULL for NULL.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }
  BOOL Attach(HWND hwnd);
  HWND Detach();
  // The window's system menu (a temporary object), see GetSystemMenu.
  CMenu* GetSystemMenu(BOOL revert) const;

  // The window is this object's from its first message on (WM_NCCREATE), when its class's
  // procedure is the framework's (AfxRegisterWndClass); a window of another class is subclassed
  // once it exists.
  virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();
  BOOL SubclassWindow(HWND hwnd);
  HWND UnsubclassWindow();

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default handling of the message being handled now.
  LRESULT Default();
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}
  // A notification of this control to its parent, offered back to the control first
  // (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*); TRUE when it took it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The default of ON_WM_CTLCOLOR handlers: the control's own reflected answer, else the
  // window's default. A handler that wants a control's own colours calls this first.
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);

  // Pumps messages, each through PreTranslateMessage first, until EndModalLoop.
  virtual int RunModalLoop(DWORD flags = 0);
  virtual void EndModalLoop(int result);
  BOOL ContinueModal() const { return m_modal; }

  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : nullptr, x, y, cx, cy, flags);
  }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, width, height, repaint); }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return ::PostMessageW(m_hWnd, message, wParam, lParam); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return ::SendMessageW(m_hWnd, message, wParam, lParam); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) { return ::SetTimer(m_hWnd, id, elapse, proc); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
  void GetWindowText(CString& text) const;
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
  // TRUE when the style changed; nFlags other than 0 also apply SetWindowPos with them.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
  void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
  void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
  void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  HICON SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
  }
  HICON GetIcon(BOOL big) const {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, big ? ICON_BIG : ICON_SMALL, 0));
  }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
  void SetDlgItemText(int id, LPCWSTR text) { ::SetDlgItemTextW(m_hWnd, id, text); }
  CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const {
    return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
  }
  // The window's font (WM_GETFONT) as a temporary object; NULL for the system font.
  CFont* GetFont() const;
  void SetFont(CFont* font, BOOL redraw = TRUE);
  // The client-area DC, released with ReleaseDC.
  CDC* GetDC();
  int ReleaseDC(CDC* dc);

  // The framework's window procedure, for classes registered with it.
  static LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  WNDPROC m_pfnSuper = nullptr;
  bool m_modal = false;
  int m_nModalResult = -1;

  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;
  // WM_NCDESTROY: detaches the handle; the main window's end posts WM_QUIT.
  void OnNcDestroy();
};

// ---- Threads and the application ------------------------------------------------------------------------
typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread() = default;
  CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}
  ~CWinThread() override;

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;
  CWnd* m_pMainWnd = nullptr;

  // Starts the thread and returns once it has its message queue, so a thread message posted
  // right after reaches it. CREATE_SUSPENDED is not offered by the stand-in (ERROR_NOT_SUPPORTED).
  BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
  virtual BOOL InitInstance() { return FALSE; }
  // The message loop; ends at WM_QUIT with ExitInstance, on this thread.
  virtual int Run();
  virtual BOOL PumpMessage();
  // Thread messages go to the thread's map; a window's message is offered to each window from
  // its own up to the main window.
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual int ExitInstance() { return m_exitCode; }
  virtual BOOL OnIdle(LONG) { return FALSE; }

  // Internal: the thread's start.
  static DWORD WINAPI ThreadEntry(LPVOID self);

 protected:
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;
  int m_exitCode = 0;
  HANDLE m_started = nullptr;
  HANDLE m_handed = nullptr;

  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;
};

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  explicit CWinApp(LPCWSTR appName = nullptr);
  ~CWinApp() override;

  HINSTANCE m_hInstance = nullptr;
  LPWSTR m_lpCmdLine = nullptr;  // the command line after the program's own token, unchanged
  int m_nCmdShow = SW_SHOWDEFAULT;
  LPCWSTR m_pszAppName = nullptr;
  LPCWSTR m_pszRegistryKey = nullptr;

  // Keeps the key under which the application's settings would be stored.
  void SetRegistryKey(LPCWSTR key);

 private:
  std::u16string commandLine_, appName_, registryKey_;
  friend int AfxWinMain();
};

// The program's main: the application object's InitInstance, then its Run; FALSE from
// InitInstance ends the program with ExitInstance's code.
int AfxWinMain();
CWinApp* AfxGetApp();
CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);
// A class with the framework's window procedure, named from its attributes; NULL on failure.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr, HICON icon = nullptr);
// No control containers are hosted by the stand-in; kept for the programs' start.
inline void AfxEnableControlContainer() {}
// By run-time class (a CWinThread kind made with DECLARE_DYNCREATE) or by function.
CWinThread* AfxBeginThread(CRuntimeClass* threadClass, int priority = 0, UINT stackSize = 0, DWORD flags = 0,
                           LPSECURITY_ATTRIBUTES security = nullptr);
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = 0, UINT stackSize = 0, DWORD flags = 0,
                           LPSECURITY_ATTRIBUTES security = nullptr);

#include "afx_menu.h"

// Dialogs and controls.
#include "afxdialog.h"

// The common controls.
#include "afxcmn.h"
