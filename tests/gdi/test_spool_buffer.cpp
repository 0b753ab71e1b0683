// The job output buffer with the temporary spool file as its destination: gathering, direct
// blocks, failures, the page table and the folder helper.
#include <string>

#include "platform_testing.h"
#include "writer_fixture.h"

namespace writertest {
namespace {

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

struct WriteCase {
  const char* name;
  std::vector<size_t> writes;
  WORD bufferedAfter;   // bytes held in the buffer after the last write
  DWORD writtenAfter;   // bytes that went out (output position)
};

class SpoolWrites : public WriterTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SpoolWrites, GatherSmallWritesAndSendLargeOnesDirectly) {
  const WriteCase& c = GetParam();
  Bytes all;
  uint8_t seed = 1;
  for (size_t n : c.writes) {
    Bytes b = Pattern(n, seed++);
    EXPECT_TRUE(Spool_Write(pdev(), b.data(), b.size()));
    all.insert(all.end(), b.begin(), b.end());
  }
  EXPECT_EQ(pdev()->job.output.buffer.count, c.bufferedAfter);
  EXPECT_EQ(pdev()->job.output.position, c.writtenAfter);
  EXPECT_EQ(Take(), all);  // nothing lost, nothing reordered
}

const WriteCase kWrites[] = {
    {"SmallWritesStayInTheBuffer", {10, 20, 30}, 60, 0},
    {"ExactlyFull", {4000, 96}, 4096, 0},
    {"OneByteOverFlushesFirst", {4096, 1}, 1, 4096},
    {"LargeBlockIntoAFullBufferGoesDirect", {2000, 2730}, 0, 4730},
    {"JustBelowTheDirectSizeIsBuffered", {2000, 2729}, 2729, 2000},
    {"LargeBlockIntoAnEmptyBufferIsBuffered", {2730}, 2730, 0},
    {"VeryLargeBlockGoesOutInPieces", {1, 200000}, 0, 200001},
    {"RemainderBelowTheDirectSizeIsBuffered", {10, 61440 + 100}, 100, 10 + 61440},
};

INSTANTIATE_TEST_SUITE_P(Sizes, SpoolWrites, ::testing::ValuesIn(kWrites),
                         [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST_F(WriterTest, FlushOfAnEmptyBufferWritesNothing) {
  EXPECT_FALSE(Spool_Flush(pdev()));
  EXPECT_EQ(pdev()->job.output.position, 0u);
  Spool_Write(pdev(), "abc", 3);
  EXPECT_TRUE(Spool_Flush(pdev()));
  EXPECT_EQ(pdev()->job.output.buffer.count, 0);
  EXPECT_EQ(pdev()->job.output.position, 3u);
}

TEST_F(WriterTest, StoppedOutputRefusesEveryWrite) {
  pdev()->jobCtl.flags |= JF_OUTPUT_STOPPED;
  EXPECT_FALSE(Spool_Write(pdev(), "abc", 3));
  EXPECT_FALSE(Spool_Printf(pdev(), "@PJL EOJ\r\n"));
  EXPECT_FALSE(Spool_WriteOut(pdev(), "abc", 3));
  EXPECT_EQ(pdev()->job.output.buffer.count, 0);
  EXPECT_TRUE(Take().empty());
}

TEST_F(WriterTest, FailedSpoolFileWriteStopsAndFailsTheJob) {
  // A handle that cannot write: every block to the spool file fails.
  CloseHandle(file_);
  file_ = CreateFileW(u"C:\\writer-output.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file_, INVALID_HANDLE_VALUE);
  pdev()->job.output.hSpoolFile = file_;
  EXPECT_TRUE(Spool_Write(pdev(), "abc", 3));  // still in the buffer
  EXPECT_FALSE(Spool_Flush(pdev()));
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_STOPPED, 0u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_OUTPUT_FAILED, 0u);
  EXPECT_EQ(pdev()->job.output.position, 0u);  // the page records keep matching the file
  EXPECT_FALSE(Spool_Write(pdev(), "def", 3));
  Bytes large(5000, 1);
  EXPECT_FALSE(Spool_Write(pdev(), large.data(), large.size()));
}

TEST_F(WriterTest, FormFileReceivesTheSameBlocks) {
  HANDLE form = CreateFileW(u"C:\\form.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(form, INVALID_HANDLE_VALUE);
  pdev()->job.output.hFormFile = form;
  pdev()->job.output.flags |= JOF_TO_FORM_FILE;
  Bytes b = Pattern(9000, 3);
  Spool_Write(pdev(), b.data(), b.size());
  Spool_Write(pdev(), "tail", 4);
  Bytes spooled = Take();
  CloseHandle(form);
  EXPECT_EQ(ReadHostFile(machine_.Host("drives/C/form.bin")), spooled);
  EXPECT_EQ(spooled.size(), 9004u);
}

TEST_F(WriterTest, PrintfWritesTheTextWithoutItsTerminator) {
  EXPECT_TRUE(Spool_Printf(pdev(), "@PJL SET COPIES=%d\r\n", 12));
  Bytes line = Take();
  EXPECT_EQ(std::string(line.begin(), line.end()), "@PJL SET COPIES=12\r\n");
}

TEST_F(WriterTest, PrintfCutsAtTheFormatterLimit) {
  std::string longText(3000, 'x');
  Spool_Printf(pdev(), "%s", longText.c_str());
  EXPECT_EQ(Take().size(), SPOOL_PRINTF_LIMIT);
}

TEST_F(WriterTest, BufferWordsOutOfRangeAreNotTrusted) {
  pdev()->job.output.buffer.count = 5000;
  EXPECT_TRUE(Spool_Write(pdev(), "ab", 2));
  EXPECT_EQ(pdev()->job.output.buffer.count, 2);
  EXPECT_EQ(ToHex(Take()), "61 62");
}

// ---- Page table --------------------------------------------------------------------------

TEST_F(WriterTest, PageRecordsChainTheirStarts) {
  PdevOutputState& out = pdev()->job.output;
  const size_t sheets[] = {100, 5000, 0, 70000, 3};
  for (size_t n : sheets) {
    Bytes b = Pattern(n, 9);
    Spool_Write(pdev(), b.data(), b.size());
    Spool_Flush(pdev());
    Spool_AddPageRecord(pdev());
  }
  ASSERT_EQ(out.pageCount, 5u);
  ASSERT_GE(out.pageCapacity, out.pageCount + 1);
  DWORD start = 0;
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(out.pages[i].start, start) << i;
    EXPECT_EQ(out.pages[i].length, sheets[i]) << i;
    start += static_cast<DWORD>(sheets[i]);
  }
  EXPECT_EQ(out.pages[5].start, start);
  EXPECT_EQ(out.position, 0u);
  EXPECT_EQ(Take().size(), start);
}

TEST_F(WriterTest, DirectJobsCountTheBytesStillBuffered) {
  PdevOutputState& out = pdev()->job.output;
  out.flags = 0;  // neither spooled nor collated: the record only tells that bytes went out
  Spool_Write(pdev(), "0123456789", 10);
  Spool_AddPageRecord(pdev());
  EXPECT_EQ(out.pages[0].length, 10u);
}

TEST_F(WriterTest, PageRecordKeepsTheSheetsGeometry) {
  PdevOutputState& out = pdev()->job.output;
  pdev()->job.jobPage = {4960, 7008, 96, 96, 96, 96};
  pdev()->physicalPage = {5100, 6600, 100, 110, 120, 130};
  job().dmPrivate.wPaperSource = 2;
  pdev()->orientation = DMORIENT_LANDSCAPE;
  out.pageHeaderLength = 28;
  Spool_AddPageRecord(pdev());
  job().dmPrivate.scale.FtoPaper = 1;  // printed on Letter: the margins of the model's paper
  Spool_AddPageRecord(pdev());
  job().dmPrivate.bBooklet = 1;  // booklets keep the model's page whole
  Spool_AddPageRecord(pdev());
  job().dmPrivate.scale.FtoPaper = 0;
  job().dmPublic.dmPaperSize = RENDER_CUSTOM_FIRST_ID + 1;  // a custom paper: by its id
  job().dmPrivate.custom[1].dwCustomPaperId = 290;
  Spool_AddPageRecord(pdev());

  auto page = [&](int i) {
    PdevPage p;
    std::memcpy(&p, out.pages[i].pageSize, sizeof p);
    return std::vector<SHORT>{p.width, p.height, p.left, p.top, p.right, p.bottom};
  };
  EXPECT_EQ(page(0), (std::vector<SHORT>{4960, 7008, 96, 96, 96, 96}));
  EXPECT_EQ(page(1), (std::vector<SHORT>{4960, 7008, 100, 110, 120, 130}));
  EXPECT_EQ(page(2), (std::vector<SHORT>{5100, 6600, 100, 110, 120, 130}));
  EXPECT_EQ(out.pages[0].headerLength, 28u);
  // The page values: the sheet's paper and its source.
  EXPECT_EQ(out.pages[0].pageValues[0], 9u);
  EXPECT_EQ(out.pages[0].pageValues[1], 2u);
  EXPECT_EQ(out.pages[1].pageValues[0], 1u);
  EXPECT_EQ(out.pages[3].pageValues[0], 290u);
  EXPECT_EQ(out.pages[0].orientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(out.pages[0].paper, 9);
  EXPECT_EQ(out.pages[1].paper, 1);
}

TEST_F(WriterTest, ResetOutputReleasesThePageTable) {
  Spool_AddPageRecord(pdev());
  Spool_ResetOutput(pdev());
  EXPECT_EQ(pdev()->job.output.pages, nullptr);
  EXPECT_EQ(pdev()->job.output.pageCount, 0u);
  EXPECT_EQ(pdev()->job.output.buffer.capacity, JOB_OUTPUT_BUFFER_SIZE);
  EXPECT_EQ(pdev()->job.output.flags, 0u);
}

TEST_F(WriterTest, FormFileTakesOnlyTheFirstPageWhenAsked) {
  PdevOutputState& out = pdev()->job.output;
  out.flags = JOF_TO_FORM_FILE | JOF_FORM_FIRST_PAGE;
  EXPECT_TRUE(Spool_CountFormPage(pdev()));
  EXPECT_NE(out.flags & JOF_TO_FORM_FILE, 0u);
  EXPECT_TRUE(Spool_CountFormPage(pdev()));
  EXPECT_EQ(out.flags & JOF_TO_FORM_FILE, 0u);
  out.flags = JOF_TO_FORM_FILE;
  Spool_CountFormPage(pdev());
  EXPECT_NE(out.flags & JOF_TO_FORM_FILE, 0u);
  EXPECT_EQ(out.formPages, 3u);
}

// ---- Folders -------------------------------------------------------------------------------

TEST_F(WriterTest, MakeDirectoriesBuildsEveryMissingLevel) {
  EXPECT_TRUE(Spool_MakeDirectories(u"C:\\Forms\\Velmor\\Form\\page.dat", 1));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Forms\\Velmor\\Form") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(Spool_MakeDirectories(u"C:\\Forms\\Velmor\\Form\\other.dat", 1));  // exists already
  EXPECT_TRUE(Spool_MakeDirectories(u"C:/Slashes/Too/x", 1));
}

TEST_F(WriterTest, MakeDirectoriesFailsWhenALevelIsAFile) {
  HANDLE f = CreateFileW(u"C:\\Blocked", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  EXPECT_FALSE(Spool_MakeDirectories(u"C:\\Blocked\\Inner\\page.dat", 1));
}

TEST_F(WriterTest, MakeDirectoriesModeZeroLooksForTheFormFile) {
  EXPECT_FALSE(Spool_MakeDirectories(u"C:\\form", 0));
  HANDLE f = CreateFileW(u"C:\\form.dfd", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  EXPECT_TRUE(Spool_MakeDirectories(u"C:\\form", 0));
}

TEST_F(WriterTest, MakeDirectoriesRefusesNamesThatDoNotFit) {
  std::u16string longName = u"C:\\" + std::u16string(MAX_PATH - 5, u'a');
  EXPECT_FALSE(Spool_MakeDirectories(longName.c_str(), 0));  // no room for ".dfd"
  std::u16string tooLong = u"C:\\" + std::u16string(MAX_PATH, u'a') + u"\\x";
  EXPECT_FALSE(Spool_MakeDirectories(tooLong.c_str(), 1));
  EXPECT_FALSE(Spool_MakeDirectories(u"nofolder", 1));
  EXPECT_FALSE(Spool_MakeDirectories(nullptr, 1));
}

}  // namespace
}  // namespace writertest

namespace writertest {
namespace {

TEST_F(WriterTest, APageTableThatCannotGrowKeepsTheSheetForTheNextRecord) {
  PdevOutputState& out = pdev()->job.output;
  Spool_Write(pdev(), "first", 5);
  Spool_Flush(pdev());
  FailNextAllocation();
  Spool_AddPageRecord(pdev());
  EXPECT_EQ(out.pageCount, 0u);
  EXPECT_EQ(out.position, 5u);
  EXPECT_NE(pdev()->jobCtl.flags & JF_ERROR_RECORDED, 0u);
  Spool_Write(pdev(), "second", 6);
  Spool_Flush(pdev());
  Spool_AddPageRecord(pdev());
  ASSERT_EQ(out.pageCount, 1u);
  EXPECT_EQ(out.pages[0].start, 0u);
  EXPECT_EQ(out.pages[0].length, 11u);
}

TEST_F(WriterTest, ALongPolylineWithoutMemoryDrawsNothing) {
  std::vector<PclXlPoint> points(2000, PclXlPoint{1, 1});
  FailNextAllocation();
  PclXl_Polyline(pdev(), static_cast<DWORD>(points.size()), points.data());
  EXPECT_TRUE(Take().empty());
  EXPECT_NE(pdev()->jobCtl.flags & JF_ERROR_RECORDED, 0u);
}

}  // namespace
}  // namespace writertest
