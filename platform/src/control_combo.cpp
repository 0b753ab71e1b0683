// The "ComboBox" class: simple lists, drop-down lists and editable drop-downs, owner-drawn or
// not. Messages change the selection without a notification (CB_SETCURSEL sends nothing); the
// user's pick sends CBN_SELCHANGE, CBN_SELENDOK, then CBN_CLOSEUP; a cancelled drop sends
// CBN_SELENDCANCEL and CBN_CLOSEUP; typing sends CBN_EDITUPDATE and CBN_EDITCHANGE and, while
// the list is closed, clears the list's selection.
#include "control_list_items.h"

#include <algorithm>

#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/user_draw.h>

namespace plat::dialogs {
namespace {

constexpr UINT kDefaultItemHeight = 16;
constexpr size_t kDefaultEditLimit = 30000;

struct ComboState {
  ItemList list;
  int selectionAtDrop = -1;
  bool dropped = false;
  bool extendedUi = false;
  UINT fieldHeight = kDefaultItemHeight;  // the selection field (item -1)
  size_t editLimit = kDefaultEditLimit;
  DWORD editStart = 0, editEnd = 0;
  int droppedWidth = 0;
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
  const ListItem* chosen = state.list.Selected();
  StoreText(hwnd, chosen ? chosen->text : std::u16string());
  InvalidateRect(hwnd, nullptr, TRUE);
}

// The list closed: what it covered below the field is the parent's to paint again.
void ListClosed(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  RECT rect = RectInParent(hwnd);
  if (parent) InvalidateRect(parent, &rect, TRUE);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Drop(HWND hwnd, ComboState& state) {
  if (state.dropped || Kind(hwnd) == CBS_SIMPLE) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  state.dropped = true;
  state.selectionAtDrop = state.list.selection;
  InvalidateRect(hwnd, nullptr, TRUE);
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
    ListClosed(hwnd);
    NotifyParent(hwnd, CBN_CLOSEUP);
  }
}

void Pick(HWND hwnd, ComboState& state, WPARAM index) {
  if (!state.list.Valid(index)) return;
  Drop(hwnd, state);
  state.list.selection = static_cast<int>(index);
  ShowSelection(hwnd, state);
  NotifyParent(hwnd, CBN_SELCHANGE);
  if (ComboState* live = States().Get(hwnd)) Close(hwnd, *live, false);
}

void TypeInField(HWND hwnd, ComboState& state, WCHAR c) {
  if (!Editable(hwnd)) {
    // A drop-down list selects the next item that begins with the typed character.
    WCHAR one[2] = {c, 0};
    const int found = static_cast<int>(
        state.list.Find(static_cast<WPARAM>(state.list.selection), reinterpret_cast<LPARAM>(one), HasStrings(hwnd), false));
    if (found >= 0 && found != state.list.selection) {
      state.list.selection = found;
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
  if (!state.dropped) state.list.selection = -1;
  NotifyParent(hwnd, CBN_EDITUPDATE);
  NotifyParent(hwnd, CBN_EDITCHANGE);
}

constexpr LONG kDropButtonWidth = 17;

// The selection field at the top of the control: its frame, the drop button of a drop-down, and
// the chosen item (an editable field shows its text); below it the list while it is shown.
void Paint(HWND hwnd, const ComboState& state) {
  const bool editable = Editable(hwnd), ownerDrawn = OwnerDrawn(hwnd);
  const bool simple = Kind(hwnd) == CBS_SIMPLE;
  const std::u16string text = TextOf(hwnd);
  PaintControl(hwnd, editable ? WM_CTLCOLOREDIT : WM_CTLCOLORLISTBOX, false, [&](ControlPaint& paint) {
    HDC dc = paint.dc;
    const LONG width = paint.client.right;
    RECT field{0, 0, width, std::min<LONG>(static_cast<LONG>(state.fieldHeight) + 6, paint.client.bottom)};
    FillRect(dc, &field, paint.background);
    DrawSunkenFrame(dc, field);
    RECT inside{field.left + 2, field.top + 2, field.right - 2, field.bottom - 2};
    if (!simple) {
      RECT button{std::max<LONG>(inside.right - kDropButtonWidth, inside.left), inside.top, inside.right, inside.bottom};
      FillSysColor(dc, button, COLOR_3DFACE);
      DrawEdge3D(dc, button, COLOR_3DHIGHLIGHT, COLOR_3DDKSHADOW);
      // The arrow: a small triangle pointing down.
      const LONG cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2 - 1;
      for (LONG row = 0; row < 4; ++row)
        FillSysColor(dc, RECT{cx - 3 + row, cy + row, cx + 4 - row, cy + row + 1}, paint.disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
      inside.right = button.left;
    }
    if (ownerDrawn && !editable) {
      const ListItem* chosen = state.list.Selected();
      UINT itemState = ODS_COMBOBOXEDIT | (paint.disabled ? ODS_DISABLED : 0);
      SendDrawItem(hwnd, ODT_COMBOBOX, static_cast<UINT>(state.list.selection), ODA_DRAWENTIRE, itemState, inside,
                   chosen ? chosen->data : 0, dc);
      SelectClipRgn(dc, nullptr);
    } else {
      // A focused drop-down list shows its choice in the highlight colours.
      if (!editable && GetFocus() == hwnd && !state.dropped) {
        FillSysColor(dc, inside, COLOR_HIGHLIGHT);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      }
      RECT label{inside.left + 1, inside.top, inside.right, inside.bottom};
      DrawControlText(paint, text, label, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (!simple && !state.dropped) return;
    RECT list{0, field.bottom, width, paint.client.bottom};
    if (list.bottom <= list.top) return;
    HBRUSH listBrush = ControlColor(hwnd, dc, WM_CTLCOLORLISTBOX);
    FillRect(dc, &list, listBrush ? listBrush : DefaultControlColor(dc, WM_CTLCOLORLISTBOX));
    DrawEdge3D(dc, list, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    state.list.PaintRows(paint, RECT{list.left + 1, list.top + 1, list.right - 1, list.bottom - 1}, ODT_COMBOBOX, ownerDrawn);
  });
}

LRESULT AddItem(HWND hwnd, ComboState& state, int index, LPARAM lParam) {
  const DWORD style = StyleOf(hwnd);
  LRESULT at = state.list.Add(index, lParam, HasStrings(hwnd), (style & CBS_SORT) != 0);
  if (at >= 0 && (style & CBS_OWNERDRAWVARIABLE)) MeasureAddedItem(States(), hwnd, ODT_COMBOBOX, at);
  return at;
}

LRESULT Find(HWND hwnd, const ComboState& state, WPARAM start, LPARAM lParam, bool exact) {
  return state.list.Find(start, lParam, HasStrings(hwnd), exact);
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
            live->list.itemHeight = SendMeasureItem(hwnd, ODT_COMBOBOX, 0, kDefaultItemHeight, 0);
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
      const bool wasChosen = static_cast<int>(wParam) == state->list.selection;
      LRESULT left = state->list.Delete(wParam);
      if (left != CB_ERR && wasChosen && !Editable(hwnd)) ShowSelection(hwnd, *state);
      return left;
    }
    case CB_RESETCONTENT:
      state->list.Clear();
      if (!Editable(hwnd)) ShowSelection(hwnd, *state);
      return CB_OKAY;
    case CB_INITSTORAGE:
      return static_cast<LRESULT>(std::min<WPARAM>(wParam, ItemList::kMaxItems));
    case CB_GETCOUNT:
      return state->list.Count();
    case CB_GETCURSEL:
      return state->list.selection;
    case CB_SETCURSEL:
      if (!state->list.Valid(wParam)) {
        state->list.selection = -1;
        ShowSelection(hwnd, *state);
        return CB_ERR;
      }
      state->list.selection = static_cast<int>(wParam);
      ShowSelection(hwnd, *state);
      return state->list.selection;
    case CB_GETLBTEXT:
      return state->list.CopyText(wParam, lParam, HasStrings(hwnd));
    case CB_GETLBTEXTLEN:
      return state->list.TextLength(wParam, HasStrings(hwnd));
    case CB_FINDSTRING:
      return Find(hwnd, *state, wParam, lParam, false);
    case CB_FINDSTRINGEXACT:
      return Find(hwnd, *state, wParam, lParam, true);
    case CB_SELECTSTRING: {
      LRESULT found = Find(hwnd, *state, wParam, lParam, false);
      if (found == CB_ERR) return CB_ERR;
      state->list.selection = static_cast<int>(found);
      ShowSelection(hwnd, *state);
      return found;
    }
    case CB_GETITEMDATA:
      return state->list.Valid(wParam) ? static_cast<LRESULT>(state->list.At(wParam).data) : CB_ERR;
    case CB_SETITEMDATA:
      if (!state->list.Valid(wParam)) return CB_ERR;
      state->list.At(wParam).data = static_cast<ULONG_PTR>(lParam);
      return CB_OKAY;
    case CB_SHOWDROPDOWN:
      if (wParam) Drop(hwnd, *state);
      else if (state->dropped) {
        state->dropped = false;
        ListClosed(hwnd);
        NotifyParent(hwnd, CBN_CLOSEUP);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return state->dropped ? TRUE : FALSE;
    case CB_SETITEMHEIGHT:
      if (lParam <= 0 || lParam > 255) return CB_ERR;
      if (static_cast<int>(wParam) == -1) state->fieldHeight = static_cast<UINT>(lParam);
      else if (StyleOf(hwnd) & CBS_OWNERDRAWVARIABLE) {
        if (!state->list.Valid(wParam)) return CB_ERR;
        state->list.At(wParam).height = static_cast<UINT>(lParam);
      } else {
        state->list.itemHeight = static_cast<UINT>(lParam);
      }
      return CB_OKAY;
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(wParam) == -1) return state->fieldHeight;
      if ((StyleOf(hwnd) & CBS_OWNERDRAWVARIABLE) && state->list.Valid(wParam)) return state->list.At(wParam).height;
      return state->list.itemHeight;
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
      return state->list.topIndex;
    case CB_SETTOPINDEX:
      if (!state->list.Valid(wParam)) return CB_ERR;
      state->list.topIndex = static_cast<int>(wParam);
      return CB_OKAY;
    case WM_SETTEXT: {
      if (Editable(hwnd)) return DefWindowProcW(hwnd, message, wParam, lParam);
      LRESULT found = Find(hwnd, *state, static_cast<WPARAM>(-1), lParam, true);
      if (found == CB_ERR) return CB_ERR;
      state->list.selection = static_cast<int>(found);
      ShowSelection(hwnd, *state);
      return TRUE;
    }
    case WM_CHAR:
      TypeInField(hwnd, *state, static_cast<WCHAR>(wParam));
      return 0;
    case WM_KEYDOWN:
      if ((wParam == VK_DOWN || wParam == VK_UP) && state->list.Count() > 0) {
        int next = state->list.selection + (wParam == VK_DOWN ? 1 : -1);
        if (state->list.selection < 0) next = 0;
        if (next >= 0 && next < state->list.Count() && next != state->list.selection) {
          state->list.selection = next;
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
        state->list.selection = state->selectionAtDrop;
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
