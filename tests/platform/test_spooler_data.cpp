#include "spooler_test_util.h"

using namespace spoolertest;
using testsupport::kErrorMarker;

namespace {

constexpr DWORD kRegSz = 1;
constexpr DWORD kRegBinary = 3;

class SpoolerData : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPrinter();
    h_ = Open();
  }
  void TearDown() override { ClosePrinter(h_); }
  testsupport::TempMachine machine_;
  HANDLE h_ = nullptr;
};

}  // namespace

// The size protocol of printer data: ERROR_MORE_DATA with the real size and type, then the
// data in a block of that size.
TEST_F(SpoolerData, RoundTripWithMoreData) {
  const BYTE value[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(SetPrinterDataW(h_, W(u"PrinterDataSize"), kRegBinary, const_cast<BYTE*>(value), 5), 0u);
  for (DWORD size : {0u, 4u}) {
    DWORD type = 99, needed = 0;
    BYTE out[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(GetPrinterDataW(h_, W(u"PrinterDataSize"), &type, size ? out : nullptr, size, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 5u);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(out[0], 0xEE);
  }
  DWORD type = 0, needed = 0;
  BYTE out[5] = {};
  ASSERT_EQ(GetPrinterDataW(h_, W(u"printerdatasize"), &type, out, 5, &needed), 0u);
  EXPECT_EQ(needed, 5u);
  EXPECT_EQ(std::memcmp(out, value, 5), 0);
  // The plain calls address the key "PrinterDriverData".
  ASSERT_EQ(GetPrinterDataExW(h_, W(u"PrinterDriverData"), W(u"PrinterDataSize"), &type, out, 5, &needed), 0u);
  EXPECT_EQ(GetPrinterDataExW(h_, W(u"OtherKey"), W(u"PrinterDataSize"), &type, out, 5, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SpoolerData, LongNamesAndOddCharactersSurvive) {
  std::u16string user(300, u'u');
  std::u16string names[] = {u"PrivateDevmodeDataSize" + user, u"tab\there", u"line\nbreak", u"back\\slash",
                            u"Schl\u00fcssel"};
  for (const std::u16string& name : names) {
    std::u16string text = u"value of " + name;
    DWORD bytes = static_cast<DWORD>((text.size() + 1) * 2);
    ASSERT_EQ(SetPrinterDataW(h_, W(name.c_str()), kRegSz,
                              reinterpret_cast<LPBYTE>(const_cast<char16_t*>(text.c_str())), bytes),
              0u);
  }
  for (const std::u16string& name : names) {
    std::u16string text = u"value of " + name;
    std::vector<char16_t> out(text.size() + 1);
    DWORD type = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(h_, W(name.c_str()), &type, reinterpret_cast<LPBYTE>(out.data()),
                              static_cast<DWORD>(out.size() * 2), &needed),
              0u);
    EXPECT_EQ(std::u16string(out.data()), text);
    EXPECT_EQ(type, kRegSz);
  }
}

TEST_F(SpoolerData, MissingAndDeletedValues) {
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(h_, W(u"SleepTime"), &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DeletePrinterDataW(h_, W(u"SleepTime")), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const char16_t minutes[] = u"15";
  ASSERT_EQ(SetPrinterDataW(h_, W(u"SleepTime"), kRegSz, reinterpret_cast<LPBYTE>(const_cast<char16_t*>(minutes)), 6),
            0u);
  EXPECT_EQ(GetPrinterDataW(h_, W(u"SleepTime"), &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 6u);
  EXPECT_EQ(DeletePrinterDataW(h_, W(u"SLEEPTIME")), 0u);
  EXPECT_EQ(GetPrinterDataW(h_, W(u"SleepTime"), &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DeletePrinterDataExW(h_, W(u"PrinterDriverData"), W(u"SleepTime")),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrinterDataW(h_, W(u"SleepTime"), &type, nullptr, 0, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetPrinterDataW(reinterpret_cast<HANDLE>(0x4444), W(u"SleepTime"), &type, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerData, WritingNeedsAdministrativeAccess) {
  HANDLE user = Open(kPrinter, PRINTER_ACCESS_USE);
  BYTE one = 1;
  EXPECT_EQ(SetPrinterDataW(user, W(u"X"), kRegBinary, &one, 1), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(DeletePrinterDataW(user, W(u"X")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_EQ(SetPrinterDataW(h_, W(u"X"), kRegBinary, &one, 1), 0u);
  DWORD type = 0, needed = 0;
  BYTE out = 0;
  EXPECT_EQ(GetPrinterDataW(user, W(u"X"), &type, &out, 1, &needed), 0u);
  EXPECT_EQ(out, 1);
  ClosePrinter(user);
}

// Another process of the machine sees the value at once.
TEST_F(SpoolerData, ValuesAreMachineWide) {
  BYTE value[3] = {7, 8, 9};
  ASSERT_EQ(SetPrinterDataW(h_, W(u"DeviceData"), kRegBinary, value, 3), 0u);
  std::string output;
  ASSERT_EQ(RunChildTest(machine_.root(), "SpoolerDataChild.ReadsDeviceData", output), 0) << output;
  EXPECT_NE(output.find("DeviceData=070809"), std::string::npos) << output;
}

TEST(SpoolerDataChild, ReadsDeviceData) {
  if (!IsChild()) GTEST_SKIP() << "runs as the second process of SpoolerData.ValuesAreMachineWide";
  HANDLE h = Open();
  BYTE out[3] = {};
  DWORD type = 0, needed = 0;
  ASSERT_EQ(GetPrinterDataW(h, W(u"DeviceData"), &type, out, 3, &needed), 0u);
  std::printf("DeviceData=%02X%02X%02X\n", out[0], out[1], out[2]);
  ClosePrinter(h);
}

TEST_F(SpoolerData, InjectedReadFailures) {
  BYTE one = 1;
  ASSERT_EQ(SetPrinterDataW(h_, W(u"FontDataSize"), kRegBinary, &one, 1), 0u);
  ASSERT_EQ(SetPrinterDataW(h_, W(u"FontData"), kRegBinary, &one, 1), 0u);
  PlatformTest_SetControl("spooler.PrinterDataReadError", "5", FALSE);
  DWORD type = 0, needed = 0;
  BYTE out = 0;
  EXPECT_EQ(GetPrinterDataW(h_, W(u"FontData"), &type, &out, 1, &needed), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PlatformTest_SetControl("spooler.PrinterDataReadErrorValue", "FontData", FALSE);
  EXPECT_EQ(GetPrinterDataW(h_, W(u"FontData"), &type, &out, 1, &needed), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetPrinterDataW(h_, W(u"FontDataSize"), &type, &out, 1, &needed), 0u);
  PlatformTest_ClearProcessControls();
  EXPECT_EQ(GetPrinterDataW(h_, W(u"FontData"), &type, &out, 1, &needed), 0u);
}
