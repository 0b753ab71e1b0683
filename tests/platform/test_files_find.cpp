// FindFirstFileW patterns, listing order and errors, and GetTempFileNameW's names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

namespace {

std::vector<std::u16string> Find(const char16_t* pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(pattern, &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileW(h, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  return names;
}

std::string Join(const std::vector<std::u16string>& names) {
  std::string out;
  for (const auto& n : names) {
    if (!out.empty()) out += ",";
    for (char16_t c : n) out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

TEST(FileFind, PatternsMatchWithoutCase) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Dir", nullptr));
  for (const char16_t* name : {u"C:\\Dir\\b.TXT", u"C:\\Dir\\a.txt", u"C:\\Dir\\ab.dat", u"C:\\Dir\\README",
                               u"C:\\Dir\\abc.txt.bak"})
    ASSERT_TRUE(filetest::WriteText(name, "x"));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Dir\\Sub", nullptr));
  struct Case {
    const char16_t* pattern;
    const char* expected;
  } cases[] = {
      {u"C:\\Dir\\*", ".,..,a.txt,ab.dat,abc.txt.bak,b.TXT,README,Sub"},
      {u"C:\\Dir\\*.*", ".,..,a.txt,ab.dat,abc.txt.bak,b.TXT,README,Sub"},
      {u"C:\\Dir\\*.txt", "a.txt,b.TXT"},
      {u"c:\\dir\\?.TXT", "a.txt,b.TXT"},
      {u"C:\\Dir\\a*", "a.txt,ab.dat,abc.txt.bak"},
      {u"C:\\Dir\\a?.*", "ab.dat"},
      {u"C:\\Dir\\*.", ".,..,README,Sub"},
      {u"C:\\Dir\\readme", "README"},
      {u"C:\\Dir\\*txt*", "a.txt,abc.txt.bak,b.TXT"},
      {u"C:\\*", "Dir,Program Files,Program Files (x86),ProgramData,Users,Windows"},
  };
  for (const Case& c : cases) EXPECT_EQ(Join(Find(c.pattern)), c.expected);
}

TEST(FileFind, EntryDataAndErrors) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\Users\\sized.bin", std::string(1234, 'x')));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Users\\sized.bin", FILE_ATTRIBUTE_HIDDEN));
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(u"C:\\Users\\SIZED.BIN", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"sized.bin");
  EXPECT_EQ(data.nFileSizeLow, 1234u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(FindNextFileW(h, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(FindClose(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  struct Case {
    const char16_t* pattern;
    DWORD error;
  } cases[] = {
      {u"C:\\Users\\*.none", ERROR_FILE_NOT_FOUND},
      {u"C:\\NoFolder\\*", ERROR_PATH_NOT_FOUND},
      {u"C:\\Users\\sized.bin\\*", ERROR_PATH_NOT_FOUND},
      {u"C:\\Us*\\x", ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(FindFirstFileW(c.pattern, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(FileTempNames, PrefixOfThreeAndHexNumber) {
  testsupport::TempMachine machine;
  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(u"C:\\Windows\\Temp", u"vmprefix", 0x1A2B, name), 0x1A2Bu);
  EXPECT_EQ(std::u16string(name), u"C:\\Windows\\Temp\\vmp1A2B.TMP");
  EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES) << "a given number only builds the name";
  EXPECT_EQ(GetTempFileNameW(u"C:\\Windows\\Temp\\", u"", 0x12345, name), 0x12345u);
  EXPECT_EQ(std::u16string(name), u"C:\\Windows\\Temp\\2345.TMP") << "only the low 16 bits count";

  WCHAR first[MAX_PATH], second[MAX_PATH];
  UINT a = GetTempFileNameW(u"C:\\Windows\\Temp", u"job", 0, first);
  UINT b = GetTempFileNameW(u"C:\\Windows\\Temp", u"job", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_NE(std::u16string(first), std::u16string(second));
  for (const WCHAR* made : {first, second}) {
    std::u16string text(made);
    EXPECT_EQ(text.substr(0, 19), u"C:\\Windows\\Temp\\job");
    EXPECT_EQ(text.substr(text.size() - 4), u".TMP");
    for (char16_t c : text.substr(19, text.size() - 23))
      EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << "hexadecimal digits";
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(made, GetFileExInfoStandard, &data)) << "the file is made, empty";
    EXPECT_EQ(data.nFileSizeLow, 0u);
  }

  SetLastError(kErrorMarker);
  EXPECT_EQ(GetTempFileNameW(u"C:\\NoSuchFolder", u"job", 0, first), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}
