// The "ComboBox" class: simple lists, drop-down lists and editable drop-downs, owner-drawn or
// not. Messages change the selection without a notification (CB_SETCURSEL sends nothing); the
// user's pick sends CBN_SELCHANGE, CBN_SELENDOK, then CBN_CLOSEUP; a cancelled drop sends
// CBN_SELENDCANCEL and CBN_CLOSEUP; typing sends CBN_EDITUPDATE and CBN_EDITCHANGE and, while
// the list is closed, clears the list's selection.
#include "control_list_items.h"

namespace plat::dialogs {
namespace {

constexpr UINT kDefaultItemHeight = 16;
constexpr size_t kDefaultEditLimit = 30000;

struct ComboState {
  ItemList items;
  int selection = -1;
  int selectionAtDrop = -1;
  bool dropped = false;
  bool extendedUi = false;
  UINT fieldHeight = kDefaultItemHeight;  // the selection field (item -1)
  UINT itemHeight = kDefaultItemHeight;
  size_t editLimit = kDefaultEditLimit;
  DWORD editStart = 0, editEnd = 0;
  int droppedWidth = 0;
  int topIndex = 0;
};

StateMap<ComboState>& States() {
  static StateMap<ComboState> states;
  return states;
}

DWORD Kind(HWND hwnd) { return StyleOf(hwnd) & 0x3; }
bool Editable(HWND hwnd) { return Kind(hwnd) == CBS_SIMPLE || Kind(hwnd) == CBS_DROPDOWN; }
bool OwnerDrawn(HWND hwnd) { return (StyleOf(hwnd) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND hwnd) { return !OwnerDrawn(hwnd) || (StyleOf(hwnd) & CBS_HASSTRINGS); }

void StoreText(HWND hwnd, const std::u16string& text) {
  DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The selection changed by a message or the user: the field shows the item's text.
void ShowSelection(HWND hwnd, ComboState& state) {
  StoreText(hwnd, state.items.Valid(static_cast<WPARAM>(state.selection)) ? state.items.At(static_cast<WPARAM>(state.selection)).text
                                                                           : std::u16string());
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Drop(HWND hwnd, ComboState& state) {
  if (state.dropped || Kind(hwnd) == CBS_SIMPLE) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  state.dropped = true;
  state.selectionAtDrop = state.selection;
}

void Close(HWND hwnd, ComboState& state, bool cancel) {
  if (Kind(hwnd) != CBS_SIMPLE && !state.dropped) return;
  if (cancel) {
    NotifyParent(hwnd, CBN_SELENDCANCEL);
  } else {
    NotifyParent(hwnd, CBN_SELENDOK);
  }
  if (ComboState* live = States().Get(hwnd); live && live->dropped) {
    live->dropped = false;
    NotifyParent(hwnd, CBN_CLOSEUP);
  }
}

void Pick(HWND hwnd, ComboState& state, WPARAM index) {
  if (!state.items.Valid(index)) return;
  Drop(hwnd, state);
  state.selection = static_cast<int>(index);
  ShowSelection(hwnd, state);
  NotifyParent(hwnd, CBN_SELCHANGE);
  if (ComboState* live = States().Get(hwnd)) Close(hwnd, *live, false);
}

void TypeInField(HWND hwnd, ComboState& state, WCHAR c) {
  if (!Editable(hwnd)) {
    // A drop-down list selects the next item that begins with the typed character.
    WCHAR one[2] = {c, 0};
    int found = state.items.Find(state.selection, one, false);
    if (found >= 0 && found != state.selection) {
      state.selection = found;
      ShowSelection(hwnd, state);
      NotifyParent(hwnd, CBN_SELCHANGE);
    }
    return;
  }
  std::u16string text = TextOf(hwnd);
  if (c == VK_BACK) {
    if (text.empty()) return;
    text.pop_back();
  } else {
    if (c < 0x20) return;
    if (text.size() + 1 > state.editLimit) return;
    text.push_back(c);
  }
  StoreText(hwnd, text);
  state.editStart = state.editEnd = static_cast<DWORD>(text.size());
  // What is typed no longer names the chosen item: a closed list forgets its selection.
  if (!state.dropped) state.selection = -1;
  NotifyParent(hwnd, CBN_EDITUPDATE);
  NotifyParent(hwnd, CBN_EDITCHANGE);
}

void Paint(HWND hwnd, ComboState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT field{};
  GetClientRect(hwnd, &field);
  if (OwnerDrawn(hwnd) && !Editable(hwnd)) {
    UINT itemState = ODS_COMBOBOXEDIT | ((StyleOf(hwnd) & WS_DISABLED) ? ODS_DISABLED : 0);
    ULONG_PTR data = state.items.Valid(static_cast<WPARAM>(state.selection))
                         ? state.items.At(static_cast<WPARAM>(state.selection)).data
                         : 0;
    SendDrawItem(hwnd, ODT_COMBOBOX, static_cast<UINT>(state.selection), ODA_DRAWENTIRE, itemState, field, data, dc);
  } else {
    FillWithBrush(dc, ControlColor(hwnd, dc, Editable(hwnd) ? WM_CTLCOLOREDIT : WM_CTLCOLORLISTBOX), field);
  }
  EndPaint(hwnd, &paint);
}

std::u16string_view ParamText(LPARAM lParam) {
  const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
  return text ? std::u16string_view(text) : std::u16string_view();
}

LRESULT AddItem(HWND hwnd, ComboState& state, int index, LPARAM lParam) {
  const bool strings = HasStrings(hwnd);
  std::u16string text = strings ? std::u16string(ParamText(lParam)) : std::u16string();
  ULONG_PTR data = strings ? 0 : static_cast<ULONG_PTR>(lParam);
  const bool sorted = (StyleOf(hwnd) & CBS_SORT) && strings;
  int at = state.items.Insert(index, std::move(text), data, sorted);
  if (at == -2) return CB_ERRSPACE;
  if (at < 0) return CB_ERR;
  if (state.selection >= at) ++state.selection;
  if (StyleOf(hwnd) & CBS_OWNERDRAWVARIABLE) {
    UINT height = SendMeasureItem(hwnd, ODT_COMBOBOX, static_cast<UINT>(at), state.itemHeight, data);
    if (ComboState* live = States().Get(hwnd); live && live->items.Valid(static_cast<WPARAM>(at)))
      live->items.At(static_cast<WPARAM>(at)).height = height;
  }
  return at;
}

LRESULT Find(HWND hwnd, ComboState& state, WPARAM start, LPARAM lParam, bool exact) {
  if (!HasStrings(hwnd)) {
    for (int i = 0; i < state.items.Count(); ++i)
      if (state.items.At(static_cast<WPARAM>(i)).data == static_cast<ULONG_PTR>(lParam)) return i;
    return CB_ERR;
  }
  int found = state.items.Find(static_cast<int>(start), ParamText(lParam), exact);
  return found >= 0 ? found : CB_ERR;
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ComboState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (OwnerDrawn(hwnd)) {
        // The selection field is measured as item -1; a fixed-height list measures item 0 once
        // for every row.
        state->fieldHeight = SendMeasureItem(hwnd, ODT_COMBOBOX, static_cast<UINT>(-1), kDefaultItemHeight, 0);
        if (StyleOf(hwnd) & CBS_OWNERDRAWFIXED)
          if (ComboState* live = States().Get(hwnd))
            live->itemHeight = SendMeasureItem(hwnd, ODT_COMBOBOX, 0, kDefaultItemHeight, 0);
      }
      return 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS | (Editable(hwnd) ? DLGC_HASSETSEL : 0);
    case CB_ADDSTRING:
      return AddItem(hwnd, *state, -1, lParam);
    case CB_INSERTSTRING:
      return AddItem(hwnd, *state, static_cast<int>(wParam), lParam);
    case CB_DELETESTRING: {
      if (!state->items.Erase(wParam)) return CB_ERR;
      int index = static_cast<int>(wParam);
      if (state->selection == index) {
        state->selection = -1;
        if (!Editable(hwnd)) ShowSelection(hwnd, *state);
      } else if (state->selection > index) {
        --state->selection;
      }
      return state->items.Count();
    }
    case CB_RESETCONTENT:
      state->items.Clear();
      state->selection = -1;
      if (!Editable(hwnd)) ShowSelection(hwnd, *state);
      return CB_OKAY;
    case CB_INITSTORAGE:
      return static_cast<LRESULT>(std::min<WPARAM>(wParam, ItemList::kMaxItems));
    case CB_GETCOUNT:
      return state->items.Count();
    case CB_GETCURSEL:
      return state->selection;
    case CB_SETCURSEL:
      if (!state->items.Valid(wParam)) {
        state->selection = -1;
        ShowSelection(hwnd, *state);
        return CB_ERR;
      }
      state->selection = static_cast<int>(wParam);
      ShowSelection(hwnd, *state);
      return state->selection;
    case CB_GETLBTEXT:
      if (!state->items.Valid(wParam)) return CB_ERR;
      if (!HasStrings(hwnd)) {
        if (lParam) *reinterpret_cast<ULONG_PTR*>(lParam) = state->items.At(wParam).data;
        return sizeof(ULONG_PTR);
      }
      return CopyItemText(state->items.At(wParam), lParam);
    case CB_GETLBTEXTLEN:
      if (!state->items.Valid(wParam)) return CB_ERR;
      return HasStrings(hwnd) ? static_cast<LRESULT>(state->items.At(wParam).text.size()) : sizeof(ULONG_PTR);
    case CB_FINDSTRING:
      return Find(hwnd, *state, wParam, lParam, false);
    case CB_FINDSTRINGEXACT:
      return Find(hwnd, *state, wParam, lParam, true);
    case CB_SELECTSTRING: {
      LRESULT found = Find(hwnd, *state, wParam, lParam, false);
      if (found == CB_ERR) return CB_ERR;
      state->selection = static_cast<int>(found);
      ShowSelection(hwnd, *state);
      return found;
    }
    case CB_GETITEMDATA:
      return state->items.Valid(wParam) ? static_cast<LRESULT>(state->items.At(wParam).data) : CB_ERR;
    case CB_SETITEMDATA:
      if (!state->items.Valid(wParam)) return CB_ERR;
      state->items.At(wParam).data = static_cast<ULONG_PTR>(lParam);
      return CB_OKAY;
    case CB_SHOWDROPDOWN:
      if (wParam) Drop(hwnd, *state);
      else if (state->dropped) {
        state->dropped = false;
        NotifyParent(hwnd, CBN_CLOSEUP);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return state->dropped ? TRUE : FALSE;
    case CB_SETITEMHEIGHT:
      if (lParam <= 0 || lParam > 255) return CB_ERR;
      if (static_cast<int>(wParam) == -1) state->fieldHeight = static_cast<UINT>(lParam);
      else if (StyleOf(hwnd) & CBS_OWNERDRAWVARIABLE) {
        if (!state->items.Valid(wParam)) return CB_ERR;
        state->items.At(wParam).height = static_cast<UINT>(lParam);
      } else {
        state->itemHeight = static_cast<UINT>(lParam);
      }
      return CB_OKAY;
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(wParam) == -1) return state->fieldHeight;
      if ((StyleOf(hwnd) & CBS_OWNERDRAWVARIABLE) && state->items.Valid(wParam)) return state->items.At(wParam).height;
      return state->itemHeight;
    case CB_LIMITTEXT:
      if (!Editable(hwnd)) return CB_ERR;
      state->editLimit = wParam ? wParam : 0x7FFFFFFE;
      return TRUE;
    case CB_GETEDITSEL:
      if (!Editable(hwnd)) return CB_ERR;
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = state->editStart;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = state->editEnd;
      return MAKELRESULT(state->editStart, state->editEnd);
    case CB_SETEDITSEL: {
      if (!Editable(hwnd)) return CB_ERR;
      DWORD length = static_cast<DWORD>(TextOf(hwnd).size());
      int start = static_cast<SHORT>(LOWORD(lParam)), end = static_cast<SHORT>(HIWORD(lParam));
      state->editStart = start < 0 ? length : std::min<DWORD>(static_cast<DWORD>(start), length);
      state->editEnd = end < 0 ? length : std::min<DWORD>(static_cast<DWORD>(end), length);
      return TRUE;
    }
    case CB_SETEXTENDEDUI:
      state->extendedUi = wParam != 0;
      return CB_OKAY;
    case CB_GETEXTENDEDUI:
      return state->extendedUi ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lParam) return CB_ERR;
      RECT rect{};
      GetWindowRect(hwnd, &rect);
      *reinterpret_cast<RECT*>(lParam) = rect;
      return TRUE;
    }
    case CB_SETDROPPEDWIDTH:
      state->droppedWidth = static_cast<int>(wParam);
      return state->droppedWidth;
    case CB_GETDROPPEDWIDTH: {
      if (state->droppedWidth) return state->droppedWidth;
      RECT rect{};
      GetClientRect(hwnd, &rect);
      return rect.right;
    }
    case CB_GETTOPINDEX:
      return state->topIndex;
    case CB_SETTOPINDEX:
      if (!state->items.Valid(wParam)) return CB_ERR;
      state->topIndex = static_cast<int>(wParam);
      return CB_OKAY;
    case WM_SETTEXT: {
      if (Editable(hwnd)) return DefWindowProcW(hwnd, message, wParam, lParam);
      LRESULT found = Find(hwnd, *state, static_cast<WPARAM>(-1), lParam, true);
      if (found == CB_ERR) return CB_ERR;
      state->selection = static_cast<int>(found);
      ShowSelection(hwnd, *state);
      return TRUE;
    }
    case WM_CHAR:
      TypeInField(hwnd, *state, static_cast<WCHAR>(wParam));
      return 0;
    case WM_KEYDOWN:
      if ((wParam == VK_DOWN || wParam == VK_UP) && state->items.Count() > 0) {
        int next = state->selection + (wParam == VK_DOWN ? 1 : -1);
        if (state->selection < 0) next = 0;
        if (next >= 0 && next < state->items.Count() && next != state->selection) {
          state->selection = next;
          ShowSelection(hwnd, *state);
          NotifyParent(hwnd, CBN_SELCHANGE);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      if (state->dropped) Close(hwnd, *state, false);
      else Drop(hwnd, *state);
      return 0;
    case kActionDrop:
      Drop(hwnd, *state);
      return 0;
    case kActionPick:
      Pick(hwnd, *state, wParam);
      return 0;
    case kActionCloseUp:
      if (wParam) {
        // A cancelled drop keeps the selection it had when it opened.
        state->selection = state->selectionAtDrop;
        ShowSelection(hwnd, *state);
      }
      Close(hwnd, *state, wParam != 0);
      return 0;
    case WM_SETFOCUS:
      NotifyParent(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(hwnd, CBN_KILLFOCUS);
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
