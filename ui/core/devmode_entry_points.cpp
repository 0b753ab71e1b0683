// The library's DEVMODE entry points outside the property sheets: conversion between
// DEVMODE versions, the spooler's print-or-hold question, and the XPS document converter's
// page adjustments.
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include <win/driverui.h>
#include <win/spooler.h>

#include "ui/core/devmode.h"
#include "ui/core/paper_tables.h"
#include "ui/core/private_devmode.h"
#include "ui/core/resource_message.h"
#include "ui/core/satellite.h"
#include "ui/core/system_queries.h"

#define UI_EXPORT extern "C" __attribute__((visibility("default")))

namespace vm4k2ui {
namespace {

constexpr UINT kHoldJobStringId = 207;
constexpr LONG kConvert351Size = 304;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The public defaults named after the driver, and private defaults that are either complete
// or absent: a private part whose texts could not be loaded is zeroed, so that no later merge
// takes it for this driver's own.
BOOL WriteDriverDefaults(HANDLE printer, DEVMODEW* out) {
  DWORD needed = 0;
  if (GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return FALSE;
  }
  std::vector<BYTE> block(needed);
  if (!GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) return FALSE;
  const auto* driver = reinterpret_cast<const DRIVER_INFO_2W*>(block.data());
  SetDefaultDevmode(out, driver->pName);
  auto* privatePart = reinterpret_cast<vm4k2::PrivateDevmode*>(reinterpret_cast<BYTE*>(out) + vm4k2::kPublicDevmodeSize);
  if (FAILED(SetDefaultPrivateDevmode(privatePart))) std::memset(privatePart, 0, vm4k2::kPrivateDevmodeSize);
  return TRUE;
}

void WriteImageableArea(int widthDots, int heightDots, RECT* area) {
  auto micrometres = [](int dots) { return static_cast<LONG>(static_cast<double>(dots) * 254.0 / 600.0 + 0.5) * 100; };
  area->left = 4000;
  area->top = 4000;
  area->right = micrometres(widthDots) - 4000;
  area->bottom = micrometres(heightDots) - 4000;
}

// The page a DEVMODE asks for, in 600-dpi dots, for the converter's imageable area.
void PageDots(ULONG cbDevMode, const DEVMODEW* devmode, int* width, int* height) {
  const int paperId = devmode->dmPaperSize;
  // The private part is ours to read only when the caller's block really holds it.
  const vm4k2::PrivateDevmode* privatePart = nullptr;
  if (devmode->dmSize == vm4k2::kPublicDevmodeSize && devmode->dmDriverExtra == vm4k2::kPrivateDevmodeSize &&
      cbDevMode >= vm4k2::kUiDevmodeSize) {
    privatePart = reinterpret_cast<const vm4k2::PrivateDevmode*>(reinterpret_cast<const BYTE*>(devmode) +
                                                                 vm4k2::kPublicDevmodeSize);
  }
  const bool tablePaper = FindPaperRow(paperId) != nullptr;
  if (tablePaper || (IsCustomPaperId(paperId) && privatePart != nullptr)) {
    PaperExtent extent{};
    LookupPaperSize(privatePart, paperId, true, &extent);
    *width = extent.width;
    *height = extent.height;
  } else if (IsMetricLocale()) {
    *width = 4960;
    *height = 7015;
  } else {
    *width = 5100;
    *height = 6600;
  }
}

}  // namespace
}  // namespace vm4k2ui

UI_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                        DWORD fMode) {
  using namespace vm4k2ui;
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  switch (fMode) {
    case CDM_CONVERT: {
      if (pdmOut == nullptr || pdmIn == nullptr || *pcbNeeded < static_cast<LONG>(kDevmodeHeaderSize)) {
        return Fail(ERROR_INVALID_PARAMETER);
      }
      // The size is the one the conversion will write, which for a target without a driver
      // version is the source's, not the target's own header.
      const size_t needed = ConvertDevmodeSize(pdmOut, pdmIn);
      if (needed == 0) return Fail(ERROR_INVALID_PARAMETER);
      if (static_cast<size_t>(*pcbNeeded) < needed) {
        *pcbNeeded = static_cast<LONG>(needed);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      const size_t written = ConvertDevmode(pdmOut, static_cast<size_t>(*pcbNeeded), pdmIn);
      if (written == 0) return Fail(ERROR_INVALID_PARAMETER);
      *pcbNeeded = static_cast<LONG>(written);
      return TRUE;
    }
    case CDM_CONVERT351: {
      if (pdmOut == nullptr || *pcbNeeded < kConvert351Size) {
        *pcbNeeded = kConvert351Size;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      pdmOut->dmSpecVersion = 0x320;
      pdmOut->dmSize = 192;
      pdmOut->dmDriverVersion = 0x350;
      pdmOut->dmDriverExtra = 112;
      if (pdmIn == nullptr || ConvertDevmode(pdmOut, static_cast<size_t>(*pcbNeeded), pdmIn) == 0) {
        return Fail(ERROR_INVALID_PARAMETER);
      }
      *pcbNeeded = kConvert351Size;
      return TRUE;
    }
    case CDM_DRIVER_DEFAULT: {
      constexpr LONG kNeeded = static_cast<LONG>(vm4k2::kUiDevmodeSize);
      if (pdmOut == nullptr || *pcbNeeded < kNeeded) {
        *pcbNeeded = kNeeded;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      *pcbNeeded = kNeeded;
      HANDLE printer = nullptr;
      if (!OpenPrinterW(pPrinterName, &printer, nullptr)) return FALSE;
      const BOOL written = WriteDriverDefaults(printer, pdmOut);
      const DWORD error = GetLastError();
      ClosePrinter(printer);
      SetLastError(error);
      return written;
    }
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
}

UI_EXPORT BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO info) {
  using namespace vm4k2ui;
  if (info == nullptr || info->Level == 0) return FALSE;
  if (info->pDevMode == nullptr) return TRUE;
  std::unique_ptr<vm4k2::UiDevmode> test(new (std::nothrow) vm4k2::UiDevmode);
  if (!test) return TRUE;  // without memory to check it the job prints as it is
  WCHAR deviceName[CCHDEVICENAME] = {};
  std::memcpy(deviceName, info->pDevMode->dmDeviceName, sizeof(WCHAR) * (CCHDEVICENAME - 1));
  const HRESULT defaults = SetDefaultDevmode(&test->dmPublic, deviceName);
  SetDefaultPrivateDevmode(&test->dmPrivate);
  if (defaults == S_OK && test->dmPublic.dmDriverExtra == vm4k2::kPrivateDevmodeSize &&
      MergeDevmode(test.get(), info->pDevMode) == 1) {
    return TRUE;
  }
  HMODULE satellite = nullptr;
  LoadResourceDll(&satellite);
  int needed = 0;
  FormatResourceMessage(satellite, info->pszErrorStr, static_cast<int>(info->cchErrorStr), &needed, u"%!",
                        kHoldJobStringId);
  info->cchNeeded = static_cast<DWORD>(needed);
  FreeResourceDll(satellite);
  return FALSE;
}

UI_EXPORT HRESULT WINAPI MxdcGetPDEVAdjustment(HANDLE /*hPrinter*/, ULONG cbDevMode, const DEVMODEW* pDevMode,
                                                ULONG /*cbIn*/, const VOID* /*pvIn*/,
                                                ULONG /*cbPrintPropertiesCollection*/,
                                                PrintPropertiesCollection* properties) {
  using namespace vm4k2ui;
  if (properties == nullptr || properties->numberOfProperties == 0 || properties->propertiesCollection == nullptr) {
    return E_NOTIMPL;
  }
  // A DEVMODE is used only when its buffer holds the public fields read here.
  const bool haveDevmode = pDevMode != nullptr && cbDevMode >= kDevmodeHeaderSize + 20 &&
                           pDevMode->dmSize >= kDevmodeHeaderSize + 20 && pDevMode->dmSize <= cbDevMode;
  HRESULT result = E_NOTIMPL;
  for (ULONG i = 0; i < properties->numberOfProperties; ++i) {
    PrintNamedProperty& property = properties->propertiesCollection[i];
    const std::u16string_view name = property.propertyName != nullptr ? property.propertyName : u"";
    PrintPropertyValue& value = property.propertyValue;
    if (name == u"MxdcImageableArea") {
      if (value.ePropertyType != kPropertyTypeBuffer || value.value.propertyBlob.cbBuf != sizeof(RECT) ||
          value.value.propertyBlob.pBuf == nullptr || !haveDevmode) {
        break;
      }
      int width = 0, height = 0;
      PageDots(cbDevMode, pDevMode, &width, &height);
      RECT area;
      WriteImageableArea(width, height, &area);
      std::memcpy(value.value.propertyBlob.pBuf, &area, sizeof(area));
      result = S_OK;
    } else if (name == u"MxdcImageCompressionType") {
      if (value.ePropertyType != kPropertyTypeInt32) break;
      value.value.propertyInt32 = 0;
      result = S_OK;
    } else if (name == u"MxdcDotsPerInch") {
      if (value.ePropertyType != kPropertyTypeInt32) break;
      // The converter lets a driver choose the resolution only for the device-independent
      // qualities (zero or negative).
      if (haveDevmode && pDevMode->dmPrintQuality <= 0) {
        value.value.propertyInt32 = 600;
        result = S_OK;
      }
    }
  }
  return result;
}

UI_EXPORT HRESULT WINAPI DllCanUnloadNow(void) { return S_OK; }
