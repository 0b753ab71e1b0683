// Bit-block transfers: DrvBitBlt, DrvStretchBlt, DrvCopyBits, DrvTransparentBlt and
// DrvGradientFill (declared in ddientry.h). Operations without a source become filled
// rectangles; operations with one become images through the image writer; what the printer
// language cannot say (masks, halftoned stretches, transparent blits of palette sources,
// gradients) goes back to the engine, which draws it into a bitmap and hands that back
// through DrvCopyBits.
#pragma once

#include <win/base.h>
#include <win/ddi.h>

#include "gdi/pdev.h"

// The rop4 of a pattern copy whose background leaves the destination alone: painted as a
// pattern fill with a transparent source.
constexpr ROP4 BITBLT_ROP4_PATTERN_OVER = 0xAAF0;

// Bit of dwDumpFlags: images and bit-block transfers are drawn.
constexpr DWORD RENDER_DUMP_IMAGES = 0x8;

// TRUE for the 16 ROP3 codes that do not read the source (functions of the pattern and the
// destination only: rop mod 0x50 below 16 and rop mod 5 = 0), which DrvBitBlt paints as a
// rectangle.
BOOL BitBlt_RopUsesNoSource(BYTE rop);
// TRUE when the ROP3 reads the pattern (it is not a multiple of 0x11).
BOOL BitBlt_RopUsesPattern(BYTE rop);

// The 1-bit mask of a 24- or 32-bit source rectangle for a transparent blit: a bit set (most
// significant first, rows padded to 32 bits, top row first) for every pixel that is not the
// transparent colour. `mask` holds BitBlt_MaskStride(width) x height bytes.
DWORD BitBlt_MaskStride(LONG width);
void BitBlt_BuildMask(const SURFOBJ* source, const RECTL* rect, ULONG transparent, BYTE* mask);
