// The drawing state of a device context: default objects, modes, the MM_TEXT mapping with its
// window and viewport origins, and the clip region with the calls that change it. Logical
// coordinates become device coordinates here and nowhere else.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "internal/gdi_render.h"

namespace plat::gdi {

DrawState& StateOf(PrinterDC& dc) {
  DrawState& s = dc.draw;
  if (!s.hpen) {
    s.hpen = static_cast<HPEN>(StockObject(BLACK_PEN));
    s.pen = LookupObjectAs<PenObject>(s.hpen);
  }
  if (!s.hbrush) {
    s.hbrush = static_cast<HBRUSH>(StockObject(WHITE_BRUSH));
    s.brush = LookupObjectAs<BrushObject>(s.hbrush);
  }
  if (!s.hfont) {
    s.hfont = static_cast<HFONT>(StockObject(SYSTEM_FONT));
    s.font = LookupObjectAs<FontObject>(s.hfont);
  }
  if (dc.memoryDC && !s.hbitmap) {
    s.hbitmap = StockBitmap();
    s.bitmap = LookupObjectAs<BitmapObject>(s.hbitmap);
  }
  return s;
}

std::shared_ptr<PrinterDC> DrawingDC(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  StateOf(*dc);
  return dc;
}

namespace {

// a * numerator / denominator rounded to the nearest, halves away from zero.
LONG Scale(int64_t a, int64_t numerator, int64_t denominator) {
  if (denominator == 0) return static_cast<LONG>(a);
  int64_t product = a * numerator;
  int64_t half = std::abs(denominator) / 2;
  bool negative = (product < 0) != (denominator < 0);
  int64_t q = (std::abs(product) + half) / std::abs(denominator);
  return static_cast<LONG>(negative ? -q : q);
}

}  // namespace

POINT ToDevice(const DrawState& s, POINT p) {
  POINT d;
  if (s.mapMode == MM_TEXT) {
    d = POINT{p.x - s.windowOrg.x + s.viewportOrg.x, p.y - s.windowOrg.y + s.viewportOrg.y};
  } else {
    d = POINT{Scale(int64_t{p.x} - s.windowOrg.x, s.viewportExt.cx, s.windowExt.cx) + s.viewportOrg.x,
              Scale(int64_t{p.y} - s.windowOrg.y, s.viewportExt.cy, s.windowExt.cy) + s.viewportOrg.y};
  }
  if (s.layout & LAYOUT_RTL) d.x = s.mirrorWidth - d.x;
  return d;
}

POINT ToLogical(const DrawState& s, POINT p) {
  if (s.layout & LAYOUT_RTL) p.x = s.mirrorWidth - p.x;
  if (s.mapMode == MM_TEXT)
    return POINT{p.x - s.viewportOrg.x + s.windowOrg.x, p.y - s.viewportOrg.y + s.windowOrg.y};
  return POINT{Scale(int64_t{p.x} - s.viewportOrg.x, s.windowExt.cx, s.viewportExt.cx) + s.windowOrg.x,
               Scale(int64_t{p.y} - s.viewportOrg.y, s.windowExt.cy, s.viewportExt.cy) + s.windowOrg.y};
}

RECT SurfaceRect(const PrinterDC& dc) {
  if (dc.memoryDC) {
    const BitmapBits* bits = dc.draw.bitmap ? dc.draw.bitmap->bits.get() : nullptr;
    return bits ? RECT{0, 0, bits->width, bits->height} : RECT{0, 0, 1, 1};
  }
  if (dc.window) {
    RasterPixels pixels = WindowPixels(dc);
    return RECT{0, 0, pixels.width, pixels.height};
  }
  if (dc.screenDC)
    return RECT{0, 0, static_cast<LONG>(dc.gdiInfo.ulHorzRes), static_cast<LONG>(dc.gdiInfo.ulVertRes)};
  if (SURFOBJ* so = dc.Surface()) return RECT{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
  return RECT{0, 0, static_cast<LONG>(dc.gdiInfo.ulHorzRes), static_cast<LONG>(dc.gdiInfo.ulVertRes)};
}

Region EffectiveClip(const PrinterDC& dc) {
  Region surface = RectRegion(SurfaceRect(dc));
  if (dc.clipToVisible) surface = CombineRegions(surface, dc.visibleClip, RGN_AND);
  return dc.draw.hasClip ? CombineRegions(dc.draw.clip, surface, RGN_AND) : surface;
}

int SelectClipRegion(PrinterDC& dc, const Region* region, int mode) {
  DrawState& s = dc.draw;
  Region next;
  bool hasClip = true;
  if (!region) {
    // Only RGN_COPY may take the clip away; every other mode needs a region to combine.
    if (mode != RGN_COPY) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
    }
    hasClip = false;
  } else if (mode == RGN_COPY) {
    next = *region;
  } else {
    // Without a clip region the DC clips to its surface; combining starts from that.
    Region current = s.hasClip ? s.clip : RectRegion(SurfaceRect(dc));
    next = CombineRegions(current, *region, mode);
  }
  s.hasClip = hasClip;
  s.clip = hasClip ? std::move(next) : Region{};
  return EffectiveClip(dc).Complexity();
}

}  // namespace plat::gdi

using namespace plat::gdi;

namespace {

// Runs `change` on the DC's state and answers its result, or `failure` (ERROR_INVALID_HANDLE)
// for an unknown DC.
template <typename Result, typename Change>
Result WithState(HDC hdc, Result failure, Change change) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return failure;
  return change(*dc, dc->draw);
}

template <typename Value>
Value Exchange(Value& slot, Value next) {
  Value previous = slot;
  slot = next;
  return previous;
}

int ClipWithRect(HDC hdc, int left, int top, int right, int bottom, int mode) {
  return WithState(hdc, ERROR, [&](PrinterDC& dc, DrawState& s) {
    POINT a = ToDevice(s, POINT{left, top});
    POINT b = ToDevice(s, POINT{right, bottom});
    Region rect = RectRegion(RECT{a.x, a.y, b.x, b.y});
    return SelectClipRegion(dc, &rect, mode);
  });
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI GetMapMode(HDC hdc) {
  return WithState(hdc, 0, [](PrinterDC&, DrawState& s) { return s.mapMode; });
}

WINBASEAPI BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (lppt) *lppt = s.viewportOrg;
    s.viewportOrg = POINT{x, y};
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!lppoint) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *lppoint = s.viewportOrg;
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (lppt) *lppt = s.windowOrg;
    s.windowOrg = POINT{x, y};
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!lppoint) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *lppoint = s.windowOrg;
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (c < 0 || (c > 0 && !lppt)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    for (int i = 0; i < c; ++i) lppt[i] = ToDevice(s, lppt[i]);
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (c < 0 || (c > 0 && !lppt)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    for (int i = 0; i < c; ++i) lppt[i] = ToLogical(s, lppt[i]);
    return TRUE;
  });
}

WINBASEAPI int WINAPI SetBkMode(HDC hdc, int mode) {
  return WithState(hdc, 0, [&](PrinterDC&, DrawState& s) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return Exchange(s.bkMode, mode);
  });
}

WINBASEAPI int WINAPI GetBkMode(HDC hdc) {
  return WithState(hdc, 0, [](PrinterDC&, DrawState& s) { return s.bkMode; });
}

WINBASEAPI COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [&](PrinterDC&, DrawState& s) { return Exchange(s.bkColor, color); });
}

WINBASEAPI COLORREF WINAPI GetBkColor(HDC hdc) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [](PrinterDC&, DrawState& s) { return s.bkColor; });
}

WINBASEAPI COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [&](PrinterDC&, DrawState& s) { return Exchange(s.textColor, color); });
}

WINBASEAPI COLORREF WINAPI GetTextColor(HDC hdc) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [](PrinterDC&, DrawState& s) { return s.textColor; });
}

WINBASEAPI int WINAPI SetROP2(HDC hdc, int rop2) {
  return WithState(hdc, 0, [&](PrinterDC&, DrawState& s) {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return Exchange(s.rop2, rop2);
  });
}

WINBASEAPI int WINAPI GetROP2(HDC hdc) {
  return WithState(hdc, 0, [](PrinterDC&, DrawState& s) { return s.rop2; });
}

WINBASEAPI int WINAPI SetPolyFillMode(HDC hdc, int mode) {
  return WithState(hdc, 0, [&](PrinterDC&, DrawState& s) {
    if (mode != ALTERNATE && mode != WINDING) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return Exchange(s.polyFillMode, mode);
  });
}

WINBASEAPI int WINAPI GetPolyFillMode(HDC hdc) {
  return WithState(hdc, 0, [](PrinterDC&, DrawState& s) { return s.polyFillMode; });
}

WINBASEAPI BOOL WINAPI SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (lppt) *lppt = s.brushOrg;
    s.brushOrg = POINT{x, y};
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI SetMiterLimit(HDC hdc, FLOAT limit, PFLOAT old) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!(limit >= 1.0f)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (old) *old = s.miterLimit;
    s.miterLimit = limit;
    return TRUE;
  });
}

WINBASEAPI COLORREF WINAPI SetDCBrushColor(HDC hdc, COLORREF color) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [&](PrinterDC&, DrawState& s) { return Exchange(s.dcBrushColor, color); });
}

WINBASEAPI COLORREF WINAPI SetDCPenColor(HDC hdc, COLORREF color) {
  return WithState(hdc, COLORREF{CLR_INVALID}, [&](PrinterDC&, DrawState& s) { return Exchange(s.dcPenColor, color); });
}

WINBASEAPI int WINAPI SetStretchBltMode(HDC hdc, int mode) {
  return WithState(hdc, 0, [&](PrinterDC&, DrawState& s) {
    if (mode < BLACKONWHITE || mode > HALFTONE) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return Exchange(s.stretchBltMode, mode);
  });
}

WINBASEAPI int WINAPI GetStretchBltMode(HDC hdc) {
  return WithState(hdc, 0, [](PrinterDC&, DrawState& s) { return s.stretchBltMode; });
}

// The adjustment reaches the driver with every HALFTONE stretch, so every value is held to
// its documented range here.
WINBASEAPI BOOL WINAPI SetColorAdjustment(HDC hdc, const COLORADJUSTMENT* lpca) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (!lpca || lpca->caSize != sizeof(COLORADJUSTMENT) || (lpca->caFlags & ~(CA_NEGATIVE | CA_LOG_FILTER)) ||
        lpca->caIlluminantIndex > ILLUMINANT_MAX_INDEX || !within(lpca->caRedGamma, RGB_GAMMA_MIN, RGB_GAMMA_MAX) ||
        !within(lpca->caGreenGamma, RGB_GAMMA_MIN, RGB_GAMMA_MAX) ||
        !within(lpca->caBlueGamma, RGB_GAMMA_MIN, RGB_GAMMA_MAX) ||
        !within(lpca->caReferenceBlack, REFERENCE_BLACK_MIN, REFERENCE_BLACK_MAX) ||
        !within(lpca->caReferenceWhite, REFERENCE_WHITE_MIN, REFERENCE_WHITE_MAX) ||
        !within(lpca->caContrast, COLOR_ADJ_MIN, COLOR_ADJ_MAX) ||
        !within(lpca->caBrightness, COLOR_ADJ_MIN, COLOR_ADJ_MAX) ||
        !within(lpca->caColorfulness, COLOR_ADJ_MIN, COLOR_ADJ_MAX) ||
        !within(lpca->caRedGreenTint, COLOR_ADJ_MIN, COLOR_ADJ_MAX)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    s.colorAdjustment = *lpca;
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI GetColorAdjustment(HDC hdc, COLORADJUSTMENT* lpca) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!lpca) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *lpca = s.colorAdjustment;
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (lppt) *lppt = s.current;
    s.current = POINT{x, y};
    if (s.bracket == PathBracket::Open) s.path.MoveTo(ToFix(ToDevice(s, s.current)));
    return TRUE;
  });
}

WINBASEAPI BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
  return WithState(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!lppt) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *lppt = s.current;
    return TRUE;
  });
}

WINBASEAPI int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) { return ExtSelectClipRgn(hdc, hrgn, RGN_COPY); }

WINBASEAPI int WINAPI ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
  return WithState(hdc, ERROR, [&](PrinterDC& dc, DrawState&) {
    if (mode < RGN_AND || mode > RGN_COPY) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
    }
    if (!hrgn) return SelectClipRegion(dc, nullptr, mode);
    auto region = LookupObjectAs<RegionObject>(hrgn);
    if (!region) {
      SetLastError(ERROR_INVALID_HANDLE);
      return ERROR;
    }
    // The DC keeps its own copy: the region may change or go once it is selected.
    Region copy = region->region;
    return SelectClipRegion(dc, &copy, mode);
  });
}

WINBASEAPI int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_AND);
}

WINBASEAPI int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_DIFF);
}

WINBASEAPI int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
  return WithState(hdc, ERROR, [&](PrinterDC& dc, DrawState& s) {
    if (!lprect) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
    }
    Region clip = EffectiveClip(dc);
    RECT box = clip.Bounds();
    POINT a = ToLogical(s, POINT{box.left, box.top});
    POINT b = ToLogical(s, POINT{box.right, box.bottom});
    *lprect = RECT{a.x, a.y, b.x, b.y};
    return clip.Complexity();
  });
}

}  // extern "C"
