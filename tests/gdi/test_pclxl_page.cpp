// BeginPage for each kind of paper and sheet, and the polyline encoder.
#include <functional>

#include "writer_fixture.h"

namespace writertest {
namespace {

struct PageCase {
  const char* name;
  std::function<void(PDEV*)> set;
  const char* bytes;
  DWORD headerLength;  // bytes up to and including BeginPage
  const char* listing;
};

class BeginPageBytes : public WriterTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(BeginPageBytes, AreExact) {
  const PageCase& c = GetParam();
  c.set(pdev());
  PclXl_BeginPage(pdev());
  Bytes written = Take();
  EXPECT_EQ(ToHex(written), ToHex(Hex(c.bytes)));
  EXPECT_EQ(pdev()->job.output.pageHeaderLength, c.headerLength);
  // The counted header ends right after BeginPage (PushGS follows).
  ASSERT_EQ(written.size(), c.headerLength + 1);
  EXPECT_EQ(written[c.headerLength - 1], PXL_OP_BeginPage);
  pclxl::Decoded run = pclxl::DecodeOperators(written);
  ASSERT_TRUE(run.ok) << run.error;
  ASSERT_EQ(run.listing.size(), 2u);
  EXPECT_EQ(run.listing[0], c.listing);
  EXPECT_EQ(run.listing[1], "PushGS");
}

void Custom(PDEV* p, int slot, DWORD widthDots, DWORD lengthDots) {
  p->job.jobSettings.dmPublic.dmPaperSize = static_cast<SHORT>(257 + slot);
  p->job.jobSettings.dmPrivate.custom[slot].wCustomPaper = 1;
  p->job.jobSettings.dmPrivate.custom[slot].dwCustomWidthDots = widthDots;
  p->job.jobSettings.dmPrivate.custom[slot].dwCustomLengthDots = lengthDots;
}

const PageCase kPages[] = {
    {"PortraitA4", [](PDEV*) {}, "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"LandscapeLetter",
     [](PDEV* p) {
       p->job.jobOrientation = DMORIENT_LANDSCAPE;
       p->job.jobSettings.dmPublic.dmPaperSize = 1;
     },
     "C0 01 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 06 00 'LETTER' F8 25 43 61", 32,
     "BeginPage Orientation=eLandscapeOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"LETTER\""},
    {"PortraitTurned", [](PDEV* p) { p->job.pageFlow.turned180BeginPage = 1; },
     "C0 02 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=eReversePortrait MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"LandscapeTurned",
     [](PDEV* p) {
       p->job.jobOrientation = DMORIENT_LANDSCAPE;
       p->job.pageFlow.turned180BeginPage = 1;
     },
     "C0 03 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=eReverseLandscape MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"ManualFeedTough",
     [](PDEV* p) {
       p->job.jobSettings.dmPrivate.wPaperSource = 1;
       p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_TOUGH;
     },
     "C0 00 F8 28 C0 02 F8 26 C8 C1 05 00 'TOUGH' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eManualFeed MediaType=\"TOUGH\" MediaSize=\"A4\""},
    {"UpperTrayTransparency",
     [](PDEV* p) {
       p->job.jobSettings.dmPrivate.wPaperSource = 2;
       p->job.jobSettings.dmPrivate.paper.wMediaType = RMT_TRANSPARENCY;
     },
     "C0 00 F8 28 C0 03 F8 26 C8 C1 0C 00 'TRANSPARENCY' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 35,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eMultiPurposeTray MediaType=\"TRANSPARENCY\" "
     "MediaSize=\"A4\""},
    {"UnknownSourceAndMediaType",
     [](PDEV* p) {
       p->job.jobSettings.dmPrivate.wPaperSource = 7;
       p->job.jobSettings.dmPrivate.paper.wMediaType = 9;
     },
     "C0 00 F8 28 C0 00 F8 26 C8 C1 02 00 'A4' F8 25 43 61", 17,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eDefaultSource MediaSize=\"A4\""},
    {"A5FedLandscape",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmPaperSize = 11;
       p->job.jobSettings.dmPrivate.bA5L = 1;
       p->job.jobSettings.dmPrivate.bA5L2 = 1;
     },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 03 00 'A5L' F8 25 43 61", 29,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A5L\""},
    {"A5WithOneLandscapeByte",
     [](PDEV* p) {
       p->job.jobSettings.dmPublic.dmPaperSize = 11;
       p->job.jobSettings.dmPrivate.bA5L = 1;
     },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A5' F8 25 43 61", 28,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A5\""},
    {"UnlistedPaperIsCustomName", [](PDEV* p) { p->job.jobSettings.dmPublic.dmPaperSize = 142; },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 06 00 'CUSTOM' F8 25 43 61", 32,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"CUSTOM\""},
    {"CustomSize", [](PDEV* p) { Custom(p, 0, 6000, 9000); },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 D5 00 C0 1E 45 00 20 6E 45 F8 2F C0 02 F8 30 43 61", 35,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" "
     "CustomMediaSize=(2540,3810) CustomMediaSizeUnits=eTenthsOfAMillimeter"},
    {"LastCustomSlot", [](PDEV* p) { Custom(p, 19, 5100, 6600); },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 D5 00 F0 06 45 00 A0 2E 45 F8 2F C0 02 F8 30 43 61", 35,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" "
     "CustomMediaSize=(2159,2794) CustomMediaSizeUnits=eTenthsOfAMillimeter"},
    {"EmptyCustomSlotIsNoSize", [](PDEV* p) { p->job.jobSettings.dmPublic.dmPaperSize = 257; },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 06 00 'CUSTOM' F8 25 43 61", 32,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"CUSTOM\""},
    {"FitToIdBeyondTheCustomSlots",
     [](PDEV* p) {
       Custom(p, 0, 6000, 9000);
       p->job.jobSettings.dmPrivate.scale.FtoPaper = 290;
     },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 06 00 'CUSTOM' F8 25 43 61", 32,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"CUSTOM\""},
    {"FitToPaperReplacesTheDocumentPaper", [](PDEV* p) { p->job.jobSettings.dmPrivate.scale.FtoPaper = 5; },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 05 00 'LEGAL' F8 25 43 61", 31,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"LEGAL\""},
    {"OutputPaperReplacesBoth",
     [](PDEV* p) {
       p->job.jobSettings.dmPrivate.scale.FtoPaper = 5;
       p->job.layout.outputPaper = 1;
     },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 06 00 'LETTER' F8 25 43 61", 32,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"LETTER\""},
    {"ShortEdgeDuplexPortrait", [](PDEV* p) { p->job.jobSettings.dmPrivate.bDocumentStyle = 1; },
     "C0 00 F8 28 C0 00 F8 35 C0 00 F8 36 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 36,
     "BeginPage Orientation=ePortraitOrientation DuplexPageMode=eDuplexHorizontalBinding "
     "DuplexPageSide=eFrontMediaSide MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"LongEdgeDuplexPortrait", [](PDEV* p) { p->job.jobSettings.dmPrivate.bDocumentStyle = 2; },
     "C0 00 F8 28 C0 01 F8 35 C0 00 F8 36 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 36,
     "BeginPage Orientation=ePortraitOrientation DuplexPageMode=eDuplexVerticalBinding "
     "DuplexPageSide=eFrontMediaSide MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"ShortEdgeDuplexLandscape",
     [](PDEV* p) {
       p->job.jobOrientation = DMORIENT_LANDSCAPE;
       p->job.jobSettings.dmPrivate.bDocumentStyle = 1;
     },
     "C0 01 F8 28 C0 01 F8 35 C0 00 F8 36 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 36,
     "BeginPage Orientation=eLandscapeOrientation DuplexPageMode=eDuplexVerticalBinding "
     "DuplexPageSide=eFrontMediaSide MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"LongEdgeDuplexLandscape",
     [](PDEV* p) {
       p->job.jobOrientation = DMORIENT_LANDSCAPE;
       p->job.jobSettings.dmPrivate.bDocumentStyle = 2;
     },
     "C0 01 F8 28 C0 00 F8 35 C0 00 F8 36 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 36,
     "BeginPage Orientation=eLandscapeOrientation DuplexPageMode=eDuplexHorizontalBinding "
     "DuplexPageSide=eFrontMediaSide MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"DeviceDuplexShortEdgeValue", [](PDEV* p) { p->settings.dmPublic.dmDuplex = 2; },
     "C0 00 F8 28 C0 00 F8 35 C0 00 F8 36 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 36,
     "BeginPage Orientation=ePortraitOrientation DuplexPageMode=eDuplexHorizontalBinding "
     "DuplexPageSide=eFrontMediaSide MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"DuplexOnlyOnTheFirstPage",
     [](PDEV* p) {
       p->job.jobSettings.dmPrivate.bDocumentStyle = 1;
       p->job.pagesInJob = 2;
     },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
    {"DriverDuplexSendsNoDuplex", [](PDEV* p) { p->job.jobSettings.dmPrivate.bDocumentStyle = 3; },
     "C0 00 F8 28 C0 01 F8 26 C8 C1 05 00 'PLAIN' F8 27 C8 C1 02 00 'A4' F8 25 43 61", 28,
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\""},
};

INSTANTIATE_TEST_SUITE_P(Papers, BeginPageBytes, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST_F(WriterTest, BeginPageKeepsTheJobPaperOfTheFirstPage) {
  job().dmPrivate.scale.FtoPaper = 5;
  PclXl_BeginPage(pdev());
  EXPECT_EQ(pdev()->job.layout.jobPaper, 5);
  pdev()->job.pagesInJob = 2;
  job().dmPrivate.scale.FtoPaper = 1;
  PclXl_BeginPage(pdev());
  EXPECT_EQ(pdev()->job.layout.jobPaper, 5);
}

TEST_F(WriterTest, BeginPageIsFoundByTheReplayMark) {
  PclXl_BeginPage(pdev());
  Bytes written = Take();
  Bytes mark = Hex("F8 25 43");
  auto at = std::search(written.begin(), written.end(), mark.begin(), mark.end());
  ASSERT_NE(at, written.end());
  EXPECT_EQ(at - written.begin() + 3, static_cast<long>(pdev()->job.output.pageHeaderLength));
}

// ---- Polylines -----------------------------------------------------------------------------

struct PolylineCase {
  const char* name;
  std::vector<PclXlPoint> points;
  const char* listing;
};

class Polylines : public WriterTest, public ::testing::WithParamInterface<PolylineCase> {};

TEST_P(Polylines, UseRelativeStepsWhileTheyFit) {
  const PolylineCase& c = GetParam();
  PclXl_Polyline(pdev(), static_cast<DWORD>(c.points.size()), c.points.data());
  EXPECT_EQ(TakeListing(), c.listing);
}

const PolylineCase kPolylines[] = {
    {"TwoIdenticalPoints", {{10, 10}, {10, 10}},
     "SetCursor Point=(10,10) | LineRelPath NumberOfPoints=1 PointType=eSByte points=[(0,0)]"},
    {"OnePoint", {{3, 4}}, "SetCursor Point=(3,4) | LineRelPath NumberOfPoints=1 PointType=eSByte points=[(0,0)]"},
    {"ShortSteps", {{0, 0}, {127, -128}, {100, -1}, {100, -1}},
     "SetCursor Point=(0,0) | LineRelPath NumberOfPoints=2 PointType=eSByte points=[(127,-128) (-27,127)]"},
    {"FirstStepTooLong", {{0, 0}, {200, 0}, {201, 0}},
     "SetCursor Point=(0,0) | LinePath NumberOfPoints=2 PointType=eSint16 points=[(200,0) (201,0)]"},
    {"LongStepWithinTheFirstFour", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {500, 3}, {501, 3}},
     "SetCursor Point=(0,0) | LinePath NumberOfPoints=5 PointType=eSint16 points=[(1,1) (2,2) (3,3) (500,3) "
     "(501,3)]"},
    {"SixthStepTooLong", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {900, 0}, {901, 1}},
     "SetCursor Point=(0,0) | LineRelPath NumberOfPoints=5 PointType=eSByte points=[(1,0) (1,0) (1,0) (1,0) (1,0)] | "
     "LinePath NumberOfPoints=2 PointType=eSint16 points=[(900,0) (901,1)]"},
    {"FiveZeroStepsThenALongOne", {{7, 7}, {7, 7}, {7, 7}, {7, 7}, {7, 7}, {7, 7}, {-900, 7}},
     "SetCursor Point=(7,7) | LineRelPath NumberOfPoints=1 PointType=eSByte points=[(0,0)] | "
     "LinePath NumberOfPoints=1 PointType=eSint16 points=[(-900,7)]"},
};

INSTANTIATE_TEST_SUITE_P(Shapes, Polylines, ::testing::ValuesIn(kPolylines),
                         [](const ::testing::TestParamInfo<PolylineCase>& info) { return std::string(info.param.name); });

TEST_F(WriterTest, PolylineOfNoPointsSendsNothing) {
  PclXlPoint point = {1, 1};
  PclXl_Polyline(pdev(), 0, &point);
  PclXl_Polyline(pdev(), 3, nullptr);
  EXPECT_TRUE(Take().empty());
}

TEST_F(WriterTest, PolylineBytesAreExact) {
  const PclXlPoint points[] = {{1, 2}, {3, 5}, {3, 5}, {2, 4}};
  PclXl_Polyline(pdev(), 4, points);
  EXPECT_EQ(ToHex(Take()), ToHex(Hex("D3 01 00 02 00 F8 4C 6B C1 02 00 F8 4D C0 01 F8 50 9D FB 04 02 03 FF FF")));
}

TEST_F(WriterTest, LongPolylinesGoOutWhole) {
  // Beyond the scratch area of the PDEV the steps are built in a block of their own.
  for (DWORD count : {1500u, 1501u, 4000u}) {
    std::vector<PclXlPoint> points(count);
    for (DWORD i = 0; i < count; ++i) points[i] = {static_cast<SHORT>(i % 100), static_cast<SHORT>(i / 100)};
    PclXl_Polyline(pdev(), count, points.data());
    Bytes written = Take();
    pclxl::Decoded run = pclxl::DecodeOperators(written);
    ASSERT_TRUE(run.ok) << count << ": " << run.error;
    ASSERT_EQ(run.operators.size(), 2u);
    const pclxl::Attribute* n = run.operators[1].Find(PXL_A_NumberOfPoints);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->value.numbers[0], count - 1);
    // Rows of 100 points: the step back to column 0 is (-99, 1), inside a signed byte.
    ASSERT_TRUE(run.operators[1].data.has_value());
    EXPECT_EQ(run.operators[1].data->size(), 2u * (count - 1));
  }
}

TEST_F(WriterTest, WritePointsSendsAbsolutePoints) {
  const PclXlPoint points[] = {{-1, 2}, {300, -400}};
  PclXl_WritePoints(pdev(), points, 2, PXL_OP_LinePath);
  EXPECT_EQ(ToHex(Take()), ToHex(Hex("C1 02 00 F8 4D C0 03 F8 50 9B FB 08 FF FF 02 00 2C 01 70 FE")));
}

}  // namespace
}  // namespace writertest
