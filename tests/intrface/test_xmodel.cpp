// The model's paper tables, paper geometry, N-up cell order and the list helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include <platform_testing.h>

#include "intrface/devmod2.h"
#include "intrface/xmodel.h"
#include "temp_machine.h"

namespace {

struct PaperSize {
  SHORT id, width, height;
};

const PaperSize kModelPapers[37] = {
    {142, 14031, 19866}, {66, 9921, 14031}, {8, 7015, 9921},   {79, 6071, 8598},   {9, 4960, 7008},
    {13, 4299, 6070},    {11, 3496, 4960},  {70, 2480, 3507},  {28, 3826, 5409},   {37, 2325, 4500},
    {20, 2475, 5700},    {27, 2598, 5196},  {1, 5100, 6600},   {5, 5100, 8400},    {14, 5100, 7800},
    {7, 4350, 6300},     {45, 6000, 6600},  {143, 6600, 9000}, {245, 4370, 6142},  {250, 4606, 6378},
    {246, 3071, 4370},   {252, 3189, 4606}, {243, 5102, 8000}, {241, 2953, 4157},  {242, 2835, 5433},
    {34, 4157, 5905},    {6, 3300, 5100},   {43, 2362, 3496},  {82, 3496, 4729},   {31, 2693, 3827},
    {144, 2315, 3496},   {145, 2480, 5551}, {146, 2315, 4488}, {147, 2835, 5551},  {150, 2835, 5551},
    {148, 2126, 4843},   {149, 5102, 6543},
};

TEST(XModelPapers, FullListRowsInOrder) {
  for (size_t i = 0; i < std::size(kModelPapers); ++i) {
    SCOPED_TRACE(kModelPapers[i].id);
    const XMODEL_PAPER& row = XModel_PaperList[i];
    EXPECT_EQ(row.paperId, kModelPapers[i].id);
    EXPECT_EQ(row.reserved, 0);
    EXPECT_EQ(row.portrait.width, kModelPapers[i].width);
    EXPECT_EQ(row.portrait.height, kModelPapers[i].height);
    EXPECT_EQ(row.landscape.width, kModelPapers[i].height);
    EXPECT_EQ(row.landscape.height, kModelPapers[i].width);
    for (SHORT m : {row.portrait.left, row.portrait.top, row.portrait.right, row.portrait.bottom,
                    row.landscape.left, row.landscape.top, row.landscape.right, row.landscape.bottom}) {
      EXPECT_EQ(m, 96);
    }
  }
}

TEST(XModelPapers, NarrowListDropsTheSixWideFormats) {
  size_t narrow = 0;
  for (const XMODEL_PAPER& row : XModel_PaperList) {
    const SHORT id = row.paperId;
    if (id == 142 || id == 66 || id == 8 || id == 79 || id == 45 || id == 143) continue;
    ASSERT_LT(narrow, std::size(XModel_NarrowPaperList));
    EXPECT_EQ(std::memcmp(&XModel_NarrowPaperList[narrow], &row, sizeof(row)), 0) << id;
    ++narrow;
  }
  EXPECT_EQ(narrow, 31u);
  EXPECT_EQ(XModel_NarrowPaperList[0].paperId, 9);
}

TEST(XModelPapers, SupportedIds) {
  struct Case {
    SHORT id;
    bool full, narrow;
  } const cases[] = {
      {257, true, true}, {276, true, true}, {256, false, false}, {277, false, false}, {287, false, false},
      {9, true, true},   {1, true, true},   {142, true, false},  {45, true, false},   {244, false, false},
      {0, false, false}, {-1, false, false}, {150, true, true},  {149, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(XModel_IsPaperSupported(c.id), c.full);
    EXPECT_EQ(XModel_IsNarrowPaperSupported(c.id), c.narrow);
  }
}

TEST(XModelPapers, DotsBecomeRoundedTenthsOfAMillimetre) {
  EXPECT_EQ(XModel_DotsToTenths(4960), 2100);  // 2099.7
  EXPECT_EQ(XModel_DotsToTenths(5100), 2159);  // 2159.0
  EXPECT_EQ(XModel_DotsToTenths(6600), 2794);  // 2794.0
  EXPECT_EQ(XModel_DotsToTenths(7008), 2967);  // 2966.7
  EXPECT_EQ(XModel_DotsToTenths(3496), 1480);  // 1479.97
}

TEST(XModelCodes, LookupAndIndex) {
  EXPECT_EQ(XModel_CodeIndex(1918), 1);
  EXPECT_EQ(XModel_CodeIndex(2853), 6);
  EXPECT_EQ(XModel_CodeIndex(1919), 4);
  EXPECT_EQ(XModel_CodeIndex(0), 0);
  EXPECT_EQ(XModel_CodeIndex(1234), 0);
  EXPECT_EQ(XModel_LookupCode(9), 5u);
  EXPECT_EQ(XModel_LookupCode(150), 35u);
  EXPECT_EQ(XModel_LookupCode(148), 0u);
  EXPECT_EQ(XModel_LookupCode(12345), 0u);
  // Every pair names a narrow paper and its row in the full list.
  for (const XMODEL_PAPER& row : XModel_NarrowPaperList) {
    const DWORD at = XModel_LookupCode(static_cast<DWORD>(row.paperId));
    if (at == 0) continue;
    EXPECT_EQ(XModel_PaperList[at - 1].paperId, row.paperId);
  }
  EXPECT_EQ(XModel_FindPaper(142)->code, 1918u);
  EXPECT_EQ(XModel_FindPaper(9)->code, 0u);
}

TEST(XModelNup, CellOrders) {
  struct Case {
    int order, layout, index, columns, rows;
    LONG x, y;
  } const cases[] = {
      {2, 0, 1, 2, 2, 0, 0}, {2, 0, 2, 2, 2, 1, 1},  // the order-2 examples
      {0, 0, 5, 3, 2, 2, 1}, {1, 0, 5, 3, 2, 2, 1}, {3, 0, 1, 3, 2, 2, 1},
      {4, 0, 1, 2, 2, 1, 1}, {5, 0, 1, 2, 2, 0, 0}, {6, 0, 0, 2, 2, 1, 1}, {7, 0, 3, 2, 2, 0, 0},
      {8, 0, 3, 2, 2, 0, 0}, {99, 0, 1, 2, 2, 0, 0},
      // Two cells: order 1 becomes 2 in layout 2, 4 otherwise.
      {1, 2, 0, 2, 1, 1, 0}, {1, 2, 1, 2, 1, 0, 0}, {1, 0, 0, 1, 2, 0, 1}, {1, 0, 1, 1, 2, 0, 0},
      {1, 0, 1, 2, 2, 0, 1},  // four cells: no remap
      {0, 0, 3, 0, 2, 0, 0}, {0, 0, 3, 2, 0, 0, 0}, {0, 0, -1, 2, 2, 0, 0},  // no grid
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << " layout " << c.layout << " page " << c.index
                                    << " grid " << c.columns << "x" << c.rows);
    const POINTL cell = XModel_NupCellPosition(c.order, c.layout, c.index, c.columns, c.rows);
    EXPECT_EQ(cell.x, c.x);
    EXPECT_EQ(cell.y, c.y);
  }
}

class XModelGeometry : public testing::Test {
 protected:
  void SetUp() override {
    PlatformTest_SetCountryCode(49, FALSE);
    Devmode_SetDefaults(&dm_, u"Velmor");
  }
  PdevPage Geometry(SHORT defaultMargin = 96, BOOL keep = FALSE) {
    PdevPage page{-1, -1, -1, -1, -1, -1};
    XModel_GetPaperGeometry(&page, &dm_, defaultMargin, keep);
    return page;
  }
  testsupport::TempMachine machine_;
  RenderDevmode dm_;
};

void ExpectPage(const PdevPage& p, SHORT w, SHORT h, SHORT l, SHORT t, SHORT r, SHORT b) {
  EXPECT_EQ(p.width, w);
  EXPECT_EQ(p.height, h);
  EXPECT_EQ(p.left, l);
  EXPECT_EQ(p.top, t);
  EXPECT_EQ(p.right, r);
  EXPECT_EQ(p.bottom, b);
}

TEST_F(XModelGeometry, ModelPaperByOrientationAndResolution) {
  dm_.dmPublic.dmPaperSize = 9;
  ExpectPage(Geometry(), 4960, 7008, 96, 96, 96, 96);
  dm_.dmPublic.dmOrientation = 2;
  ExpectPage(Geometry(), 7008, 4960, 96, 96, 96, 96);
  dm_.dmPrivate.image.bResolution = 1;
  ExpectPage(Geometry(), 14016, 9920, 192, 192, 192, 192);
  dm_.dmPublic.dmPaperSize = 66;
  ExpectPage(Geometry(), 28062, 19842, 192, 192, 192, 192);
  // The largest paper does not fit 16-bit device sizes at 1200 dpi: the locale's paper stands.
  dm_.dmPublic.dmPaperSize = 142;
  ExpectPage(Geometry(100), 14016, 9920, 200, 200, 200, 200);
  dm_.dmPrivate.image.bResolution = 0;
  ExpectPage(Geometry(), 19866, 14031, 96, 96, 96, 96);
}

TEST_F(XModelGeometry, CustomSlots) {
  dm_.dmPublic.dmPaperSize = 259;
  CUSTOM_PAPER_SLOT& slot = dm_.dmPrivate.custom[2];
  slot.dwCustomWidthDots = 3000;
  slot.dwCustomLengthDots = 5000;
  ExpectPage(Geometry(), 3000, 5000, 96, 96, 96, 96);
  dm_.dmPublic.dmOrientation = 2;
  ExpectPage(Geometry(), 5000, 3000, 96, 96, 96, 96);
}

TEST_F(XModelGeometry, UnprintableCustomSlotAndUnknownIdsGetTheLocalePaper) {
  struct Case {
    SHORT paper;
    DWORD widthDots, lengthDots;
  } const cases[] = {
      {257, 0, 0}, {257, 192, 5000}, {257, 3000, 16384}, {257, 0xFFFFFFFF, 5000}, {244, 0, 0}, {0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paper);
    dm_.dmPublic.dmPaperSize = c.paper;
    dm_.dmPrivate.custom[0].dwCustomWidthDots = c.widthDots;
    dm_.dmPrivate.custom[0].dwCustomLengthDots = c.lengthDots;
    ExpectPage(Geometry(150), 4960, 7008, 150, 150, 150, 150);
    ExpectPage(Geometry(10), 4960, 7008, 96, 96, 96, 96);  // never below the edge margin
  }
  PlatformTest_SetCountryCode(1, FALSE);
  dm_.dmPublic.dmPaperSize = 244;
  ExpectPage(Geometry(), 5100, 6600, 96, 96, 96, 96);
}

TEST_F(XModelGeometry, PerPaperMarginsWhenSwitchedOn) {
  dm_.dmPublic.dmPaperSize = 9;
  const int row = XModel_PaperRow(9);
  ASSERT_EQ(row, 4);
  dm_.dmPrivate.position.rows[row] = MarginRow{200, 50, 300, 400};
  ExpectPage(Geometry(), 4960, 7008, 96, 96, 96, 96);  // switch off: the model's margins
  dm_.dmPrivate.position.bPerPaperMargins = 1;
  ExpectPage(Geometry(), 4960, 7008, 200, 96, 300, 400);
  PdevPage kept{0, 0, 120, 130, 140, 150};
  XModel_GetPaperGeometry(&kept, &dm_, 96, TRUE);
  ExpectPage(kept, 4960, 7008, 120, 130, 140, 150);
}

TEST(UtilStrings, TerminatorWithinTheCapacity) {
  const WCHAR wide[4] = {u'a', u'b', 0, u'c'};
  EXPECT_TRUE(Util_IsTerminatedW(wide, 3));
  EXPECT_FALSE(Util_IsTerminatedW(wide, 2));
  EXPECT_FALSE(Util_IsTerminatedW(wide, 0));
  EXPECT_FALSE(Util_IsTerminatedW(nullptr, 10));
  const char narrow[3] = {'x', 'y', 0};
  EXPECT_TRUE(Util_IsTerminatedA(narrow, 3));
  EXPECT_FALSE(Util_IsTerminatedA(narrow, 2));
}

TEST(UtilList, ChainsAndReleasesEveryBlock) {
  testsupport::TempMachine machine;
  void* head = nullptr;
  auto* a = static_cast<BYTE*>(Util_ListAlloc(&head, 100));
  auto* b = static_cast<BYTE*>(Util_ListAlloc(&head, 1));
  auto* c = static_cast<BYTE*>(Util_ListAlloc(&head, 0));
  ASSERT_TRUE(a && b && c);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(a[i], 0);  // zero-filled
  std::memset(a, 0xAB, 100);
  b[0] = 1;
  EXPECT_NE(head, nullptr);
  Util_ListFree(&head);
  EXPECT_EQ(head, nullptr);
  Util_ListFree(&head);
  EXPECT_EQ(Util_ListAlloc(nullptr, 10), nullptr);
  EXPECT_EQ(Util_ListAlloc(&head, ~static_cast<SIZE_T>(0)), nullptr);
  EXPECT_EQ(head, nullptr);
}

TEST(UtilList, AFailedAllocationLeavesTheListAsItWas) {
  testsupport::TempMachine machine;
  void* head = nullptr;
  ASSERT_NE(Util_ListAlloc(&head, 8), nullptr);
  void* before = head;
  PlatformTest_FailAllocation(1, FALSE, FALSE);
  EXPECT_EQ(Util_ListAlloc(&head, 8), nullptr);
  EXPECT_EQ(head, before);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  Util_ListFree(&head);
}

}  // namespace
