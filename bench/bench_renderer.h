// The renderer driven through its entry points in process, on a temporary machine: the driver
// and a printer "K8000" on FILE: installed, the printer opened, a PDEV enabled on it and a
// 24-bit device surface over it. A benchmark's rig adds its job and pages on top.
#pragma once

#include <string>

#include <win/ddi.h>
#include <win/spooler.h>

#include "gdi/nt/ddientry.h"
#include "gdi/pdev.h"
#include "temp_machine.h"

namespace benchrenderer {

struct RendererRig {
  testsupport::TempMachine machine;
  HANDLE printer = nullptr;
  PDEV* pdev = nullptr;
  SURFOBJ surface{};
  std::string error;  // the first call that failed; empty when the rig is ready

  RendererRig() {
    std::u16string driver = u"Velmor K8000 Series PCL6", file = u"vm4k2dr.dll", ui = u"vm4k2ui.dll";
    DRIVER_INFO_2W info{3, driver.data(), nullptr, file.data(), ui.data(), ui.data()};
    std::u16string name = u"K8000", port = u"FILE:", processor = u"WinPrint", datatype = u"RAW";
    PRINTER_INFO_2W p{};
    p.pPrinterName = name.data();
    p.pPortName = port.data();
    p.pDriverName = driver.data();
    p.pPrintProcessor = processor.data();
    p.pDatatype = datatype.data();
    if (!AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) error = "AddPrinterDriverW";
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    if (!added) {
      error = "AddPrinterW";
      return;
    }
    ClosePrinter(added);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    if (!OpenPrinterW(name.data(), &printer, &defaults)) {
      error = "OpenPrinterW";
      return;
    }
    GDIINFO gdi{};
    DEVINFO devinfo{};
    HSURF patterns[HS_DDI_MAX];
    pdev = reinterpret_cast<PDEV*>(DrvEnablePDEV(nullptr, nullptr, HS_DDI_MAX, patterns, sizeof gdi,
                                                 reinterpret_cast<ULONG*>(&gdi), sizeof devinfo, &devinfo,
                                                 reinterpret_cast<HDEV>(0x1000), name.data(), printer));
    if (!pdev) {
      error = "DrvEnablePDEV";
      return;
    }
    surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);
    surface.iType = STYPE_DEVICE;
    surface.iBitmapFormat = BMF_24BPP;
  }

  ~RendererRig() {
    if (pdev) DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
    if (printer) ClosePrinter(printer);
  }

  RendererRig(const RendererRig&) = delete;
  RendererRig& operator=(const RendererRig&) = delete;
};

}  // namespace benchrenderer
