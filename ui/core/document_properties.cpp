// The document settings of a printer asked for without the printing-preferences pages.
#include "ui/core/document_properties.h"

#include "ui/core/devmode.h"
#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

// The DEVMODE query without pages (DocumentPropertiesW). The caller's cbOut bounds what may
// be written: the spooler passes the size this library answered, an application calling
// directly passes its own.
LONG QueryDevmodeOnly(DOCUMENTPROPERTYHEADER* header) {
  if (header == nullptr) return -1;
  const DWORD capacity = header->cbOut;
  header->cbOut = static_cast<DWORD>(vm4k2::kUiDevmodeSize);
  if (header->fMode == 0 || header->pdmOut == nullptr) return static_cast<LONG>(vm4k2::kUiDevmodeSize);
  PrinterUiContext* context = CreatePrinterUiContext(header->hPrinter, header->pdmIn);
  if (context == nullptr) return -1;
  LONG result = 1;
  if (header->fMode & (DM_UPDATE | DM_COPY)) {
    const size_t needed = CopyDevmodeOutSize(context->devmode, header->pdmIn);
    if (needed == 0 || capacity < needed) {
      SetLastError(needed == 0 ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
      result = -1;
    } else if (!CopyDevmodeOut(context->devmode, header->pdmIn, header->pdmOut, capacity)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      result = -1;
    }
  }
  ReleasePrinterUiContext(context);
  return result;
}

}  // namespace vm4k2ui
