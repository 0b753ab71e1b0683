// Text helpers of the machine's small programs that stand beside the platform (the command
// interpreter, the test peers and children): UTF-8 for their logs and output, and the command
// line after the program's own token, as WinMain receives it.
#pragma once

#include <string>
#include <string_view>

namespace plat_testing {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
inline std::string Utf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// The text after the program's own token (quoted, or up to the first blank) and the blanks
// that follow it: WinMain's lpCmdLine.
inline std::u16string_view AfterProgram(std::u16string_view line) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  size_t i = 0;
  while (i < line.size() && blank(line[i])) ++i;
  if (i < line.size() && line[i] == u'"') {
    size_t close = line.find(u'"', i + 1);
    i = close == std::u16string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !blank(line[i])) ++i;
  }
  while (i < line.size() && blank(line[i])) ++i;
  return line.substr(i);
}

}  // namespace plat_testing
