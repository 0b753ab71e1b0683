// The watermark's font and the reading of the renderer's block, on a memory DC compatible with
// a printer DC of a machine that setup-machine installed (600 dots per inch).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <vm4k2/wmarkdata.h>
#include <win/gdi.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>

#include "platform_testing.h"
#include "temp_machine.h"
#include "ui/core/page_watermark.h"
#include "ui/core/page_watermark_drawing.h"

namespace {

using vm4k2ui::CreateWatermarkFont;

class WatermarkFont : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine_.root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(machine_.root().c_str());
    printer_ = CreateDCW(nullptr, u"Velmor K8000 Series PCL6", nullptr, nullptr);
    ASSERT_NE(printer_, nullptr);
    memory_ = CreateCompatibleDC(printer_);
    ASSERT_NE(memory_, nullptr);
    ASSERT_EQ(GetDeviceCaps(memory_, LOGPIXELSY), 600);
  }
  void TearDown() override {
    if (memory_) DeleteDC(memory_);
    if (printer_) DeleteDC(printer_);
  }

  static LOGFONTW Described(HFONT font) {
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    return lf;
  }

  testsupport::TempMachine machine_;
  HDC printer_ = nullptr;
  HDC memory_ = nullptr;
};

TEST_F(WatermarkFont, TheLogFontFollowsTheSizeTheStyleBitsAndTheAngle) {
  const UINT all = vm4k2ui::kWatermarkBold | vm4k2ui::kWatermarkItalic | vm4k2ui::kWatermarkUnderline |
                   vm4k2ui::kWatermarkStrikeOut;
  const struct {
    const char16_t* face;
    int size;  // tenths of a point
    UINT style;
    int angle;
    LONG height;  // -(round(size x 600 / 72) / 10 + 0.5)
    LONG weight;
    BYTE italic, underline, strikeOut, charset;
  } cases[] = {
      // 72 points at the factor 9.1: 655, 5458 dots, 546 high.
      {u"Liberation Sans", 655, 0, 0, -546, 0, 0, 0, 0, ANSI_CHARSET},
      {u"Liberation Sans", 655, all, 3150, -546, FW_BOLD, 1, 1, 1, ANSI_CHARSET},
      {u"Liberation Sans", 655, vm4k2ui::kWatermarkItalic, 450, -546, 0, 1, 0, 0, ANSI_CHARSET},
      // 36 points at 8.5: 306, 2550 dots.
      {u"Liberation Sans", 306, vm4k2ui::kWatermarkBold, 900, -255, FW_BOLD, 0, 0, 0, ANSI_CHARSET},
      // The charset is the first family's the enumeration reports; a face no family answers
      // to keeps the one the enumeration started from.
      {u"No Such Face", 655, 0, 0, -546, 0, 0, 0, 0, DEFAULT_CHARSET},
  };
  for (const auto& c : cases) {
    HFONT font = CreateWatermarkFont(memory_, c.face, c.size, c.style, c.angle);
    ASSERT_NE(font, nullptr);
    const LOGFONTW lf = Described(font);
    DeleteObject(font);
    const std::u16string face(c.face);
    EXPECT_EQ(std::u16string(lf.lfFaceName), face);
    EXPECT_EQ(lf.lfHeight, c.height) << c.size;
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, c.angle);
    EXPECT_EQ(lf.lfOrientation, c.angle);
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(lf.lfItalic, c.italic);
    EXPECT_EQ(lf.lfUnderline, c.underline);
    EXPECT_EQ(lf.lfStrikeOut, c.strikeOut);
    EXPECT_EQ(lf.lfCharSet, c.charset);
    EXPECT_EQ(lf.lfOutPrecision, 7) << "OUT_TT_ONLY_PRECIS";
    EXPECT_EQ(lf.lfClipPrecision, 0);
    EXPECT_EQ(lf.lfQuality, 0);
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
  }
}

TEST_F(WatermarkFont, TheHeightIsTakenInTheLogicalUnitsOfTheDC) {
  // In tenths of a millimetre 5458 dots at 600 dpi are 2310.5: the height is a tenth of that.
  ASSERT_NE(SetMapMode(memory_, MM_LOMETRIC), 0);
  HFONT font = CreateWatermarkFont(memory_, u"Arial", 655, 0, 0);
  ASSERT_NE(font, nullptr);
  const LONG height = Described(font).lfHeight;
  DeleteObject(font);
  EXPECT_EQ(height, -231);
  // The DC's origins do not enter a length.
  SetMapMode(memory_, MM_TEXT);
  SetWindowOrgEx(memory_, 0, 900, nullptr);
  font = CreateWatermarkFont(memory_, u"Arial", 655, 0, 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Described(font).lfHeight, -546);
  DeleteObject(font);
}

TEST_F(WatermarkFont, AFaceNameIsCutToThirtyOneCharacters) {
  const std::u16string longFace(40, u'F');
  HFONT font = CreateWatermarkFont(memory_, longFace.c_str(), 655, 0, 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(std::u16string(Described(font).lfFaceName), longFace.substr(0, 31));
  DeleteObject(font);
}

// The renderer's block crossed a process boundary: its strings are read within their fields
// whatever they hold, and a text size of 0 means no watermark.
TEST_F(WatermarkFont, TheBlocksStringsAreReadWithinTheirFields) {
  const LONG pageWidth = GetDeviceCaps(printer_, HORZRES);
  const LONG pageHeight = GetDeviceCaps(printer_, VERTRES);
  vm4k2::WMARKDATA block{};
  block.wmIndex = 1;
  block.wmFontSize = 36;
  block.wmColorRef = RGB(0x7C, 0x7C, 0x7C);
  block.wmPosition = 5;
  for (WCHAR& ch : block.wmString) ch = u'W';
  for (WCHAR& ch : block.wmTypeFace) ch = u'A';
  {
    vm4k2ui::WatermarkDrawing drawing;
    ASSERT_TRUE(vm4k2ui::PrepareWatermarkDrawing(memory_, block, pageWidth, pageHeight, drawing));
    EXPECT_EQ(drawing.textLength, vm4k2::kWmStringUnits - 1);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(drawing.font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(std::u16string(lf.lfFaceName), std::u16string(31, u'A'));
  }
  block.wmFontSize = 0;
  {
    vm4k2ui::WatermarkDrawing drawing;
    EXPECT_FALSE(vm4k2ui::PrepareWatermarkDrawing(memory_, block, pageWidth, pageHeight, drawing));
  }
  // A bitmap path that fills its field names no file of the machine.
  vm4k2::WMARKDATA picture{};
  picture.wmIndex = 1;
  picture.wmBitmap = 1;
  picture.wmFontSize = 100;
  for (WCHAR& ch : picture.wmContent) ch = u'C';
  vm4k2ui::WatermarkDrawing drawing;
  EXPECT_FALSE(vm4k2ui::PrepareWatermarkDrawing(memory_, picture, pageWidth, pageHeight, drawing));
}

// A DC that answers no escape (a memory DC) leaves the block zero: nothing is drawn into it.
TEST_F(WatermarkFont, ADCWithoutTheRenderersEscapesGetsNoWatermark) {
  PlatformTest_RecordGdiCalls(TRUE);
  vm4k2ui::PrintPageWatermark(memory_);
  const std::string record = PlatformTest_GdiRecord();
  PlatformTest_RecordGdiCalls(FALSE);
  EXPECT_EQ(record.find("CreateCompatible"), std::string::npos) << record;
  EXPECT_EQ(record.find("ExtEscape code=20482"), std::string::npos) << record;
}

// The text box the watermark is centred by is the font's real advance: Pillow, reading the
// same font file at the same em size without ligatures (GDI makes none), agrees within a dot
// per character.
TEST_F(WatermarkFont, TheMeasuredTextAgreesWithPillow) {
  const struct {
    const char16_t* text;
    const char* ascii;
    int size;  // tenths of a point, as the page step asks
    UINT style;
    const char* file;
  } cases[] = {
      {u"DRAFT", "DRAFT", 655, 0, "LiberationSans-Regular.ttf"},
      {u"Confidential", "Confidential", 306, 0, "LiberationSans-Regular.ttf"},
      {u"Waffle iced", "Waffle iced", 827, vm4k2ui::kWatermarkBold, "LiberationSans-Bold.ttf"},
  };
  for (const auto& c : cases) {
    HFONT font = CreateWatermarkFont(memory_, u"Liberation Sans", c.size, c.style, 0);
    ASSERT_NE(font, nullptr);
    const LONG em = -Described(font).lfHeight;
    HGDIOBJ old = SelectObject(memory_, font);
    SIZE box{};
    const std::u16string text(c.text);
    ASSERT_TRUE(GetTextExtentPointW(memory_, text.c_str(), static_cast<int>(text.size()), &box));
    SelectObject(memory_, old);
    DeleteObject(font);

    const std::string command = std::string(PIL_PYTHON) +
                                " -c 'import sys; from PIL import ImageFont; "
                                "font = ImageFont.truetype(sys.argv[1], int(sys.argv[2]), layout_engine=ImageFont.Layout.BASIC); "
                                "print(font.getlength(sys.argv[3]))' " +
                                machine_.Host(std::string("drives/C/Windows/Fonts/") + c.file) + " " +
                                std::to_string(em) + " '" + c.ascii + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    double pillow = -1;
    EXPECT_EQ(std::fscanf(pipe, "%lf", &pillow), 1) << command;
    pclose(pipe);
    EXPECT_NEAR(box.cx, pillow, static_cast<double>(text.size())) << c.ascii << " at " << em;
  }
}

}  // namespace
