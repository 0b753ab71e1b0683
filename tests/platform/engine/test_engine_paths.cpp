// Path objects as a driver walks them: one record per run of lines or Béziers, the flags that
// begin, end and close figures, the counts and bounds.
#include <gtest/gtest.h>

#include <vector>

#include "platform_testing.h"

// Found by argument lookup from the standard library's comparisons.
static bool operator==(const POINTFIX& a, const POINTFIX& b) { return a.x == b.x && a.y == b.y; }

namespace {

using plat_testing::kPtBezierTo;
using plat_testing::kPtCloseFigure;
using plat_testing::kPtLineTo;
using plat_testing::kPtMoveTo;

struct Record {
  FLONG flags;
  std::vector<POINTFIX> points;
};

std::vector<Record> Records(PATHOBJ* path) {
  std::vector<Record> out;
  PATHOBJ_vEnumStart(path);
  PATHDATA data;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(path, &data);
    if (data.count) out.push_back(Record{data.flags, std::vector<POINTFIX>(data.pptfx, data.pptfx + data.count)});
  } while (more);
  return out;
}

POINTFIX Fix(LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; }


TEST(EnginePaths, RunsOfLinesAndCurvesBecomeRecords) {
  // A figure of two lines, a curve and a line, closed; then an open polyline.
  auto path = plat_testing::MakePath(
      {Fix(0, 0), Fix(10, 0), Fix(10, 10), Fix(12, 12), Fix(14, 14), Fix(16, 10), Fix(0, 10), Fix(100, 100),
       Fix(200, 100)},
      {kPtMoveTo, kPtLineTo, kPtLineTo, kPtBezierTo, kPtBezierTo, kPtBezierTo, kPtLineTo | kPtCloseFigure, kPtMoveTo,
       kPtLineTo});
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->cCurves, 5u) << "four lines and one curve";
  EXPECT_EQ(path->fl, static_cast<FLONG>(PO_BEZIERS | PO_ALL_INTEGERS));

  std::vector<Record> records = Records(path.get());
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].flags, static_cast<FLONG>(PD_BEGINSUBPATH));
  EXPECT_EQ(records[0].points, (std::vector<POINTFIX>{Fix(0, 0), Fix(10, 0), Fix(10, 10)}));
  EXPECT_EQ(records[1].flags, static_cast<FLONG>(PD_BEZIERS));
  EXPECT_EQ(records[1].points, (std::vector<POINTFIX>{Fix(12, 12), Fix(14, 14), Fix(16, 10)}));
  EXPECT_EQ(records[2].flags, static_cast<FLONG>(PD_ENDSUBPATH | PD_CLOSEFIGURE));
  EXPECT_EQ(records[2].points, (std::vector<POINTFIX>{Fix(0, 10)}));
  EXPECT_EQ(records[3].flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_ENDSUBPATH));
  EXPECT_EQ(records[3].points, (std::vector<POINTFIX>{Fix(100, 100), Fix(200, 100)}));

  // A second walk gives the same records.
  EXPECT_EQ(Records(path.get()).size(), 4u);
}

TEST(EnginePaths, FigureStartingWithACurveCarriesItsStartPoint) {
  auto path = plat_testing::MakeBeziers({{0, 0}, {1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}}, true);
  ASSERT_NE(path, nullptr);
  std::vector<Record> records = Records(path.get());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE | PD_BEZIERS));
  EXPECT_EQ(records[0].points.size(), 7u) << "the start point and two curves";
  EXPECT_EQ(path->cCurves, 2u);
}

TEST(EnginePaths, EmptyPathsAndLoneMovesGiveNoRecords) {
  std::vector<plat_testing::Path> paths;
  paths.push_back(plat_testing::MakePath({}, {}));
  paths.push_back(plat_testing::MakePolyline({{5, 5}}));
  paths.push_back(plat_testing::MakePath({Fix(1, 1), Fix(2, 2)}, {kPtMoveTo, kPtMoveTo}));
  for (auto& path : paths) {
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->cCurves, 0u);
    PATHOBJ_vEnumStart(path.get());
    PATHDATA data{0xFF, 99, nullptr};
    EXPECT_FALSE(PATHOBJ_bEnum(path.get(), &data));
    EXPECT_EQ(data.count, 0u);
    RECTFX bounds{1, 1, 1, 1};
    PATHOBJ_vGetBounds(path.get(), &bounds);
    EXPECT_EQ(bounds.xLeft | bounds.yTop | bounds.xRight | bounds.yBottom, 0);
  }
}

TEST(EnginePaths, BadTagSequencesAreRefused) {
  struct Case {
    std::vector<BYTE> types;
  } cases[] = {
      {{kPtMoveTo, kPtBezierTo, kPtBezierTo}},                                   // curve cut short
      {{kPtMoveTo, kPtBezierTo | kPtCloseFigure, kPtBezierTo, kPtBezierTo}},     // closed inside a curve
      {{kPtMoveTo, 0x08}},                                                       // no such tag
      {{kPtMoveTo | kPtCloseFigure, kPtLineTo}},                                 // a move cannot close
  };
  for (const Case& c : cases) {
    std::vector<POINTFIX> points(c.types.size(), Fix(1, 1));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(plat_testing::MakePath(points, c.types), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST(EnginePaths, BoundsCoverEveryPointAndFractions) {
  auto path = plat_testing::MakePath({POINTFIX{-8, 40}, POINTFIX{33, -17}, POINTFIX{5, 5}},
                                     {kPtMoveTo, kPtLineTo, kPtLineTo});
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->fl, 0u) << "not all integers, no curves";
  RECTFX bounds;
  PATHOBJ_vGetBounds(path.get(), &bounds);
  EXPECT_EQ(bounds.xLeft, -8);
  EXPECT_EQ(bounds.yTop, -17);
  EXPECT_EQ(bounds.xRight, 33);
  EXPECT_EQ(bounds.yBottom, 40);
}

TEST(EnginePaths, PointersTheEngineDidNotMakeAreNotRead) {
  PATHOBJ foreign{0, 3};
  PATHDATA data{1, 1, nullptr};
  PATHOBJ_vEnumStart(&foreign);
  EXPECT_FALSE(PATHOBJ_bEnum(&foreign, &data));
  EXPECT_EQ(data.count, 0u);
  EngDeletePath(&foreign);  // ignored
  EngDeletePath(nullptr);

  PATHOBJ* raw = PlatformTest_CreatePath(nullptr, nullptr, 0);
  ASSERT_NE(raw, nullptr);
  EngDeletePath(raw);
  EXPECT_FALSE(PATHOBJ_bEnum(raw, &data)) << "a deleted path is not read";
}

}  // namespace
