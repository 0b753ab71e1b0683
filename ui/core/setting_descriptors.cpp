#include "ui/core/setting_descriptors.h"

#include <cstring>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

namespace {

struct DescriptorRow {
  const char* key;
  uint32_t width;
  uint32_t offset;
};

// In entry order; the empty rows are entries the table keeps free.
constexpr DescriptorRow kDescriptorRows[kSettingDescriptorCount] = {
    {"OutputSize", 4, 268},        {"ScaleFlag", 4, 272},          {"ScaleRadio", 4, 276},
    {"", 0, 0},                    {"FeedOrient", 2, 300},         {"PosterPrint", 2, 290},
    {"MultipleUp", 2, 280},        {"PageOrder", 2, 282},          {"PageBorder", 2, 284},
    {"MixedOrient", 2, 286},       {"PosterType", 2, 292},         {"CropMarks", 2, 294},
    {"BookletPrint", 2, 306},      {"BookletBinding", 2, 308},     {"BookletSubsets", 2, 310},
    {"BookletSheets", 2, 312},     {"BookletGutter", 2, 314},      {"BookletAutoFit", 2, 316},
    {"BoookletMargins", 2, 318},   {"Rotate", 2, 298},             {"ImageShift", 2, 320},
    {"MarginsAutoFit", 2, 322},    {"Side", 2, 324},               {"PrintPosition", 2, 328},
    {"AdjustPrintPosition", 2, 330}, {"LeftRight", 2, 332},        {"UpDown", 2, 334},
    {"", 0, 0},                    {"", 0, 0},                     {"FavoriteName", 512, 336},
    {"FavoriteIndex", 2, 848},     {"FirstPageOnly", 2, 1958},     {"WatermarkData", 816, 1960},
    {"OverlayFlag", 2, 2780},      {"OverlayFileName", 520, 2782}, {"HeaderBold", 2, 3368},
    {"HeaderItalic", 2, 3370},     {"HeaderFontSize", 2, 3366},    {"HeaderFontName", 64, 3302},
    {"PrintItems", 24, 3378},      {"CustomPaperSize", 1440, 3404}, {"SourceTray", 2, 296},
    {"ManualDuplex", 2, 302},      {"", 0, 0},                     {"", 0, 0},
    {"DuplexIndex", 2, 8},         {"HeaderColor", 4, 3372},       {"HeaderColorIndex", 2, 3376},
    {"Side2", 2, 326},             {"TonerSavingMode", 2, 1946},   {"ScreenType", 2, 1944},
    {"Duplex", 2, 6},              {"ColorMode", 2, 4},            {"", 0, 0},
    {"ImageAdjustMode", 2, 850},   {"ImageType", 4, 852},          {"ApplyElements", 2, 856},
    {"DocumentElement", 2, 858},   {"Brightness", 8, 860},         {"Constrast", 8, 868},
    {"AdjustBalance", 2, 884},     {"TargetColor", 2, 886},        {"Highlights", 8, 888},
    {"Midtones", 8, 896},          {"Shadows", 8, 904},            {"Profile", 2, 912},
    {"ColorTemperature", 2, 914},  {"GammaCorrection", 2, 916},    {"Monitor", 512, 920},
    {"InputImage", 512, 1432},     {"Saturation", 8, 876},         {"ImageInputIndex", 2, 918},
    {"Mismatch", 2, 304},          {"Rotate180", 2, 1948},         {"Mirror", 2, 1950},
    {"Thickness", 2, 1952},        {"Negative", 2, 1954},
};

constexpr bool RowsFitThePrivatePart() {
  for (const DescriptorRow& row : kDescriptorRows) {
    if (row.offset + row.width > vm4k2::kPrivateDevmodeSize) return false;
  }
  return true;
}
static_assert(RowsFitThePrivatePart());

constexpr HRESULT kWrongWidth = static_cast<HRESULT>(0x8007007A);

const SettingDescriptor* FindEntry(const SettingDescriptorTable& table, const char* key, bool wholeKey) {
  if (key == nullptr || key[0] == 0) return nullptr;
  for (const SettingDescriptor& entry : table.entries) {
    if (entry.key[0] == 0) continue;
    const bool same = wholeKey ? std::strcmp(entry.key, key) == 0
                               : std::strncmp(entry.key, key, kSettingKeyBytes) == 0;
    if (same) return &entry;
  }
  return nullptr;
}

// An entry is used only when it lies inside the private part: the table travels inside the
// context and must not become a way to reach other memory.
bool EntryInBounds(const SettingDescriptor& entry) {
  return size_t{entry.offset} + entry.width <= vm4k2::kPrivateDevmodeSize;
}

}  // namespace

void BuildSettingDescriptors(SettingDescriptorTable* table) {
  std::memset(table, 0, sizeof(*table));
  for (size_t i = 0; i < kSettingDescriptorCount; ++i) {
    std::strncpy(table->entries[i].key, kDescriptorRows[i].key, kSettingKeyBytes - 1);
    table->entries[i].width = kDescriptorRows[i].width;
    table->entries[i].offset = kDescriptorRows[i].offset;
  }
}

HRESULT GetSettingByName(const PrinterUiContext* context, const char* key, void* buffer, uint32_t width) {
  if (context == nullptr) return E_INVALIDARG;
  const SettingDescriptor* entry = FindEntry(context->descriptors, key, true);
  if (entry == nullptr || !EntryInBounds(*entry)) return E_INVALIDARG;
  if (entry->width != width) return kWrongWidth;
  if (width != 0 && buffer == nullptr) return E_INVALIDARG;
  std::memcpy(buffer, reinterpret_cast<const BYTE*>(&context->devmode.dmPrivate) + entry->offset, width);
  return S_OK;
}

HRESULT SetSettingByName(PrinterUiContext* context, const char* key, const void* data, uint32_t width) {
  if (context == nullptr) return E_INVALIDARG;
  const SettingDescriptor* entry = FindEntry(context->descriptors, key, false);
  if (entry == nullptr || !EntryInBounds(*entry)) return E_INVALIDARG;
  if (entry->width != width) return kWrongWidth;
  if (width != 0 && data == nullptr) return E_INVALIDARG;
  std::memcpy(reinterpret_cast<BYTE*>(&context->devmode.dmPrivate) + entry->offset, data, width);
  return S_OK;
}

}  // namespace vm4k2ui
