// A whole job written through the output buffer to the spooler, read back by the test decoder.
#include "printer_job.h"

namespace writertest {
namespace {

class MinimalJob : public PrinterJobTest {
 protected:
  void SetUp() override {
    PrinterJobTest::SetUp();
    PlatformTest_SetComputerName("PC01", FALSE);
  }

  // UEL, PJL header, stream header, session, one empty page, trailer, UEL.
  void WriteJob(const std::function<void()>& page = [] {}) {
    ASSERT_TRUE(PclXl_StartJob(pdev()));
    PclXl_BeginPage(pdev());
    page();
    PclXl_EndPage(pdev(), 1);
    Spool_Flush(pdev());
    Spool_AddPageRecord(pdev());
    PclXl_CloseDataSource(pdev());
    PclXl_EndSession(pdev());
    Spool_Flush(pdev());
  }
};

TEST_F(MinimalJob, DecodesWithoutAnError) {
  WriteJob();
  Bytes job = JobBytes();
  pclxl::Decoded decoded = pclxl::DecodeJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  std::vector<std::string> expected = {
      "<UEL>",
      "@PJL COMMENT Version 3.0 For Windows 2000",
      "@PJL SET COPIES=1",
      "@PJL SET DUPLEX=OFF",
      "@PJL SET BINDING=LONGEDGE",
      "@PJL SET PAPERTYPE=PLAIN",
      "@PJL SET JOBOWNER=vmPC01",
      "@PJL SET PAPER=A4",
      "@PJL SET DENSITY=LEVEL0",
      "@PJL SET RESOLUTION=600",
      "@PJL SET TONERMODULUS=\"9E761923A373FA332CEE5597D494F9BFD9B7C996AEEA277F3F5E1F1102005491\"",
      "@PJL ENTER LANGUAGE=PCLXL",
      "StreamHeader \") HP-PCL XL;3;0;Velmor K8000 Series PCL6 - vm4k2dr job stream, rev 1.0\\0\"",
      "BeginSession Measure=eInch UnitsPerMeasure=(600,600) ErrorReport=eBackChAndErrPage",
      "OpenDataSource SourceType=eDefaultDataSource DataOrg=eBinaryLowByteFirst",
      "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\"",
      "PushGS",
      "EndPage PageCopies=1",
      "CloseDataSource",
      "EndSession",
      "<UEL>",
      "@PJL EOJ",
      "<UEL>",
  };
  EXPECT_EQ(decoded.listing, expected);
  // The page table: the job header, then the sheet, which starts with its BeginPage.
  const PdevOutputState& out = pdev()->job.output;
  ASSERT_EQ(out.pageCount, 2u);
  EXPECT_EQ(out.pages[1].start, out.pages[0].length);
  Bytes sheet(job.begin() + out.pages[1].start, job.begin() + out.pages[1].start + out.pages[1].length);
  ASSERT_GE(sheet.size(), out.pages[1].headerLength);
  EXPECT_EQ(sheet[out.pages[1].headerLength - 1], PXL_OP_BeginPage);
  EXPECT_EQ(ToHex(Bytes(sheet.end() - 6, sheet.end())), "C1 01 00 F8 31 44");
}

TEST_F(MinimalJob, EveryTruncatedCopyIsRejected) {
  WriteJob();
  Bytes job = JobBytes();
  // The final UEL may be missing; anything shorter than the job without it is incomplete, but
  // for the cut right after the UEL that ends the stream: a job without trailing PJL, as other
  // writers end theirs, which the decoder reports with no PJL lines after the stream.
  const size_t streamEnd = job.size() - 9 - std::string("@PJL EOJ\r\n").size();
  for (size_t n = 0; n + 9 < job.size(); ++n) {
    pclxl::Decoded decoded = pclxl::DecodeJob(job.data(), n);
    EXPECT_EQ(decoded.ok, n == streamEnd) << "the first " << n << " of " << job.size() << " bytes";
    if (decoded.ok) {
      EXPECT_TRUE(decoded.pjlAfter.empty());
    }
  }
}

TEST_F(MinimalJob, AnImageBlockShorterThanDeclaredIsRejected) {
  WriteJob([this] {
    PclXl_BeginImage(pdev(), eDirectPixel, e8Bit, 0, 0, 4, 1, 4, 1);
    PclXl_ReadImage(pdev(), 0, 1, eNoCompression, 400);
    Spool_Write(pdev(), "\x10\x20\x30\x40", 4);
    PclXl_WriteOp(pdev(), PXL_OP_EndImage);
  });
  pclxl::Decoded decoded = pclxl::DecodeJob(JobBytes());
  EXPECT_FALSE(decoded.ok);
}

TEST_F(MinimalJob, AnImageWithItsWholeBlockIsAccepted) {
  WriteJob([this] {
    PclXl_BeginImage(pdev(), eDirectPixel, e8Bit, 0, 0, 4, 1, 4, 1);
    PclXl_ReadImage(pdev(), 0, 1, eNoCompression, 4);
    Spool_Write(pdev(), "\x10\x20\x30\x40", 4);
    PclXl_WriteOp(pdev(), PXL_OP_EndImage);
  });
  pclxl::Decoded decoded = pclxl::DecodeJob(JobBytes());
  EXPECT_TRUE(decoded.ok) << decoded.error;
}

TEST_F(MinimalJob, AnAbortedJobSendsNoTrailer) {
  ASSERT_TRUE(PclXl_StartJob(pdev()));
  PclXl_BeginPage(pdev());
  Spool_Flush(pdev());
  size_t before = JobBytes().size();
  pdev()->jobCtl.flags |= JF_OUTPUT_STOPPED;
  PclXl_EndPage(pdev(), 1);
  PclXl_CloseDataSource(pdev());
  PclXl_EndSession(pdev());
  Spool_Flush(pdev());
  EXPECT_EQ(JobBytes().size(), before);
}

}  // namespace
}  // namespace writertest
