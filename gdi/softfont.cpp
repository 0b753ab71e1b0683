#include "gdi/softfont.h"

#include <algorithm>
#include <cstring>

#include "gdi/pxlfont.h"
#include "gdi/spool.h"

namespace {

// Fixed part of a format 0 font header: format, orientation, mapping 2 (symbol set), scaling
// technology, variety, number of characters.
constexpr BYTE kScalingTrueType = 1;
constexpr BYTE kScalingBitmap = 254;
constexpr WORD kHeaderCharacters = 1000;

// Tables the printer's TrueType scaler needs from the face, in tag order as an sfnt directory
// must list them; "gdir" is an empty marker table.
constexpr DWORD kGlobalTables[] = {TtTag('c', 'v', 't', ' '), TtTag('f', 'p', 'g', 'm'), TtTag('g', 'd', 'i', 'r'),
                                   TtTag('h', 'e', 'a', 'd'), TtTag('m', 'a', 'x', 'p'), TtTag('p', 'r', 'e', 'p')};

// Faces whose map is searched with code-page bytes as they are (no 0xF0xx high byte).
const char* const kPlainSymbolFaces[] = {"Symbol",      "Tera Special", "Webdings",
                                         "Wingdings",   "Wingdings 2",  "Wingdings 3",
                                         "MS Reference Specialty"};

void Put16(std::vector<BYTE>& out, DWORD v) {
  out.push_back(static_cast<BYTE>(v >> 8));
  out.push_back(static_cast<BYTE>(v));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}
void Set32(std::vector<BYTE>& out, size_t at, DWORD v) {
  out[at] = static_cast<BYTE>(v >> 24);
  out[at + 1] = static_cast<BYTE>(v >> 16);
  out[at + 2] = static_cast<BYTE>(v >> 8);
  out[at + 3] = static_cast<BYTE>(v);
}

// Segment: two-character id, 32-bit size, data.
void Segment(std::vector<BYTE>& out, char a, char b, const BYTE* data, DWORD length) {
  out.push_back(static_cast<BYTE>(a));
  out.push_back(static_cast<BYTE>(b));
  Put32(out, length);
  out.insert(out.end(), data, data + length);
}

void FixedPart(std::vector<BYTE>& out, BYTE scaling) {
  out.push_back(0);  // format
  out.push_back(0);  // orientation: portrait
  Put16(out, 2);     // mapping: symbol set
  out.push_back(scaling);
  out.push_back(0);  // variety
  Put16(out, kHeaderCharacters);
}

void NullSegment(std::vector<BYTE>& out) {
  Put16(out, 0xFFFF);
  Put32(out, 0);
}

DWORD TableChecksum(const BYTE* data, DWORD length) {
  DWORD sum = 0;
  for (DWORD i = 0; i < length; i += 4) {
    DWORD word = 0;
    for (DWORD k = 0; k < 4; ++k) word = (word << 8) | (i + k < length ? data[i + k] : 0);
    sum += word;
  }
  return sum;
}

// The global TrueType data: an sfnt offset table and directory of the face's global tables,
// then the tables, each padded to four bytes. Offsets count from the start of this data.
bool GlobalData(const TtSoftFont* font, std::vector<BYTE>& out) {
  std::vector<TtTable> tables;
  for (DWORD tag : kGlobalTables) {
    TtTable t{tag, 0, 0};
    if (tag == TtTag('g', 'd', 'i', 'r') || TtFont_FindTable(&font->file, tag, &t)) tables.push_back(t);
  }
  DWORD n = static_cast<DWORD>(tables.size());
  DWORD power = 1, log = 0;
  while (power * 2 <= n) {
    power *= 2;
    ++log;
  }
  Put32(out, 0x00010000);
  Put16(out, n);
  Put16(out, power * 16);
  Put16(out, log);
  Put16(out, n * 16 - power * 16);
  size_t directory = out.size();
  out.resize(out.size() + n * 16, 0);
  for (DWORD i = 0; i < n; ++i) {
    const TtTable& t = tables[i];
    const BYTE* data = font->file.data + t.offset;
    size_t entry = directory + i * 16;
    Set32(out, entry, t.tag);
    Set32(out, entry + 4, TableChecksum(data, t.length));
    Set32(out, entry + 8, static_cast<DWORD>(out.size()));
    Set32(out, entry + 12, t.length);
    out.insert(out.end(), data, data + t.length);
    while (out.size() % 4) out.push_back(0);
  }
  return true;
}

bool IsFace(const char* face, const char* name) { return std::strcmp(face, name) == 0; }

constexpr WORD kLatinNotMapped = 0xFFFF;
WORD MapCharacter(const TtSoftFont* font, DWORD character, int codePageByte);

FontCachIdentity TrueTypeIdentity(const TtSoftFont* font) {
  return FontCachIdentity{font->faceName, 0, 0, font->iUniq, FCK_TRUETYPE};
}

FontCachIdentity BitmapIdentity(const BitmapSoftFont* font) {
  return FontCachIdentity{font->faceName, font->size, font->angle, font->iUniq, FCK_BITMAP};
}

void SendTrueTypeCharacter(PDEV* pdev, TtSoftFont* font, WORD glyph, WORD code, DWORD offset, DWORD length,
                           bool bare) {
  WORD advance = 0;
  SHORT lsb = 0;
  if (!bare) TtFont_HMetrics(&font->file, font->info, glyph, &advance, &lsb);
  if (bare) length = 0;
  std::vector<BYTE> record;
  record.reserve(10 + length);
  record.push_back(1);  // format 1
  record.push_back(1);  // class 1: horizontal metrics
  Put16(record, 8 + length);
  Put16(record, static_cast<WORD>(lsb));
  Put16(record, advance);
  Put16(record, glyph);
  if (length) record.insert(record.end(), font->file.data + offset, font->file.data + offset + length);
  PxlFont_ReadChar(pdev, code, static_cast<DWORD>(record.size()));
  Spool_Write(pdev, record.data(), record.size());
}

}  // namespace

bool SoftFont_OpenTrueType(TtSoftFont* font, const void* file, DWORD size, const char* faceName, ULONG iUniq) {
  std::memset(font, 0, sizeof *font);
  std::strncpy(font->faceName, faceName ? faceName : "", sizeof font->faceName - 1);
  font->iUniq = iUniq;
  std::fill(std::begin(font->latinGlyphs), std::end(font->latinGlyphs), kLatinNotMapped);
  if (!TtFont_Open(&font->file, file, size, font->faceName)) return false;
  if (!TtFont_ReadInfo(&font->file, &font->info) || !TtFont_CanDownload(font->info)) return false;
  font->spaceGlyph = TtFont_MapCharacter(&font->file, font->info, 0x20);
  return true;
}

WORD SoftFont_TrueTypeGlyph(const TtSoftFont* font, DWORD character, bool glyphIndex, int codePageByte) {
  const TtFontInfo& info = font->info;
  if (glyphIndex) return character < info.numGlyphs ? static_cast<WORD>(character) : 0;
  // Below 256 the answer depends on the font alone (the code-page byte only serves others).
  if (character < 256) {
    WORD& known = font->latinGlyphs[character];
    if (known == kLatinNotMapped) known = MapCharacter(font, character, codePageByte);
    return known;
  }
  return MapCharacter(font, character, codePageByte);
}

namespace {

WORD MapCharacter(const TtSoftFont* font, DWORD character, int codePageByte) {
  const TtFontInfo& info = font->info;
  WORD glyph = TtFont_MapCharacter(&font->file, info, character);
  if (glyph == 0 && TtFont_IsSymbolMap(info) && !IsFace(font->faceName, "MingLiU")) {
    DWORD high = info.cmapFirstEnd & 0xFF00;
    if (character < 0x100) {
      glyph = TtFont_MapCharacter(&font->file, info, high | character);
    } else if (codePageByte >= 0) {
      bool plain = std::any_of(std::begin(kPlainSymbolFaces), std::end(kPlainSymbolFaces),
                               [&](const char* f) { return IsFace(font->faceName, f); });
      glyph = TtFont_MapCharacter(&font->file, info, plain ? static_cast<DWORD>(codePageByte)
                                                           : high | static_cast<DWORD>(codePageByte));
    }
  }
  if (glyph == 0 && character == 183 && IsFace(font->faceName, "Lucida Sans Demibold Italic")) glyph = 195;
  return glyph < info.numGlyphs ? glyph : 0;
}

}  // namespace

WORD SoftFont_EnsureTrueType(PDEV* pdev, TtSoftFont* font, BOOL* sent) {
  if (sent) *sent = FALSE;
  FontCachIdentity id = TrueTypeIdentity(font);
  FontCacheRecord* record = FontCach_FindFont(pdev, id);
  if (record && record->glyphCount >= FONTCACH_TRUETYPE_GLYPHS) {
    FontCach_DropFont(pdev, record->fontNumber, nullptr, nullptr);
    record = nullptr;
  }
  if (record) {
    font->fontNumber = record->fontNumber;
    return font->fontNumber;
  }
  std::vector<BYTE> global;
  if (!GlobalData(font, global)) return 0;
  BYTE privateData[4] = {static_cast<BYTE>(font->info.indexToLocFormat), 0, static_cast<BYTE>(font->info.numGlyphs),
                         static_cast<BYTE>(font->info.numGlyphs >> 8)};
  WORD number = FontCach_AddFont(pdev, id, privateData, sizeof privateData);
  if (!number) return 0;
  PxlFont_BeginFontHeader(pdev, number, false);
  std::vector<BYTE> piece;
  FixedPart(piece, kScalingTrueType);
  PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  // PANOSE is read from an OS/2 table of version 1 or later (78 bytes and more).
  if (font->info.hasOs2 && font->info.os2Length >= 78) {
    piece.clear();
    Segment(piece, 'P', 'A', font->info.panose, sizeof font->info.panose);
    PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  }
  piece.clear();
  Segment(piece, 'G', 'T', global.data(), static_cast<DWORD>(global.size()));
  PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  piece.clear();
  const BYTE galley[6] = {0, 0, 0xFF, 0xFF, 0, 0};  // format 0, default galley character, no regions
  Segment(piece, 'G', 'C', galley, sizeof galley);
  NullSegment(piece);
  PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  PxlFont_EndFontHeader(pdev);
  font->fontNumber = number;
  if (sent) *sent = TRUE;
  return number;
}

LONG SoftFont_SendTrueTypeGlyphs(PDEV* pdev, TtSoftFont* font, const WORD* glyphs, DWORD count, WORD* codes) {
  FontCacheRecord* record = FontCach_Record(pdev, font->fontNumber);
  if (!record) return -1;
  bool begun = false;
  DWORD done = 0;
  std::vector<WORD> closure;
  for (; done < count; ++done) {
    WORD glyph = glyphs[done];
    WORD code = FontCach_CodeOfGlyph(pdev, font->fontNumber, glyph);
    if (code) {
      codes[done] = code;
      continue;
    }
    bool bare = font->sendSpaceBare && glyph == font->spaceGlyph;
    if (bare) {
      closure.assign(1, glyph);
    } else if (!TtFont_GlyphClosure(&font->file, font->info, glyph, &closure)) {
      if (begun) PxlFont_EndChar(pdev);
      return -1;
    }
    DWORD needed = 0;
    for (WORD g : closure)
      if (!FontCach_CodeOfGlyph(pdev, font->fontNumber, g)) ++needed;
    if (record->glyphCount + needed > FONTCACH_TRUETYPE_GLYPHS) break;  // the font is full here
    for (WORD g : closure) {
      if (FontCach_CodeOfGlyph(pdev, font->fontNumber, g)) continue;
      DWORD offset = 0, length = 0;
      if (!bare && !TtFont_GlyphData(&font->file, font->info, g, &offset, &length)) length = 0;
      if (!begun) {
        PxlFont_BeginChar(pdev, font->fontNumber, false);
        begun = true;
      }
      WORD assigned = FontCach_GlyphSent(pdev, font->fontNumber, g, bare ? 0 : length);
      if (!assigned) {
        PxlFont_EndChar(pdev);
        return -1;
      }
      SendTrueTypeCharacter(pdev, font, g, assigned, offset, length, bare);
    }
    codes[done] = FontCach_CodeOfGlyph(pdev, font->fontNumber, glyph);
  }
  if (begun) PxlFont_EndChar(pdev);
  return static_cast<LONG>(done);
}

WORD SoftFont_EnsureBitmap(PDEV* pdev, BitmapSoftFont* font, WORD resolution, BOOL* sent) {
  if (sent) *sent = FALSE;
  FontCachIdentity id = BitmapIdentity(font);
  FontCacheRecord* record = FontCach_FindFont(pdev, id);
  if (record && record->glyphCount > FONTCACH_BITMAP_GLYPHS) {
    FontCach_DropFont(pdev, record->fontNumber, nullptr, nullptr);
    record = nullptr;
  }
  if (record) {
    font->fontNumber = record->fontNumber;
    return font->fontNumber;
  }
  WORD number = FontCach_AddFont(pdev, id, nullptr, 0);
  if (!number) return 0;
  PxlFont_BeginFontHeader(pdev, number, true);
  std::vector<BYTE> piece;
  FixedPart(piece, kScalingBitmap);
  BYTE resolutions[4] = {static_cast<BYTE>(resolution >> 8), static_cast<BYTE>(resolution),
                         static_cast<BYTE>(resolution >> 8), static_cast<BYTE>(resolution)};
  Segment(piece, 'B', 'R', resolutions, sizeof resolutions);
  PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  piece.clear();
  NullSegment(piece);
  PxlFont_ReadFontHeader(pdev, piece.data(), piece.size());
  PxlFont_EndFontHeader(pdev);
  font->fontNumber = number;
  if (sent) *sent = TRUE;
  return number;
}

WORD SoftFont_BitmapCode(PDEV* pdev, const BitmapSoftFont* font, HGLYPH glyph) {
  return FontCach_CodeOfGlyph(pdev, font->fontNumber, glyph);
}

WORD SoftFont_SendBitmapGlyph(PDEV* pdev, BitmapSoftFont* font, HGLYPH glyph, const GLYPHBITS* bits, BOOL* begun) {
  FontCacheRecord* record = FontCach_Record(pdev, font->fontNumber);
  if (!record || record->glyphCount >= FONTCACH_BITMAP_GLYPHS || !bits) return 0;
  LONG cx = bits->sizlBitmap.cx, cy = bits->sizlBitmap.cy;
  if (cx < 0 || cy < 0 || cx > 0x7FFF || cy > 0x7FFF) return 0;
  DWORD rowBytes = (static_cast<DWORD>(cx) + 7) / 8;
  DWORD dataBytes = rowBytes * static_cast<DWORD>(cy);
  if (!*begun) {
    PxlFont_BeginChar(pdev, font->fontNumber, true);
    *begun = TRUE;
  }
  WORD code = FontCach_GlyphSent(pdev, font->fontNumber, glyph, dataBytes);
  if (!code) return 0;
  std::vector<BYTE> header;
  header.push_back(0);  // format 0
  header.push_back(0);  // class 0: bitmap
  Put16(header, static_cast<WORD>(static_cast<SHORT>(bits->ptlOrigin.x)));
  Put16(header, static_cast<WORD>(static_cast<SHORT>(-bits->ptlOrigin.y)));
  Put16(header, static_cast<WORD>(cx));
  Put16(header, static_cast<WORD>(cy));
  PxlFont_ReadChar(pdev, code, 10 + dataBytes);
  Spool_Write(pdev, header.data(), header.size());
  if (dataBytes) Spool_Write(pdev, bits->aj, dataBytes);
  return code;
}
