// UiDevmode: the user-interface library's driver DEVMODE, 5080 bytes: the 220-byte public
// DEVMODEW followed by the 4860-byte private part. It is stored as printer data, as the
// printer's default DEVMODE and inside favourites, it crosses processes, and the renderer
// converts it into its own form, so every offset below is a stored contract. Private layouts
// only ever grow at the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>
#include <win/devmode.h>

#include <vm4k2/custom_paper_record.h>
#include <vm4k2/watermark_record.h>

namespace vm4k2 {

inline constexpr size_t kPublicDevmodeSize = 220;
inline constexpr size_t kPrivateDevmodeSize = 4860;
inline constexpr size_t kUiDevmodeSize = kPublicDevmodeSize + kPrivateDevmodeSize;
inline constexpr uint32_t kPrivateSignature = 0x56495250;  // 'PRIV' read as a little-endian DWORD
inline constexpr WORD kUiDriverVersion = 0x600;
inline constexpr WORD kUiSpecVersion = 0x401;
inline constexpr size_t kCustomPapersInDevmode = 20;
inline constexpr size_t kPrintItemCount = 6;
inline constexpr size_t kFavoriteNameUnits = 256;
inline constexpr size_t kProfileNameUnits = 256;      // "Monitor" and "InputImage"
inline constexpr size_t kOverlayFileNameUnits = 260;
inline constexpr size_t kHeaderFontNameUnits = 32;

// One header/footer item: whether it prints and where (0..5).
struct PrintItem {
  int16_t on;
  int16_t position;
};
static_assert(sizeof(PrintItem) == 4);

struct PrivateDevmode {
  uint32_t signature;                    // kPrivateSignature
  int16_t colorMode;                     // "ColorMode"
  int16_t duplex;                        // "Duplex"
  int16_t duplexIndex;                   // "DuplexIndex"
  int16_t reverseOrder;                  // non-zero: the renderer plays the sheets in reverse
  BYTE reserved12[256];
  int32_t outputSize;                    // "OutputSize"
  int32_t scaleFlag;                     // "ScaleFlag"
  int32_t scaleRadio;                    // "ScaleRadio", percent
  int16_t multipleUp;                    // "MultipleUp"
  int16_t pageOrder;                     // "PageOrder"
  int16_t pageBorder;                    // "PageBorder"
  int16_t mixedOrient;                   // "MixedOrient"
  int16_t watermarkLock;                 // non-zero disables the watermark page
  int16_t posterPrint;                   // "PosterPrint"
  int16_t posterType;                    // "PosterType"
  int16_t cropMarks;                     // "CropMarks"
  int16_t sourceTray;                    // "SourceTray"
  int16_t rotate;                        // "Rotate"
  int16_t feedOrient;                    // "FeedOrient"
  int16_t manualDuplex;                  // "ManualDuplex"
  int16_t mismatch;                      // "Mismatch"
  int16_t bookletPrint;                  // "BookletPrint"
  int16_t bookletBinding;                // "BookletBinding"
  int16_t bookletSubsets;                // "BookletSubsets"
  int16_t bookletSheets;                 // "BookletSheets"
  int16_t bookletGutter;                 // "BookletGutter"
  int16_t bookletAutoFit;                // "BookletAutoFit"
  int16_t bookletMargins;                // "BoookletMargins" (the stored key keeps its spelling)
  int16_t imageShift;                    // "ImageShift"
  int16_t marginsAutoFit;                // "MarginsAutoFit"
  int16_t side;                          // "Side"
  int16_t side2;                         // "Side2"
  int16_t printPosition;                 // "PrintPosition"
  int16_t adjustPrintPosition;           // "AdjustPrintPosition"
  int16_t leftRight;                     // "LeftRight"
  int16_t upDown;                        // "UpDown"
  WCHAR favoriteName[kFavoriteNameUnits];  // "FavoriteName"
  int16_t favoriteIndex;                 // "FavoriteIndex"
  int16_t imageAdjustMode;               // "ImageAdjustMode"
  int16_t imageType[2];                  // "ImageType"
  int16_t applyElements;                 // "ApplyElements"
  int16_t documentElement;               // "DocumentElement"
  int16_t brightness[4];                 // "Brightness"
  int16_t contrast[4];                   // "Constrast" (the stored key keeps its spelling)
  int16_t saturation[4];                 // "Saturation"
  int16_t adjustBalance;                 // "AdjustBalance"
  int16_t targetColor;                   // "TargetColor"
  int16_t highlights[4];                 // "Highlights"
  int16_t midtones[4];                   // "Midtones"
  int16_t shadows[4];                    // "Shadows"
  int16_t profile;                       // "Profile"
  int16_t colorTemperature;              // "ColorTemperature"
  int16_t gammaCorrection;               // "GammaCorrection"
  int16_t imageInputIndex;               // "ImageInputIndex"
  WCHAR monitor[kProfileNameUnits];      // "Monitor"
  WCHAR inputImage[kProfileNameUnits];   // "InputImage"
  int16_t screenType;                    // "ScreenType"
  int16_t tonerSavingMode;               // "TonerSavingMode"
  int16_t rotate180;                     // "Rotate180"
  int16_t mirror;                        // "Mirror"
  int16_t thickness;                     // "Thickness"
  int16_t negative;                      // "Negative"
  int16_t zoomPercent;                   // written together with dmScale
  int16_t firstPageOnly;                 // "FirstPageOnly"
  WatermarkRecord watermark;             // "WatermarkData"
  COLORREF lastTextColor;                // the text watermark editor's last colour
  int16_t overlayFlag;                   // "OverlayFlag"
  WCHAR overlayFileName[kOverlayFileNameUnits];  // "OverlayFileName"
  WCHAR headerFontName[kHeaderFontNameUnits];    // "HeaderFontName"
  int16_t headerFontSize;                // "HeaderFontSize"
  int16_t headerBold;                    // "HeaderBold"
  int16_t headerItalic;                  // "HeaderItalic"
  COLORREF headerColor;                  // "HeaderColor"
  int16_t headerColorIndex;              // "HeaderColorIndex"
  PrintItem printItems[kPrintItemCount];  // "PrintItems"
  int16_t reserved3402;
  CustomPaperRecord customPapers[kCustomPapersInDevmode];  // "CustomPaperSize"
  uint32_t downloadTrueType;             // 1: download TrueType; 0: substitute printer fonts
  uint32_t trueTypeAsBitmap;             // 1: TrueType text goes as bitmap soft fonts
  BYTE deviceFontChoice;                 // the renderer's default device font choice
  BYTE reserved4853;
  int16_t deviceFontSizeTenths;          // and its size in tenths of a point
  BYTE reserved4856[4];
};

struct UiDevmode {
  DEVMODEW dmPublic;
  PrivateDevmode dmPrivate;
};

static_assert(sizeof(DEVMODEW) == kPublicDevmodeSize);
static_assert(sizeof(PrivateDevmode) == kPrivateDevmodeSize);
static_assert(sizeof(UiDevmode) == kUiDevmodeSize);
static_assert(offsetof(UiDevmode, dmPrivate) == kPublicDevmodeSize);

static_assert(offsetof(PrivateDevmode, signature) == 0);
static_assert(offsetof(PrivateDevmode, colorMode) == 4);
static_assert(offsetof(PrivateDevmode, duplex) == 6);
static_assert(offsetof(PrivateDevmode, duplexIndex) == 8);
static_assert(offsetof(PrivateDevmode, reverseOrder) == 10);
static_assert(offsetof(PrivateDevmode, reserved12) == 12);
static_assert(offsetof(PrivateDevmode, outputSize) == 268);
static_assert(offsetof(PrivateDevmode, scaleFlag) == 272);
static_assert(offsetof(PrivateDevmode, scaleRadio) == 276);
static_assert(offsetof(PrivateDevmode, multipleUp) == 280);
static_assert(offsetof(PrivateDevmode, pageOrder) == 282);
static_assert(offsetof(PrivateDevmode, pageBorder) == 284);
static_assert(offsetof(PrivateDevmode, mixedOrient) == 286);
static_assert(offsetof(PrivateDevmode, watermarkLock) == 288);
static_assert(offsetof(PrivateDevmode, posterPrint) == 290);
static_assert(offsetof(PrivateDevmode, posterType) == 292);
static_assert(offsetof(PrivateDevmode, cropMarks) == 294);
static_assert(offsetof(PrivateDevmode, sourceTray) == 296);
static_assert(offsetof(PrivateDevmode, rotate) == 298);
static_assert(offsetof(PrivateDevmode, feedOrient) == 300);
static_assert(offsetof(PrivateDevmode, manualDuplex) == 302);
static_assert(offsetof(PrivateDevmode, mismatch) == 304);
static_assert(offsetof(PrivateDevmode, bookletPrint) == 306);
static_assert(offsetof(PrivateDevmode, bookletBinding) == 308);
static_assert(offsetof(PrivateDevmode, bookletSubsets) == 310);
static_assert(offsetof(PrivateDevmode, bookletSheets) == 312);
static_assert(offsetof(PrivateDevmode, bookletGutter) == 314);
static_assert(offsetof(PrivateDevmode, bookletAutoFit) == 316);
static_assert(offsetof(PrivateDevmode, bookletMargins) == 318);
static_assert(offsetof(PrivateDevmode, imageShift) == 320);
static_assert(offsetof(PrivateDevmode, marginsAutoFit) == 322);
static_assert(offsetof(PrivateDevmode, side) == 324);
static_assert(offsetof(PrivateDevmode, side2) == 326);
static_assert(offsetof(PrivateDevmode, printPosition) == 328);
static_assert(offsetof(PrivateDevmode, adjustPrintPosition) == 330);
static_assert(offsetof(PrivateDevmode, leftRight) == 332);
static_assert(offsetof(PrivateDevmode, upDown) == 334);
static_assert(offsetof(PrivateDevmode, favoriteName) == 336);
static_assert(offsetof(PrivateDevmode, favoriteIndex) == 848);
static_assert(offsetof(PrivateDevmode, imageAdjustMode) == 850);
static_assert(offsetof(PrivateDevmode, imageType) == 852);
static_assert(offsetof(PrivateDevmode, applyElements) == 856);
static_assert(offsetof(PrivateDevmode, documentElement) == 858);
static_assert(offsetof(PrivateDevmode, brightness) == 860);
static_assert(offsetof(PrivateDevmode, contrast) == 868);
static_assert(offsetof(PrivateDevmode, saturation) == 876);
static_assert(offsetof(PrivateDevmode, adjustBalance) == 884);
static_assert(offsetof(PrivateDevmode, targetColor) == 886);
static_assert(offsetof(PrivateDevmode, highlights) == 888);
static_assert(offsetof(PrivateDevmode, midtones) == 896);
static_assert(offsetof(PrivateDevmode, shadows) == 904);
static_assert(offsetof(PrivateDevmode, profile) == 912);
static_assert(offsetof(PrivateDevmode, colorTemperature) == 914);
static_assert(offsetof(PrivateDevmode, gammaCorrection) == 916);
static_assert(offsetof(PrivateDevmode, imageInputIndex) == 918);
static_assert(offsetof(PrivateDevmode, monitor) == 920);
static_assert(offsetof(PrivateDevmode, inputImage) == 1432);
static_assert(offsetof(PrivateDevmode, screenType) == 1944);
static_assert(offsetof(PrivateDevmode, tonerSavingMode) == 1946);
static_assert(offsetof(PrivateDevmode, rotate180) == 1948);
static_assert(offsetof(PrivateDevmode, mirror) == 1950);
static_assert(offsetof(PrivateDevmode, thickness) == 1952);
static_assert(offsetof(PrivateDevmode, negative) == 1954);
static_assert(offsetof(PrivateDevmode, zoomPercent) == 1956);
static_assert(offsetof(PrivateDevmode, firstPageOnly) == 1958);
static_assert(offsetof(PrivateDevmode, watermark) == 1960);
static_assert(offsetof(PrivateDevmode, lastTextColor) == 2776);
static_assert(offsetof(PrivateDevmode, overlayFlag) == 2780);
static_assert(offsetof(PrivateDevmode, overlayFileName) == 2782);
static_assert(offsetof(PrivateDevmode, headerFontName) == 3302);
static_assert(offsetof(PrivateDevmode, headerFontSize) == 3366);
static_assert(offsetof(PrivateDevmode, headerBold) == 3368);
static_assert(offsetof(PrivateDevmode, headerItalic) == 3370);
static_assert(offsetof(PrivateDevmode, headerColor) == 3372);
static_assert(offsetof(PrivateDevmode, headerColorIndex) == 3376);
static_assert(offsetof(PrivateDevmode, printItems) == 3378);
static_assert(offsetof(PrivateDevmode, reserved3402) == 3402);
static_assert(offsetof(PrivateDevmode, customPapers) == 3404);
static_assert(offsetof(PrivateDevmode, downloadTrueType) == 4844);
static_assert(offsetof(PrivateDevmode, trueTypeAsBitmap) == 4848);
static_assert(offsetof(PrivateDevmode, deviceFontChoice) == 4852);
static_assert(offsetof(PrivateDevmode, deviceFontSizeTenths) == 4854);
static_assert(offsetof(PrivateDevmode, reserved4856) == 4856);

}  // namespace vm4k2
