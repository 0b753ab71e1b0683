// Image rows: one source row of a bitmap the engine hands the driver, turned into the row the
// printer is sent. Indexed sources (1, 4, 8 bits) keep their indices, moved to start on a byte;
// direct sources (16, 24, 32 bits) become one grey byte per pixel in grey jobs and three RGB
// bytes in colour jobs, through the colour translation and the colour adjustment. Mirroring
// and the sampling of reduced images work on the same rows.
#pragma once

#include <win/base.h>
#include <win/ddi.h>

#include "gdi/pdev.h"

// Image_GetRgbOrder answers.
constexpr int IMAGE_ORDER_NONE = 0;       // no translation, or an indexed source
constexpr int IMAGE_ORDER_TRANSLATE = 2;  // every pixel through XLATEOBJ_iXlate
constexpr int IMAGE_ORDER_SWAP = 6;       // red and blue exchanged (Gx_SwapRgb24)
constexpr int IMAGE_ORDER_KEEP = 10;      // the source bytes are already red, green, blue

// How the rows of one image are read and written.
struct ImageRowFormat {
  ULONG sourceFormat;    // BMF_1BPP .. BMF_32BPP
  DWORD sourceBits;      // bits per source pixel
  BOOL indexed;          // 1-, 4- and 8-bit sources: indices and a palette
  BOOL rgbOutput;        // direct sources in colour jobs: 3 bytes a pixel; else 1 grey byte
  int rgbOrder;          // Image_GetRgbOrder of the translation
  XLATEOBJ* xlate;       // the colour translation, or null
  DWORD outputBits;      // bits per output pixel: 1, 4, 8 or 24
};

// Bits per pixel of a bitmap format, 0 for a format the image writer refuses.
DWORD Image_FormatBits(ULONG format);

// The row format of a source in this job. FALSE for a refused format.
BOOL Image_RowFormat(const PDEV* pdev, ULONG format, XLATEOBJ* xlate, ImageRowFormat* out);

// Bytes of an output row of `pixels` pixels, before padding.
DWORD Image_OutputRowBytes(const ImageRowFormat& format, DWORD pixels);

// How direct pixels are taken from the source: 0 without a translation or for formats below
// 16 bits; 2 for 16-bit sources and translations that are neither of the two below; 10 when
// red, green and blue map to themselves; 6 when red and blue are exchanged.
int Image_GetRgbOrder(XLATEOBJ* xlate, ULONG format);

// Copies `pixels` bits of a 1-bit row starting at bit `firstBit` (most significant bit first)
// so that they start on a byte boundary; the bits after the last pixel are zero.
void Image_ShiftBits(BYTE* out, const BYTE* row, DWORD firstBit, DWORD pixels);

// Pixels `first` .. first + pixels - 1 of a source row as the output row (unpadded), with the
// colour adjustment; mirrored when asked. Returns the bytes written.
DWORD Image_ConvertRow(PDEV* pdev, const ImageRowFormat& format, BYTE* out, const BYTE* row, DWORD first,
                       DWORD pixels, BOOL mirror);

// Writes the row's `pixels` pixels in reverse order: whole output pixels of 1 byte (8-bit
// sources, grey output) or 3 bytes (RGB output) for 8- to 32-bit sources, bits or 4-bit groups
// for 1- and 4-bit sources. Returns the end of the output, or null for another depth.
BYTE* Image_MirrorRow(PDEV* pdev, BYTE* out, const BYTE* row, DWORD pixels, DWORD bitsPerPixel);

// The reduction sampler: outPixels pixels taken evenly from the source pixels first ..
// first + sourcePixels - 1 (the first and the last among them), in the output form of the
// format, mirrored when asked. Returns the bytes written.
DWORD Image_SampleRows(PDEV* pdev, const ImageRowFormat& format, BYTE* out, const BYTE* row, DWORD first,
                       DWORD sourcePixels, DWORD outPixels, BOOL mirror);

// The source column of output pixel i when `sourcePixels` are reduced to `outPixels`: steps
// of the fractional ratio, the last landing on the last source pixel.
DWORD Image_SampleIndex(DWORD i, DWORD sourcePixels, DWORD outPixels);

// ---- Bitmap helpers of the graphics state ----------------------------------------------------
// Exchanges the first and third byte of every 3-byte pixel (in place when destination equals
// source). A length that is not a multiple of 3 is an internal error and is cut to one.
void Gx_SwapRgb24(PDEV* pdev, BYTE* destination, const BYTE* source, DWORD length);
// Reverses the row order of a 1-bit bitmap whose rows are padded to 32 bits.
void Gx_FlipBitmap(BYTE* bits, DWORD width, DWORD height);
