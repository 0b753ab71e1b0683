#include "ui/core/system_queries.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <win/modules.h>
#include <win/strings.h>
#include <win/system.h>

namespace vm4k2ui {

namespace {

// Country codes of the Letter countries: North America and most of the Americas.
bool IsLetterCountry(long code) {
  return code == 1 || code == 2 || (code >= 50 && code <= 59) || (code >= 500 && code <= 599);
}

long ParseNumber(const WCHAR* text) {
  long value = 0;
  bool negative = false;
  size_t i = 0;
  if (text[i] == u'-') {
    negative = true;
    ++i;
  }
  for (; text[i] >= u'0' && text[i] <= u'9' && value < 100000; ++i) value = value * 10 + (text[i] - u'0');
  return negative ? -value : value;
}

}  // namespace

bool IsMetricLocale() {
  WCHAR country[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, 16) == 0) return false;
  country[15] = 0;
  return !IsLetterCountry(ParseNumber(country));
}

bool IsCallingProcess(const WCHAR* fileName) {
  if (fileName == nullptr) return false;
  WCHAR path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const WCHAR* name = path;
  for (const WCHAR* p = path; *p != 0; ++p) {
    if (*p == u'\\' || *p == u'/' || *p == u':') name = p + 1;
  }
  return lstrcmpiW(name, fileName) == 0;
}

int GetOsClass() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info) || info.dwMajorVersion != 6) return 0;
  return info.dwMinorVersion == 0 ? 1 : 2;
}

void StripLastComponent(WCHAR* path) {
  if (path == nullptr) return;
  WCHAR* cut = nullptr;
  for (WCHAR* p = path; *p != 0; ++p) {
    if (*p == u'\\' || *p == u'/') cut = p + 1;
  }
  if (cut != nullptr) *cut = 0;
}

void WideToOem(char* buffer, size_t capacity, const WCHAR* text) {
  if (buffer == nullptr || capacity == 0) return;
  buffer[0] = 0;
  if (text == nullptr) return;
  // Size first, then the whole conversion, so a text that does not fit is cut at a
  // character boundary instead of being left half-written.
  const int needed = WideCharToMultiByte(CP_OEMCP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  std::string converted(static_cast<size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_OEMCP, 0, text, -1, converted.data(), needed, nullptr, nullptr) <= 0) return;
  const size_t length = std::min(std::strlen(converted.c_str()), capacity - 1);
  std::memcpy(buffer, converted.data(), length);
  buffer[length] = 0;
}

void GetUserNameShort(WCHAR* buffer) {
  if (buffer == nullptr) return;
  buffer[0] = 0;
  WCHAR name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size)) return;
  size_t i = 0;
  for (; i + 1 < kUserNameShortUnits && name[i] != 0; ++i) buffer[i] = name[i];
  buffer[i] = 0;
}

}  // namespace vm4k2ui
