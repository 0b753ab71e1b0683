// The dialog class's default procedure (DefDlgProcW) and the dialog keyboard (IsDialogMessageW).
#include <algorithm>

#include <win/gdi_objects.h>
#include <win/user_draw.h>

#include "internal/desktop.h"
#include "internal/dialogs.h"

namespace plat::dialogs {
namespace {

bool IsDescendant(HWND ancestor, HWND hwnd) {
  for (HWND h = hwnd; h; h = GetParent(h)) {
    if (h == ancestor) return true;
    if (!(StyleOf(h) & WS_CHILD)) return false;
  }
  return false;
}

// The messages whose answer is the dialog procedure's own result, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

HWND DefaultButton(HWND dialog) {
  std::pair<HWND, HWND> search(dialog, nullptr);
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) -> BOOL {
        auto* out = reinterpret_cast<std::pair<HWND, HWND>*>(param);
        if (GetParent(child) == out->first && (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
          out->second = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

void MoveDefault(HWND dialog, WORD id) {
  HWND previous = DefaultButton(dialog);
  HWND next = id ? GetDlgItem(dialog, id) : nullptr;
  if (previous && previous != next) SendMessageW(previous, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  if (next && (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
    SendMessageW(next, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Moves a top-level dialog wholly into the work area, as DM_REPOSITION does.
void Reposition(HWND dialog) {
  if (StyleOf(dialog) & WS_CHILD) return;
  RECT rect{}, work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  GetWindowRect(dialog, &rect);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  LONG x = rect.left, y = rect.top;
  if (rect.right > work.right) x -= rect.right - work.right;
  if (x < work.left) x = work.left;
  if (rect.bottom > work.bottom) y -= rect.bottom - work.bottom;
  if (y < work.top) y = work.top;
  if (x != rect.left || y != rect.top) SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT DefaultHandling(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      // The dialog's face: the brush its own procedure answers for WM_CTLCOLORDLG, else the
      // 3-D face; a brush that is no longer live paints nothing.
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!dc) return TRUE;
      HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
      if (brush && GetObjectType(brush) == OBJ_BRUSH) {
        RECT client{};
        GetClientRect(dialog, &client);
        FillRect(dc, &client, brush);
      }
      return TRUE;
    }
    case WM_CLOSE: {
      // The user's close is the Cancel button's click, when that button may be clicked.
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case DM_GETDEFID: {
      WORD id = DefaultId(dialog);
      if (!id) {
        if (HWND button = DefaultButton(dialog)) id = static_cast<WORD>(IdOf(button));
      }
      return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID:
      MoveDefault(dialog, static_cast<WORD>(wParam));
      SetDefaultId(dialog, static_cast<WORD>(wParam));
      return TRUE;
    case DM_REPOSITION:
      Reposition(dialog);
      return 0;
    case WM_SETFOCUS: {
      HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
      if (first) SetFocus(first);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                   : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0 ? TRUE : FALSE);
      if (target) {
        SetFocus(target);
        if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_SETFONT:
      SetDialogFont(dialog, reinterpret_cast<HFONT>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(DialogFont(dialog));
    case WM_HELP:
      // A page or other child dialog leaves help it does not give to its parent.
      if ((StyleOf(dialog) & WS_CHILD) && GetParent(dialog)) return SendMessageW(GetParent(dialog), message, wParam, lParam);
      return 0;
    case WM_NCDESTROY:
      ForgetDialog(dialog);
      return DefWindowProcW(dialog, message, wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(DefaultControlColor(reinterpret_cast<HDC>(wParam), message));
    case WM_INITDIALOG:
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      return 0;
    default:
      return DefWindowProcW(dialog, message, wParam, lParam);
  }
}

// WM_COMMAND for a button of the dialog, as a click on it sends.
void PressButton(HWND dialog, WORD id) {
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace
}  // namespace plat::dialogs

using namespace plat::dialogs;

extern "C" {

WINBASEAPI LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  SetLastError(0);
  DLGPROC proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hDlg, DWLP_DLGPROC));
  if (proc) {
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
    INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
    if (!IsWindow(hDlg)) return AnswersDirectly(Msg) ? handled : 0;
    if (handled) return AnswersDirectly(Msg) ? handled : GetWindowLongPtrW(hDlg, DWLP_MSGRESULT);
    // An unanswered colour message gets the default colours.
    if (AnswersDirectly(Msg) && Msg != WM_INITDIALOG && !(Msg >= WM_CTLCOLORMSGBOX && Msg <= WM_CTLCOLORSTATIC)) return 0;
  }
  return DefaultHandling(hDlg, Msg, wParam, lParam);
}

WINBASEAPI BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
  if (!hDlg || !lpMsg || !lpMsg->hwnd || !IsDescendant(hDlg, lpMsg->hwnd)) return FALSE;
  if (lpMsg->message == WM_KEYDOWN) {
    HWND focus = GetFocus();
    if (!focus || !IsDescendant(hDlg, focus)) focus = lpMsg->hwnd;
    LRESULT code = SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
    // A control inside a child dialog (a sheet's page) belongs to that dialog's buttons.
    HWND owner = GetParent(focus) && IsDescendant(hDlg, GetParent(focus)) ? GetParent(focus) : hDlg;
    switch (lpMsg->wParam) {
      case VK_TAB:
        if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) break;
        SendMessageW(hDlg, WM_NEXTDLGCTL, 0, 0);
        return TRUE;
      case VK_RETURN: {
        if (code & DLGC_WANTALLKEYS) break;
        if (code & DLGC_DEFPUSHBUTTON || code & DLGC_UNDEFPUSHBUTTON) {
          if (IsWindowEnabled(lpMsg->hwnd)) PressButton(GetParent(lpMsg->hwnd), static_cast<WORD>(IdOf(lpMsg->hwnd)));
          return TRUE;
        }
        LRESULT def = SendMessageW(hDlg, DM_GETDEFID, 0, 0);
        PressButton(hDlg, HIWORD(def) == DC_HASDEFID ? LOWORD(def) : static_cast<WORD>(IDOK));
        return TRUE;
      }
      case VK_ESCAPE:
        if (code & DLGC_WANTALLKEYS) break;
        PressButton(hDlg, IDCANCEL);
        return TRUE;
      case VK_F1: {
        HELPINFO help{};
        help.cbSize = sizeof(help);
        help.iContextType = HELPINFO_WINDOW;
        help.iCtrlId = IdOf(focus);
        help.hItemHandle = focus;
        RECT rect{};
        GetWindowRect(focus, &rect);
        help.MousePos = POINT{rect.left, rect.top};
        SendMessageW(owner, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        return TRUE;
      }
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        if (code & DLGC_WANTARROWS) break;
        HWND next = GetNextDlgGroupItem(GetParent(lpMsg->hwnd), lpMsg->hwnd,
                                        lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP);
        if (next && next != lpMsg->hwnd) {
          SetFocus(next);
          if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
        }
        return TRUE;
      }
      default:
        break;
    }
  }
  TranslateMessage(lpMsg);
  DispatchMessageW(lpMsg);
  return TRUE;
}

}  // extern "C"
