// The state a text call sets before its characters: the clip (the same rules as every other
// drawing call: a region as a path sent once, a rectangle only when it cuts the text, the
// watermark's and form part's clip kept), the brushes (solid, hatched or patterned) and the
// mix of the extra rectangles. Pinned as decoded listings of the calls' bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/gdi_text.h>

#include "gdi/nt/brush.h"
#include "gdi/nt/textout.h"
#include "open_pdev.h"
#include "platform_testing.h"

namespace fonttest {
namespace {

using plat_testing::MakeClip;

// Everything before the first SetFont / BeginFontHeader of the call, joined by " | ".
std::string StateBeforeText(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    if (l.rfind("SetFont", 0) == 0 || l.rfind("BeginFontHeader", 0) == 0 || l.rfind("SetCharAttributes", 0) == 0 ||
        l.rfind("SetCursor", 0) == 0)
      break;
    out += (out.empty() ? "" : " | ") + l;
  }
  return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0) return true;
  return false;
}

class TextState : public testsupport::OpenPdevTest {
 protected:
  void SetUp() override {
    OpenPdevTest::SetUp();
    lf_.lfHeight = -100;
    const char16_t face[] = u"DejaVu Sans";
    for (size_t i = 0; face[i]; ++i) lf_.lfFaceName[i] = face[i];
    font_ = PlatformTest_RealizeFont(&lf_, 600);
    ASSERT_NE(font_, nullptr);
    // A first call sends the font and its glyphs, so the tests see only the state of theirs.
    BRUSHOBJ black{0, nullptr, 0};
    ASSERT_TRUE(Draw(nullptr, &black));
    Take();
  }
  void TearDown() override {
    for (STROBJ* s : strings_) PlatformTest_DeleteString(s);
    OpenPdevTest::TearDown();
  }
  BOOL Draw(CLIPOBJ* clip, BRUSHOBJ* fore, RECTL* extra = nullptr, MIX mix = 0x0D0D, RECTL* opaque = nullptr,
            BRUSHOBJ* back = nullptr, POINTL* origin = nullptr) {
    STROBJ* so = PlatformTest_CreateString(font_, reinterpret_cast<const WCHAR*>(u"Hi"), 2, 1000, 1000, nullptr,
                                           FALSE, FALSE);
    strings_.push_back(so);
    return DrvTextOut(surface(), so, font_, clip, extra, opaque, fore, back, origin, mix);
  }
  RECTL TextBox() { return strings_.back()->rclBkGround; }
  std::string PrintableClip() {
    const SHORT* b = pdev()->job.layout.printableBox;
    return "NewPath | RectanglePath BoundingBox=(0,0," + std::to_string(b[2]) + "," + std::to_string(b[3]) +
           ") | SetClipReplace ClipRegion=eInterior";
  }

  LOGFONTW lf_{};
  FONTOBJ* font_ = nullptr;
  std::vector<STROBJ*> strings_;
};

TEST_F(TextState, AComplexClipIsSentAsItsRegionOnce) {
  plat_testing::Clip region = MakeClip({RECTL{900, 800, 1100, 1050}, RECTL{1100, 900, 1300, 1050}});
  ASSERT_EQ(region->iDComplexity, DC_COMPLEX);
  BRUSHOBJ black{0, nullptr, 0};
  ASSERT_TRUE(Draw(region.get(), &black));
  // The region's bands as one even-odd path, then the text inside it.
  EXPECT_EQ(TakeListing(),
            "SetClipMode ClipMode=eEvenOdd | NewPath | SetCursor Point=(900,800) | "
            "LineRelPath NumberOfPoints=1 PointType=eSint16 points=[(200,0)] | "
            "LineRelPath NumberOfPoints=1 PointType=eSByte points=[(0,100)] | "
            "LineRelPath NumberOfPoints=1 PointType=eSint16 points=[(-200,0)] | CloseSubPath | "
            "SetCursor Point=(900,900) | "
            "LineRelPath NumberOfPoints=3 PointType=eSint16 points=[(400,0) (0,150) (-400,0)] | CloseSubPath | "
            "SetClipReplace ClipRegion=eInterior | SetCursor Point=(1000,1000) | Text TextData=[1 2] XSpacingData=[75 0]");
  ASSERT_TRUE(Draw(region.get(), &black));
  EXPECT_FALSE(Has(TakeLines(), "SetClipReplace")) << "the printer holds the region";
}

TEST_F(TextState, ARectangleClipCutsOnlyTextItDoesNotHold) {
  BRUSHOBJ black{0, nullptr, 0};
  // The first call left the page's box; a rectangle around the whole text keeps it.
  plat_testing::Clip around = MakeClip(RECTL{0, 0, 3000, 3000});
  ASSERT_TRUE(Draw(around.get(), &black));
  EXPECT_EQ(StateBeforeText(TakeLines()), "");
  RECTL box = TextBox();
  plat_testing::Clip cutting = MakeClip(RECTL{box.left + 10, box.top, box.right, box.bottom});
  ASSERT_TRUE(Draw(cutting.get(), &black));
  EXPECT_EQ(StateBeforeText(TakeLines()),
            "NewPath | RectanglePath BoundingBox=(" + std::to_string(box.left + 10) + "," + std::to_string(box.top) +
                "," + std::to_string(box.right) + "," + std::to_string(box.bottom) +
                ") | SetClipReplace ClipRegion=eInterior");
  // Within a text watermark's bracket the clip ESC_WM_DATA set stays.
  pdev()->jobCtl.flags |= JF_WATERMARK;
  Gx_SetClipBox(pdev(), nullptr);
  Take();
  ASSERT_TRUE(Draw(cutting.get(), &black));
  EXPECT_FALSE(Has(TakeLines(), "SetClipReplace"));
  pdev()->jobCtl.flags &= ~JF_WATERMARK;
}

TEST_F(TextState, AHatchedForegroundIsDownloadedAsAPattern) {
  plat_testing::Brush hatch =
      plat_testing::MakeHatchBrush(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255), DrvRealizeBrush, surface());
  POINTL origin{3, 5};
  ASSERT_TRUE(Draw(nullptr, hatch.get(), nullptr, 0x0D0D, nullptr, nullptr, &origin));
  std::vector<std::string> lines = TakeLines();
  // The cross hatch as an 8 x 8 one-bit pattern at 4 x its size, selected at the brush origin.
  EXPECT_EQ(StateBeforeText(lines),
            "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[0 255] | "
            "BeginRastPattern ColorMapping=eIndexedPixel ColorDepth=e1Bit SourceWidth=8 SourceHeight=8 "
            "DestinationSize=(32,32) PatternDefineID=1 PatternPersistence=eSessionPattern | "
            "ReadRastPattern StartLine=0 BlockHeight=8 CompressMode=eNoCompression "
            "data=<32 bytes: EF 00 00 00 EF 00 00 00 EF 00 00 00 00 00 00 00 ...> | EndRastPattern | "
            "SetBrushSource PatternSelectID=1 PatternOrigin=(3,5)");
  ASSERT_TRUE(Draw(nullptr, hatch.get(), nullptr, 0x0D0D, nullptr, nullptr, &origin));
  lines = TakeLines();
  EXPECT_FALSE(Has(lines, "BeginRastPattern")) << "the printer holds the pattern";
}

TEST_F(TextState, ASolidForegroundIsItsGrey) {
  BRUSHOBJ grey{RGB(128, 128, 128), nullptr, 0};
  ASSERT_TRUE(Draw(nullptr, &grey));
  EXPECT_TRUE(Has(TakeLines(), "SetBrushSource GrayLevel=128"));
}

TEST_F(TextState, ABrushTheEngineCannotRealiseFailsTheCall) {
  BRUSHOBJ unrealised{0xFFFFFFFF, nullptr, 0};
  EXPECT_FALSE(Draw(nullptr, &unrealised));
  EXPECT_FALSE(Has(TakeLines(), "Text")) << "the engine draws the call instead";
}

TEST_F(TextState, ExtraRectanglesTakeTheMixesRop) {
  RECTL box{};
  BRUSHOBJ black{0, nullptr, 0};
  struct Case {
    MIX mix;
    std::string rop;
  } cases[] = {{0x0D0D, "SetROP ROP3=240"}, {0x0707, "SetROP ROP3=90"}, {0x0909, "SetROP ROP3=160"},
               {0x1010, "SetROP ROP3=255"}};
  for (const Case& c : cases) {
    box = TextBox();
    RECTL extra[] = {{box.left, box.bottom, box.right, box.bottom + 5}, {0, 0, 0, 0}};
    ASSERT_TRUE(Draw(nullptr, &black, extra, c.mix));
    std::vector<std::string> lines = TakeLines();
    EXPECT_TRUE(Has(lines, c.rop)) << c.mix;
  }
}

}  // namespace
}  // namespace fonttest
