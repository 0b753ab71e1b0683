// The lstr* family, CompareStringW and the CharUpper/CharLower family.
#include <win/strings.h>

#include "internal/unicode.h"

namespace {

template <typename Char>
int Length(const Char* s) {
  if (!s) return 0;
  int n = 0;
  while (s[n]) ++n;
  return n;
}

template <typename Char>
Char* CopyBounded(Char* dst, const Char* src, int max) {
  if (!dst || !src || max <= 0) return dst;
  int i = 0;
  for (; i + 1 < max && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// NULL sorts before every string, as the system's comparisons treat it.
template <typename Char, typename Fold>
int CompareOrdinal(const Char* a, const Char* b, Fold fold) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  for (size_t i = 0;; ++i) {
    int ca = fold(a[i]), cb = fold(b[i]);
    if (ca != cb) return Sign(ca - cb);
    if (!ca) return 0;
  }
}

int FoldAnsi(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? u + 32 : u;
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI lstrlenW(LPCWSTR lpString) { return Length(lpString); }
WINBASEAPI int WINAPI lstrlenA(LPCSTR lpString) { return Length(lpString); }

WINBASEAPI LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength) {
  return CopyBounded(lpString1, lpString2, iMaxLength);
}
WINBASEAPI LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
  return CopyBounded(lpString1, lpString2, iMaxLength);
}

WINBASEAPI LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  int n = Length(lpString2);
  for (int i = 0; i <= n; ++i) lpString1[i] = lpString2[i];
  return lpString1;
}
WINBASEAPI LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  int n = Length(lpString2);
  for (int i = 0; i <= n; ++i) lpString1[i] = lpString2[i];
  return lpString1;
}

WINBASEAPI LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  lstrcpyW(lpString1 + Length(lpString1), lpString2);
  return lpString1;
}
WINBASEAPI LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  lstrcpyA(lpString1 + Length(lpString1), lpString2);
  return lpString1;
}

WINBASEAPI int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) {
  return CompareOrdinal(lpString1, lpString2, [](WCHAR c) { return static_cast<int>(c); });
}
WINBASEAPI int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
  return CompareOrdinal(lpString1, lpString2, [](WCHAR c) { return static_cast<int>(plat::FoldCase(c)); });
}
WINBASEAPI int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
  return CompareOrdinal(lpString1, lpString2, [](char c) { return static_cast<int>(static_cast<unsigned char>(c)); });
}
WINBASEAPI int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  return CompareOrdinal(lpString1, lpString2, FoldAnsi);
}

WINBASEAPI int WINAPI CompareStringW(LCID Locale, DWORD dwCmpFlags, LPCWSTR lpString1, int cchCount1,
                                     LPCWSTR lpString2, int cchCount2) {
  (void)Locale;
  if (!lpString1 || !lpString2 || cchCount1 < -1 || cchCount2 < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (dwCmpFlags & ~static_cast<DWORD>(NORM_IGNORECASE | LINGUISTIC_IGNORECASE)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  size_t n1 = cchCount1 < 0 ? plat::WideLength(lpString1) : static_cast<size_t>(cchCount1);
  size_t n2 = cchCount2 < 0 ? plat::WideLength(lpString2) : static_cast<size_t>(cchCount2);
  bool fold = dwCmpFlags != 0;
  for (size_t i = 0; i < n1 && i < n2; ++i) {
    WCHAR a = fold ? plat::FoldCase(lpString1[i]) : lpString1[i];
    WCHAR b = fold ? plat::FoldCase(lpString2[i]) : lpString2[i];
    if (a != b) return a < b ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  return n1 == n2 ? CSTR_EQUAL : n1 < n2 ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

WINBASEAPI DWORD WINAPI CharUpperBuffW(LPWSTR lpsz, DWORD cchLength) {
  if (!lpsz) return 0;
  for (DWORD i = 0; i < cchLength; ++i) lpsz[i] = plat::UpperCase(lpsz[i]);
  return cchLength;
}

WINBASEAPI DWORD WINAPI CharLowerBuffW(LPWSTR lpsz, DWORD cchLength) {
  if (!lpsz) return 0;
  for (DWORD i = 0; i < cchLength; ++i) lpsz[i] = plat::FoldCase(lpsz[i]);
  return cchLength;
}

WINBASEAPI LPWSTR WINAPI CharUpperW(LPWSTR lpsz) {
  uintptr_t bits = reinterpret_cast<uintptr_t>(lpsz);
  if ((bits >> 16) == 0)
    return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(plat::UpperCase(static_cast<WCHAR>(bits))));
  for (WCHAR* p = lpsz; *p; ++p) *p = plat::UpperCase(*p);
  return lpsz;
}

WINBASEAPI LPWSTR WINAPI CharLowerW(LPWSTR lpsz) {
  uintptr_t bits = reinterpret_cast<uintptr_t>(lpsz);
  if ((bits >> 16) == 0)
    return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(plat::FoldCase(static_cast<WCHAR>(bits))));
  for (WCHAR* p = lpsz; *p; ++p) *p = plat::FoldCase(*p);
  return lpsz;
}

}  // extern "C"
