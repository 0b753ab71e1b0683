#include "ui/sheets/message_boxes.h"

#include <win/user.h>

#include "ui/core/message_box.h"
#include "ui/core/satellite.h"
#include "ui/sheets/page_context.h"

namespace vm4k2ui {

namespace {

int ShowBox(HWND owner, const PrinterUiContext* context, UINT textId, UINT captionId, UINT style) {
  HMODULE satellite = context != nullptr ? context->satellite : nullptr;
  WCHAR text[kMessageTextUnits] = {};
  WCHAR caption[kMessageTextUnits] = {};
  LoadUiString(satellite, textId, text, kMessageTextUnits);
  LoadUiString(satellite, captionId, caption, kMessageTextUnits);
  return ShowMessageBox(owner, text, caption, style);
}

}  // namespace

int ShowWarningMessage(HWND owner, UINT textId) {
  return ShowBox(owner, PageContext(owner), textId, kWarningCaptionId, MB_ICONEXCLAMATION | MB_OK);
}

int ShowDialogWarningMessage(HWND owner, UINT textId) {
  return ShowBox(owner, DialogContext(owner), textId, kWarningCaptionId, MB_ICONEXCLAMATION | MB_OK);
}

int ShowErrorMessage(HWND owner, UINT textId) {
  return ShowBox(owner, PageContext(owner), textId, kErrorCaptionId, MB_ICONERROR | MB_OK);
}

int AskYesNo(HWND owner, UINT textId) {
  return ShowBox(owner, PageContext(owner), textId, kWarningCaptionId, MB_ICONEXCLAMATION | MB_YESNO);
}

}  // namespace vm4k2ui
