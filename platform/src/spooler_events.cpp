// Printer and driver events, delivered to the driver's user-interface library: a printer's
// initialisation and deletion, a driver's deletion and its update under existing printers,
// and (for tests) the refresh of a printer's cache.
#include "internal/spooler_events.h"

#include <optional>
#include <vector>

#include <win/driverui.h>
#include <win/modules.h>
#include <win/spooler.h>

#include "internal/unicode.h"
#include "platform_testing.h"

namespace plat::spooler {
namespace {

using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using DriverEventFn = BOOL(WINAPI*)(DWORD, DWORD, LPBYTE, LPARAM);
using UpgradePrinterFn = BOOL(WINAPI*)(DWORD, LPBYTE);

std::u16string InVersionFolder(const Driver& d, std::u16string_view file) {
  if (file.empty()) return u"";
  return DriverVersionDirectory(d.environment, d.version) + u"\\" + std::u16string(file);
}

// The driver's user-interface library, loaded for one event; the caller's last error is
// what it was before.
class EventLibrary {
 public:
  explicit EventLibrary(const Driver& driver) : error_(GetLastError()) {
    std::u16string path = InVersionFolder(driver, driver.configFile);
    if (!path.empty()) module_ = LoadLibraryW(path.c_str());
    SetLastError(error_);
  }
  ~EventLibrary() {
    if (module_) FreeLibrary(module_);
    SetLastError(error_);
  }
  EventLibrary(const EventLibrary&) = delete;
  EventLibrary& operator=(const EventLibrary&) = delete;

  template <typename Fn>
  Fn Export(const char* name) const {
    if (!module_) return nullptr;
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    SetLastError(error_);
    return fn;
  }

 private:
  DWORD error_;
  HMODULE module_ = nullptr;
};

std::optional<Driver> DriverOfPrinter(std::u16string_view printerName) {
  StateLock lock;
  std::optional<Printer> printer = FindPrinter(printerName);
  if (!printer) return std::nullopt;
  return FindDriver(printer->driver, u"Windows x64");
}

}  // namespace

BOOL RaisePrinterEvent(std::u16string_view printerName, int event) {
  std::optional<Driver> driver = DriverOfPrinter(printerName);
  if (!driver) return TRUE;
  EventLibrary library(*driver);
  auto printerEvent = library.Export<PrinterEventFn>("DrvPrinterEvent");
  if (!printerEvent) return TRUE;
  std::u16string name(printerName);
  return printerEvent(name.data(), event, 0, 0);
}

void RaiseDriverEvent(const Driver& driver, DWORD event) {
  EventLibrary library(driver);
  auto driverEvent = library.Export<DriverEventFn>("DrvDriverEvent");
  if (!driverEvent) return;
  std::u16string name = driver.name, environment = driver.environment;
  std::u16string driverPath = InVersionFolder(driver, driver.driverFile);
  std::u16string dataFile = InVersionFolder(driver, driver.dataFile);
  std::u16string configFile = InVersionFolder(driver, driver.configFile);
  std::u16string helpFile = InVersionFolder(driver, driver.helpFile);
  std::u16string dependents;
  for (const std::u16string& file : driver.dependentFiles) dependents += InVersionFolder(driver, file) + u'\0';
  dependents += u'\0';
  std::u16string monitor = driver.monitor, datatype = driver.defaultDatatype;
  DRIVER_INFO_3W info{};
  info.cVersion = driver.version;
  info.pName = name.data();
  info.pEnvironment = environment.data();
  info.pDriverPath = driverPath.data();
  info.pDataFile = dataFile.empty() ? nullptr : dataFile.data();
  info.pConfigFile = configFile.data();
  info.pHelpFile = helpFile.empty() ? nullptr : helpFile.data();
  info.pDependentFiles = dependents.data();
  info.pMonitorName = monitor.empty() ? nullptr : monitor.data();
  info.pDefaultDataType = datatype.empty() ? nullptr : datatype.data();
  driverEvent(event, 3, reinterpret_cast<LPBYTE>(&info), 0);
}

void UpgradePrintersOf(const Driver& driver, std::u16string_view oldDriverDirectory) {
  std::vector<std::u16string> printers;
  {
    StateLock lock;
    for (const Printer& p : ListPrinters())
      if (EqualsNoCase(p.driver, driver.name) && p.serverName.empty()) printers.push_back(p.name);
  }
  if (printers.empty()) return;
  EventLibrary library(driver);
  auto upgrade = library.Export<UpgradePrinterFn>("DrvUpgradePrinter");
  if (!upgrade) return;
  std::u16string oldDirectory(oldDriverDirectory);
  for (std::u16string& printer : printers) {
    DRIVER_UPGRADE_INFO_1W info{printer.data(), oldDirectory.data()};
    upgrade(1, reinterpret_cast<LPBYTE>(&info));
  }
}

}  // namespace plat::spooler

extern "C" {

WINBASEAPI BOOL PlatformTest_SpoolerRefreshCache(const WCHAR* printer) {
  if (!plat::spooler::RequireRunning()) return FALSE;
  return plat::spooler::RaisePrinterEvent(plat::WideView(printer), PRINTER_EVENT_CACHE_REFRESH);
}

}  // extern "C"
