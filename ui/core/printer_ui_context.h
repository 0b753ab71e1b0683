// PrinterUiContext: what one opening of the property sheets, one DEVMODE query, one printer
// event or one capability query works on.
#pragma once

#include <win/base.h>

#include <vm4k2/ui_devmode.h>

#include "ui/core/setting_descriptors.h"

namespace vm4k2ui {

inline constexpr size_t kPrinterNameUnits = 260;

// The common property-sheet host's callback (adds pages, sets the result).
typedef LONG_PTR(CALLBACK* ComPropSheetCallback)(HANDLE hComPropSheet, UINT function, LPARAM lParam1,
                                                 LPARAM lParam2);

struct PrinterUiContext {
  HANDLE propSheet;                     // hComPropSheet of the host
  void* callerHeader;                   // lParam of the last sheet call
  vm4k2::UiDevmode devmode;             // the working copy
  ComPropSheetCallback pfnComPropSheet;
  vm4k2::PrivateDevmode* privatePart;   // &devmode.dmPrivate
  DEVMODEW* publicPart;                 // &devmode.dmPublic
  HANDLE printer;
  SettingDescriptorTable descriptors;
  int32_t spareWord;
  int32_t activePage;                   // 1 basic, 2 paper, 3 layout, 4 watermark
  WCHAR printerName[kPrinterNameUnits];
  int32_t changed;                      // the sheets applied a change
  int32_t deviceSheet;                  // printer-properties sheet rather than document sheets
  int32_t networkPrinter;
  int32_t noPermission;                 // document sheets opened with DM_NOPERMISSION
  HMODULE satellite;                    // the context's own UiResourceDll
};

}  // namespace vm4k2ui

namespace vm4k2ui {

// Builds a context for `printer`: public and private defaults, then the per-user stored
// DEVMODE, the printer's default DEVMODE and the caller's, merged in that order. nullptr
// when the printer cannot be read, its name is too long, the satellite library cannot be
// loaded or memory runs out; nothing is left allocated then.
PrinterUiContext* CreatePrinterUiContext(HANDLE printer, const DEVMODEW* callerDevmode);
// Frees the context with its satellite library; nullptr is accepted.
void ReleasePrinterUiContext(PrinterUiContext* context);

// Descriptors, defaults named after the context's printer, and the custom paper records
// cleared. Also refreshes the process-wide copy of the most recent defaults.
void InitContextDevmode(PrinterUiContext* context);

// The process-wide copy of the most recently built context, taken right after its defaults
// were set and before any merge; false before the first context. Its pointers point into
// `out`.
bool CopyLatestDefaultsContext(PrinterUiContext* out);

inline constexpr const WCHAR* kPipelineProgram = u"printfilterpipelinesvc.exe";

}  // namespace vm4k2ui
