// Drawing in the framework's names: the GDI object classes (CGdiObject, CPen, CBrush, CFont,
// CBitmap) and the device-context classes (CDC, CPaintDC, CClientDC). Included by afxwin.h.
//
// Ownership is the framework's: an object that holds a handle deletes it when it is destroyed,
// unless Detach gave the handle away first; FromHandle answers a temporary object that never
// deletes what it wraps, so a stock object or another owner's handle survives its wrapper.
#pragma once

#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

class CWnd;

class CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)

 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() = default;
  // Deletes the object it still holds.
  ~CGdiObject() override { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  // A temporary wrapper kept for the life of the thread; it never deletes the handle. NULL for NULL.
  static CGdiObject* FromHandle(HGDIOBJ object);
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  // FALSE when NULL is given or a handle is already held (the held one is kept).
  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  // Deletes the held object; FALSE when none is held or the platform refuses it.
  BOOL DeleteObject();
  BOOL CreateStockObject(int index) { return Adopt(::GetStockObject(index)); }
  int GetObject(int size, LPVOID buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
  UINT GetObjectType() const { return static_cast<UINT>(::GetObjectType(m_hObject)); }

 protected:
  // A made object becomes this one's; while one is held the new one is deleted at once and the
  // creation fails, so a second Create never loses either object.
  BOOL Adopt(HGDIOBJ made);
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen() = default;
  CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
  static CPen* FromHandle(HPEN pen);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  BOOL CreatePen(int style, int width, COLORREF colour) { return Adopt(::CreatePen(style, width, colour)); }
  BOOL CreatePenIndirect(const LOGPEN* pen) { return Adopt(::CreatePenIndirect(pen)); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)

 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
  static CBrush* FromHandle(HBRUSH brush);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  BOOL CreateSolidBrush(COLORREF colour) { return Adopt(::CreateSolidBrush(colour)); }
  BOOL CreateHatchBrush(int hatch, COLORREF colour) { return Adopt(::CreateHatchBrush(hatch, colour)); }
  BOOL CreatePatternBrush(class CBitmap* bitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* brush) { return Adopt(::CreateBrushIndirect(brush)); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  static CFont* FromHandle(HFONT font);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  BOOL CreateFontIndirect(const LOGFONTW* font) { return Adopt(::CreateFontIndirectW(font)); }
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, LPCWSTR face) {
    return Adopt(::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                                outPrecision, clipPrecision, quality, pitchAndFamily, face));
  }
  int GetLogFont(LOGFONTW* font) const { return GetObject(sizeof(LOGFONTW), font); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)

 public:
  static CBitmap* FromHandle(HBITMAP bitmap);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  // From the resource module (AfxGetResourceHandle).
  BOOL LoadBitmap(LPCWSTR name);
  BOOL LoadBitmap(UINT id) { return LoadBitmap(MAKEINTRESOURCEW(id)); }
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    return Adopt(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
  }
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  int GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info); }
};

// A device context the framework hands to handlers: FromHandle and Attach wrap a DC without
// owning it; CreateCompatibleDC makes one this object deletes.
class CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  HDC m_hDC = nullptr;

  CDC() = default;
  explicit CDC(HDC dc) : m_hDC(dc) {}
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  static CDC* FromHandle(HDC dc);
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  // The previous object of the kind, as a temporary wrapper (NULL when the selection failed).
  CPen* SelectObject(CPen* pen) { return CPen::FromHandle(static_cast<HPEN>(Select(pen))); }
  CBrush* SelectObject(CBrush* brush) { return CBrush::FromHandle(static_cast<HBRUSH>(Select(brush))); }
  CFont* SelectObject(CFont* font) { return CFont::FromHandle(static_cast<HFONT>(Select(font))); }
  CBitmap* SelectObject(CBitmap* bitmap) { return CBitmap::FromHandle(static_cast<HBITMAP>(Select(bitmap))); }
  CGdiObject* SelectStockObject(int index) { return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index))); }
  CFont* GetCurrentFont() const { return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))); }
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }

  COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
  COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

  BOOL TextOut(int x, int y, LPCWSTR text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }
  int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format) { return ::DrawTextW(m_hDC, text, count, rect, format); }
  CSize GetTextExtent(LPCWSTR text, int count) const;
  BOOL GetTextMetrics(LPTEXTMETRICW metrics) const { return ::GetTextMetricsW(m_hDC, metrics); }

  void FillRect(LPCRECT rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
  void FrameRect(LPCRECT rect, CBrush* brush) { ::FrameRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
  // Fills with a colour through the background colour, as the framework does (ETO_OPAQUE).
  void FillSolidRect(LPCRECT rect, COLORREF colour);
  void DrawFocusRect(LPCRECT rect) { ::DrawFocusRect(m_hDC, rect); }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL Rectangle(LPCRECT rect) { return ::Rectangle(m_hDC, rect->left, rect->top, rect->right, rect->bottom); }
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, rop);
  }
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, sw, sh, rop);
  }
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop) { return ::PatBlt(m_hDC, x, y, width, height, rop); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

 protected:
  bool m_owned = false;  // made by CreateCompatibleDC: deleted with the object

 private:
  HGDIOBJ Select(CGdiObject* object) { return object ? ::SelectObject(m_hDC, object->m_hObject) : nullptr; }
};

// The DC of a WM_PAINT: BeginPaint at construction, EndPaint at destruction.
class CPaintDC : public CDC {
  DECLARE_DYNAMIC(CPaintDC)

 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};

// A window's client-area DC: GetDC at construction, ReleaseDC at destruction.
class CClientDC : public CDC {
  DECLARE_DYNAMIC(CClientDC)

 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 protected:
  HWND m_hWnd = nullptr;
};
