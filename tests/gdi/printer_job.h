// A printer of a fresh machine with an open spooler job, as the renderer's output handle:
// what the job writes is read back from the spooler's job file.
#pragma once

#include <gtest/gtest.h>

#include <win/spooler.h>

#include "platform_testing.h"
#include "writer_fixture.h"

namespace writertest {

inline LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(reinterpret_cast<const WCHAR*>(text)); }

class PrinterJobTest : public WriterTest {
 protected:
  void SetUp() override {
    WriterTest::SetUp();
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = W(u"Velmor K8000 Series PCL6");
    driver.pDriverPath = W(u"vm4k2dr.dll");
    driver.pDataFile = W(u"vm4k2ui.dll");
    driver.pConfigFile = W(u"vm4k2ui.dll");
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();
    ASSERT_TRUE(PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"USB001"), "usb", nullptr));
    PRINTER_INFO_2W info{};
    info.pPrinterName = W(u"K8000");
    info.pPortName = W(u"USB001");
    info.pDriverName = W(u"Velmor K8000 Series PCL6");
    info.pPrintProcessor = W(u"WinPrint");
    info.pDatatype = W(u"RAW");
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(OpenPrinterW(W(u"K8000"), &printer_, &defaults)) << GetLastError();
    DOC_INFO_1W doc{W(u"writer test"), nullptr, W(u"RAW")};
    jobId_ = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc));
    ASSERT_NE(jobId_, 0u) << GetLastError();
    pdev()->jobCtl.hJobOutput = printer_;
    pdev()->job.output.flags = JOF_TO_PRINTER;
  }

  void TearDown() override {
    if (printer_) {
      EndDocPrinter(printer_);
      ClosePrinter(printer_);
    }
    WriterTest::TearDown();
  }

  // The bytes the spooler holds for the job.
  Bytes JobBytes() {
    char path[1024];
    EXPECT_TRUE(PlatformTest_SpoolerJobFile(jobId_, path, sizeof path));
    return ReadHostFile(path);
  }

  HANDLE printer_ = nullptr;
  DWORD jobId_ = 0;
};

}  // namespace writertest
