// A watermark chosen as the watermark page chooses it, printed end to end by printjob: the
// user-interface library draws it at each page end and the renderer puts it into the job as
// one image combined with the page (ROP 0x88), behind the clip the watermark escape set.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/gdi_objects.h>
#include <win/gdi_images.h>
#include <win/gdi_raster.h>
#include <win/gdi_text.h>

#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "pxl_raster.h"
#include "child_process.h"
#include "temp_machine.h"

namespace {

constexpr int kSrcAndRop3 = 0x88;

int RunPrintJob(const std::string& arguments, std::string& output) {
  testsupport::CommandRun run =
      testsupport::RunCommand(std::string(VELMOR_OUT_DIR) + "/printjob " + arguments + " 2>&1");
  output += run.output;
  return run.status;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool StartsWith(const std::string& line, const std::string& prefix) { return line.compare(0, prefix.size(), prefix) == 0; }

// The listing of each page, BeginPage to EndPage, ReadImage lines left out.
std::vector<std::vector<std::string>> Pages(const pclxl::Decoded& job) {
  std::vector<std::vector<std::string>> pages;
  bool inPage = false;
  for (const std::string& line : job.listing) {
    if (StartsWith(line, "BeginPage")) {
      pages.emplace_back();
      inPage = true;
    }
    if (inPage && !StartsWith(line, "ReadImage")) pages.back().push_back(line);
    if (StartsWith(line, "EndPage")) inPage = false;
  }
  return pages;
}

int CountPrefix(const std::vector<std::string>& page, const std::string& prefix) {
  int n = 0;
  for (const std::string& line : page) n += StartsWith(line, prefix);
  return n;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

struct Point {
  long x = 0, y = 0;
};

// The pixels of an 8-bit grey image that are not white, on the page: the image's cursor plus
// their place in it (the image is drawn one dot per pixel).
std::vector<Point> DarkPixels(const pclxl::DecodedImage& image) {
  std::vector<Point> dark;
  for (size_t row = 0; row < image.rows.size(); ++row)
    for (size_t col = 0; col < image.rows[row].size(); ++col)
      if (image.rows[row][col] != 0xFF) dark.push_back({image.x + static_cast<long>(col), image.y + static_cast<long>(row)});
  return dark;
}

class PrintJobWatermark : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = machine_.root() + "/machine";
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + root_ + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(root_.c_str());
    std::ofstream(machine_.root() + "/two-pages.txt") << "rect 1in 1in 2in 2in\npage\nrect 1in 1in 2in 2in\n";
  }

  // The job's two pages, decoded.
  std::vector<std::vector<std::string>> PrintTwoPages(const std::string& options, pclxl::Decoded& job) {
    const std::string out = machine_.root() + "/job.pxl";
    std::string output;
    EXPECT_EQ(RunPrintJob("--machine " + root_ + " --script " + machine_.root() + "/two-pages.txt " + options + " -o " + out,
                          output),
              0)
        << output;
    job = pclxl::DecodeJob(ReadBytes(out));
    EXPECT_TRUE(job.ok) << job.error;
    auto pages = Pages(job);
    EXPECT_EQ(pages.size(), 2u) << output;
    return pages;
  }

  // A watermarked page ends, before EndPage, with the clip of the watermark escape (the
  // printable box), the SRCAND ROP and one image; `resetClip` is the printable box set again
  // after the ROP, as a bitmap watermark's blit has it.
  void ExpectWatermarkTail(const std::vector<std::string>& page, bool resetClip) {
    const std::string box = "RectanglePath BoundingBox=(0,0," + std::to_string(pageWidth_) + "," +
                            std::to_string(pageHeight_) + ")";
    std::vector<std::string> expected = {"NewPath", box, "SetClipReplace ClipRegion=eInterior", "SetROP ROP3=136"};
    if (resetClip) expected.insert(expected.end(), {"NewPath", box, "SetClipReplace ClipRegion=eInterior"});
    expected.insert(expected.end(), {"SetCursor", "BeginImage", "EndImage", "EndPage"});
    ASSERT_GE(page.size(), expected.size()) << Join(page);
    const size_t first = page.size() - expected.size();
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_TRUE(StartsWith(page[first + i], expected[i])) << expected[i] << "\n" << Join(page);
    EXPECT_EQ(CountPrefix(page, "BeginImage"), 1) << Join(page);
  }

  // The printable box of the printer's default page, as the page's first clip states it.
  void ReadPrintableBox(const std::vector<std::string>& page) {
    for (const std::string& line : page) {
      if (std::sscanf(line.c_str(), "RectanglePath BoundingBox=(0,0,%ld,%ld)", &pageWidth_, &pageHeight_) == 2) return;
    }
    ADD_FAILURE() << "no printable box\n" << Join(page);
  }

  testsupport::TempMachine machine_;
  std::string root_;
  long pageWidth_ = 0, pageHeight_ = 0;
};

TEST_F(PrintJobWatermark, ATextWatermarkOnTheFirstPageOnlyLiesInItsRotatedBlock) {
  pclxl::Decoded job;
  auto pages = PrintTwoPages(
      "--set FirstPageOnly=1 --watermark-text DRAFT --watermark-set size=72 --watermark-set angle=30", job);
  ASSERT_EQ(pages.size(), 2u);
  ReadPrintableBox(pages[0]);
  ExpectWatermarkTail(pages[0], false);
  EXPECT_EQ(CountPrefix(pages[1], "BeginImage"), 0) << Join(pages[1]);
  EXPECT_EQ(CountPrefix(pages[1], "SetROP ROP3=136"), 0) << Join(pages[1]);

  auto images = pclxl::DecodeImages(job);
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0].ok) << images[0].error;
  EXPECT_EQ(images[0].rop, kSrcAndRop3);

  // The text's box as the stand-in measures it with the watermark's font: 72 points at the
  // size factor 9.1 is 655 tenths of a point, 546 dots high at 600 dpi.
  HDC screen = CreateCompatibleDC(nullptr);
  ASSERT_NE(screen, nullptr);
  LOGFONTW lf{};
  lf.lfHeight = -546;
  lf.lfEscapement = lf.lfOrientation = 300;
  lf.lfOutPrecision = 7;
  std::u16string face = u"Arial";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(screen, font);
  SIZE box{};
  ASSERT_TRUE(GetTextExtentPointW(screen, u"DRAFT", 5, &box));
  SelectObject(screen, old);
  DeleteObject(font);
  DeleteDC(screen);

  // Centred on the printable area; the text rises from the lower-left corner of its block.
  const double radians = 300 * 3.14159 / 1800;
  const double s = std::sin(radians), c = std::cos(radians);
  const long blockWidth = static_cast<long>(box.cx * c) + static_cast<long>(box.cy * s);
  const long blockHeight = static_cast<long>(box.cy * c) + static_cast<long>(box.cx * s);
  const long x0 = (pageWidth_ - blockWidth) / 2;
  const long y0 = (pageHeight_ - blockHeight) / 2 + static_cast<long>(box.cx * s);

  const std::vector<Point> dark = DarkPixels(images[0]);
  ASSERT_GT(dark.size(), 5000u) << "the text was drawn";
  // Every dark pixel lies in the text's box turned by 30 degrees about its origin (a dot of
  // slack for the rasterisation), so inside the rotated block E x F.
  // "D" and "T" stand on the baseline at both ends of the text: a wrong angle tilts it.
  size_t outside = 0;
  double baselineStart = -1e9, baselineEnd = -1e9, firstAlong = 1e9, lastAlong = -1e9;
  for (const Point& p : dark) {
    const double dx = p.x - x0, dy = p.y - y0;
    const double along = dx * c - dy * s, down = dx * s + dy * c;
    outside += along < -2 || along > box.cx + 2 || down < -2 || down > box.cy + 2;
    if (along < box.cx / 5.0) baselineStart = std::max(baselineStart, down);
    if (along > box.cx * 4 / 5.0) baselineEnd = std::max(baselineEnd, down);
    firstAlong = std::min(firstAlong, along);
    lastAlong = std::max(lastAlong, along);
  }
  EXPECT_EQ(outside, 0u) << "box " << box.cx << "x" << box.cy << " from (" << x0 << "," << y0 << ")";
  EXPECT_NEAR(baselineStart, baselineEnd, 4);
  // The ink spans the measured advance but for the side bearings of "D" and "T".
  EXPECT_LT(firstAlong, box.cy / 4.0);
  EXPECT_GT(lastAlong, box.cx - box.cy / 4.0);
}

TEST_F(PrintJobWatermark, ABitmapWatermarkIsScaledAndCentredOnEveryPage) {
  // The fixture: 64 x 32 pixels, black from (16, 8) to (48, 24), white elsewhere.
  std::filesystem::copy_file(std::string(VELMOR_SOURCE_DIR) + "/tests/tools/printjob/fixtures/watermark_mark.bmp",
                             root_ + "/drives/C/mark.bmp");
  pclxl::Decoded job;
  auto pages = PrintTwoPages("--watermark-bitmap C:\\\\mark.bmp", job);
  ASSERT_EQ(pages.size(), 2u);
  ReadPrintableBox(pages[0]);
  for (const auto& page : pages) ExpectWatermarkTail(page, true);

  auto images = pclxl::DecodeImages(job);
  ASSERT_EQ(images.size(), 2u);
  // The pixels count as 96 per inch against a longer side standing for 297 mm.
  const long longer = std::max(pageWidth_, pageHeight_);
  const long width = (longer + 1) * 65 * 254 / 96 / 2970;
  const long height = (longer + 1) * 33 * 254 / 96 / 2970;
  const long left = (pageWidth_ - width) / 2, top = (pageHeight_ - height) / 2;
  for (const auto& image : images) {
    ASSERT_TRUE(image.ok) << image.error;
    EXPECT_EQ(image.rop, kSrcAndRop3);
    const std::vector<Point> dark = DarkPixels(image);
    ASSERT_FALSE(dark.empty());
    Point low = dark[0], high = dark[0];
    for (const Point& p : dark) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    // The black part of the picture, stretched by nearest pixels: within a dot of its share.
    EXPECT_NEAR(low.x, left + 16 * width / 64, 1);
    EXPECT_NEAR(high.x + 1, left + 48 * width / 64, 1);
    EXPECT_NEAR(low.y, top + 8 * height / 32, 1);
    EXPECT_NEAR(high.y + 1, top + 24 * height / 32, 1);
    EXPECT_EQ(dark.size(), static_cast<size_t>(high.x - low.x + 1) * static_cast<size_t>(high.y - low.y + 1));
  }
}

TEST_F(PrintJobWatermark, WatermarkOptionsAreCheckedBeforeAnythingPrints) {
  const std::string out = machine_.root() + "/refused.pxl";
  const char* refused[] = {
      "--watermark-text A --watermark-bitmap C:\\\\a.bmp",
      "--watermark-set size=72",
      "--watermark-text A --watermark-set size=5000",
      "--watermark-text A --watermark-set colour=1",
      "--set WatermarkData=1",
  };
  for (const char* options : refused) {
    std::string output;
    EXPECT_EQ(RunPrintJob("--machine " + root_ + " " + options + " -o " + out, output), 1) << options << "\n" << output;
    EXPECT_FALSE(std::filesystem::exists(out)) << options;
  }
}

}  // namespace
