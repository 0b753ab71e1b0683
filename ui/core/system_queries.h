// Small questions the settings core asks the system: the locale's paper family, the calling
// program, the system's version class, the user's name, and two text helpers.
#pragma once

#include <cstddef>

#include <win/base.h>

namespace vm4k2ui {

// True (A4 country) unless the user's default locale has country code 1, 2, 50..59 or
// 500..599, or the code cannot be read: those take Letter.
bool IsMetricLocale();
// True when the calling program's executable file name equals `fileName`, ignoring case.
bool IsCallingProcess(const WCHAR* fileName);
// 0 unless the system's major version is 6; 1 for 6.0; 2 for 6.1 and later.
int GetOsClass();
// Cuts `path` after its last '\' or '/'; the separator stays.
void StripLastComponent(WCHAR* path);
// `text` in the OEM code page, terminated, into `buffer` of `capacity` bytes.
void WideToOem(char* buffer, size_t capacity, const WCHAR* text);
inline constexpr size_t kUserNameShortUnits = 32;
// The user name cut to 31 characters, or empty; `buffer` holds kUserNameShortUnits.
void GetUserNameShort(WCHAR* buffer);

}  // namespace vm4k2ui
