#include "ui/core/public_settings.h"

#include <cstring>

#include <win/devmode.h>

#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

HRESULT GetPublicSetting(PrinterUiContext* context, DWORD selector, LONG* value) {
  if (context == nullptr || value == nullptr) return E_POINTER;
  DEVMODEW& dm = context->devmode.dmPublic;
  switch (selector) {
    case DM_ORIENTATION:
      if (dm.dmOrientation < 0 || dm.dmOrientation > DMORIENT_LANDSCAPE) dm.dmOrientation = DMORIENT_PORTRAIT;
      *value = dm.dmOrientation;
      break;
    case DM_PAPERSIZE: *value = dm.dmPaperSize; break;
    case DM_PAPERLENGTH: *value = dm.dmPaperLength; break;
    case DM_PAPERWIDTH: *value = dm.dmPaperWidth; break;
    case DM_SCALE: *value = 100; break;  // zoom lives in the private part; the engine must not scale
    case DM_COPIES:
      if (dm.dmCopies < 1 || dm.dmCopies > 999) dm.dmCopies = 1;
      *value = dm.dmCopies;
      break;
    case DM_DEFAULTSOURCE: *value = dm.dmDefaultSource; break;
    case DM_COLLATE:
      if (dm.dmCollate < 0) dm.dmCollate = DMCOLLATE_FALSE;
      *value = dm.dmCollate;
      break;
    case kSelectReverseOrder:
      if (context->devmode.dmPrivate.reverseOrder < 0) context->devmode.dmPrivate.reverseOrder = 0;
      *value = context->devmode.dmPrivate.reverseOrder;
      break;
    case DM_MEDIATYPE:
      if (dm.dmMediaType < 1 || dm.dmMediaType > 263) dm.dmMediaType = DMMEDIA_STANDARD;
      *value = static_cast<LONG>(dm.dmMediaType);
      break;
    default: break;
  }
  return S_OK;
}

HRESULT SetPublicSetting(PrinterUiContext* context, DWORD selector, LONG_PTR value) {
  if (context == nullptr) return E_POINTER;
  DEVMODEW& dm = context->devmode.dmPublic;
  const auto word = static_cast<SHORT>(value);
  switch (selector) {
    case DM_ORIENTATION: dm.dmOrientation = word; break;
    case DM_PAPERSIZE: dm.dmPaperSize = word; break;
    case DM_PAPERLENGTH: dm.dmPaperLength = word; break;
    case DM_PAPERWIDTH: dm.dmPaperWidth = word; break;
    case DM_SCALE:
      dm.dmScale = word;
      context->devmode.dmPrivate.zoomPercent = word;
      break;
    case DM_COPIES: dm.dmCopies = word; break;
    case DM_DEFAULTSOURCE: dm.dmDefaultSource = word; break;
    case DM_PRINTQUALITY: dm.dmPrintQuality = word; break;
    case DM_DUPLEX: dm.dmDuplex = word; break;
    case DM_YRESOLUTION: dm.dmYResolution = word; break;
    case kSelectFormFields: dm.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME; break;
    case DM_COLLATE: dm.dmCollate = word; break;
    case DM_FORMNAME: {
      // The name is UTF-16: copied by character, at most 31 and the terminator.
      std::memset(dm.dmFormName, 0, sizeof(dm.dmFormName));
      const auto* name = reinterpret_cast<const WCHAR*>(value);
      for (size_t i = 0; name != nullptr && i + 1 < CCHFORMNAME && name[i] != 0; ++i) dm.dmFormName[i] = name[i];
      break;
    }
    case kSelectReverseOrder: context->devmode.dmPrivate.reverseOrder = word; break;
    case DM_MEDIATYPE: dm.dmMediaType = static_cast<DWORD>(value); break;
    default: return E_FAIL;
  }
  return S_OK;
}

void SetDefaultSourceFromTray(int trayChoice, PrinterUiContext* context) {
  if (context == nullptr) return;
  switch (trayChoice) {
    case 0: context->devmode.dmPublic.dmDefaultSource = DMBIN_AUTO; break;
    case 1: context->devmode.dmPublic.dmDefaultSource = DMBIN_MANUAL; break;
    case 2: context->devmode.dmPublic.dmDefaultSource = DMBIN_UPPER; break;
    default: break;
  }
}

void PackFavoriteRecord(const PrinterUiContext* context, void* buffer) {
  if (context == nullptr || buffer == nullptr) return;
  auto* out = static_cast<BYTE*>(buffer);
  std::memcpy(out, &context->devmode.dmPrivate, vm4k2::kPrivateDevmodeSize);
  std::memcpy(out + vm4k2::kPrivateDevmodeSize, &context->devmode.dmPublic, vm4k2::kPublicDevmodeSize);
}

}  // namespace vm4k2ui
