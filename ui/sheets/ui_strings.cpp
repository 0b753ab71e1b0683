#include "ui/sheets/ui_strings.h"

#include <string_view>

#include <win/dialogs.h>
#include <win/resources.h>

#include "ui/core/satellite.h"
#include "ui/sheets/page_context.h"

namespace vm4k2ui {

HMODULE SatelliteOf(HWND window) {
  const PrinterUiContext* context = window != nullptr ? PageContext(window) : nullptr;
  if (context == nullptr && window != nullptr) context = DialogContext(window);
  if (context != nullptr && context->satellite != nullptr) return context->satellite;
  return SharedResourceDll();
}

// The template's own text is a better fallback than "id:N missing!", so the strings are
// loaded as they stand: a missing one loads nothing and changes nothing.
void ApplyControlTexts(HWND window, UINT titleString, const ControlText* table, size_t count) {
  HMODULE satellite = SatelliteOf(window);
  if (satellite == nullptr) return;
  WCHAR text[kControlTextUnits];
  if (titleString != 0 && LoadStringW(satellite, titleString, text, kControlTextUnits) > 0)
    SetWindowTextW(window, text);
  if (table == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    HWND control = GetDlgItem(window, table[i].control);
    if (control == nullptr) continue;
    if (LoadStringW(satellite, table[i].string, text, kControlTextUnits) > 0) SetWindowTextW(control, text);
  }
}

void FillComboFromTable(HWND dialog, int control, size_t count, const ComboRow* table, int selection) {
  HWND combo = GetDlgItem(dialog, control);
  if (combo == nullptr) return;
  HMODULE satellite = SatelliteOf(dialog);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  WCHAR text[kControlTextUnits];
  for (size_t i = 0; table != nullptr && i < count; ++i) {
    LoadUiString(satellite, table[i].string, text, kControlTextUnits);
    SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text));
    SendMessageW(combo, CB_SETITEMDATA, i, table[i].data);
  }
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

int LoadUnsavedName(HWND dialog, WCHAR* buffer) {
  if (buffer == nullptr) return 0;
  return LoadUiString(SatelliteOf(dialog), kUnsavedNameId, buffer, kUnsavedNameUnits);
}

bool MatchesUiString5025(const WCHAR* text) {
  if (text == nullptr) return false;
  WCHAR name[kControlTextUnits];
  const int length = LoadUiString(SharedResourceDll(), kNewWatermarkNameId, name, kControlTextUnits);
  return std::u16string_view(text) == std::u16string_view(name, static_cast<size_t>(length));
}

bool UsesDecimalPoint(HWND dialog) {
  WCHAR text[kControlTextUnits];
  const int length = LoadUiString(SatelliteOf(dialog), kDecimalSampleId, text, kControlTextUnits);
  return std::u16string_view(text, static_cast<size_t>(length)).find(u',') == std::u16string_view::npos;
}

}  // namespace vm4k2ui
