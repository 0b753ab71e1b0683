// A machine installed by setup-machine and a printer DC on it, as an application has one: jobs
// go through the stand-in GDI, the delivered user-interface library and renderer, and the
// spooler; what the renderer wrote is read back from the spooler's job file and decoded.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/spooler.h>

#include "pclxl_decoder.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace jobflowtest {

constexpr char16_t kPrinter[] = u"Velmor K8000 Series PCL6";

using Bytes = std::vector<uint8_t>;

inline Bytes ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The printer's DEVMODE as the user-interface library builds it, with changes applied and
// validated by it again (DM_IN_BUFFER | DM_OUT_BUFFER), as an application changes settings.
inline std::vector<BYTE> PrinterDevmode(const std::function<void(DEVMODEW&, BYTE* privatePart)>& change = nullptr) {
  HANDLE printer = nullptr;
  std::u16string name(kPrinter);
  std::vector<BYTE> bytes;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) return bytes;
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  if (size > static_cast<LONG>(sizeof(DEVMODEW))) {
    bytes.resize(static_cast<size_t>(size));
    DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER);
    if (change) {
      change(*dm, bytes.data() + dm->dmSize);
      std::vector<BYTE> out(bytes.size());
      if (DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), dm,
                              DM_IN_BUFFER | DM_OUT_BUFFER) == 1)
        bytes = out;
    }
  }
  ClosePrinter(printer);
  return bytes;
}

inline DEVMODEW* AsDevmode(std::vector<BYTE>& bytes) {
  return bytes.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(bytes.data());
}

class PrinterDCTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine_.root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(machine_.root().c_str());
    PlatformTest_SetComputerName("PC01", FALSE);
  }

  HDC CreateDC(DEVMODEW* devmode = nullptr) { return CreateDCW(nullptr, kPrinter, nullptr, devmode); }

  // StartDoc; returns the job id (0 on failure).
  DWORD StartDocument(HDC hdc, const char16_t* name = u"job") {
    DOCINFOW info{sizeof(DOCINFOW), name, nullptr, nullptr, 0};
    int job = StartDocW(hdc, &info);
    return job > 0 ? static_cast<DWORD>(job) : 0;
  }

  // A whole document of `pages` pages on the DC, each drawn by `draw` (page number from 1).
  DWORD PrintDocument(HDC hdc, int pages, const std::function<void(HDC, int)>& draw = nullptr) {
    DWORD job = StartDocument(hdc);
    EXPECT_NE(job, 0u) << GetLastError();
    for (int page = 1; page <= pages; ++page) {
      EXPECT_GT(StartPage(hdc), 0) << GetLastError();
      if (draw) draw(hdc, page);
      EXPECT_GT(EndPage(hdc), 0) << GetLastError();
    }
    EXPECT_GT(EndDoc(hdc), 0) << GetLastError();
    return job;
  }

  Bytes JobBytes(DWORD jobId) {
    char path[1024];
    if (!PlatformTest_SpoolerJobFile(jobId, path, sizeof path)) return {};
    return ReadHostFile(path);
  }

  pclxl::Decoded DecodedJob(DWORD jobId) { return pclxl::DecodeJob(JobBytes(jobId)); }

  // The operator lines of a job that start with `prefix` ("BeginPage", "EndPage" ...).
  static std::vector<std::string> Lines(const pclxl::Decoded& job, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : job.listing)
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
  }

  testsupport::TempMachine machine_;
};

}  // namespace jobflowtest
