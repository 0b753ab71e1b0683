#include <mutex>
#include <unordered_map>

#include "internal/handles.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<plat::KernelObject>> entries;
  // Ids are multiples of 4 as on Windows, start high enough that they are never mistaken for
  // a pseudo handle or a small constant, and stay below 2^31 so they fit 32-bit fields.
  uintptr_t next = 0x1000;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives static destructors of callers
  return *table;
}

}  // namespace

namespace plat {

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t id = t.next;
  t.next += 4;
  if (t.next >= 0x7FFFFFF0) t.next = 0x1000;
  while (t.entries.count(id)) id += 4;
  t.entries[id] = std::move(object);
  return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.entries.end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.entries.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

}  // namespace plat

extern "C" {

WINBASEAPI DWORD WINAPI GetLastError(void) { return t_lastError; }
WINBASEAPI void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

WINBASEAPI BOOL WINAPI CloseHandle(HANDLE hObject) {
  std::shared_ptr<plat::KernelObject> object = plat::LookupHandle(hObject);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!object->Close()) return FALSE;
  plat::RemoveHandle(hObject);
  return TRUE;
}

}  // extern "C"
