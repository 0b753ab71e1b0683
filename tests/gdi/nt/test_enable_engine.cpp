// The renderer behind the stand-in engine: a printer DC of a machine that setup-machine
// installed, on the delivered vm4k2dr.dll and vm4k2ui.dll loaded by their file names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <win/gdi.h>
#include <win/spooler.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

constexpr char16_t kPrinter[] = u"Velmor K8000 Series PCL6";

class RendererDC : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + machine_.root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(machine_.root().c_str());
  }
  testsupport::TempMachine machine_;
};

TEST_F(RendererDC, CapabilitiesOfTheDefaultSettings) {
  HDC hdc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  // A4 or Letter by the machine's locale, 600 dpi, 96-dot margins on every side.
  int width = GetDeviceCaps(hdc, PHYSICALWIDTH);
  int height = GetDeviceCaps(hdc, PHYSICALHEIGHT);
  EXPECT_TRUE((width == 4960 && height == 7008) || (width == 5100 && height == 6600)) << width << "x" << height;
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), width - 192);
  EXPECT_EQ(GetDeviceCaps(hdc, VERTRES), height - 192);
  EXPECT_EQ(GetDeviceCaps(hdc, PHYSICALOFFSETX), 96);
  EXPECT_EQ(GetDeviceCaps(hdc, PHYSICALOFFSETY), 96);
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 600);
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSY), 600);
  EXPECT_EQ(GetDeviceCaps(hdc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(hdc, BITSPIXEL), 24);
  EXPECT_EQ(GetDeviceCaps(hdc, ASPECTXY), 848);
  EXPECT_EQ(GetDeviceCaps(hdc, TEXTCAPS), 0x19F7);
  EXPECT_EQ(GetDeviceCaps(hdc, SHADEBLENDCAPS), SB_GRAD_RECT | SB_GRAD_TRI);
  EXPECT_EQ(GetDeviceCaps(hdc, NUMFONTS), 0);
  EXPECT_EQ(GetDeviceCaps(hdc, HORZSIZE), static_cast<int>((width - 192) * 25.4 / 600));
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(RendererDC, PublicOnlyDevmodeGivesTheDefaults) {
  DEVMODEW dm{};
  std::u16string name(kPrinter);
  std::copy(name.begin(), name.end(), dm.dmDeviceName);
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmFields = DM_ORIENTATION;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, &dm);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  EXPECT_LT(GetDeviceCaps(hdc, PHYSICALWIDTH), GetDeviceCaps(hdc, PHYSICALHEIGHT)) << "a foreign DEVMODE is not read";
  EXPECT_TRUE(DeleteDC(hdc));
}

// The user interface's own DEVMODE reaches the renderer through the engine and is converted.
TEST_F(RendererDC, DriverDevmodeIsConverted) {
  HANDLE printer = nullptr;
  std::u16string name(kPrinter);
  ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  ASSERT_GT(size, static_cast<LONG>(sizeof(DEVMODEW)));
  std::vector<BYTE> bytes(static_cast<size_t>(size));
  DEVMODEW* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
  ASSERT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER), 1);
  ClosePrinter(printer);
  dm->dmOrientation = DMORIENT_LANDSCAPE;
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, dm);
  ASSERT_NE(hdc, nullptr) << GetLastError();
  EXPECT_GT(GetDeviceCaps(hdc, PHYSICALWIDTH), GetDeviceCaps(hdc, PHYSICALHEIGHT));
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 600);
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST_F(RendererDC, EngineRefusingTheSurfaceRefusesTheDC) {
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, "1", FALSE);
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateDCW(nullptr, kPrinter, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, nullptr, FALSE);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_ASSOCIATE, "1", FALSE);
  EXPECT_EQ(CreateDCW(nullptr, kPrinter, nullptr, nullptr), nullptr);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_ASSOCIATE, nullptr, FALSE);
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  EXPECT_NE(hdc, nullptr);
  DeleteDC(hdc);
}

}  // namespace
