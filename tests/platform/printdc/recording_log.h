// The log both recording libraries append to: one line per call, in the order the DC made the
// calls. The test names the file (inside its machine) in VELMOR_RECORDING_LOG.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

inline void RecordCall(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void RecordCall(const char* format, ...) {
  const char* path = std::getenv("VELMOR_RECORDING_LOG");
  if (!path) return;
  FILE* log = std::fopen(path, "a");
  if (!log) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(log, format, args);
  va_end(args);
  std::fputc('\n', log);
  std::fclose(log);
}
