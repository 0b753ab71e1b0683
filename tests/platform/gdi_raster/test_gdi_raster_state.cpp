// The state of a raster DC as drawing sees it: MM_ANISOTROPIC mapping and DPtoLP, the
// right-to-left layout, SaveDC and RestoreDC, clip regions, transparent blits, rotated text in a
// path bracket, system colours, and icons chosen from an .ico file by size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <win/files.h>
#include <win/gdi_raster.h>
#include <win/user.h>

#include "raster_pictures.h"
#include "temp_machine.h"

namespace {

using rastertest::MakeBitmap;
using rastertest::Picture;
using rastertest::ReadBitmap;

class RasterState : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap_ = MakeBitmap(Picture(kSize, kSize, RGB(255, 255, 255)));
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    black_ = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  }
  void TearDown() override {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Picture Pixels() { return ReadBitmap(dc_, bitmap_); }
  void Fill(int l, int t, int r, int b) {
    RECT rect{l, t, r, b};
    FillRect(dc_, &rect, black_);
  }

  static constexpr LONG kSize = 100;
  testsupport::TempMachine machine_;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  HBRUSH black_ = nullptr;
};

TEST_F(RasterState, AnisotropicMappingScalesAndDPtoLPTurnsItBack) {
  SetMapMode(dc_, MM_ANISOTROPIC);
  SetWindowExtEx(dc_, 1000, 1000, nullptr);
  SetViewportExtEx(dc_, 100, 50, nullptr);
  SetViewportOrgEx(dc_, 10, 0, nullptr);
  EXPECT_EQ(GetMapMode(dc_), MM_ANISOTROPIC);
  Fill(0, 0, 200, 200);  // device (10,0)-(30,10)
  POINT points[2] = {{30, 10}, {10, 0}};
  ASSERT_TRUE(DPtoLP(dc_, points, 2));
  EXPECT_EQ(points[0].x, 200);
  EXPECT_EQ(points[0].y, 200);
  EXPECT_EQ(points[1].x, 0);
  ASSERT_TRUE(LPtoDP(dc_, points, 1));
  EXPECT_EQ(points[0].x, 30);
  Picture p = Pixels();
  EXPECT_EQ(p.At(10, 0), RGB(0, 0, 0));
  EXPECT_EQ(p.At(29, 9), RGB(0, 0, 0));
  EXPECT_EQ(p.At(30, 9), RGB(255, 255, 255));
  EXPECT_EQ(p.At(29, 10), RGB(255, 255, 255));
  // Extents mean nothing in MM_TEXT.
  SetMapMode(dc_, MM_TEXT);
  SIZE ext{};
  GetWindowExtEx(dc_, &ext);
  EXPECT_EQ(ext.cx, 1);
}

TEST_F(RasterState, ARightToLeftLayoutMirrorsAcrossTheBitmap) {
  EXPECT_EQ(SetLayout(dc_, LAYOUT_RTL), 0u);
  EXPECT_EQ(GetLayout(dc_), static_cast<DWORD>(LAYOUT_RTL));
  Fill(0, 0, 10, 5);
  Picture p = Pixels();
  EXPECT_EQ(p.At(kSize - 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(p.At(kSize - 10, 4), RGB(0, 0, 0));
  EXPECT_EQ(p.At(kSize - 11, 0), RGB(255, 255, 255));
  EXPECT_EQ(p.At(0, 0), RGB(255, 255, 255));
}

TEST_F(RasterState, RestoreDCBringsBackTheMappingTheClipAndTheObjects) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  int level = SaveDC(dc_);
  EXPECT_EQ(level, 1);
  SelectObject(dc_, pen);
  SetViewportOrgEx(dc_, 50, 50, nullptr);
  IntersectClipRect(dc_, 0, 0, 5, 5);
  SetTextColor(dc_, RGB(9, 9, 9));
  EXPECT_EQ(SaveDC(dc_), 2);
  ASSERT_TRUE(RestoreDC(dc_, -1));
  Fill(0, 0, 100, 100);  // clipped to (50,50)-(55,55)
  ASSERT_TRUE(RestoreDC(dc_, level));
  EXPECT_FALSE(RestoreDC(dc_, 1)) << "the saved state is used up";
  EXPECT_EQ(GetCurrentObject(dc_, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetTextColor(dc_), RGB(0, 0, 0));
  POINT origin{};
  GetViewportOrgEx(dc_, &origin);
  EXPECT_EQ(origin.x, 0);
  Picture p = Pixels();
  EXPECT_EQ(p.At(50, 50), RGB(0, 0, 0));
  EXPECT_EQ(p.At(54, 54), RGB(0, 0, 0));
  EXPECT_EQ(p.At(55, 55), RGB(255, 255, 255));
  Fill(0, 0, 2, 2);  // no clip any more
  EXPECT_EQ(Pixels().At(1, 1), RGB(0, 0, 0));
  DeleteObject(pen);
}

TEST_F(RasterState, ClipRegionsLimitEveryCall) {
  HRGN region = CreateRectRgn(20, 20, 40, 40);
  SelectClipRgn(dc_, region);
  ExcludeClipRect(dc_, 25, 25, 30, 30);
  Fill(0, 0, kSize, kSize);
  HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(BLACK_BRUSH));
  Ellipse(dc_, 0, 0, kSize, kSize);
  SelectObject(dc_, oldBrush);
  Picture p = Pixels();
  EXPECT_EQ(p.At(20, 20), RGB(0, 0, 0));
  EXPECT_EQ(p.At(39, 39), RGB(0, 0, 0));
  EXPECT_EQ(p.At(27, 27), RGB(255, 255, 255));
  EXPECT_EQ(p.At(19, 20), RGB(255, 255, 255));
  EXPECT_EQ(p.At(50, 50), RGB(255, 255, 255));
  DeleteObject(region);
}

TEST_F(RasterState, TransparentBltLeavesTheKeyColour) {
  Picture source(4, 1, RGB(255, 0, 255));
  source.At(1, 0) = RGB(0, 0, 255);
  HBITMAP bits = MakeBitmap(source);
  HDC from = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(from, bits);
  ASSERT_TRUE(TransparentBlt(dc_, 0, 0, 8, 2, from, 0, 0, 4, 1, RGB(255, 0, 255)));
  Picture p = Pixels();
  EXPECT_EQ(p.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(p.At(2, 1), RGB(0, 0, 255));
  EXPECT_EQ(p.At(3, 0), RGB(0, 0, 255));
  EXPECT_EQ(p.At(4, 0), RGB(255, 255, 255));
  SelectObject(from, old);
  DeleteDC(from);
  DeleteObject(bits);
}

TEST_F(RasterState, RotatedTextInAPathBracketFollowsTheEscapement) {
  HFONT font = CreateFontW(-30, 0, 900, 900, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, u"Arial");
  HGDIOBJ oldFont = SelectObject(dc_, font);
  HGDIOBJ oldBrush = SelectObject(dc_, black_);
  SetBkMode(dc_, TRANSPARENT);
  SIZE extent{};
  GetTextExtentPoint32W(dc_, u"MMMM", 4, &extent);
  EXPECT_GT(extent.cx, extent.cy) << "the extent is the unrotated box";
  ASSERT_TRUE(BeginPath(dc_));
  ASSERT_TRUE(TextOutW(dc_, 10, 95, u"MMMM", 4));
  ASSERT_TRUE(EndPath(dc_));
  ASSERT_TRUE(FillPath(dc_));
  Picture p = Pixels();
  RECT ink{kSize, kSize, 0, 0};
  for (LONG y = 0; y < kSize; ++y)
    for (LONG x = 0; x < kSize; ++x)
      if (p.At(x, y) != RGB(255, 255, 255))
        ink = RECT{std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
  // Turned a quarter counter-clockwise, the text runs upwards from the reference point.
  EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
  EXPECT_LE(ink.bottom, 96);
  EXPECT_GE(ink.left, 10);
  SelectObject(dc_, oldBrush);
  SelectObject(dc_, oldFont);
  DeleteObject(font);
}

TEST_F(RasterState, SystemColoursChangeWithTheirStockBrushes) {
  COLORREF before = GetSysColor(COLOR_BTNFACE);
  HBRUSH brush = GetSysColorBrush(COLOR_BTNFACE);
  EXPECT_TRUE(DeleteObject(brush)) << "stock brushes ignore DeleteObject";
  INT index = COLOR_BTNFACE;
  COLORREF changed = RGB(12, 34, 56);
  ASSERT_TRUE(SetSysColors(1, &index, &changed));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), changed);
  RECT r{0, 0, 3, 3};
  FillRect(dc_, &r, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(Pixels().At(1, 1), changed);
  SetSysColors(1, &index, &before);
}

// An .ico file of three 1-bit-mask, 24-bit images of 16, 32 and 48 pixels, each filled with its
// own colour.
std::string IconFile() {
  const int sizes[3] = {16, 32, 48};
  const COLORREF colours[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  std::string images[3];
  for (int i = 0; i < 3; ++i) {
    int n = sizes[i];
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), n, 2 * n, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string image(reinterpret_cast<const char*>(&h), sizeof h);
    size_t stride = (static_cast<size_t>(n) * 3 + 3) / 4 * 4, maskStride = (static_cast<size_t>(n) + 31) / 32 * 4;
    for (int y = 0; y < n; ++y) {
      std::string row(stride, '\0');
      for (int x = 0; x < n; ++x) {
        row[3 * x] = static_cast<char>(GetBValue(colours[i]));
        row[3 * x + 1] = static_cast<char>(GetGValue(colours[i]));
        row[3 * x + 2] = static_cast<char>(GetRValue(colours[i]));
      }
      image += row;
    }
    image += std::string(maskStride * static_cast<size_t>(n), '\0');
    images[i] = image;
  }
  std::string file("\0\0\1\0\3\0", 6);
  size_t offset = 6 + 3 * 16;
  for (int i = 0; i < 3; ++i) {
    char entry[16] = {};
    entry[0] = static_cast<char>(sizes[i]);
    entry[1] = static_cast<char>(sizes[i]);
    entry[4] = 1;
    entry[6] = 24;
    uint32_t bytes = static_cast<uint32_t>(images[i].size()), at = static_cast<uint32_t>(offset);
    std::memcpy(entry + 8, &bytes, 4);
    std::memcpy(entry + 12, &at, 4);
    file.append(entry, 16);
    offset += images[i].size();
  }
  for (const std::string& image : images) file += image;
  return file;
}

TEST_F(RasterState, IconsFromFilesComeAtTheNearestSize) {
  std::string bytes = IconFile();
  HANDLE file = CreateFileW(u"C:\\three.ico", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  struct Case {
    int asked;
    LONG width;
    COLORREF colour;
  };
  for (Case c : {Case{0, 32, RGB(0, 255, 0)}, Case{16, 16, RGB(255, 0, 0)}, Case{44, 48, RGB(0, 0, 255)}}) {
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, u"C:\\three.ico", IMAGE_ICON, c.asked, c.asked, LR_LOADFROMFILE));
    ASSERT_NE(icon, nullptr) << c.asked;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, c.width) << c.asked;
    ASSERT_TRUE(DrawIconEx(dc_, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(Pixels().At(2, 2), c.colour) << c.asked;
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(icon);
  }
}

}  // namespace
