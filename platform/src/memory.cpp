// The global/local allocators and private heaps. Blocks come from malloc, so the sanitizers
// see every overrun; the tables here only say which addresses are live blocks, so a bad
// handle is refused without reading memory around it.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include <win/memory.h>

#include "internal/allocation.h"
#include "internal/controls.h"
#include "internal/system_state.h"

namespace {

struct GlobalBlock {
  void* data = nullptr;  // null for a moveable block of size 0 (discarded)
  SIZE_T size = 0;
  bool moveable = false;
  int locks = 0;
};

struct Heap {
  std::unordered_map<void*, SIZE_T> blocks;
  SIZE_T maximum = 0;  // 0: growable
  SIZE_T used = 0;
};

struct MemoryState {
  std::mutex lock;
  std::unordered_map<void*, GlobalBlock> fixed;          // by address
  std::unordered_map<uintptr_t, GlobalBlock> moveable;   // by handle
  // Moveable handles are never 16-byte aligned, so they cannot be mistaken for a fixed block.
  uintptr_t nextMoveable = 0x7F0004;
  std::map<uintptr_t, Heap> heaps;
  uintptr_t nextHeap = 0x1B0000;
  std::mutex failLock;
  std::optional<std::string> failSeen;
  unsigned long long failCount = 0;
};

constexpr uintptr_t kProcessHeap = 0xA0000;

MemoryState& State() {
  static MemoryState* state = [] {
    auto* s = new MemoryState;  // outlives static destructors of callers
    s->heaps[kProcessHeap];
    return s;
  }();
  return *state;
}

void* Allocate(SIZE_T bytes, bool zero) {
  SIZE_T n = bytes ? bytes : 1;
  return zero ? std::calloc(1, n) : std::malloc(n);
}

HGLOBAL AllocateGlobal(UINT flags, SIZE_T bytes) {
  if (plat::AllocationShouldFail()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bool moveable = (flags & GMEM_MOVEABLE) != 0;
  GlobalBlock block;
  block.size = bytes;
  block.moveable = moveable;
  if (!(moveable && bytes == 0)) {
    block.data = Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!block.data) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!moveable) {
    s.fixed[block.data] = block;
    return block.data;
  }
  uintptr_t handle = s.nextMoveable;
  s.nextMoveable += 0x10;
  s.moveable[handle] = block;
  return reinterpret_cast<HGLOBAL>(handle);
}

// The block a handle names, or null. Caller holds the lock.
GlobalBlock* FindGlobal(MemoryState& s, HGLOBAL handle) {
  auto f = s.fixed.find(handle);
  if (f != s.fixed.end()) return &f->second;
  auto m = s.moveable.find(reinterpret_cast<uintptr_t>(handle));
  return m == s.moveable.end() ? nullptr : &m->second;
}

HGLOBAL FreeGlobal(HGLOBAL handle) {
  if (!handle) return nullptr;
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  GlobalBlock* block = FindGlobal(s, handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return handle;
  }
  std::free(block->data);
  if (block->moveable)
    s.moveable.erase(reinterpret_cast<uintptr_t>(handle));
  else
    s.fixed.erase(handle);
  return nullptr;
}

SIZE_T SizeGlobal(HGLOBAL handle) {
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  GlobalBlock* block = FindGlobal(s, handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return block->size;
}

LPVOID LockGlobal(HGLOBAL handle) {
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  GlobalBlock* block = FindGlobal(s, handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (block->moveable && block->data) ++block->locks;
  return block->data;
}

BOOL UnlockGlobal(HGLOBAL handle) {
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  GlobalBlock* block = FindGlobal(s, handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!block->moveable) return TRUE;  // a fixed block has no lock count
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

HGLOBAL ReAllocGlobal(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  if (flags & GMEM_MODIFY) {
    // Only the flags change; the stand-in keeps none that matter after allocation.
    MemoryState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (FindGlobal(s, handle)) return handle;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (plat::AllocationShouldFail()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  GlobalBlock* block = FindGlobal(s, handle);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // A fixed block moves only when the caller allows it; growing in place is not possible here.
  if (!block->moveable && bytes > block->size && !(flags & GMEM_MOVEABLE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* data = std::realloc(block->data, bytes ? bytes : 1);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) && bytes > block->size) std::memset(static_cast<BYTE*>(data) + block->size, 0, bytes - block->size);
  GlobalBlock updated = *block;
  updated.data = data;
  updated.size = bytes;
  if (updated.moveable) {
    *block = updated;
    return handle;
  }
  s.fixed.erase(handle);
  s.fixed[data] = updated;
  return data;
}

Heap* FindHeap(MemoryState& s, HANDLE heap) {
  auto it = s.heaps.find(reinterpret_cast<uintptr_t>(heap));
  return it == s.heaps.end() ? nullptr : &it->second;
}

}  // namespace

namespace plat {

bool AllocationShouldFail() {
  MemoryState& s = State();
  std::optional<std::string> value = GetControl(kControlFailAllocation);
  std::lock_guard<std::mutex> guard(s.failLock);
  if (value != s.failSeen) {
    s.failSeen = value;
    s.failCount = 0;
  }
  if (!value || value->empty()) return false;
  char* end = nullptr;
  unsigned long long nth = std::strtoull(value->c_str(), &end, 0);
  if (nth == 0) return false;
  bool andLater = end && *end == '+';
  ++s.failCount;
  return andLater ? s.failCount >= nth : s.failCount == nth;
}

}  // namespace plat

extern "C" {

WINBASEAPI HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return AllocateGlobal(uFlags, dwBytes); }
WINBASEAPI HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  return ReAllocGlobal(hMem, dwBytes, uFlags);
}
WINBASEAPI HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) { return FreeGlobal(hMem); }
WINBASEAPI SIZE_T WINAPI GlobalSize(HGLOBAL hMem) { return SizeGlobal(hMem); }
WINBASEAPI LPVOID WINAPI GlobalLock(HGLOBAL hMem) { return LockGlobal(hMem); }
WINBASEAPI BOOL WINAPI GlobalUnlock(HGLOBAL hMem) { return UnlockGlobal(hMem); }

WINBASEAPI HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  void* p = const_cast<void*>(pMem);
  if (p && s.fixed.count(p)) return p;
  for (const auto& [handle, block] : s.moveable)
    if (block.data == p && p) return reinterpret_cast<HGLOBAL>(handle);
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) { return AllocateGlobal(uFlags, uBytes); }
WINBASEAPI HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
  return ReAllocGlobal(hMem, uBytes, uFlags);
}
WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL hMem) { return FreeGlobal(hMem); }
WINBASEAPI SIZE_T WINAPI LocalSize(HLOCAL hMem) { return SizeGlobal(hMem); }
WINBASEAPI LPVOID WINAPI LocalLock(HLOCAL hMem) { return LockGlobal(hMem); }
WINBASEAPI BOOL WINAPI LocalUnlock(HLOCAL hMem) { return UnlockGlobal(hMem); }

WINBASEAPI HANDLE WINAPI GetProcessHeap(void) {
  State();
  return reinterpret_cast<HANDLE>(kProcessHeap);
}

WINBASEAPI HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
  (void)flOptions;
  if (dwMaximumSize && dwInitialSize > dwMaximumSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (plat::AllocationShouldFail()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  uintptr_t id = s.nextHeap;
  s.nextHeap += 0x10000;
  s.heaps[id].maximum = dwMaximumSize;
  return reinterpret_cast<HANDLE>(id);
}

WINBASEAPI BOOL WINAPI HeapDestroy(HANDLE hHeap) {
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  Heap* heap = FindHeap(s, hHeap);
  if (!heap || reinterpret_cast<uintptr_t>(hHeap) == kProcessHeap) {
    SetLastError(heap ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (auto& [block, size] : heap->blocks) std::free(block);
  s.heaps.erase(reinterpret_cast<uintptr_t>(hHeap));
  return TRUE;
}

WINBASEAPI LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (plat::AllocationShouldFail()) return nullptr;
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  Heap* heap = FindHeap(s, hHeap);
  if (!heap) return nullptr;
  if (heap->maximum && (dwBytes > heap->maximum || heap->used > heap->maximum - dwBytes)) return nullptr;
  void* data = Allocate(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
  if (!data) return nullptr;
  heap->blocks[data] = dwBytes;
  heap->used += dwBytes;
  return data;
}

WINBASEAPI LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  if (plat::AllocationShouldFail()) return nullptr;
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  Heap* heap = FindHeap(s, hHeap);
  if (!heap) return nullptr;
  auto it = heap->blocks.find(lpMem);
  if (it == heap->blocks.end()) return nullptr;
  SIZE_T old = it->second;
  if (heap->maximum && dwBytes > old && (dwBytes - old > heap->maximum || heap->used > heap->maximum - (dwBytes - old)))
    return nullptr;
  if (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) {
    if (dwBytes > old) return nullptr;
    it->second = dwBytes;
    heap->used -= old - dwBytes;
    return lpMem;
  }
  void* data = std::realloc(lpMem, dwBytes ? dwBytes : 1);
  if (!data) return nullptr;
  if ((dwFlags & HEAP_ZERO_MEMORY) && dwBytes > old) std::memset(static_cast<BYTE*>(data) + old, 0, dwBytes - old);
  heap->blocks.erase(it);
  heap->blocks[data] = dwBytes;
  heap->used = heap->used - old + dwBytes;
  return data;
}

WINBASEAPI BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
  (void)dwFlags;
  if (!lpMem) return TRUE;
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  Heap* heap = FindHeap(s, hHeap);
  auto it = heap ? heap->blocks.find(lpMem) : std::unordered_map<void*, SIZE_T>::iterator();
  if (!heap || it == heap->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  heap->used -= it->second;
  heap->blocks.erase(it);
  std::free(lpMem);
  return TRUE;
}

WINBASEAPI SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem) {
  (void)dwFlags;
  MemoryState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  Heap* heap = FindHeap(s, hHeap);
  if (!heap) return static_cast<SIZE_T>(-1);
  auto it = heap->blocks.find(const_cast<LPVOID>(lpMem));
  return it == heap->blocks.end() ? static_cast<SIZE_T>(-1) : it->second;
}

}  // extern "C"
