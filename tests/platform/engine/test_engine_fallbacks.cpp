// What the engine does when a recording driver refuses a path call: geometric lines widened
// into outlines and filled, fills under a complex clip broken down into its rectangles,
// stroke-and-fill done as a fill and then a stroke.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform_testing.h"

namespace {

struct Figure {
  std::vector<POINTFIX> points;
  bool closed = false;
};

struct Call {
  std::string name;
  std::vector<Figure> figures;
  BYTE clipComplexity = 0;
  RECTL clipBounds{};
  BRUSHOBJ* brush = nullptr;
  FLONG options = 0;
  MIX mix = 0;
};

struct DriverLog {
  std::vector<Call> calls;
  bool refuseGeometric = true;
  bool refuseComplexFill = false;
  bool refuseStrokeAndFill = true;
};

DriverLog g_driver;

std::vector<Figure> FiguresOf(PATHOBJ* ppo) {
  std::vector<Figure> out;
  PATHOBJ_vEnumStart(ppo);
  PATHDATA data;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &data);
    if (data.count == 0) continue;
    if (data.flags & PD_BEGINSUBPATH) out.emplace_back();
    if (out.empty()) out.emplace_back();
    out.back().points.insert(out.back().points.end(), data.pptfx, data.pptfx + data.count);
    if (data.flags & PD_CLOSEFIGURE) out.back().closed = true;
  } while (more);
  return out;
}

BOOL APIENTRY RecordStroke(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pbo, POINTL*, LINEATTRS* la,
                           MIX mix) {
  g_driver.calls.push_back(Call{"stroke", FiguresOf(ppo), pco ? pco->iDComplexity : BYTE{0},
                                pco ? pco->rclBounds : RECTL{}, pbo, 0, mix});
  return !(g_driver.refuseGeometric && (la->fl & LA_GEOMETRIC));
}

BOOL APIENTRY RecordFill(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL*, MIX mix, FLONG options) {
  g_driver.calls.push_back(Call{"fill", FiguresOf(ppo), pco ? pco->iDComplexity : BYTE{0},
                                pco ? pco->rclBounds : RECTL{}, pbo, options, mix});
  return !(g_driver.refuseComplexFill && pco && pco->iDComplexity == DC_COMPLEX);
}

BOOL APIENTRY RecordStrokeAndFill(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*,
                                  POINTL*, MIX, FLONG) {
  g_driver.calls.push_back(Call{"stroke-and-fill", FiguresOf(ppo)});
  return !g_driver.refuseStrokeAndFill;
}

const DRVFN kTable[] = {
    {INDEX_DrvStrokePath, reinterpret_cast<PFN>(RecordStroke)},
    {INDEX_DrvFillPath, reinterpret_cast<PFN>(RecordFill)},
    {INDEX_DrvStrokeAndFillPath, reinterpret_cast<PFN>(RecordStrokeAndFill)},
};
constexpr ULONG kTableSize = sizeof(kTable) / sizeof(kTable[0]);

double Area(const Figure& f) {
  double a = 0;
  for (size_t i = 0; i < f.points.size(); ++i) {
    const POINTFIX& p = f.points[i];
    const POINTFIX& q = f.points[(i + 1) % f.points.size()];
    a += (double(p.x) * q.y - double(q.x) * p.y) / 512.0;
  }
  return a;
}

RECTFX BoundsOf(const std::vector<Figure>& figures) {
  RECTFX b{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const Figure& f : figures)
    for (const POINTFIX& p : f.points) {
      b.xLeft = std::min(b.xLeft, p.x);
      b.yTop = std::min(b.yTop, p.y);
      b.xRight = std::max(b.xRight, p.x);
      b.yBottom = std::max(b.yBottom, p.y);
    }
  return b;
}

constexpr DWORD kGeometric = 0x00010000, kCapSquare = 0x100, kCapFlat = 0x200, kJoinBevel = 0x1000,
                kJoinMiter = 0x2000;

class EngineFallbacks : public ::testing::Test {
 protected:
  void SetUp() override { g_driver = DriverLog{}; }

  // Strokes through the engine and answers the outline the driver was asked to fill.
  std::vector<Figure> Widened(const plat_testing::Path& path, DWORD penStyle, ULONG width,
                              const std::vector<DWORD>& user = {}) {
    auto la = plat_testing::MakeLineAttrs(penStyle, width, user);
    EXPECT_TRUE(PlatformTest_EngineStrokePath(kTable, kTableSize, &surface, path.get(), clip.get(), brush.get(),
                                              nullptr, la.get(), 0x0D0D));
    EXPECT_EQ(g_driver.calls.size(), 2u);
    if (g_driver.calls.size() != 2) return {};
    EXPECT_EQ(g_driver.calls[0].name, "stroke");
    EXPECT_EQ(g_driver.calls[1].name, "fill");
    EXPECT_EQ(g_driver.calls[1].options, static_cast<FLONG>(FP_WINDINGMODE));
    EXPECT_EQ(g_driver.calls[1].brush, brush.get()) << "the pen's brush fills the outline";
    EXPECT_EQ(g_driver.calls[1].mix, 0x0D0Du);
    for (const Figure& f : g_driver.calls[1].figures) {
      EXPECT_TRUE(f.closed);
      EXPECT_GT(Area(f), 0) << "every piece turns the same way";
    }
    return g_driver.calls[1].figures;
  }

  SURFOBJ surface{};
  plat_testing::Clip clip = plat_testing::MakeClip();
  plat_testing::Brush brush = plat_testing::MakeSolidBrush(RGB(0, 0, 0));
};

TEST_F(EngineFallbacks, FlatCapsGiveTheLineItsWidthAndNoMore) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat, 10);
  ASSERT_EQ(outline.size(), 1u);
  RECTFX b = BoundsOf(outline);
  EXPECT_EQ(b.xLeft, 0);
  EXPECT_EQ(b.xRight, 100 * 16);
  EXPECT_EQ(b.yTop, -5 * 16);
  EXPECT_EQ(b.yBottom, 5 * 16);
}

TEST_F(EngineFallbacks, CapsAndJoins) {
  struct Case {
    const char* name;
    DWORD style;
    size_t pieces;       // polygons in the outline
    RECTFX bounds;       // in dots
  } cases[] = {
      // An L: (0,0) -> (100,0) -> (100,100), width 10.
      {"square caps, bevel join", kGeometric | kCapSquare | kJoinBevel, 5, {-5, -5, 105, 105}},
      {"flat caps, miter join", kGeometric | kCapFlat | kJoinMiter, 3, {0, -5, 105, 100}},
      {"flat caps, bevel join", kGeometric | kCapFlat | kJoinBevel, 3, {0, -5, 105, 100}},
      {"round caps and join", kGeometric, 5, {-5, -5, 105, 105}},
  };
  for (const Case& c : cases) {
    g_driver = DriverLog{};
    auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}, {100, 100}});
    std::vector<Figure> outline = Widened(path, c.style, 10);
    EXPECT_EQ(outline.size(), c.pieces) << c.name;
    RECTFX b = BoundsOf(outline);
    EXPECT_NEAR(b.xLeft, c.bounds.xLeft * 16, 2) << c.name;
    EXPECT_NEAR(b.yTop, c.bounds.yTop * 16, 2) << c.name;
    EXPECT_NEAR(b.xRight, c.bounds.xRight * 16, 2) << c.name;
    EXPECT_NEAR(b.yBottom, c.bounds.yBottom * 16, 2) << c.name;
  }
  // The miter's tip is the outer corner (105, -5); a bevel cuts it off.
  g_driver = DriverLog{};
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}, {100, 100}});
  std::vector<Figure> miter = Widened(path, kGeometric | kCapFlat | kJoinMiter, 10);
  bool tip = false;
  for (const Figure& f : miter)
    for (const POINTFIX& p : f.points) tip |= p.x == 105 * 16 && p.y == -5 * 16;
  EXPECT_TRUE(tip);
}

TEST_F(EngineFallbacks, SharpMitersBeyondTheLimitAreBevelled) {
  // A turn back of almost 180 degrees: the miter would reach far out.
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}, {0, 4}});
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat | kJoinMiter, 10);
  RECTFX b = BoundsOf(outline);
  EXPECT_LT(b.xRight, 106 * 16) << "no spike beyond the corner";
}

TEST_F(EngineFallbacks, DashesFromTheStyle) {
  // Width 10, dash 3 1 in widths: 30 on, 10 off along 100 dots.
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat | 1, 10);
  ASSERT_EQ(outline.size(), 3u);
  std::vector<std::pair<LONG, LONG>> spans;
  for (const Figure& f : outline) {
    RECTFX b = BoundsOf({f});
    spans.emplace_back(b.xLeft / 16, b.xRight / 16);
  }
  std::sort(spans.begin(), spans.end());
  EXPECT_EQ(spans, (std::vector<std::pair<LONG, LONG>>{{0, 30}, {40, 70}, {80, 100}}));
}

TEST_F(EngineFallbacks, ZeroLengthDashesDrawSolid) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat | 7, 10, {0, 0});
  ASSERT_EQ(outline.size(), 1u);
  EXPECT_EQ(BoundsOf(outline).xRight, 100 * 16);
}

// An application's pen may be as wide as a ULONG holds: each round cap stays one polygon of at
// most 256 corners, and a pen wider than any surface covers it as one of the widest would.
TEST_F(EngineFallbacks, AHugeRoundPenGivesBoundedCircles) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric, 4000000000u);
  ASSERT_EQ(outline.size(), 3u) << "the segment and its two round caps";
  for (const Figure& f : outline) EXPECT_LE(f.points.size(), 256u);
  RECTFX b = BoundsOf(outline);
  EXPECT_NEAR(b.xLeft, -(1 << 20) * 16, 16);
  EXPECT_NEAR(b.yBottom, (1 << 20) * 16, 16);
}

// A style of short dashes along a line as long as the fixed-point plane: the outline stops at
// what a driver can be sent instead of walking millions of dashes with a cap each.
TEST_F(EngineFallbacks, DashesAlongAVeryLongLineStopAtTheOutlineLimit) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100000000, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric | 7, 130, {3, 0, 2});
  EXPECT_GT(outline.size(), 500u) << "the dashes up to the limit are there";
  size_t points = 0;
  for (const Figure& f : outline) points += f.points.size();
  EXPECT_LE(points, size_t{1} << 17) << "a two-point path's share";
}

TEST_F(EngineFallbacks, CurvesAreFlattened) {
  auto path = plat_testing::MakeBeziers({{0, 0}, {0, 100}, {100, 100}, {100, 0}});
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat, 4);
  EXPECT_GT(outline.size(), 8u) << "many short segments";
  RECTFX b = BoundsOf(outline);
  EXPECT_LE(b.yBottom, (75 + 3) * 16) << "the curve peaks at 75, not at its control points";
  EXPECT_GE(b.yBottom, (75 + 1) * 16);
}

TEST_F(EngineFallbacks, ClosedFiguresJoinAllRound) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true);
  std::vector<Figure> outline = Widened(path, kGeometric | kCapFlat | kJoinMiter, 10);
  EXPECT_EQ(outline.size(), 8u) << "four sides and four corners, no caps";
  RECTFX b = BoundsOf(outline);
  EXPECT_EQ(b.xLeft, -5 * 16);
  EXPECT_EQ(b.yBottom, 105 * 16);
}

TEST_F(EngineFallbacks, CosmeticRefusalStaysRefused) {
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}});
  auto la = plat_testing::MakeLineAttrs(0, 1);
  g_driver.refuseGeometric = false;
  EXPECT_TRUE(PlatformTest_EngineStrokePath(kTable, kTableSize, &surface, path.get(), clip.get(), brush.get(), nullptr,
                                            la.get(), 0x0D0D));
  ASSERT_EQ(g_driver.calls.size(), 1u);

  // A cosmetic line the driver refuses cannot be drawn by the engine on a device surface.
  const DRVFN refusing[] = {{INDEX_DrvFillPath, reinterpret_cast<PFN>(RecordFill)}};
  g_driver = DriverLog{};
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(PlatformTest_EngineStrokePath(refusing, 1, &surface, path.get(), clip.get(), brush.get(), nullptr,
                                             la.get(), 0x0D0D));
  EXPECT_TRUE(g_driver.calls.empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST_F(EngineFallbacks, RefusedComplexFillIsFilledOneRectangleAtATime) {
  g_driver.refuseComplexFill = true;
  auto region = plat_testing::MakeClip({{0, 0, 50, 50}, {60, 0, 100, 50}, {0, 200, 50, 250}});
  auto path = plat_testing::MakePolyline({{10, 10}, {90, 10}, {90, 40}}, true);
  EXPECT_TRUE(PlatformTest_EngineFillPath(kTable, kTableSize, &surface, path.get(), region.get(), brush.get(),
                                          nullptr, 0x0D0D, FP_ALTERNATEMODE));
  ASSERT_EQ(g_driver.calls.size(), 3u) << "the refused fill, then the two rectangles the path touches";
  EXPECT_EQ(g_driver.calls[0].clipComplexity, DC_COMPLEX);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(g_driver.calls[i].name, "fill");
    EXPECT_EQ(g_driver.calls[i].clipComplexity, DC_RECT);
    EXPECT_EQ(g_driver.calls[i].options, static_cast<FLONG>(FP_ALTERNATEMODE));
    EXPECT_EQ(g_driver.calls[i].figures.size(), 1u) << "the same path each time";
  }
  EXPECT_EQ(g_driver.calls[1].clipBounds.left, 0);
  EXPECT_EQ(g_driver.calls[2].clipBounds.left, 60);

  // A refused fill under a single rectangle has nothing to break down.
  g_driver = DriverLog{};
  g_driver.refuseComplexFill = true;
  auto rect = plat_testing::MakeClip(RECTL{0, 0, 100, 100});
  EXPECT_TRUE(PlatformTest_EngineFillPath(kTable, kTableSize, &surface, path.get(), rect.get(), brush.get(), nullptr,
                                          0x0D0D, FP_ALTERNATEMODE));
  EXPECT_EQ(g_driver.calls.size(), 1u);
}

TEST_F(EngineFallbacks, WideLineUnderAComplexClipIsBothWidenedAndBrokenDown) {
  g_driver.refuseComplexFill = true;
  auto region = plat_testing::MakeClip({{0, 0, 50, 50}, {60, 0, 100, 50}});
  auto path = plat_testing::MakePolyline({{10, 10}, {90, 10}});
  auto la = plat_testing::MakeLineAttrs(kGeometric | kCapFlat, 6);
  EXPECT_TRUE(PlatformTest_EngineStrokePath(kTable, kTableSize, &surface, path.get(), region.get(), brush.get(),
                                            nullptr, la.get(), 0x0D0D));
  ASSERT_EQ(g_driver.calls.size(), 4u);
  EXPECT_EQ(g_driver.calls[0].name, "stroke");
  EXPECT_EQ(g_driver.calls[1].clipComplexity, DC_COMPLEX);
  EXPECT_EQ(g_driver.calls[2].clipComplexity, DC_RECT);
  EXPECT_EQ(g_driver.calls[3].clipComplexity, DC_RECT);
}

TEST_F(EngineFallbacks, RefusedStrokeAndFillIsAFillThenAStroke) {
  auto fill = plat_testing::MakeSolidBrush(RGB(255, 0, 0));
  auto path = plat_testing::MakePolyline({{0, 0}, {100, 0}, {100, 100}}, true);
  auto la = plat_testing::MakeLineAttrs(kGeometric | kCapFlat | kJoinMiter, 8);
  EXPECT_TRUE(PlatformTest_EngineStrokeAndFillPath(kTable, kTableSize, &surface, path.get(), clip.get(), brush.get(),
                                                   la.get(), fill.get(), nullptr, 0x0D0D, FP_ALTERNATEMODE));
  ASSERT_EQ(g_driver.calls.size(), 4u);
  EXPECT_EQ(g_driver.calls[0].name, "stroke-and-fill");
  EXPECT_EQ(g_driver.calls[1].name, "fill");
  EXPECT_EQ(g_driver.calls[1].brush, fill.get());
  EXPECT_EQ(g_driver.calls[1].options, static_cast<FLONG>(FP_ALTERNATEMODE));
  EXPECT_EQ(g_driver.calls[2].name, "stroke");
  EXPECT_EQ(g_driver.calls[3].name, "fill");
  EXPECT_EQ(g_driver.calls[3].brush, brush.get());
  EXPECT_EQ(g_driver.calls[3].options, static_cast<FLONG>(FP_WINDINGMODE));

  g_driver = DriverLog{};
  g_driver.refuseStrokeAndFill = false;
  EXPECT_TRUE(PlatformTest_EngineStrokeAndFillPath(kTable, kTableSize, &surface, path.get(), clip.get(), brush.get(),
                                                   la.get(), fill.get(), nullptr, 0x0D0D, FP_ALTERNATEMODE));
  EXPECT_EQ(g_driver.calls.size(), 1u);
}

}  // namespace
