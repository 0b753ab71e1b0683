// Widening of geometric lines into outlines the driver can fill: curves flattened, the style
// array cut into dashes, every segment, join and cap its own closed polygon, all turning the
// same way so that the union fills under the winding rule.
#include <algorithm>
#include <cmath>

#include "internal/engine_objects.h"

namespace plat::engine {
namespace {

struct Pt {
  double x, y;
};

Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Pt operator*(Pt a, double k) { return {a.x * k, a.y * k}; }
double Length(Pt a) { return std::hypot(a.x, a.y); }
double Cross(Pt a, Pt b) { return a.x * b.y - a.y * b.x; }

// Curves are cut until each piece strays less than this from its chord (device dots).
constexpr double kFlatness = 0.25;
constexpr int kMaxDepth = 12;
// Polygons are emitted only while the outline stays reasonable for a driver to send: a line
// beyond this (a page of dots a dot long, each with round caps) is cut off rather than
// exhausting the process.
constexpr size_t kMaxPolygons = 200000;
constexpr size_t kMaxPoints = 4000000;
// Within those, the outline of a path may hold this many points, and more for a path of many
// points: an application's two-point line with a fine style and a wide round pen must not
// keep a print job busy for seconds on millions of caps.
constexpr size_t kPointsForAnyPath = size_t{1} << 17;
constexpr size_t kPointsPerPathPoint = 64;
// A circle (a round join or cap) has as many corners as keep it within the flatness of the
// true circle, but never fewer than this nor more than the maximum, whatever the pen.
constexpr int kMinCircleCorners = 8;
constexpr int kMaxCircleCorners = 256;
// No surface is wider than this many dots (it is far beyond a page at any resolution): a wider
// pen covers the whole surface as this one does, and keeps the outline's numbers finite.
constexpr double kMaxHalfWidth = 1 << 20;

Pt FromFix(POINTFIX p) { return {p.x / 16.0, p.y / 16.0}; }

double ChordDistance(Pt p, Pt a, Pt b) {
  Pt d = b - a;
  double len = Length(d);
  if (len < 1e-12) return Length(p - a);
  return std::fabs(Cross(d, p - a)) / len;
}

void FlattenBezier(Pt p0, Pt p1, Pt p2, Pt p3, int depth, std::vector<Pt>& out) {
  if (depth >= kMaxDepth || (ChordDistance(p1, p0, p3) <= kFlatness && ChordDistance(p2, p0, p3) <= kFlatness)) {
    out.push_back(p3);
    return;
  }
  Pt a = (p0 + p1) * 0.5, b = (p1 + p2) * 0.5, c = (p2 + p3) * 0.5;
  Pt d = (a + b) * 0.5, e = (b + c) * 0.5, m = (d + e) * 0.5;
  FlattenBezier(p0, a, d, m, depth + 1, out);
  FlattenBezier(m, e, c, p3, depth + 1, out);
}

struct Polyline {
  std::vector<Pt> points;
  bool closed = false;
};

Polyline Flatten(const PathFigure& figure) {
  Polyline line;
  line.closed = figure.closed;
  if (figure.points.empty()) return line;
  line.points.push_back(FromFix(figure.points[0]));
  for (size_t i = 1; i < figure.points.size();) {
    if (figure.bezier[i] && i + 2 < figure.points.size()) {
      FlattenBezier(line.points.back(), FromFix(figure.points[i]), FromFix(figure.points[i + 1]),
                    FromFix(figure.points[i + 2]), 0, line.points);
      i += 3;
    } else {
      line.points.push_back(FromFix(figure.points[i]));
      ++i;
    }
  }
  // Repeated points carry no direction.
  std::vector<Pt> unique;
  for (Pt p : line.points)
    if (unique.empty() || Length(p - unique.back()) > 1e-9) unique.push_back(p);
  if (line.closed && unique.size() > 1 && Length(unique.front() - unique.back()) <= 1e-9) unique.pop_back();
  line.points = std::move(unique);
  return line;
}

// The dashes of a styled line: the pieces where the style is "on", each an open polyline handed
// to `take` as it is found, until `take` answers false (the outline is full).
template <typename Take>
void Dash(const Polyline& line, const std::vector<double>& style, double offset, bool startGap, Take take) {
  double total = 0;
  for (double e : style) total += e;
  std::vector<Pt> pts = line.points;
  if (line.closed && !pts.empty()) pts.push_back(pts.front());
  size_t index = 0;
  double left = style.empty() ? 0 : style[0];
  bool on = !startGap;
  // Walk into the style by the offset.
  double skip = total > 0 ? std::fmod(std::max(offset, 0.0), total) : 0;
  while (skip > 0) {
    if (skip < left) {
      left -= skip;
      break;
    }
    skip -= left;
    index = (index + 1) % style.size();
    left = style[index];
    on = !on;
  }
  Polyline current;
  if (on && !pts.empty()) current.points.push_back(pts[0]);
  // Each step of the walk ends a style entry or a segment: a style of tiny entries along a
  // very long line would take billions of them, while the outline can hold only so much.
  size_t steps = 0;
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    Pt a = pts[i], b = pts[i + 1];
    double len = Length(b - a);
    double done = 0;
    while (len - done > 1e-9) {
      if (++steps > kMaxPoints) return;
      double step = std::min(left, len - done);
      done += step;
      left -= step;
      Pt at = a + (b - a) * (done / len);
      if (on) current.points.push_back(at);
      if (left <= 1e-9) {
        if (on && current.points.size() > 1 && !take(current)) return;
        current.points.clear();
        on = !on;
        index = (index + 1) % style.size();
        left = style[index];
        // Zero-length entries flip at once; a full cycle of them is ruled out by the caller.
        if (on) current.points.push_back(at);
      }
    }
  }
  if (on && current.points.size() > 1) take(current);
}

class Outline {
 public:
  Outline(std::vector<PathFigure>& out, size_t maxPoints) : out_(out), maxPoints_(maxPoints) {}

  // Once the outline holds as much as a driver can be sent, the rest of the line adds nothing,
  // and the widening stops its work.
  bool Full() const { return full_; }

  // Adds a polygon as a closed figure, turned to positive area; nothing of zero area.
  void Polygon(std::vector<Pt> pts) {
    if (pts.size() < 3 || full_) return;
    if (out_.size() >= kMaxPolygons || points_ + pts.size() > maxPoints_) {
      full_ = true;
      return;
    }
    double area = 0;
    for (size_t i = 0; i < pts.size(); ++i) area += Cross(pts[i], pts[(i + 1) % pts.size()]);
    if (std::fabs(area) < 1e-9) return;
    if (area < 0) std::reverse(pts.begin(), pts.end());
    PathFigure figure;
    for (Pt p : pts) {
      figure.points.push_back(POINTFIX{ToFixed(p.x), ToFixed(p.y)});
      figure.bezier.push_back(false);
    }
    figure.closed = true;
    points_ += figure.points.size();
    out_.push_back(std::move(figure));
  }

  void Circle(Pt c, double r) {
    if (full_) return;
    // Corners about two dots apart along the circle keep each chord within a quarter dot of
    // its arc; the count is worked out in floating point, as a huge radius has no int.
    double corners = std::ceil(M_PI * r);
    int n = corners < kMaxCircleCorners ? std::max(static_cast<int>(corners), kMinCircleCorners) : kMaxCircleCorners;
    std::vector<Pt> pts;
    pts.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      double a = 2 * M_PI * i / n;
      pts.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    Polygon(std::move(pts));
  }

 private:
  static FIX ToFixed(double v) {
    double f = std::round(v * 16.0);
    return static_cast<FIX>(std::clamp(f, -2147483647.0, 2147483647.0));
  }
  std::vector<PathFigure>& out_;
  size_t maxPoints_;
  size_t points_ = 0;
  bool full_ = false;
};

Pt Normal(Pt d) {
  double len = Length(d);
  return len < 1e-12 ? Pt{0, 0} : Pt{-d.y / len, d.x / len};
}

Pt Unit(Pt d) {
  double len = Length(d);
  return len < 1e-12 ? Pt{0, 0} : Pt{d.x / len, d.y / len};
}

void Join(Outline& outline, Pt v, Pt d1, Pt d2, double h, const LINEATTRS& la) {
  double cross = Cross(d1, d2);
  double dot = d1.x * d2.x + d1.y * d2.y;
  if (std::fabs(cross) < 1e-9 && dot > 0) return;  // straight on
  if (la.iJoin == JOIN_ROUND) {
    outline.Circle(v, h);
    return;
  }
  double side = cross > 0 ? -1.0 : 1.0;  // the outer side of the turn
  Pt o1 = Normal(d1) * side, o2 = Normal(d2) * side;
  Pt a = v + o1 * h, b = v + o2 * h;
  if (la.iJoin == JOIN_MITER) {
    Pt sum = o1 + o2;
    double len = Length(sum);
    // The miter's length over the line's width is 1 / cos(half the turn) = 2 / |o1 + o2|.
    if (len > 1e-9 && 2.0 / len <= la.eMiterLimit) {
      Pt tip = v + Unit(sum) * (h * 2.0 / len);
      outline.Polygon({v, a, tip, b});
      return;
    }
  }
  outline.Polygon({v, a, b});
}

void Cap(Outline& outline, Pt p, Pt outward, double h, const LINEATTRS& la) {
  if (la.iEndCap == ENDCAP_ROUND) {
    outline.Circle(p, h);
  } else if (la.iEndCap == ENDCAP_SQUARE) {
    Pt n = Normal(outward) * h, d = Unit(outward) * h;
    outline.Polygon({p + n, p + n + d, p - n + d, p - n});
  }
}

void Stroke(Outline& outline, const Polyline& line, double h, const LINEATTRS& la) {
  const std::vector<Pt>& p = line.points;
  if (p.empty()) return;
  if (p.size() == 1) {
    // A line of no length: its caps alone, square ones along the x axis.
    if (la.iEndCap == ENDCAP_ROUND)
      outline.Circle(p[0], h);
    else if (la.iEndCap == ENDCAP_SQUARE)
      outline.Polygon({{p[0].x - h, p[0].y - h}, {p[0].x + h, p[0].y - h}, {p[0].x + h, p[0].y + h},
                       {p[0].x - h, p[0].y + h}});
    return;
  }
  size_t segments = line.closed ? p.size() : p.size() - 1;
  for (size_t i = 0; i < segments && !outline.Full(); ++i) {
    Pt a = p[i], b = p[(i + 1) % p.size()];
    Pt n = Normal(b - a) * h;
    outline.Polygon({a + n, b + n, b - n, a - n});
  }
  for (size_t i = 1; i < p.size() && !outline.Full(); ++i) {
    if (!line.closed && i == p.size() - 1) break;
    Join(outline, p[i], p[i] - p[i - 1], p[(i + 1) % p.size()] - p[i], h, la);
  }
  if (line.closed) {
    if (p.size() > 2) Join(outline, p[0], p[0] - p.back(), p[1] - p[0], h, la);
  } else {
    Cap(outline, p.front(), p.front() - p[1], h, la);
    Cap(outline, p.back(), p.back() - p[p.size() - 2], h, la);
  }
}

}  // namespace

std::vector<PathFigure> WidenFigures(const std::vector<PathFigure>& figures, const LINEATTRS& la) {
  std::vector<PathFigure> out;
  size_t pathPoints = 0;
  for (const PathFigure& figure : figures) pathPoints += figure.points.size();
  Outline outline(out, std::min(kMaxPoints, std::max(kPointsForAnyPath, pathPoints * kPointsPerPathPoint)));
  double width = (la.fl & LA_GEOMETRIC) ? la.elWidth.e : 1.0;
  if (!(width > 0) || std::isnan(width)) width = 1.0;
  double h = std::min(width / 2, kMaxHalfWidth);
  std::vector<double> style;
  if ((la.fl & LA_STYLED) && la.pstyle && la.cstyle > 0) {
    double total = 0;
    for (ULONG i = 0; i < la.cstyle && i < 16; ++i) {
      double e = (la.fl & LA_GEOMETRIC) ? la.pstyle[i].e : la.pstyle[i].l;
      if (!std::isfinite(e) || e < 0) e = 0;
      style.push_back(e);
      total += e;
    }
    // A style of nothing but zero lengths would never move on: such a line is drawn solid.
    if (total <= 1e-3) style.clear();
    // An odd count repeats once more so that "on" and "off" alternate over the whole line.
    if (style.size() % 2 == 1) style.insert(style.end(), style.begin(), style.end());
  }
  double offset = (la.fl & LA_GEOMETRIC) ? la.elStyleState.e : 0.0;
  if (!std::isfinite(offset)) offset = 0;
  for (const PathFigure& figure : figures) {
    if (outline.Full()) break;
    Polyline line = Flatten(figure);
    if (style.empty()) {
      Stroke(outline, line, h, la);
      continue;
    }
    Dash(line, style, offset, (la.fl & LA_STARTGAP) != 0, [&](const Polyline& dash) {
      Stroke(outline, dash, h, la);
      return !outline.Full();
    });
  }
  return out;
}

PathPtr WidenPath(PATHOBJ* path, const LINEATTRS& la) {
  const std::vector<PathFigure>* figures = PathFigures(path);
  if (figures == nullptr) return nullptr;
  return CreatePath(WidenFigures(*figures, la));
}

}  // namespace plat::engine
