#include "ui/core/setting_stores.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "ui/core/devmode.h"
#include "ui/core/printer_ui_context.h"
#include "ui/core/private_devmode.h"
#include "ui/core/public_settings.h"
#include "ui/core/satellite.h"
#include "ui/core/watermark_records.h"

namespace vm4k2ui {
namespace {

constexpr char kUiParam[] = "UIParam";
constexpr const char* kStoreObjects[] = {"savesetting", "cursetting", "cuspapersetting", "watermarksetting"};
constexpr UINT kNewWatermarkNameId = 5025;
constexpr int kWatermarkIdLimit = 32;
constexpr int kFirstUserWatermarkId = 3;

// An entry name the file can carry: at most 32 characters, and no '<' or '>', which the
// file's own headers use.
bool UsableName(const WCHAR* name, std::u16string_view* out) {
  if (!name) return false;
  size_t n = 0;
  while (n <= kStoreNameLimit && name[n]) ++n;
  if (n == 0 || n > kStoreNameLimit) return false;
  std::u16string_view view(reinterpret_cast<const char16_t*>(name), n);
  if (view.find_first_of(u"<>") != std::u16string_view::npos) return false;
  *out = view;
  return true;
}

ConfigObject* StoreObject(ConfigObject* root, const char* object) {
  return ConfigObject::FindChildUtf8(ConfigObject::FindChildUtf8(root, kUiParam), object);
}

// One open-modify-save of the settings file, under its lock. `op` returns the result and
// says whether it changed the tree; a change that cannot be saved fails the operation.
template <typename Op>
int WithSettingsFile(Op op) {
  WCHAR path[kSettingsPathUnits];
  if (!GetSettingsFilePath(path, kSettingsPathUnits)) return 0;
  std::u16string_view pathView(reinterpret_cast<const char16_t*>(path));
  SettingsFileLock lock(pathView);
  if (!lock.held()) return 0;
  std::unique_ptr<ConfigFile> file = ConfigFile::Open(pathView);
  if (!file) return 0;
  bool changed = false;
  int result = op(file->root(), &changed);
  if (changed && result && !ConfigFile::Save(file.get())) result = 0;
  return result;
}

template <typename T>
void CopyName(const WCHAR* from, T* to, size_t units) {
  size_t n = 0;
  while (n + 1 < units && from[n]) {
    to[n] = from[n];
    ++n;
  }
  to[n] = 0;
}

}  // namespace

void NameList::SetRow(int index, std::u16string_view name) {
  auto& row = rows[static_cast<size_t>(index)];
  row.fill(0);
  size_t n = std::min(name.size(), row.size() - 1);
  std::copy_n(name.begin(), n, row.begin());
}

bool NameList::Contains(std::u16string_view name) const {
  for (const auto& row : rows) {
    if (std::u16string_view(reinterpret_cast<const char16_t*>(row.data())) == name) return true;
  }
  return false;
}

// ---- the common store operations ----------------------------------------------------

int SettingStore::SaveBytes(const char* object, const WCHAR* name, const void* data, size_t size) {
  std::u16string_view entry;
  if (!UsableName(name, &entry) || !data || size == 0 || size > (1u << 20)) return 0;
  return WithSettingsFile([&](ConfigObject* root, bool* changed) {
    ConfigObject* store = StoreObject(root, object);
    if (!store) return 0;
    ConfigObject::RemoveChild(store, entry);
    if (!ConfigObject::AddChild(store, entry, "binary", data, static_cast<int32_t>(size))) return 0;
    *changed = true;
    return 1;
  });
}

int SettingStore::LoadBytes(const WCHAR* name, void* buffer, size_t size) {
  std::u16string_view entry;
  if (!UsableName(name, &entry) || !buffer) return 0;
  return WithSettingsFile([&](ConfigObject* root, bool*) {
    ConfigObject* found = ConfigObject::FindChild(StoreObject(root, StoreObjectName()), entry);
    if (!found || found->value.size() != size) return 0;
    std::memcpy(buffer, found->value.data(), size);
    return 1;
  });
}

int SettingStore::Save(const WCHAR* name, const void* data, size_t size) {
  return SaveBytes(StoreObjectName(), name, data, size);
}

int SettingStore::Load(const WCHAR* name, void* buffer, size_t size) { return LoadBytes(name, buffer, size); }

int SettingStore::Delete(const WCHAR* name) {
  std::u16string_view entry;
  if (!UsableName(name, &entry)) return 0;
  return WithSettingsFile([&](ConfigObject* root, bool* changed) {
    if (!ConfigObject::RemoveChild(StoreObject(root, StoreObjectName()), entry)) return 0;
    *changed = true;
    return 1;
  });
}

int SettingStore::SaveCurrent(const WCHAR*, const PrinterUiContext*) { return 0; }

int SettingStore::Enumerate(NameList* list) {
  return WithSettingsFile([&](ConfigObject* root, bool*) {
    ConfigObject* store = StoreObject(root, StoreObjectName());
    if (!store) return 0;
    if (!list) return store->ChildCount();
    list->Free();
    return ConfigObject::ChildNames(store, list, list->RowCount());
  });
}

int SettingStore::EnsureFile() {
  return WithSettingsFile([&](ConfigObject* root, bool* changed) {
    ConfigObject* uiParam = ConfigObject::FindChildUtf8(root, kUiParam);
    if (!uiParam) {
      uiParam = ConfigObject::AddChild(root, u"UIParam", "null", nullptr, 0);
      *changed = true;
    }
    for (size_t i = 0; i < EnsuredStoreObjects(); ++i) {
      if (ConfigObject::FindChildUtf8(uiParam, kStoreObjects[i])) continue;
      std::u16string name(kStoreObjects[i], kStoreObjects[i] + std::strlen(kStoreObjects[i]));
      ConfigObject::AddChild(uiParam, name, "null", nullptr, 0);
      *changed = true;
    }
    return 1;
  });
}

// ---- favourites ---------------------------------------------------------------------

int FavoriteStore::Save(const WCHAR* name, const void* data, size_t) {
  if (!data) return 0;
  std::vector<uint8_t> record(kFavoriteRecordSize, 0);
  PackFavoriteRecord(static_cast<const PrinterUiContext*>(data), record.data());
  return SaveBytes(StoreObjectName(), name, record.data(), record.size());
}

int FavoriteStore::SaveCurrent(const WCHAR* name, const PrinterUiContext* context) {
  if (!context) return 0;
  std::vector<uint8_t> record(kFavoriteRecordSize, 0);
  PackFavoriteRecord(context, record.data());
  return SaveBytes("cursetting", name, record.data(), record.size());
}

int FavoriteStore::Load(const WCHAR* name, void* buffer, size_t) {
  auto* context = static_cast<PrinterUiContext*>(buffer);
  if (!context) return 0;
  std::vector<uint8_t> record(kFavoriteRecordSize);
  if (!LoadBytes(name, record.data(), record.size())) return 0;

  // The record comes from a per-user file and may have been written for another printer or
  // damaged: it brings its settings, never its header, and every value is checked before
  // the context takes it.
  vm4k2::UiDevmode loaded = context->devmode;
  std::memcpy(&loaded.dmPrivate, record.data(), sizeof(loaded.dmPrivate));
  std::memcpy(&loaded.dmPublic, record.data() + sizeof(loaded.dmPrivate), sizeof(loaded.dmPublic));
  const DEVMODEW& own = context->devmode.dmPublic;
  std::memcpy(loaded.dmPublic.dmDeviceName, own.dmDeviceName, sizeof(own.dmDeviceName));
  loaded.dmPublic.dmSpecVersion = own.dmSpecVersion;
  loaded.dmPublic.dmDriverVersion = own.dmDriverVersion;
  loaded.dmPublic.dmSize = sizeof(DEVMODEW);
  loaded.dmPublic.dmDriverExtra = sizeof(vm4k2::PrivateDevmode);
  ValidatePrivateDevmode(&loaded.dmPrivate);
  vm4k2::UiDevmode merged = context->devmode;
  if (!MergeDevmode(&merged, &loaded.dmPublic)) return 0;
  context->devmode = merged;
  return 1;
}

// ---- watermarks ---------------------------------------------------------------------

std::vector<vm4k2::WatermarkRecord> LoadWatermarkList() {
  WatermarkStore store;
  NameList names;
  int count = store.Enumerate(&names);
  if (count == 0) {
    if (!store.EnsureFile()) return {};
    for (size_t i = 0; i < kBuiltinWatermarkCount; ++i) {
      vm4k2::WatermarkRecord builtin{};
      CopyBuiltinWatermark(i, &builtin);
      store.Save(builtin.name, &builtin, sizeof(builtin));
    }
    count = store.Enumerate(&names);
  }
  std::vector<vm4k2::WatermarkRecord> records;
  for (int i = 0; i < count; ++i) {
    vm4k2::WatermarkRecord record{};
    if (store.Load(names.Row(i), &record, sizeof(record))) records.push_back(record);
  }
  return records;
}

int NextWatermarkId() {
  std::vector<vm4k2::WatermarkRecord> records = LoadWatermarkList();
  int highest = -1;
  for (const auto& record : records) highest = std::max<int>(highest, static_cast<int>(record.id));
  if (highest + 1 <= kWatermarkIdLimit) return highest + 1;
  // Ids past 32 would be repaired to 0 by the DEVMODE checks and then collide with the
  // no-watermark entry; with at most 16 entries a lower id is always free.
  for (int id = kFirstUserWatermarkId; id <= kWatermarkIdLimit; ++id) {
    bool used = std::any_of(records.begin(), records.end(),
                            [id](const vm4k2::WatermarkRecord& r) { return static_cast<int>(r.id) == id; });
    if (!used) return id;
  }
  return kWatermarkIdLimit;
}

namespace {

// A record made from a template still carries its placeholder name "<New>", which the file
// cannot carry: it is stored under the satellite's name for a new watermark.
vm4k2::WatermarkRecord WithStorableName(const vm4k2::WatermarkRecord& record) {
  vm4k2::WatermarkRecord out = record;
  if (std::u16string_view(reinterpret_cast<const char16_t*>(out.name)) != u"<New>") return out;
  HMODULE satellite = nullptr;
  LoadResourceDll(&satellite);
  WCHAR text[vm4k2::kWatermarkNameUnits];
  LoadUiString(satellite, kNewWatermarkNameId, text, static_cast<int>(vm4k2::kWatermarkNameUnits));
  if (satellite) FreeResourceDll(satellite);
  CopyName(text, out.name, vm4k2::kWatermarkNameUnits);
  return out;
}

}  // namespace

int SaveWatermark(const vm4k2::WatermarkRecord& record) {
  vm4k2::WatermarkRecord storable = WithStorableName(record);
  return WatermarkStore().Save(storable.name, &storable, sizeof(storable));
}

int ReplaceWatermark(const vm4k2::WatermarkRecord& record) {
  WatermarkStore store;
  NameList names;
  int count = store.Enumerate(&names);
  bool found = false;
  for (int i = 0; i < count; ++i) {
    vm4k2::WatermarkRecord stored{};
    if (!store.Load(names.Row(i), &stored, sizeof(stored)) || stored.id != record.id) continue;
    store.Delete(names.Row(i));
    found = true;
  }
  return found ? SaveWatermark(record) : 0;
}

// ---- custom papers for the capability answers --------------------------------------

namespace {

class StoreCustomPapers : public CustomPaperSource {
 public:
  std::vector<vm4k2::CustomPaperRecord> ReadAll() const override {
    CustomPaperStore store;
    NameList names;
    int count = store.Enumerate(&names);
    std::vector<vm4k2::CustomPaperRecord> records;
    for (int i = 0; i < count; ++i) {
      vm4k2::CustomPaperRecord record{};
      if (store.Load(names.Row(i), &record, sizeof(record))) records.push_back(record);
    }
    return records;
  }
};

}  // namespace

const CustomPaperSource* StoredCustomPaperSource() {
  static const StoreCustomPapers source;
  return &source;
}

}  // namespace vm4k2ui
