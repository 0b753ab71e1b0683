// A printer whose graphics driver is the drawing driver of this folder, and a DC on it with a
// document and a page open; the driver's log lines are read back as they come.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/gdi.h>
#include <win/gdi_draw.h>
#include <win/gdi_images.h>
#include <win/gdi_objects.h>
#include <win/spooler.h>

#include "temp_machine.h"

namespace drawingtest {

using Lines = std::vector<std::string>;

class DrawingDC : public ::testing::Test {
 protected:
  void SetUp() override {
    logPath_ = machine_.Host("drawing.log");
    setenv("VELMOR_RECORDING_LOG", logPath_.c_str(), 1);
    unsetenv("VELMOR_DRAWING_REFUSE");
    WCHAR directory[MAX_PATH] = {};
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                                           sizeof(directory), &needed));
    std::u16string folder = std::u16string(directory) + u"\\3";
    CreateDirectoryW(folder.c_str(), nullptr);
    PutFile(folder + u"\\drawdr.dll", DRAWING_DRIVER);
    // The configuration file names no library of the folder: the DC then reports no events.
    std::u16string name = u"Drawing Driver", driverFile = u"drawdr.dll", dataFile = u"draw.dat",
                   config = u"noui.dll";
    DRIVER_INFO_2W driver{3, name.data(), nullptr, driverFile.data(), dataFile.data(), config.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();
    std::u16string printer = u"Drawing Printer", port = u"FILE:";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printer.data();
    info.pPortName = port.data();
    info.pDriverName = name.data();
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);

    dc_ = CreateDCW(u"WINSPOOL", u"Drawing Printer", nullptr, nullptr);
    ASSERT_NE(dc_, nullptr) << GetLastError();
    DOCINFOW doc{sizeof(DOCINFOW), u"drawing", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc_, &doc), 0);
    ASSERT_GT(StartPage(dc_), 0);
    Calls();
  }

  void TearDown() override {
    if (dc_) {
      EndDoc(dc_);
      DeleteDC(dc_);
    }
    unsetenv("VELMOR_RECORDING_LOG");
    unsetenv("VELMOR_DRAWING_REFUSE");
  }

  static void PutFile(const std::u16string& windowsPath, const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    ASSERT_TRUE(in) << hostPath;
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string data = bytes.str();
    HANDLE file = CreateFileW(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    CloseHandle(file);
  }

  // The driver calls logged since the last look.
  Lines Calls() {
    Lines lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    Lines fresh(lines.begin() + static_cast<long>(std::min(seen_, lines.size())), lines.end());
    seen_ = lines.size();
    return fresh;
  }

  testsupport::TempMachine machine_;
  std::string logPath_;
  size_t seen_ = 0;
  HDC dc_ = nullptr;
};

}  // namespace drawingtest
