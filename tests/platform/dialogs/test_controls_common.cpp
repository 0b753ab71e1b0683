// Combo boxes, list boxes, up-downs, progress bars, tooltips and list views inside a fixture
// dialog: the notification orders of the user's actions, the silent messages, and the rules the
// pages rely on.
#include <algorithm>

#include <win/commctrl.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>

#include "dialog_test_util.h"

using dialogtest::DialogTest;
using dialogtest::Recorder;

namespace {

class CommonControls : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    dialog_ = Modeless(110);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOWNORMAL);
  }
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    DialogTest::TearDown();
  }
  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  using Commands = std::vector<std::pair<int, int>>;
  Commands TakeCommands() {
    Commands commands = Recorder::Get().Commands();
    Recorder::Get().seen.clear();
    return commands;
  }
  void Fill(HWND combo, std::initializer_list<const char16_t*> texts) {
    for (const char16_t* text : texts) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  HWND dialog_ = nullptr;
};

TEST_F(CommonControls, ComboMessagesAreSilentAndSearchWithoutCase) {
  HWND combo = Item(1101);
  Fill(combo, {u"Letter", u"Legal", u"A4"});
  Recorder::Get().seen.clear();
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 1, 0), 1);
  EXPECT_TRUE(TakeCommands().empty());
  EXPECT_EQ(Text(combo), u"Legal");
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"a4")), 2);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"Le")), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"le")), 0);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>(u"le")), 1);  // after the start
  // A bad index is CB_ERR and writes nothing.
  WCHAR buffer[8] = {u'x', 0};
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 3, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(-2), 5), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(CommonControls, ComboUserOrders) {
  HWND combo = Item(1101);
  Fill(combo, {u"Letter", u"Legal", u"A4"});
  TakeCommands();
  PlatformTest_Pick(combo, 2);
  EXPECT_EQ(TakeCommands(), (Commands{{1101, CBN_DROPDOWN}, {1101, CBN_SELCHANGE}, {1101, CBN_SELENDOK}, {1101, CBN_CLOSEUP}}));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  PlatformTest_Drop(combo);
  EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  PlatformTest_CloseUp(combo, TRUE);
  EXPECT_EQ(TakeCommands(), (Commands{{1101, CBN_DROPDOWN}, {1101, CBN_SELENDCANCEL}, {1101, CBN_CLOSEUP}}));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);

  // Typing in a closed editable drop-down clears the list's selection.
  HWND editable = Item(1102);
  Fill(editable, {u"Draft", u"Confidential"});
  SendMessageW(editable, CB_SETCURSEL, 1, 0);
  TakeCommands();
  PlatformTest_Type(editable, u"X");
  EXPECT_EQ(TakeCommands(), (Commands{{1101, CBN_KILLFOCUS}, {1102, CBN_SETFOCUS}, {1102, CBN_EDITUPDATE}, {1102, CBN_EDITCHANGE}}));
  EXPECT_EQ(SendMessageW(editable, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(editable), u"ConfidentialX");
}

TEST_F(CommonControls, AnOwnerDrawnComboIsMeasuredForTheFieldAndOneItem) {
  DestroyWindow(dialog_);
  Recorder::Get().seen.clear();
  std::vector<int> measured;
  Recorder::Get().answer = [&measured](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_MEASUREITEM) return 0;
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item->CtlID != 1103) return 0;
    measured.push_back(static_cast<int>(item->itemID));
    item->itemHeight = 20;
    handled = true;
    return TRUE;
  };
  dialog_ = Modeless(110);
  ASSERT_NE(dialog_, nullptr);
  EXPECT_EQ(measured, (std::vector<int>{-1, 0}));
  HWND combo = Item(1103);
  Fill(combo, {u"One", u"Two"});
  EXPECT_EQ(measured.size(), 2u);  // fixed height: no item is measured again
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), 20);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 20);
}

TEST_F(CommonControls, ListBoxSelectionNotifiesOnlyForTheUser) {
  HWND list = Item(1104);
  for (const char16_t* text : {u"Tray 1", u"Tray 2", u"Manual"}) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  TakeCommands();
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 1, 0), 1);
  EXPECT_TRUE(TakeCommands().empty());
  PlatformTest_Pick(list, 2);
  EXPECT_EQ(TakeCommands(), (Commands{{1104, LBN_SELCHANGE}}));
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"MANUAL")), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 5, 0), LB_ERR);
}

struct UpDownCase {
  const char* name;
  bool explicitRange;
  bool up;
  int expectedDelta;
};

TEST_F(CommonControls, UpDownProposesTheDirectionOfItsRange) {
  const UpDownCase cases[] = {
      {"default range, up", false, true, -1},
      {"default range, down", false, false, 1},
      {"-90..90, up", true, true, 1},
      {"-90..90, down", true, false, -1},
  };
  for (const UpDownCase& c : cases) {
    HWND updown = Item(c.explicitRange ? 1107 : 1106);
    if (c.explicitRange) SendMessageW(updown, UDM_SETRANGE32, static_cast<WPARAM>(-90), 90);
    SendMessageW(updown, UDM_SETPOS32, 0, 50);
    int before = static_cast<int>(SendMessageW(updown, UDM_GETPOS32, 0, 0));
    Recorder::Get().seen.clear();
    int delta = 0;
    Recorder::Get().answer = [&delta](HWND, UINT message, WPARAM, LPARAM lParam, bool&) -> INT_PTR {
      if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == UDN_DELTAPOS)
        delta = reinterpret_cast<NMUPDOWN*>(lParam)->iDelta;
      return 0;
    };
    RECT client{};
    GetClientRect(updown, &client);
    PlatformTest_ClickAt(updown, client.right / 2, c.up ? 1 : client.bottom - 1);
    EXPECT_EQ(delta, c.expectedDelta) << c.name;
    EXPECT_EQ(SendMessageW(updown, UDM_GETPOS32, 0, 0), before + c.expectedDelta) << c.name;
    EXPECT_EQ(Recorder::Get().Count(WM_VSCROLL), 2u) << c.name;  // the position, then the end
  }
  // The default range reads minimum 100, maximum 0.
  EXPECT_EQ(SendMessageW(Item(1106), UDM_GETRANGE, 0, 0), MAKELRESULT(0, 100));
}

TEST_F(CommonControls, ANonZeroAnswerToDeltaPosCancelsTheStep) {
  HWND updown = Item(1107);
  SendMessageW(updown, UDM_SETRANGE32, static_cast<WPARAM>(-90), 90);
  SendMessageW(updown, UDM_SETPOS32, 0, 10);
  Recorder::Get().answer = [](HWND dialog, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != UDN_DELTAPOS) return 0;
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
    handled = true;
    return TRUE;
  };
  Recorder::Get().seen.clear();
  PlatformTest_ClickAt(updown, 2, 1);
  EXPECT_EQ(SendMessageW(updown, UDM_GETPOS32, 0, 0), 10);
  EXPECT_EQ(Recorder::Get().Count(WM_VSCROLL), 1u);  // only the release's SB_ENDSCROLL
}

TEST_F(CommonControls, ProgressClampsIntoItsRange) {
  HWND progress = Item(1108);
  EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageW(progress, PBM_SETPOS, 40, 0), 0);
  EXPECT_EQ(SendMessageW(progress, PBM_SETPOS, 110, 0), 40);
  EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100);
  SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(-5), 0);
  EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);
}

TEST_F(CommonControls, ListViewFindsWholeStringsWithoutCaseAndKeepsItsRows) {
  HWND view = Item(1109);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 100;
  column.pszText = const_cast<LPWSTR>(u"Printer");
  EXPECT_EQ(SendMessageW(view, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)), 0);
  column.pszText = const_cast<LPWSTR>(u"Port");
  EXPECT_EQ(SendMessageW(view, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)), 1);
  const char16_t* names[] = {u"Velmor K8000", u"Velmor K8000 Series", u"Office"};
  for (int i = 0; i < 3; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = const_cast<LPWSTR>(names[i]);
    item.lParam = 100 + i;
    EXPECT_EQ(SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), i);
    item.iSubItem = 1;
    item.pszText = const_cast<LPWSTR>(u"USB001");
    EXPECT_TRUE(SendMessageW(view, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item)));
  }
  LVFINDINFOW find{};
  find.flags = LVFI_STRING;
  find.psz = u"velmor k8000 SERIES";
  EXPECT_EQ(SendMessageW(view, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
  find.psz = u"Velmor";
  EXPECT_EQ(SendMessageW(view, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), -1);
  find.flags = LVFI_PARAM;
  find.lParam = 102;
  EXPECT_EQ(SendMessageW(view, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 2);

  WCHAR text[16];
  LVITEMW get{};
  get.iSubItem = 1;
  get.pszText = text;
  get.cchTextMax = 4;
  EXPECT_EQ(SendMessageW(view, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&get)), 3);
  EXPECT_EQ(std::u16string(text), u"USB");

  // A user's pick selects one row and tells the parent.
  Recorder::Get().seen.clear();
  PlatformTest_Pick(view, 1);
  EXPECT_EQ(SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  EXPECT_GE(Recorder::Get().Count(WM_NOTIFY), 3u);  // changing, changed, click
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageW(view, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row)));
  LVHITTESTINFO hit{};
  hit.pt = POINT{5, row.top + 1};
  EXPECT_EQ(SendMessageW(view, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
}

TEST_F(CommonControls, OwnerDrawnListViewRowsAreMeasuredAgainAfterAFontChange) {
  HWND view = Item(1109);
  int measures = 0;
  Recorder::Get().answer = [&measures](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_MEASUREITEM || reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlType != ODT_LISTVIEW) return 0;
    ++measures;
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 30;
    handled = true;
    return TRUE;
  };
  HFONT font = CreateFontW(-20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(measures, 1);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<LPWSTR>(u"Row");
  SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageW(view, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
  EXPECT_EQ(row.bottom - row.top, 30);
  DestroyWindow(dialog_);
  DeleteObject(font);
}

TEST_F(CommonControls, HoveringAToolShowsTheTextItsOwnerGives) {
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                                 0, 0, dialog_, nullptr, nullptr, nullptr);
  ASSERT_NE(tooltip, nullptr);
  HWND icon = Item(1110);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog_;
  tool.uId = reinterpret_cast<UINT_PTR>(icon);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  EXPECT_TRUE(SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_EQ(SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, 300), -1);
  Recorder::Get().answer = [](HWND, UINT message, WPARAM, LPARAM lParam, bool&) -> INT_PTR {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      std::u16string text = u"Limited by the paper size";
      std::copy(text.begin(), text.end(), info->szText);
      info->szText[text.size()] = 0;
    }
    return 0;
  };
  Recorder::Get().seen.clear();
  EXPECT_EQ(PlatformTest_Hover(icon), tooltip);
  EXPECT_TRUE(IsWindowVisible(tooltip));
  EXPECT_EQ(Text(tooltip), u"Limited by the paper size");
  EXPECT_EQ(Recorder::Get().Count(WM_MOUSEMOVE), 1u);  // the static lets the mouse through to the page
  SendMessageW(tooltip, TTM_ACTIVATE, FALSE, 0);
  EXPECT_FALSE(IsWindowVisible(tooltip));
  EXPECT_EQ(PlatformTest_Hover(icon), nullptr);
  DestroyWindow(tooltip);
}

}  // namespace
