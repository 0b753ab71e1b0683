// libFuzzer target for the PE resource reader: any bytes as a PE file, every resource found
// handed to the parser of its kind, and the raw bytes to every parser as well.
#include <cstring>
#include <vector>

#include <win/version.h>

#include "internal/resources.h"

namespace {

void ParseAs(WORD type, std::span<const BYTE> bytes) {
  switch (type) {
    case plat::kRtDialog: plat::ParseDialogTemplate(bytes); break;
    case plat::kRtMenu: plat::ParseMenuTemplate(bytes); break;
    case plat::kRtBitmap: plat::ParseDib(bytes); break;
    case plat::kRtIcon: plat::ParseIconImage(bytes); break;
    case plat::kRtGroupIcon:
      if (auto group = plat::ParseIconGroup(bytes)) plat::PickIconEntry(*group, 32, 32);
      break;
    case plat::kRtString:
      for (unsigned i = 0; i < 16; ++i) plat::StringFromBlock(bytes, i);
      break;
    case plat::kRtVersion: {
      // VerQueryValueW trusts the root length, as GetFileVersionInfoW makes it true.
      if (bytes.size() < 2) break;
      std::vector<BYTE> copy(bytes.begin(), bytes.end());
      size_t length = copy[0] | (copy[1] << 8);
      if (length > copy.size()) {
        copy[0] = static_cast<BYTE>(copy.size());
        copy[1] = static_cast<BYTE>(copy.size() >> 8);
        if (copy.size() > 0xFFFF) break;
      }
      for (const char16_t* query : {u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904B0\\ProductVersion"}) {
        LPVOID value = nullptr;
        UINT valueLength = 0;
        VerQueryValueW(copy.data(), query, &value, &valueLength);
      }
      break;
    }
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const BYTE> bytes(data, size);
  DWORD error = 0;
  if (std::shared_ptr<const plat::PeImage> image = plat::PeImage::Parse(bytes, &error)) {
    for (const plat::ResourceType& type : image->types()) {
      for (const plat::ResourceName& name : type.names) {
        for (const plat::ResourceEntry& entry : name.languages) {
          if (type.id.isOrdinal) ParseAs(type.id.ordinal, image->Data(entry));
        }
        image->Find(type.id, name.id, 0, 0x0409, &error);
      }
    }
  }
  for (WORD type : {plat::kRtDialog, plat::kRtMenu, plat::kRtBitmap, plat::kRtIcon, plat::kRtGroupIcon, plat::kRtString,
                    plat::kRtVersion})
    ParseAs(type, bytes);
  return 0;
}
