// The property sheet with four recording pages, alone and through the common property-sheet
// host: pages made on their first visit, a refused PSN_KILLACTIVE, OK applying the created pages
// only, a PSN_QUERYCANCEL veto, PSN_RESET on Cancel, the releases before the host's DESTROY and
// the result passed to every sheet function.
#include <win/commctrl.h>
#include <win/compstui.h>

#include <string>

#include "dialog_test_util.h"

using dialogtest::DialogTest;

namespace {

std::vector<std::string> g_events;
bool g_refuseKillActive = false;  // page 2 keeps the focus once
int g_queryCancelVetoes = 0;
HANDLE g_comPropSheet = nullptr;
PFNCOMPROPSHEET g_pfnComPropSheet = nullptr;

int PageIndex(LPARAM page) { return static_cast<int>(reinterpret_cast<const PROPSHEETPAGEW*>(page)->lParam); }

void Event(const std::string& text) { g_events.push_back(text); }

UINT CALLBACK PageCallback(HWND hwnd, UINT message, PROPSHEETPAGEW* page) {
  const char* names[] = {"ADDREF", "RELEASE", "CREATE"};
  Event(std::string(names[message]) + " " + std::to_string(page->lParam) + (hwnd ? " window" : ""));
  return 1;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(page, DWLP_USER, PageIndex(lParam));
      Event("INIT " + std::to_string(PageIndex(lParam)));
      return TRUE;
    case WM_SHOWWINDOW:
      Event((wParam ? "SHOW " : "HIDE ") + std::to_string(GetWindowLongPtrW(page, DWLP_USER)));
      return FALSE;
    case WM_NOTIFY: {
      const PSHNOTIFY* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
      int index = static_cast<int>(GetWindowLongPtrW(page, DWLP_USER));
      LONG_PTR answer = 0;
      switch (notify->hdr.code) {
        case PSN_SETACTIVE: Event("SETACTIVE " + std::to_string(index)); break;
        case PSN_KILLACTIVE:
          Event("KILLACTIVE " + std::to_string(index));
          if (index == 2 && g_refuseKillActive) {
            g_refuseKillActive = false;
            answer = TRUE;
          }
          break;
        case PSN_APPLY:
          Event("APPLY " + std::to_string(index) + (notify->lParam ? " ok" : " apply"));
          if (g_pfnComPropSheet) g_pfnComPropSheet(g_comPropSheet, CPSFUNC_SET_RESULT, 0, 1);
          break;
        case PSN_QUERYCANCEL:
          Event("QUERYCANCEL " + std::to_string(index));
          if (g_queryCancelVetoes > 0) {
            --g_queryCancelVetoes;
            answer = TRUE;
          }
          break;
        case PSN_RESET: Event("RESET " + std::to_string(index)); break;
        default: return FALSE;
      }
      SetWindowLongPtrW(page, DWLP_MSGRESULT, answer);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

class PropertySheet : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    g_events.clear();
    g_refuseKillActive = false;
    g_queryCancelVetoes = 0;
    g_comPropSheet = nullptr;
    g_pfnComPropSheet = nullptr;
    PlatformTest_UseRealPropertySheet();
    for (int i = 0; i < 4; ++i) {
      PROPSHEETPAGEW& page = pages_[i];
      page = PROPSHEETPAGEW{};
      page.dwSize = sizeof(PROPSHEETPAGEW);
      page.dwFlags = PSP_USECALLBACK;
      page.hInstance = module_;
      page.pszTemplate = MAKEINTRESOURCEW(120 + i);
      page.pfnDlgProc = PageProc;
      page.lParam = i;
      page.pfnCallback = PageCallback;
    }
  }
  // The events from the first one that starts with `from`.
  std::vector<std::string> EventsFrom(const std::string& from) {
    auto it = std::find_if(g_events.begin(), g_events.end(), [&](const std::string& e) { return e.rfind(from, 0) == 0; });
    return std::vector<std::string>(it, g_events.end());
  }
  PROPSHEETPAGEW pages_[4];
};

struct SheetScript {
  std::function<void(HWND)> body;
};
void RunScript(HWND sheet, void* context) { static_cast<SheetScript*>(context)->body(sheet); }

using Events = std::vector<std::string>;

TEST_F(PropertySheet, TwoOfFourPagesVisitedAndOkAppliesOnlyThose) {
  SheetScript script;
  script.body = [&](HWND sheet) {
    EXPECT_EQ(Text(sheet), u"Fixture sheet");
    EXPECT_EQ(g_events, (Events{"ADDREF 0", "ADDREF 1", "ADDREF 2", "ADDREF 3", "CREATE 0", "INIT 0", "SETACTIVE 0",
                                "SHOW 0"}));
    g_events.clear();
    PlatformTest_Pick(sheet, 2);
    EXPECT_EQ(g_events, (Events{"KILLACTIVE 0", "CREATE 2", "INIT 2", "SETACTIVE 2", "SHOW 2", "HIDE 0"}));
    // Page 2 refuses to be left once: the sheet stays on it.
    g_refuseKillActive = true;
    g_events.clear();
    PlatformTest_Pick(sheet, 1);
    EXPECT_EQ(g_events, (Events{"KILLACTIVE 2"}));
    HWND current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    EXPECT_EQ(current, PlatformTest_SheetPage(sheet, 2));
    EXPECT_EQ(PlatformTest_SheetPage(sheet, 1), nullptr);
    // PSM_CHANGED enables Apply until PSM_UNCHANGED.
    HWND apply = GetDlgItem(sheet, ID_APPLY_NOW);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(IsWindowEnabled(apply));
    SendMessageW(sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(current), 0);
    EXPECT_TRUE(IsWindowEnabled(apply));
    SendMessageW(sheet, PSM_UNCHANGED, reinterpret_cast<WPARAM>(current), 0);
    EXPECT_FALSE(IsWindowEnabled(apply));
    g_events.clear();
    PlatformTest_Click(GetDlgItem(sheet, IDOK));
  };
  PlatformTest_SetDialogAction(u"Fixture sheet", RunScript, &script);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE;
  header.pszCaption = u"Fixture sheet";
  header.nPages = 4;
  header.ppsp = pages_;
  EXPECT_GT(PropertySheetW(&header), 0);
  // Every page, visited or not, is released after the page windows are gone.
  EXPECT_EQ(g_events, (Events{"KILLACTIVE 2", "APPLY 0 ok", "APPLY 2 ok", "RELEASE 0", "RELEASE 1", "RELEASE 2",
                              "RELEASE 3"}));
}

TEST_F(PropertySheet, CancelAsksTheCurrentPageAndResetsTheCreatedOnes) {
  g_queryCancelVetoes = 1;
  SheetScript script;
  script.body = [&](HWND sheet) {
    PlatformTest_Pick(sheet, 3);
    g_events.clear();
    PlatformTest_Click(GetDlgItem(sheet, IDCANCEL));
    EXPECT_EQ(g_events, (Events{"QUERYCANCEL 3"}));  // vetoed: the sheet stays
    EXPECT_TRUE(IsWindowVisible(sheet));
    g_events.clear();
    PlatformTest_Key(PlatformTest_SheetPage(sheet, 3), VK_ESCAPE);
  };
  PlatformTest_SetDialogAction(u"Fixture sheet", RunScript, &script);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE;
  header.pszCaption = u"Fixture sheet";
  header.nPages = 4;
  header.ppsp = pages_;
  EXPECT_EQ(PropertySheetW(&header), 0);
  EXPECT_EQ(g_events, (Events{"QUERYCANCEL 3", "RESET 0", "RESET 3", "RELEASE 0", "RELEASE 1", "RELEASE 2",
                              "RELEASE 3"}));
}

// A modeless sheet: returned at once, driven by its owner's loop through PSM_ISDIALOGMESSAGE;
// after the user's choice PSM_GETCURRENTPAGEHWND answers NULL, and the pages are released only
// when the owner destroys the sheet.
TEST_F(PropertySheet, AModelessSheetRunsInItsOwnersLoopAndEndsWhenTheOwnerDestroysIt) {
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
  header.pszCaption = u"Modeless sheet";
  header.nPages = 4;
  header.ppsp = pages_;
  HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  ASSERT_TRUE(IsWindow(sheet));
  EXPECT_TRUE(IsWindowVisible(sheet));
  EXPECT_EQ(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), reinterpret_cast<LRESULT>(PlatformTest_SheetPage(sheet, 0)));
  PlatformTest_Pick(sheet, 2);
  HWND page = PlatformTest_SheetPage(sheet, 2);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), reinterpret_cast<LRESULT>(page));

  // Escape on the page reaches the sheet only through the owner's loop.
  g_events.clear();
  PostMessageW(page, WM_KEYDOWN, VK_ESCAPE, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (SendMessageW(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(g_events, (Events{"QUERYCANCEL 2", "RESET 0", "RESET 2"}));
  EXPECT_EQ(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), 0);
  EXPECT_TRUE(IsWindow(sheet));  // the owner ends it

  g_events.clear();
  DestroyWindow(sheet);
  EXPECT_EQ(g_events, (Events{"RELEASE 0", "RELEASE 1", "RELEASE 2", "RELEASE 3"}));

  // OK closes it the same way, after the created pages applied.
  sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  ASSERT_TRUE(IsWindow(sheet));
  g_events.clear();
  PlatformTest_Click(GetDlgItem(sheet, IDOK));
  EXPECT_EQ(g_events, (Events{"KILLACTIVE 0", "APPLY 0 ok"}));
  EXPECT_EQ(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), 0);
  DestroyWindow(sheet);
}

// The host's caller: adds a driver's function under its own, as the spooler does; the driver's
// function adds the four pages.
PROPSHEETPAGEW* g_hostPages = nullptr;
std::vector<std::string> g_reasons;

LONG CALLBACK DriverSheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
  g_reasons.push_back("driver " + std::to_string(info->Reason));
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    g_comPropSheet = info->hComPropSheet;
    g_pfnComPropSheet = info->pfnComPropSheet;
    for (int i = 0; i < 4; ++i)
      if (!info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&g_hostPages[i]), 0))
        return -1;
    return 1;
  }
  if (info->Reason == PROPSHEETUI_REASON_SET_RESULT) {
    info->Result = static_cast<ULONG_PTR>(reinterpret_cast<SETRESULT_INFO*>(lParam)->Result);
    return 1;
  }
  return 1;
}

LONG CALLBACK CallerSheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
  g_reasons.push_back("caller " + std::to_string(info->Reason));
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PFNPROPSHEETUIW, reinterpret_cast<LPARAM>(DriverSheets), 0)
                 ? 1
                 : -1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam)->pTitle = const_cast<LPWSTR>(u"Host sheet");
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      info->Result = static_cast<ULONG_PTR>(reinterpret_cast<SETRESULT_INFO*>(lParam)->Result) + 10;
      return 1;
    default:
      return 1;
  }
}

TEST_F(PropertySheet, TheHostShowsTheDriversPagesAndPassesTheResultToEveryFunction) {
  g_hostPages = pages_;
  g_reasons.clear();
  SheetScript script;
  script.body = [&](HWND sheet) {
    PlatformTest_Pick(sheet, 1);
    PlatformTest_Click(GetDlgItem(sheet, IDOK));
  };
  PlatformTest_SetDialogAction(u"Host sheet", RunScript, &script);
  DWORD result = 0;
  EXPECT_EQ(CommonPropertySheetUIW(nullptr, CallerSheets, 0, &result), CPSUI_OK);
  EXPECT_EQ(result, 11u);  // the caller's function saw the result after the driver's
  // The pages' releases come before the driver's DESTROY, which comes before the caller's.
  std::string record = PlatformTest_PropertySheetRecord();
  size_t release = record.find("RELEASE 3"), driverDestroy = record.find("DESTROY function=1"),
         callerDestroy = record.find("DESTROY 1 ->");
  ASSERT_NE(release, std::string::npos) << record;
  ASSERT_NE(driverDestroy, std::string::npos) << record;
  EXPECT_LT(release, driverDestroy);
  EXPECT_LT(driverDestroy, callerDestroy);
  // Each created page's apply set the result: the driver's function first, then the caller's.
  size_t driverResult = record.find("SET_RESULT function=1"), callerResult = record.find("SET_RESULT page=sheet");
  ASSERT_NE(driverResult, std::string::npos) << record;
  EXPECT_LT(driverResult, callerResult);
  EXPECT_NE(record.find("CLOSE OK"), std::string::npos);
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), std::string("APPLY 0 ok")), 1);
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), std::string("APPLY 1 ok")), 1);
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), std::string("APPLY 2 ok")), 0);
  EXPECT_EQ(g_reasons.back(), "caller " + std::to_string(PROPSHEETUI_REASON_DESTROY));
}

}  // namespace
