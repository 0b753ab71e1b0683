#include "ui/sheets/permission.h"

#include <win/dialogs.h>

namespace vm4k2ui {

void ApplyNoPermission(HWND page, const PrinterUiContext* context, const int* controls, size_t count) {
  if (context == nullptr || !context->noPermission || controls == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    HWND control = GetDlgItem(page, controls[i]);
    if (control != nullptr) EnableWindow(control, FALSE);
  }
}

}  // namespace vm4k2ui
