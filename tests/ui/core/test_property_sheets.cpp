// The printing-preferences and printer-properties sheets as the common property-sheet host
// drives them: vm4k2ui.dll loaded from the driver folder of an installed machine, its
// satellite beside it, and the host's record of every reason, page and callback.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/driverui.h>
#include <win/modules.h>
#include <win/registry.h>
#include <win/spooler.h>

#include <vm4k2/ui_devmode.h>

#include "loaded_machine.h"

namespace {

constexpr const char16_t* kPrinter = u"Velmor K8000 Series PCL6";
constexpr const char16_t* kLibrary = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2ui.dll";

using SheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

class PropertySheetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.ok()) << machine_.output();
    library_ = LoadLibraryW(kLibrary);
    ASSERT_NE(library_, nullptr) << GetLastError();
    documentSheets_ = reinterpret_cast<SheetsFn>(GetProcAddress(library_, "DrvDocumentPropertySheets"));
    deviceSheets_ = reinterpret_cast<SheetsFn>(GetProcAddress(library_, "DrvDevicePropertySheets"));
    ASSERT_NE(documentSheets_, nullptr);
    ASSERT_NE(deviceSheets_, nullptr);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer_, &defaults));
    PlatformTest_SetPropertySheetScript(1, 1, nullptr, nullptr);
  }
  void TearDown() override {
    PlatformTest_SetPropertySheetScript(1, 1, nullptr, nullptr);
    if (printer_) ClosePrinter(printer_);
    if (library_) FreeLibrary(library_);
  }

  DOCUMENTPROPERTYHEADER DocumentHeader(DWORD fMode, PDEVMODEW out = nullptr, DWORD cbOut = 0) {
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof(header);
    header.hPrinter = printer_;
    header.pszPrinterName = const_cast<LPWSTR>(kPrinter);
    header.pdmOut = out;
    header.cbOut = cbOut;
    header.fMode = fMode;
    return header;
  }

  struct Outcome {
    LONG result;
    DWORD sheetResult;
    std::string record;
  };
  Outcome Run(SheetsFn sheets, LPARAM header) {
    Outcome outcome{};
    outcome.sheetResult = 0xDEAD;
    outcome.result = CommonPropertySheetUIW(nullptr, reinterpret_cast<PFNPROPSHEETUI>(sheets), header,
                                            &outcome.sheetResult);
    outcome.record = PlatformTest_PropertySheetRecord();
    return outcome;
  }

  testfakes::InstalledMachine machine_;
  HMODULE library_ = nullptr;
  SheetsFn documentSheets_ = nullptr;
  SheetsFn deviceSheets_ = nullptr;
  HANDLE printer_ = nullptr;
};

TEST_F(PropertySheetsTest, DocumentSheetsAddTheirFourPagesInOrder) {
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT);
  Outcome outcome = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_EQ(outcome.sheetResult, 0u);
  EXPECT_EQ(outcome.record,
            "ADD_PAGE 0 size=104 flags=0x000000ac template=111 title=Basic callback=yes\n"
            "ADD_PAGE 1 size=104 flags=0x0000002c template=693 title=Paper callback=no\n"
            "ADD_PAGE 2 size=104 flags=0x0000002c template=626 title=Layout callback=no\n"
            "ADD_PAGE 3 size=104 flags=0x0000002c template=645 title=Watermark callback=no\n"
            "INIT -> 1\n"
            "GET_INFO_HEADER -> 1 flags=0x4 title=Velmor K8000 Series PCL6 hInst=yes icon=64082\n"
            "GET_ICON -> -1\n"
            "CREATE 0 -> 1\n"
            "CLOSE OK\n"
            "RELEASE 0 -> 1\n"
            "DESTROY 1 -> 1\n")
      << "an unchanged sheet applies nothing when its first page is released";

  PROPSHEETPAGEW first{}, second{};
  ASSERT_TRUE(PlatformTest_GetPropertySheetPage(0, &first, sizeof(first)));
  ASSERT_TRUE(PlatformTest_GetPropertySheetPage(1, &second, sizeof(second)));
  EXPECT_FALSE(PlatformTest_GetPropertySheetPage(4, &second, sizeof(second)));
  EXPECT_NE(first.hInstance, nullptr) << "the satellite library";
  EXPECT_EQ(first.hInstance, second.hInstance);
  EXPECT_NE(first.pfnDlgProc, nullptr);
  EXPECT_NE(first.pfnDlgProc, second.pfnDlgProc);
  EXPECT_NE(first.lParam, 0) << "the context";
  EXPECT_EQ(first.lParam, second.lParam);
  EXPECT_NE(first.pfnCallback, nullptr);
  EXPECT_EQ(second.pfnCallback, nullptr);
  EXPECT_EQ(first.hActCtx, nullptr);
}

TEST_F(PropertySheetsTest, VisitedPagesAreCreatedAndEveryPageWithACallbackReleased) {
  PlatformTest_SetPropertySheetScript(4, 2, nullptr, nullptr);
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT);
  Outcome outcome = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_NE(outcome.record.find("CREATE 0 -> 1\nCREATE 1\nCREATE 2\nCREATE 3\nCLOSE CANCEL\nRELEASE 0 -> 1\n"
                                "DESTROY 1 -> 1\n"),
            std::string::npos)
      << outcome.record;
}

// What a page does when it applies: the host's result call, as ApplySheetChanges makes it.
void ApplyAsAPage(HANDLE sheet, LONG_PTR(CALLBACK* comPropSheet)(HANDLE, UINT, LPARAM, LPARAM), void* answer) {
  *static_cast<LONG_PTR*>(answer) = comPropSheet(sheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
}

TEST_F(PropertySheetsTest, AnAppliedSheetCopiesTheDevmodeOutAndReportsItsResult) {
  LONG_PTR answer = 0;
  PlatformTest_SetPropertySheetScript(1, 1, ApplyAsAPage, &answer);
  std::vector<BYTE> out(vm4k2::kUiDevmodeSize, 0x5C);
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT | DM_OUT_BUFFER, reinterpret_cast<PDEVMODEW>(out.data()),
                                                 static_cast<DWORD>(out.size()));
  Outcome outcome = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(answer, 1) << "one sheet function was told";
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_EQ(outcome.sheetResult, static_cast<DWORD>(CPSUI_OK));
  // The host's SET_RESULT applies without telling the host again; the release of the changed
  // sheet's first page applies once more and does tell it, before the sheet is destroyed.
  EXPECT_NE(outcome.record.find("CREATE 0 -> 1\n"
                                "SET_RESULT page=sheet result=1 -> 1\n"
                                "CLOSE OK\n"
                                "SET_RESULT page=sheet result=1 -> 1\n"
                                "RELEASE 0 -> 1\n"
                                "DESTROY 1 -> 1\n"),
            std::string::npos)
      << outcome.record;
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
  EXPECT_EQ(dm->dmSize, 220);
  EXPECT_EQ(dm->dmDriverExtra, vm4k2::kPrivateDevmodeSize);
  uint32_t signature = 0;
  std::memcpy(&signature, out.data() + 220, sizeof(signature));
  EXPECT_EQ(signature, vm4k2::kPrivateSignature);
}

TEST_F(PropertySheetsTest, AnAppliedSheetNeverWritesPastTheCallersBuffer) {
  LONG_PTR answer = 0;
  PlatformTest_SetPropertySheetScript(1, 1, ApplyAsAPage, &answer);
  std::vector<BYTE> out(220, 0x5C);
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT | DM_OUT_BUFFER, reinterpret_cast<PDEVMODEW>(out.data()),
                                                 static_cast<DWORD>(out.size()));
  Outcome outcome = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_EQ(out, std::vector<BYTE>(220, 0x5C)) << "5080 bytes do not fit in 220";
  EXPECT_EQ(outcome.record.find("SET_RESULT page=sheet result=1 -> 1\nCLOSE OK\nSET_RESULT"), std::string::npos)
      << "nothing was copied, so the release reports no result: " << outcome.record;
}

TEST_F(PropertySheetsTest, TheDeviceSheetHasOnePage) {
  LONG_PTR answer = 0;
  PlatformTest_SetPropertySheetScript(1, 1, ApplyAsAPage, &answer);
  DEVICEPROPERTYHEADER header{sizeof(DEVICEPROPERTYHEADER), 0, printer_, const_cast<LPWSTR>(kPrinter)};
  Outcome outcome = Run(deviceSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_EQ(outcome.sheetResult, static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(outcome.record,
            "ADD_PAGE 0 size=104 flags=0x000000ac template=651 title=Device Settings callback=yes\n"
            "INIT -> 1\n"
            "GET_INFO_HEADER -> 1 flags=0x4 title=Velmor K8000 Series PCL6 hInst=yes icon=64082\n"
            "GET_ICON -> -1\n"
            "CREATE 0 -> 1\n"
            "SET_RESULT page=sheet result=1 -> 1\n"
            "CLOSE OK\n"
            "RELEASE 0 -> 1\n"
            "DESTROY 1 -> 1\n")
      << "the device sheet copies nothing out and tells the host nothing more";
}

TEST_F(PropertySheetsTest, ASheetWithoutItsSatelliteFailsAndLeavesNothing) {
  PlatformTest_SetModuleAbsent("vm4k2enus.dll", TRUE, FALSE);
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT);
  Outcome document = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(document.result, CPSUI_CANCEL);
  EXPECT_EQ(document.record, "INIT -> -1\nDESTROY 0 -> 1\n") << "DESTROY without a context is harmless";

  DEVICEPROPERTYHEADER device{sizeof(DEVICEPROPERTYHEADER), 0, printer_, const_cast<LPWSTR>(kPrinter)};
  Outcome deviceOutcome = Run(deviceSheets_, reinterpret_cast<LPARAM>(&device));
  EXPECT_EQ(deviceOutcome.result, CPSUI_CANCEL);
  EXPECT_EQ(deviceOutcome.record, "INIT -> -1\nDESTROY 0 -> 1\n");
  PlatformTest_SetModuleAbsent("vm4k2enus.dll", FALSE, FALSE);
}

TEST_F(PropertySheetsTest, TheLanguageValueChoosesThePagesSatellite) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::u16string arabic = u"Arabic";
  ASSERT_EQ(RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(arabic.c_str()),
                           static_cast<DWORD>((arabic.size() + 1) * 2)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT);
  Outcome outcome = Run(documentSheets_, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(outcome.result, CPSUI_OK);
  EXPECT_NE(outcome.record.find("template=111 title=\u0623\u0633\u0627\u0633\u064A callback=yes"), std::string::npos)
      << outcome.record;
  EXPECT_NE(outcome.record.find("template=645 title=\u0627\u0644\u0639\u0644\u0627\u0645\u0629 "
                                "\u0627\u0644\u0645\u0627\u0626\u064A\u0629 callback=no"),
            std::string::npos)
      << outcome.record;
}

TEST_F(PropertySheetsTest, EntryPointRefusals) {
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof(info);
  struct Case {
    const char* what;
    SheetsFn sheets;
    WORD reason;
    LPARAM lParamInit;
  } cases[] = {
      {"document sheets without their header", documentSheets_, PROPSHEETUI_REASON_INIT, 0},
      {"device sheet without its header", deviceSheets_, PROPSHEETUI_REASON_INIT, 0},
  };
  for (const Case& c : cases) {
    info.Reason = c.reason;
    info.lParamInit = c.lParamInit;
    EXPECT_EQ(c.sheets(&info, 0), -1) << c.what;
  }
  EXPECT_EQ(deviceSheets_(nullptr, 0), -1);

  DOCUMENTPROPERTYHEADER header = DocumentHeader(DM_IN_PROMPT);
  info.lParamInit = reinterpret_cast<LPARAM>(&header);
  for (WORD reason : {WORD{PROPSHEETUI_REASON_GET_ICON}, WORD{PROPSHEETUI_REASON_BEFORE_INIT}, WORD{77}}) {
    info.Reason = reason;
    EXPECT_EQ(documentSheets_(&info, 0), -1) << reason;
    EXPECT_EQ(deviceSheets_(&info, 0), -1) << reason;
  }
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  EXPECT_EQ(documentSheets_(&info, 0), -1) << "no header to fill";
  info.Reason = PROPSHEETUI_REASON_SET_RESULT;
  EXPECT_EQ(documentSheets_(&info, 0), -1) << "no result record";
  info.Reason = PROPSHEETUI_REASON_DESTROY;
  EXPECT_EQ(documentSheets_(&info, 0), 1) << "nothing to free";
}

}  // namespace
