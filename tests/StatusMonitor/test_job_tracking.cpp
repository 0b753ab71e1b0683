#include <gtest/gtest.h>

#include <string>

#include <win/system.h>
#include <win/user.h>

#include <platform_testing.h>

#include "StatusMonitor/job_tracking.h"
#include "temp_machine.h"

namespace {

using vm4k2sm::JobEvent;
using vm4k2sm::JobTrackEntry;
using vm4k2sm::JobTracker;
using vm4k2sm::SentJobTable;

COPYDATASTRUCT NameData(std::u16string& buffer, DWORD bytes = vm4k2::kAnnouncedNameBytes) {
  buffer.resize(vm4k2::kAnnouncedNameUnits, u'\0');
  COPYDATASTRUCT data{};
  data.cbData = bytes;
  data.lpData = buffer.data();
  return data;
}

class JobTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override { PlatformTest_UseManualClock(100000); }
  void TearDown() override { PlatformTest_UseRealClock(); }
  testsupport::TempMachine machine_;
  SentJobTable table_;
};

TEST_F(JobTrackingTest, ANameBeforeAnyAnnouncementMarksNothing) {
  std::u16string name = u"Office";
  COPYDATASTRUCT data = NameData(name);
  EXPECT_FALSE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &data));
  EXPECT_FALSE(table_.HoldsName(u"Office"));
}

TEST_F(JobTrackingTest, TwoAnnouncementsFillTwoSlotsAndAPassTakesTheFirst) {
  for (int i = 0; i < 2; ++i) {
    vm4k2sm::OnPrintJobStarting(table_);
    std::u16string name = u"Office";
    COPYDATASTRUCT data = NameData(name);
    EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &data));
  }
  EXPECT_EQ(table_.SlotText(0), u"Office");
  EXPECT_EQ(table_.SlotText(1), u"Office");
  JobTracker tracker;
  tracker.BeginPass();
  JobTrackEntry* entry = tracker.EntryFor(u"Office");
  ASSERT_NE(entry, nullptr);
  tracker.Match(*entry, table_);
  EXPECT_EQ(entry->announced, 1);
  EXPECT_EQ(table_.SlotText(0), u"");
  EXPECT_EQ(table_.SlotText(1), u"Office");
}

TEST_F(JobTrackingTest, InterleavedAnnouncementsEachKeepTheirName) {
  vm4k2sm::OnPrintJobStarting(table_);
  vm4k2sm::OnPrintJobStarting(table_);
  std::u16string a = u"Alpha", b = u"Beta";
  COPYDATASTRUCT da = NameData(a), db = NameData(b);
  EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &da));
  EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &db));
  EXPECT_TRUE(table_.HoldsName(u"Alpha"));
  EXPECT_TRUE(table_.HoldsName(u"Beta"));
  EXPECT_FALSE(table_.Outstanding(GetTickCount64()));
}

TEST_F(JobTrackingTest, ANameHandledBeforeItsPostedAnnouncementTakesItFromTheQueue) {
  HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PostMessageW(window, vm4k2::WM_PRINT_JOB_STARTING, 0, 0));
  std::u16string name = u"Office";
  COPYDATASTRUCT data = NameData(name);
  EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, window, &data));
  EXPECT_TRUE(table_.HoldsName(u"Office"));
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, window, vm4k2::WM_PRINT_JOB_STARTING, vm4k2::WM_PRINT_JOB_STARTING, PM_REMOVE));
  DestroyWindow(window);
}

TEST_F(JobTrackingTest, AnAnnouncementExpiresTenSecondsAfterItsPost) {
  vm4k2sm::OnPrintJobStarting(table_);
  PlatformTest_AdvanceClock(9999);
  EXPECT_TRUE(table_.Outstanding(GetTickCount64()));
  PlatformTest_AdvanceClock(1);
  EXPECT_FALSE(table_.Outstanding(GetTickCount64()));
  std::u16string name = u"Office";
  COPYDATASTRUCT data = NameData(name);
  EXPECT_FALSE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &data));
}

TEST_F(JobTrackingTest, TheNameIsBoundedByItsZeroBy259UnitsAndByCbData) {
  vm4k2sm::OnPrintJobStarting(table_);
  std::u16string longName(300, u'N');
  COPYDATASTRUCT data{};
  data.cbData = 600;
  data.lpData = longName.data();
  EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &data));
  EXPECT_EQ(table_.SlotText(0), std::u16string(259, u'N'));

  vm4k2sm::OnPrintJobStarting(table_);
  std::u16string unterminated = u"Office-Printer";  // cbData ends inside the name
  data.cbData = 6 * sizeof(WCHAR);
  data.lpData = unterminated.data();
  EXPECT_TRUE(vm4k2sm::OnPrinterNameCopyData(table_, nullptr, &data));
  EXPECT_EQ(table_.SlotText(1), u"Office");
}

TEST_F(JobTrackingTest, AFullTableReusesEmptiedSlotsThenDropsTheOldest) {
  for (size_t i = 0; i < vm4k2sm::kSentJobSlots; ++i) {
    table_.AnnouncementPosted(GetTickCount64());
    std::u16string name = u"P" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + std::u16string(i / 26 + 1, u'x');
    ASSERT_TRUE(table_.AcceptName(name.c_str(), GetTickCount64()));
  }
  const std::u16string first = table_.SlotText(0), fifth = table_.SlotText(4);
  ASSERT_TRUE(table_.TakeName(fifth.c_str()));
  table_.AnnouncementPosted(GetTickCount64());
  ASSERT_TRUE(table_.AcceptName(u"Reused", GetTickCount64()));
  EXPECT_EQ(table_.SlotText(4), u"Reused");

  PlatformTest_ClearDebugOutput(FALSE);
  table_.AnnouncementPosted(GetTickCount64());
  ASSERT_TRUE(table_.AcceptName(u"Newest", GetTickCount64()));
  EXPECT_EQ(table_.SlotText(0), u"Newest");
  EXPECT_NE(PlatformTest_DebugOutput().find("dropped the announcement of PAx"), std::string::npos)
      << PlatformTest_DebugOutput();
  EXPECT_EQ(first, u"PAx");
}

TEST_F(JobTrackingTest, EntriesFollowThePrinterNameNotItsPlace) {
  JobTracker tracker;
  tracker.BeginPass();
  JobTrackEntry* a = tracker.EntryFor(u"Alpha");
  tracker.EntryFor(u"Beta");
  a->announced = 1;
  tracker.EndPass();
  tracker.BeginPass();  // Beta is gone: Alpha keeps its flag all the same
  EXPECT_EQ(tracker.EntryFor(u"Alpha")->announced, 1);
  tracker.EndPass();
  EXPECT_EQ(tracker.Find(u"Beta"), nullptr);
  EXPECT_EQ(tracker.Find(u"Gamma"), nullptr);
}

TEST_F(JobTrackingTest, PrintersBeyondTheTableAreNotTracked) {
  JobTracker tracker;
  tracker.BeginPass();
  for (size_t i = 0; i < vm4k2sm::kJobTrackEntries; ++i) {
    std::u16string name = u"Printer " + std::u16string(1, static_cast<char16_t>(0x100 + i));
    ASSERT_NE(tracker.EntryFor(name.c_str()), nullptr);
  }
  EXPECT_EQ(tracker.EntryFor(u"One too many"), nullptr);
}

TEST_F(JobTrackingTest, TwentyReadyAnswersAfterPrintingEndTheJobOfThatPrinterOnly) {
  JobTracker tracker;
  tracker.BeginPass();
  JobTrackEntry& a = *tracker.EntryFor(u"Alpha");
  JobTrackEntry& b = *tracker.EntryFor(u"Beta");
  a.announced = b.announced = 1;
  JobTracker::Apply(a, JobEvent::Printing);
  JobTracker::Apply(b, JobEvent::Printing);
  for (int i = 0; i < 19; ++i) JobTracker::Apply(a, JobEvent::PrintReady);
  EXPECT_EQ(a.announced, 1);
  JobTracker::Apply(b, JobEvent::PrintReady);
  JobTracker::Apply(a, JobEvent::PrintReady);
  EXPECT_EQ(a.announced, 0);
  EXPECT_EQ(a.readySeen, 0);
  EXPECT_EQ(a.countdown, vm4k2sm::kJobCountdownStart);
  EXPECT_EQ(b.announced, 1);
  EXPECT_EQ(b.countdown, vm4k2sm::kJobCountdownStart - 1);
  // Ready answers without a printing one never count down.
  JobTrackEntry& c = *tracker.EntryFor(u"Gamma");
  c.announced = 1;
  for (int i = 0; i < 40; ++i) JobTracker::Apply(c, JobEvent::PrintReady);
  EXPECT_EQ(c.announced, 1);
  EXPECT_EQ(c.countdown, vm4k2sm::kJobCountdownStart);
}

TEST_F(JobTrackingTest, PowerSaveAfterReadyOrCancelEndsTheJob) {
  JobTracker tracker;
  tracker.BeginPass();
  JobTrackEntry& e = *tracker.EntryFor(u"Alpha");
  e.announced = 1;
  JobTracker::Apply(e, JobEvent::PowerSave);
  EXPECT_EQ(e.announced, 1);
  JobTracker::Apply(e, JobEvent::Cancelled);
  JobTracker::Apply(e, JobEvent::PowerSave);
  EXPECT_EQ(e.announced, 0);
}

TEST_F(JobTrackingTest, ANewAnnouncementForgetsTheLastJobsFlags) {
  JobTracker tracker;
  tracker.BeginPass();
  JobTrackEntry& e = *tracker.EntryFor(u"Alpha");
  e.announced = 1;
  JobTracker::Apply(e, JobEvent::Printing);
  JobTracker::Apply(e, JobEvent::Cancelled);
  JobTracker::Apply(e, JobEvent::PrintReady);
  JobTracker::Apply(e, JobEvent::PowerSave);
  ASSERT_EQ(e.announced, 0);
  vm4k2sm::OnPrintJobStarting(table_);
  ASSERT_TRUE(table_.AcceptName(u"Alpha", GetTickCount64()));
  tracker.Match(e, table_);
  EXPECT_EQ(e.announced, 1);
  EXPECT_EQ(e.printingSeen, 0);
  EXPECT_EQ(e.cancelled, 0);
  JobTracker::Apply(e, JobEvent::PowerSave);  // the new job has not been printed yet
  EXPECT_EQ(e.announced, 1);
}

}  // namespace
