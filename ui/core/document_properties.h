// The DEVMODE query without pages (DocumentPropertiesW, DrvDocumentPropertySheets with no
// property-sheet info).
#pragma once

#include <win/driverui.h>

namespace vm4k2ui {

// fMode 0 or no output: the DEVMODE size. Otherwise builds a context for the header's
// printer and input and, for DM_UPDATE or DM_COPY, copies its DEVMODE out within cbOut.
// 1, or -1 with the last error.
LONG QueryDevmodeOnly(DOCUMENTPROPERTYHEADER* header);

}  // namespace vm4k2ui
