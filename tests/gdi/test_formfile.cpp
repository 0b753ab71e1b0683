// The stored form file: its layout, and the reader taking crafted files apart.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gdi/formfile.h"

namespace {

using Bytes = std::vector<BYTE>;

// The sheet's own start up to its set-up's SetPageRotation (PageAngle 0), and its end: PageCopies
// 1 and EndPage.
const Bytes kSheetStart = {0xC0, 0x00, 0xF8, 0x28, 0x43, 0x41, 0x74, 0xC3, 0x00, 0x00, 0xF8, 0x29, 0x76};
const Bytes kSheetEnd = {0xC1, 0x01, 0x00, 0xF8, 0x31, 0x44};

DfdHeader PortraitHeader() {
  DfdHeader h{};
  h.paper = 9;
  h.orientation = 1;
  return h;
}

Bytes FormFile(const DfdHeader& header, const Bytes& body, const Bytes& start = kSheetStart,
               const Bytes& end = kSheetEnd) {
  Bytes file(DFD_MARKER, DFD_MARKER + DFD_MARKER_BYTES);
  const BYTE* h = reinterpret_cast<const BYTE*>(&header);
  file.insert(file.end(), h, h + sizeof header);
  file.insert(file.end(), start.begin(), start.end());
  file.insert(file.end(), body.begin(), body.end());
  file.insert(file.end(), end.begin(), end.end());
  return file;
}

DfdReadResult Read(const Bytes& file, DfdStoredForm* form, bool* refused = nullptr) {
  return Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), form, refused);
}

TEST(DfdLayout, MarkerHeaderAndBodyOffsets) {
  EXPECT_EQ(std::string(DFD_MARKER, DFD_MARKER_BYTES), "Q731MOverlayStart");
  EXPECT_EQ(sizeof(DfdHeader), 120u);
  EXPECT_EQ(sizeof(DfdFormFile), 137u);
  DfdHeader h{};
  h.paper = 0x0102;
  h.orientation = 2;
  h.turned = 1;
  h.byte124 = 0x7E;
  h.pageValues[0] = 0x11111111;
  h.pageValues[1] = 0x22222222;
  h.partLength = 0x33;
  h.slotLengths[5] = 0x44;
  h.placements[5] = DfdSlotPlacement{5, 0x55, 0x66};
  const Bytes file = FormFile(h, {});
  ASSERT_GE(file.size(), 137u);
  auto word = [&](size_t headerOffset) {
    DWORD w;
    std::memcpy(&w, file.data() + 17 + headerOffset, 4);
    return w;
  };
  EXPECT_EQ(word(0), 0x00020102u);  // paper, orientation, 0
  EXPECT_EQ(word(4), 1u);
  EXPECT_EQ(word(8), 0x7Eu);
  EXPECT_EQ(word(12), 0x11111111u);
  EXPECT_EQ(word(16), 0x22222222u);
  EXPECT_EQ(word(20), 0x33u);
  EXPECT_EQ(word(24 + 5 * 4), 0x44u);
  EXPECT_EQ(word(48 + 5 * 12), 5u);
  EXPECT_EQ(word(48 + 5 * 12 + 4), 0x55u);
  EXPECT_EQ(word(48 + 5 * 12 + 8), 0x66u);
}

TEST(DfdReader, BodyRunsFromAfterTheSetUpToBeforeThePageCopiesValue) {
  const Bytes body = {0x61, 0x60};
  const Bytes file = FormFile(PortraitHeader(), body);
  DfdStoredForm form;
  ASSERT_EQ(Read(file, &form), DFD_READ_OK);
  EXPECT_EQ(form.bodyStart, 137u + kSheetStart.size());
  EXPECT_EQ(form.bodyLength, body.size());
  EXPECT_EQ(form.partCount, 0u);
  EXPECT_EQ(form.header.paper, 9);
}

// Crafted files that must not be placed.
TEST(DfdReader, DamagedFilesAreRefused) {
  struct Case {
    const char* name;
    Bytes file;
    DfdReadResult expected;
  };
  Bytes wrongMarker = FormFile(PortraitHeader(), {0x61});
  wrongMarker[16] = 'x';
  DfdHeader markInHeader = PortraitHeader();
  // The header's words may hold the rotation mark's bytes; the search starts after them.
  const BYTE mark[4] = {0xF8, 0x29, 0x76, 0x00};
  std::memcpy(&markInHeader.pageValues[0], mark, 4);
  const Bytes noRotation = {0xC0, 0x00, 0xF8, 0x28, 0x43};
  const Case cases[] = {
      {"empty", {}, DFD_READ_NO_MARKER},
      {"shorter than the header", Bytes(DFD_MARKER, DFD_MARKER + DFD_MARKER_BYTES), DFD_READ_NO_MARKER},
      {"wrong marker", wrongMarker, DFD_READ_NO_MARKER},
      {"no rotation mark", FormFile(PortraitHeader(), {0x61}, noRotation), DFD_READ_NO_BODY_MARK},
      {"rotation mark only in the header", FormFile(markInHeader, {0x61}, noRotation), DFD_READ_NO_BODY_MARK},
      {"no EndPage", FormFile(PortraitHeader(), {0x61}, kSheetStart, {}), DFD_READ_NO_END_MARK},
      {"cut inside EndPage", FormFile(PortraitHeader(), {0x61}, kSheetStart, {0xC1, 0x01, 0x00, 0xF8, 0x31}),
       DFD_READ_NO_END_MARK},
      {"EndPage without its PageCopies value", FormFile(PortraitHeader(), {0x61, 0x61, 0x61}, kSheetStart, {0xF8, 0x31, 0x44}),
       DFD_READ_NO_END_MARK},
      {"ends right after the rotation mark", FormFile(PortraitHeader(), {}, kSheetStart, {0x31, 0x44}),
       DFD_READ_NO_END_MARK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DfdStoredForm form;
    EXPECT_EQ(Read(c.file, &form), c.expected);
  }
}

TEST(DfdReader, AnEndMarkInsideImageDataDoesNotEndTheBody) {
  // ReadImage data holding the bytes of PageCopies/EndPage.
  const Bytes body = {0xFA, 0x06, 0x00, 0x00, 0x00, 0xC1, 0x01, 0x00, 0xF8, 0x31, 0x44, 0x61, 0x60};
  const Bytes file = FormFile(PortraitHeader(), body);
  DfdStoredForm form;
  ASSERT_EQ(Read(file, &form), DFD_READ_OK);
  EXPECT_EQ(form.bodyLength, body.size());
}

TEST(DfdReader, AMarkAcrossABlockEndIsFound) {
  for (size_t split : {4094u, 4095u, 4096u}) {
    SCOPED_TRACE(split);
    // The sheet's start padded so that its rotation mark begins `split` bytes into the stream
    // search (which starts at byte 137).
    Bytes start(split, 0x00);
    start.insert(start.end(), {0xF8, 0x29, 0x76});
    const Bytes file = FormFile(PortraitHeader(), {0x61}, start);
    DfdStoredForm form;
    ASSERT_EQ(Read(file, &form), DFD_READ_OK);
    EXPECT_EQ(form.bodyStart, 137u + split + 3);
    EXPECT_EQ(form.bodyLength, 1u);
  }
}

TEST(DfdReader, SlotPartsFollowEachOtherFromTheBodyStart) {
  DfdHeader h = PortraitHeader();
  h.partLength = 7;
  h.slotLengths[1] = 3;
  h.slotLengths[4] = 4;
  h.placements[1] = DfdSlotPlacement{1, 400, 300};
  h.placements[4] = DfdSlotPlacement{4, 500, 200};
  const Bytes file = FormFile(h, {1, 2, 3, 4, 5, 6, 7, 8});
  DfdStoredForm form;
  bool refused = true;
  ASSERT_EQ(Read(file, &form, &refused), DFD_READ_OK);
  EXPECT_FALSE(refused);
  ASSERT_EQ(form.partCount, 2u);
  EXPECT_EQ(form.parts[0].start, form.bodyStart);
  EXPECT_EQ(form.parts[0].length, 3u);
  EXPECT_EQ(form.parts[0].placement.slot, 1);
  EXPECT_EQ(form.parts[0].placement.width, 400);
  EXPECT_EQ(form.parts[1].start, form.bodyStart + 3);
  EXPECT_EQ(form.parts[1].length, 4u);
  EXPECT_EQ(form.parts[1].placement.slot, 4);
}

TEST(DfdReader, SlotDataThatDoesNotFitIsDroppedAndTheFormPlacedWhole) {
  struct Case {
    const char* name;
    void (*damage)(DfdHeader&);
  };
  const Case cases[] = {
      {"slot length past the body", [](DfdHeader& h) { h.slotLengths[0] = 9; }},
      {"lengths together past the body", [](DfdHeader& h) { h.slotLengths[0] = 5; h.slotLengths[1] = 4; }},
      {"a huge length", [](DfdHeader& h) { h.slotLengths[2] = 0xFFFFFFF0u; }},
      {"slot number 6", [](DfdHeader& h) { h.placements[0].slot = 6; }},
      {"slot number -1", [](DfdHeader& h) { h.placements[0].slot = -1; }},
      {"part length past the body", [](DfdHeader& h) { h.partLength = 9; }},
      {"negative part width", [](DfdHeader& h) { h.placements[0].width = -5; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DfdHeader h = PortraitHeader();
    h.slotLengths[0] = 2;
    h.placements[0] = DfdSlotPlacement{0, 100, 100};
    c.damage(h);
    const Bytes file = FormFile(h, {1, 2, 3, 4, 5, 6, 7, 8});
    DfdStoredForm form;
    bool refused = false;
    ASSERT_EQ(Read(file, &form, &refused), DFD_READ_OK);
    EXPECT_TRUE(refused);
    EXPECT_EQ(form.partCount, 0u);
    EXPECT_EQ(form.bodyLength, 8u);
  }
}

}  // namespace
