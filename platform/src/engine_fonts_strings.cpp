// Engine strings: the glyph handles and positions of one text call in a realised font, handed
// to the driver as a STROBJ, either all at once in STROBJ::pgp or in batches through
// STROBJ_bEnum; and the engine's code-page conversion for drivers.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>

#include "internal/codepages.h"
#include "internal/controls.h"
#include "internal/engine_fonts.h"
#include <win/gdi_text.h>

namespace {

// Glyphs a batch of a fixed-pitch font's string holds when no control sets the size.
constexpr ULONG kFixedPitchBatch = 100;

struct StringObject {
  STROBJ so{};  // first member: the driver's STROBJ* is this record
  std::vector<GLYPHPOS> glyphs;
  std::vector<WCHAR> text;
  ULONG batch = 0;  // 0: every position is in so.pgp
  ULONG next = 0;
  DWORD codePage = 0;
  POINTL end{0, 0};
};

struct StringRegistry {
  std::mutex lock;
  std::set<const STROBJ*> strings;
};

StringRegistry& Strings() {
  static StringRegistry* registry = new StringRegistry;
  return *registry;
}

StringObject* Lookup(const STROBJ* so) {
  StringRegistry& r = Strings();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!so || !r.strings.count(so)) return nullptr;
  return reinterpret_cast<StringObject*>(const_cast<STROBJ*>(so));
}

DWORD CodePageOfCharSet(BYTE charSet) {
  switch (charSet) {
    case ANSI_CHARSET:
    case DEFAULT_CHARSET: return plat::kAnsiCodePage;
    case OEM_CHARSET: return plat::kOemCodePage;
    default: {
      UINT page = 0;
      switch (charSet) {
        case EASTEUROPE_CHARSET: page = 1250; break;
        case RUSSIAN_CHARSET: page = 1251; break;
        case GREEK_CHARSET: page = 1253; break;
        default: page = 0;
      }
      return page && plat::IsSingleByteCodePage(page) ? page : 0;
    }
  }
}

}  // namespace

namespace plat::engine {

void StringDeleter::operator()(STROBJ* so) const {
  if (!so) return;
  {
    StringRegistry& r = Strings();
    std::lock_guard<std::mutex> guard(r.lock);
    r.strings.erase(so);
  }
  delete reinterpret_cast<StringObject*>(so);
}

StringPtr CreateString(const StringLayout& layout) {
  FontMeasures m;
  if (!layout.font || !MeasureFont(layout.font, &m)) return nullptr;
  auto s = std::make_unique<StringObject>();
  ULONG n = static_cast<ULONG>(layout.text.size());
  size_t dxNeeded = layout.dxdy ? 2u * n : n;
  bool ownAdvances = layout.dx.size() < dxNeeded;  // too few values: the font's own advances
  s->text = layout.text;
  s->text.push_back(0);
  s->glyphs.resize(n);
  double angle = m.escapement / 10.0 * M_PI / 180.0;
  double c = std::cos(angle), sn = std::sin(angle);
  double x = layout.origin.x, y = layout.origin.y;
  bool vertical = false;
  // The glyphs and their advances in one pass over the font.
  std::vector<HGLYPH> glyphs(n);
  std::vector<LONG> advances(ownAdvances ? n : 0);
  if (!GlyphRun(layout.font, layout.text.data(), n, layout.glyphIndex, glyphs.data(),
                ownAdvances ? advances.data() : nullptr))
    return nullptr;
  for (ULONG i = 0; i < n; ++i) {
    GLYPHPOS& g = s->glyphs[i];
    g.hg = glyphs[i];
    g.pgdf = nullptr;
    g.ptl = {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
    double along = 0, across = 0;
    if (ownAdvances) {
      along = advances[i];
    } else if (layout.dxdy) {
      along = layout.dx[2 * i];
      across = layout.dx[2 * i + 1];
      if (across != 0) vertical = true;
    } else {
      along = layout.dx[i];
    }
    x += along * c + across * sn;
    y += -along * sn + across * c;
  }
  s->end = {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};

  STROBJ& so = s->so;
  so.cGlyphs = n;
  so.flAccel = 0;
  if (ownAdvances) so.flAccel |= SO_FLAG_DEFAULT_PLACEMENT;
  if (m.escapement == 0 && !vertical) so.flAccel |= SO_HORIZONTAL;
  if (layout.glyphIndex) so.flAccel |= SO_GLYPHINDEX_TEXTOUT;
  if (layout.dxdy) so.flAccel |= SO_DXDY;
  if (m.fixedPitch && ownAdvances && m.escapement == 0 && n > 0)
    so.ulCharInc = static_cast<ULONG>(GlyphAdvance(layout.font, s->glyphs[0].hg));
  long long batch = plat::GetControlInt("engine.StringBatchGlyphs", 0);
  if (batch > 0) s->batch = static_cast<ULONG>(std::min<long long>(batch, 0x7FFFFFFF));
  else if (so.ulCharInc) s->batch = kFixedPitchBatch;
  so.pgp = s->batch ? nullptr : s->glyphs.data();
  so.pwszOrg = s->text.data();
  // The box from the first origin to the end, ascent above and descent below the baseline.
  double ux = -sn, uy = -c;  // the font's up direction in device space
  double corners[4][2] = {
      {layout.origin.x + ux * m.ascent, layout.origin.y + uy * m.ascent},
      {layout.origin.x - ux * m.descent, layout.origin.y - uy * m.descent},
      {x + ux * m.ascent, y + uy * m.ascent},
      {x - ux * m.descent, y - uy * m.descent},
  };
  double minX = corners[0][0], maxX = minX, minY = corners[0][1], maxY = minY;
  for (auto& p : corners) {
    minX = std::min(minX, p[0]), maxX = std::max(maxX, p[0]);
    minY = std::min(minY, p[1]), maxY = std::max(maxY, p[1]);
  }
  so.rclBkGround = {static_cast<LONG>(std::floor(minX)), static_cast<LONG>(std::floor(minY)),
                    static_cast<LONG>(std::ceil(maxX)), static_cast<LONG>(std::ceil(maxY))};
  s->codePage = CodePageOfCharSet(m.charSet);
  {
    StringRegistry& r = Strings();
    std::lock_guard<std::mutex> guard(r.lock);
    r.strings.insert(&s->so);
  }
  return StringPtr(&s.release()->so);
}

POINTL StringEnd(const STROBJ* so) {
  StringObject* s = Lookup(so);
  return s ? s->end : POINTL{0, 0};
}

}  // namespace plat::engine

extern "C" {

WINBASEAPI VOID APIENTRY STROBJ_vEnumStart(STROBJ* pstro) {
  if (StringObject* s = Lookup(pstro)) s->next = 0;
}

WINBASEAPI BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) {
  StringObject* s = Lookup(pstro);
  if (!s || !pc || !ppgpos) return static_cast<BOOL>(DDI_ERROR);
  ULONG n = static_cast<ULONG>(s->glyphs.size());
  ULONG count = s->batch ? std::min(s->batch, n - std::min(s->next, n)) : n - std::min(s->next, n);
  *pc = count;
  *ppgpos = count ? s->glyphs.data() + s->next : nullptr;
  s->next += count;
  return s->next < n;
}

WINBASEAPI DWORD APIENTRY STROBJ_dwGetCodePage(STROBJ* pstro) {
  StringObject* s = Lookup(pstro);
  return s ? s->codePage : 0;
}

WINBASEAPI INT APIENTRY EngWideCharToMultiByte(UINT CodePage, LPWSTR WideCharString, INT BytesInWideCharString,
                                               LPSTR MultiByteString, INT BytesInMultiByteString) {
  UINT page = plat::ResolveCodePage(CodePage);
  if (!page || !plat::IsSingleByteCodePage(page) || BytesInWideCharString < 0 || BytesInMultiByteString < 0 ||
      (BytesInWideCharString && !WideCharString) || (BytesInMultiByteString && !MultiByteString))
    return -1;
  INT units = BytesInWideCharString / static_cast<INT>(sizeof(WCHAR));
  INT n = 0;
  for (; n < units && n < BytesInMultiByteString; ++n) {
    unsigned char byte = '?';
    if (!plat::WideToSingleByte(page, WideCharString[n], byte)) byte = '?';
    MultiByteString[n] = static_cast<char>(byte);
  }
  return n;
}

}  // extern "C"
