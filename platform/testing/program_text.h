// Text helpers of the machine's small programs that stand beside the platform (the command
// interpreter, the test peers and children): UTF-8 for their logs and output, and the command
// line after the program's own token, as WinMain receives it.
#pragma once

#include <string>
#include <string_view>

#include <win/strings.h>

namespace plat_testing {

// UTF-16 to UTF-8 through the platform's own conversion (a lone surrogate becomes U+FFFD).
inline std::string Utf8(std::u16string_view text) {
  if (text.empty() || text.size() > 0x7FFFFFFF / 3) return {};
  const int length = static_cast<int>(text.size());
  std::string out(static_cast<size_t>(length) * 3, '\0');
  const int written = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(text.data()), length, out.data(),
                                          static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
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
