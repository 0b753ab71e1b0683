// Text runs: the font of one text call as the printer gets it (a resident font, a TrueType
// soft font or a bitmap soft font), its character attributes through the page's cache, and
// the Text operators of a run with explicit spacing.
#pragma once

#include <win/base.h>
#include <win/ddi_text.h>

#include "gdi/pdev.h"
#include "gdi/softfont.h"

// Text flags of the current call (PdevTextState::flags).
constexpr DWORD TXF_DBCS_FONT = 0x1;
constexpr DWORD TXF_FIRST_CONVERTIBLE = 0x2;
constexpr DWORD TXF_DEVICE_FONT = 0x4;
constexpr DWORD TXF_TRUETYPE_SOFT = 0x8;
constexpr DWORD TXF_BITMAP_SOFT = 0x10;

// One Text operator carries at most this many characters.
constexpr ULONG TX_MAX_RUN = 1500;

enum TxKind : int { TXK_DEVICE = 1, TXK_TRUETYPE = 2, TXK_BITMAP = 3 };

// The font of one text call.
struct TxFont {
  TxKind kind;
  FONTOBJ* pfo;
  WORD fontNumber;     // soft fonts: the cache's number; resident fonts: row, or row + 10000
  char pclName[17];    // resident fonts: the 16-character PCL XL name
  WORD symbolSet;      // resident fonts: the row's symbol set; soft fonts 2
  LONG size;           // character size, dots
  LONG width;          // character width, dots
  LONG angle;          // character angle, degrees 0..359 (-1: no transform)
  UINT codePage;
  bool dbcs;
  bool glyphIndex;     // the string carries glyph ids
  bool downloaded;     // the font went to the printer in this call: SetFont follows
  float boldValue;
  float shear;
  WORD resolution;     // dots per inch of the job
  TtSoftFont tt;
  BitmapSoftFont bitmap;
};

// Makes the call's font a bitmap soft font (its glyphs from the engine's images). FALSE when
// the cache cannot take the font.
BOOL Tx_UseBitmapFont(PDEV* pdev, TxFont* font);
// CharBoldValue, CharShear, CharScale, CharAngle and SetFont, each only when it differs from
// the page's cache (or, for SetFont, when the font was just downloaded).
void Tx_SetCharAttributes(PDEV* pdev, TxFont* font);
// Writes the glyphs of one run (the cursor already stands on the first): Text operators of at
// most 1500 characters, the glyphs the printer lacks downloaded before each. A font that fills
// up mid-run gets a Text for what it covers and is downloaded again for the rest. chars are
// the run's characters (glyph ids with glyphIndex); charInc the string's fixed increment.
BOOL Tx_WriteRun(PDEV* pdev, TxFont* font, const GLYPHPOS* glyphs, const WCHAR* chars, ULONG count, ULONG charInc);
// Removes every soft font from the printer (RemoveFont each), then empties the cache and
// restarts the numbering: at the end of a sheet whose fonts are not kept, at a form part start
// and at the job end.
void Tx_RemoveAllSoftFonts(PDEV* pdev);
