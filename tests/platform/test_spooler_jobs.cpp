#include "spooler_test_util.h"

using namespace spoolertest;
using testsupport::kErrorMarker;

namespace {

class SpoolerJobs : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPrinter();
    h_ = Open();
  }
  void TearDown() override { ClosePrinter(h_); }

  DWORD Start(const char16_t* document) {
    DOC_INFO_1W doc{W(document), nullptr, W(u"RAW")};
    return StartDocPrinterW(h_, 1, reinterpret_cast<LPBYTE>(&doc));
  }

  BOOL Write(const std::string& bytes, DWORD& written) {
    return WritePrinter(h_, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written);
  }

  std::vector<BYTE> Jobs(DWORD level, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    EnumJobsW(h_, 0, 100, level, nullptr, 0, &needed, &count);
    std::vector<BYTE> block(needed);
    EXPECT_TRUE(EnumJobsW(h_, 0, 100, level, block.data(), needed, &needed, &count)) << GetLastError();
    return block;
  }

  testsupport::TempMachine machine_;
  HANDLE h_ = nullptr;
};

}  // namespace

// A job written through WritePrinter lands byte for byte in its file in the machine.
TEST_F(SpoolerJobs, WrittenBytesLandInTheJobFile) {
  DWORD id = Start(u"Quarterly report");
  ASSERT_NE(id, 0u) << GetLastError();
  std::string stream = std::string("\x1b%-12345X@PJL JOB\r\n", 19) + std::string(70000, '\0') + "\xff\xfe end";
  ASSERT_TRUE(StartPagePrinter(h_));
  DWORD written = 0;
  ASSERT_TRUE(Write(stream.substr(0, 19), written));
  EXPECT_EQ(written, 19u);
  ASSERT_TRUE(Write("", written));
  EXPECT_EQ(written, 0u);
  ASSERT_TRUE(Write(stream.substr(19), written));
  EXPECT_EQ(written, stream.size() - 19);
  ASSERT_TRUE(EndPagePrinter(h_));
  ASSERT_TRUE(StartPagePrinter(h_));
  ASSERT_TRUE(EndPagePrinter(h_));
  ASSERT_TRUE(EndDocPrinter(h_));
  EXPECT_EQ(JobBytes(id), stream);

  DWORD count = 0;
  std::vector<BYTE> block = Jobs(2, count);
  ASSERT_EQ(count, 1u);
  auto* job = reinterpret_cast<JOB_INFO_2W*>(block.data());
  EXPECT_EQ(job->JobId, id);
  EXPECT_EQ(Str(job->pDocument), u"Quarterly report");
  EXPECT_EQ(Str(job->pPrinterName), kPrinter);
  EXPECT_EQ(Str(job->pMachineName), u"\\\\WORKSTATION");
  EXPECT_EQ(Str(job->pDatatype), u"RAW");
  EXPECT_EQ(Str(job->pDriverName), kDriver);
  EXPECT_EQ(job->TotalPages, 2u);
  EXPECT_EQ(job->PagesPrinted, 2u);
  EXPECT_EQ(job->Size, stream.size());
  EXPECT_EQ(job->Status, static_cast<DWORD>(JOB_STATUS_PRINTED));
  EXPECT_EQ(job->Position, 1u);

  std::vector<BYTE> one = Jobs(1, count);
  auto* job1 = reinterpret_cast<JOB_INFO_1W*>(one.data());
  EXPECT_EQ(job1->JobId, id);
  EXPECT_EQ(job1->TotalPages, 2u);
  EXPECT_GE(job1->Submitted.wYear, 2024);

  std::vector<BYTE> printer = GetPrinterBlock(h_, 2);
  EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2W*>(printer.data())->cJobs, 1u);
}

TEST_F(SpoolerJobs, CallsOutsideADocumentAreRefused) {
  DWORD written = 5;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(Write("abc", written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  for (BOOL (*call)(HANDLE) : {StartPagePrinter, EndPagePrinter, EndDocPrinter, AbortPrinter}) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(call(h_));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  }
  ASSERT_NE(Start(u"one"), 0u);
  SetLastError(kErrorMarker);
  EXPECT_EQ(Start(u"two"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_STATE));
  DOC_INFO_1W doc{W(u"x"), nullptr, W(u"PCL9")};
  EndDocPrinter(h_);
  SetLastError(kErrorMarker);
  EXPECT_EQ(StartDocPrinterW(h_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATATYPE));
}

TEST_F(SpoolerJobs, AbortPrinterDeletesTheJobAndItsBytes) {
  DWORD id = Start(u"Draft");
  DWORD written = 0;
  ASSERT_TRUE(Write("draft bytes", written));
  ASSERT_TRUE(AbortPrinter(h_));
  EXPECT_EQ(JobBytes(id), "(no job)");
  DWORD count = 9;
  Jobs(1, count);
  EXPECT_EQ(count, 0u);
}

struct WriteLimitCase {
  const char* control;
  std::vector<std::pair<DWORD, DWORD>> writes;  // bytes asked, bytes taken (or ~0u: failure)
  size_t kept;
};

class SpoolerWriteLimits : public SpoolerJobs, public ::testing::WithParamInterface<WriteLimitCase> {};

TEST_P(SpoolerWriteLimits, ShortWritesAndFailuresAfterNBytes) {
  const WriteLimitCase& c = GetParam();
  PlatformTest_SetControl(c.control, "10", FALSE);
  DWORD id = Start(u"Limited");
  for (auto [asked, taken] : c.writes) {
    DWORD written = 12345;
    SetLastError(kErrorMarker);
    BOOL ok = Write(std::string(asked, 'x'), written);
    if (taken == ~0u) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
      EXPECT_EQ(written, 0u);
    } else {
      EXPECT_TRUE(ok);
      EXPECT_EQ(written, taken);
    }
  }
  EndDocPrinter(h_);
  EXPECT_EQ(JobBytes(id), std::string(c.kept, 'x'));
}

INSTANTIATE_TEST_SUITE_P(Controls, SpoolerWriteLimits,
                         ::testing::Values(WriteLimitCase{"spooler.WritePrinterShortAfter", {{8, 8}, {8, 2}, {4, 0}}, 10},
                                           WriteLimitCase{"spooler.WritePrinterFailAfter", {{8, 8}, {8, ~0u}, {2, 2}}, 10}),
                         [](const ::testing::TestParamInfo<WriteLimitCase>& info) {
                           // The control's own name without its "spooler." and the dot.
                           std::string name = info.param.control;
                           return name.substr(name.find('.') + 1);
                         });

TEST_F(SpoolerJobs, ForeignJobsAreListedAndOnlyAnAdministratorCancelsThem) {
  DWORD foreign = PlatformTest_SpoolerAddJob(reinterpret_cast<const WCHAR*>(kPrinter),
                                             reinterpret_cast<const WCHAR*>(u"Their document"),
                                             reinterpret_cast<const WCHAR*>(u"someone"),
                                             reinterpret_cast<const WCHAR*>(u"\\\\OTHER-PC"), JOB_STATUS_PAUSED, 3);
  ASSERT_NE(foreign, 0u);
  DWORD count = 0;
  std::vector<BYTE> block = Jobs(1, count);
  ASSERT_EQ(count, 1u);
  auto* job = reinterpret_cast<JOB_INFO_1W*>(block.data());
  EXPECT_EQ(Str(job->pMachineName), u"\\\\OTHER-PC");
  EXPECT_EQ(Str(job->pUserName), u"someone");
  EXPECT_EQ(job->Status, static_cast<DWORD>(JOB_STATUS_PAUSED));
  EXPECT_EQ(job->TotalPages, 3u);

  HANDLE user = Open(kPrinter, PRINTER_ACCESS_USE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetJobW(user, foreign, 0, nullptr, JOB_CONTROL_CANCEL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(user);
  EXPECT_TRUE(SetJobW(h_, foreign, 0, nullptr, JOB_CONTROL_CANCEL));
  Jobs(1, count);
  EXPECT_EQ(count, 0u);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetJobW(h_, foreign, 0, nullptr, JOB_CONTROL_RESUME));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SpoolerJobs, PauseResumeAndCancelWhileSpooling) {
  DWORD id = Start(u"Long job");
  auto status = [&] {
    DWORD needed = 0;
    GetJobW(h_, id, 1, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    EXPECT_TRUE(GetJobW(h_, id, 1, block.data(), needed, &needed));
    return reinterpret_cast<JOB_INFO_1W*>(block.data())->Status;
  };
  EXPECT_EQ(status(), static_cast<DWORD>(JOB_STATUS_SPOOLING));
  ASSERT_TRUE(SetJobW(h_, id, 0, nullptr, JOB_CONTROL_PAUSE));
  EXPECT_EQ(status(), static_cast<DWORD>(JOB_STATUS_SPOOLING | JOB_STATUS_PAUSED));
  ASSERT_TRUE(SetJobW(h_, id, 0, nullptr, JOB_CONTROL_RESUME));
  EXPECT_EQ(status(), static_cast<DWORD>(JOB_STATUS_SPOOLING));
  ASSERT_TRUE(SetJobW(h_, id, 0, nullptr, JOB_CONTROL_CANCEL));
  DWORD written = 7;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(Write("late", written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
  EXPECT_TRUE(EndDocPrinter(h_));
}

TEST_F(SpoolerJobs, APausedPrinterHoldsFinishedJobs) {
  ASSERT_TRUE(SetPrinterW(h_, 0, nullptr, PRINTER_CONTROL_PAUSE));
  DWORD id = Start(u"Held");
  ASSERT_TRUE(EndDocPrinter(h_));
  DWORD count = 0;
  std::vector<BYTE> block = Jobs(1, count);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(reinterpret_cast<JOB_INFO_1W*>(block.data())->JobId, id);
  EXPECT_EQ(reinterpret_cast<JOB_INFO_1W*>(block.data())->Status, 0u);
}

TEST_F(SpoolerJobs, EnumJobsWindowAndSizeProtocol) {
  for (const char16_t* name : {u"a", u"b", u"c"}) {
    Start(name);
    EndDocPrinter(h_);
  }
  DWORD needed = 0, count = 9;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EnumJobsW(h_, 1, 5, 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumJobsW(h_, 1, 5, 1, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 2u);
  auto* jobs = reinterpret_cast<JOB_INFO_1W*>(block.data());
  EXPECT_EQ(Str(jobs[0].pDocument), u"b");
  EXPECT_EQ(jobs[0].Position, 2u);
  EXPECT_EQ(Str(jobs[1].pDocument), u"c");
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EnumJobsW(h_, 0, 5, 3, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

// A job that another process of the machine prints is seen here, bytes and all.
TEST_F(SpoolerJobs, JobsOfAnotherProcessAreSeen) {
  std::string output;
  ASSERT_EQ(RunChildTest(machine_.root(), "SpoolerJobsChild.PrintsOneJob", output), 0) << output;
  DWORD count = 0;
  std::vector<BYTE> block = Jobs(2, count);
  ASSERT_EQ(count, 1u);
  auto* job = reinterpret_cast<JOB_INFO_2W*>(block.data());
  EXPECT_EQ(Str(job->pDocument), u"From the second process");
  EXPECT_EQ(job->TotalPages, 1u);
  EXPECT_EQ(JobBytes(job->JobId), "second process bytes");
}

TEST(SpoolerJobsChild, PrintsOneJob) {
  if (!IsChild()) GTEST_SKIP() << "runs as the second process of SpoolerJobs.JobsOfAnotherProcessAreSeen";
  HANDLE h = Open();
  DOC_INFO_1W doc{W(u"From the second process"), nullptr, nullptr};
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  ASSERT_TRUE(StartPagePrinter(h));
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(h, const_cast<char*>("second process bytes"), 20, &written));
  ASSERT_TRUE(EndPagePrinter(h));
  ASSERT_TRUE(EndDocPrinter(h));
  ClosePrinter(h);
}
