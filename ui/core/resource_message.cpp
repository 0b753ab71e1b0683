#include "ui/core/resource_message.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "ui/core/satellite.h"

namespace vm4k2ui {

namespace {

constexpr int kScratchUnits = 256;

void AppendNumber(std::u16string* text, const char* pattern, unsigned value, bool isSigned) {
  char scratch[kScratchUnits];
  if (isSigned) {
    std::snprintf(scratch, sizeof(scratch), pattern, static_cast<int>(value));
  } else {
    std::snprintf(scratch, sizeof(scratch), pattern, value);
  }
  for (const char* p = scratch; *p != 0; ++p) text->push_back(static_cast<char16_t>(*p));
}

}  // namespace

int FormatResourceMessageV(HMODULE satellite, WCHAR* buffer, int capacity, int* needed, const WCHAR* format,
                           va_list arguments) {
  std::u16string text;
  for (const WCHAR* p = format; p != nullptr && *p != 0; ++p) {
    if (*p != u'%' || p[1] == 0) {
      text.push_back(*p);
      continue;
    }
    const WCHAR directive = *++p;
    switch (directive) {
      case u'!': {
        WCHAR loaded[kScratchUnits + 1] = {};
        LoadUiString(satellite, va_arg(arguments, UINT), loaded, kScratchUnits + 1);
        text += loaded;
        break;
      }
      case u's': {
        if (const WCHAR* s = va_arg(arguments, const WCHAR*)) text += s;
        break;
      }
      case u'd': AppendNumber(&text, "%d", va_arg(arguments, unsigned), true); break;
      case u'u': AppendNumber(&text, "%u", va_arg(arguments, unsigned), false); break;
      case u'x': AppendNumber(&text, "%x", va_arg(arguments, unsigned), false); break;
      case u'X': AppendNumber(&text, "%X", va_arg(arguments, unsigned), false); break;
      case u'c': text.push_back(static_cast<WCHAR>(va_arg(arguments, int))); break;
      default: text.push_back(directive); break;
    }
  }
  if (needed != nullptr) *needed = static_cast<int>(text.size()) + 1;
  if (buffer == nullptr || capacity <= 0) return 0;
  const int written = std::min(static_cast<int>(text.size()), capacity - 1);
  text.copy(buffer, static_cast<size_t>(written));
  buffer[written] = 0;
  return written;
}

int FormatResourceMessage(HMODULE satellite, WCHAR* buffer, int capacity, int* needed, const WCHAR* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = FormatResourceMessageV(satellite, buffer, capacity, needed, format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace vm4k2ui
