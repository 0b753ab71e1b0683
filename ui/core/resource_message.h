// Messages assembled from the satellite library's strings and the caller's values.
#pragma once

#include <cstdarg>

#include <win/base.h>

namespace vm4k2ui {

// Formats `format` into `buffer` (capacity in characters, terminator included):
//   %!  the next argument (UINT) is a string id of `satellite`
//   %s  a UTF-16 string (nullptr prints nothing)
//   %d %u %x %X  an int / unsigned number
//   %c  one UTF-16 character
// any other character after '%' is copied as it is. The text is cut at the capacity and
// always terminated; with no buffer or capacity 0 nothing is written. *needed (when given)
// is the number of characters the whole text needs, terminator included. Returns the
// characters written, terminator excluded.
int FormatResourceMessage(HMODULE satellite, WCHAR* buffer, int capacity, int* needed, const WCHAR* format, ...);
int FormatResourceMessageV(HMODULE satellite, WCHAR* buffer, int capacity, int* needed, const WCHAR* format,
                           va_list arguments);

}  // namespace vm4k2ui
