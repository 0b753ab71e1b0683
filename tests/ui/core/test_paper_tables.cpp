// The paper and bin tables and the lookups every paper decision goes through.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "custom_paper_fake.h"
#include "ui/core/custom_paper_source.h"
#include "ui/core/paper_tables.h"

namespace {

using vm4k2ui::PaperExtent;

TEST(PaperTables, TwentyThreeRowsInTheirOrderWithTheirNames) {
  const int ids[] = {1, 9, 5, 13, 37, 27, 28, 20, 11, 43, 250, 245, 252, 246, 70, 34, 7, 14, 243, 6, 31, 242, 241};
  const unsigned names[] = {108, 116, 110, 118, 123, 120, 121, 122, 119, 4063, 4064, 4065,
                            4067, 4068, 340, 4069, 111, 109, 4070, 411, 4072, 4073, 4074};
  ASSERT_EQ(vm4k2ui::kPaperSizeCount, 23u);
  for (size_t i = 0; i < 23; ++i) {
    const auto& row = vm4k2ui::kPaperSizeTable[i];
    EXPECT_EQ(row.paperId, ids[i]) << i;
    EXPECT_EQ(vm4k2ui::kPaperNameIdTable[i], names[i]) << i;
    EXPECT_EQ(row.landscape.width, row.portrait.height) << i;
    EXPECT_EQ(row.landscape.height, row.portrait.width) << i;
    for (int m = 0; m < 4; ++m) {
      EXPECT_EQ(row.portrait.margins[m], 95);
      EXPECT_EQ(row.landscape.margins[m], 95);
    }
  }
}

TEST(PaperTables, SizesInDots) {
  struct Case { int id; int width; int height; };
  const Case cases[] = {{1, 5100, 6600}, {9, 4960, 7015}, {5, 5100, 8400}, {13, 4299, 6071},
                        {243, 5102, 8102}, {241, 2953, 4157}, {6, 3300, 5100}, {70, 2480, 3496}};
  for (const Case& c : cases) {
    const auto* row = vm4k2ui::FindPaperRow(c.id);
    ASSERT_NE(row, nullptr) << c.id;
    EXPECT_EQ(row->portrait.width, c.width) << c.id;
    EXPECT_EQ(row->portrait.height, c.height) << c.id;
  }
  EXPECT_EQ(vm4k2ui::FindPaperRow(256), nullptr);
}

TEST(PaperTables, BinsInOrder) {
  EXPECT_EQ(vm4k2ui::kBinTable[0].bin, 7);
  EXPECT_EQ(vm4k2ui::kBinTable[0].nameId, 4017u);
  EXPECT_EQ(vm4k2ui::kBinTable[1].bin, 1);
  EXPECT_EQ(vm4k2ui::kBinTable[1].nameId, 4019u);
  EXPECT_EQ(vm4k2ui::kBinTable[2].bin, 4);
  EXPECT_EQ(vm4k2ui::kBinTable[2].nameId, 4018u);
}

TEST(PaperTables, DotsToTenthsRoundsHalfUp) {
  EXPECT_EQ(vm4k2ui::DotsToTenthsMm(5100), 2159);
  EXPECT_EQ(vm4k2ui::DotsToTenthsMm(6600), 2794);
  EXPECT_EQ(vm4k2ui::DotsToTenthsMm(4960), 2100);
  EXPECT_EQ(vm4k2ui::DotsToTenthsMm(7015), 2970);
  EXPECT_EQ(vm4k2ui::DotsToTenthsMm(0), 0);
}

TEST(LookupPaperSize, TablePapersAlwaysGiveThePortraitRow) {
  for (bool portrait : {true, false}) {
    PaperExtent extent{};
    vm4k2ui::LookupPaperSize(nullptr, 1, portrait, &extent);
    EXPECT_EQ(extent.width, 5100);
    EXPECT_EQ(extent.height, 6600);
  }
}

TEST(LookupPaperSize, UnknownTableIdLeavesTheOutputAlone) {
  PaperExtent extent{1, 2, {3, 4, 5, 6}};
  vm4k2ui::LookupPaperSize(nullptr, 256, true, &extent);
  EXPECT_EQ(extent.width, 1);
  EXPECT_EQ(extent.height, 2);
  EXPECT_EQ(extent.margins[3], 6);
}

TEST(LookupPaperSize, CustomIdsComeFromTheStoreOnlyWithAPrivatePart) {
  testfakes::ScopedCustomPapers papers({testfakes::Paper(290, 3000, 4000, u"Card")});
  vm4k2::PrivateDevmode privatePart{};
  PaperExtent extent{};
  vm4k2ui::LookupPaperSize(&privatePart, 290, true, &extent);
  EXPECT_EQ(extent.width, 3000);
  EXPECT_EQ(extent.height, 4000);
  EXPECT_EQ(extent.margins[0], 95);
  vm4k2ui::LookupPaperSize(nullptr, 290, true, &extent);
  EXPECT_EQ(extent.width, 4960);
  EXPECT_EQ(extent.height, 7015);
  vm4k2ui::LookupPaperSize(&privatePart, 291, true, &extent);
  EXPECT_EQ(extent.width, 4960);
  EXPECT_EQ(extent.height, 7015);
}

TEST(CustomPaperSource, RecordsOutsideThePrintersRangeAreNotFound) {
  struct Case { int16_t width; int16_t height; bool usable; };
  const Case cases[] = {{1800, 3000, true}, {5100, 8400, true}, {1799, 4000, false}, {5101, 4000, false},
                        {3000, 2999, false}, {3000, 8401, false}, {0, 0, false}, {-5, 4000, false}};
  for (const Case& c : cases) {
    testfakes::ScopedCustomPapers papers({testfakes::Paper(288, c.width, c.height, u"X")});
    vm4k2::PrivateDevmode privatePart{};
    PaperExtent extent{};
    vm4k2ui::LookupPaperSize(&privatePart, 288, true, &extent);
    EXPECT_EQ(extent.width, c.usable ? c.width : 4960) << c.width << "x" << c.height;
    EXPECT_EQ(extent.height, c.usable ? c.height : 7015) << c.width << "x" << c.height;
    EXPECT_EQ(vm4k2ui::ListCustomPapers().size(), c.usable ? 1u : 0u);
  }
}

TEST(CustomPaperSource, AnUnterminatedNameEndsAtUnit24) {
  vm4k2::CustomPaperRecord record = testfakes::Paper(288, 3000, 4000, u"");
  for (auto& unit : record.name) unit = u'W';
  testfakes::ScopedCustomPapers papers({record});
  const auto list = vm4k2ui::ListCustomPapers();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(std::u16string_view(list[0].name).size(), 24u);
}

}  // namespace
