// Bitmap surfaces of the engine: memory bitmaps in the standard formats, top-down or bottom-up,
// either owning their bits or laid over the caller's memory, and the lock services that hand
// a driver their SURFOBJ. A bitmap deleted while locked lives on until its last unlock, so a
// driver that still holds the SURFOBJ never reads freed memory.
#include <cstring>
#include <map>
#include <mutex>

#include "internal/allocation.h"
#include "internal/engine.h"
#include "internal/engine_objects.h"

namespace plat::engine {
namespace {

// Beyond this a bitmap is refused as too large rather than attempted (a damaged size from a
// file or a caller must not exhaust the process).
constexpr uint64_t kMaxBitmapBytes = uint64_t{1} << 31;
constexpr uintptr_t kFirstBitmapId = 0x50000000;

struct BitmapEntry {
  SURFOBJ so{};
  std::vector<BYTE> bits;  // empty when the bits are the caller's
  ULONG locks = 0;
  bool deleted = false;
};

struct BitmapTable {
  std::mutex lock;
  std::map<uintptr_t, std::unique_ptr<BitmapEntry>> entries;
  uintptr_t next = kFirstBitmapId;
  ULONG nextUniq = 1;
};

BitmapTable& Table() {
  static BitmapTable* table = new BitmapTable;  // outlives static destructors of callers
  return *table;
}

uintptr_t Id(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

HSURF Insert(std::unique_ptr<BitmapEntry> entry) {
  BitmapTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t id = t.next;
  do {
    id = t.next;
    t.next += 4;
    if (t.next >= kFirstBitmapId + 0x0FFFFFF0) t.next = kFirstBitmapId;
  } while (t.entries.count(id));
  entry->so.hsurf = reinterpret_cast<HSURF>(id);
  entry->so.iUniq = t.nextUniq++;
  t.entries[id] = std::move(entry);
  return reinterpret_cast<HSURF>(id);
}

// Lays out the SURFOBJ over bits that start at `base` with `stride` bytes a row.
void Layout(SURFOBJ& so, SIZEL size, ULONG format, BYTE* base, ULONG stride, bool topDown) {
  so.sizlBitmap = size;
  so.iBitmapFormat = format;
  so.iType = STYPE_BITMAP;
  so.cjBits = stride * static_cast<ULONG>(size.cy);
  so.pvBits = base;
  if (topDown) {
    so.pvScan0 = base;
    so.lDelta = static_cast<LONG>(stride);
    so.fjBitmap = BMF_TOPDOWN;
  } else {
    so.pvScan0 = base + static_cast<size_t>(stride) * static_cast<size_t>(size.cy - 1);
    so.lDelta = -static_cast<LONG>(stride);
    so.fjBitmap = 0;
  }
}

bool ValidRequest(SIZEL size, ULONG format) {
  return size.cx > 0 && size.cy > 0 && FormatBits(format) != 0;
}

}  // namespace

ULONG FormatBits(ULONG format) {
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

ULONG BitmapStride(ULONG format, LONG width) {
  ULONG bits = FormatBits(format);
  if (bits == 0 || width <= 0) return 0;
  uint64_t stride = ((uint64_t{bits} * static_cast<uint64_t>(width) + 31) / 32) * 4;
  return stride > 0x7FFFFFFF ? 0 : static_cast<ULONG>(stride);
}

HSURF CreateBitmapSurface(SIZEL size, ULONG format, bool topDown) {
  return reinterpret_cast<HSURF>(
      EngCreateBitmap(size, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr));
}

SURFOBJ* LookupBitmap(HSURF hsurf) {
  BitmapTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(Id(hsurf));
  return it == t.entries.end() || it->second->deleted ? nullptr : &it->second->so;
}

bool DeleteBitmapSurface(HSURF hsurf) {
  BitmapTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(Id(hsurf));
  if (it == t.entries.end() || it->second->deleted) return false;
  if (it->second->locks > 0)
    it->second->deleted = true;
  else
    t.entries.erase(it);
  return true;
}

void CopyIntoBitmap(SURFOBJ* bitmap, const BYTE* bits, LONG stride) {
  if (bitmap == nullptr || bits == nullptr || bitmap->iType != STYPE_BITMAP) return;
  ULONG rowBytes = BitmapStride(bitmap->iBitmapFormat, bitmap->sizlBitmap.cx);
  ULONG sourceBytes = static_cast<ULONG>(stride < 0 ? -static_cast<int64_t>(stride) : stride);
  ULONG n = std::min(rowBytes, sourceBytes);
  BYTE* scan0 = static_cast<BYTE*>(bitmap->pvScan0);
  for (LONG y = 0; y < bitmap->sizlBitmap.cy; ++y)
    std::memcpy(scan0 + static_cast<ptrdiff_t>(y) * bitmap->lDelta, bits + static_cast<ptrdiff_t>(y) * stride, n);
}

}  // namespace plat::engine

extern "C" {

WINBASEAPI HBITMAP APIENTRY EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
  using namespace plat::engine;
  ULONG minimum = BitmapStride(iFormat, sizl.cx);
  if (!ValidRequest(sizl, iFormat) || minimum == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  bool topDown = (fl & BMF_TOPDOWN) != 0;
  auto entry = std::make_unique<BitmapEntry>();
  if (pvBits) {
    // The caller's memory, with the caller's row width: it must hold every pixel of a row.
    if (lWidth < 0 || static_cast<ULONG>(lWidth) < (FormatBits(iFormat) * static_cast<uint64_t>(sizl.cx) + 7) / 8 ||
        uint64_t{static_cast<ULONG>(lWidth)} * static_cast<uint64_t>(sizl.cy) > kMaxBitmapBytes) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    Layout(entry->so, sizl, iFormat, static_cast<BYTE*>(pvBits), static_cast<ULONG>(lWidth), topDown);
  } else {
    uint64_t total = uint64_t{minimum} * static_cast<uint64_t>(sizl.cy);
    if (total > kMaxBitmapBytes) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (plat::AllocationShouldFail()) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    entry->bits.assign(static_cast<size_t>(total), 0);
    Layout(entry->so, sizl, iFormat, entry->bits.data(), minimum, topDown);
  }
  return reinterpret_cast<HBITMAP>(Insert(std::move(entry)));
}

// Bitmaps and device surfaces both lock; a bitmap stays alive while it is locked.
WINBASEAPI SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf) {
  {
    plat::engine::BitmapTable& t = plat::engine::Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.entries.find(plat::engine::Id(hsurf));
    if (it != t.entries.end() && !it->second->deleted) {
      ++it->second->locks;
      return &it->second->so;
    }
  }
  return plat::engine::LookupSurface(hsurf);
}

WINBASEAPI VOID APIENTRY EngUnlockSurface(SURFOBJ* pso) {
  if (pso == nullptr) return;
  plat::engine::BitmapTable& t = plat::engine::Table();
  std::lock_guard<std::mutex> guard(t.lock);
  // Found by address, never by reading the record: the pointer may be stale.
  for (auto it = t.entries.begin(); it != t.entries.end(); ++it) {
    if (&it->second->so != pso) continue;
    if (it->second->locks == 0) return;
    if (--it->second->locks == 0 && it->second->deleted) t.entries.erase(it);
    return;
  }
}

}  // extern "C"

namespace plat::engine {

ULONG FormatFromBitCount(WORD bitCount) {
  switch (bitCount) {
    case 1: return BMF_1BPP;
    case 4: return BMF_4BPP;
    case 8: return BMF_8BPP;
    case 16: return BMF_16BPP;
    case 24: return BMF_24BPP;
    case 32: return BMF_32BPP;
    default: return 0;
  }
}

HSURF CreateBitmapOver(SIZEL size, ULONG format, BYTE* bits, ULONG stride, bool topDown) {
  if (bits == nullptr || stride > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return reinterpret_cast<HSURF>(
      EngCreateBitmap(size, static_cast<LONG>(stride), format, topDown ? BMF_TOPDOWN : 0, bits));
}

}  // namespace plat::engine
