// CDialog, DDX_Control, and the reflection of a control's notifications to its own object.
#include "afx_owner_draw.h"
#include "afxwin.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

// The window of the control a parent's notification is about; NULL for menus and others.
HWND NotifyingControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY: return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
      return item && item->CtlType != ODT_MENU ? ::GetDlgItem(parent, static_cast<int>(wParam)) : nullptr;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(lParam);
    default:
      return nullptr;
  }
}

}  // namespace

// The control's own map entries for reflected messages: ON_CONTROL_REFLECT_EX for WM_COMMAND
// codes, ON_WM_CTLCOLOR_REFLECT for every WM_CTLCOLOR*.
BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const bool colour = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
  UINT reflected = WM_REFLECT_BASE + (colour ? WM_CTLCOLORSTATIC : message);
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->pRegistered || entry->nMessage != reflected) continue;
      if (message == WM_COMMAND && entry->nCode != HIWORD(wParam)) continue;
      if (message == WM_NOTIFY && (!lParam || entry->nCode != reinterpret_cast<const NMHDR*>(lParam)->code)) continue;
      if (entry->nSig == AfxSig_vNMHDRpl) {
        // The control takes the notification: its handler's answer is the parent's, which never
        // sees it.
        LRESULT answer = 0;
        (this->*reinterpret_cast<void (CWnd::*)(NMHDR*, LRESULT*)>(entry->pfn))(reinterpret_cast<NMHDR*>(lParam), &answer);
        *result = answer;
        return TRUE;
      }
      if (entry->nSig == AfxSig_bv) {
        // TRUE: the control took it and the parent never sees it.
        BOOL took = (this->*reinterpret_cast<BOOL (CWnd::*)()>(entry->pfn))();
        if (took) *result = 0;
        return took;
      }
      if (entry->nSig == AfxSig_hDu) {
        HBRUSH brush = (this->*reinterpret_cast<HBRUSH (CWnd::*)(CDC*, UINT)>(entry->pfn))(
            CDC::FromHandle(reinterpret_cast<HDC>(wParam)), message - WM_CTLCOLORMSGBOX);
        if (!brush) return FALSE;  // the parent answers
        *result = reinterpret_cast<LRESULT>(brush);
        return TRUE;
      }
    }
    if (!map->pfnGetBaseMap) break;
  }
  return FALSE;
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (afx_detail::ReflectOwnerDraw(*this, message, lParam, result)) return TRUE;
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

BOOL CStatic::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (afx_detail::ReflectOwnerDraw(*this, message, lParam, result)) return TRUE;
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (afx_detail::ReflectOwnerDraw(*this, message, lParam, result)) return TRUE;
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

HBRUSH CWnd::OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
  if (control && dc && control->m_hWnd != m_hWnd) {
    LRESULT answer = 0;
    CWnd* own = FromHandlePermanent(control->m_hWnd);
    if (own && own->OnChildNotify(WM_CTLCOLORMSGBOX + kind, reinterpret_cast<WPARAM>(dc->m_hDC),
                                  reinterpret_cast<LPARAM>(control->m_hWnd), &answer))
      return reinterpret_cast<HBRUSH>(answer);
  }
  return reinterpret_cast<HBRUSH>(Default());
}

bool AfxReflectToChild(CWnd* parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND control = NotifyingControl(parent->m_hWnd, message, wParam, lParam);
  if (!control || control == parent->m_hWnd) return false;
  CWnd* child = CWnd::FromHandlePermanent(control);
  return child && child->OnChildNotify(message, wParam, lParam, result);
}

// ---- CDialog ----------------------------------------------------------------------------------------
const AFX_MSGMAP* CDialog::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {&CWnd::GetThisMessageMap, entries};
  return &map;
}
const AFX_MSGMAP* CDialog::GetMessageMap() const { return GetThisMessageMap(); }

INT_PTR CALLBACK CDialog::AfxDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  // The dialog's object takes its window before its first handler runs.
  CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
  if (!dialog || dialog->m_hWnd) return TRUE;
  dialog->SubclassWindow(hwnd);
  return dialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
  if (m_modal) EndModalLoop(result);
  else ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (CWnd::OnWndMsg(message, wParam, lParam, result)) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) OnOK();
    else OnCancel();
    *result = 0;
    return TRUE;
  }
  return FALSE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDHelp = templateId;
  m_pParentWnd = parent;
  HWND hwnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId), parent ? parent->m_hWnd : nullptr,
                                   &AfxDlgProc, reinterpret_cast<LPARAM>(this));
  return hwnd != nullptr && m_hWnd == hwnd;
}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : (AfxGetApp() && AfxGetApp()->m_pMainWnd ? AfxGetApp()->m_pMainWnd->m_hWnd : nullptr);
  const bool disableOwner = owner && ::IsWindowEnabled(owner);
  if (disableOwner) ::EnableWindow(owner, FALSE);
  HWND hwnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDHelp), owner, &AfxDlgProc,
                                   reinterpret_cast<LPARAM>(this));
  if (!hwnd || m_hWnd != hwnd) {
    if (disableOwner) ::EnableWindow(owner, TRUE);
    return -1;
  }
  // The framework's loop: a dialog still hidden at the first idle is shown then.
  m_modal = true;
  m_nModalResult = -1;
  bool idleSeen = false;
  CWinThread* thread = AfxGetThread();
  MSG msg;
  while (m_modal) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!idleSeen) {
        idleSeen = true;
        if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
        continue;
      }
      ::WaitMessage();
      continue;
    }
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (thread && thread->PreTranslateMessage(&msg)) continue;
    if (::IsDialogMessageW(hwnd, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  m_modal = false;
  if (disableOwner) ::EnableWindow(owner, TRUE);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  return m_nModalResult;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd || !pDX || !pDX->m_pDlgWnd) return;
  HWND item = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
  if (item) control.SubclassWindow(item);
}
