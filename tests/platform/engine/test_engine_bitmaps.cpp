// Bitmap surfaces: strides and row order of each format, bitmaps over the caller's memory, and
// the lock that keeps a deleted bitmap alive until it is unlocked.
#include <gtest/gtest.h>

#include <vector>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

TEST(EngineBitmaps, StridesAndRowOrderOfEachFormat) {
  struct Case {
    ULONG format;
    LONG width;
    LONG stride;
  } cases[] = {
      {BMF_1BPP, 1, 4},   {BMF_1BPP, 33, 8},  {BMF_4BPP, 9, 8},   {BMF_8BPP, 5, 8},
      {BMF_16BPP, 3, 8},  {BMF_24BPP, 3, 12}, {BMF_24BPP, 5, 16}, {BMF_32BPP, 3, 12},
  };
  for (const Case& c : cases) {
    for (bool topDown : {true, false}) {
      HSURF hsurf = reinterpret_cast<HSURF>(
          EngCreateBitmap(SIZEL{c.width, 3}, 0, c.format, topDown ? BMF_TOPDOWN : 0, nullptr));
      ASSERT_NE(hsurf, nullptr);
      EXPECT_LT(reinterpret_cast<uintptr_t>(hsurf), uintptr_t{0x80000000}) << "fits a 32-bit field";
      SURFOBJ* so = EngLockSurface(hsurf);
      ASSERT_NE(so, nullptr);
      EXPECT_EQ(so->hsurf, hsurf);
      EXPECT_EQ(so->iType, STYPE_BITMAP);
      EXPECT_EQ(so->iBitmapFormat, c.format);
      EXPECT_EQ(so->sizlBitmap.cx, c.width);
      EXPECT_EQ(so->cjBits, static_cast<ULONG>(c.stride * 3));
      BYTE* bits = static_cast<BYTE*>(so->pvBits);
      if (topDown) {
        EXPECT_EQ(so->lDelta, c.stride);
        EXPECT_EQ(so->pvScan0, so->pvBits);
        EXPECT_EQ(so->fjBitmap & BMF_TOPDOWN, BMF_TOPDOWN);
      } else {
        EXPECT_EQ(so->lDelta, -c.stride);
        EXPECT_EQ(static_cast<BYTE*>(so->pvScan0), bits + 2 * c.stride) << "the first row is last in memory";
      }
      for (ULONG i = 0; i < so->cjBits; ++i) ASSERT_EQ(bits[i], 0) << "zero-filled";
      EngUnlockSurface(so);
      EXPECT_TRUE(EngDeleteSurface(hsurf));
    }
  }
}

TEST(EngineBitmaps, BadRequestsAreRefused) {
  struct Case {
    SIZEL size;
    ULONG format;
  } cases[] = {{{0, 1}, BMF_8BPP}, {{1, 0}, BMF_8BPP}, {{-5, 5}, BMF_8BPP}, {{4, 4}, 0}, {{4, 4}, BMF_4RLE},
               {{0x7FFFFFFF, 0x7FFFFFFF}, BMF_32BPP}};
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(EngCreateBitmap(c.size, 0, c.format, 0, nullptr), nullptr);
    EXPECT_NE(GetLastError(), kErrorMarker);
  }
  BYTE memory[8];
  SetLastError(kErrorMarker);
  EXPECT_EQ(EngCreateBitmap(SIZEL{9, 1}, 8, BMF_8BPP, 0, memory), nullptr) << "a row does not fit lWidth";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(EngineBitmaps, AllocationFailureIsReported) {
  testsupport::TempMachine machine;
  PlatformTest_FailAllocation(1, FALSE, FALSE);
  SetLastError(kErrorMarker);
  EXPECT_EQ(EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  PlatformTest_FailAllocation(0, FALSE, FALSE);
}

TEST(EngineBitmaps, CallerMemoryIsUsedInPlace) {
  std::vector<BYTE> memory(3 * 10, 0);
  HSURF hsurf = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{3, 3}, 10, BMF_24BPP, 0, memory.data()));
  ASSERT_NE(hsurf, nullptr);
  SURFOBJ* so = EngLockSurface(hsurf);
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(so->pvBits, memory.data());
  EXPECT_EQ(so->lDelta, -10);
  static_cast<BYTE*>(so->pvScan0)[0] = 0x5A;
  EXPECT_EQ(memory[20], 0x5A) << "the top row of a bottom-up bitmap is last";
  EngUnlockSurface(so);
  EXPECT_TRUE(EngDeleteSurface(hsurf));
}

TEST(EngineBitmaps, DeletedWhileLockedLivesUntilUnlocked) {
  HSURF hsurf = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, BMF_TOPDOWN, nullptr));
  SURFOBJ* so = EngLockSurface(hsurf);
  ASSERT_NE(so, nullptr);
  EXPECT_TRUE(EngDeleteSurface(hsurf));
  static_cast<BYTE*>(so->pvScan0)[0] = 1;  // still valid memory
  EXPECT_EQ(EngLockSurface(hsurf), nullptr) << "no new lock on a deleted bitmap";
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EngDeleteSurface(hsurf));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EngUnlockSurface(so);
  EngUnlockSurface(so);  // an extra unlock is ignored
}

}  // namespace
