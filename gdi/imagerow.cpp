// Image rows: conversion, mirroring and sampling of source rows.
#include "gdi/imagerow.h"

#include <algorithm>
#include <cstring>

#include "gdi/imageproc.h"

namespace {

struct Rgb {
  BYTE r, g, b;
};

inline BYTE Luminance(BYTE r, BYTE g, BYTE b) {
  return static_cast<BYTE>((74u * r + 155u * g + 27u * b) >> 8);
}

// A COLORREF of the device palette (PAL_RGB): red in the low byte.
inline Rgb FromColorRef(ULONG c) {
  return {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16)};
}

inline Rgb ReadDirect(const ImageRowFormat& f, const BYTE* row, DWORD x) {
  if (f.sourceBits == 16) {
    ULONG v = row[2 * x] | (static_cast<ULONG>(row[2 * x + 1]) << 8);
    if (f.xlate) return FromColorRef(XLATEOBJ_iXlate(f.xlate, v));
    // Without a translation a 16-bit DIB holds 5 bits of each colour.
    auto five = [](ULONG bits) { return static_cast<BYTE>((bits & 31) * 255 / 31); };
    return {five(v >> 10), five(v >> 5), five(v)};
  }
  const BYTE* p = row + static_cast<size_t>(x) * (f.sourceBits / 8);
  switch (f.rgbOrder) {
    case IMAGE_ORDER_SWAP: return {p[2], p[1], p[0]};
    case IMAGE_ORDER_TRANSLATE: {
      ULONG v = p[0] | (static_cast<ULONG>(p[1]) << 8) | (static_cast<ULONG>(p[2]) << 16);
      return FromColorRef(XLATEOBJ_iXlate(f.xlate, v));
    }
    default: return {p[0], p[1], p[2]};
  }
}

inline DWORD ReadIndex(DWORD bits, const BYTE* row, DWORD x) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return row[x];
  }
}

inline void WriteIndex(DWORD bits, BYTE* out, DWORD i, DWORD value) {
  switch (bits) {
    case 1:
      if (value) out[i >> 3] |= static_cast<BYTE>(0x80 >> (i & 7));
      break;
    case 4: out[i >> 1] |= static_cast<BYTE>((i & 1) ? value : value << 4); break;
    default: out[i] = static_cast<BYTE>(value);
  }
}

// One direct pixel in the output form, adjusted.
inline BYTE* EmitDirect(PDEV* pdev, const ImageRowFormat& f, BYTE* out, Rgb c, bool adjustRgb, bool adjustGray) {
  if (adjustRgb) Color_AdjustRgb(pdev, &c.r, &c.g, &c.b);
  if (f.rgbOutput) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    return out + 3;
  }
  BYTE grey = Luminance(c.r, c.g, c.b);
  if (adjustGray) Color_AdjustGray(pdev, &grey);
  *out = grey;
  return out + 1;
}

// Direct pixels without adjustment, for the common sources: byte moves only.
bool ConvertDirectFast(const ImageRowFormat& f, BYTE* out, const BYTE* row, DWORD first, DWORD pixels) {
  if (f.sourceBits != 24 && f.sourceBits != 32) return false;
  if (f.rgbOrder == IMAGE_ORDER_TRANSLATE) return false;
  const DWORD step = f.sourceBits / 8;
  const BYTE* p = row + static_cast<size_t>(first) * step;
  const bool swap = f.rgbOrder == IMAGE_ORDER_SWAP;
  if (f.rgbOutput) {
    if (step == 3 && !swap) {
      std::memcpy(out, p, static_cast<size_t>(pixels) * 3);
    } else if (step == 3) {
      Gx_SwapRgb24(nullptr, out, p, pixels * 3);
    } else {
      for (DWORD i = 0; i < pixels; ++i, p += 4, out += 3) {
        out[0] = swap ? p[2] : p[0];
        out[1] = p[1];
        out[2] = swap ? p[0] : p[2];
      }
    }
    return true;
  }
  for (DWORD i = 0; i < pixels; ++i, p += step) out[i] = swap ? Luminance(p[2], p[1], p[0]) : Luminance(p[0], p[1], p[2]);
  return true;
}

}  // namespace

DWORD Image_FormatBits(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

BOOL Image_RowFormat(const PDEV* pdev, ULONG format, XLATEOBJ* xlate, ImageRowFormat* out) {
  DWORD bits = Image_FormatBits(format);
  if (!bits || !out) return FALSE;
  *out = ImageRowFormat{};
  out->sourceFormat = format;
  out->sourceBits = bits;
  out->indexed = bits <= 8;
  out->rgbOutput = !out->indexed && pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR;
  out->rgbOrder = Image_GetRgbOrder(xlate, format);
  out->xlate = xlate;
  out->outputBits = out->indexed ? bits : (out->rgbOutput ? 24 : 8);
  return TRUE;
}

DWORD Image_OutputRowBytes(const ImageRowFormat& format, DWORD pixels) {
  return static_cast<DWORD>((static_cast<uint64_t>(pixels) * format.outputBits + 7) / 8);
}

int Image_GetRgbOrder(XLATEOBJ* xlate, ULONG format) {
  if (!xlate || Image_FormatBits(format) < 16) return IMAGE_ORDER_NONE;
  if (format == BMF_16BPP) return IMAGE_ORDER_TRANSLATE;
  if (xlate->flXlate & XO_TRIVIAL) return IMAGE_ORDER_KEEP;
  ULONG red = XLATEOBJ_iXlate(xlate, 0x0000FF);
  ULONG green = XLATEOBJ_iXlate(xlate, 0x00FF00);
  ULONG blue = XLATEOBJ_iXlate(xlate, 0xFF0000);
  if (red == 0x0000FF && green == 0x00FF00 && blue == 0xFF0000) return IMAGE_ORDER_KEEP;
  if (red == 0xFF0000 && green == 0x00FF00 && blue == 0x0000FF) return IMAGE_ORDER_SWAP;
  return IMAGE_ORDER_TRANSLATE;
}

void Image_ShiftBits(BYTE* out, const BYTE* row, DWORD firstBit, DWORD pixels) {
  const DWORD bytes = (pixels + 7) / 8;
  const BYTE* src = row + firstBit / 8;
  const DWORD shift = firstBit % 8;
  if (shift == 0) {
    std::memcpy(out, src, bytes);
  } else {
    // The last output byte may need one more source byte only when the pixels reach into it.
    const DWORD sourceBytes = (shift + pixels + 7) / 8;
    for (DWORD i = 0; i < bytes; ++i) {
      BYTE high = static_cast<BYTE>(src[i] << shift);
      BYTE low = (i + 1 < sourceBytes) ? static_cast<BYTE>(src[i + 1] >> (8 - shift)) : 0;
      out[i] = high | low;
    }
  }
  if (pixels % 8) out[bytes - 1] &= static_cast<BYTE>(0xFF00 >> (pixels % 8));
}

DWORD Image_ConvertRow(PDEV* pdev, const ImageRowFormat& f, BYTE* out, const BYTE* row, DWORD first, DWORD pixels,
                       BOOL mirror) {
  if (mirror) return Image_SampleRows(pdev, f, out, row, first, pixels, pixels, TRUE);
  const DWORD bytes = Image_OutputRowBytes(f, pixels);
  if (pixels == 0) return 0;
  if (f.indexed) {
    switch (f.sourceBits) {
      case 1: Image_ShiftBits(out, row, first, pixels); break;
      case 4:
        if (first % 2 == 0) {
          std::memcpy(out, row + first / 2, bytes);
          if (pixels % 2) out[bytes - 1] &= 0xF0;
        } else {
          std::memset(out, 0, bytes);
          for (DWORD i = 0; i < pixels; ++i) WriteIndex(4, out, i, ReadIndex(4, row, first + i));
        }
        break;
      default: std::memcpy(out, row + first, pixels); break;
    }
    return bytes;
  }
  const bool adjustRgb = Color_IsRgbAdjusted(pdev);
  const bool adjustGray = !f.rgbOutput && Color_IsGrayAdjusted(pdev);
  if (!adjustRgb && !adjustGray && ConvertDirectFast(f, out, row, first, pixels)) return bytes;
  BYTE* o = out;
  for (DWORD i = 0; i < pixels; ++i) o = EmitDirect(pdev, f, o, ReadDirect(f, row, first + i), adjustRgb, adjustGray);
  return bytes;
}

BYTE* Image_MirrorRow(PDEV* pdev, BYTE* out, const BYTE* row, DWORD pixels, DWORD bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4: {
      const DWORD bytes = static_cast<DWORD>((static_cast<uint64_t>(pixels) * bitsPerPixel + 7) / 8);
      std::memset(out, 0, bytes);
      for (DWORD i = 0; i < pixels; ++i)
        WriteIndex(bitsPerPixel, out, i, ReadIndex(bitsPerPixel, row, pixels - 1 - i));
      return out + bytes;
    }
    case 8:
    case 16:
    case 24:
    case 32: {
      const DWORD unit =
          (bitsPerPixel > 8 && pdev && pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR) ? 3 : 1;
      for (DWORD i = 0; i < pixels; ++i) std::memcpy(out + static_cast<size_t>(i) * unit,
                                                      row + static_cast<size_t>(pixels - 1 - i) * unit, unit);
      return out + static_cast<size_t>(pixels) * unit;
    }
    default: return nullptr;
  }
}

DWORD Image_SampleIndex(DWORD i, DWORD sourcePixels, DWORD outPixels) {
  if (outPixels <= 1 || sourcePixels <= 1) return 0;
  return static_cast<DWORD>(static_cast<uint64_t>(i) * (sourcePixels - 1) / (outPixels - 1));
}

DWORD Image_SampleRows(PDEV* pdev, const ImageRowFormat& f, BYTE* out, const BYTE* row, DWORD first,
                       DWORD sourcePixels, DWORD outPixels, BOOL mirror) {
  const DWORD bytes = Image_OutputRowBytes(f, outPixels);
  if (outPixels == 0 || sourcePixels == 0) return 0;
  auto column = [&](DWORD i) {
    DWORD k = mirror ? outPixels - 1 - i : i;
    return first + Image_SampleIndex(k, sourcePixels, outPixels);
  };
  if (f.indexed) {
    if (f.sourceBits < 8) std::memset(out, 0, bytes);
    for (DWORD i = 0; i < outPixels; ++i) WriteIndex(f.sourceBits, out, i, ReadIndex(f.sourceBits, row, column(i)));
    return bytes;
  }
  const bool adjustRgb = Color_IsRgbAdjusted(pdev);
  const bool adjustGray = !f.rgbOutput && Color_IsGrayAdjusted(pdev);
  BYTE* o = out;
  for (DWORD i = 0; i < outPixels; ++i) o = EmitDirect(pdev, f, o, ReadDirect(f, row, column(i)), adjustRgb, adjustGray);
  return bytes;
}

void Gx_SwapRgb24(PDEV* pdev, BYTE* destination, const BYTE* source, DWORD length) {
  if (length % 3) {
    PDEV_REPORT_ERROR(pdev);
    length -= length % 3;
  }
  for (DWORD i = 0; i < length; i += 3) {
    BYTE first = source[i];
    destination[i + 1] = source[i + 1];
    destination[i] = source[i + 2];
    destination[i + 2] = first;
  }
}

void Gx_FlipBitmap(BYTE* bits, DWORD width, DWORD height) {
  const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  for (DWORD top = 0, bottom = height ? height - 1 : 0; top < bottom; ++top, --bottom)
    std::swap_ranges(bits + top * stride, bits + (top + 1) * stride, bits + bottom * stride);
}
