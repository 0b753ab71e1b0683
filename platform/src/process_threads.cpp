// Threads of this process. Thread ids are host thread ids, so they are unique in the machine.
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include <win/process.h>

#include "internal/waitable.h"

namespace {

struct ThreadState {
  std::mutex lock;
  std::condition_variable changed;
  DWORD id = 0;
  DWORD suspendCount = 0;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

struct ThreadObject : plat::ThreadHandleObject {
  std::shared_ptr<ThreadState> state;

  plat::WaitOutcome TryAcquire() override { return IsSignaled() ? plat::WaitOutcome::Signaled : plat::WaitOutcome::NotSignaled; }
  bool IsSignaled() override {
    std::lock_guard<std::mutex> guard(state->lock);
    return state->finished;
  }
  DWORD ThreadId() override { return state->id; }
  DWORD Resume() override {
    DWORD previous;
    {
      std::lock_guard<std::mutex> guard(state->lock);
      previous = state->suspendCount;
      if (state->suspendCount) --state->suspendCount;
    }
    state->changed.notify_all();
    return previous;
  }
  DWORD ExitCode() override {
    std::lock_guard<std::mutex> guard(state->lock);
    return state->finished ? state->exitCode : STILL_ACTIVE;
  }
  DWORD Suspend() override {
    DWORD previous;
    {
      std::lock_guard<std::mutex> guard(state->lock);
      previous = state->suspendCount++;
    }
    if (state->id == static_cast<DWORD>(syscall(SYS_gettid))) plat::SuspensionPoint();
    return previous;
  }
};

thread_local std::shared_ptr<ThreadState> t_self;

std::mutex g_priorityLock;
std::map<DWORD, int>* g_priorities = new std::map<DWORD, int>;  // outlives static destructors

bool ValidPriority(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
      return true;
    default:
      return false;
  }
}

// The id of the thread a handle names (the pseudo handle too); 0 with the error.
DWORD HandleThreadId(HANDLE thread) {
  if (thread == GetCurrentThread()) return static_cast<DWORD>(syscall(SYS_gettid));
  std::shared_ptr<plat::ThreadHandleObject> object = plat::LookupHandleAs<plat::ThreadHandleObject>(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->ThreadId();
}

struct CrtStart {
  _beginthreadex_proc_type start;
  void* argument;
};

DWORD WINAPI RunCrtThread(LPVOID parameter) {
  CrtStart start = *static_cast<CrtStart*>(parameter);
  delete static_cast<CrtStart*>(parameter);
  return start.start(start.argument);
}

void RunThread(std::shared_ptr<ThreadState> state, LPTHREAD_START_ROUTINE start, LPVOID parameter) {
  t_self = state;
  {
    std::unique_lock<std::mutex> lock(state->lock);
    state->id = static_cast<DWORD>(syscall(SYS_gettid));
    state->changed.notify_all();
    state->changed.wait(lock, [&] { return state->suspendCount == 0; });
  }
  DWORD code = start(parameter);
  {
    std::lock_guard<std::mutex> guard(state->lock);
    state->finished = true;
    state->exitCode = code;
  }
  {
    std::lock_guard<std::mutex> guard(g_priorityLock);
    g_priorities->erase(state->id);
  }
  t_self.reset();
  plat::NotifyWaiters();
}

}  // namespace

namespace plat {

void SuspensionPoint() {
  std::shared_ptr<ThreadState> self = t_self;
  if (!self) return;
  std::unique_lock<std::mutex> lock(self->lock);
  self->changed.wait(lock, [&] { return self->suspendCount == 0; });
}

}  // namespace plat

extern "C" {

WINBASEAPI HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                                      LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto state = std::make_shared<ThreadState>();
  state->suspendCount = (dwCreationFlags & CREATE_SUSPENDED) ? 1 : 0;
  try {
    std::thread(RunThread, state, lpStartAddress, lpParameter).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  {
    // The id is the new thread's own, known once it runs.
    std::unique_lock<std::mutex> lock(state->lock);
    state->changed.wait(lock, [&] { return state->id != 0; });
  }
  auto object = std::make_shared<ThreadObject>();
  object->state = state;
  if (lpThreadId) *lpThreadId = state->id;
  return plat::InsertHandle(object);
}

WINBASEAPI DWORD WINAPI ResumeThread(HANDLE hThread) {
  std::shared_ptr<plat::ThreadHandleObject> thread = plat::LookupHandleAs<plat::ThreadHandleObject>(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return thread->Resume();
}

WINBASEAPI DWORD WINAPI SuspendThread(HANDLE hThread) {
  if (hThread == GetCurrentThread() && t_self) {
    DWORD previous;
    {
      std::lock_guard<std::mutex> guard(t_self->lock);
      previous = t_self->suspendCount++;
    }
    plat::SuspensionPoint();
    return previous;
  }
  std::shared_ptr<plat::ThreadHandleObject> thread = plat::LookupHandleAs<plat::ThreadHandleObject>(hThread);
  if (!thread) {
    SetLastError(hThread == GetCurrentThread() ? ERROR_NOT_SUPPORTED : ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return thread->Suspend();
}

WINBASEAPI BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
  DWORD id = HandleThreadId(hThread);
  if (!id) return FALSE;
  if (!ValidPriority(nPriority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(g_priorityLock);
  (*g_priorities)[id] = nPriority;
  return TRUE;
}

WINBASEAPI int WINAPI GetThreadPriority(HANDLE hThread) {
  DWORD id = HandleThreadId(hThread);
  if (!id) return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard<std::mutex> guard(g_priorityLock);
  auto it = g_priorities->find(id);
  return it == g_priorities->end() ? THREAD_PRIORITY_NORMAL : it->second;
}

WINBASEAPI uintptr_t _beginthreadex(void*, unsigned, _beginthreadex_proc_type start_address, void* arglist,
                                    unsigned initflag, unsigned* thrdaddr) {
  if (!start_address) {
    errno = EINVAL;
    return 0;
  }
  auto* start = new CrtStart{start_address, arglist};
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, RunCrtThread, start, initflag & CREATE_SUSPENDED, &id);
  if (!thread) {
    delete start;
    errno = EAGAIN;
    return 0;
  }
  if (thrdaddr) *thrdaddr = id;
  return reinterpret_cast<uintptr_t>(thread);
}

WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  if (hThread == GetCurrentThread()) {
    if (lpExitCode) *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  std::shared_ptr<plat::ThreadHandleObject> thread = plat::LookupHandleAs<plat::ThreadHandleObject>(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpExitCode = thread->ExitCode();
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetThreadId(HANDLE Thread) {
  if (Thread == GetCurrentThread()) return static_cast<DWORD>(syscall(SYS_gettid));
  std::shared_ptr<plat::ThreadHandleObject> thread = plat::LookupHandleAs<plat::ThreadHandleObject>(Thread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return thread->ThreadId();
}

WINBASEAPI HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

}  // extern "C"
