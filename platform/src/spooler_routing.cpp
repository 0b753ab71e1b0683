// DocumentPropertiesW and DeviceCapabilitiesW: the spooler hands both to the printer's
// user-interface library, which it loads in the calling process by the driver's
// configuration file, as the platform does.
#include <win/compstui.h>
#include <win/driverui.h>
#include <win/modules.h>
#include <win/spooler.h>
#include <win/user.h>

#include <vector>

#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace {

// The header the platform hands a driver's DrvDocumentPropertySheets when it asks for a
// DEVMODE without pages (the property-sheet info pointer is NULL).
struct DocumentPropertyHeader {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
};
static_assert(sizeof(DocumentPropertyHeader) == 48 && offsetof(DocumentPropertyHeader, cbOut) == 40);

using DocumentPropertySheetsFn = LONG (*)(void* propSheetUiInfo, LPARAM lParam);
using DeviceCapabilitiesFn = DWORD (*)(HANDLE hPrinter, LPWSTR pDeviceName, WORD iDevCap, void* pvOutput,
                                       const DEVMODEW* pDevMode);

// The printer's user-interface library, loaded for one call.
class UiLibrary {
 public:
  explicit UiLibrary(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    std::vector<BYTE> block(needed);
    if (!GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) return;
    const auto* driver = reinterpret_cast<const DRIVER_INFO_2W*>(block.data());
    module_ = LoadLibraryW(driver->pConfigFile);
  }
  ~UiLibrary() {
    if (module_) {
      DWORD error = GetLastError();
      FreeLibrary(module_);
      SetLastError(error);
    }
  }
  UiLibrary(const UiLibrary&) = delete;
  UiLibrary& operator=(const UiLibrary&) = delete;

  template <typename Fn>
  Fn Export(const char* name) const {
    return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

// A printer handle for the call: the caller's, or one opened by name and closed afterwards.
class CallPrinter {
 public:
  CallPrinter(HANDLE given, const WCHAR* name) : handle_(given) {
    if (!handle_ && OpenPrinterW(const_cast<LPWSTR>(name), &handle_, nullptr)) owned_ = true;
  }
  ~CallPrinter() {
    if (owned_) {
      DWORD error = GetLastError();
      ClosePrinter(handle_);
      SetLastError(error);
    }
  }
  CallPrinter(const CallPrinter&) = delete;
  CallPrinter& operator=(const CallPrinter&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
  bool owned_ = false;
};

std::u16string PrinterNameOf(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 4, nullptr, 0, &needed);
  std::vector<BYTE> block(needed ? needed : 1);
  if (!needed || !GetPrinterW(printer, 4, block.data(), needed, &needed)) return u"";
  return std::u16string(plat::WideView(reinterpret_cast<PRINTER_INFO_4W*>(block.data())->pPrinterName));
}

// The spooler's own sheet function under which the driver's sheet function runs: it adds the
// driver's function with the driver's header, names the sheet after the printer and keeps the
// result the driver's pages set.
struct PromptCall {
  PFNPROPSHEETUI driver = nullptr;
  LPARAM driverHeader = 0;
  std::u16string title;
};

LONG CALLBACK SpoolerSheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
  auto* call = reinterpret_cast<PromptCall*>(info->lParamInit);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PFNPROPSHEETUIW,
                                   reinterpret_cast<LPARAM>(call->driver), call->driverHeader)
                 ? 1
                 : -1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam)->pTitle = const_cast<LPWSTR>(call->title.c_str());
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      info->Result = static_cast<ULONG_PTR>(reinterpret_cast<SETRESULT_INFO*>(lParam)->Result);
      return 1;
    default:
      return 1;
  }
}

// The sheet through the common host: CPSUI_OK or CPSUI_CANCEL, or below 0 when it failed.
LONG ShowSheets(HWND owner, PFNPROPSHEETUI driver, LPARAM header, std::u16string title) {
  PromptCall call{driver, header, std::move(title)};
  DWORD result = 0;
  return CommonPropertySheetUIW(owner, SpoolerSheets, reinterpret_cast<LPARAM>(&call), &result);
}

}  // namespace

extern "C" {

WINBASEAPI LONG WINAPI DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                                           PDEVMODEW pDevModeInput, DWORD fMode) {
  if (!plat::spooler::RequireRunning()) return -1;
  CallPrinter printer(hPrinter, pDeviceName);
  if (!printer.get()) return -1;
  std::u16string name = pDeviceName && *pDeviceName ? std::u16string(pDeviceName) : PrinterNameOf(printer.get());
  UiLibrary library(printer.get());
  auto sheets = library.Export<DocumentPropertySheetsFn>("DrvDocumentPropertySheets");
  if (!sheets) return -1;

  DocumentPropertyHeader header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer.get();
  header.pszPrinterName = const_cast<LPWSTR>(name.c_str());
  header.pdmIn = pDevModeInput;
  // The call has no output size: the driver's own answer to the size question is passed as
  // the output block's size, so the driver knows how much it may write.
  LONG size = sheets(nullptr, reinterpret_cast<LPARAM>(&header));
  if (fMode == 0 || size <= 0) return size;
  header.pdmOut = pDevModeOutput;
  header.cbOut = static_cast<DWORD>(size);
  header.fMode = fMode;
  if (fMode & DM_IN_PROMPT) {
    // The user edits the settings in the driver's pages; the driver copies them out on OK.
    LONG shown = ShowSheets(hWnd, reinterpret_cast<PFNPROPSHEETUI>(sheets), reinterpret_cast<LPARAM>(&header), name);
    if (shown < 0) return -1;
    return shown == CPSUI_OK ? IDOK : IDCANCEL;
  }
  return sheets(nullptr, reinterpret_cast<LPARAM>(&header));
}

WINBASEAPI BOOL WINAPI PrinterPropertiesW(HWND hWnd, HANDLE hPrinter) {
  if (!plat::spooler::RequireRunning()) return FALSE;
  if (!hPrinter) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::u16string name = PrinterNameOf(hPrinter);
  UiLibrary library(hPrinter);
  auto sheets = library.Export<DocumentPropertySheetsFn>("DrvDevicePropertySheets");
  if (!sheets) return FALSE;
  DEVICEPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = hPrinter;
  header.pszPrinterName = const_cast<LPWSTR>(name.c_str());
  return ShowSheets(hWnd, reinterpret_cast<PFNPROPSHEETUI>(sheets), reinterpret_cast<LPARAM>(&header), name) >= 0;
}

WINBASEAPI int WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                          const DEVMODEW* pDevMode) {
  (void)pPort;
  if (!plat::spooler::RequireRunning()) return -1;
  CallPrinter printer(nullptr, pDevice);
  if (!printer.get()) return -1;
  UiLibrary library(printer.get());
  auto capabilities = library.Export<DeviceCapabilitiesFn>("DrvDeviceCapabilities");
  if (!capabilities) return -1;
  return static_cast<int>(capabilities(printer.get(), const_cast<LPWSTR>(pDevice), fwCapability, pOutput, pDevMode));
}

}  // extern "C"
