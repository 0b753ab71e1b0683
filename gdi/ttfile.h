// Reader of the TrueType data a TrueType soft font is built from: the offset table (or the
// member of a collection), the tables the download sends, glyph places, metrics, composite
// components and the format-4 character map. The bytes come from the engine's copy of a font
// file and are never trusted: every offset and length is checked against the file, and a
// question the data cannot answer soundly gives "no" rather than a guess, so that the caller
// can fall back to bitmap glyphs.
#pragma once

#include <cstddef>
#include <vector>

#include <win/base.h>

constexpr DWORD TtTag(char a, char b, char c, char d) {
  return (static_cast<DWORD>(static_cast<BYTE>(a)) << 24) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 16) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 8) | static_cast<DWORD>(static_cast<BYTE>(d));
}

// Where a table lies in the file (offset from the file's start).
struct TtTable {
  DWORD tag;
  DWORD offset;
  DWORD length;
};

// One font of a file: the whole file and the offset table of the member in use.
struct TtFont {
  const BYTE* data;
  DWORD size;
  DWORD directory;    // offset of the member's offset table
  DWORD memberIndex;  // 0 for a plain font
  bool collection;
};

// What the soft-font header step and the glyph step need, read once per font.
struct TtFontInfo {
  WORD unitsPerEm;
  SHORT indexToLocFormat;   // 0 short offsets, 1 long offsets
  WORD numGlyphs;
  DWORD maxpVersion;        // 0x00010000 for TrueType outlines, 0x00005000 for CFF
  WORD maxComponentDepth;
  WORD numberOfHMetrics;
  bool hasGlyf;
  bool hasLoca;
  bool hasOs2;
  DWORD os2Length;
  BYTE panose[10];
  WORD usFirstCharIndex;
  DWORD cmapSubtable;       // file offset of the chosen format-4 subtable, 0 when none
  WORD cmapPlatform;        // 3 or 0
  WORD cmapEncoding;        // 1 Unicode BMP, 0 symbol (platform 3)
  WORD cmapFirstStart;      // start code of the first segment
  WORD cmapFirstEnd;        // end code of the first segment
};

// Composite glyphs nest at most this deep when 'maxp' does not say less.
constexpr WORD TT_MAX_COMPONENT_DEPTH = 16;
// A glyph's data must fit the 16-bit size of a TrueType character record beside its eight
// bytes of size, metrics and glyph id.
constexpr DWORD TT_MAX_GLYPH_BYTES = 65535 - 8;

// Opens a font file. For a collection ("ttcf") the member whose 'name' table holds faceName
// (family or full name, without regard to case) is used; a collection without such a member is
// refused, since another member would print the wrong glyphs. False for anything that is not a
// well-formed sfnt inside `size` bytes.
bool TtFont_Open(TtFont* font, const void* data, DWORD size, const char* faceName);
// The member's table with the tag; false when missing or when it does not lie inside the file.
bool TtFont_FindTable(const TtFont* font, DWORD tag, TtTable* table);
// Number of members (1 for a plain font, 0 for something else).
DWORD TtFont_MemberCount(const void* data, DWORD size);
// True when the member's 'name' table holds the text as a family (1), full (4) or
// typographic family (16) name, compared without regard to ASCII case.
bool TtFont_NameMatches(const TtFont* font, const char* faceName);

// Reads head, maxp, hhea, OS/2 and cmap. False when head or maxp is missing or malformed.
bool TtFont_ReadInfo(const TtFont* font, TtFontInfo* info);
// True when glyphs can be sent as TrueType outlines: 'glyf', 'loca', 'maxp' version 1.0 and a
// usable format-4 character map. A CFF-outline OpenType font answers false.
bool TtFont_CanDownload(const TtFontInfo& info);

// The place of a glyph's data in the file; glyph ids past the font's count give glyph 0.
// False when 'loca' does not describe a place inside 'glyf'. An empty glyph has length 0.
bool TtFont_GlyphData(const TtFont* font, const TtFontInfo& info, DWORD glyph, DWORD* offset, DWORD* length);
// Advance width and left side bearing from 'hmtx' (the last long metric holds for the glyphs
// after it). False when 'hmtx' is missing or too short.
bool TtFont_HMetrics(const TtFont* font, const TtFontInfo& info, DWORD glyph, WORD* advance, SHORT* lsb);
// The component glyph ids of a composite glyph's data, in order (empty for a simple glyph).
// False when the data ends inside a component record.
bool TtFont_Components(const BYTE* glyphData, DWORD length, std::vector<WORD>* components);
// Every glyph a glyph needs, itself last, its components before it, each once: the composite
// walk stops at the depth limit and at a glyph that refers back to one being walked. False for
// a glyph that cannot be sent (data outside the file, data too large, a cycle, too deep).
bool TtFont_GlyphClosure(const TtFont* font, const TtFontInfo& info, WORD glyph, std::vector<WORD>* glyphs);

// The glyph of a character in the chosen format-4 subtable, 0 when the map has none.
WORD TtFont_MapCharacter(const TtFont* font, const TtFontInfo& info, DWORD character);
// True for a symbol character map: the (3,0) subtable, or a first segment starting at 0xF000
// or above. Only such a map is searched with single-byte codes moved to 0xF0xx.
bool TtFont_IsSymbolMap(const TtFontInfo& info);

// Big-endian readers for callers that walk the tables themselves; 0 past `size`.
WORD TtRead16(const BYTE* data, DWORD size, DWORD offset);
DWORD TtRead32(const BYTE* data, DWORD size, DWORD offset);
