// Blits, stretches and colour conversions in memory bitmaps, against pictures Pillow computes
// from the same inputs, and the rows GetDIBits hands out.
#include <gtest/gtest.h>

#include <win/gdi_raster.h>
#include <win/user.h>

#include "raster_pictures.h"
#include "temp_machine.h"

namespace {

using rastertest::Colourful;
using rastertest::Hex;
using rastertest::MakeBitmap;
using rastertest::Picture;
using rastertest::ReadBitmap;
using rastertest::ReadBmp;
using rastertest::Reference;
using rastertest::WriteBmp;

class RasterPixels : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return machine_.Host(name); }

  // A memory DC holding `bitmap`; the bitmap goes back to the DC's own on TearDown.
  HDC Holding(HBITMAP bitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    selected_.push_back({dc, SelectObject(dc, bitmap), bitmap});
    return dc;
  }
  void TearDown() override {
    for (auto& s : selected_) {
      SelectObject(s.dc, s.old);
      DeleteDC(s.dc);
      DeleteObject(s.bitmap);
    }
  }

  struct Selected {
    HDC dc;
    HGDIOBJ old;
    HBITMAP bitmap;
  };
  std::vector<Selected> selected_;
  testsupport::TempMachine machine_;
};

TEST_F(RasterPixels, TernaryRopBlitsEqualPillow) {
  Picture dest = Colourful(7, 5, 1), source = Colourful(7, 5, 2);
  WriteBmp(Path("dest.bmp"), dest);
  WriteBmp(Path("source.bmp"), source);
  struct Case {
    const char* name;
    DWORD rop;
  };
  const Case cases[] = {{"SRCCOPY", SRCCOPY},         {"SRCAND", SRCAND},         {"SRCPAINT", SRCPAINT},
                        {"SRCINVERT", SRCINVERT},     {"SRCERASE", SRCERASE},     {"NOTSRCCOPY", NOTSRCCOPY},
                        {"NOTSRCERASE", NOTSRCERASE}, {"MERGEPAINT", MERGEPAINT}, {"DSTINVERT", DSTINVERT}};
  for (const Case& c : cases) {
    HBITMAP target = MakeBitmap(dest), from = MakeBitmap(source);
    ASSERT_TRUE(target && from);
    HDC to = Holding(target), src = Holding(from);
    ASSERT_TRUE(BitBlt(to, 0, 0, 7, 5, src, 0, 0, c.rop)) << c.name;
    char op[8];
    std::snprintf(op, sizeof op, "%02X", static_cast<unsigned>((c.rop >> 16) & 0xFF));
    ASSERT_TRUE(Reference(std::string("rop ") + op + " " + Path("dest.bmp") + " " + Path("source.bmp") + " " +
                          Path("expected.bmp")));
    EXPECT_EQ(ReadBitmap(to, target), ReadBmp(Path("expected.bmp"))) << c.name;
  }
}

TEST_F(RasterPixels, MirroredStretchesEqualPillow) {
  Picture source = Colourful(4, 3, 5);
  WriteBmp(Path("source.bmp"), source);
  struct Case {
    int w, h;
  };
  for (Case c : {Case{8, 6}, Case{-8, 6}, Case{8, -6}, Case{-12, -9}, Case{-4, 3}}) {
    LONG aw = std::abs(c.w), ah = std::abs(c.h);
    HBITMAP target = MakeBitmap(Picture(aw, ah)), from = MakeBitmap(source);
    HDC to = Holding(target), src = Holding(from);
    // A negative extent runs from the origin backwards: the origin is the far edge.
    ASSERT_TRUE(StretchBlt(to, c.w < 0 ? aw : 0, c.h < 0 ? ah : 0, c.w, c.h, src, 0, 0, 4, 3, SRCCOPY));
    ASSERT_TRUE(Reference("stretch " + Path("source.bmp") + " " + std::to_string(c.w) + " " + std::to_string(c.h) +
                          " " + Path("expected.bmp")));
    EXPECT_EQ(ReadBitmap(to, target), ReadBmp(Path("expected.bmp"))) << c.w << " x " << c.h;
  }
}

TEST_F(RasterPixels, MonochromeBecomesTheTextAndBackgroundColoursAndBack) {
  // 9 x 4 one-bit picture, rows padded to 16 bits as CreateBitmap takes them.
  const BYTE rows[] = {0xA5, 0x80, 0x3C, 0x00, 0xFF, 0x80, 0x01, 0x00};
  HBITMAP mono = CreateBitmap(9, 4, 1, 1, rows);
  ASSERT_NE(mono, nullptr);
  HDC monoDC = Holding(mono);
  Picture asRead = ReadBitmap(monoDC, mono);
  WriteBmp(Path("mono.bmp"), asRead);
  for (LONG x = 0; x < 9; ++x) {
    bool set = (rows[x >> 3] >> (7 - (x & 7))) & 1;
    EXPECT_EQ(asRead.At(x, 0), set ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x;
  }

  HBITMAP colour = MakeBitmap(Picture(9, 4, RGB(1, 2, 3)));
  HDC colourDC = Holding(colour);
  const COLORREF text = RGB(200, 30, 60), background = RGB(10, 220, 90);
  SetTextColor(colourDC, text);
  SetBkColor(colourDC, background);
  ASSERT_TRUE(BitBlt(colourDC, 0, 0, 9, 4, monoDC, 0, 0, SRCCOPY));
  ASSERT_TRUE(Reference("mono2color " + Path("mono.bmp") + " " + Hex(text) + " " + Hex(background) + " " +
                        Path("expected.bmp")));
  EXPECT_EQ(ReadBitmap(colourDC, colour), ReadBmp(Path("expected.bmp")));

  // Back: the source DC's background colour becomes white, every other colour black.
  Picture mixed = Colourful(9, 4, 3);
  const COLORREF key = RGB(10, 220, 90);
  mixed.At(0, 0) = mixed.At(4, 1) = mixed.At(8, 3) = key;
  WriteBmp(Path("mixed.bmp"), mixed);
  HBITMAP mixedBitmap = MakeBitmap(mixed);
  HDC mixedDC = Holding(mixedBitmap);
  SetBkColor(mixedDC, key);
  HDC fresh = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateCompatibleBitmap(fresh, 9, 4);  // monochrome, as the fresh DC's own
  DeleteDC(fresh);
  HDC targetDC = Holding(target);
  ASSERT_TRUE(BitBlt(targetDC, 0, 0, 9, 4, mixedDC, 0, 0, SRCCOPY));
  ASSERT_TRUE(Reference("color2mono " + Path("mixed.bmp") + " " + Hex(key) + " " + Path("expected.bmp")));
  EXPECT_EQ(ReadBitmap(targetDC, target), ReadBmp(Path("expected.bmp")));
}

TEST_F(RasterPixels, GetDIBitsRowsAreBottomUpBgrPaddedToFourBytes) {
  Picture picture = Colourful(5, 3, 9);  // 15 bytes a row, padded to 16
  WriteBmp(Path("picture.bmp"), picture);
  HBITMAP bitmap = MakeBitmap(picture);
  HDC dc = Holding(bitmap);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  // The size query first: the bitmap's own description.
  ASSERT_NE(GetDIBits(dc, bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.bmiHeader.biWidth, 5);
  EXPECT_EQ(info.bmiHeader.biHeight, 3);
  EXPECT_EQ(info.bmiHeader.biBitCount, 24);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 48u);
  std::vector<BYTE> rows(48 + 4, 0xEE);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, rows.data(), &info, DIB_RGB_COLORS), 3);
  EXPECT_EQ(rows[48], 0xEE) << "written past the rows";
  rows.resize(48);
  ASSERT_TRUE(Reference("dibrows " + Path("picture.bmp") + " " + Path("expected.raw")));
  std::string expected = rastertest::ReadFile(Path("expected.raw"));
  ASSERT_EQ(expected.size(), 48u);
  // The padding bytes are the platform's to leave; the pixels must match.
  for (size_t row = 0; row < 3; ++row)
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rows.data()) + row * 16, 15), expected.substr(row * 16, 15))
        << row;
  // Scans from the middle: scan 1 is the second row from the bottom.
  std::vector<BYTE> one(16, 0);
  ASSERT_EQ(GetDIBits(dc, bitmap, 1, 1, one.data(), &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(one.data()), 15), expected.substr(16, 15));
}

TEST_F(RasterPixels, PatBltTakesOnlyRopsWithoutASourceAndClipsToTheBitmap) {
  HBITMAP bitmap = MakeBitmap(Picture(6, 4, RGB(255, 255, 255)));
  HDC dc = Holding(bitmap);
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ old = SelectObject(dc, brush);
  EXPECT_FALSE(PatBlt(dc, 0, 0, 6, 4, SRCCOPY));
  ASSERT_TRUE(PatBlt(dc, 4, 2, 10, 10, PATCOPY));
  ASSERT_TRUE(PatBlt(dc, 0, 0, 2, 1, DSTINVERT));
  Picture p = ReadBitmap(dc, bitmap);
  EXPECT_EQ(p.At(5, 3), RGB(0, 0, 255));
  EXPECT_EQ(p.At(3, 3), RGB(255, 255, 255));
  EXPECT_EQ(p.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(p.At(2, 0), RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteObject(brush);
}

TEST_F(RasterPixels, StretchDIBitsAndSetDIBitsToDeviceDrawIntoTheBitmap) {
  HBITMAP bitmap = MakeBitmap(Picture(8, 8, RGB(255, 255, 255)));
  HDC dc = Holding(bitmap);
  Picture dib(2, 2);
  dib.At(0, 0) = RGB(0, 0, 0);
  dib.At(1, 0) = RGB(255, 0, 0);
  dib.At(0, 1) = RGB(0, 255, 0);
  dib.At(1, 1) = RGB(255, 255, 255);
  std::vector<BYTE> rows = rastertest::BottomUpRows(dib);
  BITMAPINFO info = rastertest::Info24(dib);
  SetStretchBltMode(dc, COLORONCOLOR);
  ASSERT_EQ(StretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 2, rows.data(), &info, DIB_RGB_COLORS, SRCCOPY), 2);
  // SRCAND keeps the destination where the picture is white.
  ASSERT_EQ(StretchDIBits(dc, 4, 4, 4, 4, 0, 0, 2, 2, rows.data(), &info, DIB_RGB_COLORS, SRCAND), 2);
  ASSERT_EQ(SetDIBitsToDevice(dc, 6, 0, 2, 2, 0, 0, 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  Picture p = ReadBitmap(dc, bitmap);
  EXPECT_EQ(p.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(p.At(3, 1), RGB(255, 0, 0));
  EXPECT_EQ(p.At(1, 3), RGB(0, 255, 0));
  EXPECT_EQ(p.At(7, 7), RGB(255, 255, 255));
  EXPECT_EQ(p.At(4, 4), RGB(0, 0, 0));
  EXPECT_EQ(p.At(7, 4), RGB(255, 0, 0));
  EXPECT_EQ(p.At(6, 0), RGB(0, 0, 0));
  EXPECT_EQ(p.At(7, 1), RGB(255, 255, 255));
}

}  // namespace
