// Whole jobs through the stand-in GDI: the renderer's job and page flow as the spooler sees it.
#include "printer_dc.h"

namespace jobflowtest {
namespace {

using JobFlow = PrinterDCTest;

TEST_F(JobFlow, EmptyPagesMakeACompleteJob) {
  HDC hdc = CreateDC();
  ASSERT_NE(hdc, nullptr) << GetLastError();
  DWORD job = PrintDocument(hdc, 2);
  ASSERT_TRUE(DeleteDC(hdc));
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error << " at " << decoded.errorOffset;
  ASSERT_GE(decoded.listing.size(), 4u);
  EXPECT_EQ(decoded.listing.front(), "<UEL>");
  EXPECT_EQ(decoded.pjlBefore.front(), "@PJL COMMENT Version 3.0 For Windows 2000");
  EXPECT_EQ(Lines(decoded, "@PJL SET JOBOWNER"), std::vector<std::string>{"@PJL SET JOBOWNER=vmPC01"});
  // One sheet per page, each with the page transform of a one-up page.
  std::vector<std::string> ops;
  for (const pclxl::Operator& op : decoded.operators) ops.push_back(pclxl::OperatorName(op.tag));
  const std::vector<std::string> sheet = {"BeginPage", "PushGS", "SetPageDefaultCTM", "SetPageOrigin",
                                          "SetPageRotation", "SetPageScale", "SetColorSpace", "EndPage"};
  std::vector<std::string> expected = {"BeginSession", "OpenDataSource"};
  expected.insert(expected.end(), sheet.begin(), sheet.end());
  expected.insert(expected.end(), sheet.begin(), sheet.end());
  expected.insert(expected.end(), {"CloseDataSource", "EndSession"});
  EXPECT_EQ(ops, expected);
  EXPECT_EQ(Lines(decoded, "SetPageOrigin"),
            std::vector<std::string>(2, "SetPageOrigin PageOrigin=(96,96)"));
  EXPECT_EQ(Lines(decoded, "SetPageScale"), std::vector<std::string>(2, "SetPageScale PageScale=(1,1)"));
  EXPECT_EQ(Lines(decoded, "EndPage"), std::vector<std::string>(2, "EndPage PageCopies=1"));
  EXPECT_EQ(decoded.pjlAfter, std::vector<std::string>{"@PJL EOJ"});
  EXPECT_EQ(decoded.uelCount, 3);
}

TEST_F(JobFlow, ADocumentWithoutPagesWritesNothing) {
  HDC hdc = CreateDC();
  ASSERT_NE(hdc, nullptr);
  DWORD job = PrintDocument(hdc, 0);
  EXPECT_TRUE(JobBytes(job).empty());
  DeleteDC(hdc);
}

// Copies: the printer repeats each sheet; collated copies are made by the driver, which plays
// the whole job again for each copy and asks the printer for one.
struct CopiesCase {
  short copies;
  short collate;
};
class JobCopies : public PrinterDCTest, public ::testing::WithParamInterface<CopiesCase> {};

TEST_P(JobCopies, EverySheetAsksForTheCopies) {
  const CopiesCase c = GetParam();
  std::vector<BYTE> devmode = PrinterDevmode([&](DEVMODEW& dm, BYTE*) {
    dm.dmCopies = c.copies;
    dm.dmCollate = c.collate;
    dm.dmFields |= DM_COPIES | DM_COLLATE;
  });
  ASSERT_FALSE(devmode.empty());
  ASSERT_EQ(AsDevmode(devmode)->dmCopies, c.copies);
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr) << GetLastError();
  DWORD job = PrintDocument(hdc, 2);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  const bool driverCopies = c.copies > 1 && c.collate == DMCOLLATE_TRUE;
  const std::string count = driverCopies ? "1" : std::to_string(c.copies);
  const size_t sheets = driverCopies ? 2u * static_cast<size_t>(c.copies) : 2u;
  EXPECT_EQ(Lines(decoded, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=" + count});
  EXPECT_EQ(Lines(decoded, "EndPage"), std::vector<std::string>(sheets, "EndPage PageCopies=" + count));
}

INSTANTIATE_TEST_SUITE_P(Copies, JobCopies,
                         ::testing::Values(CopiesCase{3, 0}, CopiesCase{3, 1}, CopiesCase{1, 1}, CopiesCase{2, 0}),
                         [](const ::testing::TestParamInfo<CopiesCase>& info) {
                           return "Copies" + std::to_string(info.param.copies) + "Collate" +
                                  std::to_string(info.param.collate);
                         });

// Zoom reaches the application as the logical resolution, and only there: an application that
// draws an inch as LOGPIXELSX units draws zoom-percent of an inch of device dots, and the page
// itself is not scaled again.
class JobZoom : public PrinterDCTest, public ::testing::WithParamInterface<short> {};

TEST_P(JobZoom, LogicalResolutionCarriesTheZoomAndThePageScaleStaysOne) {
  const short zoom = GetParam();
  std::vector<BYTE> devmode = PrinterDevmode([&](DEVMODEW& dm, BYTE*) {
    dm.dmScale = zoom;
    dm.dmFields |= DM_SCALE;
  });
  HDC hdc = CreateDC(AsDevmode(devmode));
  ASSERT_NE(hdc, nullptr) << GetLastError();
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 600 * zoom / 100);
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSY), 600 * zoom / 100);
  DWORD job = PrintDocument(hdc, 1);
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(Lines(decoded, "SetPageScale"), std::vector<std::string>{"SetPageScale PageScale=(1,1)"});
}

INSTANTIATE_TEST_SUITE_P(Zoom, JobZoom, ::testing::Values(25, 50, 200),
                         [](const ::testing::TestParamInfo<short>& info) { return "Percent" + std::to_string(info.param); });

// A ResetDC to landscape between two pages: the second sheet is a landscape sheet.
TEST_F(JobFlow, ResetDCToLandscapeBetweenPages) {
  std::vector<BYTE> portrait = PrinterDevmode();
  std::vector<BYTE> landscape = PrinterDevmode([](DEVMODEW& dm, BYTE*) {
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmFields |= DM_ORIENTATION;
  });
  ASSERT_EQ(AsDevmode(landscape)->dmOrientation, DMORIENT_LANDSCAPE);
  HDC hdc = CreateDC(AsDevmode(portrait));
  ASSERT_NE(hdc, nullptr);
  DWORD job = StartDocument(hdc);
  ASSERT_NE(job, 0u);
  ASSERT_GT(StartPage(hdc), 0);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_EQ(ResetDCW(hdc, AsDevmode(landscape)), hdc) << GetLastError();
  EXPECT_GT(GetDeviceCaps(hdc, HORZRES), GetDeviceCaps(hdc, VERTRES));
  ASSERT_GT(StartPage(hdc), 0);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_GT(EndDoc(hdc), 0) << GetLastError();
  DeleteDC(hdc);
  pclxl::Decoded decoded = DecodedJob(job);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  std::vector<std::string> pages = Lines(decoded, "BeginPage");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NE(pages[0].find("Orientation=ePortraitOrientation"), std::string::npos) << pages[0];
  EXPECT_NE(pages[1].find("Orientation=eLandscapeOrientation"), std::string::npos) << pages[1];
  EXPECT_EQ(Lines(decoded, "EndPage").size(), 2u);
  EXPECT_EQ(Lines(decoded, "BeginSession").size(), 1u) << "one job across the ResetDC";
}

// Several documents on one DC each make a job of their own; an aborted one leaves no job and
// does not disturb the next.
TEST_F(JobFlow, DocumentsOnOneDCAndAnAbortedOne) {
  HDC hdc = CreateDC();
  ASSERT_NE(hdc, nullptr);
  DWORD first = PrintDocument(hdc, 1);

  DWORD aborted = StartDocument(hdc);
  ASSERT_NE(aborted, 0u);
  ASSERT_GT(StartPage(hdc), 0);
  ASSERT_GT(EndPage(hdc), 0);
  ASSERT_GT(StartPage(hdc), 0);
  EXPECT_GT(AbortDoc(hdc), 0);
  char path[1024];
  EXPECT_FALSE(PlatformTest_SpoolerJobFile(aborted, path, sizeof path)) << "the aborted job is gone";

  DWORD second = PrintDocument(hdc, 2);
  DeleteDC(hdc);
  for (DWORD job : {first, second}) {
    pclxl::Decoded decoded = DecodedJob(job);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(Lines(decoded, "BeginPage").size(), job == first ? 1u : 2u);
  }
}

// A write the spooler refuses stops the job's output; EndDoc reports the failure.
TEST_F(JobFlow, AFailedWriteMakesEndDocFail) {
  HDC hdc = CreateDC();
  ASSERT_NE(hdc, nullptr);
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", "100", FALSE);
  DWORD job = StartDocument(hdc);
  ASSERT_NE(job, 0u);
  ASSERT_GT(StartPage(hdc), 0);
  EndPage(hdc);
  // Output has stopped: the next page is refused.
  EXPECT_LE(StartPage(hdc), 0);
  SetLastError(testsupport::kErrorMarker);
  EXPECT_LE(EndDoc(hdc), 0);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(testsupport::kErrorMarker));
  PlatformTest_SetControl("spooler.WritePrinterFailAfter", nullptr, FALSE);
  // The DC prints again.
  DWORD next = PrintDocument(hdc, 1);
  EXPECT_TRUE(DecodedJob(next).ok);
  DeleteDC(hdc);
}

}  // namespace
}  // namespace jobflowtest
