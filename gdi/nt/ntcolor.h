// Colours of the renderer: grey from colour, and the indexed palettes of patterns and images.
//
// One set of palette-size codes serves every indexed object the renderer sends (patterns here,
// images in the image writer). A conforming interpreter rejects an image or pattern whose
// palette does not hold exactly 2^ColorDepth entries (ImagePaletteMismatch), so the code is
// always chosen from the object's own depth with Color_PaletteCodeForDepth.
#pragma once

#include <win/base.h>

#include "gdi/pdev.h"

enum PaletteCode : int {
  PALETTE_256_ENTRIES = 0,  // ColorDepth e8Bit
  PALETTE_16_ENTRIES = 1,   // ColorDepth e4Bit
  PALETTE_2_ENTRIES = 2,    // ColorDepth e1Bit
};

// The grey of a colour: (74 R + 155 G + 27 B) / 256. The weights add up to 256, so a grey
// colour (R = G = B) keeps its value.
BYTE Color_Gray(BYTE red, BYTE green, BYTE blue);
BYTE Color_GrayOf(COLORREF colour);

// Entries of a palette code (2, 16 or 256); 0 for a code that is none of them.
DWORD Color_PaletteEntries(int code);
// The palette code for a PCL XL ColorDepth (e1Bit, e4Bit, e8Bit); -1 for another depth.
int Color_PaletteCodeForDepth(BYTE colorDepth);
// Bytes of one palette entry in the job: 1 in grey jobs, 3 (R, G, B) in colour jobs.
DWORD Color_PaletteEntryBytes(const PDEV* pdev);

// Sends an indexed colour space: ColorSpace (grey or RGB by the job), PaletteDepth e8Bit, the
// palette, then Gx_SetColorSpace's PaletteData and SetColorSpace. `palette` holds `bytes`
// bytes of entries in the job's entry form (Color_PaletteEntryBytes); the palette sent always
// has exactly the code's entry count: missing entries go out black, extra ones are dropped.
// While a text watermark is drawn in a grey job (wmFlag) the palette is forced to black and
// white in RGB: entry 0 black, every other entry white. Another code writes nothing.
void Brush_SetPalette(PDEV* pdev, const BYTE* palette, DWORD bytes, int code);
