// The settings stores: favourites, custom paper sizes and watermarks kept under "UIParam"
// in the per-user settings file. A store holds no state: every operation opens the file
// under its lock, works on the tree, saves when it changed something, and closes it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include <win/base.h>

#include <vm4k2/custom_paper_record.h>
#include <vm4k2/watermark_record.h>

#include "ui/core/custom_paper_source.h"
#include "ui/core/settings_file.h"

namespace vm4k2ui {

struct PrinterUiContext;

inline constexpr size_t kFavoriteRecordSize = 5592;  // private part, public part, 512 zero bytes
inline constexpr size_t kStoreNameLimit = 32;         // characters of an entry name
inline constexpr int kStoreMaxCount = 16;

// The names of a store's entries: 32 rows of 64 UTF-16 units, zeroed.
struct NameList {
  NameList() : rows(kNameListRows) {}
  int RowCount() const { return static_cast<int>(rows.size()); }
  const WCHAR* Row(int index) const { return rows[static_cast<size_t>(index)].data(); }
  void SetRow(int index, std::u16string_view name);
  bool Contains(std::u16string_view name) const;
  void Free() { rows.assign(rows.size(), {}); }

  std::vector<std::array<WCHAR, kNameListWidth>> rows;
};

class SettingStore {
 public:
  virtual ~SettingStore() = default;
  // 1 saved, 0 failed. An entry of the same name is replaced (and moves to the end).
  virtual int Save(const WCHAR* name, const void* data, size_t size);
  // 1 deleted, 0 not found or failed.
  virtual int Delete(const WCHAR* name);
  // 1 loaded; 0 not found, stored size other than `size`, or failed.
  virtual int Load(const WCHAR* name, void* buffer, size_t size);
  // Favourites only: Save under "cursetting". 0 in the other stores.
  virtual int SaveCurrent(const WCHAR* name, const PrinterUiContext* context);
  // With a list: the names copied (file order, at most 32); without: the number of entries.
  virtual int Enumerate(NameList* list);
  // 1 when the file, "UIParam" and the store objects exist (made when missing).
  virtual int EnsureFile();
  virtual int Count() { return Enumerate(nullptr); }
  virtual int MaxCount() { return kStoreMaxCount; }

 protected:
  virtual const char* StoreObjectName() const = 0;
  // How many of the four store objects EnsureFile makes.
  virtual size_t EnsuredStoreObjects() const { return 4; }

  // Saves raw bytes under `object` (a child of "UIParam").
  int SaveBytes(const char* object, const WCHAR* name, const void* data, size_t size);
  int LoadBytes(const WCHAR* name, void* buffer, size_t size);
};

class FavoriteStore : public SettingStore {
 public:
  // `data` is the PrinterUiContext whose settings become the favourite.
  int Save(const WCHAR* name, const void* data, size_t size) override;
  // `buffer` is the PrinterUiContext that takes the favourite's settings.
  int Load(const WCHAR* name, void* buffer, size_t size) override;
  int SaveCurrent(const WCHAR* name, const PrinterUiContext* context) override;

 protected:
  const char* StoreObjectName() const override { return "savesetting"; }
  size_t EnsuredStoreObjects() const override { return 3; }
};

class CustomPaperStore : public SettingStore {
 protected:
  const char* StoreObjectName() const override { return "cuspapersetting"; }
};

class WatermarkStore : public SettingStore {
 protected:
  const char* StoreObjectName() const override { return "watermarksetting"; }
};

// The stored watermarks in store order. On first use the three built-in records are saved
// first. Entries that cannot be loaded are skipped; empty when none could be.
std::vector<vm4k2::WatermarkRecord> LoadWatermarkList();
// The id for a new watermark: one above the largest stored id, or, when that would pass 32,
// the lowest id from 3 up that no stored record uses.
int NextWatermarkId();
int SaveWatermark(const vm4k2::WatermarkRecord& record);
// Replaces every stored record with the record's id. 0 when none has it.
int ReplaceWatermark(const vm4k2::WatermarkRecord& record);

// The custom paper store as the capability answers and paper lookups read it.
const CustomPaperSource* StoredCustomPaperSource();

}  // namespace vm4k2ui
