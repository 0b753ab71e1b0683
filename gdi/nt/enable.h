// Driver entry and device record: the library's exports, the table of driver functions, the
// PDEV's birth (with the GDIINFO and DEVINFO promises to the engine) and death, the device
// surface, the check of a PDEV on every entry, and the first-error record.
#pragma once

#include <win/ddi.h>

#include "gdi/pdev.h"

// The functions handed back by DrvEnableDriver, in the order the engine receives them.
constexpr ULONG kDriverFunctionCount = 26;
extern const DRVFN kDriverFunctions[kDriverFunctionCount];

extern "C" {
__attribute__((visibility("default"))) BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, DWORD reason, LPVOID reserved);
__attribute__((visibility("default"))) BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj,
                                                                     DRVENABLEDATA* pded);
__attribute__((visibility("default"))) BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf,
                                                                        PDWORD pcbNeeded);
__attribute__((visibility("default"))) VOID APIENTRY DrvDisableDriver(VOID);
}

// The library's own module handle, kept at process attach to find the library's folder.
HINSTANCE Enable_ModuleHandle();

// Labels of ValidatePdev's trace; they say which driver function asked.
enum PdevCallKind : int {
  CALL_OTHER = 0,
  CALL_BITBLT = 3,
  CALL_STRETCHBLT = 4,
  CALL_COPYBITS = 7,
  CALL_REALIZEBRUSH = 8,
  CALL_ESCAPE = 9,
  CALL_STARTPAGE = 11,
  CALL_ENDDOC = 12,
  CALL_SENDPAGE = 13,
  CALL_STROKEPATH = 14,
  CALL_FILLPATH = 15,
  CALL_STROKEANDFILLPATH = 16,
  CALL_TEXTOUT = 17,
};

// TRUE when pdev is a live device record of this library (made by DrvEnablePDEV and not yet
// disabled) whose guard holds, and, with needJob, a job is open on it. Otherwise FALSE and a
// trace line; nothing of the record is read unless it is live. The only write is the mark that
// keeps "Job not opened!" to one trace line per document.
BOOL ValidatePdev(PDEV* pdev, BOOL needJob, int callKind);
// The PDEV behind a surface the engine hands a driver function, or nullptr.
PDEV* Pdev_FromSurface(const SURFOBJ* pso);

// Records an internal error of a renderer module: the first one of a job (or of the current
// sheet), every one while no job is open. The text also goes to the debug trace.
// Output of the current job has stopped (a failed write, or an aborted document).
BOOL Pdev_IsOutputStopped(const PDEV* pdev);

// Halftone pattern size for a resolution: 15 at 2400 dpi and above down to 3 below 180 dpi;
// two less each with `small`.
ULONG Enable_PickHalftonePatternSize(ULONG xdpi, ULONG ydpi, BOOL small);
// The device's capability records for the PDEV's merged settings and physical page.
void Enable_FillGdiInfo(const PDEV* pdev, GDIINFO* info);
// Fills DEVINFO and creates the PDEV's default palette (an earlier one is deleted first).
// FALSE when the engine refuses the palette.
BOOL Enable_InitPaletteDevinfo(PDEV* pdev, DEVINFO* info);
