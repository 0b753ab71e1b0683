// The DC's image calls as the driver receives them, and bitmaps loaded from BMP files.
#include "drawing_dc.h"

#include <cstring>
#include <functional>

namespace {

using drawingtest::DrawingDC;
using drawingtest::Lines;
using testsupport::kErrorMarker;

// A memory DC holding a 24-bit DIB section of w x h whose pixels are given as blue-green-red
// bytes, top row first.
class ImageDC : public DrawingDC {
 protected:
  void SetUp() override {
    DrawingDC::SetUp();
    memory_ = CreateCompatibleDC(dc_);
    ASSERT_NE(memory_, nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, -2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    section_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section_, nullptr);
    BYTE* p = static_cast<BYTE*>(bits);
    for (int i = 0; i < 24; ++i) p[i] = static_cast<BYTE>(i + 1);  // rows of 12 bytes
    SelectObject(memory_, section_);
  }
  void TearDown() override {
    DeleteDC(memory_);
    DeleteObject(section_);
    DrawingDC::TearDown();
  }
  HDC memory_ = nullptr;
  HBITMAP section_ = nullptr;
};

struct CallCase {
  const char* name;
  std::function<BOOL()> call;
  const char* expected;
};

// The packed DIB of a 1-bit 8 x 2 picture, bottom-up: black 0 bits and white 1 bits.
struct MonoDib {
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 8, 2, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
  RGBQUAD colors[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  BYTE bits[8] = {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};  // bottom row first

  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

TEST_F(ImageDC, EachImageCallReachesTheDriverFunctionThePlatformRoutesItTo) {
  const char* section = "src=bmp4x2/f5/down:0102030405060708090A0B0C";
  const char* bgr = "xlate=fl0:302010";  // blue-green-red pixels translated to the device's RGB
  MonoDib mono;
  TRIVERTEX vertices[2] = {{0, 0, 0xFF00, 0, 0, 0}, {100, 50, 0, 0, 0xFF00, 0}};
  GRADIENT_RECT rect{0, 1};
  const CallCase cases[] = {
      {"BitBlt SRCCOPY", [&] { return BitBlt(dc_, 10, 20, 4, 2, memory_, 0, 0, SRCCOPY); },
       "DrvCopyBits dst=(10,20,14,22) %SECTION at=0,0 clip=trivial %BGR"},
      {"BitBlt SRCAND", [&] { return BitBlt(dc_, 10, 20, 4, 2, memory_, 0, 0, SRCAND); },
       "DrvBitBlt trg=(10,20,14,22) %SECTION at=0,0 mask=no clip=trivial %BGR brush=none rop4=8888"},
      {"BitBlt MERGECOPY uses the brush", [&] { return BitBlt(dc_, 10, 20, 4, 2, memory_, 0, 0, MERGECOPY); },
       "DrvBitBlt trg=(10,20,14,22) %SECTION at=0,0 mask=no clip=trivial %BGR brush=solid:FFFFFF rop4=C0C0"},
      {"BitBlt PATCOPY needs no source", [&] { return BitBlt(dc_, 10, 20, 4, 2, nullptr, 0, 0, PATCOPY); },
       "DrvBitBlt trg=(10,20,14,22) src=none at=none mask=no clip=trivial xlate=none brush=solid:FFFFFF rop4=F0F0"},
      {"PatBlt BLACKNESS", [&] { return PatBlt(dc_, 0, 0, 5, 5, BLACKNESS); },
       "DrvBitBlt trg=(0,0,5,5) src=none at=none mask=no clip=trivial xlate=none brush=none rop4=0000"},
      {"PatBlt DSTINVERT with negative extents", [&] { return PatBlt(dc_, 5, 5, -5, -5, DSTINVERT); },
       "DrvBitBlt trg=(0,0,5,5) src=none at=none mask=no clip=trivial xlate=none brush=none rop4=5555"},
      {"StretchBlt", [&] { return StretchBlt(dc_, 0, 0, 8, 4, memory_, 0, 0, 4, 2, SRCCOPY); },
       "DrvStretchBlt dst=(0,0,8,4) %SECTION from=(0,0,4,2) mask=no clip=trivial %BGR ca=none mode=1"},
      {"StretchBlt mirrored", [&] { return StretchBlt(dc_, 8, 0, -8, 4, memory_, 0, 0, 4, 2, SRCCOPY); },
       "DrvStretchBlt dst=(8,0,0,4) %SECTION from=(0,0,4,2) mask=no clip=trivial %BGR ca=none mode=1"},
      {"StretchBlt HALFTONE", [&] {
         SetStretchBltMode(dc_, HALFTONE);
         BOOL ok = StretchBlt(dc_, 0, 0, 8, 4, memory_, 0, 0, 4, 2, SRCCOPY);
         SetStretchBltMode(dc_, BLACKONWHITE);
         return ok;
       },
       "DrvStretchBlt dst=(0,0,8,4) %SECTION from=(0,0,4,2) mask=no clip=trivial %BGR ca=size=24 contrast=0 mode=4"},
      // Another operation on a stretched source: stretched by the engine first, then a blit.
      {"StretchBlt SRCAND", [&] { return StretchBlt(dc_, 0, 0, 8, 4, memory_, 0, 0, 4, 2, SRCAND); },
       "DrvBitBlt trg=(0,0,8,4) src=bmp8x4/f5/down:010203010203040506040506 at=0,0 mask=no clip=trivial %BGR "
       "brush=none rop4=8888"},
      // A source rectangle beyond the bitmap is cut, and the destination with it.
      {"BitBlt past the source", [&] { return BitBlt(dc_, 0, 0, 10, 10, memory_, -2, -2, SRCCOPY); },
       "DrvCopyBits dst=(2,2,6,4) %SECTION at=0,0 clip=trivial %BGR"},
      {"TransparentBlt", [&] { return TransparentBlt(dc_, 0, 0, 4, 2, memory_, 0, 0, 4, 2, RGB(3, 2, 1)); },
       "DrvTransparentBlt dst=(0,0,4,2) %SECTION from=(0,0,4,2) clip=trivial %BGR transparent=030201"},
      {"GradientFill", [&] { return GradientFill(dc_, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_H); },
       "DrvGradientFill mode=0 extents=(0,0,100,50) clip=trivial xlate=trivial mesh=[0,1] (0,0:FF00,0000,0000) "
       "(100,50:0000,0000,FF00)"},
      {"StretchDIBits without stretch", [&] {
         return StretchDIBits(dc_, 0, 0, 8, 2, 0, 0, 8, 2, mono.bits, mono.Info(), DIB_RGB_COLORS, SRCCOPY) == 2;
       },
       "DrvCopyBits dst=(0,0,8,2) src=bmp8x2/f1/up:0F000000 at=0,0 clip=trivial xlate=table2[000000,FFFFFF]"},
      // The source rectangle of a bottom-up DIB counts from its lower-left corner: row 0 is the bottom one.
      {"StretchDIBits stretched", [&] {
         return StretchDIBits(dc_, 0, 0, 16, 4, 0, 0, 8, 1, mono.bits, mono.Info(), DIB_RGB_COLORS, SRCCOPY) == 1;
       },
       "DrvStretchBlt dst=(0,0,16,4) src=bmp8x2/f1/up:0F000000 from=(0,1,8,2) mask=no clip=trivial "
       "xlate=table2[000000,FFFFFF] ca=none mode=1"},
      {"StretchDIBits mirrored by a negative source width", [&] {
         return StretchDIBits(dc_, 0, 0, 16, 4, 8, 0, -8, 2, mono.bits, mono.Info(), DIB_RGB_COLORS, SRCCOPY) == 2;
       },
       "DrvStretchBlt dst=(16,0,0,4) src=bmp8x2/f1/up:0F000000 from=(0,0,8,2) mask=no clip=trivial "
       "xlate=table2[000000,FFFFFF] ca=none mode=1"},
      {"SetDIBitsToDevice", [&] {
         return SetDIBitsToDevice(dc_, 5, 5, 8, 2, 0, 0, 0, 2, mono.bits, mono.Info(), DIB_RGB_COLORS) == 2;
       },
       "DrvCopyBits dst=(5,5,13,7) src=bmp8x2/f1/up:0F000000 at=0,0 clip=trivial xlate=table2[000000,FFFFFF]"},
      // A band of one scan (the bottom one) of a two-scan DIB lands on the destination's lower row.
      {"SetDIBitsToDevice band", [&] {
         return SetDIBitsToDevice(dc_, 5, 5, 8, 2, 0, 0, 0, 1, mono.bits, mono.Info(), DIB_RGB_COLORS) == 1;
       },
       "DrvCopyBits dst=(5,6,13,7) src=bmp8x1/f1/up:F0000000 at=0,0 clip=trivial xlate=table2[000000,FFFFFF]"},
  };
  for (const CallCase& c : cases) {
    ASSERT_TRUE(c.call()) << c.name;
    std::string expected = c.expected;
    for (auto [key, value] : {std::pair{"%SECTION", section}, std::pair{"%BGR", bgr}})
      if (size_t at = expected.find(key); at != std::string::npos) expected.replace(at, std::strlen(key), value);
    EXPECT_EQ(Calls(), Lines{expected}) << c.name;
  }
}

TEST_F(ImageDC, MonochromeDeviceBitmapsTakeTheTextAndBackgroundColours) {
  HDC mono = CreateCompatibleDC(dc_);
  const WORD rows[2] = {0x00F0, 0x000F};
  HBITMAP bitmap = CreateBitmap(8, 2, 1, 1, rows);
  SelectObject(mono, bitmap);
  SetTextColor(dc_, RGB(255, 0, 0));
  SetBkColor(dc_, RGB(0, 0, 255));
  ASSERT_TRUE(BitBlt(dc_, 0, 0, 8, 2, mono, 0, 0, SRCCOPY));
  EXPECT_EQ(Calls(), (Lines{"DrvCopyBits dst=(0,0,8,2) src=bmp8x2/f1/down:F0000000 at=0,0 clip=trivial "
                            "xlate=table2[0000FF,FF0000]"}));
  DeleteDC(mono);
  DeleteObject(bitmap);
}

TEST_F(ImageDC, HatchedPatternFillsLeaveTheBackgroundInTransparentMode) {
  HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(0, 0, 0));
  SelectObject(dc_, hatch);
  SetBkMode(dc_, TRANSPARENT);
  ASSERT_TRUE(PatBlt(dc_, 0, 0, 16, 16, PATCOPY));
  Lines calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].substr(0, 23), "DrvRealizeBrush hatch=3");
  EXPECT_EQ(calls[1], "DrvBitBlt trg=(0,0,16,16) src=none at=none mask=no clip=trivial xlate=none brush=pattern#1 "
                      "rop4=AAF0");
  SetBkMode(dc_, OPAQUE);
  ASSERT_TRUE(PatBlt(dc_, 0, 0, 16, 16, PATCOPY));
  calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find("rop4=F0F0"), std::string::npos) << calls[0];
  SelectObject(dc_, GetStockObject(WHITE_BRUSH));
  DeleteObject(hatch);
}

TEST_F(ImageDC, AMemoryDCsBitmapIsDrawnIntoByTheEngine) {
  // The print-time watermark's way: a white memory bitmap, something drawn into it, then the
  // bitmap ANDed onto the page.
  HDC canvas = CreateCompatibleDC(dc_);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, -3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(canvas, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  SelectObject(canvas, bitmap);
  ASSERT_TRUE(PatBlt(canvas, 0, 0, 4, 3, WHITENESS));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(canvas, red);
  ASSERT_TRUE(PatBlt(canvas, 1, 1, 2, 1, PATCOPY));
  // Rows of 12 bytes, blue-green-red.
  const BYTE* p = static_cast<const BYTE*>(bits);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[12 + 3], 0x00);   // (1,1) blue
  EXPECT_EQ(p[12 + 5], 0xFF);   // (1,1) red
  EXPECT_EQ(p[12 + 9], 0xFF);   // (3,1) stays white
  EXPECT_EQ(p[24 + 3], 0xFF);   // (1,2) stays white
  // A copy from the other memory DC lands as its pixels.
  ASSERT_TRUE(BitBlt(canvas, 0, 2, 1, 1, memory_, 0, 0, SRCCOPY));
  EXPECT_EQ(p[24 + 0], 0x01);
  EXPECT_EQ(p[24 + 2], 0x03);
  EXPECT_EQ(Calls(), Lines{});  // nothing reached the printer's driver
  ASSERT_TRUE(BitBlt(dc_, 0, 0, 4, 3, canvas, 0, 0, SRCAND));
  EXPECT_EQ(Calls(), (Lines{"DrvBitBlt trg=(0,0,4,3) src=bmp4x3/f5/down:FFFFFFFFFFFFFFFFFFFFFFFF at=0,0 mask=no "
                            "clip=trivial xlate=fl0:302010 brush=none rop4=8888"}));
  DeleteDC(canvas);
  DeleteObject(bitmap);
  DeleteObject(red);
}

TEST_F(ImageDC, ImageCallsRefuseWhatTheyCannotTake) {
  MonoDib mono;
  TRIVERTEX vertices[2] = {};
  GRADIENT_RECT outOfRange{0, 2};
  struct Bad {
    const char* name;
    std::function<bool()> call;
    DWORD error;
  };
  const Bad bad[] = {
      {"PatBlt with a source operation", [&] { return PatBlt(dc_, 0, 0, 5, 5, SRCCOPY) != FALSE; },
       ERROR_INVALID_PARAMETER},
      {"BitBlt from no DC", [&] { return BitBlt(dc_, 0, 0, 5, 5, reinterpret_cast<HDC>(0x4444), 0, 0, SRCCOPY) != FALSE; },
       ERROR_INVALID_HANDLE},
      {"TransparentBlt mirrored", [&] { return TransparentBlt(dc_, 0, 0, -4, 2, memory_, 0, 0, 4, 2, 0) != FALSE; },
       ERROR_INVALID_PARAMETER},
      {"TransparentBlt past the source", [&] { return TransparentBlt(dc_, 0, 0, 4, 2, memory_, 1, 0, 4, 2, 0) != FALSE; },
       ERROR_INVALID_PARAMETER},
      {"GradientFill with a vertex index out of range",
       [&] { return GradientFill(dc_, vertices, 2, &outOfRange, 1, GRADIENT_FILL_RECT_H) != FALSE; },
       ERROR_INVALID_PARAMETER},
      {"GradientFill of an unknown mode", [&] { return GradientFill(dc_, vertices, 2, &outOfRange, 1, 3) != FALSE; },
       ERROR_INVALID_PARAMETER},
      {"StretchDIBits with palette indices",
       [&] { return StretchDIBits(dc_, 0, 0, 8, 2, 0, 0, 8, 2, mono.bits, mono.Info(), DIB_PAL_COLORS, SRCCOPY) != 0; },
       ERROR_INVALID_PARAMETER},
      {"StretchDIBits without bits",
       [&] { return StretchDIBits(dc_, 0, 0, 8, 2, 0, 0, 8, 2, nullptr, mono.Info(), DIB_RGB_COLORS, SRCCOPY) != 0; },
       ERROR_INVALID_PARAMETER},
  };
  for (const Bad& b : bad) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(b.call()) << b.name;
    EXPECT_EQ(GetLastError(), b.error) << b.name;
  }
  EXPECT_EQ(Calls(), Lines{});
  // Nothing to draw is no failure.
  EXPECT_TRUE(BitBlt(dc_, 0, 0, 0, 5, memory_, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(dc_, 5000, 5000, 4, 2, memory_, 0, 0, SRCCOPY));
  EXPECT_EQ(Calls(), Lines{});
}

}  // namespace
