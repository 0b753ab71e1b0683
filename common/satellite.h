// The language of the status programs and the satellite library (StatusResourceDll) that
// carries their dialogs, strings, icons, bitmaps and menus. The user-interface library has its
// own rule with other tables; the two are not shared.
#pragma once

#include <cstddef>

#include <win/base.h>

namespace vm4k2common {

inline constexpr const WCHAR* kDriverModelName = u"Velmor K8000 Series PCL6";
inline constexpr size_t kLanguageNameUnits = 64;  // 63 and the terminator

// The "Language" value under HKLM "Software\Velmor K8000 Series PCL6" (written by the package's
// installer), cut to 63 units; empty when the key or the value is missing, is not text or does
// not fit the 256 bytes it is read into.
void ReadUiLanguage(WCHAR (&name)[kLanguageNameUnits]);

// The language name of a primary language id (the low 10 bits of a LANGID); English for any
// language without a library of its own.
LPCWSTR LanguageNameOf(WORD primaryLanguage);
// The library's file name for a language name, compared whole and case-sensitive; English's for
// any other name.
LPCWSTR SatelliteFileOf(LPCWSTR languageName);

// The full path (MAX_PATH units) of the library to load: beside the program's own file.
// FALSE when the program's path does not leave room for it.
BOOL GetSatelliteDllPath(WCHAR* path);

}  // namespace vm4k2common
