#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <win/files.h>
#include <win/process.h>

#include "process_test_util.h"
#include "temp_machine.h"

using processtest::AwaitHostFile;
using processtest::CloseInfo;
using processtest::InstallChild;
using processtest::Start;
using testsupport::kErrorMarker;

namespace {

class Process : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallChild(machine_, "drives/C/Windows/System32/child.exe");
    InstallChild(machine_, "drives/C/Program Files/My App/app.exe");
    std::filesystem::create_directories(machine_.Host("drives/C/Work"));
  }
  DWORD RunToEnd(const std::u16string& commandLine) {
    PROCESS_INFORMATION info;
    EXPECT_TRUE(Start(commandLine, info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0xFFFF;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    CloseInfo(info);
    return code;
  }
  testsupport::TempMachine machine_;
};

TEST_F(Process, ExitCodesReachTheCreatorWhole) {
  struct Case {
    const char16_t* commandLine;
    DWORD code;
  } cases[] = {
      {u"child.exe exit 7", 7},
      {u"child exit 300", 300},  // beyond a host exit status: the table keeps it
      {u"child.exe return 3", 3},
      {u"C:\\Windows\\System32\\child.exe return 0", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RunToEnd(c.commandLine), c.code);
}

TEST_F(Process, CommandLineAndFolderArriveExactly) {
  const std::u16string quoted = u"\"C:\\Program Files\\My App\\app.exe\"  report C:\\out1.txt";
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(quoted, info, 0, u"c:\\work"));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseInfo(info);
  EXPECT_EQ(processtest::ReadHostFile(machine_.Host("drives/C/out1.txt")),
            "\"C:\\Program Files\\My App\\app.exe\"  report C:\\out1.txt\nC:\\Work\n");

  // An unquoted path with blanks: its successive prefixes are tried until one is a program.
  ASSERT_TRUE(Start(u"C:\\Program Files\\My App\\app.exe report C:\\out2.txt", info));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseInfo(info);
  EXPECT_EQ(processtest::ReadHostFile(machine_.Host("drives/C/out2.txt")),
            "C:\\Program Files\\My App\\app.exe report C:\\out2.txt\nC:\\\n");
}

TEST_F(Process, ApplicationNameIsTakenAsGiven) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(u"anything report C:\\out3.txt", info, 0, nullptr, u"C:\\Windows\\System32\\child.exe"));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseInfo(info);
  EXPECT_EQ(processtest::ReadHostFile(machine_.Host("drives/C/out3.txt")), "anything report C:\\out3.txt\nC:\\\n");
}

TEST_F(Process, StartFailuresSayWhy) {
  std::ofstream(machine_.Host("drives/C/Work/notes.exe")) << "not a program";
  struct Case {
    const char16_t* commandLine;
    const char16_t* folder;
    DWORD error;
  } cases[] = {
      {u"missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {u"C:\\Nowhere\\child.exe", nullptr, ERROR_PATH_NOT_FOUND},
      {u"C:\\Work\\notes.exe", nullptr, ERROR_BAD_EXE_FORMAT},
      {u"child.exe exit 0", u"C:\\NoSuchFolder", ERROR_DIRECTORY},
  };
  for (const Case& c : cases) {
    PROCESS_INFORMATION info;
    SetLastError(kErrorMarker);
    EXPECT_FALSE(Start(c.commandLine, info, 0, c.folder));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(info.hProcess, nullptr);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CreateProcessW(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Process, StartedProgramsAreRecordedInTheMachine) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(u"child.exe sleep", info, IDLE_PRIORITY_CLASS));
  std::string record = processtest::ReadHostFile(machine_.Host("processes/" + std::to_string(info.dwProcessId)));
  EXPECT_NE(record.find("image=C:\\Windows\\System32\\child.exe\n"), std::string::npos) << record;
  EXPECT_NE(record.find("command=child.exe sleep\n"), std::string::npos) << record;
  EXPECT_NE(record.find("parent=" + std::to_string(getpid()) + "\n"), std::string::npos) << record;
  EXPECT_NE(record.find("start="), std::string::npos) << record;
  EXPECT_EQ(GetPriorityClass(info.hProcess), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  EXPECT_TRUE(TerminateProcess(info.hProcess, 1));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseInfo(info);
}

TEST_F(Process, TerminateEndsOnlyALiveProcess) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(u"child.exe sleep", info));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(TerminateProcess(info.hProcess, 42));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 42u);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(TerminateProcess(info.hProcess, 43));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 42u);
  CloseInfo(info);
}

TEST_F(Process, OpenProcessReachesOnlyTheMachinesLiveProcesses) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(u"child.exe sleep", info));
  HANDLE opened = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, info.dwProcessId);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(GetProcessId(opened), info.dwProcessId);
  EXPECT_TRUE(TerminateProcess(opened, 9));
  EXPECT_EQ(WaitForSingleObject(opened, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(opened);

  // The ended process, a host process outside the machine, and no process at all.
  for (DWORD pid : {info.dwProcessId, static_cast<DWORD>(getppid()), 0u}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(OpenProcess(PROCESS_TERMINATE, FALSE, pid), nullptr) << pid;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  CloseInfo(info);

  HANDLE self = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(getpid()));
  ASSERT_NE(self, nullptr);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(self, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(TerminateProcess(self, 1));  // the test runner was not started by the stand-in
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(self);
}

TEST_F(Process, SuspendedStartWaitsForResume) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(Start(u"child.exe report C:\\late.txt", info, CREATE_SUSPENDED));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(std::filesystem::exists(machine_.Host("drives/C/late.txt")));
  EXPECT_EQ(ResumeThread(info.hThread), 1u);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_FALSE(AwaitHostFile(machine_.Host("drives/C/late.txt")).empty());
  EXPECT_EQ(ResumeThread(info.hThread), 0u);
  CloseInfo(info);
}

TEST_F(Process, BadHandlesAreRefused) {
  DWORD code = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetExitCodeProcess(reinterpret_cast<HANDLE>(0x7FFF0), &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(0x7FFF0), 0), static_cast<DWORD>(WAIT_FAILED));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(TerminateProcess(nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Process, CommandLineOfAProgramNotStartedByTheMachineNamesItsImage) {
  std::u16string line = GetCommandLineW();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line[0], u'"');
}

}  // namespace
