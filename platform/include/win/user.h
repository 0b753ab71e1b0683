// Windows, window classes, message queues, timers and message boxes.
// One desktop per machine: window handles are machine-wide small numbers, never reused while
// the machine lives, so a program finds and messages the windows of every other program of the
// machine. Sent messages are handled before posted ones and are never pre-translated.
#pragma once

#include <win/base.h>

typedef DWORD_PTR* PDWORD_PTR;
#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);
typedef void(CALLBACK* SENDASYNCPROC)(HWND, UINT, ULONG_PTR, LRESULT);
typedef BOOL(CALLBACK* PROPENUMPROCEXW)(HWND, LPWSTR, HANDLE, ULONG_PTR);

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
  DWORD lPrivate;
} MSG, *PMSG, *LPMSG;

typedef struct tagWNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
} WNDCLASSW, *PWNDCLASSW, *LPWNDCLASSW;

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagCOPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  PVOID lpData;
} COPYDATASTRUCT, *PCOPYDATASTRUCT;

typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagWINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x, y, cx, cy;
  UINT flags;
} WINDOWPOS, *LPWINDOWPOS;

static_assert(sizeof(MSG) == 48 && offsetof(MSG, message) == 8 && offsetof(MSG, wParam) == 16 &&
              offsetof(MSG, lParam) == 24 && offsetof(MSG, time) == 32 && offsetof(MSG, pt) == 36);
static_assert(sizeof(WNDCLASSW) == 72 && offsetof(WNDCLASSW, lpfnWndProc) == 8 && offsetof(WNDCLASSW, hInstance) == 24 &&
              offsetof(WNDCLASSW, lpszClassName) == 64);
static_assert(sizeof(CREATESTRUCTW) == 80 && offsetof(CREATESTRUCTW, hwndParent) == 24 && offsetof(CREATESTRUCTW, cy) == 32 &&
              offsetof(CREATESTRUCTW, style) == 48 && offsetof(CREATESTRUCTW, lpszName) == 56 &&
              offsetof(CREATESTRUCTW, dwExStyle) == 72);
static_assert(sizeof(COPYDATASTRUCT) == 24 && offsetof(COPYDATASTRUCT, cbData) == 8 && offsetof(COPYDATASTRUCT, lpData) == 16);
static_assert(sizeof(PAINTSTRUCT) == 72 && sizeof(WINDOWPOS) == 40);

// ---- Messages --------------------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETTINGCHANGE 0x001A
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_COPYDATA 0x004A
#define WM_HELP 0x0053
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCHITTEST 0x0084
#define WM_NCACTIVATE 0x0086
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MOUSEHOVER 0x02A1
#define WM_MOUSELEAVE 0x02A3
#define WM_QUERYDRAGICON 0x0037
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define ICON_SMALL 0
#define ICON_BIG 1
#define ICON_SMALL2 2
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_SYSCOMMAND.
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120
#define SC_MINIMIZE 0xF020

// WM_NCHITTEST.
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2

// ---- Window styles -----------------------------------------------------------------------------------
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_LAYOUTRTL 0x00400000L

#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)
#define HWND_BROADCAST ((HWND)(LONG_PTR)0xffff)
#define HWND_TOP ((HWND)(LONG_PTR)0)
#define HWND_BOTTOM ((HWND)(LONG_PTR)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)

// Window and class longs.
#define GWL_WNDPROC (-4)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWLP_ID (-12)
#define GCLP_MENUNAME (-8)
#define GCLP_HBRBACKGROUND (-10)
#define GCLP_HCURSOR (-12)
#define GCLP_HICON (-14)
#define GCLP_HMODULE (-16)
#define GCL_CBWNDEXTRA (-18)
#define GCL_CBCLSEXTRA (-20)
#define GCLP_WNDPROC (-24)
#define GCL_STYLE (-26)

// Class styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_GLOBALCLASS 0x4000

// ShowWindow.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// SetWindowPos.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// PeekMessage.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// MsgWaitForMultipleObjects.
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_INPUT (QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_ALLEVENTS | QS_SENDMESSAGE)

// SendMessageTimeout.
#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002

// ChangeWindowMessageFilter.
#define MSGFLT_ADD 1
#define MSGFLT_REMOVE 2

#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_MENU_HANDLE 1401L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#define ERROR_TLW_WITH_WSCHILD 1406L
#define ERROR_INVALID_THREAD_ID 1444L
#define ERROR_TIMEOUT 1460L
#define ERROR_MESSAGE_SYNC_ONLY 1159L
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#define ERROR_INVALID_MESSAGE 1002L

// ---- Window classes ----------------------------------------------------------------------------------
// Classes belong to the registering process. A class of the same name and module: 0 with
// ERROR_CLASS_ALREADY_EXISTS.
WINBASEAPI ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass);
WINBASEAPI BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
// ERROR_CLASS_DOES_NOT_EXIST for a class this process has not registered.
WINBASEAPI BOOL WINAPI GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass);
WINBASEAPI ULONG_PTR WINAPI GetClassLongPtrW(HWND hWnd, int nIndex);
WINBASEAPI ULONG_PTR WINAPI SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
// The class name of any window of the machine; the count of characters copied.
WINBASEAPI int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount);

// ---- Windows -------------------------------------------------------------------------------------------
// WM_NCCREATE, then WM_CREATE; FALSE from the first or -1 from the second destroys the window and
// fails the call. A started program's first shown window takes the start's show command.
WINBASEAPI HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                                       int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                       HINSTANCE hInstance, LPVOID lpParam);
// Owned windows first, then the window: WM_DESTROY reaches a window before its children, and
// WM_NCDESTROY after them. Only the window's own thread destroys it (ERROR_ACCESS_DENIED).
WINBASEAPI BOOL WINAPI DestroyWindow(HWND hWnd);
// Any window of any live process of the machine.
WINBASEAPI BOOL WINAPI IsWindow(HWND hWnd);
WINBASEAPI BOOL WINAPI IsWindowVisible(HWND hWnd);
WINBASEAPI BOOL WINAPI IsWindowEnabled(HWND hWnd);
WINBASEAPI BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable);
// The previous value; 0 with ERROR_INVALID_WINDOW_HANDLE for a NULL or destroyed window. Success
// leaves the last error as it was, so a caller that wants to tell a previous 0 from a failure
// primes it with SetLastError(0).
WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex);
WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
WINBASEAPI LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex);
WINBASEAPI LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong);
// Text: a window of another process answers its stored title without a message, as on the
// platform; SetWindowTextW on it sends WM_SETTEXT.
WINBASEAPI BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString);
WINBASEAPI int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
WINBASEAPI int WINAPI GetWindowTextLengthW(HWND hWnd);
// Properties: any window's are readable from every process of the machine.
WINBASEAPI BOOL WINAPI SetPropW(HWND hWnd, LPCWSTR lpString, HANDLE hData);
WINBASEAPI HANDLE WINAPI GetPropW(HWND hWnd, LPCWSTR lpString);
WINBASEAPI HANDLE WINAPI RemovePropW(HWND hWnd, LPCWSTR lpString);
// Calls lpEnumFunc for each property in the order they were first set (an atom-named one gets
// its atom as MAKEINTATOM) until it returns FALSE. The callback's last answer; -1 when the
// window has no property or does not exist.
WINBASEAPI int WINAPI EnumPropsExW(HWND hWnd, PROPENUMPROCEXW lpEnumFunc, LPARAM lParam);
// The parent of a child window; the owner of an owned top-level window; NULL otherwise.
WINBASEAPI HWND WINAPI GetParent(HWND hWnd);
// The previous parent. NULL makes the window top-level.
WINBASEAPI HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent);
WINBASEAPI HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
WINBASEAPI int WINAPI GetDlgCtrlID(HWND hWnd);
WINBASEAPI BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam);
// The owning thread's id, and the process id through lpdwProcessId; 0 for no window.
WINBASEAPI DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
// Top-level windows of every live process of the machine, hidden ones too, in z-order (the
// topmost band first, then the most recently created or raised). Class and title are compared
// without case; a NULL one matches any. Message-only windows are never found.
WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
WINBASEAPI HWND WINAPI FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow);
WINBASEAPI BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam);

// ---- Geometry and state --------------------------------------------------------------------------------
WINBASEAPI BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
WINBASEAPI BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
// Windows have no frame here: a window's client origin is its rectangle's top left.
WINBASEAPI BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint);
WINBASEAPI BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint);
WINBASEAPI int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints);
WINBASEAPI BOOL WINAPI IsIconic(HWND hWnd);
WINBASEAPI BOOL WINAPI IsZoomed(HWND hWnd);
WINBASEAPI BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
// On a window of another process the call runs on the window's thread, like a sent message.
WINBASEAPI BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
// Whether the window was visible before.
WINBASEAPI BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
WINBASEAPI BOOL WINAPI UpdateWindow(HWND hWnd);
WINBASEAPI BOOL WINAPI SetForegroundWindow(HWND hWnd);
WINBASEAPI HWND WINAPI GetForegroundWindow(void);
WINBASEAPI HWND WINAPI SetActiveWindow(HWND hWnd);
WINBASEAPI HWND WINAPI GetActiveWindow(void);
WINBASEAPI HWND WINAPI SetFocus(HWND hWnd);
WINBASEAPI HWND WINAPI GetFocus(void);
// The process's current cursor (DefWindowProcW sets the class cursor over a client area).
WINBASEAPI HCURSOR WINAPI SetCursor(HCURSOR hCursor);
WINBASEAPI HCURSOR WINAPI GetCursor(void);
WINBASEAPI BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
WINBASEAPI BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect);
WINBASEAPI BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Validates the update region and answers a DC of the window's client area (in its top-level
// window's surface), after WM_ERASEBKGND when the background is to be erased.
WINBASEAPI HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
WINBASEAPI BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);

// System metrics and parameters: the screen comes from the machine's test controls (1920 x 1080
// at 96 dpi with a 40-pixel taskbar along the bottom unless set).
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SPI_GETWORKAREA 0x0030
#define SPI_SETWORKAREA 0x002F
#define SPI_GETANIMATION 0x0048
#define SPIF_UPDATEINIFILE 0x0001
#define SPIF_SENDCHANGE 0x0002
typedef struct tagANIMATIONINFO {
  UINT cbSize;
  int iMinAnimate;
} ANIMATIONINFO, *LPANIMATIONINFO;
WINBASEAPI int WINAPI GetSystemMetrics(int nIndex);
// SPI_SETWORKAREA broadcasts WM_SETTINGCHANGE with SPI_SETWORKAREA to every top-level window.
WINBASEAPI BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);

// ---- Input and animation --------------------------------------------------------------------------------
// Input comes only from the test controls (PlatformTest_MouseInput, PlatformTest_KeyInput); it
// is queued as the user's would be, so that pre-translation sees it.
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_F4 0x73
#define VK_PACKET 0xE7
#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF
typedef struct tagTRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
} TRACKMOUSEEVENT, *LPTRACKMOUSEEVENT;
#ifdef __cplusplus
static_assert(sizeof(TRACKMOUSEEVENT) == 24, "TRACKMOUSEEVENT is 24 bytes on x64");
#endif
// TME_HOVER: one WM_MOUSEHOVER once the mouse has rested on the window for dwHoverTime ms of
// the machine's clock (HOVER_DEFAULT: 400); TME_LEAVE: one WM_MOUSELEAVE when it leaves.
WINBASEAPI BOOL WINAPI TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack);
// The deepest visible window of the machine under the point (topmost band first).
WINBASEAPI HWND WINAPI WindowFromPoint(POINT Point);
// The machine's one mouse pointer, where the last input or SetCursorPos left it.
WINBASEAPI BOOL WINAPI GetCursorPos(LPPOINT lpPoint);
WINBASEAPI BOOL WINAPI SetCursorPos(int X, int Y);
// The key's state as the injected input left it: the high bit while it is down.
WINBASEAPI SHORT WINAPI GetKeyState(int nVirtKey);

#define AW_HOR_POSITIVE 0x00000001
#define AW_HOR_NEGATIVE 0x00000002
#define AW_VER_POSITIVE 0x00000004
#define AW_VER_NEGATIVE 0x00000008
#define AW_CENTER 0x00000010
#define AW_HIDE 0x00010000
#define AW_ACTIVATE 0x00020000
#define AW_SLIDE 0x00040000
#define AW_BLEND 0x00080000
// Shows the window (hides it with AW_HIDE) once dwTime ms of the machine's clock have passed;
// recorded in the call log. FALSE when the window is already in the asked state;
// ERROR_INVALID_PARAMETER for AW_BLEND with AW_CENTER.
WINBASEAPI BOOL WINAPI AnimateWindow(HWND hWnd, DWORD dwTime, DWORD dwFlags);
#define IDANI_OPEN 1
#define IDANI_CAPTION 3
// Recorded in the call log; the animation takes SPI_GETANIMATION's time on the machine's clock.
WINBASEAPI BOOL WINAPI DrawAnimatedRects(HWND hwnd, int idAni, const RECT* lprcFrom, const RECT* lprcTo);

// ---- Messages ----------------------------------------------------------------------------------------------
// HWND_BROADCAST posts to every top-level window of the machine. WM_COPYDATA, WM_SETTEXT and
// WM_GETTEXT cannot be posted (ERROR_MESSAGE_SYNC_ONLY). A queue holds 10,000 posted messages;
// more fail with ERROR_NOT_ENOUGH_QUOTA.
WINBASEAPI BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// ERROR_INVALID_THREAD_ID for a thread without a queue; a thread gets one at its first window or
// message call.
WINBASEAPI BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
WINBASEAPI void WINAPI PostQuitMessage(int nExitCode);
// Same thread: a direct call of the window procedure. Another thread or process: the caller
// waits while the receiver handles it inside GetMessage, PeekMessage, WaitMessage or its own send
// wait, and handles what is sent to it meanwhile. WM_COPYDATA, WM_SETTEXT and WM_GETTEXT carry
// their data; every other parameter crosses as a number. A NULL, destroyed or dying window
// answers 0 with ERROR_INVALID_WINDOW_HANDLE, also when it goes while the caller waits.
WINBASEAPI LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// 0 with ERROR_TIMEOUT when no answer came within uTimeout ms of the machine's clock.
WINBASEAPI LRESULT WINAPI SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                              UINT uTimeout, PDWORD_PTR lpdwResult);
// Order: sent messages, posted messages in order, input, sent messages again, WM_PAINT,
// WM_TIMER; WM_QUIT once no posted message is left. 0 for WM_QUIT, -1 for a bad window filter.
WINBASEAPI BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
WINBASEAPI BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
WINBASEAPI BOOL WINAPI WaitMessage(void);
// Thread messages (no window) are not dispatched; WM_TIMER with a callback calls it.
WINBASEAPI LRESULT WINAPI DispatchMessageW(const MSG* lpMsg);
WINBASEAPI BOOL WINAPI TranslateMessage(const MSG* lpMsg);
WINBASEAPI LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// WM_CLOSE destroys the window; WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE; WM_SETCURSOR asks the
// parent first; WM_PAINT validates; WM_NCCREATE takes the title.
WINBASEAPI LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
WINBASEAPI BOOL WINAPI InSendMessage(void);
WINBASEAPI DWORD WINAPI GetMessageTime(void);
// Waits for the objects or for input of the kinds in dwWakeMask: WAIT_OBJECT_0 + nCount when a
// message came. Messages sent to the thread are handled during the wait.
WINBASEAPI DWORD WINAPI GetQueueStatus(UINT flags);
WINBASEAPI DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                                  DWORD dwMilliseconds, DWORD dwWakeMask);
// One number per name in the whole machine, compared without case: 0xC000 to 0xFFFF.
WINBASEAPI UINT WINAPI RegisterWindowMessageW(LPCWSTR lpString);
// Recorded; the stand-in filters no message.
WINBASEAPI BOOL WINAPI ChangeWindowMessageFilter(UINT message, DWORD dwFlag);

// ---- Timers ------------------------------------------------------------------------------------------------
// On the machine's clock. The same window and id replaces the timer; a window-less timer gets a
// new id. Elapse below USER_TIMER_MINIMUM is raised to it. One WM_TIMER per timer is pending.
WINBASEAPI UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
WINBASEAPI BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- Message boxes -----------------------------------------------------------------------------------------
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

// Recorded in the machine's call log (program, owner, text, caption, style) and answered from
// the machine's box script. An unscripted box takes its default button and is marked so.
WINBASEAPI int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
WINBASEAPI int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// Dialogs and the classic controls.
#include <win/dialogs.h>

#include <win/user_draw.h>
