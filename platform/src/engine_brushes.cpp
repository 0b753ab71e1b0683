// Brush objects: solid colours the driver reads directly, and hatched and bitmap-pattern
// brushes that the engine has the driver realise on first use (DrvRealizeBrush with the
// pattern bitmap and its colour translation), keeping the realisation the driver allocated
// through BRUSHOBJ_pvAllocRbrush for as long as the brush lives.
#include <cstring>

#include "internal/allocation.h"
#include "internal/engine.h"
#include "internal/engine_objects.h"
#include "internal/engine_registry.h"

namespace plat::engine {
namespace {

// A realisation larger than this is refused: no pattern brush needs it, and a driver's
// miscomputed size must not exhaust the process.
constexpr ULONG kMaxRealization = 64u << 20;

struct BrushObject {
  BRUSHOBJ bo{};  // first: the driver's pointer is this object's address
  BrushRealizer realizer;
  HSURF pattern = nullptr;  // the engine's own pattern bitmap (hatch or copied pattern)
  XlatePtr xlate;
  ULONG hatch = 0;
  std::unique_ptr<std::max_align_t[]> realization;
  std::unique_ptr<std::max_align_t[]> pending;  // allocated inside DrvRealizeBrush
  bool realizing = false;
  ULONG realizeCalls = 0;

  ~BrushObject() {
    if (pattern) DeleteBitmapSurface(pattern);
  }
};

BrushObject* Find(const BRUSHOBJ* pbo) { return Live<BrushObject>().Find(pbo); }

BrushPtr Register(std::unique_ptr<BrushObject> object) {
  BrushObject* raw = object.release();
  Live<BrushObject>().Add(&raw->bo, raw);
  return BrushPtr(&raw->bo);
}

// The surface a pattern is handed to the driver as: a driver's own hatch surface when it gave
// one, else the engine's bitmap.
SURFOBJ* PatternSurface(const BrushObject& brush) {
  if (brush.hatch < HS_DDI_MAX && brush.realizer.driverHatches[brush.hatch]) {
    HSURF own = brush.realizer.driverHatches[brush.hatch];
    if (SURFOBJ* so = LookupBitmap(own)) return so;
    if (SURFOBJ* so = LookupSurface(own)) return so;
  }
  return LookupBitmap(brush.pattern);
}

}  // namespace

void ObjectDeleter::operator()(BRUSHOBJ* brush) const {
  if (brush) delete Live<BrushObject>().Remove(brush);
}

std::array<BYTE, 8> HatchRows(ULONG hatch) {
  std::array<BYTE, 8> rows;
  rows.fill(0xFF);
  for (int y = 0; y < 8; ++y) {
    BYTE line = 0;  // set bits here are hatch pixels; the bitmap holds them as 0
    switch (hatch) {
      case HS_HORIZONTAL: line = y == 3 ? 0xFF : 0x00; break;
      case HS_VERTICAL: line = 0x10; break;
      case HS_FDIAGONAL: line = static_cast<BYTE>(0x80 >> y); break;
      case HS_BDIAGONAL: line = static_cast<BYTE>(0x01 << y); break;
      case HS_CROSS: line = y == 3 ? 0xFF : 0x10; break;
      case HS_DIAGCROSS: line = static_cast<BYTE>((0x80 >> y) | (0x01 << y)); break;
      default: return rows;
    }
    rows[y] = static_cast<BYTE>(~line);
  }
  return rows;
}

BrushPtr CreateSolidBrush(ULONG deviceColor) {
  auto object = std::make_unique<BrushObject>();
  object->bo.iSolidColor = deviceColor;
  return Register(std::move(object));
}

BrushPtr CreateHatchBrush(ULONG hatch, COLORREF hatchColor, COLORREF background, const BrushRealizer& realizer) {
  if (hatch >= HS_DDI_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<BrushObject>();
  object->bo.iSolidColor = 0xFFFFFFFF;
  object->realizer = realizer;
  object->hatch = hatch;
  object->pattern = CreateBitmapSurface(SIZEL{8, 8}, BMF_1BPP, true);
  object->xlate = CreateXlate(IndexedPalette({hatchColor & 0xFFFFFF, background & 0xFFFFFF}));
  SURFOBJ* so = LookupBitmap(object->pattern);
  if (so == nullptr || !object->xlate) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::array<BYTE, 8> rows = HatchRows(hatch);
  for (int y = 0; y < 8; ++y) static_cast<BYTE*>(so->pvScan0)[y * so->lDelta] = rows[y];
  return Register(std::move(object));
}

BrushPtr CreatePatternBrush(ULONG format, SIZEL size, const BYTE* bits, LONG stride, const Palette& palette,
                            const BrushRealizer& realizer) {
  ULONG rowBytes = (FormatBits(format) * static_cast<uint64_t>(size.cx > 0 ? size.cx : 0) + 7) / 8;
  uint64_t magnitude = stride < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(stride)) : static_cast<uint64_t>(stride);
  if (bits == nullptr || FormatBits(format) == 0 || size.cx <= 0 || size.cy <= 0 || magnitude < rowBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<BrushObject>();
  object->bo.iSolidColor = 0xFFFFFFFF;
  object->realizer = realizer;
  object->hatch = kPatternBrushHatch;
  object->xlate = CreateXlate(palette);
  if (!object->xlate) return nullptr;
  // The engine's copy keeps the picture's own row order, so a driver sees bottom-up patterns too.
  object->pattern = CreateBitmapSurface(size, format, stride > 0);
  SURFOBJ* so = LookupBitmap(object->pattern);
  if (so == nullptr) return nullptr;
  // A bottom-up picture given with a negative stride starts at its top row already.
  CopyIntoBitmap(so, bits, stride);
  return Register(std::move(object));
}

ULONG BrushRealizeCalls(const BRUSHOBJ* brush) {
  BrushObject* object = Find(brush);
  return object ? object->realizeCalls : 0;
}

}  // namespace plat::engine

using plat::engine::BrushObject;

extern "C" {

// Inside DrvRealizeBrush the block becomes the realisation when the driver answers TRUE (and is
// freed when it answers FALSE); outside it replaces the realisation at once. Zero-filled.
WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  BrushObject* object = plat::engine::Find(pbo);
  if (object == nullptr || cj == 0 || cj > plat::engine::kMaxRealization) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (plat::AllocationShouldFail()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  size_t units = (cj + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
  auto block = std::make_unique<std::max_align_t[]>(units);
  std::memset(block.get(), 0, units * sizeof(std::max_align_t));
  PVOID address = block.get();
  if (object->realizing) {
    object->pending = std::move(block);
  } else {
    object->realization = std::move(block);
    object->bo.pvRbrush = address;
  }
  return address;
}

// The driver's realisation, made on first use. A solid brush has none; a refused realisation
// answers NULL and is asked for again at the next use.
WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  BrushObject* object = plat::engine::Find(pbo);
  if (object == nullptr) return nullptr;
  if (object->bo.pvRbrush) return object->bo.pvRbrush;
  if (object->pattern == nullptr || object->realizer.realize == nullptr || object->realizing) return nullptr;
  SURFOBJ* pattern = plat::engine::PatternSurface(*object);
  if (pattern == nullptr) return nullptr;
  object->realizing = true;
  ++object->realizeCalls;
  BOOL ok = object->realizer.realize(pbo, object->realizer.target, pattern, nullptr, object->xlate.get(),
                                     object->hatch);
  object->realizing = false;
  if (ok && object->pending) {
    object->realization = std::move(object->pending);
    object->bo.pvRbrush = object->realization.get();
  }
  object->pending.reset();
  return object->bo.pvRbrush;
}

// A solid brush's colour as RGB; 0xFFFFFFFF for a pattern brush.
WINBASEAPI ULONG APIENTRY BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
  BrushObject* object = plat::engine::Find(pbo);
  if (object == nullptr || object->bo.iSolidColor == 0xFFFFFFFF) return 0xFFFFFFFF;
  return object->bo.iSolidColor & 0xFFFFFF;
}

}  // extern "C"

namespace plat::engine {

bool BrushColorAt(const BRUSHOBJ* brush, POINTL origin, LONG x, LONG y, ULONG& color) {
  BrushObject* object = Find(brush);
  if (object == nullptr) return false;
  if (object->bo.iSolidColor != 0xFFFFFFFF || object->pattern == nullptr) {
    color = object->bo.iSolidColor & 0xFFFFFF;
    return true;
  }
  SURFOBJ* so = PatternSurface(*object);
  if (so == nullptr || so->iType != STYPE_BITMAP || so->sizlBitmap.cx <= 0 || so->sizlBitmap.cy <= 0) return false;
  LONG w = so->sizlBitmap.cx, h = so->sizlBitmap.cy;
  LONG px = static_cast<LONG>(((static_cast<int64_t>(x) - origin.x) % w + w) % w);
  LONG py = static_cast<LONG>(((static_cast<int64_t>(y) - origin.y) % h + h) % h);
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(py) * so->lDelta;
  ULONG pixel = 0;
  switch (so->iBitmapFormat) {
    case BMF_1BPP: pixel = (row[px / 8] >> (7 - px % 8)) & 1; break;
    case BMF_4BPP: pixel = (px % 2 == 0) ? row[px / 2] >> 4 : row[px / 2] & 0xF; break;
    case BMF_8BPP: pixel = row[px]; break;
    case BMF_16BPP: pixel = row[2 * px] | (row[2 * px + 1] << 8); break;
    case BMF_24BPP: pixel = row[3 * px] | (row[3 * px + 1] << 8) | (ULONG{row[3 * px + 2]} << 16); break;
    case BMF_32BPP:
      pixel = row[4 * px] | (row[4 * px + 1] << 8) | (ULONG{row[4 * px + 2]} << 16) | (ULONG{row[4 * px + 3]} << 24);
      break;
    default: return false;
  }
  color = XLATEOBJ_iXlate(object->xlate.get(), pixel) & 0xFFFFFF;
  return true;
}

}  // namespace plat::engine
