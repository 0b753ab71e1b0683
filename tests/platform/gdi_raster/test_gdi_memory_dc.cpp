// Memory DCs made compatible with a printer, the window or the screen: their device
// capabilities, the bitmaps compatible with them, the failures a test injects, the per-process
// handle quota, and what their blits hand the printer's driver.
#include <vector>

#include <win/gdi_raster.h>
#include <win/process.h>
#include <win/user.h>

#include "drawing_dc.h"
#include "platform_testing.h"

namespace {

using drawingtest::DrawingDC;
using testsupport::kErrorMarker;

class MemoryDC : public DrawingDC {};

TEST_F(MemoryDC, AnswersThePrintersCapabilitiesAndMakesItsBitmapsAtTwentyFourBits) {
  HDC memory = CreateCompatibleDC(dc_);
  ASSERT_NE(memory, nullptr);
  for (int index : {HORZRES, VERTRES, LOGPIXELSX, LOGPIXELSY, PHYSICALWIDTH, PHYSICALHEIGHT})
    EXPECT_EQ(GetDeviceCaps(memory, index), GetDeviceCaps(dc_, index)) << index;
  EXPECT_EQ(GetObjectType(memory), static_cast<DWORD>(OBJ_MEMDC));

  struct Case {
    const char* what;
    HDC of;
    int cx, cy;
    WORD bits;
    LONG width;
  };
  HDC screen = GetDC(nullptr);
  HDC fresh = CreateCompatibleDC(nullptr);
  const Case cases[] = {
      {"the printer's page bitmap", dc_, 40, 30, 24, 40},
      {"a fresh memory DC holds a 1 x 1 monochrome bitmap", fresh, 40, 30, 1, 40},
      {"the screen's", screen, 40, 30, 32, 40},
      {"size 0 is the 1 x 1 monochrome bitmap", dc_, 0, 30, 1, 1},
  };
  for (const Case& c : cases) {
    HBITMAP bitmap = CreateCompatibleBitmap(c.of, c.cx, c.cy);
    ASSERT_NE(bitmap, nullptr) << c.what;
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm)) << c.what;
    EXPECT_EQ(bm.bmBitsPixel, c.bits) << c.what;
    EXPECT_EQ(bm.bmWidth, c.width) << c.what;
    DeleteObject(bitmap);
  }
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(fresh, BITSPIXEL), 32);
  ReleaseDC(nullptr, screen);
  DeleteDC(fresh);
  DeleteDC(memory);
}

TEST_F(MemoryDC, TestControlsMakeCreationFail) {
  struct Case {
    const char* control;
    bool dc;
  };
  for (const Case& c : {Case{PLATFORMTEST_GDI_FAIL_COMPATIBLE_DC, true}, Case{PLATFORMTEST_GDI_FAIL_COMPATIBLE_BITMAP, false}}) {
    PlatformTest_SetControl(c.control, "1", FALSE);
    SetLastError(kErrorMarker);
    if (c.dc) {
      EXPECT_EQ(CreateCompatibleDC(dc_), nullptr);
    } else {
      EXPECT_EQ(CreateCompatibleBitmap(dc_, 100, 100), nullptr);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << c.control;
    PlatformTest_SetControl(c.control, nullptr, FALSE);
  }
  HDC memory = CreateCompatibleDC(dc_);
  HBITMAP bitmap = CreateCompatibleBitmap(dc_, 10, 10);
  EXPECT_NE(memory, nullptr);
  EXPECT_NE(bitmap, nullptr);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

TEST_F(MemoryDC, APageBitmapIsReallyTakenAndATooLargeOneFails) {
  // 600 dpi A4 at 24 bits is about 100 MB: made, and writable to its last byte.
  HBITMAP page = CreateCompatibleBitmap(dc_, 4960, 7016);
  ASSERT_NE(page, nullptr);
  HDC memory = CreateCompatibleDC(dc_);
  HGDIOBJ old = SelectObject(memory, page);
  EXPECT_TRUE(PatBlt(memory, 0, 0, 4960, 7016, WHITENESS));
  EXPECT_EQ(GetPixel(memory, 4959, 7015), RGB(255, 255, 255));
  SelectObject(memory, old);
  DeleteObject(page);
  DeleteDC(memory);
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateCompatibleBitmap(dc_, 40000, 40000), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(MemoryDC, ASrcAndBlitOfAPageBitmapReachesTheDriverAsRop8888) {
  HDC memory = CreateCompatibleDC(dc_);
  HBITMAP bitmap = CreateCompatibleBitmap(dc_, 4, 2);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  ASSERT_TRUE(PatBlt(memory, 0, 0, 4, 2, WHITENESS));
  ASSERT_TRUE(PatBlt(memory, 1, 0, 2, 2, BLACKNESS));
  Calls();
  ASSERT_TRUE(BitBlt(dc_, 100, 200, 4, 2, memory, 0, 0, SRCAND));
  drawingtest::Lines calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("DrvBitBlt trg=(100,200,104,202) src=bmp4x2/f5", 0), 0u) << calls[0];
  EXPECT_NE(calls[0].find("rop4=8888"), std::string::npos) << calls[0];
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

class HandleQuota : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(HandleQuota, CreationFailsAtTenThousandObjectsAndDeletedHandlesAreRefused) {
  DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::vector<HGDIOBJ> made;
  for (;;) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    if (!pen) break;
    made.push_back(pen);
    ASSERT_LE(made.size(), 10000u);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(made.size() + before, 10000u);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), 10000u);
  // DCs count as well.
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateCompatibleDC(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  for (HGDIOBJ object : made) ASSERT_TRUE(DeleteObject(object));
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
  EXPECT_GE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS_PEAK), 10000u);

  HDC memory = CreateCompatibleDC(nullptr);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteObject(made[0]));
  EXPECT_EQ(SelectObject(memory, made[0]), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  DeleteDC(memory);
  EXPECT_FALSE(DeleteDC(memory));
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST_F(HandleQuota, OnlyTheCallingProcessIsAnswered) {
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetGuiResources(reinterpret_cast<HANDLE>(0x1234), GR_GDIOBJECTS), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
