// Indexed palettes: always exactly 2^ColorDepth entries in the job's colour space, the forced
// black and white of a text watermark in grey jobs, and the palette codes every indexed object
// of the renderer is sent with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../open_pdev.h"
#include "gdi/nt/ntcolor.h"
#include "gdi/pclxl.h"
#include "gdi/pxlenums.h"

namespace {

using testsupport::OpenPdevTest;

TEST(PaletteCodes, EachCodeMatchesOneColorDepth) {
  struct Row {
    BYTE depth;
    int code;
    DWORD entries;
  };
  const Row rows[] = {{e1Bit, PALETTE_2_ENTRIES, 2}, {e4Bit, PALETTE_16_ENTRIES, 16}, {e8Bit, PALETTE_256_ENTRIES, 256}};
  for (const Row& r : rows) {
    EXPECT_EQ(Color_PaletteCodeForDepth(r.depth), r.code);
    EXPECT_EQ(Color_PaletteEntries(r.code), r.entries);
  }
  EXPECT_EQ(Color_PaletteCodeForDepth(3), -1);
  EXPECT_EQ(Color_PaletteEntries(3), 0u);
}

TEST(GreyFromColour, WeightsOfTheThreePrimaries) {
  EXPECT_EQ(Color_GrayOf(RGB(255, 0, 0)), 73);
  EXPECT_EQ(Color_GrayOf(RGB(0, 255, 0)), 154);
  EXPECT_EQ(Color_GrayOf(RGB(0, 0, 255)), 26);
  EXPECT_EQ(Color_GrayOf(RGB(255, 255, 255)), 255);
  for (int g = 0; g < 256; ++g) EXPECT_EQ(Color_Gray(static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g)), g);
}

class Palette : public OpenPdevTest {};

TEST_F(Palette, GreyJobsSendOneByteAnEntry) {
  Take();
  const BYTE pair[2] = {0, 255};
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[0 255]");
  EXPECT_EQ(pdev()->job.gx.colorSpace, 6);
  // The palette is not the job's plain colour space: the next solid colour restores it.
  Gx_SetBrushColor(pdev(), 0);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eGray | SetBrushSource GrayLevel=0");
}

TEST_F(Palette, ColourJobsSendThreeBytesAnEntry) {
  job().dmPublic.dmColor = DMCOLOR_COLOR;
  Take();
  const BYTE pair[6] = {1, 2, 3, 4, 5, 6};
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eRGB PaletteDepth=e8Bit PaletteData=[1 2 3 4 5 6]");
}

TEST_F(Palette, TheEntryCountAlwaysMatchesTheCode) {
  Take();
  const BYTE three[3] = {10, 20, 30};
  Brush_SetPalette(pdev(), three, sizeof three, PALETTE_16_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[10 20 30 0 0 0 0 0 0 0 0 0 0 0 0 0]")
      << "missing entries go out black";
  std::vector<BYTE> many(300, 7);
  Brush_SetPalette(pdev(), many.data(), static_cast<DWORD>(many.size()), PALETTE_2_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[7 7]");
  Brush_SetPalette(pdev(), many.data(), static_cast<DWORD>(many.size()), PALETTE_256_ENTRIES);
  pclxl::Decoded run = pclxl::DecodeOperators(Take());
  ASSERT_TRUE(run.ok) << run.error;
  ASSERT_EQ(run.operators.size(), 1u);
  const pclxl::Attribute* data = run.operators[0].Find(0x06);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->value.numbers.size(), 256u);
  Brush_SetPalette(pdev(), many.data(), static_cast<DWORD>(many.size()), 3);
  EXPECT_EQ(TakeListing(), "") << "not a palette code";
}

TEST_F(Palette, TextWatermarkInGreyJobsIsForcedToBlackAndWhiteAtTheObjectsOwnSize) {
  job().dmPrivate.wmark.wmFlag = 1;
  pdev()->jobCtl.flags |= JF_WATERMARK;
  Take();
  const BYTE pair[2] = {100, 200};
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eRGB PaletteDepth=e8Bit PaletteData=[0 0 0 255 255 255]");
  // A 4-bit watermark bitmap keeps its 16 entries: index 0 black, the rest white.
  std::vector<BYTE> sixteen(16, 100);
  Brush_SetPalette(pdev(), sixteen.data(), 16, PALETTE_16_ENTRIES);
  pclxl::Decoded run = pclxl::DecodeOperators(Take());
  ASSERT_TRUE(run.ok) << run.error;
  const pclxl::Attribute* data = run.operators.at(0).Find(0x06);
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->value.numbers.size(), 48u);
  EXPECT_EQ(data->value.numbers[0] + data->value.numbers[1] + data->value.numbers[2], 0);
  for (size_t i = 3; i < 48; ++i) EXPECT_EQ(data->value.numbers[i], 255) << i;
  pdev()->jobCtl.flags &= ~JF_WATERMARK;
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  EXPECT_EQ(TakeListing(), "SetColorSpace ColorSpace=eGray PaletteDepth=e8Bit PaletteData=[100 200]");
}

}  // namespace

namespace {

// The test decoder holds the stream to what a conforming interpreter checks: an indexed object
// whose palette size differs from 2^ColorDepth is rejected.
TEST_F(Palette, DecoderRejectsAPaletteOfTheWrongSize) {
  Take();
  const BYTE pair[2] = {0, 255};
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  PclXl_BeginRastPattern(pdev(), eIndexedPixel, e8Bit, 8, 8, 32, 32, 1, eTempPattern);
  EXPECT_NE(TakeListing().find("ImagePaletteMismatch"), std::string::npos);
  Brush_SetPalette(pdev(), pair, sizeof pair, PALETTE_2_ENTRIES);
  PclXl_BeginRastPattern(pdev(), eIndexedPixel, e1Bit, 8, 8, 32, 32, 1, eTempPattern);
  EXPECT_EQ(TakeListing().find("malformed"), std::string::npos);
}

}  // namespace
