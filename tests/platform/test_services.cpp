#include <functional>

#include "spooler_test_util.h"

using namespace spoolertest;
using testsupport::kErrorMarker;

namespace {

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(manager_, nullptr);
    service_ = OpenServiceW(manager_, reinterpret_cast<LPCWSTR>(u"spooler"),
                            SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP);
    ASSERT_NE(service_, nullptr) << GetLastError();
  }
  void TearDown() override {
    CloseServiceHandle(service_);
    CloseServiceHandle(manager_);
  }
  DWORD State() {
    SERVICE_STATUS status{};
    EXPECT_TRUE(QueryServiceStatus(service_, &status));
    return status.dwCurrentState;
  }
  // The machine's clock, held by the test.
  void SetClock(long long ms) { PlatformTest_UseManualClock(static_cast<ULONGLONG>(ms)); }

  testsupport::TempMachine machine_;
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
};

}  // namespace

// Stop and start pass through their pending states for the time the controls set, on the
// machine's clock, with the wait hint the controls set.
TEST_F(Services, StopAndStartFollowTheMachineClock) {
  SetClock(1000);
  PlatformTest_SetControl("services.Spooler.PendingMs", "300", TRUE);
  PlatformTest_SetControl("services.Spooler.WaitHint", "250", TRUE);
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));

  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_EQ(status.dwWaitHint, 250u);
  EXPECT_EQ(status.dwControlsAccepted, 0u);
  SetClock(1299);
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
  SetClock(1300);
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));

  SERVICE_STATUS_PROCESS process{};
  DWORD needed = 0;
  ASSERT_TRUE(QueryServiceStatusEx(service_, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&process),
                                   sizeof process, &needed));
  EXPECT_EQ(process.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(process.dwWaitHint, 0u);
  EXPECT_EQ(process.dwProcessId, 0u);

  ASSERT_TRUE(StartServiceW(service_, 0, nullptr));
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_START_PENDING));
  SetClock(1600);
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(Services, AWaitHintOfZero) {
  PlatformTest_SetControl("services.Spooler.WaitHint", "0", TRUE);
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_EQ(status.dwWaitHint, 0u);
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(Services, ControlsTheStateDoesNotAllow) {
  SERVICE_STATUS status{};
  SetLastError(kErrorMarker);
  EXPECT_FALSE(StartServiceW(service_, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ControlService(service_, SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  ASSERT_TRUE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));

  SC_HANDLE queryOnly = OpenServiceW(manager_, reinterpret_cast<LPCWSTR>(u"Spooler"), SERVICE_QUERY_STATUS);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(StartServiceW(queryOnly, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseServiceHandle(queryOnly);

  PlatformTest_SetControl("services.Spooler.PendingMs", "100000", TRUE);
  ASSERT_TRUE(StartServiceW(service_, 0, nullptr));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
}

TEST_F(Services, OpeningAndHandles) {
  SetLastError(kErrorMarker);
  EXPECT_EQ(OpenServiceW(manager_, reinterpret_cast<LPCWSTR>(u"Fax"), SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  SetLastError(kErrorMarker);
  EXPECT_EQ(OpenServiceW(reinterpret_cast<SC_HANDLE>(service_), reinterpret_cast<LPCWSTR>(u"Spooler"), 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_EQ(OpenSCManagerW(reinterpret_cast<LPCWSTR>(u"\\\\ELSEWHERE"), nullptr, SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  SetLastError(kErrorMarker);
  EXPECT_EQ(OpenSCManagerW(nullptr, reinterpret_cast<LPCWSTR>(u"Elsewhere"), SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));

  DWORD needed = 0;
  BYTE small[20];
  SetLastError(kErrorMarker);
  EXPECT_FALSE(QueryServiceStatusEx(service_, SC_STATUS_PROCESS_INFO, small, sizeof small, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, sizeof(SERVICE_STATUS_PROCESS));

  SC_HANDLE generic = OpenServiceW(manager_, reinterpret_cast<LPCWSTR>(u"Spooler"), GENERIC_EXECUTE | GENERIC_READ);
  SERVICE_STATUS status{};
  EXPECT_TRUE(QueryServiceStatus(generic, &status));
  EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(status.dwControlsAccepted & SERVICE_ACCEPT_STOP, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
  EXPECT_TRUE(CloseServiceHandle(generic));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CloseServiceHandle(generic));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// While the spooler is stopped every spooler call fails with RPC_S_SERVER_UNAVAILABLE; the
// printer-data calls answer it as their result.
TEST_F(Services, EverySpoolerCallFailsWhileStopped) {
  InstallPrinter();
  HANDLE h = Open();
  HANDLE xcv = nullptr;
  ASSERT_TRUE(OpenPrinterW(W(u",XcvPort USB001"), &xcv, nullptr));
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service_, SERVICE_CONTROL_STOP, &status));
  ASSERT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));

  BYTE buffer[256];
  DWORD needed = 0, count = 0, type = 0, written = 0;
  DOC_INFO_1W doc{W(u"doc"), nullptr, nullptr};
  PRINTER_INFO_2W info2{};
  DRIVER_INFO_2W driver{3, W(u"D"), nullptr, W(u"d.dll"), nullptr, W(u"u.dll")};
  MONITOR_INFO_2W monitor{W(u"M"), nullptr, W(u"m.dll")};
  std::pair<const char*, std::function<BOOL()>> calls[] = {
      {"OpenPrinterW", [&] { HANDLE o; return OpenPrinterW(W(kPrinter), &o, nullptr); }},
      {"GetPrinterW", [&] { return GetPrinterW(h, 2, buffer, sizeof buffer, &needed); }},
      {"SetPrinterW", [&] { return SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PAUSE); }},
      {"EnumPrintersW", [&] { return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, sizeof buffer, &needed, &count); }},
      {"AddPrinterW", [&] { return AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info2)) != nullptr; }},
      {"DeletePrinter", [&] { return DeletePrinter(h); }},
      {"GetPrinterDriverW", [&] { return GetPrinterDriverW(h, nullptr, 2, buffer, sizeof buffer, &needed); }},
      {"EnumPrinterDriversW", [&] { return EnumPrinterDriversW(nullptr, nullptr, 2, buffer, sizeof buffer, &needed, &count); }},
      {"AddPrinterDriverW", [&] { return AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)); }},
      {"DeletePrinterDriverExW", [&] { return DeletePrinterDriverExW(nullptr, nullptr, W(kDriver), DPD_DELETE_UNUSED_FILES, 0); }},
      {"GetPrinterDriverDirectoryW", [&] { return GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buffer, sizeof buffer, &needed); }},
      {"GetPrintProcessorDirectoryW", [&] { return GetPrintProcessorDirectoryW(nullptr, nullptr, 1, buffer, sizeof buffer, &needed); }},
      {"EnumPrintProcessorsW", [&] { return EnumPrintProcessorsW(nullptr, nullptr, 1, buffer, sizeof buffer, &needed, &count); }},
      {"AddPrintProcessorW", [&] { return AddPrintProcessorW(nullptr, nullptr, W(u"p.dll"), W(u"P")); }},
      {"DeletePrintProcessorW", [&] { return DeletePrintProcessorW(nullptr, nullptr, W(kProcessor)); }},
      {"EnumMonitorsW", [&] { return EnumMonitorsW(nullptr, 1, buffer, sizeof buffer, &needed, &count); }},
      {"AddMonitorW", [&] { return AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)); }},
      {"DeleteMonitorW", [&] { return DeleteMonitorW(nullptr, nullptr, W(u"USB Monitor")); }},
      {"EnumPortsW", [&] { return EnumPortsW(nullptr, 2, buffer, sizeof buffer, &needed, &count); }},
      {"XcvDataW", [&] { DWORD s; return XcvDataW(xcv, reinterpret_cast<PCWSTR>(u"IPAddress"), nullptr, 0, buffer, 256, &needed, &s); }},
      {"StartDocPrinterW", [&] { return StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)) != 0; }},
      {"StartPagePrinter", [&] { return StartPagePrinter(h); }},
      {"WritePrinter", [&] { return WritePrinter(h, buffer, 4, &written); }},
      {"EndPagePrinter", [&] { return EndPagePrinter(h); }},
      {"EndDocPrinter", [&] { return EndDocPrinter(h); }},
      {"AbortPrinter", [&] { return AbortPrinter(h); }},
      {"EnumJobsW", [&] { return EnumJobsW(h, 0, 10, 1, buffer, sizeof buffer, &needed, &count); }},
      {"GetJobW", [&] { return GetJobW(h, 1, 1, buffer, sizeof buffer, &needed); }},
      {"SetJobW", [&] { return SetJobW(h, 1, 0, nullptr, JOB_CONTROL_PAUSE); }},
      {"ClosePrinter", [&] { return ClosePrinter(xcv); }},
  };
  for (auto& [name, call] : calls) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE)) << name;
  }
  BYTE one = 1;
  EXPECT_EQ(GetPrinterDataW(h, W(u"X"), &type, buffer, sizeof buffer, &needed), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(SetPrinterDataW(h, W(u"X"), 3, &one, 1), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(DeletePrinterDataExW(h, W(u"K"), W(u"X")), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));

  // A handle from before the stop is stale once the spooler is back.
  ASSERT_TRUE(StartServiceW(service_, 0, nullptr));
  ASSERT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetPrinterW(h, 2, buffer, sizeof buffer, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  HANDLE fresh = Open();
  EXPECT_NE(fresh, nullptr);
  ClosePrinter(fresh);
}

// A stop made by one process is seen by every other process of the machine.
TEST_F(Services, AStopIsSeenByOtherProcesses) {
  std::string output;
  ASSERT_EQ(RunChildTest(machine_.root(), "ServicesChild.StopsTheSpooler", output), 0) << output;
  EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
  DWORD needed = 0, count = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
}

TEST(ServicesChild, StopsTheSpooler) {
  if (!spoolertest::IsChild()) GTEST_SKIP() << "runs as the second process of Services.AStopIsSeenByOtherProcesses";
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE);
  SC_HANDLE service = OpenServiceW(manager, reinterpret_cast<LPCWSTR>(u"Spooler"), SERVICE_STOP);
  SERVICE_STATUS status{};
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}
