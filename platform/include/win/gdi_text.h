// Text on a device context (wingdi): fonts by their logical description, the text calls, the
// text alignment, measuring and the font's metrics, and enumerating the machine's families.
#pragma once

#include <win/base.h>
#include <win/gdi.h>

#define FW_LIGHT 300
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_EXTRABOLD 800
#define FW_HEAVY 900
#define OEM_CHARSET 255
#define GREEK_CHARSET 161
#define RUSSIAN_CHARSET 204
#define EASTEUROPE_CHARSET 238
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0

// ExtTextOutW options
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_IGNORELANGUAGE 0x1000
#define ETO_PDY 0x2000

// SetTextAlign
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define TA_MASK (TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING)
#define GDI_ERROR 0xFFFFFFFFL

// TEXTMETRICW::tmPitchAndFamily
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

// EnumFontFamiliesExW font types
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW, *LPTEXTMETRICW;

static_assert(sizeof(TEXTMETRICW) == 60 && offsetof(TEXTMETRICW, tmFirstChar) == 44 &&
              offsetof(TEXTMETRICW, tmItalic) == 52 && offsetof(TEXTMETRICW, tmCharSet) == 56);

typedef struct tagENUMLOGFONTEXW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
  WCHAR elfScript[LF_FACESIZE];
} ENUMLOGFONTEXW, *LPENUMLOGFONTEXW;

static_assert(sizeof(ENUMLOGFONTEXW) == 348);

typedef int(CALLBACK* FONTENUMPROCW)(const LOGFONTW* lplf, const TEXTMETRICW* lptm, DWORD fontType, LPARAM lParam);

WINBASEAPI HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                    DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                    DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                                    LPCWSTR pszFaceName);
WINBASEAPI BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
WINBASEAPI BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                                   const INT* lpDx);
WINBASEAPI BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl);
WINBASEAPI BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm);
WINBASEAPI int WINAPI GetTextFaceW(HDC hdc, int c, LPWSTR lpName);
WINBASEAPI UINT WINAPI SetTextAlign(HDC hdc, UINT align);
WINBASEAPI UINT WINAPI GetTextAlign(HDC hdc);
WINBASEAPI int WINAPI EnumFontFamiliesExW(HDC hdc, LPLOGFONTW lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam,
                                          DWORD dwFlags);
