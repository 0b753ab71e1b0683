// The job output buffer writing to the spooler: blocks, pieces, and a printer that stops
// taking bytes.
#include "printer_job.h"

namespace writertest {
namespace {

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 13);
  return b;
}

// Writes `total` bytes in writes of `size`; returns everything offered.
Bytes WriteInSteps(PDEV* pdev, size_t total, size_t size) {
  Bytes all;
  for (size_t done = 0; done < total; done += size) {
    Bytes b = Pattern(size, static_cast<uint8_t>(done));
    Spool_Write(pdev, b.data(), b.size());
    all.insert(all.end(), b.begin(), b.end());
  }
  return all;
}

TEST_F(PrinterJobTest, EveryByteReachesTheJobInOrder) {
  Bytes all = WriteInSteps(pdev(), 20000, 100);
  Bytes large = Pattern(150000, 5);
  Spool_Write(pdev(), large.data(), large.size());
  all.insert(all.end(), large.begin(), large.end());
  Spool_Printf(pdev(), "@PJL EOJ\r\n");
  const char eoj[] = "@PJL EOJ\r\n";
  all.insert(all.end(), eoj, eoj + 10);
  Spool_Flush(pdev());
  EXPECT_EQ(JobBytes(), all);
  EXPECT_EQ(pdev()->job.output.bytesSent, all.size());
  EXPECT_EQ(pdev()->jobCtl.flags & (JF_OUTPUT_STOPPED | JF_OUTPUT_FAILED), 0u);
}

TEST_F(PrinterJobTest, SmallWritesLeaveInBlocksOfTheBuffer) {
  // A printer that refuses the write taking the job past 5000 bytes shows the block size:
  // the first full buffer (40 writes of 100 bytes) arrives whole, the second is refused.
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", "5000", FALSE);
  WriteInSteps(pdev(), 12000, 100);
  EXPECT_EQ(JobBytes().size(), 4000u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_STOPPED, 0u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_FAILED, 0u);
}

TEST_F(PrinterJobTest, LargeBlocksLeaveInPiecesWritePrinterTakes) {
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", "61440", FALSE);
  Bytes large = Pattern(200000, 1);
  EXPECT_FALSE(Spool_Write(pdev(), large.data(), large.size()));
  Bytes job = JobBytes();
  EXPECT_EQ(job, Bytes(large.begin(), large.begin() + 61440));
}

TEST_F(PrinterJobTest, AFailedWriteStopsTheJobForGood) {
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", "100", FALSE);
  Bytes block = Pattern(5000, 2);
  EXPECT_FALSE(Spool_Write(pdev(), block.data(), block.size()));
  // The printer would take bytes again; the job writes none: no further WritePrinter call.
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", nullptr, FALSE);
  EXPECT_FALSE(Spool_Write(pdev(), "more", 4));
  EXPECT_FALSE(Spool_WritePrinter(pdev(), "more", 4));
  EXPECT_FALSE(Spool_Flush(pdev()));
  PclXl_EndSession(pdev());
  EXPECT_TRUE(JobBytes().empty());
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_FAILED, 0u);
}

TEST_F(PrinterJobTest, AShortWriteStopsTheJobToo) {
  PlatformTest_SetControl("spooler.WritePrinterShortAfter", "4100", FALSE);
  WriteInSteps(pdev(), 12000, 100);
  EXPECT_EQ(JobBytes().size(), 4100u);
  EXPECT_EQ(pdev()->job.output.bytesSent, 4100u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_FAILED, 0u);
  EXPECT_FALSE(Spool_Write(pdev(), "x", 1));
}

TEST_F(PrinterJobTest, PrinterAndSpoolFileGetTheSameBlocksPrinterFirst) {
  pdev()->job.output.flags = JOF_TO_PRINTER | JOF_TO_SPOOL_FILE;
  Bytes all = WriteInSteps(pdev(), 9000, 300);
  Spool_Flush(pdev());
  EXPECT_EQ(JobBytes(), all);
  EXPECT_EQ(Take(), all);
  // A block the printer refuses never reaches the spool file.
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", "9000", FALSE);
  Spool_Write(pdev(), "abc", 3);
  Spool_Flush(pdev());
  EXPECT_TRUE(Take().empty());
}

TEST_F(PrinterJobTest, WritesToAHandleWithoutAJobFail) {
  pdev()->jobCtl.hJobOutput = nullptr;
  EXPECT_FALSE(Spool_WritePrinter(pdev(), "abc", 3));
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_STOPPED, 0u);
}

TEST_F(PrinterJobTest, ZeroBytesNeedNoPrinter) {
  pdev()->jobCtl.hJobOutput = nullptr;
  EXPECT_TRUE(Spool_WritePrinter(pdev(), nullptr, 0));
  EXPECT_EQ(pdev()->jobCtl.flags & JF_OUTPUT_STOPPED, 0u);
}

}  // namespace
}  // namespace writertest
