// Path resolution and the path functions' sizing protocols.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include <win/environment.h>
#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

namespace {

std::u16string FullPath(const char16_t* name) {
  WCHAR buffer[MAX_PATH];
  DWORD n = GetFullPathNameW(name, MAX_PATH, buffer, nullptr);
  return std::u16string(buffer, n);
}

}  // namespace

TEST(FilePaths, FullPathNameClampsDotDotAtTheDriveRoot) {
  testsupport::TempMachine machine;
  struct Case {
    const char16_t* input;
    const char16_t* expected;
  } cases[] = {
      {u"C:\\Windows\\..\\..\\..\\Users", u"C:\\Users"},
      {u"C:/Windows/./System32/../Fonts", u"C:\\Windows\\Fonts"},
      {u"\\..\\x.txt", u"C:\\x.txt"},
      {u"relative\\a.txt", u"C:\\relative\\a.txt"},
      {u"C:\\dir\\", u"C:\\dir\\"},
      {u"C:\\name. . ", u"C:\\name"},
  };
  for (const Case& c : cases) EXPECT_EQ(FullPath(c.input), std::u16string(c.expected)) << std::string(c.input, c.input + 4);
}

TEST(FilePaths, FullPathNameReportsTheSizeNeededAndTheFilePart) {
  testsupport::TempMachine machine;
  const std::u16string expected = u"C:\\Windows\\win.ini";
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetFullPathNameW(u"c:\\windows\\system32\\..\\win.ini", 0, nullptr, nullptr), expected.size() + 1)
      << "size needed includes the terminator";
  WCHAR small[5] = {u'#', u'#', u'#', u'#', u'#'};
  EXPECT_EQ(GetFullPathNameW(u"C:\\Windows\\win.ini", 5, small, nullptr), expected.size() + 1);
  EXPECT_EQ(small[0], u'#') << "a buffer that is too small is left alone";
  WCHAR exact[19];
  LPWSTR filePart = nullptr;
  EXPECT_EQ(GetFullPathNameW(u"C:\\Windows\\win.ini", 19, exact, &filePart), expected.size());
  EXPECT_EQ(std::u16string(exact), expected);
  ASSERT_NE(filePart, nullptr);
  EXPECT_EQ(std::u16string(filePart), u"win.ini");
  EXPECT_EQ(GetFullPathNameW(u"C:\\Windows\\win.ini", 18, exact, nullptr), 19u);
}

TEST(FilePaths, ComponentsMatchWithoutCase) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data Folder", nullptr));
  ASSERT_TRUE(filetest::WriteText(u"C:\\Data Folder\\Report.TXT", "hello"));
  EXPECT_EQ(filetest::ReadText(u"c:\\DATA FOLDER\\report.txt"), "hello");
  EXPECT_EQ(filetest::ReadText(u"C:/data folder/REPORT.txt"), "hello");
  // The name keeps the case it was created with on the host side.
  struct stat st;
  EXPECT_EQ(stat(machine.Host("drives/C/Data Folder/Report.TXT").c_str(), &st), 0);
  // Writing through another spelling reaches the same file rather than making a second one.
  ASSERT_TRUE(filetest::WriteText(u"C:\\DATA FOLDER\\REPORT.TXT", "again"));
  EXPECT_EQ(filetest::ReadText(u"C:\\Data Folder\\Report.TXT"), "again");
  EXPECT_NE(stat(machine.Host("drives/C/Data Folder/REPORT.TXT").c_str(), &st), 0);
}

TEST(FilePaths, DotDotNeverLeavesTheMachine) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\..\\..\\..\\escape.txt", "inside"));
  struct stat st;
  EXPECT_EQ(stat(machine.Host("drives/C/escape.txt").c_str(), &st), 0);
  EXPECT_NE(stat((machine.root() + "/../escape.txt").c_str(), &st), 0);
}

TEST(FilePaths, CurrentDirectoryIsAMachineFolder) {
  testsupport::TempMachine machine;
  WCHAR buffer[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 3u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\");
  EXPECT_EQ(GetCurrentDirectoryW(2, buffer), 4u);

  ASSERT_TRUE(SetCurrentDirectoryW(u"c:\\windows\\SYSTEM32"));
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 19u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Windows\\System32");
  ASSERT_TRUE(filetest::WriteText(u"here.txt", "x"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32\\here.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  struct Case {
    const char16_t* path;
    DWORD error;
  } failures[] = {
      {u"C:\\Windows\\Missing", ERROR_FILE_NOT_FOUND},
      {u"C:\\Missing\\Deeper", ERROR_PATH_NOT_FOUND},
      {u"C:\\Windows\\System32\\here.txt", ERROR_DIRECTORY},
  };
  for (const Case& c : failures) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(SetCurrentDirectoryW(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 19u) << "a failed change keeps the directory";
}

TEST(FilePaths, TempPathEndsWithABackslashAndExists) {
  testsupport::TempMachine machine;
  WCHAR buffer[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, buffer);
  ASSERT_GT(n, 3u);
  std::u16string temp(buffer, n);
  EXPECT_EQ(temp, u"C:\\Users\\User\\AppData\\Local\\Temp\\");
  EXPECT_EQ(GetFileAttributesW(buffer), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetTempPathW(n, buffer), n + 1);

  ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", u"C:\\Windows\\Temp"));
  n = GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer, n), u"C:\\Windows\\Temp\\");
}
