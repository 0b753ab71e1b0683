// Printer device contexts: CreateDCW loads the printer's user-interface library and graphics
// driver by the file names the spooler holds for the printer, and plays the graphics engine
// for them; ResetDCW moves the DC to a new driver PDEV; DeleteDC takes everything down again.
#include <cstring>
#include <map>
#include <mutex>

#include <win/modules.h>
#include <win/spooler.h>

#include "internal/engine_objects.h"
#include "internal/gdi_dc.h"
#include "internal/unicode.h"
#include "platform_testing.h"

namespace plat::gdi {
namespace {

struct DCTable {
  std::mutex lock;
  std::map<uintptr_t, std::shared_ptr<PrinterDC>> entries;
  uintptr_t next = 0x40000000;
};

DCTable& Table() {
  static DCTable* table = new DCTable;  // outlives static destructors of callers
  return *table;
}

// The test control of PlatformTest_SetPdevHook: process-wide, read at each DrvEnablePDEV.
struct PdevHook {
  std::mutex lock;
  PlatformTestPdevHook hook = nullptr;
  void* context = nullptr;
};

PdevHook& TestPdevHook() {
  static PdevHook* hook = new PdevHook;  // outlives static destructors of callers
  return *hook;
}

void RunTestPdevHook(DHPDEV dhpdev) {
  PdevHook& h = TestPdevHook();
  PlatformTestPdevHook hook;
  void* context;
  {
    std::lock_guard<std::mutex> guard(h.lock);
    hook = h.hook;
    context = h.context;
  }
  if (hook) hook(dhpdev, context);
}

// A DEVMODE from outside (the application, the user-interface library) is copied whole, public
// part and driver part, before anyone reads it; its sizes are checked against the public
// layout so that a damaged header cannot make the copy run wild.
bool CopyDevmode(const DEVMODEW* source, std::vector<BYTE>& out) {
  out.clear();
  if (source == nullptr) return true;
  constexpr size_t kMinimum = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);
  if (source->dmSize < kMinimum || source->dmSize > sizeof(DEVMODEW)) return false;
  size_t total = size_t{source->dmSize} + source->dmDriverExtra;
  out.assign(reinterpret_cast<const BYTE*>(source), reinterpret_cast<const BYTE*>(source) + total);
  return true;
}

DEVMODEW* DevmodeOf(std::vector<BYTE>& bytes) {
  return bytes.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(bytes.data());
}

// The printer's own DEVMODE, as the user-interface library builds it for DocumentPropertiesW.
void DefaultDevmode(PrinterDC& dc, std::vector<BYTE>& out) {
  out.clear();
  LONG size = DocumentPropertiesW(nullptr, dc.hPrinter, dc.printerName.data(), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(offsetof(DEVMODEW, dmFields) + sizeof(DWORD))) return;
  std::vector<BYTE> buffer(static_cast<size_t>(size));
  DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(buffer.data());
  if (DocumentPropertiesW(nullptr, dc.hPrinter, dc.printerName.data(), dm, nullptr, DM_OUT_BUFFER) != 1) return;
  if (size_t{dm->dmSize} + dm->dmDriverExtra > buffer.size()) return;
  CopyDevmode(dm, out);
}

struct DriverFiles {
  std::u16string driverPath;
  std::u16string configFile;
};

bool QueryDriverFiles(HANDLE hPrinter, DriverFiles& files) {
  DWORD needed = 0;
  GetPrinterDriverW(hPrinter, nullptr, 2, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_2W)) return false;
  std::vector<BYTE> block(needed);
  if (!GetPrinterDriverW(hPrinter, nullptr, 2, block.data(), needed, &needed)) return false;
  const DRIVER_INFO_2W* info = reinterpret_cast<const DRIVER_INFO_2W*>(block.data());
  files.driverPath = std::u16string(WideView(info->pDriverPath));
  files.configFile = std::u16string(WideView(info->pConfigFile));
  if (files.driverPath.empty()) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return false;
  }
  return true;
}

struct EnabledDevice {
  HDEV hdev = nullptr;
  DHPDEV dhpdev = nullptr;
  HSURF hsurf = nullptr;
  GDIINFO gdiInfo{};
  DEVINFO devInfo{};
};

// DrvEnablePDEV and DrvCompletePDEV. On failure nothing of the new device is left.
bool EnablePdev(PrinterDC& dc, std::vector<BYTE>& devmode, EnabledDevice& out) {
  out = EnabledDevice{};
  auto enablePdev = dc.driver.Get<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
  auto completePdev = dc.driver.Get<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV);

  out.hdev = engine::CreateDevice();
  HSURF patterns[HS_DDI_MAX] = {};
  std::u16string port = dc.port;
  std::u16string name = dc.printerName;
  SetLastError(ERROR_SUCCESS);
  out.dhpdev = enablePdev(DevmodeOf(devmode), port.empty() ? nullptr : port.data(), HS_DDI_MAX, patterns,
                          sizeof(GDIINFO), reinterpret_cast<ULONG*>(&out.gdiInfo), sizeof(DEVINFO), &out.devInfo,
                          out.hdev, name.data(), dc.hPrinter);
  if (out.dhpdev == nullptr) {
    DWORD error = GetLastError();
    engine::DestroyDevice(out.hdev);
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_INVALID_PARAMETER);
    return false;
  }
  engine::SetDevicePdev(out.hdev, out.dhpdev);
  RunTestPdevHook(out.dhpdev);
  completePdev(out.dhpdev, out.hdev);
  return true;
}

// DrvEnableSurface of an enabled PDEV. On failure the PDEV and its device are gone too.
bool EnableSurface(PrinterDC& dc, EnabledDevice& device) {
  auto enableSurface = dc.driver.Get<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface);
  auto disablePdev = dc.driver.Get<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV);
  SetLastError(ERROR_SUCCESS);
  device.hsurf = enableSurface(device.dhpdev);
  if (device.hsurf == nullptr || engine::LookupSurface(device.hsurf) == nullptr) {
    DWORD error = GetLastError();
    disablePdev(device.dhpdev);
    engine::DestroyDevice(device.hdev);
    device = EnabledDevice{};
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

// DrvEnablePDEV, DrvCompletePDEV and DrvEnableSurface, in the engine's order.
bool EnableDevice(PrinterDC& dc, std::vector<BYTE>& devmode, EnabledDevice& out) {
  return EnablePdev(dc, devmode, out) && EnableSurface(dc, out);
}

void DisableDevice(const PrinterDC& dc, HDEV hdev, DHPDEV dhpdev) {
  if (!dhpdev) return;
  dc.driver.Get<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(dhpdev);
  dc.driver.Get<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(dhpdev);
  engine::DestroyDevice(hdev);
}

void TakeDevice(PrinterDC& dc, const EnabledDevice& device) {
  dc.hdev = device.hdev;
  dc.dhpdev = device.dhpdev;
  dc.hsurf = device.hsurf;
  dc.gdiInfo = device.gdiInfo;
  dc.devInfo = device.devInfo;
}

void ReleaseLibraries(PrinterDC& dc) {
  if (dc.driverModule) FreeLibrary(dc.driverModule);
  if (dc.uiModule) FreeLibrary(dc.uiModule);
  if (dc.hPrinter) ClosePrinter(dc.hPrinter);
  dc.driverModule = nullptr;
  dc.uiModule = nullptr;
  dc.hPrinter = nullptr;
}

}  // namespace

void RemoveDC(HDC hdc) {
  DCTable& t = Table();
  bool removed = false;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    removed = t.entries.erase(reinterpret_cast<uintptr_t>(hdc)) != 0;
  }
  if (removed) ReturnGdiHandle();
}

HDC InsertDC(std::shared_ptr<PrinterDC> dc) {
  if (!TakeGdiHandle()) return nullptr;
  DCTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t id = t.next;
  t.next += 4;
  if (t.next >= 0x4FFFFFF0) t.next = 0x40000000;
  while (t.entries.count(id)) id += 4;
  dc->hdc = reinterpret_cast<HDC>(id);
  t.entries[id] = std::move(dc);
  return reinterpret_cast<HDC>(id);
}

std::shared_ptr<PrinterDC> LookupDC(HDC hdc) {
  DCTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(hdc));
  return it == t.entries.end() ? nullptr : it->second;
}

int DocumentEvent(const PrinterDC& dc, HDC hdc, int event, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut) {
  if (!dc.documentEvent) return DOCUMENTEVENT_UNSUPPORTED;
  return dc.documentEvent(dc.hPrinter, hdc, event, cbIn, pvIn, cbOut, pvOut);
}

}  // namespace plat::gdi

using plat::gdi::PrinterDC;

extern "C" {

WINBASEAPI HDC WINAPI CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR pszPort, const DEVMODEW* pdm) {
  using namespace plat::gdi;
  if (pwszDevice == nullptr || pwszDevice[0] == 0 ||
      (pwszDriver && plat::EqualsNoCase(plat::WideView(pwszDriver), u"DISPLAY"))) {
    // Only printers have device contexts in this machine.
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto dc = std::make_shared<PrinterDC>();
  dc->printerName = std::u16string(plat::WideView(pwszDevice));
  dc->port = std::u16string(plat::WideView(pszPort));
  std::vector<BYTE> callerDevmode;
  if (!CopyDevmode(pdm, callerDevmode)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }

  if (!OpenPrinterW(dc->printerName.data(), &dc->hPrinter, nullptr)) return nullptr;
  DriverFiles files;
  if (!QueryDriverFiles(dc->hPrinter, files)) {
    DWORD error = GetLastError();
    ReleaseLibraries(*dc);
    SetLastError(error);
    return nullptr;
  }
  // A printer whose user-interface library is missing still prints; it only hears no events.
  if (!files.configFile.empty()) dc->uiModule = LoadLibraryW(files.configFile.c_str());
  if (dc->uiModule)
    dc->documentEvent = reinterpret_cast<PFN_DrvDocumentEvent>(GetProcAddress(dc->uiModule, "DrvDocumentEvent"));

  // CREATEDCPRE may hand back a replacement DEVMODE; the library owns it and gets the pointer
  // back in CREATEDCPOST.
  std::vector<BYTE> devmode = callerDevmode;
  DOCEVENT_CREATEDCPRE pre{nullptr, dc->printerName.data(), DevmodeOf(callerDevmode), FALSE};
  PDEVMODEW replacement = nullptr;
  if (DocumentEvent(*dc, nullptr, DOCUMENTEVENT_CREATEDCPRE, sizeof(pre), &pre, sizeof(replacement),
                    &replacement) == DOCUMENTEVENT_FAILURE) {
    ReleaseLibraries(*dc);
    SetLastError(ERROR_CANCELLED);
    return nullptr;
  }
  if (replacement && !CopyDevmode(replacement, devmode)) devmode = callerDevmode;
  if (devmode.empty()) DefaultDevmode(*dc, devmode);

  // The graphics driver is loaded and enabled after the library has seen the creation.
  dc->driverModule = LoadLibraryW(files.driverPath.c_str());
  EnabledDevice device;
  if (!dc->driverModule ||
      !plat::engine::EnableDriver(
          reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(dc->driverModule, "DrvEnableDriver")), dc->driver) ||
      !EnableDevice(*dc, devmode, device)) {
    DWORD error = GetLastError();
    // The library still gets its DEVMODE back; a null DC tells it the creation failed.
    DocumentEvent(*dc, nullptr, DOCUMENTEVENT_CREATEDCPOST, sizeof(replacement), &replacement, 0, nullptr);
    ReleaseLibraries(*dc);
    SetLastError(error);
    return nullptr;
  }
  TakeDevice(*dc, device);
  dc->devmode = std::move(devmode);

  HDC hdc = InsertDC(dc);
  if (!hdc) {
    DocumentEvent(*dc, nullptr, DOCUMENTEVENT_CREATEDCPOST, sizeof(replacement), &replacement, 0, nullptr);
    DisableDevice(*dc, dc->hdev, dc->dhpdev);
    ReleaseLibraries(*dc);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_CREATEDCPOST, sizeof(replacement), &replacement, 0, nullptr);
  return hdc;
}

WINBASEAPI HDC WINAPI ResetDCW(HDC hdc, const DEVMODEW* lpdm) {
  using namespace plat::gdi;
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::vector<BYTE> devmode;
  // A page in progress belongs to the PDEV that began it; the settings change between pages.
  if (lpdm == nullptr || dc->pageOpen || !CopyDevmode(lpdm, devmode)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  PDEVMODEW input = DevmodeOf(devmode);
  PDEVMODEW replacement = nullptr;
  if (DocumentEvent(*dc, hdc, DOCUMENTEVENT_RESETDCPRE, sizeof(input), &input, sizeof(replacement), &replacement) ==
      DOCUMENTEVENT_FAILURE) {
    SetLastError(ERROR_CANCELLED);
    return nullptr;
  }
  if (replacement) {
    std::vector<BYTE> copy;
    if (CopyDevmode(replacement, copy)) devmode = std::move(copy);
  }

  // Refused before the hand-over, the DC keeps its old PDEV; the library gets its DEVMODE back
  // either way.
  auto refuse = [&](DWORD error) -> HDC {
    DocumentEvent(*dc, hdc, DOCUMENTEVENT_RESETDCPOST, sizeof(replacement), &replacement, 0, nullptr);
    SetLastError(error);
    return nullptr;
  };
  // The engine's order: the new PDEV, the hand-over, the old device's end, then the new
  // surface and, during a document, its start again without name or job id.
  EnabledDevice device;
  if (!EnablePdev(*dc, devmode, device)) return refuse(GetLastError());
  auto resetPdev = dc->driver.Get<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV);
  SetLastError(ERROR_SUCCESS);
  if (resetPdev && !resetPdev(dc->dhpdev, device.dhpdev)) {
    DWORD error = GetLastError();
    dc->driver.Get<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(device.dhpdev);
    plat::engine::DestroyDevice(device.hdev);
    return refuse(error != ERROR_SUCCESS ? error : ERROR_INVALID_PARAMETER);
  }
  DisableDevice(*dc, dc->hdev, dc->dhpdev);
  const bool surfaced = EnableSurface(*dc, device);
  DWORD surfaceError = GetLastError();
  // Without a surface the DC keeps no device: every later call on it fails instead of reaching
  // the freed one.
  TakeDevice(*dc, device);
  dc->devmode = std::move(devmode);
  if (!surfaced) return refuse(surfaceError);

  if (dc->docOpen) {
    if (auto startDoc = dc->driver.Get<PFN_DrvStartDoc>(INDEX_DrvStartDoc)) startDoc(dc->Surface(), nullptr, 0);
  }
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_RESETDCPOST, sizeof(replacement), &replacement, 0, nullptr);
  return hdc;
}

WINBASEAPI BOOL WINAPI DeleteDC(HDC hdc) {
  using namespace plat::gdi;
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_DELETEDC, 0, nullptr, 0, nullptr);
  RemoveDC(hdc);
  // A document left open is abandoned, not printed half-way.
  if (dc->docOpen) {
    if (auto endDoc = dc->driver.Get<PFN_DrvEndDoc>(INDEX_DrvEndDoc)) endDoc(dc->Surface(), ED_ABORTDOC);
    AbortPrinter(dc->hPrinter);
    dc->docOpen = dc->pageOpen = false;
  }
  DisableDevice(*dc, dc->hdev, dc->dhpdev);
  dc->dhpdev = nullptr;
  ReleaseLibraries(*dc);
  return TRUE;
}

WINBASEAPI int WINAPI GetDeviceCaps(HDC hdc, int index) {
  using namespace plat::gdi;
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const GDIINFO& g = dc->gdiInfo;
  auto v = [](ULONG value) { return static_cast<int>(value); };
  switch (index) {
    case DRIVERVERSION: return v(g.ulVersion);
    case TECHNOLOGY: return v(g.ulTechnology);
    case HORZSIZE: return v(g.ulHorzSize);
    case VERTSIZE: return v(g.ulVertSize);
    case HORZRES: return v(g.ulHorzRes);
    case VERTRES: return v(g.ulVertRes);
    case BITSPIXEL: return v(g.cBitsPixel);
    case PLANES: return v(g.cPlanes);
    case NUMBRUSHES: return -1;
    case NUMPENS: return -1;
    case NUMMARKERS: return 0;
    case NUMFONTS: return v(dc->devInfo.cFonts);
    // A device of more than 8 bits a pixel has no colour table to count.
    case NUMCOLORS: return g.cBitsPixel * g.cPlanes > 8 ? -1 : v(g.ulNumColors);
    case PDEVICESIZE: return 0;
    // The engine draws every curve, line, polygon and clip for a device surface.
    case CURVECAPS: return CC_CIRCLES | CC_PIE | CC_CHORD | CC_ELLIPSES | CC_WIDE | CC_STYLED | CC_WIDESTYLED |
                           CC_INTERIORS | CC_ROUNDRECT;
    case LINECAPS: return LC_POLYLINE | LC_MARKER | LC_POLYMARKER | LC_WIDE | LC_STYLED | LC_WIDESTYLED |
                          LC_INTERIORS;
    case POLYGONALCAPS: return PC_POLYGON | PC_RECTANGLE | PC_WINDPOLYGON | PC_SCANLINE | PC_WIDE | PC_STYLED |
                               PC_WIDESTYLED | PC_INTERIORS;
    case CLIPCAPS: return CP_RECTANGLE;
    case TEXTCAPS: return v(g.flTextCaps);
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
                            RC_STRETCHBLT | RC_FLOODFILL | RC_STRETCHDIB;
    case ASPECTX: return v(g.ulAspectX);
    case ASPECTY: return v(g.ulAspectY);
    case ASPECTXY: return v(g.ulAspectXY);
    case LOGPIXELSX: return v(g.ulLogPixelsX);
    case LOGPIXELSY: return v(g.ulLogPixelsY);
    case SIZEPALETTE: return v(g.ulNumPalReg);
    case NUMRESERVED: return 0;
    case COLORRES: return v(g.ulDACRed + g.ulDACGreen + g.ulDACBlue);
    case PHYSICALWIDTH: return g.szlPhysSize.cx;
    case PHYSICALHEIGHT: return g.szlPhysSize.cy;
    case PHYSICALOFFSETX: return g.ptlPhysOffset.x;
    case PHYSICALOFFSETY: return g.ptlPhysOffset.y;
    case SCALINGFACTORX: return 0;
    case SCALINGFACTORY: return 0;
    case VREFRESH: return v(g.ulVRefresh);
    case DESKTOPVERTRES: return v(g.ulVertRes);
    case DESKTOPHORZRES: return v(g.ulHorzRes);
    case BLTALIGNMENT: return v(g.ulBltAlignment);
    case SHADEBLENDCAPS: return v(g.flShadeBlend);
    case COLORMGMTCAPS: return CM_NONE;
    default: return 0;
  }
}

}  // extern "C"

WINBASEAPI void PlatformTest_SetPdevHook(PlatformTestPdevHook hook, void* context) {
  plat::gdi::PdevHook& h = plat::gdi::TestPdevHook();
  std::lock_guard<std::mutex> guard(h.lock);
  h.hook = hook;
  h.context = context;
}
