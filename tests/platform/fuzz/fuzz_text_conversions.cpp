// Arbitrary bytes through MultiByteToWideChar and WideCharToMultiByte for every page and flag
// the machine knows, with buffers from none to exact, and through the case and comparison
// functions. Nothing may be written past the buffer offered, and a size asked first must be
// the size the conversion then uses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <win/strings.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const char* bytes = reinterpret_cast<const char*>(data);
  std::u16string wide;
  for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  const UINT pages[] = {CP_ACP, CP_OEMCP, CP_UTF8, 1252, 437, 28591};
  const DWORD mbFlags[] = {0, MB_ERR_INVALID_CHARS, MB_PRECOMPOSED};
  const DWORD wcFlags[] = {0, WC_ERR_INVALID_CHARS, WC_NO_BEST_FIT_CHARS};
  for (UINT page : pages) {
    for (DWORD flags : mbFlags) {
      if (size == 0) break;
      int needed = MultiByteToWideChar(page, flags, bytes, static_cast<int>(size), nullptr, 0);
      if (needed < 0) std::abort();
      for (int offer : {needed / 2, needed}) {
        if (offer <= 0) continue;
        std::vector<WCHAR> out(static_cast<size_t>(offer) + 1, 0xCCCC);
        int n = MultiByteToWideChar(page, flags, bytes, static_cast<int>(size), out.data(), offer);
        if (n > offer || out[static_cast<size_t>(offer)] != 0xCCCC) std::abort();
        if (offer == needed && n != needed) std::abort();
      }
    }
    for (DWORD flags : wcFlags) {
      if (wide.empty()) break;
      BOOL usedDefault = FALSE;
      LPBOOL used = page == CP_UTF8 ? nullptr : &usedDefault;
      int needed = WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, used);
      if (needed < 0) std::abort();
      for (int offer : {needed / 2, needed}) {
        if (offer <= 0) continue;
        std::vector<char> out(static_cast<size_t>(offer) + 1, '\x5A');
        int n = WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), out.data(), offer,
                                    nullptr, used);
        if (n > offer || out[static_cast<size_t>(offer)] != '\x5A') std::abort();
        if (offer == needed && n != needed) std::abort();
      }
    }
  }

  std::u16string upper = wide;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::u16string lower = wide;
  CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  std::u16string terminated = wide.substr(0, wide.find(u'\0'));
  std::u16string upperTerminated = terminated;
  CharUpperBuffW(upperTerminated.data(), static_cast<DWORD>(upperTerminated.size()));
  if (lstrcmpiW(terminated.c_str(), upperTerminated.c_str()) != 0) std::abort();
  if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, terminated.c_str(), -1, upperTerminated.c_str(), -1) !=
      CSTR_EQUAL)
    std::abort();
  return 0;
}
