// Regions and the clip of a device context: region algebra, polygon regions under both fill
// modes, and the clip calls of a DC in logical coordinates.
#include <gtest/gtest.h>

#include <string>

#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>

#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

class Regions : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

// The region's pixels inside 0..limit as a picture, one line a row ('#' inside).
std::string Picture(HRGN region, int width, int height) {
  std::string out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(PtInRegion(region, x, y) ? '#' : '.');
    out.push_back('\n');
  }
  return out;
}

TEST_F(Regions, CombineRgnByMode) {
  struct Case {
    int mode;
    int complexity;
    RECT box;
    const char* picture;
  };
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, {2, 2, 4, 4}, "......\n......\n..##..\n..##..\n......\n"},
      {RGN_OR, COMPLEXREGION, {0, 0, 6, 5}, "####..\n####..\n######\n######\n..####\n"},
      {RGN_XOR, COMPLEXREGION, {0, 0, 6, 5}, "####..\n####..\n##..##\n##..##\n..####\n"},
      {RGN_DIFF, COMPLEXREGION, {0, 0, 4, 4}, "####..\n####..\n##....\n##....\n......\n"},
      {RGN_COPY, SIMPLEREGION, {0, 0, 4, 4}, "####..\n####..\n####..\n####..\n......\n"},
  };
  HRGN a = CreateRectRgn(0, 0, 4, 4);
  HRGN b = CreateRectRgn(2, 2, 6, 5);
  for (const Case& c : cases) {
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.complexity) << c.mode;
    RECT box{};
    EXPECT_EQ(GetRgnBox(out, &box), c.complexity);
    EXPECT_EQ(box.left, c.box.left);
    EXPECT_EQ(box.top, c.box.top);
    EXPECT_EQ(box.right, c.box.right);
    EXPECT_EQ(box.bottom, c.box.bottom);
    EXPECT_EQ(Picture(out, 6, 5), c.picture) << c.mode;
    DeleteObject(out);
  }
  // Combining a region with itself in place works from the old value.
  EXPECT_EQ(CombineRgn(a, a, a, RGN_DIFF), NULLREGION);
  SetLastError(kErrorMarker);
  EXPECT_EQ(CombineRgn(a, a, b, 6), ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CombineRgn(a, a, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  DeleteObject(a);
  DeleteObject(b);
}

TEST_F(Regions, EqualAreasMakeEqualRegionsWhateverTheirHistory) {
  // Two halves joined give the same single rectangle as the whole.
  HRGN left = CreateRectRgn(0, 0, 3, 4);
  HRGN right = CreateRectRgn(3, 0, 6, 4);
  HRGN joined = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(joined, left, right, RGN_OR), SIMPLEREGION);
  HRGN top = CreateRectRgn(0, 0, 6, 2);
  HRGN bottom = CreateRectRgn(0, 2, 6, 4);
  HRGN stacked = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(stacked, top, bottom, RGN_OR), SIMPLEREGION);
  for (HRGN r : {left, right, joined, top, bottom, stacked}) DeleteObject(r);
}

TEST_F(Regions, PolygonRegionsFollowTheFillMode) {
  // A five-pointed star: its middle is inside under WINDING only.
  const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  HRGN alternate = CreatePolygonRgn(star, 5, ALTERNATE);
  HRGN winding = CreatePolygonRgn(star, 5, WINDING);
  ASSERT_NE(alternate, nullptr);
  ASSERT_NE(winding, nullptr);
  EXPECT_FALSE(PtInRegion(alternate, 10, 10));
  EXPECT_TRUE(PtInRegion(winding, 10, 10));
  EXPECT_TRUE(PtInRegion(alternate, 10, 3));
  EXPECT_TRUE(PtInRegion(winding, 10, 3));
  EXPECT_FALSE(PtInRegion(winding, 1, 18));
  RECT box{};
  EXPECT_EQ(GetRgnBox(winding, &box), COMPLEXREGION);
  EXPECT_GE(box.left, 0);
  EXPECT_LE(box.right, 20);
  EXPECT_GE(box.top, 1);  // the apex holds no pixel centre

  // A right triangle: a pixel is inside when its centre is, so the first row (centres at
  // y 0.5, where the triangle is half a pixel wide) stays empty.
  const POINT triangle[] = {{0, 0}, {4, 4}, {0, 4}};
  HRGN t = CreatePolygonRgn(triangle, 3, ALTERNATE);
  EXPECT_EQ(Picture(t, 5, 5), ".....\n#....\n##...\n###..\n.....\n");

  SetLastError(kErrorMarker);
  EXPECT_EQ(CreatePolygonRgn(triangle, 1, ALTERNATE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreatePolygonRgn(triangle, 3, 3), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  for (HRGN r : {alternate, winding, t}) DeleteObject(r);
}

class DeviceClip : public Regions {
 protected:
  void SetUp() override {
    dc_ = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc_, nullptr);
    bitmap_ = CreateBitmap(100, 80, 1, 24, nullptr);
    ASSERT_NE(SelectObject(dc_, bitmap_), nullptr);
  }
  void TearDown() override {
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  RECT Box(int expectedComplexity) {
    RECT box{};
    EXPECT_EQ(GetClipBox(dc_, &box), expectedComplexity);
    return box;
  }
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};

void ExpectRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

TEST_F(DeviceClip, ClipCallsWorkInLogicalUnitsAndTheRegionInDeviceUnits) {
  ExpectRect(Box(SIMPLEREGION), 0, 0, 100, 80);
  EXPECT_EQ(IntersectClipRect(dc_, 10, 10, 50, 40), SIMPLEREGION);
  ExpectRect(Box(SIMPLEREGION), 10, 10, 50, 40);
  EXPECT_EQ(ExcludeClipRect(dc_, 20, 20, 30, 30), COMPLEXREGION);
  ExpectRect(Box(COMPLEXREGION), 10, 10, 50, 40);

  // The window origin moves what the logical rectangle means on the device, and what the
  // clip box reports.
  POINT old{};
  EXPECT_TRUE(SetWindowOrgEx(dc_, 5, 0, &old));
  ExpectRect(Box(COMPLEXREGION), 15, 10, 55, 40);
  EXPECT_EQ(SelectClipRgn(dc_, nullptr), SIMPLEREGION);
  EXPECT_EQ(IntersectClipRect(dc_, 5, 0, 15, 10), SIMPLEREGION);
  SetWindowOrgEx(dc_, 0, 0, nullptr);
  ExpectRect(Box(SIMPLEREGION), 0, 0, 10, 10);

  // SelectClipRgn takes device units and a copy of the region.
  HRGN region = CreateRectRgn(60, 60, 200, 200);
  EXPECT_EQ(SelectClipRgn(dc_, region), SIMPLEREGION);
  SetRectRgn(region, 0, 0, 1, 1);
  ExpectRect(Box(SIMPLEREGION), 60, 60, 100, 80);
  EXPECT_EQ(ExtSelectClipRgn(dc_, region, RGN_OR), COMPLEXREGION);
  SetLastError(kErrorMarker);
  EXPECT_EQ(ExtSelectClipRgn(dc_, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Selecting a region through SelectObject answers the clip's complexity.
  EXPECT_EQ(SelectObject(dc_, region), reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(SIMPLEREGION)));
  DeleteObject(region);
}

TEST_F(DeviceClip, MappingMovesLogicalPointsByBothOrigins) {
  EXPECT_EQ(GetMapMode(dc_), MM_TEXT);
  POINT previous{-1, -1};
  EXPECT_TRUE(SetViewportOrgEx(dc_, 100, 200, &previous));
  EXPECT_EQ(previous.x, 0);
  EXPECT_TRUE(SetWindowOrgEx(dc_, 10, 20, nullptr));
  POINT points[] = {{0, 0}, {10, 20}, {-5, 7}};
  ASSERT_TRUE(LPtoDP(dc_, points, 3));
  EXPECT_EQ(points[0].x, 90);
  EXPECT_EQ(points[0].y, 180);
  EXPECT_EQ(points[1].x, 100);
  EXPECT_EQ(points[1].y, 200);
  EXPECT_EQ(points[2].x, 85);
  EXPECT_EQ(points[2].y, 187);
  ASSERT_TRUE(DPtoLP(dc_, points, 3));
  EXPECT_EQ(points[2].x, -5);
  EXPECT_EQ(points[2].y, 7);
  POINT origin{};
  EXPECT_TRUE(GetViewportOrgEx(dc_, &origin));
  EXPECT_EQ(origin.y, 200);
  EXPECT_TRUE(GetWindowOrgEx(dc_, &origin));
  EXPECT_EQ(origin.x, 10);
}

TEST_F(DeviceClip, ModesAnswerTheirPreviousValueAndRefuseUnknownOnes) {
  EXPECT_EQ(SetBkMode(dc_, TRANSPARENT), OPAQUE);
  EXPECT_EQ(GetBkMode(dc_), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc_, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(SetROP2(dc_, R2_NOP), R2_COPYPEN);
  EXPECT_EQ(SetPolyFillMode(dc_, WINDING), ALTERNATE);
  EXPECT_EQ(GetPolyFillMode(dc_), WINDING);
  EXPECT_EQ(SetStretchBltMode(dc_, HALFTONE), BLACKONWHITE);
  struct Bad {
    int (*call)(HDC, int);
    int value;
  };
  const Bad bad[] = {{SetBkMode, 3}, {SetROP2, 0}, {SetROP2, 17}, {SetPolyFillMode, 0}, {SetStretchBltMode, 5}};
  for (const Bad& b : bad) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(b.call(dc_, b.value), 0) << b.value;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  SetLastError(kErrorMarker);
  EXPECT_EQ(SetBkMode(reinterpret_cast<HDC>(0x4444), OPAQUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
