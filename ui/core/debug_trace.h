// The library's debug trace: one printf-style text to the debugger output.
#pragma once

#include <cstdarg>

#include <win/base.h>

namespace vm4k2ui {

inline constexpr size_t kTraceFirstBufferChars = 1024;
inline constexpr int kTraceAttempts = 10;  // so at most 1024 << 9 = 524288 characters

// Formats the text and hands it to OutputDebugStringA. The buffer starts at 1024 characters
// and doubles while the text does not fit, ten attempts in all; a text still too long is cut
// there. TRUE when the whole text was formatted; FALSE when it was cut or could not be
// formatted, and FALSE without any output when memory runs out.
BOOL DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
BOOL DebugTraceV(const char* format, va_list arguments);

}  // namespace vm4k2ui
