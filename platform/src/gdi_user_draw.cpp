// The drawing calls of winuser on any DC: rectangles filled, framed and inverted with brushes
// and raster operations, the dotted focus rectangle, and the system colours with their stock
// brushes (a test control may change them; WM_SYSCOLORCHANGE then reaches the top-level windows).
#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include <win/gdi_text.h>
#include <win/user.h>

#include "internal/gdi_record.h"
#include "internal/gdi_render.h"

namespace plat::gdi {
namespace {

constexpr int kColorCount = COLOR_MENUBAR + 1;

// The platform's classic colours.
constexpr std::array<COLORREF, kColorCount> kDefaultColors = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(0, 120, 215),
    RGB(240, 240, 240)};

struct SystemColors {
  std::mutex lock;
  std::array<COLORREF, kColorCount> colors = kDefaultColors;
  std::array<HBRUSH, kColorCount> brushes{};
};

SystemColors& Colors() {
  static SystemColors* colors = new SystemColors;  // outlives static destructors of callers
  return *colors;
}

RECT DeviceRectOf(const DrawState& s, const RECT& r) {
  POINT a = ToDevice(s, POINT{r.left, r.top}), b = ToDevice(s, POINT{r.right, r.bottom});
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Paints a device rectangle with a brush object through the DC's engine path (a printer DC's
// driver, or the pixels of a raster DC).
bool PaintRect(PrinterDC& dc, const RECT& device, HBRUSH brush, BYTE rop3) {
  if (device.right <= device.left || device.bottom <= device.top) return true;
  DrawState& s = StateOf(dc);
  HBRUSH oldHandle = s.hbrush;
  std::shared_ptr<BrushObject> oldBrush = s.brush;
  std::shared_ptr<EngineBrushCache> oldCache = s.fillBrush;
  if (brush) {
    std::shared_ptr<BrushObject> object = LookupObjectAs<BrushObject>(brush);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    s.hbrush = brush;
    s.brush = object;
    s.fillBrush.reset();
  }
  bool ok;
  if (RasterDC(dc)) {
    BRUSHOBJ* engineBrush = FillBrush(dc);
    ok = !engineBrush || PaintRegion(dc, RectRegion(device), engineBrush, rop3);
  } else {
    // A printer takes the rectangle as a pattern blit.
    POINT a = ToLogical(s, POINT{device.left, device.top});
    ok = PatBlt(dc.hdc, a.x, a.y, device.right - device.left, device.bottom - device.top,
                static_cast<DWORD>(rop3) << 16) != FALSE;
  }
  if (brush) {
    s.hbrush = oldHandle;
    s.brush = oldBrush;
    s.fillBrush = oldCache;
  }
  return ok;
}

}  // namespace

COLORREF SystemColor(int index) {
  SystemColors& c = Colors();
  std::lock_guard<std::mutex> guard(c.lock);
  return index >= 0 && index < kColorCount ? c.colors[static_cast<size_t>(index)] : 0;
}

}  // namespace plat::gdi

using namespace plat::gdi;

extern "C" {

WINBASEAPI DWORD WINAPI GetSysColor(int nIndex) { return SystemColor(nIndex); }

WINBASEAPI HBRUSH WINAPI GetSysColorBrush(int nIndex) {
  if (nIndex < 0 || nIndex >= kColorCount) return nullptr;
  SystemColors& c = Colors();
  std::lock_guard<std::mutex> guard(c.lock);
  HBRUSH& slot = c.brushes[static_cast<size_t>(nIndex)];
  if (!slot) {
    auto brush = std::make_shared<BrushObject>();
    brush->stock = true;
    brush->color = c.colors[static_cast<size_t>(nIndex)];
    slot = static_cast<HBRUSH>(InsertObject(std::move(brush)));
  }
  return slot;
}

WINBASEAPI BOOL WINAPI SetSysColors(int cElements, const INT* lpaElements, const COLORREF* lpaRgbValues) {
  if (cElements < 0 || (cElements && (!lpaElements || !lpaRgbValues))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    SystemColors& c = Colors();
    std::lock_guard<std::mutex> guard(c.lock);
    for (int i = 0; i < cElements; ++i) {
      int index = lpaElements[i];
      if (index < 0 || index >= kColorCount) continue;
      c.colors[static_cast<size_t>(index)] = lpaRgbValues[i] & 0x00FFFFFF;
      // The stock brush follows its colour, as the platform's system-colour brushes do.
      if (HBRUSH brush = c.brushes[static_cast<size_t>(index)])
        if (auto object = LookupObjectAs<BrushObject>(brush)) object->color = lpaRgbValues[i] & 0x00FFFFFF;
    }
  }
  SendMessageTimeoutW(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  return TRUE;
}

WINBASEAPI int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hDC);
  if (!dc) return 0;
  if (!lprc || !hbr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // A brush argument of a system colour index plus one stands for that colour's brush.
  if (reinterpret_cast<ULONG_PTR>(hbr) <= static_cast<ULONG_PTR>(kColorCount))
    hbr = GetSysColorBrush(static_cast<int>(reinterpret_cast<ULONG_PTR>(hbr)) - 1);
  RECT device = DeviceRectOf(dc->draw, *lprc);
  RecordCall(*dc, "FillRect", RecordRect(lprc->left, lprc->top, lprc->right, lprc->bottom) + " brush=" +
                                  [&] {
                                    auto b = LookupObjectAs<BrushObject>(hbr);
                                    return b ? RecordColor(b->color) : std::string("?");
                                  }());
  return PaintRect(*dc, device, hbr, 0xF0) ? 1 : 0;
}

WINBASEAPI int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hDC);
  if (!dc) return 0;
  if (!lprc || !hbr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RECT d = DeviceRectOf(dc->draw, *lprc);
  if (d.right <= d.left || d.bottom <= d.top) return 1;
  bool ok = PaintRect(*dc, RECT{d.left, d.top, d.right, d.top + 1}, hbr, 0xF0) &&
            PaintRect(*dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, hbr, 0xF0) &&
            PaintRect(*dc, RECT{d.left, d.top, d.left + 1, d.bottom}, hbr, 0xF0) &&
            PaintRect(*dc, RECT{d.right - 1, d.top, d.right, d.bottom}, hbr, 0xF0);
  return ok ? 1 : 0;
}

WINBASEAPI BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hDC);
  if (!dc) return FALSE;
  if (!lprc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return PaintRect(*dc, DeviceRectOf(dc->draw, *lprc), nullptr, 0x55) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hDC);
  if (!dc) return FALSE;
  if (!lprc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT d = DeviceRectOf(dc->draw, *lprc);
  if (d.right <= d.left || d.bottom <= d.top) return TRUE;
  RecordCall(*dc, "DrawFocusRect", RecordRect(lprc->left, lprc->top, lprc->right, lprc->bottom));
  // Every other pixel of the frame inverted, so a second call takes it away again.
  std::vector<RECT> dots;
  for (LONG x = d.left; x < d.right; x += 2) {
    dots.push_back(RECT{x, d.top, x + 1, d.top + 1});
    if (d.bottom - 1 > d.top) dots.push_back(RECT{x, d.bottom - 1, x + 1, d.bottom});
  }
  for (LONG y = d.top + 2; y < d.bottom - 1; y += 2) {
    dots.push_back(RECT{d.left, y, d.left + 1, y + 1});
    if (d.right - 1 > d.left) dots.push_back(RECT{d.right - 1, y, d.right, y + 1});
  }
  bool ok = true;
  if (RasterDC(*dc)) {
    Region region;
    for (const RECT& r : dots) region = CombineRegions(region, RectRegion(r), RGN_OR);
    ok = PaintRegion(*dc, region, nullptr, 0x55);
  } else {
    for (const RECT& r : dots) ok = PaintRect(*dc, r, nullptr, 0x55) && ok;
  }
  return ok ? TRUE : FALSE;
}

WINBASEAPI int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  if (!lprc || (!lpchText && cchText != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string text;
  if (cchText < 0) {
    for (const WCHAR* p = lpchText; *p; ++p) text.push_back(*p);
  } else {
    text.assign(lpchText, lpchText + cchText);
  }
  RecordCall(*dc, "DrawTextW",
             RecordText(text.data(), text.size()) + " rect=" + RecordRect(lprc->left, lprc->top, lprc->right, lprc->bottom) +
                 " format=" + std::to_string(format) + " color=" + RecordColor(dc->draw.textColor));
  TEXTMETRICW tm{};
  GetTextMetricsW(hdc, &tm);
  LONG lineHeight = tm.tmHeight;
  auto width = [&](const std::u16string& s) {
    SIZE size{};
    GetTextExtentPoint32W(hdc, s.data(), static_cast<int>(s.size()), &size);
    return size.cx;
  };
  // The lines: hard breaks, then (DT_WORDBREAK) words carried to the next line where they would
  // pass the rectangle's right edge. The mnemonic '&' marks the next character ("&&" is one
  // '&'); it is taken out of the text and its character underlined.
  struct Line {
    std::u16string text;
    int mnemonic = -1;
  };
  std::vector<Line> lines;
  auto addLine = [&](const std::u16string& raw) {
    Line line;
    for (size_t i = 0; i < raw.size(); ++i) {
      char16_t ch = raw[i];
      if (ch == u'&' && !(format & DT_NOPREFIX) && i + 1 < raw.size()) {
        ch = raw[++i];
        if (ch != u'&') line.mnemonic = static_cast<int>(line.text.size());
      }
      if (ch == u'\t' && (format & DT_EXPANDTABS)) {
        line.text.append(8 - line.text.size() % 8, u' ');
        continue;
      }
      line.text.push_back(ch);
    }
    lines.push_back(std::move(line));
  };
  LONG boxWidth = lprc->right - lprc->left;
  std::vector<std::u16string> paragraphs;
  if (format & DT_SINGLELINE) {
    std::u16string one;
    for (char16_t ch : text)
      if (ch != u'\r' && ch != u'\n') one.push_back(ch);
    paragraphs.push_back(one);
  } else {
    std::u16string current;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' || text[i] == u'\n') {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        paragraphs.push_back(current);
        current.clear();
      } else {
        current.push_back(text[i]);
      }
    }
    paragraphs.push_back(current);
  }
  for (const std::u16string& paragraph : paragraphs) {
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
      addLine(paragraph);
      continue;
    }
    std::u16string line;
    size_t i = 0;
    while (i <= paragraph.size()) {
      size_t end = paragraph.find(u' ', i);
      if (end == std::u16string::npos) end = paragraph.size();
      std::u16string word = paragraph.substr(i, end - i);
      std::u16string candidate = line.empty() ? word : line + u" " + word;
      if (!line.empty() && width(candidate) > boxWidth) {
        addLine(line);
        line = word;
      } else {
        line = candidate;
      }
      i = end + 1;
    }
    addLine(line);
  }
  LONG total = lineHeight * static_cast<LONG>(lines.size());
  if (format & DT_CALCRECT) {
    LONG widest = 0;
    for (const Line& line : lines) widest = std::max(widest, width(line.text));
    lprc->right = lprc->left + widest;
    lprc->bottom = lprc->top + total;
    return total;
  }
  LONG y = lprc->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = lprc->bottom - lineHeight;
  }
  UINT oldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
  for (const Line& line : lines) {
    LONG w = width(line.text);
    LONG x = lprc->left;
    if (format & DT_CENTER) x = lprc->left + (boxWidth - w) / 2;
    else if (format & DT_RIGHT) x = lprc->right - w;
    UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    if (format & DT_RTLREADING) options |= ETO_RTLREADING;
    ExtTextOutW(hdc, x, y, options, lprc, line.text.data(), static_cast<UINT>(line.text.size()), nullptr);
    if (line.mnemonic >= 0) {
      LONG from = x + width(line.text.substr(0, static_cast<size_t>(line.mnemonic)));
      LONG to = x + width(line.text.substr(0, static_cast<size_t>(line.mnemonic) + 1));
      HBRUSH brush = CreateSolidBrush(dc->draw.textColor);
      RECT underline{from, y + tm.tmAscent + 1, to, y + tm.tmAscent + 2};
      if (brush) {
        FillRect(hdc, &underline, brush);
        DeleteObject(brush);
      }
    }
    y += lineHeight;
  }
  SetTextAlign(hdc, oldAlign);
  return total;
}

}  // extern "C"
