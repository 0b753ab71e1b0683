// A bitmap's rows read and written as a device-independent bitmap (GetDIBits, SetDIBits), single
// pixels of any DC with pixels, and region fills. Every buffer is the caller's: its header is
// checked and the rows it can hold are the only ones touched.
#include <algorithm>
#include <cstring>

#include <win/gdi_raster.h>
#include <win/user.h>

#include "internal/gdi_record.h"
#include "internal/gdi_render.h"

using namespace plat::gdi;

namespace {

bool Refuse(DWORD error) {
  SetLastError(error);
  return false;
}

DWORD TableEntries(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  DWORD full = 1u << h.biBitCount;
  return h.biClrUsed == 0 || h.biClrUsed > full ? full : h.biClrUsed;
}

// The colour table GetDIBits hands out for a depth: the bitmap's own when it has one of that
// depth, black and white for one bit, a grey ramp otherwise.
std::vector<RGBQUAD> TableFor(const BitmapBits& bits, WORD bitCount) {
  if (bitCount > 8) return {};
  if (bits.bitCount == bitCount && !bits.colors.empty()) return bits.colors;
  std::vector<RGBQUAD> table(size_t{1} << bitCount);
  for (size_t i = 0; i < table.size(); ++i) {
    BYTE g = static_cast<BYTE>(i * 255 / (table.size() - 1));
    table[i] = RGBQUAD{g, g, g, 0};
  }
  return table;
}

bool SameTable(const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0;
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                UINT usage) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return 0;
  std::shared_ptr<BitmapObject> bitmap = LookupObjectAs<BitmapObject>(hbm);
  if (!bitmap) return Refuse(ERROR_INVALID_HANDLE);
  if (!lpbmi || usage != DIB_RGB_COLORS || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
    return Refuse(ERROR_INVALID_PARAMETER);
  const BitmapBits& bits = *bitmap->bits;
  BITMAPINFOHEADER& h = lpbmi->bmiHeader;
  if (h.biBitCount == 0) {
    // The bitmap's own description; no table and no rows.
    if (lpvBits) return Refuse(ERROR_INVALID_PARAMETER);
    h.biWidth = bits.width;
    h.biHeight = bits.height;
    h.biPlanes = 1;
    h.biBitCount = bits.bitCount;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bits.stride * static_cast<size_t>(bits.height));
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return 1;
  }
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return Refuse(ERROR_INVALID_PARAMETER);
  }
  if (h.biCompression != BI_RGB) return Refuse(ERROR_INVALID_PARAMETER);
  // The rows come out at the bitmap's width; the caller's height only gives the orientation.
  bool topDown = h.biHeight < 0;
  h.biWidth = bits.width;
  h.biHeight = topDown ? -bits.height : bits.height;
  h.biPlanes = 1;
  size_t stride = (static_cast<size_t>(bits.width) * h.biBitCount + 31) / 32 * 4;
  h.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(bits.height));
  std::vector<RGBQUAD> table = TableFor(bits, h.biBitCount);
  if (!table.empty()) {
    h.biClrUsed = 0;
    std::memcpy(lpbmi->bmiColors, table.data(), table.size() * sizeof(RGBQUAD));
  }
  if (!lpvBits) return bits.height;
  if (start >= static_cast<UINT>(bits.height)) return 0;
  UINT lines = std::min<UINT>(cLines, static_cast<UINT>(bits.height) - start);
  // A scratch DIB of the requested depth receives the pixels, then the asked scans are copied
  // out: scan `start` is the bottom row of a bottom-up DIB, the top row of a top-down one.
  std::shared_ptr<BitmapBits> out = NewBitmapBits(bits.width, static_cast<LONG>(lines), h.biBitCount, topDown);
  if (!out) return 0;
  out->colors = table;
  for (UINT i = 0; i < lines; ++i) {
    LONG sourceRow = topDown ? static_cast<LONG>(start + i) : bits.height - 1 - static_cast<LONG>(start + i);
    LONG outRow = topDown ? static_cast<LONG>(i) : static_cast<LONG>(lines) - 1 - static_cast<LONG>(i);
    if (bits.bitCount == h.biBitCount && (h.biBitCount > 8 || SameTable(table, bits.colors) || bits.colors.empty())) {
      std::memcpy(out->Row(outRow), bits.Row(sourceRow), std::min(stride, bits.stride));
      continue;
    }
    for (LONG x = 0; x < bits.width; ++x) SetPixelColor(*out, x, outRow, PixelColor(bits, x, sourceRow));
  }
  std::memcpy(lpvBits, out->bytes.data(), stride * lines);
  return static_cast<int>(lines);
}

WINBASEAPI int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID* lpBits,
                                const BITMAPINFO* lpbmi, UINT ColorUse) {
  if (hdc && !LookupDC(hdc)) return Refuse(ERROR_INVALID_HANDLE);
  std::shared_ptr<BitmapObject> bitmap = LookupObjectAs<BitmapObject>(hbm);
  if (!bitmap) return Refuse(ERROR_INVALID_HANDLE);
  if (!lpbmi || !lpBits || ColorUse != DIB_RGB_COLORS) return Refuse(ERROR_INVALID_PARAMETER);
  // The caller's bits hold cLines scans from `start`: read them as a DIB of that many rows.
  BITMAPINFOHEADER band = lpbmi->bmiHeader;
  LONG rows = band.biHeight < 0 ? -band.biHeight : band.biHeight;
  if (band.biSize < sizeof(BITMAPINFOHEADER) || band.biSize > 4096 || rows <= 0 ||
      start >= static_cast<UINT>(rows))
    return Refuse(ERROR_INVALID_PARAMETER);
  UINT lines = std::min<UINT>(cLines, static_cast<UINT>(rows) - start);
  if (lines == 0) return 0;
  band.biHeight = band.biHeight < 0 ? -static_cast<LONG>(lines) : static_cast<LONG>(lines);
  size_t extra = TableEntries(band) * sizeof(RGBQUAD);
  if (band.biCompression == BI_BITFIELDS && band.biSize == sizeof(BITMAPINFOHEADER)) extra = 3 * sizeof(DWORD);
  std::vector<BYTE> info(band.biSize + extra);
  std::memcpy(info.data(), lpbmi, info.size());
  std::memcpy(info.data(), &band, sizeof(band));
  std::shared_ptr<BitmapBits> dib = DibFromInfo(reinterpret_cast<const BITMAPINFO*>(info.data()), lpBits, nullptr, false);
  if (!dib) return 0;
  BitmapBits& bits = *bitmap->bits;
  bool topDown = lpbmi->bmiHeader.biHeight < 0;
  LONG width = std::min(bits.width, dib->width);
  for (UINT i = 0; i < lines; ++i) {
    // Scan start + i of the full DIB, counted from its first row in memory.
    LONG scan = static_cast<LONG>(start + i);
    LONG targetRow = topDown ? scan : rows - 1 - scan;
    if (targetRow < 0 || targetRow >= bits.height) continue;
    LONG dibRow = topDown ? static_cast<LONG>(i) : static_cast<LONG>(lines) - 1 - static_cast<LONG>(i);
    for (LONG x = 0; x < width; ++x) SetPixelColor(bits, x, targetRow, PixelColor(*dib, x, dibRow));
  }
  return static_cast<int>(lines);
}

WINBASEAPI COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return CLR_INVALID;
  RasterPixels pixels = PixelsOf(*dc);
  POINT d = ToDevice(dc->draw, POINT{x, y});
  if (!pixels.bits || d.x < 0 || d.y < 0 || d.x >= pixels.width || d.y >= pixels.height ||
      !EffectiveClip(*dc).Contains(d.x, d.y))
    return CLR_INVALID;
  return PixelColor(*pixels.bits, d.x + pixels.origin.x, d.y + pixels.origin.y);
}

WINBASEAPI COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return CLR_INVALID;
  RasterPixels pixels = PixelsOf(*dc);
  POINT d = ToDevice(dc->draw, POINT{x, y});
  if (!pixels.bits || d.x < 0 || d.y < 0 || d.x >= pixels.width || d.y >= pixels.height ||
      !EffectiveClip(*dc).Contains(d.x, d.y))
    return CLR_INVALID;
  SetPixelColor(*pixels.bits, d.x + pixels.origin.x, d.y + pixels.origin.y, color & 0x00FFFFFF);
  return PixelColor(*pixels.bits, d.x + pixels.origin.x, d.y + pixels.origin.y);
}

WINBASEAPI BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return FALSE;
  std::shared_ptr<RegionObject> region = LookupObjectAs<RegionObject>(hrgn);
  std::shared_ptr<BrushObject> brush = LookupObjectAs<BrushObject>(hbr);
  if (!region || !brush) return Refuse(ERROR_INVALID_HANDLE);
  // Region coordinates are logical; the mapping here is the translation of the origins.
  POINT shift = ToDevice(dc->draw, POINT{0, 0});
  Region device = OffsetRegion(region->region, shift.x, shift.y);
  if (!RasterDC(*dc)) {
    BOOL ok = TRUE;
    for (const RECT& r : device.rects) {
      RECT logical{r.left - shift.x, r.top - shift.y, r.right - shift.x, r.bottom - shift.y};
      ok = FillRect(hdc, &logical, hbr) && ok;
    }
    return ok;
  }
  DrawState& s = dc->draw;
  HBRUSH oldHandle = s.hbrush;
  std::shared_ptr<BrushObject> oldBrush = s.brush;
  auto oldCache = s.fillBrush;
  s.hbrush = hbr;
  s.brush = brush;
  s.fillBrush.reset();
  bool ok = true;
  if (BRUSHOBJ* engineBrush = FillBrush(*dc)) ok = PaintRegion(*dc, device, engineBrush, 0xF0);
  s.hbrush = oldHandle;
  s.brush = oldBrush;
  s.fillBrush = oldCache;
  return ok ? TRUE : FALSE;
}

WINBASEAPI int WINAPI GetClipRgn(HDC hdc, HRGN hrgn) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return -1;
  std::shared_ptr<RegionObject> region = LookupObjectAs<RegionObject>(hrgn);
  if (!region) return Refuse(ERROR_INVALID_HANDLE) ? 0 : -1;
  if (!dc->draw.hasClip) return 0;
  region->region = dc->draw.clip;
  return 1;
}

}  // extern "C"
