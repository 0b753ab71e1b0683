// The "Edit" class. WM_SETTEXT replaces the text whatever the limit, sends EN_UPDATE and
// EN_CHANGE (single-line edits) and empties the undo buffer; each typed character sends both;
// typing is limited by EM_LIMITTEXT; EM_UNDO swaps the text with the one-level undo buffer.
#include <algorithm>

#include <win/gdi_draw.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

constexpr size_t kDefaultLimit = 32767;
constexpr size_t kLargestLimit = 0x7FFFFFFE;

struct EditState {
  std::u16string undo;
  bool canUndo = false;
  bool typing = false;  // consecutive typed characters undo together
  size_t selStart = 0, selEnd = 0;
  size_t limit = kDefaultLimit;
  bool modified = false;
  WCHAR password = 0;
};

StateMap<EditState>& States() {
  static StateMap<EditState> states;
  return states;
}

// Stores the text without the edit's own WM_SETTEXT rules (undo, notifications).
void Store(HWND hwnd, const std::u16string& text) { DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }

void Changed(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

void ClampSelection(EditState& state, size_t length) {
  state.selStart = std::min(state.selStart, length);
  state.selEnd = std::min(state.selEnd, length);
  if (state.selStart > state.selEnd) std::swap(state.selStart, state.selEnd);
}

// Replaces the selection by `insert`; false when nothing changed.
bool ReplaceSelection(HWND hwnd, EditState& state, std::u16string_view insert, bool keepUndo) {
  std::u16string text = TextOf(hwnd);
  ClampSelection(state, text.size());
  if (keepUndo) {
    state.undo = text;
    state.canUndo = true;
  }
  text.replace(state.selStart, state.selEnd - state.selStart, insert);
  state.selStart = state.selEnd = state.selStart + insert.size();
  state.modified = true;
  Store(hwnd, text);
  return true;
}

void Type(HWND hwnd, EditState& state, WCHAR c) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_READONLY) return;
  std::u16string text = TextOf(hwnd);
  ClampSelection(state, text.size());
  const bool startsAction = !state.typing;
  if (c == VK_BACK) {
    if (state.selStart == state.selEnd) {
      if (state.selStart == 0) return;
      --state.selStart;
    }
    if (startsAction || !state.canUndo) {
      state.undo = text;
      state.canUndo = true;
    }
    state.typing = true;
    ReplaceSelection(hwnd, state, u"", false);
    Changed(hwnd);
    return;
  }
  if (c < 0x20 && !(c == u'\r' && (style & ES_MULTILINE) && (style & ES_WANTRETURN))) return;
  if ((style & ES_NUMBER) && (c < u'0' || c > u'9')) return;
  if ((style & ES_UPPERCASE) && c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - 0x20);
  if ((style & ES_LOWERCASE) && c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c + 0x20);
  if (text.size() - (state.selEnd - state.selStart) + 1 > state.limit) {
    NotifyParent(hwnd, EN_MAXTEXT);
    return;
  }
  if (startsAction || !state.canUndo) {
    state.undo = text;
    state.canUndo = true;
  }
  state.typing = true;
  WCHAR one[2] = {c, 0};
  ReplaceSelection(hwnd, state, std::u16string_view(one, 1), false);
  Changed(hwnd);
}

void DeleteForward(HWND hwnd, EditState& state) {
  if (StyleOf(hwnd) & ES_READONLY) return;
  std::u16string text = TextOf(hwnd);
  ClampSelection(state, text.size());
  if (state.selStart == state.selEnd) {
    if (state.selEnd >= text.size()) return;
    ++state.selEnd;
  }
  state.typing = false;
  ReplaceSelection(hwnd, state, u"", true);
  Changed(hwnd);
}

// The text as shown: a password edit shows its character in place of each one typed.
std::u16string Shown(HWND hwnd, const EditState& state) {
  std::u16string text = TextOf(hwnd);
  if (state.password) std::fill(text.begin(), text.end(), state.password);
  return text;
}

void Paint(HWND hwnd, EditState& state) {
  const DWORD style = StyleOf(hwnd);
  // Read-only and disabled edits colour themselves as statics, as the platform does.
  const UINT message = (style & (ES_READONLY | WS_DISABLED)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  const std::u16string text = Shown(hwnd, state);
  PaintControl(hwnd, message, true, [&](ControlPaint& paint) {
    RECT box = paint.client;
    // The stand-in's windows have no frame: a bordered edit draws its sunken frame inside.
    if ((style & WS_BORDER) || (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) {
      DrawSunkenFrame(paint.dc, box);
      box = RECT{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    }
    box.left += 1;
    box.right -= 1;
    if (style & ES_MULTILINE) {
      DrawControlText(paint, text, box, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
      return;
    }
    const UINT align = (style & ES_RIGHT) ? DT_RIGHT : (style & ES_CENTER) ? DT_CENTER : DT_LEFT;
    ClampSelection(state, text.size());
    const bool showSelection = state.selStart < state.selEnd && (GetFocus() == hwnd || (style & ES_NOHIDESEL));
    if (!showSelection || align != DT_LEFT) {
      DrawControlText(paint, text, box, align | DT_SINGLELINE | DT_NOPREFIX);
      return;
    }
    // The selection is shown in the highlight colours; the stand-in shows no caret.
    auto advance = [&](size_t count) {
      SIZE extent{};
      GetTextExtentPoint32W(paint.dc, text.data(), static_cast<int>(count), &extent);
      return extent.cx;
    };
    const LONG from = box.left + advance(state.selStart), to = box.left + advance(state.selEnd);
    DrawControlText(paint, text, box, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    RECT selected{from, box.top, std::min(to, box.right), box.bottom};
    FillSysColor(paint.dc, selected, COLOR_HIGHLIGHT);
    SetTextColor(paint.dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    RECT run{from, box.top, box.right, box.bottom};
    DrawControlText(paint, std::u16string_view(text).substr(state.selStart, state.selEnd - state.selStart), run,
                    DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  });
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) States().Make(hwnd);
  EditState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      States().Drop(hwnd);
      ForgetFont(hwnd);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      DWORD style = StyleOf(hwnd);
      if ((style & ES_MULTILINE) && (style & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      state->canUndo = false;
      state->undo.clear();
      state->typing = false;
      state->selStart = state->selEnd = 0;
      state->modified = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (!(StyleOf(hwnd) & ES_MULTILINE)) {
        NotifyParent(hwnd, EN_UPDATE);
        NotifyParent(hwnd, EN_CHANGE);
      }
      return result;
    }
    case WM_CHAR:
      Type(hwnd, *state, static_cast<WCHAR>(wParam));
      return 0;
    case WM_KEYDOWN: {
      size_t length = TextOf(hwnd).size();
      switch (wParam) {
        case VK_DELETE: DeleteForward(hwnd, *state); break;
        case VK_LEFT: state->selStart = state->selEnd = state->selStart ? state->selStart - 1 : 0; break;
        case VK_RIGHT: state->selStart = state->selEnd = std::min(state->selEnd + 1, length); break;
        case VK_HOME: state->selStart = state->selEnd = 0; break;
        case VK_END: state->selStart = state->selEnd = length; break;
        default: return 0;
      }
      state->typing = false;
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      return 0;
    case EM_LIMITTEXT:
      state->limit = wParam ? std::min<size_t>(wParam, kLargestLimit) : kLargestLimit;
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(state->limit);
    case EM_SETSEL: {
      size_t length = TextOf(hwnd).size();
      long long start = static_cast<int>(wParam), end = static_cast<int>(lParam);
      if (start == -1) {
        state->selStart = state->selEnd = std::min(state->selEnd, length);  // deselect, caret kept
      } else {
        if (end < 0) end = static_cast<long long>(length);
        if (start < 0) start = static_cast<long long>(length);
        state->selStart = std::min<size_t>(static_cast<size_t>(start), length);
        state->selEnd = std::min<size_t>(static_cast<size_t>(end), length);
        if (state->selStart > state->selEnd) std::swap(state->selStart, state->selEnd);
      }
      state->typing = false;
      return 0;
    }
    case EM_GETSEL: {
      ClampSelection(*state, TextOf(hwnd).size());
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(state->selStart);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(state->selEnd);
      return MAKELRESULT(std::min<size_t>(state->selStart, 0xFFFF), std::min<size_t>(state->selEnd, 0xFFFF));
    }
    case EM_REPLACESEL: {
      const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
      state->typing = false;
      ReplaceSelection(hwnd, *state, text ? std::u16string_view(text) : std::u16string_view(), wParam != 0);
      Changed(hwnd);
      return 0;
    }
    case EM_CANUNDO:
      return state->canUndo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO: {
      if (!state->canUndo) return FALSE;
      std::u16string current = TextOf(hwnd);
      Store(hwnd, state->undo);
      state->undo = current;  // a second undo restores what the first took away
      state->typing = false;
      state->selStart = state->selEnd = TextOf(hwnd).size();
      state->modified = true;
      Changed(hwnd);
      return TRUE;
    }
    case EM_EMPTYUNDOBUFFER:
      state->canUndo = false;
      state->undo.clear();
      state->typing = false;
      return 0;
    case EM_GETMODIFY:
      return state->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      state->modified = wParam != 0;
      return 0;
    case EM_SETREADONLY: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY))));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR:
      state->password = static_cast<WCHAR>(wParam);
      return 0;
    case EM_GETLINECOUNT: {
      if (!(StyleOf(hwnd) & ES_MULTILINE)) return 1;
      std::u16string text = TextOf(hwnd);
      return 1 + std::count(text.begin(), text.end(), u'\n');
    }
    case EM_SCROLLCARET:
      return TRUE;
    case WM_SETFOCUS:
      state->typing = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      state->typing = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, EN_KILLFOCUS);
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
