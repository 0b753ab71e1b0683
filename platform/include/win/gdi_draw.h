// Drawing on a device context (wingdi): coordinate mapping (MM_TEXT with window and viewport
// origins), the current position, lines, curves and closed shapes, path brackets, the drawing
// modes, and clipping. The engine hands every call to the DC's graphics driver.
#pragma once

#include <win/base.h>
#include <win/gdi_objects.h>

typedef FLOAT* PFLOAT;

// The error of a path call made outside the bracket it needs.
#ifndef ERROR_CAN_NOT_COMPLETE
#define ERROR_CAN_NOT_COMPLETE 1003L
#endif

// Mapping modes; the stand-in maps MM_TEXT only.
#define MM_TEXT 1

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Binary raster operations (SetROP2).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Point types of a path (GetPath, PolyDraw).
#define PT_CLOSEFIGURE 0x01
#define PT_LINETO 0x02
#define PT_BEZIERTO 0x04
#define PT_MOVETO 0x06

// Region modes of ExtSelectClipRgn.
#define RGN_MIN RGN_AND
#define RGN_MAX RGN_COPY

// ---- Mapping -------------------------------------------------------------------------------
WINBASEAPI int WINAPI GetMapMode(HDC hdc);
WINBASEAPI BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINBASEAPI BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint);
WINBASEAPI BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINBASEAPI BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint);
WINBASEAPI BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c);
WINBASEAPI BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c);

// ---- Modes ---------------------------------------------------------------------------------
WINBASEAPI int WINAPI SetBkMode(HDC hdc, int mode);
WINBASEAPI int WINAPI GetBkMode(HDC hdc);
WINBASEAPI COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
WINBASEAPI COLORREF WINAPI GetBkColor(HDC hdc);
WINBASEAPI COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
WINBASEAPI COLORREF WINAPI GetTextColor(HDC hdc);
WINBASEAPI int WINAPI SetROP2(HDC hdc, int rop2);
WINBASEAPI int WINAPI GetROP2(HDC hdc);
WINBASEAPI int WINAPI SetPolyFillMode(HDC hdc, int mode);
WINBASEAPI int WINAPI GetPolyFillMode(HDC hdc);
WINBASEAPI BOOL WINAPI SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
WINBASEAPI BOOL WINAPI SetMiterLimit(HDC hdc, FLOAT limit, PFLOAT old);
WINBASEAPI COLORREF WINAPI SetDCBrushColor(HDC hdc, COLORREF color);
WINBASEAPI COLORREF WINAPI SetDCPenColor(HDC hdc, COLORREF color);

// ---- Lines, curves and shapes --------------------------------------------------------------
WINBASEAPI BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
WINBASEAPI BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt);
WINBASEAPI BOOL WINAPI LineTo(HDC hdc, int x, int y);
WINBASEAPI BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt);
WINBASEAPI BOOL WINAPI PolyBezier(HDC hdc, const POINT* apt, DWORD cpt);
WINBASEAPI BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt);
WINBASEAPI BOOL WINAPI PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz);
WINBASEAPI BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom);
WINBASEAPI BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
WINBASEAPI BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom);
WINBASEAPI BOOL WINAPI Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
WINBASEAPI BOOL WINAPI Pie(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
WINBASEAPI BOOL WINAPI Chord(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

// ---- Paths ---------------------------------------------------------------------------------
WINBASEAPI BOOL WINAPI BeginPath(HDC hdc);
WINBASEAPI BOOL WINAPI EndPath(HDC hdc);
WINBASEAPI BOOL WINAPI AbortPath(HDC hdc);
WINBASEAPI BOOL WINAPI CloseFigure(HDC hdc);
WINBASEAPI BOOL WINAPI StrokePath(HDC hdc);
WINBASEAPI BOOL WINAPI FillPath(HDC hdc);
WINBASEAPI BOOL WINAPI StrokeAndFillPath(HDC hdc);
WINBASEAPI int WINAPI GetPath(HDC hdc, LPPOINT apt, LPBYTE aj, int cpt);

// ---- Clipping ------------------------------------------------------------------------------
WINBASEAPI int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn);
WINBASEAPI int WINAPI ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode);
WINBASEAPI int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
WINBASEAPI int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
WINBASEAPI int WINAPI GetClipBox(HDC hdc, LPRECT lprect);

#include <win/gdi_raster.h>
