// Code-page services of the engine. A driver converts text for the job stream in the engine's
// current ANSI code page, the machine's own (Windows-1252, OEM 437).
#include <win/ddi.h>

#include "internal/codepages.h"

extern "C" {

WINBASEAPI VOID APIENTRY EngGetCurrentCodePage(PUSHORT OemCodePage, PUSHORT AnsiCodePage) {
  if (OemCodePage) *OemCodePage = static_cast<USHORT>(plat::kOemCodePage);
  if (AnsiCodePage) *AnsiCodePage = static_cast<USHORT>(plat::kAnsiCodePage);
}

// Converts BytesInUnicodeString bytes of UTF-16 (whole units; an odd last byte is ignored) into
// at most MaxBytesInMultiByteString bytes; a unit the code page cannot hold becomes '?'. No
// terminator is added.
WINBASEAPI VOID APIENTRY EngUnicodeToMultiByteN(LPSTR MultiByteString, ULONG MaxBytesInMultiByteString,
                                                PULONG BytesInMultiByteString, PWSTR UnicodeString,
                                                ULONG BytesInUnicodeString) {
  ULONG units = BytesInUnicodeString / sizeof(WCHAR);
  ULONG n = 0;
  if (MultiByteString && UnicodeString) {
    for (; n < units && n < MaxBytesInMultiByteString; ++n) {
      unsigned char byte = '?';
      if (!plat::WideToSingleByte(plat::kAnsiCodePage, UnicodeString[n], byte)) byte = '?';
      MultiByteString[n] = static_cast<char>(byte);
    }
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
      UnicodeString[n] = plat::SingleByteToWide(plat::kAnsiCodePage, static_cast<unsigned char>(MultiByteString[n]));
  }
  if (BytesInUnicodeString) *BytesInUnicodeString = n * sizeof(WCHAR);
}

}  // extern "C"
