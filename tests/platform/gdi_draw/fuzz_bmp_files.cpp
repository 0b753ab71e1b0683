// Arbitrary bytes as a BMP file of the machine, loaded with LoadImageW as a DIB section and as a
// device bitmap (sized and not): the loader must refuse a damaged file or give a bitmap whose
// every row lies inside what it allocated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <win/files.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>

#include "platform_testing.h"

namespace {

std::string g_root;

void RemoveMachine() { std::filesystem::remove_all(g_root); }

void SetUpMachine() {
  static bool done = false;
  if (done) return;
  done = true;
  std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = base + "/velmor-fuzz-bmp-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  g_root = pattern;
  std::atexit(RemoveMachine);
  PlatformTest_UseMachine(pattern.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  SetUpMachine();
  HANDLE file = CreateFileW(u"C:\\fuzz.bmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) std::abort();
  DWORD written = 0;
  if (size > 0 && !WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr)) std::abort();
  CloseHandle(file);
  for (UINT flags : {static_cast<UINT>(LR_LOADFROMFILE | LR_CREATEDIBSECTION), static_cast<UINT>(LR_LOADFROMFILE)}) {
    int side = flags & LR_CREATEDIBSECTION ? 0 : 3;
    HANDLE image = LoadImageW(nullptr, u"C:\\fuzz.bmp", IMAGE_BITMAP, side, side, flags);
    if (!image) continue;
    DIBSECTION ds{};
    int got = GetObjectW(image, sizeof(ds), &ds);
    if (got != static_cast<int>(sizeof(BITMAP)) && got != static_cast<int>(sizeof(DIBSECTION))) std::abort();
    if (got == static_cast<int>(sizeof(DIBSECTION))) {
      // Every byte of the rows the section reports must be readable.
      volatile BYTE sum = 0;
      const BYTE* bits = static_cast<const BYTE*>(ds.dsBm.bmBits);
      for (size_t i = 0; i < ds.dsBmih.biSizeImage; ++i) sum = static_cast<BYTE>(sum + bits[i]);
      if (static_cast<uint64_t>(ds.dsBm.bmWidthBytes) * static_cast<uint64_t>(ds.dsBm.bmHeight) != ds.dsBmih.biSizeImage)
        std::abort();
    }
    if (!DeleteObject(image)) std::abort();
  }
  return 0;
}
