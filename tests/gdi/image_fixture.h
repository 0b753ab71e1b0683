// Bitmaps, colour translations and decoded images for the image tests: a SURFOBJ over the
// test's own pixels (top-down or bottom-up, as the engine lays DIBs out), translation records
// of the kinds the engine hands the driver, and the images a record's output holds, read by
// the test support's raster readers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <win/ddi.h>

#include "open_pdev.h"
#include "pxl_raster.h"

namespace imagetest {

inline ULONG BitsOf(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    default: return 32;
  }
}

// Rows padded to 32 bits. Row 0 is the top row; bottom-up bitmaps keep it last in memory and
// reach it through a negative stride, as the engine's DIB surfaces do.
struct TestBitmap {
  std::vector<uint8_t> bits;
  SURFOBJ so{};
  LONG stride = 0;

  TestBitmap(LONG width, LONG height, ULONG format, bool topDown = true) {
    stride = static_cast<LONG>((static_cast<size_t>(width) * BitsOf(format) + 31) / 32 * 4);
    bits.assign(static_cast<size_t>(stride) * height, 0);
    so.sizlBitmap = SIZEL{width, height};
    so.cjBits = static_cast<ULONG>(bits.size());
    so.pvBits = bits.data();
    so.iBitmapFormat = format;
    so.iType = STYPE_BITMAP;
    if (topDown) {
      so.pvScan0 = bits.data();
      so.lDelta = stride;
      so.fjBitmap = BMF_TOPDOWN;
    } else {
      so.pvScan0 = bits.data() + static_cast<size_t>(stride) * (height - 1);
      so.lDelta = -stride;
    }
  }
  uint8_t* Row(LONG y) { return static_cast<uint8_t*>(so.pvScan0) + static_cast<ptrdiff_t>(y) * so.lDelta; }
  // 24-bit DIB pixels are stored blue, green, red.
  void SetBgr(LONG x, LONG y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = Row(y) + static_cast<size_t>(x) * (BitsOf(so.iBitmapFormat) / 8);
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
  SURFOBJ* surf() { return &so; }
};

// A translation table (XO_TABLE) from a source palette to device colours (0x00BBGGRR).
struct TableXlate {
  std::vector<ULONG> table;
  XLATEOBJ xlo{};
  explicit TableXlate(std::vector<ULONG> entries) : table(std::move(entries)) {
    xlo.flXlate = XO_TABLE;
    xlo.iSrcType = PAL_INDEXED;
    xlo.iDstType = PAL_RGB;
    xlo.cEntries = static_cast<ULONG>(table.size());
    xlo.pulXlate = table.data();
  }
  XLATEOBJ* get() { return &xlo; }
};

inline std::vector<ULONG> GreyRamp(size_t n) {
  std::vector<ULONG> t(n);
  for (size_t i = 0; i < n; ++i) {
    ULONG g = static_cast<ULONG>(n > 1 ? i * 255 / (n - 1) : 0);
    t[i] = g | (g << 8) | (g << 16);
  }
  return t;
}

// XO_TRIVIAL: source pixels are device colours already.
struct TrivialXlate {
  XLATEOBJ xlo{};
  TrivialXlate() {
    xlo.flXlate = XO_TRIVIAL;
    xlo.iSrcType = PAL_RGB;
    xlo.iDstType = PAL_RGB;
  }
  XLATEOBJ* get() { return &xlo; }
};

inline std::vector<pclxl::DecodedImage> Images(const std::vector<uint8_t>& bytes) {
  return pclxl::DecodeImages(pclxl::DecodeOperators(bytes));
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += (all.empty() ? "" : " | ") + l;
  return all;
}

}  // namespace imagetest
