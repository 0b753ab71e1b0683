// The reference registry of the pages' heap stores: a page that makes a FavoriteStore (or
// another SettingStore) for one operation registers it, and every holder releases it; the
// last release deletes it. One registry per process, shared by the threads of every sheet.
#pragma once

#include "ui/core/setting_stores.h"

namespace vm4k2ui {

// Registers the store with count 1, or counts one more reference. nullptr is ignored.
void AddObjectRef(SettingStore* store);
// Nothing for a null holder. Otherwise one reference less; the last one deletes the store.
// The holder is cleared either way. A store that was never registered (or is already gone) is
// left alone: releasing it cannot delete what the registry does not hold.
void ReleaseObjectRef(SettingStore*& holder);
// The store's count, 0 when it is not registered.
int ObjectRefCount(const SettingStore* store);

}  // namespace vm4k2ui
