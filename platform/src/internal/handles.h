// The process's handle table. Kernel objects of every kind (files, find handles, printers,
// services, events, processes...) live here under small integer ids.
#pragma once

#include <memory>

#include <win/base.h>

namespace plat {

struct KernelObject {
  virtual ~KernelObject() = default;
  // Called by CloseHandle before the entry is dropped; false leaves the handle open and
  // CloseHandle reports the object's error.
  virtual bool Close() { return true; }
};

HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes the entry without calling Close (used when an object is handed over).
bool RemoveHandle(HANDLE handle);

}  // namespace plat
