// Threads of this process. Thread ids are host thread ids, so they are unique in the machine.
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
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
};

void RunThread(std::shared_ptr<ThreadState> state, LPTHREAD_START_ROUTINE start, LPVOID parameter) {
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
  plat::NotifyWaiters();
}

}  // namespace

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
