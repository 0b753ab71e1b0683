#include "ui/sheets/sheet_messages.h"

#include <win/user.h>

#include "ui/core/message_box.h"
#include "ui/core/satellite.h"
#include "ui/sheets/message_boxes.h"
#include "ui/sheets/ui_strings.h"

namespace vm4k2ui {

namespace {

constexpr UINT kLayoutCaptionId = 5004;

int ShowWarning(HWND owner, UINT textId, UINT captionId) {
  HMODULE satellite = SatelliteOf(owner);
  WCHAR text[kControlTextUnits] = {};
  WCHAR caption[kControlTextUnits] = {};
  if (textId != 0) LoadUiString(satellite, textId, text, kControlTextUnits);
  LoadUiString(satellite, captionId, caption, kControlTextUnits);
  return ShowMessageBox(owner, text, caption, MB_ICONWARNING);
}

}  // namespace

int ShowPosterDuplexMessage(HWND owner) { return ShowWarning(owner, 5032, kLayoutCaptionId); }

int ShowLayoutMessage(HWND owner, int kind) {
  const UINT text = kind == 1 ? 2068 : kind == 2 ? 2067 : 0;
  return ShowWarning(owner, text, kLayoutCaptionId);
}

int ShowWatermarkLayoutMessage(HWND owner) { return ShowWarning(owner, 2067, kLayoutCaptionId); }

int ShowStoreErrorMessage(HWND owner, int code) {
  switch (code) {
    case -5:
    case -6:
      return ShowWarning(owner, 2045, kWarningCaptionId);
    case -1:
    case -2:
      return ShowWarning(owner, 2040, kWarningCaptionId);
    case -3:
      return AskYesNo(owner, 5010);
    default:
      return 0;
  }
}

}  // namespace vm4k2ui
