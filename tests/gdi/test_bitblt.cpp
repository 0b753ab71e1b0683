// The bit-block entry points on a record with an open page: which calls become rectangles,
// which become images (and with which ROP and transparency), which go back to the engine, and
// the gates every call passes first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <win/gdi_images.h>

#include "gdi/image.h"
#include "gdi/nt/bitblt.h"
#include "gdi/nt/ddientry.h"
#include "image_fixture.h"
#include "writer_fixture.h"

namespace {

using imagetest::Images;
using imagetest::TableXlate;
using imagetest::TestBitmap;
using imagetest::TrivialXlate;
using testsupport::OpenPdevTest;

// The operators of a listing whose line starts with one of the names.
std::vector<std::string> Only(const std::vector<std::string>& lines, std::initializer_list<const char*> names) {
  std::vector<std::string> kept;
  for (const std::string& line : lines)
    for (const char* name : names)
      if (line.rfind(std::string(name) + " ", 0) == 0 || line == name) kept.push_back(line);
  return kept;
}

bool Has(const std::vector<std::string>& lines, const std::string& name) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(name, 0) == 0; });
}

class BitBlt : public OpenPdevTest {
 protected:
  BOOL Blt(SURFOBJ* source, RECTL target, ROP4 rop4, BRUSHOBJ* brush = nullptr, POINTL from = {0, 0},
           XLATEOBJ* xlate = nullptr, SURFOBJ* mask = nullptr) {
    POINTL origin = {0, 0};
    return DrvBitBlt(surface(), source, mask, nullptr, xlate, &target, source ? &from : nullptr, nullptr, brush,
                     &origin, rop4);
  }
  BRUSHOBJ Solid(ULONG colour) {
    BRUSHOBJ brush{};
    brush.iSolidColor = colour;
    return brush;
  }
};

TEST_F(BitBlt, PatternCopyWithASolidBrushFillsARectangle) {
  Take();
  BRUSHOBJ black = Solid(0x000000);
  EXPECT_TRUE(Blt(nullptr, {10, 20, 110, 70}, 0xF0F0, &black));
  std::vector<std::string> lines = TakeLines();
  EXPECT_FALSE(Has(lines, "BeginImage"));
  EXPECT_EQ(Only(lines, {"SetROP", "SetSourceTxMode", "SetPaintTxMode", "PaintPath"}),
            (std::vector<std::string>{"SetROP ROP3=240", "SetSourceTxMode TxMode=eOpaque",
                                      "SetPaintTxMode TxMode=eOpaque", "PaintPath"}));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "RectanglePath BoundingBox=(10,20,110,70)") << "the painted rectangle";
}

TEST_F(BitBlt, PatternOverAnUntouchedBackgroundIsATransparentPatternFill) {
  Take();
  BRUSHOBJ grey = Solid(0x808080);
  EXPECT_TRUE(Blt(nullptr, {10, 20, 110, 70}, BITBLT_ROP4_PATTERN_OVER, &grey));
  EXPECT_EQ(Only(TakeLines(), {"SetROP", "SetSourceTxMode", "SetPaintTxMode"}),
            (std::vector<std::string>{"SetROP ROP3=240", "SetSourceTxMode TxMode=eTransparent",
                                      "SetPaintTxMode TxMode=eTransparent"}));
}

TEST_F(BitBlt, WholeAreaRopsPaintBlackOrWhite) {
  struct Case {
    ROP4 rop4;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {0x5555, {"SetROP ROP3=85", "SetBrushSource GrayLevel=0", "SetPenSource NullPen=0", "PaintPath"}},
      {0x0000, {"SetROP ROP3=0", "SetPenSource NullPen=0", "SetBrushSource GrayLevel=0", "PaintPath"}},
      {0xFFFF, {"SetROP ROP3=255", "SetPenSource NullPen=0", "SetBrushSource GrayLevel=255", "PaintPath"}},
  };
  for (const Case& c : cases) {
    Gx_ResetStateCache(pdev());
    Take();
    EXPECT_TRUE(Blt(nullptr, {0, 0, 50, 50}, c.rop4));
    EXPECT_EQ(Only(TakeLines(), {"SetROP", "SetBrushSource", "SetPenSource", "PaintPath"}), c.lines) << c.rop4;
  }
}

TEST_F(BitBlt, SourcelessRopsAreExactlyThePatternAndDestinationOnes) {
  const BYTE listed[] = {0x05, 0x0A, 0x0F, 0x50, 0x5A, 0x5F, 0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA,
                         0x00, 0x55, 0xFF};
  for (int rop = 0; rop < 256; ++rop) {
    bool expected = std::find(std::begin(listed), std::end(listed), rop) != std::end(listed);
    EXPECT_EQ(BitBlt_RopUsesNoSource(static_cast<BYTE>(rop)) != 0, expected) << rop;
  }
  // Without a brush such a ROP has nothing to paint with.
  for (BYTE rop : {0x05, 0x5A, 0xA0, 0xF0}) {
    Take();
    EXPECT_TRUE(Blt(nullptr, {0, 0, 50, 50}, static_cast<ROP4>(rop * 0x101)));
    EXPECT_EQ(TakeListing(), "") << int(rop);
  }
  EXPECT_TRUE(BitBlt_RopUsesPattern(0xB8));
  EXPECT_FALSE(BitBlt_RopUsesPattern(0xCC));
  EXPECT_FALSE(BitBlt_RopUsesPattern(0x66));
}

TEST_F(BitBlt, SourceCopyFromA24BitBitmapIsOneGreyImage) {
  TestBitmap bitmap(8, 4, BMF_24BPP, false);
  bitmap.SetBgr(0, 0, 255, 0, 0);
  TrivialXlate trivial;
  Take();
  EXPECT_TRUE(Blt(bitmap.surf(), {100, 100, 108, 104}, 0xCCCC, nullptr, {0, 0}, trivial.get()));
  std::vector<uint8_t> bytes = Take();
  pclxl::Decoded run = pclxl::DecodeOperators(bytes);
  EXPECT_EQ(Only(run.listing, {"SetROP"}), std::vector<std::string>{"SetROP ROP3=204"});
  auto images = Images(bytes);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].listing[0], "BeginImage 8x4 -> 8x4 direct e8Bit gray");
  EXPECT_EQ(images[0].rows[0][0], 26) << "the trivial translation reads the stored bytes as red, green, blue";
}

TEST_F(BitBlt, TargetOutsideThePrintableBoxDrawsNothing) {
  TestBitmap bitmap(8, 4, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  const SHORT* box = pdev()->job.layout.printableBox;
  Take();
  EXPECT_TRUE(Blt(bitmap.surf(), {box[2] + 10, 0, box[2] + 18, 4}, 0xCCCC, nullptr, {0, 0}, ramp.get()));
  EXPECT_TRUE(Take().empty());
}

TEST_F(BitBlt, TargetCutByThePrintableBoxTakesItsSourcePixelsAlong) {
  TestBitmap bitmap(8, 1, BMF_8BPP);
  for (LONG x = 0; x < 8; ++x) bitmap.Row(0)[x] = static_cast<uint8_t>(x);
  TableXlate ramp(imagetest::GreyRamp(256));
  Take();
  EXPECT_TRUE(Blt(bitmap.surf(), {-3, 0, 5, 1}, 0xCCCC, nullptr, {0, 0}, ramp.get()));
  auto images = Images(Take());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].x, 0);
  EXPECT_EQ(images[0].rows[0], (std::vector<uint8_t>{3, 4, 5, 6, 7}));
}

TEST_F(BitBlt, SourceAndPatternRopSelectsTheBrushFirst) {
  TestBitmap bitmap(4, 1, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  BRUSHOBJ grey = Solid(0x404040);
  Take();
  EXPECT_TRUE(Blt(bitmap.surf(), {0, 0, 4, 1}, 0xB8B8, &grey, {0, 0}, ramp.get()));
  std::vector<std::string> lines = Only(TakeLines(), {"SetBrushSource", "SetROP", "BeginImage"});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "SetBrushSource GrayLevel=64");
  EXPECT_EQ(lines[1], "SetROP ROP3=184");
}

TEST_F(BitBlt, GatesComeFirst) {
  TestBitmap bitmap(4, 1, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  Take();
  pdev()->jobCtl.flags &= ~JF_PAGE_OPEN;
  EXPECT_FALSE(Blt(bitmap.surf(), {0, 0, 4, 1}, 0xCCCC, nullptr, {0, 0}, ramp.get())) << "no page open";
  pdev()->jobCtl.flags |= JF_PAGE_OPEN;

  job().dmPrivate.dwDumpFlags &= ~RENDER_DUMP_IMAGES;
  EXPECT_TRUE(Blt(bitmap.surf(), {0, 0, 4, 1}, 0xCCCC, nullptr, {0, 0}, ramp.get())) << "images switched off";
  EXPECT_EQ(pdev()->job.image.blits, 0u);
  job().dmPrivate.dwDumpFlags |= RENDER_DUMP_IMAGES;
  EXPECT_TRUE(Take().empty());

  // The call-range filter draws only the second drawing call.
  pdev()->job.gx.callFirst = 2;
  pdev()->job.gx.callLast = 2;
  std::vector<size_t> images;
  for (int call = 0; call < 3; ++call) {
    EXPECT_TRUE(Blt(bitmap.surf(), {0, 0, 4, 1}, 0xCCCC, nullptr, {0, 0}, ramp.get()));
    images.push_back(Images(Take()).size());
  }
  EXPECT_EQ(images, (std::vector<size_t>{0, 1, 0}));
  EXPECT_EQ(pdev()->job.image.blits, 1u);
  EXPECT_EQ(pdev()->job.gx.objectKind, GX_KIND_IMAGE);
}

TEST_F(BitBlt, MasksGoToTheEngine) {
  TestBitmap bitmap(4, 1, BMF_8BPP), mask(4, 1, BMF_1BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  Take();
  Blt(bitmap.surf(), {0, 0, 4, 1}, 0xCCAA, nullptr, {0, 0}, ramp.get(), mask.surf());
  EXPECT_FALSE(Has(TakeLines(), "BeginImage")) << "the driver itself sends no image for a masked blit";
}

// ---- DrvCopyBits --------------------------------------------------------------------------------

TEST_F(BitBlt, CopyBitsRefusesForeignTargetsAndErasesCopiesFromTheDevice) {
  TestBitmap target(4, 4, BMF_24BPP), source(4, 4, BMF_24BPP);
  RECTL rect = {0, 0, 4, 4};
  POINTL from = {0, 0};
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(DrvCopyBits(target.surf(), source.surf(), nullptr, nullptr, &rect, &from));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // A copy out of the device surface: the engine erases the target bitmap to white.
  std::fill(target.bits.begin(), target.bits.end(), 0x12);
  EXPECT_TRUE(DrvCopyBits(target.surf(), surface(), nullptr, nullptr, &rect, &from));
  EXPECT_TRUE(std::all_of(target.bits.begin(), target.bits.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(BitBlt, CopyAfterATriangleGradientHasATransparentSourceOnce) {
  TestBitmap source(4, 4, BMF_24BPP);
  TrivialXlate trivial;
  RECTL rect = {0, 0, 4, 4};
  POINTL from = {0, 0};
  TRIVERTEX vertices[3] = {{0, 0, 0, 0, 0, 0}, {4, 0, 0xFF00, 0, 0, 0}, {0, 4, 0, 0, 0xFF00, 0}};
  GRADIENT_TRIANGLE triangle = {0, 1, 2};
  Take();
  EXPECT_TRUE(DrvGradientFill(surface(), nullptr, nullptr, vertices, 3, &triangle, 1, &rect, &from,
                              GRADIENT_FILL_TRIANGLE));
  Take();
  EXPECT_TRUE(DrvCopyBits(surface(), source.surf(), nullptr, trivial.get(), &rect, &from));
  EXPECT_EQ(Only(TakeLines(), {"SetSourceTxMode"}), std::vector<std::string>{"SetSourceTxMode TxMode=eTransparent"});
  EXPECT_TRUE(DrvCopyBits(surface(), source.surf(), nullptr, trivial.get(), &rect, &from));
  EXPECT_EQ(Only(TakeLines(), {"SetSourceTxMode"}), std::vector<std::string>{"SetSourceTxMode TxMode=eOpaque"});
}

// ---- DrvStretchBlt ------------------------------------------------------------------------------

TEST_F(BitBlt, StretchSendsTheSourceSizeAndLetsThePrinterScale) {
  TestBitmap source(10, 5, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  RECTL dest = {100, 100, 300, 200}, src = {2, 1, 8, 5};
  Take();
  EXPECT_TRUE(DrvStretchBlt(surface(), source.surf(), nullptr, nullptr, ramp.get(), nullptr, nullptr, &dest, &src,
                            nullptr, COLORONCOLOR));
  auto images = Images(Take());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].listing[0], "BeginImage 6x4 -> 200x100 indexed e8Bit gray palette 256");
  EXPECT_EQ(images[0].rop, 0xCC);
}

TEST_F(BitBlt, HalftonedStretchesGoToTheEngine) {
  TestBitmap source(10, 5, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  RECTL dest = {100, 100, 300, 200}, src = {0, 0, 10, 5};
  COLORADJUSTMENT adjustment{};
  adjustment.caSize = sizeof adjustment;
  Take();
  DrvStretchBlt(surface(), source.surf(), nullptr, nullptr, ramp.get(), &adjustment, nullptr, &dest, &src, nullptr,
                HALFTONE);
  EXPECT_EQ(pdev()->job.image.stretches, 1u);
}

// ---- DrvTransparentBlt --------------------------------------------------------------------------

TEST_F(BitBlt, TransparentBlitOfA32BitSourceIsAMaskThenTheSource) {
  TestBitmap source(3, 2, BMF_32BPP);
  const ULONG key = 0x00FF00;  // green, as stored: B=00 G=FF R=00
  for (LONG y = 0; y < 2; ++y)
    for (LONG x = 0; x < 3; ++x) source.SetBgr(x, y, 0, 0xFF, 0);
  source.SetBgr(1, 0, 0x10, 0x20, 0x30);
  source.SetBgr(2, 1, 0x40, 0x50, 0x60);
  TrivialXlate trivial;
  RECTL dest = {50, 60, 53, 62}, src = {0, 0, 3, 2};
  Take();
  EXPECT_TRUE(DrvTransparentBlt(surface(), source.surf(), nullptr, trivial.get(), &dest, &src, key, 0));
  auto images = Images(Take());
  ASSERT_EQ(images.size(), 2u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_TRUE(images[1].ok) << images[1].error;
  EXPECT_EQ(images[0].rop, 0xEE);
  EXPECT_EQ(images[0].listing[0], "BeginImage 3x2 -> 3x2 indexed e1Bit gray palette 2");
  EXPECT_EQ(images[0].palette, (std::vector<uint8_t>{0, 255}));
  EXPECT_EQ(images[0].rows, (std::vector<std::vector<uint8_t>>{{0x40}, {0x20}}));
  EXPECT_EQ(images[1].rop, 0x88);
  EXPECT_EQ(images[1].listing[0], "BeginImage 3x2 -> 3x2 direct e8Bit gray");
  EXPECT_EQ(images[1].rows[0][0], 255) << "transparent pixels become white";
}

TEST_F(BitBlt, TransparentBlitsThatCannotBeSplitGoToTheEngine) {
  TestBitmap palette(3, 2, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  RECTL dest = {0, 0, 3, 2}, src = {0, 0, 3, 2};
  Take();
  DrvTransparentBlt(surface(), palette.surf(), nullptr, ramp.get(), &dest, &src, 0, 0);
  EXPECT_FALSE(Has(TakeLines(), "BeginImage")) << "8-bit sources are the engine's";

  TestBitmap direct(3, 2, BMF_24BPP);
  TrivialXlate trivial;
  writertest::FailNextAllocation();
  DrvTransparentBlt(surface(), direct.surf(), nullptr, trivial.get(), &dest, &src, 0, 0);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  EXPECT_FALSE(Has(TakeLines(), "BeginImage")) << "without memory for the mask the engine draws it";
}

// ---- Watermark clip --------------------------------------------------------------------------

TEST_F(BitBlt, TiledWatermarkImagesKeepTheWatermarksClip) {
  TestBitmap bitmap(4, 1, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  CLIPOBJ clip{};
  clip.iDComplexity = DC_RECT;
  clip.rclBounds = {10, 10, 20, 20};
  RECTL target = {0, 0, 40, 40};
  POINTL from = {0, 0}, origin = {0, 0};
  Take();
  DrvBitBlt(surface(), bitmap.surf(), nullptr, &clip, ramp.get(), &target, &from, nullptr, nullptr, &origin, 0xCCCC);
  EXPECT_TRUE(Has(TakeLines(), "SetClipReplace")) << "an ordinary image sets its clip";

  pdev()->jobCtl.flags |= JF_WATERMARK;
  job().dmPrivate.wmark.wmTile = 1;
  Gx_ResetStateCache(pdev());
  Take();
  DrvBitBlt(surface(), bitmap.surf(), nullptr, &clip, ramp.get(), &target, &from, nullptr, nullptr, &origin, 0xCCCC);
  std::vector<std::string> lines = TakeLines();
  EXPECT_TRUE(Has(lines, "BeginImage"));
  EXPECT_FALSE(Has(lines, "SetClipReplace")) << "a tiled watermark's cell clip stays";
}

}  // namespace
