#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <win/files.h>
#include <win/namedpipe.h>
#include <win/system.h>

#include "child_process.h"
#include "platform_testing.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

namespace {

const char16_t kPipe[] = u"\\\\.\\pipe\\xpsnamedpipe";
const char16_t kCloseMessage[] = u"Close";

class Pipes : public ::testing::Test {
 protected:
  void TearDown() override { PlatformTest_UseRealClock(); }
  // The server ends when its input does, as the test's end closes it.
  struct Server {
    std::unique_ptr<testsupport::ChildProcess> child;
    std::string ReadLine() { return child->ReadLine(); }
    ~Server() {
      child->CloseInput();
      child->Wait();
    }
  };
  std::unique_ptr<Server> Serve(std::vector<std::string> args) {
    args.insert(args.begin(), "xpsnamedpipe");
    auto server = std::make_unique<Server>();
    server->child = std::make_unique<testsupport::ChildProcess>(std::string(VELMOR_OUT_DIR) + "/pipe-server", args);
    EXPECT_EQ(server->ReadLine(), "listening");
    return server;
  }
  HANDLE Open() {
    return CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  testsupport::TempMachine machine_;
};

TEST_F(Pipes, WithoutAServerThereIsNoPipe) {
  SetLastError(kErrorMarker);
  EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WaitNamedPipeW(kPipe, 20000));  // at once
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Pipes, TheCloseMessageArrivesWholeAsOneMessage) {
  auto server = Serve({});
  HANDLE pipe = Open();
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  DWORD mode = PIPE_READMODE_MESSAGE;
  ASSERT_TRUE(SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(pipe, kCloseMessage, sizeof kCloseMessage, &written, nullptr));
  EXPECT_EQ(written, 12u);
  std::vector<BYTE> longer(150, 0xAB);  // longer than the server's reads: still one message
  ASSERT_TRUE(WriteFile(pipe, longer.data(), static_cast<DWORD>(longer.size()), &written, nullptr));
  CloseHandle(pipe);
  EXPECT_EQ(server->ReadLine(), "message 43006c006f00730065000000");
  std::string hex;
  for (int i = 0; i < 150; ++i) hex += "ab";
  EXPECT_EQ(server->ReadLine(), "message " + hex);
}

TEST_F(Pipes, AByteModePipeRefusesTheMessageReadMode) {
  auto server = Serve({"--byte-mode"});
  HANDLE pipe = Open();
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(pipe);
}

TEST_F(Pipes, ABusyPipeTimesOutOnTheClock) {
  auto server = Serve({"--busy-forever"});
  SetLastError(kErrorMarker);
  EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
  PlatformTest_UseManualClock(100000);
  std::atomic<bool> done{false};
  std::atomic<DWORD> error{0};
  std::thread waiter([&] {
    BOOL ok = WaitNamedPipeW(kPipe, 20000);
    error = ok ? 0 : GetLastError();
    done = true;
  });
  // Real pauses (Sleep would move the frozen clock): the waiter takes its deadline first.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  PlatformTest_AdvanceClock(19999);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(done.load());
  PlatformTest_AdvanceClock(1);
  // A waiter that started late (a slow, instrumented build) took its deadline after the first
  // advance: keep the clock moving until it gives up, so the test never hangs.
  for (int i = 0; i < 500 && !done.load(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done.load()) PlatformTest_AdvanceClock(1000);
  }
  waiter.join();
  EXPECT_EQ(error.load(), static_cast<DWORD>(ERROR_SEM_TIMEOUT));
}

TEST_F(Pipes, ABusyPipeFreesUpAndTheWaitSucceeds) {
  auto server = Serve({"--busy", "300"});
  SetLastError(kErrorMarker);
  EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
  // On the manual clock the wait does not time out while the clock stands, however long the
  // server (on real time) stays busy.
  PlatformTest_UseManualClock(100000);
  ASSERT_TRUE(WaitNamedPipeW(kPipe, 1000));
  HANDLE pipe = Open();
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(pipe, kCloseMessage, sizeof kCloseMessage, &written, nullptr));
  CloseHandle(pipe);
  EXPECT_EQ(server->ReadLine(), "message 43006c006f00730065000000");
}

}  // namespace
