#include <gtest/gtest.h>

#include <string>

#include <win/registry.h>

#include <platform_testing.h>

#include "common/satellite.h"
#include "temp_machine.h"

namespace {

class SatelliteTest : public ::testing::Test {
 protected:
  void SetUp() override { PlatformTest_SetImageName("C:\\Program Files\\Velmor\\vm4k2sm.exe", FALSE); }
  void TearDown() override { PlatformTest_ClearProcessControls(); }
  void SetLanguage(const std::u16string& value, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Language", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::u16string Path() {
    WCHAR path[MAX_PATH];
    EXPECT_TRUE(vm4k2common::GetSatelliteDllPath(path));
    return path;
  }
  testsupport::TempMachine machine_;
};

struct NameCase {
  const char16_t* language;
  LANGID system;
  const char16_t* file;
};

TEST_F(SatelliteTest, ChoosesTheLibraryBesideTheProgramByNameThenBySystemLanguage) {
  const NameCase cases[] = {
      {u"English", 0x0411, u"vm4k2smrcenus.dll"},
      {u"english", 0x0411, u"vm4k2smrcenus.dll"},  // no row: English, not the system's Japanese
      {u"Russian", 0x0409, u"vm4k2smrcru.dll"},
      {u"Simplified_Chinese", 0x0409, u"vm4k2smrczhcn.dll"},
      {u"Norwegian", 0x0409, u"vm4k2smrcno.dll"},
      {u"Spanish", 0x0409, u"vm4k2smrcesmx.dll"},
      {u"", 0x0816, u"vm4k2smrcenus.dll"},  // Portuguese has no library
      {u"", 0x0804, u"vm4k2smrczhcn.dll"},
      {u"", 0x0404, u"vm4k2smrczhcn.dll"},
      {u"", 0x0401, u"vm4k2smrcar.dll"},
      {u"", 0x041D, u"vm4k2smrcsv.dll"},
      {u"", 0x0C0A, u"vm4k2smrcesmx.dll"},
  };
  for (const NameCase& c : cases) {
    SetLanguage(c.language);
    PlatformTest_SetSystemLanguage(c.system, FALSE);
    EXPECT_EQ(Path(), u"C:\\Program Files\\Velmor\\" + std::u16string(c.file))
        << std::string(c.file, c.file + std::char_traits<char16_t>::length(c.file));
  }
}

TEST_F(SatelliteTest, AMissingOrUnusableValueCountsAsEmpty) {
  PlatformTest_SetSystemLanguage(0x0419, FALSE);
  EXPECT_EQ(Path(), u"C:\\Program Files\\Velmor\\vm4k2smrcru.dll");  // no key at all
  SetLanguage(std::u16string(200, u'E'));                            // more than 256 bytes
  EXPECT_EQ(Path(), u"C:\\Program Files\\Velmor\\vm4k2smrcru.dll");
  WCHAR name[vm4k2common::kLanguageNameUnits];
  vm4k2common::ReadUiLanguage(name);
  EXPECT_EQ(std::u16string(name), u"");

  SetLanguage(std::u16string(100, u'E'));  // fits the buffer, cut to 63 units
  vm4k2common::ReadUiLanguage(name);
  EXPECT_EQ(std::u16string(name), std::u16string(63, u'E'));
}

}  // namespace
