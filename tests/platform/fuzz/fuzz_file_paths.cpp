// Feeds arbitrary UTF-16 text to the path functions of the machine: GetFullPathNameW with every
// small buffer size, GetFileAttributesW, an existing-only CreateFileW for reading, and
// FindFirstFileW patterns over a small folder. Nothing is created, so the machine stays as set up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <win/files.h>

#include "platform_testing.h"

namespace {

std::string g_root;

void RemoveMachine() { std::filesystem::remove_all(g_root); }

void SetUpMachine() {
  static bool done = false;
  if (done) return;
  done = true;
  char pattern[] = "/tmp/velmor-fuzz-paths-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  g_root = pattern;
  std::atexit(RemoveMachine);
  PlatformTest_UseMachine(pattern);
  CreateDirectoryW(u"C:\\Dir", nullptr);
  for (const char16_t* name : {u"C:\\Dir\\a.txt", u"C:\\Dir\\Readme", u"C:\\Dir\\x.y.z"}) {
    HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpMachine();
  std::u16string text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
  // Cut at the first terminator, as the API sees it.
  text = std::u16string(text.c_str());
  if (text.size() > 600) return 0;

  std::vector<WCHAR> buffer(text.size() + 64);
  for (DWORD n = 0; n < 8; ++n) {
    LPWSTR filePart = nullptr;
    std::vector<WCHAR> small(n + 1, u'#');
    DWORD result = GetFullPathNameW(text.c_str(), n, small.data(), &filePart);
    if (result < n && filePart && (filePart < small.data() || filePart > small.data() + result)) std::abort();
    if (small[n] != u'#') std::abort();  // nothing past the buffer
  }
  GetFullPathNameW(text.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  GetFileAttributesW(text.c_str());
  HANDLE h = CreateFileW(text.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);

  std::u16string pattern = u"C:\\Dir\\" + text;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    while (FindNextFileW(find, &found)) {
    }
    FindClose(find);
  }
  return 0;
}
