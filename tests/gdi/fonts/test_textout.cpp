// DrvTextOut on a live device record with the engine's real fonts: which path a font takes,
// one font header and each glyph once, SetFont only when it changes, the spacing the engine's
// positions give, long runs and full fonts, rotated and scaled text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/gdi_text.h>

#include "gdi/nt/textout.h"
#include "open_pdev.h"

namespace fonttest {
namespace {

LOGFONTW Font(const char16_t* face, LONG height, LONG escapement = 0, LONG weight = FW_NORMAL, LONG width = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfWeight = weight;
  for (size_t i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

[[maybe_unused]] std::string Find(const std::vector<std::string>& lines, const std::string& prefix, int nth = 0) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0 && nth-- == 0) return l;
  return "<no " + prefix + ">";
}

class TextOutTest : public testsupport::OpenPdevTest {
 protected:
  BOOL Draw(const LOGFONTW& lf, const std::u16string& text, LONG x, LONG y, const INT* dx = nullptr,
            RECTL* extra = nullptr, RECTL* opaque = nullptr) {
    FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
    EXPECT_NE(fo, nullptr);
    STROBJ* so = PlatformTest_CreateString(fo, text.data(), static_cast<ULONG>(text.size()), x, y, dx, FALSE, FALSE);
    BRUSHOBJ fore{RGB(0, 0, 0), nullptr, 0};
    BRUSHOBJ back{RGB(255, 255, 255), nullptr, 0};
    BOOL ok = DrvTextOut(surface(), so, fo, nullptr, extra, opaque, &fore, opaque ? &back : nullptr, nullptr, 0x0D0D);
    last_ = so;
    return ok;
  }
  void TearDown() override {
    if (last_) PlatformTest_DeleteString(last_);
    testsupport::OpenPdevTest::TearDown();
  }
  // Each call replaces the string the previous one kept for the test to look at.
  STROBJ* last_ = nullptr;
};

TEST_F(TextOutTest, GlyphModeIsAlwaysBitmaps) { EXPECT_EQ(DrvGetGlyphMode(nullptr, nullptr), ULONG{FO_GLYPHBITS}); }

TEST_F(TextOutTest, UprightTrueTypeIsDownloadedOnceWithItsGlyphs) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  ASSERT_TRUE(Draw(lf, u"Hello", 300, 400));
  std::vector<std::string> lines = TakeLines();
  EXPECT_EQ(Count(lines, "BeginFontHeader FontName=\"0TT\""), 1);
  EXPECT_EQ(Count(lines, "ReadChar"), 4);  // H e l o
  EXPECT_EQ(Find(lines, "SetFont"), "SetFont FontName=\"0TT\" CharSize=100 SymbolSet=2");
  EXPECT_EQ(Find(lines, "SetCursor"), "SetCursor Point=(300,400)");
  EXPECT_EQ(Find(lines, "SetCharAngle"), "SetCharAngle CharAngle=0");
  // The spacing is the engine's: each glyph advances to the next one's position.
  std::string spacing;
  for (ULONG i = 0; i < last_->cGlyphs; ++i)
    spacing += (i ? " " : "") + std::to_string(i + 1 < last_->cGlyphs ? last_->pgp[i + 1].ptl.x - last_->pgp[i].ptl.x : 0);
  EXPECT_EQ(Find(lines, "Text "), "Text TextData=[1 2 3 3 4] XSpacingData=[" + spacing + "]");

  // The same font again, on another line: no header, no glyph, no SetFont.
  ASSERT_TRUE(Draw(lf, u"hole", 300, 600));
  lines = TakeLines();
  EXPECT_EQ(Count(lines, "BeginFontHeader"), 0);
  EXPECT_EQ(Count(lines, "ReadChar"), 1);  // h only
  EXPECT_EQ(Count(lines, "SetFont"), 0);
  EXPECT_EQ(Count(lines, "Text "), 1);
}

TEST_F(TextOutTest, RotatedTextGoesAsBitmapGlyphsWithAngleZero) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100, 450);
  ASSERT_TRUE(Draw(lf, u"AB", 1000, 1000));
  std::vector<std::string> lines = TakeLines();
  EXPECT_EQ(Count(lines, "BeginFontHeader FontName=\"0BM\""), 1);
  EXPECT_EQ(Count(lines, "ReadChar"), 2);
  EXPECT_EQ(Find(lines, "SetCharAngle"), "SetCharAngle CharAngle=0");
  EXPECT_EQ(Find(lines, "SetCharScale"), "SetCharScale CharScale=(1,1)");
  EXPECT_EQ(Find(lines, "SetFont"), "SetFont FontName=\"0BM\" CharSize=100 SymbolSet=2");
  // Up and to the right at 45 degrees: an x and a y advance.
  LONG dx = last_->pgp[1].ptl.x - last_->pgp[0].ptl.x, dy = last_->pgp[1].ptl.y - last_->pgp[0].ptl.y;
  EXPECT_GT(dx, 0);
  EXPECT_LT(dy, 0);
  EXPECT_EQ(Find(lines, "Text "), "Text TextData=[1 2] XSpacingData=[" + std::to_string(dx) + " 0] YSpacingData=[" +
                                     std::to_string(dy) + " 0]");
}

TEST_F(TextOutTest, OtherTechnologiesAndVerticalFacesGoAsBitmaps) {
  for (const char16_t* face : {u"Nimbus Sans", u"@DejaVu Sans"}) {
    LOGFONTW lf = Font(face, -80);
    ASSERT_TRUE(Draw(lf, u"Ab", 100, 200));
    std::vector<std::string> lines = TakeLines();
    EXPECT_EQ(Count(lines, "BeginFontHeader"), 1);
    EXPECT_EQ(Count(lines, "TT\""), 0);
    EXPECT_NE(Find(lines, "SetFont").find("BM\""), std::string::npos) << Find(lines, "SetFont");
  }
}

TEST_F(TextOutTest, WidthScalesTheTrueTypeFont) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  IFIMETRICS* ifi = FONTOBJ_pifi(PlatformTest_RealizeFont(&lf, 600));
  lf.lfWidth = ifi->fwdAveCharWidth * 100 / 2048 * 2;  // twice the average width
  ASSERT_TRUE(Draw(lf, u"W", 100, 200));
  std::string scale = Find(TakeLines(), "SetCharScale");
  EXPECT_EQ(scale.rfind("SetCharScale CharScale=(1.9", 0) == 0 || scale.rfind("SetCharScale CharScale=(2", 0) == 0, true)
      << scale;
}

TEST_F(TextOutTest, LongRunsAreCutAtFifteenHundredAndJoinSeamlessly) {
  LOGFONTW lf = Font(u"DejaVu Sans", -50);
  std::u16string text;
  for (int i = 0; i < 3200; ++i) text.push_back(static_cast<char16_t>(u'a' + i % 26));
  ASSERT_TRUE(Draw(lf, text, 100, 300));
  std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(Count(lines, "Text "), 3);
  std::vector<size_t> sizes;
  for (int k = 0; k < 3; ++k) {
    std::string t = Find(lines, "Text ", k);
    std::string data = t.substr(t.find("TextData=[") + 10);
    data = data.substr(0, data.find(']'));
    sizes.push_back(static_cast<size_t>(std::count(data.begin(), data.end(), ' ') + 1));
    // The last glyph of a piece advances to the first of the next; only the run's last is 0.
    std::string x = t.substr(t.find("XSpacingData=[") + 14);
    x = x.substr(0, x.find(']'));
    std::string lastValue = x.substr(x.rfind(' ') + 1);
    if (k < 2) EXPECT_NE(lastValue, "0") << k;
    else EXPECT_EQ(lastValue, "0");
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{1500, 1500, 200}));
  EXPECT_EQ(Count(lines, "SetCursor"), 1);
}

TEST_F(TextOutTest, AFontFullMidRunIsSentAgainForTheRest) {
  LOGFONTW lf = Font(u"DejaVu Sans", -50);
  std::u16string text;
  for (char16_t c = 0x0400; c < 0x0400 + 256; ++c) text.push_back(c);  // Cyrillic
  for (char16_t c = 0x0391; c < 0x03CA; ++c) text.push_back(c);        // Greek
  for (char16_t c = 0x0100; c < 0x0180; ++c) text.push_back(c);        // Latin Extended-A
  for (char16_t c = 0x2200; c < 0x2260; ++c) text.push_back(c);        // mathematical operators
  ASSERT_GT(text.size(), 520u);
  ASSERT_TRUE(Draw(lf, text, 100, 300));
  std::vector<std::string> lines = TakeLines();
  EXPECT_EQ(Count(lines, "BeginFontHeader FontName=\"0TT\""), 2);
  EXPECT_EQ(Count(lines, "RemoveFont FontName=\"0TT\""), 1);
  EXPECT_EQ(Count(lines, "SetFont"), 2);
  // Every character is in exactly one Text operator.
  size_t total = 0;
  for (int k = 0; k < Count(lines, "Text "); ++k) {
    std::string t = Find(lines, "Text ", k);
    std::string data = t.substr(t.find("TextData=[") + 10);
    data = data.substr(0, data.find(']'));
    total += static_cast<size_t>(std::count(data.begin(), data.end(), ' ') + 1);
  }
  EXPECT_EQ(total, text.size());
  // The glyphs downloaded: each needed glyph once per font, never more than 511 per font.
  EXPECT_LE(Count(lines, "ReadChar"), 1022);
}

TEST_F(TextOutTest, FixedPitchStringsAreWrittenPerBatch) {
  LOGFONTW lf = Font(u"DejaVu Sans Mono", -60);
  std::u16string text(250, u'm');
  ASSERT_TRUE(Draw(lf, text, 100, 300));
  std::vector<std::string> lines = TakeLines();
  EXPECT_EQ(Count(lines, "Text "), 3);
  EXPECT_EQ(Count(lines, "SetCursor"), 3);
  ASSERT_NE(last_->ulCharInc, 0u);
  std::string x = "XSpacingData=[" + std::to_string(last_->ulCharInc);
  EXPECT_NE(Find(lines, "Text ").find(x), std::string::npos);
}

TEST_F(TextOutTest, TextSwitchedOffDrawsNothing) {
  job().dmPrivate.dwDumpFlags &= ~0x2u;
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  EXPECT_TRUE(Draw(lf, u"Hi", 100, 100));
  EXPECT_EQ(TakeListing(), "");
}

TEST_F(TextOutTest, OpaqueAndExtraRectanglesAreFilled) {
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  RECTL opaque = {90, 300, 500, 420};
  RECTL extra[] = {{100, 410, 400, 415}, {100, 360, 400, 365}, {0, 0, 0, 0}};
  ASSERT_TRUE(Draw(lf, u"Hi", 100, 400, nullptr, extra, &opaque));
  std::vector<std::string> lines = TakeLines();
  EXPECT_EQ(Count(lines, "RectanglePath BoundingBox=(90,300,500,420)"), 1);
  EXPECT_EQ(Count(lines, "RectanglePath BoundingBox=(100,410,400,415)"), 1);
  EXPECT_EQ(Count(lines, "RectanglePath BoundingBox=(100,360,400,365)"), 1);
  EXPECT_EQ(Count(lines, "Text "), 1);
}

TEST_F(TextOutTest, BadArgumentsAndClosedPagesFail) {
  SetLastError(0xDEAD);
  EXPECT_FALSE(DrvTextOut(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
  pdev()->jobCtl.flags &= ~JF_PAGE_OPEN;
  LOGFONTW lf = Font(u"DejaVu Sans", -100);
  EXPECT_FALSE(Draw(lf, u"Hi", 100, 100));
  EXPECT_EQ(TakeListing(), "");
}

}  // namespace
}  // namespace fonttest
