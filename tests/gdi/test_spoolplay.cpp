// The spool-file replay's parts: the duplex split, the mark search, the poster tiles and crop
// marks, driver-made duplex and the booklet tables, and its failures. Portrait A4 at 600 dpi is
// 4960 x 7008 dots with 96-dot margins; m = 96.
#include <cstring>

#include <win/files.h>

#include "gdi/spoolplay.h"
#include "jobctrl_fixture.h"

namespace jobctrltest {
namespace {

// ---- Duplex split -----------------------------------------------------------------------------

struct SplitCase {
  const char* name;
  std::vector<DWORD> paperOfPage;     // page value A of each sheet record (1..n)
  std::vector<DWORD> sourceOfPage;    // page value B, empty for all 0
  std::vector<std::pair<DWORD, DWORD>> sheets;
};

class DuplexSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(DuplexSplit, FrontsAndBacksWithinRuns) {
  const SplitCase& c = GetParam();
  std::vector<PageRecord> pages(c.paperOfPage.size() + 2);
  for (size_t i = 0; i < c.paperOfPage.size(); ++i) {
    pages[i + 1].pageValues[0] = c.paperOfPage[i];
    pages[i + 1].pageValues[1] = c.sourceOfPage.empty() ? 0 : c.sourceOfPage[i];
  }
  std::vector<SpoolDuplexSheet> sheets(pages.size());
  const DWORD count = Spool_SplitDuplex(pages.data(), 1, static_cast<DWORD>(c.paperOfPage.size()), sheets.data(),
                                        static_cast<DWORD>(sheets.size()));
  std::vector<std::pair<DWORD, DWORD>> got;
  for (DWORD i = 0; i < count; ++i) got.emplace_back(sheets[i].front, sheets[i].back);
  EXPECT_EQ(got, c.sheets);
}

INSTANTIATE_TEST_SUITE_P(
    Split, DuplexSplit,
    ::testing::Values(SplitCase{"FivePages", {9, 9, 9, 9, 9}, {}, {{1, 2}, {3, 4}, {5, 0}}},
                      SplitCase{"OnePage", {9}, {}, {{1, 0}}},
                      SplitCase{"FourPages", {9, 9, 9, 9}, {}, {{1, 2}, {3, 4}}},
                      SplitCase{"PaperChangesAfterAnOddPage", {9, 9, 9, 1, 1}, {}, {{1, 2}, {3, 0}, {4, 5}}},
                      SplitCase{"PaperChangesAfterAnEvenPage", {9, 9, 1, 1, 1}, {}, {{1, 2}, {3, 4}, {5, 0}}},
                      SplitCase{"SourceChangesAfterAnOddPage", {9, 9, 9}, {0, 0, 2}, {{1, 2}, {3, 0}}},
                      SplitCase{"EveryPageAnotherPaper", {1, 9, 1}, {}, {{1, 0}, {2, 0}, {3, 0}}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

// ---- Mark search ------------------------------------------------------------------------------

class MarkSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    WCHAR folder[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, reinterpret_cast<LPCWSTR>(u"mrk"), 0, path_), 0u);
  }
  void TearDown() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    DeleteFileW(path_);
  }
  // A file of `size` bytes of 0x11 with the pattern at each of `at`.
  void Write(size_t size, const std::vector<size_t>& at, const BYTE* pattern) {
    std::vector<BYTE> bytes(size, 0x11);
    for (size_t offset : at) std::memcpy(bytes.data() + offset, pattern, SPOOL_MARK_BYTES);
    file_ = CreateFileW(path_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file_, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }
  ULONGLONG Find(ULONGLONG from, ULONGLONG end, const BYTE* pattern = SPOOL_MARK_PAGE_ORIGIN) {
    return Spool_FindMark(nullptr, file_, from, end, pattern, SPOOL_MARK_BYTES);
  }

  testsupport::TempMachine machine_;
  WCHAR path_[MAX_PATH] = {};
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

struct MarkCase {
  size_t at;         // where the pattern lies
  ULONGLONG from;    // the record searched
  ULONGLONG end;
  ULONGLONG found;   // SPOOL_MARK_NOT_FOUND when it is outside the record
};

TEST_F(MarkSearch, PatternsAcrossBlockEndsAndRecordBounds) {
  const MarkCase cases[] = {
      {4093, 0, 12000, 4093},   // ends on the block's last byte
      {4094, 0, 12000, 4094},   // straddles 4096 by one byte
      {4095, 0, 12000, 4095},   // straddles 4096 by two bytes
      {8189, 0, 12000, 8189},   // straddles the second block end
      {4095, 100, 12000, 4095}, // blocks counted from the record's start
      {4095, 4096, 12000, SPOOL_MARK_NOT_FOUND},  // begins before the record
      {4095, 0, 4097, SPOOL_MARK_NOT_FOUND},      // ends after the record
      {4095, 0, 4098, 4095},                      // the record's last three bytes
  };
  for (const MarkCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "at " << c.at << " in [" << c.from << ", " << c.end << ")");
    Write(12000, {c.at}, SPOOL_MARK_PAGE_ORIGIN);
    EXPECT_EQ(Find(c.from, c.end), c.found);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
}

TEST_F(MarkSearch, ARecordWithoutTheMarkAndTheFirstOfTwo) {
  Write(9000, {5000, 7000}, SPOOL_MARK_PAGE_ORIGIN);
  EXPECT_EQ(Find(0, 4999), SPOOL_MARK_NOT_FOUND);
  EXPECT_EQ(Find(0, 9000), 5000u);
  EXPECT_EQ(Find(5001, 9000), 7000u);
  EXPECT_EQ(Find(0, 9000, SPOOL_MARK_PAGE_COPIES), SPOOL_MARK_NOT_FOUND);
  EXPECT_EQ(Find(9000, 9000), SPOOL_MARK_NOT_FOUND);
}

TEST_F(MarkSearch, APageStartIsMediaSizeOrCustomMediaUnits) {
  Write(6000, {4500}, SPOOL_MARK_CUSTOM_MEDIA_UNITS);
  EXPECT_EQ(Spool_FindPageStart(nullptr, file_, 0, 6000), 4500u);
  CloseHandle(file_);
  Write(6000, {5000}, SPOOL_MARK_MEDIA_SIZE);
  EXPECT_EQ(Spool_FindPageStart(nullptr, file_, 0, 6000), 5000u);
  EXPECT_EQ(Spool_FindPageStart(nullptr, file_, 0, 5000), SPOOL_MARK_NOT_FOUND);
}

// ---- Booklet tables ----------------------------------------------------------------------------

TEST(BookletGrouping, BookletSizesForEachMode) {
  struct Case {
    BYTE mode;
    BYTE sheets;
    DWORD pages;
    std::vector<DWORD> sizes;
  };
  const Case cases[] = {
      {0, 5, 30, {30}},
      {0, 5, 1, {1}},
      {1, 2, 19, {8, 8, 3}},
      {1, 5, 20, {20}},
      {1, 1, 4, {4}},
      {2, 5, 450, {200, 200, 50}},
      {2, 5, 200, {200}},
  };
  for (const Case& c : cases) {
    std::vector<DWORD> sizes;
    for (DWORD i = 0; DWORD size = Spool_BookletPages(c.mode, c.sheets, c.pages, i); ++i) sizes.push_back(size);
    EXPECT_EQ(sizes, c.sizes) << "mode " << int(c.mode) << ", " << c.pages << " pages";
  }
}

TEST(BookletSides, PagesOfEachSideForOneToNinePages) {
  // Each sheet of the booklet, outermost first: "front left,right/back left,right", 0 blank.
  const char* expected[] = {
      "0,1/0,0",                  // 1 page
      "0,1/2,0",                  // 2
      "0,1/2,3",                  // 3
      "4,1/2,3",                  // 4
      "0,1/2,0 0,3/4,5",          // 5
      "0,1/2,0 6,3/4,5",          // 6
      "0,1/2,7 6,3/4,5",          // 7
      "8,1/2,7 6,3/4,5",          // 8
      "0,1/2,0 0,3/4,9 8,5/6,7",  // 9
  };
  for (DWORD pages = 1; pages <= 9; ++pages) {
    std::string got;
    for (DWORD s = 0; s < (pages + 3) / 4; ++s) {
      SpoolBookletSide front{}, back{};
      Spool_BookletSheet(pages, s, &front, &back);
      if (!got.empty()) got += " ";
      got += std::to_string(front.left) + "," + std::to_string(front.right) + "/" + std::to_string(back.left) + "," +
             std::to_string(back.right);
    }
    EXPECT_EQ(got, expected[pages - 1]) << pages << " pages";
  }
}

// ---- Poster tiles --------------------------------------------------------------------------------

TEST(PosterTiles, OriginsOfTheFormulaBranches) {
  struct Case {
    const char* name;
    SpoolPosterGeometry g;
    int column, row;
    SHORT x, y;
  };
  const Case cases[] = {
      // The paper of the settings is the sheet's: the second branch, tiles one sheet apart.
      {"A4 first tile", {96, 4960, 7008, 96, 96, 4960, 7008, 2.0, 2.0, 0.0}, 1, 1, 96, 96},
      {"A4 second column", {96, 4960, 7008, 96, 96, 4960, 7008, 2.0, 2.0, 0.0}, 2, 1, -4672, 96},
      {"A4 second row", {96, 4960, 7008, 96, 96, 4960, 7008, 2.0, 2.0, 0.0}, 1, 2, 96, -6720},
      // A5 enlarged twice onto an A3 fit-to paper: smaller than the sheet, the first branch.
      {"fit-to paper first tile", {96, 7016, 9921, 96, 96, 2480, 3496, 2.0, 2.0, 0.0}, 1, 1, 6920, 9825},
      {"fit-to paper last tile", {96, 7016, 9921, 96, 96, 2480, 3496, 2.0, 2.0, 0.0}, 2, 2, 96, 96},
      // Truncated to whole dots, towards zero on both sides.
      {"truncated", {96, 4960, 7008, 99, 99, 4960, 7008, 1.5, 1.5, 0.0}, 1, 1, 100, 100},
      {"truncated negative", {96, 4960, 7008, 99, 99, 4960, 7008, 1.5, 1.5, 0.0}, 2, 2, -4667, -6715},
      // A zoom of 250 % with a 2 x 2 poster: an overlap of half a tile.
      {"overlap", {96, 4960, 7008, 96, 96, 4960, 7008, 2.0, 2.0, 0.5}, 1, 1, -2288, -3312},
  };
  for (const Case& c : cases) {
    SHORT x = 0, y = 0;
    ASSERT_TRUE(Spool_PosterTileOrigin(&c.g, c.column, c.row, &x, &y)) << c.name;
    EXPECT_EQ(x, c.x) << c.name;
    EXPECT_EQ(y, c.y) << c.name;
  }
  const SpoolPosterGeometry large{96, 30000, 30000, 96, 96, 30000, 30000, 4.0, 4.0, 0.0};
  SHORT x = 0, y = 0;
  EXPECT_FALSE(Spool_PosterTileOrigin(&large, 4, 1, &x, &y)) << "beyond a signed 16-bit origin";
}

TEST(PosterTiles, TilesPerSideAndOverlapFactor) {
  EXPECT_EQ(Spool_PosterTiles(0), 2);
  EXPECT_EQ(Spool_PosterTiles(1), 3);
  EXPECT_EQ(Spool_PosterTiles(2), 4);
  EXPECT_EQ(Spool_PosterTiles(7), 2);
  RenderDevmode settings{};
  settings.dmPrivate.scale.SRatio = 250;
  EXPECT_EQ(Spool_PosterOverlap(&settings, 2), 0.0) << "no zoom";
  settings.dmPrivate.scale.ISFSet = 1;
  EXPECT_DOUBLE_EQ(Spool_PosterOverlap(&settings, 2), 0.5);
  settings.dmPrivate.scale.SRatio = 300;
  EXPECT_EQ(Spool_PosterOverlap(&settings, 3), 0.0) << "the ratio of the tiles";
}

// ---- Whole jobs through the driver functions -------------------------------------------------------

class ReplayJob : public JobCtrlTest {
 protected:
  // pages pages, each with a black box 10 dots wide per page number, then DrvEndDoc.
  BOOL PrintMarkedPages(int pages) {
    for (int page = 1; page <= pages; ++page) {
      EXPECT_TRUE(DrvStartPage(surface()));
      BRUSHOBJ black{};
      RECTL box{100, 100, 100 + 10 * page, 110};
      POINTL origin{0, 0};
      EXPECT_TRUE(DrvBitBlt(surface(), nullptr, nullptr, nullptr, nullptr, &box, nullptr, nullptr, &black, &origin,
                            0xF0F0));
      EXPECT_TRUE(DrvSendPage(surface()));
    }
    BOOL ended = DrvEndDoc(surface(), 0);
    EndDocPrinter(open_.printer());
    return ended;
  }

  // The page of each sheet in print order (0: a sheet without a box).
  static std::vector<int> SheetPages(const pclxl::Decoded& job) {
    std::vector<int> pages;
    for (const pclxl::Operator& op : job.operators) {
      const std::string name = pclxl::OperatorName(op.tag);
      if (name == "BeginPage") pages.push_back(0);
      if (name == "RectanglePath" && !pages.empty() && pages.back() == 0) {
        // The box is 10 dots high; other rectangles of the page are not it.
        const pclxl::Attribute* box = op.Find(0x42);
        if (box && box->value.numbers.size() == 4 && box->value.numbers[3] - box->value.numbers[1] == 10)
          pages.back() = static_cast<int>((box->value.numbers[2] - box->value.numbers[0]) / 10);
      }
    }
    return pages;
  }

  static std::u16string SpoolFilePattern() {
    WCHAR folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::u16string(reinterpret_cast<const char16_t*>(folder)) + u"tql*";
  }
  static bool SpoolFileLeft() {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(SpoolFilePattern().c_str()), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
  }
};

TEST_F(ReplayJob, APosterOfOnePageIsFourSheetsEachWithTheWholeBody) {
  Change([](RenderDevmode& s) { s.dmPrivate.bPosterLayout = 1; });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintMarkedPages(1));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(SheetPages(job), (std::vector<int>{1, 1, 1, 1}));
  // m = 96 and the model's margins are m: W - 2m = 4768, H - 2m = 6816.
  EXPECT_EQ(Lines(job, "SetPageOrigin"),
            (std::vector<std::string>{"SetPageOrigin PageOrigin=(96,96)", "SetPageOrigin PageOrigin=(-4672,96)",
                                      "SetPageOrigin PageOrigin=(96,-6720)",
                                      "SetPageOrigin PageOrigin=(-4672,-6720)"}));
  EXPECT_EQ(Lines(job, "SetPageScale"), std::vector<std::string>(4, "SetPageScale PageScale=(2,2)"));
  EXPECT_EQ(Lines(job, "EndPage").size(), 4u);
  EXPECT_FALSE(SpoolFileLeft());
}

// Crop marks are reached only through settings that the user interface does not offer with a
// poster of this kind; the test writes them on the record.
TEST_F(ReplayJob, CropMarksOnEveryPosterTile) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.bPosterLayout = 1;
    s.dmPrivate.poster.bCropMarks = 1;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintMarkedPages(1));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(Lines(job, "LinePath").size(), 4u * 12u);
  EXPECT_EQ(Lines(job, "SetClipToPage").size(), 4u);
  // The first tile's marks, from its SetPageDefaultCTM after the page's own content on.
  std::vector<std::string> tile;
  bool inMarks = false;
  int defaults = 0;
  for (const std::string& line : job.listing) {
    if (line.rfind("SetPageDefaultCTM", 0) == 0 && ++defaults == 2) inMarks = true;
    if (!inMarks) continue;
    if (line.rfind("EndPage", 0) == 0) break;
    tile.push_back(line);
  }
  std::vector<std::string> expected = {
      "SetPageDefaultCTM", "SetPageOrigin PageOrigin=(96,96)", "SetPageScale PageScale=(1,1)", "SetClipToPage",
      "SetPenWidth PenWidth=1", "SetLineCap LineCapStyle=eRoundCap", "SetLineJoin LineJoinStyle=eRoundJoin",
      "SetLineDash LineDashStyle=[40 10] DashOffset=0", "SetBrushSource NullBrush=0", "SetROP ROP3=240",
      "SetPenSource GrayLevel=0"};
  // A4 at 600 dpi: p = 5, the corners' far side W - 197 = 4763 and H - 197 = 6811, the edges'
  // middles (W - 192) / 2 + 5 = 2389 and (H - 192) / 2 + 5 = 3413; every line 240 dots.
  const int lines[12][4] = {{5, 5, 245, 5},          {5, 5, 5, 245},          {4763, 5, 4523, 5},
                            {4763, 5, 4763, 245},    {5, 6811, 245, 6811},    {5, 6811, 5, 6571},
                            {4763, 6811, 4523, 6811}, {4763, 6811, 4763, 6571}, {2269, 5, 2509, 5},
                            {2269, 6811, 2509, 6811}, {5, 3293, 5, 3533},      {4763, 3293, 4763, 3533}};
  for (const auto& l : lines) {
    expected.push_back("NewPath");
    expected.push_back("SetCursor Point=(" + std::to_string(l[0]) + "," + std::to_string(l[1]) + ")");
    expected.push_back("LinePath EndPoint=(" + std::to_string(l[2]) + "," + std::to_string(l[3]) + ")");
    expected.push_back("PaintPath");
  }
  EXPECT_EQ(tile, expected);
}

// Driver-made duplex is reached through bDocumentStyle 3, which the user interface does not
// make; the test writes it on the record.
TEST_F(ReplayJob, DriverDuplexPlaysTheBacksThenTheFronts) {
  Change([](RenderDevmode& s) { s.dmPrivate.bDocumentStyle = 3; });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintMarkedPages(5));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(SheetPages(job), (std::vector<int>{0, 4, 2, 1, 3, 5}));
  EXPECT_EQ(Lines(job, "BeginSession").size(), 1u);
  EXPECT_EQ(Lines(job, "@PJL SET DUPLEX"), std::vector<std::string>{"@PJL SET DUPLEX=OFF"});
  EXPECT_FALSE(SpoolFileLeft());
}

TEST_F(ReplayJob, ASpoolFileThatCannotBeReadFailsTheJob) {
  Change([](RenderDevmode& s) { s.dmPrivate.dwUiWord10 = 1; });
  ASSERT_TRUE(StartJob());
  PlatformTest_FailReadsFrom(reinterpret_cast<const WCHAR*>(SpoolFilePattern().c_str()), FALSE);
  EXPECT_FALSE(PrintMarkedPages(2));
  PlatformTest_FailReadsFrom(nullptr, FALSE);
  EXPECT_FALSE(SpoolFileLeft());
  EXPECT_EQ(pdev()->jobCtl.flags & JF_JOB_OPEN, 0u) << "the failed job is closed";
}

TEST_F(ReplayJob, ASpoolFileThatCannotBeWrittenFailsTheJob) {
  Change([](RenderDevmode& s) { s.dmPrivate.dwUiWord10 = 1; });
  PlatformTest_FailWritesTo(reinterpret_cast<const WCHAR*>(SpoolFilePattern().c_str()), FALSE);
  ASSERT_TRUE(StartJob());
  // The first block that reaches the file stops the job's output: later pages are refused.
  for (int page = 1; page <= 2; ++page) {
    DrvStartPage(surface());
    DrvSendPage(surface());
  }
  EXPECT_FALSE(DrvEndDoc(surface(), 0));
  EndDocPrinter(open_.printer());
  PlatformTest_FailWritesTo(nullptr, FALSE);
  EXPECT_FALSE(SpoolFileLeft());
  EXPECT_EQ(pdev()->jobCtl.flags & JF_JOB_OPEN, 0u);
}

TEST_F(ReplayJob, DriverDuplexCopiesPlayEveryCopysBacksBeforeTheFronts) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.bDocumentStyle = 4;
    s.dmPublic.dmCopies = 2;
    s.dmPublic.dmCollate = DMCOLLATE_TRUE;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintMarkedPages(3));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(SheetPages(job), (std::vector<int>{0, 2, 0, 2, 1, 3, 1, 3}));
  EXPECT_EQ(Lines(job, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=1"});
}

// Booklets are reached only through the settings the test writes (the user interface does not
// switch them on). Five portrait pages make one booklet of two sheets, each side a landscape
// sheet with two half-size pages: outer sheet (blank, 1) / (2, blank), inner (blank, 3) / (4, 5).
TEST_F(ReplayJob, ABookletImposesTwoPagesOnEachTurnedSide) {
  Change([](RenderDevmode& s) { s.dmPrivate.bBooklet = 1; });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintMarkedPages(5));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  std::vector<std::vector<int>> sides;
  for (const pclxl::Operator& op : job.operators) {
    const std::string name = pclxl::OperatorName(op.tag);
    if (name == "BeginPage") sides.emplace_back();
    const pclxl::Attribute* box = op.Find(0x42);
    if (name == "RectanglePath" && !sides.empty() && box && box->value.numbers.size() == 4 &&
        box->value.numbers[3] - box->value.numbers[1] == 10)
      sides.back().push_back(static_cast<int>((box->value.numbers[2] - box->value.numbers[0]) / 10));
  }
  EXPECT_EQ(sides, (std::vector<std::vector<int>>{{1}, {2}, {3}, {4, 5}}));
  for (const std::string& side : Lines(job, "BeginPage"))
    EXPECT_NE(side.find("Orientation=eLandscapeOrientation"), std::string::npos) << side;
  EXPECT_EQ(Lines(job, "EndPage"), std::vector<std::string>(4, "EndPage PageCopies=1"));
  // The halves: the left at m, the right half a turned sheet further, (7008 - 192) / 2 = 3408,
  // both at the two-up scale min(6816 / (2 x 4768), 4768 / 6816).
  std::vector<PageTransform> halves = Transforms(job);
  std::string origins;
  for (const PageTransform& t : halves) origins += (origins.empty() ? "" : " ") + t.origin;
  EXPECT_EQ(origins, "(3504,96) (96,96) (3504,96) (96,96) (3504,96)");
  for (const PageTransform& t : halves) EXPECT_EQ(t.scale.substr(0, 7), "(0.6995") << t.scale;
  EXPECT_EQ(Lines(job, "PushGS").size(), 4u + 5u) << "a side's own and each half's";
  EXPECT_EQ(Lines(job, "PopGS").size(), 5u);
}

}  // namespace
}  // namespace jobctrltest
