// Printers of the family in a test's machine, on the ports a test chooses, installed as the
// package's installer installs them (the driver's files are not needed for the status engine).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <win/spooler.h>

#include <platform_testing.h>

namespace statustest {

inline LPWSTR Wide(const char16_t* text) { return const_cast<LPWSTR>(reinterpret_cast<const WCHAR*>(text)); }

inline void InstallFamilyDriver(const char16_t* name = u"Velmor K8000 Series PCL6") {
  DRIVER_INFO_3W info{};
  info.cVersion = 3;
  info.pName = Wide(name);
  info.pDriverPath = Wide(u"vm4k2dr.dll");
  info.pDataFile = Wide(u"vm4k2ui.dll");
  info.pConfigFile = Wide(u"vm4k2ui.dll");
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

// kind: "usb", "tcp", "wsd" or "local" (PlatformTest_SpoolerAddPort); an existing port is kept.
inline void AddPrinter(const std::u16string& printer, const std::u16string& port, const char* kind,
                       const std::u16string& address = u"", const char16_t* driver = u"Velmor K8000 Series PCL6") {
  PlatformTest_SpoolerAddPort(port.c_str(), kind, address.empty() ? nullptr : address.c_str());
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<LPWSTR>(printer.c_str());
  info.pPortName = const_cast<LPWSTR>(port.c_str());
  info.pDriverName = Wide(driver);
  info.pPrintProcessor = Wide(u"WinPrint");
  info.pDatatype = Wide(u"RAW");
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(h, nullptr) << GetLastError();
  ClosePrinter(h);
}

// The printer's PRINTER_INFO_2, in a block that lives as long as the returned vector.
inline std::vector<BYTE> PrinterInfo(const std::u16string& printer) {
  HANDLE h = nullptr;
  std::vector<BYTE> block;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer.c_str()), &h, nullptr)) return block;
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  block.resize(needed);
  if (needed == 0 || !GetPrinterW(h, 2, block.data(), needed, &needed)) block.clear();
  ClosePrinter(h);
  return block;
}

}  // namespace statustest
