// Region algebra of the stand-in GDI. Every operation walks the strips between the union of both
// operands' band edges, so each strip lies inside at most one band of each operand, and the
// spans of the strip come from combining two sorted span lists.
#include <algorithm>
#include <cmath>

#include <win/gdi_objects.h>

#include "internal/gdi_objects.h"
#include "internal/gdi_regions.h"

namespace plat::gdi {
namespace {

struct Span {
  LONG left, right;
  bool operator==(const Span&) const = default;
};

// Appends one strip, merging it into the band above when that band ends where the strip
// starts and holds the same spans: this keeps equal regions with equal lists.
void AppendStrip(std::vector<RECT>& out, LONG top, LONG bottom, const std::vector<Span>& spans) {
  if (spans.empty() || top >= bottom) return;
  size_t lastBand = out.size();
  while (lastBand > 0 && out[lastBand - 1].top == out.back().top) --lastBand;
  if (!out.empty() && out.back().bottom == top && out.size() - lastBand == spans.size()) {
    bool same = true;
    for (size_t i = 0; i < spans.size() && same; ++i)
      same = out[lastBand + i].left == spans[i].left && out[lastBand + i].right == spans[i].right;
    if (same) {
      for (size_t i = lastBand; i < out.size(); ++i) out[i].bottom = bottom;
      return;
    }
  }
  for (const Span& s : spans) out.push_back(RECT{s.left, top, s.right, bottom});
}

// The spans of the band of `r` that covers row `y`, starting the search at `cursor`.
std::vector<Span> SpansAt(const Region& r, LONG y, size_t& cursor) {
  std::vector<Span> spans;
  while (cursor < r.rects.size() && r.rects[cursor].bottom <= y) ++cursor;
  for (size_t i = cursor; i < r.rects.size() && r.rects[i].top <= y; ++i)
    if (r.rects[i].bottom > y) spans.push_back(Span{r.rects[i].left, r.rects[i].right});
  return spans;
}

bool Keep(bool inA, bool inB, int mode) {
  switch (mode) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return inA;
  }
}

std::vector<Span> CombineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int mode) {
  std::vector<LONG> edges;
  for (const Span& s : a) edges.insert(edges.end(), {s.left, s.right});
  for (const Span& s : b) edges.insert(edges.end(), {s.left, s.right});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  auto inside = [](const std::vector<Span>& spans, LONG x) {
    for (const Span& s : spans)
      if (x >= s.left && x < s.right) return true;
    return false;
  };
  std::vector<Span> out;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    if (!Keep(inside(a, edges[i]), inside(b, edges[i]), mode)) continue;
    if (!out.empty() && out.back().right == edges[i])
      out.back().right = edges[i + 1];
    else
      out.push_back(Span{edges[i], edges[i + 1]});
  }
  return out;
}

std::vector<Span> NormalisedSpans(std::vector<Span> spans) {
  std::sort(spans.begin(), spans.end(), [](const Span& x, const Span& y) { return x.left < y.left; });
  std::vector<Span> out;
  for (const Span& s : spans) {
    if (s.left >= s.right) continue;
    if (!out.empty() && s.left <= out.back().right)
      out.back().right = std::max(out.back().right, s.right);
    else
      out.push_back(s);
  }
  return out;
}

}  // namespace

RECT Region::Bounds() const {
  if (rects.empty()) return RECT{0, 0, 0, 0};
  RECT box = rects.front();
  for (const RECT& r : rects) {
    box.left = std::min(box.left, r.left);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  return box;
}

int Region::Complexity() const {
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Contains(LONG x, LONG y) const {
  for (const RECT& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

bool Region::operator==(const Region& other) const {
  if (rects.size() != other.rects.size()) return false;
  for (size_t i = 0; i < rects.size(); ++i) {
    const RECT &a = rects[i], &b = other.rects[i];
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) return false;
  }
  return true;
}

Region RectRegion(const RECT& rect) {
  Region r;
  RECT n{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
         std::max(rect.top, rect.bottom)};
  if (n.left < n.right && n.top < n.bottom) r.rects.push_back(n);
  return r;
}

Region CombineRegions(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<LONG> edges;
  for (const RECT& r : a.rects) edges.insert(edges.end(), {r.top, r.bottom});
  for (const RECT& r : b.rects) edges.insert(edges.end(), {r.top, r.bottom});
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  Region out;
  size_t cursorA = 0, cursorB = 0;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    std::vector<Span> spans = CombineSpans(SpansAt(a, edges[i], cursorA), SpansAt(b, edges[i], cursorB), mode);
    AppendStrip(out.rects, edges[i], edges[i + 1], spans);
  }
  return out;
}

Region OffsetRegion(const Region& region, LONG dx, LONG dy) {
  Region out = region;
  for (RECT& r : out.rects) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
  return out;
}

Region PolygonRegion(const POINT* points, const INT* counts, size_t polygons, int fillMode) {
  struct Edge {
    double x0, y0, x1, y1;
    int direction;
  };
  std::vector<Edge> edges;
  LONG top = 0, bottom = 0;
  bool any = false;
  size_t at = 0;
  for (size_t p = 0; p < polygons; ++p) {
    size_t n = static_cast<size_t>(counts[p]);
    for (size_t i = 0; i < n; ++i) {
      const POINT& a = points[at + i];
      const POINT& b = points[at + (i + 1) % n];
      if (!any) top = bottom = a.y;
      any = true;
      top = std::min(top, a.y);
      bottom = std::max(bottom, a.y);
      if (a.y == b.y) continue;
      edges.push_back(Edge{double(a.x), double(a.y), double(b.x), double(b.y), a.y < b.y ? 1 : -1});
    }
    at += n;
  }
  Region out;
  struct Crossing {
    double x;
    int direction;
  };
  std::vector<Crossing> crossings;
  for (LONG y = top; y < bottom; ++y) {
    // A pixel row belongs to the region where its centre line runs inside the outline.
    double centre = double(y) + 0.5;
    crossings.clear();
    for (const Edge& e : edges) {
      double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
      if (centre < lo || centre >= hi) continue;
      crossings.push_back(Crossing{e.x0 + (centre - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    std::vector<Span> spans;
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += fillMode == WINDING ? crossings[i].direction : 1;
      bool inside = fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
      if (!inside) continue;
      // Pixels whose centres lie in [x_i, x_i+1).
      LONG left = static_cast<LONG>(std::ceil(crossings[i].x - 0.5));
      LONG right = static_cast<LONG>(std::ceil(crossings[i + 1].x - 0.5));
      spans.push_back(Span{left, right});
    }
    AppendStrip(out.rects, y, y + 1, NormalisedSpans(std::move(spans)));
  }
  return out;
}

}  // namespace plat::gdi

// ---- Region objects ----------------------------------------------------------------------------

namespace {

using plat::gdi::LookupObjectAs;
using plat::gdi::Region;
using plat::gdi::RegionObject;

HRGN NewRegion(Region region) {
  auto object = std::make_shared<RegionObject>();
  object->region = std::move(region);
  return static_cast<HRGN>(plat::gdi::InsertObject(std::move(object)));
}

// Region coordinates are kept to 27 bits, as the platform keeps them, so that every edge and
// every offset of one stays far from overflowing.
constexpr LONG kRegionLimit = 1 << 27;

bool InRange(int64_t v) { return v >= -kRegionLimit && v <= kRegionLimit; }

}  // namespace

extern "C" {

WINBASEAPI HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
  if (!InRange(x1) || !InRange(y1) || !InRange(x2) || !InRange(y2)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewRegion(plat::gdi::RectRegion(RECT{x1, y1, x2, y2}));
}

WINBASEAPI HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
  if (!lprect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

WINBASEAPI HRGN WINAPI CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode) {
  // The outline is scanned row by row; rows beyond this many are refused as too large.
  constexpr LONG kMaxRows = 1 << 18;
  if (!pptl || cPoint < 2 || (iMode != ALTERNATE && iMode != WINDING)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LONG top = pptl[0].y, bottom = pptl[0].y;
  for (int i = 0; i < cPoint; ++i) {
    if (!InRange(pptl[i].x) || !InRange(pptl[i].y)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    top = std::min(top, pptl[i].y);
    bottom = std::max(bottom, pptl[i].y);
  }
  if (bottom - top > kMaxRows) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  INT count = cPoint;
  return NewRegion(plat::gdi::PolygonRegion(pptl, &count, 1, iMode));
}

WINBASEAPI int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
  auto dst = LookupObjectAs<RegionObject>(hrgnDst);
  auto a = LookupObjectAs<RegionObject>(hrgnSrc1);
  auto b = iMode == RGN_COPY ? a : LookupObjectAs<RegionObject>(hrgnSrc2);
  if (iMode < RGN_AND || iMode > RGN_COPY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  if (!dst || !a || !b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  dst->region = plat::gdi::CombineRegions(a->region, b->region, iMode);
  return dst->region.Complexity();
}

WINBASEAPI int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
  auto r = LookupObjectAs<RegionObject>(hrgn);
  if (!r || !lprc) {
    SetLastError(r ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return ERROR;
  }
  *lprc = r->region.Bounds();
  return r->region.Complexity();
}

WINBASEAPI BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y) {
  auto r = LookupObjectAs<RegionObject>(hrgn);
  if (!r) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return r->region.Contains(x, y) ? TRUE : FALSE;
}

WINBASEAPI int WINAPI OffsetRgn(HRGN hrgn, int x, int y) {
  auto r = LookupObjectAs<RegionObject>(hrgn);
  if (!r) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  RECT box = r->region.Bounds();
  if (!r->region.Empty() && (!InRange(box.left + int64_t{x}) || !InRange(box.right + int64_t{x}) ||
                             !InRange(box.top + int64_t{y}) || !InRange(box.bottom + int64_t{y}))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  r->region = plat::gdi::OffsetRegion(r->region, x, y);
  return r->region.Complexity();
}

WINBASEAPI BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom) {
  auto r = LookupObjectAs<RegionObject>(hrgn);
  if (!r) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  r->region = plat::gdi::RectRegion(RECT{left, top, right, bottom});
  return TRUE;
}

}  // extern "C"
