// Writes the input as a value file of a key, as another process or a person might leave it,
// then reads it through every query path with small and exact buffers. The input also serves
// as a value name, which must come back unchanged through the file names of the machine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <win/registry.h>

#include "platform_testing.h"

namespace {

std::string g_root;

void RemoveMachine() { std::filesystem::remove_all(g_root); }

HKEY Key() {
  static HKEY key = [] {
    // A memory-backed folder when the host has one: every run writes and renames files.
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/velmor-fuzz-registry-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    g_root = pattern;
    std::atexit(RemoveMachine);
    PlatformTest_UseMachine(pattern.c_str());
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
      std::abort();
    return k;
  }();
  return key;
}

void QueryEveryWay(HKEY key, const WCHAR* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return;
  for (DWORD offer : {size / 2, size + 2}) {
    std::vector<BYTE> buffer(offer + 1, 0xCC);
    DWORD got = offer;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &got);
    if (status == ERROR_SUCCESS && got > offer) std::abort();
    if (buffer[offer] != 0xCC) std::abort();  // nothing beyond what was offered
    got = offer;
    status = RegGetValueW(key, nullptr, name, RRF_RT_ANY, &type, buffer.data(), &got);
    if (status == ERROR_SUCCESS && got > offer) std::abort();
    if (buffer[offer] != 0xCC) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HKEY key = Key();
  {
    std::ofstream out(g_root + "/registry/HKEY_LOCAL_MACHINE/SOFTWARE/Fuzz/@Fuzz", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  QueryEveryWay(key, u"Fuzz");
  WCHAR name[64];
  DWORD length = 64, type = 0, bytes = 0;
  RegEnumValueW(key, 0, name, &length, nullptr, &type, nullptr, &bytes);
  DWORD values = 0, maxName = 0, maxData = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxName, &maxData, nullptr,
                   nullptr);

  // The input as a value name (UTF-16 units, no terminator inside).
  std::u16string valueName;
  for (size_t i = 0; i + 1 < size && valueName.size() < 100; i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c) valueName.push_back(c);
  }
  DWORD marker = 0x12345678;
  if (RegSetValueExW(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), 4) ==
      ERROR_SUCCESS) {
    DWORD back = 0, backSize = 4;
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &backSize) !=
            ERROR_SUCCESS ||
        back != marker)
      std::abort();
    RegDeleteValueW(key, valueName.c_str());
  }
  return 0;
}
