#include "ui/core/page_watermark.h"

namespace vm4k2ui {

// The page's watermark is drawn here. Until the drawing exists the page is left as the
// application drew it, which is what a page without a watermark gets: no escape is sent, so
// the renderer never opens a watermark bracket it would have to close.
void PrintPageWatermark(HDC /*printerDc*/) {}

}  // namespace vm4k2ui
