// Process status queries: the machine's live processes and their program files.
#pragma once

#include <win/base.h>

// The ids of the machine's live processes (those started through the stand-in and programs that
// joined the machine by themselves); host processes outside the machine are never listed.
// *lpcbNeeded is the number of bytes written: a caller whose array came back full grows it and
// asks again.
WINBASEAPI BOOL WINAPI EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded);
// One module, the program itself; *lpcbNeeded is the bytes the whole list takes.
WINBASEAPI BOOL WINAPI EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded);
// The file name of the program as installed in the machine ("vm4k2sm.exe"), truncated to nSize
// units with its terminator; the count copied.
WINBASEAPI DWORD WINAPI GetModuleBaseNameW(HANDLE hProcess, HMODULE hModule, LPWSTR lpBaseName, DWORD nSize);
WINBASEAPI DWORD WINAPI GetModuleFileNameExW(HANDLE hProcess, HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
