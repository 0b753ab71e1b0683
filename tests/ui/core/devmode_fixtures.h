// Helpers for DEVMODE tests: records of exact sizes (so the sanitizer sees any byte read or
// written outside them) and the library's defaults with fixed texts.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/devmode.h"
#include "ui/core/private_devmode.h"

namespace testfakes {

// A caller's DEVMODE in a heap block of exactly `bytes` bytes.
class DevmodeBuffer {
 public:
  explicit DevmodeBuffer(size_t bytes, unsigned char fill = 0) : size_(bytes), bytes_(new unsigned char[bytes]) {
    std::memset(bytes_.get(), fill, bytes);
  }
  DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes_.get()); }
  unsigned char* bytes() { return bytes_.get(); }
  size_t size() const { return size_; }
  std::string Snapshot() const { return std::string(reinterpret_cast<const char*>(bytes_.get()), size_); }

 private:
  size_t size_;
  std::unique_ptr<unsigned char[]> bytes_;
};

inline void SetCountry(const char* code) { PlatformTest_SetControl("CountryCode", code, FALSE); }

// The context DEVMODE as the library builds it before any merge.
inline std::unique_ptr<vm4k2::UiDevmode> DefaultUiDevmode(const char16_t* name = u"Velmor K8000") {
  auto dm = std::make_unique<vm4k2::UiDevmode>();
  vm4k2ui::SetDefaultDevmode(&dm->dmPublic, name);
  vm4k2ui::FillPrivateDefaults(&dm->dmPrivate, u"Default Settings", u"No Watermark");
  return dm;
}

// An application's public-only DEVMODE (no private bytes at all) announcing `fields`.
inline void MakePublicOnly(DEVMODEW* dm, DWORD fields) {
  std::memset(dm, 0, sizeof(DEVMODEW));
  const char16_t* name = u"Velmor K8000";
  for (size_t i = 0; name[i] != 0; ++i) dm->dmDeviceName[i] = name[i];
  dm->dmSpecVersion = 0x401;
  dm->dmDriverVersion = 0x600;
  dm->dmSize = 220;
  dm->dmDriverExtra = 0;
  dm->dmFields = fields;
  dm->dmOrientation = 1;
  dm->dmPaperSize = 1;
  dm->dmCopies = 1;
  dm->dmDefaultSource = 7;
  dm->dmPrintQuality = 600;
  dm->dmColor = 1;
  dm->dmDuplex = 1;
  dm->dmYResolution = 600;
}

}  // namespace testfakes
