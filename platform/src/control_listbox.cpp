// The "ListBox" class: LB_SETCURSEL and the other messages send nothing; the user's selection
// sends LBN_SELCHANGE and a double click LBN_DBLCLK (with LBS_NOTIFY); owner-drawn rows are
// drawn by the parent, each in its own rectangle.
#include <win/gdi.h>
#include <win/gdi_draw.h>

#include "control_list_items.h"

namespace plat::dialogs {
namespace {

constexpr UINT kDefaultItemHeight = 16;

struct ListBoxState {
  ItemList items;
  int selection = -1;
  int topIndex = 0;
  UINT itemHeight = kDefaultItemHeight;
};

StateMap<ListBoxState>& States() {
  static StateMap<ListBoxState> states;
  return states;
}

bool OwnerDrawn(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND hwnd) { return !OwnerDrawn(hwnd) || (StyleOf(hwnd) & LBS_HASSTRINGS); }

RECT ItemRect(HWND hwnd, ListBoxState& state, int index) {
  RECT client{};
  GetClientRect(hwnd, &client);
  LONG top = 0;
  for (int i = state.topIndex; i < index && i < state.items.Count(); ++i) {
    UINT height = state.items.At(static_cast<WPARAM>(i)).height;
    top += static_cast<LONG>(height ? height : state.itemHeight);
  }
  UINT height = state.items.Valid(static_cast<WPARAM>(index)) ? state.items.At(static_cast<WPARAM>(index)).height : 0;
  return RECT{0, top, client.right, top + static_cast<LONG>(height ? height : state.itemHeight)};
}

int IndexAt(HWND hwnd, ListBoxState& state, int y) {
  for (int i = state.topIndex; i < state.items.Count(); ++i) {
    RECT rect = ItemRect(hwnd, state, i);
    if (y >= rect.top && y < rect.bottom) return i;
  }
  return -1;
}

void Select(HWND hwnd, ListBoxState& state, int index, bool byUser) {
  if (!state.items.Valid(static_cast<WPARAM>(index))) return;
  bool changed = state.selection != index;
  state.selection = index;
  InvalidateRect(hwnd, nullptr, TRUE);
  if (byUser && changed && (StyleOf(hwnd) & LBS_NOTIFY)) NotifyParent(hwnd, LBN_SELCHANGE);
}

void Paint(HWND hwnd, ListBoxState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  if (OwnerDrawn(hwnd)) {
    const bool focused = GetFocus() == hwnd;
    for (int i = state.topIndex; i < state.items.Count(); ++i) {
      RECT rect = ItemRect(hwnd, state, i);
      if (rect.top >= client.bottom) break;
      UINT itemState = (i == state.selection ? ODS_SELECTED : 0) | (i == state.selection && focused ? ODS_FOCUS : 0) |
                       ((StyleOf(hwnd) & WS_DISABLED) ? ODS_DISABLED : 0);
      SendDrawItem(hwnd, ODT_LISTBOX, static_cast<UINT>(i), ODA_DRAWENTIRE, itemState, rect,
                   state.items.At(static_cast<WPARAM>(i)).data, dc);
      if (dc) SelectClipRgn(dc, nullptr);
    }
  } else {
    FillWithBrush(dc, ControlColor(hwnd, dc, WM_CTLCOLORLISTBOX), client);
  }
  EndPaint(hwnd, &paint);
}

std::u16string_view ParamText(LPARAM lParam) {
  const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
  return text ? std::u16string_view(text) : std::u16string_view();
}

LRESULT AddItem(HWND hwnd, ListBoxState& state, int index, LPARAM lParam) {
  const bool strings = HasStrings(hwnd);
  int at = state.items.Insert(index, strings ? std::u16string(ParamText(lParam)) : std::u16string(),
                              strings ? 0 : static_cast<ULONG_PTR>(lParam), (StyleOf(hwnd) & LBS_SORT) && strings);
  if (at == -2) return LB_ERRSPACE;
  if (at < 0) return LB_ERR;
  if (state.selection >= at) ++state.selection;
  if (StyleOf(hwnd) & LBS_OWNERDRAWVARIABLE) {
    UINT height = SendMeasureItem(hwnd, ODT_LISTBOX, static_cast<UINT>(at), state.itemHeight,
                                  state.items.At(static_cast<WPARAM>(at)).data);
    if (ListBoxState* live = States().Get(hwnd); live && live->items.Valid(static_cast<WPARAM>(at)))
      live->items.At(static_cast<WPARAM>(at)).height = height;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  return at;
}

LRESULT Find(HWND hwnd, ListBoxState& state, WPARAM start, LPARAM lParam, bool exact) {
  if (!HasStrings(hwnd)) {
    for (int i = 0; i < state.items.Count(); ++i)
      if (state.items.At(static_cast<WPARAM>(i)).data == static_cast<ULONG_PTR>(lParam)) return i;
    return LB_ERR;
  }
  int found = state.items.Find(static_cast<int>(start), ParamText(lParam), exact);
  return found >= 0 ? found : LB_ERR;
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ListBoxState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (StyleOf(hwnd) & LBS_OWNERDRAWFIXED) state->itemHeight = SendMeasureItem(hwnd, ODT_LISTBOX, 0, kDefaultItemHeight, 0);
      return 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LB_ADDSTRING:
      return AddItem(hwnd, *state, -1, lParam);
    case LB_INSERTSTRING:
      return AddItem(hwnd, *state, static_cast<int>(wParam), lParam);
    case LB_DELETESTRING: {
      if (!state->items.Erase(wParam)) return LB_ERR;
      int index = static_cast<int>(wParam);
      if (state->selection == index) state->selection = -1;
      else if (state->selection > index) --state->selection;
      InvalidateRect(hwnd, nullptr, TRUE);
      return state->items.Count();
    }
    case LB_RESETCONTENT:
      state->items.Clear();
      state->selection = -1;
      state->topIndex = 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    case LB_GETCOUNT:
      return state->items.Count();
    case LB_GETCURSEL:
      return state->selection;
    case LB_SETCURSEL:
      if (!state->items.Valid(wParam)) {
        state->selection = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LB_ERR;
      }
      Select(hwnd, *state, static_cast<int>(wParam), false);
      return state->selection;
    case LB_GETSEL:
      if (!state->items.Valid(wParam)) return LB_ERR;
      return static_cast<int>(wParam) == state->selection ? 1 : 0;
    case LB_GETTEXT:
      if (!state->items.Valid(wParam)) return LB_ERR;
      if (!HasStrings(hwnd)) {
        if (lParam) *reinterpret_cast<ULONG_PTR*>(lParam) = state->items.At(wParam).data;
        return sizeof(ULONG_PTR);
      }
      return CopyItemText(state->items.At(wParam), lParam);
    case LB_GETTEXTLEN:
      if (!state->items.Valid(wParam)) return LB_ERR;
      return HasStrings(hwnd) ? static_cast<LRESULT>(state->items.At(wParam).text.size()) : sizeof(ULONG_PTR);
    case LB_FINDSTRING:
      return Find(hwnd, *state, wParam, lParam, false);
    case LB_FINDSTRINGEXACT:
      return Find(hwnd, *state, wParam, lParam, true);
    case LB_SELECTSTRING: {
      LRESULT found = Find(hwnd, *state, wParam, lParam, false);
      if (found != LB_ERR) Select(hwnd, *state, static_cast<int>(found), false);
      return found;
    }
    case LB_GETITEMDATA:
      return state->items.Valid(wParam) ? static_cast<LRESULT>(state->items.At(wParam).data) : LB_ERR;
    case LB_SETITEMDATA:
      if (!state->items.Valid(wParam)) return LB_ERR;
      state->items.At(wParam).data = static_cast<ULONG_PTR>(lParam);
      return LB_OKAY;
    case LB_GETITEMRECT:
      if (!lParam || (!state->items.Valid(wParam) && !(wParam == 0 && state->items.Count() == 0))) return LB_ERR;
      *reinterpret_cast<RECT*>(lParam) = ItemRect(hwnd, *state, static_cast<int>(wParam));
      return LB_OKAY;
    case LB_SETITEMHEIGHT:
      if (lParam <= 0 || lParam > 255) return LB_ERR;
      if ((StyleOf(hwnd) & LBS_OWNERDRAWVARIABLE) && state->items.Valid(wParam))
        state->items.At(wParam).height = static_cast<UINT>(lParam);
      else
        state->itemHeight = static_cast<UINT>(lParam);
      return LB_OKAY;
    case LB_GETITEMHEIGHT:
      if ((StyleOf(hwnd) & LBS_OWNERDRAWVARIABLE) && state->items.Valid(wParam)) return state->items.At(wParam).height;
      return state->itemHeight;
    case LB_GETTOPINDEX:
      return state->topIndex;
    case LB_SETTOPINDEX:
      if (!state->items.Valid(wParam)) return LB_ERR;
      state->topIndex = static_cast<int>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      Select(hwnd, *state, IndexAt(hwnd, *state, static_cast<SHORT>(HIWORD(lParam))), true);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_DOWN || wParam == VK_UP) {
        int next = state->selection < 0 ? 0 : state->selection + (wParam == VK_DOWN ? 1 : -1);
        Select(hwnd, *state, next, true);
      }
      return 0;
    case kActionPick:
      Select(hwnd, *state, static_cast<int>(wParam), true);
      return 0;
    case WM_SETFOCUS:
      if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_SETFONT:
      FontSlot(hwnd) = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontSlot(hwnd));
    case WM_PAINT:
      Paint(hwnd, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs
