#include "ui/core/sheet_changes.h"

#include <win/compstui.h>
#include <win/driverui.h>

#include "ui/core/devmode.h"
#include "ui/core/setting_descriptors.h"

namespace vm4k2ui {

namespace {

// A public duplex of 5 is the pages' own value, which no reader of the public part knows;
// the private Duplex key carries it on.
constexpr short kBookletDuplex = 5;

void CopyToCaller(PrinterUiContext* context, BOOL announceResult) {
  const auto* header = static_cast<const DOCUMENTPROPERTYHEADER*>(context->callerHeader);
  if (header == nullptr || !(header->fMode & (DM_UPDATE | DM_COPY)) || header->pdmOut == nullptr) return;
  // The caller's output block holds cbOut bytes and no more, whatever the DEVMODE would need.
  if (!CopyDevmodeOut(context->devmode, header->pdmIn, header->pdmOut, header->cbOut)) return;
  if (announceResult && context->pfnComPropSheet)
    context->pfnComPropSheet(context->propSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
}

}  // namespace

int ApplySheetChanges(HWND, PrinterUiContext* context, BOOL announceResult) {
  if (context == nullptr) return 0;
  if (context->devmode.dmPublic.dmDuplex == kBookletDuplex) {
    const uint16_t duplex = kBookletDuplex;
    SetSettingByName(context, "Duplex", &duplex, sizeof(duplex));
  }
  context->changed = 1;
  if (!context->deviceSheet) CopyToCaller(context, announceResult);
  return 1;
}

}  // namespace vm4k2ui
