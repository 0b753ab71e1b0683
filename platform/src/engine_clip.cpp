// Clip objects: regions as non-overlapping banded rectangles, with an id that stays the same
// for the same region, and the services a driver enumerates them with.
#include <algorithm>
#include <map>
#include <mutex>

#include "internal/engine_objects.h"
#include "internal/engine_registry.h"

namespace plat::engine {
namespace {

struct ClipObject {
  CLIPOBJ co{};  // first: the driver's pointer is this object's address
  std::vector<RECTL> rects;
  bool hasDrawBounds = false;
  RECTL drawBounds{};
  std::vector<RECTL> enumeration;
  size_t next = 0;
};

ClipObject* Find(const CLIPOBJ* pco) { return Live<ClipObject>().Find(pco); }

bool IsEmpty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Touches(const RECTL& a, const RECTL& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The same region gets the same id for as long as the process runs; regions are few (one per
// distinct clip the application sets), so the table stays small.
ULONG RegionUniq(const std::vector<RECTL>& rects) {
  static std::mutex lock;
  static auto* ids = new std::map<std::vector<LONG>, ULONG>;
  static ULONG next = 1;
  std::vector<LONG> key;
  key.reserve(rects.size() * 4);
  for (const RECTL& r : rects) key.insert(key.end(), {r.left, r.top, r.right, r.bottom});
  std::lock_guard<std::mutex> guard(lock);
  auto it = ids->find(key);
  if (it != ids->end()) return it->second;
  ULONG id = next++;
  if (next == 0) next = 1;
  (*ids)[std::move(key)] = id;
  return id;
}

RECTL Bounds(const std::vector<RECTL>& rects) {
  if (rects.empty()) return RECTL{0, 0, 0, 0};
  RECTL b = rects.front();
  for (const RECTL& r : rects) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

// The rectangles in the order asked for. The region is kept right-down (bands top to bottom,
// left to right), so the other orders reverse the bands, the rectangles within a band, or both.
std::vector<RECTL> Ordered(const std::vector<RECTL>& rects, ULONG direction) {
  std::vector<std::vector<RECTL>> bands;
  for (const RECTL& r : rects) {
    if (bands.empty() || bands.back().front().top != r.top) bands.emplace_back();
    bands.back().push_back(r);
  }
  bool up = direction == CD_RIGHTUP || direction == CD_LEFTUP;
  bool left = direction == CD_LEFTDOWN || direction == CD_LEFTUP;
  if (up) std::reverse(bands.begin(), bands.end());
  std::vector<RECTL> out;
  out.reserve(rects.size());
  for (auto& band : bands) {
    if (left) std::reverse(band.begin(), band.end());
    out.insert(out.end(), band.begin(), band.end());
  }
  return out;
}

ClipPtr Register(std::unique_ptr<ClipObject> object) {
  object->enumeration = object->rects;
  ClipObject* raw = object.release();
  Live<ClipObject>().Add(&raw->co, raw);
  return ClipPtr(&raw->co);
}

// Coordinates that still fit 28.4 fixed point.
LONG FixRange(LONG v) { return std::clamp<LONG>(v, -(1 << 26), 1 << 26); }

}  // namespace

void ObjectDeleter::operator()(CLIPOBJ* clip) const {
  if (clip) delete Live<ClipObject>().Remove(clip);
}

std::vector<RECTL> NormalizeRegion(const std::vector<RECTL>& input) {
  std::vector<RECTL> rects;
  for (const RECTL& r : input)
    if (!IsEmpty(r)) rects.push_back(r);
  if (rects.empty()) return {};
  std::vector<LONG> ys;
  for (const RECTL& r : rects) ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::sort(rects.begin(), rects.end(), [](const RECTL& a, const RECTL& b) { return a.top < b.top; });

  std::vector<RECTL> out;
  std::vector<std::pair<LONG, LONG>> previous;  // the last band's spans
  size_t previousFirst = 0;                     // where that band starts in out
  LONG previousBottom = 0;
  std::vector<std::pair<LONG, LONG>> spans;
  for (size_t b = 0; b + 1 < ys.size(); ++b) {
    LONG top = ys[b], bottom = ys[b + 1];
    spans.clear();
    for (const RECTL& r : rects) {
      if (r.top > top) break;
      if (r.bottom >= bottom) spans.emplace_back(r.left, r.right);
    }
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<LONG, LONG>> merged;
    for (auto span : spans) {
      if (!merged.empty() && span.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, span.second);
      else
        merged.push_back(span);
    }
    if (merged.empty()) {
      previous.clear();
      continue;
    }
    if (!previous.empty() && previousBottom == top && merged == previous) {
      for (size_t i = previousFirst; i < out.size(); ++i) out[i].bottom = bottom;
    } else {
      previousFirst = out.size();
      for (auto span : merged) out.push_back(RECTL{span.first, top, span.second, bottom});
      previous = merged;
    }
    previousBottom = bottom;
  }
  return out;
}

ClipPtr CreateTrivialClip(const RECTL& bounds) {
  auto object = std::make_unique<ClipObject>();
  object->co.iDComplexity = DC_TRIVIAL;
  object->co.iFComplexity = FC_RECT;
  object->co.iMode = TC_RECTANGLES;
  object->co.rclBounds = bounds;
  if (!IsEmpty(bounds)) object->rects.push_back(bounds);
  return Register(std::move(object));
}

ClipPtr CreateRectClip(const RECTL& rect) { return CreateRegionClip({rect}); }

ClipPtr CreateRegionClip(const std::vector<RECTL>& rects, const RECTL* drawBounds) {
  auto object = std::make_unique<ClipObject>();
  object->rects = NormalizeRegion(rects);
  size_t n = object->rects.size();
  object->co.iUniq = RegionUniq(object->rects);
  object->co.rclBounds = Bounds(object->rects);
  object->co.iDComplexity = n <= 1 ? DC_RECT : DC_COMPLEX;
  object->co.iFComplexity = n <= 1 ? FC_RECT : n <= 4 ? FC_RECT4 : FC_COMPLEX;
  object->co.iMode = TC_RECTANGLES;
  if (drawBounds) {
    object->hasDrawBounds = true;
    object->drawBounds = *drawBounds;
  }
  return Register(std::move(object));
}

const std::vector<RECTL>* ClipRects(const CLIPOBJ* clip) {
  ClipObject* object = Find(clip);
  return object ? &object->rects : nullptr;
}

PathPtr RegionPath(const std::vector<RECTL>& rects) {
  PathBuilder builder;
  for (const RECTL& r : rects) {
    if (IsEmpty(r)) continue;
    LONG l = FixRange(r.left), t = FixRange(r.top), rr = FixRange(r.right), b = FixRange(r.bottom);
    builder.MoveTo(ToFix(l, t));
    builder.LineTo(ToFix(rr, t));
    builder.LineTo(ToFix(rr, b));
    builder.LineTo(ToFix(l, b));
    builder.CloseFigure();
  }
  return builder.Build();
}

}  // namespace plat::engine

using plat::engine::ClipObject;

extern "C" {

// Starts (or restarts) the enumeration. Answers the number of rectangles it will give, or
// 0xFFFFFFFF when that exceeds a non-zero cLimit. With bAll FALSE, rectangles that the
// drawing does not touch are left out.
WINBASEAPI ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit) {
  ClipObject* object = plat::engine::Find(pco);
  if (object == nullptr) return 0;
  object->next = 0;
  object->enumeration.clear();
  if (iType != CT_RECTANGLES) return 0;
  for (const RECTL& r : plat::engine::Ordered(object->rects, iDirection)) {
    if (!bAll && object->hasDrawBounds && !plat::engine::Touches(r, object->drawBounds)) continue;
    object->enumeration.push_back(r);
  }
  ULONG count = static_cast<ULONG>(object->enumeration.size());
  return cLimit != 0 && count > cLimit ? 0xFFFFFFFF : count;
}

// Writes as many rectangles as the cj bytes at pul hold (an ENUMRECTS); TRUE while more remain.
// A buffer too small for one rectangle gets a count of 0 and ends the enumeration, so a loop
// that never grows its buffer still ends.
WINBASEAPI BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  if (pul == nullptr || cj < sizeof(ULONG)) return FALSE;
  ENUMRECTS* out = reinterpret_cast<ENUMRECTS*>(pul);
  out->c = 0;
  ClipObject* object = plat::engine::Find(pco);
  if (object == nullptr) return FALSE;
  size_t capacity = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
  if (cj < offsetof(ENUMRECTS, arcl)) capacity = 0;
  ULONG n = 0;
  while (n < capacity && object->next < object->enumeration.size()) out->arcl[n++] = object->enumeration[object->next++];
  out->c = n;
  if (capacity == 0) return FALSE;
  return object->next < object->enumeration.size();
}

// The region's outline, a new path the driver deletes with EngDeletePath.
WINBASEAPI PATHOBJ* APIENTRY CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
  ClipObject* object = plat::engine::Find(pco);
  if (object == nullptr) return nullptr;
  return plat::engine::RegionPath(object->rects).release();
}

}  // extern "C"
