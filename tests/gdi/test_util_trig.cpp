// Fixed-point trigonometry of rotated text: the values are pinned exactly, because fonts and
// glyph positions of a rotated run are computed from them and printed output must not drift.
#include <gtest/gtest.h>

#include <cstdint>
#include <cmath>

#include "gdi/util.h"

namespace {

// The table interpolation, rebuilt from the standard sine at whole degrees.
LONG ReferenceSin(LONG a) {
  a %= 3600;
  if (a < 0) a += 3600;
  bool negate = a >= 1800;
  if (negate) a -= 1800;
  if (a > 900) a = 1800 - a;
  auto table = [](LONG k) { return static_cast<LONG>(std::lround(std::sin(k * M_PI / 180.0) * 16384.0)); };
  LONG k = a / 10, r = a % 10;
  LONG s = table(k);
  if (r) s += (table(k + 1) - table(k)) * r / 10;
  return negate ? -s : s;
}

struct AngleCase {
  LONG angle;
  LONG sine;
};

TEST(FixTrig, SineValuesFromTheTable) {
  const AngleCase cases[] = {
      {0, 0},       {10, 286},    {15, 429},     {900, 16384}, {1800, 0},   {2700, -16384},
      {3600, 0},    {-900, -16384}, {895, 16383}, {905, 16383}, {1815, -429}, {300, 8192},
      {7200 + 900, 16384}, {-3585, 429},
  };
  for (const AngleCase& c : cases) {
    SCOPED_TRACE(c.angle);
    EXPECT_EQ(FixSin(c.angle), c.sine);
  }
  EXPECT_EQ(FixCos(0), 16384);
  EXPECT_EQ(FixCos(900), 0);
  EXPECT_EQ(FixCos(1800), -16384);
  EXPECT_EQ(FixCos(INT32_MAX), FixSin(static_cast<LONG>(INT32_MAX % 3600 + 900)));
}

TEST(FixTrig, EveryAngleFollowsTheTableInterpolation) {
  for (LONG a = 0; a < 3600; ++a) {
    SCOPED_TRACE(a);
    const LONG s = FixSin(a);
    ASSERT_EQ(s, ReferenceSin(a));
    ASSERT_EQ(FixCos(a), ReferenceSin(a + 900));
    // Linear interpolation between whole degrees stays within a few units of the true sine.
    ASSERT_NEAR(s, std::sin(a * M_PI / 1800.0) * 16384.0, 4.0);
  }
}

TEST(FixTrig, Atan2TakesXThenY) {
  struct Case {
    LONG x, y, angle;
  } const cases[] = {
      {100, 100, 450}, {-100, 0, 1800}, {0, -5, 2700}, {0, 5, 900},   {5, 0, 0},
      {-100, -100, 2250}, {100, -100, 3150}, {-100, 100, 1350},
      {0, 0, 0},  // the null vector
      {1000000, -1, 0},  // just below the axis: a whole turn is angle 0
      {INT32_MIN, INT32_MIN, 2250}, {INT32_MAX, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(FixAtan2(c.x, c.y), c.angle);
  }
}

TEST(FixTrig, Atan2InvertsTheSineAndCosineEverywhere) {
  for (LONG a = 0; a < 3600; ++a) {
    SCOPED_TRACE(a);
    const LONG x = static_cast<LONG>(std::lround(std::cos(a * M_PI / 1800.0) * 100000.0));
    const LONG y = static_cast<LONG>(std::lround(std::sin(a * M_PI / 1800.0) * 100000.0));
    const LONG got = FixAtan2(x, y);
    ASSERT_GE(got, 0);
    ASSERT_LT(got, 3600);
    LONG diff = std::labs(got - a);
    if (diff > 1800) diff = 3600 - diff;
    ASSERT_LE(diff, 1);
  }
}

TEST(FixTrig, MulUsesAWideProduct) {
  EXPECT_EQ(FixMul(1000, 8192), 500);
  EXPECT_EQ(FixMul(12345, 0), 0);
  EXPECT_EQ(FixMul(12345, FIX_ONE), 12345);
  EXPECT_EQ(FixMul(-1000, 8192), -500);
  EXPECT_EQ(FixMul(-1, 1), -1);  // arithmetic shift rounds toward minus infinity
  // 2^31 and more as a 32-bit product.
  EXPECT_EQ(FixMul(1 << 20, 8192), 1 << 19);
  EXPECT_EQ(FixMul(200000, 16383), static_cast<LONG>((200000LL * 16383) >> 14));
  EXPECT_EQ(FixMul(-200000, 16000), static_cast<LONG>((-200000LL * 16000) >> 14));
}

TEST(FixTrig, RotationsUseCosineForXAndNegatedSineForY) {
  EXPECT_EQ(FixRotateX(0, 1000), 1000);
  EXPECT_EQ(FixRotateY(0, 1000), 0);
  EXPECT_EQ(FixRotateX(900, 1000), 0);
  EXPECT_EQ(FixRotateY(900, 1000), -1000);
  EXPECT_EQ(FixRotateY(2700, 1000), 1000);
  EXPECT_EQ(FixRotateX(300, 1000), FixMul(1000, FixCos(300)));
}

}  // namespace
