// Brushes: the engine's brushes realised for the printer, and their selection as the PCL XL
// pen or brush source. Solid colours go out as GrayLevel / RGBColor (gdi/gx); hatches and
// bitmap brushes become raster patterns, downloaded once and selected by id afterwards.
#pragma once

#include <win/ddi.h>

#include "gdi/pdev.h"

// The temporary pattern id: used once the session's ids or pattern memory are used up, so the
// printer never holds more than the guard below.
constexpr SHORT BRUSH_TEMP_PATTERN_ID = static_cast<SHORT>(0x8001);
// Raster bytes of downloaded patterns the printer is asked to keep.
constexpr DWORD BRUSH_PATTERN_BYTES_LIMIT = 102400;
// The hatch values of DrvRealizeBrush: below 6 the standard hatches, 6 and above bitmaps.
constexpr ULONG BRUSH_FIRST_BITMAP_HATCH = 6;

// A brush as this driver keeps it (allocated by the engine with BRUSHOBJ_pvAllocRbrush, owned
// by the engine). data holds the pattern rows (rowBytes each, padded to 32 bits, top row
// first) and then, for indexed patterns, the palette: one grey byte per entry in grey jobs, the
// 32-bit device colour (red in the low byte) in colour jobs.
struct RealizedBrush {
  DWORD width;            // pixels
  DWORD height;
  DWORD bitsPerPixel;     // of the stored rows: 1, 4, 8 (indexed or grey), 24 (RGB)
  BOOL indexed;           // a palette follows the rows
  DWORD paletteCount;
  DWORD paletteOffset;    // from data
  ULONG hatch;            // iHatch of the realisation
  DWORD rowBytes;
  DWORD dataBytes;        // rows and palette: what an equal brush is recognised by
  BYTE data[1];
};

BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                              XLATEOBJ* pxlo, ULONG iHatch);

// The brush (asBrush TRUE) or pen source for an engine brush; no brush selects NullBrush or
// NullPen. 0 when the brush has no realisation (the engine could not realise it).
BOOL Brush_Select(PDEV* pdev, BRUSHOBJ* brush, const POINTL* origin, BOOL asBrush);
// Downloads the realised brush when the printer does not hold it yet and selects it.
void Brush_SelectPattern(PDEV* pdev, const RealizedBrush* brush, const POINTL* origin, BOOL asBrush);
// The pattern id of a standard hatch (8 x 8 pixels), downloading it when needed.
SHORT Brush_DownloadPattern(PDEV* pdev, const RealizedBrush* brush);
// The pattern id of a bitmap brush at its own size, downloading it when needed.
SHORT Brush_DownloadColorPattern(PDEV* pdev, const RealizedBrush* brush);

// TRUE when the job's sheets are not played in the order they are made (stored or created
// forms, driver-made collated copies, reverse order, posters, driver-made duplex, booklets, or
// the private switches that drop soft fonts at every sheet end): each sheet must then carry
// the patterns it selects, so they are downloaded for the page only.
BOOL Brush_PatternsPerSheet(const PDEV* pdev);
// The sheet end: in a job whose sheets are reordered, the printer drops the sheet's patterns
// at EndPage, so the list is forgotten with them. The page flow calls it after EndPage.
void Brush_EndSheet(PDEV* pdev);
// Releases the pattern list (job end, record end).
void Brush_FreePatterns(PDEV* pdev);
// TRUE for the two documents whose patterns print without PatternOrigin.
BOOL Brush_IsOriginlessDocument(const PDEV* pdev);
