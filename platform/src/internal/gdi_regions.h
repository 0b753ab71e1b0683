// Regions of the stand-in GDI as the platform keeps them: y-x banded rectangles. The region is a
// list of bands (runs of rows with the same spans), each band a sorted list of disjoint spans
// that never touch; bands are sorted top to bottom and two neighbouring bands never hold equal
// spans, so equal regions have equal lists. Right and bottom edges are exclusive, as RECT's.
#pragma once

#include <vector>

#include <win/base.h>

namespace plat::gdi {

struct Region {
  std::vector<RECT> rects;  // banded: sorted by top, then left; rectangles of a band share top and bottom

  bool Empty() const { return rects.empty(); }
  RECT Bounds() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;
  bool Contains(LONG x, LONG y) const;
  bool operator==(const Region& other) const;
};

Region RectRegion(const RECT& rect);  // normalised: swapped edges are put in order
// The pixels whose centres lie inside the polygons under the fill mode (ALTERNATE or WINDING),
// as CreatePolyPolygonRgn takes them: counts[i] points each, every polygon closed implicitly.
Region PolygonRegion(const POINT* points, const INT* counts, size_t polygons, int fillMode);
// RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF; RGN_COPY answers `a`.
Region CombineRegions(const Region& a, const Region& b, int mode);
Region OffsetRegion(const Region& region, LONG dx, LONG dy);

}  // namespace plat::gdi
