#include "ui/core/page_states.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>

#include <win/system.h>

namespace vm4k2ui {

namespace {

using Row = std::array<std::unique_ptr<PageState>, kPageStateEntries>;

// The rows of all threads. The lock guards the map only; a row's objects are used by its own
// thread alone, and an object is deleted outside the lock so its destructor may use the table.
struct PageStateTable {
  std::mutex lock;
  std::map<DWORD, Row> rows;
};

PageStateTable& Table() {
  static PageStateTable table;
  return table;
}

bool RowIsEmpty(const Row& row) {
  for (const auto& entry : row)
    if (entry) return false;
  return true;
}

std::unique_ptr<PageState> Take(DWORD thread, size_t index) {
  PageStateTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto row = table.rows.find(thread);
  if (row == table.rows.end()) return nullptr;
  std::unique_ptr<PageState> taken = std::move(row->second[index]);
  if (RowIsEmpty(row->second)) table.rows.erase(row);
  return taken;
}

}  // namespace

PageState* FindPageState(size_t index) {
  if (index >= kPageStateEntries) return nullptr;
  PageStateTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto row = table.rows.find(GetCurrentThreadId());
  return row == table.rows.end() ? nullptr : row->second[index].get();
}

BOOL StorePageState(size_t index, PageState* state) {
  std::unique_ptr<PageState> owned(state);
  if (index >= kPageStateEntries || state == nullptr) return FALSE;
  PageStateTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Row& row = table.rows[GetCurrentThreadId()];
  if (row[index]) {
    if (RowIsEmpty(row)) table.rows.erase(GetCurrentThreadId());
    return FALSE;
  }
  row[index] = std::move(owned);
  return TRUE;
}

void ReleasePageState(size_t index) {
  if (index >= kPageStateEntries) return;
  Take(GetCurrentThreadId(), index);
}

void ReleasePageStates() {
  // The sheets' own entries go first, in their order; what a dialog left behind (its owner
  // normally frees it) goes with them, so nothing of the thread outlives its sheets.
  const DWORD thread = GetCurrentThreadId();
  for (size_t index = 0; index < kPageStateEntries; ++index) Take(thread, index);
}

size_t PageStateRowCount() {
  PageStateTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return table.rows.size();
}

}  // namespace vm4k2ui
