// The graphics engine's font and text objects as a printer driver sees them (winddi): the
// font's metrics (IFIMETRICS), the notional-to-device transform (XFORMOBJ), glyph images
// (GLYPHDATA, GLYPHBITS), the string's glyph positions (STROBJ), and the services that read
// them. Windows x64 layouts, pinned below.
#pragma once

#include <win/ddi.h>

typedef SHORT FWORD;
typedef FLOAT FLOATL;

// FONTOBJ::flFontType beyond the FO_TYPE_ kinds.
#define FO_SIM_BOLD 0x00002000
#define FO_SIM_ITALIC 0x00004000
#define FO_EM_HEIGHT 0x00008000
#define FO_GRAY16 0x00010000
#define FO_NOGRAY16 0x00020000
#define FO_NOHINTS 0x00040000
#define FO_NO_CHOICE 0x00080000
#define FO_CFF 0x00100000
#define FO_POSTSCRIPT 0x00200000
#define FO_MULTIPLEMASTER 0x00400000
#define FO_VERT_FACE 0x00800000
#define FO_DBCS_FONT 0x01000000

// STROBJ::flAccel
#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define SO_ZERO_BEARINGS 0x00000010
#define SO_CHAR_INC_EQUAL_BM_BASE 0x00000020
#define SO_MAXEXT_EQUAL_BM_SIDE 0x00000040
#define SO_DO_NOT_SUBSTITUTE_DEVICE_FONT 0x00000080
#define SO_GLYPHINDEX_TEXTOUT 0x00000100
#define SO_ESC_NOT_ORIENT 0x00000200
#define SO_DXDY 0x00000400
#define SO_CHARACTER_EXTRA 0x00000800
#define SO_BREAK_EXTRA 0x00001000

// IFIMETRICS::fsSelection
#define FM_SEL_ITALIC 0x0001
#define FM_SEL_UNDERSCORE 0x0002
#define FM_SEL_NEGATIVE 0x0004
#define FM_SEL_OUTLINED 0x0008
#define FM_SEL_STRIKEOUT 0x0010
#define FM_SEL_BOLD 0x0020
#define FM_SEL_REGULAR 0x0040

// IFIMETRICS::flInfo (FM_INFO_TECH_TRUETYPE is in ddi.h)
#define FM_INFO_TECH_BITMAP 0x00000002
#define FM_INFO_TECH_STROKE 0x00000004
#define FM_INFO_TECH_OUTLINE_NOT_TRUETYPE 0x00000008
#define FM_INFO_ARB_XFORMS 0x00000010
#define FM_INFO_1BPP 0x00000020
#define FM_INFO_INTEGER_WIDTH 0x00000100
#define FM_INFO_CONSTANT_WIDTH 0x00000200
#define FM_INFO_NOT_CONTIGUOUS 0x00000400
#define FM_INFO_RETURNS_OUTLINES 0x00010000
#define FM_INFO_RETURNS_BITMAPS 0x00040000
#define FM_INFO_UNICODE_COMPLIANT 0x00080000
#define FM_INFO_RIGHT_HANDED 0x00100000
#define FM_INFO_TECH_TYPE1 0x00400000
#define FM_INFO_TECH_CFF 0x04000000

// XFORMOBJ_iGetXform answers; XFORMOBJ_bApplyXform modes.
#define GX_IDENTITY 0L
#define GX_OFFSET 1L
#define GX_SCALE 2L
#define GX_GENERAL 3L
#define XF_LTOL 0L
#define XF_INV_LTOL 1L
#define XF_LTOFX 2L
#define XF_INV_FXTOL 3L
#define DDI_ERROR 0xFFFFFFFF
// DrvQueryAdvanceWidths modes.
#define QAW_GETWIDTHS 0L
#define QAW_GETEASYWIDTHS 1L

typedef struct tagPANOSE {
  BYTE bFamilyType;
  BYTE bSerifStyle;
  BYTE bWeight;
  BYTE bProportion;
  BYTE bContrast;
  BYTE bStrokeVariation;
  BYTE bArmStyle;
  BYTE bLetterform;
  BYTE bMidline;
  BYTE bXHeight;
} PANOSE;

typedef struct _IFIMETRICS {
  ULONG cjThis;
  ULONG cjIfiExtra;
  PTRDIFF dpwszFamilyName;  // byte offsets from the start of the record
  PTRDIFF dpwszStyleName;
  PTRDIFF dpwszFaceName;
  PTRDIFF dpwszUniqueName;
  PTRDIFF dpFontSim;
  LONG lEmbedId;
  LONG lItalicAngle;
  LONG lCharBias;
  PTRDIFF dpCharSets;
  BYTE jWinCharSet;
  BYTE jWinPitchAndFamily;
  USHORT usWinWeight;
  ULONG flInfo;
  USHORT fsSelection;
  USHORT fsType;
  FWORD fwdUnitsPerEm;
  FWORD fwdLowestPPEm;
  FWORD fwdWinAscender;
  FWORD fwdWinDescender;
  FWORD fwdMacAscender;
  FWORD fwdMacDescender;
  FWORD fwdMacLineGap;
  FWORD fwdTypoAscender;
  FWORD fwdTypoDescender;
  FWORD fwdTypoLineGap;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  FWORD fwdCapHeight;
  FWORD fwdXHeight;
  FWORD fwdSubscriptXSize;
  FWORD fwdSubscriptYSize;
  FWORD fwdSubscriptXOffset;
  FWORD fwdSubscriptYOffset;
  FWORD fwdSuperscriptXSize;
  FWORD fwdSuperscriptYSize;
  FWORD fwdSuperscriptXOffset;
  FWORD fwdSuperscriptYOffset;
  FWORD fwdUnderscoreSize;
  FWORD fwdUnderscorePosition;
  FWORD fwdStrikeoutSize;
  FWORD fwdStrikeoutPosition;
  BYTE chFirstChar;
  BYTE chLastChar;
  BYTE chDefaultChar;
  BYTE chBreakChar;
  WCHAR wcFirstChar;
  WCHAR wcLastChar;
  WCHAR wcDefaultChar;
  WCHAR wcBreakChar;
  POINTL ptlBaseline;
  POINTL ptlAspect;
  POINTL ptlCaret;
  RECTL rclFontBox;
  BYTE achVendId[4];
  ULONG cKerningPairs;
  ULONG ulPanoseCulture;
  PANOSE panose;
  PVOID Align;
} IFIMETRICS, *PIFIMETRICS;

static_assert(sizeof(PANOSE) == 10);
static_assert(offsetof(IFIMETRICS, dpwszFaceName) == 16 && offsetof(IFIMETRICS, jWinCharSet) == 44);
static_assert(offsetof(IFIMETRICS, flInfo) == 48 && offsetof(IFIMETRICS, fsSelection) == 52);
static_assert(offsetof(IFIMETRICS, fwdUnitsPerEm) == 56 && offsetof(IFIMETRICS, fwdUnderscoreSize) == 100);
static_assert(offsetof(IFIMETRICS, chFirstChar) == 108 && offsetof(IFIMETRICS, ptlBaseline) == 120);
static_assert(offsetof(IFIMETRICS, rclFontBox) == 144 && offsetof(IFIMETRICS, panose) == 172);
static_assert(sizeof(IFIMETRICS) == 192);

typedef struct _XFORML {
  FLOATL eM11;
  FLOATL eM12;
  FLOATL eM21;
  FLOATL eM22;
  FLOATL eDx;
  FLOATL eDy;
} XFORML, *PXFORML;

typedef struct _POINTQF {
  LARGE_INTEGER x;
  LARGE_INTEGER y;
} POINTQF;

typedef struct _GLYPHDATA {
  GLYPHDEF gdf;
  HGLYPH hg;
  FIX fxD;         // advance along the baseline, 28.4
  FIX fxA;         // leading bearing
  FIX fxAB;        // advance minus the trailing bearing
  FIX fxInkTop;
  FIX fxInkBottom;
  RECTL rclInk;
  POINTQF ptqD;    // advance vector, 32.32
} GLYPHDATA;

static_assert(sizeof(XFORML) == 24 && sizeof(POINTQF) == 16);
static_assert(offsetof(GLYPHDATA, hg) == 8 && offsetof(GLYPHDATA, rclInk) == 32 && offsetof(GLYPHDATA, ptqD) == 48);
static_assert(sizeof(GLYPHDATA) == 64);

// ---- Engine services -----------------------------------------------------------------------
// One glyph per call, as the engine hands them: *ppvGlyph receives the GLYPHDATA, valid until
// the next call for the font. FO_GLYPHBITS gives a 1-bit image with byte-aligned rows, its
// origin relative to the character origin; FO_PATHOBJ gives the outline in device space.
WINBASEAPI ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph);
WINBASEAPI IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo);
// The whole font file for a TrueType or OpenType font; NULL for a font of another technology.
WINBASEAPI PVOID APIENTRY FONTOBJ_pvTrueTypeFontFile(FONTOBJ* pfo, ULONG* pcjFile);
WINBASEAPI XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo);
WINBASEAPI ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);
WINBASEAPI BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut);
WINBASEAPI VOID APIENTRY STROBJ_vEnumStart(STROBJ* pstro);
// The next batch of glyph positions: TRUE while more batches follow.
WINBASEAPI BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos);
WINBASEAPI DWORD APIENTRY STROBJ_dwGetCodePage(STROBJ* pstro);
// Bytes written; -1 for a code page the engine does not have. Unmappable characters become
// the code page's default character.
WINBASEAPI INT APIENTRY EngWideCharToMultiByte(UINT CodePage, LPWSTR WideCharString, INT BytesInWideCharString,
                                               LPSTR MultiByteString, INT BytesInMultiByteString);
