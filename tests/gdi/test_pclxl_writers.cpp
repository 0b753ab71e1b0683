// The PCL XL value and command writers: exact bytes where the stream format pins them, and
// the test decoder's reading of the same bytes.
#include <functional>

#include "writer_fixture.h"

namespace writertest {
namespace {

struct WriterCase {
  const char* name;
  std::function<void(PDEV*)> write;
  const char* bytes;
  const char* listing;  // nullptr: the bytes are not a complete operator run
};

class WriterBytes : public WriterTest, public ::testing::WithParamInterface<WriterCase> {};

TEST_P(WriterBytes, AreExact) {
  const WriterCase& c = GetParam();
  c.write(pdev());
  Bytes written = Take();
  EXPECT_EQ(ToHex(written), ToHex(Hex(c.bytes)));
  if (c.listing) {
    pclxl::Decoded run = pclxl::DecodeOperators(written);
    ASSERT_TRUE(run.ok) << run.error;
    std::string joined;
    for (const std::string& line : run.listing) joined += (joined.empty() ? "" : " | ") + line;
    EXPECT_EQ(joined, c.listing);
  }
}

const RECT16 kBox = {10, 20, 300, 400};

const WriterCase kWriters[] = {
    {"BeginSession600", [](PDEV* p) { PclXl_BeginSession(p, 600); }, "C0 00 F8 86 D1 58 02 58 02 F8 89 C0 03 F8 8F 41",
     "BeginSession Measure=eInch UnitsPerMeasure=(600,600) ErrorReport=eBackChAndErrPage"},
    {"BeginSession1200", [](PDEV* p) { PclXl_BeginSession(p, 1200); }, "C0 00 F8 86 D1 B0 04 B0 04 F8 89 C0 03 F8 8F 41",
     "BeginSession Measure=eInch UnitsPerMeasure=(1200,1200) ErrorReport=eBackChAndErrPage"},
    {"OpenDataSource", PclXl_OpenDataSource, "C0 00 F8 88 C0 01 F8 82 48",
     "OpenDataSource SourceType=eDefaultDataSource DataOrg=eBinaryLowByteFirst"},
    {"CloseDataSource", PclXl_CloseDataSource, "49", "CloseDataSource"},
    {"EndPageOneCopy", [](PDEV* p) { PclXl_EndPage(p, 1); }, "C1 01 00 F8 31 44", "EndPage PageCopies=1"},
    {"EndPageThreeCopies", [](PDEV* p) { PclXl_EndPage(p, 3); }, "C1 03 00 F8 31 44", "EndPage PageCopies=3"},
    {"SetPageOrigin", [](PDEV* p) { PclXl_SetPageOrigin(p, 96, 96); }, "D3 60 00 60 00 F8 2A 75",
     "SetPageOrigin PageOrigin=(96,96)"},
    {"SetPageOriginNegative", [](PDEV* p) { PclXl_SetPageOrigin(p, -5, 300); }, "D3 FB FF 2C 01 F8 2A 75",
     "SetPageOrigin PageOrigin=(-5,300)"},
    {"SetPageRotation90", [](PDEV* p) { PclXl_SetPageRotation(p, 90); }, "C3 5A 00 F8 29 76",
     "SetPageRotation PageAngle=90"},
    {"SetPageRotation270", [](PDEV* p) { PclXl_SetPageRotation(p, 270); }, "C3 0E 01 F8 29 76",
     "SetPageRotation PageAngle=270"},
    {"SetPageScaleReset", [](PDEV* p) { PclXl_SetPageScale(p, FALSE); }, "D5 00 00 80 3F 00 00 80 3F F8 2B 77",
     "SetPageScale PageScale=(1,1)"},
    {"SetPageScaleComputed",
     [](PDEV* p) {
       p->job.layout.fitFactor[0] = 0.5;
       p->job.layout.fitFactor[1] = 0.75;
       p->job.layout.axisFactor[0] = 1.0;
       p->job.layout.axisFactor[1] = 2.0;
       p->job.layout.commonFactor[0] = 1.0;
       p->job.layout.commonFactor[1] = 1.0;
       PclXl_SetPageScale(p, TRUE);
     },
     "D5 00 00 00 3F 00 00 80 3F F8 2B 77", "SetPageScale PageScale=(0.5,1)"},
    {"EndSession", PclXl_EndSession, "42 1B '%-12345X@PJL EOJ' 0D 0A 1B '%-12345X'", nullptr},
    {"SetCursor", [](PDEV* p) { PclXl_SetCursor(p, 100, -2); }, "D3 64 00 FE FF F8 4C 6B", "SetCursor Point=(100,-2)"},
    {"NewPath", PclXl_NewPath, "85", "NewPath"},
    {"SetClipRectangle", [](PDEV* p) { PclXl_SetClipRectangle(p, &kBox); },
     "85 E3 0A 00 14 00 2C 01 90 01 F8 42 A1 C0 00 F8 53 62",
     "NewPath | RectanglePath BoundingBox=(10,20,300,400) | SetClipReplace ClipRegion=eInterior"},
    {"BeginImage", [](PDEV* p) { PclXl_BeginImage(p, eDirectPixel, e8Bit, 50, 60, 300, 200, 30, 20); },
     "D3 32 00 3C 00 F8 4C 6B C0 00 F8 64 C0 02 F8 62 C1 1E 00 F8 6C C1 14 00 F8 6B D1 2C 01 C8 00 F8 67 B0",
     "SetCursor Point=(50,60) | BeginImage ColorMapping=eDirectPixel ColorDepth=e8Bit SourceWidth=30 "
     "SourceHeight=20 DestinationSize=(300,200)"},
    {"ReadImageWithItsData",
     [](PDEV* p) {
       PclXl_ReadImage(p, 4, 1, eNoCompression, 4);
       Spool_Write(p, "\x01\x02\x03\x04", 4);
     },
     "C1 04 00 F8 6D C1 01 00 F8 63 C0 00 F8 65 B1 FA 04 00 00 00 01 02 03 04",
     "ReadImage StartLine=4 BlockHeight=1 CompressMode=eNoCompression data=<4 bytes: 01 02 03 04>"},
    {"BeginRastPattern",
     [](PDEV* p) { PclXl_BeginRastPattern(p, eIndexedPixel, e1Bit, 8, 8, 16, 16, 7, eSessionPattern); },
     "C0 01 F8 64 C0 00 F8 62 C1 08 00 F8 6C C1 08 00 F8 6B D1 10 00 10 00 F8 67 C3 07 00 F8 69 C0 02 F8 68 B3",
     "BeginRastPattern ColorMapping=eIndexedPixel ColorDepth=e1Bit SourceWidth=8 SourceHeight=8 "
     "DestinationSize=(16,16) PatternDefineID=7 PatternPersistence=eSessionPattern"},
    {"ReadRastPatternWithItsData",
     [](PDEV* p) {
       PclXl_ReadRastPattern(p, 8);
       PclXl_WriteDataLength(p, 2);
       Spool_Write(p, "\xAA\x55", 2);
     },
     "C1 00 00 F8 6D C1 08 00 F8 63 C0 00 F8 65 B4 FB 02 AA 55",
     "ReadRastPattern StartLine=0 BlockHeight=8 CompressMode=eNoCompression data=<2 bytes: AA 55>"},
    {"RemoveTrueTypeSoftFont", [](PDEV* p) { PclXl_RemoveFont(p, "Arial", 105, PXLF_SOFT_FONT); },
     "C8 C1 08 00 '5TTArial' F8 A8 55", "RemoveFont FontName=\"5TTArial\""},
    {"RemoveBitmapSoftFont", [](PDEV* p) { PclXl_RemoveFont(p, "Arial", 101, PXLF_SOFT_FONT | PXLF_BITMAP_FONT); },
     "C8 C1 08 00 '1BMArial' F8 A8 55", "RemoveFont FontName=\"1BMArial\""},
    {"FontNameAlone", [](PDEV* p) { PclXl_WriteFontName(p, "Courier", 101, 0); }, "C8 C1 07 00 'Courier' F8 A8",
     nullptr},
    {"VendorUnique", PclXl_WriteVendorUnique, "C2 02 20 70 68 F8 91 C0 00 F8 93 46",
     "VendorUnique VUExtension=1752178690 VUAttr1=0"},
    {"DataLength255", [](PDEV* p) { PclXl_WriteDataLength(p, 255); }, "FB FF", nullptr},
    {"DataLength256", [](PDEV* p) { PclXl_WriteDataLength(p, 256); }, "FA 00 01 00 00", nullptr},
    {"DataLength0", [](PDEV* p) { PclXl_WriteDataLength(p, 0); }, "FB 00", nullptr},
    {"RgbColor", [](PDEV* p) { PclXl_WriteRgbColor(p, RGB(0x10, 0x20, 0x30)); }, "C8 C1 03 00 10 20 30 F8 0B", nullptr},
    {"ArrayHeaderShort", [](PDEV* p) { PclXl_WriteArrayHeader(p, PXL_UBYTE_ARRAY, 255); }, "C8 C0 FF", nullptr},
    {"ArrayHeaderLong", [](PDEV* p) { PclXl_WriteArrayHeader(p, PXL_UINT16_ARRAY, 256); }, "C9 C1 00 01", nullptr},
    {"BoundingBox", [](PDEV* p) { PclXl_WriteBoundingBox(p, &kBox); }, "E3 0A 00 14 00 2C 01 90 01 F8 42", nullptr},
    {"Sint16Pair", [](PDEV* p) { PclXl_WriteSint16XY(p, {-1, 2}, PXL_A_Point); }, "D3 FF FF 02 00 F8 4C", nullptr},
    {"AttrUbyte", [](PDEV* p) { PclXl_WriteAttr(p, 3, PXL_A_ROP3, PXLK_UBYTE); }, "C0 03 F8 2C", nullptr},
    {"AttrUint16", [](PDEV* p) { PclXl_WriteAttr(p, 0x1234, PXL_A_PenWidth, PXLK_UINT16); }, "C1 34 12 F8 4B", nullptr},
    {"AttrUint32", [](PDEV* p) { PclXl_WriteAttr(p, 0x01020304, PXL_A_VUExtension, PXLK_UINT32); },
     "C2 04 03 02 01 F8 91", nullptr},
    {"AttrSint16", [](PDEV* p) { PclXl_WriteAttr(p, -2, PXL_A_PageAngle, PXLK_SINT16); }, "C3 FE FF F8 29", nullptr},
    {"AttrSint32", [](PDEV* p) { PclXl_WriteAttr(p, -2, PXL_A_PageAngle, PXLK_SINT32); }, "C4 FE FF FF FF F8 29",
     nullptr},
    {"AttrUnknownKindFallsBackToSint16", [](PDEV* p) { PclXl_WriteAttr(p, 7, PXL_A_PageAngle, 9); }, "C3 07 00 F8 29",
     nullptr},
    {"XYUbyte", [](PDEV* p) { PclXl_WriteXYAttr(p, 1, 2, PXL_A_Point, PXLK_UBYTE_XY); }, "D0 01 02 F8 4C", nullptr},
    {"XYUint16", [](PDEV* p) { PclXl_WriteXYAttr(p, 1, 2, PXL_A_Point, PXLK_UINT16_XY); }, "D1 01 00 02 00 F8 4C",
     nullptr},
    {"XYUint32", [](PDEV* p) { PclXl_WriteXYAttr(p, 1, 2, PXL_A_Point, PXLK_UINT32_XY); },
     "D2 01 00 00 00 02 00 00 00 F8 4C", nullptr},
    {"XYSint16", [](PDEV* p) { PclXl_WriteXYAttr(p, -1, 2, PXL_A_Point, PXLK_SINT16_XY); }, "D3 FF FF 02 00 F8 4C",
     nullptr},
    {"XYSint32", [](PDEV* p) { PclXl_WriteXYAttr(p, -1, 2, PXL_A_Point, PXLK_SINT32_XY); },
     "D4 FF FF FF FF 02 00 00 00 F8 4C", nullptr},
    {"XYUnknownKindFallsBackToSint16", [](PDEV* p) { PclXl_WriteXYAttr(p, 1, 2, PXL_A_Point, 3); },
     "D3 01 00 02 00 F8 4C", nullptr},
    {"CharCodeByte", [](PDEV* p) { PclXl_WriteCharCode(p, 0x41, 0); }, "41 F8 A2", nullptr},
    {"CharCodeTaggedByte", [](PDEV* p) { PclXl_WriteCharCode(p, 0x41, PXLC_TYPE_TAG); }, "C0 41 F8 A2", nullptr},
    {"CharCodeTaggedWord", [](PDEV* p) { PclXl_WriteCharCode(p, 0x4100, PXLC_TYPE_TAG | PXLC_TWO_BYTES); },
     "C1 41 00 F8 A2", nullptr},
    {"CharCodeInArray", [](PDEV* p) { PclXl_WriteCharCode(p, 0x41, PXLC_IN_ARRAY); }, "41", nullptr},
    {"CharCodeWordInArray", [](PDEV* p) { PclXl_WriteCharCode(p, 0x3042, PXLC_TWO_BYTES | PXLC_IN_ARRAY); }, "30 42",
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Writers, WriterBytes, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.name); });

TEST_F(WriterTest, UnknownValueKindsAreRecordedAsInternalErrors) {
  PclXl_WriteAttr(pdev(), 1, PXL_A_PageAngle, 0);
  EXPECT_NE(pdev()->jobCtl.flags & JF_ERROR_RECORDED, 0u);
  EXPECT_EQ(std::string(pdev()->job.firstError).rfind("File:pclxl.cpp Line:", 0), 0u) << pdev()->job.firstError;
}

TEST_F(WriterTest, NothingIsWrittenOnceOutputStopped) {
  pdev()->jobCtl.flags |= JF_OUTPUT_STOPPED;
  PclXl_BeginSession(pdev(), 600);
  PclXl_EndPage(pdev(), 1);
  EXPECT_TRUE(Take().empty());
}

TEST(PclXlMapLogChar, MapsTheTextLogCharacters) {
  struct Row {
    BYTE code;
    char shown;
  };
  const Row rows[] = {{'A', 'A'}, {0, 0}, {127, 127}, {145, '\''}, {146, 'X'}, {147, '"'},
                      {148, '"'}, {150, '-'}, {151, 'X'}, {128, 'X'}, {255, 'X'}};
  for (const Row& r : rows) EXPECT_EQ(PclXl_MapLogChar(r.code), r.shown) << int(r.code);
}

TEST(PclXlLookupName, FirstRowWinsAndMissingKeysGiveTheDefault) {
  char name[16];
  PclXl_LookupName(kMediaSizeNameTable, 31, name, sizeof name, "CUSTOM");
  EXPECT_STREQ(name, "C6");
  PclXl_LookupName(kMediaSizeNameTable, 6, name, sizeof name, "CUSTOM");
  EXPECT_STREQ(name, "STATEMENT");
  EXPECT_EQ(PclXl_LookupName(kMediaSizeNameTable, 999, name, sizeof name, "CUSTOM"), 0);
  EXPECT_STREQ(name, "CUSTOM");
  EXPECT_EQ(PclXl_LookupName(kMediaSourceTable, 1, nullptr, 0, "ERROR"), eManualFeed);
  EXPECT_EQ(PclXl_LookupName(kMediaSourceTable, 7, name, sizeof name, "ERROR"), 0);
  EXPECT_STREQ(name, "ERROR");
  EXPECT_EQ(PclXl_LookupName(kMediaTypeTable, 5, name, 6, "ERROR"), 1);
  EXPECT_STREQ(name, "TRANS");  // cut to the capacity
}

TEST(PclXlMediaSizeNames, EveryModelPaperHasItsName) {
  struct Row {
    LONG paper;
    const char* name;
  };
  const Row rows[] = {{1, "LETTER"}, {5, "LEGAL"}, {14, "FOLIO"}, {7, "EXEC"}, {9, "A4"}, {13, "JIS B5"},
                      {11, "A5"}, {27, "DL"}, {28, "C5"}, {20, "COM10"}, {37, "MONARCH"}, {43, "JPOST"},
                      {70, "A6"}, {34, "B5"}, {250, "BIG16K"}, {252, "BIG32K"}, {245, "16K"}, {246, "32K"},
                      {242, "ZL"}, {243, "OFICIO"}, {241, "B6"}, {82, "JPOSTD"}, {144, "YOUGATA3"},
                      {145, "YOUGATA4"}, {146, "YOUGATA6"}, {147, "YOUNAGA3"}, {150, "NAGAGATA3"},
                      {148, "NAGAGATA4"}, {149, "KAGUGATA3"}, {142, "CUSTOM"}, {8, "CUSTOM"}};
  EXPECT_EQ(kMediaSizeNameTable.count, 34u);
  char name[16];
  for (const Row& r : rows) {
    PclXl_LookupName(kMediaSizeNameTable, r.paper, name, sizeof name, "CUSTOM");
    EXPECT_STREQ(name, r.name) << r.paper;
  }
}

TEST_F(WriterTest, IsPageRotated180FollowsTheSettingAndOrientation) {
  struct Row {
    BYTE setting;
    WORD orientation;
    BOOL turned;
  };
  const Row rows[] = {{0, 1, FALSE}, {0, 2, FALSE}, {1, 1, FALSE}, {1, 2, TRUE}, {2, 1, TRUE},
                      {2, 2, FALSE}, {3, 1, TRUE},  {3, 2, TRUE},  {4, 1, FALSE}, {4, 2, FALSE}};
  for (const Row& r : rows) {
    job().dmPrivate.bRotate180 = r.setting;
    pdev()->orientation = r.orientation;
    EXPECT_EQ(PclXl_IsPageRotated180(pdev()), r.turned) << int(r.setting) << "/" << r.orientation;
  }
}

TEST_F(WriterTest, FreeFontListsReleasesEveryRecordAndClearsTheBlock) {
  PdevFontLists& lists = pdev()->job.fontLists;
  for (int i = 0; i < 3; ++i) {
    auto* font = new FontCacheRecord{};
    font->next = lists.fonts;
    lists.fonts = font;
    auto* page = new GlyphPage{};
    page->next = lists.glyphPages;
    lists.glyphPages = page;
  }
  lists.lastUsed = lists.fonts;
  lists.nextNumber = 103;
  EXPECT_EQ(PclXl_FreeFontLists(pdev()), 0);
  EXPECT_EQ(lists.fonts, nullptr);
  EXPECT_EQ(lists.glyphPages, nullptr);
  EXPECT_EQ(lists.lastUsed, nullptr);
  EXPECT_EQ(lists.nextNumber, 0);
}

}  // namespace
}  // namespace writertest
