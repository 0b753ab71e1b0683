// Clip objects as a driver enumerates them: regions as non-overlapping bands, the complexity
// the driver branches on, the region id that lets it skip an unchanged clip, and the outline
// path of a complex region.
#include <gtest/gtest.h>

#include <vector>

#include "platform_testing.h"

// Found by argument lookup from the standard library's and the test framework's comparisons.
static bool operator==(const RECTL& a, const RECTL& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

std::vector<RECTL> Enumerate(CLIPOBJ* clip, ULONG direction = CD_RIGHTDOWN, BOOL all = TRUE) {
  struct {
    ULONG c;
    RECTL arcl[3];
  } buffer;
  std::vector<RECTL> out;
  CLIPOBJ_cEnumStart(clip, all, CT_RECTANGLES, direction, 0);
  BOOL more;
  do {
    more = CLIPOBJ_bEnum(clip, sizeof(buffer), &buffer.c);
    for (ULONG i = 0; i < buffer.c; ++i) out.push_back(buffer.arcl[i]);
  } while (more);
  return out;
}

TEST(EngineClip, RegionsAreBandedWithoutOverlap) {
  struct Case {
    const char* name;
    std::vector<RECTL> input;
    std::vector<RECTL> region;
  } cases[] = {
      {"two overlapping squares",
       {{0, 0, 10, 10}, {5, 5, 15, 15}},
       {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
      {"side by side touching merge", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{0, 0, 20, 10}}},
      {"stacked equal bands merge", {{0, 0, 10, 5}, {0, 5, 10, 10}}, {{0, 0, 10, 10}}},
      {"a hole's frame",
       {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}},
       {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}},
      {"empty rectangles ignored", {{5, 5, 5, 9}, {0, 0, 4, 4}, {3, 8, 1, 9}}, {{0, 0, 4, 4}}},
      {"contained rectangle vanishes", {{0, 0, 100, 100}, {10, 10, 20, 20}}, {{0, 0, 100, 100}}},
  };
  for (const Case& c : cases) {
    auto clip = plat_testing::MakeClip(c.input);
    ASSERT_NE(clip, nullptr) << c.name;
    EXPECT_EQ(Enumerate(clip.get()), c.region) << c.name;
    EXPECT_EQ(clip->iDComplexity, c.region.size() == 1 ? DC_RECT : DC_COMPLEX) << c.name;
    EXPECT_EQ(clip->iMode, TC_RECTANGLES) << c.name;
  }
}

TEST(EngineClip, ComplexityAndBounds) {
  auto trivial = plat_testing::MakeClip();
  EXPECT_EQ(trivial->iDComplexity, DC_TRIVIAL);
  EXPECT_EQ(trivial->iUniq, 0u);

  auto rect = plat_testing::MakeClip(RECTL{10, 20, 30, 40});
  EXPECT_EQ(rect->iDComplexity, DC_RECT);
  EXPECT_EQ(rect->iFComplexity, FC_RECT);
  EXPECT_EQ(rect->rclBounds, (RECTL{10, 20, 30, 40}));

  auto four = plat_testing::MakeClip({{0, 0, 1, 1}, {2, 0, 3, 1}, {0, 2, 1, 3}, {2, 2, 3, 3}});
  EXPECT_EQ(four->iDComplexity, DC_COMPLEX);
  EXPECT_EQ(four->iFComplexity, FC_RECT4);
  EXPECT_EQ(four->rclBounds, (RECTL{0, 0, 3, 3}));

  auto five = plat_testing::MakeClip({{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}, {0, 2, 1, 3}, {2, 2, 3, 3}});
  EXPECT_EQ(five->iFComplexity, FC_COMPLEX);

  auto nothing = plat_testing::MakeClip(std::vector<RECTL>{});
  EXPECT_EQ(nothing->iDComplexity, DC_RECT);
  EXPECT_TRUE(Enumerate(nothing.get()).empty());
}

TEST(EngineClip, RegionIdFollowsTheRegionNotTheObject) {
  auto a = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}});
  auto same = plat_testing::MakeClip({{20, 0, 30, 10}, {0, 0, 10, 10}});
  auto sameUnion = plat_testing::MakeClip({{0, 0, 10, 5}, {0, 5, 10, 10}, {20, 0, 30, 10}});
  auto other = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 31, 10}});
  EXPECT_NE(a->iUniq, 0u);
  EXPECT_EQ(a->iUniq, same->iUniq);
  EXPECT_EQ(a->iUniq, sameUnion->iUniq) << "the same area, given differently";
  EXPECT_NE(a->iUniq, other->iUniq);
  a.reset();
  auto again = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}});
  EXPECT_EQ(again->iUniq, same->iUniq) << "stable while the region is the same";
}

TEST(EngineClip, EnumerationOrders) {
  auto clip = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 20, 10, 30}});
  RECTL a{0, 0, 10, 10}, b{20, 0, 30, 10}, c{0, 20, 10, 30};
  EXPECT_EQ(Enumerate(clip.get(), CD_RIGHTDOWN), (std::vector<RECTL>{a, b, c}));
  EXPECT_EQ(Enumerate(clip.get(), CD_LEFTDOWN), (std::vector<RECTL>{b, a, c}));
  EXPECT_EQ(Enumerate(clip.get(), CD_RIGHTUP), (std::vector<RECTL>{c, a, b}));
  EXPECT_EQ(Enumerate(clip.get(), CD_LEFTUP), (std::vector<RECTL>{c, b, a}));
  EXPECT_EQ(Enumerate(clip.get(), CD_ANY).size(), 3u);
}

TEST(EngineClip, CountsLimitsAndSmallBuffers) {
  auto clip = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 20, 10, 30}});
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_ANY, 0), 3u);
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_ANY, 3), 3u);
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_ANY, 2), 0xFFFFFFFFu);

  // One rectangle at a time.
  CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 0);
  ENUMRECTS one;
  int calls = 0;
  BOOL more;
  do {
    more = CLIPOBJ_bEnum(clip.get(), sizeof(one), &one.c);
    EXPECT_EQ(one.c, 1u);
    ++calls;
  } while (more && calls < 10);
  EXPECT_EQ(calls, 3);

  // A buffer that cannot hold a rectangle ends the enumeration instead of looping.
  CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 0);
  ULONG tiny[2] = {7, 7};
  EXPECT_FALSE(CLIPOBJ_bEnum(clip.get(), sizeof(tiny), tiny));
  EXPECT_EQ(tiny[0], 0u);
  EXPECT_EQ(tiny[1], 7u) << "nothing written past the buffer";
}

TEST(EngineClip, PartialEnumerationLeavesOutWhatTheDrawingMisses) {
  RECTL drawing{0, 0, 12, 12};
  auto clip = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 20, 10, 30}}, &drawing);
  EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), FALSE, CT_RECTANGLES, CD_ANY, 0), 1u);
  EXPECT_EQ(Enumerate(clip.get(), CD_ANY, FALSE), (std::vector<RECTL>{{0, 0, 10, 10}}));
  EXPECT_EQ(Enumerate(clip.get(), CD_ANY, TRUE).size(), 3u) << "a caching driver still gets everything";
}

TEST(EngineClip, RegionPathIsClosedRectangles) {
  auto clip = plat_testing::MakeClip({{0, 0, 10, 10}, {5, 5, 15, 15}});
  PATHOBJ* path = CLIPOBJ_ppoGetPath(clip.get());
  ASSERT_NE(path, nullptr);
  PATHOBJ_vEnumStart(path);
  PATHDATA data;
  std::vector<std::vector<POINTFIX>> figures;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(path, &data);
    if (!data.count) continue;
    EXPECT_EQ(data.flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE));
    figures.emplace_back(data.pptfx, data.pptfx + data.count);
  } while (more);
  ASSERT_EQ(figures.size(), 3u) << "one figure per band rectangle";
  // The first band's rectangle, clockwise from its top left, in 28.4.
  ASSERT_EQ(figures[0].size(), 4u);
  EXPECT_EQ(figures[0][0].x, 0);
  EXPECT_EQ(figures[0][1].x, 160);
  EXPECT_EQ(figures[0][2].y, 80);
  EXPECT_EQ(path->cCurves, 9u) << "three lines a figure; the close adds none";
  EngDeletePath(path);
}

TEST(EngineClip, ForeignPointersAreNotRead) {
  CLIPOBJ foreign{};
  foreign.iDComplexity = DC_COMPLEX;
  EXPECT_EQ(CLIPOBJ_cEnumStart(&foreign, TRUE, CT_RECTANGLES, CD_ANY, 0), 0u);
  ENUMRECTS out{5, {}};
  EXPECT_FALSE(CLIPOBJ_bEnum(&foreign, sizeof(out), &out.c));
  EXPECT_EQ(out.c, 0u);
  EXPECT_EQ(CLIPOBJ_ppoGetPath(&foreign), nullptr);
}

}  // namespace
