#include "ui/sheets/settings_snapshot.h"

#include <cstring>

namespace vm4k2ui {

namespace {

uint16_t Low16(const void* live) {
  // Every live value is a 16- or 32-bit little-endian field; its first two bytes are its
  // low 16 bits.
  uint16_t value = 0;
  std::memcpy(&value, live, sizeof(value));
  return value;
}

}  // namespace

void SettingsSnapshot::Capture(const PrinterUiContext& context) {
  const DEVMODEW& pub = context.devmode.dmPublic;
  const vm4k2::PrivateDevmode& priv = context.devmode.dmPrivate;
  const void* live[kOptionCount] = {
      &priv.zoomPercent,      &pub.dmPaperSize,  &pub.dmPaperWidth,      &pub.dmPaperLength,
      &pub.dmDuplex,          &pub.dmCopies,     &pub.dmCollate,         &priv.reverseOrder,
      &pub.dmPrintQuality,    &pub.dmMediaType,  &priv.sourceTray,       &priv.feedOrient,
      &priv.watermark,        &priv.multipleUp,  &priv.pageBorder,       &priv.pageOrder,
      &pub.dmOrientation,     &priv.negative,    &priv.tonerSavingMode,  &priv.rotate180,
      &priv.mirror,           &priv.thickness,   &priv.downloadTrueType, &priv.trueTypeAsBitmap,
  };
  for (size_t i = 0; i < kOptionCount; ++i) {
    options_[i].live = live[i];
    options_[i].saved = i == kWatermarkOption ? 0 : Low16(live[i]);
  }
  liveWatermark_ = &priv.watermark;
  watermark_ = priv.watermark;
}

bool SettingsSnapshot::IsModified() const {
  for (size_t i = 0; i < kOptionCount; ++i) {
    if (i == kWatermarkOption || options_[i].live == nullptr) continue;
    if (Low16(options_[i].live) != options_[i].saved) return true;
  }
  return liveWatermark_ != nullptr && std::memcmp(liveWatermark_, &watermark_, sizeof(watermark_)) != 0;
}

void SnapshotHolder::Capture(const PrinterUiContext& context) {
  if (!snapshot_) snapshot_ = std::make_unique<SettingsSnapshot>();
  snapshot_->Capture(context);
}

int SnapshotHolder::Test(int previousPage, const PrinterUiContext& context) {
  if (page == 0 || !snapshot_) {
    Capture(context);
    if (page == 0) return kSnapshotCaptured;
  }
  const bool modified = snapshot_->IsModified();
  if (previousPage == page) return modified ? kChangedOnHolderPage : kUnchangedOnHolderPage;
  return modified ? kChangedSinceOtherPage : kUnchangedSinceOtherPage;
}

}  // namespace vm4k2ui
