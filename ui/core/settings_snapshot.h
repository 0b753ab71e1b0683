// The basic page's settings snapshot as the apply of any page sees it. The basic page keeps
// a snapshot of the settings its favourites combo names; an apply on any page that changed
// them since makes the combo show the unsaved entry. The basic page's state (entry 0 of the
// page-state table) implements SnapshotHolderSource; the apply finds it without making it.
#pragma once

#include <cstdint>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

class SettingsSnapshotHolder {
 public:
  virtual ~SettingsSnapshotHolder() = default;
  // The page being applied (the context's active-page number: 1 basic ... 4 watermark).
  virtual void TakeActivePage(int32_t activePage) = 0;
  // Whether the settings differ from the snapshot taken for that page.
  virtual bool ChangedSinceSnapshot(const PrinterUiContext& context) = 0;
  // The favourites combo shows the unsaved entry.
  virtual void ShowUnsavedEntry(PrinterUiContext& context) = 0;
  virtual void TakeSnapshot(const PrinterUiContext& context) = 0;
};

class SnapshotHolderSource {
 public:
  virtual ~SnapshotHolderSource() = default;
  // nullptr while the page has no snapshot.
  virtual SettingsSnapshotHolder* SnapshotHolder() = 0;
};

// The page-state entry of the basic page.
inline constexpr size_t kBasicPageStateEntry = 0;

}  // namespace vm4k2ui
