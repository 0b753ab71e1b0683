// Synthetic 8-bit pages of an A4 sheet at 600 dpi (4960 x 7016 dots), the raster the row
// encoders see most: a photograph (smooth tones with sensor noise: mostly literal runs) and a
// scanned text page (white paper with dark strokes: mostly repeat runs).
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace benchpages {

constexpr uint32_t kA4Width = 4960;
constexpr uint32_t kA4Height = 7016;

struct Page {
  uint32_t width;
  uint32_t height;
  std::vector<uint8_t> pixels;  // top-down rows of `width` bytes
  const uint8_t* Row(uint32_t y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

inline Page Photograph(uint32_t width = kA4Width, uint32_t height = kA4Height) {
  Page page{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
  std::mt19937 random(1);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      double tone = 128 + 60 * std::sin(x / 310.0) * std::cos(y / 420.0) + 40 * std::sin((x + y) / 97.0);
      int noisy = static_cast<int>(tone) + static_cast<int>(random() % 7) - 3;
      row[x] = static_cast<uint8_t>(noisy < 0 ? 0 : noisy > 255 ? 255 : noisy);
    }
  }
  return page;
}

inline Page ScannedText(uint32_t width = kA4Width, uint32_t height = kA4Height) {
  Page page{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, 0xFF)};
  std::mt19937 random(2);
  // Lines of 12-point text: 100 dots apart, glyph bodies 60 dots high, strokes 4 to 12 dots
  // wide with a soft edge of scanner grey; margins of 1 inch.
  for (uint32_t top = 600; top + 100 < height - 600; top += 100) {
    for (uint32_t x = 600; x < width - 600;) {
      uint32_t stroke = 4 + random() % 9;
      uint32_t gap = 8 + random() % 40;
      uint32_t from = top + random() % 20, to = top + 40 + random() % 20;
      for (uint32_t y = from; y < to; ++y) {
        uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * width;
        row[x] = 0xA0;
        for (uint32_t k = 1; k + 1 < stroke; ++k) row[x + k] = static_cast<uint8_t>(random() % 24);
        row[x + stroke - 1] = 0x90;
      }
      x += stroke + gap;
    }
  }
  return page;
}

}  // namespace benchpages
