// The common-control classes: the list's cells and rows, its owner drawing reflected to its own
// object, and the tooltip's window and tools.
#include <vector>

#include "afx_owner_draw.h"
#include "afxwin.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

// ---- CListCtrl ------------------------------------------------------------------------------------
int CListCtrl::InsertColumn(int column, LPCWSTR heading, int format, int width, int subItem) {
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = format;
  col.pszText = const_cast<LPWSTR>(heading);
  if (width != -1) {
    col.mask |= LVCF_WIDTH;
    col.cx = width;
  }
  if (subItem != -1) {
    col.mask |= LVCF_SUBITEM;
    col.iSubItem = subItem;
  }
  return static_cast<int>(Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int item, LPCWSTR text) {
  LVITEMW row{};
  row.mask = LVIF_TEXT;
  row.iItem = item;
  row.pszText = const_cast<LPWSTR>(text);
  return InsertItem(&row);
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCWSTR text) {
  LVITEMW cell{};
  cell.iSubItem = subItem;
  cell.pszText = const_cast<LPWSTR>(text);
  return static_cast<BOOL>(Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)));
}

int CListCtrl::GetItemText(int item, int subItem, LPWSTR text, int length) const {
  if (!text || length <= 0) return 0;
  LVITEMW cell{};
  cell.iSubItem = subItem;
  cell.pszText = text;
  cell.cchTextMax = length;
  text[0] = 0;
  return static_cast<int>(Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)));
}

CString CListCtrl::GetItemText(int item, int subItem) const {
  // Grown until the text fits: the control answers the characters it copied.
  for (int length = 256;; length *= 4) {
    std::vector<WCHAR> buffer(static_cast<size_t>(length), 0);
    int n = GetItemText(item, subItem, buffer.data(), length);
    if (n < length - 1 || length >= (1 << 20)) return CString(buffer.data());
  }
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  LVITEMW row{};
  row.mask = LVIF_PARAM;
  row.iItem = item;
  row.lParam = static_cast<LPARAM>(data);
  return static_cast<BOOL>(Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&row)));
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
  LVITEMW row{};
  row.mask = LVIF_PARAM;
  row.iItem = item;
  if (!Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&row))) return 0;
  return static_cast<DWORD_PTR>(row.lParam);
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEMW row{};
  row.state = state;
  row.stateMask = mask;
  return static_cast<BOOL>(Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row)));
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rect, UINT code) const {
  if (!rect) return FALSE;
  rect->left = static_cast<LONG>(code);
  return static_cast<BOOL>(Send(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}

BOOL CListCtrl::GetSubItemRect(int item, int subItem, int area, CRect& rect) const {
  rect.top = subItem;
  rect.left = area;
  return static_cast<BOOL>(Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect)));
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const {
  LVHITTESTINFO info{};
  info.pt = point;
  int item = static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
  if (flags) *flags = info.flags;
  return item;
}

BOOL CListCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (afx_detail::ReflectOwnerDraw(*this, message, lParam, result)) return TRUE;
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

// ---- CToolTipCtrl ---------------------------------------------------------------------------------
BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  return CreateEx(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr);
}

namespace {

TOOLINFOW WindowTool(HWND owner, HWND tool) {
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  return info;
}

}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* tool, LPCWSTR text) {
  if (!tool) return FALSE;
  HWND owner = ::GetParent(tool->m_hWnd);
  TOOLINFOW info = WindowTool(owner ? owner : tool->m_hWnd, tool->m_hWnd);
  info.lpszText = const_cast<LPWSTR>(text);
  return static_cast<BOOL>(::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

BOOL CToolTipCtrl::AddTool(CWnd* owner, LPCWSTR text, LPCRECT rect, UINT_PTR id) {
  if (!owner || !rect) return FALSE;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = owner->m_hWnd;
  info.uId = id;
  info.rect = *rect;
  info.lpszText = const_cast<LPWSTR>(text);
  return static_cast<BOOL>(::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::DelTool(CWnd* tool) {
  if (!tool) return;
  HWND owner = ::GetParent(tool->m_hWnd);
  TOOLINFOW info = WindowTool(owner ? owner : tool->m_hWnd, tool->m_hWnd);
  ::SendMessageW(m_hWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::UpdateTipText(LPCWSTR text, CWnd* tool) {
  if (!tool) return;
  HWND owner = ::GetParent(tool->m_hWnd);
  TOOLINFOW info = WindowTool(owner ? owner : tool->m_hWnd, tool->m_hWnd);
  info.lpszText = const_cast<LPWSTR>(text);
  ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}
