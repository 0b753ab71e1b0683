#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

#include "StatusMonitor/status_reaction.h"
#include "engine_fixture.h"

namespace {

using namespace statustest;
using vm4k2sm::StatusChangeNote;

struct RecordingHost : vm4k2sm::StatusReactionHost {
  void SetTrayIcon(UINT iconId) override { icons.push_back(iconId); }
  std::vector<UINT> icons;
};

StatusChangeNote* Note(const std::u16string& printer, BYTE status, BYTE valueCode) {
  StatusChangeNote* note = new StatusChangeNote();
  printer.copy(note->name, printer.size());
  note->previousStatus = status;
  note->previousValueCode = valueCode;
  return note;
}

// A display window of this process, as the monitor finds a running display.
HWND MakeDisplayWindow(const std::u16string& title) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.lpszClassName = vm4k2::kStatusDisplayClass;
    RegisterClassW(&cls);
    registered = true;
  }
  return CreateWindowExW(0, vm4k2::kStatusDisplayClass, title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
}

// "close 0", "refresh 1" ..., or "" for no post.
std::string TakePost(HWND display) {
  MSG msg;
  std::string out;
  while (PeekMessageW(&msg, display, vm4k2::WM_STATUSDISPLAY_CLOSE, vm4k2::WM_STATUSDISPLAY_REFRESH, PM_REMOVE)) {
    if (!out.empty()) out += ", ";
    out += (msg.message == vm4k2::WM_STATUSDISPLAY_CLOSE ? "close " : "refresh ") + std::to_string(msg.wParam);
  }
  return out;
}

struct ReactionCase {
  const char* what;
  BYTE previousStatus, previousValueCode;
  int status, valueCode;
  bool display;
  const char16_t* owner;
  int tonerLow;
  int tonerChange;
  int showAgain;
  LPARAM lParam;
  const char* post;    // with a display
  bool opens;          // without one
  bool attention;
};

const ReactionCase kCases[] = {
    {"printing ended", 128, 132, 128, 131, true, u"THISPC", 0, 0, 0, 0, "close 0", false, false},
    {"processing ended", 128, 136, 128, 131, true, u"THISPC", 0, 0, 0, 0, "close 0", false, false},
    {"jam cleared, asleep", 16, 3, 128, 133, true, u"THISPC", 0, 0, 0, 0, "close 0", false, false},
    {"jam cleared, paused", 16, 3, 128, 129, true, u"THISPC", 0, 0, 0, 0, "refresh 0", false, false},
    {"jam cleared, cancelled", 16, 3, 128, 134, true, u"THISPC", 0, 0, 0, 0, "refresh 0", false, false},
    {"new jam", 128, 132, 16, 3, true, u"THISPC", 0, 0, 0, 0, "refresh 0", false, true},
    {"same jam, toner changed", 16, 3, 16, 3, true, u"THISPC", 0, 1, 0, 0, "refresh 1", false, false},
    {"same jam", 16, 3, 16, 3, true, u"THISPC", 0, 0, 0, 0, "", false, false},
    {"own job jams", 128, 132, 16, 3, false, u"THISPC", 0, 0, 0, 0, "", true, true},
    {"other's job jams", 128, 132, 16, 3, false, u"OTHERPC", 0, 0, 0, 0, "", false, true},
    {"owner named in other case", 128, 132, 16, 3, false, u"thispc", 0, 0, 0, 0, "", false, true},
    {"closed by the user, same jam", 16, 3, 16, 3, false, u"THISPC", 0, 0, 1, 0, "", false, false},
    {"closed by the user, new jam", 8, 1, 16, 3, false, u"THISPC", 0, 0, 1, 0, "", true, true},
    {"unreachable with jobs", 128, 133, 126, 0, false, u"", 0, 0, 0, 1, "", true, false},
    {"paused with jobs", 128, 133, 128, 129, false, u"", 0, 0, 0, 1, "", true, false},
    {"unreachable without jobs", 128, 133, 126, 0, false, u"", 0, 0, 0, 0, "", false, false},
    {"toner low while printing own job", 128, 131, 128, 132, false, u"THISPC", 1, 1, 0, 0, "", true, false},
    {"toner low while printing another's", 128, 131, 128, 132, false, u"OTHERPC", 1, 1, 0, 0, "", false, false},
    {"own job prints", 128, 131, 128, 132, false, u"THISPC", 0, 0, 0, 0, "", false, false},
};

TEST(StatusReaction, ClosesRefreshesOrOpensTheDisplayForTheChangeItNames) {
  EngineMachine machine;
  machine.InstallDisplay("Elsewhere - Printer Status", 600000);  // never a window that could be found
  RecordingHost host;
  vm4k2sm::StatusReaction reaction(host, machine.file(), u"THISPC", machine.resources());
  int index = 0;
  size_t startsBefore = 0;
  for (const ReactionCase& c : kCases) {
    const std::u16string printer = u"Printer " + std::u16string(1, static_cast<char16_t>(u'A' + index++));
    const std::string status = std::to_string(c.status), valueCode = std::to_string(c.valueCode);
    machine.Set(printer, u"Status", std::u16string(status.begin(), status.end()));
    machine.Set(printer, u"ValueCode", std::u16string(valueCode.begin(), valueCode.end()));
    machine.Set(printer, u"TonerLow", c.tonerLow ? u"1" : u"0");
    machine.Set(printer, u"TonerStatusChange", c.tonerChange ? u"1" : u"0");
    machine.Set(printer, u"ShowDlgAgain", c.showAgain ? u"1" : u"0");
    machine.Set(printer, u"JobOwner", c.owner);
    HWND display = c.display ? MakeDisplayWindow(printer + u" - Printer Status") : nullptr;
    host.icons.clear();
    PlatformTest_ClearDebugOutput(FALSE);

    reaction.OnPrinterStatus(Note(printer, c.previousStatus, c.previousValueCode), c.lParam);

    if (display) {
      EXPECT_EQ(TakePost(display), c.post) << c.what;
      DestroyWindow(display);
    }
    const std::vector<std::string> starts = EngineMachine::CallLogEvents("shell");
    const size_t started = starts.size() - startsBefore;
    startsBefore = starts.size();
    EXPECT_EQ(started, c.opens ? 1u : 0u) << c.what;
    if (started == 1) {
      EXPECT_NE(starts.back().find("\"target\":\"C:\\\\Program Files\\\\Velmor\\\\vm4k2sd.exe\""), std::string::npos)
          << starts.back();
      EXPECT_NE(starts.back().find("\"parameters\":\"" + Narrow(printer) + "\""), std::string::npos) << starts.back();
      EXPECT_NE(starts.back().find("\"directory\":\"\""), std::string::npos) << starts.back();
      EXPECT_NE(starts.back().find("\"show\":1"), std::string::npos) << starts.back();
      EXPECT_EQ(machine.Key(printer, u"RunMode"), u"0") << c.what;
    } else {
      EXPECT_EQ(machine.Key(printer, u"RunMode"), u"") << c.what;
    }
    const bool changed = c.status != c.previousStatus || c.valueCode != c.previousValueCode;
    EXPECT_EQ(machine.Key(printer, u"ShowDlgAgain"), changed ? u"0" : (c.showAgain ? u"1" : u"0")) << c.what;
    EXPECT_EQ(host.icons, c.attention ? std::vector<UINT>{155} : std::vector<UINT>{}) << c.what;
    const bool traced = PlatformTest_DebugOutput().find("bJobOwner is true") != std::string::npos;
    EXPECT_EQ(traced, !c.display && std::u16string(c.owner) == u"THISPC") << c.what;
  }
}

TEST(StatusReaction, StartsOneDisplayAtATimeAndPausesAfterOneThatShowedNoWindow) {
  EngineMachine machine;
  machine.InstallDisplay("Office - Printer Status", 600000);  // makes no window while the test runs
  PlatformTest_UseManualClock(1000000);
  RecordingHost host;
  vm4k2sm::StatusReaction reaction(host, machine.file(), u"THISPC", machine.resources());
  machine.Set(u"Office", u"Status", u"16");
  machine.Set(u"Office", u"ValueCode", u"3");
  machine.Set(u"Office", u"JobOwner", u"THISPC");
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);
  ASSERT_TRUE(machine.AwaitDisplays("cmdline Office"));
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);  // the first still runs
  EXPECT_EQ(EngineMachine::CallLogEvents("shell").size(), 1u);

  machine.EndDisplays();  // it ended without a window
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);
  EXPECT_EQ(EngineMachine::CallLogEvents("shell").size(), 1u);
  PlatformTest_AdvanceClock(vm4k2sm::kWindowlessDisplayPauseMs);
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);
  EXPECT_EQ(EngineMachine::CallLogEvents("shell").size(), 2u);
  ASSERT_TRUE(machine.AwaitDisplays("cmdline Office", 2));
  PlatformTest_UseRealClock();
}

TEST(StatusReaction, ADisplayThatShowedItsWindowMayBeStartedAgainAtOnce) {
  EngineMachine machine;
  machine.InstallDisplay("Office - Printer Status");
  RecordingHost host;
  vm4k2sm::StatusReaction reaction(host, machine.file(), u"THISPC", machine.resources());
  machine.Set(u"Office", u"Status", u"16");
  machine.Set(u"Office", u"ValueCode", u"3");
  machine.Set(u"Office", u"JobOwner", u"THISPC");
  reaction.OnPrinterStatus(Note(u"Office", 128, 132), 0);
  ASSERT_TRUE(machine.AwaitDisplays("shown"));
  for (int i = 0; i < 500 && !reaction.FindStatusDisplay(u"Office"); ++i) Sleep(10);
  ASSERT_NE(reaction.FindStatusDisplay(u"Office"), nullptr);
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);  // it is open: nothing to do but look
  machine.EndDisplays();
  for (int i = 0; i < 500 && reaction.FindStatusDisplay(u"Office"); ++i) Sleep(10);
  reaction.OnPrinterStatus(Note(u"Office", 16, 3), 0);
  EXPECT_EQ(EngineMachine::CallLogEvents("shell").size(), 2u);
}

}  // namespace
