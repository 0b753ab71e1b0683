// The two halves of the watermark's page step: preparing the drawing (font or picture, and the
// page area it covers) and drawing it into a memory DC whose bitmap covers a given part of the
// page. The page step draws into a bitmap of exactly the covered area; a bitmap of the whole
// page holds the same pixels there and white elsewhere.
#pragma once

#include <vector>

#include <vm4k2/wmarkdata.h>
#include <win/gdi.h>
#include <win/gdi_objects.h>

#include "ui/core/page_watermark.h"

namespace vm4k2ui {

struct WatermarkDrawing {
  bool isBitmap = false;
  LONG pageWidth = 0, pageHeight = 0;
  RECT area{};  // the part of the page the drawing may touch, inside the page

  // Text.
  HFONT font = nullptr;
  WCHAR text[vm4k2::kWmStringUnits]{};
  size_t textLength = 0;
  TextWatermarkLayout layout;
  COLORREF colour = 0;
  bool twice = false;
  bool rightToLeft = false;

  // Picture: 24-bit rows, top row first.
  std::vector<BYTE> bits;
  BITMAPINFO bitmapInfo{};
  RECT dest{}, source{};
  DWORD rop = 0;

  WatermarkDrawing() = default;
  WatermarkDrawing(const WatermarkDrawing&) = delete;
  WatermarkDrawing& operator=(const WatermarkDrawing&) = delete;
  WatermarkDrawing& operator=(WatermarkDrawing&&) = delete;
  ~WatermarkDrawing();
};

// Reads the block's fields within their bounds (terminating the strings in place), loads the
// picture or makes and measures the font on `memory`. False when there is nothing to draw.
bool PrepareWatermarkDrawing(HDC memory, vm4k2::WMARKDATA& block, LONG pageWidth, LONG pageHeight,
                             WatermarkDrawing& out);

// Draws into `memory`, whose selected bitmap covers `canvas` (page dots); ESC_WM_DATA goes to
// `printer` before the copy is drawn.
void DrawWatermark(HDC printer, HDC memory, const WatermarkDrawing& drawing, const RECT& canvas);

}  // namespace vm4k2ui
