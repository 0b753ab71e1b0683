// GDI drawing objects (wingdi): pens, brushes, bitmaps and DIB sections, regions and logical
// fonts; creating, selecting into a device context, querying and deleting them, and the stock
// objects. Handles are small integer ids of the GDI's own table, never kernel handles.
#pragma once

#include <win/base.h>
#include <win/gdi.h>

// ---- Object kinds (GetObjectType) --------------------------------------------------------
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13
#define OBJ_COLORSPACE 14

#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)
#define CLR_INVALID 0xFFFFFFFF

// ---- Stock objects (GetStockObject) ------------------------------------------------------
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// ---- Pens --------------------------------------------------------------------------------
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

typedef struct tagEXTLOGPEN {
  DWORD elpPenStyle;
  DWORD elpWidth;
  UINT elpBrushStyle;
  COLORREF elpColor;
  ULONG_PTR elpHatch;
  DWORD elpNumEntries;
  DWORD elpStyleEntry[1];
} EXTLOGPEN, *PEXTLOGPEN, *LPEXTLOGPEN;

static_assert(sizeof(LOGPEN) == 16 && offsetof(LOGPEN, lopnColor) == 12);
static_assert(sizeof(EXTLOGPEN) == 32 && offsetof(EXTLOGPEN, elpHatch) == 16 &&
              offsetof(EXTLOGPEN, elpNumEntries) == 24 && offsetof(EXTLOGPEN, elpStyleEntry) == 28);

// ---- Brushes ------------------------------------------------------------------------------
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_INDEXED 4
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define BS_PATTERN8X8 7
#define BS_DIBPATTERN8X8 8
#define BS_MONOPATTERN 9

#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

static_assert(sizeof(LOGBRUSH) == 16 && offsetof(LOGBRUSH, lbHatch) == 8);

// ---- Bitmaps and device-independent bitmaps ------------------------------------------------
typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *PBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION, *PDIBSECTION, *LPDIBSECTION;

static_assert(sizeof(BITMAP) == 32 && offsetof(BITMAP, bmPlanes) == 16 && offsetof(BITMAP, bmBits) == 24);
static_assert(sizeof(RGBQUAD) == 4 && sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPINFO) == 44);
static_assert(sizeof(BITMAPFILEHEADER) == 14 && offsetof(BITMAPFILEHEADER, bfOffBits) == 10);
static_assert(sizeof(DIBSECTION) == 104 && offsetof(DIBSECTION, dsBmih) == 32 &&
              offsetof(DIBSECTION, dsBitfields) == 72 && offsetof(DIBSECTION, dshSection) == 88 &&
              offsetof(DIBSECTION, dsOffset) == 96);

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define BI_JPEG 4L
#define BI_PNG 5L

// ---- Regions -------------------------------------------------------------------------------
#define ERROR 0
#define RGN_ERROR ERROR
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

#define ALTERNATE 1
#define WINDING 2

// ---- Creating and using objects --------------------------------------------------------------
WINBASEAPI HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color);
WINBASEAPI HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen);
WINBASEAPI HPEN WINAPI ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle,
                                    const DWORD* pstyle);
WINBASEAPI HBRUSH WINAPI CreateSolidBrush(COLORREF color);
WINBASEAPI HBRUSH WINAPI CreateHatchBrush(int iHatch, COLORREF color);
WINBASEAPI HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm);
WINBASEAPI HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush);
WINBASEAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf);
WINBASEAPI HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits);
WINBASEAPI HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits,
                                           HANDLE hSection, DWORD offset);

WINBASEAPI HGDIOBJ WINAPI GetStockObject(int i);
WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);
WINBASEAPI HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type);
WINBASEAPI BOOL WINAPI DeleteObject(HGDIOBJ ho);
WINBASEAPI int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv);
WINBASEAPI DWORD WINAPI GetObjectType(HGDIOBJ h);

WINBASEAPI HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2);
WINBASEAPI HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect);
WINBASEAPI HRGN WINAPI CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode);
WINBASEAPI int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
WINBASEAPI int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc);
WINBASEAPI BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y);
WINBASEAPI int WINAPI OffsetRgn(HRGN hrgn, int x, int y);
WINBASEAPI BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom);
