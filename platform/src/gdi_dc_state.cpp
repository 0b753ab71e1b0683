// The state calls of a device context beyond the drawing modes: SaveDC and RestoreDC, the
// mapping modes with window and viewport extents (MM_ANISOTROPIC and the fixed metric ones),
// and the right-to-left layout that mirrors a DC horizontally.
#include <algorithm>

#include "internal/gdi_record.h"
#include "internal/gdi_render.h"

using namespace plat::gdi;

namespace {

template <typename Result, typename Change>
Result WithDC(HDC hdc, Result failure, Change change) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return failure;
  return change(*dc, dc->draw);
}

// The extents of the fixed mapping modes: device pixels per logical unit from the DC's
// resolution, y growing upwards.
void FixedExtents(const PrinterDC& dc, DrawState& s) {
  LONG dpiX = static_cast<LONG>(dc.gdiInfo.ulLogPixelsX ? dc.gdiInfo.ulLogPixelsX : 96);
  LONG dpiY = static_cast<LONG>(dc.gdiInfo.ulLogPixelsY ? dc.gdiInfo.ulLogPixelsY : 96);
  LONG unitsPerInch = 1;
  switch (s.mapMode) {
    case MM_LOMETRIC: unitsPerInch = 254; break;
    case MM_HIMETRIC: unitsPerInch = 2540; break;
    case MM_LOENGLISH: unitsPerInch = 100; break;
    case MM_HIENGLISH: unitsPerInch = 1000; break;
    case MM_TWIPS: unitsPerInch = 1440; break;
    default: return;
  }
  s.windowExt = SIZE{unitsPerInch, unitsPerInch};
  s.viewportExt = SIZE{dpiX, -dpiY};
}

// MM_ISOTROPIC keeps one unit the same size on both axes: the larger viewport extent shrinks.
void KeepIsotropic(DrawState& s) {
  if (s.mapMode != MM_ISOTROPIC || !s.windowExt.cx || !s.windowExt.cy) return;
  double sx = std::abs(static_cast<double>(s.viewportExt.cx) / s.windowExt.cx);
  double sy = std::abs(static_cast<double>(s.viewportExt.cy) / s.windowExt.cy);
  if (sx > sy) s.viewportExt.cx = static_cast<LONG>(s.viewportExt.cx * sy / sx);
  else if (sy > sx) s.viewportExt.cy = static_cast<LONG>(s.viewportExt.cy * sx / sy);
}

// The window and viewport extents: set only in the two scalable modes (ignored, but answered,
// in the others); a zero side is refused.
BOOL SetExtent(HDC hdc, SIZE DrawState::*extent, const char* call, int x, int y, LPSIZE previous) {
  return WithDC(hdc, FALSE, [&](PrinterDC& dc, DrawState& s) {
    if (previous) *previous = s.*extent;
    if (s.mapMode != MM_ISOTROPIC && s.mapMode != MM_ANISOTROPIC) return TRUE;
    if (x == 0 || y == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    s.*extent = SIZE{x, y};
    KeepIsotropic(s);
    RecordCall(dc, call, std::to_string(x) + "," + std::to_string(y));
    return TRUE;
  });
}

BOOL GetExtent(HDC hdc, SIZE DrawState::*extent, LPSIZE out) {
  return WithDC(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (!out) return FALSE;
    *out = s.*extent;
    return TRUE;
  });
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI SaveDC(HDC hdc) {
  return WithDC(hdc, 0, [&](PrinterDC& dc, DrawState& s) {
    // The path bracket is not part of a saved state's restore for an open bracket.
    dc.saved.push_back(s);
    RecordCall(dc, "SaveDC", std::to_string(dc.saved.size()));
    return static_cast<int>(dc.saved.size());
  });
}

WINBASEAPI BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
  return WithDC(hdc, FALSE, [&](PrinterDC& dc, DrawState& s) {
    int count = static_cast<int>(dc.saved.size());
    int level = nSavedDC < 0 ? count + 1 + nSavedDC : nSavedDC;
    if (nSavedDC == 0 || level < 1 || level > count) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    DrawState restored = dc.saved[static_cast<size_t>(level - 1)];
    dc.saved.resize(static_cast<size_t>(level - 1));
    // A memory DC keeps the bitmap selected now if the saved one has gone meanwhile.
    if (dc.memoryDC && restored.bitmap != s.bitmap) {
      if (!LookupObject(restored.hbitmap)) {
        restored.hbitmap = s.hbitmap;
        restored.bitmap = s.bitmap;
      } else {
        if (s.bitmap) s.bitmap->selectedInto = nullptr;
        if (!restored.bitmap->stock) restored.bitmap->selectedInto = hdc;
      }
    }
    s = std::move(restored);
    RecordCall(dc, "RestoreDC", std::to_string(level));
    return TRUE;
  });
}

WINBASEAPI int WINAPI SetMapMode(HDC hdc, int iMode) {
  return WithDC(hdc, 0, [&](PrinterDC& dc, DrawState& s) {
    if (iMode < MM_TEXT || iMode > MM_ANISOTROPIC) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    int previous = s.mapMode;
    s.mapMode = iMode;
    if (iMode == MM_TEXT) {
      s.windowExt = s.viewportExt = SIZE{1, 1};
    } else if (iMode == MM_ISOTROPIC || iMode == MM_ANISOTROPIC) {
      // Switching from a fixed mode keeps its extents, as the platform does.
      if (previous == MM_TEXT) s.windowExt = s.viewportExt = SIZE{1, 1};
      KeepIsotropic(s);
    } else {
      FixedExtents(dc, s);
    }
    RecordCall(dc, "SetMapMode", std::to_string(iMode));
    return previous;
  });
}

WINBASEAPI BOOL WINAPI SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
  return SetExtent(hdc, &DrawState::windowExt, "SetWindowExtEx", x, y, lpsz);
}

WINBASEAPI BOOL WINAPI GetWindowExtEx(HDC hdc, LPSIZE lpsize) { return GetExtent(hdc, &DrawState::windowExt, lpsize); }

WINBASEAPI BOOL WINAPI SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
  return SetExtent(hdc, &DrawState::viewportExt, "SetViewportExtEx", x, y, lpsz);
}

WINBASEAPI BOOL WINAPI GetViewportExtEx(HDC hdc, LPSIZE lpsize) {
  return GetExtent(hdc, &DrawState::viewportExt, lpsize);
}

WINBASEAPI BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  return WithDC(hdc, FALSE, [&](PrinterDC&, DrawState& s) {
    if (lppt) *lppt = s.viewportOrg;
    s.viewportOrg.x += x;
    s.viewportOrg.y += y;
    return TRUE;
  });
}

WINBASEAPI DWORD WINAPI SetLayout(HDC hdc, DWORD l) {
  return WithDC(hdc, static_cast<DWORD>(GDI_ERROR), [&](PrinterDC& dc, DrawState& s) {
    DWORD previous = s.layout;
    s.layout = l & (LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED);
    // Mirrored across the DC's own width: x logical 0 is the right edge.
    s.mirrorWidth = SurfaceRect(dc).right;
    RecordCall(dc, "SetLayout", std::to_string(l));
    return previous;
  });
}

WINBASEAPI DWORD WINAPI GetLayout(HDC hdc) {
  return WithDC(hdc, static_cast<DWORD>(GDI_ERROR), [&](PrinterDC&, DrawState& s) { return s.layout; });
}

}  // extern "C"
