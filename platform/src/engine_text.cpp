// Code-page services of the engine. A driver converts text for the job stream in the engine's
// current ANSI code page; the stand-in machine runs with Windows-1252 (OEM 437).

#include <win/ddi.h>

namespace {

constexpr USHORT kAnsiCodePage = 1252;
constexpr USHORT kOemCodePage = 437;

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the
// control character of the same value, as the platform's own conversion does.
constexpr WCHAR kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

WCHAR ByteToUnit(BYTE b) { return (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : static_cast<WCHAR>(b); }

// '?' for a unit the code page cannot hold, as the platform's default character.
char UnitToByte(WCHAR c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

extern "C" {

WINBASEAPI VOID APIENTRY EngGetCurrentCodePage(PUSHORT OemCodePage, PUSHORT AnsiCodePage) {
  if (OemCodePage) *OemCodePage = kOemCodePage;
  if (AnsiCodePage) *AnsiCodePage = kAnsiCodePage;
}

// Converts BytesInUnicodeString bytes of UTF-16 (whole units; an odd last byte is ignored) into
// at most MaxBytesInMultiByteString bytes. No terminator is added.
WINBASEAPI VOID APIENTRY EngUnicodeToMultiByteN(LPSTR MultiByteString, ULONG MaxBytesInMultiByteString,
                                                PULONG BytesInMultiByteString, PWSTR UnicodeString,
                                                ULONG BytesInUnicodeString) {
  ULONG units = BytesInUnicodeString / sizeof(WCHAR);
  ULONG n = 0;
  if (MultiByteString && UnicodeString) {
    for (; n < units && n < MaxBytesInMultiByteString; ++n) MultiByteString[n] = UnitToByte(UnicodeString[n]);
  }
  if (BytesInMultiByteString) *BytesInMultiByteString = n;
}

// Converts BytesInMultiByteString bytes into at most MaxBytesInUnicodeString bytes of UTF-16
// (whole units). No terminator is added; the count written is in bytes.
WINBASEAPI VOID APIENTRY EngMultiByteToUnicodeN(LPWSTR UnicodeString, ULONG MaxBytesInUnicodeString,
                                                PULONG BytesInUnicodeString, LPSTR MultiByteString,
                                                ULONG BytesInMultiByteString) {
  ULONG capacity = MaxBytesInUnicodeString / sizeof(WCHAR);
  ULONG n = 0;
  if (UnicodeString && MultiByteString) {
    for (; n < BytesInMultiByteString && n < capacity; ++n)
      UnicodeString[n] = ByteToUnit(static_cast<BYTE>(MultiByteString[n]));
  }
  if (BytesInUnicodeString) *BytesInUnicodeString = n * sizeof(WCHAR);
}

}  // extern "C"
