// The image writer: one bitmap of the engine as one PCL XL image. BeginImage carries the source
// size and the destination size (the printer scales), the rows follow compressed in ReadImage
// blocks, EndImage closes it. Indexed sources go with their palette, direct ones as grey bytes
// in grey jobs and RGB in colour jobs.
//
// Rows of uncompressed and run-length blocks are padded with zeros to a multiple of 4 bytes,
// the row padding a PCL XL interpreter expects by default (PadBytesMultiple 4); delta-row rows
// are sent as they are.
#pragma once

#include <win/base.h>
#include <win/ddi.h>

#include "gdi/imagerow.h"
#include "gdi/pdev.h"

// Job flag: the current page holds an image.
constexpr DWORD JF_PAGE_IMAGE = 0x20000;

// A palette the caller sends instead of one made from the translation (the transparent blit's
// black and white mask): `bytes` bytes of entries in the job's form (one grey byte, or red,
// green and blue), sent as they are, without colour adjustment.
struct ImagePalette {
  const BYTE* bytes;
  DWORD size;
};

// Image_SetPalette format classes.
constexpr int IMAGE_CLASS_8BIT = 1;
constexpr int IMAGE_CLASS_4BIT = 2;
constexpr int IMAGE_CLASS_1BIT = 3;

// The source rectangle (width x height from sourcePoint) drawn onto the destination
// rectangle, whose swapped edges mirror the image. A negative source origin, or a source
// rectangle reaching past the bitmap, cuts the source and moves the destination edge by the
// same share, so the rest keeps its place and scale. Unless a tiled watermark is being drawn,
// the clip is set for the destination first. 1 when drawn or when nothing is left to draw
// (a zero-size destination included); 0 when the image could not be written.
BOOL Image_FromBlit(PDEV* pdev, CLIPOBJ* clip, SURFOBJ* source, LONG width, LONG height, const POINTL* sourcePoint,
                    const RECTL* destination, XLATEOBJ* xlate, const ImagePalette* palette = nullptr);

// One image: the source rectangle (inside the bitmap) onto a well-ordered, non-empty
// destination, flipped as asked. 0 for a refused format or when no buffer could be had.
BOOL Image_Write(PDEV* pdev, SURFOBJ* source, LONG width, LONG height, const POINTL* sourcePoint,
                 const RECTL* destination, XLATEOBJ* xlate, BOOL flipVertical, BOOL flipHorizontal,
                 const ImagePalette* palette = nullptr);

// The palette of an indexed image: exactly 2^depth entries from the translation's table (missing
// entries black, extra ones dropped), grey in grey jobs, each through the colour adjustment.
// A translation without a table gives an even grey ramp, so the image never lacks its palette.
void Image_SetPalette(PDEV* pdev, int formatClass, XLATEOBJ* xlate);

// Run-length size of five rows spread evenly over the source height (at 0, 1/5 .. 4/5), in
// percent of their raw size. 100 when the rows cannot be measured.
DWORD Image_EstimateCompression(PDEV* pdev, SURFOBJ* source, const ImageRowFormat& format, const POINTL* sourcePoint,
                                DWORD width, DWORD height);

// The size a source of width x height is sent at (see image.cpp for the rules), at most 65535
// in each direction (the 16-bit SourceWidth and SourceHeight).
SIZEL Image_ReducedSize(PDEV* pdev, SURFOBJ* source, const ImageRowFormat& format, const POINTL* sourcePoint,
                        DWORD width, DWORD height, const RECTL* destination, BOOL mirrored);
