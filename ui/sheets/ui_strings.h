// The texts of the pages and dialogs from the satellite library: the control-text tables of
// WM_INITDIALOG, combo boxes filled from string tables, and the few strings the pages compare
// with.
#pragma once

#include <cstddef>

#include <win/base.h>

namespace vm4k2ui {

// Control texts are loaded into 512 characters.
inline constexpr int kControlTextUnits = 512;
inline constexpr int kUnsavedNameUnits = 260;
inline constexpr UINT kUnsavedNameId = 5005;
inline constexpr UINT kNewWatermarkNameId = 5025;
inline constexpr UINT kDecimalSampleId = 108;

// One row of a page's control-text table.
struct ControlText {
  int control;
  UINT string;
};

// One row of a combo box filled from strings: the row's text and its item data.
struct ComboRow {
  UINT string;
  LPARAM data;
};

// The satellite library a page or dialog loads its texts from: its context's (a page's user
// data, else a modal dialog's {flag, context} record), else the process's shared one.
HMODULE SatelliteOf(HWND window);

// The window's title from `titleString` (0: none), then each pair's text into its control. A
// string that does not load, or a control the template lacks, leaves the template's text.
void ApplyControlTexts(HWND window, UINT titleString, const ControlText* table, size_t count);

// CB_RESETCONTENT, then each row's text (LoadUiString: a missing one shows "id:N missing!")
// inserted at its index with its item data, then CB_SETCURSEL `selection`.
void FillComboFromTable(HWND dialog, int control, size_t count, const ComboRow* table, int selection);

// String 5005 into the caller's buffer of kUnsavedNameUnits characters; LoadUiString's result.
int LoadUnsavedName(HWND dialog, WCHAR* buffer);
// Whether `text` is string 5025 (the new-watermark name) of the shared satellite library.
bool MatchesUiString5025(const WCHAR* text);
// Whether the language writes "." between units and tenths: string 108 holds no comma.
bool UsesDecimalPoint(HWND dialog);

}  // namespace vm4k2ui
