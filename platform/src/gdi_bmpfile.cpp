// LoadImageW for bitmaps: BMP files of the machine (LR_LOADFROMFILE) and RT_BITMAP resources of a
// loaded module. A BMP file is outside input: every size in it (the file header's offset, the
// info header's length, the colour table, the rows the geometry needs) is checked against the
// file's real length before a byte is read.
#include <cstring>

#include "internal/files.h"
#include "internal/gdi_render.h"
#include "internal/resources.h"
#include "internal/unicode.h"

using namespace plat::gdi;

namespace {

constexpr WORD kBmpSignature = 0x4D42;  // "BM"

DWORD U32(const BYTE* p) { return DWORD{p[0]} | DWORD{p[1]} << 8 | DWORD{p[2]} << 16 | DWORD{p[3]} << 24; }

// The bitmap of a BMP file's bytes; nullptr with ERROR_INVALID_DATA when the file is damaged
// or of a kind the machine does not read (compressed rows, OS/2 core headers).
std::shared_ptr<BitmapBits> ParseBmpFile(const std::string& file, BITMAPINFOHEADER* header) {
  auto bad = [] {
    SetLastError(ERROR_INVALID_DATA);
    return std::shared_ptr<BitmapBits>();
  };
  const BYTE* data = reinterpret_cast<const BYTE*>(file.data());
  uint64_t size = file.size();
  if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return bad();
  BITMAPFILEHEADER fh{};
  std::memcpy(&fh, data, sizeof(fh));
  if (fh.bfType != kBmpSignature) return bad();
  DWORD infoSize = U32(data + sizeof(BITMAPFILEHEADER));
  if (infoSize < sizeof(BITMAPINFOHEADER) || sizeof(BITMAPFILEHEADER) + uint64_t{infoSize} > size) return bad();
  BITMAPINFOHEADER h{};
  std::memcpy(&h, data + sizeof(BITMAPFILEHEADER), sizeof(h));
  if (h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return bad();
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return bad();
  }
  bool bitfields = h.biCompression == BI_BITFIELDS;
  if (!(h.biCompression == BI_RGB || (bitfields && (h.biBitCount == 16 || h.biBitCount == 32)))) return bad();
  uint64_t masks = bitfields && infoSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
  uint64_t entries = 0;
  if (h.biBitCount <= 8) {
    uint64_t full = 1u << h.biBitCount;
    entries = h.biClrUsed == 0 || h.biClrUsed > full ? full : h.biClrUsed;
  } else if (h.biClrUsed > 256) {
    return bad();
  } else {
    entries = h.biClrUsed;
  }
  uint64_t tableEnd = sizeof(BITMAPFILEHEADER) + uint64_t{infoSize} + masks + entries * 4;
  uint64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  uint64_t stride = (uint64_t{static_cast<DWORD>(h.biWidth)} * h.biBitCount + 31) / 32 * 4;
  // The rows start where the file header says, never inside the headers or the table, and the
  // file must hold every row the geometry asks for.
  if (tableEnd > size || fh.bfOffBits < tableEnd || fh.bfOffBits > size) return bad();
  if (stride * rows > size - fh.bfOffBits) return bad();

  // The header and colour table as one BITMAPINFO, then the rows from their own offset.
  std::vector<BYTE> info(data + sizeof(BITMAPFILEHEADER), data + tableEnd);
  return DibFromInfo(reinterpret_cast<const BITMAPINFO*>(info.data()), data + fh.bfOffBits, header, false);
}

// The bitmap at cx x cy by nearest pixels (0 keeps that side), as LoadImageW sizes one.
std::shared_ptr<BitmapBits> Resized(std::shared_ptr<BitmapBits> bits, int cx, int cy) {
  LONG width = cx > 0 ? cx : bits->width, height = cy > 0 ? cy : bits->height;
  if (width == bits->width && height == bits->height) return bits;
  std::shared_ptr<BitmapBits> out = NewBitmapBits(width, height, bits->bitCount, bits->topDown);
  if (!out) return nullptr;
  out->colors = bits->colors;
  out->compression = bits->compression;
  std::memcpy(out->masks, bits->masks, sizeof(out->masks));
  size_t bitsPerPixel = bits->bitCount;
  for (LONG y = 0; y < height; ++y) {
    const BYTE* from = bits->Row(static_cast<LONG>(int64_t{y} * bits->height / height));
    BYTE* to = out->Row(y);
    for (LONG x = 0; x < width; ++x) {
      size_t sx = static_cast<size_t>(int64_t{x} * bits->width / width);
      if (bitsPerPixel >= 8) {
        std::memcpy(to + x * bitsPerPixel / 8, from + sx * bitsPerPixel / 8, bitsPerPixel / 8);
        continue;
      }
      size_t perByte = 8 / bitsPerPixel, mask = (1u << bitsPerPixel) - 1;
      size_t shiftFrom = (perByte - 1 - sx % perByte) * bitsPerPixel;
      size_t shiftTo = (perByte - 1 - static_cast<size_t>(x) % perByte) * bitsPerPixel;
      BYTE value = static_cast<BYTE>((from[sx / perByte] >> shiftFrom) & mask);
      BYTE& slot = to[static_cast<size_t>(x) / perByte];
      slot = static_cast<BYTE>((slot & ~(mask << shiftTo)) | (value << shiftTo));
    }
  }
  return out;
}

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  if (name && type == IMAGE_ICON && cx >= 0 && cy >= 0) return LoadIconImage(hInst, name, cx, cy, fuLoad);
  if (!name || type != IMAGE_BITMAP || cx < 0 || cy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  BITMAPINFOHEADER header{};
  std::shared_ptr<BitmapBits> bits;
  if (fuLoad & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    std::string file;
    DWORD error = plat::ReadWholeFile(plat::WideView(name), file);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
    bits = ParseBmpFile(file, &header);
  } else {
    std::optional<plat::DibImage> dib = plat::LoadBitmapResource(hInst, name);
    if (!dib) return nullptr;
    std::vector<BYTE> info = dib->info;
    bits = DibFromInfo(reinterpret_cast<const BITMAPINFO*>(info.data()), dib->bits.data(), &header, false);
  }
  if (!bits) return nullptr;
  bits = Resized(std::move(bits), cx, cy);
  if (!bits) return nullptr;
  header.biWidth = bits->width;
  header.biHeight = bits->topDown ? -bits->height : bits->height;
  header.biSizeImage = static_cast<DWORD>(bits->bytes.size());
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->bits = std::move(bits);
  bitmap->dibSection = (fuLoad & LR_CREATEDIBSECTION) != 0;
  bitmap->dibHeader = header;
  return InsertObject(std::move(bitmap));
}

}  // extern "C"
