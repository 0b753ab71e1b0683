#include <gtest/gtest.h>

#include <string>

#include "common/status_file.h"
#include "pass_fixture.h"
#include "status_test_util.h"

namespace {

using namespace statustest;

std::string Pair(const vm4k2sm::PrinterStatusRecord* r) {
  return r ? std::to_string(r->status) + "," + std::to_string(r->valueCode) : "missing";
}

TEST_F(PassTest, RecordsEachPrinterOfTheFamilyByItsSpoolerStateAndPort) {
  AddPrinter(u"Idle USB", u"USB001", "usb");
  AddPrinter(u"Offline USB", u"USB002", "usb");
  AddPrinter(u"Paused USB", u"USB003", "usb");
  AddPrinter(u"Local", u"LPT1:", "local");
  AddPrinter(u"Network", u"IP_127.0.0.5", "tcp", u"127.0.0.5");
  AddPrinter(u"Broadcast", u"IP_255.1.1.1", "tcp", u"255.1.1.1");
  AddPrinter(u"Web", u"WSD-1234", "wsd");
  InstallFamilyDriver(u"Another Driver");
  AddPrinter(u"Other make", u"USB004", "usb", u"", u"Another Driver");
  PlatformTest_SpoolerSetPrinterOffline(u"Offline USB", TRUE);
  PlatformTest_SpoolerSetPrinterStatus(u"Paused USB", PRINTER_STATUS_PAUSED);
  AddForeignJob(u"Offline USB");
  AddForeignJob(u"Broadcast");
  AddForeignJob(u"Local");

  const Posted posted = Pass();
  ASSERT_EQ(posted.lists.size(), 1u);
  EXPECT_EQ(posted.lists[0].count, 7);
  EXPECT_EQ(posted.order.back(), "list 7");
  EXPECT_EQ(Pair(posted.Record(u"Idle USB")), "128,133");
  EXPECT_EQ(Pair(posted.Record(u"Offline USB")), "126,0");
  EXPECT_EQ(Pair(posted.Record(u"Paused USB")), "128,129");
  EXPECT_EQ(Pair(posted.Record(u"Local")), "126,0");
  EXPECT_EQ(Pair(posted.Record(u"Network")), "128,133");
  EXPECT_EQ(Pair(posted.Record(u"Broadcast")), "126,0");
  EXPECT_EQ(Pair(posted.Record(u"Web")), "128,133");
  EXPECT_EQ(posted.Record(u"Other make"), nullptr);
  EXPECT_EQ(std::u16string(posted.Record(u"Network")->port), u"127.0.0.5");
  EXPECT_EQ(std::u16string(posted.Record(u"Idle USB")->statusText), u"Sleeping");
  EXPECT_EQ(std::u16string(posted.Record(u"Broadcast")->statusText), u"Not reachable");

  // lParam: not reached and the spooler holds jobs.
  ASSERT_EQ(posted.notes.size(), 7u);
  EXPECT_EQ(posted.Note(u"Offline USB")->lParam, 1);
  EXPECT_EQ(posted.Note(u"Broadcast")->lParam, 1);
  EXPECT_EQ(posted.Note(u"Local")->lParam, 0);  // another port's mark is cleared
  EXPECT_EQ(posted.Note(u"Idle USB")->lParam, 0);
  EXPECT_EQ(posted.Note(u"Idle USB")->previousStatus, 0);

  EXPECT_EQ(Key(u"Idle USB", u"PortType"), u"1");
  EXPECT_EQ(Key(u"Network", u"PortType"), u"2");
  EXPECT_EQ(Key(u"Web", u"PortType"), u"2");
  EXPECT_EQ(Key(u"Local", u"PortType"), u"0");
  EXPECT_EQ(Key(u"Network", u"PortName"), u"127.0.0.5");
  EXPECT_EQ(Key(u"Paused USB", u"Status"), u"128");
  EXPECT_EQ(Key(u"Paused USB", u"ValueCode"), u"129");
  EXPECT_TRUE(vm4k2sm::TheStatusEngine().printerSetChanged.load());

  // The next pass sees the previous pair and the same printers.
  const Posted again = Pass();
  EXPECT_EQ(again.Note(u"Paused USB")->previousStatus, 128);
  EXPECT_EQ(again.Note(u"Paused USB")->previousValueCode, 129);
  EXPECT_FALSE(vm4k2sm::TheStatusEngine().printerSetChanged.load());
}

TEST_F(PassTest, NoPrinterOfTheFamilyStillPostsAnEmptyList) {
  InstallFamilyDriver(u"Another Driver");
  AddPrinter(u"Other make", u"USB004", "usb", u"", u"Another Driver");
  const Posted posted = Pass();
  ASSERT_EQ(posted.order, std::vector<std::string>{"list 0"});
  EXPECT_FALSE(posted.lists[0].null);
}

TEST_F(PassTest, TheTestPathRecordsTheFilesStateWithoutAPortType) {
  AddPrinter(u"Bench", u"USB001", "usb");
  machine_.Set(u"Bench", u"DebugFlag", u"1");
  machine_.Set(u"Bench", u"PortName", u"USB009");
  machine_.Set(u"Bench", u"DebugStatus", u"4");
  machine_.Set(u"Bench", u"DebugValueCode", u"3");
  BYTE block[60] = {255};
  ASSERT_TRUE(WritePrivateProfileStructW(u"Bench", u"DebugStatusStr", block, sizeof block, machine_.file()));
  const Posted posted = Pass();
  EXPECT_EQ(Pair(posted.Record(u"Bench")), "4,3");
  EXPECT_EQ(std::u16string(posted.Record(u"Bench")->port), u"USB009");
  EXPECT_EQ(Key(u"Bench", u"JobOwner"), u"THISPC");
  EXPECT_EQ(Key(u"Bench", u"PortType"), u"");
  EXPECT_EQ(Key(u"Bench", u"Status"), u"4");
  EXPECT_EQ(Key(u"Bench", u"PortName"), u"USB009");
}

TEST_F(PassTest, StartedByTheDriverWithNothingAnnouncedItEndsAfterTheFirstPass) {
  vm4k2sm::TheStatusEngine().endsByItself = true;
  EXPECT_EQ(Pass().order, std::vector<std::string>{"list 0"});  // no printer of the family: no test
  AddPrinter(u"Office", u"USB001", "usb");
  const Posted posted = Pass();
  EXPECT_EQ(posted.order, (std::vector<std::string>{"note Office", "quit", "list null"}));
}

TEST_F(PassTest, AnAnnouncementKeepsTheMonitorUntilItsPrinterHasNoJobLeft) {
  vm4k2sm::TheStatusEngine().endsByItself = true;
  AddPrinter(u"Office", u"USB001", "usb");
  PlatformTest_SpoolerSetPrinterOffline(u"Office", TRUE);
  const DWORD job = AddForeignJob(u"Office");
  Announce(u"Office");
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "list 1"}));
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "list 1"}));
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Office"), &printer, &all));
  ASSERT_TRUE(SetJobW(printer, job, 0, nullptr, JOB_CONTROL_DELETE)) << GetLastError();
  ClosePrinter(printer);
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "quit", "list null"}));
}

TEST_F(PassTest, ANameWaitingForItsPrinterOrAnOutstandingAnnouncementKeepsTheMonitor) {
  vm4k2sm::TheStatusEngine().endsByItself = true;
  AddPrinter(u"Office", u"USB001", "usb");
  PlatformTest_UseManualClock(500000);
  vm4k2sm::OnPrintJobStarting(vm4k2sm::TheStatusEngine().announcements);
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "list 1"}));  // the name is still to come
  ASSERT_TRUE(vm4k2sm::TheStatusEngine().announcements.AcceptName(u"Office", GetTickCount64()));
  // The name came after the pass took the printer: the next pass matches it.
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "list 1"}));
  PlatformTest_UseRealClock();
}

TEST_F(PassTest, AnAnnouncementWhoseNameNeverCameExpiresAtAPassEnd) {
  vm4k2sm::TheStatusEngine().endsByItself = true;
  AddPrinter(u"Office", u"USB001", "usb");
  PlatformTest_UseManualClock(500000);
  vm4k2sm::OnPrintJobStarting(vm4k2sm::TheStatusEngine().announcements);
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "list 1"}));
  PlatformTest_AdvanceClock(vm4k2sm::kAnnouncementLifetimeMs);
  EXPECT_EQ(Pass().order, (std::vector<std::string>{"note Office", "quit", "list null"}));
  PlatformTest_UseRealClock();
}

TEST_F(PassTest, ThePassesFileHoldsExactlyEachPrintersKeys) {
  AddPrinter(u"Принтер А", u"USB001", "usb");
  AddPrinter(u"Принтер Б", u"USB002", "usb");
  PlatformTest_SpoolerSetPrinterOffline(u"Принтер Б", TRUE);
  AddPrinter(u"Network", u"IP_127.0.0.5", "tcp", u"127.0.0.5");
  AddPrinter(u"Web", u"WSD-1234", "wsd");
  AddPrinter(u"Bench", u"USB003", "usb");
  machine_.Set(u"Bench", u"DebugFlag", u"1");
  machine_.Set(u"Bench", u"DebugStatus", u"8");
  machine_.Set(u"Bench", u"DebugValueCode", u"1");
  BYTE block[60] = {255};
  ASSERT_TRUE(WritePrivateProfileStructW(u"Bench", u"DebugStatusStr", block, sizeof block, machine_.file()));
  Pass();
  std::string host = machine_.machine().Host("drives/C");
  for (const WCHAR* c = machine_.file() + 2; *c; ++c) host.push_back(*c == u'\\' ? '/' : static_cast<char>(*c));
  const std::string dump = DumpStatusFile(host);
  std::string bench;
  for (BYTE b : block) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", b);
    bench += two;
  }
  bench += "FF";
  EXPECT_EQ(dump,
            "Bench|DebugFlag|1\nBench|DebugStatus|8\nBench|DebugValueCode|1\nBench|DebugStatusStr|" + bench +
                "\nBench|JobOwner|THISPC\nBench|Status|8\nBench|ValueCode|1\nBench|PortName|\n"
                "Принтер А|PortType|1\nПринтер А|Status|128\nПринтер А|ValueCode|133\nПринтер А|PortName|USB001\n"
                "Принтер Б|PortType|1\nПринтер Б|Status|126\nПринтер Б|ValueCode|0\nПринтер Б|PortName|USB002\n"
                "Network|PortType|2\nNetwork|Status|128\nNetwork|ValueCode|133\nNetwork|PortName|127.0.0.5\n"
                "Web|PortType|2\nWeb|Status|128\nWeb|ValueCode|133\nWeb|PortName|\n");
}

}  // namespace

namespace {

using namespace statustest;

TEST_F(PassTest, ThePollingThreadMakesOnePassAtATime) {
  AddPrinter(u"Office", u"USB001", "usb");
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CThreadQueryStatus));
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;  // it runs until told to quit, so this is taken in time
  vm4k2sm::StatusEngine& engine = vm4k2sm::TheStatusEngine();
  engine.passPending = true;  // as while a pass is queued or running
  EXPECT_FALSE(vm4k2sm::RequestStatusPass(thread->m_nThreadID));
  engine.passPending = false;
  EXPECT_TRUE(vm4k2sm::RequestStatusPass(thread->m_nThreadID));
  MSG msg;
  ASSERT_GT(GetMessageW(&msg, window_, vm4k2::WM_QUERY_DONE, vm4k2::WM_QUERY_DONE), 0);
  EXPECT_EQ(msg.lParam, 1);
  vm4k2sm::FreeStatusRecords(reinterpret_cast<vm4k2sm::PrinterStatusRecord*>(msg.wParam));
  // The pass is over once its list is posted; the flag follows at once on that thread.
  for (int i = 0; i < 1000 && engine.passPending.load(); ++i) Sleep(1);
  EXPECT_FALSE(engine.passPending.load());
  EXPECT_TRUE(static_cast<CThreadQueryStatus*>(thread)->m_nPrinterCount == 1);
  PostThreadMessageW(thread->m_nThreadID, WM_QUIT, 0, 0);
  WaitForSingleObject(thread->m_hThread, INFINITE);
  delete thread;
}

}  // namespace
