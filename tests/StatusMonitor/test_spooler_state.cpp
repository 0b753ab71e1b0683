#include <gtest/gtest.h>

#include <string>

#include "StatusMonitor/spooler_state.h"
#include "spooler_fixture.h"
#include "temp_machine.h"

namespace {

using namespace statustest;
using vm4k2sm::GetSpoolerState;

TEST(IsUsableIpAddress, RefusesOnlyANumber255BeforeTheFirstDot) {
  struct Case {
    const char16_t* text;
    BOOL usable;
  } cases[] = {
      {u"255.1.1.1", FALSE}, {u"255", FALSE},        {u"", TRUE},          {u"abc", TRUE},
      {u"IP_10.0.0.1", TRUE}, {u"10.0.0.1", TRUE},   {u"0255.0.0.1", FALSE}, {u"2550.0.0.1", TRUE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vm4k2sm::IsUsableIpAddress(c.text), c.usable)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
}

TEST(ClassifyPortMonitor, NamesTheThreeMonitorsWholeAndCaseSensitive) {
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(u"Dynamic Print Monitor"), 1);
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(u"TCPMON.DLL"), 2);
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(u"WSD Port Monitor"), 2);
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(u"tcpmon.dll"), 0);
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(u"Local Port"), 0);
  EXPECT_EQ(vm4k2sm::ClassifyPortMonitor(nullptr), 0);
}

class SpoolerStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFamilyDriver();
    AddPrinter(u"Office", u"USB001", "usb");
  }
  int State() {
    std::vector<BYTE> info = PrinterInfo(u"Office");
    EXPECT_FALSE(info.empty());
    return info.empty() ? -1 : GetSpoolerState(*reinterpret_cast<const PRINTER_INFO_2W*>(info.data()));
  }
  DWORD AddJob(DWORD status) {
    return PlatformTest_SpoolerAddJob(u"Office", u"Report", u"Someone", u"\\\\ELSEWHERE", status, 1);
  }
  testsupport::TempMachine machine_;
};

TEST_F(SpoolerStateTest, OfflineWinsOverPausedAndPausedOverJobs) {
  EXPECT_EQ(State(), 2);
  ASSERT_TRUE(PlatformTest_SpoolerSetPrinterStatus(u"Office", PRINTER_STATUS_PAUSED));
  EXPECT_EQ(State(), 1);
  ASSERT_TRUE(PlatformTest_SpoolerSetPrinterOffline(u"Office", TRUE));
  EXPECT_EQ(State(), 0);
}

TEST_F(SpoolerStateTest, EveryJobPausedAndNothingElseIsPaused) {
  ASSERT_NE(AddJob(JOB_STATUS_PAUSED), 0u);
  ASSERT_NE(AddJob(JOB_STATUS_PAUSED), 0u);
  EXPECT_EQ(State(), 1);
  ASSERT_NE(AddJob(JOB_STATUS_PAUSED | JOB_STATUS_SPOOLING), 0u);
  EXPECT_EQ(State(), 2);
}

TEST_F(SpoolerStateTest, JobsThatCannotBeReadCountAsNormal) {
  ASSERT_NE(AddJob(JOB_STATUS_PAUSED), 0u);
  std::vector<BYTE> info = PrinterInfo(u"Office");
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(PlatformTest_SpoolerFailPrinterQueries(u"Office", ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetSpoolerState(*reinterpret_cast<const PRINTER_INFO_2W*>(info.data())), 2);
  PlatformTest_SpoolerFailPrinterQueries(u"Office", 0);
  // A printer whose count says jobs but whose queue returns none is not paused.
  AddPrinter(u"Empty", u"USB002", "usb");
  std::vector<BYTE> empty = PrinterInfo(u"Empty");
  ASSERT_FALSE(empty.empty());
  PRINTER_INFO_2W copy = *reinterpret_cast<const PRINTER_INFO_2W*>(empty.data());
  copy.cJobs = 5;
  EXPECT_EQ(GetSpoolerState(copy), 2);
}

}  // namespace
