// Throughput of the row encoders on whole 600-dpi A4 pages of 8-bit raster: MB/s of raw rows
// in, and the compressed size the page comes to.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_pages.h"
#include "gdi/raster.h"

namespace {

const benchpages::Page& PhotographPage() {
  static const benchpages::Page page = benchpages::Photograph();
  return page;
}
const benchpages::Page& TextPage() {
  static const benchpages::Page page = benchpages::ScannedText();
  return page;
}

void RunLength(benchmark::State& state, const benchpages::Page& page) {
  std::vector<BYTE> out(Raster_RleBound(page.width));
  size_t compressed = 0;
  for (auto _ : state) {
    compressed = 0;
    for (uint32_t y = 0; y < page.height; ++y)
      compressed += Raster_CompressRle(nullptr, out.data(), page.Row(y), page.width);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.width * page.height);
  state.counters["compressed_MB"] = static_cast<double>(compressed) / 1e6;
  state.counters["ratio_%"] = 100.0 * static_cast<double>(compressed) / (double(page.width) * page.height);
}

void DeltaRow(benchmark::State& state, const benchpages::Page& page) {
  std::vector<BYTE> out(Raster_DeltaRowBound(page.width));
  std::vector<BYTE> seed(page.width);
  size_t compressed = 0;
  for (auto _ : state) {
    compressed = 0;
    std::fill(seed.begin(), seed.end(), 0);
    for (uint32_t y = 0; y < page.height; ++y)
      compressed += Raster_CompressDeltaRow(out.data(), page.Row(y), page.width, seed.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.width * page.height);
  state.counters["compressed_MB"] = static_cast<double>(compressed) / 1e6;
  state.counters["ratio_%"] = 100.0 * static_cast<double>(compressed) / (double(page.width) * page.height);
}

void BM_RunLength_Photograph(benchmark::State& state) { RunLength(state, PhotographPage()); }
void BM_RunLength_ScannedText(benchmark::State& state) { RunLength(state, TextPage()); }
void BM_DeltaRow_Photograph(benchmark::State& state) { DeltaRow(state, PhotographPage()); }
void BM_DeltaRow_ScannedText(benchmark::State& state) { DeltaRow(state, TextPage()); }

BENCHMARK(BM_RunLength_Photograph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunLength_ScannedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeltaRow_Photograph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeltaRow_ScannedText)->Unit(benchmark::kMillisecond);

}  // namespace
