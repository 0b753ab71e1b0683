// Graphics state of the renderer: the device set-up from the merged settings, and the cached
// PCL XL state of a page.
#pragma once

#include <win/base.h>

#include "gdi/pdev.h"

struct RenderDevmode;

// Takes the merged settings into the device record: the settings themselves (guard word written
// before and after the copy), the physical page of their paper and resolution, and the
// orientation. Returns 1.
BOOL Gx_InitPdevDevmode(PDEV* pdev, const RenderDevmode* settings);

// The printer's object mode (0 text and vectors, 1..3 the other object kinds). Only colour jobs
// carry it: mode 0 sends the vendor-unique command every time, 1..3 are only remembered; any
// other value is an internal error.
void Gx_SetObjectMode(PDEV* pdev, DWORD mode);
