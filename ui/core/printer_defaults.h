// The printer's default settings as the library stores them when the spooler initialises a
// printer or refreshes its cache: the per-user DEVMODE pair, the printer's global default
// DEVMODE and the package's print processor.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

inline constexpr const WCHAR* kPrintProcessorName = u"Velmor K8000 PCL6 Processor";

// Builds a context for the printer without a caller DEVMODE and stores its UiDevmode as the
// user's "PrivateDevmodeData" pair and as the level-8 default; then sets the print processor,
// also when no context could be built. A refused write is traced and the rest goes on. The
// printer handle stays open.
void StorePrinterDefaults(HANDLE printer);

// PRINTER_EVENT_INITIALIZE: opens the printer with full access and stores the defaults.
// FALSE when the printer does not open.
BOOL InitializePrinterDefaults(const WCHAR* printerName);

// PRINTER_EVENT_CACHE_REFRESH: as the spooler itself (RevertToPrinterSelf from spoolss.dll),
// opens the printer with default access and stores the defaults; the client's token is taken
// back on every way out. FALSE when spoolss.dll or one of its two exports is missing, or the
// printer does not open.
BOOL RefreshPrinterDefaults(const WCHAR* printerName);

}  // namespace vm4k2ui
