// setup-machine: installs the driver package into a stand-in machine the way the package's
// installer does on Windows: files into the folders the installer uses, then the spooler's
// registrations (language monitor, print processor, driver) and one printer.
//
//   setup-machine ROOT [--printer NAME] [--port USB001|tcp:127.0.0.N|wsd:NAME] [--network]
//                      [--language NAME]
//
// The files come from the build's output folder (the folder of this program). A deliverable
// that is not built yet is skipped with a line saying so; the registrations are made anyway,
// so the spooler side of the machine is complete.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/registry.h>
#include <win/spooler.h>

#include "platform_testing.h"

namespace fs = std::filesystem;

namespace {

const char16_t* const kDriverName = u"Velmor K8000 Series PCL6";
const char16_t* const kProcessorName = u"Velmor K8000 PCL6 Processor";
const char16_t* const kMonitorName = u"Velmor K8000 PCL6 Language Monitor";
const char16_t* const kConnectionServer = u"PRINTSERVER";

const char16_t* const kDriverFolder = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
const char16_t* const kProcessorFolder = u"C:\\Windows\\System32\\spool\\prtprocs\\x64";
const char16_t* const kSystemFolder = u"C:\\Windows\\System32";
const char16_t* const kUninstallerDataFolder = u"C:\\Windows\\System32\\Velmor\\vm4k2\\UnSetupData";

struct Options {
  std::string root;
  std::u16string printer = kDriverName;
  std::string port = "USB001";
  bool network = false;
  std::string language;
};

std::u16string Wide(const std::string& text) {
  std::u16string out;
  for (unsigned char c : text) out.push_back(c);  // the names this tool takes are ASCII
  return out;
}

std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

LPWSTR W(const std::u16string& text) { return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text.c_str())); }
LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(text)); }
LPWSTR W(std::u16string&&) = delete;  // would point into a temporary

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80 || c < 0x20) return false;
  return true;
}

int Usage(const char* why) {
  std::fprintf(stderr,
               "setup-machine: %s\n"
               "usage: setup-machine ROOT [--printer NAME] [--port USB001|tcp:127.0.0.N|wsd:NAME] [--network]\n"
               "                          [--language NAME]\n",
               why);
  return 2;
}

// The build's output folder: this program's own folder, which the build fills with every
// deliverable.
std::string OutputFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path().string();
  return VELMOR_OUT_DIR;
}

bool MakeFolders(const std::u16string& folder) {
  std::u16string partial;
  size_t start = 0;
  while (start <= folder.size()) {
    size_t next = folder.find(u'\\', start);
    partial = folder.substr(0, next);
    if (partial.size() > 2) CreateDirectoryW(reinterpret_cast<LPCWSTR>(partial.c_str()), nullptr);
    if (next == std::u16string::npos) break;
    start = next + 1;
  }
  return GetFileAttributesW(reinterpret_cast<LPCWSTR>(folder.c_str())) != INVALID_FILE_ATTRIBUTES;
}

// Copies a file of the build into the machine through the machine's own file calls, so the
// machine's path rules apply to the destination.
bool CopyIntoMachine(const fs::path& source, const std::u16string& folder) {
  std::ifstream in(source, std::ios::binary);
  if (!in || !MakeFolders(folder)) return false;
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string data = bytes.str();
  std::u16string target = folder + u"\\" + Wide(source.filename().string());
  HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(target.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    DWORD written = 0;
    ok = WriteFile(file, data.data() + done, chunk, &written, nullptr) && written == chunk;
    done += chunk;
  }
  CloseHandle(file);
  return ok;
}

// Where each file of the package goes, by name: the deliverables (reported when missing) and
// the companion files the build may hold (satellite libraries, help files, the print
// processor and the language monitor, which come from outside the deliverables).
struct Placement {
  const char* pattern;  // a file name, or a prefix and suffix around one '*'
  const char16_t* folder;
  bool deliverable;
  bool driverFile;      // listed among the driver's files, so deleting the driver removes it
};

const Placement kPlacements[] = {
    {"vm4k2dr.dll", kDriverFolder, true, true},
    {"vm4k2ui.dll", kDriverFolder, true, true},
    {"vm4k2sm.exe", kSystemFolder, true, false},
    {"vm4k2sd.exe", kSystemFolder, true, false},
    {"vm4k2uis.exe", kSystemFolder, true, false},
    {"cmd.exe", kSystemFolder, false, false},  // the machine's command interpreter (%ComSpec%)
    {"vm4k2pro.dll", kProcessorFolder, false, false},
    {"vm4k2lm.dll", kSystemFolder, false, false},
    {"vm4k2sm.swf", kSystemFolder, false, false},
    {"vm4k2smrc*.dll", kSystemFolder, false, false},
    {"vm4k2uis*.dll", kUninstallerDataFolder, false, false},
    {"vm4k2*.chm", kDriverFolder, false, true},
    {"tq5m2kaRC.DLL", kDriverFolder, false, true},
    {"tq5m2kaips.DLL", kDriverFolder, false, true},
    {"vm4k2*.dll", kDriverFolder, false, true},  // the user-interface library's satellites
};

bool Matches(const std::string& name, const char* pattern) {
  std::string p = pattern;
  size_t star = p.find('*');
  if (star == std::string::npos) return name == p;
  std::string prefix = p.substr(0, star), suffix = p.substr(star + 1);
  return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The first placement that claims a file, so a satellite pattern never takes a deliverable.
const Placement* PlacementOf(const std::string& name) {
  for (const Placement& p : kPlacements)
    if (Matches(name, p.pattern)) return &p;
  return nullptr;
}

struct Copied {
  std::vector<std::u16string> driverFiles;  // bare names in the driver folder
  bool processor = false;
  bool monitor = false;
};

bool CopyPackage(const std::string& outDir, Copied& copied) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(outDir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  bool ok = true;
  for (const Placement& p : kPlacements) {
    if (!p.deliverable) continue;
    if (!fs::exists(fs::path(outDir) / p.pattern))
      std::printf("skipped: %s is not built yet\n", p.pattern);
  }
  for (const fs::path& file : files) {
    std::string name = file.filename().string();
    const Placement* p = PlacementOf(name);
    if (!p) continue;
    if (!CopyIntoMachine(file, p->folder)) {
      std::fprintf(stderr, "setup-machine: cannot copy %s into %s (error %u)\n", name.c_str(), Narrow(p->folder).c_str(),
                   GetLastError());
      ok = false;
      continue;
    }
    std::printf("copied: %s -> %s\n", name.c_str(), Narrow(p->folder).c_str());
    if (p->driverFile) copied.driverFiles.push_back(Wide(name));
    // The uninstaller looks for its satellites in this folder beside its program file.
    if (name == "vm4k2uis.exe") MakeFolders(kUninstallerDataFolder);
    copied.processor = copied.processor || name == "vm4k2pro.dll";
    copied.monitor = copied.monitor || name == "vm4k2lm.dll";
  }
  if (!copied.processor) std::printf("skipped: vm4k2pro.dll (print processor) is not in the build\n");
  if (!copied.monitor) std::printf("skipped: vm4k2lm.dll (language monitor) is not in the build\n");
  return ok;
}

bool Fail(const char* what) {
  std::fprintf(stderr, "setup-machine: %s failed (error %u)\n", what, GetLastError());
  return false;
}

bool RegisterComponents(const Copied& copied) {
  MONITOR_INFO_2W monitor{W(kMonitorName), nullptr, W(u"vm4k2lm.dll")};
  if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)) && GetLastError() != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
    return Fail("AddMonitorW");
  if (!AddPrintProcessorW(nullptr, nullptr, W(u"vm4k2pro.dll"), W(kProcessorName)) &&
      GetLastError() != ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED)
    return Fail("AddPrintProcessorW");

  std::u16string dependents;
  std::u16string help;
  for (const std::u16string& file : copied.driverFiles) {
    if (file == u"vm4k2dr.dll" || file == u"vm4k2ui.dll") continue;
    if (file == u"vm4k2enus.chm") help = file;
    dependents += file;
    dependents.push_back(u'\0');
  }
  dependents.push_back(u'\0');
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = W(kDriverName);
  driver.pDriverPath = W(u"vm4k2dr.dll");
  // The user-interface library carries the driver's data: the renderer only needs one named.
  driver.pDataFile = W(u"vm4k2ui.dll");
  driver.pConfigFile = W(u"vm4k2ui.dll");
  driver.pHelpFile = help.empty() ? nullptr : W(help);
  driver.pDependentFiles = W(dependents);
  driver.pMonitorName = W(kMonitorName);
  driver.pDefaultDataType = W(u"RAW");
  if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) return Fail("AddPrinterDriverW");
  return true;
}

// The port named on the command line, added when the machine does not have it yet.
bool MakePort(const std::string& spec, std::u16string& portName) {
  std::string kind = "usb", address, name = spec;
  if (spec.compare(0, 4, "tcp:") == 0) {
    kind = "tcp";
    address = spec.substr(4);
    name = "IP_" + address;
    if (address.compare(0, 4, "127.") != 0) {
      std::fprintf(stderr, "setup-machine: a TCP/IP port of the machine takes a loopback address, not %s\n",
                   address.c_str());
      return false;
    }
  } else if (spec.compare(0, 4, "wsd:") == 0) {
    kind = "wsd";
    name = spec.substr(4);
  } else if (spec.size() != 6 || spec.compare(0, 3, "USB") != 0 || spec.find_first_not_of("0123456789", 3) != std::string::npos) {
    std::fprintf(stderr, "setup-machine: unknown port '%s' (USB001, tcp:127.0.0.N or wsd:NAME)\n", spec.c_str());
    return false;
  }
  if (name.empty()) {
    std::fprintf(stderr, "setup-machine: the port needs a name\n");
    return false;
  }
  portName = Wide(name);
  std::u16string wideAddress = Wide(address);
  if (!PlatformTest_SpoolerAddPort(reinterpret_cast<LPCWSTR>(portName.c_str()), kind.c_str(),
                                   reinterpret_cast<LPCWSTR>(wideAddress.c_str())) &&
      GetLastError() != ERROR_ALREADY_EXISTS)
    return Fail("adding the port");
  return true;
}

// The user-interface language the installer records: "Language" under HKLM "Software\<driver>".
bool WriteLanguage(const std::string& language) {
  std::u16string key = u"Software\\" + std::u16string(kDriverName);
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(key.c_str()), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    std::u16string value = Wide(language);
    status = RegSetValueExW(handle, reinterpret_cast<LPCWSTR>(u"Language"), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(handle);
  }
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "setup-machine: writing the \"Language\" value failed (error %ld)\n", static_cast<long>(status));
    return false;
  }
  std::printf("language: %s\n", language.c_str());
  return true;
}

bool AddThePrinter(const Options& options, const std::u16string& port) {
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(options.printer);
  info.pPortName = W(port);
  info.pDriverName = W(kDriverName);
  info.pPrintProcessor = W(kProcessorName);
  info.pDatatype = W(u"RAW");
  std::u16string name = options.network ? u"\\\\" + std::u16string(kConnectionServer) + u"\\" + options.printer
                                        : options.printer;
  HANDLE existing = nullptr;
  if (OpenPrinterW(W(name), &existing, nullptr)) {
    ClosePrinter(existing);
    std::printf("printer: %s exists already; left as it is\n", Narrow(name).c_str());
    return true;
  }
  HANDLE printer = options.network
                       ? PlatformTest_SpoolerAddConnection(reinterpret_cast<LPCWSTR>(kConnectionServer), &info)
                       : AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (!printer) return Fail(options.network ? "adding the network connection" : "AddPrinterW");
  ClosePrinter(printer);
  std::printf("printer: %s on %s%s\n", Narrow(name).c_str(), Narrow(port).c_str(),
              options.network ? " (network connection)" : "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* option) -> const char* {
      if (i + 1 >= argc) {
        Usage((std::string(option) + " needs a value").c_str());
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--printer") {
      const char* v = value("--printer");
      if (!v) return 2;
      if (!*v || !IsAscii(v)) return Usage("the printer name must be plain text");
      options.printer = Wide(v);
    } else if (arg == "--port") {
      const char* v = value("--port");
      if (!v) return 2;
      options.port = v;
    } else if (arg == "--language") {
      const char* v = value("--language");
      if (!v) return 2;
      if (!*v || !IsAscii(v)) return Usage("the language name must be plain text");
      options.language = v;
    } else if (arg == "--network") {
      options.network = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (options.root.empty()) {
      options.root = arg;
    } else {
      return Usage("only one machine folder");
    }
  }
  if (options.root.empty()) return Usage("name the machine folder");
  std::error_code ec;
  fs::create_directories(options.root, ec);
  std::string root = fs::absolute(options.root, ec).lexically_normal().string();
  if (!root.empty() && root.back() == '/') root.pop_back();
  PlatformTest_UseMachine(root.c_str());
  std::printf("machine: %s\n", root.c_str());

  Copied copied;
  bool ok = CopyPackage(OutputFolder(), copied);
  std::u16string port;
  if (!MakePort(options.port, port)) return 1;
  if (!RegisterComponents(copied)) return 1;
  if (!AddThePrinter(options, port)) return 1;
  if (!options.language.empty() && !WriteLanguage(options.language)) return 1;
  return ok ? 0 : 1;
}
