// Raster readers for the tests, from the published definitions of the compression methods.
#include "pxl_raster.h"

#include <cstdio>

namespace pclxl {
namespace {

constexpr uint8_t kOpSetColorSpace = 0x6A;
constexpr uint8_t kOpSetCursor = 0x6B;
constexpr uint8_t kOpSetRop = 0x7B;
constexpr uint8_t kOpBeginImage = 0xB0;
constexpr uint8_t kOpReadImage = 0xB1;
constexpr uint8_t kOpEndImage = 0xB2;

constexpr uint8_t kAttrColorSpace = 0x03;
constexpr uint8_t kAttrPaletteData = 0x06;
constexpr uint8_t kAttrPaletteDepth = 0x02;
constexpr uint8_t kAttrRop3 = 0x2C;
constexpr uint8_t kAttrPoint = 0x4C;
constexpr uint8_t kAttrColorDepth = 0x62;
constexpr uint8_t kAttrBlockHeight = 0x63;
constexpr uint8_t kAttrColorMapping = 0x64;
constexpr uint8_t kAttrCompressMode = 0x65;
constexpr uint8_t kAttrDestinationSize = 0x67;
constexpr uint8_t kAttrSourceHeight = 0x6B;
constexpr uint8_t kAttrSourceWidth = 0x6C;
constexpr uint8_t kAttrStartLine = 0x6D;

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

int Number(const Operator& op, uint8_t id, int index = 0, int missing = -1) {
  const Attribute* a = op.Find(id);
  if (!a || a->value.numbers.size() <= static_cast<size_t>(index)) return missing;
  return static_cast<int>(a->value.numbers[index]);
}

const char* CompressionName(int mode) {
  switch (mode) {
    case 0: return "raw";
    case 1: return "rle";
    case 2: return "jpeg";
    case 3: return "delta";
    default: return "?";
  }
}

size_t Padded(size_t bytes) { return (bytes + 3) / 4 * 4; }

// The block's rows into image.rows; seed carries delta-row state across blocks.
bool DecodeBlock(DecodedImage& image, const ImageBlock& block, const std::vector<uint8_t>& data,
                 std::vector<uint8_t>& seed, std::string* error) {
  size_t pos = 0;
  for (int line = 0; line < block.blockHeight; ++line) {
    std::vector<uint8_t> row;
    switch (block.compression) {
      case 0: {
        size_t padded = Padded(image.rowBytes);
        if (data.size() - pos < padded) return Fail(error, "raw data end inside row " + std::to_string(line));
        row.assign(data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(pos + image.rowBytes));
        pos += padded;
        break;
      }
      case 1:
        if (!DecodeRleRow(data.data(), data.size(), &pos, Padded(image.rowBytes), &row, error)) return false;
        row.resize(image.rowBytes);
        break;
      case 3:
        if (!DecodeDeltaRow(data.data(), data.size(), &pos, &seed, error)) return false;
        row = seed;
        break;
      default:
        return Fail(error, "compression " + std::to_string(block.compression) + " not read");
    }
    // Every method's row becomes the seed of a following delta row.
    if (block.compression != 3) {
      seed.assign(row.begin(), row.end());
      seed.resize(image.rowBytes);
    }
    image.rows.push_back(std::move(row));
  }
  if (pos != data.size()) return Fail(error, std::to_string(data.size() - pos) + " bytes left after the block's rows");
  return true;
}

}  // namespace

size_t ImageRowBytes(int width, int colorDepth, int components) {
  static const int kBits[] = {1, 4, 8};
  int bits = (colorDepth >= 0 && colorDepth <= 2) ? kBits[colorDepth] : 8;
  return (static_cast<size_t>(width) * bits * components + 7) / 8;
}

bool DecodeRleRow(const uint8_t* data, size_t size, size_t* pos, size_t rowBytes, std::vector<uint8_t>* row,
                  std::string* error) {
  row->clear();
  size_t p = *pos;
  while (row->size() < rowBytes) {
    if (p >= size) return Fail(error, "run-length data end inside a row");
    int control = static_cast<int8_t>(data[p++]);
    if (control == -128) continue;
    if (control >= 0) {
      size_t n = static_cast<size_t>(control) + 1;
      if (size - p < n) return Fail(error, "literal run passes the end of the data");
      if (row->size() + n > rowBytes) return Fail(error, "literal run passes the end of the row");
      row->insert(row->end(), data + p, data + p + n);
      p += n;
    } else {
      size_t n = static_cast<size_t>(1 - control);
      if (p >= size) return Fail(error, "repeat run without its byte");
      if (row->size() + n > rowBytes) return Fail(error, "repeat run passes the end of the row");
      row->insert(row->end(), n, data[p++]);
    }
  }
  *pos = p;
  return true;
}

bool DecodeDeltaRow(const uint8_t* data, size_t size, size_t* pos, std::vector<uint8_t>* seed,
                    std::string* error) {
  size_t p = *pos;
  if (size - p < 2) return Fail(error, "delta row without its byte count");
  size_t count = data[p] | (static_cast<size_t>(data[p + 1]) << 8);
  p += 2;
  if (size - p < count) return Fail(error, "delta row count passes the end of the data");
  const size_t end = p + count;
  size_t at = 0;  // the byte after the last replaced one
  while (p < end) {
    uint8_t command = data[p++];
    size_t replace = static_cast<size_t>(command >> 5) + 1;
    size_t offset = command & 0x1F;
    if (offset == 31) {
      for (;;) {
        if (p >= end) return Fail(error, "delta row offset bytes pass the row's count");
        uint8_t more = data[p++];
        offset += more;
        if (more != 255) break;
      }
    }
    at += offset;
    if (end - p < replace) return Fail(error, "delta row replacement passes the row's count");
    if (at + replace > seed->size()) return Fail(error, "delta row replacement passes the end of the row");
    for (size_t k = 0; k < replace; ++k) (*seed)[at + k] = data[p + k];
    p += replace;
    at += replace;
  }
  *pos = p;
  return true;
}

std::vector<DecodedImage> DecodeImages(const Decoded& decoded) {
  std::vector<DecodedImage> images;
  int colorSpace = 0;
  int paletteDepth = -1;
  std::vector<uint8_t> palette;
  int rop = -1;
  int cursorX = 0, cursorY = 0;
  DecodedImage* open = nullptr;
  std::vector<uint8_t> seed;
  int linesSent = 0;
  auto fail = [&](const std::string& why) {
    if (open && open->error.empty()) open->error = why;
  };
  for (const Operator& op : decoded.operators) {
    switch (op.tag) {
      case kOpSetColorSpace: {
        colorSpace = Number(op, kAttrColorSpace, 0, colorSpace);
        paletteDepth = Number(op, kAttrPaletteDepth);
        palette.clear();
        if (const Attribute* a = op.Find(kAttrPaletteData))
          for (double v : a->value.numbers) palette.push_back(static_cast<uint8_t>(v));
        break;
      }
      case kOpSetRop: rop = Number(op, kAttrRop3); break;
      case kOpSetCursor:
        cursorX = Number(op, kAttrPoint, 0, 0);
        cursorY = Number(op, kAttrPoint, 1, 0);
        break;
      case kOpBeginImage: {
        images.emplace_back();
        open = &images.back();
        open->colorSpace = colorSpace;
        open->palette = palette;
        open->paletteDepth = paletteDepth;
        open->rop = rop;
        open->x = cursorX;
        open->y = cursorY;
        open->colorMapping = Number(op, kAttrColorMapping);
        open->colorDepth = Number(op, kAttrColorDepth);
        open->sourceWidth = Number(op, kAttrSourceWidth);
        open->sourceHeight = Number(op, kAttrSourceHeight);
        open->destWidth = Number(op, kAttrDestinationSize, 0);
        open->destHeight = Number(op, kAttrDestinationSize, 1);
        int components = (open->colorMapping == 0 && colorSpace == 2) ? 3 : 1;
        open->rowBytes = ImageRowBytes(open->sourceWidth, open->colorDepth, components);
        char line[160];
        std::snprintf(line, sizeof line, "BeginImage %dx%d -> %dx%d %s e%dBit %s%s", open->sourceWidth,
                      open->sourceHeight, open->destWidth, open->destHeight,
                      open->colorMapping == 1 ? "indexed" : "direct",
                      open->colorDepth == 0 ? 1 : open->colorDepth == 1 ? 4 : 8, colorSpace == 2 ? "rgb" : "gray",
                      open->colorMapping == 1 ? (" palette " + std::to_string(palette.size())).c_str() : "");
        open->listing.push_back(line);
        if (open->colorMapping == 1) {
          size_t entries = size_t{1} << (open->colorDepth == 0 ? 1 : open->colorDepth == 1 ? 4 : 8);
          size_t want = entries * (colorSpace == 2 ? 3 : 1);
          if (palette.size() != want)
            fail("palette of " + std::to_string(palette.size()) + " bytes, " + std::to_string(want) + " needed");
        }
        if (open->sourceWidth <= 0 || open->sourceHeight <= 0) fail("empty source");
        if (open->destWidth <= 0 || open->destHeight <= 0) fail("empty destination");
        seed.assign(open->rowBytes, 0);
        linesSent = 0;
        break;
      }
      case kOpReadImage: {
        if (!open) {
          DecodedImage stray;
          stray.error = "ReadImage outside an image";
          images.push_back(stray);
          break;
        }
        ImageBlock block;
        block.startLine = Number(op, kAttrStartLine);
        block.blockHeight = Number(op, kAttrBlockHeight);
        block.compression = Number(op, kAttrCompressMode);
        block.dataBytes = op.data ? op.data->size() : 0;
        open->blocks.push_back(block);
        char line[96];
        std::snprintf(line, sizeof line, "ReadImage %d+%d %s %zu", block.startLine, block.blockHeight,
                      CompressionName(block.compression), block.dataBytes);
        open->listing.push_back(line);
        if (block.startLine != linesSent) fail("block starts at line " + std::to_string(block.startLine) +
                                               " after " + std::to_string(linesSent) + " lines");
        if (block.blockHeight <= 0) fail("empty block");
        std::string why;
        if (open->error.empty() && op.data && !DecodeBlock(*open, block, *op.data, seed, &why))
          fail("block at line " + std::to_string(block.startLine) + ": " + why);
        linesSent += block.blockHeight;
        break;
      }
      case kOpEndImage:
        if (!open) break;
        open->listing.push_back("EndImage");
        if (linesSent != open->sourceHeight)
          fail(std::to_string(linesSent) + " lines sent of " + std::to_string(open->sourceHeight));
        open->ok = open->error.empty();
        open = nullptr;
        break;
      default:
        break;
    }
  }
  if (open) fail("no EndImage");
  return images;
}

}  // namespace pclxl
