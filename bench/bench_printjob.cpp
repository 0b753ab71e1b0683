// Pages per second and bytes per page of the sample document's vector pages, printed in process
// through the stand-in GDI, the user interface and renderer libraries and the spooler of a
// machine installed for the run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "document.h"
#include "platform_testing.h"
#include "settings.h"

namespace {

// One machine for the whole run, removed at exit.
class BenchMachine {
 public:
  BenchMachine() {
    std::string base = (std::filesystem::temp_directory_path() / "bench-printjob-XXXXXX").string();
    std::vector<char> name(base.begin(), base.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) return;
    root_ = name.data();
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + root_ + " > /dev/null 2>&1";
    ready_ = std::system(command.c_str()) == 0;
    if (ready_) PlatformTest_UseMachine(root_.c_str());
  }
  ~BenchMachine() {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }
  bool ready() const { return ready_; }

 private:
  std::string root_;
  bool ready_ = false;
};

void SampleDocument(benchmark::State& state) {
  static BenchMachine machine;
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
