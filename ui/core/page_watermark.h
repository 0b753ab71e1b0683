// The print-time watermark: drawn onto each page of a job at its end, through the renderer's
// watermark escapes on the application's printer device context.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// The page step of the ENDPAGE document event: asks the renderer for the page's watermark
// and, when the page has one, draws it between ESC_WM_BEGIN and ESC_WM_END.
void PrintPageWatermark(HDC printerDc);

}  // namespace vm4k2ui
