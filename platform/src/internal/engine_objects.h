// The stand-in engine's drawing objects, as the printer DC builds them before it calls a driver's
// drawing functions: paths (PATHOBJ), clip regions (CLIPOBJ), brushes (BRUSHOBJ), line
// attributes (LINEATTRS) and colour translations (XLATEOBJ). The driver sees only the public
// records; each record is the first member of the engine's own object, so the engine services
// (PATHOBJ_bEnum, CLIPOBJ_bEnum, BRUSHOBJ_pvGetRbrush, XLATEOBJ_iXlate ...) find their object
// again. Every object the engine hands out is recorded while it lives: a service given a
// pointer the engine never made (or one already deleted) answers as for an empty object and
// never reads through it.
//
// Coordinates are device space. Path points are 28.4 fixed point (FIX: 16 = one device dot);
// clip rectangles are whole dots, exclusive on the right and bottom. Colours are COLORREF
// values (0x00BBGGRR), which is also the device's own colour form (its palette is PAL_RGB).
//
// Objects are owned through the smart pointers below and deleted with them; the driver never
// deletes one, except the path CLIPOBJ_ppoGetPath hands it (EngDeletePath).
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include <win/ddi.h>

#include "internal/engine.h"

namespace plat::engine {

struct ObjectDeleter {
  void operator()(PATHOBJ* path) const;
  void operator()(CLIPOBJ* clip) const;
  void operator()(BRUSHOBJ* brush) const;
  void operator()(XLATEOBJ* xlate) const;
};

using PathPtr = std::unique_ptr<PATHOBJ, ObjectDeleter>;
using ClipPtr = std::unique_ptr<CLIPOBJ, ObjectDeleter>;
using BrushPtr = std::unique_ptr<BRUSHOBJ, ObjectDeleter>;
using XlatePtr = std::unique_ptr<XLATEOBJ, ObjectDeleter>;

// ---- Paths -----------------------------------------------------------------------------------
// One figure (subpath): its first point, then every later point tagged as a line end or as one
// of the three points of a Bézier (two control points and the end point, always in threes).
struct PathFigure {
  std::vector<POINTFIX> points;  // points[0] is where the figure starts
  std::vector<bool> bezier;      // bezier[i] for points[i], i >= 1; bezier[0] is unused
  bool closed = false;
};

// How the engine hands a path to the driver: one PATHDATA record for each run of lines or run
// of Béziers within a figure. The first record of a figure carries PD_BEGINSUBPATH and the
// figure's start point before its own points; the last carries PD_ENDSUBPATH, with
// PD_CLOSEFIGURE when the figure is closed; a Bézier run has PD_BEZIERS and its points come in
// threes (plus the start point on a figure's first record). A figure of a single point (a move
// with nothing drawn from it) is not part of the path, as in the engine. PATHOBJ::cCurves
// counts the lines and curves; PATHOBJ::fl has PO_BEZIERS when any curve is in the path and
// PO_ALL_INTEGERS when every point lies on a whole dot.
//
// Builds figures the way the DC records them, with a current position like the DC's own: a
// LineTo or BezierTo with no open figure starts one at the current position (where the last
// figure ended, or its start point after CloseFigure; (0, 0) at first).
class PathBuilder {
 public:
  void MoveTo(POINTFIX p);
  void LineTo(POINTFIX p);
  void BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end);
  // Closes the open figure (nothing when none is open).
  void CloseFigure();
  // Appends every figure of another set, as they are.
  void AddFigures(const std::vector<PathFigure>& figures);
  // The figures so far, with single-point figures already left out.
  std::vector<PathFigure> Figures() const;
  POINTFIX CurrentPosition() const { return current_; }
  // The PATHOBJ of the figures so far; nullptr (ERROR_NOT_ENOUGH_MEMORY) when the allocation
  // control refuses it. An empty builder gives an empty path (no records, cCurves 0).
  PathPtr Build() const;

 private:
  std::vector<PathFigure> figures_;
  bool open_ = false;
  POINTFIX current_{0, 0};
};

// A path from the figures (single-point figures are dropped).
PathPtr CreatePath(std::vector<PathFigure> figures);
// A path from points tagged as GetPath tags them: PT_MOVETO (6), PT_LINETO (2), PT_BEZIERTO
// (4, in threes), each optionally with PT_CLOSEFIGURE (1) on the point that ends a figure.
// nullptr with ERROR_INVALID_PARAMETER for an unknown tag or Béziers not in threes.
PathPtr CreatePathFromTypes(const POINTFIX* points, const BYTE* types, size_t count);
// The figures of a path the engine made; nullptr for any other pointer.
const std::vector<PathFigure>* PathFigures(const PATHOBJ* path);
// Whole device dots to 28.4 fixed point.
constexpr POINTFIX ToFix(LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; }

// ---- Clip regions ----------------------------------------------------------------------------
// A region as the engine keeps it: rectangles that do not overlap, in bands from the top down
// (every rectangle of a band has the same top and bottom), left to right within a band,
// touching rectangles of a band merged, and equal neighbouring bands merged. Empty input
// rectangles are ignored; the result is the union of the input.
std::vector<RECTL> NormalizeRegion(const std::vector<RECTL>& rects);

// DC_TRIVIAL: nothing is clipped. rclBounds is the given bounds (the surface), iUniq 0; an
// enumeration gives those bounds as its one rectangle.
ClipPtr CreateTrivialClip(const RECTL& bounds);
// DC_RECT with the rectangle (an empty one clips everything away and enumerates nothing).
ClipPtr CreateRectClip(const RECTL& rect);
// The region of the rectangles, normalised: one rectangle gives DC_RECT, more give DC_COMPLEX
// (iFComplexity FC_RECT4 up to four rectangles, FC_COMPLEX beyond), none gives an empty
// DC_RECT. rclBounds bounds the whole region. iUniq is the same non-zero value for every clip
// object of the same region in the process and differs between regions, so a driver that keeps
// the last region it sent can tell a repeated one. drawBounds, when given, is what the drawing
// covers: an enumeration with bAll FALSE leaves out the rectangles it does not touch.
ClipPtr CreateRegionClip(const std::vector<RECTL>& rects, const RECTL* drawBounds = nullptr);
// The clip's rectangles, normalised (at most one for DC_RECT, the bounds for DC_TRIVIAL); nullptr for a
// pointer the engine did not make.
const std::vector<RECTL>* ClipRects(const CLIPOBJ* clip);
// The region's outline as a path: one closed figure for each rectangle of the region, so the
// figures never overlap and fill the same under either fill rule. Used by CLIPOBJ_ppoGetPath.
PathPtr RegionPath(const std::vector<RECTL>& rects);

// ---- Colour translations ---------------------------------------------------------------------
// A palette as the engine describes a surface's colours. PAL_INDEXED: `colors` are the entries
// as COLORREF values (DIB colour tables, RGBQUAD B,G,R order, are converted with
// ColorsFromRgbQuads). PAL_RGB: pixels are 0x00BBGGRR (the device). PAL_BGR: pixels are
// 0x00RRGGBB (24- and 32-bit DIBs, whose bytes are B, G, R). PAL_BITFIELDS: `masks` give red,
// green and blue (16-bit DIBs: 0x7C00, 0x03E0, 0x001F unless the DIB names others).
struct Palette {
  ULONG mode = PAL_RGB;
  std::vector<ULONG> colors;
  std::array<FLONG, 3> masks{0, 0, 0};
};

Palette DevicePalette();  // PAL_RGB
Palette IndexedPalette(std::vector<ULONG> colors);
Palette BitfieldsPalette(FLONG red, FLONG green, FLONG blue);
// RGBQUAD entries (blue, green, red, reserved bytes) as COLORREF values.
std::vector<ULONG> ColorsFromRgbQuads(const BYTE* quads, size_t count);

// The translation from `source` to `destination` (the device unless given). An indexed source
// gives XO_TABLE with one destination colour for each entry (cEntries = the entry count);
// a source that matches the destination exactly gives XO_TRIVIAL; other direct sources (a
// BGR or bitfields source onto the RGB device) give flXlate 0, with XLATEOBJ_iXlate
// converting each pixel value. nullptr (ERROR_NOT_ENOUGH_MEMORY or ERROR_INVALID_PARAMETER
// for an indexed palette without entries or a bitfields palette without masks).
XlatePtr CreateXlate(const Palette& source, const Palette& destination = DevicePalette());
// The source colour of a pixel value as a COLORREF (what the translation starts from).
ULONG PaletteColor(const Palette& palette, ULONG pixel);
// The pixel value of the palette nearest to a COLORREF (indexed: the closest entry).
ULONG PalettePixel(const Palette& palette, ULONG color);
// The palettes of a translation the engine made; nullptr for any other pointer.
const Palette* XlateSource(const XLATEOBJ* xlate);
const Palette* XlateDestination(const XLATEOBJ* xlate);

// ---- Bitmap surfaces -------------------------------------------------------------------------
// Bytes in one row of a bitmap of the format, rows padded to 32 bits as the engine pads them;
// 0 for an unknown format or a width that overflows.
ULONG BitmapStride(ULONG format, LONG width);
// Bits per pixel of a BMF_ format (0 for others).
ULONG FormatBits(ULONG format);
// A bitmap surface the engine owns (as EngCreateBitmap with lWidth = BitmapStride), zero-filled,
// top-down when `topDown` (pvScan0 = pvBits, lDelta > 0) else bottom-up (pvScan0 = the last
// row in memory, lDelta < 0). nullptr with the last error on bad arguments or no memory.
HSURF CreateBitmapSurface(SIZEL size, ULONG format, bool topDown);
// The SURFOBJ of a bitmap surface (not a device surface); nullptr for others.
SURFOBJ* LookupBitmap(HSURF hsurf);
// Deletes a bitmap surface; false when the handle is not one.
bool DeleteBitmapSurface(HSURF hsurf);
// Copies `height` rows of pixels from caller memory into the bitmap: row y of the picture
// starts at `bits + y * stride` (a negative stride walks a bottom-up picture). Rows are
// copied as far as both hold them.
void CopyIntoBitmap(SURFOBJ* bitmap, const BYTE* bits, LONG stride);

// ---- Brushes ---------------------------------------------------------------------------------
// What BRUSHOBJ_pvGetRbrush needs to have a brush realised: the driver's DrvRealizeBrush and
// the surface the brush is realised for (the device surface). Hatch surfaces the driver
// handed back from DrvEnablePDEV replace the engine's own standard hatches when given.
struct BrushRealizer {
  PFN_DrvRealizeBrush realize = nullptr;
  SURFOBJ* target = nullptr;
  std::array<HSURF, HS_DDI_MAX> driverHatches{};
};

// iHatch passed with a bitmap pattern: at or above HS_DDI_MAX, as for every pattern that is
// not one of the standard hatches; HS_DDI_MAX itself is left to a solid colour realised as a
// pattern, which this engine never does.
constexpr ULONG kPatternBrushHatch = HS_DDI_MAX + 1;

// iSolidColor = the device colour; no realisation (BRUSHOBJ_pvGetRbrush answers nullptr).
BrushPtr CreateSolidBrush(ULONG deviceColor);
// A hatched brush: iSolidColor 0xFFFFFFFF; realised with the standard 8 × 8 1-bit hatch bitmap
// of `hatch` (HS_HORIZONTAL .. HS_DIAGCROSS; hatch lines are 0 bits), a two-entry translation
// (entry 0 the hatch colour, entry 1 the background) and iHatch = `hatch`. nullptr with
// ERROR_INVALID_PARAMETER for another hatch value.
BrushPtr CreateHatchBrush(ULONG hatch, COLORREF hatchColor, COLORREF background, const BrushRealizer& realizer);
// A bitmap pattern brush: the engine copies the pattern (format BMF_1BPP .. BMF_32BPP, rows at
// `bits + y * stride`) into a bitmap of its own; it is realised with that bitmap, the
// translation from `palette` to the device and iHatch = kPatternBrushHatch.
BrushPtr CreatePatternBrush(ULONG format, SIZEL size, const BYTE* bits, LONG stride, const Palette& palette,
                            const BrushRealizer& realizer);
// The standard hatch bitmap rows (bit 7 of each byte is the leftmost pixel); all 0xFF for a
// hatch value out of range.
std::array<BYTE, 8> HatchRows(ULONG hatch);
// How many times BRUSHOBJ_pvGetRbrush called the driver for this brush (tests and the DC's
// own checks); 0 for a pointer the engine did not make.
ULONG BrushRealizeCalls(const BRUSHOBJ* brush);

// ---- Line attributes -------------------------------------------------------------------------
// A pen as the DC holds it: the pen style word (PS_ type, style, end cap and join), its width
// in device units, the PS_USERSTYLE entries (device units for geometric pens, style units for
// cosmetic ones) and the DC's miter limit.
struct PenAttributes {
  DWORD style = 0;
  ULONG width = 0;
  std::vector<DWORD> userStyle;
  FLOAT miterLimit = 10.0f;
};

// LINEATTRS with the style array it points to; copies keep their own array.
struct LineAttributes {
  LINEATTRS la{};
  std::vector<FLOAT_LONG> style;

  LineAttributes() = default;
  LineAttributes(const LineAttributes& other);
  LineAttributes& operator=(const LineAttributes& other);
  LINEATTRS* Get() { return &la; }
};

// LINEATTRS as the engine builds them from a pen:
// - cosmetic pens (PS_COSMETIC; the DC makes CreatePen pens of width 0 or 1 cosmetic): fl 0,
//   elWidth.l 1; standard styles as style arrays in style units (LONG): dash 6 2, dot 2 2,
//   dash-dot 6 2 2 2, dash-dot-dot 6 2 2 2 2 2; PS_USERSTYLE entries as given; LA_STYLED with an
//   array;
//   PS_ALTERNATE as LA_ALTERNATE without an array; elStyleState 0 (a new line starts at the
//   start of its style).
// - geometric pens (PS_GEOMETRIC; wider CreatePen pens are geometric with round ends and joins):
//   LA_GEOMETRIC, elWidth.e the width (at least 1), iJoin and
//   iEndCap from the pen, eMiterLimit the DC's; standard styles as FLOAT arrays in device units,
//   multiples of the width (dash 3 1, dot 1 1, dash-dot 3 1 1 1, dash-dot-dot 3 1 1 1 1 1);
//   PS_USERSTYLE entries as given.
// - PS_INSIDEFRAME draws solid. PS_NULL has no line attributes: false.
bool BuildLineAttributes(const PenAttributes& pen, LineAttributes& out);

// ---- Bitmaps of the DC and their translations -------------------------------------------------
// The BMF_ format of a DIB bit count (1, 4, 8, 16, 24, 32); 0 for others.
ULONG FormatFromBitCount(WORD bitCount);
// A bitmap surface laid over memory the caller keeps alive for the surface's life (a DIB
// section's or memory bitmap's bits): `stride` bytes a row, the first row at `bits` when
// top-down, the last when bottom-up. nullptr with ERROR_INVALID_PARAMETER when a row does not
// fit the stride. Deleted with DeleteBitmapSurface (the memory stays the caller's).
HSURF CreateBitmapOver(SIZEL size, ULONG format, BYTE* bits, ULONG stride, bool topDown);
// The palette of a DIB as the engine reads it: 1-, 4- and 8-bit DIBs are indexed with the
// entries of their colour table (biClrUsed of them; 2^bits when 0 or larger; `quads` holds the
// RGBQUAD bytes of `quadCount` entries, missing ones are black); 16-bit DIBs are 5-5-5
// bitfields unless BI_BITFIELDS (3) gives masks; 24-bit DIBs and 32-bit BI_RGB DIBs are
// PAL_BGR; 32-bit BI_BITFIELDS DIBs take their masks (the B-G-R masks are PAL_BGR).
Palette DibPalette(WORD bitCount, DWORD compression, DWORD clrUsed, const BYTE* quads, size_t quadCount,
                   const DWORD* masks);
// A 1-bit bitmap without colours of its own draws in the DC's colours: 0 bits in the text
// colour, 1 bits in the background colour.
Palette MonochromePalette(COLORREF text, COLORREF background);
// The palette a driver gave its device (DEVINFO::hpalDefault, made with EngCreatePalette);
// the engine's PAL_RGB device palette when the handle is not a palette.
Palette PaletteOfHandle(HPALETTE hpal);

// ---- Widening and the engine's answers to a refused call ---------------------------------------
// The outline of a geometric line along the figures: curves flattened to within a quarter dot,
// the style array (device units, starting elStyleState.e into it; LA_STARTGAP starts with a
// gap) cut into dashes, and each segment, join (iJoin; a miter longer than eMiterLimit times
// the width becomes a bevel) and end cap (iEndCap) a closed polygon of its own. Every polygon
// turns the same way, so the outline fills as the line under FP_WINDINGMODE. A style of only
// zero lengths draws solid. The width is elWidth.e (1 for a cosmetic line).
std::vector<PathFigure> WidenFigures(const std::vector<PathFigure>& figures, const LINEATTRS& la);
// The widened outline of a path the engine made; nullptr for any other pointer.
PathPtr WidenPath(PATHOBJ* path, const LINEATTRS& la);

// The DC's drawing calls reach the driver through these, which do what the platform's engine
// does when the driver refuses:
// - StrokePath: DrvStrokePath; when it answers FALSE for a geometric line (LA_GEOMETRIC), or the
//   driver has no DrvStrokePath, the engine widens the path and fills the outline through
//   FillPath with the stroke's brush, FP_WINDINGMODE and the same mix. A refused cosmetic line
//   stays refused (the engine cannot draw on a device surface).
// - FillPath: DrvFillPath; when it answers FALSE under a DC_COMPLEX clip, the fill is broken
//   down into the clip's rectangles (those the path's bounds touch), each filled again through
//   DrvFillPath under a DC_RECT clip of its own; TRUE when every piece was drawn.
// - StrokeAndFillPath: DrvStrokeAndFillPath; when refused (or absent), FillPath with the fill
//   brush and then StrokePath with the pen.
// Each answers what the driver finally answered; the driver's last error is left as it set it.
BOOL StrokePath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
BOOL FillPath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
              POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
BOOL StrokeAndFillPath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                       BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg,
                       MIX mixFill, FLONG flOptions);

// ---- The engine's own drawing ----------------------------------------------------------------
// The driver functions the engine calls back when a driver hands a call to EngBitBlt,
// EngStretchBlt, EngTransparentBlt, EngGradientFill, EngEraseSurface or EngCopyBits on its
// device surface: the engine draws into a temporary 24-bit bitmap (BGR pixels, white where
// nothing is drawn, since a device surface cannot be read back) and hands it to the driver's
// DrvCopyBits with the translation onto the device. The DC records the driver of each device
// when it enables it; DestroyDevice forgets it.
void SetDeviceDriver(HDEV hdev, const DriverTable& driver);
void ForgetDeviceDriver(HDEV hdev);
// The colour a brush paints at a device pixel (its solid colour, or its pattern's pixel there
// with the brush origin at `origin`), as a COLORREF; false for a brush the engine did not make.
bool BrushColorAt(const BRUSHOBJ* brush, POINTL origin, LONG x, LONG y, ULONG& color);

}  // namespace plat::engine
