#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/shell_notify.h>
#include <win/user.h>

#include "shell_test_util.h"

namespace {

using desktoptest::PumpWaiting;

constexpr UINT kTrayNotify = WM_APP + 10;

class NotifyIcons : public ::testing::Test {
 protected:
  void SetUp() override { owner_ = shelltest::MakeRecordingWindow(WS_POPUP); }
  void TearDown() override { DestroyWindow(owner_); }

  NOTIFYICONDATAW Record(UINT flags, const char16_t* tip = u"") const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 129;
    data.uFlags = flags;
    data.uCallbackMessage = kTrayNotify;
    data.hIcon = reinterpret_cast<HICON>(0x130);
    std::u16string text(tip);
    std::memcpy(data.szTip, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return data;
  }

  testsupport::TempMachine machine_;
  HWND owner_ = nullptr;
};

TEST_F(NotifyIcons, AddModifyAndDeleteFollowWhetherTheIconExists) {
  NOTIFYICONDATAW data = Record(NIF_ICON);
  struct Step {
    DWORD message;
    BOOL result;
    DWORD icons;
  } steps[] = {
      {NIM_MODIFY, FALSE, 0},  // before NIM_ADD: there is nothing to modify
      {NIM_DELETE, FALSE, 0},
      {NIM_SETVERSION, FALSE, 0},
      {NIM_ADD, TRUE, 1},
      {NIM_ADD, FALSE, 1},  // exists already
      {NIM_MODIFY, TRUE, 1},
      {NIM_SETFOCUS, TRUE, 1},
      {NIM_DELETE, TRUE, 0},
      {NIM_DELETE, FALSE, 0},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(Shell_NotifyIconW(step.message, &data), step.result) << step.message;
    EXPECT_EQ(PlatformTest_CountTrayIcons(), step.icons) << step.message;
  }
  std::vector<std::string> logged = shelltest::LoggedEvents("tray");
  ASSERT_EQ(logged.size(), std::size(steps));
  EXPECT_NE(logged[0].find("\"message\":\"modify\",\"hwnd\":"), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("\"result\":false"), std::string::npos) << logged[0];
}

TEST_F(NotifyIcons, TheTaskbarKeepsTheMergedStateAndTheLastRecordsBytes) {
  NOTIFYICONDATAW add = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, u"Velmor status monitor");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &add));
  NOTIFYICONDATAW modify = Record(NIF_ICON);
  modify.hIcon = reinterpret_cast<HICON>(0x155);
  std::memcpy(modify.szTip, u"ignored", 16);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &modify));

  NOTIFYICONDATAW state{};
  std::vector<BYTE> last(1024);
  DWORD lastSize = static_cast<DWORD>(last.size());
  ASSERT_TRUE(PlatformTest_GetTrayIcon(owner_, 129, &state, last.data(), &lastSize));
  EXPECT_EQ(state.hIcon, reinterpret_cast<HICON>(0x155));
  EXPECT_EQ(std::u16string(state.szTip), u"Velmor status monitor");  // NIF_TIP was not given
  EXPECT_EQ(state.uCallbackMessage, kTrayNotify);
  EXPECT_EQ(state.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  ASSERT_EQ(lastSize, 976u);
  EXPECT_EQ(std::memcmp(last.data(), &modify, 976), 0);
  EXPECT_FALSE(PlatformTest_GetTrayIcon(owner_, 130, &state, nullptr, nullptr));
}

TEST_F(NotifyIcons, OnlyTheStructuresSizesAreAcceptedAndNothingPastCbSizeIsRead) {
  NOTIFYICONDATAW data = Record(NIF_TIP, u"Tip");
  for (DWORD size : {0u, 100u, 500u, 977u}) {
    data.cbSize = size;
    SetLastError(testsupport::kErrorMarker);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)) << size;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << size;
  }
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, nullptr));
  // The first version's record ends inside szTip: a longer tip is cut at 63 characters.
  std::vector<BYTE> bytes(NOTIFYICONDATAW_V1_SIZE, 0);
  data = Record(NIF_TIP);
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  for (int i = 0; i < 64; ++i) data.szTip[i] = u'a';
  std::memcpy(bytes.data(), &data, bytes.size());
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, reinterpret_cast<NOTIFYICONDATAW*>(bytes.data())));
  NOTIFYICONDATAW state{};
  DWORD lastSize = 0;
  ASSERT_TRUE(PlatformTest_GetTrayIcon(owner_, 129, &state, nullptr, &lastSize));
  EXPECT_EQ(std::u16string(state.szTip).size(), 63u);
  EXPECT_EQ(lastSize, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
}

TEST_F(NotifyIcons, TheUsersClickReachesTheIconsWindowAsItsCallbackMessage) {
  EXPECT_FALSE(PlatformTest_TrayIconEvent(owner_, 129, WM_RBUTTONUP));  // not added: nothing to click
  NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, u"Tip");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_TRUE(PlatformTest_TrayIconEvent(owner_, 129, WM_RBUTTONUP));
  EXPECT_TRUE(PlatformTest_TrayIconEvent(owner_, 129, WM_LBUTTONDBLCLK));
  std::vector<MSG> posted = PumpWaiting();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].message, kTrayNotify);
  EXPECT_EQ(posted[0].wParam, 129u);
  EXPECT_EQ(posted[0].lParam, static_cast<LPARAM>(WM_RBUTTONUP));
  EXPECT_EQ(posted[1].lParam, static_cast<LPARAM>(WM_LBUTTONDBLCLK));

  // A hidden icon cannot be clicked.
  NOTIFYICONDATAW hide = Record(NIF_STATE);
  hide.dwState = NIS_HIDDEN;
  hide.dwStateMask = NIS_HIDDEN;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &hide));
  EXPECT_FALSE(PlatformTest_TrayIconEvent(owner_, 129, WM_RBUTTONUP));
}

TEST_F(NotifyIcons, ARestartedTaskbarHasNoIconsAndAnnouncesItself) {
  NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, u"Tip");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  PlatformTest_StopTaskbar();
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(PlatformTest_TrayIconEvent(owner_, 129, WM_RBUTTONUP));
  PumpWaiting();

  PlatformTest_RestartTaskbar();
  EXPECT_EQ(PlatformTest_CountTrayIcons(), 0u);
  UINT taskbarCreated = RegisterWindowMessageW(u"TaskbarCreated");
  std::vector<MSG> posted = PumpWaiting();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].hwnd, owner_);
  EXPECT_EQ(posted[0].message, taskbarCreated);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));  // added again with the stored record
}

TEST_F(NotifyIcons, TheTaskbarsWindowsAndPositionComeFromTheTestControl) {
  APPBARDATA bar{};
  bar.cbSize = sizeof bar;
  EXPECT_EQ(FindWindowW(u"Shell_TrayWnd", nullptr), nullptr);
  EXPECT_EQ(SHAppBarMessage(ABM_GETTASKBARPOS, &bar), 0u);

  struct Case {
    UINT edge;
    RECT taskbar;
    RECT notify;
    RECT clock;
  } cases[] = {
      {ABE_BOTTOM, {0, 1040, 1920, 1080}, {1720, 1040, 1920, 1080}, {1840, 1040, 1920, 1080}},
      {ABE_TOP, {0, 0, 1920, 40}, {1720, 0, 1920, 40}, {1840, 0, 1920, 40}},
      {ABE_RIGHT, {1880, 0, 1920, 1080}, {1880, 960, 1920, 1080}, {1880, 1040, 1920, 1080}},
      {ABE_LEFT, {0, 0, 40, 1080}, {0, 960, 40, 1080}, {0, 1040, 40, 1080}},
  };
  auto same = [](const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  for (const Case& c : cases) {
    HWND taskbar = PlatformTest_AddTaskbarWindows(c.edge);
    ASSERT_NE(taskbar, nullptr);
    EXPECT_EQ(PlatformTest_AddTaskbarWindows(c.edge), nullptr);
    EXPECT_EQ(FindWindowW(u"Shell_TrayWnd", nullptr), taskbar);
    HWND notify = FindWindowExW(taskbar, nullptr, u"TrayNotifyWnd", nullptr);
    HWND clock = FindWindowExW(notify, nullptr, u"TrayClockWClass", nullptr);
    ASSERT_NE(clock, nullptr);
    RECT rect{};
    GetWindowRect(notify, &rect);
    EXPECT_TRUE(same(rect, c.notify)) << c.edge << ": " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    GetWindowRect(clock, &rect);
    EXPECT_TRUE(same(rect, c.clock)) << c.edge << ": " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    ASSERT_EQ(SHAppBarMessage(ABM_GETTASKBARPOS, &bar), 1u);
    EXPECT_EQ(bar.uEdge, c.edge);
    EXPECT_EQ(bar.hWnd, taskbar);
    EXPECT_TRUE(same(bar.rc, c.taskbar)) << c.edge;
    PlatformTest_RemoveTaskbarWindows();
  }
  EXPECT_EQ(SHAppBarMessage(ABM_GETTASKBARPOS, &bar), 0u);
  bar.cbSize = 40;
  PlatformTest_AddTaskbarWindows(ABE_BOTTOM);
  EXPECT_EQ(SHAppBarMessage(ABM_GETTASKBARPOS, &bar), 0u);
  PlatformTest_RemoveTaskbarWindows();
}

}  // namespace
