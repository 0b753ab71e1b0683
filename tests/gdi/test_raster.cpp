// Row compression: the encodings the printer reads, pinned byte for byte where the format
// fixes them, and round trips through the test support's own decoders of both methods.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <win/memory.h>

#include "gdi/raster.h"
#include "pxl_raster.h"
#include "writer_fixture.h"

namespace {

using writertest::Bytes;
using writertest::Hex;
using writertest::ToHex;

Bytes Rle(const Bytes& row) {
  Bytes out(Raster_RleBound(static_cast<DWORD>(row.size())) + 1, 0xEE);
  DWORD n = Raster_CompressRle(nullptr, out.data(), row.data(), static_cast<DWORD>(row.size()));
  EXPECT_LE(n, Raster_RleBound(static_cast<DWORD>(row.size())));
  EXPECT_EQ(out[Raster_RleBound(static_cast<DWORD>(row.size()))], 0xEE) << "wrote past its bound";
  out.resize(n);
  return out;
}

Bytes Delta(const Bytes& row, Bytes& seed) {
  Bytes out(Raster_DeltaRowBound(static_cast<DWORD>(row.size())) + 1, 0xEE);
  DWORD n = Raster_CompressDeltaRow(out.data(), row.data(), static_cast<DWORD>(row.size()), seed.data());
  EXPECT_LE(n, Raster_DeltaRowBound(static_cast<DWORD>(row.size())));
  EXPECT_EQ(out.back(), 0xEE) << "wrote past its bound";
  out.resize(n);
  return out;
}

Bytes Repeat(size_t n, uint8_t value) { return Bytes(n, value); }

Bytes Counting(size_t n) {
  Bytes row(n);
  for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(i * 7 + 1);
  return row;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// ---- Run-length ------------------------------------------------------------------------------

struct RleCase {
  const char* name;
  Bytes row;
  std::string encoded;
};

TEST(RasterRle, EncodesRunsAsPackBits) {
  const RleCase cases[] = {
      {"empty row", {}, ""},
      {"single byte", Hex("5A"), "00 5A"},
      {"three equal bytes", Hex("00 00 00"), "FE 00"},
      {"three different bytes", Hex("01 02 03"), "02 01 02 03"},
      {"a pair starts a repeat", Hex("01 01 02"), "FF 01 00 02"},
      {"two equal bytes stay in a literal", Hex("01 02 02 03"), "03 01 02 02 03"},
      {"a literal ends before three equal bytes", Hex("01 02 07 07 07"), "01 01 02 FE 07"},
      {"a pair at the row end stays in the literal", Hex("01 09 09"), "02 01 09 09"},
      {"repeat of 128", Repeat(128, 0xAB), "81 AB"},
      {"repeat of 129 leaves a literal of one", Repeat(129, 0xAB), "81 AB 00 AB"},
      {"repeat of 130 leaves a pair", Repeat(130, 0xAB), "81 AB FF AB"},
  };
  for (const RleCase& c : cases) EXPECT_EQ(ToHex(Rle(c.row)), c.encoded) << c.name;

  Bytes literal = Rle(Counting(200));
  ASSERT_EQ(literal.size(), 1u + 128 + 1 + 72) << "a literal run stops at 128 bytes";
  EXPECT_EQ(literal[0], 0x7F);
  EXPECT_EQ(literal[129], 71);
}

// Rows of the kinds an image holds, each through the encoder and the independent decoder.
std::vector<std::pair<std::string, Bytes>> RowTable() {
  std::vector<std::pair<std::string, Bytes>> rows;
  rows.push_back({"empty", {}});
  rows.push_back({"one byte", Hex("FF")});
  rows.push_back({"all equal 4000", Repeat(4000, 0x00)});
  Bytes alternating(1000);
  for (size_t i = 0; i < alternating.size(); ++i) alternating[i] = (i & 1) ? 0xFF : 0x00;
  rows.push_back({"alternating", alternating});
  Bytes pairs(999);
  for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = static_cast<uint8_t>((i / 2) * 3);
  rows.push_back({"pairs", pairs});
  std::mt19937 random(20261210);
  for (size_t length : {2u, 3u, 9u, 127u, 128u, 129u, 255u, 256u, 257u, 4099u}) {
    Bytes row(length);
    for (auto& b : row) b = static_cast<uint8_t>(random());
    rows.push_back({"random " + std::to_string(length), row});
  }
  // Runs that cross the 128-byte limits from both sides.
  for (size_t run : {126u, 127u, 128u, 129u, 255u, 256u, 257u, 385u}) {
    rows.push_back({"run " + std::to_string(run) + " after a literal",
                    Concat({Counting(3), Repeat(run, 0x42), Counting(run)})});
  }
  Bytes sparse(7000, 0xFF);  // a scanned text line: white with short dark strokes
  for (size_t i = 0; i < sparse.size(); ++i)
    if ((random() % 97) < 6) sparse[i] = static_cast<uint8_t>(random() % 64);
  rows.push_back({"sparse strokes", sparse});
  Bytes gradient(70000);  // wider than a 16-bit length
  for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint8_t>(i / 300);
  rows.push_back({"wide gradient", gradient});
  return rows;
}

TEST(RasterRle, RoundTripsThroughTheDecoder) {
  for (const auto& [name, row] : RowTable()) {
    Bytes encoded = Rle(row);
    size_t pos = 0;
    std::vector<uint8_t> decoded;
    std::string error;
    ASSERT_TRUE(pclxl::DecodeRleRow(encoded.data(), encoded.size(), &pos, row.size(), &decoded, &error))
        << name << ": " << error;
    EXPECT_EQ(pos, encoded.size()) << name;
    EXPECT_EQ(decoded, row) << name;
  }
}

TEST(RasterRle, ExpandsByAtMostOneBytePer128) {
  Bytes row(12000);
  std::mt19937 random(7);
  for (auto& b : row) b = static_cast<uint8_t>(random());
  EXPECT_EQ(Rle(row).size(), 12000u + 12000u / 128 + 1);
}

// ---- Delta-row -------------------------------------------------------------------------------

TEST(RasterDeltaRow, EncodesReplacementCommands) {
  struct Case {
    const char* name;
    std::vector<std::pair<size_t, uint8_t>> changes;  // against an all-zero seed of 400 bytes
    std::string encoded;
  };
  const Case cases[] = {
      {"row equal to the seed", {}, "00 00"},
      {"byte 40 alone", {{40, 0x5C}}, "03 00 1F 09 5C"},
      {"first byte", {{0, 0x11}}, "02 00 00 11"},
      {"offset 30 fits the command", {{30, 1}}, "02 00 1E 01"},
      {"offset 31 takes one extra byte", {{31, 1}}, "03 00 1F 00 01"},
      {"offset 285", {{285, 1}}, "03 00 1F FE 01"},
      {"offset 286 needs a 255", {{286, 1}}, "04 00 1F FF 00 01"},
      {"two runs, offsets since the previous run",
       {{2, 1}, {3, 2}, {10, 3}},
       "05 00 22 01 02 06 03"},
      {"nine bytes: a full run, then offset 0",
       {{5, 1}, {6, 2}, {7, 3}, {8, 4}, {9, 5}, {10, 6}, {11, 7}, {12, 8}, {13, 9}},
       "0B 00 E5 01 02 03 04 05 06 07 08 00 09"},
  };
  for (const Case& c : cases) {
    Bytes seed(400, 0), row(400, 0);
    for (auto [at, value] : c.changes) row[at] = value;
    EXPECT_EQ(ToHex(Delta(row, seed)), c.encoded) << c.name;
    EXPECT_EQ(seed, row) << c.name << ": the seed becomes the row";
  }
}

TEST(RasterDeltaRow, EmitsOffsetBytesPastEachFull255) {
  BYTE out[16];
  const BYTE one = 0x77;
  BYTE* end = Raster_EmitDeltaCommand(out, 1, &one, 31 + 255 + 255 + 7);
  EXPECT_EQ(ToHex(Bytes(out, end)), "1F FF FF 07 77");
  const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  end = Raster_EmitDeltaCommand(out, 8, eight, 3);
  EXPECT_EQ(ToHex(Bytes(out, end)), "E3 01 02 03 04 05 06 07 08");
}

// Images as row sequences: the seed carries over from row to row, as the printer keeps it
// across the blocks of one image.
TEST(RasterDeltaRow, RoundTripsImagesThroughTheDecoder) {
  std::mt19937 random(99);
  for (size_t width : {1u, 7u, 8u, 9u, 40u, 300u, 3000u}) {
    std::vector<Bytes> image;
    Bytes row(width, 0);
    for (int line = 0; line < 60; ++line) {
      switch (line % 6) {
        case 0: break;  // repeat of the previous row
        case 1:
          for (auto& b : row) b = static_cast<uint8_t>(random());
          break;
        case 2:  // a few scattered changes, with long gaps
          for (int k = 0; k < 3; ++k) row[random() % width] ^= 0x5A;
          break;
        case 3:  // alternate bytes change
          for (size_t i = 0; i < width; i += 2) row[i] = static_cast<uint8_t>(row[i] + 1);
          break;
        case 4: std::fill(row.begin(), row.end(), static_cast<uint8_t>(line)); break;
        case 5:  // a run of changes longer than 8
          for (size_t i = width / 3; i < width && i < width / 3 + 21; ++i) row[i] = static_cast<uint8_t>(~row[i]);
          break;
      }
      image.push_back(row);
    }
    Bytes seed(width, 0), decoderSeed(width, 0), stream;
    for (const Bytes& r : image) {
      Bytes encoded = Delta(r, seed);
      stream.insert(stream.end(), encoded.begin(), encoded.end());
    }
    size_t pos = 0;
    for (size_t line = 0; line < image.size(); ++line) {
      std::string error;
      ASSERT_TRUE(pclxl::DecodeDeltaRow(stream.data(), stream.size(), &pos, &decoderSeed, &error))
          << "width " << width << " line " << line << ": " << error;
      ASSERT_EQ(decoderSeed, image[line]) << "width " << width << " line " << line;
    }
    EXPECT_EQ(pos, stream.size());
  }
}

TEST(RasterDeltaRow, KnowsWhichRowsKeepTheir16BitPrefix) {
  EXPECT_TRUE(Raster_DeltaRowFits(58253));
  EXPECT_FALSE(Raster_DeltaRowFits(58254));
  // The worst case really is reached: every byte differs.
  Bytes seed(58253, 0), row(58253, 1);
  Bytes encoded = Delta(row, seed);
  EXPECT_EQ(encoded.size(), Raster_DeltaRowBound(58253));
  EXPECT_EQ(encoded[0] | (encoded[1] << 8), 0xFFFF);
}

// ---- Block buffer ----------------------------------------------------------------------------

TEST(RasterBlockLines, SizesBlocksToTheLimit) {
  testsupport::TempMachine machine;
  struct Case {
    DWORD rowBytes, wantedRows, rows, size;
  };
  const Case cases[] = {
      {100, 10, 10, 1200},      // small images fit one block with two spare rows
      {100, 118, 120, 12200},   // at the limit: a block of 12000 bytes and two spare rows
      {5000, 40, 2, 22000},
      {20000, 40, 1, 60000},
      {12000, 3, 1, 36000},
      {11999, 3, 1, 35998},
  };
  for (const Case& c : cases) {
    DWORD rows = c.wantedRows, size = 0;
    BYTE* buffer = Image_BlockLines(nullptr, c.rowBytes, &rows, &size);
    ASSERT_NE(buffer, nullptr) << c.rowBytes;
    EXPECT_EQ(rows, c.rows) << c.rowBytes;
    EXPECT_EQ(size, c.size) << c.rowBytes;
    GlobalFree(buffer);
  }
}

TEST(RasterBlockLines, ShrinksByQuartersWhenMemoryIsShort) {
  testsupport::TempMachine machine;
  DWORD rows = 40, size = 0;
  writertest::FailNextAllocation();
  BYTE* buffer = Image_BlockLines(nullptr, 100, &rows, &size);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(rows, 10u);
  EXPECT_EQ(size, 1200u);
  GlobalFree(buffer);

  rows = 3;
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  GlobalFree(GlobalAlloc(GMEM_FIXED, 1));
  PlatformTest_FailAllocation(1, TRUE, FALSE);
  EXPECT_EQ(Image_BlockLines(nullptr, 100, &rows, &size), nullptr);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  EXPECT_EQ(rows, 0u);
  EXPECT_EQ(size, 0u);
}

}  // namespace
