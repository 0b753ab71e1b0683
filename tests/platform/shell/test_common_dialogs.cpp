#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/commdlg.h>
#include <win/files.h>
#include <win/htmlhelp.h>
#include <win/modules.h>

#include "shell_test_util.h"

namespace {

class CommonDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(u"C:\\Drivers", nullptr);
    HANDLE file = CreateFileW(u"C:\\Drivers\\k8000.inf", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
  }

  // The file-open call the driver's dialog makes: a 520-character buffer, flags 0x40806.
  OPENFILENAMEW Dialog(std::vector<WCHAR>& buffer, DWORD flags = 0x40806) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = u"Setup files\0*.inf\0All files\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = u"C:\\Drivers";
    ofn.Flags = flags;
    return ofn;
  }

  testsupport::TempMachine machine_;
};

TEST_F(CommonDialogs, TheScriptedPathComesBackWithItsOffsets) {
  std::vector<WCHAR> buffer(520, 0);
  WCHAR title[16];
  PlatformTest_QueueOpenFileAnswer(nullptr, u"C:\\Drivers\\k8000.inf");
  OPENFILENAMEW ofn = Dialog(buffer);
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = 16;
  ASSERT_TRUE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(std::u16string(buffer.data()), u"C:\\Drivers\\k8000.inf");
  EXPECT_EQ(ofn.nFileOffset, 11);
  EXPECT_EQ(ofn.nFileExtension, 17);
  EXPECT_EQ(std::u16string(title), u"k8000.inf");
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  WCHAR current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(std::u16string(current), u"C:\\Drivers");

  std::vector<std::string> logged = shelltest::LoggedEvents("open-file");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("\"flags\":264198,\"filter\":[\"Setup files\",\"*.inf\",\"All files\",\"*.*\"],"
                           "\"filterIndex\":1,\"initialDir\":\"C:\\\\Drivers\""),
            std::string::npos)
      << logged[0];
  EXPECT_NE(logged[0].find("\"result\":true"), std::string::npos);
}

TEST_F(CommonDialogs, CancelUnscriptedAndRefusedPathsAllFailWithoutAnError) {
  std::vector<WCHAR> buffer(520, 0);
  struct Case {
    bool script;
    const char16_t* path;  // nullptr: the user cancels
    DWORD flags;
    BOOL result;
  } cases[] = {
      {false, nullptr, 0x40806, FALSE},
      {true, nullptr, 0x40806, FALSE},
      {true, u"C:\\Missing\\k8000.inf", OFN_PATHMUSTEXIST, FALSE},
      {true, u"C:\\Missing\\k8000.inf", 0, TRUE},  // nothing checked
      {true, u"C:\\Drivers\\none.inf", OFN_PATHMUSTEXIST, TRUE},
      {true, u"C:\\Drivers\\none.inf", OFN_FILEMUSTEXIST, FALSE},
      {true, u"C:\\Drivers\\k8000.inf", OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR, TRUE},
      {true, u"C:\\Drivers", OFN_FILEMUSTEXIST, FALSE},  // a folder is no file
  };
  for (const Case& c : cases) {
    if (c.script) PlatformTest_QueueOpenFileAnswer(nullptr, c.path);
    OPENFILENAMEW ofn = Dialog(buffer, c.flags);
    EXPECT_EQ(GetOpenFileNameW(&ofn), c.result) << (c.path ? std::string(c.path, c.path + 4) : "cancel");
    EXPECT_EQ(CommDlgExtendedError(), 0u);
  }
  EXPECT_EQ(shelltest::LoggedEvents("open-file").size(), std::size(cases));
}

TEST_F(CommonDialogs, ALongPathFitsTheBufferOrReportsTheSizeItNeeds) {
  // 300 characters: more than MAX_PATH, well within the dialog's 520.
  std::u16string path = u"C:\\Drivers\\" + std::u16string(285, u'x') + u".inf";
  ASSERT_EQ(path.size(), 300u);
  std::vector<WCHAR> large(520, 0);
  PlatformTest_QueueOpenFileAnswer(nullptr, path.c_str());
  OPENFILENAMEW ofn = Dialog(large, 0x40006);
  ASSERT_TRUE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(std::u16string(large.data()), path);

  struct Case {
    DWORD capacity;
    BOOL result;
  } cases[] = {{301, TRUE}, {300, FALSE}, {260, FALSE}, {1, FALSE}};
  for (const Case& c : cases) {
    std::vector<WCHAR> buffer(c.capacity + 4, u'#');
    PlatformTest_QueueOpenFileAnswer(nullptr, path.c_str());
    ofn = Dialog(buffer, 0x40006);
    ofn.nMaxFile = c.capacity;
    EXPECT_EQ(GetOpenFileNameW(&ofn), c.result) << c.capacity;
    if (c.result) continue;
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL)) << c.capacity;
    EXPECT_EQ(buffer[0], 301) << c.capacity;  // the needed size, with the terminator
    EXPECT_EQ(buffer[1], u'#') << c.capacity;  // nothing but the size is written
  }
}

TEST_F(CommonDialogs, BadStructuresAreRefusedWithTheirError) {
  std::vector<WCHAR> buffer(10, 0);
  OPENFILENAMEW ofn = Dialog(buffer);
  ofn.lStructSize = 88;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  ofn = Dialog(buffer);
  ofn.lpstrFile = nullptr;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_INITIALIZATION));

  COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = 64;
  cc.lpCustColors = custom;
  EXPECT_FALSE(ChooseColorW(&cc));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  cc.lStructSize = sizeof cc;
  cc.lpCustColors = nullptr;
  EXPECT_FALSE(ChooseColorW(&cc));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_INITIALIZATION));
}

TEST_F(CommonDialogs, TheColourDialogAnswersFromTheScriptAndRecordsWhatItWasGiven) {
  // Found as the driver finds it: through the common dialogs' library.
  HMODULE comdlg = LoadLibraryW(u"comdlg32.dll");
  ASSERT_NE(comdlg, nullptr);
  auto choose = reinterpret_cast<BOOL(WINAPI*)(LPCHOOSECOLORW)>(GetProcAddress(comdlg, "ChooseColorW"));
  ASSERT_NE(choose, nullptr);
  EXPECT_NE(GetProcAddress(comdlg, "GetOpenFileNameW"), nullptr);

  COLORREF custom[16];
  for (COLORREF& c : custom) c = 0xFFFFFF;
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.rgbResult = RGB(0x12, 0x34, 0x56);
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN | CC_RGBINIT;
  PlatformTest_QueueColorAnswer(nullptr, TRUE, RGB(0, 0, 255));
  ASSERT_TRUE(choose(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(0, 0, 255));
  PlatformTest_QueueColorAnswer(nullptr, FALSE, 0);
  EXPECT_FALSE(choose(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(0, 0, 255));
  EXPECT_FALSE(choose(&cc));  // unscripted: cancelled
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  std::vector<std::string> logged = shelltest::LoggedEvents("choose-color");
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_NE(logged[0].find("\"flags\":3,\"initial\":\"563412\",\"custom\":[\"ffffff\""), std::string::npos)
      << logged[0];
  EXPECT_NE(logged[0].find("\"answer\":\"ff0000\",\"scripted\":true,\"result\":true"), std::string::npos)
      << logged[0];
  EXPECT_NE(logged[2].find("\"scripted\":false"), std::string::npos) << logged[2];
  FreeLibrary(comdlg);
}

TEST_F(CommonDialogs, HtmlHelpIsRecorded) {
  EXPECT_EQ(HtmlHelpW(nullptr, u"C:\\Drivers\\k8000.inf::/topic.htm", HH_HELP_CONTEXT, 1001), nullptr);
  HMODULE viewer = LoadLibraryW(u"hhctrl.ocx");
  ASSERT_NE(viewer, nullptr);
  EXPECT_NE(GetProcAddress(viewer, "HtmlHelpW"), nullptr);
  std::vector<std::string> logged = shelltest::LoggedEvents("html-help");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("\"command\":15,\"data\":1001,\"exists\":true"), std::string::npos) << logged[0];
}

}  // namespace
