// The desktop tool's library: what it lists, how it names windows and messages, the bytes it
// sends, and the processes it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <win/process.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_tool.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

struct Received {
  UINT message = 0;
  std::vector<BYTE> bytes;
  ULONG_PTR data = 0;
};
Received g_received;

LRESULT CALLBACK Receiver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    g_received.message = message;
    g_received.data = copy->dwData;
    const BYTE* p = static_cast<const BYTE*>(copy->lpData);
    g_received.bytes.assign(p, p + copy->cbData);
    return 7;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class DesktopTool : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = Receiver;
    cls.lpszClassName = u"Tool Target";
    RegisterClassW(&cls);
    top_ = CreateWindowExW(0, u"Tool Target", u"Status \u00e9", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, 300, 200,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(top_, nullptr);
    button_ = CreateWindowExW(0, u"Tool Target", u"Close", WS_CHILD | WS_VISIBLE, 5, 6, 80, 24, top_,
                              reinterpret_cast<HMENU>(static_cast<uintptr_t>(1001)), nullptr, nullptr);
    SetPropW(top_, u"Printer", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x2A)));
  }
  void TearDown() override {
    if (IsWindow(top_)) DestroyWindow(top_);
  }
  testsupport::TempMachine machine_;
  HWND top_ = nullptr;
  HWND button_ = nullptr;
};

TEST_F(DesktopTool, ListsWindowsWithTheirChildrenAndProperties) {
  std::vector<desktoptool::WindowInfo> windows = desktoptool::ListWindows();
  const desktoptool::WindowInfo* found = nullptr;
  for (const auto& w : windows)
    if (w.hwnd == top_) found = &w;
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->pid, static_cast<DWORD>(getpid()));
  EXPECT_EQ(found->className, u"Tool Target");
  EXPECT_TRUE(found->visible);
  EXPECT_EQ(found->rect.left, 10);
  EXPECT_EQ(found->rect.bottom, 220);
  EXPECT_EQ(found->properties,
            (std::vector<desktoptool::Property>{{u"Printer", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x2A))}}));
  ASSERT_EQ(found->children.size(), 1u);
  EXPECT_EQ(found->children[0].id, 1001);
  EXPECT_EQ(found->children[0].text, u"Close");
  EXPECT_EQ(found->children[0].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  std::string text = desktoptool::FormatWindows({*found});
  EXPECT_NE(text.find("class=\"Tool Target\" title=\"Status \xC3\xA9\" visible rect=10,20-310,220\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n  properties \"Printer\"=0x2a\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" id=1001 class=\"Tool Target\" text=\"Close\" style=0x50000000\n"), std::string::npos) << text;
}

TEST_F(DesktopTool, NamesWindowsAndMessages) {
  EXPECT_EQ(desktoptool::FindByName("tool target"), top_);
  EXPECT_EQ(desktoptool::FindByName(std::to_string(reinterpret_cast<uintptr_t>(top_))), top_);
  EXPECT_EQ(desktoptool::FindByName("No Such Class"), nullptr);
  EXPECT_EQ(desktoptool::MessageNumber("WM_USER+20"), 1044u);
  EXPECT_EQ(desktoptool::MessageNumber("0x4A"), static_cast<UINT>(WM_COPYDATA));
  EXPECT_EQ(desktoptool::MessageNumber("WM_CLOSE"), static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(desktoptool::MessageNumber("TaskbarCreated"), RegisterWindowMessageW(u"TaskbarCreated"));
}

TEST_F(DesktopTool, CopyDataCarriesHexOrText) {
  bool ok = false;
  std::vector<BYTE> bytes = desktoptool::BytesFromHex("43006c00", ok);
  ASSERT_TRUE(ok);
  LRESULT result = 0;
  ASSERT_TRUE(desktoptool::SendCopyData(top_, 3, bytes, 1000, result));
  EXPECT_EQ(result, 7);
  EXPECT_EQ(g_received.data, 3u);
  EXPECT_EQ(g_received.bytes, (std::vector<BYTE>{0x43, 0x00, 0x6C, 0x00}));
  EXPECT_EQ(desktoptool::BytesFromText(u"Cl"), (std::vector<BYTE>{0x43, 0x00, 0x6C, 0x00, 0x00, 0x00}));
  desktoptool::BytesFromHex("4g", ok);
  EXPECT_FALSE(ok);
  desktoptool::BytesFromHex("430", ok);
  EXPECT_FALSE(ok);
}

TEST_F(DesktopTool, ClicksAControlByIdAndEndsProcessesByName) {
  HWND clicked = nullptr;
  ASSERT_TRUE(desktoptool::ClickControl(top_, 1001));
  MSG msg;
  // Dispatched, as a program's loop does: an undispatched WM_PAINT would stay pending for ever.
  while (!clicked && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_LBUTTONUP) clicked = msg.hwnd;
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(clicked, button_);
  EXPECT_FALSE(desktoptool::ClickControl(top_, 999));

  pid_t helper = fork();
  if (helper == 0) {
    execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    _exit(127);
  }
  bool added = false;
  for (int tries = 0; tries < 100 && !added; ++tries) {
    added = PlatformTest_AddMachineProcess(static_cast<DWORD>(helper), u"C:\\Windows\\System32\\victim.exe");
    if (!added) usleep(5000);
  }
  ASSERT_TRUE(added);
  bool listed = false;
  for (const desktoptool::ProcessInfo& p : desktoptool::ListProcesses())
    listed |= p.pid == static_cast<DWORD>(helper) && p.image == u"C:\\Windows\\System32\\victim.exe";
  EXPECT_TRUE(listed);
  EXPECT_EQ(desktoptool::EndProcesses(u"VICTIM.EXE"), 1);
  int status = 0;
  EXPECT_EQ(waitpid(helper, &status, 0), helper);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(desktoptool::EndProcesses(u"victim.exe"), 0);
}

TEST_F(DesktopTool, TypesIntoTheFocusBroadcastsAndWaitsForAWindow) {
  SetForegroundWindow(top_);
  SetFocus(button_);
  ASSERT_TRUE(desktoptool::Type(u"ab"));
  UINT ping = desktoptool::MessageNumber("VelmorToolPing");
  ASSERT_TRUE(desktoptool::Broadcast(ping, 3, 0));
  std::u16string typed;
  bool pinged = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_CHAR && msg.hwnd == button_) typed.push_back(static_cast<char16_t>(msg.wParam));
    pinged |= msg.message == ping && msg.hwnd == top_ && msg.wParam == 3;
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(typed, u"ab");
  EXPECT_TRUE(pinged);

  // A window that another thread makes a little later is waited for; one that never comes is not.
  HWND late = nullptr;
  std::thread maker([&] {
    Sleep(50);
    late = CreateWindowExW(0, u"Tool Target", u"Late", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  });
  HWND found = desktoptool::WaitForWindow(u"tool target", u"LATE", 30000);
  maker.join();
  EXPECT_EQ(found, late);
  EXPECT_EQ(desktoptool::WaitForWindow(u"Tool Target", u"Never", 30), nullptr);
}

}  // namespace
