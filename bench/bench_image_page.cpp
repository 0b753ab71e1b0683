// A whole image page through the renderer, from DrvStartPage to DrvSendPage: one 600-dpi A4
// 8-bit grey photograph copied onto the page (DrvCopyBits, as the engine hands a DIB over),
// converted, run-length encoded and written to the spooler's job file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/files.h>

#include "bench_pages.h"
#include "bench_renderer.h"
#include "platform_testing.h"

namespace {

struct PageRig : benchrenderer::RendererRig {
  SURFOBJ bitmap{};
  XLATEOBJ xlate{};
  std::vector<ULONG> greys = std::vector<ULONG>(256);
  benchpages::Page page = benchpages::Photograph();

  HANDLE spoolFile = INVALID_HANDLE_VALUE;

  // toSpoolFile: the job's bytes go to a temporary spool file (as for driver-made copies)
  // instead of WritePrinter, whose stand-in re-reads the job's record on every call.
  explicit PageRig(bool toSpoolFile) {
    if (!pdev) return;
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
    if (pdev) DrvEndDoc(&surface, 0);
    if (printer) EndDocPrinter(printer);
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
