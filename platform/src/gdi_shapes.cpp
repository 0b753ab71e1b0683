// Shapes as device paths, as the platform's engine makes them: rectangles as four lines,
// ellipses, arcs and rounded corners as Bézier curves of at most a quarter turn each, points in
// the engine's 28.4 fixed point so that curve control points keep their fractions.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "internal/gdi_drawing.h"

namespace plat::gdi {

void DevicePath::MoveTo(POINTFIX p) {
  points.push_back(p);
  types.push_back(PT_MOVETO);
}

void DevicePath::LineTo(POINTFIX p) {
  points.push_back(p);
  types.push_back(PT_LINETO);
}

void DevicePath::BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end) {
  points.insert(points.end(), {c1, c2, end});
  types.insert(types.end(), {PT_BEZIERTO, PT_BEZIERTO, PT_BEZIERTO});
}

void DevicePath::Close() {
  // A lone move is no figure to close.
  if (!types.empty() && types.back() != PT_MOVETO) types.back() |= PT_CLOSEFIGURE;
}

void DevicePath::Append(const DevicePath& other) {
  points.insert(points.end(), other.points.begin(), other.points.end());
  types.insert(types.end(), other.types.begin(), other.types.end());
}

namespace {

constexpr double kPi = std::numbers::pi;

FIX Fix(double v) { return static_cast<FIX>(std::lround(v * 16.0)); }
POINTFIX FixPoint(double x, double y) { return POINTFIX{Fix(x), Fix(y)}; }

struct Ellipse {
  double cx, cy, rx, ry;

  // Angles run counter-clockwise as seen on the page, whose y axis points down.
  POINTFIX At(double t) const { return FixPoint(cx + rx * std::cos(t), cy - ry * std::sin(t)); }
};

// Appends Béziers along the ellipse from angle `from` over `sweep` (positive: counter-clockwise),
// split into pieces of at most a quarter turn, each with the usual 4/3·tan(θ/4) control arms.
// The figure is expected to stand at the arc's start point already.
void AppendArc(DevicePath& path, const Ellipse& e, double from, double sweep) {
  int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
  double step = sweep / pieces;
  double arm = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    double t0 = from + step * i, t1 = t0 + step;
    double x0 = e.cx + e.rx * std::cos(t0), y0 = e.cy - e.ry * std::sin(t0);
    double x1 = e.cx + e.rx * std::cos(t1), y1 = e.cy - e.ry * std::sin(t1);
    // Derivative of the point with respect to the angle.
    double dx0 = -e.rx * std::sin(t0), dy0 = -e.ry * std::cos(t0);
    double dx1 = -e.rx * std::sin(t1), dy1 = -e.ry * std::cos(t1);
    path.BezierTo(FixPoint(x0 + arm * dx0, y0 + arm * dy0), FixPoint(x1 - arm * dx1, y1 - arm * dy1), e.At(t1));
  }
}

// The outline box of a compatible-mode shape: the right and bottom edges are not part of it.
Ellipse EllipseOf(RECT box) {
  double left = box.left, top = box.top;
  double right = std::max(box.left, box.right - 1), bottom = std::max(box.top, box.bottom - 1);
  return Ellipse{(left + right) / 2, (top + bottom) / 2, (right - left) / 2, (bottom - top) / 2};
}

// The angle of the ellipse point that lies on the ray from the centre through `p`.
double RadialAngle(const Ellipse& e, POINT p) {
  double dx = p.x - e.cx, dy = e.cy - p.y;
  if (e.rx > 0 && e.ry > 0) return std::atan2(dy / e.ry, dx / e.rx);
  return std::atan2(dy, dx);
}

}  // namespace

RECT ShapeBox(LONG left, LONG top, LONG right, LONG bottom, LONG inset) {
  RECT box{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (inset > 0) {
    LONG cx = box.left + (box.right - box.left) / 2, cy = box.top + (box.bottom - box.top) / 2;
    box.left = std::min(cx, box.left + inset);
    box.top = std::min(cy, box.top + inset);
    box.right = std::max(cx, box.right - inset);
    box.bottom = std::max(cy, box.bottom - inset);
  }
  return box;
}

void RectangleFigure(DevicePath& path, RECT box) {
  LONG right = std::max(box.left, box.right - 1), bottom = std::max(box.top, box.bottom - 1);
  path.MoveTo(ToFix(POINT{box.left, box.top}));
  path.LineTo(ToFix(POINT{right, box.top}));
  path.LineTo(ToFix(POINT{right, bottom}));
  path.LineTo(ToFix(POINT{box.left, bottom}));
  path.Close();
}

void EllipseFigure(DevicePath& path, RECT box) {
  Ellipse e = EllipseOf(box);
  path.MoveTo(e.At(0));
  AppendArc(path, e, 0, 2 * kPi);
  path.Close();
}

void RoundRectFigure(DevicePath& path, RECT box, LONG cornerWidth, LONG cornerHeight) {
  double left = box.left, top = box.top;
  double right = std::max(box.left, box.right - 1), bottom = std::max(box.top, box.bottom - 1);
  double rx = std::clamp(std::fabs(double(cornerWidth)), 0.0, right - left) / 2;
  double ry = std::clamp(std::fabs(double(cornerHeight)), 0.0, bottom - top) / 2;
  if (rx <= 0 || ry <= 0) {
    RectangleFigure(path, box);
    return;
  }
  // Counter-clockwise from the right end of the top edge, a quarter ellipse at each corner.
  path.MoveTo(FixPoint(right - rx, top));
  path.LineTo(FixPoint(left + rx, top));
  AppendArc(path, Ellipse{left + rx, top + ry, rx, ry}, kPi / 2, kPi / 2);
  path.LineTo(FixPoint(left, bottom - ry));
  AppendArc(path, Ellipse{left + rx, bottom - ry, rx, ry}, kPi, kPi / 2);
  path.LineTo(FixPoint(right - rx, bottom));
  AppendArc(path, Ellipse{right - rx, bottom - ry, rx, ry}, 3 * kPi / 2, kPi / 2);
  path.LineTo(FixPoint(right, top + ry));
  AppendArc(path, Ellipse{right - rx, top + ry, rx, ry}, 0, kPi / 2);
  path.Close();
}

void ArcFigure(DevicePath& path, RECT box, POINT start, POINT end, ArcKind kind) {
  Ellipse e = EllipseOf(box);
  double from = RadialAngle(e, start);
  double to = RadialAngle(e, end);
  double sweep = to - from;
  while (sweep <= 1e-12) sweep += 2 * kPi;
  while (sweep > 2 * kPi) sweep -= 2 * kPi;
  path.MoveTo(e.At(from));
  AppendArc(path, e, from, sweep);
  if (kind == ArcKind::Pie) path.LineTo(FixPoint(e.cx, e.cy));
  if (kind != ArcKind::Open) path.Close();
}

}  // namespace plat::gdi
