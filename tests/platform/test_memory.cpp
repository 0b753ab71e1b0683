#include <gtest/gtest.h>

#include <cstring>

#include <win/memory.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;
using testsupport::TempMachine;

bool AllZero(const void* p, size_t n) {
  const BYTE* b = static_cast<const BYTE*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST(GlobalMemory, FixedAndMoveableBlocks) {
  HGLOBAL fixed = GlobalAlloc(GPTR, 46112);
  ASSERT_NE(fixed, nullptr);
  EXPECT_TRUE(AllZero(fixed, 46112));
  EXPECT_EQ(GlobalSize(fixed), 46112u);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(GlobalFree(fixed), nullptr);

  HGLOBAL moveable = GlobalAlloc(GHND, 64);
  ASSERT_NE(moveable, nullptr);
  void* data = GlobalLock(moveable);
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(AllZero(data, 64));
  EXPECT_EQ(GlobalHandle(data), moveable);
  EXPECT_EQ(GlobalLock(moveable), data);
  EXPECT_TRUE(GlobalUnlock(moveable));  // still locked once
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GlobalUnlock(moveable));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GlobalUnlock(moveable));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(moveable), nullptr);

  HGLOBAL local = LocalAlloc(LPTR, 10);
  ASSERT_NE(local, nullptr);
  EXPECT_TRUE(AllZero(local, 10));
  EXPECT_EQ(LocalFree(local), nullptr);

  int notABlock = 0;
  SetLastError(kErrorMarker);
  EXPECT_EQ(GlobalFree(&notABlock), &notABlock);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalSize(&notABlock), 0u);
}

TEST(Heaps, AllocateGrowAndLimit) {
  HANDLE heap = HeapCreate(0, 0, 100);
  ASSERT_NE(heap, nullptr);
  void* a = HeapAlloc(heap, HEAP_ZERO_MEMORY, 60);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(AllZero(a, 60));
  EXPECT_EQ(HeapAlloc(heap, 0, 50), nullptr);  // the heap holds at most 100 bytes
  EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, a, 80), nullptr);
  std::memset(a, 0x5A, 60);
  void* b = HeapReAlloc(heap, HEAP_ZERO_MEMORY, a, 90);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(static_cast<BYTE*>(b)[59], 0x5A);
  EXPECT_TRUE(AllZero(static_cast<BYTE*>(b) + 60, 30));
  EXPECT_EQ(HeapSize(heap, 0, b), 90u);
  EXPECT_TRUE(HeapFree(heap, 0, b));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, b));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(HeapFree(heap, 0, nullptr));
  void* leftOver = HeapAlloc(heap, 0, 10);
  ASSERT_NE(leftOver, nullptr);
  EXPECT_TRUE(HeapDestroy(heap));  // frees what is left
  EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
}

TEST(AllocationFailure, TheNthAllocationFails) {
  TempMachine machine;
  PlatformTest_FailAllocation(3, FALSE, FALSE);
  HGLOBAL first = GlobalAlloc(GPTR, 8);
  void* second = HeapAlloc(GetProcessHeap(), 0, 8);
  SetLastError(kErrorMarker);
  HGLOBAL third = LocalAlloc(LPTR, 8);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HGLOBAL fourth = GlobalAlloc(GMEM_FIXED, 8);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(third, nullptr);
  EXPECT_NE(fourth, nullptr);
  GlobalFree(first);
  HeapFree(GetProcessHeap(), 0, second);
  GlobalFree(fourth);

  PlatformTest_FailAllocation(2, TRUE, FALSE);
  void* ok = HeapAlloc(GetProcessHeap(), 0, 8);
  EXPECT_NE(ok, nullptr);
  SetLastError(kErrorMarker);
  EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 8), nullptr);
  EXPECT_EQ(GetLastError(), kErrorMarker);  // a heap does not set the last error
  EXPECT_EQ(GlobalAlloc(GPTR, 8), nullptr);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  HGLOBAL again = GlobalAlloc(GPTR, 8);
  EXPECT_NE(again, nullptr);
  GlobalFree(again);
  HeapFree(GetProcessHeap(), 0, ok);
}

}  // namespace
