// Shows the stand-in machine at work: which folder holds it, and what a program of the
// machine sees of it: its folders, its environment, a file and a registry value written and
// read back, its names and version.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <win/base.h>
#include <win/environment.h>
#include <win/files.h>
#include <win/shell.h>
#include <win/registry.h>
#include <win/strings.h>
#include <win/system.h>

namespace {

std::string Narrow(const WCHAR* text) {
  char out[512];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
  return n > 0 ? std::string(out) : std::string("?");
}

}  // namespace

int main() {
  const char* root = std::getenv("PLATFORM_ROOT");
  std::printf("machine root: %s\n", root && *root ? root : "(default folder, see above)");
  SetLastError(ERROR_SUCCESS);
  BOOL closed = CloseHandle(nullptr);
  std::printf("CloseHandle(NULL) -> %d, GetLastError() -> %u\n", closed, GetLastError());

  WCHAR folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK)
    std::printf("CSIDL_APPDATA: %s\n", Narrow(folder).c_str());
  if (GetEnvironmentVariableW(u"SystemRoot", folder, MAX_PATH)) std::printf("%%SystemRoot%%: %s\n", Narrow(folder).c_str());

  DWORD length = GetTempPathW(MAX_PATH, folder);
  std::u16string path = std::u16string(folder, length) + u"platform-demo.txt";
  const char text[] = "written and read back inside the machine";
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (out == INVALID_HANDLE_VALUE || !WriteFile(out, text, sizeof(text) - 1, &written, nullptr)) {
    std::printf("writing %s failed: %u\n", Narrow(path.c_str()).c_str(), GetLastError());
    return 1;
  }
  CloseHandle(out);
  HANDLE in = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char buffer[128] = {};
  DWORD got = 0;
  if (in == INVALID_HANDLE_VALUE || !ReadFile(in, buffer, sizeof(buffer) - 1, &got, nullptr)) {
    std::printf("reading %s failed: %u\n", Narrow(path.c_str()).c_str(), GetLastError());
    return 1;
  }
  CloseHandle(in);
  std::printf("%s: %u bytes written, read back \"%s\"\n", Narrow(path.c_str()).c_str(), written, buffer);

  WCHAR user[UNLEN + 1];
  DWORD userSize = UNLEN + 1;
  WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD computerSize = MAX_COMPUTERNAME_LENGTH + 1;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetUserNameW(user, &userSize) && GetComputerNameW(computer, &computerSize) && GetVersionExW(&version))
    std::printf("user %s on %s, Windows %u.%u build %u\n", Narrow(user).c_str(), Narrow(computer).c_str(),
                version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber);

  const WCHAR* keyPath = u"SOFTWARE\\Velmor K8000 Series PCL6";
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) {
    std::printf("RegCreateKeyExW -> %d\n", status);
    return 1;
  }
  const std::u16string language = u"English";
  status = RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(language.c_str()),
                          static_cast<DWORD>((language.size() + 1) * sizeof(WCHAR)));
  WCHAR stored[64] = {};
  DWORD size = sizeof stored - sizeof(WCHAR);
  DWORD type = 0;
  if (status == ERROR_SUCCESS)
    status = RegQueryValueExW(key, u"Language", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    std::printf("registry value -> %d\n", status);
    return 1;
  }
  std::printf("HKLM\\%s\\Language = \"%s\" (type %u, %u bytes), stored in %s/registry/HKEY_LOCAL_MACHINE/...\n",
              Narrow(keyPath).c_str(), Narrow(stored).c_str(), type, size, root && *root ? root : "the machine");
  return 0;
}
