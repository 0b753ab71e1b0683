// Version, processor, locale and language, computer and user name and the system folders, as
// the machine's controls set them. The defaults describe a 64-bit Windows 7 SP1 workstation
// in the United States with English as every language.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include <win/system.h>

#include "internal/controls.h"
#include "internal/machine_layout.h"
#include "internal/system_state.h"
#include "internal/unicode.h"

namespace {

constexpr LANGID kDefaultLanguage = 0x0409;

struct OsVersion {
  DWORD major = 6, minor = 1, build = 7601;
  std::u16string servicePack = u"Service Pack 1";
  WORD servicePackMajor = 1;
  BYTE productType = VER_NT_WORKSTATION;
};

OsVersion CurrentOsVersion() {
  OsVersion v;
  std::optional<std::string> text = plat::GetControl(plat::kControlOsVersion);
  if (text) {
    unsigned major = 0, minor = 0, build = 0;
    int fields = std::sscanf(text->c_str(), "%u.%u.%u", &major, &minor, &build);
    if (fields >= 1) {
      v.major = major;
      v.minor = fields >= 2 ? minor : 0;
      v.build = fields >= 3 ? build : 0;
      v.servicePack.clear();
      v.servicePackMajor = 0;
    }
  }
  if (std::optional<std::string> sp = plat::GetControl(plat::kControlOsServicePack)) {
    v.servicePack = plat::FromUtf8(*sp);
    unsigned n = 0;
    v.servicePackMajor = std::sscanf(sp->c_str(), "Service Pack %u", &n) == 1 ? static_cast<WORD>(n) : 0;
  }
  return v;
}

// One row per locale the machine knows; a language outside the table borrows the row of its
// primary language, or the first row.
struct LocaleRow {
  LCID lcid;
  int country;
  const char16_t* iso639;
  const char16_t* iso3166;
  const char16_t* language;
  const char16_t* countryName;
  const char16_t* decimal;
  const char16_t* thousand;
  const char16_t* list;
  int measure;  // 0 metric, 1 U.S.
  int paper;    // 1 Letter, 9 A4
  int ansiPage;
  int oemPage;
};

constexpr LocaleRow kLocales[] = {
    {0x0409, 1, u"en", u"US", u"English", u"United States", u".", u",", u",", 1, 1, 1252, 437},
    {0x0809, 44, u"en", u"GB", u"English", u"United Kingdom", u".", u",", u",", 0, 9, 1252, 850},
    {0x1009, 2, u"en", u"CA", u"English", u"Canada", u".", u",", u",", 0, 1, 1252, 850},
    {0x0407, 49, u"de", u"DE", u"German", u"Germany", u",", u".", u";", 0, 9, 1252, 850},
    {0x040C, 33, u"fr", u"FR", u"French", u"France", u",", u"\u00A0", u";", 0, 9, 1252, 850},
    {0x0C0C, 2, u"fr", u"CA", u"French", u"Canada", u",", u"\u00A0", u";", 0, 1, 1252, 850},
    {0x0410, 39, u"it", u"IT", u"Italian", u"Italy", u",", u".", u";", 0, 9, 1252, 850},
    {0x0C0A, 34, u"es", u"ES", u"Spanish", u"Spain", u",", u".", u";", 0, 9, 1252, 850},
    {0x080A, 52, u"es", u"MX", u"Spanish", u"Mexico", u".", u",", u",", 0, 1, 1252, 850},
    {0x0416, 55, u"pt", u"BR", u"Portuguese", u"Brazil", u",", u".", u";", 0, 9, 1252, 850},
    {0x0413, 31, u"nl", u"NL", u"Dutch", u"Netherlands", u",", u".", u";", 0, 9, 1252, 850},
    {0x041D, 46, u"sv", u"SE", u"Swedish", u"Sweden", u",", u"\u00A0", u";", 0, 9, 1252, 850},
    {0x0414, 47, u"nb", u"NO", u"Norwegian", u"Norway", u",", u"\u00A0", u";", 0, 9, 1252, 850},
    {0x0415, 48, u"pl", u"PL", u"Polish", u"Poland", u",", u"\u00A0", u";", 0, 9, 1250, 852},
    {0x0419, 7, u"ru", u"RU", u"Russian", u"Russia", u",", u"\u00A0", u";", 0, 9, 1251, 866},
    {0x0401, 966, u"ar", u"SA", u"Arabic", u"Saudi Arabia", u".", u",", u";", 0, 9, 1256, 720},
    {0x0411, 81, u"ja", u"JP", u"Japanese", u"Japan", u".", u",", u",", 0, 9, 932, 932},
    {0x0412, 82, u"ko", u"KR", u"Korean", u"Korea", u".", u",", u",", 0, 9, 949, 949},
    {0x0804, 86, u"zh", u"CN", u"Chinese", u"China", u".", u",", u",", 0, 9, 936, 936},
    {0x0404, 886, u"zh", u"TW", u"Chinese", u"Taiwan", u".", u",", u",", 0, 9, 950, 950},
};

const LocaleRow* FindLocale(LANGID lang) {
  for (const LocaleRow& row : kLocales)
    if (LANGIDFROMLCID(row.lcid) == lang) return &row;
  for (const LocaleRow& row : kLocales)
    if (PRIMARYLANGID(row.lcid) == PRIMARYLANGID(lang)) return &row;
  return nullptr;
}

LANGID ControlLanguage(const char* name) {
  long long v = plat::GetControlInt(name, kDefaultLanguage);
  return v > 0 && v <= 0xFFFF ? static_cast<LANGID>(v) : kDefaultLanguage;
}

std::u16string Decimal(long long v) { return plat::FromUtf8(std::to_string(v)); }

std::u16string Hex4(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", v & 0xFFFF);
  return plat::FromUtf8(text);
}

// Copies `text` out by the "size first, then data" rule of the text-returning calls: the
// answer counts the terminator.
int ReturnLocaleText(const std::u16string& text, LPWSTR buffer, int cch) {
  int needed = static_cast<int>(text.size()) + 1;
  if (cch == 0) return needed;
  if (cch < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  return needed;
}

UINT ReturnFolder(const std::u16string& path, LPWSTR buffer, UINT size) {
  if (!buffer || size <= path.size()) return static_cast<UINT>(path.size() + 1);
  std::memcpy(buffer, path.data(), path.size() * sizeof(WCHAR));
  buffer[path.size()] = 0;
  return static_cast<UINT>(path.size());
}

void FillSystemInfo(LPSYSTEM_INFO info) {
  std::memset(info, 0, sizeof *info);
  long long arch = plat::GetControlInt(plat::kControlProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  bool wide = arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == PROCESSOR_ARCHITECTURE_IA64 ||
              arch == PROCESSOR_ARCHITECTURE_ARM64;
  info->u.s.wProcessorArchitecture = static_cast<WORD>(arch);
  info->dwPageSize = 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  info->lpMaximumApplicationAddress =
      reinterpret_cast<LPVOID>(wide ? static_cast<uintptr_t>(0x7FFFFFFEFFFFull) : static_cast<uintptr_t>(0x7FFEFFFF));
  unsigned count = std::thread::hardware_concurrency();
  if (count == 0) count = 1;
  if (count > 32) count = 32;
  info->dwNumberOfProcessors = count;
  info->dwActiveProcessorMask = count >= 64 ? ~0ull : ((1ull << count) - 1);
  info->dwProcessorType = arch == PROCESSOR_ARCHITECTURE_INTEL ? PROCESSOR_INTEL_PENTIUM : PROCESSOR_AMD_X8664;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
  info->wProcessorRevision = 0x3A09;
}

}  // namespace

namespace plat {

std::u16string MachineComputerName() {
  std::optional<std::string> name = GetControl(kControlComputerName);
  return name && !name->empty() ? FromUtf8(*name) : u"WORKSTATION";
}

}  // namespace plat

extern "C" {

WINBASEAPI BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = lpVersionInformation->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  OsVersion v = CurrentOsVersion();
  lpVersionInformation->dwMajorVersion = v.major;
  lpVersionInformation->dwMinorVersion = v.minor;
  lpVersionInformation->dwBuildNumber = v.build;
  lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  size_t n = v.servicePack.size() < 127 ? v.servicePack.size() : 127;
  std::memcpy(lpVersionInformation->szCSDVersion, v.servicePack.data(), n * sizeof(WCHAR));
  if (size == sizeof(OSVERSIONINFOEXW)) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation);
    ex->wServicePackMajor = v.servicePackMajor;
    ex->wServicePackMinor = 0;
    ex->wSuiteMask = 0x0100;  // VER_SUITE_SINGLEUSERTS, as a workstation reports
    ex->wProductType = v.productType;
    ex->wReserved = 0;
  }
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetVersion(void) {
  OsVersion v = CurrentOsVersion();
  return (v.major & 0xFF) | ((v.minor & 0xFF) << 8) | ((v.build & 0x7FFF) << 16);
}

WINBASEAPI void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  if (lpSystemInfo) FillSystemInfo(lpSystemInfo);
}

WINBASEAPI void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  if (lpSystemInfo) FillSystemInfo(lpSystemInfo);
}

WINBASEAPI LANGID WINAPI GetSystemDefaultLangID(void) { return ControlLanguage(plat::kControlSystemLanguage); }
WINBASEAPI LANGID WINAPI GetUserDefaultLangID(void) { return ControlLanguage(plat::kControlUserLanguage); }
WINBASEAPI LANGID WINAPI GetUserDefaultUILanguage(void) { return ControlLanguage(plat::kControlUserLanguage); }
WINBASEAPI LANGID WINAPI GetSystemDefaultUILanguage(void) { return ControlLanguage(plat::kControlSystemLanguage); }
WINBASEAPI LCID WINAPI GetSystemDefaultLCID(void) { return MAKELCID(GetSystemDefaultLangID(), SORT_DEFAULT); }
WINBASEAPI LCID WINAPI GetUserDefaultLCID(void) { return MAKELCID(GetUserDefaultLangID(), SORT_DEFAULT); }

WINBASEAPI int WINAPI GetLocaleInfoW(LCID Locale, LCTYPE LCType, LPWSTR lpLCData, int cchData) {
  if (cchData < 0 || (cchData > 0 && !lpLCData)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (plat::GetControlInt(plat::kControlLocaleUnreadable, 0) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  bool number = (LCType & LOCALE_RETURN_NUMBER) != 0;
  LCType &= ~static_cast<LCTYPE>(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);

  LANGID lang = LANGIDFROMLCID(Locale);
  bool userLocale = false, defaultLocale = true;
  if (Locale == LOCALE_USER_DEFAULT || Locale == LOCALE_NEUTRAL || lang == GetUserDefaultLangID()) {
    lang = GetUserDefaultLangID();
    userLocale = true;
  } else if (Locale == LOCALE_SYSTEM_DEFAULT) {
    lang = GetSystemDefaultLangID();
    userLocale = lang == GetUserDefaultLangID();
  } else if (Locale == LOCALE_INVARIANT) {
    lang = kDefaultLanguage;
  } else {
    defaultLocale = false;
  }
  // The machine's own locales always answer, whatever language a test gave them.
  const LocaleRow* row = FindLocale(lang);
  if (!row && defaultLocale) row = &kLocales[0];
  if (!row) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  long long country = row->country;
  if (userLocale) country = plat::GetControlInt(plat::kControlCountryCode, country);

  std::u16string text;
  long long value = -1;
  switch (LCType) {
    case LOCALE_ILANGUAGE:
    case LOCALE_IDEFAULTLANGUAGE: text = Hex4(lang); value = lang; break;
    case LOCALE_SLANGUAGE:
    case LOCALE_SENGLANGUAGE: text = row->language; break;
    case LOCALE_ICOUNTRY:
    case LOCALE_IDEFAULTCOUNTRY: value = country; text = Decimal(country); break;
    case LOCALE_SCOUNTRY:
    case LOCALE_SENGCOUNTRY: text = row->countryName; break;
    case LOCALE_IDEFAULTCODEPAGE: value = row->oemPage; text = Decimal(value); break;
    case LOCALE_IDEFAULTANSICODEPAGE: value = row->ansiPage; text = Decimal(value); break;
    case LOCALE_IMEASURE: value = row->measure; text = Decimal(value); break;
    case LOCALE_IPAPERSIZE: value = row->paper; text = Decimal(value); break;
    case LOCALE_SDECIMAL: text = row->decimal; break;
    case LOCALE_STHOUSAND: text = row->thousand; break;
    case LOCALE_SLIST: text = row->list; break;
    case LOCALE_SISO639LANGNAME: text = row->iso639; break;
    case LOCALE_SISO3166CTRYNAME: text = row->iso3166; break;
    case LOCALE_SNAME: text = std::u16string(row->iso639) + u"-" + row->iso3166; break;
    default:
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
  }
  if (number) {
    if (value < 0) {
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
    }
    // The number is stored as a DWORD in the buffer, which counts as two characters.
    if (cchData == 0) return 2;
    if (cchData < 2) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    DWORD n = static_cast<DWORD>(value);
    std::memcpy(lpLCData, &n, sizeof n);
    return 2;
  }
  return ReturnLocaleText(text, lpLCData, cchData);
}

WINBASEAPI BOOL WINAPI GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
  if (!nSize || (*nSize > 0 && !lpBuffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string name = plat::MachineComputerName();
  if (*nSize <= name.size()) {
    *nSize = static_cast<DWORD>(name.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::memcpy(lpBuffer, name.data(), name.size() * sizeof(WCHAR));
  lpBuffer[name.size()] = 0;
  *nSize = static_cast<DWORD>(name.size());
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) {
  if (!pcbBuffer || (*pcbBuffer > 0 && !lpBuffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::GetControlInt(plat::kControlUserNameUnreadable, 0) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::u16string name = plat::MachineUserName();
  DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (*pcbBuffer < needed) {
    *pcbBuffer = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(lpBuffer, name.data(), name.size() * sizeof(WCHAR));
  lpBuffer[name.size()] = 0;
  *pcbBuffer = needed;
  return TRUE;
}

WINBASEAPI UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  return ReturnFolder(u"C:\\Windows\\System32", lpBuffer, uSize);
}

WINBASEAPI UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  return ReturnFolder(u"C:\\Windows", lpBuffer, uSize);
}

WINBASEAPI UINT WINAPI GetSystemWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  return ReturnFolder(u"C:\\Windows", lpBuffer, uSize);
}

}  // extern "C"
