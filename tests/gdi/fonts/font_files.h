// Font files the font tests read: the host's Debian fonts, the generated test fonts, and
// fontTools' listing of their glyphs.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fonttest {

using Bytes = std::vector<uint8_t>;

inline const std::string kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline const std::string kDejaVuSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";
inline const std::string kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
inline const std::string kNimbusSansOtf = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
inline const std::string kNimbusSansType1 = "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1";

inline std::string Generated(const std::string& name) { return std::string(VELMOR_TEST_FONTS_DIR) + "/" + name; }

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One line of make_test_fonts.py's listing.
struct GlyphLine {
  uint32_t character;
  uint32_t glyph;
  uint32_t advance;
  int32_t lsb;
  uint32_t offset;  // in 'glyf'
  uint32_t length;
  std::vector<uint32_t> components;
};

inline std::vector<GlyphLine> ReadListing(const std::string& path) {
  std::vector<GlyphLine> lines;
  std::ifstream in(path);
  std::string text;
  while (std::getline(in, text)) {
    std::istringstream fields(text);
    GlyphLine line{};
    std::string components;
    fields >> line.character >> line.glyph >> line.advance >> line.lsb >> line.offset >> line.length >> components;
    if (components != "-") {
      std::istringstream parts(components);
      std::string part;
      while (std::getline(parts, part, ',')) line.components.push_back(static_cast<uint32_t>(std::stoul(part)));
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace fonttest
