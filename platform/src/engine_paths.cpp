// Path objects: the figures the DC recorded, handed to a driver as PATHDATA records one run of
// lines or Béziers at a time, and the enumeration services a driver walks them with.
#include <algorithm>

#include "internal/engine_objects.h"
#include "internal/engine_registry.h"

namespace plat::engine {
namespace {

constexpr BYTE kPtCloseFigure = 0x01;
constexpr BYTE kPtLineTo = 0x02;
constexpr BYTE kPtBezierTo = 0x04;
constexpr BYTE kPtMoveTo = 0x06;

struct PathRecord {
  FLONG flags = 0;
  std::vector<POINTFIX> points;
};

struct PathObject {
  PATHOBJ po{};  // first: the driver's pointer is this object's address
  std::vector<PathFigure> figures;
  std::vector<PathRecord> records;
  size_t next = 0;
};

// The records of one figure: a record for every run of one kind.
void AppendRecords(const PathFigure& figure, std::vector<PathRecord>& out) {
  size_t first = out.size();
  size_t i = 1;
  while (i < figure.points.size()) {
    bool bezier = figure.bezier[i];
    PathRecord record;
    record.flags = bezier ? PD_BEZIERS : 0;
    if (out.size() == first) {
      record.flags |= PD_BEGINSUBPATH;
      record.points.push_back(figure.points[0]);
    }
    while (i < figure.points.size() && figure.bezier[i] == bezier) record.points.push_back(figure.points[i++]);
    out.push_back(std::move(record));
  }
  if (out.size() > first) out.back().flags |= PD_ENDSUBPATH | (figure.closed ? PD_CLOSEFIGURE : 0);
}

PathObject* Find(const PATHOBJ* ppo) { return Live<PathObject>().Find(ppo); }

}  // namespace

void ObjectDeleter::operator()(PATHOBJ* path) const { EngDeletePath(path); }

void PathBuilder::MoveTo(POINTFIX p) {
  figures_.push_back(PathFigure{{p}, {false}, false});
  open_ = true;
  current_ = p;
}

void PathBuilder::LineTo(POINTFIX p) {
  if (!open_) MoveTo(current_);
  figures_.back().points.push_back(p);
  figures_.back().bezier.push_back(false);
  current_ = p;
}

void PathBuilder::BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end) {
  if (!open_) MoveTo(current_);
  PathFigure& figure = figures_.back();
  for (POINTFIX p : {c1, c2, end}) {
    figure.points.push_back(p);
    figure.bezier.push_back(true);
  }
  current_ = end;
}

void PathBuilder::CloseFigure() {
  if (!open_) return;
  figures_.back().closed = true;
  current_ = figures_.back().points.front();
  open_ = false;
}

void PathBuilder::AddFigures(const std::vector<PathFigure>& figures) {
  for (const PathFigure& figure : figures) {
    if (figure.points.empty() || figure.bezier.size() != figure.points.size()) continue;
    figures_.push_back(figure);
    current_ = figure.closed ? figure.points.front() : figure.points.back();
  }
  open_ = false;
}

std::vector<PathFigure> PathBuilder::Figures() const {
  std::vector<PathFigure> out;
  for (const PathFigure& figure : figures_)
    if (figure.points.size() >= 2) out.push_back(figure);
  return out;
}

PathPtr PathBuilder::Build() const { return CreatePath(Figures()); }

PathPtr CreatePath(std::vector<PathFigure> figures) {
  auto object = std::make_unique<PathObject>();
  ULONG curves = 0;
  bool beziers = false;
  bool integers = true;
  for (PathFigure& figure : figures) {
    if (figure.points.size() < 2 || figure.bezier.size() != figure.points.size()) continue;
    size_t bezierPoints = 0;
    for (size_t i = 1; i < figure.points.size(); ++i) {
      if (figure.bezier[i]) {
        ++bezierPoints;
        beziers = true;
      } else {
        ++curves;
      }
    }
    curves += static_cast<ULONG>(bezierPoints / 3);
    for (POINTFIX p : figure.points)
      if ((p.x & 15) != 0 || (p.y & 15) != 0) integers = false;
    AppendRecords(figure, object->records);
    object->figures.push_back(std::move(figure));
  }
  object->po.cCurves = curves;
  object->po.fl = (beziers ? PO_BEZIERS : 0) | (integers ? PO_ALL_INTEGERS : 0);
  PathObject* raw = object.release();
  Live<PathObject>().Add(&raw->po, raw);
  return PathPtr(&raw->po);
}

PathPtr CreatePathFromTypes(const POINTFIX* points, const BYTE* types, size_t count) {
  if (count > 0 && (points == nullptr || types == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PathBuilder builder;
  for (size_t i = 0; i < count; ++i) {
    BYTE kind = types[i] & ~kPtCloseFigure;
    bool close = (types[i] & kPtCloseFigure) != 0;
    if (kind == kPtMoveTo && !close) {
      builder.MoveTo(points[i]);
    } else if (kind == kPtLineTo) {
      builder.LineTo(points[i]);
    } else if (kind == kPtBezierTo && i + 2 < count && (types[i + 1] & ~kPtCloseFigure) == kPtBezierTo &&
               (types[i + 2] & ~kPtCloseFigure) == kPtBezierTo && !(types[i] & kPtCloseFigure) &&
               !(types[i + 1] & kPtCloseFigure)) {
      builder.BezierTo(points[i], points[i + 1], points[i + 2]);
      i += 2;
      close = (types[i] & kPtCloseFigure) != 0;
    } else {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (close) builder.CloseFigure();
  }
  return builder.Build();
}

const std::vector<PathFigure>* PathFigures(const PATHOBJ* path) {
  PathObject* object = Find(path);
  return object ? &object->figures : nullptr;
}

}  // namespace plat::engine

using plat::engine::PathObject;

extern "C" {

WINBASEAPI VOID APIENTRY PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (PathObject* object = plat::engine::Find(ppo)) object->next = 0;
}

// Hands out the next record; TRUE while more follow. An empty path (or a pointer the engine
// did not make) answers one empty record and FALSE, so a driver's do-while loop ends at once.
WINBASEAPI BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  PathObject* object = plat::engine::Find(ppo);
  if (ppd == nullptr) return FALSE;
  if (object == nullptr || object->next >= object->records.size()) {
    *ppd = PATHDATA{0, 0, nullptr};
    return FALSE;
  }
  plat::engine::PathRecord& record = object->records[object->next++];
  ppd->flags = record.flags;
  ppd->count = static_cast<ULONG>(record.points.size());
  ppd->pptfx = record.points.data();
  return object->next < object->records.size();
}

// The bounds of every point of the path, control points included (they enclose the curves);
// all zero for an empty path.
WINBASEAPI VOID APIENTRY PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx) {
  if (prectfx == nullptr) return;
  *prectfx = RECTFX{0, 0, 0, 0};
  PathObject* object = plat::engine::Find(ppo);
  if (object == nullptr) return;
  bool first = true;
  for (const plat::engine::PathFigure& figure : object->figures) {
    for (POINTFIX p : figure.points) {
      if (first) {
        *prectfx = RECTFX{p.x, p.y, p.x, p.y};
        first = false;
        continue;
      }
      prectfx->xLeft = std::min(prectfx->xLeft, p.x);
      prectfx->yTop = std::min(prectfx->yTop, p.y);
      prectfx->xRight = std::max(prectfx->xRight, p.x);
      prectfx->yBottom = std::max(prectfx->yBottom, p.y);
    }
  }
}

WINBASEAPI VOID APIENTRY EngDeletePath(PATHOBJ* ppo) {
  if (ppo == nullptr) return;
  delete plat::engine::Live<PathObject>().Remove(ppo);
}

}  // extern "C"
