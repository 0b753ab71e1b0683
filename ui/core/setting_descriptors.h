// SettingDescriptorTable: the private settings addressed by key name. The property pages,
// the favourites and the settings snapshot read and write settings through these keys, so
// the keys, widths and offsets are stored contracts.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2ui {

struct PrinterUiContext;

inline constexpr size_t kSettingKeyBytes = 20;
inline constexpr size_t kSettingDescriptorCount = 77;
inline constexpr size_t kSettingDescriptorsInUse = 71;

struct SettingDescriptor {
  char key[kSettingKeyBytes];  // 8-bit, terminated; empty for an unused entry
  uint32_t width;              // bytes
  uint32_t offset;             // into the private part
};
static_assert(sizeof(SettingDescriptor) == 28);

struct SettingDescriptorTable {
  SettingDescriptor entries[kSettingDescriptorCount];
};

void BuildSettingDescriptors(SettingDescriptorTable* table);

// S_OK; 0x8007007A when `width` is not the entry's width (nothing copied); E_INVALIDARG when
// no entry has the key (nothing changes).
HRESULT GetSettingByName(const PrinterUiContext* context, const char* key, void* buffer, uint32_t width);
HRESULT SetSettingByName(PrinterUiContext* context, const char* key, const void* data, uint32_t width);

}  // namespace vm4k2ui
