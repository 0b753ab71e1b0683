#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <win/process.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_test_util.h"
#include "temp_machine.h"

using desktoptest::Journal;
using testsupport::kErrorMarker;

namespace {

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    desktoptest::RegisterRecordingClass(u"Recorder");
    Journal::Get().Take();
    Journal::Get().answer = nullptr;
  }
  void TearDown() override { Journal::Get().answer = nullptr; }
  HWND Make(const WCHAR* title, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr, int id = 0) {
    return CreateWindowExW(0, u"Recorder", title, style, 10, 20, 300, 200, parent,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
  testsupport::TempMachine machine_;
};

TEST_F(Windows, ClassesRegisterOnceAndAnswerTheirInfo) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = u"Once Only";
  cls.cbClsExtra = 8;
  cls.style = CS_DBLCLKS;
  EXPECT_NE(RegisterClassW(&cls), 0);
  SetLastError(kErrorMarker);
  EXPECT_EQ(RegisterClassW(&cls), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  WNDCLASSW info{};
  ASSERT_TRUE(GetClassInfoW(nullptr, u"ONCE ONLY", &info));
  EXPECT_EQ(info.lpfnWndProc, DefWindowProcW);
  EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetClassInfoW(nullptr, u"Never Registered", &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateWindowExW(0, u"Never Registered", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_TRUE(UnregisterClassW(u"Once Only", nullptr));
}

TEST_F(Windows, CreationSendsNcCreateThenCreateAndMinusOneFailsIt) {
  HWND hwnd = Make(u"Main");
  ASSERT_NE(hwnd, nullptr);
  std::vector<desktoptest::Seen> seen = Journal::Get().Take();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_CREATE));
  WCHAR text[16];
  EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 4);
  EXPECT_EQ(std::u16string(text), u"Main");

  Journal::Get().answer = [](HWND, UINT message, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = message == WM_CREATE;
    return -1;
  };
  EXPECT_EQ(Make(u"Refused"), nullptr);
  std::vector<UINT> order = Journal::Get().Messages({WM_CREATE, WM_DESTROY, WM_NCDESTROY});
  EXPECT_EQ(order, (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(FindWindowW(u"Recorder", u"Refused"), nullptr);
  DestroyWindow(hwnd);
}

TEST_F(Windows, DestroyReachesTheWindowBeforeItsChildrenAndOwnedWindowsFirst) {
  HWND main = Make(u"Main");
  HWND child = Make(u"Child", WS_CHILD, main, 7);
  HWND popup = Make(u"Popup", WS_POPUP, child);
  ASSERT_TRUE(main && child && popup);
  EXPECT_EQ(GetParent(child), main);
  EXPECT_EQ(GetParent(popup), main);  // the owner is the child's top-level window
  EXPECT_EQ(GetParent(main), nullptr);
  EXPECT_EQ(GetDlgItem(main, 7), child);
  EXPECT_EQ(GetDlgCtrlID(child), 7);
  Journal::Get().Take();
  EXPECT_TRUE(DestroyWindow(main));
  std::vector<std::pair<HWND, UINT>> order;
  for (const desktoptest::Seen& s : Journal::Get().Take())
    if (s.message == WM_DESTROY || s.message == WM_NCDESTROY) order.emplace_back(s.hwnd, s.message);
  std::vector<std::pair<HWND, UINT>> expected{{popup, WM_DESTROY}, {popup, WM_NCDESTROY}, {main, WM_DESTROY},
                                              {child, WM_DESTROY}, {child, WM_NCDESTROY}, {main, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  for (HWND h : {main, child, popup}) EXPECT_FALSE(IsWindow(h));
}

TEST_F(Windows, WindowLongsAnswerThePreviousValueAndKeepTheLastError) {
  HWND hwnd = Make(u"Longs");
  SetLastError(kErrorMarker);
  EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0x1234), 0);
  EXPECT_EQ(GetLastError(), kErrorMarker);  // success leaves the error as it was
  EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0x5678), 0x1234);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0x5678);
  EXPECT_EQ(SetWindowLongPtrW(hwnd, 8, 99), 0);  // the class's 16 extra bytes
  EXPECT_EQ(GetWindowLongPtrW(hwnd, 8), 99);
  SetLastError(kErrorMarker);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, 12), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), desktoptest::RecordingProc);
  DestroyWindow(hwnd);
  for (HWND bad : {static_cast<HWND>(nullptr), hwnd}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetWindowLongPtrW(bad, GWLP_USERDATA), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(kErrorMarker);
    EXPECT_EQ(SetWindowLongPtrW(bad, GWLP_USERDATA, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
}

TEST_F(Windows, PropertiesTextAndParents) {
  HWND hwnd = Make(u"Props");
  EXPECT_TRUE(SetPropW(hwnd, u"Velmor.Slot", reinterpret_cast<HANDLE>(42)));
  EXPECT_EQ(GetPropW(hwnd, u"velmor.slot"), reinterpret_cast<HANDLE>(42));
  EXPECT_EQ(RemovePropW(hwnd, u"Velmor.Slot"), reinterpret_cast<HANDLE>(42));
  EXPECT_EQ(GetPropW(hwnd, u"Velmor.Slot"), nullptr);

  // Enumeration: each property once, an atom-named one as its atom, stopped by a FALSE answer.
  using Seen = std::vector<std::pair<std::u16string, uintptr_t>>;
  auto collect = [](HWND, LPWSTR name, HANDLE data, ULONG_PTR list) -> BOOL {
    std::u16string shown = IS_INTRESOURCE(name) ? u"atom" : std::u16string(name);
    if (IS_INTRESOURCE(name)) data = reinterpret_cast<HANDLE>(reinterpret_cast<uintptr_t>(name) << 8 | reinterpret_cast<uintptr_t>(data));
    auto* seen = reinterpret_cast<Seen*>(list);
    seen->emplace_back(shown, reinterpret_cast<uintptr_t>(data));
    return seen->size() < 3;
  };
  Seen seen;
  EXPECT_EQ(EnumPropsExW(hwnd, collect, reinterpret_cast<LPARAM>(&seen)), -1);  // none yet
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(SetPropW(hwnd, u"First", reinterpret_cast<HANDLE>(1)));
  EXPECT_TRUE(SetPropW(hwnd, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(0xC007)), reinterpret_cast<HANDLE>(2)));
  EXPECT_TRUE(SetPropW(hwnd, u"first", reinterpret_cast<HANDLE>(3)));  // replaces, without case
  EXPECT_EQ(EnumPropsExW(hwnd, collect, reinterpret_cast<LPARAM>(&seen)), TRUE);
  EXPECT_EQ(seen, (Seen{{u"First", 3}, {u"atom", 0xC00702}}));
  EXPECT_TRUE(SetPropW(hwnd, u"Third", nullptr));
  EXPECT_TRUE(SetPropW(hwnd, u"Fourth", nullptr));
  seen.clear();
  EXPECT_EQ(EnumPropsExW(hwnd, collect, reinterpret_cast<LPARAM>(&seen)), FALSE);
  EXPECT_EQ(seen.size(), 3u);  // the third answer stopped it
  for (LPCWSTR name : {u"First", u"Third", u"Fourth"}) RemovePropW(hwnd, name);
  RemovePropW(hwnd, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(0xC007)));
  EXPECT_EQ(EnumPropsExW(nullptr, collect, 0), -1);

  EXPECT_TRUE(SetWindowTextW(hwnd, u"Renamed"));
  EXPECT_EQ(GetWindowTextLengthW(hwnd), 7);
  WCHAR small[4];
  EXPECT_EQ(GetWindowTextW(hwnd, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"Ren");
  WCHAR cls[32];
  EXPECT_EQ(GetClassNameW(hwnd, cls, 32), 8);
  EXPECT_EQ(std::u16string(cls), u"Recorder");

  HWND child = Make(u"Child", WS_CHILD, hwnd, 3);
  EXPECT_EQ(SetParent(child, nullptr), hwnd);
  EXPECT_EQ(GetParent(child), nullptr);
  EXPECT_EQ(FindWindowW(u"recorder", u"CHILD"), child);  // top-level now
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, GetCurrentProcessId());
  DestroyWindow(child);
  DestroyWindow(hwnd);
}

TEST_F(Windows, EnumChildWindowsWalksEveryDescendantInCreationOrder) {
  HWND main = Make(u"Main");
  HWND a = Make(u"A", WS_CHILD, main, 1);
  HWND a1 = Make(u"A1", WS_CHILD, a, 11);
  HWND b = Make(u"B", WS_CHILD, main, 2);
  std::vector<HWND> seen;
  EnumChildWindows(main, [](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{a, a1, b}));
  DestroyWindow(main);
}

TEST_F(Windows, FindAndEnumerateInZOrderWithTheTopmostBandFirst) {
  HWND first = Make(u"Same");
  HWND second = Make(u"Same");
  HWND hidden = Make(u"Hidden", 0);
  EXPECT_EQ(FindWindowW(u"Recorder", u"Same"), second);  // the most recent first
  EXPECT_EQ(FindWindowW(nullptr, u"hidden"), hidden);    // hidden windows are found too
  EXPECT_TRUE(SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(FindWindowW(u"Recorder", u"Same"), first);
  EXPECT_TRUE(SetWindowPos(first, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_TRUE(SetForegroundWindow(second));
  EXPECT_EQ(GetForegroundWindow(), second);
  EXPECT_EQ(FindWindowW(u"Recorder", u"Same"), second);  // raised
  std::vector<HWND> order;
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&order));
  EXPECT_EQ(order, (std::vector<HWND>{second, first, hidden}));
  HWND message = CreateWindowExW(0, u"Recorder", u"Same", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(FindWindowW(u"Recorder", u"Same"), second);  // message-only windows are never found
  SetLastError(kErrorMarker);
  EXPECT_EQ(FindWindowW(u"No Such Class", nullptr), nullptr);
  for (HWND h : {first, second, hidden, message}) DestroyWindow(h);
  EXPECT_EQ(FindWindowW(u"Recorder", nullptr), nullptr);
}

TEST_F(Windows, ShowWindowAnswersThePreviousVisibility) {
  HWND hwnd = Make(u"Shown", WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  RECT rect;
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.bottom, 220);
  EXPECT_TRUE(MoveWindow(hwnd, 0, 0, 0, 0, FALSE));
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  EXPECT_EQ(rect.right, 0);
  DestroyWindow(hwnd);
}

TEST_F(Windows, PointsMapBetweenClientAreasAndTheScreen) {
  HWND top = Make(u"Top");                                    // at (10, 20)
  HWND child = Make(u"Child", WS_CHILD | WS_VISIBLE, top, 5);  // at (10, 20) inside it
  POINT p{1, 2};
  ASSERT_TRUE(ClientToScreen(child, &p));
  EXPECT_EQ(p.x, 21);
  EXPECT_EQ(p.y, 42);
  ASSERT_TRUE(ScreenToClient(top, &p));
  EXPECT_EQ(p.x, 11);
  EXPECT_EQ(p.y, 22);
  POINT points[2] = {{0, 0}, {3, 4}};
  EXPECT_EQ(MapWindowPoints(child, top, points, 2), MAKELONG(10, 20));
  EXPECT_EQ(points[1].x, 13);
  EXPECT_EQ(points[1].y, 24);
  EXPECT_EQ(MapWindowPoints(top, nullptr, points, 1), MAKELONG(10, 20));
  EXPECT_EQ(points[0].x, 20);
  EXPECT_FALSE(ClientToScreen(nullptr, &p));
  EXPECT_FALSE(ScreenToClient(top, nullptr));
  DestroyWindow(top);
}

TEST_F(Windows, MinimisedAndMaximisedStatesAndTheWindowsIcons) {
  HWND hwnd = Make(u"States");
  ShowWindow(hwnd, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(hwnd));
  EXPECT_FALSE(IsZoomed(hwnd));
  ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_TRUE(IsZoomed(hwnd));
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_FALSE(IsIconic(hwnd) || IsZoomed(hwnd));
  EXPECT_FALSE(IsIconic(nullptr));

  HICON big = reinterpret_cast<HICON>(static_cast<uintptr_t>(0x5678));
  HICON small = reinterpret_cast<HICON>(static_cast<uintptr_t>(0x1234));  // values only: the window keeps them
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL2, 0), reinterpret_cast<LRESULT>(big));  // made from the big one
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL2, 0), reinterpret_cast<LRESULT>(small));
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));  // the previous one back
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  DestroyWindow(hwnd);
}

TEST_F(Windows, ScreenAndWorkArea) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 1040);
  HWND hwnd = Make(u"Listener");
  Journal::Get().Take();
  RECT smaller{0, 0, 1920, 1000};
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &smaller, SPIF_SENDCHANGE));
  std::vector<desktoptest::Seen> seen = Journal::Get().Take();
  bool told = false;
  for (auto& s : seen) told |= s.hwnd == hwnd && s.message == WM_SETTINGCHANGE && s.wParam == SPI_SETWORKAREA;
  EXPECT_TRUE(told);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 1000);
  ANIMATIONINFO animation{sizeof animation, 0};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETANIMATION, sizeof animation, &animation, 0));
  EXPECT_EQ(animation.iMinAnimate, 1);
  DestroyWindow(hwnd);
}

TEST_F(Windows, DefaultProcedureClosesAndRoutesSystemCommands) {
  HWND hwnd = Make(u"Closing");
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  std::vector<UINT> order = Journal::Get().Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY});
  EXPECT_EQ(order, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

}  // namespace
