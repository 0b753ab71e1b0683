// Bit-block transfers of a device context, routed to the driver function the platform's engine
// routes them to: a copy without stretch and without a raster operation reaches DrvCopyBits,
// other raster operations DrvBitBlt with the rop4, a stretch DrvStretchBlt (with the DC's colour
// adjustment in HALFTONE mode), a pattern fill DrvBitBlt without a source, TransparentBlt
// DrvTransparentBlt and GradientFill DrvGradientFill. Sources are memory DCs (their selected
// bitmap), device-independent bitmaps from the caller, or the printer's own surface. A memory
// DC as the destination is drawn into by the engine's own EngBitBlt and its family.
#include <algorithm>
#include <cstring>

#include "internal/gdi_record.h"
#include "internal/gdi_render.h"

namespace engine = plat::engine;

namespace plat::gdi {

RasterPixels PixelsOf(const PrinterDC& dc) {
  RasterPixels out;
  if (dc.memoryDC) {
    if (!dc.draw.bitmap) return out;
    out.bits = dc.draw.bitmap->bits.get();
    out.width = out.bits->width;
    out.height = out.bits->height;
    return out;
  }
  if (dc.window) return WindowPixels(dc);
  return out;
}

engine::Palette DevicePaletteOf(const PrinterDC& dc) {
  RasterPixels pixels = PixelsOf(dc);
  if (pixels.bits) return BitmapPalette(*pixels.bits, false, RGB(0, 0, 0), RGB(255, 255, 255));
  if (RasterDC(dc)) return engine::DevicePalette();
  return engine::PaletteOfHandle(dc.devInfo.hpalDefault);
}

Target::~Target() {
  if (own) engine::DeleteBitmapSurface(own);
}

bool TargetOf(PrinterDC& dc, Target& t) {
  if (RasterDC(dc)) {
    RasterPixels pixels = PixelsOf(dc);
    if (!pixels.bits || pixels.width <= 0 || pixels.height <= 0) {
      SetLastError(ERROR_SUCCESS);
      return false;
    }
    BitmapBits& bits = *pixels.bits;
    // A window DC sees its part of the surface as a bitmap of its own, starting at its origin.
    BYTE* first = bits.Row(pixels.origin.y) + static_cast<size_t>(pixels.origin.x) * bits.bitCount / 8;
    LONG stride = static_cast<LONG>(bits.stride);
    FLONG flags = bits.topDown ? BMF_TOPDOWN : 0;
    if (!bits.topDown) first = bits.Row(pixels.origin.y + pixels.height - 1) + static_cast<size_t>(pixels.origin.x) * bits.bitCount / 8;
    HBITMAP made = EngCreateBitmap(SIZEL{pixels.width, pixels.height}, stride, BitmapFormat(bits.bitCount), flags, first);
    t.own = reinterpret_cast<HSURF>(made);
    t.surface = t.own ? engine::LookupBitmap(t.own) : nullptr;
    if (!t.surface) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    t.bitmap = true;
    t.copyBits = EngCopyBits;
    t.bitBlt = EngBitBlt;
    t.stretchBlt = EngStretchBlt;
    t.transparentBlt = EngTransparentBlt;
    t.gradientFill = EngGradientFill;
    return true;
  }
  t.surface = dc.Surface();
  if (!t.surface) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  engine::DriverTable driver = HookedDriver(dc);
  t.copyBits = driver.Get<PFN_DrvCopyBits>(INDEX_DrvCopyBits);
  t.bitBlt = driver.Get<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
  t.stretchBlt = driver.Get<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt);
  t.transparentBlt = driver.Get<PFN_DrvTransparentBlt>(INDEX_DrvTransparentBlt);
  t.gradientFill = driver.Get<PFN_DrvGradientFill>(INDEX_DrvGradientFill);
  return true;
}

BRUSHOBJ* TargetBrush(PrinterDC& dc, BRUSHOBJ* brush, engine::BrushPtr& holder) {
  if (!brush || brush->iSolidColor == 0xFFFFFFFF) return brush;
  holder = engine::CreateSolidBrush(engine::PalettePixel(DevicePaletteOf(dc), brush->iSolidColor));
  return holder.get();
}

}  // namespace plat::gdi

using namespace plat::gdi;

namespace {

// A call on a DC with nothing to draw into (a screen DC) succeeds without drawing.
bool NothingToDraw() { return GetLastError() == ERROR_SUCCESS; }

// A source bitmap as the engine hands it to a driver, over the DC's own bits, with the colour
// translation from its palette to the device.
struct SourceSurface {
  HSURF hsurf = nullptr;
  SURFOBJ* so = nullptr;  // the bitmap, or the printer's device surface
  engine::XlatePtr xlate;
  std::shared_ptr<const BitmapBits> keep;  // the bits stay while the driver reads them
  LONG width = 0, height = 0;

  SourceSurface() = default;
  SourceSurface(const SourceSurface&) = delete;
  SourceSurface& operator=(const SourceSurface&) = delete;
  ~SourceSurface() {
    if (hsurf) engine::DeleteBitmapSurface(hsurf);
  }
};

bool Refuse(DWORD error) {
  SetLastError(error);
  return false;
}

bool WrapBits(SourceSurface& out, std::shared_ptr<const BitmapBits> bits, const engine::Palette& palette,
              const engine::Palette& device) {
  ULONG format = BitmapFormat(bits->bitCount);
  HBITMAP made = EngCreateBitmap(SIZEL{bits->width, bits->height}, static_cast<LONG>(bits->stride), format,
                                 bits->topDown ? BMF_TOPDOWN : 0, const_cast<BYTE*>(bits->bytes.data()));
  out.hsurf = reinterpret_cast<HSURF>(made);
  out.so = out.hsurf ? engine::LookupBitmap(out.hsurf) : nullptr;
  out.xlate = engine::CreateXlate(palette, device);
  out.keep = std::move(bits);
  out.width = out.keep->width;
  out.height = out.keep->height;
  return out.so && out.xlate;
}

// The source of a blit from another DC: the bitmap a memory DC holds (a monochrome one drawn
// in the destination's text and background colours), or the printer's own surface.
bool SourceFromDC(PrinterDC& destination, HDC hdcSrc, SourceSurface& out) {
  std::shared_ptr<PrinterDC> source = DrawingDC(hdcSrc);
  if (!source) return false;
  if (RasterDC(*source)) {
    RasterPixels pixels = PixelsOf(*source);
    if (!pixels.bits) return Refuse(ERROR_INVALID_HANDLE);
    std::shared_ptr<const BitmapBits> bits;
    if (source->memoryDC) {
      bits = StateOf(*source).bitmap->bits;
    } else {
      // A window's part of its surface, copied out: the window may paint on meanwhile.
      auto copy = NewBitmapBits(pixels.width, pixels.height, pixels.bits->bitCount, true);
      if (!copy) return false;
      size_t bytes = static_cast<size_t>(pixels.width) * pixels.bits->bitCount / 8;
      for (LONG y = 0; y < pixels.height; ++y)
        std::memcpy(copy->Row(y),
                    pixels.bits->Row(pixels.origin.y + y) + static_cast<size_t>(pixels.origin.x) * pixels.bits->bitCount / 8,
                    bytes);
      bits = std::move(copy);
    }
    RasterPixels target = PixelsOf(destination);
    if (target.bits && target.bits->bitCount == 1 && bits->bitCount != 1) {
      // Colour onto monochrome: the source DC's background colour becomes white (1), every
      // other colour black (0).
      auto mono = NewBitmapBits(bits->width, bits->height, 1, true);
      if (!mono) return false;
      COLORREF background = source->draw.bkColor & 0x00FFFFFF;
      for (LONG y = 0; y < bits->height; ++y)
        for (LONG x = 0; x < bits->width; ++x)
          if (PixelColor(*bits, x, y) == background) mono->Row(y)[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
      bits = std::move(mono);
    }
    // Monochrome onto colour takes the destination's text (0) and background (1) colours;
    // onto monochrome the bits stay as they are.
    bool toMono = target.bits && target.bits->bitCount == 1;
    engine::Palette palette = BitmapPalette(*bits, false, toMono ? RGB(0, 0, 0) : destination.draw.textColor,
                                            toMono ? RGB(255, 255, 255) : destination.draw.bkColor);
    if (!WrapBits(out, bits, palette, DevicePaletteOf(destination))) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    return true;
  }
  if (source.get() != &destination || !destination.Surface()) return Refuse(ERROR_INVALID_HANDLE);
  out.so = destination.Surface();
  out.xlate = engine::CreateXlate(DevicePaletteOf(destination), DevicePaletteOf(destination));
  out.width = out.so->sizlBitmap.cx;
  out.height = out.so->sizlBitmap.cy;
  return out.xlate != nullptr;
}

// Does the ROP3 read the source, or the pattern?
bool UsesSource(BYTE rop3) { return ((rop3 >> 2) ^ rop3) & 0x33; }
bool UsesPattern(BYTE rop3) { return ((rop3 >> 4) ^ rop3) & 0x0F; }

// ROP4 of a ROP3: the same operation for the foreground and the background of the pattern,
// except that a hatched brush in TRANSPARENT mode leaves its background alone (0xAA).
ROP4 Rop4Of(const DrawState& s, BYTE rop3, bool withBrush) {
  BYTE background = rop3;
  if (withBrush && UsesPattern(rop3) && s.bkMode == TRANSPARENT && s.brush && s.brush->style == BS_HATCHED)
    background = 0xAA;
  return static_cast<ROP4>(background) << 8 | rop3;
}

RECTL Normalised(RECTL r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

RECTL DeviceRect(const DrawState& s, int x, int y, int w, int h) {
  POINT a = ToDevice(s, POINT{x, y});
  return RECTL{a.x, a.y, a.x + w, a.y + h};
}

// A fill or a blit without stretch: DrvCopyBits for a plain copy, DrvBitBlt for the rest.
bool Blit(PrinterDC& dc, RECTL target, SourceSurface* source, POINTL sourcePoint, BYTE rop3) {
  DrawState& s = dc.draw;
  target = Normalised(target);
  if (target.left == target.right || target.top == target.bottom) return true;
  bool visible = true;
  engine::ClipPtr clip = BuildClip(dc, target, &visible);
  if (!visible) return true;
  if (!clip) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  // Plain fills of a raster DC's pixels take the row-by-row path.
  if (!source && RasterDC(dc) && (rop3 == 0x00 || rop3 == 0xFF))
    return PaintRegion(dc, RectRegion(RECT{target.left, target.top, target.right, target.bottom}), nullptr, rop3);
  Target t;
  if (!TargetOf(dc, t)) return NothingToDraw();
  if (source && rop3 == 0xCC && t.copyBits)
    return t.copyBits(t.surface, source->so, clip.get(), source->xlate.get(), &target, &sourcePoint) != FALSE;
  if (!t.bitBlt) return Refuse(ERROR_NOT_SUPPORTED);
  BRUSHOBJ* brush = UsesPattern(rop3) ? FillBrush(dc) : nullptr;
  // A bitmap takes its brush colour as one of its own pixels.
  engine::BrushPtr pixelBrush;
  if (t.bitmap) brush = TargetBrush(dc, brush, pixelBrush);
  POINTL brushOrigin{s.brushOrg.x, s.brushOrg.y};
  return t.bitBlt(t.surface, source ? source->so : nullptr, nullptr, clip.get(),
                  source ? source->xlate.get() : nullptr, &target, source ? &sourcePoint : nullptr, nullptr, brush,
                  &brushOrigin, Rop4Of(s, rop3, brush != nullptr)) != FALSE;
}

// Nearest-neighbour copy of `from` (source pixels) into a new bitmap of the destination's size,
// mirrored as the signs ask: what the engine does before a raster operation other than a copy
// can be applied to a stretched source.
std::shared_ptr<BitmapBits> StretchedCopy(const SURFOBJ& so, RECTL from, LONG width, LONG height, bool mirrorX,
                                          bool mirrorY) {
  ULONG bits = engine::FormatBits(so.iBitmapFormat);
  std::shared_ptr<BitmapBits> out = NewBitmapBits(width, height, static_cast<WORD>(bits), true);
  if (!out) return nullptr;
  LONG sw = from.right - from.left, sh = from.bottom - from.top;
  auto pixel = [&](const BYTE* row, LONG x) -> ULONG {
    switch (bits) {
      case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
      case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
      case 8: return row[x];
      case 16: return ULONG{row[2 * x]} | ULONG{row[2 * x + 1]} << 8;
      case 24: return ULONG{row[3 * x]} | ULONG{row[3 * x + 1]} << 8 | ULONG{row[3 * x + 2]} << 16;
      default: {
        ULONG v = 0;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
      }
    }
  };
  auto put = [&](BYTE* row, LONG x, ULONG v) {
    switch (bits) {
      case 1: row[x >> 3] = static_cast<BYTE>((row[x >> 3] & ~(0x80 >> (x & 7))) | ((v & 1) << (7 - (x & 7)))); break;
      case 4: row[x >> 1] = static_cast<BYTE>((x & 1) ? (row[x >> 1] & 0xF0) | v : (row[x >> 1] & 0x0F) | (v << 4)); break;
      case 8: row[x] = static_cast<BYTE>(v); break;
      case 16: row[2 * x] = static_cast<BYTE>(v), row[2 * x + 1] = static_cast<BYTE>(v >> 8); break;
      case 24:
        row[3 * x] = static_cast<BYTE>(v), row[3 * x + 1] = static_cast<BYTE>(v >> 8);
        row[3 * x + 2] = static_cast<BYTE>(v >> 16);
        break;
      default: std::memcpy(row + 4 * x, &v, 4);
    }
  };
  for (LONG y = 0; y < height; ++y) {
    LONG sy = from.top + static_cast<LONG>((int64_t{mirrorY ? height - 1 - y : y} * sh) / height);
    const BYTE* sourceRow = static_cast<const BYTE*>(so.pvScan0) + static_cast<ptrdiff_t>(sy) * so.lDelta;
    BYTE* row = out->Row(y);
    for (LONG x = 0; x < width; ++x) {
      LONG sx = from.left + static_cast<LONG>((int64_t{mirrorX ? width - 1 - x : x} * sw) / width);
      put(row, x, pixel(sourceRow, sx));
    }
  }
  return out;
}

// Cuts one axis of a transfer to the source's pixels [0, limit): the destination edge moves by
// the share of the source that is cut, so the picture is neither stretched over the whole
// destination nor read outside its bits. Both spans come in order; `mirror` flips the mapping.
bool CutAxis(LONG& s0, LONG& s1, LONG& d0, LONG& d1, LONG limit, bool mirror) {
  LONG n0 = std::max<LONG>(s0, 0), n1 = std::min(s1, limit);
  if (n0 >= n1) return false;
  int64_t sw = s1 - s0, dw = d1 - d0;
  LONG cutStart = static_cast<LONG>((n0 - s0) * dw / sw), cutEnd = static_cast<LONG>((s1 - n1) * dw / sw);
  if (mirror)
    d0 += cutEnd, d1 -= cutStart;
  else
    d0 += cutStart, d1 -= cutEnd;
  s0 = n0;
  s1 = n1;
  return d0 < d1;
}

// A transfer between two rectangles: a blit when they have the same size and orientation, a
// stretch otherwise. `from` is in the source's own pixels, top-down; either rectangle may be
// reversed in a direction, which mirrors the picture in it.
bool Transfer(PrinterDC& dc, RECTL to, SourceSurface& source, RECTL from, BYTE rop3) {
  LONG dw = to.right - to.left, dh = to.bottom - to.top;
  LONG sw = from.right - from.left, sh = from.bottom - from.top;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return true;
  bool mirrorX = (dw < 0) != (sw < 0), mirrorY = (dh < 0) != (sh < 0);
  RECTL src = Normalised(from);
  RECTL dst = Normalised(to);
  if (!CutAxis(src.left, src.right, dst.left, dst.right, source.width, mirrorX) ||
      !CutAxis(src.top, src.bottom, dst.top, dst.bottom, source.height, mirrorY))
    return true;
  if (!mirrorX && !mirrorY && dst.right - dst.left == src.right - src.left &&
      dst.bottom - dst.top == src.bottom - src.top)
    return Blit(dc, dst, &source, POINTL{src.left, src.top}, rop3);
  // The source rectangle goes to the driver in order; a mirror shows in the destination's order.
  RECTL ordered = dst;
  if (mirrorX) std::swap(dst.left, dst.right);
  if (mirrorY) std::swap(dst.top, dst.bottom);
  dw = ordered.right - ordered.left;
  dh = ordered.bottom - ordered.top;
  DrawState& s = dc.draw;
  Target t;
  if (!TargetOf(dc, t)) return NothingToDraw();
  if (rop3 == 0xCC && t.stretchBlt) {
    bool visible = true;
    engine::ClipPtr clip = BuildClip(dc, Normalised(dst), &visible);
    if (!visible) return true;
    if (!clip) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    COLORADJUSTMENT* adjustment = s.stretchBltMode == HALFTONE ? &s.colorAdjustment : nullptr;
    POINTL halftoneOrigin{s.brushOrg.x, s.brushOrg.y};
    return t.stretchBlt(t.surface, source.so, nullptr, clip.get(), source.xlate.get(), adjustment,
                      &halftoneOrigin, &dst, &src, nullptr, static_cast<ULONG>(s.stretchBltMode)) != FALSE;
  }
  // Other operations: the source is stretched first, then combined as a blit.
  if (source.so->iType != STYPE_BITMAP) return Refuse(ERROR_NOT_SUPPORTED);
  std::shared_ptr<BitmapBits> stretched = StretchedCopy(*source.so, src, dw, dh, mirrorX, mirrorY);
  if (!stretched) return false;
  SourceSurface temporary;
  const engine::Palette* palette = engine::XlateSource(source.xlate.get());
  if (!palette || !WrapBits(temporary, stretched, *palette, DevicePaletteOf(dc)))
    return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  return Blit(dc, Normalised(dst), &temporary, POINTL{0, 0}, rop3);
}

// A DIB from the caller as a source, with the source rectangle turned from the DIB's own
// origin (the lower-left corner of a bottom-up DIB) into the top-down pixels of the surface.
bool SourceFromDib(const PrinterDC& dc, const BITMAPINFO* info, const void* bits, UINT usage, SourceSurface& out) {
  if (usage != DIB_RGB_COLORS || !bits) return Refuse(ERROR_INVALID_PARAMETER);
  std::shared_ptr<BitmapBits> dib = DibFromInfo(info, bits, nullptr, false);
  if (!dib) return false;
  engine::Palette palette = BitmapPalette(*dib, false, 0, 0);
  if (!WrapBits(out, dib, palette, DevicePaletteOf(dc))) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  return true;
}

RECTL DibSourceRect(const BitmapBits& dib, int x, int y, int w, int h) {
  if (dib.topDown) return RECTL{x, y, x + w, y + h};
  // Bottom-up: y counts rows from the bottom; the top of the rectangle is y + h from there.
  LONG top = dib.height - (y + h);
  return RECTL{x, top, x + w, top + h};
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  BYTE rop3 = static_cast<BYTE>(rop >> 16);
  RecordCall(*dc, "PatBlt", RecordRect(x, y, x + w, y + h) + " rop=" + std::to_string(rop3));
  if (UsesSource(rop3)) return Refuse(ERROR_INVALID_PARAMETER);
  return Blit(*dc, DeviceRect(dc->draw, x, y, w, h), nullptr, POINTL{0, 0}, rop3) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

WINBASEAPI BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                  int ySrc, int wSrc, int hSrc, DWORD rop) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdcDest);
  if (!dc) return FALSE;
  BYTE rop3 = static_cast<BYTE>(rop >> 16);
  if (Recording()) {
    std::shared_ptr<PrinterDC> source = LookupDC(hdcSrc);
    RecordCall(*dc, "StretchBlt",
               RecordRect(xDest, yDest, xDest + wDest, yDest + hDest) + " from=" + RecordName(source.get()) + " " +
                   RecordRect(xSrc, ySrc, xSrc + wSrc, ySrc + hSrc) + " rop=" + std::to_string(rop3));
  }
  RECTL to = DeviceRect(dc->draw, xDest, yDest, wDest, hDest);
  if (!UsesSource(rop3)) return Blit(*dc, to, nullptr, POINTL{0, 0}, rop3) ? TRUE : FALSE;
  SourceSurface source;
  if (!SourceFromDC(*dc, hdcSrc, source)) return FALSE;
  std::shared_ptr<PrinterDC> sourceDC = LookupDC(hdcSrc);
  POINT origin = ToDevice(sourceDC->draw, POINT{xSrc, ySrc});
  RECTL from{origin.x, origin.y, origin.x + wSrc, origin.y + hSrc};
  return Transfer(*dc, to, source, from, rop3) ? TRUE : FALSE;
}

WINBASEAPI int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                    int SrcWidth, int SrcHeight, const VOID* lpBits, const BITMAPINFO* lpbmi,
                                    UINT iUsage, DWORD rop) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  BYTE rop3 = static_cast<BYTE>(rop >> 16);
  if (Recording()) {
    std::string detail = RecordRect(xDest, yDest, xDest + DestWidth, yDest + DestHeight) + " from " +
                         RecordRect(xSrc, ySrc, xSrc + SrcWidth, ySrc + SrcHeight) + " rop=" + std::to_string(rop3) +
                         " mode=" + std::to_string(dc->draw.stretchBltMode);
    if (lpbmi)
      detail += " dib=" + std::to_string(lpbmi->bmiHeader.biWidth) + "x" + std::to_string(lpbmi->bmiHeader.biHeight) +
                "x" + std::to_string(lpbmi->bmiHeader.biBitCount);
    RecordCall(*dc, "StretchDIBits", detail);
  }
  RECTL to = DeviceRect(dc->draw, xDest, yDest, DestWidth, DestHeight);
  if (!UsesSource(rop3)) return Blit(*dc, to, nullptr, POINTL{0, 0}, rop3) ? std::abs(SrcHeight) : 0;
  SourceSurface source;
  if (!SourceFromDib(*dc, lpbmi, lpBits, iUsage, source)) return 0;
  // Negative source extents mirror as negative destination ones do; the rectangle is taken in
  // the DIB's orientation first.
  RECTL from = DibSourceRect(*source.keep, std::min(xSrc, xSrc + SrcWidth), std::min(ySrc, ySrc + SrcHeight),
                             std::abs(SrcWidth), std::abs(SrcHeight));
  if (SrcWidth < 0) std::swap(from.left, from.right);
  if (SrcHeight < 0) std::swap(from.top, from.bottom);
  if (!Transfer(*dc, to, source, from, rop3)) return 0;
  return std::abs(SrcHeight);
}

WINBASEAPI int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                        UINT StartScan, UINT cLines, const VOID* lpvBits, const BITMAPINFO* lpbmi,
                                        UINT ColorUse) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  if (!lpbmi || !lpvBits || ColorUse != DIB_RGB_COLORS || w > INT32_MAX || h > INT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The caller's bits hold cLines scans from StartScan on; they are a DIB of their own.
  LONG fullHeight = lpbmi->bmiHeader.biHeight;
  LONG rows = fullHeight < 0 ? -fullHeight : fullHeight;
  if (cLines == 0 || StartScan >= static_cast<UINT>(rows)) return 0;
  UINT lines = std::min<UINT>(cLines, static_cast<UINT>(rows) - StartScan);
  BITMAPINFOHEADER bandHeader = lpbmi->bmiHeader;
  bandHeader.biHeight = fullHeight < 0 ? -static_cast<LONG>(lines) : static_cast<LONG>(lines);
  // The band keeps the caller's colour table: header and table are copied into one block.
  size_t tableBytes = 0;
  if (bandHeader.biBitCount <= 8) {
    DWORD full = 1u << bandHeader.biBitCount;
    tableBytes = (bandHeader.biClrUsed == 0 || bandHeader.biClrUsed > full ? full : bandHeader.biClrUsed) * 4;
  } else if (bandHeader.biCompression == BI_BITFIELDS && bandHeader.biSize == sizeof(BITMAPINFOHEADER)) {
    tableBytes = 12;  // longer headers hold their masks inside
  }
  if (bandHeader.biSize < sizeof(BITMAPINFOHEADER) || bandHeader.biSize > 4096) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::vector<BYTE> info(bandHeader.biSize + tableBytes);
  std::memcpy(info.data(), lpbmi, info.size());
  std::memcpy(info.data(), &bandHeader, sizeof(bandHeader));
  SourceSurface source;
  if (!SourceFromDib(*dc, reinterpret_cast<const BITMAPINFO*>(info.data()), lpvBits, ColorUse, source)) return 0;

  // Source rows in the full DIB's own orientation (from the bottom when bottom-up), cut to the band.
  LONG first = std::max<LONG>(ySrc, static_cast<LONG>(StartScan));
  LONG last = std::min<LONG>(ySrc + static_cast<LONG>(h), static_cast<LONG>(StartScan + lines));
  LONG left = std::max(xSrc, 0);
  LONG right = std::min<LONG>(xSrc + static_cast<LONG>(w), source.width);
  if (first >= last || left >= right) return static_cast<int>(lines);
  LONG bandFirst = first - static_cast<LONG>(StartScan), bandLast = last - static_cast<LONG>(StartScan);
  RECTL from = DibSourceRect(*source.keep, left, bandFirst, right - left, bandLast - bandFirst);
  // The destination's top row shows the source rectangle's top row.
  LONG topRow = fullHeight < 0 ? first - ySrc : ySrc + static_cast<LONG>(h) - last;
  RECTL to = DeviceRect(dc->draw, xDest + (left - xSrc), yDest + topRow, right - left, last - first);
  if (!Transfer(*dc, to, source, from, 0xCC)) return 0;
  return static_cast<int>(lines);
}

WINBASEAPI BOOL WINAPI TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest,
                                      HDC hdcSrc, int xoriginSrc, int yoriginSrc, int wSrc, int hSrc,
                                      UINT crTransparent) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdcDest);
  if (!dc) return FALSE;
  // TransparentBlt neither mirrors nor takes empty rectangles.
  if (wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return Refuse(ERROR_INVALID_PARAMETER);
  SourceSurface source;
  if (!SourceFromDC(*dc, hdcSrc, source)) return FALSE;
  std::shared_ptr<PrinterDC> sourceDC = LookupDC(hdcSrc);
  POINT origin = ToDevice(sourceDC->draw, POINT{xoriginSrc, yoriginSrc});
  RECTL from{origin.x, origin.y, origin.x + wSrc, origin.y + hSrc};
  if (from.left < 0 || from.top < 0 || from.right > source.width || from.bottom > source.height)
    return Refuse(ERROR_INVALID_PARAMETER);
  RECTL to = DeviceRect(dc->draw, xoriginDest, yoriginDest, wDest, hDest);
  bool visible = true;
  engine::ClipPtr clip = BuildClip(*dc, to, &visible);
  if (!visible) return TRUE;
  if (!clip) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  Target t;
  if (!TargetOf(*dc, t)) return NothingToDraw();
  if (!t.transparentBlt) return Refuse(ERROR_NOT_SUPPORTED);
  // The transparent colour goes to the driver as a pixel value of the source.
  const engine::Palette* palette = engine::XlateSource(source.xlate.get());
  ULONG transparent = palette ? engine::PalettePixel(*palette, crTransparent & 0x00FFFFFF) : crTransparent;
  return t.transparentBlt(t.surface, source.so, clip.get(), source.xlate.get(), &to, &from, transparent, 0);
}

WINBASEAPI BOOL WINAPI GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh,
                                    ULONG ulMode) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  constexpr ULONG kMaxItems = 1u << 20;
  if (!pVertex || !pMesh || nVertex == 0 || nMesh == 0 || nVertex > kMaxItems || nMesh > kMaxItems ||
      ulMode > GRADIENT_FILL_TRIANGLE)
    return Refuse(ERROR_INVALID_PARAMETER);
  ULONG perMesh = ulMode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
  std::vector<ULONG> mesh(static_cast<const ULONG*>(pMesh), static_cast<const ULONG*>(pMesh) + nMesh * perMesh);
  for (ULONG index : mesh)
    if (index >= nVertex) return Refuse(ERROR_INVALID_PARAMETER);
  // The driver gets device coordinates, and the extents of what the mesh covers.
  std::vector<TRIVERTEX> vertices(pVertex, pVertex + nVertex);
  RECTL extents{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (TRIVERTEX& v : vertices) {
    POINT p = ToDevice(dc->draw, POINT{v.x, v.y});
    v.x = p.x;
    v.y = p.y;
  }
  for (ULONG index : mesh) {
    extents.left = std::min(extents.left, vertices[index].x);
    extents.top = std::min(extents.top, vertices[index].y);
    extents.right = std::max(extents.right, vertices[index].x);
    extents.bottom = std::max(extents.bottom, vertices[index].y);
  }
  if (extents.left == extents.right || extents.top == extents.bottom) return TRUE;
  bool visible = true;
  engine::ClipPtr clip = BuildClip(*dc, extents, &visible);
  if (!visible) return TRUE;
  // Vertex colours are RGB; the translation carries them to the destination's pixels.
  engine::XlatePtr xlate = engine::CreateXlate(engine::DevicePalette(), DevicePaletteOf(*dc));
  if (!clip || !xlate) return Refuse(ERROR_NOT_ENOUGH_MEMORY);
  Target t;
  if (!TargetOf(*dc, t)) return NothingToDraw();
  if (!t.gradientFill) return Refuse(ERROR_NOT_SUPPORTED);
  POINTL ditherOrigin{0, 0};
  return t.gradientFill(t.surface, clip.get(), xlate.get(), vertices.data(), nVertex, mesh.data(), nMesh, &extents,
                      &ditherOrigin, ulMode);
}

}  // extern "C"
