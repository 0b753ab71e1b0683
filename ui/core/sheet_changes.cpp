#include "ui/core/sheet_changes.h"

#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/dialogs.h>
#include <win/driverui.h>

#include "ui/core/devmode.h"
#include "ui/core/page_states.h"
#include "ui/core/setting_descriptors.h"
#include "ui/core/settings_snapshot.h"

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

// The basic page's snapshot follows what was applied. The entry is only looked up: the
// device sheet's thread, or a thread that never showed the basic page, has none, and an
// object made here would outlive every sheet.
void RefreshFavouritesSnapshot(PrinterUiContext* context) {
  auto* source = dynamic_cast<SnapshotHolderSource*>(FindPageState(kBasicPageStateEntry));
  SettingsSnapshotHolder* holder = source != nullptr ? source->SnapshotHolder() : nullptr;
  if (holder == nullptr) return;
  holder->TakeActivePage(context->activePage);
  if (holder->ChangedSinceSnapshot(*context)) {
    holder->ShowUnsavedEntry(*context);
    holder->TakeSnapshot(*context);
  }
}

// The page's PSN_APPLY answer. SetWindowLongPtrW leaves the last error alone on success and
// the previous value may be 0, so the error is primed to tell the two apart. FALSE when the
// page window is gone.
bool AnswerApply(HWND page) {
  SetLastError(0);
  if (SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR) == 0 && GetLastError() != 0) return false;
  SendMessageW(GetParent(page), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
  return true;
}

}  // namespace

int ApplySheetChanges(HWND page, PrinterUiContext* context, BOOL announceResult) {
  if (context == nullptr) return 0;
  if (page != nullptr) RefreshFavouritesSnapshot(context);
  if (context->devmode.dmPublic.dmDuplex == kBookletDuplex) {
    const uint16_t duplex = kBookletDuplex;
    SetSettingByName(context, "Duplex", &duplex, sizeof(duplex));
  }
  context->changed = 1;
  if (page != nullptr && !AnswerApply(page)) return 1;
  if (!context->deviceSheet) CopyToCaller(context, announceResult);
  return 1;
}

}  // namespace vm4k2ui
