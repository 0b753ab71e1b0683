// Per-printer data blocks through the spooler's printer data.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <win/registry.h>
#include <win/spooler.h>

#include "printer_fixture.h"
#include "ui/core/printer_data.h"

namespace {

using testfakes::W;
using vm4k2ui::PrinterDataKind;

class PrinterDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testfakes::InstallPrinter();
    printer_ = testfakes::OpenTestPrinter();
  }
  void TearDown() override { ClosePrinter(printer_); }

  void SetRaw(const char16_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(SetPrinterDataW(printer_, W(name), type, static_cast<LPBYTE>(const_cast<void*>(data)), size),
              static_cast<DWORD>(ERROR_SUCCESS));
  }
  DWORD GetDword(const char16_t* name) {
    DWORD value = 0, type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer_, W(name), &type, reinterpret_cast<LPBYTE>(&value), 4, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    return value;
  }

  testsupport::TempMachine machine_;
  HANDLE printer_ = nullptr;
};

TEST_F(PrinterDataTest, RoundTripOfEachKindUnderItsNames) {
  struct Case { PrinterDataKind kind; const char16_t* sizeName; };
  const Case cases[] = {{PrinterDataKind::PrinterData, u"PrinterDataSize"},
                        {PrinterDataKind::DeviceData, u"DeviceDataSize"},
                        {PrinterDataKind::PrivateDevmode, u"PrivateDevmodeDataSizeUser"},
                        {PrinterDataKind::CustomPaper, u"CustomPaperSize"},
                        {PrinterDataKind::FontData, u"FontDataSize"}};
  for (const Case& c : cases) {
    std::vector<BYTE> data(40);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7 + static_cast<int>(c.kind));
    ASSERT_TRUE(vm4k2ui::WritePrinterDataBlock(printer_, data.data(), 40, c.kind));
    EXPECT_EQ(GetDword(c.sizeName), 40u);
    DWORD size = 0;
    auto block = vm4k2ui::ReadPrinterDataBlock(printer_, &size, c.kind);
    ASSERT_TRUE(block);
    EXPECT_EQ(size, 40u);
    EXPECT_EQ(0, std::memcmp(block.get(), data.data(), 40));
  }
}

TEST_F(PrinterDataTest, TheStoredDevmodeBelongsToTheUser) {
  PlatformTest_SetControl("UserName", "Alice", FALSE);
  const BYTE data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(vm4k2ui::WritePrinterDataBlock(printer_, data, 8, PrinterDataKind::PrivateDevmode));
  EXPECT_EQ(GetDword(u"PrivateDevmodeDataSizeAlice"), 8u);
  PlatformTest_SetControl("UserName", "Bob", FALSE);
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, nullptr, PrinterDataKind::PrivateDevmode));
  PlatformTest_SetControl("UserName", nullptr, FALSE);
}

TEST_F(PrinterDataTest, MissingOrZeroSizeGivesNothing) {
  DWORD size = 99;
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, &size, PrinterDataKind::PrinterData));
  EXPECT_EQ(size, 0u);
  const DWORD zero = 0;
  SetRaw(u"PrinterDataSize", REG_DWORD, &zero, 4);
  SetRaw(u"PrinterData", REG_BINARY, "abcd", 4);
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, &size, PrinterDataKind::PrinterData));
}

TEST_F(PrinterDataTest, AShortDataValueIsReportedByWhatItHolds) {
  const DWORD claimed = 5080;
  SetRaw(u"PrivateDevmodeDataSizeUser", REG_DWORD, &claimed, 4);
  std::vector<BYTE> data(100, 0xAB);
  SetRaw(u"PrivateDevmodeDataUser", REG_BINARY, data.data(), 100);
  DWORD size = 0;
  auto block = vm4k2ui::ReadPrinterDataBlock(printer_, &size, PrinterDataKind::PrivateDevmode);
  ASSERT_TRUE(block);
  EXPECT_EQ(size, 100u);
  EXPECT_EQ(block[99], 0xAB);
  for (size_t i = 100; i < 5080; ++i) ASSERT_EQ(block[i], 0) << i;
}

TEST_F(PrinterDataTest, ADataValueLongerThanItsSizeIsNotRead) {
  const DWORD claimed = 4;
  SetRaw(u"PrinterDataSize", REG_DWORD, &claimed, 4);
  SetRaw(u"PrinterData", REG_BINARY, "abcdefgh", 8);
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, nullptr, PrinterDataKind::PrinterData));
}

TEST_F(PrinterDataTest, AnAbsurdSizeIsNotAllocated) {
  const DWORD claimed = 0xFFFFFFF0;
  SetRaw(u"PrinterDataSize", REG_DWORD, &claimed, 4);
  SetRaw(u"PrinterData", REG_BINARY, "abcd", 4);
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, nullptr, PrinterDataKind::PrinterData));
}

TEST_F(PrinterDataTest, APrinterThatCannotBeQueried) {
  const BYTE data[8] = {};
  ASSERT_TRUE(vm4k2ui::WritePrinterDataBlock(printer_, data, 8, PrinterDataKind::PrinterData));
  PlatformTest_SpoolerFailPrinterQueries(testfakes::kPrinterName, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(vm4k2ui::ReadPrinterDataBlock(printer_, nullptr, PrinterDataKind::PrinterData));
  PlatformTest_SpoolerFailPrinterQueries(testfakes::kPrinterName, 0);
}

}  // namespace
