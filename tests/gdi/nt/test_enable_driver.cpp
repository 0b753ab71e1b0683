// The library's exports and the driver-function table the engine receives.
#include <gtest/gtest.h>

#include <cstring>

#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

TEST(DrvEnableDriver, AnswersTheEngineVersion) {
  struct Case {
    ULONG engine;
    ULONG driver;
  } cases[] = {{0x20000, 0x30000}, {0x2FFFF, 0x30000}, {0x30000, 0x20000}, {0x30100, 0x20000}, {0x40000, 0x20000}};
  for (const Case& c : cases) {
    DRVENABLEDATA data{};
    EXPECT_TRUE(DrvEnableDriver(c.engine, sizeof(data), &data)) << std::hex << c.engine;
    EXPECT_EQ(data.iDriverVersion, c.driver) << std::hex << c.engine;
    EXPECT_EQ(data.c, 26u);
    EXPECT_EQ(data.pdrvfn, kDriverFunctions);
  }
}

TEST(DrvEnableDriver, RefusesAnOldEngineOrAShortRecord) {
  DRVENABLEDATA data{};
  struct Case {
    ULONG engine;
    ULONG size;
  } cases[] = {{0x1FFFF, sizeof(DRVENABLEDATA)}, {0x30000, 12}, {0x30000, 0}, {0x30000, sizeof(DRVENABLEDATA) - 1}};
  for (const Case& c : cases) {
    std::memset(&data, 0xAB, sizeof(data));
    SetLastError(kErrorMarker);
    EXPECT_FALSE(DrvEnableDriver(c.engine, c.size, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_DRIVER_LEVEL));
    // A 12-byte record (the 32-bit layout) ends inside the table pointer: nothing is written.
    EXPECT_EQ(data.c, 0xABABABABu);
  }
}

TEST(DrvEnableDriver, TableInTheEnginesOrder) {
  const ULONG indices[26] = {0, 7, 1, 2, 3, 4, 18, 20, 19, 68, 74, 23, 26, 32, 14, 15, 16, 12, 33, 35, 24, 25, 34, 37, 53, 76};
  const PFN functions[26] = {
      reinterpret_cast<PFN>(DrvEnablePDEV),        reinterpret_cast<PFN>(DrvResetPDEV),
      reinterpret_cast<PFN>(DrvCompletePDEV),      reinterpret_cast<PFN>(DrvDisablePDEV),
      reinterpret_cast<PFN>(DrvEnableSurface),     reinterpret_cast<PFN>(DrvDisableSurface),
      reinterpret_cast<PFN>(DrvBitBlt),            reinterpret_cast<PFN>(DrvStretchBlt),
      reinterpret_cast<PFN>(DrvCopyBits),          reinterpret_cast<PFN>(DrvGradientFill),
      reinterpret_cast<PFN>(DrvTransparentBlt),    reinterpret_cast<PFN>(DrvTextOut),
      reinterpret_cast<PFN>(DrvQueryFont),         reinterpret_cast<PFN>(DrvSendPage),
      reinterpret_cast<PFN>(DrvStrokePath),        reinterpret_cast<PFN>(DrvFillPath),
      reinterpret_cast<PFN>(DrvStrokeAndFillPath), reinterpret_cast<PFN>(DrvRealizeBrush),
      reinterpret_cast<PFN>(DrvStartPage),         reinterpret_cast<PFN>(DrvStartDoc),
      reinterpret_cast<PFN>(DrvEscape),            reinterpret_cast<PFN>(DrvDrawEscape),
      reinterpret_cast<PFN>(DrvEndDoc),            reinterpret_cast<PFN>(DrvGetGlyphMode),
      reinterpret_cast<PFN>(DrvQueryAdvanceWidths), reinterpret_cast<PFN>(DrvQueryDeviceSupport)};
  for (ULONG i = 0; i < kDriverFunctionCount; ++i) {
    EXPECT_EQ(kDriverFunctions[i].iFunc, indices[i]) << "entry " << i + 1;
    EXPECT_EQ(kDriverFunctions[i].pfn, functions[i]) << "entry " << i + 1;
  }
}

TEST(DrvQueryDriverInfo, UserModeOnly) {
  DWORD buffer = 0;
  DWORD needed = 0;
  EXPECT_TRUE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &buffer, sizeof(buffer), &needed));
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(buffer, static_cast<DWORD>(TRUE));

  needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, &buffer, 3, &needed));
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvQueryDriverInfo(DRVQUERY_USERMODE, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(DrvQueryDriverInfo(2, &buffer, sizeof(buffer), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(DrvQueryDeviceSupport, NoJpegOrPngPassThrough) {
  BYTE image[16] = {0xFF, 0xD8};
  for (ULONG query : {static_cast<ULONG>(QDS_CHECKJPEGFORMAT), static_cast<ULONG>(QDS_CHECKPNGFORMAT), 7u}) {
    DWORD answer = 0xAA;
    EXPECT_FALSE(DrvQueryDeviceSupport(nullptr, nullptr, nullptr, query, sizeof(image), image, sizeof(answer), &answer));
    EXPECT_EQ(answer, 0xAAu) << "fills nothing";
  }
}

TEST(DllEntryPoint, KeepsTheModuleAtAttach) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x1230);
  for (DWORD reason : {2u, 3u, 0u}) EXPECT_TRUE(DllEntryPoint(module, reason, nullptr));
  EXPECT_NE(Enable_ModuleHandle(), module);
  EXPECT_TRUE(DllEntryPoint(module, 1, nullptr));
  EXPECT_EQ(Enable_ModuleHandle(), module);
}

TEST(Enable_PickHalftonePatternSize, ByTheSmallerResolution) {
  struct Case {
    ULONG x, y;
    ULONG size;
  } cases[] = {{2400, 2400, 15}, {1800, 3000, 13}, {1200, 1200, 11}, {900, 1000, 9}, {600, 600, 7},
               {400, 1200, 7},   {399, 600, 5},    {180, 180, 5},    {179, 600, 3}, {72, 72, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(Enable_PickHalftonePatternSize(c.x, c.y, FALSE), c.size) << c.x << "x" << c.y;
    EXPECT_EQ(Enable_PickHalftonePatternSize(c.x, c.y, TRUE), c.size - 2) << c.x << "x" << c.y;
  }
}

}  // namespace
