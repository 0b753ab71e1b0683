// The GDI object and device-context classes: ownership of the handles they hold, the temporary
// wrappers of FromHandle, and the paint and client DCs.
#include <memory>

#include "afxwin.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)

namespace {

// Temporary wrappers, one per handle, kind and thread, as the framework keeps them per thread:
// their answers stay valid while the thread lives, and none of them deletes what it wraps.
template <typename Kind>
class TemporaryOf : public Kind {
 public:
  ~TemporaryOf() override { this->Detach(); }
};

template <typename Kind, typename Handle>
Kind* Temporary(Handle handle) {
  if (!handle) return nullptr;
  thread_local std::map<Handle, std::unique_ptr<TemporaryOf<Kind>>> wrappers;
  std::unique_ptr<TemporaryOf<Kind>>& slot = wrappers[handle];
  if (!slot) slot = std::make_unique<TemporaryOf<Kind>>();
  // Only ever the number: a handle the platform reissues finds the same wrapper.
  slot->Detach();
  slot->Attach(handle);
  return slot.get();
}

}  // namespace

// ---- GDI objects ----------------------------------------------------------------------------------
CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) { return Temporary<CGdiObject>(object); }
CPen* CPen::FromHandle(HPEN pen) { return Temporary<CPen>(pen); }
CBrush* CBrush::FromHandle(HBRUSH brush) { return Temporary<CBrush>(brush); }
CFont* CFont::FromHandle(HFONT font) { return Temporary<CFont>(font); }
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return Temporary<CBitmap>(bitmap); }

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object || m_hObject) return FALSE;
  m_hObject = object;
  return TRUE;
}

BOOL CGdiObject::Adopt(HGDIOBJ made) {
  if (!made) return FALSE;
  if (m_hObject) {
    ::DeleteObject(made);
    return FALSE;
  }
  m_hObject = made;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  m_hObject = nullptr;
  return object;
}

BOOL CGdiObject::DeleteObject() {
  HGDIOBJ object = Detach();
  return object ? ::DeleteObject(object) : FALSE;
}

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap) {
  return bitmap ? Adopt(::CreatePatternBrush(static_cast<HBITMAP>(*bitmap))) : FALSE;
}

BOOL CBitmap::LoadBitmap(LPCWSTR name) {
  HINSTANCE resources = AfxGetResourceHandle();
  if (!resources) return FALSE;
  return Adopt(::LoadImageW(resources, name, IMAGE_BITMAP, 0, 0, 0));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return dc ? Adopt(::CreateCompatibleBitmap(dc->m_hDC, width, height)) : FALSE;
}

// ---- Device contexts ------------------------------------------------------------------------------
CDC::~CDC() {
  if (m_owned) DeleteDC();
}

CDC* CDC::FromHandle(HDC dc) { return Temporary<CDC>(dc); }

BOOL CDC::Attach(HDC dc) {
  if (!dc || m_hDC) return FALSE;
  m_hDC = dc;
  m_owned = false;
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  m_owned = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC) return FALSE;
  m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  m_owned = m_hDC != nullptr;
  return m_owned;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  HDC dc = Detach();
  return ::DeleteDC(dc);
}

CSize CDC::GetTextExtent(LPCWSTR text, int count) const {
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(m_hDC, text, count, &size);
  return CSize(size.cx, size.cy);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour) {
  COLORREF previous = ::SetBkColor(m_hDC, colour);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, previous);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT previous{0, 0};
  ::MoveToEx(m_hDC, x, y, &previous);
  return CPoint(previous.x, previous.y);
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) {
  if (m_hWnd) Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
  if (m_hWnd && m_hDC) ::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
  Detach();
}

// ---- The window's font and DC ---------------------------------------------------------------------
CFont* CWnd::GetFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font ? static_cast<HFONT>(*font) : nullptr), redraw);
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->Detach()) : 0; }
