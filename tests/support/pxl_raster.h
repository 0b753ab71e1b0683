// Independent readers of PCL XL raster data, for tests: the two row compressions the printers
// are sent (eRLECompression and eDeltaRowCompression) and whole images (BeginImage, the
// ReadImage blocks, EndImage) taken out of a decoded operator listing.
//
// They follow the published definitions of the methods, not the renderer's encoder:
//   - run-length (TIFF PackBits): a control byte n of 0..127 copies the next n + 1 bytes; n of
//     -1..-127 (as a signed byte) repeats the next byte 1 - n times; -128 is a no-op. Each row
//     decodes on its own; a run never continues into the next row.
//   - delta-row: each row starts with its byte count (uint16, low byte first), which does not
//     count itself. Commands follow: the top 3 bits are the replacement count - 1 (1..8), the
//     low 5 bits an offset from the byte after the last replaced one (from the row start for
//     the first); an offset of 31 is followed by offset bytes that add to it, each 255 meaning
//     that one more follows. The replacement bytes overwrite the seed row, which starts as
//     zeros at BeginImage; a row of count 0 repeats the seed.
// Rows of uncompressed and run-length data are padded to a multiple of 4 bytes (the default
// PadBytesMultiple); delta-row rows are not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pclxl_decoder.h"

namespace pclxl {

// One run-length row of exactly rowBytes bytes from data at *pos (advanced past it). False and
// a reason when the data end inside the row or a run passes the row's end.
bool DecodeRleRow(const uint8_t* data, size_t size, size_t* pos, size_t rowBytes, std::vector<uint8_t>* row,
                  std::string* error);

// One delta-row row from data at *pos (advanced past it), applied to the seed (rowBytes long),
// which then holds the row. False and a reason when the data end early, the count overruns the
// data, or a replacement passes the row's end.
bool DecodeDeltaRow(const uint8_t* data, size_t size, size_t* pos, std::vector<uint8_t>* seed,
                    std::string* error);

struct ImageBlock {
  int startLine = 0;
  int blockHeight = 0;
  int compression = 0;
  size_t dataBytes = 0;
};

// One image as the printer reads it.
struct DecodedImage {
  bool ok = false;
  std::string error;
  int colorSpace = 0;           // of the last SetColorSpace before BeginImage (1 grey, 2 RGB)
  std::vector<uint8_t> palette; // PaletteData of that SetColorSpace, empty without one
  int paletteDepth = -1;
  int colorMapping = 0;         // 0 direct, 1 indexed
  int colorDepth = 0;           // 0 1-bit, 1 4-bit, 2 8-bit
  int sourceWidth = 0;
  int sourceHeight = 0;
  int destWidth = 0;
  int destHeight = 0;
  int x = 0, y = 0;             // cursor of the BeginImage
  int rop = -1;                 // last ROP3 sent before the image
  std::vector<ImageBlock> blocks;
  size_t rowBytes = 0;          // unpadded bytes of a row
  std::vector<std::vector<uint8_t>> rows;  // decoded, unpadded rows, top to bottom
  // "BeginImage 8x4 -> 100x50 direct e8Bit gray", "ReadImage 0+2 rle 30", "EndImage"
  std::vector<std::string> listing;
};

// Every image of a decoded run or job, in stream order. A block whose data do not decode into
// its rows, a ReadImage outside an image, lines sent twice or missing at EndImage, a palette
// whose size is not 2^depth entries: the image is not ok and says why.
std::vector<DecodedImage> DecodeImages(const Decoded& decoded);

// The raw row size of an image row before padding: pixels x bits per pixel, in whole bytes.
size_t ImageRowBytes(int width, int colorDepth, int components);

}  // namespace pclxl
