// What the library stores when the spooler initialises a printer or refreshes its cache: the
// user's DEVMODE pair, the printer's default DEVMODE and the print processor.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/driverui.h>
#include <win/modules.h>
#include <win/registry.h>
#include <win/spooler.h>
#include <win/system.h>

#include <vm4k2/ui_devmode.h>

#include "loaded_machine.h"
#include "printer_fixture.h"
#include "ui/core/printer_defaults.h"

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam);

namespace {

using testfakes::W;
using testsupport::kErrorMarker;

constexpr const char16_t* kOurProcessor = u"Velmor K8000 PCL6 Processor";

std::u16string PrintProcessorOf(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  if (!GetPrinterW(printer, 2, block.data(), needed, &needed)) return u"?";
  return reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pPrintProcessor;
}

// The printer data value's bytes; empty when it is missing.
std::vector<BYTE> ValueOf(HANDLE printer, const char16_t* name) {
  DWORD type = 0, needed = 0;
  if (GetPrinterDataW(printer, W(name), &type, nullptr, 0, &needed) != ERROR_MORE_DATA) return {};
  std::vector<BYTE> out(needed);
  GetPrinterDataW(printer, W(name), &type, out.data(), needed, &needed);
  return out;
}

// A machine without the package's files: no context can be built (its satellite is missing).
class PrinterDefaultsWithoutContext : public ::testing::Test {
 protected:
  void SetUp() override {
    testfakes::InstallPrinter();
    printer_ = testfakes::OpenTestPrinter();
    PlatformTest_ClearDebugOutput(FALSE);
  }
  void TearDown() override {
    ClosePrinter(printer_);
    PlatformTest_SetModuleAbsent("spoolss.dll", FALSE, FALSE);
    PlatformTest_SetExportAbsent("spoolss.dll", "RevertToPrinterSelf", FALSE, FALSE);
    PlatformTest_SetExportAbsent("spoolss.dll", "ImpersonatePrinterClient", FALSE, FALSE);
  }
  testsupport::TempMachine machine_;
  HANDLE printer_ = nullptr;
};

TEST_F(PrinterDefaultsWithoutContext, ThePrintProcessorIsSetAllTheSame) {
  ASSERT_TRUE(AddPrintProcessorW(nullptr, nullptr, W(u"vm4k2pro.dll"), W(kOurProcessor)));
  ASSERT_EQ(PrintProcessorOf(printer_), u"winprint");
  EXPECT_TRUE(DrvPrinterEvent(W(testfakes::kPrinterName), PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_EQ(PrintProcessorOf(printer_), kOurProcessor);
  EXPECT_TRUE(ValueOf(printer_, u"PrivateDevmodeDataUser").empty());
  EXPECT_TRUE(testfakes::GlobalDevmode(printer_).empty());
}

TEST_F(PrinterDefaultsWithoutContext, ARefusedWriteIsTracedAndTheEventStillSucceeds) {
  // The processor is not installed here, so the spooler refuses it.
  EXPECT_TRUE(DrvPrinterEvent(W(testfakes::kPrinterName), PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_EQ(PrintProcessorOf(printer_), u"winprint");
  EXPECT_NE(PlatformTest_DebugOutput().find("SetPrinter level 2 failed, error "), std::string::npos)
      << PlatformTest_DebugOutput();
}

TEST_F(PrinterDefaultsWithoutContext, APrinterThatDoesNotOpenAnswersFalse) {
  EXPECT_FALSE(DrvPrinterEvent(W(u"No Such Printer"), PRINTER_EVENT_INITIALIZE, 0, 0));
  EXPECT_FALSE(DrvPrinterEvent(W(u"No Such Printer"), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
  // The refresh acted as the spooler and went back to acting for the client.
  EXPECT_TRUE(PlatformTest_SpoolerThreadImpersonates());
}

TEST_F(PrinterDefaultsWithoutContext, TheRefreshNeedsSpoolssAndBothExports) {
  ASSERT_TRUE(AddPrintProcessorW(nullptr, nullptr, W(u"vm4k2pro.dll"), W(kOurProcessor)));
  struct Case {
    const char* absentModule;
    const char* absentExport;
  };
  const Case cases[] = {{"spoolss.dll", nullptr}, {nullptr, "RevertToPrinterSelf"}, {nullptr, "ImpersonatePrinterClient"}};
  for (const Case& c : cases) {
    if (c.absentModule) PlatformTest_SetModuleAbsent(c.absentModule, TRUE, FALSE);
    if (c.absentExport) PlatformTest_SetExportAbsent("spoolss.dll", c.absentExport, TRUE, FALSE);
    EXPECT_FALSE(DrvPrinterEvent(W(testfakes::kPrinterName), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
    EXPECT_TRUE(PlatformTest_SpoolerThreadImpersonates());
    if (c.absentModule) PlatformTest_SetModuleAbsent(c.absentModule, FALSE, FALSE);
    if (c.absentExport) PlatformTest_SetExportAbsent("spoolss.dll", c.absentExport, FALSE, FALSE);
  }
  EXPECT_EQ(PrintProcessorOf(printer_), u"winprint");  // nothing was stored
  EXPECT_TRUE(DrvPrinterEvent(W(testfakes::kPrinterName), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
  EXPECT_TRUE(PlatformTest_SpoolerThreadImpersonates());
}

// The package installed by setup-machine: the library loaded by its file name builds the
// printer's context with its satellite.
class PrinterDefaultsInstalled : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.ok()) << machine_.output();
    library_ = LoadLibraryW(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2ui.dll");
    ASSERT_NE(library_, nullptr);
    event_ = reinterpret_cast<decltype(&DrvPrinterEvent)>(
        reinterpret_cast<void*>(GetProcAddress(library_, "DrvPrinterEvent")));
    ASSERT_NE(event_, nullptr);
    PlatformTest_SpoolerAddPort(u"USB002", "usb", nullptr);
    PRINTER_INFO_2W info{};
    info.pPrinterName = W(u"Second");
    info.pPortName = W(u"USB002");
    info.pDriverName = W(u"Velmor K8000 Series PCL6");
    info.pPrintProcessor = W(u"winprint");
    info.pDatatype = W(u"RAW");
    printer_ = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(printer_, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    if (library_) FreeLibrary(library_);
  }
  testfakes::InstalledMachine machine_;
  HMODULE library_ = nullptr;
  decltype(&DrvPrinterEvent) event_ = nullptr;
  HANDLE printer_ = nullptr;
};

TEST_F(PrinterDefaultsInstalled, InitialisingStoresTheUsersPairTheDefaultDevmodeAndTheProcessor) {
  PlatformTest_SetUserName("Alice", FALSE);
  ASSERT_TRUE(event_(W(u"Second"), PRINTER_EVENT_INITIALIZE, 0, 0));
  PlatformTest_SetControl("UserName", nullptr, FALSE);
  const std::vector<BYTE> size = ValueOf(printer_, u"PrivateDevmodeDataSizeAlice");
  ASSERT_EQ(size.size(), 4u);
  DWORD sizeValue = 0;
  std::memcpy(&sizeValue, size.data(), 4);
  EXPECT_EQ(sizeValue, 5080u);
  const std::vector<BYTE> userDevmode = ValueOf(printer_, u"PrivateDevmodeDataAlice");
  ASSERT_EQ(userDevmode.size(), 5080u);
  EXPECT_EQ(testfakes::PrivateSignature(userDevmode), 0x56495250u);  // 'PRIV'
  const std::vector<BYTE> global = testfakes::GlobalDevmode(printer_);
  ASSERT_EQ(global.size(), 5080u);
  EXPECT_EQ(testfakes::PrivateSignature(global), 0x56495250u);
  EXPECT_TRUE(global == userDevmode);  // one context, stored twice
  EXPECT_EQ(PrintProcessorOf(printer_), kOurProcessor);
}

TEST_F(PrinterDefaultsInstalled, TheCacheRefreshStoresThemAsTheSpooler) {
  ASSERT_TRUE(event_(W(u"Second"), PRINTER_EVENT_CACHE_REFRESH, 0, 0));
  EXPECT_TRUE(PlatformTest_SpoolerThreadImpersonates());
  EXPECT_EQ(ValueOf(printer_, u"PrivateDevmodeDataUser").size(), 5080u);
}

}  // namespace
