// TrueType reader: every read goes through the checked big-endian helpers, so a damaged file
// can make a question unanswerable but never makes the reader look outside the file.
#include "gdi/ttfile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kTagTtcf = TtTag('t', 't', 'c', 'f');
constexpr DWORD kSfntTrueType = 0x00010000;
constexpr DWORD kSfntTrue = TtTag('t', 'r', 'u', 'e');
constexpr DWORD kSfntOtto = TtTag('O', 'T', 'T', 'O');

bool Inside(DWORD size, DWORD offset, DWORD length) { return offset <= size && length <= size - offset; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSfntVersion(DWORD version) {
  return version == kSfntTrueType || version == kSfntTrue || version == kSfntOtto;
}

// The offset table at `directory` is whole inside the file.
bool DirectoryFits(const BYTE* data, DWORD size, DWORD directory) {
  if (!Inside(size, directory, 12)) return false;
  if (!IsSfntVersion(TtRead32(data, size, directory))) return false;
  DWORD tables = TtRead16(data, size, directory + 4);
  return Inside(size, directory + 12, tables * 16);
}

// Compares a name record's text (UTF-16BE for platforms 0 and 3, single bytes for platform 1)
// with ASCII text, ignoring ASCII case.
bool NameTextEquals(const BYTE* text, DWORD length, bool wide, const char* ascii) {
  size_t n = std::strlen(ascii);
  size_t units = wide ? length / 2 : length;
  if (units != n) return false;
  for (size_t i = 0; i < n; ++i) {
    unsigned unit = wide ? (static_cast<unsigned>(text[2 * i]) << 8) | text[2 * i + 1] : text[i];
    if (unit > 0x7F) return false;
    if (LowerAscii(static_cast<char>(unit)) != LowerAscii(ascii[i])) return false;
  }
  return true;
}

bool ClosureWalk(const TtFont* font, const TtFontInfo& info, WORD glyph, WORD depth, WORD limit,
                 std::vector<WORD>& path, std::vector<WORD>& out) {
  if (std::find(path.begin(), path.end(), glyph) != path.end()) return false;  // refers back to itself
  if (depth > limit) return false;
  DWORD offset = 0, length = 0;
  if (!TtFont_GlyphData(font, info, glyph, &offset, &length)) return false;
  if (length > TT_MAX_GLYPH_BYTES) return false;
  std::vector<WORD> components;
  if (!TtFont_Components(font->data + offset, length, &components)) return false;
  path.push_back(glyph);
  for (WORD component : components) {
    if (std::find(out.begin(), out.end(), component) != out.end()) continue;
    if (!ClosureWalk(font, info, component, static_cast<WORD>(depth + 1), limit, path, out)) return false;
  }
  path.pop_back();
  if (std::find(out.begin(), out.end(), glyph) == out.end()) out.push_back(glyph);
  return true;
}

}  // namespace

WORD TtRead16(const BYTE* data, DWORD size, DWORD offset) {
  if (!data || !Inside(size, offset, 2)) return 0;
  return static_cast<WORD>((data[offset] << 8) | data[offset + 1]);
}

DWORD TtRead32(const BYTE* data, DWORD size, DWORD offset) {
  if (!data || !Inside(size, offset, 4)) return 0;
  return (static_cast<DWORD>(data[offset]) << 24) | (static_cast<DWORD>(data[offset + 1]) << 16) |
         (static_cast<DWORD>(data[offset + 2]) << 8) | data[offset + 3];
}

DWORD TtFont_MemberCount(const void* data, DWORD size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (!bytes || size < 12) return 0;
  if (TtRead32(bytes, size, 0) == kTagTtcf) {
    DWORD count = TtRead32(bytes, size, 8);
    if (!Inside(size, 12, count * 4) || count > 0xFFFF) return 0;
    return count;
  }
  return DirectoryFits(bytes, size, 0) ? 1 : 0;
}

bool TtFont_FindTable(const TtFont* font, DWORD tag, TtTable* table) {
  if (!font || !font->data) return false;
  DWORD tables = TtRead16(font->data, font->size, font->directory + 4);
  for (DWORD i = 0; i < tables; ++i) {
    DWORD entry = font->directory + 12 + i * 16;
    if (!Inside(font->size, entry, 16)) return false;
    if (TtRead32(font->data, font->size, entry) != tag) continue;
    DWORD offset = TtRead32(font->data, font->size, entry + 8);
    DWORD length = TtRead32(font->data, font->size, entry + 12);
    if (!Inside(font->size, offset, length)) return false;
    if (table) *table = TtTable{tag, offset, length};
    return true;
  }
  return false;
}

bool TtFont_NameMatches(const TtFont* font, const char* faceName) {
  if (!faceName || !*faceName) return false;
  TtTable name;
  if (!TtFont_FindTable(font, TtTag('n', 'a', 'm', 'e'), &name) || name.length < 6) return false;
  const BYTE* d = font->data + name.offset;
  DWORD n = name.length;
  DWORD count = TtRead16(d, n, 2);
  DWORD strings = TtRead16(d, n, 4);
  for (DWORD i = 0; i < count; ++i) {
    DWORD record = 6 + i * 12;
    if (!Inside(n, record, 12)) return false;
    WORD platform = TtRead16(d, n, record);
    WORD nameId = TtRead16(d, n, record + 6);
    DWORD length = TtRead16(d, n, record + 8);
    DWORD offset = strings + TtRead16(d, n, record + 10);
    if (nameId != 1 && nameId != 4 && nameId != 16) continue;
    if (platform != 0 && platform != 1 && platform != 3) continue;
    if (!Inside(n, offset, length)) continue;
    if (NameTextEquals(d + offset, length, platform != 1, faceName)) return true;
  }
  return false;
}

bool TtFont_Open(TtFont* font, const void* data, DWORD size, const char* faceName) {
  if (!font) return false;
  std::memset(font, 0, sizeof *font);
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (!bytes || size < 12) return false;
  font->data = bytes;
  font->size = size;
  if (TtRead32(bytes, size, 0) != kTagTtcf) return DirectoryFits(bytes, size, 0);
  font->collection = true;
  DWORD members = TtFont_MemberCount(bytes, size);
  for (DWORD i = 0; i < members; ++i) {
    DWORD directory = TtRead32(bytes, size, 12 + i * 4);
    if (!DirectoryFits(bytes, size, directory)) continue;
    font->directory = directory;
    font->memberIndex = i;
    if (TtFont_NameMatches(font, faceName)) return true;
  }
  font->directory = 0;
  font->memberIndex = 0;
  return false;
}

bool TtFont_ReadInfo(const TtFont* font, TtFontInfo* info) {
  if (!font || !info) return false;
  std::memset(info, 0, sizeof *info);
  const BYTE* d = font->data;
  DWORD n = font->size;
  TtTable head, maxp, table;
  if (!TtFont_FindTable(font, TtTag('h', 'e', 'a', 'd'), &head) || head.length < 54) return false;
  if (!TtFont_FindTable(font, TtTag('m', 'a', 'x', 'p'), &maxp) || maxp.length < 6) return false;
  info->unitsPerEm = TtRead16(d, n, head.offset + 18);
  info->indexToLocFormat = static_cast<SHORT>(TtRead16(d, n, head.offset + 50));
  info->maxpVersion = TtRead32(d, n, maxp.offset);
  info->numGlyphs = TtRead16(d, n, maxp.offset + 4);
  info->maxComponentDepth = TT_MAX_COMPONENT_DEPTH;
  if (info->maxpVersion == 0x00010000 && maxp.length >= 32) {
    WORD depth = TtRead16(d, n, maxp.offset + 30);
    if (depth > 0 && depth < TT_MAX_COMPONENT_DEPTH) info->maxComponentDepth = depth;
  }
  if (TtFont_FindTable(font, TtTag('h', 'h', 'e', 'a'), &table) && table.length >= 36)
    info->numberOfHMetrics = TtRead16(d, n, table.offset + 34);
  info->hasGlyf = TtFont_FindTable(font, TtTag('g', 'l', 'y', 'f'), nullptr);
  info->hasLoca = TtFont_FindTable(font, TtTag('l', 'o', 'c', 'a'), nullptr);
  if (TtFont_FindTable(font, TtTag('O', 'S', '/', '2'), &table) && table.length >= 42) {
    info->hasOs2 = true;
    info->os2Length = table.length;
    std::memcpy(info->panose, d + table.offset + 32, sizeof info->panose);
    if (table.length >= 66) info->usFirstCharIndex = TtRead16(d, n, table.offset + 64);
  }
  // Character map: (3,1), then (3,0), then any Unicode-platform subtable, each in format 4.
  if (TtFont_FindTable(font, TtTag('c', 'm', 'a', 'p'), &table) && table.length >= 4) {
    DWORD count = TtRead16(d, n, table.offset + 2);
    DWORD best = 0;
    int bestRank = 0;
    WORD bestPlatform = 0, bestEncoding = 0;
    for (DWORD i = 0; i < count; ++i) {
      DWORD record = table.offset + 4 + i * 8;
      if (!Inside(table.offset + table.length, record, 8)) break;
      WORD platform = TtRead16(d, n, record);
      WORD encoding = TtRead16(d, n, record + 2);
      DWORD sub = table.offset + TtRead32(d, n, record + 4);
      int rank = (platform == 3 && encoding == 1) ? 3 : (platform == 3 && encoding == 0) ? 2 : platform == 0 ? 1 : 0;
      if (rank <= bestRank) continue;
      if (!Inside(table.offset + table.length, sub, 14) || TtRead16(d, n, sub) != 4) continue;
      DWORD length = TtRead16(d, n, sub + 2);
      DWORD segCount = TtRead16(d, n, sub + 6) / 2;
      if (segCount == 0 || length < 16 + segCount * 8 || !Inside(table.offset + table.length, sub, length)) continue;
      best = sub;
      bestRank = rank;
      bestPlatform = platform;
      bestEncoding = encoding;
    }
    if (best) {
      DWORD segCount = TtRead16(d, n, best + 6) / 2;
      info->cmapSubtable = best;
      info->cmapPlatform = bestPlatform;
      info->cmapEncoding = bestEncoding;
      info->cmapFirstEnd = TtRead16(d, n, best + 14);
      info->cmapFirstStart = TtRead16(d, n, best + 16 + segCount * 2);
    }
  }
  return info->numGlyphs > 0;
}

bool TtFont_CanDownload(const TtFontInfo& info) {
  return info.hasGlyf && info.hasLoca && info.maxpVersion == 0x00010000 && info.cmapSubtable != 0 &&
         (info.indexToLocFormat == 0 || info.indexToLocFormat == 1);
}

bool TtFont_GlyphData(const TtFont* font, const TtFontInfo& info, DWORD glyph, DWORD* offset, DWORD* length) {
  TtTable loca, glyf;
  if (!TtFont_FindTable(font, TtTag('l', 'o', 'c', 'a'), &loca)) return false;
  if (!TtFont_FindTable(font, TtTag('g', 'l', 'y', 'f'), &glyf)) return false;
  if (glyph >= info.numGlyphs) glyph = 0;
  DWORD start, end;
  if (info.indexToLocFormat == 0) {
    if (!Inside(loca.length, (glyph + 1) * 2, 2)) return false;
    start = 2u * TtRead16(font->data, font->size, loca.offset + glyph * 2);
    end = 2u * TtRead16(font->data, font->size, loca.offset + glyph * 2 + 2);
  } else {
    if (!Inside(loca.length, (glyph + 1) * 4, 4)) return false;
    start = TtRead32(font->data, font->size, loca.offset + glyph * 4);
    end = TtRead32(font->data, font->size, loca.offset + glyph * 4 + 4);
  }
  if (end < start || !Inside(glyf.length, start, end - start)) return false;
  *offset = glyf.offset + start;
  *length = end - start;
  return true;
}

bool TtFont_HMetrics(const TtFont* font, const TtFontInfo& info, DWORD glyph, WORD* advance, SHORT* lsb) {
  TtTable hmtx;
  if (!TtFont_FindTable(font, TtTag('h', 'm', 't', 'x'), &hmtx) || info.numberOfHMetrics == 0) return false;
  if (glyph >= info.numGlyphs) glyph = 0;
  DWORD longs = info.numberOfHMetrics;
  DWORD advanceAt = (glyph < longs ? glyph : longs - 1) * 4;
  DWORD lsbAt = glyph < longs ? glyph * 4 + 2 : longs * 4 + (glyph - longs) * 2;
  if (!Inside(hmtx.length, advanceAt, 2) || !Inside(hmtx.length, lsbAt, 2)) return false;
  *advance = TtRead16(font->data, font->size, hmtx.offset + advanceAt);
  *lsb = static_cast<SHORT>(TtRead16(font->data, font->size, hmtx.offset + lsbAt));
  return true;
}

bool TtFont_Components(const BYTE* data, DWORD length, std::vector<WORD>* components) {
  components->clear();
  if (length == 0) return true;
  if (length < 10) return false;
  if (static_cast<SHORT>(TtRead16(data, length, 0)) >= 0) return true;  // simple glyph
  constexpr WORD kArgsAreWords = 0x0001, kHaveScale = 0x0008, kMoreComponents = 0x0020, kXYScale = 0x0040,
                 kTwoByTwo = 0x0080;
  DWORD at = 10;
  for (;;) {
    if (!Inside(length, at, 4)) return false;
    WORD flags = TtRead16(data, length, at);
    components->push_back(TtRead16(data, length, at + 2));
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    if (flags & kHaveScale) at += 2;
    else if (flags & kXYScale) at += 4;
    else if (flags & kTwoByTwo) at += 8;
    if (at > length) return false;
    if (!(flags & kMoreComponents)) return true;
  }
}

bool TtFont_GlyphClosure(const TtFont* font, const TtFontInfo& info, WORD glyph, std::vector<WORD>* glyphs) {
  glyphs->clear();
  if (glyph >= info.numGlyphs) glyph = 0;
  std::vector<WORD> path;
  if (ClosureWalk(font, info, glyph, 0, info.maxComponentDepth, path, *glyphs)) return true;
  glyphs->clear();
  return false;
}

WORD TtFont_MapCharacter(const TtFont* font, const TtFontInfo& info, DWORD character) {
  if (!info.cmapSubtable || character > 0xFFFF) return 0;
  const BYTE* d = font->data;
  DWORD n = font->size;
  DWORD sub = info.cmapSubtable;
  DWORD end = sub + TtRead16(d, n, sub + 2);
  DWORD segCount = TtRead16(d, n, sub + 6) / 2;
  DWORD endCodes = sub + 14;
  DWORD startCodes = endCodes + segCount * 2 + 2;
  DWORD deltas = startCodes + segCount * 2;
  DWORD rangeOffsets = deltas + segCount * 2;
  // Binary search for the first segment whose end code is at or above the character.
  DWORD lo = 0, hi = segCount;
  while (lo < hi) {
    DWORD mid = (lo + hi) / 2;
    if (TtRead16(d, n, endCodes + mid * 2) < character) lo = mid + 1;
    else hi = mid;
  }
  if (lo >= segCount) return 0;
  DWORD start = TtRead16(d, n, startCodes + lo * 2);
  if (character < start) return 0;
  WORD delta = TtRead16(d, n, deltas + lo * 2);
  DWORD rangeAt = rangeOffsets + lo * 2;
  WORD range = TtRead16(d, n, rangeAt);
  if (range == 0) return static_cast<WORD>(character + delta);
  DWORD at = rangeAt + range + 2 * (character - start);
  if (!Inside(end, at, 2)) return 0;
  WORD g = TtRead16(d, n, at);
  return g ? static_cast<WORD>(g + delta) : 0;
}

bool TtFont_IsSymbolMap(const TtFontInfo& info) {
  return (info.cmapPlatform == 3 && info.cmapEncoding == 0) || info.cmapFirstStart >= 0xF000;
}
