#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <win/modules.h>
#include <win/spooler.h>
#include <win/user.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(reinterpret_cast<const WCHAR*>(text)); }
constexpr const char16_t* kPrinter = u"Routed Printer";

// A printer whose configuration file is the recording library, placed where the installer
// puts a driver's files.
class SpoolerRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string folder = machine_.Host("drives/C/Windows/System32/spool/drivers/x64/3");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(RECORDING_UI, folder + "/recui.dll");
    DRIVER_INFO_2W driver{3, W(u"Routed Driver"), nullptr, W(u"recdr.dll"), nullptr, W(u"recui.dll")};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)));
    ASSERT_TRUE(PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"USB001"), "usb", nullptr));
    PRINTER_INFO_2W info{};
    info.pPrinterName = W(kPrinter);
    info.pPortName = W(u"USB001");
    info.pDriverName = W(u"Routed Driver");
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(h, nullptr);
    ClosePrinter(h);
  }
  testsupport::TempMachine machine_;
};

}  // namespace

TEST_F(SpoolerRouting, DocumentPropertiesAsksTheSizeFirst) {
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, W(kPrinter), nullptr, nullptr, 0), 300);
  std::vector<BYTE> out(300, 0xCC);
  DEVMODEW in{};
  in.dmSize = sizeof in;
  in.dmCopies = 7;
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(W(kPrinter), &h, nullptr));
  LONG result = DocumentPropertiesW(nullptr, h, W(kPrinter), reinterpret_cast<DEVMODEW*>(out.data()), &in,
                                    DM_IN_BUFFER | DM_OUT_BUFFER);
  EXPECT_EQ(result, 1);
  auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(dm->dmDeviceName)), kPrinter);
  EXPECT_EQ(dm->dmFields, static_cast<DWORD>(DM_IN_BUFFER | DM_OUT_BUFFER));
  EXPECT_EQ(dm->dmPrintQuality, 300);  // the size the driver answered became cbOut
  EXPECT_EQ(dm->dmCopies, 7);
  ClosePrinter(h);

  SetLastError(0xDEADBEEF);
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, W(u"Missing Printer"), nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

TEST_F(SpoolerRouting, DeviceCapabilitiesReachesTheDriver) {
  EXPECT_EQ(DeviceCapabilitiesW(W(kPrinter), W(u"USB001"), DC_COPIES, nullptr, nullptr), 99);
  EXPECT_EQ(DeviceCapabilitiesW(W(kPrinter), W(u"USB001"), DC_PAPERS, nullptr, nullptr), 2);
  WORD papers[2] = {};
  EXPECT_EQ(DeviceCapabilitiesW(W(kPrinter), W(u"USB001"), DC_PAPERS, reinterpret_cast<LPWSTR>(papers), nullptr), 2);
  EXPECT_EQ(papers[0], DMPAPER_A4);
  EXPECT_EQ(papers[1], DMPAPER_LETTER);
  EXPECT_EQ(DeviceCapabilitiesW(W(kPrinter), W(u"USB001"), DC_BINS, nullptr, nullptr), -1);
}

TEST_F(SpoolerRouting, AMissingLibraryOrExportFails) {
  PlatformTest_SetExportAbsent("recui.dll", "DrvDeviceCapabilities", TRUE, FALSE);
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(DeviceCapabilitiesW(W(kPrinter), nullptr, DC_COPIES, nullptr, nullptr), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  PlatformTest_SetModuleAbsent("recui.dll", TRUE, FALSE);
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, W(kPrinter), nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// spoolss.dll's exports resolve to the stand-in's own, and the token round trip restores the
// thread's state.
TEST(SpoolerImpersonation, SpoolssExportsAndTheirAbsence) {
  testsupport::TempMachine machine;
  HMODULE spoolss = LoadLibraryW(W(u"spoolss.dll"));
  ASSERT_NE(spoolss, nullptr);
  auto revert = reinterpret_cast<HANDLE (*)()>(reinterpret_cast<void*>(GetProcAddress(spoolss, "RevertToPrinterSelf")));
  auto impersonate =
      reinterpret_cast<BOOL (*)(HANDLE)>(reinterpret_cast<void*>(GetProcAddress(spoolss, "ImpersonatePrinterClient")));
  ASSERT_NE(revert, nullptr);
  ASSERT_NE(impersonate, nullptr);
  HANDLE token = revert();
  EXPECT_NE(token, nullptr);
  EXPECT_TRUE(impersonate(token));
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(impersonate(token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  FreeLibrary(spoolss);

  PlatformTest_SetExportAbsent("spoolss.dll", "ImpersonatePrinterClient", TRUE, FALSE);
  spoolss = LoadLibraryW(W(u"spoolss.dll"));
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(GetProcAddress(spoolss, "ImpersonatePrinterClient"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  FreeLibrary(spoolss);
}

namespace {

std::string EventLog(const testsupport::TempMachine& machine) {
  std::ifstream in(machine.Host("drives/C/recui-events.log"));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

constexpr const char* kVersionFolder = "C:\\Windows\\System32\\spool\\drivers\\x64\\3";

void PressOk(HWND sheet, void*) { PlatformTest_Click(GetDlgItem(sheet, IDOK)); }

}  // namespace

// The spooler tells the printer's library of its printers' and its own life, in the calling
// process: a printer added, its cache refreshed, the driver updated under it, the printer and
// then the driver deleted.
TEST_F(SpoolerRouting, PrinterAndDriverEventsReachTheLibrary) {
  const std::string initialised = "printer-event Routed Printer 3 flags=0 lparam=0 exists=1\n";
  EXPECT_EQ(EventLog(machine_), initialised);  // AddPrinterW went on although the library said FALSE

  EXPECT_FALSE(PlatformTest_SpoolerRefreshCache(W(kPrinter)));  // the library's own answer
  const std::string refreshed = "printer-event Routed Printer 5 flags=0 lparam=0 exists=1\n";
  EXPECT_EQ(EventLog(machine_), initialised + refreshed);

  DRIVER_INFO_2W driver{3, W(u"Routed Driver"), nullptr, W(u"recdr.dll"), nullptr, W(u"recui.dll")};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)));
  const std::string upgraded = std::string("upgrade 1 Routed Printer ") + kVersionFolder + "\n";
  EXPECT_EQ(EventLog(machine_), initialised + refreshed + upgraded);

  // A handle that may not delete the printer raises nothing.
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(W(kPrinter), &h, nullptr));
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(DeletePrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ClosePrinter(h);
  EXPECT_EQ(EventLog(machine_), initialised + refreshed + upgraded);

  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(W(kPrinter), &h, &all));
  SetLastError(0xDEADBEEF);
  EXPECT_TRUE(DeletePrinter(h));
  ClosePrinter(h);
  // The library hears of the deletion while the printer still opens.
  const std::string deleted = "printer-event Routed Printer 4 flags=0 lparam=0 exists=1\n";
  EXPECT_EQ(EventLog(machine_), initialised + refreshed + upgraded + deleted);
  EXPECT_FALSE(OpenPrinterW(W(kPrinter), &h, nullptr));

  EXPECT_TRUE(DeletePrinterDriverExW(nullptr, nullptr, W(u"Routed Driver"), 0, 0));
  const std::string driverDeleted = std::string("driver-event 2 3 Routed Driver ") + kVersionFolder + "\\recui.dll\n";
  EXPECT_EQ(EventLog(machine_), initialised + refreshed + upgraded + deleted + driverDeleted);
}

TEST_F(SpoolerRouting, APrinterIsAddedWithoutItsLibrary) {
  PlatformTest_SetModuleAbsent("recui.dll", TRUE, FALSE);
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(u"Second");
  info.pPortName = W(u"USB001");
  info.pDriverName = W(u"Routed Driver");
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(h, nullptr);
  ClosePrinter(h);
  EXPECT_TRUE(PlatformTest_SpoolerRefreshCache(W(u"Second")));  // nothing to ask: TRUE
  PlatformTest_SetModuleAbsent("recui.dll", FALSE, FALSE);
  EXPECT_EQ(EventLog(machine_), "printer-event Routed Printer 3 flags=0 lparam=0 exists=1\n");
}


TEST_F(SpoolerRouting, DocumentPropertiesInPromptShowsTheDriversPagesAndAnswersAsTheUserClosed) {
  std::vector<BYTE> out(300);
  PlatformTest_UseRealPropertySheet();
  PlatformTest_SetDialogAction(reinterpret_cast<const WCHAR*>(kPrinter), PressOk, nullptr);
  DWORD mode = DM_IN_PROMPT | DM_OUT_BUFFER;
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, W(kPrinter), reinterpret_cast<DEVMODEW*>(out.data()), nullptr, mode),
            IDOK);
  EXPECT_EQ(reinterpret_cast<DEVMODEW*>(out.data())->dmFields, mode);  // the page's apply wrote it
  PlatformTest_ClearDialogActions();
  // Unscripted, the user cancels: nothing is written.
  std::vector<BYTE> untouched(300);
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, W(kPrinter), reinterpret_cast<DEVMODEW*>(untouched.data()), nullptr,
                                mode),
            IDCANCEL);
  EXPECT_EQ(reinterpret_cast<DEVMODEW*>(untouched.data())->dmFields, 0u);
}
