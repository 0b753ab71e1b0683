// Printer-font substitution in the text path: a face the user's FontSubstitutionFile lists prints
// with the resident font of its row, in the printer's Unicode symbol set, but only when every
// character of the string is one the resident font holds.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/files.h>
#include <win/gdi_text.h>
#include <win/shell.h>

#include "gdi/nt/textout.h"
#include "open_pdev.h"

namespace fonttest {
namespace {

// The fixture rows.dat lists "Liberation Sans" at row 6 ("Arial", symbol set 590) and, before
// it, faces whose rows never substitute.
void InstallRowsFixture() {
  std::ifstream in(std::string(VELMOR_SOURCE_DIR) + "/tests/gdi/nt/fixtures/font_substitution/rows.dat",
                   std::ios::binary);
  ASSERT_TRUE(in.good());
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WCHAR appData[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  std::u16string folder = std::u16string(appData) + u"\\Velmor";
  CreateDirectoryW(folder.c_str(), nullptr);
  folder += u"\\vm4k2";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::u16string path = folder + u"\\vm4k2font.dat";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

class SubstitutedText : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallRowsFixture();
    open_.Open();
  }
  void TearDown() override {
    for (STROBJ* so : strings_) PlatformTest_DeleteString(so);
    open_.Close();
  }

  // Draws the string in Liberation Sans and answers the SetFont and Text lines it wrote, with
  // the values' data types.
  std::vector<std::string> Draw(const std::u16string& text, bool glyphIndex = false) {
    LOGFONTW lf{};
    lf.lfHeight = -100;
    lf.lfWeight = FW_NORMAL;
    const char16_t face[] = u"Liberation Sans";
    for (size_t i = 0; face[i]; ++i) lf.lfFaceName[i] = face[i];
    FONTOBJ* fo = PlatformTest_RealizeFont(&lf, 600);
    EXPECT_NE(fo, nullptr);
    STROBJ* so = PlatformTest_CreateString(fo, text.data(), static_cast<ULONG>(text.size()), 300, 400, nullptr,
                                           glyphIndex, FALSE);
    strings_.push_back(so);
    BRUSHOBJ fore{RGB(0, 0, 0), nullptr, 0};
    EXPECT_TRUE(DrvTextOut(open_.surface(), so, fo, nullptr, nullptr, nullptr, &fore, nullptr, nullptr, 0x0D0D));
    pclxl::DecodeOptions typed;
    typed.showTypes = true;
    pclxl::Decoded run = pclxl::DecodeOperators(open_.Take(), typed);
    EXPECT_TRUE(run.ok) << run.error;
    std::vector<std::string> lines;
    for (const std::string& line : run.listing)
      if (line.rfind("SetFont", 0) == 0 || line.rfind("Text ", 0) == 0) lines.push_back(line);
    return lines;
  }

  static bool Substituted(const std::vector<std::string>& lines) {
    return !lines.empty() && lines[0].find("Arial") != std::string::npos;
  }

  testsupport::TempMachine machine_;
  testsupport::OpenPdev open_;
  std::vector<STROBJ*> strings_;
};

TEST_F(SubstitutedText, AListedFacePrintsWithTheResidentFontInUnicode) {
  std::vector<std::string> lines = Draw(u"Hi\u00E9\u0081");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("Arial           "), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("SymbolSet=uint16(590)"), std::string::npos) << lines[0];
  // The string's UTF-16 units, 16-bit each: U+0081 has no code-page byte but is the
  // resident font's character 129 in the Unicode set.
  EXPECT_NE(lines[1].find("TextData=uint16_array[72 105 233 129]"), std::string::npos) << lines[1];
}

TEST_F(SubstitutedText, StringsTheResidentFontCannotHoldKeepTheirFace) {
  struct Case {
    const char* what;
    std::u16string text;
    bool glyphIndex;
  } cases[] = {
      {"first character U+00FF", u"\u00FFA", false},
      {"a Latin letter before CJK", u"A\u4E2D\u6587", false},
      {"glyph indices", u"\x0024\x0025", true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = Draw(c.text, c.glyphIndex);
    EXPECT_FALSE(Substituted(lines)) << c.what << ": " << (lines.empty() ? "" : lines[0]);
  }
  EXPECT_TRUE(Substituted(Draw(u"ok"))) << "the face is still listed";
}

TEST_F(SubstitutedText, TheSubstitutionSwitchKeepsEveryFace) {
  open_.job().dmPrivate.device.dwUiExtra1 = 1;
  EXPECT_FALSE(Substituted(Draw(u"Hello")));
}

}  // namespace
}  // namespace fonttest
