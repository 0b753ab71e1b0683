// Control-text tables, combos filled from strings, the strings the pages compare with, and
// context help.
#include <string>

#include <win/htmlhelp.h>

#include "sheets_fixture.h"
#include "ui/sheets/help.h"
#include "ui/sheets/ui_strings.h"

namespace {

using sheetstest::CallLog;

class UiStringsTest : public sheetstest::SheetsFixture {};

TEST_F(UiStringsTest, TheControlTextTableSkipsWhatItCannotSet) {
  const vm4k2ui::ControlText table[] = {
      {1090, 3001},  // set
      {4242, 3002},  // no such control: skipped
      {1091, 4011},  // no such string: the template's text stays
  };
  vm4k2ui::ApplyControlTexts(page_, 5004, table, 3);
  WCHAR title[64] = {};
  GetWindowTextW(page_, title, 64);
  EXPECT_EQ(std::u16string(title), u"Layout");
  EXPECT_EQ(Text(1090), u"Copies:");
  EXPECT_EQ(Text(1091), u"Template angle");
  vm4k2ui::ApplyControlTexts(page_, 4011, nullptr, 0);
  GetWindowTextW(page_, title, 64);
  EXPECT_EQ(std::u16string(title), u"Layout") << "a missing title string leaves the title";
}

TEST_F(UiStringsTest, AComboFilledFromATable) {
  const vm4k2ui::ComboRow rows[] = {{3001, 11}, {3002, 22}, {4011, 33}};
  HWND combo = Item(1070);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"stale"));
  vm4k2ui::FillComboFromTable(page_, 1070, 3, rows, 1);
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  const char16_t* texts[] = {u"Copies:", u"Angle:", u"id:4011 missing!"};
  for (int i = 0; i < 3; ++i) {
    WCHAR text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(text), texts[i]);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, i, 0), rows[i].data);
  }
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  vm4k2ui::FillComboFromTable(page_, 1070, 0, rows, -1);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(UiStringsTest, TheUnsavedNameAndTheDecimalSeparator) {
  WCHAR name[vm4k2ui::kUnsavedNameUnits];
  EXPECT_EQ(vm4k2ui::LoadUnsavedName(page_, name), 8);
  EXPECT_EQ(std::u16string(name), u"Untitled");
  EXPECT_TRUE(vm4k2ui::UsesDecimalPoint(page_));

  HMODULE russian = sheetstest::LoadFixtureLibrary(machine_, SHEETS_FIXTURES_RU, "sheets_fixtures_ru.dll");
  ASSERT_NE(russian, nullptr);
  context_->satellite = russian;
  EXPECT_FALSE(vm4k2ui::UsesDecimalPoint(page_)) << "string 108 holds a comma";
  context_->satellite = satellite_;
  FreeLibrary(russian);
}

TEST_F(UiStringsTest, TheNewWatermarkNameComesFromTheSharedSatellite) {
  // The shared satellite is the one beside the library, here beside the calling program.
  std::filesystem::create_directories(machine_.Host("drives/C/Drivers"));
  std::filesystem::copy_file(SHEETS_FIXTURES, machine_.Host("drives/C/Drivers/vm4k2enus.dll"));
  PlatformTest_SetControl("ImageName", "C:\\Drivers\\app.exe", FALSE);
  EXPECT_TRUE(vm4k2ui::MatchesUiString5025(u"<New>"));
  EXPECT_FALSE(vm4k2ui::MatchesUiString5025(u"<new>"));
  EXPECT_FALSE(vm4k2ui::MatchesUiString5025(u"<New> "));
  EXPECT_FALSE(vm4k2ui::MatchesUiString5025(nullptr));
  PlatformTest_SetControl("ImageName", nullptr, FALSE);
}

TEST_F(UiStringsTest, HelpOpensTheLanguagesFileAtTheContext) {
  EXPECT_TRUE(vm4k2ui::OpenHelp(page_, 500));
  const std::string caller = std::to_string(reinterpret_cast<uintptr_t>(page_));
  EXPECT_NE(CallLog().find("\"event\":\"html-help\",\"caller\":" + caller +
                           ",\"file\":\"C:\\\\Windows\\\\System32\\\\spool\\\\drivers\\\\x64\\\\3\\\\vm4k2enus.chm\","
                           "\"command\":15,\"data\":500"),
            std::string::npos)
      << CallLog();
}

TEST_F(UiStringsTest, WmHelpOpensOnlyTheControlsOfTheTable) {
  const vm4k2ui::HelpLink table[] = {{1019, 1101}, {1020, 1102}, {1019, 9999}};
  HELPINFO info{};
  info.cbSize = sizeof(info);
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = 1070;
  EXPECT_TRUE(vm4k2ui::OpenControlHelp(page_, &info, table, 3));
  EXPECT_EQ(CallLog().find("html-help"), std::string::npos) << "a control outside the table opens nothing";
  info.iCtrlId = 1019;
  EXPECT_TRUE(vm4k2ui::OpenControlHelp(page_, &info, table, 3));
  const std::string log = CallLog();
  EXPECT_NE(log.find("\"command\":15,\"data\":1101"), std::string::npos) << log;
  EXPECT_EQ(log.find("\"data\":9999"), std::string::npos) << "the first match wins";
  EXPECT_NE(log.find("\"caller\":" + std::to_string(reinterpret_cast<uintptr_t>(page_))), std::string::npos);
}

TEST(HelpPath, AJoinThatDoesNotFitOpensNothing) {
  WCHAR out[vm4k2ui::kHelpPathUnits];
  EXPECT_TRUE(vm4k2ui::JoinHelpPath(u"C:\\Drivers", u"\\3\\vm4k2enus.chm", out));
  EXPECT_EQ(std::u16string(out), u"C:\\Drivers\\3\\vm4k2enus.chm");
  const std::u16string part = u"\\3\\vm4k2enus.chm";  // 16 characters
  std::u16string folder(259 - part.size(), u'd');
  EXPECT_TRUE(vm4k2ui::JoinHelpPath(folder.c_str(), part.c_str(), out)) << "259 characters and the terminator";
  EXPECT_EQ(std::u16string(out).size(), 259u);
  folder.push_back(u'd');
  EXPECT_FALSE(vm4k2ui::JoinHelpPath(folder.c_str(), part.c_str(), out));
  EXPECT_EQ(out[0], 0);
  std::u16string deep(600, u'x');
  EXPECT_FALSE(vm4k2ui::JoinHelpPath(deep.c_str(), part.c_str(), out));
}

}  // namespace
