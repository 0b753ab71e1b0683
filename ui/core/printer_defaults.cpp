#include "ui/core/printer_defaults.h"

#include <cstring>

#include <win/memory.h>
#include <win/modules.h>
#include <win/spooler.h>
#include <win/system.h>

#include <vm4k2/ui_devmode.h>

#include "ui/core/debug_trace.h"
#include "ui/core/printer_data.h"
#include "ui/core/printer_ui_context.h"

namespace vm4k2ui {

namespace {

using RevertToPrinterSelfFn = HANDLE(WINAPI*)();
using ImpersonatePrinterClientFn = BOOL(WINAPI*)(HANDLE);

// The printer's global default DEVMODE becomes the context's.
void StoreGlobalDevmode(HANDLE printer, PrinterUiContext* context) {
  DWORD needed = 0;
  GetPrinterW(printer, 8, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_8W)) {
    DebugTrace("Reading PRINTER_INFO_8 failed, error %u\n", GetLastError());
    return;
  }
  BYTE* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, needed));
  if (block == nullptr) return;
  if (GetPrinterW(printer, 8, block, needed, &needed)) {
    reinterpret_cast<PRINTER_INFO_8W*>(block)->pDevMode = &context->devmode.dmPublic;
    if (!SetPrinterW(printer, 8, block, 0)) DebugTrace("SetPrinter level 8 failed, error %u\n", GetLastError());
  } else {
    DebugTrace("Reading PRINTER_INFO_8 failed, error %u\n", GetLastError());
  }
  HeapFree(GetProcessHeap(), 0, block);
}

void StorePrintProcessor(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) {
    DebugTrace("Reading PRINTER_INFO_2 failed, error %u\n", GetLastError());
    return;
  }
  BYTE* block = static_cast<BYTE*>(LocalAlloc(LPTR, needed));
  if (block == nullptr) return;
  if (GetPrinterW(printer, 2, block, needed, &needed)) {
    reinterpret_cast<PRINTER_INFO_2W*>(block)->pPrintProcessor = const_cast<LPWSTR>(kPrintProcessorName);
    if (!SetPrinterW(printer, 2, block, 0)) DebugTrace("SetPrinter level 2 failed, error %u\n", GetLastError());
  } else {
    DebugTrace("Reading PRINTER_INFO_2 failed, error %u\n", GetLastError());
  }
  LocalFree(block);
}

}  // namespace

void StorePrinterDefaults(HANDLE printer) {
  if (PrinterUiContext* context = CreatePrinterUiContext(printer, nullptr)) {
    if (!WritePrinterDataBlock(printer, &context->devmode, sizeof(vm4k2::UiDevmode), PrinterDataKind::PrivateDevmode))
      DebugTrace("SetPrinterData of the user's DEVMODE failed, error %u\n", GetLastError());
    StoreGlobalDevmode(printer, context);
    ReleasePrinterUiContext(context);
  }
  StorePrintProcessor(printer);
}

BOOL InitializePrinterDefaults(const WCHAR* printerName) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, &defaults)) return FALSE;
  StorePrinterDefaults(printer);
  ClosePrinter(printer);
  return TRUE;
}

BOOL RefreshPrinterDefaults(const WCHAR* printerName) {
  HMODULE spoolss = LoadLibraryW(u"spoolss.dll");
  if (spoolss == nullptr) return FALSE;
  auto revert = reinterpret_cast<RevertToPrinterSelfFn>(
      reinterpret_cast<void*>(GetProcAddress(spoolss, "RevertToPrinterSelf")));
  auto impersonate = reinterpret_cast<ImpersonatePrinterClientFn>(
      reinterpret_cast<void*>(GetProcAddress(spoolss, "ImpersonatePrinterClient")));
  if (revert == nullptr || impersonate == nullptr) {
    FreeLibrary(spoolss);
    return FALSE;
  }
  HANDLE token = revert();
  HANDLE printer = nullptr;
  BOOL opened = OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, nullptr);
  if (opened) {
    StorePrinterDefaults(printer);
    ClosePrinter(printer);
  }
  // The thread goes back to acting for the client whichever way the refresh went.
  if (token != nullptr) {
    const DWORD error = GetLastError();
    impersonate(token);
    SetLastError(error);
  }
  FreeLibrary(spoolss);
  return opened;
}

}  // namespace vm4k2ui
