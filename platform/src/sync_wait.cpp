// The wait functions. Objects of this process wake waiters at once; objects whose state lives in
// other processes (processes, named mutexes) are looked at again every few milliseconds.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <win/process.h>

#include "internal/clock.h"
#include "internal/waitable.h"

namespace {

constexpr DWORD kPollMs = 2;

std::mutex& WaitLock() {
  static std::mutex* lock = new std::mutex;  // outlives static destructors of callers
  return *lock;
}
std::condition_variable& WaitChanged() {
  static std::condition_variable* changed = new std::condition_variable;
  return *changed;
}
unsigned long long& Generation() {
  static unsigned long long generation = 0;
  return generation;
}

bool CollectObjects(DWORD count, const HANDLE* handles, std::vector<std::shared_ptr<plat::Waitable>>& out) {
  for (DWORD i = 0; i < count; ++i) {
    std::shared_ptr<plat::Waitable> object = plat::LookupHandleAs<plat::Waitable>(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    out.push_back(std::move(object));
  }
  return true;
}

// One look at the objects: the result of the wait, or WAIT_TIMEOUT when nothing is ready yet.
DWORD TryOnce(std::vector<std::shared_ptr<plat::Waitable>>& objects, bool waitAll) {
  if (!waitAll) {
    for (size_t i = 0; i < objects.size(); ++i) {
      plat::WaitOutcome outcome = objects[i]->TryAcquire();
      if (outcome == plat::WaitOutcome::Signaled) return WAIT_OBJECT_0 + static_cast<DWORD>(i);
      if (outcome == plat::WaitOutcome::Abandoned) return WAIT_ABANDONED_0 + static_cast<DWORD>(i);
    }
    return WAIT_TIMEOUT;
  }
  for (auto& object : objects)
    if (!object->IsSignaled()) return WAIT_TIMEOUT;
  bool abandoned = false;
  for (auto& object : objects) abandoned |= object->TryAcquire() == plat::WaitOutcome::Abandoned;
  return abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
}

DWORD Wait(DWORD count, const HANDLE* handles, bool waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<plat::Waitable>> objects;
  if (!CollectObjects(count, handles, objects)) return WAIT_FAILED;
  // The deadline is on the machine's clock, so a scaled or manual clock ends the wait.
  ULONGLONG deadline = plat::clock::Now() + milliseconds;
  for (;;) {
    plat::SuspensionPoint();
    unsigned long long seen;
    {
      std::lock_guard<std::mutex> guard(WaitLock());
      seen = Generation();
    }
    DWORD result = TryOnce(objects, waitAll);
    if (result != WAIT_TIMEOUT) return result;
    if (milliseconds != INFINITE && plat::clock::Now() >= deadline) return WAIT_TIMEOUT;
    DWORD slice = milliseconds == INFINITE ? kPollMs : plat::clock::RealWaitMs(deadline, kPollMs);
    std::unique_lock<std::mutex> lock(WaitLock());
    WaitChanged().wait_for(lock, std::chrono::milliseconds(slice), [&] { return Generation() != seen; });
  }
}

}  // namespace

namespace plat {

void NotifyWaiters() {
  {
    std::lock_guard<std::mutex> guard(WaitLock());
    ++Generation();
  }
  WaitChanged().notify_all();
}

}  // namespace plat

extern "C" {

WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return Wait(1, &hHandle, false, dwMilliseconds);
}

WINBASEAPI DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                               DWORD dwMilliseconds) {
  return Wait(nCount, lpHandles, bWaitAll != FALSE, dwMilliseconds);
}

}  // extern "C"
