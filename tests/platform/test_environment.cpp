// The machine's environment variables, their sizing protocol, and the special folders.
#include <gtest/gtest.h>

#include <string>

#include <win/environment.h>
#include <win/files.h>
#include <win/shell.h>

#include "platform_testing.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

namespace {

std::u16string Variable(const char16_t* name) {
  WCHAR buffer[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return n && n < MAX_PATH ? std::u16string(buffer, n) : u"<unset>";
}

}  // namespace

TEST(Environment, StandardVariablesNameFoldersOfTheMachine) {
  testsupport::TempMachine machine;
  struct Case {
    const char16_t* name;
    const char16_t* value;
  } cases[] = {
      {u"SystemRoot", u"C:\\Windows"},
      {u"windir", u"C:\\Windows"},
      {u"ALLUSERSPROFILE", u"C:\\ProgramData"},
      {u"PUBLIC", u"C:\\Users\\Public"},
      {u"APPDATA", u"C:\\Users\\User\\AppData\\Roaming"},
      {u"LOCALAPPDATA", u"C:\\Users\\User\\AppData\\Local"},
      {u"TEMP", u"C:\\Users\\User\\AppData\\Local\\Temp"},
      {u"USERNAME", u"User"},
      {u"USERPROFILE", u"C:\\Users\\User"},
      {u"COMSPEC", u"C:\\Windows\\System32\\cmd.exe"},
      {u"ProgramFiles", u"C:\\Program Files"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Variable(c.name), c.value);
    if (c.name[0] != u'U' && c.name[0] != u'C' && c.name[0] != u'w') {
      EXPECT_TRUE(GetFileAttributesW(c.value) & FILE_ATTRIBUTE_DIRECTORY);
      EXPECT_NE(GetFileAttributesW(c.value), INVALID_FILE_ATTRIBUTES);
    }
  }
  EXPECT_EQ(Variable(u"path").substr(0, 20), u"C:\\Windows\\System32;");
}

TEST(Environment, UserAndComputerNameComeFromTheMachine) {
  testsupport::TempMachine machine;
  PlatformTest_SetControl("UserName", "Ada", FALSE);
  PlatformTest_SetControl("ComputerName", "PRINTSRV", FALSE);
  EXPECT_EQ(Variable(u"USERNAME"), u"Ada");
  EXPECT_EQ(Variable(u"COMPUTERNAME"), u"PRINTSRV");
  EXPECT_EQ(Variable(u"APPDATA"), u"C:\\Users\\Ada\\AppData\\Roaming");
  EXPECT_NE(GetFileAttributesW(u"C:\\Users\\Ada\\AppData\\Roaming"), INVALID_FILE_ATTRIBUTES);
}

TEST(Environment, SizeFirstThenData) {
  testsupport::TempMachine machine;
  WCHAR small[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", small, 4), 11u) << "size needed includes the terminator";
  EXPECT_EQ(small[0], u'#');
  EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", nullptr, 0), 11u);
  WCHAR exact[11];
  EXPECT_EQ(GetEnvironmentVariableW(u"SYSTEMROOT", exact, 11), 10u);
  EXPECT_EQ(std::u16string(exact), u"C:\\Windows");

  SetLastError(kErrorMarker);
  EXPECT_EQ(GetEnvironmentVariableW(u"NoSuchVariable", exact, 11), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));

  ASSERT_TRUE(SetEnvironmentVariableW(u"Empty", u""));
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetEnvironmentVariableW(u"empty", exact, 11), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "an empty value is no missing variable";

  ASSERT_TRUE(SetEnvironmentVariableW(u"Mine", u"value"));
  EXPECT_EQ(Variable(u"MINE"), u"value");
  ASSERT_TRUE(SetEnvironmentVariableW(u"MINE", nullptr));
  EXPECT_EQ(Variable(u"Mine"), u"<unset>");
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Environment, ExpandReplacesKnownNamesOnly) {
  testsupport::TempMachine machine;
  struct Case {
    const char16_t* input;
    const char16_t* expected;
  } cases[] = {
      {u"%SystemRoot%\\System32", u"C:\\Windows\\System32"},
      {u"%PUBLIC%\\%NoSuch%\\x", u"C:\\Users\\Public\\%NoSuch%\\x"},
      {u"100%", u"100%"},
  };
  for (const Case& c : cases) {
    WCHAR buffer[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsW(c.input, buffer, MAX_PATH);
    std::u16string expected(c.expected);
    EXPECT_EQ(n, expected.size() + 1) << "the count includes the terminator";
    EXPECT_EQ(std::u16string(buffer), expected);
  }
  WCHAR small[4];
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%windir%", small, 4), 11u);
}

TEST(ShellFolders, SpecialFoldersAreMachineFolders) {
  testsupport::TempMachine machine;
  struct Case {
    int csidl;
    const char16_t* path;
  } cases[] = {
      {CSIDL_APPDATA, u"C:\\Users\\User\\AppData\\Roaming"},
      {CSIDL_LOCAL_APPDATA, u"C:\\Users\\User\\AppData\\Local"},
      {CSIDL_COMMON_APPDATA, u"C:\\ProgramData"},
      {CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
      {CSIDL_SYSTEM, u"C:\\Windows\\System32"},
      {CSIDL_WINDOWS, u"C:\\Windows"},
      {CSIDL_FONTS, u"C:\\Windows\\Fonts"},
      {CSIDL_COMMON_PROGRAMS, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
  };
  for (const Case& c : cases) {
    WCHAR path[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathW(nullptr, c.csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    EXPECT_EQ(std::u16string(path), c.path);
  }
  WCHAR path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathW(nullptr, 0x7F, nullptr, SHGFP_TYPE_CURRENT, path), E_INVALIDARG);
}

TEST(ShellFolders, FlagCreateMakesAMissingFolder) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(RemoveDirectoryW(u"C:\\Users\\User\\AppData\\Roaming"));
  WCHAR path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path), E_FAIL);
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  EXPECT_EQ(std::u16string(path), u"C:\\Users\\User\\AppData\\Roaming");
  EXPECT_EQ(GetFileAttributesW(path), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}
