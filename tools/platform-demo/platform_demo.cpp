// Shows the stand-in machine at work: which folder holds it, and what a program of the
// machine sees of it: its folders, its environment, and a file written and read back.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <win/base.h>
#include <win/environment.h>
#include <win/files.h>
#include <win/shell.h>

namespace {

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
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
  return 0;
}
