// Raster row compression for ReadImage blocks: run-length (PCL XL eRLECompression, the TIFF
// PackBits scheme) and delta-row (eDeltaRowCompression, against a seed row), and the sizing of
// the block buffer the compressed rows gather in.
//
// Lengths are 32-bit here: a 24-bit row of a wide source passes 65535 bytes, and only the
// delta-row row prefix is bound to 16 bits by the wire (Raster_DeltaRowFits says when a row
// length keeps it within them).
#pragma once

#include <win/base.h>

#include "gdi/pdev.h"

// Bit of dwDumpFlags: every raw row that is run-length encoded is also written to the text log.
constexpr DWORD RENDER_DUMP_RASTER = 0x800;

// Raster data of one ReadImage never passes this many bytes: the printer's input buffer is
// sized for it.
constexpr DWORD RASTER_BLOCK_LIMIT = 12000;

// Most bytes a run-length row of `length` raw bytes encodes into: one count byte for every
// 128 literal bytes.
constexpr DWORD Raster_RleBound(DWORD length) { return length + (length + 127) / 128; }

// Most bytes a delta-row row of `length` raw bytes encodes into, its 2-byte prefix included:
// each command replaces at least one byte and costs one command byte, and offset bytes are
// paid for by the unchanged bytes they skip (31 or more per extra byte).
constexpr DWORD Raster_DeltaRowBound(DWORD length) { return 2 + length + (length + 7) / 8; }

// A row of this many raw bytes can always be delta-row encoded within its 16-bit prefix.
constexpr bool Raster_DeltaRowFits(DWORD length) { return Raster_DeltaRowBound(length) - 2 <= 0xFFFF; }

// PackBits: literal runs (n - 1, then n bytes) and repeat runs (1 - n as a signed byte, then
// the byte) of at most 128 bytes. `output` holds Raster_RleBound(length) bytes. Returns the
// encoded length. pdev may be null (no raster dump then).
DWORD Raster_CompressRle(PDEV* pdev, BYTE* output, const BYTE* row, DWORD length);

// The row against the seed: replacement commands for the bytes that differ, after a 2-byte
// length (low byte first) that does not count itself. The seed becomes the row. `output`
// holds Raster_DeltaRowBound(length) bytes and length must satisfy Raster_DeltaRowFits.
// Returns the encoded length including the prefix.
DWORD Raster_CompressDeltaRow(BYTE* output, const BYTE* row, DWORD length, BYTE* seed);

// One replacement command: (count - 1) x 32 + min(offset, 31), the offset bytes beyond 31
// (a 255 for each full 255, then the remainder), then the `count` (1..8) bytes. Returns the
// position after the command.
BYTE* Raster_EmitDeltaCommand(BYTE* output, DWORD count, const BYTE* bytes, DWORD offset);

// The block buffer of an image with rows of rowBytes raw bytes, of which *rows are wanted in
// one block: *rows and *bufferSize are set to what was allocated. Blocks are held to
// RASTER_BLOCK_LIMIT bytes of raw rows; the two spare rows absorb run-length expansion. When
// the allocation fails the block shrinks to a quarter, down to nothing. The buffer (GlobalAlloc)
// is the caller's to GlobalFree; nullptr when none could be had.
BYTE* Image_BlockLines(PDEV* pdev, DWORD rowBytes, DWORD* rows, DWORD* bufferSize);
