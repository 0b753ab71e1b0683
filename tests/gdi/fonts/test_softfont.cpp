// Soft-font downloads and the glyph cache, read back as decoded operator listings: one font
// header and each glyph once, the cache's limits, the font keys, the numbering.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "font_files.h"
#include "gdi/fontcach.h"
#include "gdi/softfont.h"
#include "writer_fixture.h"

namespace fonttest {
namespace {

using writertest::WriterTest;

std::vector<pclxl::Operator> Decode(const Bytes& bytes) {
  pclxl::Decoded run = pclxl::DecodeOperators(bytes);
  EXPECT_TRUE(run.ok) << run.error << " at " << run.errorOffset;
  return run.operators;
}

std::string Names(const std::vector<pclxl::Operator>& ops) {
  std::string out;
  for (const auto& op : ops) out += (out.empty() ? "" : " ") + pclxl::OperatorName(op.tag);
  return out;
}

std::string FontNameOf(const pclxl::Operator& op) {
  const pclxl::Attribute* name = op.Find(0xA8);
  std::string text;
  if (name)
    for (double c : name->value.numbers) text.push_back(static_cast<char>(c));
  return text;
}

double Number(const pclxl::Operator& op, uint8_t attr) {
  const pclxl::Attribute* a = op.Find(attr);
  return a && !a->value.numbers.empty() ? a->value.numbers[0] : -1;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}
uint16_t Be16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>((b[at] << 8) | b[at + 1]); }

class SoftFontTest : public WriterTest {
 protected:
  void SetUp() override {
    WriterTest::SetUp();
    FontCach_ResetNumbering(pdev());
    dejavu_ = ReadFile(kDejaVuSans);
  }
  bool OpenDejaVu(TtSoftFont* font, ULONG iUniq = 7) {
    return SoftFont_OpenTrueType(font, dejavu_.data(), static_cast<DWORD>(dejavu_.size()), "DejaVu Sans", iUniq);
  }
  Bytes dejavu_;
};

TEST_F(SoftFontTest, TrueTypeHeaderCarriesTheGlobalTablesOnce) {
  TtSoftFont font;
  ASSERT_TRUE(OpenDejaVu(&font));
  BOOL sent = FALSE;
  EXPECT_EQ(SoftFont_EnsureTrueType(pdev(), &font, &sent), 100);
  EXPECT_TRUE(sent);
  auto ops = Decode(Take());
  ASSERT_EQ(Names(ops), "BeginFontHeader ReadFontHeader ReadFontHeader ReadFontHeader ReadFontHeader EndFontHeader");
  EXPECT_EQ(FontNameOf(ops[0]), "0TT");
  EXPECT_EQ(Number(ops[0], 0xA9), 0);  // FontFormat
  // Fixed part: format 0, portrait, mapping 2, TrueType scaling, variety 0, 1000 characters.
  EXPECT_EQ(writertest::ToHex(*ops[1].data), "00 00 00 02 01 00 03 E8");
  // PANOSE from DejaVu's 86-byte OS/2 table.
  const Bytes& pa = *ops[2].data;
  ASSERT_EQ(pa.size(), 16u);
  EXPECT_EQ(writertest::ToHex(Bytes(pa.begin(), pa.begin() + 6)), "50 41 00 00 00 0A");
  // GT: the segment length is the bytes of the directory and the padded tables.
  const Bytes& gt = *ops[3].data;
  EXPECT_EQ(Number(ops[3], 0xA7), static_cast<double>(gt.size()));
  ASSERT_GE(gt.size(), 18u);
  EXPECT_EQ(gt[0], 'G');
  EXPECT_EQ(gt[1], 'T');
  uint32_t length = Be32(gt, 2);
  EXPECT_EQ(length, gt.size() - 6);
  Bytes sfnt(gt.begin() + 6, gt.end());
  uint16_t tables = Be16(sfnt, 4);
  std::string tags;
  TtFont source;
  ASSERT_TRUE(TtFont_Open(&source, dejavu_.data(), static_cast<DWORD>(dejavu_.size()), "DejaVu Sans"));
  size_t end = 12 + tables * 16u;
  for (uint16_t i = 0; i < tables; ++i) {
    size_t e = 12 + i * 16u;
    std::string tag(sfnt.begin() + static_cast<long>(e), sfnt.begin() + static_cast<long>(e) + 4);
    tags += tag + "|";
    uint32_t offset = Be32(sfnt, e + 8), size = Be32(sfnt, e + 12);
    EXPECT_EQ(offset % 4, 0u) << tag;
    ASSERT_LE(offset + size, sfnt.size()) << tag;
    end = std::max<size_t>(end, offset + ((size + 3) & ~3u));
    TtTable original{};
    if (tag == "gdir") {
      EXPECT_EQ(size, 0u);
      continue;
    }
    ASSERT_TRUE(TtFont_FindTable(&source, TtTag(tag[0], tag[1], tag[2], tag[3]), &original)) << tag;
    ASSERT_EQ(size, original.length) << tag;
    EXPECT_EQ(0, std::memcmp(sfnt.data() + offset, dejavu_.data() + original.offset, size)) << tag;
  }
  EXPECT_EQ(tags, "cvt |fpgm|gdir|head|maxp|prep|");
  EXPECT_EQ(Be16(sfnt, 6), 64);  // searchRange for six tables
  EXPECT_EQ(Be16(sfnt, 8), 2);
  EXPECT_EQ(Be16(sfnt, 10), 32);
  EXPECT_EQ(end, sfnt.size());
  EXPECT_EQ(writertest::ToHex(*ops[4].data), "47 43 00 00 00 06 00 00 FF FF 00 00 FF FF 00 00 00 00");

  // The same font again: the printer holds it.
  EXPECT_EQ(SoftFont_EnsureTrueType(pdev(), &font, &sent), 100);
  EXPECT_FALSE(sent);
  EXPECT_TRUE(Take().empty());
}

TEST_F(SoftFontTest, ShortOs2TableSendsNoPanose) {
  Bytes b = dejavu_;
  // Directory entry of OS/2: declare a 68-byte table (the first version's size).
  uint16_t tables = Be16(b, 4);
  for (uint16_t i = 0; i < tables; ++i) {
    size_t e = 12 + i * 16u;
    if (std::memcmp(&b[e], "OS/2", 4) == 0) b[e + 14] = 0, b[e + 15] = 68;
  }
  TtSoftFont font;
  ASSERT_TRUE(SoftFont_OpenTrueType(&font, b.data(), static_cast<DWORD>(b.size()), "DejaVu Sans", 1));
  ASSERT_EQ(SoftFont_EnsureTrueType(pdev(), &font, nullptr), 100);
  EXPECT_EQ(Names(Decode(Take())), "BeginFontHeader ReadFontHeader ReadFontHeader ReadFontHeader EndFontHeader");
}

TEST_F(SoftFontTest, EachGlyphIsSentOnceWithItsComponents) {
  TtSoftFont font;
  ASSERT_TRUE(OpenDejaVu(&font));
  ASSERT_EQ(SoftFont_EnsureTrueType(pdev(), &font, nullptr), 100);
  Take();
  WORD a = SoftFont_TrueTypeGlyph(&font, 'A', false, -1);
  WORD aGrave = SoftFont_TrueTypeGlyph(&font, 0xC0, false, -1);
  std::vector<WORD> closure;
  ASSERT_TRUE(TtFont_GlyphClosure(&font.file, font.info, aGrave, &closure));
  ASSERT_EQ(closure.size(), 3u);  // A, the grave accent, A grave
  WORD glyphs[] = {a, aGrave, a, aGrave};
  WORD codes[4] = {};
  EXPECT_EQ(SoftFont_SendTrueTypeGlyphs(pdev(), &font, glyphs, 4, codes), 4);
  auto ops = Decode(Take());
  EXPECT_EQ(Names(ops), "BeginChar ReadChar ReadChar ReadChar EndChar");
  EXPECT_EQ(FontNameOf(ops[0]), "0TT");
  EXPECT_EQ(codes[0], 1);
  EXPECT_EQ(codes[1], 3);
  EXPECT_EQ(codes[2], 1);
  EXPECT_EQ(codes[3], 3);
  // Each character: format 1, class 1, size, lsb, advance, glyph id, then the 'glyf' bytes.
  for (size_t i = 1; i <= 3; ++i) {
    const Bytes& d = *ops[i].data;
    WORD glyph = closure[i - 1];
    DWORD offset, length;
    ASSERT_TRUE(TtFont_GlyphData(&font.file, font.info, glyph, &offset, &length));
    ASSERT_EQ(d.size(), 10 + length);
    EXPECT_EQ(Number(ops[i], 0xA3), static_cast<double>(d.size()));
    EXPECT_EQ(Number(ops[i], 0xA2), static_cast<double>(i));
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 1);
    EXPECT_EQ(Be16(d, 2), 8 + length);
    WORD advance;
    SHORT lsb;
    ASSERT_TRUE(TtFont_HMetrics(&font.file, font.info, glyph, &advance, &lsb));
    EXPECT_EQ(static_cast<SHORT>(Be16(d, 4)), lsb);
    EXPECT_EQ(Be16(d, 6), advance);
    EXPECT_EQ(Be16(d, 8), glyph);
    EXPECT_EQ(0, std::memcmp(d.data() + 10, dejavu_.data() + offset, length));
  }
  // A second run of the same glyphs sends nothing.
  EXPECT_EQ(SoftFont_SendTrueTypeGlyphs(pdev(), &font, glyphs, 4, codes), 4);
  EXPECT_TRUE(Take().empty());
}

TEST_F(SoftFontTest, SpaceIsSentWithoutOutlineUnderItsOwnGlyphId) {
  TtSoftFont font;
  ASSERT_TRUE(OpenDejaVu(&font));
  font.sendSpaceBare = true;
  ASSERT_EQ(SoftFont_EnsureTrueType(pdev(), &font, nullptr), 100);
  Take();
  WORD space = SoftFont_TrueTypeGlyph(&font, ' ', false, -1);
  EXPECT_EQ(space, font.spaceGlyph);
  WORD codes[1];
  EXPECT_EQ(SoftFont_SendTrueTypeGlyphs(pdev(), &font, &space, 1, codes), 1);
  auto ops = Decode(Take());
  ASSERT_EQ(Names(ops), "BeginChar ReadChar EndChar");
  char expected[32];
  std::snprintf(expected, sizeof expected, "01 01 00 08 00 00 00 00 %02X %02X", space >> 8, space & 0xFF);
  EXPECT_EQ(writertest::ToHex(*ops[1].data), expected);
}

TEST_F(SoftFontTest, FullFontStopsTheRunWhereTheNextGlyphNoLongerFits) {
  TtSoftFont font;
  ASSERT_TRUE(OpenDejaVu(&font));
  ASSERT_EQ(SoftFont_EnsureTrueType(pdev(), &font, nullptr), 100);
  Take();
  // 600 simple glyphs (Cyrillic, Greek and CJK-free ranges of DejaVu Sans map to distinct ids).
  std::vector<WORD> glyphs;
  for (WORD g = 3; glyphs.size() < 600; ++g) {
    std::vector<WORD> closure;
    if (TtFont_GlyphClosure(&font.file, font.info, g, &closure) && closure.size() == 1) glyphs.push_back(g);
  }
  std::vector<WORD> codes(glyphs.size());
  LONG covered = SoftFont_SendTrueTypeGlyphs(pdev(), &font, glyphs.data(), 600, codes.data());
  EXPECT_EQ(covered, 511);
  EXPECT_EQ(codes[510], 511);
  Take();
  // The font is renewed under the lowest free number, its name removed from the printer first.
  BOOL sent = FALSE;
  EXPECT_EQ(SoftFont_EnsureTrueType(pdev(), &font, &sent), 100);
  EXPECT_TRUE(sent);
  auto ops = Decode(Take());
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(pclxl::OperatorName(ops[0].tag), "RemoveFont");
  EXPECT_EQ(FontNameOf(ops[0]), "0TT");
  EXPECT_EQ(pclxl::OperatorName(ops[1].tag), "BeginFontHeader");
  LONG rest = SoftFont_SendTrueTypeGlyphs(pdev(), &font, glyphs.data() + covered, 600 - covered, codes.data());
  EXPECT_EQ(rest, 600 - 511);
  EXPECT_EQ(codes[0], 1);
}

TEST_F(SoftFontTest, DamagedGlyphRefusesTheRun) {
  Bytes b = dejavu_;
  TtSoftFont good;
  ASSERT_TRUE(OpenDejaVu(&good));
  WORD aGrave = SoftFont_TrueTypeGlyph(&good, 0xC0, false, -1);
  DWORD offset, length;
  ASSERT_TRUE(TtFont_GlyphData(&good.file, good.info, aGrave, &offset, &length));
  b[offset + 12] = static_cast<uint8_t>(aGrave >> 8);
  b[offset + 13] = static_cast<uint8_t>(aGrave);
  TtSoftFont font;
  ASSERT_TRUE(SoftFont_OpenTrueType(&font, b.data(), static_cast<DWORD>(b.size()), "DejaVu Sans", 3));
  ASSERT_EQ(SoftFont_EnsureTrueType(pdev(), &font, nullptr), 100);
  WORD codes[1];
  EXPECT_EQ(SoftFont_SendTrueTypeGlyphs(pdev(), &font, &aGrave, 1, codes), -1);
}

TEST_F(SoftFontTest, OtherTechnologiesAreNotTrueTypeSoftFonts) {
  for (const std::string& path : {kNimbusSansOtf, kNimbusSansType1}) {
    Bytes b = ReadFile(path);
    TtSoftFont font;
    EXPECT_FALSE(SoftFont_OpenTrueType(&font, b.data(), static_cast<DWORD>(b.size()), "Nimbus Sans", 1)) << path;
  }
}

// ---- Bitmap soft fonts -------------------------------------------------------------------------

struct Glyph {
  GLYPHBITS bits;
  BYTE more[64];
};

TEST_F(SoftFontTest, BitmapFontHeaderAndSequentialCodes) {
  BitmapSoftFont font{};
  std::strcpy(font.faceName, "DejaVu Sans");
  font.iUniq = 9;
  font.size = 50;
  font.angle = 45;
  BOOL sent = FALSE;
  ASSERT_EQ(SoftFont_EnsureBitmap(pdev(), &font, 600, &sent), 100);
  EXPECT_TRUE(sent);
  auto ops = Decode(Take());
  ASSERT_EQ(Names(ops), "BeginFontHeader ReadFontHeader ReadFontHeader EndFontHeader");
  EXPECT_EQ(FontNameOf(ops[0]), "0BM");
  EXPECT_EQ(writertest::ToHex(*ops[1].data), "00 00 00 02 FE 00 03 E8 42 52 00 00 00 04 02 58 02 58");
  EXPECT_EQ(writertest::ToHex(*ops[2].data), "FF FF 00 00 00 00");

  Glyph g{};
  g.bits.ptlOrigin = {2, -9};
  g.bits.sizlBitmap = {10, 3};
  const BYTE rows[] = {0xFF, 0xC0, 0x80, 0x40, 0xFF, 0xC0};
  std::memcpy(g.bits.aj, rows, sizeof rows);
  BOOL begun = FALSE;
  // Glyph handles far beyond one byte get codes 1, 2, ... in the order they are sent.
  EXPECT_EQ(SoftFont_SendBitmapGlyph(pdev(), &font, 4000, &g.bits, &begun), 1);
  EXPECT_EQ(SoftFont_SendBitmapGlyph(pdev(), &font, 4512, &g.bits, &begun), 2);
  EXPECT_TRUE(begun);
  EXPECT_EQ(SoftFont_BitmapCode(pdev(), &font, 4000), 1);
  EXPECT_EQ(SoftFont_BitmapCode(pdev(), &font, 4512), 2);
  EXPECT_EQ(SoftFont_BitmapCode(pdev(), &font, 5024), 0);
  ops = Decode(Take());
  ASSERT_EQ(Names(ops), "BeginChar ReadChar ReadChar");
  EXPECT_EQ(FontNameOf(ops[0]), "0BM");
  EXPECT_EQ(writertest::ToHex(*ops[1].data), "00 00 00 02 00 09 00 0A 00 03 FF C0 80 40 FF C0");
  EXPECT_EQ(Number(ops[2], 0xA2), 2);
}

// Odd glyphs share their home slots (multiples of 512 apart); even ones do not.
DWORD Handle(DWORD i) {
  DWORD k = i / 2;
  return (i % 2) ? (k % 125) * 512 + 1000 + k / 125 : k + 1;
}

TEST_F(SoftFontTest, BitmapFontTakesAThousandGlyphs) {
  BitmapSoftFont font{};
  std::strcpy(font.faceName, "Nimbus Sans");
  font.size = 40;
  ASSERT_EQ(SoftFont_EnsureBitmap(pdev(), &font, 600, nullptr), 100);
  Glyph g{};
  g.bits.sizlBitmap = {1, 1};
  BOOL begun = FALSE;
  // Handles that share their home slot (multiples of 512) spill to further pages.
  for (DWORD i = 0; i < 1000; ++i) {
    DWORD handle = Handle(i);
    ASSERT_EQ(SoftFont_SendBitmapGlyph(pdev(), &font, handle, &g.bits, &begun), i + 1) << i;
  }
  EXPECT_EQ(SoftFont_SendBitmapGlyph(pdev(), &font, 60001, &g.bits, &begun), 0);
  for (DWORD i = 0; i < 1000; ++i) {
    DWORD handle = Handle(i);
    ASSERT_EQ(SoftFont_BitmapCode(pdev(), &font, handle), i + 1) << i;
  }
}

// ---- The glyph cache's records and numbers ------------------------------------------------------

TEST_F(SoftFontTest, ThreeHundredthFontDropsTheOldest) {
  std::vector<std::string> names;
  for (int i = 0; i < 299; ++i) {
    names.push_back("Face " + std::to_string(i));
    FontCachIdentity id{names.back().c_str(), 0, 0, static_cast<ULONG>(i), FCK_TRUETYPE};
    ASSERT_EQ(FontCach_AddFont(pdev(), id, nullptr, 0), 100 + i);
  }
  Take();
  FontCachIdentity extra{"Extra", 0, 0, 1000, FCK_TRUETYPE};
  EXPECT_EQ(FontCach_AddFont(pdev(), extra, nullptr, 0), 100);  // the oldest's number, freed
  auto ops = Decode(Take());
  ASSERT_EQ(Names(ops), "RemoveFont");
  EXPECT_EQ(FontNameOf(ops[0]), "0TT");
  EXPECT_EQ(FontCach_FontCount(pdev()), 299u);
  FontCachIdentity first{names[0].c_str(), 0, 0, 0, FCK_TRUETYPE};
  EXPECT_EQ(FontCach_FindFont(pdev(), first), nullptr);
  // Long churn never gives a number outside 100..399.
  for (int i = 0; i < 2000; ++i) {
    std::string name = "Churn " + std::to_string(i);
    FontCachIdentity id{name.c_str(), 0, 0, static_cast<ULONG>(i), FCK_BITMAP};
    WORD n = FontCach_AddFont(pdev(), id, nullptr, 0);
    ASSERT_GE(n, 100);
    ASSERT_LE(n, 399);
  }
  EXPECT_EQ(FontCach_FontCount(pdev()), 299u);
}

TEST_F(SoftFontTest, FacesWithEqualKeysAreKeptApart) {
  struct Pair {
    const char* a;
    ULONG ua;
    const char* b;
    ULONG ub;
    BYTE kind;
  } pairs[] = {{"X 45", 11, "X 55", 10, FCK_TRUETYPE}, {"Font1", 20, "Font2", 10, FCK_BITMAP}};
  for (const Pair& p : pairs) {
    PclXl_FreeFontLists(pdev());
    FontCachIdentity a{p.a, 0, 0, p.ua, p.kind};
    FontCachIdentity b{p.b, 0, 0, p.ub, p.kind};
    ASSERT_EQ(FontCach_Key(a), FontCach_Key(b)) << p.a;
    WORD na = FontCach_AddFont(pdev(), a, nullptr, 0);
    ASSERT_NE(na, 0);
    EXPECT_EQ(FontCach_FindFont(pdev(), b), nullptr) << p.b;
    WORD nb = FontCach_AddFont(pdev(), b, nullptr, 0);
    EXPECT_NE(na, nb);
    EXPECT_EQ(FontCach_FindFont(pdev(), a)->fontNumber, na);
    EXPECT_EQ(FontCach_FindFont(pdev(), b)->fontNumber, nb);
  }
}

TEST_F(SoftFontTest, DroppedFontsNumberAndPagesComeBack) {
  FontCachIdentity a{"A", 0, 0, 1, FCK_TRUETYPE}, b{"B", 0, 0, 2, FCK_TRUETYPE};
  WORD na = FontCach_AddFont(pdev(), a, nullptr, 0);
  WORD nb = FontCach_AddFont(pdev(), b, nullptr, 0);
  EXPECT_EQ(FontCach_GlyphSent(pdev(), na, 36, 10), 1);
  EXPECT_EQ(FontCach_GlyphSent(pdev(), nb, 37, 10), 1);
  EXPECT_TRUE(FontCach_DropFont(pdev(), na, nullptr, nullptr));
  EXPECT_EQ(FontCach_CodeOfGlyph(pdev(), na, 36), 0);
  FontCachIdentity c{"C", 0, 0, 3, FCK_TRUETYPE};
  WORD nc = FontCach_AddFont(pdev(), c, nullptr, 0);
  EXPECT_EQ(nc, na);
  EXPECT_EQ(FontCach_CodeOfGlyph(pdev(), nc, 36), 0);  // nothing of the old font's glyphs
  EXPECT_EQ(FontCach_CodeOfGlyph(pdev(), nb, 37), 1);
  EXPECT_FALSE(FontCach_DropFont(pdev(), 250, nullptr, nullptr));
  EXPECT_EQ(FontCach_GlyphSent(pdev(), 250, 1, 1), 0);
  // Private data longer than 100 bytes is refused.
  BYTE big[101] = {};
  FontCachIdentity d{"D", 0, 0, 4, FCK_TRUETYPE};
  EXPECT_EQ(FontCach_AddFont(pdev(), d, big, sizeof big), 0);
  // Emptying the cache starts the numbers at 100 again.
  PclXl_FreeFontLists(pdev());
  EXPECT_EQ(FontCach_NextNumber(pdev()), 100);
  EXPECT_EQ(FontCach_FontCount(pdev()), 0u);
}

}  // namespace
}  // namespace fonttest
