// How the DC hands its drawing to the graphics driver as the platform's engine does: the engine
// objects of a call (path, clip, brush, line attributes, mix) built from the DC's state, the
// driver function the call reaches, and what the engine does when the driver refuses one.
// The text and image calls build their clip and brushes through the same helpers.
#pragma once

#include "internal/engine_objects.h"
#include <string>

#include <win/user.h>

#include "internal/gdi_drawing.h"

namespace plat::gdi {

struct RenderOp {
  bool stroke = true;   // outline with the pen
  bool fill = false;    // fill with the brush
  int fillMode = ALTERNATE;
};

// Strokes and/or fills a device path on the DC's surface. TRUE when there was nothing to draw
// (null pen and brush, an empty path, a path wholly clipped away).
bool RenderPath(PrinterDC& dc, const DevicePath& path, const RenderOp& op);

// The clip object for drawing that covers `bounds` (device units, exclusive edges): DC_TRIVIAL
// when the clip holds the whole of it, DC_RECT for one rectangle, DC_COMPLEX beyond. nullptr
// with *visible false when nothing of `bounds` survives the clip.
engine::ClipPtr BuildClip(const PrinterDC& dc, const RECTL& bounds, bool* visible);

// The engine brush of the DC's selected brush (fill) or of its pen's brush, realised through
// the driver on first use and cached on the DC; nullptr for a null brush or pen.
BRUSHOBJ* FillBrush(PrinterDC& dc);
BRUSHOBJ* PenBrush(PrinterDC& dc);
// An engine brush of a BRUSHOBJ-to-be made from one of the DC's brush objects.
engine::BrushPtr BuildBrush(PrinterDC& dc, const BrushObject& brush);

// The driver's functions as the engine calls them for the DC's surface: a drawing function the
// surface does not hook is not called (the engine would draw itself).
engine::DriverTable HookedDriver(const PrinterDC& dc);

// The mix of a drawing call: the DC's ROP2 in the low byte, and in the next byte the ROP2 of
// the background (R2_NOP in TRANSPARENT mode, where gaps and hatch backgrounds stay unpainted).
MIX CurrentMix(const DrawState& s);

// The engine's palette of a bitmap (its colour table, or its masks and byte order), with the
// two colours of a 1-bit device bitmap taken from `mono0` and `mono1`.
engine::Palette BitmapPalette(const BitmapBits& bits, bool deviceMonochrome, COLORREF mono0, COLORREF mono1);
// BMF_ format of a bit count (0 for none).
ULONG BitmapFormat(WORD bitCount);

// ---- Raster DCs: memory bitmaps and window surfaces ---------------------------------------------
// The pixels a raster DC draws into: the memory DC's bitmap, or the part of a top-level window's
// surface that a window DC covers (its origin at `origin` in the surface). None for a screen DC.
struct RasterPixels {
  BitmapBits* bits = nullptr;
  POINT origin{0, 0};
  LONG width = 0, height = 0;
};
RasterPixels PixelsOf(const PrinterDC& dc);
// The window DC's part of its top-level window's surface (gdi_window_dc.cpp).
RasterPixels WindowPixels(const PrinterDC& dc);
// The surface of a top-level window; nullptr before anything painted it.
std::shared_ptr<BitmapBits> WindowSurface(HWND top);
// Frees the surface of a window being destroyed (none for a child).
void DropWindowSurface(HWND top);
// GetSysColor's colour of an index (0 beyond them).
COLORREF SystemColor(int index);
// The icons the process holds (USER objects, as windows are).
size_t IconCount();
// Writes a window of this process as a PNG file (gdi_capture.cpp); false with the last error.
bool CaptureLocalWindow(HWND hwnd, const std::string& path);
// A capture request that came as WM_COPYDATA, answered for the default window procedure.
bool AnswerCaptureRequest(HWND hwnd, const COPYDATASTRUCT* data, LRESULT& result);
// LoadImageW's IMAGE_ICON: a module's RT_GROUP_ICON or an .ico file (LR_LOADFROMFILE), the
// entry nearest cx x cy (0: 32).
HANDLE LoadIconImage(HINSTANCE module, LPCWSTR name, int cx, int cy, UINT flags);

// A pixel of a bitmap as RGB (its colour table, masks or byte order; a 1-bit bitmap without a
// table is black and white), and a pixel written from RGB (the nearest entry of a table).
COLORREF PixelColor(const BitmapBits& bits, LONG x, LONG y);
void SetPixelColor(BitmapBits& bits, LONG x, LONG y, COLORREF color);

// The colours of the destination's pixels: the device's own palette, as its driver gave it
// (DEVINFO::hpalDefault), or the palette of a raster DC's bits (a monochrome device bitmap
// holds black 0 and white 1 bits).
engine::Palette DevicePaletteOf(const PrinterDC& dc);

// Where a call draws: the printer's surface through the functions its driver hooks, or the
// pixels of a raster DC, which the engine draws into itself.
struct Target {
  SURFOBJ* surface = nullptr;
  HSURF own = nullptr;  // the bitmap surface laid over a raster DC's bits
  bool bitmap = false;
  PFN_DrvCopyBits copyBits = nullptr;
  PFN_DrvBitBlt bitBlt = nullptr;
  PFN_DrvStretchBlt stretchBlt = nullptr;
  PFN_DrvTransparentBlt transparentBlt = nullptr;
  PFN_DrvGradientFill gradientFill = nullptr;

  Target() = default;
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  ~Target();
};
// False (with the last error) when the DC has nothing to draw into; a screen DC answers false
// with ERROR_SUCCESS: it draws nowhere, and its callers report success.
bool TargetOf(PrinterDC& dc, Target& t);

// The brush as a raster target takes it: a solid colour becomes one of the target's own pixels.
BRUSHOBJ* TargetBrush(PrinterDC& dc, BRUSHOBJ* brush, engine::BrushPtr& holder);

// Paints `region` (device units, already inside the DC's clip) with `brush` under the ROP3.
bool PaintRegion(PrinterDC& dc, const Region& region, BRUSHOBJ* brush, BYTE rop3);
// The ROP3 that does with a pattern what a ROP2 does with a pen or brush.
BYTE Rop3OfRop2(int rop2);

// Strokes and/or fills a device path in a raster DC's pixels: fills by scanline over pixel
// centres (no anti-aliasing), cosmetic lines one pixel wide, wide lines widened and filled.
bool RasterRenderPath(PrinterDC& dc, const DevicePath& path, const RenderOp& op);

}  // namespace plat::gdi
