#include "ui/sheets/object_refs.h"

#include <map>
#include <mutex>

namespace vm4k2ui {

namespace {

// Sheets run on several threads at once (printing preferences of two applications), so the
// registry is locked; a store is deleted outside the lock, as its destructor may do file work.
struct Registry {
  std::mutex lock;
  std::map<const SettingStore*, int> counts;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void AddObjectRef(SettingStore* store) {
  if (store == nullptr) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  ++registry.counts[store];
}

void ReleaseObjectRef(SettingStore*& holder) {
  SettingStore* store = holder;
  if (store == nullptr) return;
  holder = nullptr;
  bool last = false;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto entry = registry.counts.find(store);
    if (entry == registry.counts.end()) return;
    if (--entry->second <= 0) {
      registry.counts.erase(entry);
      last = true;
    }
  }
  if (last) delete store;
}

int ObjectRefCount(const SettingStore* store) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto entry = registry.counts.find(store);
  return entry == registry.counts.end() ? 0 : entry->second;
}

}  // namespace vm4k2ui
