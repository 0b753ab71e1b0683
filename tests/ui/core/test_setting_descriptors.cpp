// The key table through which pages, favourites and the settings snapshot reach private
// settings: every key must land on the field of the stored layout that carries its name.
#include <cstddef>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ui/core/printer_ui_context.h"
#include "ui/core/setting_descriptors.h"

namespace {

using vm4k2::PrivateDevmode;
using vm4k2ui::PrinterUiContext;
using vm4k2ui::SettingDescriptorTable;

#define FIELD(name, member) {name, offsetof(PrivateDevmode, member), sizeof(PrivateDevmode::member)}

struct KeyCase {
  const char* key;
  size_t offset;
  size_t width;
};

const KeyCase kKeys[] = {
    FIELD("OutputSize", outputSize), FIELD("ScaleFlag", scaleFlag), FIELD("ScaleRadio", scaleRadio),
    FIELD("FeedOrient", feedOrient), FIELD("PosterPrint", posterPrint), FIELD("MultipleUp", multipleUp),
    FIELD("PageOrder", pageOrder), FIELD("PageBorder", pageBorder), FIELD("MixedOrient", mixedOrient),
    FIELD("PosterType", posterType), FIELD("CropMarks", cropMarks), FIELD("BookletPrint", bookletPrint),
    FIELD("BookletBinding", bookletBinding), FIELD("BookletSubsets", bookletSubsets),
    FIELD("BookletSheets", bookletSheets), FIELD("BookletGutter", bookletGutter),
    FIELD("BookletAutoFit", bookletAutoFit), FIELD("BoookletMargins", bookletMargins), FIELD("Rotate", rotate),
    FIELD("ImageShift", imageShift), FIELD("MarginsAutoFit", marginsAutoFit), FIELD("Side", side),
    FIELD("PrintPosition", printPosition), FIELD("AdjustPrintPosition", adjustPrintPosition),
    FIELD("LeftRight", leftRight), FIELD("UpDown", upDown), FIELD("FavoriteName", favoriteName),
    FIELD("FavoriteIndex", favoriteIndex), FIELD("FirstPageOnly", firstPageOnly),
    FIELD("WatermarkData", watermark), FIELD("OverlayFlag", overlayFlag),
    FIELD("OverlayFileName", overlayFileName), FIELD("HeaderBold", headerBold),
    FIELD("HeaderItalic", headerItalic), FIELD("HeaderFontSize", headerFontSize),
    FIELD("HeaderFontName", headerFontName), FIELD("PrintItems", printItems),
    FIELD("CustomPaperSize", customPapers), FIELD("SourceTray", sourceTray), FIELD("ManualDuplex", manualDuplex),
    FIELD("DuplexIndex", duplexIndex), FIELD("HeaderColor", headerColor),
    FIELD("HeaderColorIndex", headerColorIndex), FIELD("Side2", side2), FIELD("TonerSavingMode", tonerSavingMode),
    FIELD("ScreenType", screenType), FIELD("Duplex", duplex), FIELD("ColorMode", colorMode),
    FIELD("ImageAdjustMode", imageAdjustMode), FIELD("ImageType", imageType),
    FIELD("ApplyElements", applyElements), FIELD("DocumentElement", documentElement),
    FIELD("Brightness", brightness), FIELD("Constrast", contrast), FIELD("AdjustBalance", adjustBalance),
    FIELD("TargetColor", targetColor), FIELD("Highlights", highlights), FIELD("Midtones", midtones),
    FIELD("Shadows", shadows), FIELD("Profile", profile), FIELD("ColorTemperature", colorTemperature),
    FIELD("GammaCorrection", gammaCorrection), FIELD("Monitor", monitor), FIELD("InputImage", inputImage),
    FIELD("Saturation", saturation), FIELD("ImageInputIndex", imageInputIndex), FIELD("Mismatch", mismatch),
    FIELD("Rotate180", rotate180), FIELD("Mirror", mirror), FIELD("Thickness", thickness),
    FIELD("Negative", negative),
};

std::unique_ptr<PrinterUiContext> MakeContext() {
  auto context = std::make_unique<PrinterUiContext>();
  std::memset(context.get(), 0, sizeof(PrinterUiContext));
  vm4k2ui::BuildSettingDescriptors(&context->descriptors);
  return context;
}

TEST(SettingDescriptors, SeventySevenEntriesWithSixFree) {
  SettingDescriptorTable table;
  vm4k2ui::BuildSettingDescriptors(&table);
  std::set<size_t> freeEntries;
  for (size_t i = 0; i < vm4k2ui::kSettingDescriptorCount; ++i) {
    if (table.entries[i].key[0] == 0) freeEntries.insert(i);
  }
  EXPECT_EQ(freeEntries, (std::set<size_t>{3, 27, 28, 43, 44, 53}));
  EXPECT_STREQ(table.entries[0].key, "OutputSize");
  EXPECT_STREQ(table.entries[32].key, "WatermarkData");
  EXPECT_STREQ(table.entries[76].key, "Negative");
  EXPECT_EQ(std::size(kKeys), vm4k2ui::kSettingDescriptorsInUse);
}

TEST(SettingDescriptors, EveryKeyAddressesItsFieldWithItsWidth) {
  SettingDescriptorTable table;
  vm4k2ui::BuildSettingDescriptors(&table);
  for (const KeyCase& c : kKeys) {
    SCOPED_TRACE(c.key);
    const vm4k2ui::SettingDescriptor* found = nullptr;
    for (const auto& entry : table.entries) {
      if (std::strcmp(entry.key, c.key) == 0) found = &entry;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->offset, c.offset);
    EXPECT_EQ(found->width, c.width);
  }
}

TEST(SettingDescriptors, GetAndSetMoveExactlyTheFieldsBytes) {
  auto context = MakeContext();
  const int32_t scale = 250;
  EXPECT_EQ(vm4k2ui::SetSettingByName(context.get(), "ScaleRadio", &scale, 4), S_OK);
  EXPECT_EQ(context->devmode.dmPrivate.scaleRadio, 250);
  int32_t read = 0;
  EXPECT_EQ(vm4k2ui::GetSettingByName(context.get(), "ScaleRadio", &read, 4), S_OK);
  EXPECT_EQ(read, 250);
  // Neighbours stay untouched.
  EXPECT_EQ(context->devmode.dmPrivate.scaleFlag, 0);
  EXPECT_EQ(context->devmode.dmPrivate.multipleUp, 0);
}

TEST(SettingDescriptors, WrongWidthCopiesNothing) {
  auto context = MakeContext();
  context->devmode.dmPrivate.scaleRadio = 100;
  int16_t buffer = 0x5555;
  EXPECT_EQ(vm4k2ui::GetSettingByName(context.get(), "ScaleRadio", &buffer, 2), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(buffer, 0x5555);
  EXPECT_EQ(vm4k2ui::SetSettingByName(context.get(), "ScaleRadio", &buffer, 2), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(context->devmode.dmPrivate.scaleRadio, 100);
}

TEST(SettingDescriptors, UnknownKeysChangeNothing) {
  auto context = MakeContext();
  auto before = std::make_unique<PrinterUiContext>();
  std::memcpy(before.get(), context.get(), sizeof(PrinterUiContext));
  const int16_t value = 7;
  int16_t out = 0x1234;
  for (const char* key : {"PageSize", "", "scaleradio", "ScaleRadio ", "AdjustPrintPositionX"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(vm4k2ui::SetSettingByName(context.get(), key, &value, 2), E_INVALIDARG);
    EXPECT_EQ(vm4k2ui::GetSettingByName(context.get(), key, &out, 2), E_INVALIDARG);
  }
  EXPECT_EQ(vm4k2ui::SetSettingByName(context.get(), nullptr, &value, 2), E_INVALIDARG);
  EXPECT_EQ(out, 0x1234);
  EXPECT_EQ(0, std::memcmp(before.get(), context.get(), sizeof(PrinterUiContext)));
}

TEST(SettingDescriptors, TheLongestKeyWorksBothWays) {
  auto context = MakeContext();
  const int16_t on = 1;
  EXPECT_EQ(vm4k2ui::SetSettingByName(context.get(), "AdjustPrintPosition", &on, 2), S_OK);
  int16_t read = 0;
  EXPECT_EQ(vm4k2ui::GetSettingByName(context.get(), "AdjustPrintPosition", &read, 2), S_OK);
  EXPECT_EQ(read, 1);
}

}  // namespace
