// The item list that combo boxes and list boxes share: strings with their data, sorted insertion,
// searches without case, and the owner-drawn item heights.
#pragma once

#include <string>
#include <vector>

#include <win/user.h>

#include "internal/dialogs.h"

namespace plat::dialogs {

struct ListItem {
  std::u16string text;
  ULONG_PTR data = 0;
  UINT height = 0;
};

class ItemList {
 public:
  // Platform limits: an index past the end is an error, never a write outside the list.
  static constexpr size_t kMaxItems = 32767;

  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(WPARAM index) const { return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < items_.size(); }
  ListItem& At(WPARAM index) { return items_[static_cast<size_t>(static_cast<int>(index))]; }

  // Inserts at `index` (-1: the end) or in sorted place; the index taken or -1 (full) / -2.
  int Insert(int index, std::u16string text, ULONG_PTR data, bool sorted) {
    if (items_.size() >= kMaxItems) return -2;
    size_t at = items_.size();
    if (sorted) {
      at = 0;
      while (at < items_.size() && Compare(items_[at].text, text) <= 0) ++at;
    } else if (index >= 0) {
      if (static_cast<size_t>(index) > items_.size()) return -1;
      at = static_cast<size_t>(index);
    }
    items_.insert(items_.begin() + static_cast<long>(at), ListItem{std::move(text), data, 0});
    return static_cast<int>(at);
  }
  bool Erase(WPARAM index) {
    if (!Valid(index)) return false;
    items_.erase(items_.begin() + static_cast<int>(index));
    return true;
  }
  void Clear() { items_.clear(); }

  // The first item after `start` (-1: from the top, wrapping) whose text equals, or begins with,
  // `text` without case; -1 when none.
  int Find(int start, std::u16string_view text, bool exact) const {
    const size_t n = items_.size();
    if (n == 0) return -1;
    size_t first = (start < 0 || static_cast<size_t>(start) >= n) ? 0 : static_cast<size_t>(start) + 1;
    for (size_t step = 0; step < n; ++step) {
      const ListItem& item = items_[(first + step) % n];
      if (exact ? SameTextNoCase(item.text, text) : StartsWithNoCase(item.text, text))
        return static_cast<int>((first + step) % n);
    }
    return -1;
  }

 private:
  static int Compare(const std::u16string& a, const std::u16string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      char16_t x = a[i], y = b[i];
      if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 0x20);
      if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 0x20);
      if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  }
  std::vector<ListItem> items_;
};

// Copies an item's text into a caller's buffer (the caller promises room for the whole text, as
// the platform's CB_GETLBTEXT and LB_GETTEXT require); the length copied.
inline LRESULT CopyItemText(const ListItem& item, LPARAM buffer) {
  WCHAR* out = reinterpret_cast<WCHAR*>(buffer);
  if (!out) return -1;
  std::copy(item.text.begin(), item.text.end(), out);
  out[item.text.size()] = 0;
  return static_cast<LRESULT>(item.text.size());
}

}  // namespace plat::dialogs
