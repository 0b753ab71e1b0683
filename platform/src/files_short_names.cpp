// Short (8.3) path names: the machine has none, as a volume with 8.3 names turned off.
#include <cstring>

#include <win/files.h>

#include "internal/controls.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/unicode.h"

extern "C" {

WINBASEAPI DWORD WINAPI GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) {
  if (!lpszLongPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (long long error = plat::GetControlInt("ShortPathError", 0)) {
    SetLastError(static_cast<DWORD>(error));
    return 0;
  }
  std::u16string_view given = plat::WideView(lpszLongPath);
  plat::ResolvedPath path = plat::ResolveMachinePath(given);
  if (!path.exists) {
    SetLastError(plat::MissingEntryError(path));
    return 0;
  }
  if (!lpszShortPath || cchBuffer <= given.size()) return static_cast<DWORD>(given.size() + 1);
  std::memmove(lpszShortPath, given.data(), given.size() * sizeof(WCHAR));
  lpszShortPath[given.size()] = 0;
  return static_cast<DWORD>(given.size());
}

}  // extern "C"
