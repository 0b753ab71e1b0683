// The `desktop` program driving a started program of the machine (peer.exe) from a third
// process: its window and properties listed, a message box answer queued, a post that makes the
// program ask, the box found in the machine's log, WM_COPYDATA from text, and the program ended
// by name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <win/process.h>
#include <win/shell.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_program.h"
#include "temp_machine.h"

namespace {

class DesktopProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Windows/System32/peer.exe");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer", target);
  }
  void TearDown() override {
    if (process_) {
      TerminateProcess(process_, 0);
      WaitForSingleObject(process_, 5000);
      CloseHandle(process_);
    }
  }
  std::string PeerLog() {
    std::ifstream in(machine_.Host("drives/C/peer/" + std::to_string(pid_) + ".log"));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool AwaitLine(const std::string& line) {
    for (int i = 0; i < 3000; ++i) {
      if (PeerLog().find(line + "\n") != std::string::npos) return true;
      Sleep(10);
    }
    return false;
  }
  desktoptest::ToolRun Desktop(const std::string& arguments) { return desktoptest::RunDesktop(machine_.root(), arguments); }

  testsupport::TempMachine machine_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

TEST_F(DesktopProgram, DrivesAStartedProgramFromAnotherProcess) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = u"peer.exe";
  info.lpParameters = u"--title Tool Peer";
  info.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExW(&info));
  process_ = info.hProcess;
  pid_ = GetProcessId(process_);
  ASSERT_TRUE(AwaitLine("ready")) << PeerLog();

  desktoptest::ToolRun run = Desktop("windows");
  EXPECT_EQ(run.status, 0);
  char pidHex[32];
  std::snprintf(pidHex, sizeof pidHex, "0x%x", static_cast<unsigned>(pid_));
  EXPECT_NE(run.output.find(" pid=" + std::to_string(pid_) + " class=\"DesktopPeer\" title=\"Tool Peer\" visible "),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("  properties \"PeerProcess\"=" + std::string(pidHex) + "\n"), std::string::npos)
      << run.output;

  // The program's box is answered from the script the tool queued, and recorded.
  EXPECT_EQ(Desktop("box-answer 7 --program peer.exe --text 'printer driver'").status, 0);
  run = Desktop("post DesktopPeer WM_USER+61");
  EXPECT_EQ(run.status, 0) << run.output;
  ASSERT_TRUE(AwaitLine("box 7")) << PeerLog();  // IDNO, where the default button is IDYES
  run = Desktop("log");
  EXPECT_NE(run.output.find("\"pid\":" + std::to_string(pid_) +
                            ",\"program\":\"peer.exe\",\"event\":\"box\""),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("\"text\":\"Remove the printer driver?\",\"caption\":\"Peer\",\"style\":4,\"answer\":7,"
                            "\"scripted\":true"),
            std::string::npos)
      << run.output;

  run = Desktop("copydata 'No Such Class' --text Hi");
  EXPECT_EQ(run.status, 1) << run.output;
  run = Desktop("copydata desktoppeer --text Hi --data 5");  // a class is named without case
  EXPECT_EQ(run.output, "1\n");
  EXPECT_TRUE(AwaitLine("copydata 6 480069000000")) << PeerLog();
  EXPECT_EQ(Desktop("copydata DesktopPeer --hex 4g").status, 2);

  run = Desktop("processes");
  EXPECT_NE(run.output.find(std::to_string(pid_) + " C:\\Windows\\System32\\peer.exe\n"), std::string::npos)
      << run.output;
  run = Desktop("kill PEER.EXE");
  EXPECT_EQ(run.output, "1\n");
  EXPECT_EQ(WaitForSingleObject(process_, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(Desktop("windows").output.find("DesktopPeer"), std::string::npos);
  EXPECT_EQ(Desktop("kill peer.exe").status, 1);
}

}  // namespace
