// Page layout geometry as it reaches the stream: each logical page's origin, rotation and scale,
// and the sheet's orientation, for N-up grids, posters, fit-to paper, zoom and mixed
// orientation. Portrait A4 at 600 dpi is 4960 x 7008 dots with 96-dot margins; m = 96.
#include <win/files.h>

#include "jobctrl_fixture.h"

namespace jobctrltest {
namespace {

using Layout = JobCtrlTest;

struct NupCase {
  const char* name;
  BYTE count;
  BYTE order;
  DWORD flags;
  short orientation;
  int pages;
  const char* sheetOrientation;
  const char* transforms;
};

class NupLayout : public JobCtrlTest, public ::testing::WithParamInterface<NupCase> {};

TEST_P(NupLayout, OriginsRotationAndScaleOfEveryCell) {
  const NupCase& c = GetParam();
  Change([&](RenderDevmode& s) {
    s.dmPublic.dmOrientation = c.orientation;
    s.dmPrivate.nup.bNupNum = c.count;
    s.dmPrivate.nup.bNupPageOrder = c.order;
    s.dmPrivate.nup.bNupFlags = c.flags;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(c.pages));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  std::vector<std::string> sheets = Lines(job, "BeginPage");
  ASSERT_EQ(sheets.size(), 1u) << "one sheet holds every cell";
  EXPECT_NE(sheets[0].find(std::string("Orientation=") + c.sheetOrientation), std::string::npos) << sheets[0];
  EXPECT_EQ(Lines(job, "EndPage").size(), 1u);
  EXPECT_EQ(Describe(Transforms(job)), c.transforms);
}

// Square grids keep the document's orientation; 2 and 8 cells turn the sheet. Scale: 4-up
// exactly 0.5 (sheet and page lose the same 2m); 2-up min(6816 / 9536, 4768 / 6816).
const NupCase kNupCases[] = {
    {"Four_Order0", 4, 0, 0, 1, 4, "ePortraitOrientation",
     "(96,96)@0x(0.5,0.5) (2480,96)@0x(0.5,0.5) (96,3504)@0x(0.5,0.5) (2480,3504)@0x(0.5,0.5)"},
    {"Four_Order1", 4, 1, 0, 1, 4, "ePortraitOrientation",
     "(96,96)@0x(0.5,0.5) (96,3504)@0x(0.5,0.5) (2480,96)@0x(0.5,0.5) (2480,3504)@0x(0.5,0.5)"},
    {"Four_Order2", 4, 2, 0, 1, 4, "ePortraitOrientation",
     "(2480,96)@0x(0.5,0.5) (96,96)@0x(0.5,0.5) (2480,3504)@0x(0.5,0.5) (96,3504)@0x(0.5,0.5)"},
    {"Four_Order3", 4, 3, 0, 1, 4, "ePortraitOrientation",
     "(2480,96)@0x(0.5,0.5) (2480,3504)@0x(0.5,0.5) (96,96)@0x(0.5,0.5) (96,3504)@0x(0.5,0.5)"},
    {"Two_Order0", 2, 0, 0, 1, 2, "eLandscapeOrientation",
     "(96,96)@0x(0.699530542,0.699530542) (3504,96)@0x(0.699530542,0.699530542)"},
    {"Two_Order1_RightToLeft", 2, 1, 0, 1, 2, "eLandscapeOrientation",
     "(3504,96)@0x(0.699530542,0.699530542) (96,96)@0x(0.699530542,0.699530542)"},
    {"Two_Landscape_Order1_BottomToTop", 2, 1, 0, 2, 2, "ePortraitOrientation",
     "(96,3504)@0x(0.699530542,0.699530542) (96,96)@0x(0.699530542,0.699530542)"},
    // Eight cells: four columns on the turned sheet, each page centred across its cell (+8).
    {"Eight_Order0", 8, 0, 0, 1, 8, "eLandscapeOrientation",
     "(104,96)@0x(0.349765271,0.349765271) (1808,96)@0x(0.349765271,0.349765271) "
     "(3512,96)@0x(0.349765271,0.349765271) (5216,96)@0x(0.349765271,0.349765271) "
     "(104,2480)@0x(0.349765271,0.349765271) (1808,2480)@0x(0.349765271,0.349765271) "
     "(3512,2480)@0x(0.349765271,0.349765271) (5216,2480)@0x(0.349765271,0.349765271)"},
    {"Sixteen_Order0", 16, 0, 0, 1, 16, "ePortraitOrientation",
     "(96,96)@0x(0.25,0.25) (1288,96)@0x(0.25,0.25) (2480,96)@0x(0.25,0.25) (3672,96)@0x(0.25,0.25) "
     "(96,1800)@0x(0.25,0.25) (1288,1800)@0x(0.25,0.25) (2480,1800)@0x(0.25,0.25) (3672,1800)@0x(0.25,0.25) "
     "(96,3504)@0x(0.25,0.25) (1288,3504)@0x(0.25,0.25) (2480,3504)@0x(0.25,0.25) (3672,3504)@0x(0.25,0.25) "
     "(96,5208)@0x(0.25,0.25) (1288,5208)@0x(0.25,0.25) (2480,5208)@0x(0.25,0.25) (3672,5208)@0x(0.25,0.25)"},
    {"Two_Order2", 2, 2, 0, 1, 2, "eLandscapeOrientation",
     "(3504,96)@0x(0.699530542,0.699530542) (96,96)@0x(0.699530542,0.699530542)"},
    {"Two_Order3", 2, 3, 0, 1, 2, "eLandscapeOrientation",
     "(3504,96)@0x(0.699530542,0.699530542) (96,96)@0x(0.699530542,0.699530542)"},
    {"Eight_Order1", 8, 1, 0, 1, 8, "eLandscapeOrientation",
     "(104,96)@0x(0.349765271,0.349765271) (104,2480)@0x(0.349765271,0.349765271) "
     "(1808,96)@0x(0.349765271,0.349765271) (1808,2480)@0x(0.349765271,0.349765271) "
     "(3512,96)@0x(0.349765271,0.349765271) (3512,2480)@0x(0.349765271,0.349765271) "
     "(5216,96)@0x(0.349765271,0.349765271) (5216,2480)@0x(0.349765271,0.349765271)"},
    {"Eight_Order2", 8, 2, 0, 1, 8, "eLandscapeOrientation",
     "(5216,96)@0x(0.349765271,0.349765271) (3512,96)@0x(0.349765271,0.349765271) "
     "(1808,96)@0x(0.349765271,0.349765271) (104,96)@0x(0.349765271,0.349765271) "
     "(5216,2480)@0x(0.349765271,0.349765271) (3512,2480)@0x(0.349765271,0.349765271) "
     "(1808,2480)@0x(0.349765271,0.349765271) (104,2480)@0x(0.349765271,0.349765271)"},
    {"Eight_Order3", 8, 3, 0, 1, 8, "eLandscapeOrientation",
     "(5216,96)@0x(0.349765271,0.349765271) (5216,2480)@0x(0.349765271,0.349765271) "
     "(3512,96)@0x(0.349765271,0.349765271) (3512,2480)@0x(0.349765271,0.349765271) "
     "(1808,96)@0x(0.349765271,0.349765271) (1808,2480)@0x(0.349765271,0.349765271) "
     "(104,96)@0x(0.349765271,0.349765271) (104,2480)@0x(0.349765271,0.349765271)"},
    {"Sixteen_Order3_FirstColumn", 16, 3, 0, 1, 4, "ePortraitOrientation",
     "(3672,96)@0x(0.25,0.25) (3672,1800)@0x(0.25,0.25) (3672,3504)@0x(0.25,0.25) (3672,5208)@0x(0.25,0.25)"},
    // Borders on the oblong and the larger grids: 12 x (g1 + 4) dots more per cell, 6 dots in.
    {"Two_Borders", 2, 0, NUP_FLAG_BORDERS, 1, 2, "eLandscapeOrientation",
     "(102,102)@0x(0.692218363,0.692218363) (96,96)@0x(1,1) (3510,102)@0x(0.692218363,0.692218363) (96,96)@0x(1,1)"},
    {"Eight_Borders_FirstRow", 8, 0, NUP_FLAG_BORDERS, 1, 2, "eLandscapeOrientation",
     "(122,102)@0x(0.344907403,0.344907403) (96,96)@0x(1,1) (1826,102)@0x(0.344907403,0.344907403) (96,96)@0x(1,1)"},
    {"Sixteen_Borders_FirstRow", 16, 0, NUP_FLAG_BORDERS, 1, 2, "ePortraitOrientation",
     "(102,102)@0x(0.245065793,0.245065793) (96,96)@0x(1,1) (1294,102)@0x(0.245065793,0.245065793) (96,96)@0x(1,1)"},
    // Borders: the cells grow by 12 x (2 + 4) dots and move 6 dots in; each page's border follows
    // under the sheet's own transform (origin m, scale 1).
    {"Four_Order0_Borders", 4, 0, NUP_FLAG_BORDERS, 1, 4, "ePortraitOrientation",
     "(102,102)@0x(0.492561996,0.492561996) (96,96)@0x(1,1) (2486,102)@0x(0.492561996,0.492561996) (96,96)@0x(1,1) "
     "(102,3510)@0x(0.492561996,0.492561996) (96,96)@0x(1,1) (2486,3510)@0x(0.492561996,0.492561996) (96,96)@0x(1,1)"},
};

INSTANTIATE_TEST_SUITE_P(Grids, NupLayout, ::testing::ValuesIn(kNupCases),
                         [](const ::testing::TestParamInfo<NupCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jobctrltest

namespace jobctrltest {
namespace {

// With the border bit each page's cell is framed 16 dots (and 2 for the neighbour) inside its
// cell, pen 3 dots wide, after the sheet's own transform.
TEST_F(Layout, CellBordersAreFramedInsideEachCell) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.nup.bNupNum = 4;
    s.dmPrivate.nup.bNupFlags = NUP_FLAG_BORDERS;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(2));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  // Cells of (4960 - 192) / 2 by (7008 - 192) / 2 dots; the clip grows by half the pen.
  EXPECT_EQ(Lines(job, "RectanglePath"),
            (std::vector<std::string>{"RectanglePath BoundingBox=(17,17,2367,3391)",
                                      "RectanglePath BoundingBox=(18,18,2366,3390)",
                                      "RectanglePath BoundingBox=(2401,17,4751,3391)",
                                      "RectanglePath BoundingBox=(2402,18,4750,3390)"}));
  EXPECT_EQ(Lines(job, "SetPenWidth"), std::vector<std::string>(2, "SetPenWidth PenWidth=3"));
  EXPECT_EQ(Lines(job, "PaintPath").size(), 2u);
  EXPECT_EQ(Lines(job, "EndPage"), std::vector<std::string>{"EndPage PageCopies=1"}) << "two pages, one sheet";
}

// Creating a form prints one-sided whatever the binding style: the job copy loses its duplex.
TEST_F(Layout, AJobCreatingAFormPrintsOneSided) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.bDocumentStyle = 2;
    s.dmPrivate.overlay.bOverlay = OVERLAY_CREATE;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(DrvStartPage(surface()));
  EXPECT_EQ(pdev()->job.jobSettings.dmPrivate.bDocumentStyle, 0);
  EXPECT_EQ(pdev()->settings.dmPrivate.bDocumentStyle, 2) << "the device's own settings keep it";
  ASSERT_TRUE(DrvSendPage(surface()));
  ASSERT_TRUE(DrvEndDoc(surface(), 0));
  EndDocPrinter(open_.printer());
  // The job is capture-only: its one sheet is in the form file, without a duplex side.
  EXPECT_EQ(pdev()->job.output.bytesSent, 0u);
  HANDLE form = CreateFileW(pdev()->job.output.formPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(form, INVALID_HANDLE_VALUE) << GetLastError();
  std::vector<uint8_t> bytes(GetFileSize(form, nullptr));
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(form, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr));
  CloseHandle(form);
  ASSERT_GT(bytes.size(), 137u);
  pclxl::Decoded sheet = pclxl::DecodeOperators(bytes.data() + 137, bytes.size() - 137);
  ASSERT_TRUE(sheet.ok) << sheet.error;
  ASSERT_FALSE(sheet.listing.empty());
  EXPECT_EQ(sheet.listing.front().find("Duplex"), std::string::npos) << sheet.listing.front();
}

// A tiled watermark covers the cells drawn before, so each page draws every border up to its own.
TEST_F(Layout, ATiledWatermarkRedrawsTheEarlierBorders) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.nup.bNupNum = 4;
    s.dmPrivate.nup.bNupFlags = NUP_FLAG_BORDERS;
    s.dmPrivate.wmark.wmTile = 1;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(3));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "PaintPath").size(), 1u + 2u + 3u);
}

}  // namespace
}  // namespace jobctrltest

namespace jobctrltest {
namespace {

// One page per sheet: the page scale of posters, fit-to paper and a substituted paper. A zoom
// is not a page scale: it reaches the application as the logical resolution (see the DC
// tests), so here it only switches the fit and the poster enlargement off.
struct OneUpCase {
  const char* name;
  std::function<void(RenderDevmode&)> change;
  const char* beginPage;
  const char* transform;
  size_t sheets = 1;  // a poster's tiles are sheets of their own, each with its own origin
};

class OneUpLayout : public JobCtrlTest, public ::testing::WithParamInterface<OneUpCase> {};

TEST_P(OneUpLayout, PageTransformAndSheet) {
  Change(GetParam().change);
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(1));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "BeginPage"), std::vector<std::string>(GetParam().sheets, GetParam().beginPage));
  EXPECT_EQ(Describe(Transforms(job)), GetParam().transform);
}

constexpr char kA4Portrait[] =
    "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\"";

const OneUpCase kOneUpCases[] = {
    {"Plain", [](RenderDevmode&) {}, kA4Portrait, "(96,96)@0x(1,1)"},
    {"Landscape", [](RenderDevmode& s) { s.dmPublic.dmOrientation = DMORIENT_LANDSCAPE; },
     "BeginPage Orientation=eLandscapeOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\"",
     "(96,96)@0x(1,1)"},
    // Posters: m = 96, W - 2m = 4768, H - 2m = 6816 between the tiles' origins.
    {"Poster2x2", [](RenderDevmode& s) { s.dmPrivate.bPosterLayout = 1; }, kA4Portrait,
     "(96,96)@0x(2,2) (-4672,96)@0x(2,2) (96,-6720)@0x(2,2) (-4672,-6720)@0x(2,2)", 4},
    {"Poster3x3",
     [](RenderDevmode& s) {
       s.dmPrivate.bPosterLayout = 1;
       s.dmPrivate.poster.wPosterType = 1;
     },
     kA4Portrait,
     "(96,96)@0x(3,3) (-4672,96)@0x(3,3) (-9440,96)@0x(3,3) (96,-6720)@0x(3,3) (-4672,-6720)@0x(3,3) "
     "(-9440,-6720)@0x(3,3) (96,-13536)@0x(3,3) (-4672,-13536)@0x(3,3) (-9440,-13536)@0x(3,3)",
     9},
    {"Poster4x4",
     [](RenderDevmode& s) {
       s.dmPrivate.bPosterLayout = 1;
       s.dmPrivate.poster.wPosterType = 2;
     },
     kA4Portrait,
     "(96,96)@0x(4,4) (-4672,96)@0x(4,4) (-9440,96)@0x(4,4) (-14208,96)@0x(4,4) (96,-6720)@0x(4,4) "
     "(-4672,-6720)@0x(4,4) (-9440,-6720)@0x(4,4) (-14208,-6720)@0x(4,4) (96,-13536)@0x(4,4) "
     "(-4672,-13536)@0x(4,4) (-9440,-13536)@0x(4,4) (-14208,-13536)@0x(4,4) (96,-20352)@0x(4,4) "
     "(-4672,-20352)@0x(4,4) (-9440,-20352)@0x(4,4) (-14208,-20352)@0x(4,4)",
     16},
    {"PosterWithZoom",
     [](RenderDevmode& s) {
       s.dmPrivate.bPosterLayout = 1;
       s.dmPrivate.scale.ISFSet = 1;
       s.dmPrivate.scale.SRatio = 50;
     },
     // No enlargement, but the tiles are still played, shifted by the overlap factor
     // F = 50 / 100 - 2 = -1.5 tile: a combination the user interface never makes.
     kA4Portrait, "(7248,10320)@0x(1,1) (2480,10320)@0x(1,1) (7248,3504)@0x(1,1) (2480,3504)@0x(1,1)", 4},
    {"Zoom50IsNotAPageScale",
     [](RenderDevmode& s) {
       s.dmPrivate.scale.ISFSet = 1;
       s.dmPrivate.scale.SRatio = 50;
       s.dmPublic.dmScale = 50;
     },
     kA4Portrait, "(96,96)@0x(1,1)"},
    // A4 printed on Letter: min((5100 - 192) / (4960 - 192), (6600 - 192) / (7008 - 192)).
    {"FitToLetter", [](RenderDevmode& s) { s.dmPrivate.scale.FtoPaper = DMPAPER_LETTER; },
     "BeginPage Orientation=ePortraitOrientation MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"LETTER\"",
     "(96,96)@0x(0.940140843,0.940140843)"},
    // A custom paper whose slot holds no printable size prints on the locale's A4, fitted.
    {"SubstitutedCustomPaper", [](RenderDevmode& s) { s.dmPublic.dmPaperSize = RENDER_CUSTOM_FIRST_ID; },
     kA4Portrait, "(96,96)@0x(1,1)"},
    {"Rotated180",
     [](RenderDevmode& s) { s.dmPrivate.bRotate180 = 3; },
     "BeginPage Orientation=eReversePortrait MediaSource=eAutoSelect MediaType=\"PLAIN\" MediaSize=\"A4\"",
     "(96,96)@0x(1,1)"},
};

INSTANTIATE_TEST_SUITE_P(Scales, OneUpLayout, ::testing::ValuesIn(kOneUpCases),
                         [](const ::testing::TestParamInfo<OneUpCase>& info) { return std::string(info.param.name); });

// Mixed orientation inside N-up: a landscape page of a portrait 4-up job is turned a quarter in
// its cell, by 90 degrees, or by 270 when the job's turn flag and the page's answer differ.
struct MixedCase {
  const char* name;
  BYTE rotate180;
  const char* transforms;
};

class MixedOrientation : public JobCtrlTest, public ::testing::WithParamInterface<MixedCase> {};

TEST_P(MixedOrientation, TheOtherOrientationTurnsInItsCell) {
  Change([&](RenderDevmode& s) {
    s.dmPrivate.nup.bNupNum = 4;
    s.dmPrivate.bRotate180 = GetParam().rotate180;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(2, [&](int page) {
    if (page == 2) Change([](RenderDevmode& s) { s.dmPublic.dmOrientation = DMORIENT_LANDSCAPE; });
  }));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Describe(Transforms(job)), GetParam().transforms);
  EXPECT_EQ(Lines(job, "BeginPage").size(), 1u);
}

const MixedCase kMixedCases[] = {
    // Page x runs up the cell from y = 96 + 3408; page y runs right.
    {"QuarterTurnLeft", 0, "(96,96)@0x(0.5,0.5) (2480,3504)@90x(0.5,0.5)"},
    // The job turns portrait pages: the landscape page turns the other way, from the cell's
    // top right corner.
    {"QuarterTurnRight", 2, "(96,96)@0x(0.5,0.5) (4864,96)@270x(0.5,0.5)"},
};

INSTANTIATE_TEST_SUITE_P(Nup, MixedOrientation, ::testing::ValuesIn(kMixedCases),
                         [](const ::testing::TestParamInfo<MixedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jobctrltest
