// Helpers of the spooler and service-manager tests: a printer installed the way the package's
// installer does it, the two-call size protocol, and a second process of the same machine.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <win/services.h>
#include <win/spooler.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace spoolertest {

inline LPWSTR W(const char16_t* text) { return const_cast<LPWSTR>(reinterpret_cast<const WCHAR*>(text)); }
inline std::u16string Str(const WCHAR* text) { return text ? std::u16string(text) : std::u16string(u"(null)"); }

constexpr const char16_t* kDriver = u"Velmor K8000 Series PCL6";
constexpr const char16_t* kPrinter = u"Velmor K8000 Series PCL6";
constexpr const char16_t* kProcessor = u"Velmor K8000 PCL6 Processor";
constexpr const char16_t* kMonitor = u"Velmor K8000 PCL6 Language Monitor";

inline void InstallDriver(const char16_t* name = kDriver, const char16_t* dataFile = u"vm4k2ui.dll") {
  DRIVER_INFO_3W info{};
  info.cVersion = 3;
  info.pName = W(name);
  info.pDriverPath = W(u"vm4k2dr.dll");
  info.pDataFile = dataFile ? W(dataFile) : nullptr;
  info.pConfigFile = W(u"vm4k2ui.dll");
  info.pHelpFile = W(u"vm4k2enus.chm");
  static const char16_t kDependents[] = u"vm4k2enus.dll\0vm4k2pro.dll\0";
  info.pDependentFiles = W(kDependents);
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

// The driver, the package's print processor and a USB port, and a printer on them.
inline void InstallPrinter(const char16_t* printer = kPrinter, const char16_t* port = u"USB001") {
  InstallDriver();
  AddPrintProcessorW(nullptr, nullptr, W(u"vm4k2pro.dll"), W(kProcessor));
  PlatformTest_SpoolerAddPort(reinterpret_cast<const WCHAR*>(port), "usb", nullptr);
  PRINTER_INFO_2W info{};
  info.pPrinterName = W(printer);
  info.pPortName = W(port);
  info.pDriverName = W(kDriver);
  info.pPrintProcessor = W(kProcessor);
  info.pDatatype = W(u"RAW");
  info.pComment = W(u"Second floor");
  info.pLocation = W(u"Room 12");
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(h, nullptr) << GetLastError();
  ClosePrinter(h);
}

inline HANDLE Open(const char16_t* printer = kPrinter, ACCESS_MASK access = PRINTER_ALL_ACCESS) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
  HANDLE h = nullptr;
  EXPECT_TRUE(OpenPrinterW(W(printer), &h, &defaults)) << GetLastError();
  return h;
}

// GetPrinterW through both calls: the size, then the data, in a block of exactly that size.
inline std::vector<BYTE> GetPrinterBlock(HANDLE h, DWORD level) {
  DWORD needed = 0;
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(GetPrinterW(h, level, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> block(needed);
  DWORD again = 0;
  EXPECT_TRUE(GetPrinterW(h, level, block.data(), needed, &again)) << GetLastError();
  EXPECT_EQ(again, needed);
  return block;
}

// True when p lies inside the block (a string or DEVMODE the call placed there).
inline bool Inside(const std::vector<BYTE>& block, const void* p, size_t bytes = 1) {
  const BYTE* b = static_cast<const BYTE*>(p);
  return b >= block.data() && b + bytes <= block.data() + block.size();
}

inline std::string ReadHostFile(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  std::fclose(f);
  return out;
}

inline std::string JobBytes(DWORD jobId) {
  char path[4096];
  if (!PlatformTest_SpoolerJobFile(jobId, path, sizeof path)) return "(no job)";
  return ReadHostFile(path);
}

// Runs one test of this same executable as a second process of the machine, which the
// child test finds in SPOOLER_TEST_CHILD. Returns its exit status and what it printed.
inline int RunChildTest(const std::string& machineRoot, const std::string& testName, std::string& output) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipefd[1], 1);
    close(pipefd[0]);
    close(pipefd[1]);
    setenv("PLATFORM_ROOT", machineRoot.c_str(), 1);
    setenv("SPOOLER_TEST_CHILD", "1", 1);
    std::string filter = "--gtest_filter=" + testName;
    execl("/proc/self/exe", "child", filter.c_str(), "--gtest_brief=1", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipefd[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipefd[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool IsChild() { return std::getenv("SPOOLER_TEST_CHILD") != nullptr; }

}  // namespace spoolertest
