// Brush objects: solid colours read directly; hatched and pattern brushes realised once
// through the driver's DrvRealizeBrush with the pattern bitmap and its translation, the
// realisation kept in the memory the engine allocated for it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform_testing.h"

namespace {

// What the engine handed DrvRealizeBrush, and what the driver answers.
struct RealizeLog {
  int calls = 0;
  SURFOBJ* target = nullptr;
  ULONG hatch = 0;
  ULONG format = 0;
  SIZEL size{};
  LONG lDelta = 0;
  std::vector<BYTE> rows;  // the pattern's rows, top first, as many bytes as a row holds
  std::vector<ULONG> colors;
  bool maskGiven = false;
  BOOL answer = TRUE;
  ULONG allocate = 16;
};

RealizeLog g_log;

BOOL APIENTRY RecordingRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask,
                                    XLATEOBJ* xlate, ULONG hatch) {
  ++g_log.calls;
  g_log.target = target;
  g_log.hatch = hatch;
  g_log.format = pattern->iBitmapFormat;
  g_log.size = pattern->sizlBitmap;
  g_log.lDelta = pattern->lDelta;
  g_log.maskGiven = mask != nullptr;
  g_log.rows.clear();
  ULONG rowBytes = static_cast<ULONG>(pattern->lDelta < 0 ? -pattern->lDelta : pattern->lDelta);
  for (LONG y = 0; y < pattern->sizlBitmap.cy; ++y) {
    const BYTE* row = static_cast<const BYTE*>(pattern->pvScan0) + y * pattern->lDelta;
    g_log.rows.insert(g_log.rows.end(), row, row + rowBytes);
  }
  g_log.colors.assign(xlate->cEntries, 0);
  for (ULONG i = 0; i < xlate->cEntries; ++i) g_log.colors[i] = XLATEOBJ_iXlate(xlate, i);
  if (g_log.allocate) {
    BYTE* block = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(pbo, g_log.allocate));
    if (block == nullptr) return FALSE;
    block[0] = static_cast<BYTE>(hatch);
  }
  return g_log.answer;
}

class EngineBrushes : public ::testing::Test {
 protected:
  void SetUp() override { g_log = RealizeLog{}; }
  SURFOBJ device{};
};

TEST_F(EngineBrushes, SolidBrushHasItsColourAndNoRealisation) {
  auto brush = plat_testing::MakeSolidBrush(RGB(0x12, 0x34, 0x56));
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush->iSolidColor, RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(brush->pvRbrush, nullptr);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(brush.get()), nullptr);
  EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(brush.get()), RGB(0x12, 0x34, 0x56));
}

TEST_F(EngineBrushes, HatchesReachTheDriverAsStandardBitmaps) {
  struct Case {
    ULONG hatch;
    BYTE rows[8];
  } cases[] = {
      {HS_HORIZONTAL, {0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
      {HS_VERTICAL, {0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF, 0xEF}},
      {HS_FDIAGONAL, {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE}},
      {HS_BDIAGONAL, {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F}},
      {HS_CROSS, {0xEF, 0xEF, 0xEF, 0x00, 0xEF, 0xEF, 0xEF, 0xEF}},
      {HS_DIAGCROSS, {0x7E, 0xBD, 0xDB, 0xE7, 0xE7, 0xDB, 0xBD, 0x7E}},
  };
  for (const Case& c : cases) {
    g_log = RealizeLog{};
    auto brush = plat_testing::MakeHatchBrush(c.hatch, RGB(255, 0, 0), RGB(0, 0, 255), RecordingRealizeBrush, &device);
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(brush->iSolidColor, 0xFFFFFFFFu);
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(brush.get()), 0xFFFFFFFFu);
    BYTE* realization = static_cast<BYTE*>(BRUSHOBJ_pvGetRbrush(brush.get()));
    ASSERT_NE(realization, nullptr) << c.hatch;
    EXPECT_EQ(realization, brush->pvRbrush);
    EXPECT_EQ(realization[0], c.hatch);
    EXPECT_EQ(g_log.target, &device);
    EXPECT_EQ(g_log.hatch, c.hatch);
    EXPECT_EQ(g_log.format, static_cast<ULONG>(BMF_1BPP));
    EXPECT_EQ(g_log.size.cx, 8);
    EXPECT_EQ(g_log.size.cy, 8);
    EXPECT_FALSE(g_log.maskGiven);
    ASSERT_EQ(g_log.rows.size(), 32u) << "rows padded to 32 bits";
    for (int y = 0; y < 8; ++y) EXPECT_EQ(g_log.rows[y * 4], c.rows[y]) << "hatch " << c.hatch << " row " << y;
    EXPECT_EQ(g_log.colors, (std::vector<ULONG>{RGB(255, 0, 0), RGB(0, 0, 255)}))
        << "entry 0 the hatch colour, entry 1 the background";
  }
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(plat_testing::MakeHatchBrush(HS_DDI_MAX, 0, 0, RecordingRealizeBrush, &device), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EngineBrushes, RealisedOnceAndKept) {
  auto brush = plat_testing::MakeHatchBrush(HS_CROSS, 0, RGB(255, 255, 255), RecordingRealizeBrush, &device);
  void* first = BRUSHOBJ_pvGetRbrush(brush.get());
  void* second = BRUSHOBJ_pvGetRbrush(brush.get());
  EXPECT_EQ(first, second);
  EXPECT_EQ(g_log.calls, 1);
  EXPECT_EQ(PlatformTest_BrushRealizeCalls(brush.get()), 1u);
}

TEST_F(EngineBrushes, RefusedRealisationIsAskedForAgain) {
  auto brush = plat_testing::MakeHatchBrush(HS_CROSS, 0, RGB(255, 255, 255), RecordingRealizeBrush, &device);
  g_log.answer = FALSE;
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(brush.get()), nullptr);
  EXPECT_EQ(brush->pvRbrush, nullptr) << "the block of a refused realisation is not kept";
  g_log.answer = TRUE;
  EXPECT_NE(BRUSHOBJ_pvGetRbrush(brush.get()), nullptr);
  EXPECT_EQ(g_log.calls, 2);

  // A failed allocation inside the realisation: the driver refuses, nothing is kept.
  auto other = plat_testing::MakeHatchBrush(HS_CROSS, 0, RGB(255, 255, 255), RecordingRealizeBrush, &device);
  PlatformTest_FailAllocation(1, FALSE, FALSE);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(other.get()), nullptr);
  PlatformTest_FailAllocation(0, FALSE, FALSE);

  // A driver that answers TRUE without allocating has no realisation to give.
  g_log.allocate = 0;
  auto empty = plat_testing::MakeHatchBrush(HS_CROSS, 0, RGB(255, 255, 255), RecordingRealizeBrush, &device);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(empty.get()), nullptr);
}

TEST_F(EngineBrushes, AllocationRequestsAreChecked) {
  auto brush = plat_testing::MakeSolidBrush(0);
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(brush.get(), 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(brush.get(), 0xFFFFFFFF), nullptr);
  BRUSHOBJ foreign{};
  EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(&foreign, 16), nullptr);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(&foreign), nullptr);
  BYTE* block = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(brush.get(), 100));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(block[i], 0);
  EXPECT_EQ(brush->pvRbrush, block);
}

TEST_F(EngineBrushes, PatternBrushesKeepTheirRowsAndPalette) {
  // A 3 x 2 8-bit pattern given bottom-up (the top row last in memory), rows of 4 bytes.
  std::vector<BYTE> bits = {4, 5, 6, 0, 1, 2, 3, 0};
  std::vector<ULONG> palette(7);
  for (ULONG i = 0; i < 7; ++i) palette[i] = RGB(i * 10, 0, 0);
  auto brush = plat_testing::MakePatternBrush(BMF_8BPP, 3, 2, bits, -4, palette, RecordingRealizeBrush, &device);
  ASSERT_NE(brush, nullptr);
  ASSERT_NE(BRUSHOBJ_pvGetRbrush(brush.get()), nullptr);
  EXPECT_GE(g_log.hatch, static_cast<ULONG>(HS_DDI_MAX));
  EXPECT_EQ(g_log.format, static_cast<ULONG>(BMF_8BPP));
  EXPECT_LT(g_log.lDelta, 0) << "the engine's copy stays bottom-up";
  ASSERT_EQ(g_log.rows.size(), 8u);
  EXPECT_EQ(std::vector<BYTE>(g_log.rows.begin(), g_log.rows.begin() + 3), (std::vector<BYTE>{1, 2, 3}));
  EXPECT_EQ(std::vector<BYTE>(g_log.rows.begin() + 4, g_log.rows.begin() + 7), (std::vector<BYTE>{4, 5, 6}));
  EXPECT_EQ(g_log.colors, palette);

  // A 24-bit pattern: no table, the pixels translate from BGR.
  std::vector<BYTE> rgb = {0x11, 0x22, 0x33, 0};
  auto direct = plat_testing::MakePatternBrush(BMF_24BPP, 1, 1, rgb, 4, {}, RecordingRealizeBrush, &device);
  ASSERT_NE(BRUSHOBJ_pvGetRbrush(direct.get()), nullptr);
  EXPECT_TRUE(g_log.colors.empty());
}

TEST_F(EngineBrushes, PatternArgumentsAreChecked) {
  std::vector<BYTE> bits(16);
  EXPECT_EQ(plat_testing::MakePatternBrush(BMF_8BPP, 8, 2, bits, 4, {}, nullptr, nullptr), nullptr)
      << "a stride shorter than a row";
  EXPECT_EQ(plat_testing::MakePatternBrush(BMF_8BPP, 0, 2, bits, 4, {}, nullptr, nullptr), nullptr);
  EXPECT_EQ(plat_testing::MakePatternBrush(7, 2, 2, bits, 4, {}, nullptr, nullptr), nullptr);
  EXPECT_EQ(plat_testing::MakePatternBrush(BMF_8BPP, 2, 2, {}, 4, {}, nullptr, nullptr), nullptr);
}

}  // namespace
