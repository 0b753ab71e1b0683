// The common property-sheet host: the reasons a sheet function receives and in which order,
// what ComPropSheet accepts, and InitCommonControlsEx.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/commctrl.h>
#include <win/compstui.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

// A sheet function that records what the host hands it and acts as the test says.
struct FakeSheet {
  std::vector<std::string> reasons;
  LONG initAnswer = 1;
  int pagesToAdd = 1;
  DWORD pageSize = sizeof(PROPSHEETPAGEW);
  LONG_PTR lastAdd = 0;
  LPARAM destroyParam = -1;
  PROPSHEETUI_INFO seenAtInit{};
  std::vector<UINT> callbackMessages;
  WCHAR title[16] = u"Tab";
};
FakeSheet* g_sheet = nullptr;

UINT CALLBACK PageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
  g_sheet->callbackMessages.push_back(message);
  EXPECT_EQ(page->lParam, 0x1234);
  return message == PSPCB_CREATE ? 1 : 0;
}

LONG CALLBACK SheetFunction(PPROPSHEETUI_INFO info, LPARAM lParam) {
  FakeSheet& sheet = *g_sheet;
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: {
      sheet.reasons.push_back("INIT");
      sheet.seenAtInit = *info;
      EXPECT_EQ(lParam, info->lParamInit);
      for (int i = 0; i < sheet.pagesToAdd; ++i) {
        std::vector<BYTE> bytes(sheet.pageSize > sizeof(PROPSHEETPAGEW) ? sheet.pageSize : sizeof(PROPSHEETPAGEW), 0);
        auto* page = reinterpret_cast<PROPSHEETPAGEW*>(bytes.data());
        page->dwSize = sheet.pageSize;
        page->dwFlags = PSP_USETITLE | PSP_USECALLBACK;
        page->pszTemplate = MAKEINTRESOURCEW(100 + i);
        page->pszTitle = sheet.title;
        page->lParam = 0x1234;
        page->pfnCallback = PageCallback;
        sheet.lastAdd = info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                              reinterpret_cast<LPARAM>(page), 0);
      }
      // The host keeps its own copy of a title, so the caller's buffer may change at once.
      std::memcpy(sheet.title, u"Changed", sizeof(u"Changed"));
      info->UserData = 0x55;
      return sheet.initAnswer;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      sheet.reasons.push_back("GET_INFO_HEADER");
      auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
      EXPECT_EQ(header->cbSize, sizeof(PROPSHEETUI_INFO_HEADER));
      EXPECT_EQ(info->UserData, 0x55u) << "kept between calls";
      return 1;
    }
    case PROPSHEETUI_REASON_GET_ICON: {
      sheet.reasons.push_back("GET_ICON");
      EXPECT_EQ(reinterpret_cast<PROPSHEETUI_GETICON_INFO*>(lParam)->cbSize, sizeof(PROPSHEETUI_GETICON_INFO));
      return -1;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
      auto* result = reinterpret_cast<SETRESULT_INFO*>(lParam);
      sheet.reasons.push_back("SET_RESULT " + std::to_string(result->Result));
      info->Result = static_cast<ULONG_PTR>(result->Result);
      return 1;
    }
    case PROPSHEETUI_REASON_DESTROY:
      sheet.reasons.push_back("DESTROY");
      sheet.destroyParam = lParam;
      return 1;
    default:
      sheet.reasons.push_back("other");
      return -1;
  }
}

class PropertySheetHost : public ::testing::Test {
 protected:
  void SetUp() override {
    g_sheet = &sheet_;
    PlatformTest_SetPropertySheetScript(1, 1, nullptr, nullptr);
  }
  void TearDown() override {
    PlatformTest_SetPropertySheetScript(1, 1, nullptr, nullptr);
    g_sheet = nullptr;
  }
  LONG Run(DWORD* result) { return CommonPropertySheetUIW(nullptr, SheetFunction, 0x4242, result); }
  testsupport::TempMachine machine_;
  FakeSheet sheet_;
};

TEST_F(PropertySheetHost, ReasonsInOrderWithPagesReleasedBeforeDestroy) {
  DWORD result = 0xDEAD;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_EQ(sheet_.reasons, (std::vector<std::string>{"INIT", "GET_INFO_HEADER", "GET_ICON", "DESTROY"}));
  EXPECT_EQ(sheet_.callbackMessages, (std::vector<UINT>{PSPCB_ADDREF, PSPCB_CREATE, PSPCB_RELEASE}));
  EXPECT_EQ(sheet_.destroyParam, 1) << "closed with a button";
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(sheet_.seenAtInit.cbSize, sizeof(PROPSHEETUI_INFO));
  EXPECT_EQ(sheet_.seenAtInit.Version, PROPSHEETUI_INFO_VERSION);
  EXPECT_EQ(sheet_.seenAtInit.Flags, PSUIINFO_UNICODE);
  EXPECT_EQ(sheet_.seenAtInit.lParamInit, 0x4242);
  EXPECT_NE(sheet_.seenAtInit.hComPropSheet, nullptr);
  EXPECT_NE(sheet_.lastAdd, 0) << "the page's handle";
  EXPECT_NE(PlatformTest_PropertySheetRecord().find("ADD_PAGE 0 size=104 flags=0x00000088 template=100 title=Tab"),
            std::string::npos)
      << PlatformTest_PropertySheetRecord();
  PROPSHEETPAGEW copy{};
  ASSERT_TRUE(PlatformTest_GetPropertySheetPage(0, &copy, sizeof(copy)));
  EXPECT_EQ(copy.lParam, 0x1234);
}

TEST_F(PropertySheetHost, AFailedInitStillGetsDestroyAndNoSheet) {
  sheet_.initAnswer = -1;
  DWORD result = 0xDEAD;
  EXPECT_EQ(Run(&result), CPSUI_CANCEL);
  EXPECT_EQ(sheet_.reasons, (std::vector<std::string>{"INIT", "DESTROY"}));
  EXPECT_EQ(sheet_.destroyParam, 0) << "no button was pressed";
  EXPECT_EQ(sheet_.callbackMessages, (std::vector<UINT>{PSPCB_ADDREF, PSPCB_RELEASE}))
      << "an added page is released even so";
}

TEST_F(PropertySheetHost, NoPagesNoSheet) {
  sheet_.pagesToAdd = 0;
  EXPECT_EQ(Run(nullptr), ERR_CPSUI_NO_PROPSHEETPAGE);
  EXPECT_EQ(sheet_.reasons, (std::vector<std::string>{"INIT", "GET_INFO_HEADER", "GET_ICON", "DESTROY"}));
}

TEST_F(PropertySheetHost, PageRecordsThatAreRefused) {
  for (DWORD size : {DWORD{0}, DWORD{71}, DWORD{4097}}) {
    SCOPED_TRACE(size);
    sheet_ = FakeSheet{};
    sheet_.pageSize = size;
    EXPECT_EQ(Run(nullptr), ERR_CPSUI_NO_PROPSHEETPAGE);
    EXPECT_EQ(sheet_.lastAdd, 0);
    EXPECT_TRUE(sheet_.callbackMessages.empty());
  }
  sheet_ = FakeSheet{};
  sheet_.pageSize = 72;  // the first form of the record, without header titles
  EXPECT_EQ(Run(nullptr), CPSUI_OK);
  EXPECT_NE(sheet_.lastAdd, 0);
}

struct ResultCalls {
  LONG_PTR bySheet = 0;
  LONG_PTR byStranger = 0;
  LONG_PTR pageCount = 0;
  LONG_PTR unknown = 0;
};

void SetResultWhileOpen(HANDLE sheet, LONG_PTR(CALLBACK* comPropSheet)(HANDLE, UINT, LPARAM, LPARAM), void* context) {
  auto* calls = static_cast<ResultCalls*>(context);
  calls->bySheet = comPropSheet(sheet, CPSFUNC_SET_RESULT, 0, 7);
  calls->byStranger = comPropSheet(sheet, CPSFUNC_SET_RESULT, 0x7777, 8);
  calls->pageCount = comPropSheet(sheet, CPSFUNC_GET_PAGECOUNT, 0, 0);
  SetLastError(kErrorMarker);
  calls->unknown = comPropSheet(sheet, CPSFUNC_ADD_PCOMPROPSHEETUIW, 0, 0);
}

TEST_F(PropertySheetHost, ResultsReachTheSheetFunctionWhileTheSheetIsOpen) {
  ResultCalls calls;
  PlatformTest_SetPropertySheetScript(1, 1, SetResultWhileOpen, &calls);
  sheet_.pagesToAdd = 2;
  DWORD result = 0;
  EXPECT_EQ(Run(&result), CPSUI_OK);
  EXPECT_EQ(calls.bySheet, 1);
  EXPECT_EQ(calls.byStranger, -1) << "a handle that is no page of the sheet";
  EXPECT_EQ(calls.pageCount, 2);
  EXPECT_EQ(calls.unknown, 0);
  EXPECT_EQ(result, 7u) << "the function's final Result";
  EXPECT_EQ(sheet_.reasons,
            (std::vector<std::string>{"INIT", "GET_INFO_HEADER", "GET_ICON", "SET_RESULT 7", "DESTROY"}));

  SetLastError(kErrorMarker);
  EXPECT_EQ(sheet_.seenAtInit.pfnComPropSheet(sheet_.seenAtInit.hComPropSheet, CPSFUNC_SET_RESULT, 0, 1), -1)
      << "the sheet is gone";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(CommonControls, InitCommonControlsExWantsItsSize) {
  INITCOMMONCONTROLSEX good{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&good));
  INITCOMMONCONTROLSEX bad{4, ICC_WIN95_CLASSES};
  EXPECT_FALSE(InitCommonControlsEx(&bad));
  EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

}  // namespace
