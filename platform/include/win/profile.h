// Profile (INI) files: sections of "key=value" lines, read and written by section and key
// names compared without case. Files with a UTF-16LE byte-order mark are read and written as
// UTF-16; others, and new files, in the ANSI code page (1252).
#pragma once

#include <win/base.h>

// lpAppName NULL: the names of all sections; lpKeyName NULL: the names of the section's keys;
// both as NUL-terminated strings followed by one more NUL.
WINBASEAPI DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                 LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
WINBASEAPI UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName);
// lpString NULL deletes the key; lpKeyName NULL deletes the whole section.
WINBASEAPI BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                  LPCWSTR lpFileName);
WINBASEAPI DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                                  LPCWSTR lpFileName);
WINBASEAPI DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName);
// Structures are stored as two hexadecimal digits per byte followed by a checksum byte (the
// low 8 bits of the bytes' sum).
WINBASEAPI BOOL WINAPI GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                                UINT uSizeStruct, LPCWSTR szFile);
WINBASEAPI BOOL WINAPI WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                                  UINT uSizeStruct, LPCWSTR szFile);
