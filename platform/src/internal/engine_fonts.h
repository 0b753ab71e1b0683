// The stand-in engine's fonts: faces found in the machine's Fonts folder and read with
// FreeType, fonts realised from a LOGFONTW for a device resolution (FONTOBJ with its IFIMETRICS,
// transform and glyph images), and strings laid out in a realised font (STROBJ).
//
// A realisation is kept for the process and found again for the same machine, LOGFONTW and
// resolution, so FONTOBJ::iUniq stays the same across calls and pages, as a driver's font
// caches expect; a different LOGFONTW or resolution is a new realisation with a new iUniq.
// Faces of another technology than TrueType (Type 1, CFF-outline OpenType) are realised as
// such: the driver then gets glyph images and, for Type 1, no TrueType file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/gdi.h>

namespace plat::engine {

// The realised font for the machine's Fonts folder; nullptr when the folder holds no font
// FreeType can read (ERROR_FILE_NOT_FOUND). The object lives until the process ends.
FONTOBJ* RealizeFont(const LOGFONTW& logfont, ULONG dpi);
// True for a FONTOBJ this engine realised.
bool IsEngineFont(const FONTOBJ* font);

// Font-wide measures in device pixels, for GetTextMetricsW and the underline and strike-out
// rectangles (positions are distances below the baseline, negative above it).
struct FontMeasures {
  LONG ascent;
  LONG descent;
  LONG internalLeading;
  LONG externalLeading;
  LONG aveCharWidth;
  LONG maxCharWidth;
  LONG weight;
  bool italic;
  bool fixedPitch;
  bool trueType;
  LONG underlinePosition;
  LONG underlineSize;
  LONG strikeoutPosition;
  LONG strikeoutSize;
  double escapement;  // tenths of a degree, counter-clockwise
  WCHAR firstChar;
  WCHAR lastChar;
  BYTE charSet;       // lfCharSet of the request
  std::u16string faceName;
};
bool MeasureFont(FONTOBJ* font, FontMeasures* measures);

// The glyph of a character (0 when the face has none) and a glyph's advance along the
// baseline in whole device pixels.
HGLYPH GlyphOfCharacter(FONTOBJ* font, WCHAR character);
LONG GlyphAdvance(FONTOBJ* font, HGLYPH glyph);
// Both for a whole run of text under one look at the font (either output may be null); text
// holds glyph ids when glyphIndex. False for an unknown font.
bool GlyphRun(FONTOBJ* font, const WCHAR* text, size_t count, bool glyphIndex, HGLYPH* glyphs, LONG* advances);

// A string as a driver's DrvTextOut gets it. Positions are device pixels: `origin` is the
// first glyph's origin on the baseline; each next glyph follows by its advance (or the
// caller's dx, with dy when dxdy) along the baseline, turned by the font's escapement.
struct StringLayout {
  FONTOBJ* font = nullptr;
  std::vector<WCHAR> text;   // characters, or glyph ids when glyphIndex
  bool glyphIndex = false;
  POINTL origin{0, 0};
  std::vector<INT> dx;       // empty: the font's advances; else one value a glyph (two with dxdy)
  bool dxdy = false;
};

struct StringDeleter {
  void operator()(STROBJ* string) const;
};
using StringPtr = std::unique_ptr<STROBJ, StringDeleter>;

// nullptr for an unknown font. The batch size of STROBJ_bEnum comes from the control
// "engine.StringBatchGlyphs" when set; otherwise a fixed-pitch font's string is enumerated in
// batches and other strings carry their positions in STROBJ::pgp.
StringPtr CreateString(const StringLayout& layout);
// The text's box (rclBkGround) and the end point of the last glyph's advance.
POINTL StringEnd(const STROBJ* string);

// A glyph's outline as the realisation draws it (size, escapement, simulated bold and italic),
// in device pixels relative to its origin on the baseline, y down, 28.4 fixed point, with
// GetPath's point types: every contour a closed figure of lines and cubic Béziers.
bool GlyphOutline(FONTOBJ* font, HGLYPH glyph, std::vector<POINTFIX>& points, std::vector<BYTE>& types);
// A glyph's grey image: 256-level coverage, `width` bytes a row, its top-left corner at
// (left, top) from the origin (y down).
struct GreyGlyph {
  LONG left = 0, top = 0, width = 0, height = 0;
  std::vector<BYTE> coverage;
};
bool GlyphGrey(FONTOBJ* font, HGLYPH glyph, GreyGlyph& out);

// The machine's font families, once each, with whether the family is TrueType.
struct FontFamily {
  std::u16string name;
  bool trueType;
  // Listed again as "@" + name, with this character set, for vertical writing.
  bool vertical = false;
  BYTE verticalCharSet = 0;
};
std::vector<FontFamily> FontFamilies();

// Transforms other engine objects hand a driver use the same XFORMOBJ services.
void RegisterXform(XFORMOBJ* xform, const XFORML& matrix);
void UnregisterXform(XFORMOBJ* xform);

}  // namespace plat::engine
