// Graphics state of the renderer: the device set-up from the merged settings, and the cached
// PCL XL state of a page. Every setter compares the wanted value with the page's cache
// (PdevGraphicsState) and writes the attribute and its operator only when they differ, so
// drawing calls that share their state add no bytes for it.
#pragma once

#include <win/base.h>

#include "gdi/pdev.h"

struct RenderDevmode;

// Transparency codes of Gx_SetRop.
constexpr DWORD GX_OPAQUE = 10;
constexpr DWORD GX_TRANSPARENT = 20;

// Object kinds (PdevGraphicsState::objectKind) of the drawing entry points.
constexpr DWORD GX_KIND_TEXT = 0;
constexpr DWORD GX_KIND_VECTOR = 1;
constexpr DWORD GX_KIND_IMAGE = 2;

// Pen styles of the cache and of Gx_SetLineDash.
enum GxPenStyle : LONG {
  GX_PEN_SOLID = 0,
  GX_PEN_DASH = 1,
  GX_PEN_DOT = 2,
  GX_PEN_DASHDOT = 3,
  GX_PEN_DASHDOTDOT = 4,
  GX_PEN_NULL = 5,
  GX_PEN_ALTERNATE = 6,
  GX_PEN_USER = 7,
};

// Colour-space codes of Gx_SetColorSpace: 0 the job's own (grey or RGB by dmColor), 1 grey,
// 2 RGB; the palette codes complete the indexed form Brush_SetPalette has begun.
constexpr int GX_SPACE_JOB = 0;
constexpr int GX_SPACE_GRAY = 1;
constexpr int GX_SPACE_RGB = 2;
constexpr int GX_SPACE_PALETTE = 6;

// Takes the merged settings into the device record: the settings themselves (guard word written
// before and after the copy), the physical page of their paper and resolution, and the
// orientation. Returns 1.
BOOL Gx_InitPdevDevmode(PDEV* pdev, const RenderDevmode* settings);

// Forgets the page's graphics state at a page start: every cached attribute takes a value no
// real attribute has, so the first drawing call of the page sends each one again. The text
// output's character attributes are forgotten with it (font 0xFFFF, size 65535.0, angle -1,
// scale, shear and bold 1.2345). Job-long counters and the downloaded patterns stay.
void Gx_ResetStateCache(PDEV* pdev);

// Forgets what a page transform written behind the cache made stale (an escape's own
// SetPageDefaultCTM, origin, rotation, scale and clip): the clip box and clip path, and the
// attributes given in user units (pen width and dash, the pattern origins, the character
// attributes). The next drawing call sends them again in the new frame.
void Gx_ForgetTransformState(PDEV* pdev);

// The printer's object mode (0 text and vectors, 1..3 the other object kinds). Only colour jobs
// carry it: mode 0 sends the vendor-unique command every time, 1..3 are only remembered; any
// other value is an internal error.
void Gx_SetObjectMode(PDEV* pdev, DWORD mode);

// ROP3, source and paint transparency (GX_OPAQUE / GX_TRANSPARENT), then the object mode.
// While the watermark is drawn, or a form part is open, the watermark's and the form's ROPs
// replace the given one (see gx.cpp). A transparency code other than 10 or 20 is an internal
// error and is sent as transparent.
void Gx_SetRop(PDEV* pdev, BYTE rop, DWORD sourceTx, DWORD paintTx, DWORD objectMode);
void Gx_SetFillMode(PDEV* pdev, BOOL evenOdd);
void Gx_SetClipMode(PDEV* pdev, BOOL evenOdd);
void Gx_SetNullBrush(PDEV* pdev);
void Gx_SetNullPen(PDEV* pdev);
// A solid pen or brush colour: GrayLevel (the colour's grey) in grey jobs, RGBColor in colour
// jobs, after the colour adjustment and the black conversion of the settings.
void Gx_SetPenColor(PDEV* pdev, COLORREF colour);
void Gx_SetBrushColor(PDEV* pdev, COLORREF colour);
// 1 when ColorSpace was written. GX_SPACE_JOB writes only a change; 1 and 2 always write;
// a palette code ends the palette sequence (PaletteData and SetColorSpace). Any other code is
// an internal error and writes nothing.
BOOL Gx_SetColorSpace(PDEV* pdev, int space);
// Solid line first, then the width (uint16 dots) when the dash was just written or the width
// differs.
void Gx_SetPenWidth(PDEV* pdev, LONG width);
// The width alone, for styled lines: their dash is set next and must not be undone first.
void Gx_SetPenWidthKeepDash(PDEV* pdev, LONG width);
// 1 when written. GX_PEN_SOLID and the four built-in dashes (entries scaled to the job's
// resolution); GX_PEN_ALTERNATE and GX_PEN_USER are only remembered (their dash is written by
// the path module); anything else is an internal error.
BOOL Gx_SetLineDash(PDEV* pdev, LONG penStyle);
// The clip rectangle (exclusive right and bottom, device dots) cut to the page's printable box,
// or the printable box itself for none. Intersected in 32 bits, so edges beyond the 16-bit
// range clamp to the box instead of wrapping.
void Gx_SetClipBox(PDEV* pdev, const RECTL* box);
// SetCursor at the top left, NewPath, BoundingBox, RectanglePath, PaintPath.
void Gx_RectanglePath(PDEV* pdev, const RECTL* box);
// 1 when the call-range filter skips this drawing call.
BOOL Gx_IsCallSkipped(PDEV* pdev);
// A frame around an object of kind 4, 5 or 6 while the settings' dwDumpFlags ask for it.
void Gx_DrawDebugFrame(PDEV* pdev, int kind, const RECTL* box);
