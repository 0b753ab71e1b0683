#include "common/satellite.h"

#include <win/modules.h>
#include <win/registry.h>
#include <win/strings.h>
#include <win/system.h>

namespace vm4k2common {

namespace {

struct LanguageRow {
  WORD primary;
  LPCWSTR name;
  LPCWSTR file;
};
// English stands first: it is the answer for every language not listed.
constexpr LanguageRow kLanguages[] = {
    {0x09, u"English", u"vm4k2smrcenus.dll"},  {0x04, u"Simplified_Chinese", u"vm4k2smrczhcn.dll"},
    {0x19, u"Russian", u"vm4k2smrcru.dll"},    {0x01, u"Arabic", u"vm4k2smrcar.dll"},
    {0x0C, u"French", u"vm4k2smrcfr.dll"},     {0x10, u"Italian", u"vm4k2smrcit.dll"},
    {0x0A, u"Spanish", u"vm4k2smrcesmx.dll"},  {0x11, u"Japanese", u"vm4k2smrcja.dll"},
    {0x1D, u"Swedish", u"vm4k2smrcsv.dll"},    {0x14, u"Norwegian", u"vm4k2smrcno.dll"},
};

constexpr DWORD kLanguageValueBytes = 256;

}  // namespace

void ReadUiLanguage(WCHAR (&name)[kLanguageNameUnits]) {
  name[0] = 0;
  WCHAR keyPath[MAX_PATH];
  wsprintfW(keyPath, u"Software\\%s", kDriverModelName);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  WCHAR value[kLanguageValueBytes / sizeof(WCHAR) + 1] = {};  // one unit more for the terminator
  DWORD type = 0;
  DWORD bytes = kLanguageValueBytes;
  const LSTATUS status = RegQueryValueExW(key, u"Language", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
  RegCloseKey(key);
  // A value too long for the buffer is no language name this package wrote.
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return;
  value[bytes / sizeof(WCHAR) < kLanguageValueBytes / sizeof(WCHAR) ? bytes / sizeof(WCHAR) : kLanguageValueBytes / sizeof(WCHAR)] = 0;
  lstrcpynW(name, value, static_cast<int>(kLanguageNameUnits));
}

LPCWSTR LanguageNameOf(WORD primaryLanguage) {
  for (const LanguageRow& row : kLanguages)
    if (row.primary == primaryLanguage) return row.name;
  return kLanguages[0].name;
}

LPCWSTR SatelliteFileOf(LPCWSTR languageName) {
  for (const LanguageRow& row : kLanguages)
    if (lstrcmpW(row.name, languageName) == 0) return row.file;
  return kLanguages[0].file;
}

BOOL GetSatelliteDllPath(WCHAR* path) {
  WCHAR language[kLanguageNameUnits];
  ReadUiLanguage(language);
  LPCWSTR name = language[0] != 0 ? language : LanguageNameOf(static_cast<WORD>(GetSystemDefaultLangID() & 0x3FF));
  LPCWSTR file = SatelliteFileOf(name);

  path[0] = 0;
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    path[0] = 0;
    return FALSE;
  }
  int cut = 0;
  for (int i = 0; path[i] != 0; ++i)
    if (path[i] == u'\\') cut = i + 1;
  path[cut] = 0;
  if (cut + lstrlenW(file) >= MAX_PATH) {
    path[0] = 0;
    return FALSE;
  }
  lstrcatW(path, file);
  return TRUE;
}

}  // namespace vm4k2common
