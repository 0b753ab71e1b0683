// The image writer: what one bitmap becomes on the wire, read back through the test support's
// own raster readers (source and destination sizes, depth and palette, compression, row
// padding, block heights, the rows themselves).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gdi/image.h"
#include "gdi/imagerow.h"
#include "gdi/raster.h"
#include <win/files.h>
#include "image_fixture.h"
#include "writer_fixture.h"

namespace {

using imagetest::Images;
using imagetest::Joined;
using imagetest::TableXlate;
using imagetest::TestBitmap;
using imagetest::TrivialXlate;
using testsupport::OpenPdevTest;
using writertest::Hex;
using writertest::ToHex;

class ImageWriter : public OpenPdevTest {
 protected:
  // The image's bytes after the graphics state the writer sets before it.
  std::vector<pclxl::DecodedImage> Draw(TestBitmap& bitmap, RECTL dest, XLATEOBJ* xlate, POINTL from = {0, 0},
                                        LONG width = -1, LONG height = -1) {
    // Each image is read on its own: the state it needs must be in its own bytes.
    Gx_ResetStateCache(pdev());
    Take();
    if (width < 0) width = bitmap.so.sizlBitmap.cx;
    if (height < 0) height = bitmap.so.sizlBitmap.cy;
    EXPECT_TRUE(Image_FromBlit(pdev(), nullptr, bitmap.surf(), width, height, &from, &dest, xlate));
    return Images(Take());
  }
};

TEST_F(ImageWriter, SendsAnIndexedGreyImageWithItsPaletteAndPaddedRows) {
  TestBitmap bitmap(5, 1, BMF_8BPP);
  const uint8_t row[5] = {1, 2, 3, 4, 5};
  std::memcpy(bitmap.Row(0), row, 5);
  TableXlate ramp(imagetest::GreyRamp(256));
  Take();
  RECTL dest = {100, 200, 150, 210};
  POINTL from = {0, 0};
  ASSERT_TRUE(Image_FromBlit(pdev(), nullptr, bitmap.surf(), 5, 1, &from, &dest, ramp.get()));
  pclxl::Decoded run = pclxl::DecodeOperators(Take());
  ASSERT_TRUE(run.ok) << run.error;
  const pclxl::Operator* read = nullptr;
  for (const auto& op : run.operators)
    if (op.tag == 0xB1) read = &op;
  ASSERT_NE(read, nullptr);
  // The row padded to 8 bytes: the literal, then the three padding zeros as a repeat run.
  EXPECT_EQ(ToHex(*read->data), "04 01 02 03 04 05 FE 00");
  auto images = pclxl::DecodeImages(run);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(Joined(images[0].listing),
            "BeginImage 5x1 -> 50x10 indexed e8Bit gray palette 256 | ReadImage 0+1 rle 8 | EndImage");
  EXPECT_EQ(images[0].x, 100);
  EXPECT_EQ(images[0].y, 200);
  EXPECT_EQ(images[0].palette[255], 255);
  EXPECT_EQ(images[0].rows[0], std::vector<uint8_t>(row, row + 5));
}

// Every accepted source format, both row orders: the rows arrive top row first, in the form the
// job prints (indices for palette sources, grey bytes for direct ones in a grey job).
TEST_F(ImageWriter, ReadsEveryFormatInBothRowOrders) {
  struct Case {
    ULONG format;
    const char* listing;
  };
  const Case cases[] = {
      {BMF_1BPP, "BeginImage 12x3 -> 12x3 indexed e1Bit gray palette 2"},
      {BMF_4BPP, "BeginImage 12x3 -> 12x3 indexed e4Bit gray palette 16"},
      {BMF_8BPP, "BeginImage 12x3 -> 12x3 indexed e8Bit gray palette 256"},
      {BMF_24BPP, "BeginImage 12x3 -> 12x3 direct e8Bit gray"},
      {BMF_32BPP, "BeginImage 12x3 -> 12x3 direct e8Bit gray"},
  };
  for (const Case& c : cases) {
    for (bool topDown : {true, false}) {
      SCOPED_TRACE(std::string(c.listing) + (topDown ? " top-down" : " bottom-up"));
      TestBitmap bitmap(12, 3, c.format, topDown);
      const ULONG bits = imagetest::BitsOf(c.format);
      std::vector<std::vector<uint8_t>> expected;
      for (LONG y = 0; y < 3; ++y) {
        std::vector<uint8_t> want;
        for (LONG x = 0; x < 12; ++x) {
          uint8_t v = static_cast<uint8_t>((x * 5 + y * 3) & ((bits < 8) ? ((1 << bits) - 1) : 0xFF));
          uint8_t* row = bitmap.Row(y);
          if (bits == 1) {
            if (v) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          } else if (bits == 4) {
            row[x / 2] |= static_cast<uint8_t>((x % 2) ? v : v << 4);
          } else if (bits == 8) {
            row[x] = v;
          } else {
            bitmap.SetBgr(x, y, v, v, v);  // grey pixels keep their value
            want.push_back(v);
          }
        }
        if (bits <= 8) {
          size_t bytes = (12 * bits + 7) / 8;
          const uint8_t* r = bitmap.Row(y);
          want.assign(r, r + bytes);
        }
        expected.push_back(want);
      }
      TableXlate table(imagetest::GreyRamp(size_t{1} << (bits <= 8 ? bits : 1)));
      TrivialXlate trivial;
      auto images = Draw(bitmap, {0, 0, 12, 3}, bits <= 8 ? table.get() : trivial.get());
      ASSERT_EQ(images.size(), 1u);
      EXPECT_TRUE(images[0].ok) << images[0].error;
      EXPECT_EQ(images[0].listing[0], c.listing);
      EXPECT_EQ(images[0].rows, expected);
    }
  }
}

// The translations the engine builds for DIB sources: 24- and 32-bit DIBs hold blue, green,
// red while the device palette is red first, so their bytes are exchanged; 16-bit pixels go
// through the translation one by one.
TEST_F(ImageWriter, EngineTranslationsGiveTheRgbOrderThePlatformWouldGive) {
  plat_testing::Xlate bgr = plat_testing::MakeXlate(PAL_BGR);
  plat_testing::Xlate rgb = plat_testing::MakeXlate(PAL_RGB);
  plat_testing::Xlate fields = plat_testing::MakeXlate(PAL_BITFIELDS, {}, 0xF800, 0x07E0, 0x001F);
  ASSERT_TRUE(bgr && rgb && fields);
  EXPECT_EQ(Image_GetRgbOrder(bgr.get(), BMF_24BPP), IMAGE_ORDER_SWAP);
  EXPECT_EQ(Image_GetRgbOrder(bgr.get(), BMF_32BPP), IMAGE_ORDER_SWAP);
  EXPECT_EQ(Image_GetRgbOrder(rgb.get(), BMF_24BPP), IMAGE_ORDER_KEEP);
  EXPECT_EQ(Image_GetRgbOrder(fields.get(), BMF_16BPP), IMAGE_ORDER_TRANSLATE);
  EXPECT_EQ(Image_GetRgbOrder(bgr.get(), BMF_8BPP), IMAGE_ORDER_NONE);
  EXPECT_EQ(Image_GetRgbOrder(nullptr, BMF_24BPP), IMAGE_ORDER_NONE);

  job().dmPublic.dmColor = DMCOLOR_COLOR;
  TestBitmap dib(2, 1, BMF_24BPP, false);
  dib.SetBgr(0, 0, 0x11, 0x22, 0x33);
  dib.SetBgr(1, 0, 0xFF, 0x00, 0x80);
  auto images = Draw(dib, {0, 0, 2, 1}, bgr.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rows[0], (std::vector<uint8_t>{0x11, 0x22, 0x33, 0xFF, 0x00, 0x80}));

  TestBitmap sixteen(2, 1, BMF_16BPP);
  const uint16_t pixels[2] = {0xF800, 0x001F};  // 5-6-5 red, blue
  std::memcpy(sixteen.Row(0), pixels, sizeof pixels);
  images = Draw(sixteen, {0, 0, 2, 1}, fields.get());
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].rows[0][0], 0xFF);
  EXPECT_EQ(images[0].rows[0][1], 0x00);
  EXPECT_EQ(images[0].rows[0][5], 0xFF);
  job().dmPublic.dmColor = DMCOLOR_MONOCHROME;
  images = Draw(sixteen, {0, 0, 2, 1}, fields.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rows[0], (std::vector<uint8_t>{73, 26})) << "grey of red and of blue";
}

TEST_F(ImageWriter, MirrorsWhereTheDestinationIsSwapped) {
  TestBitmap bitmap(4, 2, BMF_8BPP);
  const uint8_t rows[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  std::memcpy(bitmap.Row(0), rows[0], 4);
  std::memcpy(bitmap.Row(1), rows[1], 4);
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(bitmap, {40, 20, 0, 0}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].x, 0);
  EXPECT_EQ(images[0].y, 0);
  EXPECT_EQ(images[0].destWidth, 40);
  EXPECT_EQ(images[0].rows, (std::vector<std::vector<uint8_t>>{{8, 7, 6, 5}, {4, 3, 2, 1}}));

  TestBitmap ones(10, 1, BMF_1BPP);
  ones.Row(0)[0] = 0xC0;  // pixels 0 and 1 set
  TableXlate two(imagetest::GreyRamp(2));
  images = Draw(ones, {10, 0, 0, 1}, two.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rows[0], (std::vector<uint8_t>{0x00, 0xC0})) << "pixels 8 and 9 of the mirrored row";
}

TEST_F(ImageWriter, ZeroSizeDestinationDrawsNothing) {
  TestBitmap bitmap(4, 4, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  for (RECTL dest : {RECTL{10, 10, 10, 50}, RECTL{10, 10, 50, 10}, RECTL{30, 10, 30, 10}}) {
    Take();
    POINTL from = {0, 0};
    EXPECT_TRUE(Image_FromBlit(pdev(), nullptr, bitmap.surf(), 4, 4, &from, &dest, ramp.get()));
    EXPECT_TRUE(Take().empty());
  }
}

// A source rectangle that starts left of or above the bitmap, or reaches past it, keeps the
// scale: the destination loses the same share on the side the source lost it.
TEST_F(ImageWriter, CutSourcesMoveTheDestinationEdge) {
  TestBitmap bitmap(10, 10, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  struct Case {
    const char* name;
    POINTL from;
    RECTL dest;
    int x, y, destWidth, destHeight, sourceWidth, sourceHeight;
  };
  const Case cases[] = {
      {"left cut", {-5, 0}, {0, 0, 100, 100}, 50, 0, 50, 100, 5, 10},
      {"top cut", {0, -2}, {0, 0, 100, 100}, 0, 20, 100, 80, 10, 8},
      {"right cut", {6, 0}, {0, 0, 100, 100}, 0, 0, 40, 100, 4, 10},
      {"bottom cut", {0, 5}, {0, 0, 100, 100}, 0, 0, 100, 50, 10, 5},
      {"left cut of a mirrored image", {-5, 0}, {100, 0, 0, 100}, 0, 0, 50, 100, 5, 10},
  };
  for (const Case& c : cases) {
    auto images = Draw(bitmap, c.dest, ramp.get(), c.from, 10, 10);
    ASSERT_EQ(images.size(), 1u) << c.name;
    const auto& i = images[0];
    EXPECT_TRUE(i.ok) << c.name << ": " << i.error;
    EXPECT_EQ(std::vector<int>({i.x, i.y, i.destWidth, i.destHeight, i.sourceWidth, i.sourceHeight}),
              std::vector<int>({c.x, c.y, c.destWidth, c.destHeight, c.sourceWidth, c.sourceHeight}))
        << c.name;
  }
}

// The palette has exactly 2^depth entries whatever the translation holds.
// A destination beyond the 16-bit coordinates of BeginImage keeps the source pixels that reach
// the page, at the same scale.
TEST_F(ImageWriter, DestinationsBeyondTheWireRangeKeepWhatReachesThePage) {
  TestBitmap bitmap(100, 1, BMF_8BPP);
  for (LONG x = 0; x < 100; ++x) bitmap.Row(0)[x] = static_cast<uint8_t>(x);
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(bitmap, {-50000, 0, 50000, 10}, ramp.get());  // 1000 dots a pixel
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  const LONG pageWidth = pdev()->job.layout.printableBox[2];
  const int pixels = static_cast<int>((pageWidth + 999) / 1000);
  EXPECT_EQ(images[0].x, 0);
  EXPECT_EQ(images[0].sourceWidth, pixels);
  EXPECT_EQ(images[0].destWidth, pixels * 1000);
  EXPECT_EQ(images[0].rows[0].front(), 50) << "the first pixel that reaches the page";

  images = Draw(bitmap, {50000, 0, -50000, 10}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rows[0].front(), 49) << "mirrored: the page shows the pixels left of the middle";
  EXPECT_TRUE(Draw(bitmap, {40000, 0, 140000, 10}, ramp.get()).empty()) << "nothing reaches the page";
}

TEST_F(ImageWriter, PaletteAlwaysHoldsTwoToTheDepthEntries) {
  for (size_t given : {1u, 5u, 256u, 300u}) {
    TestBitmap bitmap(4, 1, BMF_8BPP);
    std::vector<ULONG> table(given, 0xFFFFFF);
    TableXlate xlate(table);
    auto images = Draw(bitmap, {0, 0, 4, 1}, xlate.get());
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(images[0].ok) << given << ": " << images[0].error;
    ASSERT_EQ(images[0].palette.size(), 256u) << given;
    EXPECT_EQ(images[0].palette[given < 256 ? given - 1 : 255], 255) << given;
    if (given < 256) {
      EXPECT_EQ(images[0].palette[given], 0) << "missing entries are black";
    }
  }
  TestBitmap untranslated(4, 1, BMF_1BPP);
  auto images = Draw(untranslated, {0, 0, 4, 1}, nullptr);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].palette, (std::vector<uint8_t>{0, 255})) << "without a table: a grey ramp";
}

// With the raster dump on, every raw row the run-length encoder takes also goes to the text log,
// after its length as four bytes.
TEST_F(ImageWriter, RasterDumpLogsTheRawRows) {
  HANDLE log = CreateFileW(u"C:\\raster.log", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(log, INVALID_HANDLE_VALUE);
  pdev()->job.text.hTextLog = log;
  job().dmPrivate.dwDumpFlags |= RENDER_DUMP_RASTER;
  TestBitmap bitmap(3, 1, BMF_8BPP);
  bitmap.Row(0)[0] = 7;
  TableXlate ramp(imagetest::GreyRamp(256));
  Draw(bitmap, {0, 0, 3, 1}, ramp.get());
  pdev()->job.text.hTextLog = nullptr;
  CloseHandle(log);
  EXPECT_EQ(ToHex(writertest::ReadHostFile(machine_.Host("drives/C/raster.log"))), "04 00 00 00 07 00 00 00");
}

TEST_F(ImageWriter, BlocksHoldUpTo12000BytesOfRows) {
  TestBitmap bitmap(5000, 7, BMF_8BPP);
  std::mt19937 random(3);
  for (auto& b : bitmap.bits) b = static_cast<uint8_t>(random());
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(bitmap, {0, 0, 5000, 7}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  std::vector<int> heights;
  for (const auto& b : images[0].blocks) heights.push_back(b.blockHeight);
  EXPECT_EQ(heights, (std::vector<int>{2, 2, 2, 1}));
  for (LONG y = 0; y < 7; ++y)
    EXPECT_EQ(images[0].rows[y], std::vector<uint8_t>(bitmap.Row(y), bitmap.Row(y) + 5000)) << y;
}

// A 10-byte row (padded to 12) that run-length encoding cannot shrink still goes run-length:
// only rows that would grow past 11/10 of their raw size go raw.
TEST_F(ImageWriter, IncompressibleShortRowsStayRunLength) {
  TestBitmap bitmap(10, 3, BMF_8BPP);
  for (LONG y = 0; y < 3; ++y)
    for (LONG x = 0; x < 10; ++x) bitmap.Row(y)[x] = static_cast<uint8_t>(x * 17 + y);
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(bitmap, {0, 0, 10, 3}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(Joined(images[0].listing),
            "BeginImage 10x3 -> 10x3 indexed e8Bit gray palette 256 | ReadImage 0+3 rle 39 | EndImage");
}

// Delta-row, RGB output and the object mode are only reached in colour jobs, which the settings
// merges never produce: the job copy is set to colour here.
class ColourImageWriter : public ImageWriter {
 protected:
  void SetUp() override {
    ImageWriter::SetUp();
    job().dmPublic.dmColor = DMCOLOR_COLOR;
  }
};

TEST_F(ColourImageWriter, DirectImagesGoDeltaRowAndNeverRaw) {
  TestBitmap bitmap(40, 6, BMF_24BPP);
  std::mt19937 random(5);
  for (LONG y = 0; y < 6; ++y)
    for (LONG x = 0; x < 40; ++x)
      bitmap.SetBgr(x, y, static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(y));
  TrivialXlate trivial;
  auto images = Draw(bitmap, {0, 0, 40, 6}, trivial.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].listing[0], "BeginImage 40x6 -> 40x6 direct e8Bit rgb");
  for (const auto& block : images[0].blocks) EXPECT_EQ(block.compression, 3) << "no raw fallback in delta-row";
  // Trivial translation: the bytes are red, green, blue as stored.
  const uint8_t* first = bitmap.Row(0);
  EXPECT_EQ(images[0].rows[0], std::vector<uint8_t>(first, first + 120));
}

TEST_F(ColourImageWriter, IndexedImagesAndOverlayFormsGoRunLength) {
  TestBitmap indexed(8, 2, BMF_8BPP);
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(indexed, {0, 0, 8, 2}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].blocks[0].compression, 1);
  EXPECT_EQ(images[0].palette.size(), 768u) << "256 RGB entries";

  job().dmPrivate.overlay.bOverlay = OVERLAY_CREATE;
  TestBitmap direct(8, 2, BMF_24BPP);
  TrivialXlate trivial;
  images = Draw(direct, {0, 0, 8, 2}, trivial.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].blocks[0].compression, 1);
}

// Rows whose delta-row encoding could pass the 16-bit row length go run-length instead.
TEST_F(ColourImageWriter, RowsTooWideForDeltaRowGoRunLength) {
  TestBitmap bitmap(19500, 2, BMF_24BPP);  // 58500 bytes a row
  TrivialXlate trivial;
  auto images = Draw(bitmap, {0, 0, 1950, 2}, trivial.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].blocks[0].compression, 1);
  TestBitmap narrower(19400, 2, BMF_24BPP);  // 58200 bytes
  images = Draw(narrower, {0, 0, 1940, 2}, trivial.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].blocks[0].compression, 3);
}

TEST_F(ImageWriter, SourcesBeyond65535PixelsAreReduced) {
  TestBitmap bitmap(70000, 1, BMF_8BPP);
  for (LONG x = 0; x < 70000; ++x) bitmap.Row(0)[x] = static_cast<uint8_t>(x / 1000);
  TableXlate ramp(imagetest::GreyRamp(256));
  auto images = Draw(bitmap, {0, 0, 7000, 1}, ramp.get());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].sourceWidth, 65535);
  EXPECT_EQ(images[0].rows[0].front(), 0);
  EXPECT_EQ(images[0].rows[0].back(), 69) << "the last sample lands on the last source pixel";
}

// ---- Reduction ---------------------------------------------------------------------------------

class ImageReduction : public ImageWriter {
 protected:
  SIZEL Reduced(DWORD w, DWORD h, RECTL dest, ULONG format = BMF_8BPP, BOOL mirrored = FALSE) {
    TestBitmap bitmap(static_cast<LONG>(w), static_cast<LONG>(h), format);
    ImageRowFormat f;
    EXPECT_TRUE(Image_RowFormat(pdev(), format, nullptr, &f));
    POINTL from = {0, 0};
    return Image_ReducedSize(pdev(), bitmap.surf(), f, &from, w, h, &dest, mirrored);
  }
  LONG PageWidth() { return pdev()->job.layout.printableBox[2]; }
  LONG PageHeight() { return pdev()->job.layout.printableBox[3]; }
};

TEST_F(ImageReduction, LargeSourceOnAOnePageSheetGoesAtItsDestinationSize) {
  const LONG w = PageWidth(), h = PageHeight();
  SIZEL s = Reduced(static_cast<DWORD>(w), static_cast<DWORD>(h), {0, 0, w / 2, h / 2});
  EXPECT_EQ(s.cx, w / 2);
  EXPECT_EQ(s.cy, h / 2);
  s = Reduced(static_cast<DWORD>(w / 3), static_cast<DWORD>(h), {0, 0, w / 4, h / 2});
  EXPECT_EQ(s.cx, w / 3) << "less than half the page wide: sent whole";
  s = Reduced(static_cast<DWORD>(w), static_cast<DWORD>(h), {0, 0, w, h / 2});
  EXPECT_EQ(s.cy, h) << "not larger than the destination in both directions";
  pdev()->job.layout.pageScale[0] = 0.5;
  s = Reduced(static_cast<DWORD>(w), static_cast<DWORD>(h), {0, 0, w / 2, h / 2});
  EXPECT_EQ(s.cx, w / 4) << "a page scale below 1 shrinks the target";
  EXPECT_EQ(s.cy, h / 2);
}

// Landscape ".PDF" documents: wide images that run-length encoding cannot shrink below 70 % go at
// their destination size.
TEST_F(ImageReduction, PdfLandscapeImagesThatDoNotCompressGoAtTheDestinationSize) {
  pdev()->jobCtl.flags |= JF_PDF_DOCUMENT;
  pdev()->job.jobOrientation = DMORIENT_LANDSCAPE;
  const LONG wide = PageWidth() * 2 / 3 + 1;
  TestBitmap noise(1200, 40, BMF_8BPP), flat(1200, 40, BMF_8BPP);
  std::mt19937 random(11);
  for (auto& b : noise.bits) b = static_cast<uint8_t>(random());
  ImageRowFormat f;
  ASSERT_TRUE(Image_RowFormat(pdev(), BMF_8BPP, nullptr, &f));
  POINTL from = {0, 0};
  EXPECT_GE(Image_EstimateCompression(pdev(), noise.surf(), f, &from, 1200, 40), 100u);
  EXPECT_LE(Image_EstimateCompression(pdev(), flat.surf(), f, &from, 1200, 40), 2u);
  RECTL dest = {0, 0, wide, 20};
  SIZEL s = Image_ReducedSize(pdev(), noise.surf(), f, &from, 1200, 40, &dest, FALSE);
  EXPECT_EQ(s.cx, 1200) << "not wider than its destination";
  EXPECT_EQ(s.cy, 20);
  s = Image_ReducedSize(pdev(), flat.surf(), f, &from, 1200, 40, &dest, FALSE);
  EXPECT_EQ(s.cy, 40) << "a flat image compresses well and is sent whole";
  dest.right = wide - 2;
  s = Image_ReducedSize(pdev(), noise.surf(), f, &from, 1200, 40, &dest, FALSE);
  EXPECT_EQ(s.cy, 40) << "narrower than two thirds of the printable width";
}

TEST_F(ImageReduction, PowerPointSlidesOfTheDestinationSizeGoAtSevenTenths) {
  PlatformTest_SetImageName("POWERPNT.EXE", FALSE);
  const LONG w = PageWidth(), h = PageHeight();
  SIZEL s = Reduced(static_cast<DWORD>(w), static_cast<DWORD>(h), {0, 0, w, h});
  EXPECT_EQ(s.cx, static_cast<LONG>(w * 0.7));
  EXPECT_EQ(s.cy, static_cast<LONG>(h * 0.7));
  PlatformTest_SetImageName("WINWORD.EXE", FALSE);
  s = Reduced(static_cast<DWORD>(w), static_cast<DWORD>(h), {0, 0, w, h});
  EXPECT_EQ(s.cx, w) << "other programs: equal size is sent whole";
  PlatformTest_ClearProcessControls();
}

TEST_F(ImageReduction, NupSheetsCutEachDirectionToItsCell) {
  job().dmPrivate.nup.bNupNum = 4;
  pdev()->job.layout.nupScale[0] = pdev()->job.layout.nupScale[1] = 0.5;
  SIZEL s = Reduced(1000, 300, {0, 0, 800, 800});
  EXPECT_EQ(s.cx, 400);
  EXPECT_EQ(s.cy, 300);
  s = Reduced(1000, 300, {0, 0, 1, 1});
  EXPECT_EQ(s.cx, 1) << "at least one pixel";
}

TEST_F(ImageReduction, ColourNupSheetsSendBig24BitImagesAtAThird) {
  job().dmPublic.dmColor = DMCOLOR_COLOR;
  job().dmPrivate.nup.bNupNum = 2;
  pdev()->job.layout.nupScale[0] = pdev()->job.layout.nupScale[1] = 1.0;
  SIZEL s = Reduced(1201, 1001, {0, 0, 2000, 2000}, BMF_24BPP);
  EXPECT_EQ(s.cx, 401);
  EXPECT_EQ(s.cy, 334);
  s = Reduced(1201, 1000, {0, 0, 2000, 2000}, BMF_24BPP);
  EXPECT_EQ(s.cy, 1000) << "both sides must pass 1000";
  s = Reduced(1201, 1001, {0, 0, 2000, 2000}, BMF_24BPP, TRUE);
  EXPECT_EQ(s.cx, 1201) << "mirrored images are left alone";
}

// ---- Rows ---------------------------------------------------------------------------------------

TEST(ImageRows, ShiftsMirrorsAndSwaps) {
  const BYTE bits[3] = {0b10110011, 0b01010101, 0b11110000};
  BYTE out[3] = {};
  Image_ShiftBits(out, bits, 3, 12);
  EXPECT_EQ(ToHex({out[0], out[1]}), "9A A0");

  BYTE mirrored[4] = {};
  const BYTE four[2] = {0x12, 0x30};
  EXPECT_EQ(Image_MirrorRow(nullptr, mirrored, four, 3, 4), mirrored + 2);
  EXPECT_EQ(ToHex({mirrored[0], mirrored[1]}), "32 10");
  EXPECT_EQ(Image_MirrorRow(nullptr, mirrored, four, 3, 2), nullptr) << "2-bit rows are refused";

  BYTE rgb[6] = {1, 2, 3, 4, 5, 6};
  Gx_SwapRgb24(nullptr, rgb, rgb, 6);
  EXPECT_EQ(ToHex({rgb, rgb + 6}), "03 02 01 06 05 04");
  Gx_SwapRgb24(nullptr, rgb, rgb, 5);
  EXPECT_EQ(ToHex({rgb, rgb + 6}), "01 02 03 06 05 04") << "cut to whole pixels";

  BYTE flip[8] = {1, 1, 1, 1, 2, 2, 2, 2};
  Gx_FlipBitmap(flip, 20, 2);
  EXPECT_EQ(ToHex({flip, flip + 8}), "02 02 02 02 01 01 01 01");
}

TEST(ImageRows, SamplesLandOnTheFirstAndLastSource) {
  EXPECT_EQ(Image_SampleIndex(0, 10, 4), 0u);
  EXPECT_EQ(Image_SampleIndex(3, 10, 4), 9u);
  EXPECT_EQ(Image_SampleIndex(1, 10, 4), 3u);
  EXPECT_EQ(Image_SampleIndex(0, 10, 1), 0u);
}

}  // namespace
