// The TrueType reader on real fonts, on generated ones (short loca, a collection) and on damaged
// copies; glyph data cross-checked against fontTools' reading of the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "font_files.h"
#include "gdi/ttfile.h"

namespace fonttest {
namespace {

struct OpenFont {
  Bytes bytes;
  TtFont font{};
  TtFontInfo info{};
  bool opened = false;
  bool read = false;
  OpenFont(Bytes data, const char* face) : bytes(std::move(data)) {
    opened = TtFont_Open(&font, bytes.data(), static_cast<DWORD>(bytes.size()), face);
    read = opened && TtFont_ReadInfo(&font, &info);
  }
};

TtTable Table(const OpenFont& f, const char* tag) {
  TtTable t{};
  EXPECT_TRUE(TtFont_FindTable(&f.font, TtTag(tag[0], tag[1], tag[2], tag[3]), &t)) << tag;
  return t;
}

// Every listed glyph as fontTools reads it: map, metrics, place in 'glyf', components.
void ExpectMatchesListing(const OpenFont& f, const std::string& listing) {
  std::vector<GlyphLine> lines = ReadListing(listing);
  ASSERT_FALSE(lines.empty()) << listing;
  TtTable glyf = Table(f, "glyf");
  for (const GlyphLine& line : lines) {
    SCOPED_TRACE("U+" + std::to_string(line.character));
    EXPECT_EQ(TtFont_MapCharacter(&f.font, f.info, line.character), line.glyph);
    WORD advance = 0;
    SHORT lsb = 0;
    ASSERT_TRUE(TtFont_HMetrics(&f.font, f.info, line.glyph, &advance, &lsb));
    EXPECT_EQ(advance, line.advance);
    EXPECT_EQ(lsb, line.lsb);
    DWORD offset = 0, length = 0;
    ASSERT_TRUE(TtFont_GlyphData(&f.font, f.info, line.glyph, &offset, &length));
    EXPECT_EQ(offset - glyf.offset, line.offset);
    EXPECT_EQ(length, line.length);
    std::vector<WORD> components;
    ASSERT_TRUE(TtFont_Components(f.bytes.data() + offset, length, &components));
    EXPECT_EQ(std::vector<uint32_t>(components.begin(), components.end()), line.components);
  }
}

TEST(TtFileReal, DejaVuSansMatchesFontTools) {
  OpenFont f(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_FALSE(f.font.collection);
  EXPECT_EQ(f.info.unitsPerEm, 2048);
  EXPECT_EQ(f.info.indexToLocFormat, 1);  // long offsets
  EXPECT_EQ(f.info.cmapPlatform, 3);
  EXPECT_EQ(f.info.cmapEncoding, 1);
  EXPECT_FALSE(TtFont_IsSymbolMap(f.info));
  EXPECT_TRUE(TtFont_CanDownload(f.info));
  EXPECT_EQ(f.info.os2Length, 86u);
  ExpectMatchesListing(f, Generated("dejavu-sans-glyphs.txt"));
}

TEST(TtFileReal, NestedCompositeClosureListsComponentsFirst) {
  OpenFont f(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_EQ(f.info.maxComponentDepth, 4);
  // U+1FAD (omega with dasia, oxia and ypogegrammeni) nests four composites deep.
  WORD glyph = TtFont_MapCharacter(&f.font, f.info, 0x1FAD);
  std::vector<WORD> closure;
  ASSERT_TRUE(TtFont_GlyphClosure(&f.font, f.info, glyph, &closure));
  ASSERT_GE(closure.size(), 5u);
  EXPECT_EQ(closure.back(), glyph);
  // Each glyph once, and every composite after all of its components.
  std::vector<WORD> sorted = closure;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  for (size_t i = 0; i < closure.size(); ++i) {
    DWORD offset, length;
    ASSERT_TRUE(TtFont_GlyphData(&f.font, f.info, closure[i], &offset, &length));
    std::vector<WORD> components;
    ASSERT_TRUE(TtFont_Components(f.bytes.data() + offset, length, &components));
    for (WORD c : components) {
      auto at = std::find(closure.begin(), closure.end(), c);
      ASSERT_NE(at, closure.end());
      EXPECT_LT(static_cast<size_t>(at - closure.begin()), i);
    }
  }
}

TEST(TtFileReal, LiberationHasALongerOs2Table) {
  OpenFont f(ReadFile(kLiberationSans), "Liberation Sans");
  ASSERT_TRUE(f.read);
  EXPECT_GT(f.info.os2Length, 86u);
  EXPECT_TRUE(TtFont_CanDownload(f.info));
}

TEST(TtFileReal, GlyphPastTheCountIsGlyphZero) {
  OpenFont f(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(f.read);
  DWORD o0 = 0, l0 = 0, o = 0, l = 0;
  ASSERT_TRUE(TtFont_GlyphData(&f.font, f.info, 0, &o0, &l0));
  ASSERT_TRUE(TtFont_GlyphData(&f.font, f.info, f.info.numGlyphs + 5u, &o, &l));
  EXPECT_EQ(o, o0);
  EXPECT_EQ(l, l0);
}

TEST(TtFileGenerated, ShortLocaMatchesFontTools) {
  OpenFont f(ReadFile(Generated("short-loca.ttf")), "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_EQ(f.info.indexToLocFormat, 0);
  EXPECT_TRUE(TtFont_CanDownload(f.info));
  ExpectMatchesListing(f, Generated("short-loca-glyphs.txt"));
}

TEST(TtFileGenerated, CollectionMemberIsChosenByFace) {
  Bytes ttc = ReadFile(Generated("collection.ttc"));
  EXPECT_EQ(TtFont_MemberCount(ttc.data(), static_cast<DWORD>(ttc.size())), 2u);
  OpenFont serif(ttc, "dejavu serif");
  ASSERT_TRUE(serif.read);
  EXPECT_TRUE(serif.font.collection);
  EXPECT_EQ(serif.font.memberIndex, 1u);
  ExpectMatchesListing(serif, Generated("collection-member1-glyphs.txt"));
  OpenFont bold(ttc, "DejaVu Sans Bold");  // the full name of member 0
  ASSERT_TRUE(bold.opened);
  EXPECT_EQ(bold.font.memberIndex, 0u);
  // No member holds the face: refused rather than printing member 0's glyphs.
  OpenFont none(ttc, "Liberation Sans");
  EXPECT_FALSE(none.opened);
}

TEST(TtFileOtherTechnologies, CffOpenTypeIsReadButNotDownloadable) {
  OpenFont f(ReadFile(kNimbusSansOtf), "Nimbus Sans");
  ASSERT_TRUE(f.read);
  EXPECT_NE(f.info.maxpVersion, 0x00010000u);
  EXPECT_FALSE(f.info.hasGlyf);
  EXPECT_FALSE(TtFont_CanDownload(f.info));
}

TEST(TtFileOtherTechnologies, Type1IsNotAnSfnt) {
  Bytes t1 = ReadFile(kNimbusSansType1);
  ASSERT_FALSE(t1.empty());
  OpenFont f(t1, "Nimbus Sans");
  EXPECT_FALSE(f.opened);
  EXPECT_EQ(TtFont_MemberCount(t1.data(), static_cast<DWORD>(t1.size())), 0u);
}

// ---- Damaged copies ------------------------------------------------------------------------

void Put32(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 24);
  b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8);
  b[at + 3] = static_cast<uint8_t>(v);
}
void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
}

// Offset of a table's directory entry in a plain font.
size_t DirectoryEntry(const Bytes& b, const char* tag) {
  uint16_t tables = static_cast<uint16_t>((b[4] << 8) | b[5]);
  for (size_t i = 0; i < tables; ++i) {
    size_t e = 12 + i * 16;
    if (std::memcmp(&b[e], tag, 4) == 0) return e;
  }
  return 0;
}

// Every question the reader answers, asked of a damaged font: nothing may read outside it.
void AskEverything(const OpenFont& f) {
  if (!f.read) return;
  for (DWORD c : {0x20u, 0x41u, 0xC0u, 0x1FAu, 0xF041u, 0xFFFFu}) {
    WORD g = TtFont_MapCharacter(&f.font, f.info, c);
    std::vector<WORD> closure;
    TtFont_GlyphClosure(&f.font, f.info, g, &closure);
    WORD advance;
    SHORT lsb;
    TtFont_HMetrics(&f.font, f.info, g, &advance, &lsb);
  }
  TtFont_NameMatches(&f.font, "DejaVu Sans");
}

TEST(TtFileDamaged, TruncatedCopiesNeverReadOutside) {
  Bytes whole = ReadFile(kDejaVuSans);
  for (size_t cut : {size_t{0}, size_t{11}, size_t{12}, size_t{100}, whole.size() / 3, whole.size() / 2,
                     whole.size() - 1}) {
    SCOPED_TRACE(cut);
    // An exact-size heap copy, so that a read past its end shows under the sanitizer.
    Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
    OpenFont f(part, "DejaVu Sans");
    AskEverything(f);
    if (cut < whole.size() / 2) {
      EXPECT_FALSE(f.read && TtFont_CanDownload(f.info));
    }
  }
}

TEST(TtFileDamaged, TableOffsetPastTheEndIsMissing) {
  Bytes b = ReadFile(kDejaVuSans);
  size_t glyf = DirectoryEntry(b, "glyf");
  ASSERT_NE(glyf, 0u);
  Put32(b, glyf + 8, static_cast<uint32_t>(b.size() - 10));
  OpenFont f(b, "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_FALSE(f.info.hasGlyf);
  EXPECT_FALSE(TtFont_CanDownload(f.info));
  AskEverything(f);
}

TEST(TtFileDamaged, LocaPointingOutsideGlyfIsRefused) {
  OpenFont good(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(good.read);
  Bytes b = good.bytes;
  TtTable loca = Table(good, "loca");
  WORD a = TtFont_MapCharacter(&good.font, good.info, 'A');
  Put32(b, loca.offset + (a + 1u) * 4, 0x7FFFFFF0);
  OpenFont f(b, "DejaVu Sans");
  ASSERT_TRUE(f.read);
  DWORD o, l;
  EXPECT_FALSE(TtFont_GlyphData(&f.font, f.info, a, &o, &l));
  std::vector<WORD> closure;
  EXPECT_FALSE(TtFont_GlyphClosure(&f.font, f.info, a, &closure));
}

TEST(TtFileDamaged, SelfReferencingCompositeIsRefused) {
  OpenFont good(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(good.read);
  WORD aGrave = TtFont_MapCharacter(&good.font, good.info, 0xC0);
  DWORD offset, length;
  ASSERT_TRUE(TtFont_GlyphData(&good.font, good.info, aGrave, &offset, &length));
  Bytes b = good.bytes;
  Put16(b, offset + 12, aGrave);  // first component: the glyph itself
  OpenFont f(b, "DejaVu Sans");
  ASSERT_TRUE(f.read);
  std::vector<WORD> closure;
  EXPECT_FALSE(TtFont_GlyphClosure(&f.font, f.info, aGrave, &closure));
  EXPECT_TRUE(closure.empty());
}

TEST(TtFileDamaged, CmapSegmentCountLargerThanTheTableIsUnusable) {
  OpenFont good(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(good.read);
  Bytes b = good.bytes;
  Put16(b, good.info.cmapSubtable + 6, 0xFFFE);
  OpenFont f(b, "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_NE(f.info.cmapSubtable, good.info.cmapSubtable);
  AskEverything(f);
}

TEST(TtFileDamaged, SymbolSubtableIsRecognised) {
  OpenFont good(ReadFile(kDejaVuSans), "DejaVu Sans");
  ASSERT_TRUE(good.read);
  Bytes b = good.bytes;
  TtTable cmap = Table(good, "cmap");
  uint16_t count = static_cast<uint16_t>((b[cmap.offset + 2] << 8) | b[cmap.offset + 3]);
  for (uint16_t i = 0; i < count; ++i) {
    size_t record = cmap.offset + 4 + i * 8u;
    if (b[record + 1] == 3 && b[record + 3] == 1) Put16(b, record + 2, 0);  // (3,1) -> (3,0)
  }
  OpenFont f(b, "DejaVu Sans");
  ASSERT_TRUE(f.read);
  EXPECT_EQ(f.info.cmapEncoding, 0);
  EXPECT_TRUE(TtFont_IsSymbolMap(f.info));
}

}  // namespace
}  // namespace fonttest
