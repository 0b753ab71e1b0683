// Soft-font downloads: a TrueType soft font built from the face's own TrueType data (format 0
// font header with its PA, GT and GC segments; characters in format 1 class 1), and a bitmap
// soft font built from the engine's glyph images (format 0 header with its BR segment;
// characters in format 0 class 0). Each font goes to the printer once under a number of the
// glyph cache, each glyph once per font.
#pragma once

#include <vector>

#include <win/base.h>
#include <win/ddi.h>

#include "gdi/fontcach.h"
#include "gdi/pdev.h"
#include "gdi/ttfile.h"

// A TrueType soft font as one text call uses it.
struct TtSoftFont {
  TtFont file;
  TtFontInfo info;
  char faceName[32];
  ULONG iUniq;
  WORD fontNumber;      // 0 until SoftFont_EnsureTrueType found or sent it
  WORD spaceGlyph;      // glyph of U+0020, sent without outline
  bool sendSpaceBare;   // the run gives characters (not glyph ids) and the face allows it
  // A line of text repeats a few characters many times: the glyphs of the first 256
  // characters, filled by SoftFont_TrueTypeGlyph as they are first asked for (0xFFFF: not yet;
  // never a glyph, as a font has at most 65535).
  mutable WORD latinGlyphs[256];
};

// Opens the font's TrueType data for downloading. False when the data cannot give TrueType
// characters (not TrueType outlines, no format-4 map, a collection without the face, damaged
// tables): the text then goes as bitmap glyphs.
bool SoftFont_OpenTrueType(TtSoftFont* font, const void* file, DWORD size, const char* faceName, ULONG iUniq);
// The glyph a character prints with. glyphIndex: the string carries glyph ids. codePageByte is
// the character's byte in the string's code page, or -1 when it has none.
WORD SoftFont_TrueTypeGlyph(const TtSoftFont* font, DWORD character, bool glyphIndex, int codePageByte);
// Finds the font in the cache or sends its header and files it. The answer is the font number
// (0 when the header cannot be built: fall back to bitmap); *sent tells that the header went out.
WORD SoftFont_EnsureTrueType(PDEV* pdev, TtSoftFont* font, BOOL* sent);
// Sends the glyphs of glyphs[0..count) the font does not hold yet, each with the components
// it needs, and gives their codes. Stops before a glyph that no longer fits the font (511
// glyphs): the answer is how many glyphs from the start have codes. -1 when a glyph can never
// be sent as a TrueType character (its data is damaged or too large).
LONG SoftFont_SendTrueTypeGlyphs(PDEV* pdev, TtSoftFont* font, const WORD* glyphs, DWORD count, WORD* codes);

// A bitmap soft font of one realisation, size and angle.
struct BitmapSoftFont {
  char faceName[32];
  ULONG iUniq;
  LONG size;
  LONG angle;
  WORD fontNumber;
};

WORD SoftFont_EnsureBitmap(PDEV* pdev, BitmapSoftFont* font, WORD resolution, BOOL* sent);
// The code of a glyph handle in the font, 0 when not held yet.
WORD SoftFont_BitmapCode(PDEV* pdev, const BitmapSoftFont* font, HGLYPH glyph);
// Sends one glyph image (BeginChar first when *begun is clear) and answers its code; 0 when
// the font holds its 1000 glyphs already or the image is unusable.
WORD SoftFont_SendBitmapGlyph(PDEV* pdev, BitmapSoftFont* font, HGLYPH glyph, const GLYPHBITS* bits, BOOL* begun);
