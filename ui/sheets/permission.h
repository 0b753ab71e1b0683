// Printing preferences opened without the right to change settings (DM_NOPERMISSION): every
// control of a page that edits a setting is disabled each time the page is shown. Each page
// lists its own controls; the favourites' Delete button (1182) is never enabled here.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

inline constexpr int kDeleteFavoriteControl = 1182;

// With the context's no-permission flag, disables each control of `controls` the page has.
// Nothing without the flag or without a context.
void ApplyNoPermission(HWND page, const PrinterUiContext* context, const int* controls, size_t count);

}  // namespace vm4k2ui
