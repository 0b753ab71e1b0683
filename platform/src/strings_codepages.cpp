// MultiByteToWideChar / WideCharToMultiByte for the machine's code pages: 1252 (ANSI), 437
// (OEM), 28591 (ISO 8859-1) and UTF-8. Characters without an exact counterpart in a
// single-byte page become the default character; there is no best-fit table.
#include <cstring>
#include <vector>

#include <win/strings.h>

#include "internal/codepages.h"
#include "internal/unicode.h"

namespace {

constexpr WCHAR kUndefined = 0;

// 0x80..0x9F of 1252; the five unassigned bytes map to the C1 control of the same value, as
// the system's table does.
constexpr WCHAR kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 0x80..0xFF of 437.
constexpr WCHAR kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF). An ill-formed
// sequence becomes one U+FFFD per maximal invalid prefix; false when `strict` and one is met.
bool DecodeUtf8(const unsigned char* s, size_t n, bool strict, std::u16string& out) {
  size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    uint32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2, c = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3, c = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    }
    size_t used = 1;
    bool ok = need > 0;
    for (size_t k = 0; ok && k < need; ++k) {
      if (i + used >= n) { ok = false; break; }
      unsigned char t = s[i + used];
      unsigned char tlo = k == 0 ? lo : 0x80, thi = k == 0 ? hi : 0xBF;
      if (t < tlo || t > thi) { ok = false; break; }
      c = (c << 6) | (t & 0x3F);
      ++used;
    }
    if (!ok) {
      if (strict) return false;
      out.push_back(0xFFFD);
      i += used;
      continue;
    }
    i += used;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<WCHAR>(0xD800 + (c >> 10)));
      out.push_back(static_cast<WCHAR>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<WCHAR>(c));
    }
  }
  return true;
}

// A lone surrogate becomes U+FFFD, or fails when `strict`.
bool EncodeUtf8(const WCHAR* s, size_t n, bool strict, std::string& out) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (IsHighSurrogate(s[i]) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
      if (strict) return false;
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return true;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

namespace plat {

UINT ResolveCodePage(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP: return kAnsiCodePage;
    case CP_OEMCP: return kOemCodePage;
    case 1252:
    case 437:
    case 28591:
    case CP_UTF8: return codePage;
    default: return 0;
  }
}

bool IsSingleByteCodePage(UINT page) { return page == 1252 || page == 437 || page == 28591; }

WCHAR SingleByteToWide(UINT page, unsigned char byte) {
  if (byte < 0x80 || page == 28591) return byte;
  if (page == 437) return kCp437High[byte - 0x80];
  if (byte < 0xA0) return kCp1252High[byte - 0x80];
  return byte;
}

bool WideToSingleByte(UINT page, WCHAR c, unsigned char& byte) {
  if (c < 0x80 || (page == 28591 && c < 0x100)) {
    byte = static_cast<unsigned char>(c);
    return true;
  }
  if (page == 1252 && c >= 0xA0 && c <= 0xFF) {
    byte = static_cast<unsigned char>(c);
    return true;
  }
  if (page == 1252 || page == 437) {
    const WCHAR* table = page == 1252 ? kCp1252High : kCp437High;
    size_t count = page == 1252 ? 32 : 128;
    for (size_t i = 0; i < count; ++i) {
      if (table[i] == c && table[i] != kUndefined) {
        byte = static_cast<unsigned char>(0x80 + i);
        return true;
      }
    }
  }
  return false;
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(SingleByteToWide(kAnsiCodePage, static_cast<unsigned char>(c)));
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (WCHAR c : text) {
    unsigned char b = '?';
    WideToSingleByte(kAnsiCodePage, c, b);
    out.push_back(static_cast<char>(b));
  }
  return out;
}

}  // namespace plat

extern "C" {

WINBASEAPI UINT WINAPI GetACP(void) { return plat::kAnsiCodePage; }
WINBASEAPI UINT WINAPI GetOEMCP(void) { return plat::kOemCodePage; }

WINBASEAPI int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr) ||
      (lpWideCharStr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr)))
    return Fail(ERROR_INVALID_PARAMETER);
  UINT page = plat::ResolveCodePage(CodePage);
  if (!page) return Fail(ERROR_INVALID_PARAMETER);
  DWORD allowed = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS);
  if (dwFlags & ~allowed) return Fail(ERROR_INVALID_FLAGS);

  size_t length = cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  std::u16string wide;
  wide.reserve(length);
  if (page == CP_UTF8) {
    if (!DecodeUtf8(bytes, length, (dwFlags & MB_ERR_INVALID_CHARS) != 0, wide))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    for (size_t i = 0; i < length; ++i) wide.push_back(plat::SingleByteToWide(page, bytes[i]));
  }
  if (wide.size() > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  int needed = static_cast<int>(wide.size());
  if (cchWideChar == 0) return needed;
  if (needed > cchWideChar) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
  return needed;
}

WINBASEAPI int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar) {
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) ||
      (lpMultiByteStr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr)))
    return Fail(ERROR_INVALID_PARAMETER);
  UINT page = plat::ResolveCodePage(CodePage);
  if (!page) return Fail(ERROR_INVALID_PARAMETER);
  size_t length = cchWideChar < 0 ? plat::WideLength(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
  std::string bytes;
  bytes.reserve(length);
  if (page == CP_UTF8) {
    if (dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    // The system refuses a default character for UTF-8: every character has a form there.
    if (lpDefaultChar || lpUsedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
    if (!EncodeUtf8(lpWideCharStr, length, (dwFlags & WC_ERR_INVALID_CHARS) != 0, bytes))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    if (dwFlags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    char fallback = lpDefaultChar ? lpDefaultChar[0] : '?';
    bool usedDefault = false;
    for (size_t i = 0; i < length; ++i) {
      unsigned char b = 0;
      WCHAR c = lpWideCharStr[i];
      if (plat::WideToSingleByte(page, c, b)) {
        bytes.push_back(static_cast<char>(b));
        continue;
      }
      // A surrogate pair is one character and gets one default character.
      if (IsHighSurrogate(c) && i + 1 < length && IsLowSurrogate(lpWideCharStr[i + 1])) ++i;
      bytes.push_back(fallback);
      usedDefault = true;
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  }
  if (bytes.size() > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  int needed = static_cast<int>(bytes.size());
  if (cbMultiByte == 0) return needed;
  if (needed > cbMultiByte) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
  return needed;
}

}  // extern "C"
