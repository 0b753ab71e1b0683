// WMARKDATA: the renderer's watermark block, 3236 bytes. It is the watermark section of the
// renderer's settings (RenderDevmode) and the output of the ESC_WM_GETINFO escape, which the
// user-interface library reads to draw the print-time watermark, so the layout is fixed to the
// byte. The renderer accepts the section only when the ranges noted below hold, so a reader
// may rely on them.
#pragma once

#include <cstddef>
#include <cstdint>

#include <win/base.h>

namespace vm4k2 {

inline constexpr size_t kWmarkDataSize = 3236;
inline constexpr size_t kWmStringUnits = 261;    // field units; the text itself is at most 260
inline constexpr size_t kWmContentUnits = 262;   // field units; the text or path is at most 260
inline constexpr size_t kWmTypeFaceUnits = 32;   // field units; the face is at most 31
inline constexpr SHORT kWmPositionCentre = 5;
inline constexpr SHORT kWmPositionAtXY = 10;

struct WMARKDATA {
  SHORT wmIndex;                      // 0 none (on this page); 1..32 a watermark is set
  WCHAR wmString[kWmStringUnits];     // the text to draw, terminated within the field
  WCHAR wmContent[kWmContentUnits];   // the text again, or the bitmap file path; terminated
  COLORREF wmColorRef;                // grey of the text
  COLORREF wmColorRef2;               // the same grey
  SHORT wmShade;                      // 0..7
  WCHAR wmTypeFace[kWmTypeFaceUnits]; // face name, terminated within the field
  SHORT wmFontSize;                   // points, not negative; 100 (percent) for a bitmap
  SHORT wmSize2;                      // not negative
  SHORT reserved1126;
  SHORT wmVert;                       // not negative
  SHORT wmHori;                       // not negative
  SHORT wmPosition;                   // 0..10: 5 centred, 10 at wmPosX/wmPosY
  SHORT wmAngle;                      // whole degrees, -90..90
  BYTE wmBitmap;                      // 1 bitmap watermark, 0 text
  BYTE wmModify;                      // 0..1
  WORD reserved1138;
  BYTE wmItalic;
  BYTE wmBold;
  BYTE wmFlag;                        // 1 for text; a bitmap watermark's own flag
  BYTE wmSpacing;                     // 0..2; 2 selects the landscape adjustment of ESC_WM_DATA
  LONG wmTile;                        // not negative; non-zero draws tiled copies
  LONG wmPosX;                        // percent of the page, with wmPosition 10
  LONG wmPosY;
  BYTE reserved1156[2080];
};

static_assert(sizeof(WMARKDATA) == kWmarkDataSize);
static_assert(offsetof(WMARKDATA, wmIndex) == 0);
static_assert(offsetof(WMARKDATA, wmString) == 2);
static_assert(offsetof(WMARKDATA, wmContent) == 524);
static_assert(offsetof(WMARKDATA, wmColorRef) == 1048);
static_assert(offsetof(WMARKDATA, wmColorRef2) == 1052);
static_assert(offsetof(WMARKDATA, wmShade) == 1056);
static_assert(offsetof(WMARKDATA, wmTypeFace) == 1058);
static_assert(offsetof(WMARKDATA, wmFontSize) == 1122);
static_assert(offsetof(WMARKDATA, wmSize2) == 1124);
static_assert(offsetof(WMARKDATA, wmVert) == 1128);
static_assert(offsetof(WMARKDATA, wmHori) == 1130);
static_assert(offsetof(WMARKDATA, wmPosition) == 1132);
static_assert(offsetof(WMARKDATA, wmAngle) == 1134);
static_assert(offsetof(WMARKDATA, wmBitmap) == 1136);
static_assert(offsetof(WMARKDATA, wmModify) == 1137);
static_assert(offsetof(WMARKDATA, wmItalic) == 1140);
static_assert(offsetof(WMARKDATA, wmBold) == 1141);
static_assert(offsetof(WMARKDATA, wmFlag) == 1142);
static_assert(offsetof(WMARKDATA, wmSpacing) == 1143);
static_assert(offsetof(WMARKDATA, wmTile) == 1144);
static_assert(offsetof(WMARKDATA, wmPosX) == 1148);
static_assert(offsetof(WMARKDATA, wmPosY) == 1152);
static_assert(offsetof(WMARKDATA, reserved1156) == 1156);

}  // namespace vm4k2
