// Events, within one process. A named event created twice is one object.
#include <map>
#include <mutex>

#include <win/process.h>

#include "internal/unicode.h"
#include "internal/waitable.h"

namespace {

struct EventObject : plat::Waitable {
  std::mutex lock;
  bool manualReset = false;
  bool signaled = false;

  plat::WaitOutcome TryAcquire() override {
    std::lock_guard<std::mutex> guard(lock);
    if (!signaled) return plat::WaitOutcome::NotSignaled;
    if (!manualReset) signaled = false;
    return plat::WaitOutcome::Signaled;
  }
  bool IsSignaled() override {
    std::lock_guard<std::mutex> guard(lock);
    return signaled;
  }
};

std::mutex g_namesLock;
std::map<std::u16string, std::weak_ptr<EventObject>>* g_names = new std::map<std::u16string, std::weak_ptr<EventObject>>;

BOOL SetState(HANDLE handle, bool signaled) {
  std::shared_ptr<EventObject> event = plat::LookupHandleAs<EventObject>(handle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(event->lock);
    event->signaled = signaled;
  }
  if (signaled) plat::NotifyWaiters();
  return TRUE;
}

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
  std::u16string name(plat::WideView(lpName));
  std::lock_guard<std::mutex> guard(g_namesLock);
  if (!name.empty()) {
    auto it = g_names->find(name);
    if (it != g_names->end()) {
      if (std::shared_ptr<EventObject> existing = it->second.lock()) {
        HANDLE handle = plat::InsertHandle(existing);
        SetLastError(ERROR_ALREADY_EXISTS);
        return handle;
      }
    }
  }
  auto event = std::make_shared<EventObject>();
  event->manualReset = bManualReset != FALSE;
  event->signaled = bInitialState != FALSE;
  if (!name.empty()) (*g_names)[name] = event;
  HANDLE handle = plat::InsertHandle(event);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

WINBASEAPI BOOL WINAPI SetEvent(HANDLE hEvent) { return SetState(hEvent, true); }
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE hEvent) { return SetState(hEvent, false); }

}  // extern "C"
