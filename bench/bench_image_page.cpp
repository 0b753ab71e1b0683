// A whole image page through the renderer, from DrvStartPage to DrvSendPage: one 600-dpi A4
// 8-bit grey photograph copied onto the page (DrvCopyBits, as the engine hands a DIB over),
// converted, run-length encoded and written to the spooler's job file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/ddi.h>
#include <win/files.h>
#include <win/spooler.h>

#include "bench_pages.h"
#include "gdi/nt/ddientry.h"
#include "gdi/pdev.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

struct PageRig {
  testsupport::TempMachine machine;
  HANDLE printer = nullptr;
  PDEV* pdev = nullptr;
  SURFOBJ surface{};
  SURFOBJ bitmap{};
  XLATEOBJ xlate{};
  std::vector<ULONG> greys = std::vector<ULONG>(256);
  benchpages::Page page = benchpages::Photograph();
  std::string error;

  HANDLE spoolFile = INVALID_HANDLE_VALUE;

  // toSpoolFile: the job's bytes go to a temporary spool file (as for driver-made copies)
  // instead of WritePrinter, whose stand-in re-reads the job's record on every call.
  explicit PageRig(bool toSpoolFile) {
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
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"image page"), nullptr, const_cast<LPWSTR>(u"RAW")};
    DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    if (!job || !DrvStartDoc(&surface, const_cast<LPWSTR>(u"image page"), job)) {
      error = "DrvStartDoc";
      return;
    }
    if (toSpoolFile) {
      spoolFile = CreateFileW(u"C:\\image-page.spl", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
      if (spoolFile == INVALID_HANDLE_VALUE) {
        error = "CreateFileW";
        return;
      }
      pdev->job.output.hSpoolFile = spoolFile;
      pdev->job.output.flags = (pdev->job.output.flags & ~JOF_TO_PRINTER) | JOF_TO_SPOOL_FILE;
    }
    bitmap.sizlBitmap = SIZEL{static_cast<LONG>(page.width), static_cast<LONG>(page.height)};
    bitmap.pvBits = bitmap.pvScan0 = page.pixels.data();
    bitmap.lDelta = static_cast<LONG>(page.width);
    bitmap.cjBits = static_cast<ULONG>(page.pixels.size());
    bitmap.iBitmapFormat = BMF_8BPP;
    bitmap.iType = STYPE_BITMAP;
    bitmap.fjBitmap = BMF_TOPDOWN;
    for (ULONG i = 0; i < 256; ++i) greys[i] = i | (i << 8) | (i << 16);
    xlate.flXlate = XO_TABLE;
    xlate.iSrcType = PAL_INDEXED;
    xlate.iDstType = PAL_RGB;
    xlate.cEntries = 256;
    xlate.pulXlate = greys.data();
  }

  ~PageRig() {
    if (pdev && spoolFile != INVALID_HANDLE_VALUE) {
      pdev->job.output.hSpoolFile = nullptr;
      pdev->job.output.flags &= ~JOF_TO_SPOOL_FILE;
      CloseHandle(spoolFile);
    }
    if (pdev) {
      DrvEndDoc(&surface, 0);
      DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
    }
    if (printer) {
      EndDocPrinter(printer);
      ClosePrinter(printer);
    }
  }

  bool Page() {
    if (!DrvStartPage(&surface)) return false;
    const SHORT* box = pdev->job.layout.printableBox;
    RECTL dest = {box[0], box[1], box[2], box[3]};
    POINTL from = {0, 0};
    if (!DrvCopyBits(&surface, &bitmap, nullptr, &xlate, &dest, &from)) return false;
    return DrvSendPage(&surface);
  }
};

void ImagePage(benchmark::State& state, bool toSpoolFile) {
  PageRig rig(toSpoolFile);
  if (!rig.error.empty()) {
    state.SkipWithError(rig.error.c_str());
    return;
  }
  LARGE_INTEGER start{};
  if (toSpoolFile) GetFileSizeEx(rig.spoolFile, &start);
  DWORD before = rig.pdev->job.output.bytesSent;
  for (auto _ : state) {
    if (!rig.Page()) {
      state.SkipWithError("the page was refused");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * rig.page.width * rig.page.height);
  double written = static_cast<double>(rig.pdev->job.output.bytesSent - before);
  if (toSpoolFile) {
    LARGE_INTEGER end{};
    GetFileSizeEx(rig.spoolFile, &end);
    written = static_cast<double>(end.QuadPart - start.QuadPart);
  }
  state.counters["job_MB_per_page"] = written / 1e6 / static_cast<double>(state.iterations());
}

void BM_ImagePage_A4Photograph8Bit_ToSpoolFile(benchmark::State& state) { ImagePage(state, true); }
void BM_ImagePage_A4Photograph8Bit_ThroughWritePrinter(benchmark::State& state) { ImagePage(state, false); }

// Each page adds some 35 MB to the job's file: a few pages give a steady figure.
BENCHMARK(BM_ImagePage_A4Photograph8Bit_ToSpoolFile)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_ImagePage_A4Photograph8Bit_ThroughWritePrinter)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
