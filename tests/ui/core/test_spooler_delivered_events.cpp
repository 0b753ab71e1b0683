// The library's printer and driver events as the spooler delivers them to the installed
// package: adding a printer stores its defaults, deleting a printer or the driver tells the two
// pipe servers to close, updating the driver upgrades each printer's data.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/registry.h>
#include <win/spooler.h>

#include <child_process.h>

#include "loaded_machine.h"
#include "printer_fixture.h"

namespace {

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(text); }

constexpr const char16_t* kPrinter = u"Velmor K8000 Series PCL6";
constexpr const char16_t* kDriver = u"Velmor K8000 Series PCL6";
constexpr const char* kCloseHex = "43006c006f0073006500" "0000";

class SpoolerDeliveredEvents : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(machine_.ok()) << machine_.output(); }
  void TearDown() override {
    if (server_) {
      server_->CloseInput();
      server_->Wait();
    }
  }
  void ServeBothPipes() {
    server_ = std::make_unique<testsupport::ChildProcess>(
        "/usr/bin/env", std::vector<std::string>{"python3",
                                                 std::string(VELMOR_SOURCE_DIR) + "/tests/ui/core/pipe_close_server.py",
                                                 "xpsnamedpipe", "duplexnamedpipe"});
    ASSERT_EQ(server_->ReadLine(), "listening");
  }
  HANDLE Open(const char16_t* name, ACCESS_MASK access = PRINTER_ALL_ACCESS) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterW(W(name), &printer, &defaults)) << GetLastError();
    return printer;
  }
  HANDLE AddPrinter(const char16_t* name, const char16_t* port) {
    PlatformTest_SpoolerAddPort(port, "usb", nullptr);
    PRINTER_INFO_2W info{};
    info.pPrinterName = W(name);
    info.pPortName = W(port);
    info.pDriverName = W(kDriver);
    info.pPrintProcessor = W(u"winprint");
    info.pDatatype = W(u"RAW");
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    EXPECT_NE(printer, nullptr) << GetLastError();
    return printer;
  }
  static std::vector<BYTE> Value(HANDLE printer, const char16_t* name) {
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer, W(name), &type, nullptr, 0, &needed) != ERROR_MORE_DATA) return {};
    std::vector<BYTE> out(needed);
    GetPrinterDataW(printer, W(name), &type, out.data(), needed, &needed);
    return out;
  }
  static std::u16string Processor(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    if (!GetPrinterW(printer, 2, block.data(), needed, &needed)) return u"?";
    return reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pPrintProcessor;
  }
  testfakes::InstalledMachine machine_;
  std::unique_ptr<testsupport::ChildProcess> server_;
};

TEST_F(SpoolerDeliveredEvents, AddingAPrinterStoresItsDefaults) {
  // setup-machine's own printer got them as it was added, in setup-machine's process.
  HANDLE installed = Open(kPrinter);
  EXPECT_EQ(Value(installed, u"PrivateDevmodeDataSizeUser"), (std::vector<BYTE>{0xD8, 0x13, 0, 0}));  // 5080
  EXPECT_EQ(testfakes::PrivateSignature(Value(installed, u"PrivateDevmodeDataUser")), 0x56495250u);
  ClosePrinter(installed);

  PlatformTest_SetUserName("Bob", FALSE);
  HANDLE added = AddPrinter(u"Second", u"USB002");
  PlatformTest_SetControl("UserName", nullptr, FALSE);
  ASSERT_NE(added, nullptr);
  const std::vector<BYTE> userDevmode = Value(added, u"PrivateDevmodeDataBob");
  ASSERT_EQ(userDevmode.size(), 5080u);
  EXPECT_EQ(testfakes::PrivateSignature(userDevmode), 0x56495250u);  // 'PRIV' at 220
  EXPECT_EQ(Value(added, u"PrivateDevmodeDataSizeBob"), (std::vector<BYTE>{0xD8, 0x13, 0, 0}));
  const std::vector<BYTE> global = testfakes::GlobalDevmode(added);
  ASSERT_EQ(global.size(), 5080u);
  EXPECT_EQ(testfakes::PrivateSignature(global), 0x56495250u);
  EXPECT_EQ(Processor(added), u"Velmor K8000 PCL6 Processor");
  ClosePrinter(added);
}

TEST_F(SpoolerDeliveredEvents, TheCacheRefreshAsksTheLibrary) {
  EXPECT_TRUE(PlatformTest_SpoolerRefreshCache(kPrinter));
  EXPECT_TRUE(PlatformTest_SpoolerThreadImpersonates());
}

TEST_F(SpoolerDeliveredEvents, DeletingThePrinterThenTheDriverClosesBothPipesEachTime) {
  ServeBothPipes();
  HANDLE printer = Open(kPrinter);
  ASSERT_TRUE(DeletePrinter(printer));
  ClosePrinter(printer);
  EXPECT_EQ(server_->ReadLine(), std::string("message xpsnamedpipe ") + kCloseHex);
  EXPECT_EQ(server_->ReadLine(), std::string("message duplexnamedpipe ") + kCloseHex);
  ASSERT_TRUE(DeletePrinterDriverExW(nullptr, nullptr, W(kDriver), 0, 0)) << GetLastError();
  EXPECT_EQ(server_->ReadLine(), std::string("message xpsnamedpipe ") + kCloseHex);
  EXPECT_EQ(server_->ReadLine(), std::string("message duplexnamedpipe ") + kCloseHex);
}

TEST_F(SpoolerDeliveredEvents, ReinstallingTheDriverUpgradesEachPrintersData) {
  HANDLE first = Open(kPrinter);
  HANDLE second = AddPrinter(u"Second", u"USB002");
  ASSERT_NE(second, nullptr);
  // An older driver's record on the first printer; none on the second.
  const BYTE older[8] = {0x00, 0x05, 6, 0, 0xAA, 0xBB, 0xCC, 0xDD};
  DWORD size = 8;
  ASSERT_EQ(SetPrinterDataW(first, W(u"PrinterDataSize"), REG_DWORD, reinterpret_cast<LPBYTE>(&size), 4), 0u);
  ASSERT_EQ(SetPrinterDataW(first, W(u"PrinterData"), REG_BINARY, const_cast<BYTE*>(older), 8), 0u);
  ASSERT_TRUE(Value(second, u"PrinterData").empty());

  DWORD needed = 0;
  GetPrinterDriverW(first, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> driver(needed);
  ASSERT_TRUE(GetPrinterDriverW(first, nullptr, 3, driver.data(), needed, &needed));
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, driver.data())) << GetLastError();

  EXPECT_EQ(Value(first, u"PrinterData"), (std::vector<BYTE>{0x00, 0x06, 8, 0, 0xAA, 0xBB, 0, 0}));
  EXPECT_EQ(Value(second, u"PrinterData"), (std::vector<BYTE>{0x00, 0x06, 8, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Value(second, u"PrinterDataSize"), (std::vector<BYTE>{8, 0, 0, 0}));
  ClosePrinter(first);
  ClosePrinter(second);
}

}  // namespace
