// The stand-in GDI's object table: pens, brushes, bitmaps, regions and logical fonts under small
// integer handles of their own range. A device context holds the objects selected into it by
// shared pointer, so an object deleted while selected keeps drawing until it is replaced, as
// the platform defers such a deletion.
#pragma once

#include <memory>
#include <vector>

#include <win/gdi_objects.h>

#include "internal/gdi_regions.h"

namespace plat::gdi {

struct GdiObject {
  explicit GdiObject(DWORD kind) : type(kind) {}
  virtual ~GdiObject() = default;
  DWORD type;          // OBJ_PEN, OBJ_EXTPEN, OBJ_BRUSH, OBJ_BITMAP, OBJ_REGION, OBJ_FONT
  bool stock = false;  // stock objects ignore DeleteObject
};

// The bits of a bitmap: rows of `stride` bytes (a multiple of 4), bottom-up unless `topDown`.
// DIB sections and memory bitmaps alike; `colors` is the colour table of an indexed format (a
// 1-bit device bitmap has none: its two colours come from the DC it is drawn with).
struct BitmapBits {
  LONG width = 0;
  LONG height = 0;  // rows, always positive
  WORD bitCount = 0;
  bool topDown = false;
  size_t stride = 0;
  std::vector<BYTE> bytes;
  std::vector<RGBQUAD> colors;
  DWORD compression = BI_RGB;  // BI_BITFIELDS for 16/32-bit sections with masks
  DWORD masks[3] = {0, 0, 0};

  BYTE* Row(LONG y) { return bytes.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y); }
  const BYTE* Row(LONG y) const {
    return bytes.data() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
  }
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(OBJ_PEN) {}
  DWORD style = PS_SOLID;  // the whole style word: style, end cap, join and type bits
  DWORD width = 0;         // logical units; 0 and 1 are one device pixel for cosmetic pens
  COLORREF color = 0;
  LOGBRUSH brush{BS_SOLID, 0, 0};   // ExtCreatePen's brush (its pattern, when any, is below)
  std::shared_ptr<const BitmapBits> pattern;
  std::vector<DWORD> userStyle;     // PS_USERSTYLE lengths

  DWORD Style() const { return style & PS_STYLE_MASK; }
  bool Geometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  ULONG_PTR hatch = 0;  // HS_ value, or the value GetObjectW reports for pattern brushes
  // The pattern of BS_PATTERN and BS_DIBPATTERNPT brushes, copied when the brush is made.
  std::shared_ptr<const BitmapBits> pattern;
  bool monochromePattern = false;  // a 1-bit device bitmap: drawn in the DC's text and background colours
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  std::shared_ptr<BitmapBits> bits;
  bool dibSection = false;
  BITMAPINFOHEADER dibHeader{};  // what GetObjectW reports for a section
  HDC selectedInto = nullptr;    // the memory DC holding it, if any
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region region;
};

struct FontObject : GdiObject {
  FontObject() : GdiObject(OBJ_FONT) {}
  LOGFONTW logfont{};
};

// Every GDI handle of the process (objects other than stock ones, and DCs) counts against one
// quota, as on the platform: past it creation fails, so a leak shows as a failure, not as a
// machine that slowly runs out.
constexpr size_t kGdiHandleQuota = 10000;
// Takes one handle of the quota; false with ERROR_NOT_ENOUGH_MEMORY when none is left.
bool TakeGdiHandle();
void ReturnGdiHandle();
// The handles the process holds now, and the most it has held.
size_t GdiHandleCount();
size_t GdiHandlePeak();

// nullptr (ERROR_NOT_ENOUGH_MEMORY) past the quota.
HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle);
template <typename T>
std::shared_ptr<T> LookupObjectAs(HGDIOBJ handle) {
  return std::dynamic_pointer_cast<T>(LookupObject(handle));
}
// The stock object `index` (GetStockObject's index), made on first use.
HGDIOBJ StockObject(int index);
// The 1 x 1 monochrome bitmap a new memory DC holds.
HBITMAP StockBitmap();

// Bits of width x height at bitCount, zeroed; nullptr when the size is refused (the last error
// is then set: ERROR_INVALID_PARAMETER or ERROR_NOT_ENOUGH_MEMORY).
std::shared_ptr<BitmapBits> NewBitmapBits(LONG width, LONG height, WORD bitCount, bool topDown);

}  // namespace plat::gdi
