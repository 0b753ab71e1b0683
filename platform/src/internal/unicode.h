// Text conversions used inside the stand-in. UTF-16 is the platform's text; the host's file
// names and our own state files are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include <win/base.h>

namespace plat {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Length of a NUL-terminated UTF-16 string; 0 for nullptr.
size_t WideLength(const WCHAR* text);
inline std::u16string_view WideView(const WCHAR* text) { return text ? std::u16string_view(text, WideLength(text)) : std::u16string_view(); }
// Case folding for the Latin ranges, as the platform's case-insensitive comparisons do.
WCHAR FoldCase(WCHAR c);
WCHAR UpperCase(WCHAR c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCaseUtf8(std::string_view a, std::string_view b);

}  // namespace plat
