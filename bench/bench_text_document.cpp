// A Letter text document (tools/text-document.sh: 55 lines of 12 words in one TrueType face at
// 10 pt, a rule, a grey box and a circle on each page) at 20 and 200 pages, printed through the
// stand-in GDI, the delivered libraries and the spooler of a machine installed for the run.
// In process, the figures are milliseconds a page and the marginal cost of a page between the
// two lengths; as a whole printjob process, its wall time and peak resident memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_machine.h"
#include "document.h"
#include "settings.h"

namespace {

constexpr int kFewPages = 20;
constexpr int kManyPages = 200;

benchmachine::InstalledMachine& Machine() {
  static benchmachine::InstalledMachine machine("bench-text-document");
  return machine;
}

// The document's script, made once per length by the tool that the system-call count uses too.
const std::string& DocumentScript(int pages) {
  static std::map<int, std::string> scripts;
  auto it = scripts.find(pages);
  if (it != scripts.end()) return it->second;
  std::string command = "bash " VELMOR_SOURCE_DIR "/tools/text-document.sh " + std::to_string(pages);
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
  }
  return scripts[pages] = text;
}

struct Printer {
  printjob::PrintRequest request;
  std::string error;

  explicit Printer(int pages) {
    request.printer = u"Velmor K8000 Series PCL6";
    request.documentName = u"bench-text-document";
    request.script = DocumentScript(pages);
    request.scriptSource = "text-document";
    std::vector<std::string> warnings;
    if (request.script.empty()) error = "tools/text-document.sh gave no script";
    else printjob::BuildDevmode(request.printer, {}, request.devmode, warnings, error);
  }

  // Milliseconds of one job, or a negative number when it failed.
  double Print(int& pages) {
    printjob::PrintResult result;
    auto start = std::chrono::steady_clock::now();
    if (!printjob::PrintDocument(request, result, error)) return -1;
    auto end = std::chrono::steady_clock::now();
    pages = result.pages;
    return std::chrono::duration<double, std::milli>(end - start).count();
  }
};

void TextDocument(benchmark::State& state) {
  if (!Machine().ready()) {
    state.SkipWithError("setup-machine failed");
    return;
  }
  Printer printer(static_cast<int>(state.range(0)));
  if (!printer.error.empty()) {
    state.SkipWithError(printer.error.c_str());
    return;
  }
  int64_t pages = 0;
  double ms = 0;
  for (auto _ : state) {
    int printed = 0;
    double one = printer.Print(printed);
    if (one < 0) {
      state.SkipWithError(printer.error.c_str());
      return;
    }
    ms += one;
    pages += printed;
  }
  state.counters["ms/page"] = pages ? ms / static_cast<double>(pages) : 0.0;
}
BENCHMARK(TextDocument)->Arg(kFewPages)->Arg(kManyPages)->Unit(benchmark::kMillisecond);

// Both lengths in each iteration, so the difference is taken under the same load.
void TextDocumentMarginalPage(benchmark::State& state) {
  if (!Machine().ready()) {
    state.SkipWithError("setup-machine failed");
    return;
  }
  Printer few(kFewPages), many(kManyPages);
  if (!few.error.empty() || !many.error.empty()) {
    state.SkipWithError((few.error + many.error).c_str());
    return;
  }
  double fewMs = 0, manyMs = 0;
  for (auto _ : state) {
    int fewPages = 0, manyPages = 0;
    double a = few.Print(fewPages), b = many.Print(manyPages);
    if (a < 0 || b < 0 || fewPages != kFewPages || manyPages != kManyPages) {
      state.SkipWithError("the document was not printed whole");
      return;
    }
    fewMs += a;
    manyMs += b;
  }
  double n = static_cast<double>(state.iterations());
  state.counters["ms/page_20"] = fewMs / n / kFewPages;
  state.counters["ms/page_200"] = manyMs / n / kManyPages;
  state.counters["marginal_ms/page"] = (manyMs - fewMs) / n / (kManyPages - kFewPages);
}
BENCHMARK(TextDocumentMarginalPage)->Unit(benchmark::kMillisecond)->Iterations(3);

struct ProcessRun {
  double ms = -1;
  double peakMB = 0;
};

// One whole printjob process on the document: its wall time and its peak resident set.
ProcessRun RunPrintjob(const std::string& scriptFile, const std::string& output) {
  ProcessRun run;
  std::string program = std::string(VELMOR_OUT_DIR) + "/printjob";
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    execl(program.c_str(), program.c_str(), "--machine", Machine().root().c_str(), "--script", scriptFile.c_str(),
          "-o", output.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
  auto end = std::chrono::steady_clock::now();
  run.ms = std::chrono::duration<double, std::milli>(end - start).count();
  run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
  return run;
}

void TextDocumentWholeProcess(benchmark::State& state) {
  if (!Machine().ready()) {
    state.SkipWithError("setup-machine failed");
    return;
  }
  std::string files[2];
  const int lengths[2] = {kFewPages, kManyPages};
  for (int i = 0; i < 2; ++i) {
    files[i] = Machine().root() + "/text-document-" + std::to_string(lengths[i]) + ".txt";
    std::ofstream(files[i]) << DocumentScript(lengths[i]);
  }
  std::string output = Machine().root() + "/text-document.pxl";
  ProcessRun sum[2];
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      ProcessRun run = RunPrintjob(files[i], output);
      if (run.ms < 0) {
        state.SkipWithError("printjob failed");
        return;
      }
      sum[i].ms += run.ms;
      sum[i].peakMB = std::max(sum[i].peakMB, run.peakMB);
    }
  }
  double n = static_cast<double>(state.iterations());
  state.counters["process_ms_20"] = sum[0].ms / n;
  state.counters["process_ms_200"] = sum[1].ms / n;
  state.counters["process_ratio"] = sum[1].ms / sum[0].ms;
  state.counters["peak_MB_20"] = sum[0].peakMB;
  state.counters["peak_MB_200"] = sum[1].peakMB;
  state.counters["peak_ratio"] = sum[0].peakMB > 0 ? sum[1].peakMB / sum[0].peakMB : 0;
}
BENCHMARK(TextDocumentWholeProcess)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
