// The engine's own drawing: on bitmaps it draws the pixels; on a device surface it draws into
// a temporary bitmap and hands that to the driver's DrvCopyBits, which a recording driver
// captures here.
#include <gtest/gtest.h>

#include <vector>

#include "platform_testing.h"

namespace {

struct CopyCall {
  RECTL dest{};
  POINTL origin{};
  ULONG format = 0;
  SIZEL size{};
  std::vector<ULONG> pixels;  // the source's pixels as device colours, row by row
  bool clipGiven = false;
};

std::vector<CopyCall> g_copies;
bool g_punt = false;

ULONG Pixel(const SURFOBJ* so, LONG x, LONG y) {
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta;
  switch (so->iBitmapFormat) {
    case BMF_8BPP: return row[x];
    case BMF_24BPP: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    case BMF_32BPP: return row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) | (ULONG(row[4 * x + 3]) << 24);
    default: return 0;
  }
}

BOOL APIENTRY RecordCopyBits(SURFOBJ* dest, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                             POINTL* pptlSrc) {
  if (g_punt) return EngCopyBits(dest, src, pco, pxlo, prclDest, pptlSrc);
  CopyCall call;
  call.dest = *prclDest;
  call.origin = *pptlSrc;
  call.format = src->iBitmapFormat;
  call.size = src->sizlBitmap;
  call.clipGiven = pco != nullptr;
  for (LONG y = 0; y < src->sizlBitmap.cy; ++y)
    for (LONG x = 0; x < src->sizlBitmap.cx; ++x) call.pixels.push_back(XLATEOBJ_iXlate(pxlo, Pixel(src, x, y)));
  g_copies.push_back(call);
  return TRUE;
}

const DRVFN kTable[] = {{INDEX_DrvCopyBits, reinterpret_cast<PFN>(RecordCopyBits)}};

class EngineDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    g_copies.clear();
    g_punt = false;
    hdev = PlatformTest_CreateEngineDevice(kTable, 1);
    hsurf = EngCreateDeviceSurface(nullptr, SIZEL{1000, 1000}, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(hsurf, hdev, HOOK_COPYBITS));
    device = EngLockSurface(hsurf);
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override {
    EngUnlockSurface(device);
    PlatformTest_DestroyEngineDevice(hdev);
  }

  // A bitmap the test owns, locked.
  SURFOBJ* Bitmap(LONG w, LONG h, ULONG format, bool topDown = true) {
    HSURF s = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr));
    bitmaps.push_back(s);
    return EngLockSurface(s);
  }
  ~EngineDrawing() override {
    for (HSURF s : bitmaps) {
      SURFOBJ* so = EngLockSurface(s);
      EngUnlockSurface(so);
      EngUnlockSurface(so);
      EngDeleteSurface(s);
    }
  }

  HDEV hdev = nullptr;
  HSURF hsurf = nullptr;
  SURFOBJ* device = nullptr;
  std::vector<HSURF> bitmaps;
};

TEST_F(EngineDrawing, GradientOnTheDeviceReachesItAsAnImage) {
  TRIVERTEX v[2] = {{10, 20, 0xFF00, 0, 0, 0}, {14, 22, 0, 0, 0xFF00, 0}};
  ULONG mesh[2] = {0, 1};
  RECTL extents{10, 20, 14, 22};
  ASSERT_TRUE(EngGradientFill(device, nullptr, nullptr, v, 2, mesh, 1, &extents, nullptr, 0 /*RECT_H*/));
  ASSERT_EQ(g_copies.size(), 1u);
  const CopyCall& c = g_copies[0];
  EXPECT_EQ(c.format, static_cast<ULONG>(BMF_24BPP));
  EXPECT_EQ(c.size.cx, 4);
  EXPECT_EQ(c.size.cy, 2);
  EXPECT_EQ(c.dest.left, 10);
  EXPECT_EQ(c.dest.bottom, 22);
  EXPECT_EQ(c.origin.x, 0);
  // Red fading to blue along x, the same in both rows; the translation gives device RGB.
  EXPECT_EQ(c.pixels[0] & 0xFF, 0xDFu);
  EXPECT_EQ(c.pixels[3] >> 16, 0xDFu);
  EXPECT_EQ(c.pixels[4], c.pixels[0]);
}

TEST_F(EngineDrawing, TriangleGradientLeavesWhiteOutside) {
  TRIVERTEX v[3] = {{0, 0, 0, 0, 0, 0}, {10, 0, 0, 0, 0, 0}, {0, 10, 0, 0, 0, 0}};
  ULONG mesh[3] = {0, 1, 2};
  ASSERT_TRUE(EngGradientFill(device, nullptr, nullptr, v, 3, mesh, 1, nullptr, nullptr, 2 /*TRIANGLE*/));
  ASSERT_EQ(g_copies.size(), 1u);
  const CopyCall& c = g_copies[0];
  ASSERT_EQ(c.size.cx, 11);
  EXPECT_EQ(c.pixels[0], 0u) << "inside: black";
  EXPECT_EQ(c.pixels[10 * 11 + 10], 0xFFFFFFu) << "outside the triangle: white";

  SetLastError(0xDEADBEEF);
  ULONG bad[3] = {0, 1, 7};
  EXPECT_FALSE(EngGradientFill(device, nullptr, nullptr, v, 3, bad, 1, nullptr, nullptr, 2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "a vertex index beyond the vertices";
}

TEST_F(EngineDrawing, BitBltOnBitmapsAppliesTheRopWithBrushSourceAndMask) {
  SURFOBJ* dest = Bitmap(4, 1, BMF_32BPP);
  auto brush = plat_testing::MakeSolidBrush(0x00112233);
  RECTL r{0, 0, 4, 1};
  ASSERT_TRUE(EngBitBlt(dest, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, brush.get(), nullptr, 0xF0F0));
  EXPECT_EQ(Pixel(dest, 3, 0), 0x00112233u) << "PATCOPY";

  ASSERT_TRUE(EngBitBlt(dest, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0x5555));
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFFEEDDCCu) << "DSTINVERT";

  // SRCCOPY from an 8-bit source through its table, with a mask that keeps pixels 1 and 2.
  SURFOBJ* src = Bitmap(4, 1, BMF_8BPP);
  for (int x = 0; x < 4; ++x) static_cast<BYTE*>(src->pvScan0)[x] = static_cast<BYTE>(x);
  SURFOBJ* mask = Bitmap(4, 1, BMF_1BPP);
  static_cast<BYTE*>(mask->pvScan0)[0] = 0x60;
  auto xlate = plat_testing::MakeXlate(PAL_INDEXED, {0x10, 0x20, 0x30, 0x40});
  POINTL origin{0, 0};
  ASSERT_TRUE(EngBitBlt(dest, src, mask, nullptr, xlate.get(), &r, &origin, &origin, nullptr, nullptr, 0xAACC));
  EXPECT_EQ(Pixel(dest, 0, 0), 0xFFEEDDCCu) << "mask 0: destination kept";
  EXPECT_EQ(Pixel(dest, 1, 0), 0x20u);
  EXPECT_EQ(Pixel(dest, 2, 0), 0x30u);
  EXPECT_EQ(Pixel(dest, 3, 0), 0xFFEEDDCCu);

  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(EngBitBlt(dest, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xCCCC));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "a source ROP without a source";
}

TEST_F(EngineDrawing, MaskedBlitOnTheDeviceGoesThroughCopyBits) {
  SURFOBJ* src = Bitmap(2, 2, BMF_24BPP, false);
  auto xlate = plat_testing::MakeDibXlate(24);
  BYTE* top = static_cast<BYTE*>(src->pvScan0);
  top[0] = 0xFF;  // top-left pixel blue (B, G, R bytes)
  RECTL r{100, 100, 102, 102};
  POINTL origin{0, 0};
  ASSERT_TRUE(EngBitBlt(device, src, nullptr, nullptr, xlate.get(), &r, &origin, nullptr, nullptr, nullptr, 0xCCCC));
  ASSERT_EQ(g_copies.size(), 1u);
  EXPECT_EQ(g_copies[0].pixels[0], RGB(0, 0, 255));
  EXPECT_EQ(g_copies[0].pixels[1], RGB(0, 0, 0));
  EXPECT_EQ(g_copies[0].dest.left, 100);
}

TEST_F(EngineDrawing, ClippedCallsCoverOnlyTheClip) {
  auto clip = plat_testing::MakeClip({{0, 0, 10, 10}, {20, 0, 30, 10}});
  RECTL r{5, 0, 25, 5};
  EXPECT_TRUE(EngEraseSurface(device, &r, RGB(255, 255, 255)));
  auto brush = plat_testing::MakeSolidBrush(0);
  ASSERT_TRUE(EngBitBlt(device, nullptr, nullptr, clip.get(), nullptr, &r, nullptr, nullptr, brush.get(), nullptr,
                        0xF0F0));
  ASSERT_EQ(g_copies.size(), 2u);
  const CopyCall& c = g_copies[1];
  EXPECT_TRUE(c.clipGiven) << "the driver clips the temporary with the call's clip";
  EXPECT_EQ(c.dest.left, 5);
  EXPECT_EQ(c.dest.right, 25);
  EXPECT_EQ(c.pixels[0], 0u) << "inside the clip: the brush";
  EXPECT_EQ(c.pixels[10], 0xFFFFFFu) << "between the rectangles: untouched white";
}

TEST_F(EngineDrawing, StretchMirrorsAndTransparentSkips) {
  SURFOBJ* src = Bitmap(2, 1, BMF_8BPP);
  static_cast<BYTE*>(src->pvScan0)[0] = 1;
  static_cast<BYTE*>(src->pvScan0)[1] = 2;
  SURFOBJ* dest = Bitmap(4, 1, BMF_8BPP);
  RECTL srcRect{0, 0, 2, 1}, mirrored{4, 0, 0, 1};
  ASSERT_TRUE(EngStretchBlt(dest, src, nullptr, nullptr, nullptr, nullptr, nullptr, &mirrored, &srcRect, nullptr, 3));
  EXPECT_EQ(Pixel(dest, 0, 0), 2u);
  EXPECT_EQ(Pixel(dest, 1, 0), 2u);
  EXPECT_EQ(Pixel(dest, 2, 0), 1u);
  EXPECT_EQ(Pixel(dest, 3, 0), 1u);

  std::fill_n(static_cast<BYTE*>(dest->pvScan0), 4, BYTE{9});
  RECTL plain{0, 0, 4, 1};
  ASSERT_TRUE(EngTransparentBlt(dest, src, nullptr, nullptr, &plain, &srcRect, 2, 0));
  EXPECT_EQ(Pixel(dest, 0, 0), 1u);
  EXPECT_EQ(Pixel(dest, 3, 0), 9u) << "the transparent colour leaves the destination";
}

TEST_F(EngineDrawing, CopyBitsBetweenBitmapsAndErase) {
  SURFOBJ* src = Bitmap(3, 2, BMF_8BPP, false);
  for (LONG y = 0; y < 2; ++y)
    for (LONG x = 0; x < 3; ++x) static_cast<BYTE*>(src->pvScan0)[y * src->lDelta + x] = static_cast<BYTE>(y * 3 + x);
  SURFOBJ* dest = Bitmap(3, 2, BMF_32BPP);
  std::vector<ULONG> colors;
  for (ULONG i = 0; i < 6; ++i) colors.push_back(RGB(i, 0, 0));
  auto xlate = plat_testing::MakeXlate(PAL_INDEXED, colors);
  RECTL r{1, 0, 3, 2};
  POINTL from{0, 0};
  ASSERT_TRUE(EngCopyBits(dest, src, nullptr, xlate.get(), &r, &from));
  EXPECT_EQ(Pixel(dest, 0, 0), 0u);
  EXPECT_EQ(Pixel(dest, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(dest, 2, 1), RGB(4, 0, 0));

  RECTL all{0, 0, 3, 2};
  ASSERT_TRUE(EngEraseSurface(dest, &all, 0x00ABCDEF));
  EXPECT_EQ(Pixel(dest, 2, 1), 0x00ABCDEFu);
  RECTL outside{50, 50, 60, 60};
  EXPECT_TRUE(EngEraseSurface(dest, &outside, 0)) << "nothing to erase outside the bitmap";
}

TEST_F(EngineDrawing, ADriverThatHandsTheCopyBackEndsInsteadOfLooping) {
  g_punt = true;
  RECTL r{0, 0, 2, 2};
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(EngEraseSurface(device, &r, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

}  // namespace
