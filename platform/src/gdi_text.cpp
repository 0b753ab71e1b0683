// Text calls of the printer DC: the selected LOGFONTW is realised by the engine's fonts for the
// device's resolution, laid out as a string at the aligned reference point, and handed to the
// driver's DrvTextOut with the clip, the text colour's brush, the opaque rectangle (ETO_OPAQUE
// or an opaque background) and the underline and strike-out rectangles. Measuring and metrics
// answer from the same realisation, so what an application measures is what prints.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include <win/gdi_text.h>

#include "internal/engine_fonts.h"
#include "internal/engine_objects.h"
#include "internal/gdi_drawing.h"
#include "internal/gdi_regions.h"

namespace plat::gdi {
namespace {

// Text alignment of each DC (TA_TOP | TA_LEFT | TA_NOUPDATECP when never set).
std::mutex g_alignLock;
std::map<const PrinterDC*, UINT> g_align;

UINT AlignOf(const PrinterDC& dc) {
  std::lock_guard<std::mutex> guard(g_alignLock);
  auto it = g_align.find(&dc);
  return it == g_align.end() ? 0 : it->second;
}

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
  std::lock_guard<std::mutex> guard(g_alignLock);
  UINT& slot = g_align[dc.get()];
  UINT old = slot;
  slot = align & TA_MASK;
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

  RECTL bounds = string->rclBkGround;
  if (haveOpaque) bounds = Union(bounds, opaque);
  for (const RECTL& r : extra)
    if (r.right > r.left) bounds = Union(bounds, r);
  Region clip = CallClip(*dc, (options & ETO_CLIPPED) && haveRect ? &deviceRect : nullptr);
  if (clip.Empty()) return TRUE;  // nothing of the text can show
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
  for (int i = 0; i < c; ++i) width += engine::GlyphAdvance(font, engine::GlyphOfCharacter(font, lpString[i]));
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
  for (const engine::FontFamily& family : engine::FontFamilies()) {
    if (!wanted.empty() && lower(wanted) != lower(family.name)) continue;
    ENUMLOGFONTEXW elf{};
    LOGFONTW& lf = elf.elfLogFont;
    lf.lfHeight = -static_cast<LONG>(12 * DeviceDpi(*dc) / 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
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

}  // extern "C"
