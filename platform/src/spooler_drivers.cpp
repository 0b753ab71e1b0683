// Printer drivers, print processors and monitors: their records, their folders, and deleting
// them with the files they leave in the machine.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <win/driverui.h>

#include "internal/services_state.h"
#include "internal/spooler_events.h"
#include "internal/spooler_files.h"
#include "internal/spooler_state.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace plat::spooler {
namespace {

// The environment argument: this machine's when empty. Sets ERROR_INVALID_ENVIRONMENT.
bool Environment(const WCHAR* given, std::u16string& out) {
  if (CanonicalEnvironment(given, out)) return true;
  SetLastError(ERROR_INVALID_ENVIRONMENT);
  return false;
}

bool LocalServer(const WCHAR* name) {
  if (IsLocalServer(name)) return true;
  SetLastError(ERROR_INVALID_NAME);
  return false;
}

std::u16string InVersionFolder(const Driver& d, std::u16string_view file) {
  if (file.empty()) return u"";
  return DriverVersionDirectory(d.environment, d.version) + u"\\" + std::u16string(file);
}

void PackDriver(Packer& packer, BYTE* records, size_t index, DWORD level, const Driver& d) {
  if (level == 1) {
    DRIVER_INFO_1W r{};
    r.pName = packer.String(d.name);
    if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
    return;
  }
  DRIVER_INFO_3W r{};
  r.cVersion = d.version;
  r.pName = packer.String(d.name);
  r.pEnvironment = packer.String(d.environment);
  r.pDriverPath = packer.String(InVersionFolder(d, d.driverFile));
  // A driver registered without a data file answers none, and the renderer refuses it.
  r.pDataFile = packer.OptionalString(InVersionFolder(d, d.dataFile));
  r.pConfigFile = packer.String(InVersionFolder(d, d.configFile));
  if (level == 2) {
    if (records) std::memcpy(records + index * sizeof(DRIVER_INFO_2W), &r, sizeof(DRIVER_INFO_2W));
    return;
  }
  r.pHelpFile = packer.OptionalString(InVersionFolder(d, d.helpFile));
  std::vector<std::u16string> dependents;
  for (const std::u16string& file : d.dependentFiles) dependents.push_back(InVersionFolder(d, file));
  r.pDependentFiles = packer.MultiString(dependents);
  r.pMonitorName = packer.OptionalString(d.monitor);
  r.pDefaultDataType = packer.OptionalString(d.defaultDatatype);
  if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
}

size_t DriverRecordSize(DWORD level) {
  switch (level) {
    case 1: return sizeof(DRIVER_INFO_1W);
    case 2: return sizeof(DRIVER_INFO_2W);
    case 3: return sizeof(DRIVER_INFO_3W);
    default: return 0;
  }
}

// The bare name of a file a caller gives as a name or a path.
std::u16string BareName(const WCHAR* path) {
  std::u16string_view text = WideView(path);
  size_t cut = text.find_last_of(u"\\/:");
  return std::u16string(cut == std::u16string_view::npos ? text : text.substr(cut + 1));
}

std::vector<std::u16string> DriverFiles(const Driver& d) {
  std::vector<std::u16string> files;
  for (const std::u16string* f : {&d.driverFile, &d.dataFile, &d.configFile, &d.helpFile})
    if (!f->empty()) files.push_back(*f);
  for (const std::u16string& f : d.dependentFiles)
    if (!f.empty()) files.push_back(f);
  return files;
}

// Removes a file of the machine: only the entry itself, never what a link points at.
void RemoveMachineFile(std::u16string_view windowsPath) {
  std::string host = HostPathOf(windowsPath);
  if (host.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_symlink(host, ec) || std::filesystem::is_regular_file(host, ec)) std::remove(host.c_str());
}

bool PrinterUsesDriver(std::u16string_view driver) {
  for (const Printer& p : ListPrinters())
    if (EqualsNoCase(p.driver, driver)) return true;
  return false;
}

template <typename Item, typename Fill>
BOOL Enumerate(const std::vector<Item>& items, size_t recordSize, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded,
               LPDWORD pcReturned, Fill fill) {
  if (!pcReturned || !pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  BOOL ok = PackOut(buffer, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* records = packer.Fixed(recordSize * items.size());
    for (size_t i = 0; i < items.size(); ++i) fill(packer, records, i, items[i]);
  });
  if (ok) *pcReturned = static_cast<DWORD>(items.size());
  return ok;
}

BOOL DirectoryOut(std::u16string_view path, DWORD level, LPBYTE buffer, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The spooler keeps its folders; a caller may rely on them existing.
  std::string host = HostPathOf(path);
  std::error_code ec;
  if (!host.empty()) std::filesystem::create_directories(host, ec);
  DWORD needed = static_cast<DWORD>((path.size() + 1) * sizeof(WCHAR));
  *pcbNeeded = needed;
  if (!buffer || cbBuf < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, path.data(), path.size() * sizeof(WCHAR));
  std::memset(buffer + path.size() * sizeof(WCHAR), 0, sizeof(WCHAR));
  return TRUE;
}

}  // namespace
}  // namespace plat::spooler

using namespace plat::spooler;
using plat::EqualsNoCase;
using plat::WideView;

extern "C" {

WINBASEAPI BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                         DWORD cbBuf, LPDWORD pcbNeeded) {
  if (!RequireRunning()) return FALSE;
  Printer printer;
  if (!GetPrinterHandle(hPrinter, printer)) return FALSE;
  std::u16string environment;
  if (!Environment(pEnvironment, environment)) return FALSE;
  if (!DriverRecordSize(Level)) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::optional<Driver> driver = FindDriver(printer.driver, environment);
  if (!driver) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  return PackOut(pDriverInfo, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* record = packer.Fixed(DriverRecordSize(Level));
    PackDriver(packer, record, 0, Level, *driver);
  });
}

WINBASEAPI BOOL WINAPI EnumPrinterDriversW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                           DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  if (!DriverRecordSize(Level)) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<Driver> drivers;
  for (Driver& d : ListDrivers())
    if (EqualsNoCase(d.environment, environment)) drivers.push_back(std::move(d));
  return Enumerate(drivers, DriverRecordSize(Level), pDriverInfo, cbBuf, pcbNeeded, pcReturned,
                   [&](Packer& packer, BYTE* records, size_t i, const Driver& d) {
                     PackDriver(packer, records, i, Level, d);
                   });
}

WINBASEAPI BOOL WINAPI AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo) {
  if (!RequireRunning()) return FALSE;
  if (!LocalServer(pName)) return FALSE;
  if (Level != 2 && Level != 3) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pDriverInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DRIVER_INFO_3W info{};
  std::memcpy(&info, pDriverInfo, Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W));
  Driver d;
  if (!Environment(info.pEnvironment, d.environment)) return FALSE;
  d.name = WideView(info.pName);
  d.version = info.cVersion;
  d.driverFile = BareName(info.pDriverPath);
  d.dataFile = BareName(info.pDataFile);
  d.configFile = BareName(info.pConfigFile);
  if (d.name.empty() || d.driverFile.empty() || d.configFile.empty() || d.version > 3) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Level == 3) {
    d.helpFile = BareName(info.pHelpFile);
    for (const WCHAR* item = info.pDependentFiles; item && *item; item += plat::WideLength(item) + 1)
      d.dependentFiles.push_back(BareName(item));
    d.monitor = WideView(info.pMonitorName);
    d.defaultDatatype = WideView(info.pDefaultDataType);
    if (!d.monitor.empty() && !FindMonitor(d.monitor)) {
      SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
      return FALSE;
    }
  }
  std::optional<Driver> existing;
  {
    StateLock lock;
    // Adding a driver of a name that exists replaces its record, as an update does.
    existing = FindDriver(d.name, d.environment);
    if (existing) d.id = existing->id;
    SaveDriver(d);
  }
  // The updated driver's library brings each of its printers' data to its own layout.
  if (existing) UpgradePrintersOf(d, DriverVersionDirectory(existing->environment, existing->version));
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                                              DWORD dwDeleteFlag, DWORD dwVersionFlag) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  if (!pDriverName || !*pDriverName ||
      (dwDeleteFlag & ~static_cast<DWORD>(DPD_DELETE_UNUSED_FILES | DPD_DELETE_SPECIFIC_VERSION | DPD_DELETE_ALL_FILES))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto deletable = [&]() -> std::optional<Driver> {
    std::optional<Driver> driver = FindDriver(WideView(pDriverName), environment);
    if (!driver || ((dwDeleteFlag & DPD_DELETE_SPECIFIC_VERSION) && driver->version != dwVersionFlag)) {
      SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
      return std::nullopt;
    }
    if (PrinterUsesDriver(driver->name)) {
      SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
      return std::nullopt;
    }
    return driver;
  };
  std::optional<Driver> leaving;
  {
    StateLock lock;
    leaving = deletable();
    if (!leaving) return FALSE;
  }
  // The driver's library hears of its deletion while its files are still there; the state is
  // looked at again afterwards, as the lock was let go meanwhile.
  RaiseDriverEvent(*leaving, DRIVER_EVENT_DELETE);
  StateLock lock;
  std::optional<Driver> driver = deletable();
  if (!driver) return FALSE;
  std::vector<std::u16string> files = DriverFiles(*driver);
  if (dwDeleteFlag & DPD_DELETE_ALL_FILES) {
    // Every file must go, so none may be another driver's.
    for (const Driver& other : ListDrivers()) {
      if (other.id == driver->id || !EqualsNoCase(other.environment, environment)) continue;
      for (const std::u16string& theirs : DriverFiles(other))
        for (const std::u16string& ours : files)
          if (EqualsNoCase(theirs, ours)) {
            SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
          }
    }
  }
  RemoveDriverRecord(driver->id);
  if (dwDeleteFlag & (DPD_DELETE_UNUSED_FILES | DPD_DELETE_ALL_FILES)) {
    for (const std::u16string& file : files) {
      bool shared = false;
      for (const Driver& other : ListDrivers())
        if (EqualsNoCase(other.environment, environment) && other.version == driver->version)
          for (const std::u16string& theirs : DriverFiles(other)) shared = shared || EqualsNoCase(theirs, file);
      if (!shared) RemoveMachineFile(DriverVersionDirectory(environment, driver->version) + u"\\" + file);
    }
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeletePrinterDriverW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName) {
  return DeletePrinterDriverExW(pName, pEnvironment, pDriverName, 0, 0);
}

WINBASEAPI BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                  LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  return DirectoryOut(DriverDirectory(environment), Level, pDriverDirectory, cbBuf, pcbNeeded);
}

WINBASEAPI BOOL WINAPI GetPrintProcessorDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                   LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  return DirectoryOut(ProcessorDirectory(environment), Level, pPrintProcessorInfo, cbBuf, pcbNeeded);
}

WINBASEAPI BOOL WINAPI EnumPrintProcessorsW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                            LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded,
                                            LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<Processor> processors;
  for (Processor& p : ListProcessors())
    if (EqualsNoCase(p.environment, environment)) processors.push_back(std::move(p));
  return Enumerate(processors, sizeof(PRINTPROCESSOR_INFO_1W), pPrintProcessorInfo, cbBuf, pcbNeeded, pcReturned,
                   [](Packer& packer, BYTE* records, size_t i, const Processor& p) {
                     PRINTPROCESSOR_INFO_1W r{};
                     r.pName = packer.String(p.name);
                     if (records) std::memcpy(records + i * sizeof r, &r, sizeof r);
                   });
}

WINBASEAPI BOOL WINAPI AddPrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPathName,
                                          LPWSTR pPrintProcessorName) {
  if (!RequireRunning()) return FALSE;
  Processor p;
  if (!LocalServer(pName) || !Environment(pEnvironment, p.environment)) return FALSE;
  p.name = WideView(pPrintProcessorName);
  p.file = BareName(pPathName);
  if (p.name.empty() || p.file.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  StateLock lock;
  if (FindProcessor(p.name, p.environment)) {
    SetLastError(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED);
    return FALSE;
  }
  SaveProcessor(p);
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeletePrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPrintProcessorName) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  StateLock lock;
  std::optional<Processor> processor = FindProcessor(WideView(pPrintProcessorName), environment);
  if (!processor) {
    SetLastError(ERROR_UNKNOWN_PRINTPROCESSOR);
    return FALSE;
  }
  for (const Printer& p : ListPrinters()) {
    if (EqualsNoCase(p.processor, processor->name)) {
      SetLastError(ERROR_CAN_NOT_COMPLETE);
      return FALSE;
    }
  }
  // The spooler forgets the processor; its file is the installer's to remove.
  RemoveProcessorRecord(processor->id);
  return TRUE;
}

WINBASEAPI BOOL WINAPI EnumMonitorsW(LPWSTR pName, DWORD Level, LPBYTE pMonitor, DWORD cbBuf, LPDWORD pcbNeeded,
                                     LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  if (!LocalServer(pName)) return FALSE;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<Monitor> monitors = ListMonitors();
  size_t size = Level == 1 ? sizeof(MONITOR_INFO_1W) : sizeof(MONITOR_INFO_2W);
  return Enumerate(monitors, size, pMonitor, cbBuf, pcbNeeded, pcReturned,
                   [&](Packer& packer, BYTE* records, size_t i, const Monitor& m) {
                     MONITOR_INFO_2W r{};
                     r.pName = packer.String(m.name);
                     if (Level == 2) {
                       r.pEnvironment = packer.String(m.environment);
                       r.pDLLName = packer.String(m.dll);
                     }
                     if (records) std::memcpy(records + i * size, &r, size);
                   });
}

WINBASEAPI BOOL WINAPI AddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitors) {
  if (!RequireRunning()) return FALSE;
  if (!LocalServer(pName)) return FALSE;
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pMonitors) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  MONITOR_INFO_2W info;
  std::memcpy(&info, pMonitors, sizeof info);
  Monitor m;
  if (!Environment(info.pEnvironment, m.environment)) return FALSE;
  m.name = WideView(info.pName);
  m.dll = BareName(info.pDLLName);
  if (m.name.empty() || m.dll.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  StateLock lock;
  if (FindMonitor(m.name)) {
    SetLastError(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
    return FALSE;
  }
  SaveMonitor(m);
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeleteMonitorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pMonitorName) {
  if (!RequireRunning()) return FALSE;
  std::u16string environment;
  if (!LocalServer(pName) || !Environment(pEnvironment, environment)) return FALSE;
  StateLock lock;
  std::optional<Monitor> monitor = FindMonitor(WideView(pMonitorName));
  if (!monitor) {
    SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
    return FALSE;
  }
  // A monitor stays while a driver names it as its language monitor.
  for (const Driver& d : ListDrivers()) {
    if (EqualsNoCase(d.monitor, monitor->name)) {
      SetLastError(ERROR_PRINT_MONITOR_IN_USE);
      return FALSE;
    }
  }
  RemoveMonitorRecord(monitor->id);
  return TRUE;
}

}  // extern "C"

namespace plat {

// Files the running spooler has loaded: every registered driver's files, print processors and
// monitors. The file stand-in refuses to delete them while the service runs.
bool SpoolerHoldsFile(std::u16string_view windowsPath) {
  using namespace spooler;
  if (!SpoolerServiceRunning()) return false;
  std::u16string path = CanonicalWindowsPath(windowsPath);
  for (const Driver& d : ListDrivers())
    for (const std::u16string& file : DriverFiles(d))
      if (EqualsNoCase(path, DriverVersionDirectory(d.environment, d.version) + u"\\" + file)) return true;
  for (const Processor& p : ListProcessors())
    if (EqualsNoCase(path, ProcessorDirectory(p.environment) + u"\\" + p.file)) return true;
  for (const Monitor& m : ListMonitors())
    if (EqualsNoCase(path, SystemDirectory() + u"\\" + m.dll)) return true;
  return false;
}

}  // namespace plat
