// Drawing calls of winuser: the DCs of windows and of the screen, rectangles, focus
// rectangles, formatted text, system colours, icons and disabled images, and the count of a
// process's GUI objects.
#pragma once

#include <win/base.h>
#include <win/gdi_objects.h>

// System colours (GetSysColor); the stand-in's values are the platform's classic defaults.
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT

#ifndef ERROR_INVALID_CURSOR_HANDLE
#define ERROR_INVALID_CURSOR_HANDLE 1402L
#endif

#ifndef WM_SYSCOLORCHANGE
#define WM_SYSCOLORCHANGE 0x0015
#endif

// DrawTextW formats.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000
#define DT_RTLREADING 0x00020000

// GetGuiResources.
#define GR_GDIOBJECTS 0
#define GR_USEROBJECTS 1
#define GR_GDIOBJECTS_PEAK 2
#define GR_USEROBJECTS_PEAK 4

// DrawIconEx.
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008

// DrawStateW.
#define DST_COMPLEX 0x0000
#define DST_TEXT 0x0001
#define DST_PREFIXTEXT 0x0002
#define DST_ICON 0x0003
#define DST_BITMAP 0x0004
#define DSS_NORMAL 0x0000
#define DSS_UNION 0x0010
#define DSS_DISABLED 0x0020
#define DSS_MONO 0x0080
#define DSS_RIGHT 0x8000

typedef struct _ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

static_assert(sizeof(ICONINFO) == 32 && offsetof(ICONINFO, hbmMask) == 16);

typedef BOOL(CALLBACK* DRAWSTATEPROC)(HDC hdc, LPARAM lData, WPARAM wData, int cx, int cy);

#ifdef __cplusplus
extern "C" {
#endif

// The client area of a window (NULL: the screen, which draws nowhere); released with ReleaseDC.
WINBASEAPI HDC WINAPI GetDC(HWND hWnd);
// The whole window, frame included.
WINBASEAPI HDC WINAPI GetWindowDC(HWND hWnd);
WINBASEAPI int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
WINBASEAPI HWND WINAPI WindowFromDC(HDC hDC);

WINBASEAPI int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
WINBASEAPI int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
WINBASEAPI BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc);
WINBASEAPI BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc);
WINBASEAPI int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);

WINBASEAPI DWORD WINAPI GetSysColor(int nIndex);
// A stock brush of the colour (never deleted).
WINBASEAPI HBRUSH WINAPI GetSysColorBrush(int nIndex);
WINBASEAPI BOOL WINAPI SetSysColors(int cElements, const INT* lpaElements, const COLORREF* lpaRgbValues);

WINBASEAPI HICON WINAPI CreateIconIndirect(PICONINFO piconinfo);
WINBASEAPI BOOL WINAPI DestroyIcon(HICON hIcon);
// Copies of the icon's mask and colour bitmaps, which the caller deletes.
WINBASEAPI BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo);
WINBASEAPI BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth,
                                  UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw, UINT diFlags);
WINBASEAPI BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
WINBASEAPI HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
WINBASEAPI BOOL WINAPI DrawStateW(HDC hdc, HBRUSH hbrFore, DRAWSTATEPROC qfnCallBack, LPARAM lData, WPARAM wData,
                                  int x, int y, int cx, int cy, UINT uFlags);

// The GDI objects (GR_GDIOBJECTS) or USER objects (windows, icons, menus: GR_USEROBJECTS) the process
// holds, or the most it has held (the _PEAK flags). Only the calling process can be asked.
WINBASEAPI DWORD WINAPI GetGuiResources(HANDLE hProcess, DWORD uiFlags);

#ifdef __cplusplus
}
#endif
