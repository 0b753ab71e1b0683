// Text in memory bitmaps through FreeType: the drawn box against the measured extent, grey
// anti-aliased glyphs, text in a path bracket filled without anti-aliasing, ETO_OPAQUE inside
// a bracket, right-to-left runs, DrawTextW, and the font enumerations.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include <win/gdi_raster.h>
#include <win/user.h>

#include "platform_testing.h"
#include "raster_pictures.h"
#include "temp_machine.h"

namespace {

using rastertest::MakeBitmap;
using rastertest::Picture;
using rastertest::ReadBitmap;

class RasterText : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap_ = MakeBitmap(Picture(kWidth, kHeight, RGB(255, 255, 255)));
    ASSERT_NE(bitmap_, nullptr);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    font_ = CreateFontW(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
    oldFont_ = SelectObject(dc_, font_);
  }
  void TearDown() override {
    SelectObject(dc_, oldFont_);
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    DeleteObject(font_);
  }
  Picture Pixels() { return ReadBitmap(dc_, bitmap_); }

  // The smallest rectangle holding every pixel that is not white.
  static RECT Ink(const Picture& p, COLORREF background = RGB(255, 255, 255)) {
    RECT box{p.width, p.height, 0, 0};
    for (LONG y = 0; y < p.height; ++y)
      for (LONG x = 0; x < p.width; ++x)
        if (p.At(x, y) != background) {
          box.left = std::min(box.left, x), box.top = std::min(box.top, y);
          box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
        }
    return box;
  }
  static std::set<COLORREF> Colours(const Picture& p) { return std::set<COLORREF>(p.pixels.begin(), p.pixels.end()); }

  static constexpr LONG kWidth = 400, kHeight = 120;
  testsupport::TempMachine machine_;
  HBITMAP bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr, oldFont_ = nullptr;
};

TEST_F(RasterText, TheDrawnBoxIsTheMeasuredExtent) {
  const std::u16string text = u"Hello, World";
  SIZE extent{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(text.size()), &extent));
  SIZE older{};
  ASSERT_TRUE(GetTextExtentPointW(dc_, text.data(), static_cast<int>(text.size()), &older));
  EXPECT_EQ(older.cx, extent.cx);
  // An opaque background paints exactly the text's box in the background colour.
  SetBkMode(dc_, OPAQUE);
  SetBkColor(dc_, RGB(255, 0, 0));
  ASSERT_TRUE(TextOutW(dc_, 10, 20, text.data(), static_cast<int>(text.size())));
  RECT box = Ink(Pixels());
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.top, 20);
  EXPECT_EQ(box.right, 10 + extent.cx);
  EXPECT_EQ(box.bottom, 20 + extent.cy);
}

TEST_F(RasterText, GlyphsAreGreyAntiAliasedButPathFillsAreNot) {
  SetBkMode(dc_, TRANSPARENT);
  ASSERT_TRUE(TextOutW(dc_, 10, 10, u"Wave", 4));
  std::set<COLORREF> drawn = Colours(Pixels());
  EXPECT_GT(drawn.size(), 4u) << "anti-aliased edges have grey levels";

  PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
  HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(BLACK_BRUSH));
  ASSERT_TRUE(BeginPath(dc_));
  ASSERT_TRUE(TextOutW(dc_, 10, 10, u"Wave", 4));
  ASSERT_TRUE(EndPath(dc_));
  EXPECT_EQ(Colours(Pixels()).size(), 1u) << "nothing is drawn inside the bracket";
  ASSERT_TRUE(FillPath(dc_));
  Picture filled = Pixels();
  EXPECT_EQ(Colours(filled), (std::set<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
  // The outlines sit where the glyphs were drawn.
  PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
  TextOutW(dc_, 10, 10, u"Wave", 4);
  RECT glyphs = Ink(Pixels()), outlines = Ink(filled);
  EXPECT_LE(std::abs(glyphs.left - outlines.left), 1);
  EXPECT_LE(std::abs(glyphs.right - outlines.right), 1);
  EXPECT_LE(std::abs(glyphs.top - outlines.top), 1);
  EXPECT_LE(std::abs(glyphs.bottom - outlines.bottom), 1);
  SelectObject(dc_, oldBrush);
}

TEST_F(RasterText, AlternateAndWindingFillsDifferInsideOverlaps) {
  HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(BLACK_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(NULL_PEN));
  for (int mode : {ALTERNATE, WINDING}) {
    PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
    SetPolyFillMode(dc_, mode);
    ASSERT_TRUE(BeginPath(dc_));
    Rectangle(dc_, 10, 10, 60, 60);
    Rectangle(dc_, 30, 30, 80, 80);
    ASSERT_TRUE(EndPath(dc_));
    ASSERT_TRUE(FillPath(dc_));
    Picture p = Pixels();
    EXPECT_EQ(p.At(45, 45), mode == WINDING ? RGB(0, 0, 0) : RGB(255, 255, 255)) << mode;
    EXPECT_EQ(p.At(15, 15), RGB(0, 0, 0));
    EXPECT_EQ(p.At(75, 75), RGB(0, 0, 0));
    EXPECT_EQ(p.At(85, 85), RGB(255, 255, 255));
  }
  SelectObject(dc_, oldPen);
  SelectObject(dc_, oldBrush);
}

TEST_F(RasterText, EtoOpaqueInsideABracketAddsItsRectangleToThePath) {
  // 130 (ETO_RTLREADING | ETO_OPAQUE) puts the whole rectangle in the path: the fill covers it;
  // 132 (ETO_RTLREADING | ETO_CLIPPED) fills the glyphs only.
  HBRUSH grey = CreateSolidBrush(RGB(0, 0, 0));
  HGDIOBJ oldBrush = SelectObject(dc_, grey);
  RECT page{0, 0, kWidth, kHeight};
  for (UINT options : {130u, 132u}) {
    PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
    ASSERT_TRUE(BeginPath(dc_));
    ASSERT_TRUE(ExtTextOutW(dc_, 10, 10, options, &page, u"WM", 2, nullptr));
    ASSERT_TRUE(EndPath(dc_));
    ASSERT_TRUE(FillPath(dc_));
    Picture p = Pixels();
    EXPECT_EQ(p.At(kWidth - 2, kHeight - 2), options == 130 ? RGB(0, 0, 0) : RGB(255, 255, 255)) << options;
  }
  SelectObject(dc_, oldBrush);
  DeleteObject(grey);
}

TEST_F(RasterText, RightToLeftReadingReversesOnlyRightToLeftRuns) {
  PlatformTest_RecordGdiCalls(TRUE);
  const WCHAR hebrew[] = {0x05D0, 0x05D1, u' ', 0x05D2, u' ', u'A', u'B', u'1', u'2', 0};
  ExtTextOutW(dc_, 0, 0, ETO_RTLREADING, nullptr, hebrew, 9, nullptr);
  std::string record = PlatformTest_GdiRecord();
  PlatformTest_RecordGdiCalls(FALSE);
  // The run "alef bet space gimel" comes out as "gimel space bet alef"; " AB12" stays.
  EXPECT_NE(record.find("text=\"\xD7\x92 \xD7\x91\xD7\x90 AB12\""), std::string::npos) << record;
}

TEST_F(RasterText, DrawTextCentresMeasuresAndUnderlinesTheMnemonic) {
  RECT box{0, 0, kWidth, kHeight};
  RECT measure = box;
  int height = DrawTextW(dc_, u"&Print", -1, &measure, DT_CALCRECT | DT_SINGLELINE);
  SIZE extent{};
  GetTextExtentPoint32W(dc_, u"Print", 5, &extent);
  EXPECT_EQ(measure.right, extent.cx);
  EXPECT_EQ(height, extent.cy);
  SetBkMode(dc_, TRANSPARENT);
  ASSERT_GT(DrawTextW(dc_, u"&Print", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
  RECT ink = Ink(Pixels());
  EXPECT_LE(std::abs((ink.left + ink.right) / 2 - kWidth / 2), 3);
  EXPECT_LE(std::abs((ink.top + ink.bottom) / 2 - kHeight / 2), extent.cy / 2);
}

TEST_F(RasterText, FontFamiliesAreEnumeratedOnEveryKindOfDCAndSeeAFamilyAddedBetweenPasses) {
  auto count = [](HDC dc, std::set<std::u16string>* names) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    struct Context {
      std::set<std::u16string>* names;
      int calls = 0;
    } context{names};
    EnumFontFamiliesExW(
        dc, &lf,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
          auto* c = reinterpret_cast<Context*>(data);
          ++c->calls;
          if (c->names) c->names->insert(font->lfFaceName);
          return 1;
        },
        reinterpret_cast<LPARAM>(&context), 0);
    return context.calls;
  };
  HDC screen = GetDC(nullptr);
  int onMemory = count(dc_, nullptr), onScreen = count(screen, nullptr);
  EXPECT_GT(onMemory, 0);
  EXPECT_EQ(onMemory, onScreen);
  // The family appears after the first of two passes, as a font installed between them.
  PlatformTest_SetControl(PLATFORMTEST_GDI_FONT_FAMILY_ADDED, "1 Velmor Test Sans", FALSE);
  std::set<std::u16string> first, second;
  int counted = count(screen, &first);
  int collected = count(screen, &second);
  PlatformTest_SetControl(PLATFORMTEST_GDI_FONT_FAMILY_ADDED, nullptr, FALSE);
  EXPECT_EQ(collected, counted + 1);
  EXPECT_FALSE(first.count(u"Velmor Test Sans"));
  EXPECT_TRUE(second.count(u"Velmor Test Sans"));
  int old = EnumFontFamiliesW(
      screen, nullptr, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM) -> int { return 7; }, 0);
  EXPECT_EQ(old, 7);
  ReleaseDC(nullptr, screen);
}

}  // namespace
