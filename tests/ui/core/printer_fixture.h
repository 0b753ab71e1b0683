// A printer of the package installed in the test machine, as the installer leaves it.
#pragma once

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <win/spooler.h>

#include <platform_testing.h>
#include <temp_machine.h>

namespace testfakes {

inline LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

constexpr const char16_t* kPrinterName = u"Velmor K8000 Series PCL6";

inline void InstallPrinter(const char16_t* printer = kPrinterName) {
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = W(u"Velmor K8000 Series PCL6");
  driver.pDriverPath = W(u"vm4k2dr.dll");
  driver.pDataFile = W(u"vm4k2ui.dll");
  driver.pConfigFile = W(u"vm4k2ui.dll");
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();
  PlatformTest_SpoolerAddPort(u"USB001", "usb", nullptr);
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(printer);
  info.pPortName = W(u"USB001");
  info.pDriverName = W(u"Velmor K8000 Series PCL6");
  info.pDatatype = W(u"RAW");
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(h, nullptr) << GetLastError();
  ClosePrinter(h);
}

inline HANDLE OpenTestPrinter(const char16_t* printer = kPrinterName) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  EXPECT_TRUE(OpenPrinterW(W(printer), &h, &defaults)) << GetLastError();
  return h;
}

// The printer's global DEVMODE (level 8), public and private bytes; empty when it has none.
inline std::vector<BYTE> GlobalDevmode(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 8, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  if (needed == 0 || !GetPrinterW(printer, 8, block.data(), needed, &needed)) return {};
  const DEVMODEW* devmode = reinterpret_cast<PRINTER_INFO_8W*>(block.data())->pDevMode;
  if (devmode == nullptr) return {};
  const BYTE* bytes = reinterpret_cast<const BYTE*>(devmode);
  return std::vector<BYTE>(bytes, bytes + devmode->dmSize + devmode->dmDriverExtra);
}

// The private part's signature word at offset 220 ('PRIV' for the package's DEVMODE), 0 if short.
inline DWORD PrivateSignature(const std::vector<BYTE>& devmode) {
  DWORD signature = 0;
  if (devmode.size() >= 224) std::memcpy(&signature, devmode.data() + 220, 4);
  return signature;
}

}  // namespace testfakes
