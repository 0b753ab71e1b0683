// The private part of the driver DEVMODE: its defaults and its field-by-field repair.
#pragma once

#include <string_view>

#include <win/base.h>

#include <vm4k2/ui_devmode.h>

namespace vm4k2ui {

inline constexpr unsigned kFavoriteNameStringId = 202;
inline constexpr unsigned kNoWatermarkStringId = 146;
inline constexpr size_t kFavoriteNameLimit = 32;

// Writes the private defaults with the given texts for "FavoriteName" and the no-watermark
// record's name (the satellite library's strings 202 and 146).
void FillPrivateDefaults(vm4k2::PrivateDevmode* privatePart, std::u16string_view favoriteName,
                         std::u16string_view noWatermarkName);

// The private defaults with the satellite library's texts. S_OK; when the satellite library
// cannot be loaded the defaults are still written (with the missing-string texts) and the
// loader's error comes back as an HRESULT, so a caller that must not hand such texts on can
// tell. E_POINTER without a part.
HRESULT SetDefaultPrivateDevmode(vm4k2::PrivateDevmode* privatePart);

// Repairs every private field that is out of its range. 0, or 0x8000000A without a part.
HRESULT ValidatePrivateDevmode(vm4k2::PrivateDevmode* privatePart);

}  // namespace vm4k2ui
