#include "ui/core/private_devmode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "ui/core/range_checks.h"
#include "ui/core/satellite.h"
#include "ui/core/watermark_records.h"

namespace vm4k2ui {

using vm4k2::PrivateDevmode;

namespace {

template <size_t N>
void CopyText(char16_t (&field)[N], std::u16string_view text) {
  const size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.data(), length, field);
  std::fill(field + length, field + N, u'\0');
}

// Length of a UTF-16 text inside a field of `units`, or `units` when it does not end there.
size_t BoundedLength(const char16_t* field, size_t units) {
  size_t length = 0;
  while (length < units && field[length] != 0) ++length;
  return length;
}

constexpr FieldType kI16 = FieldType::Int16;
constexpr FieldType kI32 = FieldType::Int32;
constexpr FieldType kU32 = FieldType::UInt32;

// Valid ranges of the private settings. Offsets are the stored layout's (see ui_devmode.h);
// a value outside its range becomes the repair value. Fields the renderer and the pages
// accept in any value (booklet words, the reverse-order and lock words...) have no row.
constexpr RangeCheck kPrivateChecks[] = {
    {4, kI16, 1, 1, 1, 1},            // ColorMode: the printer is monochrome
    {6, kI16, 1, 1, 5, 1},            // Duplex
    {8, kI16, 1, 0, 2, 0},            // DuplexIndex
    {268, kI32, 1, 0, INT32_MAX, 0},  // OutputSize
    {272, kI32, 1, 0, 2, 0},          // ScaleFlag
    {276, kI32, 1, 25, 400, 100},     // ScaleRadio
    {280, kI16, 1, 1, 23, 1},         // MultipleUp
    {282, kI16, 1, 0, 5, 0},          // PageOrder
    {284, kI16, 1, 0, 1, 0},          // PageBorder
    {286, kI16, 1, 0, 2, 0},          // MixedOrient
    {290, kI16, 1, 0, 1, 0},          // PosterPrint
    {292, kI16, 1, 0, 2, 0},          // PosterType
    {294, kI16, 1, 0, 1, 0},          // CropMarks
    {296, kI16, 1, 0, 2, 0},          // SourceTray
    {298, kI16, 1, 0, 3, 0},          // Rotate
    {300, kI16, 1, 1, 2, 1},          // FeedOrient
    {302, kI16, 1, 0, 1, 0},          // ManualDuplex
    {320, kI16, 1, 0, 8, 0},          // ImageShift
    {322, kI16, 1, 0, 1, 1},          // MarginsAutoFit
    {324, kI16, 1, 0, 1181, 0},       // Side
    {326, kI16, 1, 0, 1181, 0},       // Side2
    {328, kI16, 1, 0, 4, 0},          // PrintPosition
    {330, kI16, 1, 0, 1, 0},          // AdjustPrintPosition
    {332, kI16, 1, -1181, 1181, 0},   // LeftRight
    {334, kI16, 1, -1181, 1181, 0},   // UpDown
    {848, kI16, 1, 0, 29, 26},        // FavoriteIndex
    {850, kI16, 1, 0, 2, 0},          // ImageAdjustMode
    {852, kI16, 1, 0, 2, 0},          // ImageType, first word
    {854, kI16, 1, 0, 3, 0},          // ImageType, second word
    {856, kI16, 1, 0, 1, 0},          // ApplyElements
    {858, kI16, 1, 0, 2, 0},          // DocumentElement
    {860, kI16, 4, -100, 100, 0},     // Brightness
    {868, kI16, 4, -100, 100, 0},     // Constrast
    {876, kI16, 4, -100, 100, 0},     // Saturation
    {884, kI16, 1, 0, 1, 0},          // AdjustBalance
    {886, kI16, 1, 0, 3, 0},          // TargetColor
    {888, kI16, 4, -3, 3, 0},         // Highlights
    {896, kI16, 4, -3, 3, 0},         // Midtones
    {904, kI16, 4, -3, 3, 0},         // Shadows
    {912, kI16, 1, 0, 2, 0},          // Profile
    {914, kI16, 1, 0, 2, 1},          // ColorTemperature
    {916, kI16, 1, 0, 4, 3},          // GammaCorrection
    {918, kI16, 1, 0, 2, 0},          // ImageInputIndex
    {1944, kI16, 1, 0, 3, 0},         // ScreenType
    {1946, kI16, 1, 0, 3, 0},         // TonerSavingMode
    {1948, kI16, 1, 0, 1, 0},         // Rotate180
    {1950, kI16, 1, 0, 1, 0},         // Mirror
    {1952, kI16, 1, 0, 2, 1},         // Thickness
    {1954, kI16, 1, 0, 1, 0},         // Negative
    {1958, kI16, 1, 0, 1, 0},         // FirstPageOnly
    {3366, kI16, 1, 5, 24, 9},        // HeaderFontSize
    {3368, kI16, 1, 0, 1, 1},         // HeaderBold
    {3370, kI16, 1, 0, 1, 0},         // HeaderItalic
    {3372, kU32, 1, 0, 0xFFFFFF, 0},  // HeaderColor
    {3376, kI16, 1, 0, 6, 0},         // HeaderColorIndex
    {4844, kU32, 1, 0, 1, 1},         // TrueType download switch
    {4848, kU32, 1, 0, 1, 0},         // TrueType-as-bitmap switch
};

constexpr RangeCheck kPrintItemChecks[] = {
    {0, kI16, 1, 0, 1, 0},  // on
    {2, kI16, 1, 0, 5, 0},  // position
};

constexpr RangeCheck kCustomPaperChecks[] = {
    {0, kI16, 1, vm4k2::kCustomPaperMinWidth, vm4k2::kCustomPaperMaxWidth, vm4k2::kCustomPaperDefaultWidth},
    {2, kI16, 1, vm4k2::kCustomPaperMinHeight, vm4k2::kCustomPaperMaxHeight, vm4k2::kCustomPaperDefaultHeight},
};

}  // namespace

void FillPrivateDefaults(PrivateDevmode* p, std::u16string_view favoriteName, std::u16string_view noWatermarkName) {
  std::memset(p, 0, sizeof(*p));
  p->signature = vm4k2::kPrivateSignature;
  p->colorMode = 1;
  p->duplex = 1;
  p->scaleRadio = 100;
  p->multipleUp = 1;
  p->feedOrient = 1;
  p->marginsAutoFit = 1;
  CopyText(p->favoriteName, favoriteName);
  p->favoriteIndex = 26;
  p->colorTemperature = 1;
  p->gammaCorrection = 3;
  p->thickness = 1;
  p->zoomPercent = 100;
  RenameNoWatermarkOnce(noWatermarkName);
  CopyBuiltinWatermark(0, &p->watermark);
  CopyText(p->headerFontName, u"Times New Roman");
  p->headerFontSize = 9;
  p->headerBold = 1;
  for (size_t i = 0; i < vm4k2::kCustomPapersInDevmode; ++i) {
    vm4k2::CustomPaperRecord& paper = p->customPapers[i];
    paper.width = vm4k2::kCustomPaperDefaultWidth;
    paper.height = vm4k2::kCustomPaperDefaultHeight;
    char name[16];
    std::snprintf(name, sizeof(name), "Custom %zu", i + 1);
    for (size_t c = 0; name[c] != 0; ++c) paper.name[c] = static_cast<char16_t>(name[c]);
  }
  p->downloadTrueType = 1;
}

HRESULT SetDefaultPrivateDevmode(PrivateDevmode* privatePart) {
  if (privatePart == nullptr) return E_POINTER;
  HMODULE satellite = nullptr;
  const DWORD error = LoadResourceDll(&satellite);
  const std::u16string favorite = LoadUiString(satellite, kFavoriteNameStringId);
  const std::u16string noWatermark = LoadUiString(satellite, kNoWatermarkStringId);
  FillPrivateDefaults(privatePart, favorite, noWatermark);
  if (satellite != nullptr) FreeResourceDll(satellite);
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT ValidatePrivateDevmode(PrivateDevmode* p) {
  if (p == nullptr) return static_cast<HRESULT>(0x8000000A);
  p->signature = vm4k2::kPrivateSignature;
  ApplyRangeChecks(p, kPrivateChecks);

  TerminateField(p->favoriteName, vm4k2::kFavoriteNameUnits);
  if (BoundedLength(p->favoriteName, vm4k2::kFavoriteNameUnits) > kFavoriteNameLimit) {
    // Favourite names are at most 32 characters everywhere they are stored; a longer one
    // can only be damage, and the default name is the one the user knows.
    HMODULE satellite = nullptr;
    LoadResourceDll(&satellite);
    CopyText(p->favoriteName, LoadUiString(satellite, kFavoriteNameStringId));
    if (satellite != nullptr) FreeResourceDll(satellite);
  }
  for (char16_t* field : {p->monitor, p->inputImage}) {
    if (BoundedLength(field, vm4k2::kProfileNameUnits) == vm4k2::kProfileNameUnits) {
      std::fill_n(field, vm4k2::kProfileNameUnits, u'\0');
    }
  }
  ValidateWatermarkRecord(&p->watermark);
  // The overlay name is opened as a path by the renderer; it must end inside its field.
  TerminateField(p->overlayFileName, vm4k2::kOverlayFileNameUnits);
  TerminateField(p->headerFontName, vm4k2::kHeaderFontNameUnits);
  for (vm4k2::PrintItem& item : p->printItems) ApplyRangeChecks(&item, kPrintItemChecks);
  for (vm4k2::CustomPaperRecord& paper : p->customPapers) {
    ApplyRangeChecks(&paper, kCustomPaperChecks);
    paper.name[vm4k2::kCustomPaperNameLimit] = 0;
  }
  return S_OK;
}

}  // namespace vm4k2ui
