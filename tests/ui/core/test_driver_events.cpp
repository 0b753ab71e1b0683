// The library's answers to document, printer and driver events, and the "Close" message that
// deleting a printer or the driver sends to the package's two pipe servers.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <win/driverui.h>
#include <win/system.h>

#include <child_process.h>
#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/pipe_close.h"

extern "C" {
INT WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut);
BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam);
BOOL WINAPI DrvDriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo, LPARAM lParam);
}

namespace {

// "Close" in UTF-16 with its terminator, as the servers must receive it.
constexpr const char* kCloseHex = "43006c006f0073006500" "0000";

TEST(DocumentEvents, AnswersOfTheEventsThatNeedNoPrinter) {
  testsupport::TempMachine machine;
  struct Case {
    INT event;
    INT answer;
  };
  const Case cases[] = {
      {DOCUMENTEVENT_CREATEDCPRE, 1},  {DOCUMENTEVENT_STARTPAGE, 1},   {DOCUMENTEVENT_STARTDOCPOST, 1},
      {DOCUMENTEVENT_CREATEDCPOST, 0}, {DOCUMENTEVENT_RESETDCPRE, 0},  {DOCUMENTEVENT_RESETDCPOST, 0},
      {DOCUMENTEVENT_ENDDOC, 0},       {DOCUMENTEVENT_ABORTDOC, 0},    {DOCUMENTEVENT_DELETEDC, 0},
      {DOCUMENTEVENT_ESCAPE, 0},       {DOCUMENTEVENT_ENDDOCPOST, 0},  {DOCUMENTEVENT_QUERYFILTER, 0},
      {0, 0},                          {99, 0},
  };
  for (const Case& c : cases) {
    char out[16] = {};
    EXPECT_EQ(DrvDocumentEvent(nullptr, nullptr, c.event, 0, nullptr, sizeof out, out), c.answer) << c.event;
    EXPECT_EQ(std::string(out, sizeof out), std::string(sizeof out, '\0')) << c.event;
  }
}

// The two pipes served by an independent server that lays them out from the machine's socket
// protocol alone.
class PipeCloseTest : public ::testing::Test {
 protected:
  void TearDown() override {
    PlatformTest_ReleaseTickCount(FALSE);
    for (auto& server : servers_) {
      server->CloseInput();
      server->Wait();
    }
  }
  testsupport::ChildProcess& ServeBoth() {
    servers_.push_back(std::make_unique<testsupport::ChildProcess>(
        "/usr/bin/env", std::vector<std::string>{"python3", std::string(VELMOR_SOURCE_DIR) +
                                                                "/tests/ui/core/pipe_close_server.py",
                                                 "xpsnamedpipe", "duplexnamedpipe"}));
    EXPECT_EQ(servers_.back()->ReadLine(), "listening");
    return *servers_.back();
  }
  testsupport::ChildProcess& ServeWithTool(std::vector<std::string> args) {
    servers_.push_back(std::make_unique<testsupport::ChildProcess>(std::string(VELMOR_OUT_DIR) + "/pipe-server", args));
    EXPECT_EQ(servers_.back()->ReadLine(), "listening");
    return *servers_.back();
  }
  testsupport::TempMachine machine_;
  std::vector<std::unique_ptr<testsupport::ChildProcess>> servers_;
};

TEST_F(PipeCloseTest, DeletingAPrinterClosesBothPipes) {
  testsupport::ChildProcess& server = ServeBoth();
  EXPECT_TRUE(DrvPrinterEvent(const_cast<LPWSTR>(u"Velmor K8000 Series PCL6"), PRINTER_EVENT_DELETE, 0, 0));
  EXPECT_EQ(server.ReadLine(), std::string("message xpsnamedpipe ") + kCloseHex);
  EXPECT_EQ(server.ReadLine(), std::string("message duplexnamedpipe ") + kCloseHex);
}

TEST_F(PipeCloseTest, DeletingTheDriverClosesBothPipesAndAnswersZero) {
  testsupport::ChildProcess& server = ServeBoth();
  EXPECT_EQ(DrvDriverEvent(DRIVER_EVENT_DELETE, 3, nullptr, 0), 0);
  EXPECT_EQ(server.ReadLine(), std::string("message xpsnamedpipe ") + kCloseHex);
  EXPECT_EQ(server.ReadLine(), std::string("message duplexnamedpipe ") + kCloseHex);
  // Other events send nothing and answer 0 as well; the next line is the next deletion's.
  EXPECT_EQ(DrvDriverEvent(DRIVER_EVENT_INITIALIZE, 3, nullptr, 0), 0);
  EXPECT_EQ(DrvDriverEvent(7, 3, nullptr, 0), 0);
  EXPECT_TRUE(DrvPrinterEvent(const_cast<LPWSTR>(u"Any"), PRINTER_EVENT_ATTRIBUTES_CHANGED, 0, 0));
  EXPECT_TRUE(DrvPrinterEvent(const_cast<LPWSTR>(u"Any"), PRINTER_EVENT_ADD_CONNECTION, 0, 0));
  EXPECT_EQ(DrvDriverEvent(DRIVER_EVENT_DELETE, 3, nullptr, 0), 0);
  EXPECT_EQ(server.ReadLine(), std::string("message xpsnamedpipe ") + kCloseHex);
}

TEST_F(PipeCloseTest, AMissingPipeIsGivenUpAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(vm4k2ui::SendXpsPipeClose());
  EXPECT_FALSE(vm4k2ui::SendDuplexPipeClose());
  EXPECT_EQ(DrvDriverEvent(DRIVER_EVENT_DELETE, 3, nullptr, 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(PipeCloseTest, APipeOfBytesStillGetsTheBytes) {
  testsupport::ChildProcess& server = ServeWithTool({"duplexnamedpipe", "--byte-mode"});
  EXPECT_TRUE(vm4k2ui::SendDuplexPipeClose());
  EXPECT_EQ(server.ReadLine(), std::string("message ") + kCloseHex);
}

// A pipe whose only instance never frees up is given up once 20 s of the machine's clock have
// passed in all, however the waits fall.
TEST_F(PipeCloseTest, ABusyPipeIsGivenUpAfterTwentySeconds) {
  ServeWithTool({"xpsnamedpipe", "--busy-forever"});
  PlatformTest_SetTickCount(500000, FALSE);
  std::atomic<bool> done{false};
  std::atomic<BOOL> sent{TRUE};
  std::thread deleter([&] {
    sent = vm4k2ui::SendXpsPipeClose();
    done = true;
  });
  // Real pauses (Sleep would move the frozen clock): the sender takes its deadline first.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  PlatformTest_AdvanceTickCount(19999);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  PlatformTest_AdvanceTickCount(1);
  deleter.join();
  EXPECT_FALSE(sent.load());
}

TEST_F(PipeCloseTest, APipeThatFreesUpInTimeGetsTheMessage) {
  testsupport::ChildProcess& server = ServeWithTool({"xpsnamedpipe", "--busy", "200"});
  EXPECT_TRUE(vm4k2ui::SendXpsPipeClose());
  EXPECT_EQ(server.ReadLine(), std::string("message ") + kCloseHex);
}

}  // namespace
