// Buttons, edits and statics inside a fixture dialog: the notifications each user action and
// message produces, in order, and what changes.
#include <algorithm>

#include <win/gdi_objects.h>
#include <win/system.h>

#include "dialog_test_util.h"

using dialogtest::DialogTest;
using dialogtest::Recorder;

namespace {

class Controls : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    dialog_ = Modeless(100);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOWNORMAL);
    Recorder::Get().seen.clear();
  }
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    DialogTest::TearDown();
  }
  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  std::vector<std::pair<int, int>> TakeCommands() {
    auto commands = Recorder::Get().Commands();
    Recorder::Get().seen.clear();
    return commands;
  }
  using Commands = std::vector<std::pair<int, int>>;
  HWND dialog_ = nullptr;
};

TEST_F(Controls, ClicksOnEachKindOfButton) {
  struct Case {
    int id;
    UINT checkAfter;
  };
  // Non-automatic boxes send BN_CLICKED and change nothing; automatic ones check themselves.
  const Case cases[] = {{1002, BST_UNCHECKED}, {1003, BST_CHECKED}, {1004, BST_UNCHECKED}, {1005, BST_CHECKED}};
  for (const Case& c : cases) {
    EXPECT_EQ(PlatformTest_Click(Item(c.id)), Item(c.id));
    EXPECT_EQ(TakeCommands(), (Commands{{c.id, BN_CLICKED}})) << c.id;
    EXPECT_EQ(IsDlgButtonChecked(dialog_, c.id), c.checkAfter) << c.id;
  }
  // An automatic radio button clears the others of its group.
  PlatformTest_Click(Item(1006));
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1006), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1005), static_cast<UINT>(BST_UNCHECKED));
  // A disabled button takes no click.
  TakeCommands();
  EXPECT_EQ(PlatformTest_Click(Item(1009)), nullptr);
  EXPECT_TRUE(TakeCommands().empty());
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1009), static_cast<UINT>(BST_UNCHECKED));
  // Checking by message sends nothing.
  CheckDlgButton(dialog_, 1002, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1002), static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(Controls, AnOwnerDrawnButtonIsDrawnSelectedWhilePressed) {
  std::vector<UINT> states;
  Recorder::Get().answer = [&states](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_DRAWITEM) return 0;
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    EXPECT_EQ(item->CtlType, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(item->CtlID, 1007u);
    EXPECT_EQ(item->rcItem.right, 75);
    EXPECT_EQ(item->rcItem.bottom, 23);
    states.push_back(item->itemState);
    handled = true;
    return TRUE;
  };
  PlatformTest_Click(Item(1007));
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.front(), static_cast<UINT>(ODS_SELECTED | ODS_FOCUS));
  EXPECT_EQ(TakeCommands(), (Commands{{1007, BN_CLICKED}}));
  // After the release it is drawn focused only; disabled it says so.
  states.clear();
  UpdateWindow(Item(1007));
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.back(), static_cast<UINT>(ODS_FOCUS));
  EnableWindow(Item(1007), FALSE);
  InvalidateRect(Item(1007), nullptr, TRUE);
  UpdateWindow(Item(1007));
  EXPECT_TRUE(states.back() & ODS_DISABLED);
}

TEST_F(Controls, EditNotificationsAndUndo) {
  HWND edit = Item(1001);
  SetWindowTextW(edit, u"abc");
  EXPECT_EQ(TakeCommands(), (Commands{{1001, EN_UPDATE}, {1001, EN_CHANGE}}));
  EXPECT_FALSE(SendMessageW(edit, EM_CANUNDO, 0, 0));  // WM_SETTEXT empties the undo buffer

  SendMessageW(edit, EM_SETSEL, 3, 3);
  PlatformTest_Type(edit, u"de");
  EXPECT_EQ(Text(edit), u"abcde");
  Commands typed = TakeCommands();
  EXPECT_EQ(std::count(typed.begin(), typed.end(), std::make_pair(1001, static_cast<int>(EN_CHANGE))), 2);
  EXPECT_EQ(std::count(typed.begin(), typed.end(), std::make_pair(1001, static_cast<int>(EN_UPDATE))), 2);
  ASSERT_TRUE(SendMessageW(edit, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(edit), u"abc");
  EXPECT_EQ(TakeCommands(), (Commands{{1001, EN_UPDATE}, {1001, EN_CHANGE}}));
  SendMessageW(edit, EM_UNDO, 0, 0);  // one level: undoing again restores the typing
  EXPECT_EQ(Text(edit), u"abcde");

  // The limit stops typing but not WM_SETTEXT.
  SendMessageW(edit, EM_LIMITTEXT, 4, 0);
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 4);
  SetWindowTextW(edit, u"abcdef");
  EXPECT_EQ(Text(edit), u"abcdef");
  SetWindowTextW(edit, u"ab");
  TakeCommands();
  SendMessageW(edit, EM_SETSEL, 2, 2);
  PlatformTest_Type(edit, u"xyz");
  EXPECT_EQ(Text(edit), u"abxy");
  Commands limited = TakeCommands();
  ASSERT_FALSE(limited.empty());
  EXPECT_EQ(limited.back(), std::make_pair(1001, static_cast<int>(EN_MAXTEXT)));
}

TEST_F(Controls, EditSelectionIsClampedAndFocusLossIsTold) {
  HWND edit = Item(1001);
  SetWindowTextW(edit, u"hello");
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_SETSEL, 2, 99);
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 5u);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), MAKELRESULT(0, 5));
  SendMessageW(edit, EM_SETSEL, 4, 1);
  EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), MAKELRESULT(1, 4));
  SetFocus(edit);
  TakeCommands();
  SetFocus(Item(IDOK));
  EXPECT_EQ(TakeCommands(), (Commands{{1001, EN_KILLFOCUS}}));
}

TEST_F(Controls, AClickOverAStaticWithoutNotifyReachesTheDialog) {
  EXPECT_EQ(PlatformTest_Click(Item(1000)), dialog_);
  EXPECT_EQ(Recorder::Get().Count(WM_LBUTTONDOWN), 1u);
  EXPECT_TRUE(TakeCommands().empty());
  // With SS_NOTIFY the static takes it and tells its parent.
  EXPECT_EQ(PlatformTest_Click(Item(1008)), Item(1008));
  EXPECT_EQ(TakeCommands(), (Commands{{1008, STN_CLICKED}}));
}

TEST_F(Controls, StaticImagesSwapAndOwnerDrawnStaticsAreDrawnByTheParent) {
  HWND stat = Item(1000);
  HANDLE first = reinterpret_cast<HANDLE>(0x1234);
  EXPECT_EQ(SendMessageW(stat, STM_SETICON, reinterpret_cast<WPARAM>(first), 0), 0);
  EXPECT_EQ(SendMessageW(stat, STM_SETICON, 0, 0), reinterpret_cast<LRESULT>(first));
  int drawn = 0;
  Recorder::Get().answer = [&drawn](HWND, UINT message, WPARAM, LPARAM lParam, bool&) -> INT_PTR {
    if (message == WM_DRAWITEM && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_STATIC) ++drawn;
    return 0;
  };
  InvalidateRect(Item(1010), nullptr, TRUE);
  UpdateWindow(Item(1010));
  EXPECT_EQ(drawn, 1);
}

TEST_F(Controls, ADeletedBrushAnsweredForCtlColorIsRefused) {
  HBRUSH live = CreateSolidBrush(RGB(1, 2, 3));
  HBRUSH dead = CreateSolidBrush(RGB(4, 5, 6));
  ASSERT_TRUE(DeleteObject(dead));
  HBRUSH answer = live;
  Recorder::Get().answer = [&answer](HWND, UINT message, WPARAM, LPARAM, bool& handled) -> INT_PTR {
    if (message != WM_CTLCOLORSTATIC) return 0;
    handled = true;
    return reinterpret_cast<INT_PTR>(answer);
  };
  HWND stat = Item(1000);
  InvalidateRect(stat, nullptr, TRUE);
  UpdateWindow(stat);
  EXPECT_EQ(PlatformTest_ControlBackground(stat), live);
  answer = dead;
  InvalidateRect(stat, nullptr, TRUE);
  UpdateWindow(stat);
  EXPECT_EQ(PlatformTest_ControlBackground(stat), nullptr);
  DeleteObject(live);
}

}  // namespace
