// The form-part escapes through ExtEscape on a printer DC: a creation job cut into slot parts,
// the parts placed again under a later job, and ESC_FORM_PLACE placing a logical page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/gdi_draw.h>

#include "forms_dc.h"

namespace {

using formstest::FormsDC;
using formstest::OpLines;
using formstest::StartsWith;

constexpr int kBeginPart = 0x5006;
constexpr int kEndPart = 0x5007;
constexpr int kPlace = 0x5008;

int Escape(HDC hdc, int code) { return ExtEscape(hdc, code, 0, nullptr, 0, nullptr); }
int Place(HDC hdc, LONG slot, LONG x, LONG y) {
  const LONG in[3] = {slot, x, y};
  return ExtEscape(hdc, kPlace, sizeof in, reinterpret_cast<LPCSTR>(in), 0, nullptr);
}

// Configures the settings' form slot entries (0-based table index).
void ConfigureSlot(RenderDevmode& s, size_t slot) {
  BYTE* entries = reinterpret_cast<BYTE*>(&s.dmPrivate) + RENDER_FORM_SLOTS_OFFSET;
  const DWORD on = 1;
  std::memcpy(entries + slot * RENDER_FORM_SLOT_BYTES, &on, sizeof on);
}

DfdHeader HeaderOf(const formstest::Bytes& file) {
  DfdHeader h{};
  if (file.size() >= DFD_BODY_OFFSET) std::memcpy(&h, file.data() + DFD_HEADER_OFFSET, sizeof h);
  return h;
}

// A creation job on slots 0 and 1: a square in each part.
void CutTwoParts(HDC dc, int page) {
  if (page != 1) return;
  EXPECT_EQ(Escape(dc, kBeginPart), 1);
  EXPECT_EQ(Place(dc, 0, 400, 300), 1);
  Rectangle(dc, 0, 0, 40, 40);
  EXPECT_EQ(Place(dc, 1, 500, 200), 1);
  Rectangle(dc, 0, 0, 50, 50);
  EXPECT_EQ(Escape(dc, kEndPart), 1);
}

TEST_F(FormsDC, ACreationJobCutIntoTwoSlotsRecordsTheirLengthsAndPlacements) {
  Print([](RenderDevmode& s) {
    formstest::SetForm(s, OVERLAY_CREATE, u"Parts");
    ConfigureSlot(s, 0);
    ConfigureSlot(s, 1);
  }, 1, nullptr, CutTwoParts);
  const formstest::Bytes file = ReadFormFile(u"Parts");
  ASSERT_GT(file.size(), DFD_BODY_OFFSET);
  const DfdHeader h = HeaderOf(file);
  EXPECT_GT(h.slotLengths[0], 0u);
  EXPECT_GT(h.slotLengths[1], 0u);
  for (size_t i = 2; i < 6; ++i) EXPECT_EQ(h.slotLengths[i], 0u) << i;
  EXPECT_GT(h.partLength, 0u);
  EXPECT_EQ(h.placements[0].slot, 0);
  EXPECT_EQ(h.placements[0].width, 400);
  EXPECT_EQ(h.placements[0].height, 300);
  EXPECT_EQ(h.placements[1].slot, 1);
  EXPECT_EQ(h.placements[1].width, 500);
  EXPECT_EQ(h.placements[1].height, 200);

  // Each part is a whole run of operators with its own square.
  DfdStoredForm stored;
  bool refused = true;
  ASSERT_EQ(Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), &stored, &refused), DFD_READ_OK);
  EXPECT_FALSE(refused);
  ASSERT_EQ(stored.partCount, 2u);
  for (DWORD i = 0; i < 2; ++i) {
    const OpLines part = formstest::Operators(file, stored.parts[i].start, stored.parts[i].start + stored.parts[i].length);
    ASSERT_FALSE(part.empty());
    EXPECT_FALSE(formstest::StartsWith(part.front(), "<malformed")) << part.front();
    EXPECT_EQ(formstest::CountPrefix(part, "PaintPath"), 1u) << i;
  }
}

TEST_F(FormsDC, AFormCutIntoTwoSlotsIsPlacedAtTheSlotOrigins) {
  Print([](RenderDevmode& s) {
    formstest::SetForm(s, OVERLAY_CREATE, u"Parts");
    ConfigureSlot(s, 0);
    ConfigureSlot(s, 1);
  }, 1, nullptr, CutTwoParts);
  const formstest::Bytes file = ReadFormFile(u"Parts");
  DfdStoredForm stored;
  ASSERT_EQ(Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), &stored), DFD_READ_OK);
  ASSERT_EQ(stored.partCount, 2u);

  const Printed printed = PrintWithForm(u"Parts", 1);
  const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
  ASSERT_TRUE(job.ok) << job.error;
  const std::vector<OpLines> sheets = Sheets(job);
  ASSERT_EQ(sheets.size(), 1u);
  const OpLines& sheet = sheets[0];
  const LONG m = 96, w = printed.page.width;
  // Slot 0 (top left) at (m, m); slot 1 (top centre) at ((w - pw) / 2, m).
  OpLines expected = {"PushGS", "SetPageDefaultCTM", formstest::Origin(m, m), formstest::Rotation(0)};
  const OpLines part0 = formstest::Operators(file, stored.parts[0].start, stored.parts[0].start + stored.parts[0].length);
  expected.insert(expected.end(), part0.begin(), part0.end());
  expected.insert(expected.end(), {"SetPageDefaultCTM", formstest::Origin((w - 500) / 2, m), formstest::Rotation(0)});
  const OpLines part1 = formstest::Operators(file, stored.parts[1].start, stored.parts[1].start + stored.parts[1].length);
  expected.insert(expected.end(), part1.begin(), part1.end());
  expected.push_back("PopGS");
  ASSERT_GT(sheet.size(), expected.size());
  EXPECT_EQ(OpLines(sheet.begin() + 1, sheet.begin() + 1 + static_cast<long>(expected.size())), expected);
}

TEST_F(FormsDC, SlotsOutsideTheTablesAndAnEndWithoutSlotsRecordNothing) {
  Print([](RenderDevmode& s) { formstest::SetForm(s, OVERLAY_CREATE, u"Plain"); }, 1, nullptr, [](HDC dc, int) {
    EXPECT_EQ(Escape(dc, kBeginPart), 1);
    EXPECT_EQ(Place(dc, 7, 400, 300), 1);
    EXPECT_EQ(Place(dc, -1, 400, 300), 1);
    Rectangle(dc, 0, 0, 40, 40);
    EXPECT_EQ(Escape(dc, kEndPart), 1);
  });
  const DfdHeader h = HeaderOf(ReadFormFile(u"Plain"));
  const DfdHeader zero{};
  EXPECT_EQ(std::memcmp(h.slotLengths, zero.slotLengths, sizeof h.slotLengths), 0);
  EXPECT_EQ(std::memcmp(h.placements, zero.placements, sizeof h.placements), 0);
  EXPECT_EQ(h.partLength, 0u);
}

TEST_F(FormsDC, PlacingALogicalPageOfATwoUpJob) {
  struct Case {
    const char* name;
    BYTE rotate;
    bool turned;
  };
  for (const Case& c : {Case{"upright", 0, false}, Case{"turned", 3, true}}) {
    SCOPED_TRACE(c.name);
    const Printed printed = Print([&](RenderDevmode& s) {
      s.dmPrivate.nup.bNupNum = 2;
      s.dmPrivate.bRotate180 = c.rotate;
    }, 2, nullptr, [](HDC dc, int page) {
      if (page == 2) {
        EXPECT_EQ(Place(dc, 2, 400, 300), 1);
      }
    });
    const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
    ASSERT_TRUE(job.ok) << job.error;
    const LONG m = 96, w = printed.page.width, h = printed.page.height;
    // Slot 2 (top right): (w - m - pw, m) upright, (m + pw, h - m) turned.
    const std::string origin = c.turned ? formstest::Origin(m + 400, h - m) : formstest::Origin(w - m - 400, m);
    const auto at = std::find(job.listing.begin(), job.listing.end(), origin);
    ASSERT_NE(at, job.listing.end()) << origin;
    ASSERT_NE(at, job.listing.begin());
    EXPECT_EQ(*(at - 1), "SetPageDefaultCTM");
    auto next = at + 1;
    if (c.turned) {
      EXPECT_EQ(*next, formstest::Rotation(180));
      ++next;
    }
    EXPECT_EQ(*next, "SetPageScale PageScale=(1,1)");
    // The clip to the printable box (the part fits it).
    const LONG pw = printed.page.width - printed.page.left - printed.page.right;
    const LONG ph = printed.page.height - printed.page.top - printed.page.bottom;
    EXPECT_EQ(*(next + 1), "NewPath");
    EXPECT_EQ(*(next + 2), "RectanglePath BoundingBox=(0,0," + std::to_string(pw) + "," + std::to_string(ph) + ")");
    EXPECT_EQ(*(next + 3), "SetClipReplace ClipRegion=eInterior");
  }
}

// While a form part is open the part keeps the clip the job had (a part is placed later under a
// clip of its own), and vector fills paint with ROP 0xF0 whatever the DC's mix; after the part
// the same drawing clips and mixes as usual.
TEST_F(FormsDC, AnOpenPartLeavesTheClipAloneAndFillsWithRop0xF0) {
  const Printed printed = Print(nullptr, 1, nullptr, [](HDC dc, int) {
    auto draw = [dc] {
      HRGN clip = CreateRectRgn(100, 100, 600, 600);
      SelectClipRgn(dc, clip);
      DeleteObject(clip);
      SetROP2(dc, R2_XORPEN);
      Rectangle(dc, 50, 50, 700, 700);
      SelectClipRgn(dc, nullptr);
    };
    EXPECT_EQ(Escape(dc, kBeginPart), 1);
    draw();
    EXPECT_EQ(Escape(dc, kEndPart), 1);
    draw();
  });
  const pclxl::Decoded job = pclxl::DecodeJob(printed.printer);
  ASSERT_TRUE(job.ok) << job.error;
  const std::vector<OpLines> sheets = Sheets(job);
  ASSERT_EQ(sheets.size(), 1u);
  const OpLines& sheet = sheets[0];
  // The two paintings of the square, each from the first operator after the previous one.
  std::vector<size_t> paints;
  for (size_t i = 0; i < sheet.size(); ++i)
    if (sheet[i] == "PaintPath") paints.push_back(i);
  ASSERT_EQ(paints.size(), 2u);
  auto between = [&](size_t from, size_t to) { return OpLines(sheet.begin() + static_cast<long>(from), sheet.begin() + static_cast<long>(to)); };
  const OpLines inPart = between(0, paints[0]);
  const OpLines afterPart = between(paints[0] + 1, paints[1]);
  const std::string clip = "RectanglePath BoundingBox=(100,100,600,600)";
  EXPECT_EQ(std::count(inPart.begin(), inPart.end(), clip), 0) << "clip inside the part";
  EXPECT_EQ(std::count(afterPart.begin(), afterPart.end(), clip), 1) << "clip after the part";
  auto lastRop = [](const OpLines& lines) {
    std::string rop;
    for (const std::string& l : lines)
      if (StartsWith(l, "SetROP ")) rop = l;
    return rop;
  };
  EXPECT_EQ(lastRop(inPart), "SetROP ROP3=240");
  EXPECT_NE(lastRop(afterPart), "");
  EXPECT_NE(lastRop(afterPart), "SetROP ROP3=240");
}

}  // namespace
