// The job announcement at STARTDOC, with real processes: a small recording program installed
// in the machine as vm4k2sm.exe (the desktop tests' peer, given the status monitor's window
// class by the configuration file beside it) logs how it was started and what reached its
// window, with the machine's clock.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <win/driverui.h>
#include <win/files.h>
#include <win/process.h>
#include <win/psapi.h>
#include <win/spooler.h>
#include <win/system.h>
#include <win/user.h>

#include "printer_fixture.h"

extern "C" INT WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                       PVOID pvOut);

namespace {

using testfakes::W;

constexpr UINT kJobStarting = 0x414;  // WM_USER + 20

// The 520 bytes of PrinterNameCopyData for a name, as hex.
std::string AnnouncedHex(std::u16string_view name) {
  std::string hex;
  for (size_t i = 0; i < 260; ++i) {
    char16_t c = i < name.size() ? name[i] : 0;
    char four[5];
    std::snprintf(four, sizeof four, "%02x%02x", c & 0xFF, c >> 8);
    hex += four;
  }
  return hex;
}

// One logged line "<kind> <a> <b> at <ms>" of the recording program.
struct Logged {
  std::string kind;
  std::string first, second;
  unsigned long long at = 0;
};

class StatusMonitorAnnouncement : public ::testing::Test {
 protected:
  void SetUp() override {
    testfakes::InstallPrinter();
    std::filesystem::create_directories(machine_.Host("drives/C/Work"));
    GetCurrentDirectoryW(MAX_PATH, saved_);
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
    // The driver gives the monitor 500 ms of the machine's clock to make its window; a started
    // program (slower still in an instrumented build on a busy machine) gets five times that in
    // real time. Every time the tests compare is the machine's.
    PlatformTest_SetClockScale(0.2);
  }
  void TearDown() override {
    PlatformTest_ReleaseTickCount(FALSE);
    // The real monitor ends by itself once its jobs are done; the recording one is ended here,
    // by the process ids its logs are named after.
    const std::filesystem::path folder = machine_.Host("drives/C/peer");
    if (std::filesystem::exists(folder))
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const DWORD pid = static_cast<DWORD>(std::stoul(entry.path().stem().string()));
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
          TerminateProcess(process, 0);
          WaitForSingleObject(process, 5000);
          CloseHandle(process);
        }
      }
    SetCurrentDirectoryW(saved_);
  }
  void InstallMonitor(const std::string& configuration) {
    const std::string target = machine_.Host("drives/C/Windows/System32/vm4k2sm.exe");
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer", target);
    std::ofstream(target + ".config") << "class StatusMonitor PCL6\ntimes\n" << configuration;
  }
  INT StartDoc(const char16_t* printerName = testfakes::kPrinterName) {
    HANDLE printer = testfakes::OpenTestPrinter(printerName);
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = u"Document";
    const INT answer = DrvDocumentEvent(printer, nullptr, DOCUMENTEVENT_STARTDOC, sizeof info, &info, 0, nullptr);
    ClosePrinter(printer);
    return answer;
  }
  // The logs of the recording programs started so far.
  std::vector<std::string> Logs() {
    std::vector<std::string> out;
    const std::filesystem::path folder = machine_.Host("drives/C/peer");
    if (!std::filesystem::exists(folder)) return out;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      out.push_back(text.str());
    }
    return out;
  }
  // Waits until the only log holds `count` lines beginning with `prefix`.
  bool Await(const std::string& prefix, size_t count = 1) {
    for (int i = 0; i < 2000; ++i) {
      std::vector<std::string> logs = Logs();
      if (logs.size() == 1 && Lines(logs[0], prefix).size() >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  static std::vector<Logged> Lines(const std::string& log, const std::string& prefix) {
    std::vector<Logged> out;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
      if (line.compare(0, prefix.size(), prefix) != 0) continue;
      Logged entry;
      std::istringstream words(line);
      std::string at;
      words >> entry.kind >> entry.first >> entry.second >> at >> entry.at;
      out.push_back(entry);
    }
    return out;
  }
  std::u16string CurrentDirectory() {
    WCHAR folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
  }
  testsupport::TempMachine machine_;
  WCHAR saved_[MAX_PATH] = {};
};

TEST_F(StatusMonitorAnnouncement, StartsTheMonitorHiddenThenPostsAndSendsTheName) {
  InstallMonitor("");
  ASSERT_EQ(StartDoc(), 1);
  EXPECT_EQ(CurrentDirectory(), u"C:\\Work");  // the printing program's folder is its own
  ASSERT_TRUE(Await("copydata")) << (Logs().empty() ? "" : Logs()[0]);
  const std::string log = Logs()[0];
  EXPECT_NE(log.find("cmdline -PL5168\n"), std::string::npos) << log;
  EXPECT_NE(log.find("folder C:\\Windows\\System32\n"), std::string::npos) << log;
  EXPECT_NE(log.find("shown 0\n"), std::string::npos) << log;
  // The post passes the monitor's pre-translation; the name is sent, never posted.
  const std::vector<Logged> posted = Lines(log, "pre " + std::to_string(kJobStarting) + " ");
  const std::vector<Logged> copies = Lines(log, "copydata ");
  ASSERT_EQ(posted.size(), 1u) << log;
  ASSERT_EQ(copies.size(), 1u) << log;
  EXPECT_EQ(posted[0].second, "0");  // wParam 0
  EXPECT_EQ(copies[0].first, "520");
  EXPECT_EQ(copies[0].second, AnnouncedHex(testfakes::kPrinterName));
  EXPECT_GE(copies[0].at, posted[0].at + 100) << log;
  EXPECT_EQ(log.find("pre 74 "), std::string::npos) << log;
  EXPECT_NE(log.find("proc 74 0 "), std::string::npos) << log;  // wParam 0
}

TEST_F(StatusMonitorAnnouncement, ARunningMonitorIsNotStartedAgain) {
  InstallMonitor("");
  ASSERT_EQ(StartDoc(), 1);
  ASSERT_TRUE(Await("copydata"));
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(StartDoc(), 1);
  // No start and no 500 ms wait: only the 100 ms between the post and the name.
  EXPECT_LT(GetTickCount64() - start, 450u);
  ASSERT_TRUE(Await("copydata", 2));
  EXPECT_EQ(Logs().size(), 1u);
  EXPECT_EQ(Lines(Logs()[0], "pre " + std::to_string(kJobStarting) + " ").size(), 2u);
}

TEST_F(StatusMonitorAnnouncement, WithoutTheProgramNothingIsSent) {
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(StartDoc(), 1);
  EXPECT_LT(GetTickCount64() - start, 450u);
  EXPECT_TRUE(Logs().empty());
  EXPECT_EQ(FindWindowW(u"StatusMonitor PCL6", nullptr), nullptr);
  EXPECT_EQ(CurrentDirectory(), u"C:\\Work");
}

TEST_F(StatusMonitorAnnouncement, AnUnreadablePrinterAnnouncesAnEmptyName) {
  InstallMonitor("");
  ASSERT_TRUE(PlatformTest_SpoolerFailPrinterQueries(testfakes::kPrinterName, ERROR_ACCESS_DENIED));
  ASSERT_EQ(StartDoc(), 1);
  ASSERT_TRUE(PlatformTest_SpoolerFailPrinterQueries(testfakes::kPrinterName, 0));
  ASSERT_TRUE(Await("copydata"));
  const std::vector<Logged> copies = Lines(Logs()[0], "copydata ");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].first, "520");
  EXPECT_EQ(copies[0].second, std::string(1040, '0'));
}

TEST_F(StatusMonitorAnnouncement, ALongNameIsCutAt259Units) {
  InstallMonitor("");
  // A connection's name, "\\server\share", may pass the 220 units of a local printer's.
  const std::u16string server = u"\\\\" + std::u16string(60, u'S');
  const std::u16string share(220, u'N');
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(share.c_str());
  info.pPortName = W(u"USB001");
  info.pDriverName = W(u"Velmor K8000 Series PCL6");
  info.pDatatype = W(u"RAW");
  HANDLE connection = PlatformTest_SpoolerAddConnection(server.c_str(), &info);
  ASSERT_NE(connection, nullptr) << GetLastError();
  ClosePrinter(connection);
  const std::u16string name = server + u"\\" + share;
  ASSERT_EQ(name.size(), 283u);
  ASSERT_EQ(StartDoc(name.c_str()), 1);
  ASSERT_TRUE(Await("copydata"));
  EXPECT_EQ(Lines(Logs()[0], "copydata ")[0].second, AnnouncedHex(name.substr(0, 259)));
}

TEST_F(StatusMonitorAnnouncement, TwoThreadsPrintingToTwoPrintersAnnounceEachItsOwn) {
  InstallMonitor("");
  testfakes::InstallPrinter(u"Alpha");
  testfakes::InstallPrinter(u"Beta");
  ASSERT_EQ(StartDoc(), 1);  // the monitor runs before the two jobs start
  ASSERT_TRUE(Await("copydata"));
  std::thread alpha([&] { EXPECT_EQ(StartDoc(u"Alpha"), 1); });
  std::thread beta([&] { EXPECT_EQ(StartDoc(u"Beta"), 1); });
  alpha.join();
  beta.join();
  ASSERT_TRUE(Await("copydata", 3));
  std::vector<std::string> names;
  for (const Logged& copy : Lines(Logs()[0], "copydata ")) names.push_back(copy.second);
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (std::vector<std::string>{AnnouncedHex(testfakes::kPrinterName), AnnouncedHex(u"Alpha"),
                                             AnnouncedHex(u"Beta")}));
}

TEST_F(StatusMonitorAnnouncement, AMonitorSlowerThanTheWaitMissesTheAnnouncement) {
  InstallMonitor("start-delay 800\n");
  ASSERT_EQ(StartDoc(), 1);
  EXPECT_EQ(CurrentDirectory(), u"C:\\Work");
  // The program started once and makes its window after the wait: nothing reached it.
  ASSERT_TRUE(Await("ready"));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const std::string log = Logs()[0];
  EXPECT_EQ(log.find("pre " + std::to_string(kJobStarting)), std::string::npos) << log;
  EXPECT_EQ(log.find("copydata"), std::string::npos) << log;
}

// A monitor that stops answering holds the printing program up at most 5 s of the machine's
// clock, not for good.
TEST_F(StatusMonitorAnnouncement, AHungMonitorHoldsTheJobAtMostFiveSeconds) {
  InstallMonitor("");
  ASSERT_EQ(StartDoc(), 1);
  ASSERT_TRUE(Await("copydata"));
  HWND monitor = FindWindowW(u"StatusMonitor PCL6", nullptr);
  ASSERT_NE(monitor, nullptr);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(monitor, WM_USER + 60, 0, 0, SMTO_NORMAL, 50, &answer);  // its procedure never returns
  PlatformTest_SetTickCount(1000000, FALSE);
  std::atomic<bool> done{false};
  std::thread job([&] {
    EXPECT_EQ(StartDoc(), 1);
    done = true;
  });
  // Real pauses (Sleep would move the frozen clock): the job posts, waits its 100 ms and sends.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  PlatformTest_AdvanceTickCount(4800);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  PlatformTest_AdvanceTickCount(300);
  job.join();
  EXPECT_TRUE(done.load());
}

}  // namespace
