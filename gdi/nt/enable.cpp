#include "gdi/nt/enable.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include <win/memory.h>
#include <win/modules.h>
#include <win/spooler.h>

#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/ddientry.h"
#include "gdi/nt/fontdata.h"
#include "gdi/util.h"
#include "intrface/devmod2.h"

namespace {

HINSTANCE g_module = nullptr;

// Live device records. A PDEV pointer the engine hands back is trusted only when this library
// made it and has not freed it; probing the memory instead would read freed or foreign blocks.
std::mutex g_liveLock;
std::set<const PDEV*> g_live;

void RegisterPdev(const PDEV* pdev) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  g_live.insert(pdev);
}

void UnregisterPdev(const PDEV* pdev) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  g_live.erase(pdev);
}

bool IsLive(const PDEV* pdev) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  return g_live.count(pdev) != 0;
}

constexpr ULONG kPdevBytes = sizeof(PDEV);

PDEV* AllocPdev() { return static_cast<PDEV*>(GlobalAlloc(GPTR, kPdevBytes)); }

void FreePdev(PDEV* pdev) {
  if (pdev) GlobalFree(pdev);
}

// The pointer's two 16-bit halves as the trace shows them (the low 32 bits of a 64-bit pointer).
unsigned HighWord(const void* p) { return static_cast<unsigned>((reinterpret_cast<uintptr_t>(p) >> 16) & 0xFFFF); }
unsigned LowWord(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 0xFFFF); }

constexpr BYTE kReportedJobNotOpen = 0x4;

// The document name as 8-bit text for a trace line, terminated within the capacity.
void DocumentNameText(const PDEV* pdev, char* out, ULONG capacity) {
  const WCHAR* name = pdev->jobCtl.documentName;
  ULONG units = 0;
  while (units < PDEV_DOCUMENT_NAME_UNITS && name[units]) ++units;
  ULONG written = 0;
  EngUnicodeToMultiByteN(out, capacity - 1, &written, const_cast<WCHAR*>(name), units * sizeof(WCHAR));
  out[written] = 0;
}

// The resolution index of the settings: 0 for 600 dpi, 1 for 1200 dpi. The merge keeps it in
// range; an index from anywhere else is taken as 600 dpi rather than scaling the page wildly.
ULONG DotsPerInch(const RenderDevmode& settings) {
  return settings.dmPrivate.image.bResolution == 1 ? 1200 : 600;
}

}  // namespace

HINSTANCE Enable_ModuleHandle() { return g_module; }

// ---- Driver functions ------------------------------------------------------------------------

const DRVFN kDriverFunctions[kDriverFunctionCount] = {
    {INDEX_DrvEnablePDEV, reinterpret_cast<PFN>(DrvEnablePDEV)},
    {INDEX_DrvResetPDEV, reinterpret_cast<PFN>(DrvResetPDEV)},
    {INDEX_DrvCompletePDEV, reinterpret_cast<PFN>(DrvCompletePDEV)},
    {INDEX_DrvDisablePDEV, reinterpret_cast<PFN>(DrvDisablePDEV)},
    {INDEX_DrvEnableSurface, reinterpret_cast<PFN>(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, reinterpret_cast<PFN>(DrvDisableSurface)},
    {INDEX_DrvBitBlt, reinterpret_cast<PFN>(DrvBitBlt)},
    {INDEX_DrvStretchBlt, reinterpret_cast<PFN>(DrvStretchBlt)},
    {INDEX_DrvCopyBits, reinterpret_cast<PFN>(DrvCopyBits)},
    {INDEX_DrvGradientFill, reinterpret_cast<PFN>(DrvGradientFill)},
    {INDEX_DrvTransparentBlt, reinterpret_cast<PFN>(DrvTransparentBlt)},
    {INDEX_DrvTextOut, reinterpret_cast<PFN>(DrvTextOut)},
    {INDEX_DrvQueryFont, reinterpret_cast<PFN>(DrvQueryFont)},
    {INDEX_DrvSendPage, reinterpret_cast<PFN>(DrvSendPage)},
    {INDEX_DrvStrokePath, reinterpret_cast<PFN>(DrvStrokePath)},
    {INDEX_DrvFillPath, reinterpret_cast<PFN>(DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, reinterpret_cast<PFN>(DrvStrokeAndFillPath)},
    {INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(DrvRealizeBrush)},
    {INDEX_DrvStartPage, reinterpret_cast<PFN>(DrvStartPage)},
    {INDEX_DrvStartDoc, reinterpret_cast<PFN>(DrvStartDoc)},
    {INDEX_DrvEscape, reinterpret_cast<PFN>(DrvEscape)},
    {INDEX_DrvDrawEscape, reinterpret_cast<PFN>(DrvDrawEscape)},
    {INDEX_DrvEndDoc, reinterpret_cast<PFN>(DrvEndDoc)},
    {INDEX_DrvGetGlyphMode, reinterpret_cast<PFN>(DrvGetGlyphMode)},
    {INDEX_DrvQueryAdvanceWidths, reinterpret_cast<PFN>(DrvQueryAdvanceWidths)},
    {INDEX_DrvQueryDeviceSupport, reinterpret_cast<PFN>(DrvQueryDeviceSupport)},
};

// ---- Exports ---------------------------------------------------------------------------------

extern "C" {

BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = hInstance;
  return TRUE;
}

BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded) {
  // The size test is of this build's DRVENABLEDATA: with 64-bit pointers the record is 16
  // bytes, and a shorter buffer could not hold the table pointer.
  if (iEngineVersion < DDI_DRIVER_VERSION_NT4 || cj < sizeof(DRVENABLEDATA) || pded == nullptr) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  pded->iDriverVersion = iEngineVersion >= DDI_DRIVER_VERSION_NT5 ? DDI_DRIVER_VERSION_NT4 : DDI_DRIVER_VERSION_NT5;
  pded->c = kDriverFunctionCount;
  pded->pdrvfn = const_cast<DRVFN*>(kDriverFunctions);
  return TRUE;
}

BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
  if (dwMode != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
  if (pBuffer == nullptr || cbBuf < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DWORD userMode = TRUE;
  std::memcpy(pBuffer, &userMode, sizeof(userMode));
  return TRUE;
}

VOID APIENTRY DrvDisableDriver(VOID) {}

}  // extern "C"

// ---- Validation and the error record -----------------------------------------------------------

BOOL ValidatePdev(PDEV* pdev, BOOL needJob, int callKind) {
  if (pdev == nullptr || !IsLive(pdev) || pdev->job.guard != PDEV_GUARD) {
    if (callKind != CALL_BITBLT)
      Util_DebugPrint("PDEV:%04X:%04X, jobType:%d, Not my device!\n", HighWord(pdev), LowWord(pdev), callKind);
    return FALSE;
  }
  if (needJob && pdev->jobCtl.hJobOutput == nullptr) {
    if (!(pdev->job.reported & kReportedJobNotOpen)) {
      // The mark is the trace's own bookkeeping: it keeps a page's many drawing calls from
      // repeating the line until the next document starts.
      pdev->job.reported |= kReportedJobNotOpen;
      char name[PDEV_DOCUMENT_NAME_UNITS];
      DocumentNameText(pdev, name, sizeof(name));
      Util_DebugPrint("%s\nPDEV:%04X:%04X, jobType:%d, Job not opened!\n", name, HighWord(pdev), LowWord(pdev),
                      callKind);
    }
    return FALSE;
  }
  return TRUE;
}

PDEV* Pdev_FromSurface(const SURFOBJ* pso) { return pso ? reinterpret_cast<PDEV*>(pso->dhpdev) : nullptr; }

BOOL Pdev_IsOutputStopped(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_OUTPUT_STOPPED) != 0; }

// ---- Capability records --------------------------------------------------------------------

ULONG Enable_PickHalftonePatternSize(ULONG xdpi, ULONG ydpi, BOOL small) {
  ULONG d = xdpi < ydpi ? xdpi : ydpi;
  ULONG size = d >= 2400 ? 15 : d >= 1800 ? 13 : d >= 1200 ? 11 : d >= 900 ? 9 : d >= 400 ? 7 : d >= 180 ? 5 : 3;
  return small ? size - 2 : size;
}

void Enable_FillGdiInfo(const PDEV* pdev, GDIINFO* info) {
  const RenderDevmode& settings = pdev->settings;
  const PdevPage& page = pdev->physicalPage;
  const LONG dpi = static_cast<LONG>(DotsPerInch(settings));
  const LONG scale = settings.dmPublic.dmScale;
  LONG logicalDpi = dpi * scale / 100;
  // A zoom the merge would never let through must not divide by zero.
  if (logicalDpi <= 0) logicalDpi = dpi;
  const LONG printableWidth = page.width - page.left - page.right;
  const LONG printableHeight = page.height - page.top - page.bottom;
  const SHORT color = settings.dmPublic.dmColor;

  std::memset(info, 0, sizeof(*info));
  info->ulVersion = 0x400;
  info->ulTechnology = DT_RASPRINTER;
  info->ulHorzSize = static_cast<ULONG>(static_cast<double>(printableWidth) * 25.4 / logicalDpi);
  info->ulVertSize = static_cast<ULONG>(static_cast<double>(printableHeight) * 25.4 / logicalDpi);
  info->ulHorzRes = static_cast<ULONG>(printableWidth);
  info->ulVertRes = static_cast<ULONG>(printableHeight);
  info->cBitsPixel = 24;
  info->cPlanes = 1;
  info->ulNumColors = color == DMCOLOR_MONOCHROME ? 16 : color == DMCOLOR_COLOR ? 20 : 0;
  info->flRaster = 0;
  info->ulLogPixelsX = static_cast<ULONG>(logicalDpi);
  info->ulLogPixelsY = static_cast<ULONG>(logicalDpi);
  info->flTextCaps = TC_OP_CHARACTER | TC_OP_STROKE | TC_CP_STROKE | TC_CR_ANY | TC_SF_X_YINDEP | TC_SA_DOUBLE |
                     TC_SA_INTEGER | TC_SA_CONTIN | TC_UA_ABLE | TC_SO_ABLE;
  info->ulAspectX = static_cast<ULONG>(dpi);
  info->ulAspectY = static_cast<ULONG>(dpi);
  info->ulAspectXY = static_cast<ULONG>(dpi * 1414 / 1000);
  info->xStyleStep = 1;
  info->yStyleStep = 1;
  info->denStyleStep = dpi / 50;
  info->ptlPhysOffset = POINTL{page.left, page.top};
  info->szlPhysSize = SIZEL{page.width, page.height};
  info->ulNumPalReg = 0;

  COLORINFO& ci = info->ciDevice;
  ci.Red = CIECHROMA{6380, 3350, 0};
  ci.Green = CIECHROMA{2345, 6075, 0};
  ci.Blue = CIECHROMA{1410, 932, 0};
  ci.Cyan = CIECHROMA{2000, 2450, 0};
  ci.Magenta = CIECHROMA{5210, 2100, 0};
  ci.Yellow = CIECHROMA{4750, 5100, 0};
  ci.AlignmentWhite = CIECHROMA{3127, 3290, 0};
  ci.RedGamma = ci.GreenGamma = ci.BlueGamma = 12500;
  ci.MagentaInCyanDye = 585;
  ci.YellowInCyanDye = 120;
  ci.CyanInMagentaDye = 0;
  ci.YellowInMagentaDye = 0;
  ci.CyanInYellowDye = 0;
  ci.MagentaInYellowDye = 10000;

  ULONG pattern = Enable_PickHalftonePatternSize(static_cast<ULONG>(dpi), static_cast<ULONG>(dpi), FALSE);
  info->ulHTPatternSize = pattern > 15 ? 5 : pattern;
  info->ulHTOutputFormat = (color == DMCOLOR_MONOCHROME || color == DMCOLOR_COLOR) ? HT_FORMAT_24BPP : 0;
  info->flHTFlags = HT_FLAG_HAS_BLACK_DYE;
  info->flShadeBlend = SB_GRAD_RECT | SB_GRAD_TRI;
}

BOOL Enable_InitPaletteDevinfo(PDEV* pdev, DEVINFO* info) {
  const RenderDevmode& settings = pdev->settings;
  const LONG dpi = static_cast<LONG>(DotsPerInch(settings));

  std::memset(info, 0, sizeof(*info));
  info->flGraphicsCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL |
                         GCAPS_HALFTONE | GCAPS_OPAQUERECT;
  if (settings.dmPrivate.wmark.wmIndex != 1) info->flGraphicsCaps |= GCAPS_DONTJOURNAL;

  const BYTE face = settings.dmPrivate.device.bUiExtra3;
  if (face < 2) {
    LOGFONTW font{};
    const double size = settings.dmPrivate.device.wUiExtra4;
    font.lfHeight = -static_cast<LONG>((dpi * size / 10 + 36) / 72);
    font.lfWeight = FW_NORMAL;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    const char16_t* name = face == 0 ? u"Arial" : u"Courier";
    for (size_t i = 0; name[i] && i + 1 < LF_FACESIZE; ++i) font.lfFaceName[i] = name[i];
    info->lfDefaultFont = font;
    info->lfAnsiVarFont = font;
    info->lfAnsiFixFont = font;
  }
  info->cFonts = pdev->deviceFontCount[0] + pdev->deviceFontCount[1];
  info->iDitherFormat = BMF_24BPP;

  if (pdev->hpal) {
    EngDeletePalette(pdev->hpal);
    pdev->hpal = nullptr;
  }
  pdev->hpal = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  if (pdev->hpal == nullptr) {
    PDEV_REPORT_ERROR(pdev);
    return FALSE;
  }
  info->hpalDefault = pdev->hpal;
  return TRUE;
}

// ---- Device record life cycle ----------------------------------------------------------------

namespace {

// Whether the printer's level-2 driver information names a data file. Only the answer is kept:
// the information block is the spooler's answer for this call and is freed here.
bool DriverHasDataFile(HANDLE hPrinter, DWORD& error) {
  DWORD needed = 0;
  GetPrinterDriverW(hPrinter, nullptr, 2, nullptr, 0, &needed);
  if (needed == 0) {
    error = GetLastError();
    return false;
  }
  BYTE* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
  if (block == nullptr) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  bool ok = GetPrinterDriverW(hPrinter, nullptr, 2, block, needed, &needed) != FALSE;
  if (!ok) {
    error = GetLastError();
  } else {
    const DRIVER_INFO_2W* info = reinterpret_cast<const DRIVER_INFO_2W*>(block);
    ok = info->pDataFile != nullptr && info->pDataFile[0] != 0;
    if (!ok) error = ERROR_FILE_NOT_FOUND;
  }
  GlobalFree(block);
  return ok;
}

}  // namespace

DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                              ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV, LPWSTR pwszDeviceName,
                              HANDLE hDriver) {
  PDEV* pdev = AllocPdev();
  if (pdev == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  pdev->hPrinter = hDriver;
  DWORD error = ERROR_SUCCESS;
  if (!DriverHasDataFile(hDriver, error)) {
    // The record dies with this call, so the error text reaches only the trace.
    PDEV_REPORT_ERROR(pdev);
    FreePdev(pdev);
    SetLastError(error);
    return nullptr;
  }
  pdev->hasDataFile = TRUE;

  // Conversion of the user interface's DEVMODE and its merge into the defaults for the device.
  RenderDevmode settings;
  if (!Devmode_BuildSettings(&settings, pdm, pwszDeviceName, pdev)) {
    FreePdev(pdev);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Gx_InitPdevDevmode(pdev, &settings);

  if (pdevcaps && cjCaps) {
    GDIINFO info;
    Enable_FillGdiInfo(pdev, &info);
    std::memcpy(pdevcaps, &info, cjCaps < sizeof(info) ? cjCaps : sizeof(info));
  }

  pdev->deviceFontCount[0] = 0;
  pdev->deviceFontCount[1] = 0;
  DEVINFO devinfo;
  if (!Enable_InitPaletteDevinfo(pdev, &devinfo)) {
    PDEV_REPORT_ERROR(pdev);
    FreePdev(pdev);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (pdi && cjDevInfo) std::memcpy(pdi, &devinfo, cjDevInfo < sizeof(devinfo) ? cjDevInfo : sizeof(devinfo));

  // The driver supplies no standard patterns: the engine makes its own.
  if (phsurfPatterns)
    for (ULONG i = 0; i < cPat; ++i) phsurfPatterns[i] = nullptr;

  ReadFontSubstitutionFile(pdev);
  RegisterPdev(pdev);
  return reinterpret_cast<DHPDEV>(pdev);
}

VOID APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return;
  pdev->hdev = hdev;
}

HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev) {
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return nullptr;
  const PdevPage& page = pdev->physicalPage;
  SIZEL size{page.width - page.left - page.right, page.height - page.top - page.bottom};
  HSURF hsurf = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), size, BMF_24BPP);
  if (hsurf == nullptr) {
    PDEV_REPORT_ERROR(pdev);
    return nullptr;
  }
  constexpr FLONG kHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_FILLPATH |
                           HOOK_STROKEANDFILLPATH | HOOK_COPYBITS | HOOK_TRANSPARENTBLT | HOOK_GRADIENTFILL;
  static_assert(kHooks == 0x284EB);
  if (!EngAssociateSurface(hsurf, pdev->hdev, kHooks)) {
    PDEV_REPORT_ERROR(pdev);
    EngDeleteSurface(hsurf);
    return nullptr;
  }
  pdev->hsurf = hsurf;
  return hsurf;
}

VOID APIENTRY DrvDisableSurface(DHPDEV dhpdev) {
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return;
  if (pdev->hsurf) EngDeleteSurface(pdev->hsurf);
  pdev->hsurf = nullptr;
}

VOID APIENTRY DrvDisablePDEV(DHPDEV dhpdev) {
  PDEV* pdev = reinterpret_cast<PDEV*>(dhpdev);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return;
  UnregisterPdev(pdev);
  // A job still open here was abandoned: its allocations and temporary files go with it.
  JobCtrl_CloseJob(pdev);
  if (pdev->hpal) EngDeletePalette(pdev->hpal);
  pdev->hpal = nullptr;
  FreeFontSubstitutions(pdev);
  Brush_FreePatterns(pdev);
  FreePdev(pdev);
}

// The only queries are whether the device takes JPEG or PNG image data as it is. No part of
// this renderer passes such data through, so the engine must decode it first.
BOOL APIENTRY DrvQueryDeviceSupport(SURFOBJ*, XLATEOBJ*, XFORMOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
  return FALSE;
}
