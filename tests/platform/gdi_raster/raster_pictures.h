// Pictures for the raster tests: RGB pixels that go into and come out of bitmaps through
// SetDIBits and GetDIBits, are written and read as 24-bit BMP files, and are compared with what
// raster_reference.py computes with Pillow from the same files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/gdi_raster.h>

namespace rastertest {

struct Picture {
  LONG width = 0, height = 0;
  std::vector<COLORREF> pixels;  // top row first

  Picture() = default;
  Picture(LONG w, LONG h, COLORREF fill = RGB(255, 255, 255))
      : width(w), height(h), pixels(static_cast<size_t>(w * h), fill) {}
  COLORREF& At(LONG x, LONG y) { return pixels[static_cast<size_t>(y * width + x)]; }
  COLORREF At(LONG x, LONG y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  bool operator==(const Picture& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
};

// A small picture of many colours (every pixel different in each channel pattern).
inline Picture Colourful(LONG w, LONG h, int seed) {
  Picture p(w, h);
  for (LONG y = 0; y < h; ++y)
    for (LONG x = 0; x < w; ++x)
      p.At(x, y) = RGB((x * 37 + seed * 11) & 0xFF, (y * 91 + x * 13 + seed) & 0xFF, (x * y * 7 + seed * 53) & 0xFF);
  return p;
}

inline std::vector<BYTE> BottomUpRows(const Picture& p) {
  size_t stride = (static_cast<size_t>(p.width) * 3 + 3) / 4 * 4;
  std::vector<BYTE> rows(stride * static_cast<size_t>(p.height), 0);
  for (LONG y = 0; y < p.height; ++y)
    for (LONG x = 0; x < p.width; ++x) {
      BYTE* q = rows.data() + stride * static_cast<size_t>(p.height - 1 - y) + 3 * static_cast<size_t>(x);
      COLORREF c = p.At(x, y);
      q[0] = GetBValue(c), q[1] = GetGValue(c), q[2] = GetRValue(c);
    }
  return rows;
}

inline BITMAPINFO Info24(const Picture& p) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), p.width, p.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

// A 24-bit device bitmap holding the picture.
inline HBITMAP MakeBitmap(const Picture& p) {
  HBITMAP bitmap = CreateBitmap(p.width, p.height, 1, 24, nullptr);
  if (!bitmap) return nullptr;
  std::vector<BYTE> rows = BottomUpRows(p);
  BITMAPINFO info = Info24(p);
  if (SetDIBits(nullptr, bitmap, 0, static_cast<UINT>(p.height), rows.data(), &info, DIB_RGB_COLORS) != p.height) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

// The bitmap's pixels, read through GetDIBits as a 24-bit bottom-up DIB.
inline Picture ReadBitmap(HDC hdc, HBITMAP bitmap) {
  BITMAP bm{};
  GetObjectW(bitmap, sizeof bm, &bm);
  Picture p(bm.bmWidth, bm.bmHeight);
  BITMAPINFO info = Info24(p);
  size_t stride = (static_cast<size_t>(p.width) * 3 + 3) / 4 * 4;
  std::vector<BYTE> rows(stride * static_cast<size_t>(p.height));
  if (GetDIBits(hdc, bitmap, 0, static_cast<UINT>(p.height), rows.data(), &info, DIB_RGB_COLORS) != p.height)
    return Picture();
  for (LONG y = 0; y < p.height; ++y)
    for (LONG x = 0; x < p.width; ++x) {
      const BYTE* q = rows.data() + stride * static_cast<size_t>(p.height - 1 - y) + 3 * static_cast<size_t>(x);
      p.At(x, y) = RGB(q[2], q[1], q[0]);
    }
  return p;
}

inline void WriteBmp(const std::string& path, const Picture& p) {
  std::vector<BYTE> rows = BottomUpRows(p);
  BYTE head[54] = {'B', 'M'};
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(head + at, &v, 4); };
  put32(2, static_cast<uint32_t>(54 + rows.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(p.width));
  put32(22, static_cast<uint32_t>(p.height));
  head[26] = 1;
  head[28] = 24;
  put32(34, static_cast<uint32_t>(rows.size()));
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(head), sizeof head);
  out.write(reinterpret_cast<const char*>(rows.data()), static_cast<std::streamsize>(rows.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A 24-bit BMP as Pillow writes it.
inline Picture ReadBmp(const std::string& path) {
  std::string file = ReadFile(path);
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return Picture();
  auto get32 = [&](size_t at) {
    int32_t v;
    std::memcpy(&v, file.data() + at, 4);
    return v;
  };
  int32_t offset = get32(10), width = get32(18), height = get32(22);
  if (file[28] != 24 || width <= 0 || height == 0) return Picture();
  bool topDown = height < 0;
  if (topDown) height = -height;
  Picture p(width, height);
  size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  if (file.size() < static_cast<size_t>(offset) + stride * static_cast<size_t>(height)) return Picture();
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) {
      const BYTE* q = reinterpret_cast<const BYTE*>(file.data()) + offset +
                      stride * static_cast<size_t>(topDown ? y : height - 1 - y) + 3 * static_cast<size_t>(x);
      p.At(x, y) = RGB(q[2], q[1], q[0]);
    }
  return p;
}

// Runs the Pillow reference with the arguments; true when it succeeded.
inline bool Reference(const std::string& arguments) {
  std::string command = std::string(PIL_PYTHON) + " " + RASTER_REFERENCE + " " + arguments;
  return std::system(command.c_str()) == 0;
}

inline std::string Hex(COLORREF c) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

}  // namespace rastertest
