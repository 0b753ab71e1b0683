// The common controls in the framework's names: CListCtrl, CSpinButtonCtrl, CProgressCtrl and
// CToolTipCtrl, thin wrappers that send the controls' messages. Included by afxwin.h.
#pragma once

#include <win/commctrl.h>

// A report-view list. Owner-drawn rows reach the object's own DrawItem and MeasureItem.
class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)

 public:
  int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0)); }
  int InsertColumn(int column, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  BOOL DeleteColumn(int column) { return static_cast<BOOL>(Send(LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0)); }
  int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)); }
  BOOL SetColumnWidth(int column, int width) {
    return static_cast<BOOL>(Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)));
  }
  int InsertItem(int item, LPCWSTR text);
  int InsertItem(const LVITEMW* item) { return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item))); }
  BOOL DeleteItem(int item) { return static_cast<BOOL>(Send(LVM_DELETEITEM, static_cast<WPARAM>(item), 0)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(Send(LVM_DELETEALLITEMS, 0, 0)); }
  BOOL SetItemText(int item, int subItem, LPCWSTR text);
  // The text of a cell; an empty string for a missing one.
  CString GetItemText(int item, int subItem) const;
  int GetItemText(int item, int subItem, LPWSTR text, int length) const;
  BOOL SetItemData(int item, DWORD_PTR data);
  DWORD_PTR GetItemData(int item) const;
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const {
    return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
  }
  int GetNextItem(int item, int flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(item), MAKELPARAM(flags, 0)));
  }
  // LVM_FINDITEMW from `start` (-1: the first row); -1 when nothing matches.
  int FindItem(LVFINDINFOW* find, int start = -1) const {
    return static_cast<int>(Send(LVM_FINDITEMW, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
  }
  BOOL GetItemRect(int item, LPRECT rect, UINT code) const;
  BOOL GetSubItemRect(int item, int subItem, int area, CRect& rect) const;
  int HitTest(CPoint point, UINT* flags = nullptr) const;
  BOOL SetBkColor(COLORREF colour) { return static_cast<BOOL>(Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour))); }
  DWORD SetExtendedStyle(DWORD style) {
    return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
  }
  BOOL EnsureVisible(int item, BOOL partialOk) {
    return static_cast<BOOL>(Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk));
  }

  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const { return ::SendMessageW(m_hWnd, message, wParam, lParam); }
};

class CSpinButtonCtrl : public CWnd {
  DECLARE_DYNAMIC(CSpinButtonCtrl)

 public:
  void SetRange(short lower, short upper) { ::SendMessageW(m_hWnd, UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
  void SetRange32(int lower, int upper) { ::SendMessageW(m_hWnd, UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange32(int& lower, int& upper) const {
    ::SendMessageW(m_hWnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
  }
  int SetPos(int position) { return static_cast<int>(::SendMessageW(m_hWnd, UDM_SETPOS32, 0, position)); }
  int GetPos() const { return static_cast<int>(::SendMessageW(m_hWnd, UDM_GETPOS32, 0, 0)); }
  BOOL SetAccel(int count, UDACCEL* accel) {
    return static_cast<BOOL>(::SendMessageW(m_hWnd, UDM_SETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(accel)));
  }
  CWnd* SetBuddy(CWnd* buddy) {
    return FromHandle(reinterpret_cast<HWND>(
        ::SendMessageW(m_hWnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy ? buddy->m_hWnd : nullptr), 0)));
  }
  CWnd* GetBuddy() const { return FromHandle(reinterpret_cast<HWND>(::SendMessageW(m_hWnd, UDM_GETBUDDY, 0, 0))); }
};

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)

 public:
  void SetRange(short lower, short upper) { ::SendMessageW(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
  void SetRange32(int lower, int upper) { ::SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  // The previous position; the new one is clamped into the range.
  int SetPos(int position) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0)); }
  int GetPos() const { return static_cast<int>(::SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
  int OffsetPos(int delta) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_DELTAPOS, static_cast<WPARAM>(delta), 0)); }
  int SetStep(int step) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETSTEP, static_cast<WPARAM>(step), 0)); }
  int StepIt() { return static_cast<int>(::SendMessageW(m_hWnd, PBM_STEPIT, 0, 0)); }
};

class CToolTipCtrl : public CWnd {
  DECLARE_DYNAMIC(CToolTipCtrl)

 public:
  // A "tooltips_class32" popup owned by `parent`.
  virtual BOOL Create(CWnd* parent, DWORD style = 0);
  // A tool for a window (TTF_IDISHWND | TTF_SUBCLASS); text may be LPSTR_TEXTCALLBACKW.
  BOOL AddTool(CWnd* tool, LPCWSTR text = LPSTR_TEXTCALLBACKW);
  // A tool for a rectangle of `owner` under an id.
  BOOL AddTool(CWnd* owner, LPCWSTR text, LPCRECT rect, UINT_PTR id);
  void DelTool(CWnd* tool);
  void Activate(BOOL active) { ::SendMessageW(m_hWnd, TTM_ACTIVATE, active, 0); }
  int SetMaxTipWidth(int width) { return static_cast<int>(::SendMessageW(m_hWnd, TTM_SETMAXTIPWIDTH, 0, width)); }
  void SetTipBkColor(COLORREF colour) { ::SendMessageW(m_hWnd, TTM_SETTIPBKCOLOR, colour, 0); }
  void SetTipTextColor(COLORREF colour) { ::SendMessageW(m_hWnd, TTM_SETTIPTEXTCOLOR, colour, 0); }
  void RelayEvent(LPMSG msg) { ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
  void UpdateTipText(LPCWSTR text, CWnd* tool);
  int GetToolCount() const { return static_cast<int>(::SendMessageW(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)); }
};
