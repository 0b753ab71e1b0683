#include <map>

#include <win/files.h>

#include "spooler_test_util.h"

using namespace spoolertest;
using testsupport::kErrorMarker;

namespace {

const std::u16string kVersionFolder = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";

class SpoolerDrivers : public ::testing::Test {
 protected:
  void SetUp() override { InstallPrinter(); }

  void PlaceFile(const std::u16string& name) {
    std::u16string path = kVersionFolder + name;
    HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(f);
  }
  bool Exists(const std::u16string& name) {
    std::u16string path = kVersionFolder + name;
    return GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.c_str())) != INVALID_FILE_ATTRIBUTES;
  }

  testsupport::TempMachine machine_;
};

std::vector<BYTE> DriverBlock(HANDLE h, DWORD level) {
  DWORD needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, level, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> block(needed);
  EXPECT_TRUE(GetPrinterDriverW(h, nullptr, level, block.data(), needed, &needed)) << GetLastError();
  return block;
}

}  // namespace

TEST_F(SpoolerDrivers, DriverInformationAtLevelsTwoAndThree) {
  HANDLE h = Open();
  std::vector<BYTE> two = DriverBlock(h, 2);
  auto* info2 = reinterpret_cast<DRIVER_INFO_2W*>(two.data());
  EXPECT_EQ(info2->cVersion, 3u);
  EXPECT_EQ(Str(info2->pName), kDriver);
  EXPECT_EQ(Str(info2->pEnvironment), u"Windows x64");
  EXPECT_EQ(Str(info2->pDriverPath), kVersionFolder + u"vm4k2dr.dll");
  EXPECT_EQ(Str(info2->pDataFile), kVersionFolder + u"vm4k2ui.dll");
  EXPECT_EQ(Str(info2->pConfigFile), kVersionFolder + u"vm4k2ui.dll");
  EXPECT_TRUE(Inside(two, info2->pConfigFile));

  std::vector<BYTE> three = DriverBlock(h, 3);
  auto* info3 = reinterpret_cast<DRIVER_INFO_3W*>(three.data());
  EXPECT_EQ(Str(info3->pHelpFile), kVersionFolder + u"vm4k2enus.chm");
  const WCHAR* dependents = info3->pDependentFiles;
  EXPECT_EQ(Str(dependents), kVersionFolder + u"vm4k2enus.dll");
  dependents += std::char_traits<char16_t>::length(dependents) + 1;
  EXPECT_EQ(Str(dependents), kVersionFolder + u"vm4k2pro.dll");
  dependents += std::char_traits<char16_t>::length(dependents) + 1;
  EXPECT_EQ(*dependents, u'\0');
  EXPECT_TRUE(Inside(three, dependents, 2));

  DWORD needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterDriverW(h, W(u"Windows 95"), 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterDriverW(h, W(u"Windows NT x86"), 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
  ClosePrinter(h);
}

TEST_F(SpoolerDrivers, ADriverWithoutDataFileNamesNone) {
  InstallDriver(u"Bare Driver", nullptr);
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPrinterDriversW(nullptr, nullptr, 2, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 2u);
  auto* drivers = reinterpret_cast<DRIVER_INFO_2W*>(block.data());
  EXPECT_EQ(Str(drivers[1].pName), u"Bare Driver");
  EXPECT_EQ(drivers[1].pDataFile, nullptr);
}

TEST_F(SpoolerDrivers, FoldersOfDriversAndPrintProcessors) {
  struct Case {
    BOOL (*call)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD);
    const char16_t* environment;
    std::u16string path;
  } cases[] = {
      {GetPrinterDriverDirectoryW, nullptr, u"C:\\Windows\\System32\\spool\\drivers\\x64"},
      {GetPrinterDriverDirectoryW, u"Windows NT x86", u"C:\\Windows\\System32\\spool\\drivers\\W32X86"},
      {GetPrintProcessorDirectoryW, nullptr, u"C:\\Windows\\System32\\spool\\prtprocs\\x64"},
  };
  for (const Case& c : cases) {
    DWORD needed = 0;
    SetLastError(kErrorMarker);
    EXPECT_FALSE(c.call(nullptr, W(c.environment), 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, (c.path.size() + 1) * 2);
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(c.call(nullptr, W(c.environment), 1, reinterpret_cast<LPBYTE>(folder), sizeof folder, &needed));
    EXPECT_EQ(Str(folder), c.path);
    EXPECT_NE(GetFileAttributesW(folder), INVALID_FILE_ATTRIBUTES);
    SetLastError(kErrorMarker);
    EXPECT_FALSE(c.call(nullptr, W(c.environment), 2, reinterpret_cast<LPBYTE>(folder), sizeof folder, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  }
}

// DeletePrinterDriverExW with DPD_DELETE_UNUSED_FILES takes the driver's files out of the
// machine, except the ones another driver still names.
TEST_F(SpoolerDrivers, DeletingTheDriverRemovesItsFiles) {
  for (const char16_t* f : {u"vm4k2dr.dll", u"vm4k2ui.dll", u"vm4k2enus.chm", u"vm4k2enus.dll", u"vm4k2pro.dll"})
    PlaceFile(f);
  DRIVER_INFO_2W other{3, W(u"Other Driver"), nullptr, W(u"other.dll"), nullptr, W(u"vm4k2enus.dll")};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&other)));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeletePrinterDriverExW(nullptr, nullptr, W(kDriver), DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  HANDLE h = Open();
  ASSERT_TRUE(DeletePrinter(h));
  ClosePrinter(h);
  ASSERT_TRUE(DeletePrinterDriverExW(nullptr, nullptr, W(kDriver), DPD_DELETE_UNUSED_FILES, 0)) << GetLastError();
  for (const char16_t* f : {u"vm4k2dr.dll", u"vm4k2ui.dll", u"vm4k2enus.chm", u"vm4k2pro.dll"})
    EXPECT_FALSE(Exists(f));
  EXPECT_TRUE(Exists(u"vm4k2enus.dll"));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeletePrinterDriverExW(nullptr, nullptr, W(kDriver), DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
}

// The running spooler holds the files of its drivers, print processors and monitors.
TEST_F(SpoolerDrivers, TheRunningSpoolerHoldsItsFiles) {
  MONITOR_INFO_2W monitor{W(kMonitor), nullptr, W(u"vm4k2lm.dll")};
  ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)));
  const std::u16string held[] = {kVersionFolder + u"vm4k2dr.dll",
                                 u"C:\\Windows\\System32\\spool\\prtprocs\\x64\\vm4k2pro.dll",
                                 u"C:\\Windows\\System32\\vm4k2lm.dll"};
  for (const std::u16string& path : held) {
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(u"C:\\Windows\\System32\\spool\\prtprocs"), nullptr);
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(u"C:\\Windows\\System32\\spool\\prtprocs\\x64"), nullptr);
    HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(f);
    SetLastError(kErrorMarker);
    EXPECT_FALSE(DeleteFileW(reinterpret_cast<LPCWSTR>(path.c_str())));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }

  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceW(manager, reinterpret_cast<LPCWSTR>(u"Spooler"), SERVICE_ALL_ACCESS);
  SERVICE_STATUS status;
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  for (const std::u16string& path : held) EXPECT_TRUE(DeleteFileW(reinterpret_cast<LPCWSTR>(path.c_str()))) << GetLastError();
  ASSERT_TRUE(StartServiceW(service, 0, nullptr));
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

TEST_F(SpoolerDrivers, PrintProcessors) {
  DWORD needed = 0, count = 0;
  EnumPrintProcessorsW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPrintProcessorsW(nullptr, nullptr, 1, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 2u);
  auto* processors = reinterpret_cast<PRINTPROCESSOR_INFO_1W*>(block.data());
  EXPECT_EQ(Str(processors[0].pName), u"winprint");
  EXPECT_EQ(Str(processors[1].pName), kProcessor);

  struct Case {
    const char16_t* name;
    DWORD error;
  } cases[] = {{u"Velmor K8000 PCL Processor", ERROR_UNKNOWN_PRINTPROCESSOR}, {kProcessor, ERROR_CAN_NOT_COMPLETE}};
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(DeletePrintProcessorW(nullptr, nullptr, W(c.name)));
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kErrorMarker);
  EXPECT_FALSE(AddPrintProcessorW(nullptr, nullptr, W(u"vm4k2pro.dll"), W(kProcessor)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED));
  HANDLE h = Open();
  DeletePrinter(h);
  ClosePrinter(h);
  EXPECT_TRUE(DeletePrintProcessorW(nullptr, nullptr, W(kProcessor)));
}

TEST_F(SpoolerDrivers, LanguageMonitors) {
  MONITOR_INFO_2W monitor{W(kMonitor), nullptr, W(u"vm4k2lm.dll")};
  ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)));
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = W(u"Monitored");
  driver.pDriverPath = W(u"m.dll");
  driver.pConfigFile = W(u"mui.dll");
  driver.pMonitorName = W(kMonitor);
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));

  DWORD needed = 0, count = 0;
  EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumMonitorsW(nullptr, 2, block.data(), needed, &needed, &count));
  auto* monitors = reinterpret_cast<MONITOR_INFO_2W*>(block.data());
  ASSERT_EQ(count, 5u);
  EXPECT_EQ(Str(monitors[4].pName), kMonitor);
  EXPECT_EQ(Str(monitors[4].pDLLName), u"vm4k2lm.dll");
  EXPECT_EQ(Str(monitors[4].pEnvironment), u"Windows x64");

  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, W(kMonitor)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_IN_USE));
  ASSERT_TRUE(DeletePrinterDriverExW(nullptr, nullptr, W(u"Monitored"), 0, 0));
  EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, W(kMonitor)));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, W(kMonitor)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR));
}

TEST_F(SpoolerDrivers, PortsNameTheirMonitors) {
  ASSERT_TRUE(PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"IP_127.0.0.5"), "tcp",
                                          reinterpret_cast<const WCHAR*>(u"127.0.0.5")));
  ASSERT_TRUE(PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"WSD-1234"), "wsd", nullptr));
  EXPECT_FALSE(PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"USB001"), "usb", nullptr));
  DWORD needed = 0, count = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPortsW(nullptr, 2, block.data(), needed, &needed, &count));
  std::map<std::u16string, std::u16string> monitors;
  auto* ports = reinterpret_cast<PORT_INFO_2W*>(block.data());
  for (DWORD i = 0; i < count; ++i) monitors[Str(ports[i].pPortName)] = Str(ports[i].pMonitorName);
  EXPECT_EQ(monitors[u"USB001"], u"Dynamic Print Monitor");
  EXPECT_EQ(monitors[u"IP_127.0.0.5"], u"TCPMON.DLL");
  EXPECT_EQ(monitors[u"WSD-1234"], u"WSD Port Monitor");
  EXPECT_EQ(monitors[u"LPT1:"], u"Local Port");
}

// XcvDataW "IPAddress" on a ",XcvPort" handle: the address of a standard TCP/IP port into a
// 512-byte buffer; nothing from a WSD port.
TEST_F(SpoolerDrivers, XcvDataAnswersTheIpAddress) {
  PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"IP_127.0.0.5"), "tcp",
                              reinterpret_cast<const WCHAR*>(u"127.0.0.5"));
  PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(u"WSD-1234"), "wsd", nullptr);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_READ};
  HANDLE tcp = nullptr, wsd = nullptr;
  ASSERT_TRUE(OpenPrinterW(W(u",XcvPort IP_127.0.0.5"), &tcp, &defaults));
  ASSERT_TRUE(OpenPrinterW(W(u",XcvPort WSD-1234"), &wsd, &defaults));

  BYTE output[512];
  std::memset(output, 0xCC, sizeof output);
  DWORD needed = 0, status = kErrorMarker;
  ASSERT_TRUE(XcvDataW(tcp, reinterpret_cast<PCWSTR>(u"IPAddress"), nullptr, 0, output, sizeof output, &needed, &status));
  EXPECT_EQ(status, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(needed, 20u);
  EXPECT_EQ(Str(reinterpret_cast<WCHAR*>(output)), u"127.0.0.5");
  EXPECT_EQ(output[20], 0xCC);

  ASSERT_TRUE(XcvDataW(tcp, reinterpret_cast<PCWSTR>(u"IPAddress"), nullptr, 0, output, 8, &needed, &status));
  EXPECT_EQ(status, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, 20u);

  std::memset(output, 0, sizeof output);
  ASSERT_TRUE(XcvDataW(wsd, reinterpret_cast<PCWSTR>(u"IPAddress"), nullptr, 0, output, sizeof output, &needed, &status));
  EXPECT_NE(status, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(output[0], 0);

  HANDLE printer = Open();
  SetLastError(kErrorMarker);
  EXPECT_FALSE(XcvDataW(printer, reinterpret_cast<PCWSTR>(u"IPAddress"), nullptr, 0, output, 512, &needed, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ClosePrinter(printer);
  ClosePrinter(tcp);
  ClosePrinter(wsd);
}
