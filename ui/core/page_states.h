// PageStateTable: the per-thread state of the property pages and their dialogs. A page's
// state outlives its window (the sheet re-creates windows, the state stays) and is released
// when the document sheets are destroyed (ReleasePageStates).
//
// A row belongs to one thread, found by its full thread id: two sheets open on two threads
// never share a row, so closing one cannot delete the other's objects.
#pragma once

#include <cstddef>
#include <new>

#include <win/base.h>

namespace vm4k2ui {

inline constexpr size_t kPageStateEntries = 16;
// Entries 0..4 (basic, paper, layout and watermark pages, custom paper dialog) end with the
// document sheets; the others are deleted by the dialogs that own them (ReleasePageState), or
// with the sheets when a dialog left its entry behind.
inline constexpr size_t kSheetOwnedPageStates = 5;

// Base of every object kept in the table, so that releasing it runs its own destructor.
struct PageState {
  virtual ~PageState() = default;
};

// Entry `index` of the calling thread's row, or nullptr.
PageState* FindPageState(size_t index);
// Puts `state` into entry `index` of the calling thread's row, which takes ownership. FALSE
// (and `state` deleted) when the index is outside the row or the entry is taken.
BOOL StorePageState(size_t index, PageState* state);
// Deletes entry `index` of the calling thread's row, if any.
void ReleasePageState(size_t index);
// Deletes every entry of the calling thread's row once, in index order: entries 0..4 first,
// then whatever a dialog left behind.
void ReleasePageStates();
// Rows currently held, for whoever checks that closed sheets leave nothing behind.
size_t PageStateRowCount();

// The accessor of one kind of state: the calling thread's object of entry `index`, made on
// first use; nullptr when it cannot be made or the entry holds another kind.
template <typename State>
State* GetPageState(size_t index) {
  if (PageState* found = FindPageState(index)) return dynamic_cast<State*>(found);
  State* made = new (std::nothrow) State();
  if (made == nullptr || !StorePageState(index, made)) return nullptr;
  return made;
}

}  // namespace vm4k2ui
