// The engine's own drawing for the calls a driver hands back (EngBitBlt, EngStretchBlt,
// EngTransparentBlt, EngGradientFill, EngEraseSurface, EngCopyBits). On a bitmap the engine
// draws the pixels itself. A device surface has no pixels the engine could touch: it draws
// into a temporary 24-bit bitmap over the area the call covers (white where nothing is drawn;
// the page cannot be read back) and hands that to the driver's DrvCopyBits, so what the
// driver gave back still reaches its output as an image.
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "internal/engine.h"
#include "internal/engine_objects.h"

namespace plat::engine {
namespace {

constexpr ULONG kGradientRectH = 0, kGradientRectV = 1, kGradientTriangle = 2;
// A driver that hands the engine's own DrvCopyBits back again gets no third round.
constexpr int kMaxNesting = 2;
thread_local int t_nesting = 0;

struct DriverRegistry {
  std::mutex lock;
  std::map<HDEV, DriverTable> drivers;
};

DriverRegistry& Drivers() {
  static DriverRegistry* registry = new DriverRegistry;  // outlives static destructors of callers
  return *registry;
}

PFN_DrvCopyBits CopyBitsOf(const SURFOBJ* device) {
  DriverRegistry& r = Drivers();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.drivers.find(device->hdev);
  return it == r.drivers.end() ? nullptr : it->second.Get<PFN_DrvCopyBits>(INDEX_DrvCopyBits);
}

bool IsBitmap(const SURFOBJ* so) {
  return so && so->iType == STYPE_BITMAP && so->pvScan0 && FormatBits(so->iBitmapFormat) != 0 &&
         so->sizlBitmap.cx > 0 && so->sizlBitmap.cy > 0;
}

ULONG ReadPixel(const SURFOBJ* so, LONG x, LONG y) {
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
  switch (so->iBitmapFormat) {
    case BMF_1BPP: return (row[x / 8] >> (7 - x % 8)) & 1;
    case BMF_4BPP: return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0xF;
    case BMF_8BPP: return row[x];
    case BMF_16BPP: return row[2 * x] | (row[2 * x + 1] << 8);
    case BMF_24BPP: return row[3 * x] | (row[3 * x + 1] << 8) | (ULONG{row[3 * x + 2]} << 16);
    default:
      return row[4 * x] | (row[4 * x + 1] << 8) | (ULONG{row[4 * x + 2]} << 16) | (ULONG{row[4 * x + 3]} << 24);
  }
}

void WritePixel(SURFOBJ* so, LONG x, LONG y, ULONG v) {
  BYTE* row = static_cast<BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
  switch (so->iBitmapFormat) {
    case BMF_1BPP: {
      BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
      row[x / 8] = (v & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
      break;
    }
    case BMF_4BPP:
      if (x % 2 == 0)
        row[x / 2] = static_cast<BYTE>((row[x / 2] & 0x0F) | ((v & 0xF) << 4));
      else
        row[x / 2] = static_cast<BYTE>((row[x / 2] & 0xF0) | (v & 0xF));
      break;
    case BMF_8BPP: row[x] = static_cast<BYTE>(v); break;
    case BMF_16BPP:
      row[2 * x] = static_cast<BYTE>(v);
      row[2 * x + 1] = static_cast<BYTE>(v >> 8);
      break;
    case BMF_24BPP:
      row[3 * x] = static_cast<BYTE>(v);
      row[3 * x + 1] = static_cast<BYTE>(v >> 8);
      row[3 * x + 2] = static_cast<BYTE>(v >> 16);
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<BYTE>(v >> (8 * i));
  }
}

RECTL Intersect(const RECTL& a, const RECTL& b) {
  return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

bool Empty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

RECTL Ordered(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

// Where a call may draw: the clip's rectangles within `bounds` (the whole of it without a
// clip). A clip the engine did not make is taken by its bounds.
std::vector<RECTL> Visible(CLIPOBJ* pco, const RECTL& bounds) {
  std::vector<RECTL> out;
  if (pco == nullptr || pco->iDComplexity == DC_TRIVIAL) {
    if (!Empty(bounds)) out.push_back(bounds);
    return out;
  }
  const std::vector<RECTL>* rects = ClipRects(pco);
  std::vector<RECTL> own;
  if (rects == nullptr) {
    own.push_back(pco->rclBounds);
    rects = &own;
  }
  for (const RECTL& r : *rects) {
    RECTL v = Intersect(r, bounds);
    if (!Empty(v)) out.push_back(v);
  }
  return out;
}

RECTL BoundsOf(const std::vector<RECTL>& rects) {
  RECTL b = rects.front();
  for (const RECTL& r : rects) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

// The surface a call draws on: the bitmap itself, or a white temporary over `area` of a device
// surface. Device colours (COLORREF) become pixels of the surface through Pixel().
class Canvas {
 public:
  Canvas(SURFOBJ* target, const RECTL& area) : target_(target), area_(area) {
    if (IsBitmap(target)) {
      surface_ = target;
      return;
    }
    SIZEL size{area.right - area.left, area.bottom - area.top};
    temp_ = CreateBitmapSurface(size, BMF_24BPP, true);
    surface_ = LookupBitmap(temp_);
    if (surface_) {
      BYTE* bits = static_cast<BYTE*>(surface_->pvBits);
      std::fill(bits, bits + surface_->cjBits, BYTE{0xFF});
      dx_ = area.left;
      dy_ = area.top;
    }
  }
  ~Canvas() {
    if (temp_) DeleteBitmapSurface(temp_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Ready() const { return surface_ != nullptr; }
  bool Temporary() const { return temp_ != nullptr; }
  // A device colour as a pixel of this surface: BGR on the temporary; a bitmap's pixels are
  // taken to be in the form its caller's colours already have.
  ULONG Pixel(ULONG deviceColor) const {
    if (!Temporary()) return deviceColor;
    return ((deviceColor & 0xFF) << 16) | (deviceColor & 0xFF00) | ((deviceColor >> 16) & 0xFF);
  }
  ULONG Read(LONG x, LONG y) const { return ReadPixel(surface_, x - dx_, y - dy_); }
  void Write(LONG x, LONG y, ULONG v) { WritePixel(surface_, x - dx_, y - dy_, v); }

  // Hands a temporary to the driver's DrvCopyBits; a bitmap is already drawn.
  BOOL Finish(CLIPOBJ* pco) {
    if (!Temporary()) return TRUE;
    PFN_DrvCopyBits copyBits = CopyBitsOf(target_);
    if (copyBits == nullptr || t_nesting >= kMaxNesting) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    Palette bgr;
    bgr.mode = PAL_BGR;
    XlatePtr xlate = CreateXlate(bgr);
    RECTL dest = area_;
    POINTL origin{0, 0};
    ++t_nesting;
    BOOL ok = copyBits(target_, surface_, pco, xlate.get(), &dest, &origin);
    --t_nesting;
    return ok;
  }

 private:
  SURFOBJ* target_;
  RECTL area_;
  SURFOBJ* surface_ = nullptr;
  HSURF temp_ = nullptr;
  LONG dx_ = 0, dy_ = 0;
};

// The bounds a call may draw in on a surface: a bitmap's own size; a device surface's size
// when it has one.
RECTL SurfaceBounds(const SURFOBJ* so) { return RECTL{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy}; }

ULONG Rop3(ULONG rop, ULONG p, ULONG s, ULONG d) {
  ULONG result = 0;
  for (ULONG index = 0; index < 8; ++index) {
    if (!((rop >> index) & 1)) continue;
    ULONG term = ((index & 4) ? p : ~p) & ((index & 2) ? s : ~s) & ((index & 1) ? d : ~d);
    result |= term;
  }
  return result;
}

ULONG PixelMask(const SURFOBJ* so) {
  ULONG bits = FormatBits(so->iBitmapFormat);
  return bits >= 32 ? 0xFFFFFFFF : (1u << bits) - 1;
}

// A source pixel as a pixel of the canvas: through the call's translation to a device
// colour, then to the canvas's form.
ULONG FromSource(const Canvas& canvas, XLATEOBJ* pxlo, ULONG pixel) {
  ULONG translated = XLATEOBJ_iXlate(pxlo, pixel);
  return canvas.Temporary() ? canvas.Pixel(translated & 0xFFFFFF) : translated;
}

template <typename Each>
void ForEachPixel(const std::vector<RECTL>& rects, Each each) {
  for (const RECTL& r : rects)
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) each(x, y);
}

// Copies (and scales, and mirrors) a source rectangle onto a destination rectangle, nearest
// pixel; `transparent` source pixels (raw values) are skipped, as are pixels whose mask bit
// is 0.
BOOL Stretch(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, const RECTL& dest,
             const RECTL& src, const POINTL* pptlMask, const ULONG* transparent) {
  if (psoDest == nullptr || psoSrc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL d = Ordered(dest), s = Ordered(src);
  if (Empty(d) || Empty(s)) return TRUE;
  bool mirrorX = (dest.left > dest.right) != (src.left > src.right);
  bool mirrorY = (dest.top > dest.bottom) != (src.top > src.bottom);
  std::vector<RECTL> rects = Visible(pco, Intersect(d, SurfaceBounds(psoDest)));
  if (rects.empty()) return TRUE;
  Canvas canvas(psoDest, BoundsOf(rects));
  if (!canvas.Ready()) return FALSE;
  bool readable = IsBitmap(psoSrc);
  bool masked = IsBitmap(psoMask) && psoMask->iBitmapFormat == BMF_1BPP;
  int64_t dw = d.right - d.left, dh = d.bottom - d.top, sw = s.right - s.left, sh = s.bottom - s.top;
  ForEachPixel(rects, [&](LONG x, LONG y) {
    int64_t ix = (2 * (x - d.left) + 1) * sw / (2 * dw), iy = (2 * (y - d.top) + 1) * sh / (2 * dh);
    if (mirrorX) ix = sw - 1 - ix;
    if (mirrorY) iy = sh - 1 - iy;
    LONG sx = static_cast<LONG>(s.left + ix), sy = static_cast<LONG>(s.top + iy);
    ULONG color = canvas.Pixel(0xFFFFFF);  // a device source cannot be read: white
    if (readable) {
      if (sx < 0 || sy < 0 || sx >= psoSrc->sizlBitmap.cx || sy >= psoSrc->sizlBitmap.cy) return;
      ULONG raw = ReadPixel(psoSrc, sx, sy);
      if (transparent && raw == *transparent) return;
      color = FromSource(canvas, pxlo, raw);
    }
    if (masked) {
      LONG mx = sx - s.left + (pptlMask ? pptlMask->x : 0), my = sy - s.top + (pptlMask ? pptlMask->y : 0);
      if (mx < 0 || my < 0 || mx >= psoMask->sizlBitmap.cx || my >= psoMask->sizlBitmap.cy) return;
      if (ReadPixel(psoMask, mx, my) == 0) return;
    }
    canvas.Write(x, y, color);
  });
  return canvas.Finish(pco);
}

ULONG Mix(const TRIVERTEX& a, const TRIVERTEX& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto lerp = [t](USHORT u, USHORT v) { return static_cast<BYTE>(std::clamp((u + (double(v) - u) * t) / 256.0, 0.0, 255.0)); };
  return RGB(lerp(a.Red, b.Red), lerp(a.Green, b.Green), lerp(a.Blue, b.Blue));
}

}  // namespace

void SetDeviceDriver(HDEV hdev, const DriverTable& driver) {
  DriverRegistry& r = Drivers();
  std::lock_guard<std::mutex> guard(r.lock);
  r.drivers[hdev] = driver;
}

void ForgetDeviceDriver(HDEV hdev) {
  DriverRegistry& r = Drivers();
  std::lock_guard<std::mutex> guard(r.lock);
  r.drivers.erase(hdev);
}

}  // namespace plat::engine

extern "C" {

WINBASEAPI BOOL APIENTRY EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                   RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo,
                                   POINTL* pptlBrush, ROP4 rop4) {
  using namespace plat::engine;
  if (psoTrg == nullptr || prclTrg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONG foreground = rop4 & 0xFF, background = (rop4 >> 8) & 0xFF;
  auto usesSource = [](ULONG rop) { return ((rop >> 2) ^ rop) & 0x33; };
  auto usesPattern = [](ULONG rop) { return ((rop >> 4) ^ rop) & 0x0F; };
  bool needSource = usesSource(foreground) || (psoMask && usesSource(background));
  bool needPattern = usesPattern(foreground) || (psoMask && usesPattern(background));
  if ((needSource && (psoSrc == nullptr || pptlSrc == nullptr)) || (needPattern && pbo == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL trg = Ordered(*prclTrg);
  std::vector<RECTL> rects = Visible(pco, Intersect(trg, SurfaceBounds(psoTrg)));
  if (rects.empty()) return TRUE;
  Canvas canvas(psoTrg, BoundsOf(rects));
  if (!canvas.Ready()) return FALSE;
  SURFOBJ* canvasSurface = IsBitmap(psoTrg) ? psoTrg : nullptr;
  ULONG pixelMask = canvasSurface ? PixelMask(canvasSurface) : 0xFFFFFF;
  bool readable = needSource && IsBitmap(psoSrc);
  bool masked = IsBitmap(psoMask) && psoMask->iBitmapFormat == BMF_1BPP;
  POINTL origin = pptlBrush ? *pptlBrush : POINTL{0, 0};
  // A solid colour is the same at every pixel; only a pattern is looked up pixel by pixel.
  bool solid = needPattern && pbo->iSolidColor != 0xFFFFFFFF;
  ULONG solidPixel = solid ? (canvas.Temporary() ? canvas.Pixel(pbo->iSolidColor & 0xFFFFFF) : pbo->iSolidColor) : 0;
  ForEachPixel(rects, [&](LONG x, LONG y) {
    ULONG rop = foreground;
    if (masked) {
      LONG mx = x - trg.left + (pptlMask ? pptlMask->x : 0), my = y - trg.top + (pptlMask ? pptlMask->y : 0);
      bool set = mx >= 0 && my >= 0 && mx < psoMask->sizlBitmap.cx && my < psoMask->sizlBitmap.cy &&
                 ReadPixel(psoMask, mx, my) != 0;
      rop = set ? foreground : background;
    }
    ULONG s = 0, p = 0;
    if (needSource) {
      s = canvas.Pixel(0xFFFFFF);
      if (readable) {
        LONG sx = pptlSrc->x + (x - trg.left), sy = pptlSrc->y + (y - trg.top);
        if (sx < 0 || sy < 0 || sx >= psoSrc->sizlBitmap.cx || sy >= psoSrc->sizlBitmap.cy) return;
        s = FromSource(canvas, pxlo, ReadPixel(psoSrc, sx, sy));
      }
    }
    if (solid) {
      p = solidPixel;
    } else if (needPattern) {
      ULONG color = pbo->iSolidColor;
      if (!BrushColorAt(pbo, origin, x, y, color) && color == 0xFFFFFFFF) color = 0;
      p = canvas.Temporary() ? canvas.Pixel(color & 0xFFFFFF) : color;
    }
    ULONG d = canvas.Read(x, y);
    canvas.Write(x, y, Rop3(rop, p, s, d) & pixelMask);
  });
  return canvas.Finish(pco);
}

WINBASEAPI BOOL APIENTRY EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                       XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                       RECTL* prclSrc, POINTL* pptlMask, ULONG iMode) {
  // The colour adjustment, halftone origin and stretch mode only refine how pixels are
  // merged; the engine takes the nearest source pixel.
  (void)pca;
  (void)pptlHTOrg;
  (void)iMode;
  if (prclDest == nullptr || prclSrc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return plat::engine::Stretch(psoDest, psoSrc, psoMask, pco, pxlo, *prclDest, *prclSrc, pptlMask, nullptr);
}

WINBASEAPI BOOL APIENTRY EngTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                           RECTL* prclDst, RECTL* prclSrc, ULONG TransColor,
                                           ULONG bCalledFromBitBlt) {
  (void)bCalledFromBitBlt;
  if (prclDst == nullptr || prclSrc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return plat::engine::Stretch(psoDst, psoSrc, nullptr, pco, pxlo, *prclDst, *prclSrc, nullptr, &TransColor);
}

WINBASEAPI BOOL APIENTRY EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                     RECTL* prclDest, POINTL* pptlSrc) {
  if (prclDest == nullptr || pptlSrc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL dest = plat::engine::Ordered(*prclDest);
  RECTL src{pptlSrc->x, pptlSrc->y, pptlSrc->x + (dest.right - dest.left), pptlSrc->y + (dest.bottom - dest.top)};
  return plat::engine::Stretch(psoDest, psoSrc, nullptr, pco, pxlo, dest, src, nullptr, nullptr);
}

// iColor is a pixel of the surface's own form; on a device surface, a device colour.
WINBASEAPI BOOL APIENTRY EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  using namespace plat::engine;
  if (pso == nullptr || prcl == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL area = Intersect(Ordered(*prcl), SurfaceBounds(pso));
  if (Empty(area)) return TRUE;
  Canvas canvas(pso, area);
  if (!canvas.Ready()) return FALSE;
  ULONG pixel = canvas.Temporary() ? canvas.Pixel(iColor & 0xFFFFFF) : (iColor & PixelMask(pso));
  ForEachPixel({area}, [&](LONG x, LONG y) { canvas.Write(x, y, pixel); });
  return canvas.Finish(nullptr);
}

WINBASEAPI BOOL APIENTRY EngGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex,
                                         ULONG nVertex, PVOID pMesh, ULONG nMesh, RECTL* prclExtents,
                                         POINTL* pptlDitherOrg, ULONG ulMode) {
  using namespace plat::engine;
  (void)pptlDitherOrg;
  if (psoDest == nullptr || pVertex == nullptr || pMesh == nullptr || nVertex == 0 ||
      (ulMode != kGradientRectH && ulMode != kGradientRectV && ulMode != kGradientTriangle)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ULONG* mesh = static_cast<const ULONG*>(pMesh);
  ULONG perMesh = ulMode == kGradientTriangle ? 3 : 2;
  for (ULONG i = 0; i < nMesh * perMesh; ++i)
    if (mesh[i] >= nVertex) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  // The area: what the vertices of the mesh span, within the extents and the surface.
  RECTL span{0, 0, 0, 0};
  bool first = true;
  for (ULONG i = 0; i < nMesh * perMesh; ++i) {
    const TRIVERTEX& v = pVertex[mesh[i]];
    if (first) {
      span = RECTL{v.x, v.y, v.x, v.y};
      first = false;
    }
    span = RECTL{std::min(span.left, v.x), std::min(span.top, v.y), std::max(span.right, v.x),
                 std::max(span.bottom, v.y)};
  }
  if (ulMode == kGradientTriangle) {
    span.right += 1;
    span.bottom += 1;
  }
  RECTL limit = SurfaceBounds(psoDest);
  if (prclExtents) limit = Intersect(limit, Ordered(*prclExtents));
  std::vector<RECTL> rects = Visible(pco, Intersect(span, limit));
  if (rects.empty()) return TRUE;
  Canvas canvas(psoDest, BoundsOf(rects));
  if (!canvas.Ready()) return FALSE;
  auto put = [&](LONG x, LONG y, ULONG rgb) {
    canvas.Write(x, y, canvas.Temporary() ? canvas.Pixel(rgb) : (pxlo ? XLATEOBJ_iXlate(pxlo, rgb) : rgb));
  };
  auto inside = [&](LONG x, LONG y) {
    for (const RECTL& r : rects)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  };
  for (ULONG m = 0; m < nMesh; ++m) {
    if (ulMode != kGradientTriangle) {
      const TRIVERTEX& a = pVertex[mesh[2 * m]];
      const TRIVERTEX& b = pVertex[mesh[2 * m + 1]];
      RECTL box = Ordered(RECTL{a.x, a.y, b.x, b.y});
      const TRIVERTEX& start = ulMode == kGradientRectH ? (a.x <= b.x ? a : b) : (a.y <= b.y ? a : b);
      const TRIVERTEX& end = &start == &a ? b : a;
      double length = ulMode == kGradientRectH ? box.right - box.left : box.bottom - box.top;
      for (const RECTL& r : rects) {
        RECTL v = Intersect(r, box);
        for (LONG y = v.top; y < v.bottom; ++y)
          for (LONG x = v.left; x < v.right; ++x) {
            double at = ulMode == kGradientRectH ? x - box.left + 0.5 : y - box.top + 0.5;
            put(x, y, Mix(start, end, length > 0 ? at / length : 0));
          }
      }
      continue;
    }
    const TRIVERTEX& a = pVertex[mesh[3 * m]];
    const TRIVERTEX& b = pVertex[mesh[3 * m + 1]];
    const TRIVERTEX& c = pVertex[mesh[3 * m + 2]];
    double det = double(b.y - c.y) * (a.x - c.x) + double(c.x - b.x) * (a.y - c.y);
    if (std::fabs(det) < 1e-9) continue;
    LONG left = std::min({a.x, b.x, c.x}), right = std::max({a.x, b.x, c.x});
    LONG top = std::min({a.y, b.y, c.y}), bottom = std::max({a.y, b.y, c.y});
    for (LONG y = top; y <= bottom; ++y)
      for (LONG x = left; x <= right; ++x) {
        if (!inside(x, y)) continue;
        double l1 = (double(b.y - c.y) * (x - c.x) + double(c.x - b.x) * (y - c.y)) / det;
        double l2 = (double(c.y - a.y) * (x - c.x) + double(a.x - c.x) * (y - c.y)) / det;
        double l3 = 1 - l1 - l2;
        if (l1 < -1e-9 || l2 < -1e-9 || l3 < -1e-9) continue;
        auto channel = [&](USHORT TRIVERTEX::*field) {
          double v = l1 * (a.*field) + l2 * (b.*field) + l3 * (c.*field);
          return static_cast<BYTE>(std::clamp(v / 256.0, 0.0, 255.0));
        };
        put(x, y, RGB(channel(&TRIVERTEX::Red), channel(&TRIVERTEX::Green), channel(&TRIVERTEX::Blue)));
      }
  }
  return canvas.Finish(pco);
}

}  // extern "C"
