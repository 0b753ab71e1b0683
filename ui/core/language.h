// The language of the user interface and the satellite library that carries it: the
// "Language" value of the driver's key wins, else the system language decides.
#pragma once

#include <cstddef>

#include <win/base.h>

namespace vm4k2ui {

inline constexpr size_t kLanguageNameUnits = 128;
inline constexpr const WCHAR* kDriverModelName = u"Velmor K8000 Series PCL6";

// Set once the satellite library's name is chosen for "Arabic" / "Russian"; never cleared.
bool UiRightToLeft();
bool UiDecimalComma();

// The "Language" value, cut to 127 characters; empty when the key or value is missing.
void ReadUiLanguage(WCHAR* out);
// The language name for the system default language id.
void GetSystemUiLanguage(WCHAR* out);
void GetUiLanguage(WCHAR* out);
// The satellite library's file name (kLanguageNameUnits), and the help file part.
WCHAR* GetResourceDllName(WCHAR* out);
WCHAR* GetHelpFileName(WCHAR* out);

}  // namespace vm4k2ui
