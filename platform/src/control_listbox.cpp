// The "ListBox" class: LB_SETCURSEL and the other messages send nothing; the user's selection
// sends LBN_SELCHANGE and a double click LBN_DBLCLK (with LBS_NOTIFY); owner-drawn rows are
// drawn by the parent, each in its own rectangle.
#include <win/gdi.h>

#include "control_list_items.h"

namespace plat::dialogs {
namespace {

constexpr UINT kDefaultItemHeight = 16;

struct ListBoxState {
  ItemList list;
};

StateMap<ListBoxState>& States() {
  static StateMap<ListBoxState> states;
  return states;
}

bool OwnerDrawn(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND hwnd) { return !OwnerDrawn(hwnd) || (StyleOf(hwnd) & LBS_HASSTRINGS); }
bool Bordered(HWND hwnd) { return (StyleOf(hwnd) & WS_BORDER) || (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE); }

// The rows' area: the client area inside the frame that a bordered list draws itself.
RECT RowArea(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  if (Bordered(hwnd)) client = RECT{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
  return client;
}

void Select(HWND hwnd, ListBoxState& state, int index, bool byUser) {
  if (!state.list.Valid(static_cast<WPARAM>(index))) return;
  bool changed = state.list.selection != index;
  state.list.selection = index;
  InvalidateRect(hwnd, nullptr, TRUE);
  if (byUser && changed && (StyleOf(hwnd) & LBS_NOTIFY)) NotifyParent(hwnd, LBN_SELCHANGE);
}

void Paint(HWND hwnd, const ListBoxState& state) {
  const bool bordered = Bordered(hwnd), ownerDrawn = OwnerDrawn(hwnd);
  PaintControl(hwnd, WM_CTLCOLORLISTBOX, true, [&](ControlPaint& paint) {
    if (bordered) DrawSunkenFrame(paint.dc, paint.client);
    state.list.PaintRows(paint, RowArea(hwnd), ODT_LISTBOX, ownerDrawn);
  });
}

LRESULT AddItem(HWND hwnd, ListBoxState& state, int index, LPARAM lParam) {
  const DWORD style = StyleOf(hwnd);
  LRESULT at = state.list.Add(index, lParam, HasStrings(hwnd), (style & LBS_SORT) != 0);
  if (at >= 0 && (style & LBS_OWNERDRAWVARIABLE)) MeasureAddedItem(States(), hwnd, ODT_LISTBOX, at);
  InvalidateRect(hwnd, nullptr, TRUE);
  return at;
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  ListBoxState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (StyleOf(hwnd) & LBS_OWNERDRAWFIXED) {
        const UINT height = SendMeasureItem(hwnd, ODT_LISTBOX, 0, kDefaultItemHeight, 0);
        if (ListBoxState* live = States().Get(hwnd)) live->list.itemHeight = height;
      }
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
      LRESULT left = state->list.Delete(wParam);
      if (left != LB_ERR) InvalidateRect(hwnd, nullptr, TRUE);
      return left;
    }
    case LB_RESETCONTENT:
      state->list.Clear();
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    case LB_GETCOUNT:
      return state->list.Count();
    case LB_GETCURSEL:
      return state->list.selection;
    case LB_SETCURSEL:
      if (!state->list.Valid(wParam)) {
        state->list.selection = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LB_ERR;
      }
      Select(hwnd, *state, static_cast<int>(wParam), false);
      return state->list.selection;
    case LB_GETSEL:
      if (!state->list.Valid(wParam)) return LB_ERR;
      return static_cast<int>(wParam) == state->list.selection ? 1 : 0;
    case LB_GETTEXT:
      return state->list.CopyText(wParam, lParam, HasStrings(hwnd));
    case LB_GETTEXTLEN:
      return state->list.TextLength(wParam, HasStrings(hwnd));
    case LB_FINDSTRING:
      return state->list.Find(wParam, lParam, HasStrings(hwnd), false);
    case LB_FINDSTRINGEXACT:
      return state->list.Find(wParam, lParam, HasStrings(hwnd), true);
    case LB_SELECTSTRING: {
      LRESULT found = state->list.Find(wParam, lParam, HasStrings(hwnd), false);
      if (found != LB_ERR) Select(hwnd, *state, static_cast<int>(found), false);
      return found;
    }
    case LB_GETITEMDATA:
      return state->list.Valid(wParam) ? static_cast<LRESULT>(state->list.At(wParam).data) : LB_ERR;
    case LB_SETITEMDATA:
      if (!state->list.Valid(wParam)) return LB_ERR;
      state->list.At(wParam).data = static_cast<ULONG_PTR>(lParam);
      return LB_OKAY;
    case LB_GETITEMRECT:
      if (!lParam || (!state->list.Valid(wParam) && !(wParam == 0 && state->list.Count() == 0))) return LB_ERR;
      *reinterpret_cast<RECT*>(lParam) = state->list.RowRect(RowArea(hwnd), static_cast<int>(wParam));
      return LB_OKAY;
    case LB_SETITEMHEIGHT:
      if (lParam <= 0 || lParam > 255) return LB_ERR;
      if ((StyleOf(hwnd) & LBS_OWNERDRAWVARIABLE) && state->list.Valid(wParam))
        state->list.At(wParam).height = static_cast<UINT>(lParam);
      else
        state->list.itemHeight = static_cast<UINT>(lParam);
      return LB_OKAY;
    case LB_GETITEMHEIGHT:
      if ((StyleOf(hwnd) & LBS_OWNERDRAWVARIABLE) && state->list.Valid(wParam)) return state->list.At(wParam).height;
      return state->list.itemHeight;
    case LB_GETTOPINDEX:
      return state->list.topIndex;
    case LB_SETTOPINDEX:
      if (!state->list.Valid(wParam)) return LB_ERR;
      state->list.topIndex = static_cast<int>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      Select(hwnd, *state, state->list.RowAt(RowArea(hwnd), static_cast<SHORT>(HIWORD(lParam))), true);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_DOWN || wParam == VK_UP) {
        int next = state->list.selection < 0 ? 0 : state->list.selection + (wParam == VK_DOWN ? 1 : -1);
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
