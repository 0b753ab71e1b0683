// Text through the whole print path, as printjob prints a script: the fonts of a direct job are
// downloaded once for the job, each glyph once per font, and the text calls of the DC measure
// what prints.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>

#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "child_process.h"
#include "temp_machine.h"

namespace {

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

int Count(const pclxl::Decoded& job, const std::string& prefix) {
  return static_cast<int>(std::count_if(job.listing.begin(), job.listing.end(),
                                        [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class TextJob : public ::testing::Test {
 protected:
  pclxl::Decoded Print(const std::string& script) {
    std::string path = machine_.root() + "/text.script", out = machine_.root() + "/text.pxl";
    std::ofstream(path) << script;
    std::string output;
    EXPECT_EQ(RunPrintJob("--script " + path + " -o " + out, output), 0) << output;
    pclxl::Decoded job = pclxl::DecodeJob(ReadBytes(out));
    EXPECT_TRUE(job.ok) << job.error;
    return job;
  }
  testsupport::TempMachine machine_;
};

TEST_F(TextJob, FontsOfADirectJobAreDownloadedOnceAcrossPages) {
  pclxl::Decoded job = Print(
      "font \"DejaVu Sans\" 100\n"
      "text 300 300 \"Hello\"\n"
      "page\n"
      "text 300 300 \"Hello again\"\n");
  EXPECT_EQ(Count(job, "BeginPage"), 2);
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"0TT\""), 1);
  EXPECT_EQ(Count(job, "RemoveFont"), 1);  // at the job's end only
  // H e l o, then a g i n and the space: each glyph once.
  EXPECT_EQ(Count(job, "ReadChar"), 4 + 5);
  EXPECT_EQ(Count(job, "Text "), 2);
}

TEST_F(TextJob, FacesSizesRotationAndScripts) {
  pclxl::Decoded job = Print(
      "font \"DejaVu Serif\" 80 weight=700\n"
      "text 300 300 \"Bold serif\"\n"
      "font \"Liberation Sans\" 60 italic underline\n"
      "text 300 500 \"Italic, underlined\"\n"
      "font \"DejaVu Sans\" 90 escapement=450\n"
      "text 1000 2000 \"Rotated\"\n"
      "font \"DejaVu Sans\" 70\n"
      "text 300 800 \"Ελληνικά и кириллица\"\n"
      "font \"Nimbus Sans\" 70\n"
      "textcolor gray\n"
      "text 300 1100 \"Type 1\" opaque\n");
  ASSERT_TRUE(job.ok);
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"0TT\""), 1);  // DejaVu Serif Bold
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"1TT\""), 1);  // Liberation Sans Italic
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"2BM\""), 1);  // rotated: glyph images
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"3TT\""), 1);  // upright DejaVu Sans
  EXPECT_EQ(Count(job, "BeginFontHeader FontName=\"4BM\""), 1);  // Type 1: glyph images
  EXPECT_EQ(Count(job, "Text "), 5);
  EXPECT_GE(Count(job, "RectanglePath"), 2);  // the underline and the opaque box
}

TEST_F(TextJob, LongRunsAndManyGlyphs) {
  std::string many;
  for (char16_t c = 0x0410; c < 0x0450; ++c) {  // Cyrillic capitals and small letters
    char utf8[3] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0};
    many += utf8;
  }
  pclxl::Decoded job = Print(
      "font \"DejaVu Sans\" 40\n"
      "text 200 300 \"abcdefghij\" repeat=320\n"
      "text 200 600 \"" + many + "\" repeat=30\n");
  EXPECT_EQ(Count(job, "Text "), 3 + 2);  // 3200 characters: 1500, 1500, 200; 1920: 1500, 420
}

// ---- The DC's text calls in process -----------------------------------------------------------

TEST(DcText, MeasuresAndMetricsFollowTheRealisedFont) {
  testsupport::TempMachine machine;
  std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine.root() + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  PlatformTest_UseMachine(machine.root().c_str());
  HDC hdc = CreateDCW(u"WINSPOOL", u"Velmor K8000 Series PCL6", nullptr, nullptr);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  HFONT font = CreateFontW(-100, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"DejaVu Sans Mono");
  ASSERT_NE(font, nullptr);
  HGDIOBJ old = SelectObject(hdc, font);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(hdc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GT(tm.tmAscent, 70);
  EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);  // a fixed-pitch font has the bit clear
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
  SIZE one{}, ten{};
  ASSERT_TRUE(GetTextExtentPoint32W(hdc, u"M", 1, &one));
  ASSERT_TRUE(GetTextExtentPoint32W(hdc, u"MMMMMiiiii", 10, &ten));
  EXPECT_EQ(ten.cx, 10 * one.cx);
  EXPECT_EQ(one.cy, tm.tmHeight);
  WCHAR face[64] = {};
  EXPECT_GT(GetTextFaceW(hdc, 64, face), 0);
  EXPECT_EQ(std::u16string(face), u"DejaVu Sans Mono");
  EXPECT_EQ(SetTextAlign(hdc, TA_BASELINE | TA_CENTER), 0u);
  EXPECT_EQ(GetTextAlign(hdc), UINT{TA_BASELINE | TA_CENTER});
  SetLastError(0xDEAD);
  EXPECT_FALSE(GetTextExtentPoint32W(hdc, nullptr, 3, &one));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
  int families = 0;
  LOGFONTW any{};
  EnumFontFamiliesExW(
      hdc, &any, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int { ++*reinterpret_cast<int*>(p); return 1; },
      reinterpret_cast<LPARAM>(&families), 0);
  EXPECT_GE(families, 5);
  SelectObject(hdc, old);
  DeleteObject(font);
  EXPECT_TRUE(DeleteDC(hdc));
}

}  // namespace
