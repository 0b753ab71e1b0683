// Kernel objects the wait functions accept: processes, threads, events and mutexes.
#pragma once

#include <string>

#include "internal/handles.h"

namespace plat {

enum class WaitOutcome { NotSignaled, Signaled, Abandoned };

struct Waitable : KernelObject {
  // Takes the object when it is signaled (an auto-reset event resets, a mutex becomes the
  // calling thread's). Called repeatedly while a wait lasts.
  virtual WaitOutcome TryAcquire() = 0;
  // Whether TryAcquire would succeed, without taking the object (for waits on all objects).
  virtual bool IsSignaled() = 0;
};

// A thread handle: one of this process's threads, or a started program's first thread.
struct ThreadHandleObject : Waitable {
  virtual DWORD ThreadId() = 0;
  // Previous suspend count.
  virtual DWORD Resume() = 0;
  // STILL_ACTIVE while it runs.
  virtual DWORD ExitCode() = 0;
  // Previous suspend count, or (DWORD)-1 with the error.
  virtual DWORD Suspend() {
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
  }
};

// Where a thread suspended by SuspendThread stops: its waits, sleeps and message calls.
void SuspensionPoint();

// Wakes every waiter of this process to look again; objects that change only in this process
// call it, objects of other processes are looked at again every few milliseconds.
void NotifyWaiters();

// Host facts about a process: its start time in clock ticks since boot (0 when it is gone), and
// whether it has ended (a zombie has).
unsigned long long HostProcessStartTime(int pid);
bool HostProcessAlive(int pid, unsigned long long startTime);

// Escapes a kernel-object name (case-sensitive, any character) into a file name.
std::string ObjectFileName(std::u16string_view name);

}  // namespace plat
