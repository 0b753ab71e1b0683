// Bitmaps on a device context (wingdi, with LoadImageW of winuser): memory device contexts,
// bit-block transfers with raster operations, stretching and its modes, device-independent
// bitmaps drawn straight to a device, transparent blits, gradients, and bitmaps loaded from
// BMP files. COLORADJUSTMENT and TRIVERTEX are the engine's records (win/ddi.h).
#pragma once

#include <win/base.h>
#include <win/ddi.h>
#include <win/gdi_objects.h>

// Ternary raster operations (the ROP3 in bits 16..23, the platform's operation code below).
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062
#define NOMIRRORBITMAP 0x80000000
#define CAPTUREBLT 0x40000000
#define MAKEROP4(fore, back) ((DWORD)((((back) << 8) & 0xFF000000) | (fore)))

// Stretching modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// COLORADJUSTMENT values.
#define CA_NEGATIVE 0x0001
#define CA_LOG_FILTER 0x0002
#define ILLUMINANT_DEVICE_DEFAULT 0
#define ILLUMINANT_MAX_INDEX 8
#define RGB_GAMMA_MIN 2500
#define RGB_GAMMA_MAX 65000
#define REFERENCE_WHITE_MIN 6000
#define REFERENCE_WHITE_MAX 10000
#define REFERENCE_BLACK_MIN 0
#define REFERENCE_BLACK_MAX 4000
#define COLOR_ADJ_MIN -100
#define COLOR_ADJ_MAX 100

// Gradients.
typedef struct _GRADIENT_TRIANGLE {
  ULONG Vertex1;
  ULONG Vertex2;
  ULONG Vertex3;
} GRADIENT_TRIANGLE, *PGRADIENT_TRIANGLE;

typedef struct _GRADIENT_RECT {
  ULONG UpperLeft;
  ULONG LowerRight;
} GRADIENT_RECT, *PGRADIENT_RECT;

static_assert(sizeof(GRADIENT_TRIANGLE) == 12 && sizeof(GRADIENT_RECT) == 8);

#define GRADIENT_FILL_RECT_H 0x00000000
#define GRADIENT_FILL_RECT_V 0x00000001
#define GRADIENT_FILL_TRIANGLE 0x00000002
#define GRADIENT_FILL_OP_FLAG 0x000000FF

// LoadImageW.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_VGACOLOR 0x00000080
#define LR_LOADMAP3DCOLORS 0x00001000
#define LR_CREATEDIBSECTION 0x00002000
#define LR_SHARED 0x00008000

WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC hdc);
WINBASEAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy);

WINBASEAPI BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
WINBASEAPI BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                  int ySrc, int wSrc, int hSrc, DWORD rop);
WINBASEAPI BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
WINBASEAPI int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                    int SrcWidth, int SrcHeight, const VOID* lpBits, const BITMAPINFO* lpbmi,
                                    UINT iUsage, DWORD rop);
WINBASEAPI int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                        UINT StartScan, UINT cLines, const VOID* lpvBits, const BITMAPINFO* lpbmi,
                                        UINT ColorUse);
WINBASEAPI BOOL WINAPI TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest,
                                      HDC hdcSrc, int xoriginSrc, int yoriginSrc, int wSrc, int hSrc, UINT crTransparent);
WINBASEAPI BOOL WINAPI GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode);

WINBASEAPI int WINAPI SetStretchBltMode(HDC hdc, int mode);
WINBASEAPI int WINAPI GetStretchBltMode(HDC hdc);
WINBASEAPI BOOL WINAPI SetColorAdjustment(HDC hdc, const COLORADJUSTMENT* lpca);
WINBASEAPI BOOL WINAPI GetColorAdjustment(HDC hdc, COLORADJUSTMENT* lpca);

WINBASEAPI HANDLE WINAPI LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);
