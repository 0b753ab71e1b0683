// Colour translations: how the pixel values of a source surface become the destination's
// (the device's RGB colours), as a table for indexed sources and as a conversion for direct
// ones, with the services a driver translates colours and reads palettes with.
#include <algorithm>
#include <bit>

#include "internal/engine.h"
#include "internal/engine_objects.h"
#include "internal/engine_registry.h"

namespace plat::engine {
namespace {

struct XlateObject {
  XLATEOBJ xo{};  // first: the driver's pointer is this object's address
  Palette source;
  Palette destination;
  std::vector<ULONG> table;
};

XlateObject* Find(const XLATEOBJ* pxlo) { return Live<XlateObject>().Find(pxlo); }

BYTE Red(ULONG c) { return static_cast<BYTE>(c & 0xFF); }
BYTE Green(ULONG c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
BYTE Blue(ULONG c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// A channel under a mask, scaled to 0..255.
BYTE FromMask(ULONG pixel, FLONG mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  ULONG max = mask >> shift;
  ULONG value = (pixel & mask) >> shift;
  return static_cast<BYTE>((value * 255 + max / 2) / max);
}

ULONG ToMask(BYTE channel, FLONG mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  ULONG max = mask >> shift;
  return ((channel * max + 127) / 255) << shift;
}

bool SamePalette(const Palette& a, const Palette& b) {
  if (a.mode != b.mode) return false;
  if (a.mode == PAL_INDEXED) return a.colors == b.colors;
  if (a.mode == PAL_BITFIELDS) return a.masks == b.masks;
  return true;
}

bool Usable(const Palette& p) {
  switch (p.mode) {
    case PAL_INDEXED: return !p.colors.empty() && p.colors.size() <= 65536;
    case PAL_BITFIELDS: return (p.masks[0] | p.masks[1] | p.masks[2]) != 0;
    case PAL_RGB:
    case PAL_BGR: return true;
    default: return false;
  }
}

const Palette* Which(const XlateObject& object, ULONG iPal) {
  switch (iPal) {
    case XO_SRCPALETTE:
    case XO_SRCBITFIELDS: return &object.source;
    case XO_DESTPALETTE:
    case XO_DESTDCPALETTE:
    case XO_DESTBITFIELDS: return &object.destination;
    default: return nullptr;
  }
}

}  // namespace

void ObjectDeleter::operator()(XLATEOBJ* xlate) const {
  if (xlate) delete Live<XlateObject>().Remove(xlate);
}

Palette DevicePalette() { return Palette{}; }

Palette IndexedPalette(std::vector<ULONG> colors) {
  Palette p;
  p.mode = PAL_INDEXED;
  p.colors = std::move(colors);
  return p;
}

Palette BitfieldsPalette(FLONG red, FLONG green, FLONG blue) {
  Palette p;
  p.mode = PAL_BITFIELDS;
  p.masks = {red, green, blue};
  return p;
}

std::vector<ULONG> ColorsFromRgbQuads(const BYTE* quads, size_t count) {
  std::vector<ULONG> colors;
  if (quads == nullptr) return colors;
  colors.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const BYTE* q = quads + 4 * i;
    colors.push_back(RGB(q[2], q[1], q[0]));
  }
  return colors;
}

ULONG PaletteColor(const Palette& palette, ULONG pixel) {
  switch (palette.mode) {
    case PAL_INDEXED: return pixel < palette.colors.size() ? palette.colors[pixel] & 0xFFFFFF : 0;
    case PAL_BGR: return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    case PAL_BITFIELDS:
      return RGB(FromMask(pixel, palette.masks[0]), FromMask(pixel, palette.masks[1]),
                 FromMask(pixel, palette.masks[2]));
    default: return pixel & 0xFFFFFF;
  }
}

ULONG PalettePixel(const Palette& palette, ULONG color) {
  switch (palette.mode) {
    case PAL_INDEXED: {
      ULONG best = 0;
      long bestDistance = -1;
      for (size_t i = 0; i < palette.colors.size(); ++i) {
        ULONG c = palette.colors[i];
        long dr = long{Red(c)} - Red(color), dg = long{Green(c)} - Green(color), db = long{Blue(c)} - Blue(color);
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
          bestDistance = distance;
          best = static_cast<ULONG>(i);
          if (distance == 0) break;
        }
      }
      return best;
    }
    case PAL_BGR: return (ULONG{Red(color)} << 16) | (ULONG{Green(color)} << 8) | Blue(color);
    case PAL_BITFIELDS:
      return ToMask(Red(color), palette.masks[0]) | ToMask(Green(color), palette.masks[1]) |
             ToMask(Blue(color), palette.masks[2]);
    default: return color & 0xFFFFFF;
  }
}

XlatePtr CreateXlate(const Palette& source, const Palette& destination) {
  if (!Usable(source) || !Usable(destination)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<XlateObject>();
  object->source = source;
  object->destination = destination;
  object->xo.iSrcType = static_cast<USHORT>(source.mode);
  object->xo.iDstType = static_cast<USHORT>(destination.mode);
  if (SamePalette(source, destination)) {
    object->xo.flXlate = XO_TRIVIAL;
  } else if (source.mode == PAL_INDEXED) {
    object->table.reserve(source.colors.size());
    for (ULONG color : source.colors) object->table.push_back(PalettePixel(destination, color & 0xFFFFFF));
    object->xo.flXlate = XO_TABLE;
    object->xo.cEntries = static_cast<ULONG>(object->table.size());
    object->xo.pulXlate = object->table.data();
  }
  XlateObject* raw = object.release();
  Live<XlateObject>().Add(&raw->xo, raw);
  return XlatePtr(&raw->xo);
}

const Palette* XlateSource(const XLATEOBJ* xlate) {
  XlateObject* object = Find(xlate);
  return object ? &object->source : nullptr;
}

const Palette* XlateDestination(const XLATEOBJ* xlate) {
  XlateObject* object = Find(xlate);
  return object ? &object->destination : nullptr;
}

}  // namespace plat::engine

using plat::engine::XlateObject;

extern "C" {

// A null translation, or one the engine did not make, is the identity. An index beyond a
// table's entries translates as the destination's black.
WINBASEAPI ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  XlateObject* object = plat::engine::Find(pxlo);
  if (object == nullptr || (object->xo.flXlate & XO_TRIVIAL)) return iColor;
  if (object->xo.flXlate & XO_TABLE)
    return iColor < object->table.size() ? object->table[iColor] : plat::engine::PalettePixel(object->destination, 0);
  return plat::engine::PalettePixel(object->destination, plat::engine::PaletteColor(object->source, iColor));
}

// Indexed palettes answer their entries as RGB values (0x00BBGGRR); the bitfield requests
// answer the red, green and blue masks of a direct palette. With pPal NULL the answer is the
// number of entries there are; otherwise the number written (at most cPal).
WINBASEAPI ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
  XlateObject* object = plat::engine::Find(pxlo);
  if (object == nullptr) return 0;
  const plat::engine::Palette* palette = plat::engine::Which(*object, iPal);
  if (palette == nullptr) return 0;
  if (iPal == XO_SRCBITFIELDS || iPal == XO_DESTBITFIELDS) {
    ULONG masks[3];
    switch (palette->mode) {
      case PAL_BITFIELDS: std::copy(palette->masks.begin(), palette->masks.end(), masks); break;
      case PAL_RGB: masks[0] = 0x0000FF, masks[1] = 0x00FF00, masks[2] = 0xFF0000; break;
      case PAL_BGR: masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF; break;
      default: return 0;
    }
    if (pPal == nullptr) return 3;
    if (cPal < 3) return 0;
    std::copy(masks, masks + 3, pPal);
    return 3;
  }
  if (palette->mode != PAL_INDEXED) return 0;
  ULONG count = static_cast<ULONG>(palette->colors.size());
  if (pPal == nullptr) return count;
  ULONG n = std::min(cPal, count);
  for (ULONG i = 0; i < n; ++i) pPal[i] = palette->colors[i] & 0xFFFFFF;
  return n;
}

}  // extern "C"

namespace plat::engine {

Palette DibPalette(WORD bitCount, DWORD compression, DWORD clrUsed, const BYTE* quads, size_t quadCount,
                   const DWORD* masks) {
  constexpr DWORD kBitfields = 3;
  if (bitCount >= 1 && bitCount <= 8) {
    size_t full = size_t{1} << bitCount;
    size_t entries = clrUsed == 0 || clrUsed > full ? full : clrUsed;
    std::vector<ULONG> colors = ColorsFromRgbQuads(quads, std::min(entries, quads ? quadCount : 0));
    colors.resize(entries, 0);
    return IndexedPalette(std::move(colors));
  }
  if (bitCount == 16) {
    if (compression == kBitfields && masks && (masks[0] | masks[1] | masks[2]) != 0)
      return BitfieldsPalette(masks[0], masks[1], masks[2]);
    return BitfieldsPalette(0x7C00, 0x03E0, 0x001F);
  }
  Palette bgr;
  bgr.mode = PAL_BGR;
  if (bitCount == 32 && compression == kBitfields && masks && (masks[0] | masks[1] | masks[2]) != 0 &&
      !(masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF))
    return BitfieldsPalette(masks[0], masks[1], masks[2]);
  return bgr;
}

Palette MonochromePalette(COLORREF text, COLORREF background) {
  return IndexedPalette({text & 0xFFFFFF, background & 0xFFFFFF});
}

Palette PaletteOfHandle(HPALETTE hpal) {
  Palette palette;
  FLONG masks[3] = {0, 0, 0};
  if (!PaletteContents(hpal, palette.mode, palette.colors, masks)) return DevicePalette();
  palette.masks = {masks[0], masks[1], masks[2]};
  if (palette.mode != PAL_INDEXED && palette.mode != PAL_BITFIELDS && palette.mode != PAL_BGR) return DevicePalette();
  return palette;
}

}  // namespace plat::engine
