// Environment variables of a process of the machine. A process starts with the machine's
// standard variables (SystemRoot, windir, ALLUSERSPROFILE, PUBLIC, APPDATA, LOCALAPPDATA, TEMP,
// TMP, USERNAME, USERPROFILE, COMSPEC, ProgramFiles, PATH...), whose folders exist in the
// machine; changes stay in the process, as on Windows. Names compare without case.
#pragma once

#include <win/base.h>

// The value's length without the terminator when it fits in nSize characters; otherwise the
// size needed, terminator included (the buffer is left alone). 0 with ERROR_ENVVAR_NOT_FOUND
// when the variable is not set.
WINBASEAPI DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// lpValue NULL removes the variable.
WINBASEAPI BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
// Replaces each %NAME% by the variable's value (unknown names stay as written). Returns the
// characters stored including the terminator, or the size needed when nSize is too small.
WINBASEAPI DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);
