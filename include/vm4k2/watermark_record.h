// WatermarkRecord: one watermark, 816 bytes. It is the private part's "WatermarkData" and the
// value of each entry of the settings file's watermark store; the renderer reads it from the
// UiDevmode it converts, so the layout is fixed to the byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2 {

inline constexpr size_t kWatermarkRecordSize = 816;
inline constexpr size_t kWatermarkNameUnits = 33;
inline constexpr size_t kWatermarkTextUnits = 65;
inline constexpr size_t kWatermarkTypefaceUnits = 32;
inline constexpr size_t kWatermarkPathUnits = 260;

enum WatermarkKind : int16_t {
  kWatermarkNone = 0,
  kWatermarkText = 1,
  kWatermarkBitmap = 2,
};

enum WatermarkPosition : int16_t {
  kWatermarkCentre = 5,     // the page's centre
  kWatermarkCustomXY = 10,  // xPercent / yPercent
};

struct WatermarkRecord {
  int16_t id;                               // 0..32
  int16_t kind;                             // WatermarkKind
  WCHAR name[kWatermarkNameUnits];
  WCHAR text[kWatermarkTextUnits];
  WCHAR typeface[kWatermarkTypefaceUnits];
  WCHAR bitmapPath[kWatermarkPathUnits];
  int16_t pointSize;                        // 6..600
  int16_t bold;
  int16_t italic;
  int16_t bitmapFlag;                       // carried into the renderer's block for bitmaps
  int16_t outlineStyle;                     // 0..2
  int16_t angle;                            // whole degrees, -90..90
  int16_t bitmapScale;                      // percent, 0..1000
  int16_t position;                         // WatermarkPosition
  int16_t repeat;
  int16_t typefaceChosen;                   // 1 once the user picked a typeface
  COLORREF color;
  int16_t unnamedChoice808;                 // 0..7; no reader gives it a meaning
  int16_t xPercent;
  int16_t yPercent;
  int16_t greyLevel;                        // 0..3
};

static_assert(sizeof(WatermarkRecord) == kWatermarkRecordSize);
static_assert(offsetof(WatermarkRecord, id) == 0);
static_assert(offsetof(WatermarkRecord, kind) == 2);
static_assert(offsetof(WatermarkRecord, name) == 4);
static_assert(offsetof(WatermarkRecord, text) == 70);
static_assert(offsetof(WatermarkRecord, typeface) == 200);
static_assert(offsetof(WatermarkRecord, bitmapPath) == 264);
static_assert(offsetof(WatermarkRecord, pointSize) == 784);
static_assert(offsetof(WatermarkRecord, bold) == 786);
static_assert(offsetof(WatermarkRecord, italic) == 788);
static_assert(offsetof(WatermarkRecord, bitmapFlag) == 790);
static_assert(offsetof(WatermarkRecord, outlineStyle) == 792);
static_assert(offsetof(WatermarkRecord, angle) == 794);
static_assert(offsetof(WatermarkRecord, bitmapScale) == 796);
static_assert(offsetof(WatermarkRecord, position) == 798);
static_assert(offsetof(WatermarkRecord, repeat) == 800);
static_assert(offsetof(WatermarkRecord, typefaceChosen) == 802);
static_assert(offsetof(WatermarkRecord, color) == 804);
static_assert(offsetof(WatermarkRecord, unnamedChoice808) == 808);
static_assert(offsetof(WatermarkRecord, xPercent) == 810);
static_assert(offsetof(WatermarkRecord, yPercent) == 812);
static_assert(offsetof(WatermarkRecord, greyLevel) == 814);

}  // namespace vm4k2
