// The spool-file replay of a collated job: 100 pages recorded to the temporary spool file, then
// played three times to the printer at DrvEndDoc. Reported: MB/s of the playback through the
// stand-in's WritePrinter (the recording is outside the timing).
#include <benchmark/benchmark.h>

#include <string>

#include <win/ddi.h>
#include <win/spooler.h>

#include "gdi/nt/ddientry.h"
#include "gdi/pdev.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

constexpr int kPages = 100;
constexpr short kCopies = 3;

struct ReplayRig {
  testsupport::TempMachine machine;
  HANDLE printer = nullptr;
  PDEV* pdev = nullptr;
  SURFOBJ surface{};
  std::string error;

  ReplayRig() {
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
    pdev->settings.dmPublic.dmCopies = kCopies;
    pdev->settings.dmPublic.dmCollate = DMCOLLATE_TRUE;
    surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);
    surface.iType = STYPE_DEVICE;
    surface.iBitmapFormat = BMF_24BPP;
  }

  ~ReplayRig() {
    if (pdev) DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
    if (printer) ClosePrinter(printer);
  }

  // A spooler job and the document's pages, recorded into the driver's spool file: each page a
  // grid of 400 filled boxes (some 10 KB of drawing).
  bool Record() {
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"collated"), nullptr, const_cast<LPWSTR>(u"RAW")};
    DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    if (!job || !DrvStartDoc(&surface, const_cast<LPWSTR>(u"collated"), job)) return false;
    BRUSHOBJ black{};
    POINTL origin{0, 0};
    for (int page = 0; page < kPages; ++page) {
      if (!DrvStartPage(&surface)) return false;
      for (LONG i = 0; i < 400; ++i) {
        RECTL box{100 + (i % 20) * 200, 100 + (i / 20) * 300, 180 + (i % 20) * 200 + page, 380 + (i / 20) * 300};
        DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, &box, nullptr, nullptr, &black, &origin, 0xF0F0);
      }
      if (!DrvSendPage(&surface)) return false;
    }
    return true;
  }
};

void CollatedPlayback(benchmark::State& state) {
  ReplayRig rig;
  if (!rig.error.empty()) {
    state.SkipWithError(rig.error.c_str());
    return;
  }
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!rig.Record()) {
      state.SkipWithError("the job was refused");
      return;
    }
    state.ResumeTiming();
    const BOOL played = DrvEndDoc(&rig.surface, 0);
    state.PauseTiming();
    EndDocPrinter(rig.printer);
    if (!played) {
      state.SkipWithError("the playback failed");
      return;
    }
    bytes += static_cast<double>(rig.pdev->job.output.bytesSent);
    state.ResumeTiming();
  }
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
  state.counters["bytes/job"] = state.iterations() ? bytes / static_cast<double>(state.iterations()) : 0.0;
}
// The playback waits on the file and the spooler: its rate is of the wall clock.
BENCHMARK(CollatedPlayback)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
