// The print-time watermark: at the end of every page the user-interface library asks the
// renderer for the page's watermark block, draws the watermark into a memory bitmap and
// combines it into the page with SRCAND between ESC_WM_BEGIN and ESC_WM_END, so that only the
// watermark's dark pixels reach the page and the renderer knows the drawing for what it is.
#pragma once

#include <vm4k2/wmarkdata.h>
#include <win/gdi.h>

namespace vm4k2ui {

// The page step, called on DOCUMENTEVENT_ENDPAGE with the application's printer DC.
void PrintPageWatermark(HDC hdc);

// Style bits of CreateWatermarkFont.
inline constexpr UINT kWatermarkBold = 0x1;
inline constexpr UINT kWatermarkItalic = 0x2;
inline constexpr UINT kWatermarkUnderline = 0x4;
inline constexpr UINT kWatermarkStrikeOut = 0x8;

// A font for the watermark text: `size` in tenths of a point, the angle in tenths of a degree
// as escapement and orientation. NULL when the font cannot be made.
HFONT CreateWatermarkFont(HDC hdc, const WCHAR* typeface, int size, UINT style, int angle);

// The geometry of the page step, apart from the drawing so that it can be checked by itself.
// Lengths are the printer's device dots; P and Q are the printable width and height.

// The text size handed to CreateWatermarkFont for a point size (72 -> 655).
int WatermarkFontSize(SHORT fontSize, double scale);
// Whole degrees (-90..90) to tenths of a degree in 0..3599 (-45 -> 3150).
int WatermarkAngle(SHORT angleDegrees);

struct TextWatermarkLayout {
  LONG x = 0, y = 0;            // the text's origin (top-left before rotation)
  LONG blockLeft = 0, blockTop = 0;
  LONG blockWidth = 0, blockHeight = 0;  // the rotated block E x F
};
// `width` and `height` are the measured, unrotated text box before the italic widening.
TextWatermarkLayout LayoutTextWatermark(LONG width, LONG height, bool italic, int angle, LONG pageWidth,
                                        LONG pageHeight, SHORT position, LONG posX, LONG posY);

// A side of n bitmap pixels in dots on a page whose longer printable side is `longerSide`;
// evaluated in 64 bits in the order (D + 1)(n + 1) x 254 / 96 / 2970 x scale / 100.
LONG BitmapWatermarkSide(LONG longerSide, LONG pixels, SHORT scalePercent);

// Bitmap files are named by the user: larger pictures than this are refused, not drawn.
inline constexpr LONG kWatermarkBitmapMaxSide = 32767;
inline constexpr LONGLONG kWatermarkBitmapMaxPixels = 64LL * 1024 * 1024;

}  // namespace vm4k2ui
