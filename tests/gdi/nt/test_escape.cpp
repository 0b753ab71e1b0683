// DrvEscape and DrvDrawEscape called directly on a device record, for what the engine's buffer
// copies hide (a write into the input buffer, bytes left alone) and for records a device
// context cannot reach (the booklet flag, a tiled watermark): answers, the bytes each code
// writes, and the operators ESC_WM_DATA puts into the page.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <vm4k2/escapes.h>
#include <win/gdi.h>

#include "gdi/nt/escape.h"
#include "gdi/nt/pclxlnt.h"
#include "../open_pdev.h"

namespace {

using namespace vm4k2;
using Bytes = std::vector<BYTE>;

constexpr BYTE kSentinel = 0xCC;

class Escape : public testsupport::OpenPdevTest {
 protected:
  // DrvEscape with buffers of the given sizes (nullptr for a size of -1), filled with the sentinel.
  ULONG Call(ULONG code, Bytes* in, Bytes* out) {
    return DrvEscape(surface(), code, in ? static_cast<ULONG>(in->size()) : 0, in ? in->data() : nullptr,
                     out ? static_cast<ULONG>(out->size()) : 0, out ? out->data() : nullptr);
  }
  static Bytes Filled(size_t size) { return Bytes(size, kSentinel); }
  static Bytes Long(LONG value) {
    Bytes b(4);
    std::memcpy(b.data(), &value, 4);
    return b;
  }
  static LONG AsLong(const Bytes& b, size_t at = 0) {
    LONG v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
  }
  LONG Ask(ULONG code) {
    Bytes out = Filled(4);
    EXPECT_EQ(Call(code, nullptr, &out), 1u) << code;
    return AsLong(out);
  }
  ULONG Query(WORD code) {
    Bytes in(2);
    std::memcpy(in.data(), &code, 2);
    return Call(QUERYESCSUPPORT, &in, nullptr);
  }
  // A watermark page of the job: a logical page begun, the page's cache forgotten.
  void OnLogicalPage(int page) {
    pdev()->job.pagesInJob = static_cast<WORD>(page);
    Take();
  }
};

TEST_F(Escape, QueryEscSupportNamesTheTwentyOneCodes) {
  const ULONG supported[] = {8,      17,     20,     6001,   6002,   0x5001, 0x5002, 0x5003, 0x5004, 0x5005, 0x5006,
                             0x5007, 0x5008, 0x5009, 0x500A, 0x500B, 0x500C, 0x500D, 0x500E, 0x5010, 0x5011};
  for (ULONG code : supported) {
    EXPECT_TRUE(Escape_IsSupported(code)) << code;
    EXPECT_EQ(Query(static_cast<WORD>(code)), code == 17 ? 999u : 1u) << code;
  }
  for (ULONG code : {0u, 9u, 19u, 21u, 6000u, 6003u, 0x5000u, 0x500Fu, 0x5012u, 0xFFFFu}) {
    EXPECT_FALSE(Escape_IsSupported(code)) << code;
    EXPECT_EQ(Query(static_cast<WORD>(code)), 0u) << code;
    Bytes out = Filled(4);
    EXPECT_EQ(Call(code, nullptr, &out), 0u) << code;
    EXPECT_EQ(out, Filled(4));
  }
  // Only the first 16 bits name the code asked about.
  Bytes wide = Long(0x10011);
  EXPECT_EQ(Call(QUERYESCSUPPORT, &wide, nullptr), 999u);
  // Less than a code: no answer to give.
  Bytes one(1, 17);
  EXPECT_EQ(Call(QUERYESCSUPPORT, &one, nullptr), 0u);
  EXPECT_EQ(Call(QUERYESCSUPPORT, nullptr, nullptr), 0u);
  EXPECT_EQ(DrvEscape(nullptr, QUERYESCSUPPORT, 2, wide.data(), 0, nullptr), 999u) << "no record needed";
}

TEST_F(Escape, DrawEscapeAnswersOnlyTheQueryAboutItself) {
  struct Case {
    ULONG code;
    Bytes in;
    ULONG answer;
  } cases[] = {
      {QUERYESCSUPPORT, {8, 0}, 1},     {QUERYESCSUPPORT, {8, 0, 0, 0}, 1}, {QUERYESCSUPPORT, {17, 0}, 0},
      {QUERYESCSUPPORT, {0x01, 0x50}, 0}, {QUERYESCSUPPORT, {8}, 0},        {QUERYESCSUPPORT, {}, 0},
      {8 + 1, {8, 0}, 0},               {0x5002, {}, 0},
  };
  for (Case& c : cases) {
    RECTL box{0, 0, 10, 10};
    EXPECT_EQ(DrvDrawEscape(surface(), c.code, nullptr, &box, static_cast<ULONG>(c.in.size()),
                            c.in.empty() ? nullptr : c.in.data()),
              c.answer)
        << c.code << " with " << c.in.size() << " bytes";
  }
}

TEST_F(Escape, TechnologyQuery) {
  Bytes out = Filled(6);
  EXPECT_EQ(Call(GETTECHNOLOGY, nullptr, &out), 1u);
  EXPECT_EQ(out, (Bytes{'P', 'C', 'L', 0, kSentinel, kSentinel}));
  for (size_t size : {0, 3}) {
    Bytes small = Filled(size);
    SetLastError(testsupport::kErrorMarker);
    EXPECT_EQ(Call(GETTECHNOLOGY, nullptr, size ? &small : nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(small, Filled(size));
  }
}

TEST_F(Escape, SetCopyCountChangesTheMergedSettingsOnly) {
  struct Case {
    DWORD asked;
    SHORT stored;
  } cases[] = {{0, 1}, {1, 1}, {998, 998}, {999, 999}, {1000, 999}, {5000, 999}, {0x80000000u, 999}, {0xFFFFFFFFu, 999}};
  const SHORT jobCopies = job().dmPublic.dmCopies;
  for (const Case& c : cases) {
    Bytes in = Long(static_cast<LONG>(c.asked));
    Bytes out = Filled(8);
    EXPECT_EQ(Call(SETCOPYCOUNT, &in, &out), 1u) << c.asked;
    EXPECT_EQ(pdev()->settings.dmPublic.dmCopies, c.stored) << c.asked;
    EXPECT_EQ(AsLong(out), c.stored);
    EXPECT_EQ(out[4], kSentinel) << "4 bytes written";
  }
  EXPECT_EQ(job().dmPublic.dmCopies, jobCopies) << "the running document keeps its copies";
  EXPECT_STREQ(pdev()->job.firstError, "File:escape Line:170\n");

  // No input (or less than a count): -1 and nothing changes; an output under 4 bytes stays.
  pdev()->settings.dmPublic.dmCopies = 7;
  Bytes three = {5, 0, 0};
  Bytes out = Filled(4);
  EXPECT_EQ(Call(SETCOPYCOUNT, nullptr, &out), 0xFFFFFFFFu);
  EXPECT_EQ(Call(SETCOPYCOUNT, &three, &out), 0xFFFFFFFFu);
  EXPECT_EQ(out, Filled(4));
  EXPECT_EQ(pdev()->settings.dmPublic.dmCopies, 7);
  Bytes in = Long(3);
  Bytes small = Filled(3);
  EXPECT_EQ(Call(SETCOPYCOUNT, &in, &small), 1u);
  EXPECT_EQ(small, Filled(3));
  EXPECT_EQ(pdev()->settings.dmPublic.dmCopies, 3);
}

TEST_F(Escape, HandleEscapesWriteTheInputAndAnswerZero) {
  pdev()->jobCtl.hEscape = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234));
  // The user-interface library's call: its DC value as 8 input bytes, no output.
  Bytes in = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Call(ESC_PRN_GETHANDLE, &in, nullptr), 0u);
  EXPECT_EQ(in, (Bytes{0x34, 0x12, 0, 0, 5, 6, 7, 8}));

  Bytes value = Long(0x4321);
  EXPECT_EQ(Call(ESC_PRN_SETHANDLE, &value, nullptr), 0u);
  EXPECT_EQ(pdev()->jobCtl.hEscape, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4321)));
  EXPECT_EQ(pdev()->jobCtl.hJobOutput, open_.printer()) << "the output still goes to the job";

  // Under 4 bytes is no input: nothing is read or written.
  Bytes three = {9, 9, 9};
  EXPECT_EQ(Call(ESC_PRN_SETHANDLE, &three, nullptr), 0u);
  EXPECT_EQ(Call(ESC_PRN_GETHANDLE, &three, nullptr), 0u);
  EXPECT_EQ(three, (Bytes{9, 9, 9}));
  EXPECT_EQ(Call(ESC_PRN_GETHANDLE, nullptr, nullptr), 0u);
  EXPECT_EQ(pdev()->jobCtl.hEscape, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4321)));
}

TEST_F(Escape, ExactOutputsRefuseEveryOtherSize) {
  struct Case {
    ULONG code;
    size_t size;
  } cases[] = {{ESC_WM_GETINFO, 3236},       {ESC_HF_GETINFO, 1096},   {ESC_JOB_GETSHEETCOUNT, 4},
               {ESC_JOB_GETDOCNAME, 256},    {ESC_DM_GETEXTRA, 1330},  {ESC_WM_GETSTATE, 4},
               {ESC_JOB_GETPAGESIZE, 12},    {ESC_JOB_GETNUP, 4},      {ESC_DRV_GETRESERVED, 4},
               {ESC_DM_GETDOCSTYLE, 4}};
  for (const Case& c : cases) {
    for (size_t size : {c.size - 1, c.size + 1, static_cast<size_t>(0)}) {
      Bytes out = Filled(size);
      EXPECT_EQ(Call(c.code, nullptr, size ? &out : nullptr), 0u) << c.code << " with " << size;
      EXPECT_EQ(out, Filled(size));
    }
    Bytes out = Filled(c.size);
    EXPECT_EQ(DrvEscape(surface(), c.code, 0, nullptr, static_cast<ULONG>(c.size), nullptr), 0u) << "no pointer";
    EXPECT_EQ(Call(c.code, nullptr, &out), 1u) << c.code;
  }
}

TEST_F(Escape, JobFactsComeFromTheJobCopy) {
  RenderDevmode& j = job();
  j.dmPrivate.nup.bNupNum = 2;
  j.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
  pdev()->job.jobOrientation = DMORIENT_PORTRAIT;  // the 2-up grid turns the sheet
  pdev()->settings.dmPrivate.bDocumentStyle = 2;
  j.dmPrivate.bDocumentStyle = 1;
  pdev()->job.jobPage = PdevPage{4960, 7008, 96, 97, 98, 99};
  for (int i = 0; i < 1096; ++i) reinterpret_cast<BYTE*>(&j.dmPrivate.header)[i] = static_cast<BYTE>(i * 7);
  BYTE* extra = reinterpret_cast<BYTE*>(&j.dmPrivate) + 7816;
  for (int i = 0; i < 1330; ++i) extra[i] = static_cast<BYTE>(i * 3 + 1);

  EXPECT_EQ(Ask(ESC_JOB_GETNUP), 2);
  EXPECT_EQ(Ask(ESC_WM_GETSTATE), 2) << "the document's own orientation";
  EXPECT_EQ(Ask(ESC_DM_GETDOCSTYLE), 2) << "the merged settings";
  EXPECT_EQ(Ask(ESC_DRV_GETRESERVED), 0);
  Bytes size = Filled(12);
  EXPECT_EQ(Call(ESC_JOB_GETPAGESIZE, nullptr, &size), 1u);
  EXPECT_EQ(size, (Bytes{0x60, 0x13, 0x60, 0x1B, 96, 0, 97, 0, 98, 0, 99, 0}));
  Bytes header = Filled(1096);
  EXPECT_EQ(Call(ESC_HF_GETINFO, nullptr, &header), 1u);
  EXPECT_EQ(std::memcmp(header.data(), &j.dmPrivate.header, 1096), 0);
  Bytes got = Filled(1330);
  EXPECT_EQ(Call(ESC_DM_GETEXTRA, nullptr, &got), 1u);
  EXPECT_EQ(std::memcmp(got.data(), extra, 1330), 0) << "the block and the 2 bytes after it";

  // A portrait document keeps answering 1 whatever the grid did.
  j.dmPublic.dmOrientation = DMORIENT_PORTRAIT;
  pdev()->job.jobOrientation = DMORIENT_LANDSCAPE;
  EXPECT_EQ(Ask(ESC_WM_GETSTATE), 1);
}

TEST_F(Escape, SheetCountCountsSheetsOrBookletPages) {
  job().dmPrivate.nup.bNupNum = 4;
  struct Case {
    int page;
    BYTE booklet;
    LONG sheets;
  } cases[] = {{1, 0, 1}, {4, 0, 1}, {5, 0, 2}, {9, 0, 3}, {5, 1, 5}, {1, 1, 1}};
  for (const Case& c : cases) {
    pdev()->job.pagesInJob = static_cast<WORD>(c.page);
    pdev()->settings.dmPrivate.bBooklet = c.booklet;
    EXPECT_EQ(Ask(ESC_JOB_GETSHEETCOUNT), c.sheets) << "page " << c.page << " booklet " << int(c.booklet);
  }
  // A record whose job copy holds no grid size counts one page per sheet.
  pdev()->settings.dmPrivate.bBooklet = 0;
  job().dmPrivate.nup.bNupNum = 0;
  pdev()->job.pagesInJob = 3;
  EXPECT_EQ(Ask(ESC_JOB_GETSHEETCOUNT), 3);
}

TEST_F(Escape, DocumentNameInTheAnsiCodePage) {
  std::u16string name = u"Caf\u00e9 \u4e2d.pdf";
  std::memset(pdev()->jobCtl.documentName, 0, sizeof pdev()->jobCtl.documentName);
  std::memcpy(pdev()->jobCtl.documentName, name.data(), name.size() * 2);
  Bytes out = Filled(256);
  EXPECT_EQ(Call(ESC_JOB_GETDOCNAME, nullptr, &out), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(out.data()), "Caf\xe9 ?.pdf");

  // A long name: 255 bytes and the terminator.
  for (size_t i = 0; i < 600; ++i) pdev()->jobCtl.documentName[i] = static_cast<WCHAR>('a' + i % 26);
  out = Filled(256);
  EXPECT_EQ(Call(ESC_JOB_GETDOCNAME, nullptr, &out), 1u);
  EXPECT_EQ(out[254], static_cast<BYTE>('a' + 254 % 26));
  EXPECT_EQ(out[255], 0);
}

TEST_F(Escape, WatermarkInfoOnTheFirstPageOnly) {
  WMARKDATA& wm = job().dmPrivate.wmark;
  wm.wmIndex = 1;
  wm.wmString[0] = u'W';
  wm.wmFontSize = 48;
  job().dmPrivate.nup.bNupNum = 4;
  auto info = [&](int page, BYTE firstOnly, LONG tile) {
    pdev()->job.pagesInJob = static_cast<WORD>(page);
    pdev()->settings.dmPrivate.bFirstPageOnly = firstOnly;
    wm.wmTile = tile;
    Bytes out = Filled(kWmarkDataSize);
    EXPECT_EQ(Call(ESC_WM_GETINFO, nullptr, &out), 1u);
    return out;
  };
  Bytes whole(kWmarkDataSize);
  std::memcpy(whole.data(), &wm, kWmarkDataSize);
  // Without the setting every page gets the block.
  EXPECT_EQ(info(2, 0, 0), whole);
  EXPECT_EQ(info(1, 1, 0), whole);
  Bytes excluded = Filled(kWmarkDataSize);
  excluded[0] = excluded[1] = 0;
  EXPECT_EQ(info(2, 1, 0), excluded) << "word 0 only; the rest of the buffer is the caller's";
  // Tiled copies spread over the first sheet: its four logical pages get the block.
  for (int page = 1; page <= 4; ++page) {
    Bytes expected(kWmarkDataSize);
    wm.wmTile = 1;
    std::memcpy(expected.data(), &wm, kWmarkDataSize);
    EXPECT_EQ(info(page, 1, 1), expected) << page;
  }
  EXPECT_EQ(info(5, 1, 1), excluded);
}

TEST_F(Escape, WatermarkFlagLivesFromBeginToEndOrTheSentPage) {
  EXPECT_EQ(Call(ESC_WM_BEGIN, nullptr, nullptr), 1u);
  EXPECT_TRUE(pdev()->jobCtl.flags & JF_WATERMARK);
  EXPECT_EQ(Call(ESC_WM_END, nullptr, nullptr), 1u);
  EXPECT_FALSE(pdev()->jobCtl.flags & JF_WATERMARK);
  // A sender that never ends its watermark: the page's end clears the flag.
  EXPECT_EQ(Call(ESC_WM_BEGIN, nullptr, nullptr), 1u);
  EXPECT_TRUE(DrvSendPage(surface()));
  EXPECT_FALSE(pdev()->jobCtl.flags & JF_WATERMARK);
}

TEST_F(Escape, FormPartFlagAndPlaceSizes) {
  EXPECT_EQ(Call(ESC_FORM_BEGINPART, nullptr, nullptr), 1u);
  EXPECT_TRUE(pdev()->jobCtl.flags & JF_FORM_PART_OPEN);
  EXPECT_EQ(Call(ESC_FORM_ENDPART, nullptr, nullptr), 1u);
  EXPECT_FALSE(pdev()->jobCtl.flags & JF_FORM_PART_OPEN);
  Take();
  for (size_t size : {0, 11, 13}) {
    Bytes in = Filled(size);
    EXPECT_EQ(Call(ESC_FORM_PLACE, size ? &in : nullptr, nullptr), 1u) << size;
  }
  EXPECT_EQ(TakeListing(), "") << "a placement without its 12 bytes emits nothing";
}

TEST_F(Escape, CodesNeedingADocumentRefuseWithoutOne) {
  pdev()->jobCtl.hJobOutput = nullptr;  // as before DrvStartDoc
  const ULONG flagsBefore = pdev()->jobCtl.flags;
  for (ULONG code : {17u, 6001u, 6002u, 0x5001u, 0x5002u, 0x5003u, 0x5004u, 0x5005u, 0x5006u, 0x5007u, 0x5008u,
                     0x5009u, 0x500Au, 0x500Bu, 0x500Cu, 0x500Du, 0x500Eu}) {
    Bytes in = Filled(36);
    Bytes out = Filled(4096);
    EXPECT_EQ(Call(code, &in, &out), 0u) << code;
    EXPECT_EQ(in, Filled(36));
    EXPECT_EQ(out, Filled(4096));
  }
  EXPECT_EQ(pdev()->jobCtl.flags, flagsBefore);
  EXPECT_EQ(Ask(ESC_DRV_GETRESERVED), 0);
  Bytes out = Filled(4);
  EXPECT_EQ(DrvEscape(nullptr, ESC_DM_GETDOCSTYLE, 0, nullptr, 4, out.data()), 0u) << "no record";
  EXPECT_EQ(out, Filled(4));
}

// ---- ESC_WM_DATA ---------------------------------------------------------------------------------

TEST_F(Escape, UntiledDataClipsToThePrintableAreaAndForgetsTheCache) {
  const PdevPage& paper = pdev()->physicalPage;
  const std::string area = "(0,0," + std::to_string(paper.width - paper.left - paper.right) + "," +
                           std::to_string(paper.height - paper.top - paper.bottom) + ")";
  Gx_SetClipBox(pdev(), nullptr);  // the printer holds the page's box
  Gx_SetPenWidth(pdev(), 5);
  OnLogicalPage(1);
  Bytes ignored = Filled(36);
  EXPECT_EQ(Call(ESC_WM_DATA, &ignored, nullptr), 1u);
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=" + area + " | SetClipReplace ClipRegion=eInterior");
  // The next object's clip and pen are sent again: the cache no longer matches the printer.
  CLIPOBJ trivial{};
  trivial.iDComplexity = DC_TRIVIAL;
  RECTL bounds{0, 0, 10, 10};
  ASSERT_TRUE(Clip_Set(pdev(), &trivial, nullptr, &bounds));
  Gx_SetPenWidth(pdev(), 5);
  const SHORT* box = pdev()->job.layout.printableBox;
  EXPECT_EQ(TakeListing(), "NewPath | RectanglePath BoundingBox=(0,0," + std::to_string(box[2]) + "," +
                               std::to_string(box[3]) + ") | SetClipReplace ClipRegion=eInterior | "
                               "SetLineDash SolidLine=0 | SetPenWidth PenWidth=5");
}

// Inside the bracket an image's trivial clip keeps a text watermark's DATA clip; a bitmap
// watermark's image takes the printable box again, which the forgotten cache lets it send.
TEST_F(Escape, WatermarkImagesAfterDataKeepOrResetTheClipByKind) {
  const SHORT* box = pdev()->job.layout.printableBox;
  const std::string printable = "NewPath | RectanglePath BoundingBox=(0,0," + std::to_string(box[2]) + "," +
                                std::to_string(box[3]) + ") | SetClipReplace ClipRegion=eInterior";
  CLIPOBJ trivial{};
  trivial.iDComplexity = DC_TRIVIAL;
  RECTL bounds{0, 0, 10, 10};
  for (BYTE bitmap : {0, 1}) {
    job().dmPrivate.wmark.wmBitmap = bitmap;
    Gx_SetClipBox(pdev(), nullptr);
    OnLogicalPage(1);
    EXPECT_EQ(Call(ESC_WM_BEGIN, nullptr, nullptr), 1u);
    EXPECT_EQ(Call(ESC_WM_DATA, nullptr, nullptr), 1u);
    Take();
    ASSERT_TRUE(Clip_Set(pdev(), &trivial, nullptr, &bounds));
    EXPECT_EQ(TakeListing(), bitmap ? printable : "") << "bitmap " << int(bitmap);
    EXPECT_EQ(Call(ESC_WM_END, nullptr, nullptr), 1u);
  }
}

TEST_F(Escape, DataOutsideAnOpenPageWritesNothing) {
  pdev()->jobCtl.flags &= ~JF_PAGE_OPEN;
  Take();
  EXPECT_EQ(Call(ESC_WM_DATA, nullptr, nullptr), 1u);
  EXPECT_EQ(TakeListing(), "");
}

struct TiledCase {
  const char* name;
  SHORT jobOrientation;     // the job orientation (the grid may turn it)
  SHORT documentOrientation;
  WORD sheets;              // physical pages begun
  DWORD turned;
  BYTE style;
  BYTE mergedNup;
  BYTE spacing;
  std::string expected;
};

// m = 96 at 600 dpi; the placement (col 1, row 2, cell 1000 x 1500, offset 10/20, d 3/4, extra 7)
// gives X = 10 + 3 + 96 + 1000 = 1109 and Y = 20 + 4 + 96 + 3000 = 3120.
TEST_F(Escape, TiledDataPlacesEachCopyBySideAndTurn) {
  pdev()->job.jobPage = PdevPage{4960, 7008, 96, 96, 96, 96};
  const std::string head = "SetPageDefaultCTM | SetPageScale PageScale=(1,1) | ";
  const std::string clip = " | NewPath | RectanglePath BoundingBox=";
  const std::string tail = " | SetClipReplace ClipRegion=eInterior";
  // Turned: origin (4960 - 10 - 3 - 1000, 7008 - 20 - 4 - 3000) = (3947, 3984); clip to 4960 - 192.
  const std::string turned = "SetPageOrigin PageOrigin=(3947,3984) | SetPageRotation PageAngle=180" + clip +
                             "(-10,-20,4768,6816)" + tail;
  const TiledCase cases[] = {
      {"even sheet", 1, 1, 2, 0, 0, 1, 0, "SetPageOrigin PageOrigin=(1109,3120)" + clip + "(-10,-20,3851,3888)" + tail},
      {"even, landscape job", 2, 2, 2, 0, 0, 1, 0,
       "SetPageOrigin PageOrigin=(1205,3120)" + clip + "(-10,-20,3755,3888)" + tail},
      {"even, turned", 1, 1, 2, 1, 0, 1, 0, turned},
      {"odd, plain", 1, 1, 1, 0, 0, 1, 0, "SetPageOrigin PageOrigin=(1109,3120)" + clip + "(-10,-20,3851,3888)" + tail},
      {"odd, style 4", 1, 1, 1, 0, 4, 1, 0,
       "SetPageOrigin PageOrigin=(3947,3984) | SetPageRotation PageAngle=180" + clip + "(-10,-20,4768,6816)" + tail},
      {"odd, style 4, landscape job", 2, 2, 1, 0, 4, 1, 0,
       "SetPageOrigin PageOrigin=(3947,3888) | SetPageRotation PageAngle=180" + clip + "(-10,-20,4768,6816)" + tail},
      {"odd, turned, one-up", 1, 1, 1, 1, 0, 1, 0,
       "SetPageOrigin PageOrigin=(1205,3216)" + clip + "(-10,-20,3755,3792)" + tail},
      {"odd, turned, landscape one-up", 2, 2, 1, 1, 0, 1, 0,
       "SetPageOrigin PageOrigin=(1109,3216)" + clip + "(-10,-20,3851,3792)" + tail},
      {"odd, turned, 2-up", 1, 1, 1, 1, 0, 2, 0, turned},
      // The landscape spacing of a text watermark: X = 10 - 7 + 3 + 96 + 1000 - 120, Y = 3120 - 20.
      {"landscape spacing", 1, 2, 2, 0, 0, 1, 2,
       "SetPageOrigin PageOrigin=(982,3100)" + clip + "(-10,-20,3978,3908)" + tail},
  };
  const WatermarkPlacement placement{1, 2, 1000, 1500, 10, 20, 3, 4, 7};
  for (const TiledCase& c : cases) {
    RenderDevmode& j = job();
    j.dmPrivate.wmark.wmTile = 1;
    j.dmPrivate.wmark.wmBitmap = 0;
    j.dmPrivate.wmark.wmSpacing = c.spacing;
    j.dmPrivate.bDocumentStyle = c.style;
    j.dmPublic.dmOrientation = c.documentOrientation;
    pdev()->job.jobOrientation = static_cast<WORD>(c.jobOrientation);
    pdev()->job.pageFlow.sheetsInJob = c.sheets;
    pdev()->job.pageFlow.turned180 = c.turned;
    pdev()->settings.dmPrivate.nup.bNupNum = c.mergedNup;
    Take();
    Bytes in(sizeof placement);
    std::memcpy(in.data(), &placement, sizeof placement);
    EXPECT_EQ(Call(ESC_WM_DATA, &in, nullptr), 1u);
    EXPECT_EQ(TakeListing(), head + c.expected) << c.name;
  }
}

TEST_F(Escape, TiledDataWithoutItsPlacementSetsNoClip) {
  job().dmPrivate.wmark.wmTile = 1;
  Take();
  for (size_t size : {0, 35, 37}) {
    Bytes in = Filled(size);
    EXPECT_EQ(Call(ESC_WM_DATA, size ? &in : nullptr, nullptr), 1u) << size;
  }
  EXPECT_EQ(TakeListing(), "");
}

TEST_F(Escape, TiledDataFromHostileValuesStaysWithin16Bits) {
  job().dmPrivate.wmark.wmTile = 1;
  const WatermarkPlacement huge{0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, -0x7FFFFFFF, -0x7FFFFFFF - 1, 0x7FFFFFFF, 0, 0, 0};
  Bytes in(sizeof huge);
  std::memcpy(in.data(), &huge, sizeof huge);
  Take();
  EXPECT_EQ(Call(ESC_WM_DATA, &in, nullptr), 1u);
  std::vector<std::string> lines = TakeLines();
  ASSERT_EQ(lines.size(), 6u) << TakeListing();
  EXPECT_EQ(lines[2], "SetPageOrigin PageOrigin=(32767,-32768)");
}

}  // namespace
