// Printer-font substitution: the user's FontSubstitutionFile as the renderer reads it, and the
// lookup the text output asks for each string. The files are fixtures written with Python's
// struct (fixtures/font_substitution/make_fixtures.py), placed where the user's file lives.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/shell.h>

#include "gdi/nt/fontdata.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

std::vector<char> ReadFixture(const std::string& name) {
  std::ifstream in(std::string(VELMOR_SOURCE_DIR) + "/tests/gdi/nt/fixtures/font_substitution/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string SubstitutionFolder() {
  WCHAR appData[MAX_PATH] = {};
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  return std::u16string(appData) + u"\\Velmor\\vm4k2";
}

// Places `bytes` as the user's FontSubstitutionFile.
void InstallSubstitutionFile(const std::vector<char>& bytes) {
  std::u16string folder = SubstitutionFolder();
  CreateDirectoryW((folder.substr(0, folder.rfind(u'\\'))).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  std::u16string path = folder + u"\\vm4k2font.dat";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
  CloseHandle(file);
}

struct PdevDeleter {
  void operator()(PDEV* pdev) const {
    FreeFontSubstitutions(pdev);
    delete pdev;
  }
};
using PdevPtr = std::unique_ptr<PDEV, PdevDeleter>;

PdevPtr ReadInto() {
  PdevPtr pdev(new PDEV{});
  ReadFontSubstitutionFile(pdev.get());
  return pdev;
}

struct Lookup {
  DWORD result = 0;
  std::string pclName;
  DWORD symbolSet = 0;
};

Lookup Substitute(const PDEV* pdev, const std::u16string& face) {
  char name[vm4k2::kPrinterFontNameBytes];
  std::memset(name, '#', sizeof(name));
  Lookup lookup;
  lookup.symbolSet = 0xDEAD;
  lookup.result = FontData_Substitute(pdev, face.c_str(), name, sizeof(name), &lookup.symbolSet);
  if (lookup.result != 0) lookup.pclName.assign(name, vm4k2::kPrinterFontNameChars + 1);
  return lookup;
}

class FontSubstitutionFile : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(FontSubstitutionFile, NoFileOrCountZeroGivesNoList) {
  PdevPtr none = ReadInto();
  EXPECT_EQ(none->fontSubstitutions, nullptr);
  EXPECT_EQ(none->fontSubstitutionCount, 0u);
  EXPECT_EQ(Substitute(none.get(), u"Liberation Sans").result, 0u);

  InstallSubstitutionFile(ReadFixture("count_zero.dat"));
  PdevPtr empty = ReadInto();
  EXPECT_EQ(empty->fontSubstitutions, nullptr);
  EXPECT_EQ(empty->fontSubstitutionCount, 0u);
}

TEST_F(FontSubstitutionFile, OnlyWholeRecordsAreKept) {
  struct Case {
    const char* fixture;
    DWORD records;
  } cases[] = {
      {"count_beyond_records.dat", 2},  // count 5 over two and a half records
      {"count_all_ones.dat", 1},        // count 0xFFFFFFFF over one record
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    InstallSubstitutionFile(ReadFixture(c.fixture));
    PdevPtr pdev = ReadInto();
    ASSERT_NE(pdev->fontSubstitutions, nullptr);
    EXPECT_EQ(pdev->fontSubstitutionCount, c.records);
    EXPECT_EQ(Substitute(pdev.get(), u"Liberation Sans").result, 10006u);
  }
  // The half record of the first file is not among the list.
  InstallSubstitutionFile(ReadFixture("count_beyond_records.dat"));
  PdevPtr pdev = ReadInto();
  EXPECT_EQ(Substitute(pdev.get(), u"Liberation Mono").result, 10020u);
  EXPECT_EQ(Substitute(pdev.get(), u"DejaVu Sans").result, 0u);
}

TEST_F(FontSubstitutionFile, ACountWithoutItsRecordsOrAShortCountGivesNoList) {
  std::vector<char> countOnly = ReadFixture("count_beyond_records.dat");
  countOnly.resize(4);
  InstallSubstitutionFile(countOnly);
  EXPECT_EQ(ReadInto()->fontSubstitutionCount, 0u);

  InstallSubstitutionFile(std::vector<char>{1, 0});
  PdevPtr shortCount = ReadInto();
  EXPECT_EQ(shortCount->fontSubstitutions, nullptr);
  EXPECT_EQ(shortCount->fontSubstitutionCount, 0u);
}

TEST_F(FontSubstitutionFile, AnUnterminatedNameMatchesNothing) {
  InstallSubstitutionFile(ReadFixture("unterminated_name.dat"));
  PdevPtr pdev = ReadInto();
  ASSERT_EQ(pdev->fontSubstitutionCount, 2u);
  EXPECT_EQ(Substitute(pdev.get(), std::u16string(256, u'U')).result, 0u);
  EXPECT_EQ(Substitute(pdev.get(), std::u16string(255, u'U')).result, 0u);
  EXPECT_EQ(Substitute(pdev.get(), u"Liberation Sans").result, 10007u) << "the records after it still count";
}

TEST_F(FontSubstitutionFile, RowsNamesAndOrder) {
  InstallSubstitutionFile(ReadFixture("rows.dat"));
  PdevPtr pdev = ReadInto();
  ASSERT_EQ(pdev->fontSubstitutionCount, 9u);
  struct Case {
    const char16_t* face;
    DWORD result;
    const char* pclName;
    DWORD symbolSet;
  } cases[] = {
      {u"Row Zero Face", 0, nullptr, 0},           // row 0: download, never a match
      {u"Liberation Serif", 10080, "TimesNewRmn     ", 590},  // row 0 passed over, the next record wins
      {u"Row Ninety-Four Face", 0, nullptr, 0},    // beyond the table
      {u"Row Max Face", 0, nullptr, 0},
      {u"Liberation Sans", 10006, "Arial           ", 590},  // listed twice: the first wins
      {u"liberation sans", 0, nullptr, 0},         // case counts
      {u"LIBERATION SANS", 0, nullptr, 0},
      {u"Liberation Sans ", 0, nullptr, 0},
      {u"DejaVu Sans", 10056, "ZapfDingbats    ", 460},
      {u"DejaVu Serif", 10093, "Wingdings       ", 18540},
      {u"Unlisted Face", 0, nullptr, 0},
      {u"", 0, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.face, c.face + std::char_traits<char16_t>::length(c.face)));
    Lookup lookup = Substitute(pdev.get(), c.face);
    EXPECT_EQ(lookup.result, c.result);
    if (c.pclName) {
      EXPECT_EQ(lookup.pclName, std::string(c.pclName, 17)) << "the name with its terminator";
      EXPECT_EQ(lookup.symbolSet, c.symbolSet);
    } else {
      EXPECT_EQ(lookup.symbolSet, 0xDEADu) << "untouched without a substitution";
    }
  }
}

TEST_F(FontSubstitutionFile, ASmallNameBufferGetsNothing) {
  InstallSubstitutionFile(ReadFixture("rows.dat"));
  PdevPtr pdev = ReadInto();
  char name[17];
  std::memset(name, '#', sizeof(name));
  DWORD symbolSet = 0xDEAD;
  EXPECT_EQ(FontData_Substitute(pdev.get(), u"Liberation Sans", name, 16, &symbolSet), 0u);
  EXPECT_EQ(name[0], '#');
  EXPECT_EQ(symbolSet, 0xDEADu);
  EXPECT_EQ(FontData_Substitute(pdev.get(), u"Liberation Sans", name, 17, &symbolSet), 10006u);
  EXPECT_EQ(std::string(name, 17), std::string("Arial           \0", 17));
  EXPECT_EQ(FontData_Substitute(pdev.get(), nullptr, name, 17, &symbolSet), 0u);
  EXPECT_EQ(FontData_Substitute(pdev.get(), u"Liberation Sans", name, 17, nullptr), 0u);
}

TEST_F(FontSubstitutionFile, WithoutTheShellOrItsExportThereIsNoList) {
  InstallSubstitutionFile(ReadFixture("rows.dat"));
  PlatformTest_SetModuleAbsent("shell32.dll", TRUE, FALSE);
  EXPECT_EQ(ReadInto()->fontSubstitutionCount, 0u);
  PlatformTest_SetModuleAbsent("shell32.dll", FALSE, FALSE);

  PlatformTest_SetExportAbsent("shell32.dll", "SHGetFolderPathW", TRUE, FALSE);
  EXPECT_EQ(ReadInto()->fontSubstitutionCount, 0u);
  PlatformTest_SetExportAbsent("shell32.dll", "SHGetFolderPathW", FALSE, FALSE);

  EXPECT_EQ(ReadInto()->fontSubstitutionCount, 9u) << "the shell back, the list is read";
}

TEST_F(FontSubstitutionFile, FreeingEmptiesTheList) {
  InstallSubstitutionFile(ReadFixture("rows.dat"));
  PdevPtr pdev = ReadInto();
  FreeFontSubstitutions(pdev.get());
  EXPECT_EQ(pdev->fontSubstitutions, nullptr);
  EXPECT_EQ(pdev->fontSubstitutionCount, 0u);
  EXPECT_EQ(Substitute(pdev.get(), u"Liberation Sans").result, 0u);
  FreeFontSubstitutions(pdev.get());  // a second free is harmless
}

TEST(FontSubstitutionStrings, EveryCharacterMustBeBelow255) {
  struct Case {
    std::u16string text;
    BOOL allowed;
  } cases[] = {
      {u"Hello", TRUE},
      {u"\u00FE", TRUE},
      {u"\u00FF", FALSE},            // the first character the resident fonts cannot hold
      {u"\u00FFabc", FALSE},
      {u"A\u4E2D\u6587", FALSE},     // a Latin letter before CJK text
      {u"abc\u0100", FALSE},
      {u"", FALSE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FontData_StringAllowsSubstitution(c.text.c_str(), static_cast<ULONG>(c.text.size())), c.allowed)
        << c.text.size();
  }
  EXPECT_FALSE(FontData_StringAllowsSubstitution(nullptr, 3));
}

}  // namespace
