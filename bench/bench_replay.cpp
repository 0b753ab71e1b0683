// The spool-file replay of a collated job: 100 pages recorded to the temporary spool file, then
// played three times to the printer at DrvEndDoc. Reported: MB/s of the playback through the
// stand-in's WritePrinter (the recording is outside the timing).
#include <benchmark/benchmark.h>

#include <string>

#include "bench_renderer.h"
#include "platform_testing.h"

namespace {

constexpr int kPages = 100;
constexpr short kCopies = 3;

struct ReplayRig : benchrenderer::RendererRig {
  ReplayRig() {
    if (!pdev) return;
    pdev->settings.dmPublic.dmCopies = kCopies;
    pdev->settings.dmPublic.dmCollate = DMCOLLATE_TRUE;
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
