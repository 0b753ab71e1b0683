// The taskbar's notification area (Shell_NotifyIconW) and its position (SHAppBarMessage).
// The notification area belongs to the machine: its icons are kept under the machine root, so
// every process sees the icons of every other one, and they outlive the program that added
// them, as on the platform. Test controls stop and restart the taskbar, add its windows and
// act on an icon as the user.
#pragma once

#include <win/base.h>

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIM_SETFOCUS 0x00000003
#define NIM_SETVERSION 0x00000004

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010
#define NIF_GUID 0x00000020
#define NIF_REALTIME 0x00000040
#define NIF_SHOWTIP 0x00000080

#define NIS_HIDDEN 0x00000001
#define NIS_SHAREDICON 0x00000002

#define NOTIFYICON_VERSION 3
#define NOTIFYICON_VERSION_4 4

typedef struct _NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  WCHAR szInfo[256];
  union {
    UINT uTimeout;
    UINT uVersion;
  };
  WCHAR szInfoTitle[64];
  DWORD dwInfoFlags;
  GUID guidItem;
  HICON hBalloonIcon;
} NOTIFYICONDATAW, *PNOTIFYICONDATAW;

// The sizes of the structure's earlier versions, which the call accepts too.
#define NOTIFYICONDATAW_V1_SIZE 168  // up to szTip[64]
#define NOTIFYICONDATAW_V2_SIZE 952  // up to guidItem
#define NOTIFYICONDATAW_V3_SIZE 968  // up to hBalloonIcon

static_assert(sizeof(NOTIFYICONDATAW) == 976 && offsetof(NOTIFYICONDATAW, hWnd) == 8 &&
              offsetof(NOTIFYICONDATAW, uID) == 16 && offsetof(NOTIFYICONDATAW, uCallbackMessage) == 24 &&
              offsetof(NOTIFYICONDATAW, hIcon) == 32 && offsetof(NOTIFYICONDATAW, szTip) == 40 &&
              offsetof(NOTIFYICONDATAW, dwState) == 296 && offsetof(NOTIFYICONDATAW, szInfo) == 304 &&
              offsetof(NOTIFYICONDATAW, uTimeout) == 816 && offsetof(NOTIFYICONDATAW, szInfoTitle) == 820 &&
              offsetof(NOTIFYICONDATAW, dwInfoFlags) == 948 && offsetof(NOTIFYICONDATAW, guidItem) == 952 &&
              offsetof(NOTIFYICONDATAW, hBalloonIcon) == 968);

// ---- The taskbar's position ------------------------------------------------------------------
#define ABM_NEW 0x00000000
#define ABM_REMOVE 0x00000001
#define ABM_QUERYPOS 0x00000002
#define ABM_SETPOS 0x00000003
#define ABM_GETSTATE 0x00000004
#define ABM_GETTASKBARPOS 0x00000005

#define ABE_LEFT 0
#define ABE_TOP 1
#define ABE_RIGHT 2
#define ABE_BOTTOM 3

#define ABS_AUTOHIDE 0x0000001
#define ABS_ALWAYSONTOP 0x0000002

typedef struct _AppBarData {
  DWORD cbSize;
  HWND hWnd;
  UINT uCallbackMessage;
  UINT uEdge;
  RECT rc;
  LPARAM lParam;
} APPBARDATA, *PAPPBARDATA;

static_assert(sizeof(APPBARDATA) == 48 && offsetof(APPBARDATA, hWnd) == 8 && offsetof(APPBARDATA, uEdge) == 20 &&
              offsetof(APPBARDATA, rc) == 24 && offsetof(APPBARDATA, lParam) == 40);

#ifdef __cplusplus
extern "C" {
#endif

// An icon is named by its window and id. NIM_ADD fails for an icon that exists, NIM_MODIFY,
// NIM_DELETE, NIM_SETFOCUS and NIM_SETVERSION for one that does not. NIM_ADD and NIM_MODIFY
// take the fields uFlags names (a tip is cut to the structure's tip field). cbSize must be
// one of the structure's sizes (976, or a _V1_/_V2_/_V3_SIZE), else ERROR_INVALID_PARAMETER;
// no byte beyond cbSize is read. While the taskbar is not running every call fails
// (ERROR_TIMEOUT). Each call is recorded in the machine's call log ("event":"tray").
WINBASEAPI BOOL WINAPI Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData);

// ABM_GETTASKBARPOS: the taskbar's window, edge and rectangle, TRUE while the taskbar's
// windows exist (a test control adds them; a fresh machine has none). cbSize must be
// sizeof(APPBARDATA). Other messages answer 0.
WINBASEAPI UINT_PTR WINAPI SHAppBarMessage(DWORD dwMessage, PAPPBARDATA pData);

#ifdef __cplusplus
}
#endif
