// The device's promises to the engine (GDIINFO and DEVINFO) for each resolution, the check of a
// device record on entry, and the first-error record, on device records prepared by the test.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gdi/gx.h"
#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/util.h"
#include "intrface/devmod2.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

std::vector<std::string> g_trace;
void CollectTrace(const char* text) { g_trace.emplace_back(text); }

class EnableRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    Util_SetTraceHook(CollectTrace);
  }
  void TearDown() override { Util_SetTraceHook(nullptr); }

  // A device record as DrvEnablePDEV leaves it before the capability records: merged defaults
  // on A4 portrait, with the given resolution index. It is not registered as live.
  std::unique_ptr<PDEV> MakePdev(BYTE resolution, void (*adjust)(RenderDevmode&) = nullptr) {
    auto pdev = std::make_unique<PDEV>();
    RenderDevmode settings;
    Devmode_SetDefaults(&settings, u"Velmor K8000 Series PCL6");
    settings.dmPublic.dmPaperSize = DMPAPER_A4;
    settings.dmPublic.dmOrientation = DMORIENT_PORTRAIT;
    settings.dmPrivate.image.bResolution = resolution;
    if (adjust) adjust(settings);
    Gx_InitPdevDevmode(pdev.get(), &settings);
    return pdev;
  }

  testsupport::TempMachine machine;
};

struct GdiInfoRow {
  BYTE resolution;
  ULONG horzSize, vertSize, horzRes, vertRes, logPixels, aspect, aspectXY;
  LONG denStyleStep, offset, physWidth, physHeight;
  ULONG patternSize;
};

// A4 is 4960 x 7008 dots at 600 dpi with 96-dot margins; everything doubles at 1200 dpi.
const GdiInfoRow kGdiInfoRows[] = {
    {0, 201, 288, 4768, 6816, 600, 600, 848, 12, 96, 4960, 7008, 7},
    {1, 201, 288, 9536, 13632, 1200, 1200, 1696, 24, 192, 9920, 14016, 11},
};

TEST_F(EnableRecords, GdiInfoForEachResolution) {
  for (const GdiInfoRow& row : kGdiInfoRows) {
    SCOPED_TRACE(600 * (row.resolution + 1));
    auto pdev = MakePdev(row.resolution);
    GDIINFO g;
    std::memset(&g, 0xCD, sizeof(g));
    Enable_FillGdiInfo(pdev.get(), &g);
    EXPECT_EQ(g.ulVersion, 0x400u);
    EXPECT_EQ(g.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
    EXPECT_EQ(g.ulHorzSize, row.horzSize);
    EXPECT_EQ(g.ulVertSize, row.vertSize);
    EXPECT_EQ(g.ulHorzRes, row.horzRes);
    EXPECT_EQ(g.ulVertRes, row.vertRes);
    EXPECT_EQ(g.cBitsPixel, 24u);
    EXPECT_EQ(g.cPlanes, 1u);
    EXPECT_EQ(g.ulNumColors, 16u);
    EXPECT_EQ(g.flRaster, 0u);
    EXPECT_EQ(g.ulLogPixelsX, row.logPixels);
    EXPECT_EQ(g.ulLogPixelsY, row.logPixels);
    EXPECT_EQ(g.flTextCaps, 0x19F7u);
    EXPECT_EQ(g.ulDACRed + g.ulDACGreen + g.ulDACBlue, 0u);
    EXPECT_EQ(g.ulAspectX, row.aspect);
    EXPECT_EQ(g.ulAspectY, row.aspect);
    EXPECT_EQ(g.ulAspectXY, row.aspectXY);
    EXPECT_EQ(g.xStyleStep, 1);
    EXPECT_EQ(g.yStyleStep, 1);
    EXPECT_EQ(g.denStyleStep, row.denStyleStep);
    EXPECT_EQ(g.ptlPhysOffset.x, row.offset);
    EXPECT_EQ(g.ptlPhysOffset.y, row.offset);
    EXPECT_EQ(g.szlPhysSize.cx, row.physWidth);
    EXPECT_EQ(g.szlPhysSize.cy, row.physHeight);
    EXPECT_EQ(g.ulNumPalReg, 0u);
    EXPECT_EQ(g.ulDevicePelsDPI, 0u);
    EXPECT_EQ(g.ulPrimaryOrder, 0u);
    EXPECT_EQ(g.ulHTPatternSize, row.patternSize);
    EXPECT_EQ(g.ulHTOutputFormat, static_cast<ULONG>(HT_FORMAT_24BPP));
    EXPECT_EQ(g.flHTFlags, static_cast<ULONG>(HT_FLAG_HAS_BLACK_DYE));
    EXPECT_EQ(g.ulVRefresh + g.ulBltAlignment + g.ulPanningHorzRes + g.ulPanningVertRes, 0u);
    EXPECT_EQ(g.xPanningAlignment + g.yPanningAlignment + g.cxHTPat + g.cyHTPat, 0u);
    EXPECT_EQ(g.pHTPatA, nullptr);
    EXPECT_EQ(g.pHTPatB, nullptr);
    EXPECT_EQ(g.pHTPatC, nullptr);
    EXPECT_EQ(g.flShadeBlend, 0x30u);
    EXPECT_EQ(g.ulPhysicalPixelCharacteristics + g.ulPhysicalPixelGamma, 0u);
  }
}

TEST_F(EnableRecords, ColorInfoOfTheDevice) {
  auto pdev = MakePdev(0);
  GDIINFO g;
  Enable_FillGdiInfo(pdev.get(), &g);
  const COLORINFO& c = g.ciDevice;
  const LDECI4 expected[] = {6380, 3350, 0, 2345, 6075, 0, 1410, 932, 0, 2000, 2450, 0, 5210, 2100, 0,
                             4750, 5100, 0, 3127, 3290, 0, 12500, 12500, 12500, 585, 120, 0, 0, 0, 10000};
  static_assert(sizeof(expected) == sizeof(COLORINFO));
  EXPECT_EQ(std::memcmp(&c, expected, sizeof(expected)), 0);
}

TEST_F(EnableRecords, ColorSettingChoosesTheColourCount) {
  struct Case {
    SHORT color;
    ULONG colors;
    ULONG format;
  } cases[] = {{DMCOLOR_MONOCHROME, 16, HT_FORMAT_24BPP}, {DMCOLOR_COLOR, 20, HT_FORMAT_24BPP}, {3, 0, 0}};
  for (const Case& c : cases) {
    static SHORT color;
    color = c.color;
    auto pdev = MakePdev(0, [](RenderDevmode& s) { s.dmPublic.dmColor = color; });
    GDIINFO g;
    Enable_FillGdiInfo(pdev.get(), &g);
    EXPECT_EQ(g.ulNumColors, c.colors) << c.color;
    EXPECT_EQ(g.ulHTOutputFormat, c.format) << c.color;
  }
}

struct DevInfoRow {
  BYTE resolution;
  BYTE face;
  WORD size;
  SHORT wmIndex;
  ULONG caps;
  const char16_t* faceName;  // nullptr: the three LOGFONTs stay zero
  LONG height;
};

const DevInfoRow kDevInfoRows[] = {
    {0, 0, 95, 0, 0x211F, u"Arial", -79},     {1, 0, 95, 0, 0x211F, u"Arial", -158},
    {0, 1, 120, 1, 0x11F, u"Courier", -100},  {1, 1, 120, 2, 0x211F, u"Courier", -200},
    {0, 2, 95, 1, 0x11F, nullptr, 0},
};

TEST_F(EnableRecords, DevInfoFontsAndCapabilities) {
  for (const DevInfoRow& row : kDevInfoRows) {
    static DevInfoRow current;
    current = row;
    auto pdev = MakePdev(row.resolution, [](RenderDevmode& s) {
      s.dmPrivate.device.bUiExtra3 = current.face;
      s.dmPrivate.device.wUiExtra4 = current.size;
      s.dmPrivate.wmark.wmIndex = current.wmIndex;
    });
    DEVINFO d;
    std::memset(&d, 0xCD, sizeof(d));
    ASSERT_TRUE(Enable_InitPaletteDevinfo(pdev.get(), &d));
    EXPECT_EQ(d.flGraphicsCaps, row.caps);
    LOGFONTW expected{};
    if (row.faceName) {
      expected.lfHeight = row.height;
      expected.lfWeight = FW_NORMAL;
      expected.lfPitchAndFamily = 0x31;
      std::u16string name(row.faceName);
      std::copy(name.begin(), name.end(), expected.lfFaceName);
    }
    for (const LOGFONTW* font : {&d.lfDefaultFont, &d.lfAnsiVarFont, &d.lfAnsiFixFont})
      EXPECT_EQ(std::memcmp(font, &expected, sizeof(expected)), 0) << "face " << int(row.face) << " dpi index "
                                                                  << int(row.resolution);
    EXPECT_EQ(d.cFonts, 0u);
    EXPECT_EQ(d.iDitherFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(d.cxDither, 0);
    EXPECT_EQ(d.cyDither, 0);
    EXPECT_NE(d.hpalDefault, nullptr);
    EXPECT_EQ(d.hpalDefault, pdev->hpal);
    EXPECT_EQ(d.flGraphicsCaps2, 0u);
    EXPECT_TRUE(EngDeletePalette(pdev->hpal));
  }
}

TEST_F(EnableRecords, AnEarlierPaletteIsReplaced) {
  auto pdev = MakePdev(0);
  DEVINFO d;
  ASSERT_TRUE(Enable_InitPaletteDevinfo(pdev.get(), &d));
  HPALETTE first = pdev->hpal;
  ASSERT_TRUE(Enable_InitPaletteDevinfo(pdev.get(), &d));
  EXPECT_NE(pdev->hpal, first);
  EXPECT_FALSE(EngDeletePalette(first)) << "the first palette was deleted";
  EXPECT_TRUE(EngDeletePalette(pdev->hpal));
}

TEST_F(EnableRecords, RefusedPaletteIsRecorded) {
  auto pdev = MakePdev(0);
  PlatformTest_SetControl(PLATFORMTEST_ENGINE_REFUSE_PALETTE, "1", FALSE);
  DEVINFO d;
  EXPECT_FALSE(Enable_InitPaletteDevinfo(pdev.get(), &d));
  EXPECT_EQ(pdev->hpal, nullptr);
  EXPECT_EQ(std::string(pdev->job.firstError).rfind("File:enable.cpp Line:", 0), 0u) << pdev->job.firstError;
  ASSERT_FALSE(g_trace.empty());
  EXPECT_EQ(g_trace.back(), std::string(pdev->job.firstError));
}

TEST_F(EnableRecords, FirstErrorOfAJobIsKept) {
  auto pdev = MakePdev(0);
  Pdev_ReportError(pdev.get(), "c:\\build\\gdi\\spool.cpp", 10);
  Pdev_ReportError(pdev.get(), "gdi/jobctrl.cpp", 20);
  EXPECT_STREQ(pdev->job.firstError, "File:jobctrl.cpp Line:20\n") << "without a job every error replaces the last";

  pdev->jobCtl.flags |= JF_JOB_OPEN;
  Pdev_ReportError(pdev.get(), "a/b:pclxl.cpp", 30);
  Pdev_ReportError(pdev.get(), "gdi/spool.cpp", 40);
  EXPECT_STREQ(pdev->job.firstError, "File:pclxl.cpp Line:30\n");
  EXPECT_TRUE(pdev->jobCtl.flags & JF_ERROR_RECORDED);

  pdev->jobCtl.flags &= ~JF_ERROR_RECORDED;  // a new sheet
  Pdev_ReportError(pdev.get(), "gdi/spool.cpp", 40);
  EXPECT_STREQ(pdev->job.firstError, "File:spool.cpp Line:40\n");
  EXPECT_EQ(g_trace.size(), 5u) << "every error reaches the trace";
}

TEST_F(EnableRecords, ErrorTextStaysInItsField) {
  auto pdev = MakePdev(0);
  std::string longName(300, 'x');
  const BYTE* after = reinterpret_cast<const BYTE*>(pdev->job.firstError) + PDEV_FIRST_ERROR_BYTES;
  std::vector<BYTE> before(after, after + 16);
  Pdev_ReportError(pdev.get(), longName.c_str(), 123456);
  EXPECT_EQ(std::strlen(pdev->job.firstError), PDEV_FIRST_ERROR_BYTES - 1);
  EXPECT_EQ(std::vector<BYTE>(after, after + 16), before);
}

TEST_F(EnableRecords, RecordNotMadeHereIsRefusedEverywhere) {
  auto pdev = MakePdev(0);
  ASSERT_EQ(pdev->job.guard, PDEV_GUARD);
  HDEV marker = reinterpret_cast<HDEV>(0x5678);
  DHPDEV dhpdev = reinterpret_cast<DHPDEV>(pdev.get());

  EXPECT_FALSE(ValidatePdev(pdev.get(), FALSE, CALL_OTHER));
  DrvCompletePDEV(dhpdev, marker);
  EXPECT_EQ(pdev->hdev, nullptr);
  EXPECT_EQ(DrvEnableSurface(dhpdev), nullptr);
  EXPECT_EQ(pdev->hsurf, nullptr);
  pdev->hsurf = reinterpret_cast<HSURF>(0x9abc);
  DrvDisableSurface(dhpdev);
  EXPECT_EQ(pdev->hsurf, reinterpret_cast<HSURF>(0x9abc));
  DrvDisablePDEV(dhpdev);  // left alone: the test still owns the record
  EXPECT_EQ(pdev->job.guard, PDEV_GUARD);
  EXPECT_FALSE(ValidatePdev(nullptr, FALSE, CALL_OTHER));

  ASSERT_FALSE(g_trace.empty());
  EXPECT_NE(g_trace.front().find("Not my device!"), std::string::npos) << g_trace.front();
  g_trace.clear();
  EXPECT_FALSE(ValidatePdev(pdev.get(), TRUE, CALL_BITBLT));
  EXPECT_TRUE(g_trace.empty()) << "bit-block transfers are not traced";
  EXPECT_FALSE(ValidatePdev(pdev.get(), TRUE, CALL_TEXTOUT));
  ASSERT_EQ(g_trace.size(), 1u);
  EXPECT_NE(g_trace[0].find("jobType:17, Not my device!"), std::string::npos) << g_trace[0];
}

}  // namespace
