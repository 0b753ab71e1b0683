// The engine services a printer driver calls on its own: device surfaces, palettes and the
// code-page conversions. Association with a device is shown through a printer DC.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <win/ddi.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;

class EngineServices : public ::testing::Test {
 protected:
  testsupport::TempMachine machine;
};

TEST_F(EngineServices, DeviceSurfaceIsCreatedAndDeletedOnce) {
  SetLastError(kErrorMarker);
  HSURF hsurf = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(0x1234), SIZEL{4768, 6824}, BMF_24BPP);
  ASSERT_NE(hsurf, nullptr);
  EXPECT_LT(reinterpret_cast<uintptr_t>(hsurf), uintptr_t{0x80000000}) << "fits a 32-bit field";
  EXPECT_TRUE(EngDeleteSurface(hsurf));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EngDeleteSurface(hsurf));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(EngineServices, DeviceSurfaceRefusesBadArguments) {
  struct Case {
    SIZEL size;
    ULONG format;
  } cases[] = {{{0, 10}, BMF_24BPP}, {{10, -1}, BMF_24BPP}, {{10, 10}, 0}, {{10, 10}, BMF_PNG + 1}};
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(EngCreateDeviceSurface(nullptr, c.size, c.format), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST_F(EngineServices, RefusalsChosenByTheTestControls) {
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, "1", FALSE);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_PALETTE, "1", FALSE);
  SetLastError(kErrorMarker);
  EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  SetLastError(kErrorMarker);
  EXPECT_EQ(EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));

  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_SURFACE, nullptr, FALSE);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_PALETTE, "0", FALSE);
  HSURF hsurf = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
  HPALETTE hpal = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  EXPECT_NE(hsurf, nullptr);
  EXPECT_NE(hpal, nullptr);
  EngDeleteSurface(hsurf);
  EngDeletePalette(hpal);
}

TEST_F(EngineServices, AssociationNeedsAnEngineDevice) {
  HSURF hsurf = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EngAssociateSurface(hsurf, reinterpret_cast<HDEV>(0x4444), HOOK_BITBLT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EngDeleteSurface(hsurf);
}

TEST_F(EngineServices, PalettesByMode) {
  ULONG colors[2] = {0x000000, 0xFFFFFF};
  struct Case {
    ULONG mode;
    ULONG count;
    ULONG* table;
    FLONG red, green, blue;
    bool ok;
  } cases[] = {
      {PAL_RGB, 0, nullptr, 0, 0, 0, true},
      {PAL_BGR, 0, nullptr, 0, 0, 0, true},
      {PAL_INDEXED, 2, colors, 0, 0, 0, true},
      {PAL_INDEXED, 2, nullptr, 0, 0, 0, false},
      {PAL_INDEXED, 0, colors, 0, 0, 0, false},
      {PAL_BITFIELDS, 0, nullptr, 0xF800, 0x07E0, 0x001F, true},
      {PAL_BITFIELDS, 0, nullptr, 0, 0, 0, false},
      {0x40, 0, nullptr, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    HPALETTE hpal = EngCreatePalette(c.mode, c.count, c.table, c.red, c.green, c.blue);
    EXPECT_EQ(hpal != nullptr, c.ok) << "mode " << c.mode;
    if (hpal) {
      EXPECT_TRUE(EngDeletePalette(hpal));
      EXPECT_FALSE(EngDeletePalette(hpal));
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
  }
}

TEST(EngineCodePage, AnsiAndOemCodePages) {
  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  EXPECT_EQ(oem, 437);
  EXPECT_EQ(ansi, 1252);
}

TEST(EngineCodePage, UnicodeToAnsiIsBoundedAndUnterminated) {
  std::u16string text = u"A\u00e9\u20ac\u4e2dz";  // A, e-acute, euro, a CJK unit, z
  char out[8];
  std::memset(out, 0x55, sizeof(out));
  ULONG written = 99;
  EngUnicodeToMultiByteN(out, sizeof(out), &written, text.data(), static_cast<ULONG>(text.size() * 2));
  ASSERT_EQ(written, 5u);
  EXPECT_EQ(std::string(out, 5), std::string("A\xe9\x80?z"));
  EXPECT_EQ(out[5], 0x55) << "no terminator";

  EngUnicodeToMultiByteN(out, 2, &written, text.data(), static_cast<ULONG>(text.size() * 2));
  EXPECT_EQ(written, 2u);
  EngUnicodeToMultiByteN(out, sizeof(out), &written, text.data(), 3);  // one whole unit
  EXPECT_EQ(written, 1u);
}

TEST(EngineCodePage, AnsiToUnicodeCountsBytes) {
  char in[] = "a\x80\x81\xff";
  WCHAR out[8] = {};
  ULONG written = 0;
  EngMultiByteToUnicodeN(out, sizeof(out), &written, in, 4);
  EXPECT_EQ(written, 8u);
  EXPECT_EQ(out[0], u'a');
  EXPECT_EQ(out[1], 0x20AC);
  EXPECT_EQ(out[2], 0x0081);
  EXPECT_EQ(out[3], 0x00FF);
  EngMultiByteToUnicodeN(out, 5, &written, in, 4);  // room for two whole units
  EXPECT_EQ(written, 4u);
}

}  // namespace
