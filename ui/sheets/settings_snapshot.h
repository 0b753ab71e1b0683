// The favourites' view of "did the settings change": a snapshot of the settings a favourite
// name stands for, compared with the live settings when the user comes back to the basic
// page or applies the sheet. Only the settings a favourite restores are compared, so that a
// change the favourites cannot show (a colour profile, say) does not rename the settings.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <win/base.h>

#include <vm4k2/watermark_record.h>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

class SettingsSnapshot {
 public:
  static constexpr size_t kOptionCount = 24;
  static constexpr size_t kWatermarkOption = 12;

  // Takes the values from the context's settings and keeps where they live; the context
  // must outlive the snapshot (the sheet's context does).
  void Capture(const PrinterUiContext& context);
  // True when any kept value differs from its live value (the watermark compared whole).
  bool IsModified() const;

 private:
  struct Option {
    uint16_t saved = 0;
    const void* live = nullptr;  // the low 16 bits of the live value start here
  };
  std::array<Option, kOptionCount> options_{};
  vm4k2::WatermarkRecord watermark_{};
  const vm4k2::WatermarkRecord* liveWatermark_ = nullptr;
};

// Results of SnapshotHolder::Test.
enum SnapshotTestResult : int {
  kSnapshotCaptured = 0,          // the holder tracked no page: the snapshot was (re)taken
  kChangedSinceOtherPage = 1,     // the previous page is not the holder's, settings changed
  kUnchangedSinceOtherPage = 2,
  kChangedOnHolderPage = 4,       // the previous page is the holder's, settings changed
  kUnchangedOnHolderPage = 8,
};

// Owned by the basic page's state: the page it tracks (0 none, 1..4 the document pages),
// the basic page's window and its snapshot.
class SnapshotHolder {
 public:
  virtual ~SnapshotHolder() = default;

  int Test(int previousPage, const PrinterUiContext& context);
  void Capture(const PrinterUiContext& context);

  int page = 0;
  HWND window = nullptr;

 private:
  std::unique_ptr<SettingsSnapshot> snapshot_;
};

}  // namespace vm4k2ui
