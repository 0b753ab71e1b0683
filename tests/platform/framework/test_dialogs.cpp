// CDialog on a fixture template: DoModal's loop shows the dialog at its first idle, DDX_Control
// attaches control objects, OnOK ends the loop, and the controls' notifications reach their own
// objects first (ON_CONTROL_REFLECT_EX, ON_WM_CTLCOLOR_REFLECT, DrawItem).
#include <gtest/gtest.h>

#include <filesystem>

#include <win/gdi_objects.h>

#include "afxwin.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

class DrawnButton : public CButton {
 public:
  int drawn = 0;
  UINT lastState = 0;
  void DrawItem(LPDRAWITEMSTRUCT item) override {
    ++drawn;
    lastState = item->itemState;
  }
};

class ReflectingCheck : public CButton {
 public:
  int clicks = 0;
  BOOL OnClicked() {
    ++clicks;
    return TRUE;  // taken: the dialog never hears of it
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectingCheck, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

class ColouredLabel : public CStatic {
 public:
  HBRUSH brush = nullptr;
  HBRUSH CtlColor(CDC*, UINT) { return brush; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ColouredLabel, CStatic)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class FixtureDialog : public CDialog {
 public:
  FixtureDialog() : CDialog(100) {}
  DrawnButton drawn;
  ReflectingCheck check;
  ColouredLabel label;
  bool hiddenAtInit = false;
  bool visibleAtFirstPaint = false;
  bool acted = false;
  int dialogHeardCheck = 0;

 protected:
  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Control(exchange, 1007, drawn);
    DDX_Control(exchange, 1002, check);
    DDX_Control(exchange, 1000, label);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    hiddenAtInit = !IsWindowVisible();
    return TRUE;
  }
  void OnCheck() { ++dialogHeardCheck; }
  void OnPaint() {
    Default();
    if (acted) return;
    acted = true;
    visibleAtFirstPaint = IsWindowVisible();
    PlatformTest_Click(check.m_hWnd);
    PlatformTest_Click(drawn.m_hWnd);
    label.Invalidate();
    label.UpdateWindow();
    PlatformTest_Key(::GetDlgItem(m_hWnd, 1001), VK_RETURN);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(FixtureDialog, CDialog)
ON_COMMAND(1002, OnCheck)
ON_WM_PAINT()
END_MESSAGE_MAP()

class FrameworkDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Fixtures/dialog_fixtures.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(DIALOG_FIXTURES, target, std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryExW(u"C:\\Fixtures\\dialog_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    AfxSetResourceHandle(module_);
  }
  testsupport::TempMachine machine_;
  HMODULE module_ = nullptr;
};

TEST_F(FrameworkDialogs, DoModalShowsAtTheFirstIdleAndControlsTakeTheirOwnNotifications) {
  FixtureDialog dialog;
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  dialog.label.brush = brush;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(dialog.hiddenAtInit);
  EXPECT_TRUE(dialog.visibleAtFirstPaint);
  EXPECT_EQ(dialog.check.clicks, 1);
  EXPECT_EQ(dialog.dialogHeardCheck, 0);
  EXPECT_GE(dialog.drawn.drawn, 1);
  EXPECT_TRUE(dialog.drawn.lastState & ODS_SELECTED);  // drawn while pressed, by its own object
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  DeleteObject(brush);
}

TEST_F(FrameworkDialogs, TheReflectedColourIsTheControlsBrush) {
  FixtureDialog dialog;
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  dialog.label.brush = brush;
  ASSERT_TRUE(dialog.Create(100));
  dialog.UpdateData(FALSE);
  dialog.label.Invalidate();
  dialog.label.UpdateWindow();
  EXPECT_EQ(PlatformTest_ControlBackground(dialog.label.m_hWnd), brush);
  dialog.DestroyWindow();
  DeleteObject(brush);
}

}  // namespace
