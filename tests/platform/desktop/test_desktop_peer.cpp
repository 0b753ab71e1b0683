// Windows and messages across processes: the test talks to peer.exe, a program of the machine
// started through the stand-in, and reads what it recorded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <win/files.h>
#include <win/process.h>
#include <win/psapi.h>
#include <win/shell.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

using desktoptest::Journal;
using testsupport::kErrorMarker;

namespace {

class PeerDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Windows/System32/peer.exe");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer", target);
    std::filesystem::create_directories(machine_.Host("drives/C/Work"));
    desktoptest::RegisterRecordingClass(u"Recorder");
    Journal::Get().Take();
  }
  void TearDown() override {
    for (HANDLE process : started_) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  // Starts peer.exe with the parameters; returns its window once it is ready.
  HWND StartPeer(const std::u16string& parameters, int show = SW_SHOWNORMAL, const WCHAR* folder = nullptr,
                 const WCHAR* cls = u"DesktopPeer") {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = u"peer.exe";
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder;
    info.nShow = show;
    if (!ShellExecuteExW(&info)) return nullptr;
    started_.push_back(info.hProcess);
    pid_ = GetProcessId(info.hProcess);
    // Bounded far beyond a loaded machine's start of a program, so only a peer that never
    // gets ready fails; the caller's message shows its log.
    for (int i = 0; i < 3000; ++i) {
      if (Log().find("ready\n") != std::string::npos) return FindWindowW(cls, nullptr);
      Sleep(10);
    }
    return nullptr;
  }
  std::string Log(DWORD pid = 0) {
    std::ifstream in(machine_.Host("drives/C/peer/" + std::to_string(pid ? pid : pid_) + ".log"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Waits until the peer's log holds `line`.
  bool AwaitLine(const std::string& line, DWORD pid = 0) {
    for (int i = 0; i < 3000; ++i) {
      if (Log(pid).find(line + "\n") != std::string::npos) return true;
      Sleep(10);
    }
    return false;
  }
  testsupport::TempMachine machine_;
  std::vector<HANDLE> started_;
  DWORD pid_ = 0;
};

TEST_F(PeerDesktop, TheAnnouncementReachesAStartedProgramAsPostThenSend) {
  WCHAR before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  HWND peer = StartPeer(u"Velmor K8000 Series PCL6", SW_HIDE, u"C:\\Work");
  ASSERT_NE(peer, nullptr) << Log();
  std::string log = Log();
  EXPECT_NE(log.find("cmdline Velmor K8000 Series PCL6\n"), std::string::npos) << log;
  EXPECT_NE(log.find("folder C:\\Work\n"), std::string::npos) << log;
  EXPECT_NE(log.find("shown 0\n"), std::string::npos) << log;  // the start's SW_HIDE won
  WCHAR after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::u16string(after), std::u16string(before));  // the caller's folder stays

  ASSERT_TRUE(PostMessageW(peer, WM_USER + 20, 0, 0));
  ASSERT_TRUE(AwaitLine("proc 1044 0")) << "the peer never handled the post; its log:\n" << Log();
  WCHAR name[260] = {};
  std::memcpy(name, u"Velmor K8000 Series PCL6", 25 * sizeof(WCHAR));
  COPYDATASTRUCT data{0, sizeof name, name};
  SetLastError(kErrorMarker);
  EXPECT_EQ(SendMessageW(peer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
  std::memcpy(name, u"Changed", 8 * sizeof(WCHAR));  // after the send: never seen
  EXPECT_EQ(SendMessageW(peer, WM_USER + 20, 1, 0), 0);
  ASSERT_TRUE(AwaitLine("proc 1044 1"));
  log = Log();
  std::string hex;
  WCHAR original[260] = {};
  std::memcpy(original, u"Velmor K8000 Series PCL6", 25 * sizeof(WCHAR));
  for (size_t i = 0; i < sizeof original; ++i) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", reinterpret_cast<const BYTE*>(original)[i]);
    hex += two;
  }
  EXPECT_NE(log.find("pre 1044 0\nproc 1044 0\n"), std::string::npos) << log;  // the post passes pre-translation
  EXPECT_NE(log.find("proc 74 0\ncopydata 520 " + hex + "\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("pre 74"), std::string::npos) << log;  // the send reaches only the procedure
  EXPECT_EQ(log.find("pre 1044 1"), std::string::npos) << log;
}

TEST_F(PeerDesktop, RegisteredMessagesPropertiesAndBroadcastsSpanProcesses) {
  HWND peer = StartPeer(u"--class Tray Peer --title Peer One", SW_SHOWNORMAL, nullptr, u"Tray Peer");
  ASSERT_NE(peer, nullptr) << Log();
  UINT taskbar = RegisterWindowMessageW(u"TaskbarCreated");
  EXPECT_NE(Log().find("registered " + std::to_string(taskbar) + "\n"), std::string::npos) << Log();
  EXPECT_NE(Log().find("cmdline \n"), std::string::npos) << Log();

  HWND mine = CreateWindowExW(0, u"Recorder", u"Mine", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, taskbar, 7, 0));
  desktoptest::PumpWaiting();
  EXPECT_EQ(Journal::Get().Messages({taskbar}).size(), 1u);
  EXPECT_TRUE(AwaitLine("pre " + std::to_string(taskbar) + " 7"));

  struct Found {
    HWND hwnd = nullptr;
    HANDLE prop = nullptr;
  } found;
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    HANDLE value = GetPropW(h, u"PeerProcess");
    if (!value) return TRUE;
    reinterpret_cast<Found*>(p)->hwnd = h;
    reinterpret_cast<Found*>(p)->prop = value;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found.hwnd, peer);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(found.prop), pid_);
  // The other process's properties can be enumerated as well as read by name.
  std::vector<std::u16string> names;
  EXPECT_EQ(EnumPropsExW(peer, [](HWND, LPWSTR name, HANDLE, ULONG_PTR list) -> BOOL {
    reinterpret_cast<std::vector<std::u16string>*>(list)->push_back(IS_INTRESOURCE(name) ? u"#" : name);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&names)), TRUE);
  EXPECT_EQ(std::count(names.begin(), names.end(), u"PeerProcess"), 1);
  EXPECT_EQ(FindWindowW(u"TRAY PEER", u"peer one"), peer);
  WCHAR text[32];
  EXPECT_EQ(GetWindowTextW(peer, text, 32), 8);
  EXPECT_EQ(std::u16string(text), u"Peer One");
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(peer, &pid), 0u);
  EXPECT_EQ(pid, pid_);
  // Calls on another process's window run on its thread.
  EXPECT_TRUE(IsWindowVisible(peer));
  EXPECT_TRUE(SetWindowTextW(peer, u"Renamed"));
  EXPECT_EQ(FindWindowW(nullptr, u"Renamed"), peer);
  ShowWindow(peer, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(peer));
  DestroyWindow(mine);
}

TEST_F(PeerDesktop, KillingAProgramByNameEndsItAndItsWindows) {
  HWND peer = StartPeer(u"");
  ASSERT_NE(peer, nullptr);
  std::vector<DWORD> ids(4);
  DWORD needed = 0;
  // Grow the array until it is not full, as a careful caller does.
  for (;;) {
    ASSERT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &needed));
    if (needed < ids.size() * sizeof(DWORD)) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(needed / sizeof(DWORD));
  EXPECT_EQ(std::count(ids.begin(), ids.end(), static_cast<DWORD>(getppid())), 0);  // a host process outside
  bool killed = false;
  for (DWORD id : ids) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, id);
    if (!process) continue;
    HMODULE module = nullptr;
    DWORD moduleBytes = 0;
    WCHAR name[MAX_PATH] = {};
    if (EnumProcessModules(process, &module, sizeof module, &moduleBytes) &&
        GetModuleBaseNameW(process, module, name, MAX_PATH) && std::u16string(name) == u"peer.exe") {
      EXPECT_TRUE(TerminateProcess(process, 0));
      EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
      killed = true;
    }
    CloseHandle(process);
  }
  EXPECT_TRUE(killed);
  EXPECT_FALSE(IsWindow(peer));
  EXPECT_EQ(FindWindowW(u"DesktopPeer", nullptr), nullptr);
  SetLastError(kErrorMarker);
  EXPECT_EQ(SendMessageW(peer, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(PeerDesktop, ThreadMessagesReachAnotherProgramsThread) {
  HWND peer = StartPeer(u"");
  ASSERT_NE(peer, nullptr);
  DWORD pid = 0;
  DWORD thread = GetWindowThreadProcessId(peer, &pid);
  ASSERT_NE(thread, 0u);
  ASSERT_TRUE(PostThreadMessageW(thread, WM_USER + 30, 5, 0));
  EXPECT_TRUE(AwaitLine("pre 1054 5")) << Log();
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostThreadMessageW(thread, WM_COPYDATA, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
  // A host process outside the machine has no queue the machine can reach.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostThreadMessageW(static_cast<DWORD>(getppid()), WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
}

TEST_F(PeerDesktop, ASenderIsReleasedWhenTheReceivingProgramEnds) {
  HWND peer = StartPeer(u"");
  ASSERT_NE(peer, nullptr);
  HANDLE process = started_.back();
  std::thread killer([&] {
    AwaitLine("proc 1084 0");
    TerminateProcess(process, 1);
  });
  SetLastError(kErrorMarker);
  EXPECT_EQ(SendMessageW(peer, WM_USER + 60, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  killer.join();
}

TEST_F(PeerDesktop, ShellExecuteAnswersAsTheShellDoes) {
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, u"missing.exe", nullptr, nullptr, SW_SHOW)),
            SE_ERR_FNF);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, u"C:\\Nowhere\\x.exe", nullptr, nullptr, SW_SHOW)),
            SE_ERR_PNF);
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, u"open", u"https://example.com/help", nullptr, nullptr,
                                                    SW_SHOWNORMAL)),
            32);
  size_t size = PlatformTest_ReadCallLog(nullptr, 0);
  std::string log(size + 1, '\0');
  PlatformTest_ReadCallLog(log.data(), log.size());
  EXPECT_NE(log.find("\"target\":\"https://example.com/help\",\"url\":true"), std::string::npos) << log;

  // A program a test made absent, or one that fails to start, through both start calls.
  PlatformTest_FailProgramStart(u"PEER.EXE", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, u"peer.exe", nullptr, nullptr, SW_SHOW)),
            SE_ERR_FNF);
  PlatformTest_FailProgramStart(u"peer.exe", ERROR_ACCESS_DENIED);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  WCHAR command[] = u"C:\\Windows\\System32\\peer.exe";
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PlatformTest_FailProgramStart(u"peer.exe", 0);
  EXPECT_NE(StartPeer(u""), nullptr);
}

TEST_F(PeerDesktop, AGrowingCallerSeesAndEndsByNameAmongManyMachineProcesses) {
  std::vector<pid_t> helpers;
  for (int i = 0; i < 300; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
      _exit(127);
    }
    helpers.push_back(pid);
  }
  // Every other one runs as victim.exe, the program the caller ends by name.
  for (size_t i = 0; i < helpers.size(); ++i) {
    const WCHAR* image = i % 2 ? u"C:\\Windows\\System32\\helper.exe" : u"C:\\Windows\\System32\\victim.exe";
    bool added = false;
    for (int tries = 0; tries < 100 && !added; ++tries) {
      added = PlatformTest_AddMachineProcess(static_cast<DWORD>(helpers[i]), image);
      if (!added) Sleep(5);
    }
    ASSERT_TRUE(added);
  }
  std::vector<DWORD> ids(256);
  DWORD needed = 0;
  for (;;) {
    ASSERT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &needed));
    if (needed < ids.size() * sizeof(DWORD)) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(needed / sizeof(DWORD));
  size_t listed = 0;
  for (pid_t pid : helpers) listed += std::count(ids.begin(), ids.end(), static_cast<DWORD>(pid));
  EXPECT_EQ(listed, 300u);

  // The sequence that ends a program by name, over the whole grown array.
  int ended = 0;
  for (DWORD id : ids) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, id);
    if (!process) continue;
    HMODULE module = nullptr;
    DWORD moduleBytes = 0;
    WCHAR name[MAX_PATH] = {};
    if (EnumProcessModules(process, &module, sizeof module, &moduleBytes) &&
        GetModuleBaseNameW(process, module, name, MAX_PATH) && std::u16string(name) == u"victim.exe" &&
        TerminateProcess(process, 0))
      ++ended;
    CloseHandle(process);
  }
  EXPECT_EQ(ended, 150);
  for (size_t i = 0; i < helpers.size(); i += 2) {
    int status = 0;
    EXPECT_EQ(waitpid(helpers[i], &status, 0), helpers[i]);
  }
  for (size_t i = 1; i < helpers.size(); i += 2) EXPECT_EQ(waitpid(helpers[i], nullptr, WNOHANG), 0);
  for (size_t i = 1; i < helpers.size(); i += 2) kill(helpers[i], SIGKILL);
  for (size_t i = 1; i < helpers.size(); i += 2) waitpid(helpers[i], nullptr, 0);
}

}  // namespace
