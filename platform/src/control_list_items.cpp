// The item list of combo boxes and list boxes (control_list_items.h).
#include "control_list_items.h"

#include <algorithm>

#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/user_draw.h>

namespace plat::dialogs {
namespace {

std::u16string_view ParamText(LPARAM lParam) {
  const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
  return text ? std::u16string_view(text) : std::u16string_view();
}

// The order of a sorted list: without case for the ASCII letters.
int Compare(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 0x20);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 0x20);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

LRESULT ItemList::Add(int index, LPARAM lParam, bool hasStrings, bool sorted) {
  if (items_.size() >= kMaxItems) return kListNoSpace;
  std::u16string text = hasStrings ? std::u16string(ParamText(lParam)) : std::u16string();
  size_t at = items_.size();
  if (sorted && hasStrings) {
    at = 0;
    while (at < items_.size() && Compare(items_[at].text, text) <= 0) ++at;
  } else if (index >= 0) {
    if (static_cast<size_t>(index) > items_.size()) return kListError;
    at = static_cast<size_t>(index);
  }
  items_.insert(items_.begin() + static_cast<long>(at),
                ListItem{std::move(text), hasStrings ? 0 : static_cast<ULONG_PTR>(lParam), 0});
  if (selection >= static_cast<int>(at)) ++selection;
  return static_cast<LRESULT>(at);
}

LRESULT ItemList::Delete(WPARAM index) {
  if (!Valid(index)) return kListError;
  const int at = static_cast<int>(index);
  items_.erase(items_.begin() + at);
  if (selection == at) selection = -1;
  else if (selection > at) --selection;
  if (topIndex >= Count()) topIndex = std::max(Count() - 1, 0);
  return Count();
}

LRESULT ItemList::Find(WPARAM start, LPARAM lParam, bool hasStrings, bool exact) const {
  const size_t n = items_.size();
  if (n == 0) return kListError;
  const int from = static_cast<int>(start);
  const size_t first = (from < 0 || static_cast<size_t>(from) >= n) ? 0 : static_cast<size_t>(from) + 1;
  const std::u16string_view text = hasStrings ? ParamText(lParam) : std::u16string_view();
  for (size_t step = 0; step < n; ++step) {
    const size_t i = (first + step) % n;
    const ListItem& item = items_[i];
    const bool match = !hasStrings ? item.data == static_cast<ULONG_PTR>(lParam)
                       : exact     ? SameTextNoCase(item.text, text)
                                   : StartsWithNoCase(item.text, text);
    if (match) return static_cast<LRESULT>(i);
  }
  return kListError;
}

LRESULT ItemList::CopyText(WPARAM index, LPARAM buffer, bool hasStrings) const {
  if (!Valid(index)) return kListError;
  const ListItem& item = At(index);
  if (!hasStrings) {
    if (buffer) *reinterpret_cast<ULONG_PTR*>(buffer) = item.data;
    return sizeof(ULONG_PTR);
  }
  // The caller promises room for the whole text, as the platform's CB_GETLBTEXT and
  // LB_GETTEXT require.
  WCHAR* out = reinterpret_cast<WCHAR*>(buffer);
  if (!out) return kListError;
  std::copy(item.text.begin(), item.text.end(), out);
  out[item.text.size()] = 0;
  return static_cast<LRESULT>(item.text.size());
}

LRESULT ItemList::TextLength(WPARAM index, bool hasStrings) const {
  if (!Valid(index)) return kListError;
  return hasStrings ? static_cast<LRESULT>(At(index).text.size()) : static_cast<LRESULT>(sizeof(ULONG_PTR));
}

RECT ItemList::RowRect(const RECT& area, int index) const {
  auto heightOf = [&](int i) {
    UINT h = Valid(static_cast<WPARAM>(i)) ? At(static_cast<WPARAM>(i)).height : 0;
    return static_cast<LONG>(h ? h : itemHeight);
  };
  LONG top = area.top;
  for (int i = topIndex; i < index && i < Count(); ++i) top += heightOf(i);
  return RECT{area.left, top, area.right, top + heightOf(index)};
}

int ItemList::RowAt(const RECT& area, LONG y) const {
  for (int i = topIndex; i < Count(); ++i) {
    RECT row = RowRect(area, i);
    if (row.top >= area.bottom) break;
    if (y >= row.top && y < row.bottom) return i;
  }
  return -1;
}

void ItemList::PaintRows(const ControlPaint& paint, const RECT& area, UINT ctlType, bool ownerDrawn) const {
  const bool focused = GetFocus() == paint.control;
  for (int i = topIndex; i < Count(); ++i) {
    RECT row = RowRect(area, i);
    if (row.top >= area.bottom) break;
    const bool selected = i == selection;
    if (ownerDrawn) {
      UINT itemState = (selected ? ODS_SELECTED : 0) | (selected && focused ? ODS_FOCUS : 0) |
                       (paint.disabled ? ODS_DISABLED : 0);
      // The parent draws inside the row only; the clip is lifted again for the next row.
      SendDrawItem(paint.control, ctlType, static_cast<UINT>(i), ODA_DRAWENTIRE, itemState, row,
                   At(static_cast<WPARAM>(i)).data, paint.dc);
      SelectClipRgn(paint.dc, nullptr);
      continue;
    }
    const COLORREF ink = GetTextColor(paint.dc);
    if (selected) {
      FillSysColor(paint.dc, row, COLOR_HIGHLIGHT);
      SetTextColor(paint.dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    RECT text{row.left + 2, row.top, row.right - 2, row.bottom};
    DrawControlText(paint, At(static_cast<WPARAM>(i)).text, text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(paint.dc, ink);
    if (selected && focused) DrawFocusRect(paint.dc, &row);
  }
}

}  // namespace plat::dialogs
