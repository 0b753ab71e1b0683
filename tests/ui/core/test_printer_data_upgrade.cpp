// The driver update under an existing printer: its "PrinterData" record is brought to the
// current layout, whatever an older driver or damage left in the value.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <win/driverui.h>
#include <win/registry.h>
#include <win/spooler.h>
#include <win/system.h>

#include "printer_fixture.h"
#include "ui/core/printer_data_upgrade.h"

extern "C" BOOL WINAPI DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo);

namespace {

using testfakes::W;
using testsupport::kErrorMarker;

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

struct UpgradeCase {
  const char* name;
  bool stored;
  std::vector<BYTE> value;     // the "PrinterData" value as found
  std::vector<BYTE> expected;  // the record written back
};

class PrinterDataUpgrade : public ::testing::TestWithParam<UpgradeCase> {
 protected:
  void SetUp() override {
    testfakes::InstallPrinter();
    printer_ = testfakes::OpenTestPrinter();
  }
  void TearDown() override { ClosePrinter(printer_); }
  void Store(const std::vector<BYTE>& value) {
    DWORD size = static_cast<DWORD>(value.size());
    ASSERT_EQ(SetPrinterDataW(printer_, W(u"PrinterDataSize"), REG_DWORD, reinterpret_cast<LPBYTE>(&size), 4),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(SetPrinterDataW(printer_, W(u"PrinterData"), REG_BINARY, const_cast<BYTE*>(value.data()), size),
              static_cast<DWORD>(ERROR_SUCCESS));
  }
  std::vector<BYTE> Stored(const char16_t* name) {
    DWORD type = 0, needed = 0;
    GetPrinterDataW(printer_, W(name), &type, nullptr, 0, &needed);
    std::vector<BYTE> out(needed);
    EXPECT_EQ(GetPrinterDataW(printer_, W(name), &type, out.data(), needed, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    return out;
  }
  BOOL Upgrade(DWORD level, const char16_t* printer = testfakes::kPrinterName) {
    DRIVER_UPGRADE_INFO_1W info{W(printer), W(u"C:\\old")};
    return DrvUpgradePrinter(level, reinterpret_cast<LPBYTE>(&info));
  }
  testsupport::TempMachine machine_;
  HANDLE printer_ = nullptr;
};

TEST_P(PrinterDataUpgrade, TheRecordIsRewrittenInTheCurrentLayout) {
  const UpgradeCase& c = GetParam();
  if (c.stored) Store(c.value);
  SetLastError(kErrorMarker);
  ASSERT_TRUE(Upgrade(1));
  EXPECT_EQ(Stored(u"PrinterData"), c.expected);
  EXPECT_EQ(Stored(u"PrinterDataSize"), Bytes({8, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Values, PrinterDataUpgrade,
    ::testing::Values(
        UpgradeCase{"NoRecord", false, {}, Bytes({0x00, 0x06, 8, 0, 0, 0, 0, 0})},
        // An older record keeps only the bytes its size word covers.
        UpgradeCase{"Version500Size6", true, Bytes({0x00, 0x05, 6, 0, 0xDD, 0xCC, 0xBB, 0xAA}),
                    Bytes({0x00, 0x06, 8, 0, 0xDD, 0xCC, 0, 0})},
        UpgradeCase{"Current", true, Bytes({0x00, 0x06, 8, 0, 0x78, 0x56, 0x34, 0x12}),
                    Bytes({0x00, 0x06, 8, 0, 0x78, 0x56, 0x34, 0x12})},
        // Too short to hold a version: as if there were none.
        UpgradeCase{"TwoBytes", true, Bytes({0x00, 0x05}), Bytes({0x00, 0x06, 8, 0, 0, 0, 0, 0})},
        // Longer than a record: its first 8 bytes, with the size word put right.
        UpgradeCase{"TwentyBytes", true,
                    Bytes({0x00, 0x06, 20, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
                    Bytes({0x00, 0x06, 8, 0, 1, 2, 3, 4})},
        // An older record whose size word claims more than was stored: only what was stored.
        UpgradeCase{"Version500ClaimingMore", true, Bytes({0x00, 0x05, 0x40, 0, 0x11}),
                    Bytes({0x00, 0x06, 8, 0, 0x11, 0, 0, 0})}),
    [](const auto& info) { return std::string(info.param.name); });

class UpgradeRequests : public PrinterDataUpgrade {};

TEST_F(UpgradeRequests, OnlyLevelOneForAPrinterThatOpens) {
  SetLastError(kErrorMarker);
  EXPECT_FALSE(Upgrade(2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvUpgradePrinter(1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(Upgrade(1, u"No Such Printer"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  DWORD type = 0, needed = 0;
  EXPECT_NE(GetPrinterDataW(printer_, W(u"PrinterData"), &type, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));  // nothing was written
}

}  // namespace
