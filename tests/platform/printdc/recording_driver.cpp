// A graphics driver that records every driver function the engine calls, with the record it was
// called for (#1 is the first PDEV of the process, #2 the next ...).
#include <cstdlib>
#include <cstring>
#include <string>

#include <win/ddi.h>

#include "recording_log.h"

namespace {

struct RecordingPdev {
  int id;
  HDEV hdev;
  HSURF hsurf;
  HPALETTE hpal;
};

int g_nextId = 1;

RecordingPdev* FromSurface(SURFOBJ* pso) { return pso ? reinterpret_cast<RecordingPdev*>(pso->dhpdev) : nullptr; }
int IdOf(SURFOBJ* pso) { return FromSurface(pso) ? FromSurface(pso)->id : 0; }

std::string Narrow(const WCHAR* text, size_t capacity) {
  std::string out;
  for (size_t i = 0; text && i < capacity && text[i]; ++i) out.push_back(static_cast<char>(text[i]));
  return out;
}

DHPDEV APIENTRY EnablePdev(DEVMODEW* pdm, LPWSTR, ULONG, HSURF*, ULONG cjCaps, ULONG* caps, ULONG cjDevInfo,
                           DEVINFO* pdi, HDEV hdev, LPWSTR deviceName, HANDLE hDriver) {
  auto* pdev = new RecordingPdev{g_nextId++, nullptr, nullptr, nullptr};
  RecordCall("drv:DrvEnablePDEV#%d dm=%s device=%s printer=%s hdev=%s", pdev->id,
             pdm ? Narrow(pdm->dmDeviceName, CCHDEVICENAME).c_str() : "none", Narrow(deviceName, 260).c_str(),
             hDriver ? "yes" : "no", hdev ? "yes" : "no");
  GDIINFO info{};
  info.ulVersion = 0x400;
  info.ulTechnology = DT_RASPRINTER;
  info.ulHorzRes = 4768 + static_cast<ULONG>(pdev->id);
  info.ulVertRes = 6816;
  info.ulLogPixelsX = info.ulLogPixelsY = 600;
  info.cBitsPixel = 24;
  info.cPlanes = 1;
  info.szlPhysSize = SIZEL{4960, 7008};
  info.ptlPhysOffset = POINTL{96, 96};
  std::memcpy(caps, &info, cjCaps < sizeof(info) ? cjCaps : sizeof(info));
  DEVINFO devinfo{};
  pdev->hpal = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  devinfo.hpalDefault = pdev->hpal;
  std::memcpy(pdi, &devinfo, cjDevInfo < sizeof(devinfo) ? cjDevInfo : sizeof(devinfo));
  return reinterpret_cast<DHPDEV>(pdev);
}

VOID APIENTRY CompletePdev(DHPDEV dhpdev, HDEV hdev) {
  auto* pdev = reinterpret_cast<RecordingPdev*>(dhpdev);
  pdev->hdev = hdev;
  RecordCall("drv:DrvCompletePDEV#%d", pdev->id);
}

HSURF APIENTRY EnableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<RecordingPdev*>(dhpdev);
  pdev->hsurf = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{4768, 6816}, BMF_24BPP);
  BOOL associated = EngAssociateSurface(pdev->hsurf, pdev->hdev, HOOK_BITBLT | HOOK_TEXTOUT);
  RecordCall("drv:DrvEnableSurface#%d associated=%d", pdev->id, associated);
  return pdev->hsurf;
}

VOID APIENTRY DisableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<RecordingPdev*>(dhpdev);
  RecordCall("drv:DrvDisableSurface#%d", pdev->id);
  EngDeleteSurface(pdev->hsurf);
}

VOID APIENTRY DisablePdev(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<RecordingPdev*>(dhpdev);
  RecordCall("drv:DrvDisablePDEV#%d", pdev->id);
  EngDeletePalette(pdev->hpal);
  delete pdev;
}

BOOL APIENTRY ResetPdev(DHPDEV oldPdev, DHPDEV newPdev) {
  RecordCall("drv:DrvResetPDEV#%d->#%d", reinterpret_cast<RecordingPdev*>(oldPdev)->id,
             reinterpret_cast<RecordingPdev*>(newPdev)->id);
  return std::getenv("VELMOR_RECORDING_REFUSE_RESET") ? FALSE : TRUE;
}

BOOL APIENTRY StartDoc(SURFOBJ* pso, LPWSTR name, DWORD jobId) {
  RecordCall("drv:DrvStartDoc#%d name=%s job=%s", IdOf(pso), name ? Narrow(name, 1024).c_str() : "none",
             jobId ? "yes" : "0");
  return TRUE;
}

BOOL APIENTRY StartPage(SURFOBJ* pso) {
  RecordCall("drv:DrvStartPage#%d", IdOf(pso));
  return TRUE;
}

BOOL APIENTRY SendPage(SURFOBJ* pso) {
  RecordCall("drv:DrvSendPage#%d", IdOf(pso));
  return TRUE;
}

BOOL APIENTRY EndDoc(SURFOBJ* pso, FLONG fl) {
  RecordCall("drv:DrvEndDoc#%d fl=%u", IdOf(pso), fl);
  return TRUE;
}

// 6002 writes a handle into the input copy; 0x5001 fills the whole output with 0x5A.
ULONG APIENTRY Escape(SURFOBJ* pso, ULONG code, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  RecordCall("drv:DrvEscape#%d code=%u in=%u out=%u", IdOf(pso), code, cjIn, cjOut);
  if (code == 6002 && cjIn >= 8) {
    std::memset(pvIn, 0x11, 8);
    return 1;
  }
  if (code == 0x5001 && pvOut) {
    std::memset(pvOut, 0x5A, cjOut);
    return cjOut;
  }
  return 0;
}

DRVFN g_functions[] = {
    {INDEX_DrvEnablePDEV, reinterpret_cast<PFN>(EnablePdev)},
    {INDEX_DrvCompletePDEV, reinterpret_cast<PFN>(CompletePdev)},
    {INDEX_DrvDisablePDEV, reinterpret_cast<PFN>(DisablePdev)},
    {INDEX_DrvEnableSurface, reinterpret_cast<PFN>(EnableSurface)},
    {INDEX_DrvDisableSurface, reinterpret_cast<PFN>(DisableSurface)},
    {INDEX_DrvResetPDEV, reinterpret_cast<PFN>(ResetPdev)},
    {INDEX_DrvStartDoc, reinterpret_cast<PFN>(StartDoc)},
    {INDEX_DrvStartPage, reinterpret_cast<PFN>(StartPage)},
    {INDEX_DrvSendPage, reinterpret_cast<PFN>(SendPage)},
    {INDEX_DrvEndDoc, reinterpret_cast<PFN>(EndDoc)},
    {INDEX_DrvEscape, reinterpret_cast<PFN>(Escape)},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj,
                                                                                 DRVENABLEDATA* pded) {
  RecordCall("drv:DrvEnableDriver engine=%X size=%u", iEngineVersion, cj);
  if (cj < sizeof(DRVENABLEDATA)) return FALSE;
  pded->iDriverVersion = DDI_DRIVER_VERSION_NT4;
  pded->c = sizeof(g_functions) / sizeof(g_functions[0]);
  pded->pdrvfn = g_functions;
  return TRUE;
}
