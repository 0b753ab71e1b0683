// Bitmaps as the DC takes them from callers: BITMAPINFO headers with their colour tables, rows
// copied in, memory device contexts and bitmaps compatible with a DC.
#include <cstring>
#include <new>
#include <string>

#include "internal/controls.h"
#include "internal/gdi_drawing.h"
#include "internal/gdi_record.h"
#include "platform_testing.h"

namespace plat::gdi {
namespace {

// The same bound as for bitmaps the GDI makes itself.
constexpr uint64_t kMaxDibBytes = 1ull << 30;

}  // namespace

std::shared_ptr<BitmapBits> DibFromInfo(const BITMAPINFO* info, const void* bits, BITMAPINFOHEADER* header,
                                        bool packed) {
  auto refuse = [] {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::shared_ptr<BitmapBits>();
  };
  if (!info) return refuse();
  BITMAPINFOHEADER h = info->bmiHeader;
  // BITMAPINFOHEADER and its longer successors (V4 108, V5 124 bytes) share the first 40 bytes.
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 4096 || h.biPlanes != 1) return refuse();
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return refuse();
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return refuse();
  }
  bool bitfields = h.biCompression == BI_BITFIELDS;
  if (!(h.biCompression == BI_RGB || (bitfields && (h.biBitCount == 16 || h.biBitCount == 32)))) return refuse();
  DWORD tableSize = 0;
  if (h.biBitCount <= 8) {
    DWORD full = 1u << h.biBitCount;
    tableSize = h.biClrUsed == 0 || h.biClrUsed > full ? full : h.biClrUsed;
  } else if (h.biClrUsed > 256) {
    return refuse();
  } else {
    tableSize = h.biClrUsed;  // an optional table the rows never index
  }
  LONG rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  uint64_t stride = (static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(rows) > kMaxDibBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  auto out = std::make_shared<BitmapBits>();
  out->width = h.biWidth;
  out->height = rows;
  out->bitCount = h.biBitCount;
  out->topDown = h.biHeight < 0;
  out->stride = static_cast<size_t>(stride);
  out->compression = h.biCompression;
  const BYTE* base = reinterpret_cast<const BYTE*>(info);
  // Masks follow a 40-byte header; the longer headers hold them inside.
  size_t masksAt = h.biSize;
  size_t masksSize = bitfields && h.biSize == sizeof(BITMAPINFOHEADER) ? 3 * sizeof(DWORD) : 0;
  if (bitfields) {
    std::memcpy(out->masks, base + sizeof(BITMAPINFOHEADER), sizeof(out->masks));
    if ((out->masks[0] | out->masks[1] | out->masks[2]) == 0) return refuse();
  } else if (h.biBitCount == 16) {
    out->masks[0] = 0x7C00, out->masks[1] = 0x03E0, out->masks[2] = 0x001F;
  } else if (h.biBitCount == 32) {
    out->masks[0] = 0xFF0000, out->masks[1] = 0xFF00, out->masks[2] = 0xFF;
  }
  size_t colorsAt = masksAt + masksSize;
  if (h.biBitCount <= 8) {
    out->colors.resize(tableSize);
    std::memcpy(out->colors.data(), base + colorsAt, tableSize * sizeof(RGBQUAD));
  }
  out->bytes.assign(out->stride * static_cast<size_t>(rows), 0);
  const BYTE* rowsFrom = packed ? base + colorsAt + tableSize * sizeof(RGBQUAD) : static_cast<const BYTE*>(bits);
  if (rowsFrom) std::memcpy(out->bytes.data(), rowsFrom, out->bytes.size());

  if (header) {
    *header = h;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biSizeImage = static_cast<DWORD>(out->bytes.size());
  }
  return out;
}

}  // namespace plat::gdi

using namespace plat::gdi;

extern "C" {

WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC hdc) {
  std::shared_ptr<PrinterDC> source;
  if (hdc && !(source = LookupDC(hdc))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (plat::GetControlInt(PLATFORMTEST_GDI_FAIL_COMPATIBLE_DC, 0) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto dc = std::make_shared<PrinterDC>();
  dc->memoryDC = true;
  // The memory DC answers GetDeviceCaps as the device it is compatible with (a printer's
  // resolution and page, so text measured on it is measured for the page); NULL means the screen.
  if (source && !RasterDC(*source)) {
    dc->gdiInfo = source->gdiInfo;
    dc->devInfo = source->devInfo;
  } else {
    ScreenDeviceInfo(dc->gdiInfo);
  }
  StateOf(*dc);
  HDC made = InsertDC(dc);
  if (made) RecordCall(*dc, "CreateCompatibleDC", "from=" + RecordName(source.get()));
  return made;
}

WINBASEAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  std::shared_ptr<PrinterDC> dc = DrawingDC(hdc);
  if (!dc) return nullptr;
  if (cx < 0 || cy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (plat::GetControlInt(PLATFORMTEST_GDI_FAIL_COMPATIBLE_BITMAP, 0) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (cx == 0 || cy == 0) return StockBitmap();
  // A memory DC's bitmaps match the bitmap it holds (a fresh one holds the 1 x 1 monochrome
  // bitmap); a window's match the screen's 32 bits; a printer's match its surface, 24 bits
  // for this machine's colour devices.
  WORD bitCount = 24;
  if (dc->memoryDC && dc->draw.bitmap) bitCount = dc->draw.bitmap->bits->bitCount;
  else if (dc->window || dc->screenDC) bitCount = 32;
  else if (dc->gdiInfo.cBitsPixel * dc->gdiInfo.cPlanes == 1) bitCount = 1;
  // The memory is really taken: a bitmap the machine cannot hold fails here, not at its first use.
  std::shared_ptr<BitmapBits> bits;
  try {
    bits = NewBitmapBits(cx, cy, bitCount, true);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!bits) return nullptr;
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->bits = std::move(bits);
  HBITMAP made = static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
  if (made)
    RecordCall(*dc, "CreateCompatibleBitmap",
               std::to_string(cx) + "x" + std::to_string(cy) + " bpp=" + std::to_string(bitCount));
  return made;
}

}  // extern "C"
