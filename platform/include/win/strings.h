// Strings and text: the lstr* family, case mapping, comparison, the wsprintf formatting subset
// and code-page conversion (1252 as the ANSI page, 437 as the OEM page, UTF-8).
#pragma once

#include <stdarg.h>

#include <win/base.h>

#define WINAPIV

// Code pages.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

// MultiByteToWideChar flags.
#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

// WideCharToMultiByte flags.
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// CompareStringW.
#define NORM_IGNORECASE 0x00000001
#define LINGUISTIC_IGNORECASE 0x00000010
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
#ifndef LOCALE_USER_DEFAULT
#define LOCALE_INVARIANT 0x007F
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_NEUTRAL 0x0000
#endif

WINBASEAPI int WINAPI lstrlenW(LPCWSTR lpString);
WINBASEAPI int WINAPI lstrlenA(LPCSTR lpString);
WINBASEAPI LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength);
WINBASEAPI LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
WINBASEAPI LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2);
WINBASEAPI LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
WINBASEAPI LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2);
WINBASEAPI LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2);
// Ordinal comparisons: code unit by code unit (case folded for the -i forms); -1, 0 or 1.
WINBASEAPI int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
WINBASEAPI int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);
WINBASEAPI int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);
WINBASEAPI int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
// Ordinal comparison with NORM_IGNORECASE as the only flag; any other flag fails with
// ERROR_INVALID_FLAGS rather than being silently ignored.
WINBASEAPI int WINAPI CompareStringW(LCID Locale, DWORD dwCmpFlags, LPCWSTR lpString1, int cchCount1,
                                     LPCWSTR lpString2, int cchCount2);

// Case mapping for the Latin, Greek and Cyrillic letters. A pointer whose high word is zero is
// one character, returned mapped in the low word.
WINBASEAPI LPWSTR WINAPI CharUpperW(LPWSTR lpsz);
WINBASEAPI LPWSTR WINAPI CharLowerW(LPWSTR lpsz);
WINBASEAPI DWORD WINAPI CharUpperBuffW(LPWSTR lpsz, DWORD cchLength);
WINBASEAPI DWORD WINAPI CharLowerBuffW(LPWSTR lpsz, DWORD cchLength);

// The formatting subset of the system: %[-][#][0][width][.precision]type with the types
// c C d i u x X s S p and the h, l and I64 size prefixes; no floating point. At most 1023
// characters and a terminator are written.
WINBASEAPI int WINAPIV wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
WINBASEAPI int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);
WINBASEAPI int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...);
WINBASEAPI int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist);

WINBASEAPI UINT WINAPI GetACP(void);
WINBASEAPI UINT WINAPI GetOEMCP(void);
WINBASEAPI int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar);
WINBASEAPI int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar);
