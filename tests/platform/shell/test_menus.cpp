#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <win/menu.h>
#include <win/process.h>
#include <win/system.h>
#include <win/user_draw.h>
#include <win/user.h>

#include "shell_test_util.h"

namespace {

using desktoptest::Journal;
using desktoptest::PumpWaiting;

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    Journal::Get().Take();
    Journal::Get().answer = nullptr;
    fixtures_ = shelltest::LoadFixtures(machine_);
    ASSERT_NE(fixtures_, nullptr) << GetLastError();
  }
  void TearDown() override { Journal::Get().answer = nullptr; }

  static std::u16string Text(HMENU menu, UINT item, UINT flags) {
    WCHAR buffer[64] = {};
    GetMenuStringW(menu, item, buffer, 64, flags);
    return buffer;
  }
  // Messages of these numbers the recording window got since the last call.
  static std::vector<desktoptest::Seen> Seen(std::initializer_list<UINT> wanted) {
    std::vector<desktoptest::Seen> out;
    for (const desktoptest::Seen& s : Journal::Get().Take())
      for (UINT w : wanted)
        if (s.message == w) out.push_back(s);
    return out;
  }

  testsupport::TempMachine machine_;
  HMODULE fixtures_ = nullptr;
};

TEST_F(Menus, ALoadedMenuHasItsTemplatesItemsTextsAndStates) {
  HMENU bar = LoadMenuW(fixtures_, MAKEINTRESOURCEW(129));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));  // it opens a submenu
  HMENU tray = GetSubMenu(bar, 0);
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(GetMenuItemCount(tray), 5);
  EXPECT_EQ(GetMenuItemID(tray, 0), 32771u);
  EXPECT_EQ(GetMenuItemID(tray, 4), 32774u);
  EXPECT_EQ(Text(tray, 32773, MF_BYCOMMAND), u"About");
  EXPECT_EQ(Text(bar, 32772, MF_BYCOMMAND), u"Web");  // by command reaches into submenus
  EXPECT_EQ(GetMenuState(tray, 2, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), (5u << 8) | MF_POPUP);
  EXPECT_EQ(GetSubMenu(tray, 0), nullptr);

  HMENU extended = LoadMenuW(fixtures_, MAKEINTRESOURCEW(130));
  ASSERT_NE(extended, nullptr);
  HMENU main = GetSubMenu(extended, 0);
  EXPECT_EQ(GetMenuState(main, 502, MF_BYCOMMAND), static_cast<UINT>(MFS_GRAYED));
  EXPECT_EQ(Text(main, 1, MF_BYPOSITION), u"&More");

  SetLastError(testsupport::kErrorMarker);
  EXPECT_EQ(LoadMenuW(fixtures_, MAKEINTRESOURCEW(999)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

  // Destroying the menu destroys its submenus; a destroyed handle is refused from then on.
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(tray));
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(DestroyMenu(bar));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  EXPECT_EQ(GetMenuItemCount(tray), -1);
  EXPECT_TRUE(DestroyMenu(extended));
}

TEST_F(Menus, EveryMenuCountsAsAUserObjectUntilDestroyed) {
  DWORD before = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  // A menu loaded per click and never destroyed grows the count by its menu and submenu.
  for (int click = 0; click < 3; ++click) ASSERT_NE(LoadMenuW(fixtures_, MAKEINTRESOURCEW(129)), nullptr);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), before + 6);
  HMENU freed = LoadMenuW(fixtures_, MAKEINTRESOURCEW(129));
  EXPECT_TRUE(DestroyMenu(freed));
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), before + 6);
}

TEST_F(Menus, TextsStatesAndTheDefaultItemChangeAsTheTrayMenuChangesThem) {
  HMENU bar = LoadMenuW(fixtures_, MAKEINTRESOURCEW(129));
  HMENU tray = GetSubMenu(bar, 0);
  // The texts set by command on the whole menu, as the notification-area menu does.
  EXPECT_TRUE(ModifyMenuW(bar, 32771, MF_BYCOMMAND | MF_STRING, 32771, u"&Show"));
  EXPECT_EQ(Text(tray, 0, MF_BYPOSITION), u"&Show");
  EXPECT_FALSE(ModifyMenuW(bar, 40000, MF_BYCOMMAND | MF_STRING, 40000, u"None"));

  EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
  EXPECT_TRUE(SetMenuDefaultItem(tray, 0, TRUE));
  EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), 32771u);
  EXPECT_EQ(GetMenuDefaultItem(tray, TRUE, 0), 0u);
  EXPECT_EQ(GetMenuState(tray, 32771, MF_BYCOMMAND) & MF_DEFAULT, static_cast<UINT>(MF_DEFAULT));
  EXPECT_TRUE(SetMenuDefaultItem(tray, 32773, FALSE));  // one default per menu
  EXPECT_EQ(GetMenuState(tray, 32771, MF_BYCOMMAND) & MF_DEFAULT, 0u);
  EXPECT_FALSE(SetMenuDefaultItem(tray, 9, TRUE));

  // A disabled default counts only when asked for.
  EXPECT_EQ(EnableMenuItem(tray, 32773, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(tray, 32773, MF_BYCOMMAND | MF_GRAYED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(tray, 40000, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, GMDI_USEDISABLED), 32773u);
  EXPECT_EQ(CheckMenuItem(tray, 4, MF_BYPOSITION | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(tray, 32774, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));

  // The default of the bar's pop-up leads into it with GMDI_GOINTOPOPUPS.
  EXPECT_TRUE(SetMenuDefaultItem(bar, 0, TRUE));
  EXPECT_EQ(GetMenuDefaultItem(bar, TRUE, GMDI_GOINTOPOPUPS | GMDI_USEDISABLED), 3u);
  EXPECT_TRUE(SetMenuDefaultItem(tray, static_cast<UINT>(-1), TRUE));
  EXPECT_EQ(GetMenuDefaultItem(bar, TRUE, GMDI_GOINTOPOPUPS), 0u);  // the pop-up item itself
  DestroyMenu(bar);
}

TEST_F(Menus, ReplacingOrDeletingAPopupItemDestroysItsSubmenuButRemovingLeavesIt) {
  HMENU menu = CreatePopupMenu();
  HMENU first = CreatePopupMenu(), second = CreatePopupMenu(), third = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(first, MF_STRING, 11, u"Inner"));
  EXPECT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(first), u"First"));
  EXPECT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(second), u"Second"));
  EXPECT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(third), u"Third"));
  EXPECT_EQ(Text(menu, 0, MF_BYPOSITION), u"Third");
  EXPECT_EQ(Text(menu, 11, MF_BYCOMMAND), u"Inner");

  EXPECT_TRUE(ModifyMenuW(menu, 1, MF_BYPOSITION | MF_STRING, 20, u"Plain"));
  EXPECT_FALSE(IsMenu(first));
  EXPECT_TRUE(DeleteMenu(menu, 1, MF_BYPOSITION));  // "Plain"
  EXPECT_TRUE(IsMenu(second));
  EXPECT_TRUE(RemoveMenu(menu, 1, MF_BYPOSITION));  // "Second"
  EXPECT_TRUE(IsMenu(second));
  EXPECT_TRUE(DeleteMenu(menu, 0, MF_BYPOSITION));  // "Third"
  EXPECT_FALSE(IsMenu(third));
  EXPECT_EQ(GetMenuItemCount(menu), 0);
  EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(first), u"Gone"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  DestroyMenu(second);
  DestroyMenu(menu);
}

TEST_F(Menus, EveryItemCallFailsAMissingItemAndADestroyedMenuWithTheirOwnErrors) {
  HMENU live = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(live, MF_STRING, 10, u"Only"));
  HMENU gone = CreatePopupMenu();
  DestroyMenu(gone);
  WCHAR text[8];
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID;
  // Each call on (menu, item by command 99 / position 5): failed or not.
  struct Call {
    const char* name;
    std::function<bool(HMENU)> fails;
  };
  const std::vector<Call> calls = {
      {"GetMenuState", [](HMENU m) { return GetMenuState(m, 99, MF_BYCOMMAND) == static_cast<UINT>(-1); }},
      {"GetMenuStringW", [&](HMENU m) { return GetMenuStringW(m, 5, text, 8, MF_BYPOSITION) == 0; }},
      {"EnableMenuItem", [](HMENU m) { return EnableMenuItem(m, 99, MF_GRAYED) == -1; }},
      {"CheckMenuItem", [](HMENU m) { return CheckMenuItem(m, 99, MF_CHECKED) == static_cast<DWORD>(-1); }},
      {"ModifyMenuW", [](HMENU m) { return !ModifyMenuW(m, 99, MF_STRING, 11, u"New"); }},
      {"DeleteMenu", [](HMENU m) { return !DeleteMenu(m, 5, MF_BYPOSITION); }},
      {"RemoveMenu", [](HMENU m) { return !RemoveMenu(m, 99, MF_BYCOMMAND); }},
      {"GetMenuItemInfoW", [&](HMENU m) { return !GetMenuItemInfoW(m, 99, FALSE, &info); }},
      {"SetMenuItemInfoW", [&](HMENU m) { return !SetMenuItemInfoW(m, 5, TRUE, &info); }},
  };
  for (const Call& call : calls) {
    SetLastError(0);
    EXPECT_TRUE(call.fails(live)) << call.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MENU_ITEM_NOT_FOUND)) << call.name;
    SetLastError(0);
    EXPECT_TRUE(call.fails(gone)) << call.name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE)) << call.name;
  }
  WCHAR kept[8] = {};
  EXPECT_EQ(GetMenuStringW(live, 10, kept, 8, MF_BYCOMMAND), 4);  // the lookups changed nothing
  EXPECT_EQ(std::u16string(kept), u"Only");
  DestroyMenu(live);
}

TEST_F(Menus, ItemInformationIsCheckedAndCopiedWithinTheCallersBuffer) {
  HMENU menu = CreatePopupMenu();
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_DATA;
  info.wID = 77;
  info.fState = MFS_CHECKED | MFS_DEFAULT;
  info.dwItemData = 0x1234;
  WCHAR text[] = u"Status display";
  info.dwTypeData = text;
  EXPECT_TRUE(InsertMenuItemW(menu, 0, TRUE, &info));

  WCHAR small[5];
  for (WCHAR& c : small) c = u'#';
  MENUITEMINFOW read{};
  read.cbSize = sizeof read;
  read.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_DATA;
  read.dwTypeData = small;
  read.cch = 4;
  EXPECT_TRUE(GetMenuItemInfoW(menu, 77, FALSE, &read));
  EXPECT_EQ(std::u16string(small), u"Sta");
  EXPECT_EQ(small[4], u'#');
  EXPECT_EQ(read.cch, 14u);
  EXPECT_EQ(read.fState, static_cast<UINT>(MFS_CHECKED | MFS_DEFAULT));
  EXPECT_EQ(read.dwItemData, 0x1234u);
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 77u);

  read.cbSize = 12;
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(GetMenuItemInfoW(menu, 77, FALSE, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(GetMenuItemInfoW(menu, 78, FALSE, &info));
  DestroyMenu(menu);
}

TEST_F(Menus, AScriptedChoiceArrivesAsAPostedCommandAfterTheCallReturns) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU bar = LoadMenuW(fixtures_, MAKEINTRESOURCEW(129));
  HMENU tray = GetSubMenu(bar, 0);
  PlatformTest_QueueMenuChoice(nullptr, 32773, 0);
  Journal::Get().Take();
  EXPECT_TRUE(TrackPopupMenu(tray, TPM_LEFTBUTTON, 1800, 1000, 0, owner, nullptr));
  std::vector<desktoptest::Seen> during = Seen({WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP, WM_COMMAND});
  ASSERT_EQ(during.size(), 3u);  // the command is not there yet
  EXPECT_EQ(during[0].message, static_cast<UINT>(WM_ENTERMENULOOP));
  EXPECT_EQ(during[1].message, static_cast<UINT>(WM_INITMENUPOPUP));
  EXPECT_EQ(during[1].wParam, reinterpret_cast<WPARAM>(tray));
  EXPECT_EQ(during[2].message, static_cast<UINT>(WM_EXITMENULOOP));
  PostMessageW(owner, WM_NULL, 0, 0);  // as the tray menu does right after the call
  std::vector<MSG> posted = PumpWaiting();
  ASSERT_GE(posted.size(), 2u);
  EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(posted[0].wParam, 32773u);
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_NULL));

  std::vector<std::string> logged = shelltest::LoggedEvents("menu");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("\"x\":1800,\"y\":1000"), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("{\"id\":32774,\"text\":\"Exit\""), std::string::npos) << logged[0];
  EXPECT_NE(logged[0].find("\"choice\":32773,\"scripted\":true"), std::string::npos) << logged[0];
  DestroyMenu(bar);
  DestroyWindow(owner);
}

TEST_F(Menus, ReturnCmdAnswersTheChoiceAndPostsNothing) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU bar = LoadMenuW(fixtures_, MAKEINTRESOURCEW(130));
  HMENU main = GetSubMenu(bar, 0);
  struct Case {
    UINT scripted;  // 0: no script line at all
    UINT flags;
    BOOL result;
    const char* logged;
  } cases[] = {
      {501, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, 501, "\"choice\":501,\"scripted\":true"},
      {502, TPM_RETURNCMD, 0, "\"choice\":0,\"scripted\":true,\"refused\":502"},  // greyed
      {511, TPM_RETURNCMD, 0, "\"refused\":511"},                                 // inside a greyed pop-up
      {0, TPM_RETURNCMD, 0, "\"choice\":0,\"scripted\":false"},                   // unscripted: cancelled
      {0, 0, TRUE, "\"choice\":0,\"scripted\":false"},                            // cancelled, still TRUE
  };
  for (const Case& c : cases) {
    if (c.scripted) PlatformTest_QueueMenuChoice(u"", c.scripted, 0);
    EXPECT_EQ(TrackPopupMenuEx(main, c.flags, 5, 5, owner, nullptr), c.result) << c.scripted;
    std::vector<MSG> posted = PumpWaiting();
    for (const MSG& m : posted) EXPECT_NE(m.message, static_cast<UINT>(WM_COMMAND)) << c.scripted;
    std::vector<std::string> logged = shelltest::LoggedEvents("menu");
    ASSERT_FALSE(logged.empty());
    EXPECT_NE(logged.back().find(c.logged), std::string::npos) << logged.back();
  }
  TPMPARAMS params{};
  params.cbSize = 4;
  EXPECT_FALSE(TrackPopupMenuEx(main, TPM_RETURNCMD, 0, 0, owner, &params));
  EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x5), 0, 0, 0, 0, owner, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  DestroyMenu(bar);
  DestroyWindow(owner);
}

TEST_F(Menus, AChoiceScriptedForAnotherProgramWaitsForIt) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 7, u"Seven");
  PlatformTest_QueueMenuChoice(u"vm4k2sm.exe", 7, 0);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
  PlatformTest_QueueMenuChoice(nullptr, 7, 0);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 7);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);  // still waiting for its program
  PlatformTest_ClearMenuChoices();
  EXPECT_EQ(shelltest::LoggedEvents("menu").size(), 3u);
  DestroyMenu(menu);
  DestroyWindow(owner);
}

TEST_F(Menus, AGreyedCloseInTheSystemMenuStopsTheUsersCloseOnly) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU system = GetSystemMenu(owner, FALSE);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(GetSystemMenu(owner, FALSE), system);
  EXPECT_EQ(GetMenuItemCount(system), 7);
  EXPECT_EQ(EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);

  // The user's close: the caption's button and Alt+F4 both end in WM_SYSCOMMAND SC_CLOSE.
  PostMessageW(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageW(owner, WM_SYSKEYDOWN, 0x73, 1 << 29);
  PumpWaiting();
  EXPECT_TRUE(IsWindow(owner));
  EXPECT_TRUE(Seen({WM_CLOSE}).empty());

  // A program's WM_CLOSE still arrives (and the default handling destroys the window).
  Journal::Get().answer = [](HWND, UINT message, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = message == WM_CLOSE;  // kept open, so the test sees the message arrive
    return 0;
  };
  SendMessageW(owner, WM_CLOSE, 0, 0);
  EXPECT_EQ(Seen({WM_CLOSE}).size(), 1u);
  Journal::Get().answer = nullptr;

  // Enabled again, the user's close closes.
  EXPECT_EQ(EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  PostMessageW(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpWaiting();
  EXPECT_FALSE(IsWindow(owner));
  EXPECT_EQ(GetSystemMenu(owner, FALSE), nullptr);
}

TEST_F(Menus, RevertingTheSystemMenuDropsTheCopy) {
  HWND owner = shelltest::MakeRecordingWindow();
  HMENU system = GetSystemMenu(owner, FALSE);
  EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_EQ(GetSystemMenu(owner, TRUE), nullptr);
  EXPECT_FALSE(IsMenu(system));
  HMENU fresh = GetSystemMenu(owner, FALSE);
  EXPECT_NE(fresh, system);
  EXPECT_EQ(GetMenuState(fresh, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  // A system menu's choice goes out as WM_SYSCOMMAND.
  PlatformTest_QueueMenuChoice(nullptr, SC_MINIMIZE, 0);
  Journal::Get().Take();
  EXPECT_TRUE(TrackPopupMenu(fresh, 0, 0, 0, 0, owner, nullptr));
  PumpWaiting();
  std::vector<desktoptest::Seen> seen = Seen({WM_SYSCOMMAND, WM_COMMAND});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_SYSCOMMAND));
  EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(SC_MINIMIZE));
  DestroyWindow(owner);
}

}  // namespace
