// The watermark's page step on a printer DC of a machine that setup-machine installed, with
// the watermark chosen in the DEVMODE as the watermark page stores it. The GDI display list
// shows what the step asks of the printer DC and of its memory DC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <vm4k2/escapes.h>
#include <vm4k2/ui_devmode.h>
#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/gdi_raster.h>
#include <win/registry.h>
#include <win/spooler.h>

#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "pxl_raster.h"
#include "temp_machine.h"
#include "ui/core/language.h"
#include "ui/core/page_watermark.h"
#include "ui/core/page_watermark_drawing.h"

namespace {

using Bytes = std::vector<BYTE>;
constexpr char16_t kPrinter[] = u"Velmor K8000 Series PCL6";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string Escape(ULONG code) { return "ExtEscape code=" + std::to_string(code) + " "; }

// A 24-bit bottom-up BMP file of w x h pixels, black inside `dark` and white elsewhere.
void WriteBmp(const std::string& path, int32_t w, int32_t h, RECT dark, int32_t claimedWidth = 0) {
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  const uint32_t image = stride * static_cast<uint32_t>(h);
  std::vector<uint8_t> file(54 + image, 0xFF);  // white pixels
  std::fill(file.begin(), file.begin() + 54, uint8_t{0});
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&file[at], &v, 2); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(6, 0);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(claimedWidth ? claimedWidth : w));
  put32(22, static_cast<uint32_t>(h));
  put16(26, 1);
  put16(28, 24);
  put32(30, 0);
  put32(34, image);
  for (int32_t y = 0; y < h; ++y) {
    const int32_t top = h - 1 - y;  // bottom-up rows
    for (int32_t x = 0; x < w; ++x) {
      if (x >= dark.left && x < dark.right && top >= dark.top && top < dark.bottom) {
        std::memset(&file[54 + y * stride + x * 3], 0, 3);
      }
    }
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                              static_cast<std::streamsize>(file.size()));
}

// A white 1-bit BMP file of w x h pixels: the smallest file that claims a large picture.
void WriteMonoBmp(const std::string& path, int32_t w, int32_t h) {
  const uint32_t stride = ((static_cast<uint32_t>(w) + 31) / 32) * 4;
  const uint32_t image = stride * static_cast<uint32_t>(h);
  std::vector<uint8_t> file(62, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, 62 + image);
  put32(10, 62);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  file[26] = 1;
  file[28] = 1;
  put32(34, image);
  put32(58, 0x00FFFFFF);  // entry 1 white; entry 0 stays black
  file.resize(62 + image, 0xFF);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                              static_cast<std::streamsize>(file.size()));
}

class PageWatermark : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine_.root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(machine_.root().c_str());
    PlatformTest_SetCountryCode(44, FALSE);  // A4
  }
  void TearDown() override {
    PlatformTest_RecordGdiCalls(FALSE);
    if (hdc_) {
      AbortDoc(hdc_);
      DeleteDC(hdc_);
    }
  }

  static vm4k2::WatermarkRecord TextRecord(const char16_t* text, int16_t points, int16_t angle) {
    vm4k2::WatermarkRecord rec{};
    rec.id = 1;
    rec.kind = vm4k2::kWatermarkText;
    std::u16string t(text);
    std::memcpy(rec.text, t.data(), t.size() * sizeof(WCHAR));
    std::u16string face(u"Liberation Sans");
    std::memcpy(rec.typeface, face.data(), face.size() * sizeof(WCHAR));
    rec.pointSize = points;
    rec.angle = angle;
    rec.position = vm4k2::kWatermarkCentre;
    rec.greyLevel = 0;
    return rec;
  }

  // `file` names a file in the root of the machine's drive C.
  static vm4k2::WatermarkRecord BitmapRecord(const std::string& file, bool andFlag) {
    vm4k2::WatermarkRecord rec{};
    rec.id = 1;
    rec.kind = vm4k2::kWatermarkBitmap;
    std::u16string p = u"C:\\";
    for (char c : file) p += static_cast<char16_t>(c);
    std::memcpy(rec.bitmapPath, p.data(), std::min(p.size(), size_t{259}) * sizeof(WCHAR));
    rec.bitmapFlag = andFlag ? 1 : 0;
    rec.bitmapScale = 100;
    rec.position = vm4k2::kWatermarkCentre;
    return rec;
  }

  // A printer DC whose DEVMODE carries `watermark`, on its first page.
  HDC OpenPage(const vm4k2::WatermarkRecord& watermark) {
    HANDLE printer = nullptr;
    std::u16string name(kPrinter);
    EXPECT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
    LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
    Bytes bytes(static_cast<size_t>(size > 0 ? size : 0));
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER), 1);
    reinterpret_cast<vm4k2::UiDevmode*>(bytes.data())->dmPrivate.watermark = watermark;
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), dm, dm, DM_IN_BUFFER | DM_OUT_BUFFER), 1);
    ClosePrinter(printer);
    hdc_ = CreateDCW(nullptr, kPrinter, nullptr, dm);
    EXPECT_NE(hdc_, nullptr);
    DOCINFOW info{sizeof(DOCINFOW), u"watermark", nullptr, nullptr, 0};
    jobId_ = StartDocW(hdc_, &info);
    EXPECT_GT(jobId_, 0);
    EXPECT_GT(StartPage(hdc_), 0);
    return hdc_;
  }

  // The display list of one page step.
  std::vector<std::string> RecordPageStep(HDC hdc) {
    PlatformTest_RecordGdiCalls(TRUE);
    vm4k2ui::PrintPageWatermark(hdc);
    std::vector<std::string> lines = SplitLines(PlatformTest_GdiRecord());
    PlatformTest_RecordGdiCalls(FALSE);
    return lines;
  }

  static long IndexOf(const std::vector<std::string>& lines, const std::string& part, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i)
      if (lines[i].find(part) != std::string::npos) return static_cast<long>(i);
    return -1;
  }
  static int Count(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const std::string& line : lines) n += line.find(part) != std::string::npos;
    return n;
  }
  static std::string Dump(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
  }

  // The page step draws into a bitmap of the watermark's own rectangle; drawn into a bitmap of
  // the whole page, the same pixels stand there and the rest stays white.
  void ExpectRectangleHoldsThePagesPixels(HDC hdc) {
    const LONG pageWidth = GetDeviceCaps(hdc, HORZRES);
    const LONG pageHeight = GetDeviceCaps(hdc, VERTRES);
    HDC memory = CreateCompatibleDC(hdc);
    ASSERT_NE(memory, nullptr);

    vm4k2::WMARKDATA block{};
    ASSERT_GT(ExtEscape(hdc, vm4k2::ESC_WM_GETINFO, 0, nullptr, sizeof block, reinterpret_cast<LPSTR>(&block)), 0);
    vm4k2ui::WatermarkDrawing drawing;
    ASSERT_TRUE(vm4k2ui::PrepareWatermarkDrawing(memory, block, pageWidth, pageHeight, drawing));
    const RECT area = drawing.area;
    ASSERT_LT(static_cast<LONGLONG>(area.right - area.left) * (area.bottom - area.top),
              static_cast<LONGLONG>(pageWidth) * pageHeight / 4);

    auto draw = [&](const RECT& canvas) {
      const int w = static_cast<int>(canvas.right - canvas.left), h = static_cast<int>(canvas.bottom - canvas.top);
      HBITMAP bitmap = CreateCompatibleBitmap(hdc, w, h);
      EXPECT_NE(bitmap, nullptr);
      HGDIOBJ old = SelectObject(memory, bitmap);
      PatBlt(memory, 0, 0, w, h, WHITENESS);
      vm4k2ui::DrawWatermark(hdc, memory, drawing, canvas);
      SelectObject(memory, old);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = w;
      info.bmiHeader.biHeight = -h;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      std::vector<BYTE> rows(static_cast<size_t>((w * 3 + 3) & ~3) * static_cast<size_t>(h));
      EXPECT_EQ(GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), rows.data(), &info, DIB_RGB_COLORS), h);
      DeleteObject(bitmap);
      return rows;
    };
    const std::vector<BYTE> small = draw(area);
    const std::vector<BYTE> page = draw(RECT{0, 0, pageWidth, pageHeight});
    const size_t smallStride = static_cast<size_t>(((area.right - area.left) * 3 + 3) & ~3);
    const size_t pageStride = static_cast<size_t>((pageWidth * 3 + 3) & ~3);
    size_t dark = 0, differing = 0, darkOutside = 0;
    for (LONG y = 0; y < pageHeight; ++y) {
      for (LONG x = 0; x < pageWidth; ++x) {
        const BYTE* p = &page[static_cast<size_t>(y) * pageStride + static_cast<size_t>(x) * 3];
        const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
        if (!inside) {
          darkOutside += p[0] != 0xFF || p[1] != 0xFF || p[2] != 0xFF;
          continue;
        }
        const BYTE* s = &small[static_cast<size_t>(y - area.top) * smallStride + static_cast<size_t>(x - area.left) * 3];
        dark += p[0] != 0xFF;
        differing += std::memcmp(p, s, 3) != 0;
      }
    }
    EXPECT_GT(dark, 1000u) << "the watermark was drawn";
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(darkOutside, 0u);
    DeleteDC(memory);
  }

  testsupport::TempMachine machine_;
  HDC hdc_ = nullptr;
  int jobId_ = 0;
};

TEST_F(PageWatermark, APageWithoutWatermarkOnlyAsksForTheBlockAndTheOrientation) {
  HDC hdc = OpenPage(vm4k2::WatermarkRecord{});
  auto lines = RecordPageStep(hdc);
  EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_GETINFO)), 1) << Dump(lines);
  EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_GETSTATE)), 1) << Dump(lines);
  EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_BEGIN)), 0) << Dump(lines);
  EXPECT_EQ(Count(lines, "memory"), 0) << "no bitmap is made for a page without watermark\n" << Dump(lines);
  EXPECT_GT(EndPage(hdc), 0);
}

TEST_F(PageWatermark, ATextWatermarkIsDrawnInMemoryAndCombinedInsideTheBracket) {
  HDC hdc = OpenPage(TextRecord(u"DRAFT", 72, 45));
  auto lines = RecordPageStep(hdc);
  const long info = IndexOf(lines, Escape(vm4k2::ESC_WM_GETINFO));
  const long state = IndexOf(lines, Escape(vm4k2::ESC_WM_GETSTATE));
  const long begin = IndexOf(lines, Escape(vm4k2::ESC_WM_BEGIN));
  const long data = IndexOf(lines, Escape(vm4k2::ESC_WM_DATA));
  const long fill = IndexOf(lines, "FillPath", static_cast<size_t>(std::max(data, 0L)));
  // The display list shows a BitBlt as the StretchBlt it is, with the ROP's rop3 byte.
  const long blit = IndexOf(lines, "StretchBlt", static_cast<size_t>(std::max(fill, 0L)));
  const long end = IndexOf(lines, Escape(vm4k2::ESC_WM_END));
  ASSERT_GE(info, 0) << Dump(lines);
  EXPECT_LT(info, state);
  EXPECT_LT(state, begin);
  EXPECT_LT(begin, data);
  EXPECT_LT(data, fill);
  ASSERT_LT(fill, blit) << Dump(lines);
  EXPECT_LT(blit, end) << Dump(lines);
  // One DATA for the one copy; the text's second drawing belongs to it.
  EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_DATA)), 1);
  EXPECT_EQ(Count(lines, "FillPath"), 2) << Dump(lines);
  // The text is filled in memory; only the combination reaches the printer, with SRCAND.
  EXPECT_EQ(lines[static_cast<size_t>(fill)].rfind("memory", 0), 0u) << lines[static_cast<size_t>(fill)];
  EXPECT_EQ(lines[static_cast<size_t>(blit)].rfind("printer", 0), 0u) << lines[static_cast<size_t>(blit)];
  EXPECT_NE(lines[static_cast<size_t>(blit)].find("from=memory"), std::string::npos) << lines[static_cast<size_t>(blit)];
  EXPECT_NE(lines[static_cast<size_t>(blit)].find("rop=136"), std::string::npos) << lines[static_cast<size_t>(blit)];
  EXPECT_GT(EndPage(hdc), 0);
}

TEST_F(PageWatermark, WithoutAMemoryDCOrBitmapThePagePrintsWithoutTheBracket) {
  for (const char* control : {PLATFORMTEST_GDI_FAIL_COMPATIBLE_DC, PLATFORMTEST_GDI_FAIL_COMPATIBLE_BITMAP}) {
    HDC hdc = OpenPage(TextRecord(u"DRAFT", 72, 45));
    PlatformTest_SetControl(control, "1", FALSE);
    auto lines = RecordPageStep(hdc);
    PlatformTest_SetControl(control, nullptr, FALSE);
    EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_BEGIN)), 0) << control << "\n" << Dump(lines);
    EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_END)), 0) << control;
    EXPECT_GT(EndPage(hdc), 0) << control;
    EXPECT_GT(EndDoc(hdc), 0) << control;
    DeleteDC(hdc);
    hdc_ = nullptr;
  }
}

TEST_F(PageWatermark, APictureIsStretchedInMemoryWithTheRopOfItsFlag) {
  WriteBmp(machine_.Host("drives/C/mark.bmp"), 64, 32, RECT{8, 8, 56, 24});
  for (bool andFlag : {true, false}) {
    HDC hdc = OpenPage(BitmapRecord("mark.bmp", andFlag));
    auto lines = RecordPageStep(hdc);
    const long data = IndexOf(lines, Escape(vm4k2::ESC_WM_DATA));
    const long stretch = IndexOf(lines, "StretchDIBits");
    ASSERT_GE(data, 0) << Dump(lines);
    ASSERT_GT(stretch, data) << Dump(lines);
    EXPECT_EQ(lines[static_cast<size_t>(stretch)].rfind("memory", 0), 0u);
    EXPECT_NE(lines[static_cast<size_t>(stretch)].find(andFlag ? "rop=136" : "rop=204"), std::string::npos)
        << lines[static_cast<size_t>(stretch)];
    EXPECT_GT(IndexOf(lines, Escape(vm4k2::ESC_WM_END)), stretch);
    EXPECT_GT(EndPage(hdc), 0);
    EXPECT_GT(EndDoc(hdc), 0);
    DeleteDC(hdc);
    hdc_ = nullptr;
  }
}

TEST_F(PageWatermark, PicturesOutsideTheLimitsOrMissingSendNothing) {
  // Sides up to 32767 pixels and up to 64 megapixels are drawn; the rest is refused before
  // anything is allocated for it.
  WriteMonoBmp(machine_.Host("drives/C/edge.bmp"), 32767, 1);
  WriteMonoBmp(machine_.Host("drives/C/wide.bmp"), 32768, 1);
  WriteMonoBmp(machine_.Host("drives/C/tall.bmp"), 1, 32768);
  WriteMonoBmp(machine_.Host("drives/C/huge.bmp"), 8193, 8193);  // 64 Mi pixels and more
  WriteBmp(machine_.Host("drives/C/short.bmp"), 4, 4, RECT{0, 0, 4, 4}, 40000);  // rows missing
  const struct {
    const char* file;
    bool drawn;
  } cases[] = {{"edge.bmp", true},   {"wide.bmp", false},  {"tall.bmp", false},
               {"huge.bmp", false},  {"short.bmp", false}, {"none.bmp", false}};
  for (const auto& c : cases) {
    HDC hdc = OpenPage(BitmapRecord(c.file, true));
    auto lines = RecordPageStep(hdc);
    EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_BEGIN)), c.drawn ? 1 : 0) << c.file << "\n" << Dump(lines);
    EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_END)), c.drawn ? 1 : 0) << c.file;
    EXPECT_EQ(Count(lines, "CreateCompatibleBitmap"), c.drawn ? 1 : 0) << c.file;
    EXPECT_GT(EndPage(hdc), 0);
    EXPECT_GT(EndDoc(hdc), 0);
    DeleteDC(hdc);
    hdc_ = nullptr;
  }
}

TEST_F(PageWatermark, LargePicturesUpTo4000PixelsAreDrawn) {
  WriteBmp(machine_.Host("drives/C/long.bmp"), 4000, 8, RECT{0, 0, 4000, 8});
  HDC hdc = OpenPage(BitmapRecord("long.bmp", true));
  auto lines = RecordPageStep(hdc);
  EXPECT_EQ(Count(lines, "StretchDIBits"), 1) << Dump(lines);
  EXPECT_EQ(Count(lines, Escape(vm4k2::ESC_WM_END)), 1);
}

TEST_F(PageWatermark, TheTextsRectangleHoldsWhatAPageSizedBitmapHolds) {
  ExpectRectangleHoldsThePagesPixels(OpenPage(TextRecord(u"Confidential", 54, -30)));
}

TEST_F(PageWatermark, TheSlantedTextsRectangleHoldsWhatAPageSizedBitmapHolds) {
  // Italic glyphs reach past their advance box: the rectangle keeps a margin for them.
  vm4k2::WatermarkRecord italic = TextRecord(u"Waffle", 54, 60);
  italic.italic = 1;
  italic.bold = 1;
  ExpectRectangleHoldsThePagesPixels(OpenPage(italic));
}

TEST_F(PageWatermark, TheClippedPicturesRectangleHoldsWhatAPageSizedBitmapHolds) {
  // A 4000-pixel picture overhangs the page on both sides: its source is clipped too.
  WriteBmp(machine_.Host("drives/C/long.bmp"), 4000, 8, RECT{100, 2, 3900, 6});
  ExpectRectangleHoldsThePagesPixels(OpenPage(BitmapRecord("long.bmp", true)));
}

TEST_F(PageWatermark, RightToLeftTextIsDrawnReadingFromTheRightAndClipped) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string arabic(u"Arabic");
  RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(arabic.c_str()),
                 static_cast<DWORD>((arabic.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  WCHAR name[vm4k2ui::kLanguageNameUnits];
  vm4k2ui::GetResourceDllName(name);
  ASSERT_TRUE(vm4k2ui::UiRightToLeft());

  HDC hdc = OpenPage(TextRecord(u"DRAFT", 72, 0));
  auto lines = RecordPageStep(hdc);
  const long text = IndexOf(lines, "ExtTextOutW");
  ASSERT_GE(text, 0) << Dump(lines);
  // ETO_RTLREADING | ETO_CLIPPED; ETO_OPAQUE would paint the page with the background.
  EXPECT_NE(lines[static_cast<size_t>(text)].find("options=132"), std::string::npos) << lines[static_cast<size_t>(text)];
}

// The text's font and place as the display list shows them: 72 points ask for 655 tenths of a
// point (546 dots at 600 dpi), -45 degrees turn into 3150 tenths, and the custom position at
// 50 / 50 is the centre.
TEST_F(PageWatermark, TheTextIsDrawnWithTheSizeAngleAndPlaceOfItsRecord) {
  auto textLines = [](const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
      if (line.find("ExtTextOutW") != std::string::npos || line.find("from=memory") != std::string::npos)
        out.push_back(line.substr(line.find(' ')));  // without the DC's name
    return out;
  };
  const struct {
    int16_t angle;
    const char* escapement;
  } cases[] = {{-45, "escapement=3150 orientation=3150"}, {45, "escapement=450 orientation=450"},
               {0, "escapement=0 orientation=0"}};
  for (const auto& c : cases) {
    HDC hdc = OpenPage(TextRecord(u"DRAFT", 72, c.angle));
    const auto centred = textLines(RecordPageStep(hdc));
    EndDoc(hdc);
    DeleteDC(hdc);
    hdc_ = nullptr;
    ASSERT_EQ(centred.size(), 3u) << "two drawings of the text and the blit";
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_NE(centred[i].find("height=-546 "), std::string::npos) << centred[i];
      EXPECT_NE(centred[i].find(c.escapement), std::string::npos) << centred[i];
      // Right-to-left reading, once chosen, holds for the process.
      const char* options = vm4k2ui::UiRightToLeft() ? "options=132 " : "options=0 ";
      EXPECT_NE(centred[i].find(options), std::string::npos) << centred[i];
    }

    vm4k2::WatermarkRecord custom = TextRecord(u"DRAFT", 72, c.angle);
    custom.position = vm4k2::kWatermarkCustomXY;
    custom.xPercent = custom.yPercent = 50;
    hdc = OpenPage(custom);
    EXPECT_EQ(textLines(RecordPageStep(hdc)), centred) << c.angle;
    EndDoc(hdc);
    DeleteDC(hdc);
    hdc_ = nullptr;
  }
}

// Whatever mapping, origin and clip the application left on its DC, the watermark lands on the
// same dots, and the application finds its DC as it left it. The page step runs where printing
// runs it: EndPage raises the page-end document event.
TEST_F(PageWatermark, TheCombinationIsMadeInDeviceUnits) {
  auto printedImage = [&](bool applicationState) {
    HDC hdc = OpenPage(TextRecord(u"DRAFT", 54, 30));
    if (applicationState) {
      SetMapMode(hdc, MM_LOMETRIC);
      SetViewportOrgEx(hdc, 300, 200, nullptr);
      IntersectClipRect(hdc, 0, 0, 500, -500);
    }
    RECT clipBefore{};
    GetClipBox(hdc, &clipBefore);
    EXPECT_GT(EndPage(hdc), 0);
    POINT viewport{};
    GetViewportOrgEx(hdc, &viewport);
    RECT clipAfter{};
    GetClipBox(hdc, &clipAfter);
    EXPECT_EQ(GetMapMode(hdc), applicationState ? MM_LOMETRIC : MM_TEXT);
    EXPECT_EQ(viewport.x, applicationState ? 300 : 0);
    EXPECT_EQ(viewport.y, applicationState ? 200 : 0);
    EXPECT_EQ(std::memcmp(&clipBefore, &clipAfter, sizeof(RECT)), 0);
    EXPECT_GT(EndDoc(hdc), 0);
    DeleteDC(hdc);
    hdc_ = nullptr;
    char path[4096];
    EXPECT_TRUE(PlatformTest_SpoolerJobFile(static_cast<DWORD>(jobId_), path, sizeof path));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pclxl::Decoded job = pclxl::DecodeJob(bytes);
    EXPECT_TRUE(job.ok) << job.error;
    auto images = pclxl::DecodeImages(job);
    EXPECT_EQ(images.size(), 1u);
    return images.empty() ? pclxl::DecodedImage{} : images[0];
  };
  const pclxl::DecodedImage plain = printedImage(false);
  const pclxl::DecodedImage moved = printedImage(true);
  ASSERT_TRUE(plain.ok && moved.ok);
  EXPECT_EQ(moved.x, plain.x);
  EXPECT_EQ(moved.y, plain.y);
  EXPECT_EQ(moved.rop, 0x88);
  EXPECT_EQ(moved.rows, plain.rows);
}

}  // namespace
