// Vector drawing into the pixels of raster DCs (memory bitmaps and window surfaces), as the
// engine draws for a device that draws nothing itself: paths flattened and filled by scanline
// over pixel centres under ALTERNATE or WINDING, without anti-aliasing; cosmetic lines one pixel
// wide through every pixel they cross; wide lines widened into outlines and filled. What is
// painted is a region, cut to the DC's clip and painted with the brush and ROP2 through the
// engine's own EngBitBlt, so every ROP and every bitmap depth behaves as it does for blits.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "internal/gdi_render.h"

namespace plat::gdi {
namespace {

struct PointD {
  double x, y;
};
using Polygon = std::vector<PointD>;

PointD FromFix(POINTFIX p) { return PointD{p.x / 16.0, p.y / 16.0}; }

// Flattens a cubic Bézier into `out` (without its start point), finely enough that no chord
// strays a quarter pixel from the curve.
void FlattenBezier(PointD p0, PointD p1, PointD p2, PointD p3, Polygon& out) {
  double length = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                  std::hypot(p3.x - p2.x, p3.y - p2.y);
  int steps = std::clamp(static_cast<int>(std::sqrt(length) * 2) + 1, 1, 1000);
  for (int i = 1; i <= steps; ++i) {
    double t = static_cast<double>(i) / steps, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back(PointD{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
  }
}

struct Figure {
  Polygon points;
  bool closed = false;
};

std::vector<Figure> Flatten(const DevicePath& path) {
  std::vector<Figure> figures;
  const size_t n = path.points.size();
  for (size_t i = 0; i < n; ++i) {
    BYTE type = path.types[i] & ~PT_CLOSEFIGURE;
    PointD p = FromFix(path.points[i]);
    if (type == PT_MOVETO || figures.empty()) {
      figures.push_back(Figure{});
      figures.back().points.push_back(p);
    } else if (type == PT_BEZIERTO && i + 2 < n) {
      PointD start = figures.back().points.back();
      FlattenBezier(start, p, FromFix(path.points[i + 1]), FromFix(path.points[i + 2]), figures.back().points);
      i += 2;
    } else {
      figures.back().points.push_back(p);
    }
    if (path.types[i] & PT_CLOSEFIGURE) figures.back().closed = true;
  }
  return figures;
}

// A banded region from one-row spans: spans of a row are sorted and joined where they overlap
// or touch, and a row equal to the one above extends its band.
Region BandsFromRows(std::vector<RECT>& spans) {
  std::sort(spans.begin(), spans.end(), [](const RECT& a, const RECT& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  std::vector<RECT> runs;
  for (const RECT& p : spans) {
    if (!runs.empty() && runs.back().top == p.top && p.left <= runs.back().right)
      runs.back().right = std::max(runs.back().right, p.right);
    else
      runs.push_back(p);
  }
  Region out;
  size_t bandStart = 0;  // first rectangle of the last band in out.rects
  for (size_t i = 0; i < runs.size();) {
    size_t j = i;
    while (j < runs.size() && runs[j].top == runs[i].top) ++j;
    size_t count = j - i;
    size_t lastCount = out.rects.size() - bandStart;
    bool same = !out.rects.empty() && lastCount == count && out.rects[bandStart].bottom == runs[i].top;
    for (size_t k = 0; same && k < count; ++k)
      same = out.rects[bandStart + k].left == runs[i + k].left && out.rects[bandStart + k].right == runs[i + k].right;
    if (same) {
      for (size_t k = 0; k < count; ++k) out.rects[bandStart + k].bottom = runs[i + k].bottom;
    } else {
      bandStart = out.rects.size();
      out.rects.insert(out.rects.end(), runs.begin() + static_cast<long>(i), runs.begin() + static_cast<long>(j));
    }
    i = j;
  }
  return out;
}

// The pixels whose centres the polygons enclose under the fill mode, as a banded region.
Region ScanFill(const std::vector<Figure>& figures, int fillMode) {
  struct Edge {
    double x0, y0, x1, y1;
    int direction;
  };
  std::vector<Edge> edges;
  double top = 1e18, bottom = -1e18;
  for (const Figure& f : figures) {
    const Polygon& p = f.points;
    for (size_t i = 0; i < p.size(); ++i) {
      PointD a = p[i], b = p[(i + 1) % p.size()];  // every figure is closed for a fill
      if (a.y == b.y) continue;
      if (a.y < b.y) edges.push_back(Edge{a.x, a.y, b.x, b.y, 1});
      else edges.push_back(Edge{b.x, b.y, a.x, a.y, -1});
      top = std::min(top, std::min(a.y, b.y));
      bottom = std::max(bottom, std::max(a.y, b.y));
    }
  }
  if (edges.empty()) return Region{};
  LONG firstRow = static_cast<LONG>(std::ceil(top - 0.5)), lastRow = static_cast<LONG>(std::floor(bottom - 0.5));
  std::vector<RECT> rows;
  std::vector<std::pair<double, int>> crossings;
  for (LONG y = firstRow; y <= lastRow; ++y) {
    double cy = y + 0.5;
    crossings.clear();
    for (const Edge& e : edges) {
      if (cy < e.y0 || cy >= e.y1) continue;
      crossings.emplace_back(e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction);
    }
    std::sort(crossings.begin(), crossings.end());
    int winding = 0;
    for (size_t k = 0; k + 1 < crossings.size(); ++k) {
      winding += fillMode == WINDING ? crossings[k].second : 1;
      bool inside = fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
      if (!inside) continue;
      // Pixels whose centres lie in [left, right).
      LONG left = static_cast<LONG>(std::ceil(crossings[k].first - 0.5));
      LONG right = static_cast<LONG>(std::ceil(crossings[k + 1].first - 0.5));
      if (left < right) rows.push_back(RECT{left, y, right, y + 1});
    }
  }
  return BandsFromRows(rows);
}

// The pixels a one-pixel line crosses from a to b (both ends included), as in the engine's
// cosmetic lines.
void CosmeticSegment(PointD a, PointD b, std::vector<RECT>& pixels) {
  LONG x0 = static_cast<LONG>(std::floor(a.x)), y0 = static_cast<LONG>(std::floor(a.y));
  LONG x1 = static_cast<LONG>(std::floor(b.x)), y1 = static_cast<LONG>(std::floor(b.y));
  LONG dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  LONG sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  LONG error = dx + dy;
  for (int guard = 0; guard < 1 << 22; ++guard) {
    pixels.push_back(RECT{x0, y0, x0 + 1, y0 + 1});
    if (x0 == x1 && y0 == y1) break;
    LONG e2 = 2 * error;
    if (e2 >= dy) error += dy, x0 += sx;
    if (e2 <= dx) error += dx, y0 += sy;
  }
}

DevicePath FromPathObject(PATHOBJ* path) {
  DevicePath out;
  PATHOBJ_vEnumStart(path);
  PATHDATA data;
  BOOL more = TRUE;
  while (more) {
    more = PATHOBJ_bEnum(path, &data);
    for (ULONG i = 0; i < data.count; ++i) {
      POINTFIX p = data.pptfx[i];
      if (i == 0 && (data.flags & PD_BEGINSUBPATH)) out.MoveTo(p);
      else if (data.flags & PD_BEZIERS) out.types.push_back(PT_BEZIERTO), out.points.push_back(p);
      else out.LineTo(p);
    }
    if ((data.flags & PD_CLOSEFIGURE) && !out.Empty()) out.Close();
  }
  return out;
}

}  // namespace

BYTE Rop3OfRop2(int rop2) {
  // A ROP2's truth table over (pen, destination) read as a ROP3's over (pattern, source,
  // destination) that ignores the source.
  int table = (std::clamp(rop2, 1, 16) - 1) & 0xF;
  BYTE rop3 = 0;
  for (int i = 0; i < 8; ++i) {
    int pattern = (i >> 2) & 1, destination = i & 1;
    if (table & (1 << (pattern << 1 | destination))) rop3 |= static_cast<BYTE>(1 << i);
  }
  return rop3;
}

namespace {

// A solid fill of 24- and 32-bit pixels row by row: a page-sized bitmap is cleared for every
// watermarked page, which pixel by pixel through the ROP engine takes seconds.
bool FastFill(const PrinterDC& dc, const Region& visible, COLORREF color) {
  RasterPixels pixels = PixelsOf(dc);
  if (!pixels.bits || (pixels.bits->bitCount != 24 && pixels.bits->bitCount != 32)) return false;
  const size_t bytes = pixels.bits->bitCount / 8;
  BYTE pixel[4] = {GetBValue(color), GetGValue(color), GetRValue(color), 0};
  for (const RECT& r : visible.rects) {
    LONG left = std::max<LONG>(r.left, 0), right = std::min(r.right, pixels.width);
    LONG top = std::max<LONG>(r.top, 0), bottom = std::min(r.bottom, pixels.height);
    if (left >= right) continue;
    for (LONG y = top; y < bottom; ++y) {
      BYTE* row = pixels.bits->Row(pixels.origin.y + y) + static_cast<size_t>(pixels.origin.x + left) * bytes;
      if (pixel[0] == pixel[1] && pixel[1] == pixel[2] && (bytes == 3 || pixel[0] == 0)) {
        std::memset(row, pixel[0], static_cast<size_t>(right - left) * bytes);
        continue;
      }
      for (LONG x = left; x < right; ++x, row += bytes) std::memcpy(row, pixel, bytes);
    }
  }
  return true;
}

}  // namespace

bool PaintRegion(PrinterDC& dc, const Region& region, BRUSHOBJ* brush, BYTE rop3) {
  Region visible = CombineRegions(region, EffectiveClip(dc), RGN_AND);
  if (visible.Empty()) return true;
  if (rop3 == 0x00 && FastFill(dc, visible, RGB(0, 0, 0))) return true;
  if (rop3 == 0xFF && FastFill(dc, visible, RGB(255, 255, 255))) return true;
  if (rop3 == 0xF0 && brush && brush->iSolidColor != 0xFFFFFFFF && FastFill(dc, visible, brush->iSolidColor & 0xFFFFFF))
    return true;
  Target t;
  if (!TargetOf(dc, t)) return GetLastError() == ERROR_SUCCESS;
  RECT b = visible.Bounds();
  RECTL bounds{b.left, b.top, b.right, b.bottom};
  std::vector<RECTL> rects;
  rects.reserve(visible.rects.size());
  for (const RECT& r : visible.rects) rects.push_back(RECTL{r.left, r.top, r.right, r.bottom});
  engine::ClipPtr clip = rects.size() == 1 ? engine::CreateRectClip(rects[0]) : engine::CreateRegionClip(rects, &bounds);
  if (!clip) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  engine::BrushPtr holder;
  brush = TargetBrush(dc, brush, holder);
  POINTL origin{dc.draw.brushOrg.x, dc.draw.brushOrg.y};
  ROP4 rop4 = static_cast<ROP4>(rop3) << 8 | rop3;
  return EngBitBlt(t.surface, nullptr, nullptr, clip.get(), nullptr, &bounds, nullptr, nullptr, brush, &origin, rop4) !=
         FALSE;
}

bool RasterRenderPath(PrinterDC& dc, const DevicePath& path, const RenderOp& op) {
  DrawState& s = StateOf(dc);
  if (path.Empty()) return true;
  std::vector<Figure> figures = Flatten(path);
  BYTE rop3 = Rop3OfRop2(s.rop2);
  bool ok = true;
  if (op.fill) {
    if (BRUSHOBJ* brush = FillBrush(dc)) ok = PaintRegion(dc, ScanFill(figures, op.fillMode), brush, rop3) && ok;
  }
  if (!op.stroke || !s.pen || s.pen->Style() == PS_NULL) return ok;
  BRUSHOBJ* penBrush = PenBrush(dc);
  if (!penBrush) return ok;
  const PenObject& pen = *s.pen;
  bool wide = pen.width > 1 && (pen.type == OBJ_PEN || pen.Geometric());
  if (!wide) {
    std::vector<RECT> pixels;
    for (const Figure& f : figures) {
      for (size_t i = 0; i + 1 < f.points.size(); ++i) CosmeticSegment(f.points[i], f.points[i + 1], pixels);
      if (f.closed && f.points.size() > 1) CosmeticSegment(f.points.back(), f.points.front(), pixels);
    }
    // The platform leaves a cosmetic line's last pixel unpainted.
    if (!figures.empty() && !figures.back().closed && !pixels.empty()) pixels.pop_back();
    return PaintRegion(dc, BandsFromRows(pixels), penBrush, rop3) && ok;
  }
  engine::PenAttributes attributes;
  attributes.style = pen.style;
  if (pen.type == OBJ_PEN) attributes.style = (pen.style & PS_STYLE_MASK) | PS_GEOMETRIC;
  attributes.width = pen.width;
  attributes.userStyle = pen.userStyle;
  attributes.miterLimit = s.miterLimit;
  engine::LineAttributes line;
  engine::PathPtr object = engine::CreatePathFromTypes(path.points.data(), path.types.data(), path.points.size());
  if (!object || !engine::BuildLineAttributes(attributes, line)) return false;
  engine::PathPtr outline = engine::WidenPath(object.get(), line.la);
  if (!outline) return false;
  return PaintRegion(dc, ScanFill(Flatten(FromPathObject(outline.get())), WINDING), penBrush, rop3) && ok;
}

COLORREF PixelColor(const BitmapBits& bits, LONG x, LONG y) {
  const BYTE* row = bits.Row(y);
  auto indexed = [&](ULONG index) -> COLORREF {
    if (index < bits.colors.size()) {
      const RGBQUAD& q = bits.colors[index];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    if (bits.bitCount == 1) return index ? RGB(255, 255, 255) : RGB(0, 0, 0);
    BYTE g = static_cast<BYTE>(index * 255 / ((1u << bits.bitCount) - 1));
    return RGB(g, g, g);
  };
  auto masked = [&](ULONG value) -> COLORREF {
    auto channel = [&](DWORD mask) -> BYTE {
      if (!mask) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      ULONG max = mask >> shift;
      return static_cast<BYTE>(((value & mask) >> shift) * 255 / max);
    };
    return RGB(channel(bits.masks[0]), channel(bits.masks[1]), channel(bits.masks[2]));
  };
  switch (bits.bitCount) {
    case 1: return indexed((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return indexed((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
    case 8: return indexed(row[x]);
    case 16: {
      DWORD m[3] = {bits.masks[0], bits.masks[1], bits.masks[2]};
      if (!(m[0] | m[1] | m[2])) return masked(0);
      return masked(ULONG{row[2 * x]} | ULONG{row[2 * x + 1]} << 8);
    }
    case 24: return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: {
      ULONG v = 0;
      std::memcpy(&v, row + 4 * x, 4);
      if (bits.compression == BI_BITFIELDS) return masked(v);
      return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
  }
}

void SetPixelColor(BitmapBits& bits, LONG x, LONG y, COLORREF color) {
  BYTE* row = bits.Row(y);
  BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  auto nearest = [&]() -> ULONG {
    if (bits.colors.empty()) {
      ULONG levels = (1u << bits.bitCount) - 1;
      return static_cast<ULONG>(((r * 30 + g * 59 + b * 11) / 100 * levels + 127) / 255);
    }
    ULONG best = 0;
    long bestDistance = -1;
    for (ULONG i = 0; i < bits.colors.size(); ++i) {
      const RGBQUAD& q = bits.colors[i];
      long d = (q.rgbRed - r) * (q.rgbRed - r) + (q.rgbGreen - g) * (q.rgbGreen - g) + (q.rgbBlue - b) * (q.rgbBlue - b);
      if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
    }
    return best;
  };
  switch (bits.bitCount) {
    case 1: {
      BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
      if (nearest()) row[x >> 3] |= mask;
      else row[x >> 3] &= static_cast<BYTE>(~mask);
      break;
    }
    case 4: {
      ULONG v = nearest();
      row[x >> 1] = static_cast<BYTE>((x & 1) ? (row[x >> 1] & 0xF0) | v : (row[x >> 1] & 0x0F) | (v << 4));
      break;
    }
    case 8: row[x] = static_cast<BYTE>(nearest()); break;
    case 16: {
      WORD v = static_cast<WORD>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
      row[2 * x] = static_cast<BYTE>(v), row[2 * x + 1] = static_cast<BYTE>(v >> 8);
      break;
    }
    case 24: row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r; break;
    default: row[4 * x] = b, row[4 * x + 1] = g, row[4 * x + 2] = r, row[4 * x + 3] = 0; break;
  }
}

}  // namespace plat::gdi
