// The satellites' pictures: every bitmap the pages draw and the warning icon are there, are
// images the graphics functions take, and no two bitmaps have the same pixels.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/gdi_images.h>
#include <win/gdi_raster.h>
#include <win/user_draw.h>
#include <win/user.h>

#include "satellite_fixture.h"

namespace {

// Bitmaps the pages and dialogs draw, by the place that draws them.
const std::vector<WORD> kBitmaps = {
    // Basic page: copies, feed, duplex, resolution, favourites, the collation previews, the logo.
    115, 902, 903, 905, 631, 425, 426, 5008, 5021, 901,
    // The second feed picture of the printer pictures 901 to 905.
    904,
    // Paper page.
    119, 120,
    // Layout previews: one page per sheet, the N-up blocks, the poster layout.
    888, 886,
    847, 839, 835, 857, 851, 876, 831, 800, 813, 812, 860, 874, 846, 879, 1060,
    809, 875, 830, 807, 850, 877, 798, 842, 815, 790, 777, 773, 775, 771, 1058,
    871, 862, 829, 801, 853, 864, 794, 786, 795, 803, 826, 849, 866, 878,
    883, 868, 832, 820, 814, 843, 869, 838, 791, 818, 778, 774, 776, 772,
    // Watermark page and its two editors.
    4031, 4032, 4052, 4053, 4054, 4055, 4056,
};

class Pictures : public satellitetest::SatelliteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Pictures, EveryBitmapLoadsAndNoTwoHaveTheSamePixels) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  std::map<std::vector<BYTE>, WORD> seen;
  for (WORD id : kBitmaps) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(satellite, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bitmap, nullptr) << "bitmap " << id << " error " << GetLastError();
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info))) << id;
    ASSERT_GT(info.bmWidth, 0) << id;
    ASSERT_GT(info.bmHeight, 0) << id;
    // The pixels as 24-bit rows, with the size in front so that equal rows of different
    // shapes still differ.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    const size_t stride = (static_cast<size_t>(info.bmWidth) * 3 + 3) / 4 * 4;
    std::vector<BYTE> pixels(stride * static_cast<size_t>(info.bmHeight) + 8);
    pixels[0] = static_cast<BYTE>(info.bmWidth);
    pixels[1] = static_cast<BYTE>(info.bmWidth >> 8);
    pixels[2] = static_cast<BYTE>(info.bmHeight);
    pixels[3] = static_cast<BYTE>(info.bmHeight >> 8);
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data() + 8, &format, DIB_RGB_COLORS),
              info.bmHeight)
        << id;
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    // The top left pixel is background: where a page draws the picture transparently, it
    // must be exactly the colour that page keys out (a COLORREF, 0x00BBGGRR).
    const size_t top = 8 + stride * static_cast<size_t>(info.bmHeight - 1);  // rows are bottom-up
    const COLORREF corner = RGB(pixels[top + 2], pixels[top + 1], pixels[top]);
    if (id == 901) {
      EXPECT_EQ(corner, 0xEEF3F4u) << "the logo's background";
    } else if (id == 4031 || id == 4032) {
      EXPECT_EQ(corner, 0xFF00FFu) << "bitmap " << id;
    } else if (id >= 4052 && id <= 4056) {
      EXPECT_EQ(corner, 0xFFFFFFu) << "bitmap " << id;
    }
    auto [at, fresh] = seen.emplace(std::move(pixels), id);
    EXPECT_TRUE(fresh) << "bitmaps " << at->second << " and " << id << " have the same pixels";
  }
  FreeLibrary(satellite);
}

TEST_P(Pictures, TheWarningIconLoadsAtItsSize) {
  HMODULE satellite = Load(std::string(SATELLITE_DIR) + "/" + GetParam());
  ASSERT_NE(satellite, nullptr);
  HICON icon = static_cast<HICON>(LoadImageW(satellite, MAKEINTRESOURCEW(1077), IMAGE_ICON, 18, 18, 0));
  ASSERT_NE(icon, nullptr) << GetLastError();
  ICONINFO parts{};
  ASSERT_TRUE(GetIconInfo(icon, &parts));
  BITMAP colour{};
  ASSERT_NE(parts.hbmColor, nullptr);
  GetObjectW(parts.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 18);
  EXPECT_EQ(colour.bmHeight, 18);
  DeleteObject(parts.hbmColor);
  DeleteObject(parts.hbmMask);
  DestroyIcon(icon);
  FreeLibrary(satellite);
}

INSTANTIATE_TEST_SUITE_P(Satellites, Pictures, ::testing::Values("vm4k2enus.dll", "vm4k2ar.dll"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

}  // namespace
