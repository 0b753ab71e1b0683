// Jobs the driver replays from its spool file at the job end, printed through the stand-in GDI:
// collated copies, reverse order, and what happens when the spool file fails.
#include <win/files.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>

#include <vm4k2/ui_devmode.h>

#include "printer_dc.h"

namespace jobflowtest {
namespace {

// Each page paints one black box whose width tells the page: 10 dots per page number.
void MarkPage(HDC hdc, int page) {
  SelectObject(hdc, GetStockObject(BLACK_BRUSH));
  PatBlt(hdc, 100, 100, 10 * page, 10, PATCOPY);
}

// The page numbers of the sheets in the order they were printed (0 for a sheet without a box).
std::vector<int> SheetPages(const pclxl::Decoded& job) {
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

vm4k2::PrivateDevmode& Private(BYTE* privatePart) { return *reinterpret_cast<vm4k2::PrivateDevmode*>(privatePart); }

class Replay : public PrinterDCTest {
 protected:
  // The spool files of the driver's jobs left in the temporary folder.
  static int SpoolFilesLeft() {
    WCHAR folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::u16string pattern(reinterpret_cast<const char16_t*>(folder));
    pattern += u"tql*";
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 1;
    while (FindNextFileW(find, &found)) ++count;
    FindClose(find);
    return count;
  }
  static std::u16string SpoolFilePattern() {
    WCHAR folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::u16string(reinterpret_cast<const char16_t*>(folder)) + u"tql*";
  }
  static std::vector<BYTE> Collated(short copies, bool reverse = false, short orientation = DMORIENT_PORTRAIT) {
    return PrinterDevmode([&](DEVMODEW& dm, BYTE* priv) {
      dm.dmCopies = copies;
      dm.dmCollate = DMCOLLATE_TRUE;
      dm.dmOrientation = orientation;
      dm.dmFields |= DM_COPIES | DM_COLLATE | DM_ORIENTATION;
      Private(priv).reverseOrder = reverse ? 1 : 0;
    });
  }
};

TEST_F(Replay, CollatedCopiesPlayTheWholeJobAgainUnderOneHeader) {
  std::vector<BYTE> devmode = Collated(3);
  ASSERT_FALSE(devmode.empty());
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr) << GetLastError();
  DWORD job = PrintDocument(hdc, 2, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(Lines(decoded, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=1"});
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(Lines(decoded, "EndPage"), std::vector<std::string>(6, "EndPage PageCopies=1"));
  EXPECT_EQ(Lines(decoded, "BeginSession").size(), 1u);
  EXPECT_EQ(Lines(decoded, "EndSession").size(), 1u);
  EXPECT_EQ(decoded.pjlAfter, std::vector<std::string>{"@PJL EOJ"});
  EXPECT_EQ(decoded.uelCount, 3);
  EXPECT_EQ(SpoolFilesLeft(), 0);
}

TEST_F(Replay, ReverseOrderPlaysTheLastSheetFirst) {
  std::vector<BYTE> devmode = PrinterDevmode([](DEVMODEW&, BYTE* priv) { Private(priv).reverseOrder = 1; });
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr) << GetLastError();
  DWORD job = PrintDocument(hdc, 3, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(Lines(decoded, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=1"});
  EXPECT_EQ(SpoolFilesLeft(), 0);
}

// The spool state moves with the job to the record a ResetDC makes: both pages are replayed,
// the landscape one as a landscape sheet.
TEST_F(Replay, CollatedReverseCopiesAcrossAResetDCToLandscape) {
  std::vector<BYTE> portrait = Collated(2, true);
  std::vector<BYTE> landscape = Collated(2, true, DMORIENT_LANDSCAPE);
  ASSERT_EQ(AsDevmode(landscape)->dmOrientation, DMORIENT_LANDSCAPE);
  HDC hdc = CreateDC(AsDevmode(portrait));
  ASSERT_NE(hdc, nullptr);
  DWORD job = StartDocument(hdc);
  ASSERT_NE(job, 0u);
  ASSERT_GT(StartPage(hdc), 0);
  MarkPage(hdc, 1);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_EQ(ResetDCW(hdc, AsDevmode(landscape)), hdc) << GetLastError();
  ASSERT_GT(StartPage(hdc), 0);
  MarkPage(hdc, 2);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_GT(EndDoc(hdc), 0) << GetLastError();
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{2, 1, 2, 1}));
  std::vector<std::string> sheets = Lines(decoded, "BeginPage");
  ASSERT_EQ(sheets.size(), 4u);
  for (size_t i = 0; i < sheets.size(); ++i) {
    const char* expected = i % 2 == 0 ? "Orientation=eLandscapeOrientation" : "Orientation=ePortraitOrientation";
    EXPECT_NE(sheets[i].find(expected), std::string::npos) << sheets[i];
  }
  EXPECT_EQ(Lines(decoded, "BeginSession").size(), 1u);
  EXPECT_EQ(SpoolFilesLeft(), 0);
}

TEST_F(Replay, AnEmptyCollatedDocumentSendsNothing) {
  std::vector<BYTE> devmode = Collated(3);
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  DWORD job = PrintDocument(hdc, 0);
  EXPECT_TRUE(JobBytes(job).empty());
  EXPECT_EQ(SpoolFilesLeft(), 0);
  DeleteDC(hdc);
}

// Without its spool file the job still prints everything, the printer making the copies, and a
// poster comes out as its one page.
TEST_F(Replay, WithoutASpoolFileTheJobGoesStraightToThePrinter) {
  PlatformTest_FailCreatesOf(reinterpret_cast<const WCHAR*>(SpoolFilePattern().c_str()), FALSE);
  std::vector<BYTE> collated = Collated(3);
  HDC hdc = CreateDC(AsDevmode(collated));
  ASSERT_NE(hdc, nullptr);
  DWORD job = PrintDocument(hdc, 2, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(Lines(decoded, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=3"});
  EXPECT_EQ(Lines(decoded, "EndPage"), std::vector<std::string>(2, "EndPage PageCopies=3"));
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{1, 2}));

  std::vector<BYTE> poster = PrinterDevmode([](DEVMODEW&, BYTE* priv) { Private(priv).posterPrint = 1; });
  hdc = CreateDC(AsDevmode(poster));
  ASSERT_NE(hdc, nullptr);
  job = PrintDocument(hdc, 1, MarkPage);
  DeleteDC(hdc);
  decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(SheetPages(decoded), std::vector<int>{1});
  EXPECT_EQ(Lines(decoded, "SetPageScale"), std::vector<std::string>{"SetPageScale PageScale=(1,1)"});
  PlatformTest_FailCreatesOf(nullptr, FALSE);
  EXPECT_EQ(SpoolFilesLeft(), 0);
}

// The printer refuses part of the playback: EndDoc fails, the spool file goes, and the DC prints
// the next job cleanly.
TEST_F(Replay, AShortWriteDuringThePlaybackFailsTheJobAndLeavesTheDCReady) {
  std::vector<BYTE> devmode = Collated(3);
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  PlatformTest_SetControl("spooler.WritePrinterShortAfter", "900", FALSE);
  DWORD job = StartDocument(hdc);
  ASSERT_NE(job, 0u);
  for (int page = 1; page <= 2; ++page) {
    ASSERT_GT(StartPage(hdc), 0);
    MarkPage(hdc, page);
    ASSERT_GT(EndPage(hdc), 0) << "the pages go to the spool file";
  }
  EXPECT_LE(EndDoc(hdc), 0);
  PlatformTest_SetControl("spooler.WritePrinterShortAfter", nullptr, FALSE);
  EXPECT_EQ(SpoolFilesLeft(), 0);

  DWORD next = PrintDocument(hdc, 2, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(next);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(SpoolFilesLeft(), 0);
}

TEST_F(Replay, AnAbortedJobLeavesNoSpoolFile) {
  std::vector<BYTE> devmode = Collated(2);
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  ASSERT_NE(StartDocument(hdc), 0u);
  ASSERT_GT(StartPage(hdc), 0);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_GT(StartPage(hdc), 0);
  EXPECT_EQ(SpoolFilesLeft(), 1) << "the job is spooled while it is drawn";
  EXPECT_GT(AbortDoc(hdc), 0);
  EXPECT_EQ(SpoolFilesLeft(), 0);
  DWORD next = PrintDocument(hdc, 1, MarkPage);
  DeleteDC(hdc);
  EXPECT_EQ(SheetPages(DecodedJob(next)), (std::vector<int>{1, 1}));
}

// A hatched brush and a TrueType face on both sheets of a reversed job: each sheet, as played,
// defines the pattern and the font it uses, since the sheet before it on paper is not the one
// drawn before it.
TEST_F(Replay, EachReversedSheetDefinesItsPatternAndFont) {
  std::vector<BYTE> devmode = PrinterDevmode([](DEVMODEW&, BYTE* priv) { Private(priv).reverseOrder = 1; });
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
  HFONT font = CreateFontW(-100, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                           reinterpret_cast<LPCWSTR>(u"Liberation Sans"));
  DWORD job = PrintDocument(hdc, 2, [&](HDC dc, int page) {
    MarkPage(dc, page);
    SelectObject(dc, hatch);
    PatBlt(dc, 400, 400, 600, 600, PATCOPY);
    SelectObject(dc, font);
    TextOutW(dc, 400, 1200, reinterpret_cast<LPCWSTR>(u"Sheet"), 5);
  });
  DeleteDC(hdc);
  DeleteObject(hatch);
  DeleteObject(font);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{2, 1}));
  std::vector<int> patterns, fonts;
  for (const pclxl::Operator& op : decoded.operators) {
    const std::string name = pclxl::OperatorName(op.tag);
    if (name == "BeginPage") {
      patterns.push_back(0);
      fonts.push_back(0);
    }
    if (name == "BeginRastPattern" && !patterns.empty()) ++patterns.back();
    if (name == "BeginFontHeader" && !fonts.empty()) ++fonts.back();
  }
  EXPECT_EQ(patterns, (std::vector<int>{1, 1}));
  EXPECT_EQ(fonts, (std::vector<int>{1, 1}));
}

// The printer duplexes a collated job of three sheets: each copy but the last ends with a blank
// back, so that every copy starts on a sheet of its own; the blank back asks for no front side.
TEST_F(Replay, DuplexedCollatedCopiesOfAnOddJobEachStartOnANewSheet) {
  std::vector<BYTE> devmode = PrinterDevmode([](DEVMODEW& dm, BYTE*) {
    dm.dmCopies = 2;
    dm.dmCollate = DMCOLLATE_TRUE;
    dm.dmDuplex = DMDUP_VERTICAL;
    dm.dmFields |= DM_COPIES | DM_COLLATE | DM_DUPLEX;
  });
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  DWORD job = PrintDocument(hdc, 3, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(Lines(decoded, "@PJL SET DUPLEX"), std::vector<std::string>{"@PJL SET DUPLEX=ON"});
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{1, 2, 3, 0, 1, 2, 3}));
  std::vector<std::string> sheets = Lines(decoded, "BeginPage");
  ASSERT_EQ(sheets.size(), 7u);
  EXPECT_EQ(sheets[3].find("DuplexPageSide"), std::string::npos) << sheets[3];
}

// Reverse order of a job the printer duplexes goes by front and back pairs, the last pair first:
// the odd last page keeps a blank back, so no page changes sides.
TEST_F(Replay, ReversedDuplexJobsKeepEveryPageOnItsSide) {
  std::vector<BYTE> devmode = PrinterDevmode([](DEVMODEW& dm, BYTE* priv) {
    dm.dmDuplex = DMDUP_VERTICAL;
    dm.dmFields |= DM_DUPLEX;
    Private(priv).reverseOrder = 1;
  });
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr);
  DWORD job = PrintDocument(hdc, 3, MarkPage);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  EXPECT_EQ(SheetPages(decoded), (std::vector<int>{3, 0, 1, 2}));
}

}  // namespace
}  // namespace jobflowtest
