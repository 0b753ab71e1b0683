// setup-machine run as its own program on a fresh folder; this test process is the second
// process of that machine and finds what the installer left.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <win/registry.h>
#include <win/spooler.h>

#include "child_process.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using ToolRun = testsupport::CommandRun;

ToolRun SetupMachine(const std::string& arguments) {
  return testsupport::RunCommand(std::string(VELMOR_OUT_DIR) + "/setup-machine " + arguments + " 2>&1");
}

std::vector<std::u16string> Printers(DWORD flags, std::vector<std::u16string>* ports = nullptr) {
  DWORD needed = 0, count = 0;
  EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  std::vector<std::u16string> names;
  if (!EnumPrintersW(flags, nullptr, 2, block.data(), needed, &needed, &count)) return names;
  auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  for (DWORD i = 0; i < count; ++i) {
    names.push_back(printers[i].pPrinterName);
    if (ports) ports->push_back(printers[i].pPortName);
  }
  return names;
}

std::u16string MonitorOfPort(const std::u16string& port) {
  DWORD needed = 0, count = 0;
  EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  if (!EnumPortsW(nullptr, 2, block.data(), needed, &needed, &count)) return u"";
  auto* ports = reinterpret_cast<PORT_INFO_2W*>(block.data());
  for (DWORD i = 0; i < count; ++i)
    if (port == ports[i].pPortName) return ports[i].pMonitorName;
  return u"";
}

}  // namespace

TEST(SetupMachine, ANewMachineListsThePrinterInAnotherProcess) {
  testsupport::TempMachine machine;
  std::string root = machine.root() + "/fresh";
  ToolRun run = SetupMachine(root);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("printer: Velmor K8000 Series PCL6 on USB001"), std::string::npos) << run.output;

  PlatformTest_UseMachine(root.c_str());
  std::vector<std::u16string> ports;
  EXPECT_EQ(Printers(PRINTER_ENUM_LOCAL, &ports), std::vector<std::u16string>{u"Velmor K8000 Series PCL6"});
  EXPECT_EQ(ports, std::vector<std::u16string>{u"USB001"});
  EXPECT_EQ(MonitorOfPort(u"USB001"), u"Dynamic Print Monitor");
  EXPECT_TRUE(std::filesystem::exists(root + "/drives/C/Windows/System32/spool/drivers/x64/3/vm4k2dr.dll"));
  EXPECT_TRUE(std::filesystem::exists(root + "/drives/C/Windows/System32/spool/drivers/x64/3/vm4k2ui.dll"));

  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(u"Velmor K8000 Series PCL6")), &h, nullptr));
  DWORD needed = 0;
  GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, block.data(), needed, &needed));
  auto* driver = reinterpret_cast<DRIVER_INFO_3W*>(block.data());
  EXPECT_EQ(std::u16string(driver->pDriverPath), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2dr.dll");
  EXPECT_EQ(std::u16string(driver->pConfigFile), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vm4k2ui.dll");
  EXPECT_NE(driver->pDataFile, nullptr);
  EXPECT_EQ(std::u16string(driver->pMonitorName), u"Velmor K8000 PCL6 Language Monitor");
  needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> printer(needed);
  ASSERT_TRUE(GetPrinterW(h, 2, printer.data(), needed, &needed));
  EXPECT_EQ(std::u16string(reinterpret_cast<PRINTER_INFO_2W*>(printer.data())->pPrintProcessor),
            u"Velmor K8000 PCL6 Processor");
  ClosePrinter(h);

  // ToolRun again, it adds to the machine: a second printer on a TCP/IP port.
  ToolRun again = SetupMachine(root + " --printer \"Office K8000\" --port tcp:127.0.0.7");
  ASSERT_EQ(again.status, 0) << again.output;
  std::vector<std::u16string> names = Printers(PRINTER_ENUM_LOCAL);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Velmor K8000 Series PCL6", u"Office K8000"}));
  EXPECT_EQ(MonitorOfPort(u"IP_127.0.0.7"), u"TCPMON.DLL");
}

TEST(SetupMachine, PortsAndNetworkConnections) {
  testsupport::TempMachine machine;
  ToolRun wsd = SetupMachine(machine.root() + " --printer WsdPrinter --port wsd:WSD-0001");
  ASSERT_EQ(wsd.status, 0) << wsd.output;
  ToolRun network = SetupMachine(machine.root() + " --printer Shared --network");
  ASSERT_EQ(network.status, 0) << network.output;
  PlatformTest_UseMachine(machine.root().c_str());
  EXPECT_EQ(MonitorOfPort(u"WSD-0001"), u"WSD Port Monitor");
  EXPECT_EQ(Printers(PRINTER_ENUM_LOCAL), std::vector<std::u16string>{u"WsdPrinter"});
  EXPECT_EQ(Printers(PRINTER_ENUM_CONNECTIONS), std::vector<std::u16string>{u"\\\\PRINTSERVER\\Shared"});
}

TEST(SetupMachine, WritesTheLanguageValue) {
  testsupport::TempMachine machine;
  ToolRun run = SetupMachine(machine.root() + " --language Arabic");
  ASSERT_EQ(run.status, 0) << run.output;
  PlatformTest_UseMachine(machine.root().c_str());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(u"Software\\Velmor K8000 Series PCL6"), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  WCHAR value[64] = {};
  DWORD type = 0, size = sizeof value;
  ASSERT_EQ(RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(u"Language"), nullptr, &type,
                             reinterpret_cast<LPBYTE>(value), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(value)), u"Arabic");
}

TEST(SetupMachine, RefusesWhatItCannotBuild) {
  testsupport::TempMachine machine;
  struct Case {
    std::string arguments;
    int status;
    const char* says;
  } cases[] = {
      {"", 2, "name the machine folder"},
      {machine.root() + " --port LPT7", 1, "unknown port"},
      {machine.root() + " --port tcp:10.0.0.1", 1, "loopback"},
      {machine.root() + " --bogus", 2, "unknown option"},
  };
  for (const Case& c : cases) {
    ToolRun run = SetupMachine(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
}
