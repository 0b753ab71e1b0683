// GDI objects: the table that hands out their handles, the stock objects, pens, brushes, fonts,
// device bitmaps and DIB sections, and selecting, querying and deleting them. Every record a
// caller hands in (LOGPEN, LOGBRUSH, LOGFONTW, BITMAPINFO, bits) is copied when the object is
// made, so the caller may free or change it afterwards, as the platform allows.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "internal/gdi_dc.h"
#include "internal/gdi_drawing.h"
#include "internal/unicode.h"

namespace plat::gdi {
namespace {

struct ObjectTable {
  std::mutex lock;
  std::map<uintptr_t, std::shared_ptr<GdiObject>> entries;
  uintptr_t next = kFirstObject;
  std::map<int, HGDIOBJ> stock;
  HBITMAP stockBitmap = nullptr;

  static constexpr uintptr_t kFirstObject = 0x50000000;
  static constexpr uintptr_t kLastObject = 0x5FFFFFF0;
};

ObjectTable& Table() {
  static ObjectTable* table = new ObjectTable;  // outlives static destructors of callers
  return *table;
}

HGDIOBJ InsertLocked(ObjectTable& t, std::shared_ptr<GdiObject> object) {
  uintptr_t id = t.next;
  t.next += 4;
  if (t.next >= ObjectTable::kLastObject) t.next = ObjectTable::kFirstObject;
  while (t.entries.count(id)) id += 4;
  t.entries[id] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(id);
}

// Bitmaps larger than this are refused with ERROR_NOT_ENOUGH_MEMORY: a 1200-dpi A3 page at
// 32 bits a pixel is well below it.
constexpr uint64_t kMaxBitmapBytes = 1ull << 30;

LOGFONTW StockFont(LONG height, LONG weight, BYTE pitchAndFamily, const char16_t* face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfPitchAndFamily = pitchAndFamily;
  for (size_t i = 0; face[i] && i + 1 < LF_FACESIZE; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

std::shared_ptr<GdiObject> MakeStock(int index) {
  auto pen = [](DWORD style, COLORREF color) {
    auto p = std::make_shared<PenObject>();
    p->style = style;
    p->color = color;
    p->brush = LOGBRUSH{BS_SOLID, color, 0};
    return p;
  };
  auto brush = [](UINT style, COLORREF color) {
    auto b = std::make_shared<BrushObject>();
    b->style = style;
    b->color = color;
    return b;
  };
  auto font = [](const LOGFONTW& lf) {
    auto f = std::make_shared<FontObject>();
    f->logfont = lf;
    return f;
  };
  switch (index) {
    case WHITE_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH: return brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH: return brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH: return brush(BS_NULL, 0);
    case DC_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case DC_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case OEM_FIXED_FONT: return font(StockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Terminal"));
    case ANSI_FIXED_FONT: return font(StockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Courier"));
    case ANSI_VAR_FONT: return font(StockFont(12, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, u"MS Sans Serif"));
    case SYSTEM_FONT: return font(StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, u"System"));
    case DEVICE_DEFAULT_FONT: return font(StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, u"System"));
    case SYSTEM_FIXED_FONT: return font(StockFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, u"Fixedsys"));
    case DEFAULT_GUI_FONT: return font(StockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, u"MS Shell Dlg"));
    default: return nullptr;  // DEFAULT_PALETTE: the stand-in has no logical palettes
  }
}

// The size GetObjectW reports for an object and the bytes it copies.
std::vector<BYTE> Describe(const GdiObject& object, int bufferSize) {
  auto bytesOf = [](const auto& record) {
    const BYTE* p = reinterpret_cast<const BYTE*>(&record);
    return std::vector<BYTE>(p, p + sizeof(record));
  };
  switch (object.type) {
    case OBJ_PEN: {
      const auto& pen = static_cast<const PenObject&>(object);
      LOGPEN lp{pen.style, POINT{static_cast<LONG>(pen.width), 0}, pen.color};
      return bytesOf(lp);
    }
    case OBJ_EXTPEN: {
      const auto& pen = static_cast<const PenObject&>(object);
      std::vector<BYTE> out(offsetof(EXTLOGPEN, elpStyleEntry) + pen.userStyle.size() * sizeof(DWORD));
      EXTLOGPEN head{};
      head.elpPenStyle = pen.style;
      head.elpWidth = pen.width;
      head.elpBrushStyle = pen.brush.lbStyle;
      head.elpColor = pen.brush.lbColor;
      head.elpHatch = pen.brush.lbHatch;
      head.elpNumEntries = static_cast<DWORD>(pen.userStyle.size());
      std::memcpy(out.data(), &head, offsetof(EXTLOGPEN, elpStyleEntry));
      if (!pen.userStyle.empty())
        std::memcpy(out.data() + offsetof(EXTLOGPEN, elpStyleEntry), pen.userStyle.data(),
                    pen.userStyle.size() * sizeof(DWORD));
      return out;
    }
    case OBJ_BRUSH: {
      const auto& brush = static_cast<const BrushObject&>(object);
      return bytesOf(LOGBRUSH{brush.style, brush.color, brush.hatch});
    }
    case OBJ_FONT: return bytesOf(static_cast<const FontObject&>(object).logfont);
    case OBJ_BITMAP: {
      const auto& bitmap = static_cast<const BitmapObject&>(object);
      const BitmapBits& bits = *bitmap.bits;
      BITMAP bm{};
      bm.bmWidth = bits.width;
      bm.bmHeight = bits.height;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = bits.bitCount;
      if (bitmap.dibSection) {
        bm.bmWidthBytes = static_cast<LONG>(bits.stride);
        bm.bmBits = const_cast<BYTE*>(bits.bytes.data());
      } else {
        // Device bitmaps report rows padded to 16 bits, as CreateBitmap takes them.
        bm.bmWidthBytes = static_cast<LONG>((static_cast<uint64_t>(bits.width) * bits.bitCount + 15) / 16 * 2);
      }
      if (bitmap.dibSection && bufferSize >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds{};
        ds.dsBm = bm;
        ds.dsBmih = bitmap.dibHeader;
        std::memcpy(ds.dsBitfields, bits.masks, sizeof(ds.dsBitfields));
        return bytesOf(ds);
      }
      return bytesOf(bm);
    }
    default: return {};
  }
}

bool ValidPenColorStyle(DWORD style) { return style <= PS_INSIDEFRAME; }

}  // namespace

namespace {
std::mutex g_quotaLock;
size_t g_handles = 0;
size_t g_peak = 0;
}  // namespace

bool TakeGdiHandle() {
  std::lock_guard<std::mutex> guard(g_quotaLock);
  if (g_handles >= kGdiHandleQuota) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  g_peak = std::max(g_peak, ++g_handles);
  return true;
}

void ReturnGdiHandle() {
  std::lock_guard<std::mutex> guard(g_quotaLock);
  if (g_handles) --g_handles;
}

size_t GdiHandleCount() {
  std::lock_guard<std::mutex> guard(g_quotaLock);
  return g_handles;
}

size_t GdiHandlePeak() {
  std::lock_guard<std::mutex> guard(g_quotaLock);
  return g_peak;
}

HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object) {
  if (!object->stock && !TakeGdiHandle()) return nullptr;
  ObjectTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  return InsertLocked(t, std::move(object));
}

std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle) {
  ObjectTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.entries.end() ? nullptr : it->second;
}

HGDIOBJ StockObject(int index) {
  ObjectTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.stock.find(index);
  if (it != t.stock.end()) return it->second;
  std::shared_ptr<GdiObject> object = MakeStock(index);
  if (!object) return nullptr;
  object->stock = true;
  HGDIOBJ handle = InsertLocked(t, std::move(object));
  t.stock[index] = handle;
  return handle;
}

HBITMAP StockBitmap() {
  ObjectTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (!t.stockBitmap) {
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->stock = true;
    bitmap->bits = std::make_shared<BitmapBits>();
    bitmap->bits->width = bitmap->bits->height = 1;
    bitmap->bits->bitCount = 1;
    bitmap->bits->stride = 4;
    bitmap->bits->bytes.assign(4, 0);
    t.stockBitmap = static_cast<HBITMAP>(InsertLocked(t, std::move(bitmap)));
  }
  return t.stockBitmap;
}

std::shared_ptr<BitmapBits> NewBitmapBits(LONG width, LONG height, WORD bitCount, bool topDown) {
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  if (width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(height) > kMaxBitmapBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto bits = std::make_shared<BitmapBits>();
  bits->width = width;
  bits->height = height;
  bits->bitCount = bitCount;
  bits->topDown = topDown;
  bits->stride = static_cast<size_t>(stride);
  bits->bytes.assign(bits->stride * static_cast<size_t>(height), 0);
  return bits;
}

bool BitmapInUse(const BitmapObject& bitmap) {
  if (!bitmap.selectedInto) return false;
  std::shared_ptr<PrinterDC> dc = LookupDC(bitmap.selectedInto);
  return dc && dc->draw.bitmap.get() == &bitmap;
}

}  // namespace plat::gdi

using namespace plat::gdi;

extern "C" {

WINBASEAPI HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
  if (iStyle < 0 || !ValidPenColorStyle(static_cast<DWORD>(iStyle))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pen = std::make_shared<PenObject>();
  pen->style = static_cast<DWORD>(iStyle);
  // A negative width counts as its magnitude; a wide pen draws dashed styles solid.
  pen->width = static_cast<DWORD>(cWidth < 0 ? -static_cast<int64_t>(cWidth) : cWidth);
  if (pen->width > 1 && pen->style >= PS_DASH && pen->style <= PS_DASHDOTDOT) pen->style = PS_SOLID;
  pen->color = color;
  pen->brush = LOGBRUSH{BS_SOLID, color, 0};
  return static_cast<HPEN>(InsertObject(std::move(pen)));
}

WINBASEAPI HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen) {
  if (!plpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreatePen(static_cast<int>(plpen->lopnStyle), plpen->lopnWidth.x, plpen->lopnColor);
}

WINBASEAPI HPEN WINAPI ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle,
                                    const DWORD* pstyle) {
  auto refuse = [] {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<HPEN>(nullptr);
  };
  if (!plbrush) return refuse();
  DWORD style = iPenStyle & PS_STYLE_MASK;
  DWORD type = iPenStyle & PS_TYPE_MASK;
  DWORD cap = iPenStyle & PS_ENDCAP_MASK;
  DWORD join = iPenStyle & PS_JOIN_MASK;
  if (iPenStyle & ~(PS_STYLE_MASK | PS_TYPE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK)) return refuse();
  if (type != PS_COSMETIC && type != PS_GEOMETRIC) return refuse();
  if (style > PS_ALTERNATE || cap > PS_ENDCAP_FLAT || join > PS_JOIN_MITER) return refuse();
  if (type == PS_COSMETIC) {
    // Cosmetic pens are one pixel wide, solid coloured, without caps or joins of their own.
    if (cWidth != 1 || plbrush->lbStyle != BS_SOLID || cap != 0 || join != 0 || style == PS_INSIDEFRAME)
      return refuse();
  } else if (style == PS_ALTERNATE) {
    return refuse();
  }
  std::vector<DWORD> user;
  if (style == PS_USERSTYLE) {
    if (cStyle == 0 || cStyle > 16 || !pstyle) return refuse();
    user.assign(pstyle, pstyle + cStyle);
    bool anyLength = false;
    for (DWORD length : user) anyLength |= length != 0;
    if (!anyLength) return refuse();
  } else if (cStyle != 0 || pstyle != nullptr) {
    return refuse();
  }

  auto pen = std::make_shared<PenObject>();
  pen->type = OBJ_EXTPEN;
  pen->style = iPenStyle;
  pen->width = cWidth;
  pen->brush = *plbrush;
  pen->userStyle = std::move(user);
  switch (plbrush->lbStyle) {
    case BS_SOLID:
    case BS_NULL:
      pen->color = plbrush->lbColor;
      break;
    case BS_HATCHED:
      if (plbrush->lbHatch > HS_DIAGCROSS) return refuse();
      pen->color = plbrush->lbColor;
      break;
    case BS_PATTERN: {
      auto bitmap = LookupObjectAs<BitmapObject>(reinterpret_cast<HGDIOBJ>(plbrush->lbHatch));
      if (!bitmap) return refuse();
      pen->pattern = std::make_shared<BitmapBits>(*bitmap->bits);
      break;
    }
    default: return refuse();
  }
  if (style == PS_NULL) pen->brush.lbStyle = BS_NULL;
  return static_cast<HPEN>(InsertObject(std::move(pen)));
}

WINBASEAPI HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  auto brush = std::make_shared<BrushObject>();
  brush->style = BS_SOLID;
  brush->color = color;
  return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

WINBASEAPI HBRUSH WINAPI CreateHatchBrush(int iHatch, COLORREF color) {
  if (iHatch < HS_HORIZONTAL || iHatch > HS_DIAGCROSS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto brush = std::make_shared<BrushObject>();
  brush->style = BS_HATCHED;
  brush->color = color;
  brush->hatch = static_cast<ULONG_PTR>(iHatch);
  return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

WINBASEAPI HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm) {
  auto bitmap = LookupObjectAs<BitmapObject>(hbm);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto brush = std::make_shared<BrushObject>();
  brush->style = BS_PATTERN;
  brush->hatch = reinterpret_cast<ULONG_PTR>(hbm);
  // The brush keeps its own copy: the application may delete the bitmap once the brush exists.
  brush->pattern = std::make_shared<BitmapBits>(*bitmap->bits);
  brush->monochromePattern = bitmap->bits->bitCount == 1 && !bitmap->dibSection;
  return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

WINBASEAPI HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
  if (!plbrush) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  switch (plbrush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(plbrush->lbColor);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(plbrush->lbHatch), plbrush->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(plbrush->lbHatch));
    case BS_NULL: {
      auto brush = std::make_shared<BrushObject>();
      brush->style = BS_NULL;
      return static_cast<HBRUSH>(InsertObject(std::move(brush)));
    }
    case BS_DIBPATTERNPT: {
      // lbHatch points at a packed DIB (header, colours, rows); lbColor says how the colours read.
      const auto* info = reinterpret_cast<const BITMAPINFO*>(plbrush->lbHatch);
      if (!info || plbrush->lbColor != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      std::shared_ptr<BitmapBits> bits = DibFromInfo(info, nullptr, nullptr, true);
      if (!bits) return nullptr;
      auto brush = std::make_shared<BrushObject>();
      brush->style = BS_DIBPATTERNPT;
      brush->color = plbrush->lbColor;
      brush->hatch = plbrush->lbHatch;
      brush->pattern = std::move(bits);
      return static_cast<HBRUSH>(InsertObject(std::move(brush)));
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

WINBASEAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
  if (!lplf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_shared<FontObject>();
  font->logfont = *lplf;
  // The face name is kept terminated whatever the caller left in the last character.
  font->logfont.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(InsertObject(std::move(font)));
}

WINBASEAPI HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits) {
  if (nWidth < 0 || nHeight < 0 || nPlanes != 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (nWidth == 0 || nHeight == 0) return StockBitmap();
  std::shared_ptr<BitmapBits> bits = NewBitmapBits(nWidth, nHeight, static_cast<WORD>(nBitCount), true);
  if (!bits || nBitCount > 32) {
    if (bits) SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (lpBits) {
    // The caller's rows are padded to 16 bits and run from the top.
    size_t sourceStride = (static_cast<size_t>(nWidth) * nBitCount + 15) / 16 * 2;
    const BYTE* source = static_cast<const BYTE*>(lpBits);
    for (LONG y = 0; y < bits->height; ++y)
      std::memcpy(bits->Row(y), source + sourceStride * static_cast<size_t>(y), sourceStride);
  }
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->bits = std::move(bits);
  return static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
}

WINBASEAPI HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits,
                                           HANDLE hSection, DWORD offset) {
  (void)hdc;
  (void)offset;
  if (ppvBits) *ppvBits = nullptr;
  // File-mapping sections are not part of the stand-in; the bits always live in the process.
  if (!pbmi || usage != DIB_RGB_COLORS || hSection != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  BITMAPINFOHEADER header{};
  std::shared_ptr<BitmapBits> bits = DibFromInfo(pbmi, nullptr, &header, false);
  if (!bits) return nullptr;
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->bits = bits;
  bitmap->dibSection = true;
  bitmap->dibHeader = header;
  if (ppvBits) *ppvBits = bits->bytes.data();
  return static_cast<HBITMAP>(InsertObject(std::move(bitmap)));
}

WINBASEAPI HGDIOBJ WINAPI GetStockObject(int i) { return StockObject(i); }

WINBASEAPI DWORD WINAPI GetObjectType(HGDIOBJ h) {
  if (std::shared_ptr<GdiObject> object = LookupObject(h)) return object->type;
  if (std::shared_ptr<PrinterDC> dc = LookupDC(static_cast<HDC>(h))) return dc->memoryDC ? OBJ_MEMDC : OBJ_DC;
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

WINBASEAPI int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv) {
  std::shared_ptr<GdiObject> object = LookupObject(h);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  std::vector<BYTE> bytes = Describe(*object, pv ? c : 0);
  if (bytes.empty()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!pv) return static_cast<int>(bytes.size());
  if (c <= 0) return 0;
  size_t count = bytes.size();
  // A font's record may be read in part; every other record needs room for all of it.
  if (static_cast<size_t>(c) < count) {
    if (object->type != OBJ_FONT) return 0;
    count = static_cast<size_t>(c);
  }
  std::memcpy(pv, bytes.data(), count);
  return static_cast<int>(count);
}

WINBASEAPI HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DrawState& s = StateOf(*dc);
  switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return s.hpen;
    case OBJ_BRUSH: return s.hbrush;
    case OBJ_FONT: return s.hfont;
    case OBJ_BITMAP: return dc->memoryDC ? static_cast<HGDIOBJ>(s.hbitmap) : nullptr;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  std::shared_ptr<GdiObject> object = LookupObject(h);
  if (!dc || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DrawState& s = StateOf(*dc);
  switch (object->type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: {
      HGDIOBJ previous = s.hpen;
      s.hpen = static_cast<HPEN>(h);
      s.pen = std::static_pointer_cast<PenObject>(object);
      return previous;
    }
    case OBJ_BRUSH: {
      HGDIOBJ previous = s.hbrush;
      s.hbrush = static_cast<HBRUSH>(h);
      s.brush = std::static_pointer_cast<BrushObject>(object);
      return previous;
    }
    case OBJ_FONT: {
      HGDIOBJ previous = s.hfont;
      s.hfont = static_cast<HFONT>(h);
      s.font = std::static_pointer_cast<FontObject>(object);
      return previous;
    }
    case OBJ_BITMAP: {
      auto bitmap = std::static_pointer_cast<BitmapObject>(object);
      // Only a memory DC holds a bitmap, and a bitmap is held by one DC at a time.
      if (!dc->memoryDC || (bitmap.get() != s.bitmap.get() && !bitmap->stock && BitmapInUse(*bitmap))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      HGDIOBJ previous = s.hbitmap;
      if (s.bitmap) s.bitmap->selectedInto = nullptr;
      s.hbitmap = static_cast<HBITMAP>(h);
      s.bitmap = bitmap;
      if (!bitmap->stock) bitmap->selectedInto = hdc;
      return previous;
    }
    case OBJ_REGION: {
      int result = SelectClipRegion(*dc, &std::static_pointer_cast<RegionObject>(object)->region, RGN_COPY);
      return result == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(result));
    }
    default:
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
  }
}

WINBASEAPI BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  std::shared_ptr<GdiObject> object = LookupObject(ho);
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->stock) return TRUE;
  // A bitmap cannot go while a memory DC holds it; pens, brushes and fonts may, and a DC that
  // still holds one keeps drawing with it until another is selected.
  if (object->type == OBJ_BITMAP && BitmapInUse(static_cast<const BitmapObject&>(*object))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ObjectTable& t = Table();
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (!t.entries.erase(reinterpret_cast<uintptr_t>(ho))) {
      SetLastError(ERROR_INVALID_PARAMETER);  // deleted by another thread meanwhile
      return FALSE;
    }
  }
  ReturnGdiHandle();
  return TRUE;
}

}  // extern "C"
