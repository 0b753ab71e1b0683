// Pages per second and bytes per page of the sample document's vector pages, printed in process
// through the stand-in GDI, the user interface and renderer libraries and the spooler of a
// machine installed for the run.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_machine.h"
#include "document.h"
#include "settings.h"

namespace {

void SampleDocument(benchmark::State& state) {
  static benchmachine::InstalledMachine machine("bench-printjob");
  if (!machine.ready()) {
    state.SkipWithError("setup-machine failed");
    return;
  }
  printjob::PrintRequest request;
  request.printer = u"Velmor K8000 Series PCL6";
  request.documentName = u"bench";
  request.script = printjob::SampleDocumentScript();
  request.scriptSource = "sample";
  std::vector<std::string> warnings;
  std::string error;
  if (!printjob::BuildDevmode(request.printer, {}, request.devmode, warnings, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  int64_t pages = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    printjob::PrintResult result;
    if (!printjob::PrintDocument(request, result, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    pages += result.pages;
    bytes += static_cast<int64_t>(result.job.size());
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
  state.counters["bytes/page"] = pages ? static_cast<double>(bytes) / static_cast<double>(pages) : 0.0;
}
BENCHMARK(SampleDocument)->Unit(benchmark::kMillisecond);

}  // namespace
