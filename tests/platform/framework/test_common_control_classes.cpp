// The common-control classes on the fixture's common-controls dialog: the list's cells, rows and
// owner drawing through its own object, a reflected notification the control takes for itself, the
// progress bar's clamp, the up-down's range and buddy, and a tooltip made by the framework.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "afxwin.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

class PrinterList : public CListCtrl {
 public:
  std::vector<UINT> drawnRows;
  int measures = 0;
  int changes = 0;
  void DrawItem(LPDRAWITEMSTRUCT item) override {
    drawnRows.push_back(item->itemID);
    CDC* dc = CDC::FromHandle(item->hDC);
    dc->FillSolidRect(&item->rcItem, RGB(255, 255, 255));
  }
  void MeasureItem(LPMEASUREITEMSTRUCT item) override {
    ++measures;
    item->itemHeight = 24;
  }
  void OnItemChanged(NMHDR*, LRESULT* result) {
    ++changes;
    *result = 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(PrinterList, CListCtrl)
ON_NOTIFY_REFLECT(LVN_ITEMCHANGED, OnItemChanged)
END_MESSAGE_MAP()

class ControlsDialog : public CDialog {
 public:
  ControlsDialog() : CDialog(110) {}
  PrinterList list;
  CProgressCtrl progress;
  CSpinButtonCtrl spin;
  CEdit buddy;
  CStatic warning;
  CToolTipCtrl tip;
  int parentHeardChanges = 0;
  int parentNotifications = 0;

 protected:
  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Control(exchange, 1109, list);
    DDX_Control(exchange, 1108, progress);
    DDX_Control(exchange, 1107, spin);
    DDX_Control(exchange, 1105, buddy);
    DDX_Control(exchange, 1110, warning);
  }
  LRESULT OnNotifyMessage(WPARAM, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    ++parentNotifications;
    if (header->code == LVN_ITEMCHANGED) ++parentHeardChanges;
    if (header->code == TTN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      std::u16string text = u"Toner low";
      std::copy(text.begin(), text.end(), info->szText);
      info->szText[text.size()] = 0;
    }
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ControlsDialog, CDialog)
ON_MESSAGE(WM_NOTIFY, OnNotifyMessage)
END_MESSAGE_MAP()

class CommonControlClasses : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Fixtures/dialog_fixtures.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(DIALOG_FIXTURES, target, std::filesystem::copy_options::overwrite_existing);
    HMODULE module = LoadLibraryExW(u"C:\\Fixtures\\dialog_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    AfxSetResourceHandle(module);
    ASSERT_TRUE(dialog_.Create(110));
    dialog_.UpdateData(FALSE);
    ASSERT_NE(dialog_.list.m_hWnd, nullptr);
  }
  void TearDown() override { dialog_.DestroyWindow(); }
  testsupport::TempMachine machine_;
  ControlsDialog dialog_;
};

TEST_F(CommonControlClasses, TheListKeepsCellsAndDataAndFindsNamesWithoutCase) {
  CListCtrl& list = dialog_.list;
  EXPECT_EQ(list.InsertColumn(0, u"Printer", LVCFMT_LEFT, 155), 0);
  EXPECT_EQ(list.InsertColumn(1, u"Status", LVCFMT_LEFT, 170), 1);
  EXPECT_EQ(list.InsertColumn(2, u"Port", LVCFMT_LEFT, 95), 2);
  EXPECT_EQ(list.GetColumnWidth(1), 170);
  const char16_t* names[] = {u"Velmor K8000", u"Velmor K8000 Series", u"Office"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.InsertItem(i, names[i]), i);
    EXPECT_TRUE(list.SetItemText(i, 1, u"Ready"));
    EXPECT_TRUE(list.SetItemText(i, 2, u"USB001"));
    EXPECT_TRUE(list.SetItemData(i, 0x1000 + static_cast<DWORD_PTR>(i)));
  }
  EXPECT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.GetItemText(1, 0), CString(u"Velmor K8000 Series"));
  EXPECT_EQ(list.GetItemText(2, 2), CString(u"USB001"));
  EXPECT_EQ(list.GetItemText(7, 0), CString(u""));  // no such row
  EXPECT_EQ(list.GetItemData(2), 0x1002u);
  WCHAR cut[4];
  EXPECT_EQ(list.GetItemText(0, 1, cut, 4), 3);
  EXPECT_EQ(std::u16string(cut), u"Rea");

  LVFINDINFOW find{};
  find.flags = LVFI_STRING;
  find.psz = u"velmor k8000 SERIES";
  EXPECT_EQ(list.FindItem(&find), 1);
  find.psz = u"Velmor";
  EXPECT_EQ(list.FindItem(&find), -1);

  CRect row;
  ASSERT_TRUE(list.GetItemRect(1, row, LVIR_BOUNDS));
  EXPECT_EQ(list.HitTest(CPoint(5, row.top + 1)), 1);
  CRect cell;
  ASSERT_TRUE(list.GetSubItemRect(1, 1, LVIR_BOUNDS, cell));
  EXPECT_EQ(cell.left, row.left + 155);

  EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_EQ(list.GetItemState(2, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(CommonControlClasses, OwnerDrawnRowsAndReflectedNotificationsReachTheListsOwnObject) {
  PrinterList& list = dialog_.list;
  list.InsertColumn(0, u"Printer", LVCFMT_LEFT, 120);
  list.InsertItem(0, u"First");
  list.InsertItem(1, u"Second");
  CFont font;
  ASSERT_TRUE(font.CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Arial"));
  list.measures = 0;
  list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(font)), TRUE);
  EXPECT_EQ(list.measures, 1);  // the row height is asked again, of the list's own object
  CRect row;
  ASSERT_TRUE(list.GetItemRect(0, row, LVIR_BOUNDS));
  EXPECT_EQ(row.Height(), 24);

  dialog_.ShowWindow(SW_SHOW);
  list.drawnRows.clear();
  list.Invalidate();
  list.UpdateWindow();
  EXPECT_EQ(list.drawnRows, (std::vector<UINT>{0, 1}));

  // The user's pick: the list's own handler takes the change; the dialog hears the rest only.
  dialog_.parentNotifications = 0;
  PlatformTest_Pick(list.m_hWnd, 1);
  EXPECT_GE(list.changes, 1);
  EXPECT_EQ(dialog_.parentHeardChanges, 0);
  EXPECT_GE(dialog_.parentNotifications, 2);  // changing, click
  list.SendMessage(WM_SETFONT, 0, FALSE);
}

TEST_F(CommonControlClasses, ProgressClampsAndTheSpinKeepsItsRangeAndBuddy) {
  EXPECT_EQ(dialog_.progress.SetPos(40), 0);
  EXPECT_EQ(dialog_.progress.SetPos(110), 40);
  EXPECT_EQ(dialog_.progress.GetPos(), 100);
  dialog_.progress.SetRange32(0, 500);
  dialog_.progress.SetPos(450);
  EXPECT_EQ(dialog_.progress.GetPos(), 450);

  CSpinButtonCtrl& spin = dialog_.spin;
  spin.SetRange32(-90, 90);
  int lower = 0, upper = 0;
  spin.GetRange32(lower, upper);
  EXPECT_EQ(lower, -90);
  EXPECT_EQ(upper, 90);
  spin.SetPos(-30);
  EXPECT_EQ(spin.GetPos(), -30);
  spin.SetPos(500);
  EXPECT_EQ(spin.GetPos(), 90);
  spin.SetBuddy(&dialog_.buddy);
  EXPECT_EQ(spin.GetBuddy()->m_hWnd, dialog_.buddy.m_hWnd);
  UDACCEL accel{200, 1};
  EXPECT_TRUE(spin.SetAccel(1, &accel));
}

TEST_F(CommonControlClasses, AFrameworkTooltipShowsTheTextItsOwnerGives) {
  CToolTipCtrl& tip = dialog_.tip;
  ASSERT_TRUE(tip.Create(&dialog_, TTS_ALWAYSTIP | TTS_NOPREFIX));
  EXPECT_EQ(::GetParent(tip.m_hWnd), dialog_.m_hWnd);  // owned by the dialog
  ASSERT_TRUE(tip.AddTool(&dialog_.warning));
  EXPECT_EQ(tip.GetToolCount(), 1);
  tip.SetMaxTipWidth(300);
  EXPECT_EQ(tip.SetMaxTipWidth(400), 300);
  EXPECT_EQ(PlatformTest_Hover(dialog_.warning.m_hWnd), tip.m_hWnd);
  CString shown;
  tip.GetWindowText(shown);
  EXPECT_EQ(shown, CString(u"Toner low"));
  tip.Activate(FALSE);
  EXPECT_FALSE(tip.IsWindowVisible());
  tip.DelTool(&dialog_.warning);
  EXPECT_EQ(tip.GetToolCount(), 0);
  tip.DestroyWindow();
}

}  // namespace
