// Printer device contexts against a recording user-interface library and a recording graphics
// driver: which calls the DC makes into them, in which order, with which buffers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/gdi.h>
#include <win/spooler.h>

#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

constexpr char16_t kPrinter[] = u"Recording Printer";
constexpr char16_t kDriverName[] = u"Recording Driver";

// Writes a host file into the machine at a Windows path, through the machine's own files.
void PutFile(const std::u16string& windowsPath, const std::string& hostPath) {
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

class PrinterDC : public ::testing::Test {
 protected:
  void SetUp() override {
    logPath_ = machine_.Host("recording.log");
    setenv("VELMOR_RECORDING_LOG", logPath_.c_str(), 1);
    unsetenv("VELMOR_RECORDING_REPLACE");
    unsetenv("VELMOR_RECORDING_UNSUPPORTED");
    unsetenv("VELMOR_RECORDING_REFUSE_RESET");

    WCHAR directory[MAX_PATH] = {};
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                                           sizeof(directory), &needed));
    std::u16string folder = std::u16string(directory) + u"\\3";
    CreateDirectoryW(folder.c_str(), nullptr);
    PutFile(folder + u"\\recdr.dll", RECORDING_DRIVER);
    PutFile(folder + u"\\recui.dll", RECORDING_UI);

    std::u16string name = kDriverName, driverFile = u"recdr.dll", dataFile = u"rec.dat", config = u"recui.dll";
    DRIVER_INFO_2W driver{3, name.data(), nullptr, driverFile.data(), dataFile.data(), config.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();

    std::u16string printer = kPrinter, port = u"FILE:";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printer.data();
    info.pPortName = port.data();
    info.pDriverName = name.data();
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
  }

  void TearDown() override { unsetenv("VELMOR_RECORDING_LOG"); }

  // The calls recorded since the last look.
  std::vector<std::string> Calls() {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::vector<std::string> fresh(lines.begin() + static_cast<long>(std::min(seen_, lines.size())), lines.end());
    seen_ = lines.size();
    return fresh;
  }

  static DEVMODEW Devmode(const char16_t* name) {
    DEVMODEW dm{};
    std::u16string text(name);
    std::copy(text.begin(), text.end(), dm.dmDeviceName);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmSize = sizeof(DEVMODEW);
    return dm;
  }

  testsupport::TempMachine machine_;
  std::string logPath_;
  size_t seen_ = 0;
};

using Lines = std::vector<std::string>;

TEST_F(PrinterDC, LifeOfADeviceContextInTheEnginesOrder) {
  DEVMODEW first = Devmode(u"first");
  HDC hdc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, &first);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  EXPECT_EQ(Calls(), (Lines{"ui:CREATEDCPRE (no DC)", "drv:DrvEnableDriver engine=30100 size=16",
                            "drv:DrvEnablePDEV#1 dm=first device=Recording Printer printer=yes hdev=yes",
                            "drv:DrvCompletePDEV#1", "drv:DrvEnableSurface#1 associated=1", "ui:CREATEDCPOST"}));

  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 4769);
  EXPECT_EQ(GetDeviceCaps(hdc, PHYSICALWIDTH), 4960);
  EXPECT_EQ(GetDeviceCaps(hdc, PHYSICALOFFSETY), 96);
  EXPECT_EQ(GetDeviceCaps(hdc, TECHNOLOGY), DT_RASPRINTER);

  BYTE out[8] = {};
  EXPECT_EQ(ExtEscape(hdc, 0x5001, 0, nullptr, sizeof(out), reinterpret_cast<LPSTR>(out)), 8);
  EXPECT_EQ(out[0], 0x5A);
  EXPECT_EQ(out[7], 0x5A);
  EXPECT_EQ(Calls(), (Lines{"drv:DrvEscape#1 code=20481 in=0 out=8"}));

  DEVMODEW second = Devmode(u"second");
  EXPECT_EQ(ResetDCW(hdc, &second), hdc);
  // The engine's documented order: the old device ends before the new surface is made.
  EXPECT_EQ(Calls(), (Lines{"ui:RESETDCPRE", "drv:DrvEnablePDEV#2 dm=second device=Recording Printer printer=yes hdev=yes",
                            "drv:DrvCompletePDEV#2", "drv:DrvResetPDEV#1->#2", "drv:DrvDisableSurface#1",
                            "drv:DrvDisablePDEV#1", "drv:DrvEnableSurface#2 associated=1", "ui:RESETDCPOST"}));
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 4770) << "the new PDEV's capabilities";

  EXPECT_TRUE(DeleteDC(hdc));
  EXPECT_EQ(Calls(), (Lines{"ui:DELETEDC", "drv:DrvDisableSurface#2", "drv:DrvDisablePDEV#2"}));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteDC(hdc));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PrinterDC, DocumentAndPagesInTheEnginesOrder) {
  DEVMODEW dm = Devmode(u"doc");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  Calls();

  DOCINFOW info{sizeof(DOCINFOW), u"Report", nullptr, nullptr, 0};
  int job = StartDocW(hdc, &info);
  ASSERT_GT(job, 0);
  EXPECT_EQ(Calls(), (Lines{"ui:STARTDOCPRE", "drv:DrvStartDoc#1 name=Report job=yes", "ui:STARTDOCPOST",
                            "ui:job " + std::to_string(job)}));
  EXPECT_GT(StartPage(hdc), 0);
  EXPECT_EQ(Calls(), (Lines{"ui:STARTPAGE", "drv:DrvStartPage#1"}));
  // The library sends its escape on the same DC from inside ENDPAGE, before the page is sent.
  EXPECT_GT(EndPage(hdc), 0);
  EXPECT_EQ(Calls(), (Lines{"ui:ENDPAGE", "drv:DrvEscape#1 code=6002 in=8 out=0", "ui:escape 6002 answered 1",
                            "drv:DrvSendPage#1"}));

  DEVMODEW again = Devmode(u"again");
  EXPECT_EQ(ResetDCW(hdc, &again), hdc);
  Lines reset = Calls();
  ASSERT_GE(reset.size(), 2u);
  EXPECT_EQ(reset[reset.size() - 2], "drv:DrvStartDoc#2 name=none job=0") << "the job goes on on the new PDEV";
  EXPECT_EQ(reset.back(), "ui:RESETDCPOST");

  EXPECT_GT(EndDoc(hdc), 0);
  EXPECT_EQ(Calls(), (Lines{"ui:ENDDOCPRE", "drv:DrvEndDoc#2 fl=0", "ui:ENDDOCPOST"}));
  SetLastError(kErrorMarker);
  EXPECT_LE(EndDoc(hdc), 0) << "no document is open";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(PrinterDC, AbortAndDeleteWithAnOpenDocument) {
  DEVMODEW dm = Devmode(u"abort");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  DOCINFOW info{sizeof(DOCINFOW), u"Aborted", nullptr, nullptr, 0};
  ASSERT_GT(StartDocW(hdc, &info), 0);
  Calls();
  EXPECT_GT(AbortDoc(hdc), 0);
  EXPECT_EQ(Calls(), (Lines{"ui:ABORTDOC", "drv:DrvEndDoc#1 fl=1"}));

  ASSERT_GT(StartDocW(hdc, &info), 0);
  Calls();
  EXPECT_TRUE(DeleteDC(hdc));
  EXPECT_EQ(Calls(), (Lines{"ui:DELETEDC", "drv:DrvEndDoc#1 fl=1", "drv:DrvDisableSurface#1", "drv:DrvDisablePDEV#1"}));
}

TEST_F(PrinterDC, RefusedResetKeepsTheOldDevice) {
  DEVMODEW dm = Devmode(u"kept");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  Calls();
  setenv("VELMOR_RECORDING_REFUSE_RESET", "1", 1);
  DEVMODEW next = Devmode(u"next");
  SetLastError(kErrorMarker);
  EXPECT_EQ(ResetDCW(hdc, &next), nullptr);
  EXPECT_NE(GetLastError(), kErrorMarker);
  EXPECT_EQ(Calls(), (Lines{"ui:RESETDCPRE", "drv:DrvEnablePDEV#2 dm=next device=Recording Printer printer=yes hdev=yes",
                            "drv:DrvCompletePDEV#2", "drv:DrvResetPDEV#1->#2", "drv:DrvDisablePDEV#2",
                            "ui:RESETDCPOST"}));
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 4769);
  SetLastError(kErrorMarker);
  EXPECT_EQ(ResetDCW(hdc, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(DeleteDC(hdc));
  EXPECT_EQ(Calls(), (Lines{"ui:DELETEDC", "drv:DrvDisableSurface#1", "drv:DrvDisablePDEV#1"}));
}

TEST_F(PrinterDC, ReplacementDevmodeFromCreateDcPre) {
  setenv("VELMOR_RECORDING_REPLACE", "1", 1);
  DEVMODEW dm = Devmode(u"application");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  Lines calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[2], "drv:DrvEnablePDEV#1 dm=replaced device=Recording Printer printer=yes hdev=yes");
  DeleteDC(hdc);
}

TEST_F(PrinterDC, LibraryThatSupportsNoEventIsTolerated) {
  setenv("VELMOR_RECORDING_UNSUPPORTED", "1", 1);
  DEVMODEW dm = Devmode(u"quiet");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  DOCINFOW info{sizeof(DOCINFOW), u"Quiet", nullptr, nullptr, 0};
  EXPECT_GT(StartDocW(hdc, &info), 0);
  EXPECT_GT(StartPage(hdc), 0);
  EXPECT_GT(EndPage(hdc), 0);
  EXPECT_GT(EndDoc(hdc), 0);
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(PrinterDC, EscapeBuffersAreCopies) {
  DEVMODEW dm = Devmode(u"escape");
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr);
  // The driver writes into its input copy; the caller's input stays as it was.
  unsigned long long value = 0x0102030405060708ull;
  EXPECT_EQ(ExtEscape(hdc, 6002, sizeof(value), reinterpret_cast<LPCSTR>(&value), 0, nullptr), 1);
  EXPECT_EQ(value, 0x0102030405060708ull);
  // An escape the driver does not answer leaves the output alone.
  BYTE out[4] = {1, 2, 3, 4};
  EXPECT_EQ(ExtEscape(hdc, 4242, 0, nullptr, sizeof(out), reinterpret_cast<LPSTR>(out)), 0);
  EXPECT_EQ(out[0], 1);

  struct Bad {
    int cjIn;
    const char* in;
    int cjOut;
    char* out;
  } bad[] = {{-1, nullptr, 0, nullptr}, {4, nullptr, 0, nullptr}, {0, nullptr, 4, nullptr}, {0, nullptr, -2, nullptr}};
  for (const Bad& b : bad) {
    SetLastError(kErrorMarker);
    EXPECT_LT(ExtEscape(hdc, 0x5001, b.cjIn, b.in, b.cjOut, b.out), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  SetLastError(kErrorMarker);
  EXPECT_LT(ExtEscape(reinterpret_cast<HDC>(0x77), 0x5001, 0, nullptr, 0, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  POINT size{};
  EXPECT_EQ(Escape(hdc, GETPHYSPAGESIZE, 0, nullptr, &size), 1);
  EXPECT_EQ(size.x, 4960);
  EXPECT_EQ(size.y, 7008);
  int asked = GETPHYSPAGESIZE;
  EXPECT_EQ(Escape(hdc, QUERYESCSUPPORT, sizeof(asked), reinterpret_cast<LPCSTR>(&asked), nullptr), 1);
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(PrinterDC, RefusedCreation) {
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateDCW(nullptr, u"No Such Printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  DEVMODEW damaged = Devmode(u"damaged");
  damaged.dmSize = 20;
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateDCW(nullptr, kPrinter, nullptr, &damaged), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Calls().empty()) << "nothing was loaded for a damaged DEVMODE";

  SetLastError(kErrorMarker);
  EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(0x55), HORZRES), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
