// The list view ("SysListView32") in report view: columns, items with data and sub-items,
// searches (LVM_FINDITEMW compares whole strings without case), item state with
// LVN_ITEMCHANGING and LVN_ITEMCHANGED, rectangles and hit tests by row, and owner-drawn rows
// measured at creation and again after a font change.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/gdi_draw.h>

#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

constexpr UINT kDefaultRowHeight = 17;
constexpr LONG kHeaderHeight = 20;
// Space between a cell's edges and its text.
constexpr LONG kCellPadding = 6;
constexpr size_t kMaxItems = 1 << 20;
constexpr size_t kMaxColumns = 256;

struct Column {
  std::u16string text;
  int width = 0;
  int format = LVCFMT_LEFT;
};

struct Row {
  std::vector<std::u16string> texts;  // one per sub-item, item text first
  LPARAM data = 0;
  UINT state = 0;
};

// NMITEMACTIVATE: the list view's NMLISTVIEW with the keys held.
struct ItemActivate {
  NMLISTVIEW base;
  UINT keyFlags;
};

struct ListViewState {
  std::vector<Column> columns;
  std::vector<Row> rows;
  COLORREF background = 0x00FFFFFF;
  DWORD extended = 0;
  UINT rowHeight = kDefaultRowHeight;
};

StateMap<ListViewState>& States() {
  static StateMap<ListViewState> states;
  return states;
}

bool ValidRow(const ListViewState& state, WPARAM index) {
  return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < state.rows.size();
}

LONG HeaderHeight(HWND hwnd) { return (StyleOf(hwnd) & LVS_NOCOLUMNHEADER) ? 0 : kHeaderHeight; }

RECT RowRect(HWND hwnd, const ListViewState& state, int index) {
  RECT client{};
  GetClientRect(hwnd, &client);
  LONG width = 0;
  for (const Column& column : state.columns) width += column.width;
  if (width == 0) width = client.right;
  LONG top = HeaderHeight(hwnd) + static_cast<LONG>(index) * static_cast<LONG>(state.rowHeight);
  return RECT{0, top, width, top + static_cast<LONG>(state.rowHeight)};
}

std::u16string Bounded(LPCWSTR text) {
  if (!text || text == LPSTR_TEXTCALLBACKW) return {};
  size_t n = 0;
  while (n < 4096 && text[n]) ++n;
  return std::u16string(text, n);
}

void CopyOut(const std::u16string& text, LPWSTR buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(capacity) - 1);
  std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
  buffer[n] = 0;
}

void Measure(HWND hwnd) {
  if (!(StyleOf(hwnd) & LVS_OWNERDRAWFIXED)) return;
  UINT height = SendMeasureItem(hwnd, ODT_LISTVIEW, 0, kDefaultRowHeight, 0);
  if (ListViewState* live = States().Get(hwnd)) live->rowHeight = height ? height : kDefaultRowHeight;
}

// Changes a row's state with the notifications; false when the parent refuses.
bool ChangeState(HWND hwnd, int index, UINT state, UINT mask) {
  ListViewState* lv = States().Get(hwnd);
  if (!lv || !ValidRow(*lv, static_cast<WPARAM>(index))) return false;
  UINT old = lv->rows[static_cast<size_t>(index)].state;
  UINT next = (old & ~mask) | (state & mask);
  if (next == old) return true;
  NMLISTVIEW change{};
  change.iItem = index;
  change.uNewState = next;
  change.uOldState = old;
  change.uChanged = LVIF_STATE;
  change.lParam = lv->rows[static_cast<size_t>(index)].data;
  if (NotifyParent(hwnd, change.hdr, LVN_ITEMCHANGING)) return false;
  lv = States().Get(hwnd);
  if (!lv || !ValidRow(*lv, static_cast<WPARAM>(index))) return false;
  lv->rows[static_cast<size_t>(index)].state = next;
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, change.hdr, LVN_ITEMCHANGED);
  return true;
}

void SetState(HWND hwnd, int index, UINT state, UINT mask) {
  ListViewState* lv = States().Get(hwnd);
  if (!lv) return;
  // One selected row at most in a single-selection view.
  if ((StyleOf(hwnd) & LVS_SINGLESEL) && (mask & state & LVIS_SELECTED))
    for (int i = 0; i < static_cast<int>(lv->rows.size()); ++i)
      if (i != index && (lv->rows[static_cast<size_t>(i)].state & LVIS_SELECTED)) {
        ChangeState(hwnd, i, 0, LVIS_SELECTED);
        if (!(lv = States().Get(hwnd))) return;
      }
  if (index == -1) {
    for (int i = 0; lv && i < static_cast<int>(lv->rows.size()); ++i) {
      ChangeState(hwnd, i, state, mask);
      lv = States().Get(hwnd);
    }
    return;
  }
  ChangeState(hwnd, index, state, mask);
}

void UserSelects(HWND hwnd, int index, UINT code) {
  if (index >= 0) SetState(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ItemActivate activate{};
  activate.base.iItem = index;
  NotifyParent(hwnd, activate.base.hdr, code);
}

LRESULT Find(const ListViewState& state, int start, const LVFINDINFOW* find) {
  if (!find) return -1;
  const size_t n = state.rows.size();
  if (n == 0) return -1;
  size_t first = start < 0 ? 0 : static_cast<size_t>(start) + 1;
  size_t count = (find->flags & LVFI_WRAP) ? n : (first < n ? n - first : 0);
  std::u16string wanted = (find->flags & (LVFI_STRING | LVFI_PARTIAL)) ? Bounded(find->psz) : std::u16string();
  for (size_t step = 0; step < count; ++step) {
    size_t i = (first + step) % n;
    const Row& row = state.rows[i];
    bool match;
    if (find->flags & LVFI_PARAM) match = row.data == find->lParam;
    else if (find->flags & LVFI_PARTIAL) match = StartsWithNoCase(row.texts[0], wanted);
    else match = SameTextNoCase(row.texts[0], wanted);
    if (match) return static_cast<LRESULT>(i);
  }
  return -1;
}

// Owner-drawn rows: the owner paints each row through WM_DRAWITEM, clipped to it.
void PaintOwnerDrawnRows(HWND hwnd, const ControlPaint& paint) {
  for (size_t i = 0;; ++i) {
    ListViewState* live = States().Get(hwnd);
    if (!live || live->rows.size() <= i) break;
    RECT rect = RowRect(hwnd, *live, static_cast<int>(i));
    if (rect.top >= paint.client.bottom) break;
    const Row& row = live->rows[i];
    UINT itemState = ((row.state & LVIS_SELECTED) ? ODS_SELECTED : 0) | ((row.state & LVIS_FOCUSED) ? ODS_FOCUS : 0);
    SendDrawItem(hwnd, ODT_LISTVIEW, static_cast<UINT>(i), ODA_DRAWENTIRE, itemState, rect,
                 static_cast<ULONG_PTR>(row.data), paint.dc);
    SelectClipRgn(paint.dc, nullptr);
  }
}

// Column headers: a raised button per column with its caption.
void PaintHeader(const ControlPaint& paint, const ListViewState& state) {
  SetTextColor(paint.dc, GetSysColor(COLOR_BTNTEXT));
  LONG left = 0;
  for (const Column& column : state.columns) {
    RECT button{left, 0, left + column.width, kHeaderHeight};
    left = button.right;
    if (button.right <= button.left) continue;
    FillSysColor(paint.dc, button, COLOR_3DFACE);
    DrawEdge3D(paint.dc, button, COLOR_3DHIGHLIGHT, COLOR_3DSHADOW);
    DrawControlText(paint, column.text, RECT{button.left + kCellPadding, 0, button.right - kCellPadding, kHeaderHeight},
                    DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  // The header runs on as an empty button to the right edge.
  if (left < paint.client.right) {
    RECT rest{left, 0, paint.client.right, kHeaderHeight};
    FillSysColor(paint.dc, rest, COLOR_3DFACE);
    DrawEdge3D(paint.dc, rest, COLOR_3DHIGHLIGHT, COLOR_3DSHADOW);
  }
}

// Rows with their cell texts; the selection shows while the view has the focus, or always
// with LVS_SHOWSELALWAYS.
void PaintRows(HWND hwnd, const ControlPaint& paint, const ListViewState& state) {
  const bool showSelection = GetFocus() == hwnd || (StyleOf(hwnd) & LVS_SHOWSELALWAYS);
  for (size_t i = 0; i < state.rows.size(); ++i) {
    RECT rect = RowRect(hwnd, state, static_cast<int>(i));
    if (rect.top >= paint.client.bottom) break;
    const Row& row = state.rows[i];
    const bool selected = showSelection && (row.state & LVIS_SELECTED);
    if (selected) FillSysColor(paint.dc, rect, COLOR_HIGHLIGHT);
    SetTextColor(paint.dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    // Without columns the item text spans the row.
    const size_t cells = state.columns.empty() ? 1 : std::min(state.columns.size(), row.texts.size());
    LONG left = 0;
    for (size_t c = 0; c < cells && c < row.texts.size(); ++c) {
      LONG right = state.columns.empty() ? rect.right : left + state.columns[c].width;
      DrawControlText(paint, row.texts[c], RECT{left + kCellPadding, rect.top, right - kCellPadding, rect.bottom},
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      left = right;
    }
  }
}

void Paint(HWND hwnd, const ListViewState& state) {
  PaintControl(hwnd, 0, false, [&](ControlPaint& paint) {
    if (state.background != CLR_NONE) {
      HBRUSH background = CreateSolidBrush(state.background);
      FillRect(paint.dc, &paint.client, background);
      DeleteObject(background);
    }
    if (HeaderHeight(hwnd) > 0) PaintHeader(paint, state);
    if (StyleOf(hwnd) & LVS_OWNERDRAWFIXED) PaintOwnerDrawnRows(hwnd, paint);
    else PaintRows(hwnd, paint, state);
  });
}

}  // namespace

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ListViewState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      Measure(hwnd);
      return 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LVM_INSERTCOLUMNW: {
      const LVCOLUMNW* given = reinterpret_cast<const LVCOLUMNW*>(lParam);
      if (!given || state->columns.size() >= kMaxColumns) return -1;
      Column column;
      if (given->mask & LVCF_TEXT) column.text = Bounded(given->pszText);
      if (given->mask & LVCF_WIDTH) column.width = std::max(given->cx, 0);
      if (given->mask & LVCF_FMT) column.format = given->fmt;
      size_t at = std::min<size_t>(static_cast<size_t>(std::max<int>(static_cast<int>(wParam), 0)), state->columns.size());
      state->columns.insert(state->columns.begin() + static_cast<long>(at), column);
      for (Row& row : state->rows)
        if (row.texts.size() < state->columns.size()) row.texts.resize(state->columns.size());
      return static_cast<LRESULT>(at);
    }
    case LVM_DELETECOLUMN:
      if (wParam >= state->columns.size()) return FALSE;
      state->columns.erase(state->columns.begin() + static_cast<long>(wParam));
      return TRUE;
    case LVM_SETCOLUMNW:
    case LVM_GETCOLUMNW: {
      LVCOLUMNW* given = reinterpret_cast<LVCOLUMNW*>(lParam);
      if (!given || wParam >= state->columns.size()) return FALSE;
      Column& column = state->columns[wParam];
      if (message == LVM_SETCOLUMNW) {
        if (given->mask & LVCF_TEXT) column.text = Bounded(given->pszText);
        if (given->mask & LVCF_WIDTH) column.width = std::max(given->cx, 0);
        if (given->mask & LVCF_FMT) column.format = given->fmt;
      } else {
        if (given->mask & LVCF_TEXT) CopyOut(column.text, given->pszText, given->cchTextMax);
        if (given->mask & LVCF_WIDTH) given->cx = column.width;
        if (given->mask & LVCF_FMT) given->fmt = column.format;
        if (given->mask & LVCF_SUBITEM) given->iSubItem = static_cast<int>(wParam);
      }
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      return wParam < state->columns.size() ? state->columns[wParam].width : 0;
    case LVM_SETCOLUMNWIDTH:
      if (wParam >= state->columns.size()) return FALSE;
      state->columns[wParam].width = std::max(static_cast<int>(static_cast<SHORT>(LOWORD(lParam))), 0);
      return TRUE;
    case LVM_INSERTITEMW: {
      const LVITEMW* given = reinterpret_cast<const LVITEMW*>(lParam);
      if (!given || given->iSubItem != 0 || state->rows.size() >= kMaxItems) return -1;
      Row row;
      row.texts.assign(std::max<size_t>(state->columns.size(), 1), u"");
      if (given->mask & LVIF_TEXT) row.texts[0] = Bounded(given->pszText);
      if (given->mask & LVIF_PARAM) row.data = given->lParam;
      if (given->mask & LVIF_STATE) row.state = given->state & given->stateMask;
      size_t at = given->iItem < 0 ? state->rows.size() : std::min<size_t>(static_cast<size_t>(given->iItem), state->rows.size());
      state->rows.insert(state->rows.begin() + static_cast<long>(at), std::move(row));
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(at);
    }
    case LVM_SETITEMW:
    case LVM_SETITEMTEXTW: {
      const LVITEMW* given = reinterpret_cast<const LVITEMW*>(lParam);
      int index = message == LVM_SETITEMW ? (given ? given->iItem : -1) : static_cast<int>(wParam);
      if (!given || !ValidRow(*state, static_cast<WPARAM>(index)) || given->iSubItem < 0 ||
          static_cast<size_t>(given->iSubItem) >= std::max<size_t>(state->columns.size(), 1))
        return FALSE;
      Row& row = state->rows[static_cast<size_t>(index)];
      if (row.texts.size() <= static_cast<size_t>(given->iSubItem)) row.texts.resize(static_cast<size_t>(given->iSubItem) + 1);
      if (message == LVM_SETITEMTEXTW || (given->mask & LVIF_TEXT))
        row.texts[static_cast<size_t>(given->iSubItem)] = Bounded(given->pszText);
      if (message == LVM_SETITEMW && given->iSubItem == 0) {
        if (given->mask & LVIF_PARAM) row.data = given->lParam;
        if (given->mask & LVIF_STATE) SetState(hwnd, index, given->state, given->stateMask);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETITEMW: {
      LVITEMW* given = reinterpret_cast<LVITEMW*>(lParam);
      if (!given || !ValidRow(*state, static_cast<WPARAM>(given->iItem)) || given->iSubItem < 0) return FALSE;
      const Row& row = state->rows[static_cast<size_t>(given->iItem)];
      if (given->mask & LVIF_TEXT) {
        size_t sub = static_cast<size_t>(given->iSubItem);
        CopyOut(sub < row.texts.size() ? row.texts[sub] : std::u16string(), given->pszText, given->cchTextMax);
      }
      if (given->mask & LVIF_PARAM) given->lParam = row.data;
      if (given->mask & LVIF_STATE) given->state = row.state & given->stateMask;
      return TRUE;
    }
    case LVM_GETITEMTEXTW: {
      LVITEMW* given = reinterpret_cast<LVITEMW*>(lParam);
      if (!given || !ValidRow(*state, wParam) || given->iSubItem < 0) return 0;
      const Row& row = state->rows[static_cast<size_t>(static_cast<int>(wParam))];
      size_t sub = static_cast<size_t>(given->iSubItem);
      std::u16string text = sub < row.texts.size() ? row.texts[sub] : std::u16string();
      CopyOut(text, given->pszText, given->cchTextMax);
      return given->cchTextMax > 0 ? static_cast<LRESULT>(std::min<size_t>(text.size(), static_cast<size_t>(given->cchTextMax) - 1)) : 0;
    }
    case LVM_DELETEITEM: {
      if (!ValidRow(*state, wParam)) return FALSE;
      NMLISTVIEW gone{};
      gone.iItem = static_cast<int>(wParam);
      gone.lParam = state->rows[static_cast<size_t>(static_cast<int>(wParam))].data;
      NotifyParent(hwnd, gone.hdr, LVN_DELETEITEM);
      if ((state = States().Get(hwnd)) == nullptr || !ValidRow(*state, wParam)) return FALSE;
      state->rows.erase(state->rows.begin() + static_cast<int>(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_DELETEALLITEMS: {
      NMLISTVIEW all{};
      all.iItem = -1;
      bool quiet = NotifyParent(hwnd, all.hdr, LVN_DELETEALLITEMS) != 0;
      if ((state = States().Get(hwnd)) == nullptr) return FALSE;
      std::vector<Row> rows;
      rows.swap(state->rows);
      if (!quiet)
        for (size_t i = 0; i < rows.size(); ++i) {
          NMLISTVIEW gone{};
          gone.iItem = static_cast<int>(i);
          gone.lParam = rows[i].data;
          NotifyParent(hwnd, gone.hdr, LVN_DELETEITEM);
        }
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETITEMCOUNT:
      return static_cast<LRESULT>(state->rows.size());
    case LVM_SETITEMSTATE: {
      const LVITEMW* given = reinterpret_cast<const LVITEMW*>(lParam);
      int index = static_cast<int>(wParam);
      if (!given || (index != -1 && !ValidRow(*state, wParam))) return FALSE;
      SetState(hwnd, index, given->state, given->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      return ValidRow(*state, wParam) ? static_cast<LRESULT>(state->rows[static_cast<size_t>(static_cast<int>(wParam))].state & lParam) : 0;
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(state->rows.begin(), state->rows.end(), [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_GETNEXTITEM: {
      UINT wanted = static_cast<UINT>(lParam) & (LVNI_SELECTED | LVNI_FOCUSED);
      UINT mask = ((wanted & LVNI_SELECTED) ? LVIS_SELECTED : 0) | ((wanted & LVNI_FOCUSED) ? LVIS_FOCUSED : 0);
      for (size_t i = static_cast<size_t>(static_cast<int>(wParam) + 1); i < state->rows.size(); ++i)
        if ((state->rows[i].state & mask) == mask) return static_cast<LRESULT>(i);
      return -1;
    }
    case LVM_FINDITEMW:
      return Find(*state, static_cast<int>(wParam), reinterpret_cast<const LVFINDINFOW*>(lParam));
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
      RECT* rect = reinterpret_cast<RECT*>(lParam);
      if (!rect || !ValidRow(*state, wParam)) return FALSE;
      RECT row = RowRect(hwnd, *state, static_cast<int>(wParam));
      int sub = message == LVM_GETSUBITEMRECT ? rect->top : 0;
      int code = rect->left;
      if (message == LVM_GETSUBITEMRECT || code == LVIR_LABEL) {
        if (sub < 0 || (sub > 0 && static_cast<size_t>(sub) >= state->columns.size())) return FALSE;
        LONG left = 0;
        for (int i = 0; i < sub; ++i) left += state->columns[static_cast<size_t>(i)].width;
        LONG width = state->columns.empty() ? row.right : state->columns[static_cast<size_t>(sub)].width;
        row.left = left;
        row.right = left + width;
      }
      *rect = row;
      return TRUE;
    }
    case LVM_HITTEST: {
      LVHITTESTINFO* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!hit) return -1;
      hit->iItem = -1;
      hit->iSubItem = 0;
      hit->flags = LVHT_NOWHERE;
      LONG y = hit->pt.y - HeaderHeight(hwnd);
      if (y >= 0 && hit->pt.x >= 0) {
        size_t row = static_cast<size_t>(y) / state->rowHeight;
        if (row < state->rows.size() && hit->pt.x < RowRect(hwnd, *state, 0).right) {
          hit->iItem = static_cast<int>(row);
          hit->flags = LVHT_ONITEMLABEL;
        }
      }
      return hit->iItem;
    }
    case LVM_SETBKCOLOR:
      state->background = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD previous = state->extended;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
      state->extended = (state->extended & ~mask) | (static_cast<DWORD>(lParam) & mask);
      return previous;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return state->extended;
    case LVM_ENSUREVISIBLE:
      return TRUE;
    case LVM_GETTOPINDEX:
      return 0;
    case LVM_GETCOUNTPERPAGE: {
      RECT client{};
      GetClientRect(hwnd, &client);
      return std::max<LONG>((client.bottom - HeaderHeight(hwnd)) / static_cast<LONG>(state->rowHeight), 0);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd);
      LVHITTESTINFO hit{};
      hit.pt = POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
      SendMessageW(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      UserSelects(hwnd, hit.iItem, message == WM_LBUTTONDOWN ? NM_CLICK : NM_DBLCLK);
      return 0;
    }
    case kActionPick:
      if (ValidRow(*state, wParam)) UserSelects(hwnd, static_cast<int>(wParam), NM_CLICK);
      return 0;
    case WM_SETFONT:
      FontSlot(hwnd) = reinterpret_cast<HFONT>(wParam);
      // Owner-drawn rows take their height from the new font.
      Measure(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontSlot(hwnd));
    case WM_PAINT:
      Paint(hwnd, *state);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);  // the selection shows only while focused
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
