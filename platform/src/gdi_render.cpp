// The DC's vector drawing as the platform's engine hands it to a printer driver: one PATHOBJ for
// the shape, the CLIPOBJ of the DC's clip against what the shape covers, BRUSHOBJs for the brush
// and the pen, LINEATTRS from the pen, and the mix from the ROP2 and background mode. The driver
// hooks decide which driver function is called; a refused stroke-and-fill is done as a fill and
// a stroke, as the engine does it.
#include <algorithm>
#include <climits>

#include "internal/gdi_render.h"

namespace plat::gdi {

struct EngineBrushCache {
  const void* source = nullptr;  // the DC's brush or pen object the brush was made from
  COLORREF text = 0, background = 0, dcColor = 0;
  engine::BrushPtr brush;
};

namespace {

COLORREF DeviceColor(COLORREF color) { return color & 0x00FFFFFF; }

engine::BrushRealizer RealizerOf(PrinterDC& dc) {
  engine::BrushRealizer realizer;
  realizer.realize = dc.driver.Get<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush);
  realizer.target = dc.Surface();
  return realizer;
}

// The cached brush when it was made from the same object with the same colours; a new one
// otherwise.
BRUSHOBJ* CachedBrush(std::shared_ptr<EngineBrushCache>& cache, const void* source, const DrawState& s,
                      COLORREF dcColor, const auto& build) {
  if (cache && cache->brush && cache->source == source && cache->text == s.textColor &&
      cache->background == s.bkColor && cache->dcColor == dcColor)
    return cache->brush.get();
  auto fresh = std::make_shared<EngineBrushCache>();
  fresh->source = source;
  fresh->text = s.textColor;
  fresh->background = s.bkColor;
  fresh->dcColor = dcColor;
  fresh->brush = build();
  cache = std::move(fresh);
  return cache->brush.get();
}

// LINEATTRS of the DC's pen. CreatePen's pens are cosmetic up to one dot and geometric with
// round ends and joins beyond, as the platform treats them.
bool PenLineAttributes(const DrawState& s, engine::LineAttributes& out) {
  const PenObject& pen = *s.pen;
  engine::PenAttributes attributes;
  attributes.style = pen.style;
  attributes.width = std::max<DWORD>(pen.width, 1);
  attributes.userStyle = pen.userStyle;
  attributes.miterLimit = s.miterLimit;
  if (pen.type == OBJ_PEN) {
    attributes.style = pen.style & PS_STYLE_MASK;
    if (pen.width > 1) attributes.style |= PS_GEOMETRIC;
  }
  return engine::BuildLineAttributes(attributes, out);
}

struct Box {
  LONG left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
};

// What a path covers in whole dots, widened by `margin` on every side for the pen.
RECTL PathBounds(const DevicePath& path, LONG margin) {
  Box b;
  for (const POINTFIX& p : path.points) {
    b.left = std::min(b.left, p.x >> 4);
    b.top = std::min(b.top, p.y >> 4);
    b.right = std::max(b.right, (p.x + 15) >> 4);
    b.bottom = std::max(b.bottom, (p.y + 15) >> 4);
  }
  return RECTL{b.left - margin, b.top - margin, b.right + 1 + margin, b.bottom + 1 + margin};
}

const XFORMOBJ kIdentityTransform{0};

}  // namespace

engine::DriverTable HookedDriver(const PrinterDC& dc) {
  static constexpr std::pair<ULONG, FLONG> kHooked[] = {
      {INDEX_DrvBitBlt, HOOK_BITBLT},          {INDEX_DrvStretchBlt, HOOK_STRETCHBLT},
      {INDEX_DrvTextOut, HOOK_TEXTOUT},        {INDEX_DrvStrokePath, HOOK_STROKEPATH},
      {INDEX_DrvFillPath, HOOK_FILLPATH},      {INDEX_DrvStrokeAndFillPath, HOOK_STROKEANDFILLPATH},
      {INDEX_DrvCopyBits, HOOK_COPYBITS},      {INDEX_DrvTransparentBlt, HOOK_TRANSPARENTBLT},
      {INDEX_DrvGradientFill, HOOK_GRADIENTFILL}, {INDEX_DrvLineTo, HOOK_LINETO},
      {INDEX_DrvStretchBltROP, HOOK_STRETCHBLTROP}, {INDEX_DrvAlphaBlend, HOOK_ALPHABLEND},
      {INDEX_DrvPlgBlt, HOOK_PLGBLT},          {INDEX_DrvPaint, HOOK_PAINT},
  };
  engine::DriverTable table = dc.driver;
  FLONG hooks = engine::SurfaceHooks(dc.hsurf);
  for (auto [index, hook] : kHooked)
    if (!(hooks & hook)) table.functions[index] = nullptr;
  return table;
}

MIX CurrentMix(const DrawState& s) {
  MIX background = s.bkMode == TRANSPARENT ? R2_NOP : static_cast<MIX>(s.rop2);
  return static_cast<MIX>(s.rop2) | (background << 8);
}

ULONG BitmapFormat(WORD bitCount) {
  switch (bitCount) {
    case 1: return BMF_1BPP;
    case 4: return BMF_4BPP;
    case 8: return BMF_8BPP;
    case 16: return BMF_16BPP;
    case 24: return BMF_24BPP;
    case 32: return BMF_32BPP;
    default: return 0;
  }
}

engine::Palette BitmapPalette(const BitmapBits& bits, bool deviceMonochrome, COLORREF mono0, COLORREF mono1) {
  if (bits.bitCount <= 8 && (deviceMonochrome || bits.colors.empty())) {
    if (bits.bitCount == 1) return engine::MonochromePalette(DeviceColor(mono0), DeviceColor(mono1));
    // A device bitmap of 4 or 8 bits has no table of its own: a grey ramp stands for it.
    std::vector<ULONG> ramp(size_t{1} << bits.bitCount);
    for (size_t i = 0; i < ramp.size(); ++i) {
      BYTE g = static_cast<BYTE>(i * 255 / (ramp.size() - 1));
      ramp[i] = RGB(g, g, g);
    }
    return engine::IndexedPalette(std::move(ramp));
  }
  const BYTE* quads = reinterpret_cast<const BYTE*>(bits.colors.data());
  return engine::DibPalette(bits.bitCount, bits.compression, static_cast<DWORD>(bits.colors.size()), quads,
                            bits.colors.size(), bits.masks);
}

engine::BrushPtr BuildBrush(PrinterDC& dc, const BrushObject& brush) {
  const DrawState& s = dc.draw;
  switch (brush.style) {
    case BS_SOLID: {
      bool dcBrush = brush.stock && s.hbrush == StockObject(DC_BRUSH) && s.brush.get() == &brush;
      return engine::CreateSolidBrush(DeviceColor(dcBrush ? s.dcBrushColor : brush.color));
    }
    case BS_HATCHED:
      return engine::CreateHatchBrush(static_cast<ULONG>(brush.hatch), DeviceColor(brush.color),
                                      DeviceColor(s.bkColor), RealizerOf(dc));
    case BS_PATTERN:
    case BS_DIBPATTERNPT: {
      if (!brush.pattern) return nullptr;
      const BitmapBits& bits = *brush.pattern;
      // A monochrome device bitmap draws its 0 bits in the text colour and its 1 bits in the
      // background colour.
      engine::Palette palette = BitmapPalette(bits, brush.monochromePattern, s.textColor, s.bkColor);
      LONG stride = bits.topDown ? static_cast<LONG>(bits.stride) : -static_cast<LONG>(bits.stride);
      return engine::CreatePatternBrush(BitmapFormat(bits.bitCount), SIZEL{bits.width, bits.height}, bits.Row(0),
                                        stride, palette, RealizerOf(dc));
    }
    default: return nullptr;
  }
}

BRUSHOBJ* FillBrush(PrinterDC& dc) {
  DrawState& s = StateOf(dc);
  if (!s.brush || s.brush->style == BS_NULL) return nullptr;
  const BrushObject& brush = *s.brush;
  return CachedBrush(s.fillBrush, &brush, s, s.dcBrushColor, [&] { return BuildBrush(dc, brush); });
}

BRUSHOBJ* PenBrush(PrinterDC& dc) {
  DrawState& s = StateOf(dc);
  if (!s.pen || s.pen->Style() == PS_NULL || s.pen->brush.lbStyle == BS_NULL) return nullptr;
  const PenObject& pen = *s.pen;
  return CachedBrush(s.penBrush, &pen, s, s.dcPenColor, [&] {
    BrushObject brush;
    brush.style = pen.brush.lbStyle;
    brush.hatch = pen.brush.lbHatch;
    bool dcPen = pen.stock && s.hpen == StockObject(DC_PEN);
    brush.color = dcPen ? s.dcPenColor : pen.type == OBJ_PEN ? pen.color : pen.brush.lbColor;
    brush.pattern = pen.pattern;
    if (brush.style == BS_DIBPATTERNPT) brush.style = BS_PATTERN;
    return BuildBrush(dc, brush);
  });
}

engine::ClipPtr BuildClip(const PrinterDC& dc, const RECTL& bounds, bool* visible) {
  *visible = true;
  RECT surface = SurfaceRect(dc);
  Region clip = EffectiveClip(dc);
  Region drawn = CombineRegions(clip, RectRegion(RECT{bounds.left, bounds.top, bounds.right, bounds.bottom}), RGN_AND);
  if (drawn.Empty()) {
    *visible = false;
    return nullptr;
  }
  RECTL surfaceRect{surface.left, surface.top, surface.right, surface.bottom};
  if (clip.rects.size() == 1) {
    const RECT& only = clip.rects.front();
    if (bounds.left >= only.left && bounds.top >= only.top && bounds.right <= only.right && bounds.bottom <= only.bottom)
      return engine::CreateTrivialClip(surfaceRect);
    return engine::CreateRectClip(RECTL{only.left, only.top, only.right, only.bottom});
  }
  std::vector<RECTL> rects;
  rects.reserve(clip.rects.size());
  for (const RECT& r : clip.rects) rects.push_back(RECTL{r.left, r.top, r.right, r.bottom});
  return engine::CreateRegionClip(rects, &bounds);
}

bool RenderPath(PrinterDC& dc, const DevicePath& path, const RenderOp& op) {
  DrawState& s = StateOf(dc);
  // Memory bitmaps and window surfaces have no driver: the engine draws into their pixels.
  if (RasterDC(dc)) return RasterRenderPath(dc, path, op);
  engine::LineAttributes line;
  bool stroke = op.stroke && s.pen->Style() != PS_NULL && PenLineAttributes(s, line);
  BRUSHOBJ* fillBrush = op.fill ? FillBrush(dc) : nullptr;
  BRUSHOBJ* penBrush = stroke ? PenBrush(dc) : nullptr;
  stroke = stroke && penBrush;
  bool fill = fillBrush != nullptr;
  if ((!stroke && !fill) || path.Empty()) return true;

  // A cosmetic line covers the dots its points fall on; a wide one reaches past them by half
  // its width, the corner of a square cap by a little more. (Miter spikes past that are the
  // driver's to clip to its surface.)
  LONG margin = 0;
  if (stroke && (line.la.fl & LA_GEOMETRIC)) margin = static_cast<LONG>(line.la.elWidth.e * 0.75f + 1);
  RECTL bounds = PathBounds(path, margin);
  bool visible = true;
  engine::ClipPtr clip = BuildClip(dc, bounds, &visible);
  if (!visible) return true;
  engine::PathPtr pathObject = engine::CreatePathFromTypes(path.points.data(), path.types.data(), path.points.size());
  if (!clip || !pathObject) return false;

  MIX mix = CurrentMix(s);
  FLONG fillOptions = op.fillMode == WINDING ? FP_WINDINGMODE : FP_ALTERNATEMODE;
  POINTL brushOrigin{s.brushOrg.x, s.brushOrg.y};
  XFORMOBJ transform = kIdentityTransform;
  // The engine's own answers to a refusal (a fill and a stroke for a stroke-and-fill, a widened
  // outline for a wide line, the clip's rectangles for a complex fill) come with these calls.
  engine::DriverTable driver = HookedDriver(dc);
  SURFOBJ* surface = dc.Surface();
  if (stroke && fill)
    return engine::StrokeAndFillPath(driver, surface, pathObject.get(), clip.get(), &transform, penBrush,
                                     line.Get(), fillBrush, &brushOrigin, mix, fillOptions) != FALSE;
  if (fill)
    return engine::FillPath(driver, surface, pathObject.get(), clip.get(), fillBrush, &brushOrigin, mix,
                            fillOptions) != FALSE;
  return engine::StrokePath(driver, surface, pathObject.get(), clip.get(), &transform, penBrush, &brushOrigin,
                            line.Get(), mix) != FALSE;
}

}  // namespace plat::gdi
