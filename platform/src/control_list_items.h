// The item list that combo boxes and list boxes share: strings with their data, sorted insertion,
// searches without case, the owner-drawn item heights, the selection that follows insertions and
// deletions, the rows' rectangles, and the rows painted as text or through WM_DRAWITEM.
// LB_ERR/CB_ERR (-1) and LB_ERRSPACE/CB_ERRSPACE (-2) have the same values, so the answers
// below serve both classes.
#pragma once

#include <string>
#include <vector>

#include <win/user.h>

#include "internal/dialogs.h"

namespace plat::dialogs {

struct ListItem {
  std::u16string text;
  ULONG_PTR data = 0;
  UINT height = 0;  // owner-drawn variable rows only; 0: the list's row height
};

constexpr LRESULT kListError = -1;
constexpr LRESULT kListNoSpace = -2;

class ItemList {
 public:
  // Platform limits: an index past the end is an error, never a write outside the list.
  static constexpr size_t kMaxItems = 32767;

  int selection = -1;
  int topIndex = 0;
  UINT itemHeight = 16;

  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(WPARAM index) const {
    return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < items_.size();
  }
  ListItem& At(WPARAM index) { return items_[static_cast<size_t>(static_cast<int>(index))]; }
  const ListItem& At(WPARAM index) const { return items_[static_cast<size_t>(static_cast<int>(index))]; }
  const ListItem* Selected() const { return Valid(static_cast<WPARAM>(selection)) ? &At(static_cast<WPARAM>(selection)) : nullptr; }

  // xB_ADDSTRING (index -1) and xB_INSERTSTRING: a list with strings stores lParam's text, one
  // without stores lParam as the item's data. The index taken, kListError or kListNoSpace; a
  // selection at or after it moves down with its item.
  LRESULT Add(int index, LPARAM lParam, bool hasStrings, bool sorted);
  // xB_DELETESTRING: the count left, or kListError; the selection follows its item or is lost.
  LRESULT Delete(WPARAM index);
  void Clear() {
    items_.clear();
    selection = -1;
    topIndex = 0;
  }
  // xB_FINDSTRING(EXACT): the first item after `start` (-1: from the top, wrapping) whose text
  // equals, or begins with, lParam's text without case; a list without strings compares data.
  LRESULT Find(WPARAM start, LPARAM lParam, bool hasStrings, bool exact) const;
  // xB_GETTEXT and xB_GETTEXTLEN; a list without strings answers the item's data.
  LRESULT CopyText(WPARAM index, LPARAM buffer, bool hasStrings) const;
  LRESULT TextLength(WPARAM index, bool hasStrings) const;

  // The rows from topIndex down, laid in `area`: the rectangle of row `index`, and the row at y
  // (-1 when none).
  RECT RowRect(const RECT& area, int index) const;
  int RowAt(const RECT& area, LONG y) const;
  // Paints the rows that fit in `area`: text rows with the selection in the highlight colours,
  // or each row through WM_DRAWITEM (`ctlType` ODT_LISTBOX or ODT_COMBOBOX) when owner-drawn.
  void PaintRows(const ControlPaint& paint, const RECT& area, UINT ctlType, bool ownerDrawn) const;

 private:
  std::vector<ListItem> items_;
};

// Asks the parent for the height of an owner-drawn variable item just added at `at`; the list
// is looked up again afterwards, as the parent may have destroyed the control meanwhile.
template <typename State>
void MeasureAddedItem(StateMap<State>& states, HWND control, UINT ctlType, LRESULT at) {
  State* state = states.Get(control);
  if (at < 0 || !state || !state->list.Valid(static_cast<WPARAM>(at))) return;
  const UINT height = SendMeasureItem(control, ctlType, static_cast<UINT>(at), state->list.itemHeight,
                                      state->list.At(static_cast<WPARAM>(at)).data);
  if (State* live = states.Get(control); live && live->list.Valid(static_cast<WPARAM>(at)))
    live->list.At(static_cast<WPARAM>(at)).height = height;
}

}  // namespace plat::dialogs
