// Injected input and window animations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/process.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

using desktoptest::Journal;
using desktoptest::Seen;
using testsupport::kErrorMarker;

namespace {

const HCURSOR kHandCursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x7F89));

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    desktoptest::RegisterRecordingClass(u"Recorder");
    WNDCLASSW pointing{};
    pointing.lpfnWndProc = desktoptest::RecordingProc;
    pointing.lpszClassName = u"Pointing";
    pointing.hCursor = kHandCursor;
    RegisterClassW(&pointing);
    Journal::Get().Take();
    Journal::Get().answer = nullptr;
    // A visible top-level window at (100, 100)-(500, 400) of the screen.
    top_ = CreateWindowExW(0, u"Recorder", u"Top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(top_, nullptr);
  }
  void TearDown() override {
    Journal::Get().answer = nullptr;
    if (IsWindow(top_)) DestroyWindow(top_);
    PlatformTest_UseRealClock();
  }
  HWND Child(const WCHAR* cls, int x, int y, int cx, int cy, int id) {
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE, x, y, cx, cy, top_,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
  // The journal's messages of these numbers, with their windows.
  static std::vector<Seen> Only(const std::vector<Seen>& seen, std::initializer_list<UINT> wanted) {
    std::vector<Seen> out;
    for (const Seen& s : seen)
      for (UINT w : wanted)
        if (s.message == w) out.push_back(s);
    return out;
  }
  testsupport::TempMachine machine_;
  HWND top_ = nullptr;
};

TEST_F(Input, TheMouseHitTestsSetsTheCursorFirstAndQueuesForPreTranslation) {
  // An overlay created first lies above the button and lets the mouse through.
  HWND overlay = Child(u"Recorder", 0, 0, 200, 100, 1);
  HWND button = Child(u"Pointing", 10, 10, 100, 50, 2);
  Journal::Get().answer = [overlay](HWND hwnd, UINT message, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = hwnd == overlay && message == WM_NCHITTEST;
    return HTTRANSPARENT;
  };
  Journal::Get().Take();
  EXPECT_EQ(PlatformTest_MouseInput(130, 125, WM_LBUTTONDOWN), button);
  std::vector<Seen> sent = Only(Journal::Get().Take(), {WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN});
  // The default procedure asks the parent about the cursor before it sets the class's.
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].hwnd, overlay);
  EXPECT_EQ(sent[0].message, static_cast<UINT>(WM_NCHITTEST));
  EXPECT_EQ(sent[0].lParam, (125 << 16) | 130);
  EXPECT_EQ(sent[1].hwnd, button);
  EXPECT_EQ(sent[2].hwnd, button);
  EXPECT_EQ(sent[2].message, static_cast<UINT>(WM_SETCURSOR));
  EXPECT_EQ(sent[2].wParam, reinterpret_cast<WPARAM>(button));
  EXPECT_EQ(sent[2].lParam, (WM_LBUTTONDOWN << 16) | HTCLIENT);
  EXPECT_EQ(sent[3].hwnd, top_);
  EXPECT_EQ(GetCursor(), kHandCursor);  // the class's cursor, set by the default procedure

  // The click is queued: GetMessage hands it out, with client coordinates and the point.
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, button);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(msg.lParam, (15 << 16) | 20);
  EXPECT_EQ(msg.pt.x, 130);
  EXPECT_EQ(msg.pt.y, 125);
  POINT at{};
  ASSERT_TRUE(GetCursorPos(&at));
  EXPECT_EQ(at.x, 130);
  EXPECT_EQ(at.y, 125);

  // Outside the children the window answers for itself; a caption hit gives non-client input.
  Journal::Get().answer = [this](HWND hwnd, UINT message, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = hwnd == top_ && message == WM_NCHITTEST;
    return HTCAPTION;
  };
  EXPECT_EQ(PlatformTest_MouseInput(400, 300, WM_LBUTTONUP), top_);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_NCLBUTTONUP));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(msg.lParam, (300 << 16) | 400);

  EXPECT_EQ(WindowFromPoint(POINT{400, 300}), top_);
  EXPECT_EQ(WindowFromPoint(POINT{150, 130}), overlay);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
  EXPECT_EQ(PlatformTest_MouseInput(5, 5, WM_MOUSEMOVE), nullptr);
}

TEST_F(Input, HoverFallsDueOnTheClockAndLeaveComesWhenThePointerGoes) {
  PlatformTest_UseManualClock(1000);
  ASSERT_EQ(PlatformTest_MouseInput(200, 200, WM_MOUSEMOVE), top_);
  desktoptest::PumpWaiting();
  TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, top_, 500};
  ASSERT_TRUE(TrackMouseEvent(&track));
  MSG msg;
  PlatformTest_AdvanceClock(499);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_MOUSEHOVER, WM_MOUSEHOVER, PM_REMOVE));
  PlatformTest_AdvanceClock(1);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_MOUSEHOVER, WM_MOUSEHOVER, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, top_);
  EXPECT_EQ(msg.lParam, (100 << 16) | 100);
  PlatformTest_AdvanceClock(5000);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_MOUSEHOVER, WM_MOUSEHOVER, PM_REMOVE));  // one per request

  EXPECT_EQ(PlatformTest_MouseInput(1500, 900, WM_MOUSEMOVE), nullptr);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSELEAVE));
  EXPECT_EQ(msg.hwnd, top_);
  // Asked for while the pointer is elsewhere, the leave comes at once.
  track.dwFlags = TME_LEAVE;
  ASSERT_TRUE(TrackMouseEvent(&track));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSELEAVE));
  track.cbSize = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(TrackMouseEvent(&track));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Input, KeysReachTheFocusWindowWithThePlatformsLayoutAndAltF4Closes) {
  HWND edit = Child(u"Recorder", 10, 10, 100, 20, 3);
  SetForegroundWindow(top_);
  SetFocus(edit);
  ASSERT_TRUE(PlatformTest_KeyInput('A', TRUE));
  ASSERT_TRUE(PlatformTest_KeyInput('A', FALSE));
  ASSERT_TRUE(PlatformTest_TypeText(u"\u00e9"));
  std::vector<MSG> keys;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP) keys.push_back(msg);
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[0].hwnd, edit);
  EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(keys[0].lParam, 0x001E0001);
  EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_CHAR));  // from TranslateMessage
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(keys[2].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(static_cast<DWORD>(keys[2].lParam), 0xC01E0001u);
  EXPECT_EQ(keys[3].wParam, static_cast<WPARAM>(VK_PACKET));
  EXPECT_EQ(keys[4].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(keys[4].wParam, static_cast<WPARAM>(0xE9));
  EXPECT_EQ(keys[5].message, static_cast<UINT>(WM_KEYUP));

  Journal::Get().Take();
  ASSERT_TRUE(PlatformTest_KeyInput(VK_MENU, TRUE));
  ASSERT_TRUE(PlatformTest_KeyInput(VK_F4, TRUE));
  ASSERT_TRUE(PlatformTest_KeyInput(VK_F4, FALSE));
  ASSERT_TRUE(PlatformTest_KeyInput(VK_MENU, FALSE));
  EXPECT_EQ(GetKeyState(VK_MENU), 0);
  keys.clear();
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP) keys.push_back(msg);
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ASSERT_GE(keys.size(), 2u);
  EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(keys[0].lParam, 0x20380001);
  EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(VK_F4));
  EXPECT_EQ(keys[1].lParam, 0x203E0001);
  EXPECT_EQ(keys[1].hwnd, edit);
  // The key reached the focus window; its top-level window got SC_CLOSE, then WM_CLOSE.
  std::vector<Seen> closing = Only(Journal::Get().Take(), {WM_SYSCOMMAND, WM_CLOSE});
  ASSERT_EQ(closing.size(), 2u);
  EXPECT_EQ(closing[0].hwnd, top_);
  EXPECT_EQ(closing[0].wParam, static_cast<WPARAM>(SC_CLOSE));
  EXPECT_EQ(closing[1].message, static_cast<UINT>(WM_CLOSE));
  EXPECT_FALSE(IsWindow(top_));
}

TEST_F(Input, AnimationsShowAndHideAndTakeTheirTimeOnTheClock) {
  HWND popup = CreateWindowExW(0, u"Recorder", u"Popup", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  PlatformTest_UseManualClock(0);
  EXPECT_TRUE(AnimateWindow(popup, 200, AW_BLEND));
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetTickCount64(), 200u);
  EXPECT_FALSE(AnimateWindow(popup, 200, AW_BLEND));  // already shown
  EXPECT_TRUE(AnimateWindow(popup, 300, AW_HIDE | AW_SLIDE | AW_VER_NEGATIVE));
  EXPECT_FALSE(IsWindowVisible(popup));
  EXPECT_EQ(GetTickCount64(), 500u);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(AnimateWindow(popup, 200, AW_BLEND | AW_CENTER));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ANIMATIONINFO info{sizeof info, 0};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETANIMATION, sizeof info, &info, 0));
  EXPECT_EQ(info.iMinAnimate, 1);
  RECT from{0, 0, 50, 50}, to{1800, 1040, 1820, 1060};
  EXPECT_TRUE(DrawAnimatedRects(popup, IDANI_CAPTION, &from, &to));
  EXPECT_GT(GetTickCount64(), 500u);
  std::string log(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
  log.resize(PlatformTest_ReadCallLog(log.data(), log.size()));
  EXPECT_NE(log.find("\"event\":\"animate\",\"hwnd\":" + std::to_string(reinterpret_cast<uintptr_t>(popup)) +
                     ",\"time\":200,\"flags\":524288"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"event\":\"animated-rects\",\"hwnd\":" + std::to_string(reinterpret_cast<uintptr_t>(popup)) +
                     ",\"ani\":3,\"from\":[0,0,50,50],\"to\":[1800,1040,1820,1060]"),
            std::string::npos)
      << log;
  DestroyWindow(popup);
}

}  // namespace
