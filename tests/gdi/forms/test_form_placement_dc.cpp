// Where a placed stored form lands on the sheet, followed through the page transforms of the
// printed stream: the form's marks against the page's own, and the placement's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "forms_dc.h"

namespace {

using namespace formstest;

// A page transform as PCL XL composes it: SetPageDefaultCTM gives the sheet's own frame (device
// dots, y down), SetPageOrigin, SetPageRotation and SetPageScale change the user frame in turn.
// A positive PageAngle turns the user frame counter-clockwise as seen on the sheet: at 90
// degrees its x axis runs up the sheet.
struct Transform {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;  // sheet = (a x + c y + e, b x + d y + f)

  void Translate(double x, double y) {
    e += a * x + c * y;
    f += b * x + d * y;
  }
  void Rotate(double degrees) {
    const double r = degrees * M_PI / 180.0;
    const double cs = std::cos(r), sn = std::sin(r);
    // The user x axis becomes (cos, -sin) and the y axis (sin, cos) in the frame before.
    const Transform old = *this;
    a = old.a * cs - old.c * sn;
    b = old.b * cs - old.d * sn;
    c = old.a * sn + old.c * cs;
    d = old.b * sn + old.d * cs;
  }
  void Scale(double x, double y) {
    a *= x;
    b *= x;
    c *= y;
    d *= y;
  }
  void Map(double x, double y, double* sx, double* sy) const {
    *sx = a * x + c * y + e;
    *sy = b * x + d * y + f;
  }
};

// A painted rectangle in sheet dots.
struct Box {
  LONG left, top, right, bottom;
  bool operator==(const Box&) const = default;
};

std::string Show(const Box& b) {
  return "(" + std::to_string(b.left) + "," + std::to_string(b.top) + "," + std::to_string(b.right) + "," +
         std::to_string(b.bottom) + ")";
}

// The painted marks of one sheet, in sheet dots: those drawn inside the sheet's first graphics
// state (the placed form, which comes right after BeginPage) and those after it (the page).
struct SheetMarks {
  std::vector<Box> form;
  std::vector<Box> page;
};

// The points a path operator's embedded data holds (PointType ubyte, sbyte, uint16, sint16).
std::vector<std::pair<double, double>> DataPoints(const pclxl::Operator& op) {
  std::vector<std::pair<double, double>> points;
  const pclxl::Attribute* type = op.Find(0x50);
  if (!op.data || !type || type->value.numbers.empty()) return points;
  const int kind = static_cast<int>(type->value.numbers[0]);
  const std::vector<uint8_t>& d = *op.data;
  const size_t per = kind <= 1 ? 2 : 4;
  for (size_t i = 0; i + per <= d.size(); i += per) {
    if (per == 2) {
      points.emplace_back(kind == 1 ? static_cast<int8_t>(d[i]) : d[i], kind == 1 ? static_cast<int8_t>(d[i + 1]) : d[i + 1]);
    } else {
      const uint16_t x = static_cast<uint16_t>(d[i] | (d[i + 1] << 8));
      const uint16_t y = static_cast<uint16_t>(d[i + 2] | (d[i + 3] << 8));
      points.emplace_back(kind == 3 ? static_cast<int16_t>(x) : x, kind == 3 ? static_cast<int16_t>(y) : y);
    }
  }
  return points;
}

std::vector<SheetMarks> MarksOfSheets(const pclxl::Decoded& job) {
  std::vector<SheetMarks> sheets;
  std::vector<Transform> saved;
  Transform ctm;
  bool inForm = false, formSeen = false;
  // The current path in sheet dots, and the current point in user units.
  std::vector<std::pair<double, double>> path;
  double cx = 0, cy = 0;
  auto add = [&](double x, double y) {
    double sx, sy;
    ctm.Map(x, y, &sx, &sy);
    path.emplace_back(sx, sy);
    cx = x;
    cy = y;
  };
  auto numbers = [](const pclxl::Operator& op, uint8_t id) -> std::vector<double> {
    const pclxl::Attribute* a = op.Find(id);
    return a ? a->value.numbers : std::vector<double>{};
  };
  for (const pclxl::Operator& op : job.operators) {
    const std::string name = pclxl::OperatorName(op.tag);
    if (name == "BeginPage") {
      sheets.emplace_back();
      saved.clear();
      ctm = Transform{};
      inForm = formSeen = false;
    } else if (sheets.empty()) {
      continue;
    } else if (name == "PushGS") {
      if (saved.empty() && !formSeen) inForm = formSeen = true;
      saved.push_back(ctm);
    } else if (name == "PopGS") {
      if (!saved.empty()) {
        ctm = saved.back();
        saved.pop_back();
      }
      if (saved.empty()) inForm = false;
    } else if (name == "SetPageDefaultCTM") {
      ctm = Transform{};
    } else if (name == "SetPageOrigin") {
      const std::vector<double> o = numbers(op, 0x2A);
      if (o.size() == 2) ctm.Translate(o[0], o[1]);
    } else if (name == "SetPageRotation") {
      const std::vector<double> r = numbers(op, 0x29);
      if (r.size() == 1) ctm.Rotate(r[0]);
    } else if (name == "SetPageScale") {
      const std::vector<double> sc = numbers(op, 0x2B);
      if (sc.size() == 2) ctm.Scale(sc[0], sc[1]);
    } else if (name == "NewPath") {
      path.clear();
    } else if (name == "SetCursor") {
      const std::vector<double> p = numbers(op, 0x4C);
      if (p.size() == 2) add(p[0], p[1]);
    } else if (name == "LineRelPath") {
      for (const auto& [dx, dy] : DataPoints(op)) add(cx + dx, cy + dy);
    } else if (name == "LinePath") {
      for (const auto& [x, y] : DataPoints(op)) add(x, y);
    } else if (name == "RectanglePath") {
      const std::vector<double> r = numbers(op, 0x42);
      if (r.size() == 4) {
        add(r[0], r[1]);
        add(r[2], r[3]);
      }
    } else if (name == "PaintPath" && !path.empty()) {
      Box box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
      for (const auto& [x, y] : path) {
        const LONG px = static_cast<LONG>(std::lround(x)), py = static_cast<LONG>(std::lround(y));
        box = {std::min(box.left, px), std::min(box.top, py), std::max(box.right, px), std::max(box.bottom, py)};
      }
      (inForm ? sheets.back().form : sheets.back().page).push_back(box);
    }
  }
  return sheets;
}

std::vector<BYTE> Le16(LONG v) { return {static_cast<BYTE>(v & 0xFF), static_cast<BYTE>((v >> 8) & 0xFF)}; }

// PushGS, SetPageDefaultCTM, PageOrigin (sint16_xy) SetPageOrigin, PageAngle (sint16)
// SetPageRotation, as the form's placement writes them.
std::vector<BYTE> PlacementBytes(LONG x, LONG y, LONG angle) {
  std::vector<BYTE> bytes = {0x61, 0x74, 0xD3};
  for (LONG v : {x, y}) {
    const std::vector<BYTE> le = Le16(v);
    bytes.insert(bytes.end(), le.begin(), le.end());
  }
  bytes.insert(bytes.end(), {0xF8, 0x2A, 0x75, 0xC3});
  const std::vector<BYTE> le = Le16(angle);
  bytes.insert(bytes.end(), le.begin(), le.end());
  bytes.insert(bytes.end(), {0xF8, 0x29, 0x76});
  return bytes;
}

// The form was made from a page that painted a 40-dot square at its top left. Placed under a
// page that paints the same square, the form's square lands on the page's when the two share
// their orientation (a turned sheet included); a form of the other orientation is turned a
// quarter so that its top left lies at the sheet's printable top right (portrait form,
// landscape sheet) or bottom left (landscape form, portrait sheet), and its square stays
// inside the printable area.
TEST_F(FormsDC, TheFormsTopLeftMarkLandsWhereItsOrientationPutsIt) {
  enum Corner { kOnThePagesMark, kTopRight, kBottomLeft };
  struct Case {
    const char* name;
    short formOrientation;
    short sheetOrientation;
    BYTE rotate180;
    LONG angle;
    Corner corner;
  };
  const Case cases[] = {
      {"portrait on portrait", DMORIENT_PORTRAIT, DMORIENT_PORTRAIT, 0, 0, kOnThePagesMark},
      {"landscape on landscape", DMORIENT_LANDSCAPE, DMORIENT_LANDSCAPE, 0, 0, kOnThePagesMark},
      {"portrait on a turned portrait sheet", DMORIENT_PORTRAIT, DMORIENT_PORTRAIT, 3, 0, kOnThePagesMark},
      {"portrait on landscape", DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE, 0, 270, kTopRight},
      {"landscape on portrait", DMORIENT_LANDSCAPE, DMORIENT_PORTRAIT, 0, 90, kBottomLeft},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> formDevmode = jobflowtest::PrinterDevmode([&](DEVMODEW& dm, BYTE*) { dm.dmOrientation = c.formOrientation; });
    Create(u"Mark", 1, 1, jobflowtest::AsDevmode(formDevmode));
    std::vector<BYTE> sheetDevmode = jobflowtest::PrinterDevmode([&](DEVMODEW& dm, BYTE*) { dm.dmOrientation = c.sheetOrientation; });
    const Printed printed = PrintWithForm(u"Mark", 1, jobflowtest::AsDevmode(sheetDevmode), [&](RenderDevmode& s) {
      s.dmPrivate.bRotate180 = c.rotate180;
    });
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    const std::vector<SheetMarks> sheets = MarksOfSheets(job);
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_EQ(sheets[0].form.size(), 1u);
    ASSERT_EQ(sheets[0].page.size(), 1u);
    const Box form = sheets[0].form[0], page = sheets[0].page[0];
    const LONG m = 96, W = printed.page.width, H = printed.page.height;

    // The placement as bytes: the origin of the form's top left and the quarter turn.
    LONG x = m, y = m;
    if (c.corner == kTopRight) x = W - m;
    if (c.corner == kBottomLeft) y = H - m;
    const std::vector<BYTE> placement = PlacementBytes(x, y, c.angle);
    const bool placed =
        std::search(printed.printer.begin(), printed.printer.end(), placement.begin(), placement.end()) != printed.printer.end();
    EXPECT_TRUE(placed) << "origin (" << x << "," << y << "), angle " << c.angle;

    switch (c.corner) {
      case kOnThePagesMark:
        EXPECT_EQ(form, page) << Show(form) << " " << Show(page);
        break;
      case kTopRight:
        // The square's corner at the sheet's printable top right, the square inside the sheet.
        EXPECT_EQ(form.right, W - m) << Show(form);
        EXPECT_EQ(form.top, m) << Show(form);
        EXPECT_EQ(form.right - form.left, page.right - page.left) << Show(form);
        break;
      case kBottomLeft:
        EXPECT_EQ(form.left, m) << Show(form);
        EXPECT_EQ(form.bottom, H - m) << Show(form);
        EXPECT_EQ(form.bottom - form.top, page.bottom - page.top) << Show(form);
        break;
    }
    EXPECT_GE(form.left, m);
    EXPECT_GE(form.top, m);
    EXPECT_LE(form.right, W - m);
    EXPECT_LE(form.bottom, H - m);
  }
}

}  // namespace
