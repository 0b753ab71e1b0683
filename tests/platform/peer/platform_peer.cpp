// A second program of the machine for the cross-process tests: it does one thing the test
// names on its command line, in the machine PLATFORM_ROOT names, and prints what it saw.
//   platform-peer set-string <HKLM|HKCU> <key> <value> <text>   exit code: the LSTATUS
//   platform-peer get-string <HKLM|HKCU> <key> <value>          prints the text
//   platform-peer hammer <HKLM|HKCU> <key> <value> <count>      rewrites the value count times
//   platform-peer system                                        prints the names and settings
//   platform-peer debug <text>                                  OutputDebugStringA(text)
//   platform-peer allocate-per-line                             for each line read, LocalAlloc(LPTR, 8);
//                                                               prints "ok" or "failed <error>"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <win/memory.h>
#include <win/registry.h>
#include <win/strings.h>
#include <win/system.h>

namespace {

std::u16string Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

std::string Narrow(const WCHAR* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

HKEY Root(const char* name) { return std::strcmp(name, "HKCU") == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

LSTATUS SetString(const char* root, const char* key, const char* value, const std::u16string& text) {
  HKEY h = nullptr;
  LSTATUS status = RegCreateKeyExW(Root(root), Wide(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
  if (status) return status;
  status = RegSetValueExW(h, Wide(value).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(h);
  return status;
}

int GetString(const char* root, const char* key, const char* value) {
  HKEY h = nullptr;
  LSTATUS status = RegOpenKeyExW(Root(root), Wide(key).c_str(), 0, KEY_READ, &h);
  if (status) return status;
  WCHAR text[512] = {};
  DWORD size = sizeof text - sizeof(WCHAR);
  DWORD type = 0;
  status = RegQueryValueExW(h, Wide(value).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(h);
  if (status) return status;
  std::printf("%s", Narrow(text).c_str());
  return 0;
}

void PrintSystem() {
  WCHAR text[300];
  DWORD size = 300;
  if (GetUserNameW(text, &size))
    std::printf("user=%s\n", Narrow(text).c_str());
  else
    std::printf("user=error %u\n", GetLastError());
  size = 300;
  if (GetComputerNameW(text, &size)) std::printf("computer=%s\n", Narrow(text).c_str());
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 300))
    std::printf("country=%s\n", Narrow(text).c_str());
  else
    std::printf("country=error %u\n", GetLastError());
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(&version);
  std::printf("version=%u.%u.%u\n", version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber);
  std::printf("language=%u/%u\n", GetSystemDefaultLangID(), GetUserDefaultLangID());
  std::printf("ticks=%u\n", GetTickCount());
}

// Stays running across the caller's changes: each line asks for one allocation, so the caller
// sees how this process's next call behaves after it set a control.
int AllocatePerLine() {
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
    SetLastError(0xDEADBEEF);
    HLOCAL block = LocalAlloc(LPTR, 8);
    if (block)
      std::printf("ok\n");
    else
      std::printf("failed %u\n", GetLastError());
    std::fflush(stdout);
    if (block) LocalFree(block);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 6 && std::strcmp(argv[1], "set-string") == 0) return SetString(argv[2], argv[3], argv[4], Wide(argv[5]));
  if (argc >= 5 && std::strcmp(argv[1], "get-string") == 0) return GetString(argv[2], argv[3], argv[4]);
  if (argc >= 6 && std::strcmp(argv[1], "hammer") == 0) {
    // Two texts of different lengths, so a reader would notice a value written in part.
    const std::u16string texts[2] = {std::u16string(300, u'a'), std::u16string(7, u'b')};
    int count = std::atoi(argv[5]);
    for (int i = 0; i < count; ++i)
      if (LSTATUS status = SetString(argv[2], argv[3], argv[4], texts[i % 2])) return status;
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "system") == 0) {
    PrintSystem();
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "debug") == 0) {
    OutputDebugStringA(argv[2]);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "allocate-per-line") == 0) return AllocatePerLine();
  std::fprintf(stderr, "platform-peer: unknown command\n");
  return 2;
}
