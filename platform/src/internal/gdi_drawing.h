// What the drawing modules of the stand-in GDI share: the DC's drawing state with its defaults,
// the logical-to-device mapping, the clip, device-independent bitmaps read from callers, and the
// shapes as device paths.
#pragma once

#include <memory>

#include "internal/gdi_dc.h"

namespace plat::gdi {

// The DC's drawing state, with the default objects selected on first use (the black pen, the
// white brush, the system font and, in a memory DC, the 1 x 1 monochrome bitmap).
DrawState& StateOf(PrinterDC& dc);
// The DC of a drawing call and its state; nullptr (ERROR_INVALID_HANDLE) for an unknown DC.
std::shared_ptr<PrinterDC> DrawingDC(HDC hdc);

bool BitmapInUse(const BitmapObject& bitmap);

// The screen's device capabilities (GetDC(NULL), memory DCs compatible with the screen): 96
// dots per inch, 32 bits a pixel, the machine's screen size.
void ScreenDeviceInfo(GDIINFO& info);

// ---- Mapping (MM_TEXT): device = logical - window origin + viewport origin -------------
POINT ToDevice(const DrawState& s, POINT logical);
POINT ToLogical(const DrawState& s, POINT device);
inline POINTFIX ToFix(POINT device) { return POINTFIX{device.x * 16, device.y * 16}; }

// ---- Clip ---------------------------------------------------------------------------------
// The surface's own rectangle in device units (the selected bitmap of a memory DC).
RECT SurfaceRect(const PrinterDC& dc);
// Combines `region` (device units; nullptr means none) into the clip with `mode` as
// ExtSelectClipRgn does, and answers the new clip's complexity or ERROR.
int SelectClipRegion(PrinterDC& dc, const Region* region, int mode);
// The region drawing is clipped to: the clip region, or the surface when there is none.
Region EffectiveClip(const PrinterDC& dc);

// ---- Bitmaps from callers -------------------------------------------------------------------
// The bitmap a BITMAPINFO describes: header checked (size, planes, depth, compression, the
// geometry's byte count), colour table copied. The rows come from `bits`, or follow the
// colour table when `packed`, or are zero when neither. nullptr with the last error set on
// bad input. `header` (optional) receives the header as read.
std::shared_ptr<BitmapBits> DibFromInfo(const BITMAPINFO* info, const void* bits, BITMAPINFOHEADER* header,
                                        bool packed);

// ---- Shapes as device paths ------------------------------------------------------------------
// Each takes device coordinates and appends its figure to `path`. Boxes follow the platform's
// compatible graphics mode: the right and bottom edges are excluded, so the outline runs along
// right - 1 and bottom - 1.
void RectangleFigure(DevicePath& path, RECT box);
void EllipseFigure(DevicePath& path, RECT box);
void RoundRectFigure(DevicePath& path, RECT box, LONG cornerWidth, LONG cornerHeight);
enum class ArcKind { Open, Chord, Pie };
// The arc of the ellipse in `box` from the radial through `start` to the radial through `end`,
// counter-clockwise as seen on the page; the same radial twice draws the whole ellipse.
void ArcFigure(DevicePath& path, RECT box, POINT start, POINT end, ArcKind kind);
// Normalises a box given by two corners and shrinks it by `inset` on every side (an inside-frame
// pen keeps its stroke within the box); empty results keep at least a degenerate box.
RECT ShapeBox(LONG left, LONG top, LONG right, LONG bottom, LONG inset);

}  // namespace plat::gdi
