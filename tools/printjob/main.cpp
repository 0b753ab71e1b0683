// printjob: prints the built-in sample document or a drawing script on a printer of the stand-in
// machine, as an application prints, and copies the finished job stream to a file.
//
//   printjob [--machine ROOT] [--printer NAME] [--script FILE] [--document NAME]
//            [--set KEY=VALUE ...] [--watermark-text TEXT | --watermark-bitmap PATH]
//            [--watermark-set KEY=VALUE ...] -o OUT.pxl
//
// The watermark options put a WatermarkRecord into the private "WatermarkData" setting as the
// watermark page does (watermark.h); --set FirstPageOnly=1 prints it on the first page only.
//
// Without --machine a fresh machine is set up in a new temporary folder (setup-machine, beside
// this program) and its place is told. The computer name of the machine is in the job's PJL
// header: two runs on machines with the same name and the same input give the same bytes.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <win/spooler.h>

#include "document.h"
#include "platform_testing.h"
#include "settings.h"
#include "watermark.h"

namespace {

constexpr char16_t kDefaultPrinter[] = u"Velmor K8000 Series PCL6";

struct Options {
  std::string machine;
  std::string printer;
  std::string script;
  std::string document;
  std::vector<std::string> settings;
  printjob::WatermarkRequest watermark;
  std::string output;
};

int Usage(const char* message) {
  if (message) std::fprintf(stderr, "printjob: %s\n", message);
  std::fprintf(stderr,
               "usage: printjob [--machine ROOT] [--printer NAME] [--script FILE] [--document NAME]\n"
               "                [--set KEY=VALUE ...] [--watermark-text TEXT | --watermark-bitmap PATH]\n"
               "                [--watermark-set KEY=VALUE ...] -o OUT.pxl\n");
  return 2;
}

std::u16string Wide(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t code = c;
    size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) code = c & (0x3F >> extra);
    for (size_t k = 1; k <= extra && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

std::string ProgramFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

// A new machine in a fresh temporary folder, installed by setup-machine.
bool SetUpFreshMachine(std::string& root, std::string& error) {
  std::string base = (std::filesystem::temp_directory_path() / "printjob-machine-XXXXXX").string();
  std::vector<char> name(base.begin(), base.end());
  name.push_back(0);
  if (!mkdtemp(name.data())) {
    error = "cannot make a folder for a new machine";
    return false;
  }
  root = name.data();
  std::string command = "\"" + ProgramFolder() + "/setup-machine\" \"" + root + "\" > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    error = "setup-machine could not set up the machine in " + root;
    return false;
  }
  return true;
}

bool PrinterExists(const std::u16string& printer) {
  std::u16string name = printer;
  HANDLE handle = nullptr;
  if (!OpenPrinterW(name.data(), &handle, nullptr)) return false;
  ClosePrinter(handle);
  return true;
}

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Progress lines and messages interleave in the order they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--machine") {
      ok = value(options.machine);
    } else if (arg == "--printer") {
      ok = value(options.printer);
    } else if (arg == "--script") {
      ok = value(options.script);
    } else if (arg == "--document") {
      ok = value(options.document);
    } else if (arg == "--set") {
      std::string setting;
      ok = value(setting);
      options.settings.push_back(setting);
    } else if (arg == "--watermark-text") {
      ok = value(options.watermark.text) && !options.watermark.text.empty();
    } else if (arg == "--watermark-bitmap") {
      ok = value(options.watermark.bitmapPath) && !options.watermark.bitmapPath.empty();
    } else if (arg == "--watermark-set") {
      std::string field;
      ok = value(field);
      options.watermark.fields.push_back(field);
    } else if (arg == "-o" || arg == "--output") {
      ok = value(options.output);
    } else if (arg == "-h" || arg == "--help") {
      return Usage(nullptr), 0;
    } else {
      return Usage(("unknown argument '" + arg + "'").c_str());
    }
    if (!ok) return Usage((arg + " needs a value").c_str());
  }
  if (options.output.empty()) return Usage("-o OUT.pxl is needed");

  std::string error;
  std::vector<printjob::SettingChange> changes;
  for (const std::string& text : options.settings) {
    printjob::SettingChange change;
    if (!printjob::ParseSettingChange(text, change, error)) return std::fprintf(stderr, "printjob: %s\n", error.c_str()), 1;
    changes.push_back(change);
  }
  if (options.watermark.wanted() || !options.watermark.fields.empty()) {
    vm4k2::WatermarkRecord record;
    if (!printjob::BuildWatermarkRecord(options.watermark, record, error))
      return std::fprintf(stderr, "printjob: %s\n", error.c_str()), 1;
    changes.push_back(printjob::WatermarkChange(record));
  }

  printjob::PrintRequest request;
  if (!options.script.empty()) {
    if (!ReadFile(options.script, request.script)) {
      std::fprintf(stderr, "printjob: cannot read the script %s\n", options.script.c_str());
      return 1;
    }
    request.scriptSource = options.script;
  } else {
    request.script = printjob::SampleDocumentScript();
    request.scriptSource = "sample";
  }
  request.documentName = Wide(options.document.empty() ? (options.script.empty() ? "printjob sample" : options.script)
                                                       : options.document);

  std::string root = options.machine;
  if (root.empty()) {
    if (!SetUpFreshMachine(root, error)) return std::fprintf(stderr, "printjob: %s\n", error.c_str()), 1;
    std::printf("machine: %s (new, set up by setup-machine)\n", root.c_str());
  } else if (!std::filesystem::is_directory(root)) {
    std::fprintf(stderr, "printjob: no machine at %s (setup-machine %s makes one)\n", root.c_str(), root.c_str());
    return 1;
  }
  PlatformTest_UseMachine(root.c_str());

  request.printer = options.printer.empty() ? std::u16string(kDefaultPrinter) : Wide(options.printer);
  if (!PrinterExists(request.printer)) {
    std::fprintf(stderr, "printjob: the machine at %s has no printer \"%s\"\n", root.c_str(),
                 options.printer.empty() ? "Velmor K8000 Series PCL6" : options.printer.c_str());
    return 1;
  }

  std::vector<std::string> warnings;
  if (!printjob::BuildDevmode(request.printer, changes, request.devmode, warnings, error)) {
    std::fprintf(stderr, "printjob: %s\n", error.c_str());
    return 1;
  }

  const auto start = std::chrono::steady_clock::now();
  printjob::PrintResult result;
  bool printed = printjob::PrintDocument(request, result, error);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  for (const std::string& warning : warnings) std::fprintf(stderr, "printjob: warning: %s\n", warning.c_str());
  if (!printed) {
    std::fprintf(stderr, "printjob: %s\n", error.c_str());
    return 1;
  }

  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(result.job.data()), static_cast<std::streamsize>(result.job.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "printjob: cannot write %s\n", options.output.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::path written = std::filesystem::absolute(options.output, ec);
  std::printf("printjob: %d page%s, %zu bytes, %.3f s -> %s\n", result.pages, result.pages == 1 ? "" : "s",
              result.job.size(), seconds, (ec ? options.output : written.string()).c_str());
  return 0;
}
