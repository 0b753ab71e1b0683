// FontSubstitutionRecord: one entry of the user's FontSubstitutionFile "vm4k2font.dat". The
// font substitution dialog writes the file; the renderer reads it when it makes its device
// record. The file is a 32-bit record count followed by that many 1026-byte records, all
// little-endian; a file without a list holds only the count 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2 {

inline constexpr size_t kFontSubstitutionRecordSize = 1026;
inline constexpr size_t kFontSubstitutionCountSize = 4;
inline constexpr size_t kFontSubstitutionFaceUnits = 256;  // 255 characters and the terminator

// The file's folder under the user's application-data folder, and its name.
inline constexpr const WCHAR* kFontSubstitutionFolder = u"\\Velmor\\vm4k2";
inline constexpr const WCHAR* kFontSubstitutionFileName = u"vm4k2font.dat";

struct FontSubstitutionRecord {
  WCHAR faceName[kFontSubstitutionFaceUnits];  // TrueType full font name, UTF-16LE, terminated
  uint16_t printerFontRow;                      // PrinterFontTable row; 0 = download as a soft font
  BYTE reserved[512];                           // written as zeros, never read
};

static_assert(sizeof(FontSubstitutionRecord) == kFontSubstitutionRecordSize);
static_assert(offsetof(FontSubstitutionRecord, faceName) == 0);
static_assert(offsetof(FontSubstitutionRecord, printerFontRow) == 512);
static_assert(offsetof(FontSubstitutionRecord, reserved) == 514);

}  // namespace vm4k2
