// The byte layout of the renderer's settings record: the escapes, the settings dump and a
// DEVMODE handed back through CreateDC all read it by offset.
#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>

#include "intrface/devmod2.h"

namespace {

struct Span {
  const char* name;
  size_t offset;
  size_t size;
};

// Offsets from the start of dmPrivate.
const Span kSections[] = {
    {"NUPDLG", offsetof(RenderPrivate, nup), sizeof(NUPDLG)},
    {"POSTER_DLG", offsetof(RenderPrivate, poster), sizeof(POSTER_DLG)},
    {"position table", offsetof(RenderPrivate, position), sizeof(POSITION_TABLE)},
    {"SCAL_DLG", offsetof(RenderPrivate, scale), sizeof(SCAL_DLG)},
    {"PAPER_DLG", offsetof(RenderPrivate, paper), sizeof(PAPER_DLG)},
    {"custom paper slots", offsetof(RenderPrivate, custom), sizeof(RenderPrivate::custom)},
    {"booklet", offsetof(RenderPrivate, booklet), sizeof(BOOKLET_DLG)},
    {"OVERLAY_DLG", offsetof(RenderPrivate, overlay), sizeof(OVERLAY_DLG)},
    {"image adjustment", offsetof(RenderPrivate, image), sizeof(IMAGE_ADJUST)},
    {"WMARKDATA", offsetof(RenderPrivate, wmark), sizeof(WMARKDATA)},
    {"header and footer", offsetof(RenderPrivate, header), sizeof(HEADER_FOOTER)},
    {"extra block", offsetof(RenderPrivate, bExtra), sizeof(RenderPrivate::bExtra)},
    {"address list", offsetof(RenderPrivate, address), sizeof(ADDRESS_LIST)},
    {"device group", offsetof(RenderPrivate, device), sizeof(DEVICE_GROUP)},
    {"dump file", offsetof(RenderPrivate, szDumpFile), sizeof(RenderPrivate::szDumpFile)},
    {"second dump file", offsetof(RenderPrivate, szDumpFile2), sizeof(RenderPrivate::szDumpFile2)},
};

const Span kExpected[] = {
    {"NUPDLG", 100, 8},          {"POSTER_DLG", 108, 8},          {"position table", 116, 424},
    {"SCAL_DLG", 540, 8},        {"PAPER_DLG", 548, 12},          {"custom paper slots", 560, 1280},
    {"booklet", 1856, 24},       {"OVERLAY_DLG", 1890, 1026},     {"image adjustment", 2916, 568},
    {"WMARKDATA", 3484, 3236},   {"header and footer", 6720, 1096}, {"extra block", 7816, 1328},
    {"address list", 9148, 4408}, {"device group", 13588, 24},    {"dump file", 13634, 512},
    {"second dump file", 14146, 512},
};

TEST(RenderDevmodeLayout, RecordIs14900BytesWithThePrivatePartAt220) {
  EXPECT_EQ(sizeof(RenderDevmode), 14900u);
  EXPECT_EQ(sizeof(DEVMODEW), 220u);
  EXPECT_EQ(sizeof(RenderPrivate), 14680u);
  EXPECT_EQ(offsetof(RenderDevmode, dmPrivate), 220u);
}

TEST(RenderDevmodeLayout, SectionsSitAtTheirOffsets) {
  static_assert(std::size(kSections) == std::size(kExpected));
  for (size_t i = 0; i < std::size(kSections); ++i) {
    SCOPED_TRACE(kExpected[i].name);
    EXPECT_STREQ(kSections[i].name, kExpected[i].name);
    EXPECT_EQ(kSections[i].offset, kExpected[i].offset);
    EXPECT_EQ(kSections[i].size, kExpected[i].size);
  }
}

TEST(RenderDevmodeLayout, SectionsDoNotOverlap) {
  for (size_t i = 1; i < std::size(kSections); ++i) {
    SCOPED_TRACE(kSections[i].name);
    EXPECT_LE(kSections[i - 1].offset + kSections[i - 1].size, kSections[i].offset);
  }
  const Span& last = kSections[std::size(kSections) - 1];
  EXPECT_LE(last.offset + last.size, sizeof(RenderPrivate));
}

TEST(RenderDevmodeLayout, WatermarkFieldsAsTheDumpReadsThem) {
  // The settings dump addresses these from dmPrivate.
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmIndex), 3484u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmString), 3486u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmModify), 4621u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmColorRef), 4532u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmTypeFace), 4542u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmFontSize), 4606u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmAngle), 4618u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmPosX), 3484u + 1148u);
  EXPECT_EQ(offsetof(RenderPrivate, wmark.wmPosY), 3484u + 1152u);
}

}  // namespace
