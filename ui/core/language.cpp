#include "ui/core/language.h"

#include <atomic>
#include <string>
#include <string_view>

#include <win/registry.h>
#include <win/system.h>

namespace vm4k2ui {

namespace {

std::atomic<bool> g_rightToLeft{false};
std::atomic<bool> g_decimalComma{false};

struct LanguageFiles {
  std::u16string_view language;
  std::u16string_view satellite;
  std::u16string_view help;
};

// The first row is also the answer for a language no row names.
constexpr LanguageFiles kLanguageFiles[] = {
    {u"English", u"vm4k2enus.dll", u"\\3\\vm4k2enus.chm"},
    {u"Simplified_Chinese", u"vm4k2zhcn.dll", u"\\3\\vm4k2zhcn.chm"},
    {u"Russian", u"vm4k2ru.dll", u"\\3\\vm4k2ru.chm"},
    {u"Japanese", u"vm4k2ja.dll", u"\\3\\vm4k2ja.chm"},
    {u"Arabic", u"vm4k2ar.dll", u"\\3\\vm4k2ar.chm"},
    {u"French", u"vm4k2fr.dll", u"\\3\\vm4k2fr.chm"},
    {u"Italian", u"vm4k2it.dll", u"\\3\\vm4k2it.chm"},
    {u"Spanish", u"vm4k2esmx.dll", u"\\3\\vm4k2esmx.chm"},
    {u"Swedish", u"vm4k2sv.dll", u"\\3\\vm4k2sv.chm"},
    {u"Norwegian", u"vm4k2no.dll", u"\\3\\vm4k2no.chm"},
};

struct SystemLanguage {
  LANGID id;
  std::u16string_view language;
};

constexpr SystemLanguage kSystemLanguages[] = {
    {1025, u"Arabic"}, {2049, u"Arabic"}, {3073, u"Arabic"}, {4097, u"Arabic"}, {5121, u"Arabic"},
    {6145, u"Arabic"}, {7169, u"Arabic"}, {8193, u"Arabic"}, {9217, u"Arabic"}, {10241, u"Arabic"},
    {11265, u"Arabic"}, {12289, u"Arabic"}, {13313, u"Arabic"}, {14337, u"Arabic"}, {15361, u"Arabic"},
    {16385, u"Arabic"},
    {1028, u"Simplified_Chinese"}, {2052, u"Simplified_Chinese"}, {3076, u"Simplified_Chinese"},
    {4100, u"Simplified_Chinese"}, {5124, u"Simplified_Chinese"},
    {1033, u"English"}, {2057, u"English"}, {3081, u"English"}, {4105, u"English"}, {5129, u"English"},
    {6153, u"English"}, {7177, u"English"}, {8201, u"English"}, {9225, u"English"}, {10249, u"English"},
    {11273, u"English"}, {12297, u"English"}, {13321, u"English"}, {16393, u"English"}, {17417, u"English"},
    {18441, u"English"},
    {1036, u"French"}, {2060, u"French"}, {3084, u"French"}, {4108, u"French"}, {5132, u"French"},
    {6156, u"French"},
    {1040, u"Italian"}, {2064, u"Italian"},
    {1041, u"Japanese"},
    {1044, u"Norwegian"}, {2068, u"Norwegian"},
    {1049, u"Russian"},
    {1053, u"Swedish"}, {2077, u"Swedish"},
    {2058, u"Spanish"}, {3082, u"Spanish"}, {4106, u"Spanish"}, {5130, u"Spanish"}, {6154, u"Spanish"},
    {7178, u"Spanish"}, {8202, u"Spanish"}, {9226, u"Spanish"}, {10250, u"Spanish"}, {11274, u"Spanish"},
    {12298, u"Spanish"}, {13322, u"Spanish"}, {14346, u"Spanish"}, {15370, u"Spanish"}, {16394, u"Spanish"},
    {17418, u"Spanish"}, {18442, u"Spanish"}, {19466, u"Spanish"}, {20490, u"Spanish"},
};

void CopyOut(WCHAR* out, std::u16string_view text) {
  size_t i = 0;
  for (; i + 1 < kLanguageNameUnits && i < text.size(); ++i) out[i] = text[i];
  out[i] = 0;
}

const LanguageFiles& FilesForCurrentLanguage() {
  WCHAR language[kLanguageNameUnits] = {};
  GetUiLanguage(language);
  const std::u16string_view name(language);
  for (const LanguageFiles& row : kLanguageFiles) {
    if (row.language == name) return row;
  }
  return kLanguageFiles[0];
}

}  // namespace

bool UiRightToLeft() { return g_rightToLeft.load(); }
bool UiDecimalComma() { return g_decimalComma.load(); }

void ReadUiLanguage(WCHAR* out) {
  out[0] = 0;
  HKEY key = nullptr;
  const std::u16string path = std::u16string(u"Software\\") + kDriverModelName;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  WCHAR value[129] = {};
  DWORD type = 0;
  DWORD size = 256;
  const LSTATUS status = RegQueryValueExW(key, u"Language", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return;
  value[128] = 0;
  CopyOut(out, std::u16string_view(value));
}

void GetSystemUiLanguage(WCHAR* out) {
  const LANGID id = GetSystemDefaultLangID();
  for (const SystemLanguage& row : kSystemLanguages) {
    if (row.id == id) {
      CopyOut(out, row.language);
      return;
    }
  }
  CopyOut(out, u"English");
}

void GetUiLanguage(WCHAR* out) {
  ReadUiLanguage(out);
  if (out[0] == 0) GetSystemUiLanguage(out);
}

WCHAR* GetResourceDllName(WCHAR* out) {
  const LanguageFiles& files = FilesForCurrentLanguage();
  if (files.language == u"Arabic") g_rightToLeft.store(true);
  if (files.language == u"Russian") g_decimalComma.store(true);
  CopyOut(out, files.satellite);
  return out;
}

WCHAR* GetHelpFileName(WCHAR* out) {
  CopyOut(out, FilesForCurrentLanguage().help);
  return out;
}

}  // namespace vm4k2ui
