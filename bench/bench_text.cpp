// Pages per second of a page of 3,000 glyphs in mixed fonts (TrueType soft fonts, a Type 1 face
// as bitmap glyphs, rotated text), printed in process through the stand-in GDI, the engine's
// fonts, the renderer and the spooler of a machine installed for the run.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_machine.h"
#include "document.h"
#include "settings.h"

namespace {

// 30 lines of 100 characters, cycling through five fonts.
std::string TextPage() {
  const char* fonts[] = {"font \"DejaVu Sans\" 50", "font \"DejaVu Serif\" 50 weight=700",
                         "font \"Liberation Sans\" 50 italic", "font \"Nimbus Sans\" 50",
                         "font \"DejaVu Sans\" 50 escapement=300"};
  std::string script = "page\n";
  for (int line = 0; line < 30; ++line) {
    script += std::string(fonts[line % 5]) + "\n";
    std::string text;
    for (int i = 0; i < 100; ++i) text.push_back(static_cast<char>('!' + (line * 7 + i) % 94));
    std::string quoted;
    for (char c : text) quoted += (c == '"' || c == '#') ? '_' : c;
    script += "text 200 " + std::to_string(300 + line * 200) + " \"" + quoted + "\" dx=40\n";
  }
  return script;
}

void TextPages(benchmark::State& state) {
  static benchmachine::InstalledMachine machine("bench-text");
  if (!machine.ready()) {
    state.SkipWithError("setup-machine failed");
    return;
  }
  printjob::PrintRequest request;
  request.printer = u"Velmor K8000 Series PCL6";
  request.documentName = u"bench-text";
  request.script = TextPage();
  request.scriptSource = "text";
  std::vector<std::string> warnings;
  std::string error;
  if (!printjob::BuildDevmode(request.printer, {}, request.devmode, warnings, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  int64_t pages = 0;
  for (auto _ : state) {
    printjob::PrintResult result;
    if (!printjob::PrintDocument(request, result, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    pages += result.pages;
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
}
BENCHMARK(TextPages)->Unit(benchmark::kMillisecond);

}  // namespace
