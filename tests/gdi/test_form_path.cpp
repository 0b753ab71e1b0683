// The form path: the forms folder by system version and environment, and the form name rules.
#include <gtest/gtest.h>

#include <string>

#include <platform_testing.h>
#include <win/environment.h>

#include "gdi/form.h"
#include "intrface/devmod2.h"
#include "temp_machine.h"

namespace {

class FormPath : public testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(u"PUBLIC", u"C:\\Users\\Public");
    SetEnvironmentVariableW(u"ALLUSERSPROFILE", u"C:\\ProgramData");
    PlatformTest_SetOsVersion(10, 0, 19045, nullptr, FALSE);
  }

  // The built path, or "<refused N>".
  static std::u16string Build(const std::u16string& name) {
    WCHAR path[RENDER_NAME_UNITS] = {};
    const FormPathResult result = Form_BuildPath(name.c_str(), path);
    if (result != FORM_PATH_OK) return u"<refused " + std::u16string(1, static_cast<char16_t>(u'0' + result)) + u">";
    return path;
  }

  testsupport::TempMachine machine_;
};

const std::u16string kBadName = u"<refused 1>";
const std::u16string kNoFolder = u"<refused 2>";
const std::u16string kTooLong = u"<refused 3>";

TEST_F(FormPath, NameRules) {
  struct Case {
    std::u16string name;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"Letterhead", u"C:\\ProgramData\\Documents\\Halvard\\Form\\Letterhead"},
      {u"\\Office\\Letterhead", u"C:\\ProgramData\\Documents\\Halvard\\Form\\Office\\Letterhead"},
      {u"D:\\Forms\\Letterhead", u"D:\\Forms\\Letterhead"},
      {u" Letterhead", u" Letterhead"},
      {u"", kBadName},
      {u"Letter\u0001head", kBadName},
      {u"Letter\thead", kBadName},
      {u"Letter*", kBadName},
      {u"Letter?", kBadName},
      {u"D:\\Forms\\*", kBadName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    EXPECT_EQ(Build(c.name), c.expected);
  }
}

TEST_F(FormPath, LengthsUpToTheNameFields) {
  // "C:\ProgramData\Documents\Halvard\Form\" is 38 units; with ".dfd" the path must stay
  // within 255.
  const size_t folder = std::u16string(u"C:\\ProgramData\\Documents\\Halvard\\Form\\").size();
  const std::u16string fits(255 - 4 - folder, u'a');
  EXPECT_EQ(Build(fits).size(), 251u);
  EXPECT_EQ(Build(fits + u"a"), kTooLong);
  // A whole 255-unit name never fits after the folder.
  EXPECT_EQ(Build(std::u16string(255, u'a')), kTooLong);
  // A drive-letter name is measured by itself.
  const std::u16string drive = u"D:" + std::u16string(249, u'a');
  EXPECT_EQ(Build(drive), drive);
  EXPECT_EQ(Build(drive + u"a"), kTooLong);
  // A folder variable longer than any field.
  SetEnvironmentVariableW(u"ALLUSERSPROFILE", (u"C:\\" + std::u16string(600, u'x')).c_str());
  EXPECT_EQ(Build(u"a"), kTooLong);
}

TEST_F(FormPath, FolderBySystemVersion) {
  struct Case {
    DWORD major, minor;
    std::u16string expected;
  };
  const Case cases[] = {
      {5, 1, u"C:\\ProgramData\\Documents\\Halvard\\Form\\F"},
      {6, 0, u"C:\\Users\\Public\\Halvard\\Form\\F"},
      {6, 1, u"C:\\Users\\Public\\Halvard\\Form\\F"},
      {6, 3, u"C:\\Users\\Public\\Halvard\\Form\\F"},
      {10, 0, u"C:\\ProgramData\\Documents\\Halvard\\Form\\F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    PlatformTest_SetOsVersion(c.major, c.minor, 1000, nullptr, FALSE);
    EXPECT_EQ(Build(u"F"), c.expected);
  }
}

TEST_F(FormPath, MissingVariableMeansNoFormsFolder) {
  SetEnvironmentVariableW(u"ALLUSERSPROFILE", nullptr);
  EXPECT_EQ(Build(u"F"), kNoFolder);
  EXPECT_EQ(Build(u"D:\\Forms\\F"), u"D:\\Forms\\F");  // needs no forms folder
  PlatformTest_SetOsVersion(6, 1, 7601, nullptr, FALSE);
  EXPECT_EQ(Build(u"F"), u"C:\\Users\\Public\\Halvard\\Form\\F");
  SetEnvironmentVariableW(u"PUBLIC", nullptr);
  EXPECT_EQ(Build(u"F"), kNoFolder);
  EXPECT_EQ(Build(u"\\F"), kNoFolder);
  SetEnvironmentVariableW(u"PUBLIC", u"");
  EXPECT_EQ(Build(u"F"), kNoFolder);
}

}  // namespace
