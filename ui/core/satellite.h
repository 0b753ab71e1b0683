// The satellite resource library (UiResourceDll) that holds every user-visible text of the
// library, and the library's own module handle that locates it.
#pragma once

#include <string>

#include <win/base.h>

namespace vm4k2ui {

// The library's own module handle, kept by DllMain at process attach.
HMODULE UiModuleHandle();
void SetUiModuleHandle(HMODULE module);

// Loads the satellite library of the current language from the folder of the library's own
// file. 0, or the system error (then *library is nullptr).
DWORD LoadResourceDll(HMODULE* library);
void FreeResourceDll(HMODULE library);

// The process's shared handle of the satellite library, used by the sheet entry points:
// loaded by the first caller that needs it (a failed load is tried again by the next one)
// and kept until FreeSharedResourceDll at process detach. nullptr when it cannot be loaded.
HMODULE SharedResourceDll();
void FreeSharedResourceDll();

// A string of the satellite library into `buffer` (capacity in characters, terminator
// included); a missing string, or no library, gives "id:<id> missing!", or an empty text and 0
// when that does not fit. Returns the length.
int LoadUiString(HMODULE library, UINT id, WCHAR* buffer, int capacity);
std::u16string LoadUiString(HMODULE library, UINT id);

}  // namespace vm4k2ui
