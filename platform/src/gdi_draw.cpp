// Lines, curves, closed shapes and path brackets of a device context. Each call checks its
// points, turns its shape into a device path, and then either records it in the open path
// bracket or hands it to the engine to be stroked, filled or both with the DC's pen and brush.
#include <cstring>
#include <limits>

#include "internal/gdi_drawing.h"
#include "internal/gdi_record.h"
#include "internal/gdi_render.h"

using namespace plat::gdi;

namespace {

bool Refuse(DWORD error) {
  SetLastError(error);
  return false;
}

// Geometric inside-frame pens wider than a dot keep their stroke inside the shape's box.
LONG InsideFrameInset(const DrawState& s) {
  const PenObject& pen = *s.pen;
  if (pen.Style() != PS_INSIDEFRAME || pen.width <= 1) return 0;
  return static_cast<LONG>(pen.width / 2);
}

RECT DeviceBox(const DrawState& s, int left, int top, int right, int bottom) {
  POINT a = ToDevice(s, POINT{left, top});
  POINT b = ToDevice(s, POINT{right, bottom});
  return ShapeBox(a.x, a.y, b.x, b.y, InsideFrameInset(s));
}

// Either records the shape in the open bracket, or draws it now: an open shape is only
// stroked; a closed one is filled with the brush and outlined with the pen.
BOOL Draw(PrinterDC& dc, const DevicePath& path, bool closedShape) {
  DrawState& s = dc.draw;
  if (s.bracket == PathBracket::Open) {
    s.path.Append(path);
    return TRUE;
  }
  return RenderPath(dc, path, RenderOp{true, closedShape, s.polyFillMode}) ? TRUE : FALSE;
}

bool ValidPoints(const POINT* points, size_t count) { return points != nullptr || count == 0; }

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DrawState& s = dc->draw;
  POINT from = ToDevice(s, s.current);
  POINT to = ToDevice(s, POINT{x, y});
  BOOL ok = TRUE;
  if (s.bracket == PathBracket::Open) {
    if (!s.path.OpenFigure()) s.path.MoveTo(ToFix(from));
    s.path.LineTo(ToFix(to));
  } else {
    DevicePath path;
    path.MoveTo(ToFix(from));
    path.LineTo(ToFix(to));
    ok = Draw(*dc, path, false);
  }
  if (ok) s.current = POINT{x, y};
  return ok;
}

WINBASEAPI BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (cpt < 2 || !apt) return Refuse(ERROR_INVALID_PARAMETER);
  DrawState& s = dc->draw;
  DevicePath path;
  path.MoveTo(ToFix(ToDevice(s, apt[0])));
  for (int i = 1; i < cpt; ++i) path.LineTo(ToFix(ToDevice(s, apt[i])));
  return Draw(*dc, path, false);
}

WINBASEAPI BOOL WINAPI PolyBezier(HDC hdc, const POINT* apt, DWORD cpt) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  // A start point and three points (two control points and an end point) for each curve.
  if (cpt < 4 || (cpt - 1) % 3 != 0 || !apt) return Refuse(ERROR_INVALID_PARAMETER);
  DrawState& s = dc->draw;
  DevicePath path;
  path.MoveTo(ToFix(ToDevice(s, apt[0])));
  for (DWORD i = 1; i + 2 < cpt; i += 3)
    path.BezierTo(ToFix(ToDevice(s, apt[i])), ToFix(ToDevice(s, apt[i + 1])), ToFix(ToDevice(s, apt[i + 2])));
  return Draw(*dc, path, false);
}

WINBASEAPI BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
  INT count = cpt;
  return PolyPolygon(hdc, apt, &count, 1);
}

WINBASEAPI BOOL WINAPI PolyPolygon(HDC hdc, const POINT* apt, const INT* asz, int csz) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (csz <= 0 || !asz) return Refuse(ERROR_INVALID_PARAMETER);
  size_t total = 0;
  for (int i = 0; i < csz; ++i) {
    if (asz[i] < 2) return Refuse(ERROR_INVALID_PARAMETER);
    total += static_cast<size_t>(asz[i]);
    if (total > static_cast<size_t>(std::numeric_limits<INT>::max())) return Refuse(ERROR_INVALID_PARAMETER);
  }
  if (!ValidPoints(apt, total)) return Refuse(ERROR_INVALID_PARAMETER);
  DrawState& s = dc->draw;
  DevicePath path;
  size_t at = 0;
  for (int i = 0; i < csz; ++i) {
    path.MoveTo(ToFix(ToDevice(s, apt[at])));
    for (INT k = 1; k < asz[i]; ++k) path.LineTo(ToFix(ToDevice(s, apt[at + static_cast<size_t>(k)])));
    path.Close();
    at += static_cast<size_t>(asz[i]);
  }
  return Draw(*dc, path, true);
}

WINBASEAPI BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DevicePath path;
  RectangleFigure(path, DeviceBox(dc->draw, left, top, right, bottom));
  return Draw(*dc, path, true);
}

WINBASEAPI BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DevicePath path;
  RoundRectFigure(path, DeviceBox(dc->draw, left, top, right, bottom), width, height);
  return Draw(*dc, path, true);
}

WINBASEAPI BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DevicePath path;
  EllipseFigure(path, DeviceBox(dc->draw, left, top, right, bottom));
  return Draw(*dc, path, true);
}

namespace {

BOOL ArcShape(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd,
              ArcKind kind) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DrawState& s = dc->draw;
  DevicePath path;
  // An open arc is a line: the inside-frame inset belongs to the closed shapes.
  RECT box = kind == ArcKind::Open ? ShapeBox(ToDevice(s, POINT{left, top}).x, ToDevice(s, POINT{left, top}).y,
                                              ToDevice(s, POINT{right, bottom}).x,
                                              ToDevice(s, POINT{right, bottom}).y, 0)
                                   : DeviceBox(s, left, top, right, bottom);
  ArcFigure(path, box, ToDevice(s, POINT{xStart, yStart}), ToDevice(s, POINT{xEnd, yEnd}), kind);
  return Draw(*dc, path, kind != ArcKind::Open);
}

}  // namespace

WINBASEAPI BOOL WINAPI Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  return ArcShape(hdc, x1, y1, x2, y2, x3, y3, x4, y4, ArcKind::Open);
}

WINBASEAPI BOOL WINAPI Pie(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2) {
  return ArcShape(hdc, left, top, right, bottom, xr1, yr1, xr2, yr2, ArcKind::Pie);
}

WINBASEAPI BOOL WINAPI Chord(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  return ArcShape(hdc, x1, y1, x2, y2, x3, y3, x4, y4, ArcKind::Chord);
}

// ---- Path brackets ---------------------------------------------------------------------------

WINBASEAPI BOOL WINAPI BeginPath(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  dc->draw.path = DevicePath{};
  dc->draw.bracket = PathBracket::Open;
  RecordCall(*dc, "BeginPath", "");
  return TRUE;
}

WINBASEAPI BOOL WINAPI EndPath(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (dc->draw.bracket != PathBracket::Open) return Refuse(ERROR_CAN_NOT_COMPLETE);
  dc->draw.bracket = PathBracket::Closed;
  RecordCall(*dc, "EndPath", "");
  return TRUE;
}

WINBASEAPI BOOL WINAPI AbortPath(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  dc->draw.path = DevicePath{};
  dc->draw.bracket = PathBracket::None;
  return TRUE;
}

WINBASEAPI BOOL WINAPI CloseFigure(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DrawState& s = dc->draw;
  if (s.bracket != PathBracket::Open || !s.path.OpenFigure()) return Refuse(ERROR_CAN_NOT_COMPLETE);
  s.path.Close();
  return TRUE;
}

namespace {

// Strokes, fills or both with the closed bracket's path, which is used up either way.
BOOL DrawBracket(HDC hdc, bool stroke, bool fill) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  DrawState& s = dc->draw;
  if (s.bracket != PathBracket::Closed) return Refuse(ERROR_CAN_NOT_COMPLETE);
  DevicePath path = std::move(s.path);
  s.path = DevicePath{};
  s.bracket = PathBracket::None;
  if (Recording()) {
    std::string detail = "points=" + std::to_string(path.points.size()) + " mode=" + std::to_string(s.polyFillMode);
    if (fill && s.brush) detail += " brush=" + RecordColor(s.brush->color);
    RecordCall(*dc, stroke && fill ? "StrokeAndFillPath" : fill ? "FillPath" : "StrokePath", detail);
  }
  return RenderPath(*dc, path, RenderOp{stroke, fill, s.polyFillMode}) ? TRUE : FALSE;
}

}  // namespace

WINBASEAPI BOOL WINAPI StrokePath(HDC hdc) { return DrawBracket(hdc, true, false); }
WINBASEAPI BOOL WINAPI FillPath(HDC hdc) { return DrawBracket(hdc, false, true); }
WINBASEAPI BOOL WINAPI StrokeAndFillPath(HDC hdc) { return DrawBracket(hdc, true, true); }

WINBASEAPI int WINAPI GetPath(HDC hdc, LPPOINT apt, LPBYTE aj, int cpt) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return -1;
  DrawState& s = dc->draw;
  if (s.bracket != PathBracket::Closed) {
    SetLastError(ERROR_CAN_NOT_COMPLETE);
    return -1;
  }
  int count = static_cast<int>(s.path.points.size());
  if (cpt == 0) return count;
  if (cpt < count || !apt || !aj) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  for (int i = 0; i < count; ++i) {
    const POINTFIX& p = s.path.points[static_cast<size_t>(i)];
    // Fixed point back to whole dots, rounded to the nearest.
    POINT device{(p.x + 8) >> 4, (p.y + 8) >> 4};
    apt[i] = ToLogical(s, device);
    aj[i] = s.path.types[static_cast<size_t>(i)];
  }
  return count;
}

}  // extern "C"
