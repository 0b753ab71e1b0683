// Job and page flow on a live device record: what reaches the spooler and what the record
// keeps, for the edges an application rarely takes (abort, unknown end flags, a second page
// start, names, ResetDC hand-over) and for the form-part placement rule.
#include <cstring>

#include "gdi/fontcach.h"
#include "intrface/xmodel.h"
#include "jobctrl_fixture.h"

namespace jobctrltest {
namespace {

using Flow = JobCtrlTest;

TEST_F(Flow, FivePagesFourUpMakeTwoSheetsTheSecondEndedAtTheJobEnd) {
  Change([](RenderDevmode& s) { s.dmPrivate.nup.bNupNum = 4; });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(5));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "BeginPage").size(), 2u);
  EXPECT_EQ(Lines(job, "EndPage").size(), 2u);
  EXPECT_EQ(Transforms(job).size(), 5u);
}

TEST_F(Flow, ASecondStartPageForTheSamePageIsIgnored) {
  ASSERT_TRUE(StartJob());
  EXPECT_TRUE(DrvStartPage(surface()));
  EXPECT_TRUE(DrvStartPage(surface()));
  EXPECT_TRUE(DrvSendPage(surface()));
  EXPECT_TRUE(DrvEndDoc(surface(), 0));
  EndDocPrinter(open_.printer());
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "BeginPage").size(), 1u);
  EXPECT_EQ(Transforms(job).size(), 1u);
}

TEST_F(Flow, AnAbortedJobSendsNoTrailer) {
  ASSERT_TRUE(StartJob());
  EXPECT_TRUE(DrvStartPage(surface()));
  EXPECT_TRUE(DrvSendPage(surface()));
  EXPECT_TRUE(DrvStartPage(surface()));
  EXPECT_TRUE(DrvEndDoc(surface(), ED_ABORTDOC));
  EXPECT_EQ(pdev()->jobCtl.hJobOutput, nullptr) << "the job is closed";
  EXPECT_EQ(pdev()->jobCtl.flags, 0u);
  EndDocPrinter(open_.printer());
  pclxl::Decoded job = Job();
  EXPECT_FALSE(job.ok) << "a stream without its session end";
  EXPECT_TRUE(Lines(job, "EndSession").empty());
  EXPECT_TRUE(Lines(job, "CloseDataSource").empty());
  // The record starts the next document afresh.
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(1));
  EXPECT_TRUE(Job().ok);
}

TEST_F(Flow, AnEndFlagOtherThanZeroOrAbortIsRefusedAndKeepsTheJob) {
  ASSERT_TRUE(StartJob());
  EXPECT_FALSE(DrvEndDoc(surface(), 2));
  EXPECT_TRUE(pdev()->jobCtl.flags & JF_JOB_OPEN);
  EXPECT_TRUE(DrvEndDoc(surface(), 0));
  EXPECT_FALSE(DrvEndDoc(surface(), 0)) << "no job is open any more";
  EndDocPrinter(open_.printer());
}

TEST_F(Flow, NoPrinterHandleOpensNoJob) {
  HANDLE printer = pdev()->hPrinter;
  pdev()->hPrinter = nullptr;
  EXPECT_FALSE(DrvStartDoc(surface(), const_cast<LPWSTR>(u"doc"), 7));
  EXPECT_FALSE(pdev()->jobCtl.flags & JF_JOB_OPEN);
  EXPECT_FALSE(DrvStartPage(surface()));
  pdev()->hPrinter = printer;
}

struct NameCase {
  const char16_t* name;
  bool pdf;
};

class DocumentNames : public JobCtrlTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DocumentNames, UpperCasePdfAfterAnotherCharacterMarksTheJob) {
  ASSERT_TRUE(StartJob(GetParam().name));
  EXPECT_EQ((pdev()->jobCtl.flags & JF_PDF_DOCUMENT) != 0, GetParam().pdf);
  EXPECT_TRUE(DrvEndDoc(surface(), 0));
  EndDocPrinter(open_.printer());
}

INSTANTIATE_TEST_SUITE_P(Pdf, DocumentNames,
                         ::testing::Values(NameCase{u"report.PDF", true}, NameCase{u"a.PDF", true},
                                           NameCase{u"report.pdf", false}, NameCase{u".PDF", false},
                                           NameCase{u"report.PDF.txt", false}, NameCase{u"", false}),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                           // The document name in letters and digits: "reportPDF", "Empty".
                           std::string name;
                           for (const char16_t* c = info.param.name; *c; ++c) {
                             if ((*c >= u'a' && *c <= u'z') || (*c >= u'A' && *c <= u'Z') || (*c >= u'0' && *c <= u'9')) {
                               name += static_cast<char>(*c);
                             } else {
                               name += '_';
                             }
                           }
                           return name.empty() ? std::string("Empty") : name;
                         });

TEST_F(Flow, ALongDocumentNameIsCutToItsField) {
  std::u16string name(3000, u'x');
  ASSERT_TRUE(StartJob(name.c_str()));
  EXPECT_EQ(pdev()->jobCtl.documentName[PDEV_DOCUMENT_NAME_UNITS - 2], u'x');
  EXPECT_EQ(pdev()->jobCtl.documentName[PDEV_DOCUMENT_NAME_UNITS - 1], 0);
  EXPECT_TRUE(DrvEndDoc(surface(), 0));
  EndDocPrinter(open_.printer());
}

// Which settings changes during a job keep the job's layout as it began.
struct GroupCase {
  const char* name;
  std::function<void(RenderDevmode&)> change;
  bool differs;
};

class LayoutGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(LayoutGroups, ChangesThatKeepTheJobLayout) {
  static RenderDevmode a, b;
  Devmode_SetDefaults(&a, u"K8000");
  b = a;
  GetParam().change(b);
  EXPECT_EQ(Devmode_LayoutGroupsDiffer(&a, &b) != FALSE, GetParam().differs);
}

const GroupCase kGroupCases[] = {
    {"Nothing", [](RenderDevmode&) {}, false},
    {"Copies", [](RenderDevmode& s) { s.dmPublic.dmCopies = 2; }, true},
    {"CollateOneUp", [](RenderDevmode& s) { s.dmPublic.dmCollate = 0; }, true},
    {"Orientation",
     [](RenderDevmode& s) {
       s.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
       s.dmPrivate.paper.bOrientation = DMORIENT_LANDSCAPE;
     },
     false},
    {"JobId", [](RenderDevmode& s) { s.dmPrivate.dwJobId = 99; }, false},
    // A paper source change before the N-up group no longer hides the N-up change.
    {"SourceAndNup",
     [](RenderDevmode& s) {
       s.dmPrivate.wPaperSource = 2;
       s.dmPrivate.nup.bNupNum = 4;
     },
     true},
    {"SourceOnly", [](RenderDevmode& s) { s.dmPrivate.wPaperSource = 2; }, false},
    {"Zoom", [](RenderDevmode& s) { s.dmPrivate.scale.SRatio = 50; }, true},
    {"MediaType", [](RenderDevmode& s) { s.dmPrivate.paper.wMediaType = RMT_LABELS; }, true},
    {"Overlay", [](RenderDevmode& s) { s.dmPrivate.overlay.OverlayFile[10] ^= 1; }, true},
    {"WatermarkLastByte", [](RenderDevmode& s) { reinterpret_cast<BYTE*>(&s.dmPrivate.wmark)[3235] ^= 1; }, true},
};

INSTANTIATE_TEST_SUITE_P(Settings, LayoutGroups, ::testing::ValuesIn(kGroupCases),
                         [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

// A ResetDC hands the job over whole: its allocations go with it and the old record keeps no
// job, so that disabling it cannot release what the new record now owns.
TEST_F(Flow, ResetPdevMovesTheJobAndItsAllocations) {
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(DrvStartPage(surface()));
  ASSERT_TRUE(DrvSendPage(surface()));
  void* block = Util_ListAlloc(&pdev()->jobAllocations, 64);
  ASSERT_NE(block, nullptr);
  testsupport::OpenPdev other;
  other.Create();
  PDEV* fresh = other.pdev();
  {
    RenderDevmode landscape = fresh->settings;
    landscape.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    Gx_InitPdevDevmode(fresh, &landscape);
  }
  ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(pdev()), reinterpret_cast<DHPDEV>(fresh)));
  EXPECT_NE(fresh->jobAllocations, nullptr);
  EXPECT_EQ(pdev()->jobAllocations, nullptr);
  EXPECT_EQ(pdev()->jobCtl.hJobOutput, nullptr);
  EXPECT_EQ(pdev()->jobCtl.flags, 0u);
  EXPECT_TRUE(fresh->jobCtl.flags & JF_JOB_OPEN);
  EXPECT_FALSE(fresh->jobCtl.flags & JF_RESTART_MARK) << "an orientation change keeps the layout going";
  EXPECT_EQ(fresh->job.jobOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(fresh->jobCtl.jobId[0], jobId_);
  // The old record goes, as the engine disables it after the reset; the job goes on on the
  // new one (the printer handle is the DC's and stays).
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev()));
  SURFOBJ surface{};
  surface.dhpdev = reinterpret_cast<DHPDEV>(fresh);
  EXPECT_TRUE(DrvStartDoc(&surface, nullptr, 0));
  EXPECT_TRUE(DrvStartPage(&surface));
  EXPECT_TRUE(DrvSendPage(&surface));
  EXPECT_TRUE(DrvEndDoc(&surface, 0));
  EXPECT_EQ(fresh->jobAllocations, nullptr) << "released at the job end";
  EndDocPrinter(open_.printer());
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  std::vector<std::string> pages = Lines(job, "BeginPage");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NE(pages[1].find("eLandscapeOrientation"), std::string::npos);
}

// A change of copies marks the job. One-up sheets stand alone and take the new count; an N-up
// sheet grid goes on as it began.
struct MarkCase {
  const char* name;
  BYTE nup;
  short copiesAfter;
};

class RestartMark : public JobCtrlTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(RestartMark, ChangingCopiesDuringTheJob) {
  Change([&](RenderDevmode& s) { s.dmPrivate.nup.bNupNum = GetParam().nup; });
  ASSERT_TRUE(StartJob());
  testsupport::OpenPdev other;
  other.Create();
  PDEV* fresh = other.pdev();
  RenderDevmode copies = pdev()->settings;
  copies.dmPublic.dmCopies = 4;
  Gx_InitPdevDevmode(fresh, &copies);
  ASSERT_TRUE(DrvResetPDEV(reinterpret_cast<DHPDEV>(pdev()), reinterpret_cast<DHPDEV>(fresh)));
  EXPECT_TRUE(fresh->jobCtl.flags & JF_RESTART_MARK);
  EXPECT_EQ(fresh->job.jobSettings.dmPublic.dmCopies, GetParam().copiesAfter);
  SURFOBJ surface{};
  surface.dhpdev = reinterpret_cast<DHPDEV>(fresh);
  EXPECT_TRUE(DrvEndDoc(&surface, 0));
  EXPECT_FALSE(fresh->jobCtl.flags & JF_RESTART_MARK) << "cleared with the job";
  EndDocPrinter(open_.printer());
}

INSTANTIATE_TEST_SUITE_P(Copies, RestartMark,
                         ::testing::Values(MarkCase{"OneUpTakesTheNewCount", 1, 4},
                                           MarkCase{"FourUpKeepsItsGrid", 4, 1}),
                         [](const ::testing::TestParamInfo<MarkCase>& info) { return std::string(info.param.name); });

TEST_F(Flow, ResetPdevRefusesAnOldRecordWithoutOrientation) {
  testsupport::OpenPdev other;
  other.Create();
  WORD saved = pdev()->orientation;
  pdev()->orientation = 0;
  EXPECT_FALSE(DrvResetPDEV(reinterpret_cast<DHPDEV>(pdev()), reinterpret_cast<DHPDEV>(other.pdev())));
  pdev()->orientation = saved;
  EXPECT_FALSE(DrvResetPDEV(nullptr, reinterpret_cast<DHPDEV>(other.pdev())));
}

// Disabling a record whose job is still open releases the job's allocations.
TEST_F(Flow, DisablingARecordClosesItsOpenJob) {
  ASSERT_TRUE(StartJob());
  ASSERT_NE(Util_ListAlloc(&pdev()->jobAllocations, 128), nullptr);
  open_.Close();  // a leak here would show in the sanitizer build
}

// Form parts: slot origins on portrait A4 (w 4960, h 7008, m 96) for a part of 1000 x 400.
struct SlotCase {
  int slot;
  int angle;
  SHORT x, y;
};

class FormSlots : public JobCtrlTest, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(FormSlots, OriginOfEachSlot) {
  ASSERT_TRUE(StartJob());
  SHORT x = 0, y = 0;
  JobCtrl_PlaceFormSlot(pdev(), GetParam().slot, GetParam().angle, 1000, 400, &x, &y);
  EXPECT_EQ(x, GetParam().x);
  EXPECT_EQ(y, GetParam().y);
  DrvEndDoc(surface(), 0);
  EndDocPrinter(open_.printer());
}

INSTANTIATE_TEST_SUITE_P(
    Slots, FormSlots,
    ::testing::Values(
        SlotCase{0, 0, 96, 96}, SlotCase{1, 0, 1980, 96}, SlotCase{2, 0, 3864, 96}, SlotCase{3, 0, 96, 6512},
        SlotCase{4, 0, 1980, 6512}, SlotCase{5, 0, 3864, 6512}, SlotCase{9, 0, 96, 96},
        // Upside down: the mirror of each upright place; a centred part stays centred.
        SlotCase{0, 180, 4864, 6912}, SlotCase{1, 180, 2980, 6912}, SlotCase{2, 180, 1096, 6912},
        SlotCase{3, 180, 4864, 496}, SlotCase{4, 180, 2980, 496}, SlotCase{5, 180, 1096, 496},
        // A quarter turn: the page frame is 7008 wide and 4960 high.
        SlotCase{0, 90, 96, 6912}, SlotCase{0, 270, 4864, 96}, SlotCase{5, 90, 4464, 1096}),
    [](const ::testing::TestParamInfo<SlotCase>& info) {
      return "Slot" + std::to_string(info.param.slot) + "At" + std::to_string(info.param.angle);
    });

TEST_F(Flow, PlacePageGivesTheBoxAndTurnsWithNupRotation) {
  Change([](RenderDevmode& s) {
    s.dmPrivate.nup.bNupNum = 4;
    s.dmPrivate.bRotate180 = 3;
  });
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(DrvStartPage(surface()));
  SHORT x = 0, y = 0;
  RECT16 box{};
  EXPECT_EQ(Escape_PlacePage(pdev(), 1, 400, 1000, &x, &y, &box), 180);
  EXPECT_EQ(x, 2980);
  EXPECT_EQ(y, 6912);
  EXPECT_EQ(box.right, 4960 - 192);
  EXPECT_EQ(box.bottom, 7008 - 192);
  EXPECT_EQ(Escape_PlacePage(pdev(), 0, 8000, 6000, &x, &y, &box), 180);
  EXPECT_EQ(box.right, 6000) << "a part larger than the printable area keeps its size";
  EXPECT_EQ(box.bottom, 8000);
  DrvSendPage(surface());
  DrvEndDoc(surface(), 0);
  EndDocPrinter(open_.printer());
}

TEST_F(Flow, FirstFormSlotIsTheFirstEntryInUse) {
  ASSERT_TRUE(StartJob());
  BYTE* slots = reinterpret_cast<BYTE*>(&pdev()->job.jobSettings.dmPrivate) + RENDER_FORM_SLOTS_OFFSET;
  EXPECT_EQ(JobCtrl_FirstFormSlot(pdev()), 0);
  DWORD used = 1;
  std::memcpy(slots + 5 * RENDER_FORM_SLOT_BYTES, &used, sizeof used);
  EXPECT_EQ(JobCtrl_FirstFormSlot(pdev()), 6);
  std::memcpy(slots + 2 * RENDER_FORM_SLOT_BYTES, &used, sizeof used);
  EXPECT_EQ(JobCtrl_FirstFormSlot(pdev()), 3);
  DrvEndDoc(surface(), 0);
  EndDocPrinter(open_.printer());
}

}  // namespace
}  // namespace jobctrltest

namespace jobctrltest {
namespace {

// Soft fonts stay in the printer from sheet to sheet while the job streams straight through;
// any of the three private switches makes every sheet end remove them, and the numbering then
// starts again at 100.
struct FontKeepCase {
  const char* name;
  std::function<void(RenderDevmode&)> change;
  size_t removals;
};

class SheetFonts : public JobCtrlTest, public ::testing::WithParamInterface<FontKeepCase> {};

TEST_P(SheetFonts, KeptOrRemovedAtTheSheetEnd) {
  Change(GetParam().change);
  ASSERT_TRUE(StartJob());
  ASSERT_TRUE(PrintPages(2, [&](int) {
    FontCachIdentity id{"Arial", 0, 0, 7, FCK_TRUETYPE};
    if (!FontCach_FindFont(pdev(), id)) {
      EXPECT_EQ(FontCach_AddFont(pdev(), id, nullptr, 0), 100) << "the numbering starts at 100 again";
    }
  }));
  pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "RemoveFont").size(), GetParam().removals);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SheetFonts,
    ::testing::Values(// Kept over the sheet end; the job end removes them.
                      FontKeepCase{"DirectJobKeepsThem", [](RenderDevmode&) {}, 1},
                      FontKeepCase{"KeepFontsOffWord", [](RenderDevmode& s) { s.dmPrivate.paper.wKeepFontsOff = 1; }, 2},
                      FontKeepCase{"FlagByte", [](RenderDevmode& s) { s.dmPrivate.bFlags14660 |= 0x1; }, 2},
                      FontKeepCase{"ReverseOrder", [](RenderDevmode& s) { s.dmPrivate.dwUiWord10 = 1; }, 2}),
    [](const ::testing::TestParamInfo<FontKeepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jobctrltest
