// The recording mode of the stand-in GDI: while a test has it on, every DC call that draws,
// selects what draws, or talks to the device adds one line to the process's display list, with
// the fonts, colours and rectangles it used, so a test can check what an application asked for
// without reading pixels or a driver's output. The calls still do their work.
#pragma once

#include <string>
#include <string_view>

#include <win/gdi.h>

#include "internal/gdi_dc.h"

namespace plat::gdi {

bool Recording();
// "<dc> <call> <detail>" into the display list, when recording.
void RecordCall(const PrinterDC& dc, std::string_view call, const std::string& detail);
// The DC as the display list names it: its kind and the order in which the list first met it
// ("printer1", "memory1", "memory2", "window1", "screen1"); "none" for no DC.
std::string RecordName(const PrinterDC* dc);

std::string RecordColor(COLORREF color);          // "#RRGGBB"
std::string RecordRect(LONG left, LONG top, LONG right, LONG bottom);  // "(l,t,r,b)"
std::string RecordFont(const LOGFONTW& font);    // face, height, width, escapement, weight ...
std::string RecordText(const WCHAR* text, size_t count);  // UTF-8 in quotes

}  // namespace plat::gdi
