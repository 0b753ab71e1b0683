// The machine's command interpreter deleting a program's file after the program ends, with the
// platform's quoting.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <win/environment.h>
#include <win/files.h>
#include <win/process.h>
#include <win/system.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

class Interpreter : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path cmd = machine_.Host("drives/C/Windows/System32/cmd.exe");
    std::filesystem::create_directories(cmd.parent_path());
    std::filesystem::copy_file(std::string(VELMOR_OUT_DIR) + "/cmd.exe", cmd);
    std::filesystem::create_directories(machine_.Host("drives/C/Program Files/Velmor Tools"));
    std::ofstream(machine_.Host("drives/C/Program Files/Velmor Tools/old.exe")) << "x";
  }
  static std::u16string ComSpec() {
    WCHAR comspec[MAX_PATH] = {};
    GetEnvironmentVariableW(u"ComSpec", comspec, MAX_PATH);
    return comspec;
  }
  // Runs "%ComSpec%" with the arguments and waits for it.
  void Run(const std::u16string& arguments) {
    std::u16string line = u"\"" + ComSpec() + u"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &startup, &info));
    EXPECT_EQ(ResumeThread(info.hThread), 1u);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  bool Exists() { return std::filesystem::exists(machine_.Host("drives/C/Program Files/Velmor Tools/old.exe")); }
  testsupport::TempMachine machine_;
};

TEST_F(Interpreter, AQuotedPathWithBlanksIsDeletedAfterItsCreatorEnds) {
  // The creator is a program that starts the interpreter suspended at idle priority, lets it go
  // and ends, as a program deleting its own file does; its own file is the one to delete.
  std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer",
                             machine_.Host("drives/C/Program Files/Velmor Tools/old.exe"),
                             std::filesystem::copy_options::overwrite_existing);
  std::u16string line = u"\"C:\\Program Files\\Velmor Tools\\old.exe\" --run \"" + ComSpec() +
                        u"\" /c del /f /q \"C:\\Program Files\\Velmor Tools\\old.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  std::ifstream log(machine_.Host("drives/C/peer/" + std::to_string(info.dwProcessId) + ".log"));
  std::string word;
  DWORD child = 0;
  while (log >> word)
    if (word == "started") log >> child;
  ASSERT_NE(child, 0u);
  HANDLE interpreter = OpenProcess(SYNCHRONIZE, FALSE, child);
  if (interpreter) {
    EXPECT_EQ(WaitForSingleObject(interpreter, 20000), WAIT_OBJECT_0);
    CloseHandle(interpreter);
  }
  for (int i = 0; i < 3000 && Exists(); ++i) Sleep(10);
  EXPECT_FALSE(Exists());
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

TEST_F(Interpreter, ARunningProgramsFileRefusesDeletion) {
  std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer",
                             machine_.Host("drives/C/Program Files/Velmor Tools/old.exe"),
                             std::filesystem::copy_options::overwrite_existing);
  std::u16string line = u"\"C:\\Program Files\\Velmor Tools\\old.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(DeleteFileW(u"C:\\Program Files\\Velmor Tools\\old.exe"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 5000);
  EXPECT_TRUE(DeleteFileW(u"C:\\Program Files\\Velmor Tools\\old.exe"));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

TEST_F(Interpreter, AnUnquotedPathWithBlanksSplitsIntoNamesAndDeletesNothingOfIt) {
  Run(u"/c del /f /q C:\\Program Files\\Velmor Tools\\old.exe");
  EXPECT_TRUE(Exists());
}

TEST_F(Interpreter, CommandsJoinedByAnAmpersandRunInTurn) {
  std::ofstream(machine_.Host("drives/C/second.txt")) << "y";
  Run(u"/c del \"C:\\Program Files\\Velmor Tools\\old.exe\" & del C:\\second.txt");
  EXPECT_FALSE(Exists());
  EXPECT_FALSE(std::filesystem::exists(machine_.Host("drives/C/second.txt")));
}

TEST(ShortPaths, TheShortFormIsTheLongPath) {
  testsupport::TempMachine machine;
  std::filesystem::create_directories(machine.Host("drives/C/Program Files/Velmor"));
  WCHAR out[MAX_PATH];
  const char16_t path[] = u"C:\\Program Files\\Velmor";
  EXPECT_EQ(GetShortPathNameW(path, out, MAX_PATH), 23u);
  EXPECT_EQ(std::u16string(out), path);
  EXPECT_EQ(GetShortPathNameW(path, out, 5), 24u);
  SetLastError(testsupport::kErrorMarker);
  EXPECT_EQ(GetShortPathNameW(u"C:\\Missing\\x", out, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  PlatformTest_SetControl("ShortPathError", "5", FALSE);
  EXPECT_EQ(GetShortPathNameW(path, out, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
