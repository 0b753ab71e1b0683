// The public DEVMODE fields as the property pages read and write them, by dmFields bit.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

struct PrinterUiContext;

// Selectors beyond the dmFields bits.
inline constexpr DWORD kSelectFormFields = 0x7FFF;       // write: announce a form-sized paper
inline constexpr DWORD kSelectReverseOrder = 0x404000;   // the private reverse-order word
inline constexpr size_t kFavoriteRecordDevmodeBytes = 5080;

// Reads a public setting into *value; a read that finds an out-of-range value repairs the
// DEVMODE as well, so the pages and the record never disagree. Selectors without a read
// leave *value as it was. Returns 0.
HRESULT GetPublicSetting(PrinterUiContext* context, DWORD selector, LONG* value);
// Writes a public setting; DM_FORMNAME takes a pointer to a UTF-16 name in `value`. 0, or
// E_FAIL for a selector that is not writable.
HRESULT SetPublicSetting(PrinterUiContext* context, DWORD selector, LONG_PTR value);

// The paper page's tray choice: 0 automatic, 1 manual feed, 2 upper tray.
void SetDefaultSourceFromTray(int trayChoice, PrinterUiContext* context);

// The private part, then the public part: the first 5080 bytes of a favourite's record.
void PackFavoriteRecord(const PrinterUiContext* context, void* buffer);

}  // namespace vm4k2ui
