// A profile (INI) file as another program or a person left it, read through every profile
// call the status programs and the settings use, with small and exact buffers: long lines,
// missing brackets, UTF-16 with and without its byte order mark, NULs inside. Answers must stay
// inside the caller's buffer and be terminated as documented.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <win/profile.h>

#include "platform_testing.h"

namespace {

std::string g_root;

void RemoveMachine() { std::filesystem::remove_all(g_root); }

// The machine once per process; the file is rewritten for each input.
const std::string& ProfileFile() {
  static const std::string file = [] {
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/velmor-fuzz-profiles-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    g_root = pattern;
    std::atexit(RemoveMachine);
    PlatformTest_UseMachine(pattern.c_str());
    std::filesystem::create_directories(pattern + "/drives/C/Windows");
    return pattern + "/drives/C/Windows/fuzz.ini";
  }();
  return file;
}

constexpr WCHAR kFile[] = u"fuzz.ini";
constexpr DWORD kGuard = 8;

// A buffer of `size` characters with a guard after it that no answer may touch.
struct Buffer {
  explicit Buffer(DWORD size) : size(size), chars(size + kGuard, u'\xA5A5') {}
  void CheckGuard() const {
    for (DWORD i = size; i < size + kGuard; ++i)
      if (chars[i] != u'\xA5A5') std::abort();
  }
  DWORD size;
  std::vector<WCHAR> chars;
};

// The NUL-separated names of a list answer, as far as the answer reaches.
std::vector<std::u16string> Split(const Buffer& b, DWORD answer) {
  std::vector<std::u16string> out;
  std::u16string current;
  for (DWORD i = 0; i < answer && i < b.size; ++i) {
    if (b.chars[i] == 0) {
      out.push_back(current);
      current.clear();
    } else {
      current += b.chars[i];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  {
    std::ofstream out(ProfileFile(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::vector<std::u16string> sections;
  for (DWORD bufferSize : {0u, 1u, 2u, 3u, 17u, 4096u}) {
    Buffer names(bufferSize);
    DWORD answer = GetPrivateProfileSectionNamesW(names.chars.data(), names.size, kFile);
    names.CheckGuard();
    if (bufferSize && answer > bufferSize) std::abort();
    if (bufferSize == 4096) sections = Split(names, answer);
  }
  if (sections.size() > 8) sections.resize(8);
  sections.push_back(u"Missing");
  for (const std::u16string& section : sections) {
    for (DWORD bufferSize : {1u, 2u, 5u, 4096u}) {
      Buffer whole(bufferSize);
      DWORD answer = GetPrivateProfileSectionW(section.c_str(), whole.chars.data(), whole.size, kFile);
      whole.CheckGuard();
      if (answer > bufferSize) std::abort();
    }
    Buffer keys(4096);
    DWORD answer = GetPrivateProfileStringW(section.c_str(), nullptr, u"", keys.chars.data(), keys.size, kFile);
    keys.CheckGuard();
    std::vector<std::u16string> names = Split(keys, answer);
    if (names.size() > 8) names.resize(8);
    names.push_back(u"Missing");
    for (const std::u16string& key : names) {
      for (DWORD bufferSize : {1u, 2u, 7u, 4096u}) {
        Buffer value(bufferSize);
        DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), u"default", value.chars.data(),
                                                value.size, kFile);
        value.CheckGuard();
        if (length >= bufferSize) std::abort();
        if (value.chars[length] != 0) std::abort();
      }
      GetPrivateProfileIntW(section.c_str(), key.c_str(), -7, kFile);
      BYTE record[16];
      GetPrivateProfileStructW(section.c_str(), key.c_str(), record, sizeof record, kFile);
    }
  }
  return 0;
}
