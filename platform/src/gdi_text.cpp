// Text calls of the printer DC: the selected LOGFONTW is realised by the engine's fonts for the
// device's resolution, laid out as a string at the aligned reference point, and handed to the
// driver's DrvTextOut with the clip, the text colour's brush, the opaque rectangle (ETO_OPAQUE
// or an opaque background) and the underline and strike-out rectangles. Measuring and metrics
// answer from the same realisation, so what an application measures is what prints.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include <win/gdi_text.h>

#include "internal/controls.h"
#include "internal/engine_fonts.h"
#include "internal/engine_objects.h"
#include "internal/gdi_record.h"
#include "internal/gdi_regions.h"
#include "internal/gdi_render.h"
#include "platform_testing.h"

namespace plat::gdi {
namespace {

// Text alignment of the DC (TA_TOP | TA_LEFT | TA_NOUPDATECP when never set).
UINT AlignOf(const PrinterDC& dc) { return dc.draw.textAlign; }

ULONG DeviceDpi(const PrinterDC& dc) { return dc.gdiInfo.ulLogPixelsY ? dc.gdiInfo.ulLogPixelsY : 600; }

FONTOBJ* SelectedFont(PrinterDC& dc, LOGFONTW* logfont) {
  DrawState& s = StateOf(dc);
  LOGFONTW lf{};
  if (s.font) lf = s.font->logfont;
  if (logfont) *logfont = lf;
  return engine::RealizeFont(lf, DeviceDpi(dc));
}

RECTL ToRectl(const RECT& r) { return RECTL{r.left, r.top, r.right, r.bottom}; }

RECTL Union(const RECTL& a, const RECTL& b) {
  return RECTL{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// The clip of the call: the DC's clip (or the surface), cut to `clipRect` with ETO_CLIPPED.
// Empty when nothing of the text can show.
Region CallClip(const PrinterDC& dc, const RECT* clipRect) {
  Region clip = EffectiveClip(dc);
  if (clipRect) clip = CombineRegions(clip, RectRegion(*clipRect), RGN_AND);
  return clip;
}

engine::ClipPtr ClipObject(const PrinterDC& dc, const Region& clip, const RECTL& bounds) {
  RECT surface = SurfaceRect(dc);
  if (clip.rects.size() == 1) {
    const RECT& r = clip.rects[0];
    if (r.left <= std::max(surface.left, bounds.left) && r.top <= std::max(surface.top, bounds.top) &&
        r.right >= std::min(surface.right, bounds.right) && r.bottom >= std::min(surface.bottom, bounds.bottom))
      return engine::CreateTrivialClip(ToRectl(surface));
  }
  std::vector<RECTL> rects;
  for (const RECT& r : clip.rects) rects.push_back(ToRectl(r));
  return engine::CreateRegionClip(rects, &bounds);
}

engine::StringLayout Layout(FONTOBJ* font, LPCWSTR text, UINT count, bool glyphIndex, const INT* dx, bool pdy,
                            POINTL origin) {
  engine::StringLayout layout;
  layout.font = font;
  layout.text.assign(text, text + count);
  layout.glyphIndex = glyphIndex;
  layout.origin = origin;
  layout.dxdy = pdy;
  if (dx) layout.dx.assign(dx, dx + (pdy ? 2 * static_cast<size_t>(count) : count));
  return layout;
}


// The test control PLATFORMTEST_GDI_FONT_FAMILY_ADDED ("N Name"): once the process has made N
// enumerations since the control was set, a family of that name (a TrueType face of the machine
// under a new name) is listed too, as a font installed between two enumerations would be.
void AddTestFamily(std::vector<engine::FontFamily>& families) {
  static std::mutex lock;
  static std::string seen;
  static long long since = 0;
  std::optional<std::string> control = GetControl(PLATFORMTEST_GDI_FONT_FAMILY_ADDED);
  long long done = 0;
  {
    std::lock_guard<std::mutex> guard(lock);
    std::string value = control.value_or("");
    if (value != seen) seen = value, since = 0;
    done = since++;
  }
  if (!control) return;
  size_t space = control->find(' ');
  if (space == std::string::npos) return;
  long long after = std::atoll(control->substr(0, space).c_str());
  if (done < after) return;
  std::u16string name;
  for (unsigned char ch : control->substr(space + 1)) name.push_back(ch);
  families.push_back(engine::FontFamily{name, true});
}

// Scripts written right to left: Hebrew, Arabic and their presentation forms.
bool RightToLeft(WCHAR c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

// ETO_RTLREADING's simple rule: each run of right-to-left characters (with the spaces between
// them) is laid out reversed; Latin letters and digits keep their order. Unshaped.
std::vector<WCHAR> ReverseRightToLeftRuns(const WCHAR* text, UINT count) {
  std::vector<WCHAR> out(text, text + count);
  for (UINT i = 0; i < count;) {
    if (!RightToLeft(out[i])) {
      ++i;
      continue;
    }
    UINT end = i + 1, last = i;
    while (end < count && (RightToLeft(out[end]) || out[end] == u' ')) {
      if (RightToLeft(out[end])) last = end;
      ++end;
    }
    std::reverse(out.begin() + i, out.begin() + last + 1);
    i = last + 1;
  }
  return out;
}

template <typename Each>
void ForEachGlyph(STROBJ* string, Each each) {
  STROBJ_vEnumStart(string);
  BOOL more = TRUE;
  while (more) {
    ULONG count = 0;
    GLYPHPOS* positions = nullptr;
    more = STROBJ_bEnum(string, &count, &positions);
    for (ULONG i = 0; positions && i < count; ++i) each(positions[i]);
    if (count == 0) break;
  }
}

// Inside a path bracket the text adds its glyphs' outlines at their places (and ETO_OPAQUE its
// rectangle, as the platform does) instead of drawing.
void AddTextToPath(DevicePath& path, STROBJ* string, FONTOBJ* font, const RECTL* opaque) {
  if (opaque) {
    path.MoveTo(POINTFIX{opaque->left * 16, opaque->top * 16});
    path.LineTo(POINTFIX{opaque->right * 16, opaque->top * 16});
    path.LineTo(POINTFIX{opaque->right * 16, opaque->bottom * 16});
    path.LineTo(POINTFIX{opaque->left * 16, opaque->bottom * 16});
    path.Close();
  }
  std::vector<POINTFIX> points;
  std::vector<BYTE> types;
  ForEachGlyph(string, [&](const GLYPHPOS& glyph) {
    if (!engine::GlyphOutline(font, glyph.hg, points, types)) return;
    for (size_t i = 0; i < points.size(); ++i) {
      path.points.push_back(POINTFIX{points[i].x + glyph.ptl.x * 16, points[i].y + glyph.ptl.y * 16});
      path.types.push_back(types[i]);
    }
  });
}

// Text in a raster DC's pixels: the opaque box in the background colour, grey anti-aliased
// glyphs blended over what is there in the text colour (a bitmap of 8 bits or less takes a
// glyph's pixels that are at least half covered), the underline and strike-out rectangles.
bool RasterText(PrinterDC& dc, STROBJ* string, FONTOBJ* font, const Region& clip, const std::vector<RECTL>& extra,
                const RECTL* opaque) {
  DrawState& s = dc.draw;
  auto paint = [&](const RECTL& r, COLORREF color) {
    if (r.right <= r.left || r.bottom <= r.top) return true;
    engine::BrushPtr brush = engine::CreateSolidBrush(color & 0x00FFFFFF);
    Region area = CombineRegions(RectRegion(RECT{r.left, r.top, r.right, r.bottom}), clip, RGN_AND);
    return brush && PaintRegion(dc, area, brush.get(), 0xF0);
  };
  bool ok = !opaque || paint(*opaque, s.bkColor);
  RasterPixels pixels = PixelsOf(dc);
  if (pixels.bits) {
    BitmapBits& bits = *pixels.bits;
    COLORREF text = s.textColor & 0x00FFFFFF;
    bool grey = bits.bitCount > 8;
    RECT bounds = clip.Bounds();
    bool simple = clip.rects.size() == 1;
    engine::GreyGlyph g;
    ForEachGlyph(string, [&](const GLYPHPOS& glyph) {
      if (!engine::GlyphGrey(font, glyph.hg, g)) return;
      for (LONG y = 0; y < g.height; ++y) {
        LONG py = glyph.ptl.y + g.top + y;
        if (py < bounds.top || py >= bounds.bottom) continue;
        const BYTE* row = g.coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(g.width);
        for (LONG x = 0; x < g.width; ++x) {
          BYTE a = row[x];
          if (a == 0) continue;
          LONG px = glyph.ptl.x + g.left + x;
          if (px < bounds.left || px >= bounds.right || (!simple && !clip.Contains(px, py))) continue;
          LONG bx = px + pixels.origin.x, by = py + pixels.origin.y;
          if (!grey) {
            if (a >= 128) SetPixelColor(bits, bx, by, text);
            continue;
          }
          COLORREF under = PixelColor(bits, bx, by);
          auto mix = [a](BYTE d, BYTE t) { return static_cast<BYTE>((d * (255 - a) + t * a + 127) / 255); };
          SetPixelColor(bits, bx, by,
                        RGB(mix(GetRValue(under), GetRValue(text)), mix(GetGValue(under), GetGValue(text)),
                            mix(GetBValue(under), GetBValue(text))));
        }
      }
    });
  }
  for (const RECTL& r : extra) ok = paint(r, s.textColor) && ok;
  return ok;
}

}  // namespace
}  // namespace plat::gdi

using namespace plat;
using namespace plat::gdi;

extern "C" {

WINBASEAPI HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                    DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                    DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                                    LPCWSTR pszFaceName) {
  LOGFONTW lf{};
  lf.lfHeight = cHeight;
  lf.lfWidth = cWidth;
  lf.lfEscapement = cEscapement;
  lf.lfOrientation = cOrientation;
  lf.lfWeight = cWeight;
  lf.lfItalic = bItalic ? 1 : 0;
  lf.lfUnderline = bUnderline ? 1 : 0;
  lf.lfStrikeOut = bStrikeOut ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(iCharSet);
  lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
  lf.lfQuality = static_cast<BYTE>(iQuality);
  lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
  for (size_t i = 0; pszFaceName && i < LF_FACESIZE - 1 && pszFaceName[i]; ++i) lf.lfFaceName[i] = pszFaceName[i];
  return CreateFontIndirectW(&lf);
}

WINBASEAPI UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return GDI_ERROR;
  UINT old = dc->draw.textAlign;
  dc->draw.textAlign = align & TA_MASK;
  return old;
}

WINBASEAPI UINT WINAPI GetTextAlign(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  return dc ? AlignOf(*dc) : GDI_ERROR;
}

WINBASEAPI BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                                   const INT* lpDx) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if ((c && !lpString) || c > 0x7FFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DrawState& s = StateOf(*dc);
  LOGFONTW lf{};
  FONTOBJ* font = SelectedFont(*dc, &lf);
  if (!font) return FALSE;
  std::vector<WCHAR> reordered;
  if ((options & ETO_RTLREADING) && !(options & ETO_GLYPH_INDEX) && c) {
    reordered = ReverseRightToLeftRuns(lpString, c);
    lpString = reordered.data();
  }
  if (Recording()) {
    std::string detail = "x=" + std::to_string(x) + " y=" + std::to_string(y) + " options=" + std::to_string(options);
    if (lprect) detail += " rect=" + RecordRect(lprect->left, lprect->top, lprect->right, lprect->bottom);
    detail += " text=" + RecordText(lpString, c) + " " + RecordFont(lf) + " color=" + RecordColor(s.textColor) +
              " bk=" + RecordColor(s.bkColor) + " bkmode=" + std::to_string(s.bkMode) +
              " align=" + std::to_string(AlignOf(*dc)) + (s.bracket == PathBracket::Open ? " path" : "");
    RecordCall(*dc, "ExtTextOutW", detail);
  }
  engine::FontMeasures m;
  if (!engine::MeasureFont(font, &m)) return FALSE;
  UINT align = AlignOf(*dc);
  POINT reference = (align & TA_UPDATECP) ? ToDevice(s, s.current) : ToDevice(s, POINT{x, y});
  bool glyphIndex = (options & ETO_GLYPH_INDEX) != 0;
  bool pdy = (options & ETO_PDY) && lpDx;

  // Lay the string out once at the reference point to learn its advance, then move the origin
  // to where the alignment puts the first glyph.
  POINTL origin{reference.x, reference.y};
  engine::StringPtr probe = engine::CreateString(Layout(font, lpString, c, glyphIndex, lpDx, pdy, origin));
  if (!probe) return FALSE;
  POINTL end = engine::StringEnd(probe.get());
  double advanceX = end.x - origin.x, advanceY = end.y - origin.y;
  double angle = m.escapement / 10.0 * M_PI / 180.0;
  double upX = -std::sin(angle), upY = -std::cos(angle);
  double ox = origin.x, oy = origin.y;
  if ((align & TA_CENTER) == TA_CENTER) ox -= advanceX / 2, oy -= advanceY / 2;
  else if (align & TA_RIGHT) ox -= advanceX, oy -= advanceY;
  if ((align & TA_BASELINE) == TA_BASELINE) {
  } else if (align & TA_BOTTOM) {
    ox += upX * m.descent, oy += upY * m.descent;
  } else {
    ox -= upX * m.ascent, oy -= upY * m.ascent;
  }
  origin = {static_cast<LONG>(std::lround(ox)), static_cast<LONG>(std::lround(oy))};
  engine::StringPtr string = engine::CreateString(Layout(font, lpString, c, glyphIndex, lpDx, pdy, origin));
  if (!string) return FALSE;
  end = engine::StringEnd(string.get());
  if ((align & TA_UPDATECP) && !(align & TA_CENTER)) {
    POINT next = (align & TA_RIGHT) ? POINT{origin.x, origin.y} : POINT{end.x, end.y};
    if (align & TA_RIGHT) next = POINT{static_cast<LONG>(std::lround(ox)), static_cast<LONG>(std::lround(oy))};
    s.current = ToLogical(s, POINT{next.x, next.y});
  }

  RECT deviceRect{};
  bool haveRect = lprect != nullptr;
  if (haveRect) {
    POINT a = ToDevice(s, POINT{lprect->left, lprect->top}), b = ToDevice(s, POINT{lprect->right, lprect->bottom});
    deviceRect = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  }
  RECTL opaque{};
  bool haveOpaque = false;
  if ((options & ETO_OPAQUE) && haveRect) {
    opaque = ToRectl(deviceRect);
    haveOpaque = opaque.right > opaque.left && opaque.bottom > opaque.top;
  } else if (s.bkMode == OPAQUE && c) {
    opaque = string->rclBkGround;
    haveOpaque = true;
  }
  // Underline and strike-out along a horizontal baseline, as the engine draws them.
  std::vector<RECTL> extra;
  if ((lf.lfUnderline || lf.lfStrikeOut) && c && m.escapement == 0) {
    LONG left = std::min(origin.x, end.x), right = std::max(origin.x, end.x);
    if (lf.lfUnderline) {
      LONG top = origin.y + m.underlinePosition - m.underlineSize / 2;
      extra.push_back(RECTL{left, top, right, top + m.underlineSize});
    }
    if (lf.lfStrikeOut) {
      LONG top = origin.y + m.strikeoutPosition - m.strikeoutSize / 2;
      extra.push_back(RECTL{left, top, right, top + m.strikeoutSize});
    }
    extra.push_back(RECTL{0, 0, 0, 0});
  }

  if (s.bracket == PathBracket::Open) {
    AddTextToPath(s.path, string.get(), font, (options & ETO_OPAQUE) && haveOpaque ? &opaque : nullptr);
    return TRUE;
  }
  RECTL bounds = string->rclBkGround;
  if (haveOpaque) bounds = Union(bounds, opaque);
  for (const RECTL& r : extra)
    if (r.right > r.left) bounds = Union(bounds, r);
  Region clip = CallClip(*dc, (options & ETO_CLIPPED) && haveRect ? &deviceRect : nullptr);
  if (clip.Empty()) return TRUE;  // nothing of the text can show
  if (RasterDC(*dc)) {
    std::vector<RECTL> lines;
    for (const RECTL& r : extra)
      if (r.right > r.left) lines.push_back(r);
    return RasterText(*dc, string.get(), font, clip, lines, haveOpaque ? &opaque : nullptr) ? TRUE : FALSE;
  }
  engine::ClipPtr clipObject = ClipObject(*dc, clip, bounds);
  engine::BrushPtr fore = engine::CreateSolidBrush(s.textColor & 0x00FFFFFF);
  engine::BrushPtr back = engine::CreateSolidBrush(s.bkColor & 0x00FFFFFF);
  if (!clipObject || !fore || !back) return FALSE;
  auto textOut = dc->driver.Get<PFN_DrvTextOut>(INDEX_DrvTextOut);
  SURFOBJ* surface = dc->Surface();
  if (!textOut || !surface) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  POINTL brushOrigin{s.brushOrg.x, s.brushOrg.y};
  MIX mix = R2_COPYPEN | (R2_COPYPEN << 8);
  if (c == 0 && !haveOpaque) return TRUE;
  return textOut(surface, string.get(), font, clipObject.get(), extra.empty() ? nullptr : extra.data(),
                 haveOpaque ? &opaque : nullptr, fore.get(), haveOpaque ? back.get() : nullptr, &brushOrigin, mix);
}

WINBASEAPI BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
  if (c < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtTextOutW(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c), nullptr);
}

WINBASEAPI BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (c < 0 || (c && !lpString) || !psizl) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FONTOBJ* font = SelectedFont(*dc, nullptr);
  engine::FontMeasures m;
  if (!font || !engine::MeasureFont(font, &m)) return FALSE;
  LONG width = 0;
  std::vector<LONG> advances(static_cast<size_t>(c));
  engine::GlyphRun(font, lpString, advances.size(), false, nullptr, advances.data());
  for (LONG advance : advances) width += advance;
  psizl->cx = width;
  psizl->cy = m.ascent + m.descent;
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  if (!lptm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LOGFONTW lf{};
  FONTOBJ* font = SelectedFont(*dc, &lf);
  engine::FontMeasures m;
  if (!font || !engine::MeasureFont(font, &m)) return FALSE;
  TEXTMETRICW tm{};
  tm.tmHeight = m.ascent + m.descent;
  tm.tmAscent = m.ascent;
  tm.tmDescent = m.descent;
  tm.tmInternalLeading = m.internalLeading;
  tm.tmExternalLeading = m.externalLeading;
  tm.tmAveCharWidth = m.aveCharWidth;
  tm.tmMaxCharWidth = m.maxCharWidth;
  tm.tmWeight = m.weight;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = static_cast<LONG>(DeviceDpi(*dc));
  tm.tmDigitizedAspectY = static_cast<LONG>(DeviceDpi(*dc));
  tm.tmFirstChar = m.firstChar;
  tm.tmLastChar = m.lastChar;
  tm.tmDefaultChar = u'?';
  tm.tmBreakChar = u' ';
  tm.tmItalic = m.italic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  // The low bit set means a variable-pitch font, as the platform defines it.
  tm.tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR |
                                          (m.trueType ? TMPF_TRUETYPE : 0));
  tm.tmCharSet = m.charSet;
  *lptm = tm;
  return TRUE;
}

WINBASEAPI int WINAPI GetTextFaceW(HDC hdc, int c, LPWSTR lpName) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  FONTOBJ* font = SelectedFont(*dc, nullptr);
  engine::FontMeasures m;
  if (!font || !engine::MeasureFont(font, &m)) return 0;
  std::u16string name = m.faceName;
  if (!lpName) return static_cast<int>(name.size() + 1);
  if (c <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = std::min(name.size(), static_cast<size_t>(c - 1));
  std::memcpy(lpName, name.data(), n * sizeof(WCHAR));
  lpName[n] = 0;
  return static_cast<int>(n);
}

WINBASEAPI int WINAPI EnumFontFamiliesExW(HDC hdc, LPLOGFONTW lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam,
                                          DWORD /*dwFlags*/) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  if (!lpLogfont || !lpProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string wanted;
  for (size_t i = 0; i < LF_FACESIZE && lpLogfont->lfFaceName[i]; ++i) wanted.push_back(lpLogfont->lfFaceName[i]);
  auto lower = [](std::u16string t) {
    for (char16_t& ch : t)
      if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
    return t;
  };
  int result = 1;
  std::vector<engine::FontFamily> families = engine::FontFamilies();
  AddTestFamily(families);
  // Each family, and right after it its vertical "@" twin when it has one.
  struct Listed {
    std::u16string name;
    bool trueType;
    BYTE charSet;
  };
  std::vector<Listed> listed;
  for (const engine::FontFamily& family : families) {
    listed.push_back({family.name, family.trueType, ANSI_CHARSET});
    if (family.vertical) listed.push_back({u"@" + family.name, family.trueType, family.verticalCharSet});
  }
  for (const Listed& family : listed) {
    if (!wanted.empty() && lower(wanted) != lower(family.name)) continue;
    ENUMLOGFONTEXW elf{};
    LOGFONTW& lf = elf.elfLogFont;
    lf.lfHeight = -static_cast<LONG>(12 * DeviceDpi(*dc) / 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = family.charSet;
    for (size_t i = 0; i < family.name.size() && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = family.name[i];
    for (size_t i = 0; i < family.name.size() && i < LF_FULLFACESIZE - 1; ++i) elf.elfFullName[i] = family.name[i];
    FONTOBJ* font = engine::RealizeFont(lf, DeviceDpi(*dc));
    engine::FontMeasures m{};
    TEXTMETRICW tm{};
    if (font && engine::MeasureFont(font, &m)) {
      tm.tmHeight = m.ascent + m.descent;
      tm.tmAscent = m.ascent;
      tm.tmDescent = m.descent;
      tm.tmAveCharWidth = m.aveCharWidth;
      tm.tmMaxCharWidth = m.maxCharWidth;
      tm.tmWeight = m.weight;
      tm.tmPitchAndFamily = static_cast<BYTE>((m.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR |
                                              (m.trueType ? TMPF_TRUETYPE : 0));
      lf.lfPitchAndFamily = static_cast<BYTE>(m.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH);
    }
    result = lpProc(&elf.elfLogFont, &tm, family.trueType ? TRUETYPE_FONTTYPE : 0, lParam);
    if (result == 0) break;
  }
  return result;
}

WINBASEAPI int WINAPI EnumFontFamiliesW(HDC hdc, LPCWSTR lpLogfont, FONTENUMPROCW lpProc, LPARAM lParam) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  for (size_t i = 0; lpLogfont && lpLogfont[i] && i + 1 < LF_FACESIZE; ++i) lf.lfFaceName[i] = lpLogfont[i];
  return EnumFontFamiliesExW(hdc, &lf, lpProc, lParam, 0);
}

WINBASEAPI BOOL WINAPI GetTextExtentPointW(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpsz) {
  return GetTextExtentPoint32W(hdc, lpString, c, lpsz);
}

}  // extern "C"
