// Text output of the renderer: DrvTextOut and DrvGetGlyphMode (declared with the other driver
// functions in gdi/nt/ddientry.h), and the printer's resident fonts a device font names.
#pragma once

#include <win/ddi_text.h>

#include "gdi/nt/ddientry.h"
#include "gdi/pdev.h"

constexpr ULONG DEVICE_FONT_ROWS = 46;

// A resident font: its 16-character PCL XL name (blank-padded) and PCL symbol set.
struct DeviceFontRow {
  char name[17];
  DWORD symbolSet;
};

// Device font with face index i (1-based) is row i - 1.
extern const DeviceFontRow kDeviceFontTable[DEVICE_FONT_ROWS];
