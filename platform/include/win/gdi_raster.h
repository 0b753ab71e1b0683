// Device-context calls of wingdi that memory bitmaps and window surfaces need beyond printing:
// the saved states, the MM_ANISOTROPIC mapping with its extents, right-to-left layout, reading
// and writing a bitmap's rows as a device-independent bitmap, single pixels, region fills and
// font families enumerated the older way.
#pragma once

#include <win/base.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>

#define MM_LOENGLISH 2
#define MM_HIENGLISH 3
#define MM_LOMETRIC 4
#define MM_HIMETRIC 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

#define LAYOUT_RTL 0x00000001
#define LAYOUT_BITMAPORIENTATIONPRESERVED 0x00000008


#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI int WINAPI SaveDC(HDC hdc);
// nSavedDC > 0: that state (and the ones saved after it are dropped); < 0: relative to the last.
WINBASEAPI BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC);

WINBASEAPI int WINAPI SetMapMode(HDC hdc, int iMode);
WINBASEAPI BOOL WINAPI SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
WINBASEAPI BOOL WINAPI GetWindowExtEx(HDC hdc, LPSIZE lpsize);
WINBASEAPI BOOL WINAPI SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
WINBASEAPI BOOL WINAPI GetViewportExtEx(HDC hdc, LPSIZE lpsize);
WINBASEAPI BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINBASEAPI DWORD WINAPI SetLayout(HDC hdc, DWORD l);
WINBASEAPI DWORD WINAPI GetLayout(HDC hdc);

// Rows of a bitmap as a DIB: lpvBits NULL fills in the header (biSizeImage, the colour table).
WINBASEAPI int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                UINT usage);
WINBASEAPI int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID* lpBits,
                                const BITMAPINFO* lpbmi, UINT ColorUse);
WINBASEAPI COLORREF WINAPI GetPixel(HDC hdc, int x, int y);
WINBASEAPI COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color);

WINBASEAPI BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr);
WINBASEAPI int WINAPI GetClipRgn(HDC hdc, HRGN hrgn);

WINBASEAPI int WINAPI EnumFontFamiliesW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam);
WINBASEAPI BOOL WINAPI GetTextExtentPointW(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpsz);

#ifdef __cplusplus
}
#endif
