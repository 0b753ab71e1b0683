// Test controls across processes: a machine-wide control one process sets changes the very next
// call of another process that is already running and has read the control before, while a
// control a process keeps for itself stays its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <win/memory.h>
#include <win/system.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::TempMachine;

// platform-peer allocate-per-line, kept running with a pipe each way: one line written asks for
// one allocation, one line read is its answer.
class RunningPeer {
 public:
  RunningPeer() {
    std::string program = std::string(VELMOR_TEST_BIN_DIR) + "/platform-peer";
    int toPeer[2];
    int fromPeer[2];
    if (pipe(toPeer) != 0) return;
    if (pipe(fromPeer) != 0) {
      close(toPeer[0]);
      close(toPeer[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toPeer[0], STDIN_FILENO);
      dup2(fromPeer[1], STDOUT_FILENO);
      close(toPeer[0]);
      close(toPeer[1]);
      close(fromPeer[0]);
      close(fromPeer[1]);
      char command[] = "allocate-per-line";
      char* argv[] = {program.data(), command, nullptr};
      execv(program.c_str(), argv);
      _exit(127);
    }
    close(toPeer[0]);
    close(fromPeer[1]);
    requests_ = fdopen(toPeer[1], "w");
    answers_ = fdopen(fromPeer[0], "r");
  }
  ~RunningPeer() {
    if (requests_) std::fclose(requests_);  // end of input ends the peer
    if (answers_) std::fclose(answers_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  RunningPeer(const RunningPeer&) = delete;
  RunningPeer& operator=(const RunningPeer&) = delete;

  // The answer to one allocation, read when the peer has made it.
  std::string Allocate() {
    if (!requests_ || !answers_) return "not started";
    std::fputs("allocate\n", requests_);
    std::fflush(requests_);
    char line[64];
    if (!std::fgets(line, sizeof line, answers_)) return "no answer";
    std::string answer = line;
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
  }

 private:
  pid_t pid_ = -1;
  FILE* requests_ = nullptr;
  FILE* answers_ = nullptr;
};

TEST(MachineControls, ARunningProcessSeesEachChangeAtItsNextCall) {
  TempMachine machine;
  RunningPeer peer;
  // Several calls first, so the peer answers from what it has already read.
  ASSERT_EQ(peer.Allocate(), "ok");
  ASSERT_EQ(peer.Allocate(), "ok");

  struct Step {
    const char* value;  // the machine-wide FailAllocation, null to take it away
    const char* answer;
  };
  const Step steps[] = {
      {"1+", "failed 8"},  // ERROR_NOT_ENOUGH_MEMORY
      {"1+", "failed 8"},
      {nullptr, "ok"},
      {nullptr, "ok"},
      {"1+", "failed 8"},
      {"0", "ok"},
  };
  for (const Step& step : steps) {
    PlatformTest_SetControl("FailAllocation", step.value, TRUE);
    EXPECT_EQ(peer.Allocate(), step.answer) << (step.value ? step.value : "(none)");
  }
}

TEST(MachineControls, AProcessControlStaysInItsProcess) {
  TempMachine machine;
  RunningPeer peer;
  ASSERT_EQ(peer.Allocate(), "ok");
  PlatformTest_SetControl("FailAllocation", "1+", FALSE);
  EXPECT_EQ(peer.Allocate(), "ok");
  PlatformTest_SetControl("FailAllocation", nullptr, FALSE);  // this process: "absent"

  // The machine's value reaches the peer, while this process keeps its own "absent".
  PlatformTest_SetControl("FailAllocation", "1+", TRUE);
  EXPECT_EQ(peer.Allocate(), "failed 8");
  SetLastError(0);
  HLOCAL mine = LocalAlloc(LPTR, 8);
  EXPECT_NE(mine, nullptr);
  LocalFree(mine);
  PlatformTest_SetControl("FailAllocation", nullptr, TRUE);
  EXPECT_EQ(peer.Allocate(), "ok");
}

TEST(MachineControls, AValueWrittenInThisProcessIsReadBackAtOnce) {
  TempMachine machine;
  const char* values[] = {"81", "33", "7"};
  for (const char* value : values) {
    PlatformTest_SetControl("CountryCode", value, TRUE);
    WCHAR text[16] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 16), 0) << value;
    EXPECT_EQ(std::u16string(text), std::u16string(value, value + std::char_traits<char>::length(value)));
  }
}

}  // namespace
