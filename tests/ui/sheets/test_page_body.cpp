// The body every page runs after its own cases: the context kept, texts set, help, apply and
// reset, and the no-permission list.
#include <string>

#include <win/commctrl.h>
#include <win/driverui.h>

#include "sheets_fixture.h"
#include "ui/core/page_states.h"
#include "ui/sheets/page_body.h"
#include "ui/sheets/page_procs.h"

namespace {

using sheetstest::CallLog;

const vm4k2ui::ControlText kTexts[] = {{1090, 3001}, {1091, 3002}, {4242, 3001}};
const vm4k2ui::HelpLink kHelp[] = {{1019, 1154}, {1070, 3091}};
const int kSettingControls[] = {1019, 1020, 1060, 1070, 1182};
const vm4k2ui::PageDescription kDescription{3, 5004, kTexts, 3, kHelp, 2, 506, kSettingControls, 5};

INT_PTR CALLBACK DescribedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return vm4k2ui::RunPageBody(page, message, wParam, lParam, kDescription);
}

class PageBodyTest : public sheetstest::SheetsFixture {
 protected:
  void SetUp() override {
    SheetsFixture::SetUp();
    sheetPage_.dwSize = sizeof(sheetPage_);
    sheetPage_.lParam = reinterpret_cast<LPARAM>(context_.get());
    context_->callerHeader = &header_;
    header_.cbSize = sizeof(header_);
    header_.fMode = DM_IN_PROMPT;
  }
  HWND Open(DLGPROC procedure) {
    return CreateDialogParamW(satellite_, MAKEINTRESOURCEW(sheetstest::kFixturePage), sheet_, procedure,
                              reinterpret_cast<LPARAM>(&sheetPage_));
  }
  LRESULT Notify(HWND page, UINT code) {
    NMHDR header{sheet_, 0, code};
    SetWindowLongPtrW(page, DWLP_MSGRESULT, 99);
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  }
  PROPSHEETPAGEW sheetPage_{};
  DOCUMENTPROPERTYHEADER header_{};
};

TEST_F(PageBodyTest, InitKeepsTheContextAndSetsTheTexts) {
  HWND page = Open(DescribedPageProc);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(vm4k2ui::PageContext(page), context_.get());
  WCHAR text[64] = {};
  GetWindowTextW(page, text, 64);
  EXPECT_EQ(std::u16string(text), u"Layout");
  GetWindowTextW(GetDlgItem(page, 1090), text, 64);
  EXPECT_EQ(std::u16string(text), u"Copies:");
  GetWindowTextW(GetDlgItem(page, 1091), text, 64);
  EXPECT_EQ(std::u16string(text), u"Angle:");
  DestroyWindow(page);
}

TEST_F(PageBodyTest, ApplyTellsTheSheetAndResetClearsTheChange) {
  HWND page = Open(DescribedPageProc);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Notify(page, PSN_APPLY), PSNRET_NOERROR) << "the page's answer reaches the sheet";
  EXPECT_EQ(GetWindowLongPtrW(page, DWLP_MSGRESULT), PSNRET_NOERROR);
  EXPECT_EQ(context_->changed, 1);
  ASSERT_EQ(sheetstest::SheetMessages().size(), 1u);
  EXPECT_EQ(sheetstest::SheetMessages()[0].message, static_cast<UINT>(PSM_UNCHANGED));
  EXPECT_EQ(sheetstest::SheetMessages()[0].wParam, reinterpret_cast<WPARAM>(page));
  Notify(page, PSN_RESET);
  EXPECT_EQ(context_->changed, 0);
  context_->activePage = 1;
  EXPECT_EQ(Notify(page, PSN_SETACTIVE), 0) << "the page may be shown";
  EXPECT_EQ(context_->activePage, 3);
  EXPECT_EQ(GetWindowLongPtrW(page, DWLP_MSGRESULT), 0) << "the page may be shown";
  DestroyWindow(page);
}

TEST_F(PageBodyTest, HelpOpensThePageContextAndTheControlsOfTheTable) {
  HWND page = Open(DescribedPageProc);
  ASSERT_NE(page, nullptr);
  Notify(page, PSN_HELP);
  EXPECT_NE(CallLog().find("\"command\":15,\"data\":506"), std::string::npos);
  HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, 1020, nullptr, 0, {0, 0}};
  SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(CallLog().find("\"data\":3091"), std::string::npos);
  info.iCtrlId = 1070;
  SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_NE(CallLog().find("\"caller\":" + std::to_string(reinterpret_cast<uintptr_t>(page)) +
                           ",\"file\":\"C:\\\\Windows\\\\System32\\\\spool\\\\drivers\\\\x64\\\\3\\\\vm4k2enus.chm\","
                           "\"command\":15,\"data\":3091"),
            std::string::npos)
      << CallLog();
  DestroyWindow(page);
}

TEST_F(PageBodyTest, WithoutPermissionTheSettingControlsAreDisabledWheneverShown) {
  HWND page = Open(DescribedPageProc);
  ASSERT_NE(page, nullptr);
  ShowWindow(page, SW_SHOW);
  for (int id : kSettingControls) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, id))) << id;
  ShowWindow(page, SW_HIDE);
  context_->noPermission = 1;
  ShowWindow(page, SW_SHOW);
  for (int id : kSettingControls) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id))) << id;
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1050))) << "not a setting of this page";
  EnableWindow(GetDlgItem(page, 1019), TRUE);
  ShowWindow(page, SW_HIDE);
  ShowWindow(page, SW_SHOW);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1019))) << "each time it is shown";
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1182))) << "Delete is never enabled";
  DestroyWindow(page);
}

TEST_F(PageBodyTest, ThePagesNotYetBuiltRunTheBody) {
  struct Case {
    DLGPROC procedure;
    int number;
    DWORD help;
  } cases[] = {{vm4k2ui::BasicPageProc, 1, 500},
               {vm4k2ui::PaperPageProc, 2, 512},
               {vm4k2ui::LayoutPageProc, 3, 506},
               {vm4k2ui::WatermarkPageProc, 4, 513},
               {vm4k2ui::DevicePageProc, 0, 511}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.help);
    sheetstest::SheetMessages().clear();
    HWND page = Open(c.procedure);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(vm4k2ui::PageContext(page), context_.get());
    context_->activePage = 9;
    Notify(page, PSN_SETACTIVE);
    EXPECT_EQ(context_->activePage, c.number == 0 ? 9 : c.number);
    Notify(page, PSN_HELP);
    EXPECT_NE(CallLog().find("\"data\":" + std::to_string(c.help)), std::string::npos);
    EXPECT_EQ(Notify(page, PSN_APPLY), PSNRET_NOERROR);
    EXPECT_EQ(sheetstest::SheetMessages().size(), 1u);
    DestroyWindow(page);
  }
}

}  // namespace
