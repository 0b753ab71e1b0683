#include <gtest/gtest.h>

#include <afxwin.h>

#include "shell_test_util.h"

namespace {

class FrameworkMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures_ = shelltest::LoadFixtures(machine_);
    ASSERT_NE(fixtures_, nullptr);
    AfxSetResourceHandle(fixtures_);
  }
  void TearDown() override { AfxSetResourceHandle(nullptr); }

  testsupport::TempMachine machine_;
  HMODULE fixtures_ = nullptr;
};

TEST_F(FrameworkMenu, TheTrayMenuSequenceRunsThroughCMenu) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU held = nullptr;
  HMENU sub = nullptr;
  {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(129));
    held = menu.GetSafeHmenu();
    EXPECT_EQ(CMenu::FromHandle(held), &menu);
    CMenu* tray = menu.GetSubMenu(0);
    ASSERT_NE(tray, nullptr);
    sub = tray->GetSafeHmenu();
    EXPECT_EQ(menu.GetSubMenu(0), tray);  // one temporary object per menu
    EXPECT_TRUE(menu.ModifyMenu(32772, MF_BYCOMMAND | MF_STRING, 32772, u"Website"));
    CString text;
    EXPECT_EQ(tray->GetMenuString(1, text, MF_BYPOSITION), 7);
    EXPECT_TRUE(text == CString(u"Website"));
    EXPECT_TRUE(tray->SetDefaultItem(0, TRUE));
    EXPECT_EQ(tray->GetDefaultItem(0, FALSE), 32771u);
    PlatformTest_QueueMenuChoice(nullptr, 32774, 0);
    EXPECT_EQ(tray->TrackPopupMenuEx(TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, CWnd::FromHandle(owner), nullptr), 32774);
  }
  // The object held the menu: its end destroyed the menu and its submenu.
  EXPECT_FALSE(IsMenu(held));
  EXPECT_FALSE(IsMenu(sub));

  CMenu* system = CWnd::FromHandle(owner)->GetSystemMenu(FALSE);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->EnableMenuItem(SC_CLOSE, MF_BYCOMMAND | MF_GRAYED), static_cast<UINT>(MF_ENABLED));
  DestroyWindow(owner);
}

}  // namespace
