#include "ui/core/debug_trace.h"

#include <cstdio>

#include <win/memory.h>
#include <win/system.h>

namespace vm4k2ui {

BOOL DebugTraceV(const char* format, va_list arguments) {
  if (format == nullptr) return FALSE;
  size_t capacity = kTraceFirstBufferChars;
  for (int attempt = 1;; ++attempt, capacity *= 2) {
    // The heap the machine controls, so that a failing allocation is seen here as it would be
    // on a loaded system.
    char* buffer = static_cast<char*>(LocalAlloc(LMEM_FIXED, capacity));
    if (buffer == nullptr) return FALSE;
    // Each attempt walks the arguments from the start, which a consumed va_list cannot do.
    va_list pass;
    va_copy(pass, arguments);
    const int length = std::vsnprintf(buffer, capacity, format, pass);
    va_end(pass);
    const bool fits = length >= 0 && static_cast<size_t>(length) < capacity;
    if (fits || attempt == kTraceAttempts) {
      buffer[capacity - 1] = '\0';
      if (length >= 0) OutputDebugStringA(buffer);
      LocalFree(buffer);
      return fits ? TRUE : FALSE;
    }
    LocalFree(buffer);
  }
}

BOOL DebugTrace(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const BOOL formatted = DebugTraceV(format, arguments);
  va_end(arguments);
  return formatted;
}

}  // namespace vm4k2ui
