// Brushes through DrvFillPath: solid colours, the standard hatches and bitmap brushes realised
// by the engine through DrvRealizeBrush, pattern download once per session (or per sheet when
// the sheets are reordered), the temporary pattern beyond the printer-memory guard, and the
// brushes that cannot be realised.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <win/gdi_draw.h>
#include <win/gdi_objects.h>

#include "../open_pdev.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/paths.h"

namespace {

using plat_testing::MakeClip;
using plat_testing::MakeHatchBrush;
using plat_testing::MakePatternBrush;
using plat_testing::MakePolyline;
using plat_testing::MakeSolidBrush;
using plat_testing::MakeXlate;

constexpr MIX kCopyPen = R2_COPYPEN | (R2_COPYPEN << 8);

std::string Join(const std::vector<std::string>& lines, size_t from, size_t to) {
  std::string out;
  for (size_t i = from; i < to && i < lines.size(); ++i) out += (out.empty() ? "" : " | ") + lines[i];
  return out;
}

// The operators of a fill before its path: with the rest of the state held, the brush's.
std::vector<std::string> BrushPart(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "NewPath" && i + 1 < lines.size() && lines[i + 1].rfind("SetCursor", 0) == 0) break;
    out.push_back(lines[i]);
  }
  return out;
}

class Brushes : public testsupport::OpenPdevTest {
 protected:
  void SetUp() override {
    OpenPdevTest::SetUp();
    square_ = MakePolyline({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true);
    clip_ = MakeClip();
    Prime();
  }

  // One solid fill, so that the clip, ROP, fill rule, pen and colour space are held and a
  // fill's listing before its path is its brush alone.
  void Prime() {
    plat_testing::Brush black = MakeSolidBrush(0);
    EXPECT_TRUE(Fill(black.get()));
    Take();
  }

  BOOL Fill(BRUSHOBJ* brush, POINTL* origin = nullptr) {
    return DrvFillPath(surface(), square_.get(), clip_.get(), brush, origin, kCopyPen, FP_WINDINGMODE);
  }

  std::vector<std::string> FillLines(BRUSHOBJ* brush, POINTL* origin = nullptr) {
    EXPECT_TRUE(Fill(brush, origin));
    return BrushPart(TakeLines());
  }

  plat_testing::Path square_;
  plat_testing::Clip clip_;
};

TEST_F(Brushes, SolidRedInAGreyJobIsItsGrey) {
  plat_testing::Brush red = MakeSolidBrush(0x0000FF);
  EXPECT_EQ(Join(FillLines(red.get()), 0, 99), "SetBrushSource GrayLevel=73");
}

TEST_F(Brushes, HatchIsDownloadedOnceAndSelectedByIdInGreyJobs) {
  plat_testing::Brush cross = MakeHatchBrush(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255), DrvRealizeBrush, surface());
  std::vector<std::string> first = FillLines(cross.get());
  ASSERT_EQ(first.size(), 5u) << Join(first, 0, 99);
  EXPECT_EQ(first[0], "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[0 255]");
  EXPECT_EQ(first[1],
            "BeginRastPattern ColorMapping=eIndexedPixel ColorDepth=e1Bit SourceWidth=8 SourceHeight=8 "
            "DestinationSize=(32,32) PatternDefineID=1 PatternPersistence=eSessionPattern");
  EXPECT_EQ(first[2].rfind("ReadRastPattern StartLine=0 BlockHeight=8 CompressMode=eNoCompression data=<32 bytes", 0), 0u)
      << first[2];
  EXPECT_EQ(first[3], "EndRastPattern");
  EXPECT_EQ(first[4], "SetBrushSource PatternSelectID=1");

  // The same hatch again: its palette by the download's own steps, no second definition and
  // no second selection.
  std::vector<std::string> second = FillLines(cross.get());
  EXPECT_EQ(Join(second, 0, 99), "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[0 255]");

  // A new page forgets the selection, not the session's pattern.
  Gx_ResetStateCache(pdev());
  std::vector<std::string> third = FillLines(cross.get());
  EXPECT_EQ(third.back(), "SetBrushSource PatternSelectID=1");
  EXPECT_EQ(Join(third, 0, 99).find("BeginRastPattern"), std::string::npos);
  EXPECT_EQ(PlatformTest_BrushRealizeCalls(cross.get()), 1u);

  // A solid colour after the pattern is sent even when it is the last colour sent.
  plat_testing::Brush black = MakeSolidBrush(0);
  FillLines(black.get());
  FillLines(cross.get());
  EXPECT_EQ(Join(FillLines(black.get()), 0, 99), "SetColorSpace ColorSpace=eGray | SetBrushSource GrayLevel=0");
}

TEST_F(Brushes, HatchInAColourJobIsAnRgbPattern) {
  job().dmPublic.dmColor = DMCOLOR_COLOR;
  Gx_ResetStateCache(pdev());
  Prime();
  plat_testing::Brush hatch = MakeHatchBrush(HS_HORIZONTAL, RGB(255, 0, 0), RGB(0, 0, 255), DrvRealizeBrush, surface());
  std::vector<std::string> lines = FillLines(hatch.get());
  ASSERT_EQ(lines.size(), 4u) << Join(lines, 0, 99);
  EXPECT_EQ(lines[0],
            "BeginRastPattern ColorMapping=eDirectPixel ColorDepth=e8Bit SourceWidth=8 SourceHeight=8 "
            "DestinationSize=(32,32) PatternDefineID=1 PatternPersistence=eSessionPattern");
  EXPECT_EQ(lines[1].rfind("ReadRastPattern StartLine=0 BlockHeight=8 CompressMode=eNoCompression data=<192 bytes: "
                           "00 00 FF 00 00 FF", 0), 0u)
      << lines[1];
  EXPECT_EQ(lines[3], "SetBrushSource PatternSelectID=1") << "the RGB space is held from the solid fill";
}

TEST_F(Brushes, PatternBrushAtItsOwnSizeWithItsPalette) {
  // A 4 x 2 8-bit pattern with a 3-colour table: the palette still has 256 entries.
  std::vector<BYTE> bits = {0, 1, 2, 1, 0, 0, 0, 0, 2, 2, 1, 1, 0, 0, 0, 0};
  plat_testing::Brush pattern =
      MakePatternBrush(BMF_8BPP, 4, 2, bits, 8, {0x000000, 0xFFFFFF, 0x808080}, DrvRealizeBrush, surface());
  POINTL origin{3, 5};
  std::vector<std::string> lines = FillLines(pattern.get(), &origin);
  ASSERT_EQ(lines.size(), 5u) << Join(lines, 0, 99);
  pclxl::Decoded run;
  EXPECT_EQ(lines[0].rfind("SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[0 255 128 0 ", 0), 0u)
      << lines[0];
  EXPECT_EQ(lines[1],
            "BeginRastPattern ColorMapping=eIndexedPixel ColorDepth=e8Bit SourceWidth=4 SourceHeight=2 "
            "DestinationSize=(16,8) PatternDefineID=1 PatternPersistence=eSessionPattern");
  EXPECT_EQ(lines[2].rfind("ReadRastPattern StartLine=0 BlockHeight=2 CompressMode=eNoCompression data=<8 bytes", 0), 0u)
      << lines[2];
  EXPECT_EQ(lines[4], "SetBrushSource PatternSelectID=1 PatternOrigin=(3,5)");
}

TEST_F(Brushes, PaletteSizeFollowsThePatternDepth) {
  struct Case {
    ULONG format;
    size_t entries;
    const char* depth;
  };
  for (const Case& c : {Case{BMF_1BPP, 2, "e1Bit"}, Case{BMF_4BPP, 16, "e4Bit"}, Case{BMF_8BPP, 256, "e8Bit"}}) {
    std::vector<BYTE> bits(4 * 4, 0x11);
    plat_testing::Brush pattern =
        MakePatternBrush(c.format, 4, 4, bits, 4, {0x000000, 0xFFFFFF}, DrvRealizeBrush, surface());
    ASSERT_TRUE(Fill(pattern.get()));
    pclxl::Decoded run = pclxl::DecodeOperators(Take());
    ASSERT_TRUE(run.ok) << run.error;
    bool checked = false;
    for (const pclxl::Operator& op : run.operators) {
      if (const pclxl::Attribute* palette = op.Find(0x06)) {
        EXPECT_EQ(palette->value.numbers.size(), c.entries) << c.depth;
        checked = true;
      }
      if (pclxl::OperatorName(op.tag) == "BeginRastPattern") {
        EXPECT_NE(pclxl::FormatOperator(op).find(std::string("ColorDepth=") + c.depth), std::string::npos);
      }
    }
    EXPECT_TRUE(checked) << c.depth;
  }
}

TEST_F(Brushes, DirectPatternsInGreyJobsAreGreyBytes) {
  // 2 x 1 of 24-bit BGR: red, then green.
  std::vector<BYTE> bits = {0, 0, 255, 0, 255, 0, 0, 0};
  plat_testing::Brush pattern = MakePatternBrush(BMF_24BPP, 2, 1, bits, 8, {}, DrvRealizeBrush, surface());
  ASSERT_TRUE(Fill(pattern.get()));
  pclxl::Decoded run = pclxl::DecodeOperators(Take());
  ASSERT_TRUE(run.ok) << run.error;
  bool seen = false;
  for (const pclxl::Operator& op : run.operators) {
    if (pclxl::OperatorName(op.tag) != "ReadRastPattern") continue;
    ASSERT_TRUE(op.data.has_value());
    ASSERT_EQ(op.data->size(), 4u) << "one row of two grey bytes, padded to 32 bits";
    EXPECT_EQ((*op.data)[0], 73);
    EXPECT_EQ((*op.data)[1], 154);
    seen = true;
  }
  EXPECT_TRUE(seen);
}

TEST_F(Brushes, BeyondTheMemoryGuardEveryNewPatternIsTemporary) {
  pdev()->job.brush.patternBytes = BRUSH_PATTERN_BYTES_LIMIT;
  plat_testing::Brush cross = MakeHatchBrush(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255), DrvRealizeBrush, surface());
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> lines = FillLines(cross.get());
    std::string all = Join(lines, 0, 99);
    EXPECT_NE(all.find("PatternDefineID=-32767 PatternPersistence=eTempPattern"), std::string::npos) << all;
    EXPECT_NE(all.find("SetBrushSource PatternSelectID=-32767"), std::string::npos) << all;
  }
  EXPECT_EQ(pdev()->job.brush.patterns, nullptr) << "the temporary pattern is never listed";
}

TEST_F(Brushes, ReorderedSheetsCarryTheirOwnPatterns) {
  struct Case {
    DWORD outputFlags;
    DWORD reverseSwitch;
    bool perSheet;
  };
  const Case cases[] = {{JOF_TO_PRINTER, 0, false},          {JOF_TO_PRINTER | JOF_REVERSE_ORDER, 0, true},
                        {JOF_TO_SPOOL_FILE | JOF_BOOKLET, 0, true}, {JOF_TO_SPOOL_FILE | JOF_DRIVER_DUPLEX, 0, true},
                        {JOF_TO_SPOOL_FILE | JOF_POSTER, 0, true},  {JOF_TO_SPOOL_FILE | JOF_DRIVER_COLLATE, 0, true},
                        {JOF_TO_PRINTER | JOF_STORED_FORM, 0, true}, {JOF_TO_PRINTER, 1, true},
                        {JOF_TO_SPOOL_FILE, 0, true}};
  for (const Case& c : cases) {
    pdev()->job.output.flags = c.outputFlags;
    job().dmPrivate.dwUiWord10 = c.reverseSwitch;
    EXPECT_EQ(Brush_PatternsPerSheet(pdev()) != FALSE, c.perSheet) << c.outputFlags;
  }
  pdev()->job.output.flags = JOF_TO_PRINTER | JOF_REVERSE_ORDER;
  job().dmPrivate.dwUiWord10 = 0;
  plat_testing::Brush cross = MakeHatchBrush(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255), DrvRealizeBrush, surface());
  std::string sheet1 = Join(FillLines(cross.get()), 0, 99);
  EXPECT_NE(sheet1.find("PatternDefineID=1 PatternPersistence=ePagePattern"), std::string::npos) << sheet1;
  Brush_EndSheet(pdev());
  Gx_ResetStateCache(pdev());
  std::string sheet2 = Join(FillLines(cross.get()), 0, 99);
  EXPECT_NE(sheet2.find("PatternDefineID=1 PatternPersistence=ePagePattern"), std::string::npos)
      << "the next sheet defines what it selects: " << sheet2;
  EXPECT_EQ(pdev()->job.brush.patternBytes, 32u);

  // Sheets played in order keep the session's patterns at the sheet end.
  pdev()->job.output.flags = JOF_TO_PRINTER;
  Brush_EndSheet(pdev());
  EXPECT_NE(pdev()->job.brush.patterns, nullptr);
}

BOOL APIENTRY RefuseRealize(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return FALSE; }

TEST_F(Brushes, BrushesThatCannotBeRealisedDrawNothing) {
  // A hatch whose translation has one entry has no second colour to be drawn in.
  plat_testing::Xlate one = MakeXlate(PAL_INDEXED, {0x000000});
  BYTE rows[8 * 4] = {};
  SURFOBJ pattern{};
  pattern.sizlBitmap = SIZEL{8, 8};
  pattern.iBitmapFormat = BMF_1BPP;
  pattern.pvBits = pattern.pvScan0 = rows;
  pattern.lDelta = 4;
  BRUSHOBJ brush{};
  brush.iSolidColor = 0xFFFFFFFF;
  EXPECT_FALSE(DrvRealizeBrush(&brush, surface(), &pattern, nullptr, one.get(), HS_CROSS));
  EXPECT_EQ(std::string(pdev()->job.firstError).rfind("File:brush.cpp Line:", 0), 0u) << pdev()->job.firstError;

  // The engine finds no realisation for a brush: the fill fails and writes no pattern.
  plat_testing::Brush refused = MakeHatchBrush(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255), RefuseRealize, surface());
  EXPECT_FALSE(Fill(refused.get()));
  std::string listing = TakeListing();
  EXPECT_EQ(listing.find("malformed"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("Pattern"), std::string::npos) << listing;
}

TEST_F(Brushes, LargeBitmapBrushesKeepDestinationSizeIn16Bits) {
  const LONG width = 20000;
  std::vector<BYTE> bits(static_cast<size_t>(width / 8), 0xAA);
  plat_testing::Brush wide = MakePatternBrush(BMF_1BPP, width, 1, bits, width / 8, {0x000000, 0xFFFFFF},
                                              DrvRealizeBrush, surface());
  std::string all = Join(FillLines(wide.get()), 0, 99);
  EXPECT_NE(all.find("SourceWidth=20000 SourceHeight=1 DestinationSize=(65535,4)"), std::string::npos) << all;
}

TEST(OriginlessDocuments, BoundedCaseInsensitiveComparison) {
  struct Case {
    const char16_t* name;
    bool originless;
  };
  const Case cases[] = {
      {u"ab-xyPP0722-Kakou.pptx", true},
      {u"ab-xypp0722-kakou.PPTX and more", true},
      {u"1-23PP0722(CU19374)-Kakou.pptx", true},
      {u"ab-xyPP0722-Kakou.ppt", false},
      {u"PP0722-Kakou.pptx", false},  // its own '-' comes too late
      {u"no dash at all", false},
      {u"-", false},
      {u"ab-x", false},
      {u"", false},
  };
  auto pdev = std::make_unique<PDEV>();
  for (const Case& c : cases) {
    std::memset(pdev->jobCtl.documentName, 0, sizeof pdev->jobCtl.documentName);
    for (size_t i = 0; c.name[i]; ++i) pdev->jobCtl.documentName[i] = c.name[i];
    EXPECT_EQ(Brush_IsOriginlessDocument(pdev.get()) != FALSE, c.originless);
  }
  // A name filling the whole field, with its '-' at the very end, is read within the field.
  for (size_t i = 0; i < PDEV_DOCUMENT_NAME_UNITS; ++i) pdev->jobCtl.documentName[i] = u'a';
  pdev->jobCtl.documentName[PDEV_DOCUMENT_NAME_UNITS - 1] = u'-';
  EXPECT_FALSE(Brush_IsOriginlessDocument(pdev.get()));
}

}  // namespace
