// The engine's device-font queries on a device record made by DrvEnablePDEV: the refusals
// with the errors they leave, the count query, and records a test gives the device record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <win/ddi_text.h>
#include <win/files.h>
#include <win/shell.h>
#include <win/spooler.h>

#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/fontdata.h"
#include "gdi/nt/quryfont.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

class DeviceFontQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    std::u16string driver = u"Font Driver", driverFile = u"vm4k2dr.dll", dataFile = u"vm4k2.dat",
                   config = u"vm4k2ui.dll", port = u"FILE:";
    DRIVER_INFO_2W info{3, driver.data(), nullptr, driverFile.data(), dataFile.data(), config.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    PRINTER_INFO_2W p{};
    p.pPrinterName = printerName_.data();
    p.pPortName = port.data();
    p.pDriverName = driver.data();
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
    ASSERT_TRUE(OpenPrinterW(printerName_.data(), &printer_, nullptr));
  }
  void TearDown() override {
    if (pdev_) {
      // The injected records are the test's own; the device record must not keep them.
      pdev_->deviceFonts = nullptr;
      pdev_->deviceFontCount[0] = pdev_->deviceFontCount[1] = 0;
      DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev_));
    }
    ClosePrinter(printer_);
  }

  PDEV* Enable() {
    GDIINFO gdi{};
    DEVINFO devinfo{};
    pdev_ = reinterpret_cast<PDEV*>(DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof(gdi),
                                                  reinterpret_cast<ULONG*>(&gdi), sizeof(devinfo), &devinfo,
                                                  reinterpret_cast<HDEV>(0x1000), printerName_.data(), printer_));
    return pdev_;
  }

  testsupport::TempMachine machine_;
  std::u16string printerName_ = u"Font Printer";
  HANDLE printer_ = nullptr;
  PDEV* pdev_ = nullptr;
};

TEST_F(DeviceFontQueries, TheEngineIsOfferedNoDeviceFonts) {
  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(DeviceFont_Count(pdev), 0u);

  ULONG_PTR id = 0x55;
  SetLastError(kErrorMarker);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 0, &id), nullptr) << "face 0: the count, 0";
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(GetLastError(), kErrorMarker);
  EXPECT_EQ(pdev->job.firstError[0], 0) << "the count query is no error";
}

TEST_F(DeviceFontQueries, QueryFontRefusals) {
  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  PDEV notLive{};
  struct Case {
    const char* what;
    PDEV* pdev;
    ULONG face;
    DWORD error;
    const char* note;
  } cases[] = {
      {"a record that fails its check", &notLive, 1, kErrorMarker, ""},
      {"face 1 of none", pdev, 1, ERROR_INVALID_PARAMETER, "File:quryfont Line:54\n"},
      {"face 2 of none", pdev, 2, ERROR_INVALID_PARAMETER, "File:quryfont Line:54\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::memset(pdev->job.firstError, 0, sizeof(pdev->job.firstError));
    ULONG_PTR id = 0x55;
    SetLastError(kErrorMarker);
    ULONG before = QueryFont_CallCount();
    EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(c.pdev), 0, c.face, &id), nullptr);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_STREQ(pdev->job.firstError, c.note);
    EXPECT_EQ(QueryFont_CallCount() - before, c.pdev == pdev ? 1u : 0u) << "only a live record's calls count";
  }
}

// A device-font record as the renderer reads one: header, advance widths from byte 80, and
// the font's metrics block after the widths.
struct FakeDeviceFont {
  std::vector<BYTE> bytes;
  FakeDeviceFont(std::vector<WORD> widths, DWORD metricsBytes) {
    const size_t widthsEnd = kDeviceFontWidthsOffset + widths.size() * sizeof(WORD);
    bytes.assign(widthsEnd + metricsBytes, 0);
    DeviceFontRecordHeader header{};
    header.recordBytes = static_cast<DWORD>(bytes.size());
    header.ifiMetricsOffset = static_cast<DWORD>(widthsEnd);
    std::memcpy(bytes.data(), &header, sizeof(header));
    std::memcpy(bytes.data() + kDeviceFontWidthsOffset, widths.data(), widths.size() * sizeof(WORD));
    for (DWORD i = 0; i < metricsBytes; ++i) bytes[widthsEnd + i] = static_cast<BYTE>(0xA0 + i);
  }
  DeviceFontRecordHeader* header() { return reinterpret_cast<DeviceFontRecordHeader*>(bytes.data()); }
};

TEST_F(DeviceFontQueries, QueryFontAnswersTheMetricsOfAGivenRecord) {
  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  FakeDeviceFont first({100, 200}, 8), second({300}, 4);
  DeviceFontRecordHeader* records[2] = {first.header(), second.header()};
  pdev->deviceFonts = records;
  pdev->deviceFontCount[0] = 1;
  pdev->deviceFontCount[1] = 1;

  ULONG_PTR id = 0x55;
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 0, &id), reinterpret_cast<PVOID>(2));
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 1, &id), first.bytes.data() + 84);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 2, &id), second.bytes.data() + 82);
  SetLastError(kErrorMarker);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 3, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // A record whose metrics offset points outside it is refused, not followed.
  second.header()->ifiMetricsOffset = second.header()->recordBytes;
  SetLastError(kErrorMarker);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 2, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  WORD width = 0;
  EXPECT_TRUE(DeviceFont_DesignWidth(first.header(), 1, &width));
  EXPECT_EQ(width, 200);
  EXPECT_TRUE(DeviceFont_DesignWidth(first.header(), 5, &width)) << "glyph 5 lies in the metrics: inside";
  EXPECT_FALSE(DeviceFont_DesignWidth(first.header(), 6, &width)) << "past the record";
}

TEST_F(DeviceFontQueries, TheDeviceRecordReadsAndFreesTheUsersList) {
  WCHAR appData[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  std::u16string folder = std::u16string(appData) + u"\\Velmor";
  CreateDirectoryW(folder.c_str(), nullptr);
  folder += u"\\vm4k2";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<BYTE> file(4 + 1026, 0);
  file[0] = 1;
  const std::u16string face = u"Liberation Sans";
  std::memcpy(file.data() + 4, face.data(), face.size() * 2);
  file[4 + 512] = 6;
  HANDLE h = CreateFileW((folder + u"\\vm4k2font.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr));
  CloseHandle(h);

  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->fontSubstitutionCount, 1u);
  char name[32];
  DWORD symbolSet = 0;
  EXPECT_EQ(FontData_Substitute(pdev, face.c_str(), name, sizeof(name), &symbolSet), 10006u);
  // DrvDisablePDEV in TearDown frees the list with the record (the sanitizer build checks).
}

LOGFONTW WidthsFont() {
  LOGFONTW lf{};
  lf.lfHeight = -100;
  lf.lfWeight = FW_NORMAL;
  const char16_t face[] = u"Liberation Sans";
  for (size_t i = 0; face[i]; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

TEST_F(DeviceFontQueries, AdvanceWidthRefusals) {
  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  LOGFONTW lf = WidthsFont();
  FONTOBJ* font = PlatformTest_RealizeFont(&lf, 600);
  ASSERT_NE(font, nullptr);
  PDEV notLive{};
  HGLYPH glyphs[2] = {1, 2};
  USHORT widths[2] = {0x5555, 0x5555};
  struct Case {
    const char* what;
    PDEV* pdev;
    ULONG face;
    ULONG mode;
    ULONG count;
    BOOL result;
    DWORD error;
    const char* note;
  } cases[] = {
      {"a record that fails its check", &notLive, 1, QAW_GETWIDTHS, 2, FALSE, kErrorMarker, ""},
      {"mode 2", pdev, 1, 2, 2, FALSE, ERROR_INVALID_PARAMETER, ""},
      {"no glyphs", pdev, 1, QAW_GETEASYWIDTHS, 0, TRUE, kErrorMarker, ""},
      {"face 0", pdev, 0, QAW_GETWIDTHS, 2, FALSE, ERROR_INVALID_PARAMETER, "File:fontdata Line:475\n"},
      {"face 1 of none", pdev, 1, QAW_GETWIDTHS, 2, FALSE, ERROR_INVALID_PARAMETER, "File:fontdata Line:475\n"},
      {"face 2 of none", pdev, 2, QAW_GETEASYWIDTHS, 2, FALSE, ERROR_INVALID_PARAMETER, "File:fontdata Line:475\n"},
  };
  const ULONG face = font->iFace;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::memset(pdev->job.firstError, 0, sizeof(pdev->job.firstError));
    font->iFace = c.face;
    SetLastError(kErrorMarker);
    EXPECT_EQ(DrvQueryAdvanceWidths(reinterpret_cast<DHPDEV>(c.pdev), font, c.mode, glyphs, widths, c.count), c.result);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_STREQ(pdev->job.firstError, c.note);
    EXPECT_EQ(widths[0], 0x5555) << "nothing written";
  }
  font->iFace = face;
}

// The width rule on a device-font record the test gives the record, with the engine's transform
// of a 100-pixel em of a 2048-unit font: 4096 units are 200 pixels, s = 3200 in 28.4.
TEST_F(DeviceFontQueries, AdvanceWidthsOfAGivenRecord) {
  PDEV* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  FakeDeviceFont record({1139, 569, 2048, 0, 40}, 8);
  DeviceFontRecordHeader* records[1] = {record.header()};
  pdev->deviceFonts = records;
  pdev->deviceFontCount[0] = 1;
  LOGFONTW lf = WidthsFont();
  FONTOBJ* font = PlatformTest_RealizeFont(&lf, 600);
  ASSERT_NE(font, nullptr);
  const ULONG face = font->iFace;
  font->iFace = 1;
  HGLYPH glyphs[6] = {0, 1, 2, 3, 4, 1000};
  USHORT widths[6] = {};
  EXPECT_TRUE(DrvQueryAdvanceWidths(reinterpret_cast<DHPDEV>(pdev), font, QAW_GETWIDTHS, glyphs, widths, 6));
  font->iFace = face;
  // (w x 3200) / 4096 + 8 with the low four bits cleared, whole pixels in 28.4: 1139 -> 889 + 8
  // -> 896 (56 pixels); 569 -> 444 + 8 -> 448; 2048 -> 1600 + 8 -> 1600; 0 -> 0; 40 -> 31 + 8 ->
  // 32; a glyph past the record has no width.
  EXPECT_EQ(std::vector<USHORT>(widths, widths + 6), (std::vector<USHORT>{896, 448, 1600, 0, 32, 0}));
}

}  // namespace
