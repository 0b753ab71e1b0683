// The language choice, the satellite library beside the library's file, and its strings.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <win/registry.h>
#include <win/user.h>

#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/language.h"
#include "ui/core/message_box.h"
#include "ui/core/private_devmode.h"
#include "ui/core/satellite.h"
#include "ui/core/system_queries.h"
#include "ui/core/watermark_records.h"

namespace {

namespace fs = std::filesystem;

class SatelliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Process-wide state (the renamed built-in, the language flags) is checked in a fresh
    // process that re-runs only the test, not a fork of this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The calling program lives in C:\Drivers, with the English satellite beside it.
    fs::create_directories(machine_.Host("drives/C/Drivers"));
    fs::copy_file(std::string(VELMOR_OUT_DIR) + "/vm4k2enus.dll", machine_.Host("drives/C/Drivers/vm4k2enus.dll"));
    PlatformTest_SetControl("ImageName", "C:\\Drivers\\app.exe", FALSE);
  }
  void TearDown() override {
    PlatformTest_SetControl("ImageName", nullptr, FALSE);
    PlatformTest_SetControl("SystemLanguage", nullptr, FALSE);
  }
  void SetLanguageValue(const char16_t* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((std::u16string_view(value).size() + 1) * sizeof(WCHAR));
    ASSERT_EQ(RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::u16string DllName() {
    WCHAR name[vm4k2ui::kLanguageNameUnits] = {};
    return vm4k2ui::GetResourceDllName(name);
  }
  testsupport::TempMachine machine_;
};

TEST_F(SatelliteTest, LanguageValueChoosesTheFile) {
  struct Case { const char16_t* language; const char16_t* file; const char16_t* help; };
  const Case cases[] = {
      {u"Simplified_Chinese", u"vm4k2zhcn.dll", u"\\3\\vm4k2zhcn.chm"},
      {u"English", u"vm4k2enus.dll", u"\\3\\vm4k2enus.chm"},
      {u"Japanese", u"vm4k2ja.dll", u"\\3\\vm4k2ja.chm"},
      {u"French", u"vm4k2fr.dll", u"\\3\\vm4k2fr.chm"},
      {u"Italian", u"vm4k2it.dll", u"\\3\\vm4k2it.chm"},
      {u"Spanish", u"vm4k2esmx.dll", u"\\3\\vm4k2esmx.chm"},
      {u"Swedish", u"vm4k2sv.dll", u"\\3\\vm4k2sv.chm"},
      {u"Norwegian", u"vm4k2no.dll", u"\\3\\vm4k2no.chm"},
      {u"Klingon", u"vm4k2enus.dll", u"\\3\\vm4k2enus.chm"},
      {u"english", u"vm4k2enus.dll", u"\\3\\vm4k2enus.chm"},
      {u"French ", u"vm4k2enus.dll", u"\\3\\vm4k2enus.chm"},
  };
  for (const Case& c : cases) {
    SetLanguageValue(c.language);
    EXPECT_EQ(DllName(), c.file);
    WCHAR help[vm4k2ui::kLanguageNameUnits] = {};
    EXPECT_EQ(std::u16string(vm4k2ui::GetHelpFileName(help)), c.help);
  }
}

TEST_F(SatelliteTest, SystemLanguageDecidesWithoutAValue) {
  struct Case { const char* langId; const char16_t* file; };
  const Case cases[] = {{"1025", u"vm4k2ar.dll"},  {"16385", u"vm4k2ar.dll"}, {"2052", u"vm4k2zhcn.dll"},
                        {"1028", u"vm4k2zhcn.dll"}, {"1033", u"vm4k2enus.dll"}, {"2057", u"vm4k2enus.dll"},
                        {"1036", u"vm4k2fr.dll"},  {"1040", u"vm4k2it.dll"},  {"1041", u"vm4k2ja.dll"},
                        {"1044", u"vm4k2no.dll"},  {"2068", u"vm4k2no.dll"},  {"1049", u"vm4k2ru.dll"},
                        {"1053", u"vm4k2sv.dll"},  {"3082", u"vm4k2esmx.dll"}, {"20490", u"vm4k2esmx.dll"},
                        {"1034", u"vm4k2enus.dll"}, {"1031", u"vm4k2enus.dll"}};
  for (const Case& c : cases) {
    PlatformTest_SetControl("SystemLanguage", c.langId, FALSE);
    EXPECT_EQ(DllName(), c.file) << c.langId;
  }
}

TEST_F(SatelliteTest, LoadsTheSatelliteBesideTheLibrary) {
  HMODULE satellite = nullptr;
  ASSERT_EQ(vm4k2ui::LoadResourceDll(&satellite), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(satellite, nullptr);
  EXPECT_EQ(vm4k2ui::LoadUiString(satellite, 202), u"Default Settings");
  EXPECT_EQ(vm4k2ui::LoadUiString(satellite, 4017), u"Automatically Select");
  EXPECT_EQ(vm4k2ui::LoadUiString(satellite, 5025), u"<New>");
  EXPECT_EQ(vm4k2ui::LoadUiString(satellite, 65000), u"id:65000 missing!");
  WCHAR small[5];
  EXPECT_EQ(vm4k2ui::LoadUiString(satellite, 202, small, 5), 4);
  EXPECT_EQ(std::u16string_view(small), u"Defa");
  vm4k2ui::FreeResourceDll(satellite);
}

TEST_F(SatelliteTest, AMissingSatelliteIsAnError) {
  SetLanguageValue(u"French");
  HMODULE satellite = reinterpret_cast<HMODULE>(1);
  EXPECT_NE(vm4k2ui::LoadResourceDll(&satellite), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(satellite, nullptr);
  EXPECT_EQ(vm4k2ui::LoadUiString(nullptr, 202), u"id:202 missing!");
}

TEST(MissingStringText, FitsWholeOrNotAtAll) {
  struct Case {
    int capacity;
    int result;
    const char16_t* text;
  } cases[] = {
      {100, 16, u"id:4011 missing!"},
      {17, 16, u"id:4011 missing!"},  // exactly the text and its terminator
      {16, 0, u""},
      {5, 0, u""},
      {1, 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    std::u16string buffer(101, u'#');
    EXPECT_EQ(vm4k2ui::LoadUiString(nullptr, 4011, buffer.data(), c.capacity), c.result);
    EXPECT_EQ(std::u16string_view(buffer.c_str()), c.text);
    EXPECT_EQ(buffer[c.capacity], u'#') << "nothing written past the capacity";
  }
  WCHAR untouched = u'#';
  EXPECT_EQ(vm4k2ui::LoadUiString(nullptr, 4011, &untouched, 0), 0);
  EXPECT_EQ(untouched, u'#');
}

TEST_F(SatelliteTest, PrivateDefaultsTakeTheSatellitesTexts) {
  // The no-watermark record is renamed once per process, so this runs in a process of its own.
  EXPECT_EXIT(
      {
        vm4k2::PrivateDevmode p;
        const HRESULT result = vm4k2ui::SetDefaultPrivateDevmode(&p);
        vm4k2::WatermarkRecord builtin;
        vm4k2ui::CopyBuiltinWatermark(0, &builtin);
        const bool ok = result == S_OK && std::u16string_view(p.favoriteName) == u"Default Settings" &&
                        std::u16string_view(p.watermark.name) == u"None" &&
                        std::u16string_view(builtin.name) == u"None";
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SatelliteTest, PrivateDefaultsWithoutASatelliteSayWhatIsMissing) {
  SetLanguageValue(u"Japanese");
  EXPECT_EXIT(
      {
        vm4k2::PrivateDevmode p;
        const HRESULT result = vm4k2ui::SetDefaultPrivateDevmode(&p);
        const bool ok = FAILED(result) && std::u16string_view(p.favoriteName) == u"id:202 missing!" &&
                        p.signature == vm4k2::kPrivateSignature;
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SatelliteTest, RightToLeftAndDecimalCommaAreSetByTheirLanguages) {
  EXPECT_EXIT(
      {
        SetLanguageValue(u"Arabic");
        const bool before = vm4k2ui::UiRightToLeft();
        WCHAR name[vm4k2ui::kLanguageNameUnits];
        vm4k2ui::GetResourceDllName(name);
        SetLanguageValue(u"English");
        vm4k2ui::GetResourceDllName(name);
        std::_Exit(!before && vm4k2ui::UiRightToLeft() && !vm4k2ui::UiDecimalComma() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        SetLanguageValue(u"Russian");
        WCHAR name[vm4k2ui::kLanguageNameUnits];
        vm4k2ui::GetResourceDllName(name);
        std::_Exit(vm4k2ui::UiDecimalComma() && !vm4k2ui::UiRightToLeft() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SatelliteTest, SystemQueries) {
  EXPECT_TRUE(vm4k2ui::IsCallingProcess(u"APP.EXE"));
  EXPECT_TRUE(vm4k2ui::IsCallingProcess(u"app.exe"));
  EXPECT_FALSE(vm4k2ui::IsCallingProcess(u"app"));
  EXPECT_FALSE(vm4k2ui::IsCallingProcess(u"Drivers\\app.exe"));
  PlatformTest_SetControl("ImageName", "C:\\Program Files\\Office\\MSPUB.EXE", FALSE);
  EXPECT_TRUE(vm4k2ui::IsCallingProcess(u"mspub.exe"));

  struct OsCase { const char* version; int osClass; };
  for (OsCase c : {OsCase{"5.1.2600", 0}, OsCase{"6.0.6000", 1}, OsCase{"6.1.7601", 2}, OsCase{"6.3.9600", 2},
                   OsCase{"10.0.19045", 0}}) {
    PlatformTest_SetControl("OsVersion", c.version, FALSE);
    EXPECT_EQ(vm4k2ui::GetOsClass(), c.osClass) << c.version;
  }
  PlatformTest_SetControl("OsVersion", nullptr, FALSE);

  WCHAR path[] = u"C:\\Windows\\System32\\spool/drivers\\file.dll";
  vm4k2ui::StripLastComponent(path);
  EXPECT_EQ(std::u16string_view(path), u"C:\\Windows\\System32\\spool/drivers\\");
  WCHAR noSeparator[] = u"file.dll";
  vm4k2ui::StripLastComponent(noSeparator);
  EXPECT_EQ(std::u16string_view(noSeparator), u"file.dll");

  char oem[8];
  vm4k2ui::WideToOem(oem, sizeof(oem), u"Hello");
  EXPECT_STREQ(oem, "Hello");
  vm4k2ui::WideToOem(oem, sizeof(oem), u"Much too long");
  EXPECT_EQ(std::string(oem).size(), 7u);

  WCHAR user[vm4k2ui::kUserNameShortUnits];
  PlatformTest_SetControl("UserName", "A user name of far more than thirty-one characters", FALSE);
  vm4k2ui::GetUserNameShort(user);
  EXPECT_EQ(std::u16string_view(user), u"A user name of far more than th");
  PlatformTest_SetControl("UserNameUnreadable", "1", FALSE);
  vm4k2ui::GetUserNameShort(user);
  EXPECT_EQ(std::u16string_view(user), u"");
  PlatformTest_SetControl("UserNameUnreadable", nullptr, FALSE);
  PlatformTest_SetControl("UserName", nullptr, FALSE);
}

}  // namespace

TEST_F(SatelliteTest, MessageBoxesReadFromTheRightOnlyInArabic) {
  struct Case { const char16_t* language; UINT shownStyle; };
  const Case cases[] = {
      {u"English", MB_YESNO | MB_ICONWARNING},
      {u"Arabic", MB_YESNO | MB_ICONWARNING | MB_RTLREADING | MB_RIGHT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.language, c.language + std::u16string_view(c.language).size()));
    SetLanguageValue(c.language);
    PlatformTest_QueueBoxAnswer(nullptr, u"Delete it?", nullptr, IDNO, 0);
    EXPECT_EQ(vm4k2ui::ShowMessageBox(nullptr, u"Delete it?", u"Favorites", MB_YESNO | MB_ICONWARNING), IDNO);
    std::string log(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
    log.resize(PlatformTest_ReadCallLog(log.data(), log.size()));
    const std::string shown = "\"style\":" + std::to_string(c.shownStyle) + ",\"answer\":7";
    EXPECT_NE(log.rfind(shown), std::string::npos) << log;
  }
}
