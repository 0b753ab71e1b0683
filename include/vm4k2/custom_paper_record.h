// CustomPaperRecord: one user-defined paper size, 72 bytes. Twenty of them sit in the
// private part of UiDevmode ("CustomPaperSize"), and the settings file's custom paper store
// keeps one per entry, so the layout is fixed to the byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2 {

inline constexpr size_t kCustomPaperRecordSize = 72;
inline constexpr size_t kCustomPaperNameUnits = 26;   // the field; the name ends by unit 24
inline constexpr size_t kCustomPaperNameLimit = 24;   // unit that is always the terminator
inline constexpr int kCustomPaperFirstId = 288;
inline constexpr int kCustomPaperLastId = 319;

// Sizes a custom paper may take, in 600-dpi dots; records outside are not trusted.
inline constexpr int kCustomPaperMinWidth = 1800;
inline constexpr int kCustomPaperMaxWidth = 5100;
inline constexpr int kCustomPaperMinHeight = 3000;
inline constexpr int kCustomPaperMaxHeight = 8400;
// The size a custom paper falls back to (A4 in dots).
inline constexpr int kCustomPaperDefaultWidth = 4960;
inline constexpr int kCustomPaperDefaultHeight = 7015;

enum CustomPaperUnit : uint32_t {
  kCustomPaperUnitMillimetres = 1,
  kCustomPaperUnitInches = 2,
};

struct CustomPaperRecord {
  int16_t width;                       // 600-dpi dots, rounded from exactWidth
  int16_t height;                      // 600-dpi dots, rounded from exactHeight
  WCHAR name[kCustomPaperNameUnits];   // UTF-16, terminated at unit 24 at the latest
  int16_t paperId;                     // 288..319
  BYTE reserved58[2];
  uint32_t unit;                       // CustomPaperUnit the user entered the size in
  float exactWidth;                    // dots
  float exactHeight;                   // dots
};

static_assert(sizeof(CustomPaperRecord) == kCustomPaperRecordSize);
static_assert(offsetof(CustomPaperRecord, width) == 0);
static_assert(offsetof(CustomPaperRecord, height) == 2);
static_assert(offsetof(CustomPaperRecord, name) == 4);
static_assert(offsetof(CustomPaperRecord, name) + 2 * kCustomPaperNameLimit == 52);
static_assert(offsetof(CustomPaperRecord, paperId) == 56);
static_assert(offsetof(CustomPaperRecord, reserved58) == 58);
static_assert(offsetof(CustomPaperRecord, unit) == 60);
static_assert(offsetof(CustomPaperRecord, exactWidth) == 64);
static_assert(offsetof(CustomPaperRecord, exactHeight) == 68);

}  // namespace vm4k2
