// The DEVMODE entry points outside the sheets: DrvConvertDevMode, DevQueryPrintEx and
// MxdcGetPDEVAdjustment, with the Windows size protocol.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <win/driverui.h>

#include "custom_paper_fake.h"
#include "devmode_fixtures.h"
#include "printer_fixture.h"
#include "ui/core/resource_message.h"

extern "C" BOOL WINAPI DrvConvertDevMode(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
extern "C" BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO);
extern "C" HRESULT WINAPI MxdcGetPDEVAdjustment(HANDLE, ULONG, const DEVMODEW*, ULONG, const VOID*, ULONG,
                                                PrintPropertiesCollection*);

namespace {

using testfakes::DevmodeBuffer;
using testsupport::kErrorMarker;

class EntryPointsTest : public ::testing::Test {
 protected:
  void SetUp() override { testfakes::SetCountry("1"); }
  testsupport::TempMachine machine_;
};

TEST_F(EntryPointsTest, ConvertNeedsASizeOut) {
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer out(5080);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvConvertDevMode(nullptr, &source->dmPublic, out.dm(), nullptr, CDM_CONVERT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  LONG size = 5080;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvConvertDevMode(nullptr, &source->dmPublic, out.dm(), &size, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EntryPointsTest, ConvertIntoTheCallersForm) {
  auto source = testfakes::DefaultUiDevmode();
  source->dmPublic.dmCopies = 4;
  DevmodeBuffer out(220);
  testfakes::MakePublicOnly(out.dm(), DM_ORIENTATION);
  LONG size = 220;
  ASSERT_TRUE(DrvConvertDevMode(nullptr, &source->dmPublic, out.dm(), &size, CDM_CONVERT));
  EXPECT_EQ(size, 220);
  EXPECT_EQ(out.dm()->dmCopies, 4);
  EXPECT_EQ(out.dm()->dmDriverExtra, 0);
}

TEST_F(EntryPointsTest, ConvertReportsTheSizeItWouldWrite) {
  // A target without a driver version takes the source's 5080 bytes; a 220-byte buffer is
  // too small for them and is left alone.
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer out(220);
  testfakes::MakePublicOnly(out.dm(), DM_ORIENTATION);
  out.dm()->dmDriverVersion = 0;
  const std::string before = out.Snapshot();
  LONG size = 220;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvConvertDevMode(nullptr, &source->dmPublic, out.dm(), &size, CDM_CONVERT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 5080);
  EXPECT_EQ(out.Snapshot(), before);
  DevmodeBuffer big(5080);
  std::memcpy(big.bytes(), out.bytes(), 220);
  ASSERT_TRUE(DrvConvertDevMode(nullptr, &source->dmPublic, big.dm(), &size, CDM_CONVERT));
  EXPECT_EQ(size, 5080);
  EXPECT_EQ(big.Snapshot(), std::string(reinterpret_cast<const char*>(source.get()), 5080));
}

TEST_F(EntryPointsTest, ConvertTo351Form) {
  auto source = testfakes::DefaultUiDevmode();
  DevmodeBuffer small(100, 0x33);
  LONG size = 100;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvConvertDevMode(nullptr, &source->dmPublic, small.dm(), &size, CDM_CONVERT351));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 304);
  EXPECT_EQ(small.Snapshot(), std::string(100, '\x33'));
  DevmodeBuffer out(304, 0x33);
  ASSERT_TRUE(DrvConvertDevMode(nullptr, &source->dmPublic, out.dm(), &size, CDM_CONVERT351));
  EXPECT_EQ(size, 304);
  EXPECT_EQ(out.dm()->dmSpecVersion, 0x320);
  EXPECT_EQ(out.dm()->dmSize, 192);
  EXPECT_EQ(out.dm()->dmDriverVersion, 0x350);
  EXPECT_EQ(out.dm()->dmDriverExtra, 112);
  EXPECT_EQ(0, std::memcmp(out.dm()->dmDeviceName, source->dmPublic.dmDeviceName, 64));
  EXPECT_EQ(out.Snapshot().substr(192), std::string(112, '\0'));
}

TEST_F(EntryPointsTest, DriverDefaultsWithoutTheSatelliteLeaveNoPrivatePart) {
  testfakes::InstallPrinter();
  LONG size = 220;
  DevmodeBuffer small(220);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvConvertDevMode(testfakes::W(testfakes::kPrinterName), nullptr, small.dm(), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 5080);
  DevmodeBuffer out(5080, 0x44);
  ASSERT_TRUE(DrvConvertDevMode(testfakes::W(testfakes::kPrinterName), nullptr, out.dm(), &size, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(std::u16string_view(out.dm()->dmDeviceName), u"Velmor K8000 Series PCL6");
  EXPECT_EQ(out.dm()->dmDriverExtra, 4860);
  // The test program has no satellite, so the private defaults cannot be complete.
  EXPECT_EQ(out.Snapshot().substr(220), std::string(4860, '\0'));
  EXPECT_FALSE(DrvConvertDevMode(testfakes::W(u"No such printer"), nullptr, out.dm(), &size, CDM_DRIVER_DEFAULT));
}

TEST_F(EntryPointsTest, DevQueryPrintPrintsOrHolds) {
  EXPECT_FALSE(DevQueryPrintEx(nullptr));
  DEVQUERYPRINT_INFO info{};
  info.cbSize = sizeof(info);
  info.Level = 0;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  info.Level = 1;
  EXPECT_TRUE(DevQueryPrintEx(&info));

  DevmodeBuffer good(220);
  testfakes::MakePublicOnly(good.dm(), DM_ORIENTATION);
  info.pDevMode = good.dm();
  EXPECT_TRUE(DevQueryPrintEx(&info));

  DevmodeBuffer old(212);
  testfakes::DevmodeBuffer shape(220);
  testfakes::MakePublicOnly(shape.dm(), DM_ORIENTATION);
  shape.dm()->dmSize = 212;
  std::memcpy(old.bytes(), shape.bytes(), 212);
  info.pDevMode = old.dm();
  WCHAR text[64];
  std::fill(std::begin(text), std::end(text), u'#');
  info.pszErrorStr = text;
  info.cchErrorStr = 64;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(std::u16string_view(text), u"id:207 missing!");
  EXPECT_EQ(info.cchNeeded, 16u);

  std::fill(std::begin(text), std::end(text), u'#');
  info.cchErrorStr = 5;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(std::u16string_view(text), u"id:2");
  EXPECT_EQ(info.cchNeeded, 16u);

  std::fill(std::begin(text), std::end(text), u'#');
  info.cchErrorStr = 0;
  info.cchNeeded = 0;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(info.cchNeeded, 16u);
  info.pszErrorStr = nullptr;
  info.cchErrorStr = 64;
  EXPECT_FALSE(DevQueryPrintEx(&info));
  EXPECT_EQ(info.cchNeeded, 16u);
}

struct MxdcCall {
  RECT area{};
  LONG compression = -1;
  LONG dpi = -1;
  std::vector<PrintNamedProperty> properties;
  PrintPropertiesCollection collection{};

  MxdcCall() {
    properties.resize(3);
    properties[0].propertyName = const_cast<WCHAR*>(u"MxdcImageableArea");
    properties[0].propertyValue.ePropertyType = kPropertyTypeBuffer;
    properties[0].propertyValue.value.propertyBlob = {sizeof(RECT), &area};
    properties[1].propertyName = const_cast<WCHAR*>(u"MxdcImageCompressionType");
    properties[1].propertyValue.ePropertyType = kPropertyTypeInt32;
    properties[1].propertyValue.value.propertyInt32 = -1;
    properties[2].propertyName = const_cast<WCHAR*>(u"MxdcDotsPerInch");
    properties[2].propertyValue.ePropertyType = kPropertyTypeInt32;
    properties[2].propertyValue.value.propertyInt32 = -1;
  }
  HRESULT Call(const DEVMODEW* devmode, ULONG size) {
    collection = {static_cast<ULONG>(properties.size()), properties.data()};
    const HRESULT result = MxdcGetPDEVAdjustment(nullptr, size, devmode, 0, nullptr, sizeof(collection), &collection);
    compression = properties[1].propertyValue.value.propertyInt32;
    dpi = properties[2].propertyValue.value.propertyInt32;
    return result;
  }
};

void ExpectRect(const RECT& r, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, 4000);
  EXPECT_EQ(r.top, 4000);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST_F(EntryPointsTest, MxdcImageableAreaOfLetterAndA4) {
  auto dm = testfakes::DefaultUiDevmode();
  MxdcCall call;
  EXPECT_EQ(call.Call(&dm->dmPublic, 5080), S_OK);
  ExpectRect(call.area, 211900, 275400);
  EXPECT_EQ(call.compression, 0);
  EXPECT_EQ(call.dpi, -1);  // a positive print quality keeps its resolution
  dm->dmPublic.dmPaperSize = 9;
  dm->dmPublic.dmPrintQuality = -4;
  MxdcCall a4;
  EXPECT_EQ(a4.Call(&dm->dmPublic, 5080), S_OK);
  ExpectRect(a4.area, 206000, 293000);
  EXPECT_EQ(a4.dpi, 600);
}

TEST_F(EntryPointsTest, MxdcCustomPapersNeedTheWholePrivatePart) {
  testfakes::ScopedCustomPapers store({testfakes::Paper(290, 3000, 6000, u"Card")});
  auto dm = testfakes::DefaultUiDevmode();
  dm->dmPublic.dmPaperSize = 290;
  MxdcCall full;
  EXPECT_EQ(full.Call(&dm->dmPublic, 5080), S_OK);
  ExpectRect(full.area, 127000 - 4000, 254000 - 4000);
  // The same header in a buffer said to hold only the public part: the country's paper.
  MxdcCall publicOnly;
  EXPECT_EQ(publicOnly.Call(&dm->dmPublic, 220), S_OK);
  ExpectRect(publicOnly.area, 211900, 275400);
}

TEST_F(EntryPointsTest, MxdcWalkStopsAtAPropertyItCannotAnswer) {
  auto dm = testfakes::DefaultUiDevmode();
  MxdcCall noBuffer;
  noBuffer.properties[0].propertyValue.value.propertyBlob.pBuf = nullptr;
  EXPECT_EQ(noBuffer.Call(&dm->dmPublic, 5080), E_NOTIMPL);
  EXPECT_EQ(noBuffer.compression, -1);
  MxdcCall wrongSize;
  wrongSize.properties[0].propertyValue.value.propertyBlob.cbBuf = 12;
  EXPECT_EQ(wrongSize.Call(&dm->dmPublic, 5080), E_NOTIMPL);
  MxdcCall noDevmode;
  EXPECT_EQ(noDevmode.Call(nullptr, 0), E_NOTIMPL);
  MxdcCall later;
  later.properties[2].propertyValue.ePropertyType = kPropertyTypeString;
  EXPECT_EQ(later.Call(&dm->dmPublic, 5080), S_OK);
  MxdcCall unknownFirst;
  unknownFirst.properties[0].propertyName = const_cast<WCHAR*>(u"SomethingElse");
  EXPECT_EQ(unknownFirst.Call(&dm->dmPublic, 5080), S_OK);
  EXPECT_EQ(unknownFirst.compression, 0);
  PrintPropertiesCollection empty{0, nullptr};
  EXPECT_EQ(MxdcGetPDEVAdjustment(nullptr, 5080, &dm->dmPublic, 0, nullptr, 16, &empty), E_NOTIMPL);
  EXPECT_EQ(MxdcGetPDEVAdjustment(nullptr, 5080, &dm->dmPublic, 0, nullptr, 16, nullptr), E_NOTIMPL);
}

TEST(FormatResourceMessage, Directives) {
  WCHAR out[64];
  int needed = 0;
  EXPECT_EQ(vm4k2ui::FormatResourceMessage(nullptr, out, 64, &needed, u"%s=%d,%u,%x,%X,%c,%q,%%,%s", u"n", -5, 7u,
                                           255u, 255u, static_cast<int>(u'Z'), nullptr),
            19);
  EXPECT_EQ(std::u16string_view(out), u"n=-5,7,ff,FF,Z,q,%,");
  EXPECT_EQ(needed, 20);
  EXPECT_EQ(vm4k2ui::FormatResourceMessage(nullptr, out, 64, &needed, u"[%!]", 9), 15);
  EXPECT_EQ(std::u16string_view(out), u"[id:9 missing!]");
}

}  // namespace
