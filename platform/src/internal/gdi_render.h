// How the DC hands its drawing to the graphics driver as the platform's engine does: the engine
// objects of a call (path, clip, brush, line attributes, mix) built from the DC's state, the
// driver function the call reaches, and what the engine does when the driver refuses one.
// The text and image calls build their clip and brushes through the same helpers.
#pragma once

#include "internal/engine_objects.h"
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

}  // namespace plat::gdi
