// The machine's single-byte code pages (1252 as the ANSI page, 437 as the OEM page) and the
// conversions that the formatting and text functions share.
#pragma once

#include <string>
#include <string_view>

#include <win/base.h>

namespace plat {

constexpr UINT kAnsiCodePage = 1252;
constexpr UINT kOemCodePage = 437;

// The code page CP_ACP, CP_OEMCP, CP_THREAD_ACP or a page number stands for, or 0 when the
// machine has no such page.
UINT ResolveCodePage(UINT codePage);
bool IsSingleByteCodePage(UINT page);
WCHAR SingleByteToWide(UINT page, unsigned char byte);
// False when the page has no byte for the character (no best-fit substitutes).
bool WideToSingleByte(UINT page, WCHAR c, unsigned char& byte);

// ANSI text of the machine (1252) to and from UTF-16; unmappable characters become '?'.
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);

}  // namespace plat
