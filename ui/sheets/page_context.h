// Where a page or a dialog of the sheets keeps the context it works on.
//
// A page keeps the `PrinterUiContext` in its window's user data (GWLP_USERDATA), stored at
// WM_INITDIALOG from the PROPSHEETPAGEW's lParam. A modal dialog of a page gets a
// `DialogParameter` as its creation parameter and keeps a pointer to it in DWLP_USER.
#pragma once

#include <cstdint>

#include <win/dialogs.h>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

// The creation parameter of the pages' modal dialogs: {flag, context}. The watermark editors
// read the flag as their mode (1 edit a record, 0 make a new one).
struct DialogParameter {
  uint8_t flag;
  PrinterUiContext* context;
};
static_assert(sizeof(DialogParameter) == 16 && offsetof(DialogParameter, context) == 8);

inline PrinterUiContext* PageContext(HWND page) {
  return reinterpret_cast<PrinterUiContext*>(GetWindowLongPtrW(page, GWLP_USERDATA));
}
inline void StorePageContext(HWND page, PrinterUiContext* context) {
  SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
}

inline DialogParameter* DialogRecord(HWND dialog) {
  return reinterpret_cast<DialogParameter*>(GetWindowLongPtrW(dialog, DWLP_USER));
}
inline void StoreDialogRecord(HWND dialog, DialogParameter* record) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(record));
}
// The context of a dialog's record, nullptr when it has none.
inline PrinterUiContext* DialogContext(HWND dialog) {
  const DialogParameter* record = DialogRecord(dialog);
  return record != nullptr ? record->context : nullptr;
}

}  // namespace vm4k2ui
