// What the system's controls share: the table of system classes, notifications to the parent,
// coordinates, the colour messages, fonts and owner drawing.
#include <algorithm>
#include <cstring>
#include <functional>

#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/gdi_text.h>
#include <win/user_draw.h>

#include "internal/desktop.h"
#include "internal/dialogs.h"
#include "internal/unicode.h"

namespace plat::dialogs {

LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefDlgProcW(hwnd, message, wParam, lParam);
}

const std::vector<SystemClass>& SystemClasses() {
  // "#32770" keeps its historical atom, so MAKEINTRESOURCEW(32770) names it as the string does.
  static const std::vector<SystemClass> classes = {
      {u"#32770", DialogClassProc, DLGWINDOWEXTRA, CS_DBLCLKS, 0x8002},
      {u"Button", ButtonProc, 0, CS_DBLCLKS, 0},
      {u"Edit", EditProc, 0, CS_DBLCLKS, 0},
      {u"Static", StaticProc, 0, 0, 0},
      {u"ComboBox", ComboBoxProc, 0, CS_DBLCLKS, 0},
      {u"ListBox", ListBoxProc, 0, CS_DBLCLKS, 0},
      {u"msctls_updown32", UpDownProc, 0, 0, 0},
      {u"msctls_progress32", ProgressProc, 0, 0, 0},
      {u"tooltips_class32", TooltipProc, 0, 0, 0},
      {u"SysListView32", ListViewProc, 0, CS_DBLCLKS, 0},
  };
  return classes;
}

namespace {

std::mutex g_lock;
std::map<HWND, HFONT> g_fonts;
std::map<HWND, HBRUSH> g_backgrounds;

}  // namespace

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }
int IdOf(HWND hwnd) { return GetDlgCtrlID(hwnd); }

std::u16string TextOf(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

LRESULT NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent) return 0;
  return SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IdOf(control)), code),
                      reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyParent(HWND control, NMHDR& header, UINT code) {
  HWND parent = GetParent(control);
  header.hwndFrom = control;
  header.idFrom = static_cast<UINT_PTR>(IdOf(control));
  header.code = code;
  if (!parent) return 0;
  return SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

RECT RectInParent(HWND hwnd) {
  std::lock_guard<std::mutex> guard(desktop::Lock());
  std::shared_ptr<desktop::Window> window = desktop::LocalWindowLocked(hwnd);
  return window ? window->rect : RECT{};
}

namespace {

// The screen position of a window's client origin (the stand-in's windows have no frame).
POINT Origin(HWND hwnd) {
  RECT rect{};
  if (hwnd) GetWindowRect(hwnd, &rect);
  return POINT{rect.left, rect.top};
}

}  // namespace

POINT MapPoint(HWND from, HWND to, POINT point) {
  POINT a = Origin(from), b = Origin(to);
  return POINT{point.x + a.x - b.x, point.y + a.y - b.y};
}

HWND ChildAt(HWND parent, POINT point) {
  std::vector<std::pair<unsigned long long, HWND>> children;
  {
    std::lock_guard<std::mutex> guard(desktop::Lock());
    for (auto& [hwnd, window] : desktop::StateLocked().windows)
      if (window->parent == parent && (window->style & WS_VISIBLE) && !window->destroying) {
        const RECT& r = window->rect;
        if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom)
          children.emplace_back(window->z, hwnd);
      }
  }
  // Siblings made first lie on top, as a template's first items do; a child that answers
  // HTTRANSPARENT (a static without SS_NOTIFY, a group box) lets the point through.
  std::sort(children.begin(), children.end());
  POINT screen = MapPoint(parent, nullptr, point);
  for (auto& [z, child] : children) {
    if (!(GetWindowLongW(child, GWL_STYLE) & WS_DISABLED) &&
        SendMessageW(child, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y))) ==
            HTTRANSPARENT)
      continue;
    RECT r = RectInParent(child);
    return ChildAt(child, POINT{point.x - r.left, point.y - r.top});
  }
  return parent;
}

HBRUSH DefaultControlColor(HDC dc, UINT message) {
  // Edits and lists sit on the window colour; everything else on the dialog's face.
  const bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  const int face = window ? COLOR_WINDOW : COLOR_3DFACE;
  if (dc) {
    SetTextColor(dc, GetSysColor(message == WM_CTLCOLORBTN ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(face));
  }
  return GetSysColorBrush(face);
}

HBRUSH ControlColor(HWND control, HDC dc, UINT message) {
  HWND parent = GetParent(control);
  if (!parent) return nullptr;
  // The parent sees the default colours already set, so an answer of a brush alone keeps them.
  DefaultControlColor(dc, message);
  HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
  // A page may free its brush and keep answering it: a handle that is no live brush is refused.
  if (brush && GetObjectType(brush) != OBJ_BRUSH) brush = nullptr;
  NoteBackground(control, brush);
  return brush;
}

void NoteBackground(HWND control, HBRUSH brush) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_backgrounds[control] = brush;
}

HBRUSH LastBackground(HWND control) {
  std::lock_guard<std::mutex> guard(g_lock);
  auto it = g_backgrounds.find(control);
  return it == g_backgrounds.end() ? nullptr : it->second;
}

HFONT& FontSlot(HWND control) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_fonts[control];
}

void ForgetFont(HWND control) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_fonts.erase(control);
  g_backgrounds.erase(control);
}

void SendDrawItem(HWND control, UINT ctlType, UINT itemId, UINT action, UINT state, const RECT& rect, ULONG_PTR data,
                  HDC dc) {
  HWND parent = GetParent(control);
  if (!parent) return;
  DRAWITEMSTRUCT item{};
  item.CtlType = ctlType;
  item.CtlID = static_cast<UINT>(IdOf(control));
  item.itemID = itemId;
  item.itemAction = action;
  item.itemState = state;
  item.hwndItem = control;
  item.hDC = dc;
  item.rcItem = rect;
  item.itemData = data;
  // The item may draw only inside its own rectangle.
  if (dc) IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

UINT SendMeasureItem(HWND control, UINT ctlType, UINT itemId, UINT defaultHeight, ULONG_PTR data) {
  HWND parent = GetParent(control);
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ctlType;
  measure.CtlID = static_cast<UINT>(IdOf(control));
  measure.itemID = itemId;
  RECT rect = RectInParent(control);
  measure.itemWidth = static_cast<UINT>(std::max<LONG>(rect.right - rect.left, 0));
  measure.itemHeight = defaultHeight;
  measure.itemData = data;
  if (parent) SendMessageW(parent, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
  return measure.itemHeight;
}

namespace {
char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - u'a' + u'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}
}  // namespace

bool SameTextNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameTextNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace plat::dialogs

namespace plat::dialogs {

void RedrawNow(HWND control) {
  InvalidateRect(control, nullptr, TRUE);
  if (IsWindowVisible(control)) UpdateWindow(control);
}

void PaintControl(HWND control, UINT colorMessage, bool fill, const std::function<void(ControlPaint&)>& draw) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(control, &ps);
  ControlPaint paint{control, dc, RECT{}, nullptr, (StyleOf(control) & WS_DISABLED) != 0};
  GetClientRect(control, &paint.client);
  if (dc) {
    const int saved = SaveDC(dc);
    if (colorMessage) {
      // An answer that is no live brush leaves the control on its default colours.
      paint.background = ControlColor(control, dc, colorMessage);
      if (!paint.background) paint.background = DefaultControlColor(dc, colorMessage);
      if (fill) FillRect(dc, &paint.client, paint.background);
    }
    HFONT font = FontSlot(control);
    SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    draw(paint);
    RestoreDC(dc, saved);
  }
  EndPaint(control, &ps);
}

void DrawControlText(const ControlPaint& paint, std::u16string_view text, RECT box, UINT format) {
  if (text.empty()) return;
  COLORREF previous = SetTextColor(paint.dc, paint.disabled ? GetSysColor(COLOR_GRAYTEXT) : GetTextColor(paint.dc));
  DrawTextW(paint.dc, text.data(), static_cast<int>(text.size()), &box, format);
  SetTextColor(paint.dc, previous);
}

void FillSysColor(HDC dc, const RECT& rect, int index) { FillRect(dc, &rect, GetSysColorBrush(index)); }

void DrawEdge3D(HDC dc, const RECT& rect, int topLeft, int bottomRight) {
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  FillSysColor(dc, RECT{rect.left, rect.top, rect.right, rect.top + 1}, topLeft);
  FillSysColor(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, topLeft);
  FillSysColor(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
  FillSysColor(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
}

void DrawSunkenFrame(HDC dc, const RECT& rect) {
  DrawEdge3D(dc, rect, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
  DrawEdge3D(dc, RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
}

}  // namespace plat::dialogs
