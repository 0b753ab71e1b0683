// The life of a device record made by DrvEnablePDEV for a printer of the machine: what the
// engine receives, what a failing step leaves, and the refusal of records that are not live.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/spooler.h>

#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/util.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

std::vector<std::string> g_trace;
void CollectTrace(const char* text) { g_trace.emplace_back(text); }

class DevicePdev : public ::testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    Util_SetTraceHook(CollectTrace);
    AddPrinter(u"Printer With Data", u"Driver With Data", u"vm4k2.dat");
    AddPrinter(u"Printer Without Data", u"Driver Without Data", u"");
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Printer With Data"), &printer_, nullptr));
  }
  void TearDown() override {
    ClosePrinter(printer_);
    Util_SetTraceHook(nullptr);
  }

  static void AddPrinter(std::u16string printer, std::u16string driver, std::u16string dataFile) {
    std::u16string driverFile = u"vm4k2dr.dll", config = u"vm4k2ui.dll", port = u"FILE:";
    DRIVER_INFO_2W info{3, driver.data(), nullptr, driverFile.data(), dataFile.data(), config.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    PRINTER_INFO_2W p{};
    p.pPrinterName = printer.data();
    p.pPortName = port.data();
    p.pDriverName = driver.data();
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
  }

  struct Enabled {
    PDEV* pdev = nullptr;
    GDIINFO gdi{};
    DEVINFO devinfo{};
    HSURF patterns[HS_DDI_MAX];
  };

  Enabled Enable(HANDLE printer, ULONG cjCaps = sizeof(GDIINFO), ULONG cjDevInfo = sizeof(DEVINFO)) {
    Enabled e;
    std::memset(&e.gdi, 0xEE, sizeof(e.gdi));
    std::memset(&e.devinfo, 0xEE, sizeof(e.devinfo));
    for (HSURF& h : e.patterns) h = reinterpret_cast<HSURF>(0x77);
    std::u16string name = u"Printer With Data";
    e.pdev = reinterpret_cast<PDEV*>(DrvEnablePDEV(nullptr, nullptr, HS_DDI_MAX, e.patterns, cjCaps,
                                                   reinterpret_cast<ULONG*>(&e.gdi), cjDevInfo, &e.devinfo,
                                                   reinterpret_cast<HDEV>(0x1000), name.data(), printer));
    return e;
  }

  testsupport::TempMachine machine_;
  HANDLE printer_ = nullptr;
};

TEST_F(DevicePdev, EnabledRecordAndItsPromises) {
  Enabled e = Enable(printer_);
  ASSERT_NE(e.pdev, nullptr);
  EXPECT_TRUE(ValidatePdev(e.pdev, FALSE, CALL_OTHER));
  EXPECT_FALSE(ValidatePdev(e.pdev, TRUE, CALL_STARTPAGE)) << "no job is open yet";
  EXPECT_EQ(e.pdev->hPrinter, printer_);
  EXPECT_TRUE(e.pdev->hasDataFile);
  EXPECT_EQ(e.pdev->job.guard, PDEV_GUARD);
  EXPECT_EQ(e.pdev->deviceFontCount[0] + e.pdev->deviceFontCount[1], 0u);
  EXPECT_EQ(e.pdev->fontSubstitutionCount, 0u);
  for (HSURF h : e.patterns) EXPECT_EQ(h, nullptr);

  GDIINFO expected;
  Enable_FillGdiInfo(e.pdev, &expected);
  EXPECT_EQ(std::memcmp(&e.gdi, &expected, sizeof(expected)), 0);
  EXPECT_EQ(e.gdi.ulLogPixelsX, 600u);
  EXPECT_EQ(e.devinfo.hpalDefault, e.pdev->hpal);
  EXPECT_EQ(e.devinfo.flGraphicsCaps, 0x211Fu);

  DrvCompletePDEV(reinterpret_cast<DHPDEV>(e.pdev), reinterpret_cast<HDEV>(0x2000));
  EXPECT_EQ(e.pdev->hdev, reinterpret_cast<HDEV>(0x2000));
  HPALETTE palette = e.pdev->hpal;
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(e.pdev));
  EXPECT_FALSE(EngDeletePalette(palette)) << "the palette went with the record";
  // The record is gone: the pointer is refused without being read.
  EXPECT_FALSE(ValidatePdev(e.pdev, FALSE, CALL_OTHER));
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(e.pdev));
}

TEST_F(DevicePdev, CapabilityRecordsAreCutToTheEnginesSizes) {
  Enabled small = Enable(printer_, 12, 4);
  ASSERT_NE(small.pdev, nullptr);
  EXPECT_EQ(small.gdi.ulVersion, 0x400u);
  EXPECT_EQ(small.gdi.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
  EXPECT_NE(small.gdi.ulHorzSize, 0u);
  EXPECT_EQ(small.gdi.ulHorzRes, 0xEEEEEEEEu) << "the 13th byte is the engine's";
  EXPECT_EQ(small.devinfo.flGraphicsCaps, 0x211Fu);
  EXPECT_EQ(small.devinfo.lfDefaultFont.lfHeight, static_cast<LONG>(0xEEEEEEEE));
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(small.pdev));

  // Larger sizes than the records get the records and nothing more.
  struct Padded {
    GDIINFO gdi;
    BYTE after[16];
  } padded;
  std::memset(&padded, 0xEE, sizeof(padded));
  std::u16string name = u"Printer With Data";
  DEVINFO devinfo;
  PDEV* pdev = reinterpret_cast<PDEV*>(DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof(padded),
                                                     reinterpret_cast<ULONG*>(&padded), sizeof(devinfo), &devinfo,
                                                     nullptr, name.data(), printer_));
  ASSERT_NE(pdev, nullptr);
  for (BYTE b : padded.after) EXPECT_EQ(b, 0xEE);
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
}

TEST_F(DevicePdev, DriverWithoutDataFileGivesNoRecord) {
  HANDLE other = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Printer Without Data"), &other, nullptr));
  SetLastError(kErrorMarker);
  Enabled e = Enable(other);
  EXPECT_EQ(e.pdev, nullptr);
  EXPECT_NE(GetLastError(), kErrorMarker);
  ASSERT_FALSE(g_trace.empty());
  EXPECT_EQ(g_trace.back().rfind("File:enable.cpp Line:", 0), 0u) << g_trace.back();
  ClosePrinter(other);

  SetLastError(kErrorMarker);
  EXPECT_EQ(Enable(nullptr).pdev, nullptr) << "no printer handle";
  EXPECT_NE(GetLastError(), kErrorMarker);
}

TEST_F(DevicePdev, FailedAllocationGivesNoRecord) {
  PlatformTest_FailAllocation(1, FALSE, FALSE);
  SetLastError(kErrorMarker);
  EXPECT_EQ(Enable(printer_).pdev, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(g_trace.empty()) << "a failed allocation records nothing";
  PlatformTest_FailAllocation(0, FALSE, FALSE);
}

TEST_F(DevicePdev, RefusedPaletteGivesNoRecord) {
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_PALETTE, "1", FALSE);
  SetLastError(kErrorMarker);
  EXPECT_EQ(Enable(printer_).pdev, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  ASSERT_GE(g_trace.size(), 2u) << "the palette and the device information are both named";
  for (const std::string& line : g_trace) EXPECT_EQ(line.rfind("File:enable.cpp Line:", 0), 0u) << line;
}

TEST_F(DevicePdev, RefusedSurfaceGivesNoSurface) {
  Enabled e = Enable(printer_);
  ASSERT_NE(e.pdev, nullptr);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, "1", FALSE);
  EXPECT_EQ(DrvEnableSurface(reinterpret_cast<DHPDEV>(e.pdev)), nullptr);
  EXPECT_EQ(e.pdev->hsurf, nullptr);
  EXPECT_EQ(std::string(e.pdev->job.firstError).rfind("File:enable.cpp Line:", 0), 0u);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, nullptr, FALSE);
  // Without an engine device to associate it with, the surface is not kept either.
  EXPECT_EQ(DrvEnableSurface(reinterpret_cast<DHPDEV>(e.pdev)), nullptr);
  EXPECT_EQ(e.pdev->hsurf, nullptr);
  DrvDisablePDEV(reinterpret_cast<DHPDEV>(e.pdev));
}

TEST_F(DevicePdev, OverwrittenGuardIsRefusedEverywhere) {
  Enabled e = Enable(printer_);
  ASSERT_NE(e.pdev, nullptr);
  DHPDEV dhpdev = reinterpret_cast<DHPDEV>(e.pdev);
  e.pdev->job.guard = 0;
  g_trace.clear();
  DrvCompletePDEV(dhpdev, reinterpret_cast<HDEV>(0x3000));
  EXPECT_EQ(e.pdev->hdev, nullptr);
  EXPECT_EQ(DrvEnableSurface(dhpdev), nullptr);
  DrvDisableSurface(dhpdev);
  DrvDisablePDEV(dhpdev);
  EXPECT_TRUE(ValidatePdev(e.pdev, FALSE, CALL_OTHER) == FALSE);
  EXPECT_EQ(g_trace.size(), 5u);
  for (const std::string& line : g_trace) EXPECT_NE(line.find("Not my device!"), std::string::npos) << line;
  // The record was left alone; put the guard back so that it can be released.
  e.pdev->job.guard = PDEV_GUARD;
  DrvDisablePDEV(dhpdev);
  EXPECT_FALSE(ValidatePdev(e.pdev, FALSE, CALL_OTHER));
}

}  // namespace
