// Overlay forms through a printer DC: creating a form file from a job, printing a stored form
// under every sheet, and forms the renderer must refuse. The settings that switch forms on come
// from no user interface; the tests put them on the DC's device record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/modules.h>
#include <win/resources.h>

#include "forms_dc.h"

namespace {

using namespace formstest;

TEST_F(FormsDC, CreatingKeepsTheFirstSheetOfATwoPageJobAndSendsNothing) {
  const Printed created = Create(u"Letterhead", 2);
  EXPECT_TRUE(created.printer.empty()) << created.printer.size() << " bytes reached the printer";

  const Bytes file = ReadMachineFile(FormFile(u"Letterhead"));
  ASSERT_GT(file.size(), 137u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 17), "Q731MOverlayStart");
  DfdHeader header;
  std::memcpy(&header, file.data() + 17, sizeof header);
  const RenderDevmode& s = created.settings;
  EXPECT_EQ(header.paper, static_cast<WORD>(s.dmPublic.dmPaperSize));
  EXPECT_EQ(header.orientation, 1);
  EXPECT_EQ(header.reserved3, 0);
  EXPECT_EQ(header.turned, 0u);
  EXPECT_EQ(header.byte124, reinterpret_cast<const BYTE*>(&s.dmPrivate)[124]);
  EXPECT_EQ(header.partLength, 0u);

  const OpLines sheet = Operators(file, 137, file.size());
  ASSERT_FALSE(sheet.empty());
  EXPECT_TRUE(StartsWith(sheet.front(), "BeginPage")) << sheet.front();
  EXPECT_TRUE(StartsWith(sheet.back(), "EndPage")) << sheet.back();
  EXPECT_EQ(CountPrefix(sheet, "BeginPage"), 1u);
  for (const char* absent : {"BeginSession", "OpenDataSource", "CloseDataSource", "EndSession"})
    EXPECT_EQ(CountPrefix(sheet, absent), 0u) << absent;
}

TEST_F(FormsDC, CreatingFromOnePageAndFromTwoUpKeepsExactlyOneSheet) {
  struct Case {
    const char* name;
    int pages;
    BYTE nup;
    size_t cells;
  };
  const Case cases[] = {{"one page", 1, 1, 1}, {"2-up", 2, 2, 2}, {"2-up, three pages", 3, 2, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Printed created = Create(u"Cells", c.pages, c.nup);
    EXPECT_TRUE(created.printer.empty());
    const Bytes file = ReadMachineFile(FormFile(u"Cells"));
    ASSERT_GT(file.size(), 137u);
    const OpLines sheet = Operators(file, 137, file.size());
    ASSERT_FALSE(sheet.empty());
    EXPECT_TRUE(StartsWith(sheet.front(), "BeginPage"));
    EXPECT_TRUE(StartsWith(sheet.back(), "EndPage"));
    EXPECT_EQ(CountPrefix(sheet, "BeginPage"), 1u);
    EXPECT_EQ(CountPrefix(sheet, "SetPageOrigin"), c.cells);
    EXPECT_EQ(CountPrefix(sheet, "PaintPath"), c.cells);
    EXPECT_EQ(CountPrefix(sheet, "EndSession"), 0u);
  }
}

TEST_F(FormsDC, AFormsFolderThatCannotBeMadeIsShownAndTheJobGoesNowhere) {
  // A file where the folder "Halvard" must go.
  const std::u16string documents = Env(u"ALLUSERSPROFILE") + u"\\Documents";
  CreateDirectoryW(documents.c_str(), nullptr);
  WriteMachineFile(documents + u"\\Halvard", {'x'});

  const Printed created = Create(u"Letterhead");
  EXPECT_TRUE(created.printer.empty());
  EXPECT_TRUE(ReadMachineFile(FormFile(u"Letterhead")).empty());

  // The box shows the words of the message library that setup-machine placed beside the
  // renderer.
  const std::u16string library = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\tq5m2kaRC.DLL";
  HMODULE messages = LoadLibraryW(library.c_str());
  ASSERT_NE(messages, nullptr) << GetLastError() << " " << std::string(library.begin(), library.end());
  WCHAR text[512] = {}, caption[256] = {};
  ASSERT_GT(LoadStringW(messages, 2830, text, 512), 0);
  ASSERT_GT(LoadStringW(messages, 2246, caption, 256), 0);
  FreeLibrary(messages);
  auto utf8 = [](const WCHAR* w) {
    std::string out;
    for (; *w; ++w) out.push_back(static_cast<char>(*w));
    return out;
  };
  std::string log(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
  log.resize(PlatformTest_ReadCallLog(log.data(), log.size()));
  const std::string box = "\"owner\":0,\"text\":\"" + utf8(text) + "\",\"caption\":\"" + utf8(caption) + "\",\"style\":65";
  EXPECT_NE(log.find(box), std::string::npos) << log;
  size_t boxes = 0;
  for (size_t at = log.find("\"event\":\"box\""); at != std::string::npos; at = log.find("\"event\":\"box\"", at + 1)) ++boxes;
  EXPECT_EQ(boxes, 1u);
}

TEST_F(FormsDC, AStoredFormGoesUnderEverySheetInItsOwnGraphicsState) {
  Create(u"Letterhead");
  const Bytes file = ReadMachineFile(FormFile(u"Letterhead"));
  ASSERT_GT(file.size(), 137u);
  DfdStoredForm stored;
  ASSERT_EQ(Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), &stored), DFD_READ_OK);
  const OpLines body = Operators(file, stored.bodyStart, stored.bodyStart + stored.bodyLength);
  ASSERT_FALSE(body.empty());

  const Printed printed = PrintWithForm(u"Letterhead", 3);
  const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
  ASSERT_TRUE(job.ok) << job.error;
  const std::vector<OpLines> sheets = Sheets(job);
  ASSERT_EQ(sheets.size(), 3u);
  const LONG m = 96;
  for (const OpLines& sheet : sheets) {
    ASSERT_GT(sheet.size(), 5 + body.size());
    EXPECT_EQ(sheet[1], "PushGS");
    EXPECT_EQ(sheet[2], "SetPageDefaultCTM");
    EXPECT_EQ(sheet[3], Origin(m, m));
    EXPECT_EQ(sheet[4], Rotation(0));
    EXPECT_EQ(OpLines(sheet.begin() + 5, sheet.begin() + 5 + static_cast<long>(body.size())), body);
    const size_t after = 5 + body.size();
    EXPECT_EQ(sheet[after], "PopGS");
    // Then the page itself, whose own transform is the form's: the form's top-left square lies
    // on the page's.
    EXPECT_EQ(sheet[after + 1], "PushGS");
    EXPECT_EQ(sheet[after + 2], "SetPageDefaultCTM");
    EXPECT_EQ(sheet[after + 3], Origin(m, m));
    EXPECT_EQ(sheet[after + 4], Rotation(0));
  }
}

// Where the form's corners land on a sheet of the other orientation: each corner of the form's
// printable frame (fw x fh) goes through the placement's origin and angle (PageAngle 90 runs the
// form's x axis up the sheet, 270 down).
struct Point {
  LONG x, y;
  bool operator==(const Point&) const = default;
};

Point Place(Point origin, int angle, Point p) {
  switch (angle) {
    case 90: return {origin.x + p.y, origin.y - p.x};
    case 270: return {origin.x - p.y, origin.y + p.x};
    default: return {origin.x + p.x, origin.y + p.y};
  }
}

TEST_F(FormsDC, AFormOfTheOtherOrientationFillsTheSheetsPrintableFrame) {
  struct Case {
    const char* name;
    short formOrientation;
    short sheetOrientation;
    int angle;
  };
  const Case cases[] = {
      {"portrait form, landscape sheet", DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE, 270},
      {"landscape form, portrait sheet", DMORIENT_LANDSCAPE, DMORIENT_PORTRAIT, 90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> formDevmode = jobflowtest::PrinterDevmode([&](DEVMODEW& dm, BYTE*) { dm.dmOrientation = c.formOrientation; });
    const Printed created = Create(u"Turned", 1, 1, jobflowtest::AsDevmode(formDevmode));
    ASSERT_EQ(created.settings.dmPublic.dmOrientation, c.formOrientation);
    std::vector<BYTE> sheetDevmode = jobflowtest::PrinterDevmode([&](DEVMODEW& dm, BYTE*) { dm.dmOrientation = c.sheetOrientation; });
    const Printed printed = PrintWithForm(u"Turned", 1, jobflowtest::AsDevmode(sheetDevmode));
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    const std::vector<OpLines> sheets = Sheets(job);
    ASSERT_EQ(sheets.size(), 1u);
    const LONG m = 96;
    const LONG W = printed.page.width, H = printed.page.height;
    ASSERT_EQ(W > H, c.sheetOrientation == DMORIENT_LANDSCAPE);
    const Point origin = c.angle == 270 ? Point{W - m, m} : Point{m, H - m};
    ASSERT_GT(sheets[0].size(), 5u);
    EXPECT_EQ(sheets[0][3], Origin(origin.x, origin.y));
    EXPECT_EQ(sheets[0][4], Rotation(c.angle));
    // The form's printable frame is the sheet's with its sides exchanged: its four corners land
    // on the sheet's four printable corners, its top left next to the sheet's top right (270) or
    // bottom left (90).
    const LONG fw = H - 2 * m, fh = W - 2 * m;
    std::vector<Point> corners;
    for (Point p : {Point{0, 0}, Point{fw, 0}, Point{0, fh}, Point{fw, fh}}) corners.push_back(Place(origin, c.angle, p));
    for (Point sheetCorner : {Point{m, m}, Point{W - m, m}, Point{m, H - m}, Point{W - m, H - m}})
      EXPECT_NE(std::find(corners.begin(), corners.end(), sheetCorner), corners.end())
          << sheetCorner.x << "," << sheetCorner.y;
  }
}

TEST_F(FormsDC, ATurnedSheetTakesTheFormInItsOwnTurnedFrame) {
  Create(u"Letterhead");
  const Printed printed =
      PrintWithForm(u"Letterhead", 1, nullptr, [](RenderDevmode& s) { s.dmPrivate.bRotate180 = 3; });
  const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
  ASSERT_TRUE(job.ok) << job.error;
  const std::vector<OpLines> sheets = Sheets(job);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_NE(sheets[0][0].find("eReversePortrait"), std::string::npos) << sheets[0][0];
  // No further half turn: the form's transform is the page's own.
  EXPECT_EQ(sheets[0][3], Origin(96, 96));
  EXPECT_EQ(sheets[0][4], Rotation(0));
  const size_t pop = static_cast<size_t>(std::find(sheets[0].begin(), sheets[0].end(), "PopGS") - sheets[0].begin());
  ASSERT_LT(pop + 4, sheets[0].size());
  EXPECT_EQ(sheets[0][pop + 3], sheets[0][3]);
  EXPECT_EQ(sheets[0][pop + 4], sheets[0][4]);
}

// Forms the renderer refuses: the job prints as if it had none.
TEST_F(FormsDC, DamagedOrBusyFormsAreLeftOut) {
  Create(u"Good");
  const Bytes good = ReadMachineFile(FormFile(u"Good"));
  ASSERT_GT(good.size(), 137u + 6);
  struct Case {
    const char* name;
    Bytes file;
  };
  Bytes noMarker = good;
  noMarker[0] = 'q';
  Bytes noEndPage(good.begin(), good.end() - 6);
  Bytes truncated(good.begin(), good.begin() + 100);
  const Case cases[] = {{"no marker", noMarker}, {"no EndPage", noEndPage}, {"shorter than its header", truncated}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteMachineFile(FormFile(u"Bad"), c.file);
    const Printed printed = PrintWithForm(u"Bad", 2);
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(CountPrefix(job.listing, "BeginPage"), 2u);
    EXPECT_EQ(CountPrefix(job.listing, "PopGS"), 0u);
  }
  {
    SCOPED_TRACE("a writer holds the form");
    HANDLE writer = CreateFileW(FormFile(u"Good").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const Printed printed = PrintWithForm(u"Good", 1);
    CloseHandle(writer);
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(CountPrefix(job.listing, "BeginPage"), 1u);
    EXPECT_EQ(CountPrefix(job.listing, "PopGS"), 0u);
  }
  {
    SCOPED_TRACE("a missing form");
    const Printed printed = PrintWithForm(u"Missing", 1);
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(CountPrefix(job.listing, "PopGS"), 0u);
  }
}

}  // namespace

namespace {

using namespace formstest;

// Sheets the playback rearranges get the form too: collated copies, reverse order, and poster
// tiles, where the form comes after the tile's content and crop marks.
TEST_F(FormsDC, PlayedSheetsCarryTheForm) {
  Create(u"Letterhead");
  const OpLines form = {"PushGS", "SetPageDefaultCTM", Origin(96, 96), Rotation(0)};
  struct Case {
    const char* name;
    testsupport::PdevSettingsPatch::Change more;
    int pages;
    size_t sheets;
    bool poster;
  };
  const Case cases[] = {
      {"collated copies", [](RenderDevmode& s) {
         s.dmPublic.dmCopies = 2;
         s.dmPublic.dmCollate = DMCOLLATE_TRUE;
       }, 2, 4, false},
      {"reverse order", [](RenderDevmode& s) { s.dmPrivate.dwUiWord10 = 1; }, 3, 3, false},
      {"poster with crop marks", [](RenderDevmode& s) {
         s.dmPrivate.bPosterLayout = 1;
         s.dmPrivate.poster.wPosterType = 0;
         s.dmPrivate.poster.bCropMarks = 1;
       }, 1, 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Printed printed = PrintWithForm(u"Letterhead", c.pages, nullptr, c.more);
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    const std::vector<OpLines> sheets = Sheets(job);
    ASSERT_EQ(sheets.size(), c.sheets);
    for (const OpLines& sheet : sheets) {
      ASSERT_GT(sheet.size(), 6u);
      EXPECT_EQ(CountPrefix(sheet, "PopGS"), 1u);
      if (!c.poster) {
        EXPECT_EQ(OpLines(sheet.begin() + 1, sheet.begin() + 5), form);
        continue;
      }
      // The tile's content and its crop marks, then the form, then the sheet's end.
      EXPECT_EQ(sheet[sheet.size() - 2], "PopGS");
      size_t push = sheet.size();
      for (size_t i = sheet.size(); i-- > 0;) {
        if (sheet[i] == "PushGS") {
          push = i;
          break;
        }
      }
      ASSERT_LT(push + 4, sheet.size());
      EXPECT_EQ(OpLines(sheet.begin() + static_cast<long>(push), sheet.begin() + static_cast<long>(push) + 4), form);
      EXPECT_GT(CountPrefix(OpLines(sheet.begin(), sheet.begin() + static_cast<long>(push)), "LinePath"), 0u);
    }
  }
}

// A creation job that is spooled (here for reverse order) keeps the same form: the playback
// writes the first sheet's record alone after the header, and nothing reaches the printer.
TEST_F(FormsDC, ASpooledCreationKeepsOnlyTheFirstSheet) {
  const Printed created = Print([](RenderDevmode& s) {
    SetForm(s, OVERLAY_CREATE, u"Spooled");
    s.dmPrivate.dwUiWord10 = 1;
  }, 2);
  EXPECT_TRUE(created.printer.empty());
  const Bytes file = ReadFormFile(u"Spooled");
  ASSERT_GT(file.size(), 137u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 17), "Q731MOverlayStart");
  const OpLines sheet = Operators(file, 137, file.size());
  ASSERT_FALSE(sheet.empty());
  EXPECT_TRUE(StartsWith(sheet.front(), "BeginPage")) << sheet.front();
  EXPECT_TRUE(StartsWith(sheet.back(), "EndPage")) << sheet.back();
  EXPECT_EQ(CountPrefix(sheet, "BeginPage"), 1u);
  DfdStoredForm stored;
  EXPECT_EQ(Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), &stored), DFD_READ_OK);
}

}  // namespace

namespace {

using namespace formstest;

// The sides the playback adds itself are empty paper: the back of an odd last page in
// driver-made duplex, and the back that keeps a printer-duplexed copy of an odd sheet count
// from starting on the previous copy's last sheet. They carry no form; every drawn side does.
TEST_F(FormsDC, BlankSidesTheDriverAddsCarryNoForm) {
  Create(u"Letterhead");
  struct Case {
    const char* name;
    testsupport::PdevSettingsPatch::Change more;
    int pages;
    // Per played side: whether it carries a drawn page (and so the form).
    std::vector<bool> drawn;
  };
  const Case cases[] = {
      // Backs last to first (blank, 2), then the fronts (1, 3).
      {"driver-made duplex, three pages", [](RenderDevmode& s) { s.dmPrivate.bDocumentStyle = 3; }, 3,
       {false, true, true, true}},
      // Pages 1 2 3, a blank back, then pages 1 2 3 again.
      {"printer duplex, two collated copies of three pages", [](RenderDevmode& s) {
         s.dmPrivate.bDocumentStyle = 2;
         s.dmPublic.dmCopies = 2;
         s.dmPublic.dmCollate = DMCOLLATE_TRUE;
       }, 3, {true, true, true, false, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Printed printed = PrintWithForm(u"Letterhead", c.pages, nullptr, c.more);
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    const std::vector<OpLines> sheets = Sheets(job);
    ASSERT_EQ(sheets.size(), c.drawn.size());
    for (size_t i = 0; i < sheets.size(); ++i) {
      SCOPED_TRACE("side " + std::to_string(i));
      EXPECT_EQ(CountPrefix(sheets[i], "PopGS"), c.drawn[i] ? 1u : 0u);
      EXPECT_EQ(CountPrefix(sheets[i], "PaintPath") > 0, c.drawn[i]);
    }
  }
}

}  // namespace

namespace {

using namespace formstest;

// The job copy of the settings names the form's full path in its form name and OverlayFile
// (the settings dump shows it), also after the copy is taken again at the first page.
TEST_F(FormsDC, TheJobCopyKeepsTheFullFormPath) {
  const std::u16string path = folder_ + u"\\Letterhead";
  struct Case {
    const char* name;
    BYTE overlay;
    int pages;
  };
  for (const Case& c : {Case{"creating", OVERLAY_CREATE, 1}, Case{"printing with the form", 1, 2}}) {
    SCOPED_TRACE(c.name);
    const Printed printed = Print([&](RenderDevmode& s) { SetForm(s, c.overlay, u"Letterhead"); }, c.pages);
    const OVERLAY_DLG& o = printed.settings.dmPrivate.overlay;
    EXPECT_EQ(std::u16string(o.szFormName), path);
    EXPECT_EQ(std::u16string(o.OverlayFile), path);
  }
}

}  // namespace

namespace {

using namespace formstest;

// The header words of a created form follow the job: the paper (the fit-to paper when one is
// set), the orientation, the turned flag of the rotate setting in that orientation, byte 124 of
// the private settings and page values A and B (the sheet's paper and source).
TEST_F(FormsDC, TheHeaderWordsFollowTheJob) {
  struct Case {
    const char* name;
    short orientation;
    BYTE rotate180;
    SHORT fitTo;
    DWORD turned;
  };
  const Case cases[] = {
      {"portrait", DMORIENT_PORTRAIT, 0, 0, 0},
      {"all pages turned", DMORIENT_PORTRAIT, 3, 0, 1},
      {"landscape turned, landscape job", DMORIENT_LANDSCAPE, 1, 0, 1},
      {"landscape turned, portrait job", DMORIENT_PORTRAIT, 1, 0, 0},
      {"portrait turned, portrait job", DMORIENT_PORTRAIT, 2, 0, 1},
      {"portrait turned, landscape job", DMORIENT_LANDSCAPE, 2, 0, 0},
      {"fitted to Letter", DMORIENT_PORTRAIT, 0, DMPAPER_LETTER, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> devmode = jobflowtest::PrinterDevmode([&](DEVMODEW& dm, BYTE*) {
      dm.dmOrientation = c.orientation;
      dm.dmPaperSize = DMPAPER_A4;
    });
    const Printed created = Print([&](RenderDevmode& s) {
      SetForm(s, OVERLAY_CREATE, u"Words");
      s.dmPrivate.bRotate180 = c.rotate180;
      s.dmPrivate.scale.FtoPaper = c.fitTo;
    }, 2, jobflowtest::AsDevmode(devmode));
    const Bytes file = ReadFormFile(u"Words");
    ASSERT_GT(file.size(), DFD_BODY_OFFSET);
    DfdHeader h;
    std::memcpy(&h, file.data() + DFD_HEADER_OFFSET, sizeof h);
    const RenderDevmode& s = created.settings;
    EXPECT_EQ(h.paper, c.fitTo ? static_cast<WORD>(c.fitTo) : static_cast<WORD>(DMPAPER_A4));
    EXPECT_EQ(h.orientation, c.orientation);
    EXPECT_EQ(h.reserved3, 0);
    EXPECT_EQ(h.turned, c.turned);
    EXPECT_EQ(h.byte124, reinterpret_cast<const BYTE*>(&s.dmPrivate)[124]);
    EXPECT_EQ(h.reserved9[0] | h.reserved9[1] | h.reserved9[2], 0);
    EXPECT_EQ(h.pageValues[0], static_cast<DWORD>(c.fitTo ? c.fitTo : DMPAPER_A4));
    EXPECT_EQ(h.pageValues[1], static_cast<DWORD>(s.dmPrivate.wPaperSource));
  }
}

}  // namespace
