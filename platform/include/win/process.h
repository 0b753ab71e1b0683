// Processes, threads and the wait functions; mutexes and events.
// Programs of the machine are host executables placed under their Windows names; a started
// program learns its command line and current folder from the stand-in, never from host
// argument splitting. Named mutexes are shared by every process of the machine.
#pragma once

#include <win/base.h>

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

static_assert(sizeof(STARTUPINFOW) == 104 && offsetof(STARTUPINFOW, wShowWindow) == 64 &&
              offsetof(STARTUPINFOW, lpReserved2) == 72 && offsetof(STARTUPINFOW, hStdError) == 96);
static_assert(sizeof(PROCESS_INFORMATION) == 24 && offsetof(PROCESS_INFORMATION, dwProcessId) == 16 &&
              offsetof(PROCESS_INFORMATION, dwThreadId) == 20);

// Creation flags.
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define REALTIME_PRIORITY_CLASS 0x00000100
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000

// STARTUPINFOW.dwFlags.
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100

// Access rights.
#define SYNCHRONIZE 0x00100000L
#define PROCESS_TERMINATE 0x0001
#define PROCESS_VM_READ 0x0010
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define PROCESS_ALL_ACCESS 0x001FFFFF
#define MUTEX_ALL_ACCESS 0x001F0001
#define MUTEX_MODIFY_STATE 0x0001
#define EVENT_ALL_ACCESS 0x001F0003
#define EVENT_MODIFY_STATE 0x0002

// Wait results.
#define STATUS_WAIT_0 0x00000000L
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_FAILED 0xFFFFFFFFL
#define MAXIMUM_WAIT_OBJECTS 64
#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif

#define STILL_ACTIVE 259L

// ---- Processes ---------------------------------------------------------------------------------
// The program is lpApplicationName, else the command line's first token: a quoted token up to its
// closing quote; an unquoted one with blanks tries its successive prefixes. A name without an
// extension gets ".exe"; a bare name is looked for in the current folder, the system folder and
// the Windows folder. The child's folder is lpCurrentDirectory (ERROR_DIRECTORY when it is not a
// folder), else the caller's. CREATE_SUSPENDED holds the child until ResumeThread(hThread).
// Missing program: ERROR_FILE_NOT_FOUND (ERROR_PATH_NOT_FOUND for a missing folder); a file that
// is no program of this machine: ERROR_BAD_EXE_FORMAT.
WINBASEAPI BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                                      LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                      LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                      DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                                      LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation);
// A live process of this machine (one started through the stand-in, or the caller itself);
// otherwise ERROR_INVALID_PARAMETER.
WINBASEAPI HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
// Ends a live process of this machine with uExitCode; an ended one: ERROR_ACCESS_DENIED.
WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode);
// STILL_ACTIVE while the process runs.
WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
WINBASEAPI DWORD WINAPI GetProcessId(HANDLE Process);
WINBASEAPI __attribute__((noreturn)) void WINAPI ExitProcess(UINT uExitCode);
// The command line the program was started with, as its creator passed it.
WINBASEAPI LPWSTR WINAPI GetCommandLineW(void);
// Pseudo handles: (HANDLE)-1 and (HANDLE)-2, never closed.
WINBASEAPI HANDLE WINAPI GetCurrentProcess(void);
WINBASEAPI HANDLE WINAPI GetCurrentThread(void);
WINBASEAPI DWORD WINAPI GetPriorityClass(HANDLE hProcess);

// ---- Threads -------------------------------------------------------------------------------------
WINBASEAPI HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                      LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                      DWORD dwCreationFlags, LPDWORD lpThreadId);
// Previous suspend count, or (DWORD)-1 with the error.
WINBASEAPI DWORD WINAPI ResumeThread(HANDLE hThread);
WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
WINBASEAPI DWORD WINAPI GetThreadId(HANDLE Thread);
// Previous suspend count, or (DWORD)-1 with the error. A thread of this process stops at its
// next wait, sleep or message call (the stand-in cannot stop a host thread anywhere else); the
// calling thread stops at once. A started program's first thread cannot be suspended
// (ERROR_NOT_SUPPORTED).
WINBASEAPI DWORD WINAPI SuspendThread(HANDLE hThread);

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF
// Priorities are recorded, not applied to the host's scheduling.
WINBASEAPI BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority);
WINBASEAPI int WINAPI GetThreadPriority(HANDLE hThread);

// The C run-time's thread start: a CreateThread whose handle comes back as a number (0 on
// failure, with errno), closed by the caller with CloseHandle.
typedef unsigned(WINAPI* _beginthreadex_proc_type)(void*);
WINBASEAPI uintptr_t _beginthreadex(void* security, unsigned stack_size, _beginthreadex_proc_type start_address,
                                    void* arglist, unsigned initflag, unsigned* thrdaddr);

// ---- Waits -----------------------------------------------------------------------------------------
// On processes, threads, events and mutexes. WAIT_OBJECT_0, WAIT_ABANDONED (a mutex whose owner
// ended without releasing it; the caller now owns it), WAIT_TIMEOUT, or WAIT_FAILED with the error.
WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
WINBASEAPI DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                               DWORD dwMilliseconds);

// ---- Mutexes: named ones are machine-wide -----------------------------------------------------------
// Names are case-sensitive and may hold any character. A name lives while a live process holds a
// handle to it: opening a living one gives its handle with ERROR_ALREADY_EXISTS (no ownership).
WINBASEAPI HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
// ERROR_FILE_NOT_FOUND when no live process holds the name.
WINBASEAPI HANDLE WINAPI OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
// ERROR_NOT_OWNER unless the calling thread owns it.
WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE hMutex);

// ---- Events: within one process ---------------------------------------------------------------------
WINBASEAPI HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                                      LPCWSTR lpName);
WINBASEAPI BOOL WINAPI SetEvent(HANDLE hEvent);
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE hEvent);
