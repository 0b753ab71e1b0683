// The dialog manager on the fixture templates: geometry in dialog units, item classes and
// styles, the font before WM_INITDIALOG, the modal loop with Enter and Escape, DefDlgProcW's
// own messages, registered copies of the dialog class (found from another process too) and
// right-to-left dialogs.
#include <algorithm>
#include <fstream>
#include <sstream>

#include <win/gdi_objects.h>
#include <win/process.h>
#include <win/system.h>

#include "dialog_test_util.h"

using dialogtest::DialogTest;
using dialogtest::Recorder;

namespace {

struct ModalCheck {
  std::function<void(HWND)> body;
};

void RunBody(HWND dialog, void* context) { static_cast<ModalCheck*>(context)->body(dialog); }

TEST_F(DialogTest, AModalDialogHasTheTemplatesItemsAndGeometryAndEndsWithEnter) {
  ModalCheck check;
  HWND seenDialog = nullptr;
  check.body = [&](HWND dialog) {
    seenDialog = dialog;
    EXPECT_TRUE(IsWindowVisible(dialog));  // shown at the loop's first idle
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 585);
    EXPECT_EQ(client.bottom, 390);
    EXPECT_EQ(Text(dialog), u"Fixture");
    EXPECT_EQ(Class(dialog), u"#32770");
    struct Item {
      int id;
      const char16_t* cls;
      const char16_t* text;
      DWORD type;
    };
    const Item items[] = {{1, u"Button", u"OK", BS_DEFPUSHBUTTON},  {2, u"Button", u"Cancel", BS_PUSHBUTTON},
                          {1000, u"Static", u"Name:", SS_LEFT},     {1001, u"Edit", u"", ES_LEFT},
                          {1002, u"Button", u"Check", BS_CHECKBOX}, {1007, u"Button", u"Drawn", BS_OWNERDRAW}};
    for (const Item& item : items) {
      HWND control = GetDlgItem(dialog, item.id);
      ASSERT_NE(control, nullptr) << item.id;
      EXPECT_EQ(Class(control), item.cls) << item.id;
      EXPECT_EQ(Text(control), item.text) << item.id;
      DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
      EXPECT_EQ(style & 0xF, item.type) << item.id;
      EXPECT_TRUE(style & WS_CHILD);
    }
    // The OK button: x 270, y 218, 50 x 14 units at 6 x 13 pixels per 4 x 8 units.
    RECT ok = Rect(GetDlgItem(dialog, IDOK)), dlg = Rect(dialog);
    EXPECT_EQ(ok.left - dlg.left, 405);
    EXPECT_EQ(ok.top - dlg.top, 354);
    EXPECT_EQ(ok.right - ok.left, 75);
    EXPECT_EQ(ok.bottom - ok.top, 23);
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);
    PlatformTest_Key(GetDlgItem(dialog, 1001), VK_RETURN);
  };
  PlatformTest_SetDialogAction(u"#100", RunBody, &check);
  Recorder::Get().answer = [](HWND dialog, UINT message, WPARAM, LPARAM, bool&) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      // Every control has the dialog's font before WM_INITDIALOG.
      HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
      EXPECT_NE(font, nullptr);
      for (int id : {1, 2, 1000, 1001, 1002})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0)), font) << id;
    }
    return 0;
  };
  INT_PTR result = DialogBoxParamW(module_, MAKEINTRESOURCEW(100), nullptr, dialogtest::RecordingDialogProc, 77);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(IsWindow(seenDialog));
  const auto& seen = Recorder::Get().seen;
  size_t setFont = seen.size(), init = seen.size();
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i].message == WM_SETFONT && setFont == seen.size()) setFont = i;
    if (seen[i].message == WM_INITDIALOG) {
      init = i;
      EXPECT_EQ(seen[i].lParam, 77);
    }
  }
  EXPECT_LT(setFont, init);
  ASSERT_LT(init, seen.size());
}

TEST_F(DialogTest, EscapeCancelsAndTheOwnerIsDisabledMeanwhileAndThreadMessagesAreLost) {
  HWND owner = Modeless(102);
  ASSERT_NE(owner, nullptr);
  ModalCheck check;
  check.body = [&](HWND dialog) {
    EXPECT_FALSE(IsWindowEnabled(owner));
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    PlatformTest_Key(GetDlgItem(dialog, 1001), VK_ESCAPE);
  };
  PlatformTest_SetDialogAction(u"Fixture", RunBody, &check);
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(100), owner, dialogtest::RecordingDialogProc, 0), IDCANCEL);
  EXPECT_TRUE(IsWindowEnabled(owner));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));
  DestroyWindow(owner);
}

TEST_F(DialogTest, AnUnscriptedModalDialogIsCancelledAtItsFirstIdle) {
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(100), nullptr, dialogtest::RecordingDialogProc, 0), IDCANCEL);
  // A template that is not there fails the call.
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(999), nullptr, dialogtest::RecordingDialogProc, 0), -1);
}

TEST_F(DialogTest, WmCloseBecomesTheCancelButtonsClick) {
  HWND dialog = Modeless(100);
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dialog));  // DefWindowProcW's destruction does not happen
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (!IsDialogMessageW(dialog, &msg)) DispatchMessageW(&msg);
  auto commands = Recorder::Get().Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), std::make_pair(IDCANCEL, static_cast<int>(BN_CLICKED)));
  DestroyWindow(dialog);
}

TEST_F(DialogTest, DefDlgProcActsOnSetDefIdAndReposition) {
  HWND dialog = Modeless(103);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  // WM_USER + 1 is DM_SETDEFID to a dialog: the default moves to the Cancel button.
  SendMessageW(dialog, WM_USER + 1, IDCANCEL, 0);
  EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDCANCEL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  // WM_USER + 2 is DM_REPOSITION: the off-screen dialog moves into the work area.
  RECT before = Rect(dialog);
  EXPECT_EQ(before.left, 3000);
  SendMessageW(dialog, WM_USER + 2, 0, 0);
  RECT after = Rect(dialog), work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(after.right, work.right);
  EXPECT_EQ(after.bottom, work.bottom);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  DestroyWindow(dialog);
}

TEST_F(DialogTest, TheNotifyAnswerTravelsThroughMsgResultAndInitDialogThroughTheResult) {
  HWND dialog = Modeless(100);
  ASSERT_NE(dialog, nullptr);
  Recorder::Get().answer = [](HWND dlg, UINT message, WPARAM, LPARAM, bool& handled) -> INT_PTR {
    if (message != WM_NOTIFY) return 0;
    SetWindowLongPtrW(dlg, DWLP_MSGRESULT, 1234);
    handled = true;
    return TRUE;
  };
  NMHDR header{dialog, 5, 0u - 200u};
  EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 1234);
  SetWindowLongPtrW(dialog, DWLP_USER, 99);
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), 99);
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_DLGPROC),
            reinterpret_cast<LONG_PTR>(&dialogtest::RecordingDialogProc));
  DestroyWindow(dialog);
}

TEST_F(DialogTest, AnItemOfAnUnknownClassFailsTheDialog) {
  SetLastError(0);
  EXPECT_EQ(Modeless(104), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_EQ(FindWindowW(nullptr, u"Unknown class"), nullptr);
}

TEST_F(DialogTest, BaseUnitsAreLinearInTheFontSize) {
  HWND dialog = Modeless(105);
  ASSERT_NE(dialog, nullptr);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 225);  // 100 units at 9 pixels per 4
  EXPECT_EQ(client.bottom, 122);  // 50 units at 19.5 pixels per 8
  DestroyWindow(dialog);
}

TEST_F(DialogTest, ARegisteredCopyOfTheDialogClassNamesTheWindow) {
  WNDCLASSW cls{};
  ASSERT_TRUE(GetClassInfoW(nullptr, u"#32770", &cls));
  EXPECT_EQ(cls.cbWndExtra, DLGWINDOWEXTRA);
  WNDCLASSW byAtom{};
  ASSERT_TRUE(GetClassInfoW(nullptr, MAKEINTRESOURCEW(32770), &byAtom));
  cls.lpszClassName = u"VelmorFixtureClass";
  ASSERT_NE(RegisterClassW(&cls), 0);
  HWND dialog = Modeless(101);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Class(dialog), u"VelmorFixtureClass");
  EXPECT_EQ(FindWindowW(u"VelmorFixtureClass", nullptr), dialog);
  EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  DestroyWindow(dialog);
  EXPECT_TRUE(UnregisterClassW(u"VelmorFixtureClass", nullptr));
}

TEST_F(DialogTest, AnotherProcessFindsTheDialogByItsClassCopy) {
  // peer.exe registers its own copy of "#32770" and runs the CLASS template modally.
  std::filesystem::path peer = machine_.Host("drives/C/Windows/System32/peer.exe");
  std::filesystem::create_directories(peer.parent_path());
  std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer", peer,
                             std::filesystem::copy_options::overwrite_existing);
  std::u16string command =
      u"C:\\Windows\\System32\\peer.exe --class VelmorFixtureClass --dialog C:\\Fixtures\\dialog_fixtures.dll 101";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
  // The dialog's title exists before its WM_INITDIALOG has run, on the platform too: the peer
  // is asked only once its dialog procedure has logged "ready" from WM_INITDIALOG.
  const std::string logFile = machine_.Host("drives/C/peer/" + std::to_string(started.dwProcessId) + ".log");
  auto peerLog = [&] {
    std::ifstream in(logFile);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  bool ready = false;
  for (int i = 0; i < 3000 && !ready; ++i) {
    ready = peerLog().find("ready\n") != std::string::npos;
    if (!ready && WaitForSingleObject(started.hProcess, 10) == WAIT_OBJECT_0) break;
  }
  ASSERT_TRUE(ready) << "the peer's dialog never logged \"ready\" from its WM_INITDIALOG; its log:\n" << peerLog();
  HWND found = FindWindowW(u"VelmorFixtureClass", u"Own class");
  ASSERT_NE(found, nullptr);
  DWORD owner = 0;
  GetWindowThreadProcessId(found, &owner);
  EXPECT_EQ(owner, started.dwProcessId);
  EXPECT_EQ(Class(found), u"VelmorFixtureClass");
  EXPECT_EQ(Text(found), u"Own class");
  EXPECT_EQ(FindWindowW(u"VelmorFixtureClass", nullptr), found);
  WNDCLASSW here{};
  EXPECT_FALSE(GetClassInfoW(nullptr, u"VelmorFixtureClass", &here)) << "the copy is the other program's";
  // Its default dialog procedure answers from the other process: the user's close is Cancel.
  EXPECT_EQ(SendMessageW(found, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  PostMessageW(found, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(started.hProcess, 60000), WAIT_OBJECT_0) << "the peer did not end after WM_CLOSE";
  const std::string log = peerLog();
  EXPECT_NE(log.find("class registered\nready\n"), std::string::npos) << log;
  EXPECT_NE(log.find("dialog 2\n"), std::string::npos) << log;
  EXPECT_EQ(FindWindowW(u"VelmorFixtureClass", nullptr), nullptr);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
}

TEST_F(DialogTest, ARightToLeftDialogPlacesItsItemsFromTheRightEdge) {
  HWND dialog = Modeless(102);
  ASSERT_NE(dialog, nullptr);
  HWND first = GetDlgItem(dialog, 1);
  RECT item = Rect(first), dlg = Rect(dialog);
  // 200 units wide: the item's 10-unit margin is kept from the right edge.
  EXPECT_EQ(dlg.right - item.right, 15);
  EXPECT_EQ(item.right - item.left, 75);
  EXPECT_TRUE(GetWindowLongW(first, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  DestroyWindow(dialog);
}

TEST_F(DialogTest, TabMovesTheFocusAndF1AsksForHelpWithTheControlsId) {
  HWND dialog = Modeless(100);
  ASSERT_NE(dialog, nullptr);
  HWND edit = GetDlgItem(dialog, 1001);
  SetFocus(edit);
  PlatformTest_Key(edit, VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 1002));
  HELPINFO got{};
  Recorder::Get().answer = [&got](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_HELP) return 0;
    got = *reinterpret_cast<HELPINFO*>(lParam);
    handled = true;
    return TRUE;
  };
  PlatformTest_Key(GetFocus(), VK_F1);
  EXPECT_EQ(got.cbSize, sizeof(HELPINFO));
  EXPECT_EQ(got.iContextType, HELPINFO_WINDOW);
  EXPECT_EQ(got.iCtrlId, 1002);
  EXPECT_EQ(got.hItemHandle, GetDlgItem(dialog, 1002));
  DestroyWindow(dialog);
}

}  // namespace
