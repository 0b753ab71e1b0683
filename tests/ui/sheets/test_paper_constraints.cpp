// The paper constraints as truth tables over every standard paper, the custom ids around the
// custom range, ids outside the maps and every dmDuplex a DEVMODE may carry; and the paper
// combo's texts of custom papers.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ui/sheets/paper_constraints.h"

namespace {

using vm4k2ui::ConstraintRows;
using vm4k2ui::kNoConflict;
using vm4k2ui::PaperDuplexConflict;
using vm4k2ui::PaperSourceFree;

// Written out again here rather than read from the tables under test.
const int kStandardIds[] = {1, 9, 5, 13, 37, 27, 28, 20, 11, 43, 250, 245,
                            252, 246, 70, 34, 7, 14, 243, 6, 31, 242, 241};
const std::set<int> kBothSides = {1, 9, 5, 14, 243};
const std::set<int> kHandFedOnly = {37, 27, 28, 20, 43, 31, 242};

TEST(PaperConstraints, RowsFollowTheStandardPaperOrder) {
  const ConstraintRows rows;
  for (int row = 0; row < 23; ++row) {
    EXPECT_EQ(rows.PaperRow(kStandardIds[row]), row) << kStandardIds[row];
    EXPECT_EQ(vm4k2ui::kStandardPapers[row].paperId, kStandardIds[row]);
  }
  // The first custom id is entered past the tables and reads as no row, as do ids that no
  // map holds.
  for (int id : {288, 0, 2, 287, 303, 511, -1, 512, 32767, -32768}) EXPECT_EQ(rows.PaperRow(id), -1) << id;
  const int media[] = {1, 257, 258, 2, 259, 263};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rows.MediaIndex(media[i]), i);
  for (int m : {0, 3, 256, 260, 511, -1, 512}) EXPECT_EQ(rows.MediaIndex(m), -1) << m;
}

TEST(PaperConstraints, DuplexConflictOfEveryStandardPaper) {
  const ConstraintRows rows;
  for (int id : kStandardIds) {
    SCOPED_TRACE(id);
    const bool both = kBothSides.count(id) != 0;
    EXPECT_EQ(PaperDuplexConflict(rows, id, 1), kNoConflict);
    EXPECT_EQ(PaperDuplexConflict(rows, id, 2), both ? kNoConflict : 2);
    EXPECT_EQ(PaperDuplexConflict(rows, id, 3), both ? kNoConflict : 3);
    // 5 stands for "as the private word says" and is checked as short edge.
    EXPECT_EQ(PaperDuplexConflict(rows, id, 5), both ? kNoConflict : 3);
    // Values no table column stands for are read as one-sided.
    for (int duplex : {0, 4, 6, -1, 32767}) EXPECT_EQ(PaperDuplexConflict(rows, id, duplex), kNoConflict) << duplex;
  }
}

struct OffTableCase {
  int paper;
  int duplex;
  int expected;
};

TEST(PaperConstraints, DuplexConflictOfPapersWithoutARow) {
  const ConstraintRows rows;
  const OffTableCase cases[] = {
      {287, 1, kNoConflict}, {287, 2, kNoConflict}, {287, 3, kNoConflict}, {287, 5, kNoConflict},
      {288, 1, kNoConflict}, {288, 2, 1},           {288, 3, 1},           {288, 5, 1},
      {303, 1, kNoConflict}, {303, 2, 1},           {303, 3, 1},           {303, 5, 1},
      {308, 1, kNoConflict}, {308, 2, 1},           {308, 3, 1},           {308, 5, 1},
      {309, 1, kNoConflict}, {309, 2, kNoConflict}, {309, 3, kNoConflict}, {309, 5, kNoConflict},
      {288, 0, kNoConflict}, {288, 4, kNoConflict}, {288, 6, kNoConflict},
      {-1, 2, kNoConflict},  {512, 2, kNoConflict}, {32767, 3, kNoConflict}, {-1, 5, kNoConflict},
      {0, 2, kNoConflict},   {511, 3, kNoConflict},
  };
  for (const OffTableCase& c : cases) {
    EXPECT_EQ(PaperDuplexConflict(rows, c.paper, c.duplex), c.expected) << c.paper << " " << c.duplex;
  }
}

TEST(PaperConstraints, SourceFreeOfEveryPaper) {
  const ConstraintRows rows;
  for (int id : kStandardIds) EXPECT_EQ(PaperSourceFree(rows, id), kHandFedOnly.count(id) == 0) << id;
  for (int id : {287, 288, 303, 308, 309, -1, 512, 32767, 0}) EXPECT_TRUE(PaperSourceFree(rows, id)) << id;
}

vm4k2::CustomPaperRecord Record(const char16_t* name, int width, int height, uint32_t unit) {
  vm4k2::CustomPaperRecord record{};
  record.width = static_cast<int16_t>(width);
  record.height = static_cast<int16_t>(height);
  for (size_t i = 0; name[i] != 0 && i < vm4k2::kCustomPaperNameLimit; ++i) record.name[i] = name[i];
  record.paperId = 288;
  record.unit = unit;
  return record;
}

struct EntryCase {
  const char16_t* name;
  int width;
  int height;
  uint32_t unit;
  bool comma;
  const char16_t* expected;
};

TEST(CustomPaperEntryText, NameFollowedBySizeInItsUnit) {
  const EntryCase cases[] = {
      {u"Flyer", 2400, 6000, 2, false, u"Flyer(4.00 \u00D7 10.00 in)"},
      {u"Flyer", 2400, 6000, 2, true, u"Flyer(4,00 \u00D7 10,00 in)"},
      {u"Card", 600, 6000, 2, false, u"Card(1.00 \u00D7 10.00 in)"},
      {u"A4 own", 4961, 7016, 1, false, u"A4 own(210.0 \u00D7 297.0 mm)"},
      {u"A4 own", 4961, 7016, 1, true, u"A4 own(210,0 \u00D7 297,0 mm)"},
      // Half a hundredth (3 dots) rounds up; just under it rounds down.
      {u"r", 1803, 3002, 2, false, u"r(3.01 \u00D7 5.00 in)"},
      // Half a tenth of a millimetre is 1.18 dots: 1 dot is 0.42 tenths, 2 are 0.85.
      {u"m", 1801, 3002, 1, false, u"m(76.2 \u00D7 127.1 mm)"},
      // Heights above 8408 dots are shown as 8402 in inch units only.
      {u"tall", 1800, 8409, 2, false, u"tall(3.00 \u00D7 14.00 in)"},
      {u"tall", 1800, 8408, 2, false, u"tall(3.00 \u00D7 14.01 in)"},
      {u"tall", 1800, 8409, 1, false, u"tall(76.2 \u00D7 356.0 mm)"},
      {u"", 1800, 3000, 2, false, u"(3.00 \u00D7 5.00 in)"},
  };
  for (const EntryCase& c : cases) {
    const auto record = Record(c.name, c.width, c.height, c.unit);
    const char16_t* unit = c.unit == 2 ? u"in" : u"mm";
    EXPECT_EQ(vm4k2ui::CustomPaperEntryText(record, unit, c.comma), c.expected);
  }
}

TEST(CustomPaperEntryText, UnterminatedNameAndLongUnitStayWithin255) {
  vm4k2::CustomPaperRecord record{};
  for (auto& unit : record.name) unit = u'N';
  record.width = 2400;
  record.height = 6000;
  record.unit = 2;
  const std::u16string longUnit(600, u'u');
  const std::u16string text = vm4k2ui::CustomPaperEntryText(record, longUnit.c_str(), false);
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text.substr(0, 25), std::u16string(24, u'N') + u"(");
  EXPECT_EQ(vm4k2ui::CustomPaperEntryText(record, nullptr, false), std::u16string(24, u'N') + u"(4.00 \u00D7 10.00 )");
}

}  // namespace
