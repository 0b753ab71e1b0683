// The glyph cache: which soft fonts and glyphs the printer holds, under which numbers and
// character codes, and how many it may hold. Its lifetime is the printer's font lifetime: it
// is emptied (PclXl_FreeFontLists) and its numbering restarts only right after every font was
// removed from the printer (Tx_RemoveAllSoftFonts), never at a page end alone, because the
// printer keeps its soft fonts across pages and rejects a font name it already holds.
#pragma once

#include <win/base.h>

#include "gdi/pdev.h"

constexpr WORD FONTCACH_FIRST_NUMBER = 100;
constexpr WORD FONTCACH_LAST_NUMBER = 399;
// Adding the font that makes this many drops the oldest one first.
constexpr DWORD FONTCACH_MAX_FONTS = 300;
// A TrueType soft font's codes are list positions 1..511 of its single glyph page.
constexpr DWORD FONTCACH_TRUETYPE_GLYPHS = 511;
// A bitmap soft font holding more glyphs than this is renewed at its next use.
constexpr DWORD FONTCACH_BITMAP_GLYPHS = 1000;
constexpr DWORD FONTCACH_PRIVATE_BYTES = 100;
constexpr DWORD FONTCACH_PAGE_ENTRIES = 512;

enum FontCachKind : BYTE { FCK_TRUETYPE = 1, FCK_BITMAP = 2 };

// What identifies one downloaded font.
struct FontCachIdentity {
  const char* faceName;  // ANSI face name (first 31 characters count)
  LONG size;             // character size in dots; 0 for TrueType fonts
  LONG angle;            // character angle; 0 for TrueType fonts
  ULONG iUniq;           // the engine's number of the font realisation
  BYTE kind;             // FCK_*
};

// The key a font is filed under: the additive name hash combined with iUniq, with the kind in
// the top bits (0x40000000 TrueType, 0x80000000 bitmap).
DWORD FontCach_Key(const FontCachIdentity& id);
// h = h x 10 + c over the signed bytes of the name.
DWORD FontCach_NameHash(const char* name);

void FontCach_ResetNumbering(PDEV* pdev);
// The number the next added font gets: the lowest one of 100..399 not in use.
WORD FontCach_NextNumber(PDEV* pdev);

// The record of the font, the last-used one tried first; nullptr when the printer does not
// hold it.
FontCacheRecord* FontCach_FindFont(PDEV* pdev, const FontCachIdentity& id);
// Files a new font under the next number and makes it the last used. When it makes 300 fonts
// the oldest is dropped first (with its RemoveFont). 0 when the private data is longer than
// 100 bytes or memory runs out.
WORD FontCach_AddFont(PDEV* pdev, const FontCachIdentity& id, const void* privateData, DWORD privateBytes);
// Unlinks the font, frees its glyph pages and its number, and sends RemoveFont for it. FALSE
// for a number not in use.
BOOL FontCach_DropFont(PDEV* pdev, WORD fontNumber, DWORD* key, DWORD* bytes);
FontCacheRecord* FontCach_Record(PDEV* pdev, WORD fontNumber);
DWORD FontCach_FontCount(const PDEV* pdev);

// The code under which a glyph was sent (TrueType: glyph id; bitmap: the engine's glyph
// handle), 0 when the font does not hold it.
WORD FontCach_CodeOfGlyph(PDEV* pdev, WORD fontNumber, DWORD glyph);
// Records a glyph as sent and answers its code: the list position (1..511) for a TrueType
// font, the next sequential code (1..) for a bitmap font. 0 when a TrueType font is full,
// when memory runs out, or for a number not in use.
WORD FontCach_GlyphSent(PDEV* pdev, WORD fontNumber, DWORD glyph, DWORD dataBytes);
