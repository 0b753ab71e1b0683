// The watermark's page geometry: text sizes, angles, the centring of the rotated block and the
// picture's scale, each checked by itself against worked numbers.
#include <gtest/gtest.h>

#include "ui/core/page_watermark.h"

namespace {

using vm4k2ui::BitmapWatermarkSide;
using vm4k2ui::LayoutTextWatermark;
using vm4k2ui::WatermarkAngle;
using vm4k2ui::WatermarkFontSize;

TEST(WatermarkGeometry, TextSizeUsesThePreviewFactorOfEachSize) {
  const struct {
    SHORT points;
    int expected;
  } cases[] = {
      {36, 306},  // 36 x 8.5
      {44, 422},  // 44 x 9.6 = 422.4
      {54, 496},  // 54 x 9.2 = 496.8
      {72, 655},  // 72 x 9.1 = 655.2
      {88, 827},  // 88 x 9.4 = 827.2
      {40, 388},  // any other size: x 9.7
      {1, 9},
  };
  for (const auto& c : cases) EXPECT_EQ(WatermarkFontSize(c.points, 0.0), c.expected) << c.points;
  EXPECT_EQ(WatermarkFontSize(72, 0.5), 327);  // a scale other than 0 multiplies
}

TEST(WatermarkGeometry, AnglesBecomeTenthsOfADegreeInOneTurn) {
  const struct {
    SHORT degrees;
    int tenths;
  } cases[] = {{0, 0}, {45, 450}, {90, 900}, {-45, 3150}, {-90, 2700}, {-1, 3590}};
  for (const auto& c : cases) EXPECT_EQ(WatermarkAngle(c.degrees), c.tenths) << c.degrees;
}

TEST(WatermarkGeometry, UnturnedTextIsCentredOnThePage) {
  const auto layout = LayoutTextWatermark(2000, 300, false, 0, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(layout.x, 1400);
  EXPECT_EQ(layout.y, 3050);
  EXPECT_EQ(layout.blockWidth, 2000);
  EXPECT_EQ(layout.blockHeight, 300);
  EXPECT_EQ(layout.blockLeft, 1400);
  EXPECT_EQ(layout.blockTop, 3050);
}

TEST(WatermarkGeometry, TheCustomPositionAtFiftyFiftyIsTheCentre) {
  for (int angle : {0, 450, 900, 2700, 3150}) {
    for (bool italic : {false, true}) {
      const auto centre = LayoutTextWatermark(2500, 400, italic, angle, 4800, 6400, 5, 0, 0);
      const auto custom = LayoutTextWatermark(2500, 400, italic, angle, 4800, 6400, 10, 50, 50);
      EXPECT_EQ(custom.x, centre.x) << angle;
      EXPECT_EQ(custom.y, centre.y) << angle;
      EXPECT_EQ(custom.blockLeft, centre.blockLeft);
      EXPECT_EQ(custom.blockTop, centre.blockTop);
    }
  }
  // Away from the centre: x moves by a share of the page, y by a share of what the block leaves.
  const auto moved = LayoutTextWatermark(2000, 300, false, 0, 4800, 6400, 10, 60, 40);
  EXPECT_EQ(moved.x, 1400 + 480);
  EXPECT_EQ(moved.y, 3050 - 610);
  // Positions that have no rule of their own are centred.
  const auto corner = LayoutTextWatermark(2000, 300, false, 0, 4800, 6400, 1, 90, 90);
  EXPECT_EQ(corner.x, 1400);
  EXPECT_EQ(corner.y, 3050);
}

TEST(WatermarkGeometry, TurnedTextStartsWhereTheRotatedBlockPutsIt) {
  // 45 degrees: the block is (w + h) / sqrt 2 on each side, and the text rises from its
  // lower-left corner.
  const auto up = LayoutTextWatermark(2000, 300, false, 450, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(up.blockWidth, 1414 + 212);
  EXPECT_EQ(up.blockHeight, 212 + 1414);
  EXPECT_EQ(up.x, (4800 - up.blockWidth) / 2);
  EXPECT_EQ(up.y, (6400 - up.blockHeight) / 2 + 1414);
  // -45 degrees (3150): the text falls from the block's upper-left corner, measured from the
  // right edge.
  const auto down = LayoutTextWatermark(2000, 300, false, 3150, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(down.blockWidth, up.blockWidth);
  EXPECT_EQ(down.x, 4800 - (4800 - down.blockWidth) / 2 - 1414);
  EXPECT_EQ(down.y, (6400 - down.blockHeight) / 2);
}

TEST(WatermarkGeometry, ItalicTextIsWidenedByAFourteenthUnlessVeryLong) {
  const auto plain = LayoutTextWatermark(1400, 280, false, 0, 4800, 6400, 5, 0, 0);
  const auto italic = LayoutTextWatermark(1400, 280, true, 0, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(italic.blockWidth, 1500);
  EXPECT_EQ(italic.blockHeight, 300);
  EXPECT_EQ(italic.x, (4800 - 1500) / 2 + 50);  // half the widening, (tx / 2) x cos 0
  EXPECT_EQ(italic.y, (6400 - 300) / 2 + 10);   // (ty / 2) x cos 0
  // Half the widening on each side: unturned, the text starts where the upright one does.
  EXPECT_EQ(italic.x, plain.x);
  EXPECT_EQ(italic.y, plain.y);
  // Turned by 45 degrees (sin and cos 0.70711): E = F = 1060 + 212, and the origin moves by the
  // truncated products 10 s = 7, 50 c = 35 and (1500 - 50) s = 1025.
  const auto turned = LayoutTextWatermark(1400, 280, true, 450, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(turned.blockWidth, 1272);
  EXPECT_EQ(turned.blockHeight, 1272);
  EXPECT_EQ(turned.x, (4800 - 1272) / 2 + 7 + 35);
  EXPECT_EQ(turned.y, (6400 - 1272) / 2 + 7 + 1025);
  // More than nine pages wide: a hundredth.
  const auto longText = LayoutTextWatermark(50000, 300, true, 0, 4800, 6400, 5, 0, 0);
  EXPECT_EQ(longText.blockWidth, 50500);
  EXPECT_EQ(longText.blockHeight, 303);
}

TEST(WatermarkGeometry, PictureSidesScaleWithThePageInSixtyFourBits) {
  // A 600-dpi A4 page: the longer printable side stands for 297 mm.
  const struct {
    LONG longer, pixels;
    SHORT scale;
    LONG expected;
  } cases[] = {
      {6814, 96, 100, 6815LL * 97 * 254 / 96 / 2970},
      {6814, 96, 50, 6815LL * 97 * 254 / 96 / 2970 * 50 / 100},
      // Near 1300 pixels the product passes 32 bits at 1200 dpi.
      {13628, 1300, 100, 13629LL * 1301 * 254 / 96 / 2970},
      {13628, 4000, 100, 13629LL * 4001 * 254 / 96 / 2970},
      {13628, 4000, 400, 13629LL * 4001 * 254 / 96 / 2970 * 400 / 100},
      {6814, 0, 100, 0},
      {6814, 96, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BitmapWatermarkSide(c.longer, c.pixels, c.scale), c.expected) << c.pixels << " at " << c.scale;
  }
  EXPECT_GT(BitmapWatermarkSide(13628, 4000, 100), 0);
}

}  // namespace
