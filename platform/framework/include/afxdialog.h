// Dialogs and controls in the framework's names: CDialog (DoModal, Create, OnInitDialog, OnOK,
// OnCancel, DDX_Control), the classic control classes, a device context wrapper, and the
// reflection of a control's notifications back to its own object (ON_CONTROL_REFLECT_EX,
// ON_WM_CTLCOLOR_REFLECT, DrawItem, MeasureItem). Included by afxwin.h.
#pragma once

#include <win/commctrl.h>
#include <win/gdi.h>

#include "afxgdi.h"

// Reflected messages: a control's own map sees its parent's notification at this offset.
#define WM_REFLECT_BASE 0xBC00

#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn)                                                 \
  {WM_COMMAND + WM_REFLECT_BASE, static_cast<UINT>(wNotifyCode), 0, 0, AfxSig_bv,                    \
   reinterpret_cast<AFX_PMSG>(static_cast<BOOL (CWnd::*)()>(&ThisClass::memberFxn)), nullptr},
#define ON_WM_CTLCOLOR_REFLECT()                                                                       \
  {WM_CTLCOLORSTATIC + WM_REFLECT_BASE, 0, 0, 0, AfxSig_hDu,                                          \
   reinterpret_cast<AFX_PMSG>(static_cast<HBRUSH (CWnd::*)(CDC*, UINT)>(&ThisClass::CtlColor)), nullptr},

// The control's own handler of its WM_NOTIFY code; it takes the notification from the parent.
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                     \
  {WM_NOTIFY + WM_REFLECT_BASE, static_cast<UINT>(wNotifyCode), 0, 0, AfxSig_vNMHDRpl,               \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)(NMHDR*, LRESULT*)>(&ThisClass::memberFxn)), nullptr},

class CDataExchange;

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDHelp(templateId), m_pParentWnd(parent) {}

  // Modal: the owner is disabled, the dialog shown at the loop's first idle if it is still
  // hidden, and the loop runs until EndDialog; the result EndDialog gave, or -1.
  virtual INT_PTR DoModal();
  // Modeless.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  static INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;
};

class CDataExchange {
 public:
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  CDataExchange(CWnd* dialog, BOOL save) : m_bSaveAndValidate(save), m_pDlgWnd(dialog) {}
};

// The control of the dialog item becomes `control`'s window (subclassed), once.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// ---- Controls ------------------------------------------------------------------------------------
// A control reflects WM_DRAWITEM and WM_MEASUREITEM from its parent to its own DrawItem and
// MeasureItem.
class CButton : public CWnd {
 public:
  UINT GetState() const { return static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0)); }
  int GetCheck() const { return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int check) { ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { ::SendMessageW(m_hWnd, BM_SETSTYLE, style, redraw); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
 public:
  HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0)); }
  HICON GetIcon() const { return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, STM_GETICON, 0, 0)); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CEdit : public CWnd {
 public:
  void LimitText(int chars = 0) { ::SendMessageW(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(chars), 0); }
  void SetSel(int start, int end) { ::SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), end); }
  BOOL Undo() { return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_UNDO, 0, 0)); }
};

class CComboBox : public CWnd {
 public:
  int AddString(LPCWSTR text) { return static_cast<int>(::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCWSTR text) {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int GetCount() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int index) { return static_cast<int>(::SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0)); }
  DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(::SendMessageW(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0)); }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  void ResetContent() { ::SendMessageW(m_hWnd, CB_RESETCONTENT, 0, 0); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CListBox : public CWnd {
 public:
  int AddString(LPCWSTR text) { return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCURSEL, 0, 0)); }
  int SetCurSel(int index) { return static_cast<int>(::SendMessageW(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0)); }
};
