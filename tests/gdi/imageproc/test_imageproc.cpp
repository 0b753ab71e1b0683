// The outside image-processing library: bound once per process from the renderer's own folder,
// and used by the colour adjustment only when the settings ask for it and nothing forbids it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include <win/modules.h>

#include "gdi/gx.h"
#include "gdi/imageproc.h"
#include "gdi/nt/enable.h"
#include "gdi/pdev.h"
#include "temp_machine.h"

namespace {

using Recorded = void (*)(int*, int*, int[4]);

struct Calls {
  int color = 0, gray = 0, args[4] = {};
};

Calls Read(HMODULE library) {
  Calls c;
  auto recorded = reinterpret_cast<Recorded>(GetProcAddress(library, "RecordedCalls"));
  if (recorded) recorded(&c.color, &c.gray, c.args);
  return c;
}

TEST(ImageProc, BindsOnceFromTheRenderersFolderAndAdjustsOnRequest) {
  testsupport::TempMachine machine;
  std::filesystem::create_directories(machine.Host("drives/C/Drivers"));
  std::filesystem::create_directories(machine.Host("drives/C/Other"));
  std::filesystem::copy_file(RECORDING_LIBRARY, machine.Host("drives/C/Drivers/tq5m2kaips.DLL"));
  std::filesystem::copy_file(RECORDING_LIBRARY, machine.Host("drives/C/Other/tq5m2kaips.DLL"));

  // The renderer finds its folder from its own module handle, which the loader hands it at
  // process attach: here the handle of a module in C:\Drivers.
  HMODULE neighbour = LoadLibraryW(u"C:\\Drivers\\tq5m2kaips.DLL");
  ASSERT_NE(neighbour, nullptr) << GetLastError();
  DllEntryPoint(neighbour, DLL_PROCESS_ATTACH, nullptr);
  ASSERT_TRUE(ImageProc_Load());
  const ImageProcLibrary& bound = ImageProc_Library();
  EXPECT_EQ(bound.module, neighbour);
  for (FARPROC entry : {bound.ColorAdjustmentN, bound.GrayAdjustmentN, bound.GrayAdjustmentTRC,
                        bound.StartRGBProfile, bound.ApplyRGBProfile, bound.EndRGBProfile})
    EXPECT_NE(entry, nullptr);

  // Once per process: a later call binds nothing new, wherever the renderer seems to be.
  HMODULE other = LoadLibraryW(u"C:\\Other\\tq5m2kaips.DLL");
  ASSERT_NE(other, nullptr);
  DllEntryPoint(other, DLL_PROCESS_ATTACH, nullptr);
  EXPECT_TRUE(ImageProc_Load());
  EXPECT_EQ(ImageProc_Library().module, neighbour);

  auto pdev = std::make_unique<PDEV>();
  pdev->job.gx.objectKind = GX_KIND_IMAGE;
  IMAGE_ADJUST& adjust = pdev->job.jobSettings.dmPrivate.image;
  BYTE r = 10, g = 20, b = 30;
  Color_AdjustRgb(pdev.get(), &r, &g, &b);
  EXPECT_EQ(Read(neighbour).color, 0) << "no values set: the library is not called";

  adjust.sBrightness[GX_KIND_IMAGE] = 40;
  adjust.sSaturation[GX_KIND_IMAGE] = -100;
  Color_AdjustRgb(pdev.get(), &r, &g, &b);
  Calls calls = Read(neighbour);
  EXPECT_EQ(calls.color, 1);
  EXPECT_EQ(std::vector<int>(calls.args, calls.args + 4), (std::vector<int>{1, 40, 0, -100}));
  EXPECT_EQ(std::vector<int>({r, g, b}), (std::vector<int>{245, 235, 225}));

  struct Refusal {
    const char* why;
    DWORD flags;
    SHORT value;
    DWORD kind;
  };
  const Refusal refusals[] = {{"watermark", JF_WATERMARK, 40, GX_KIND_IMAGE},
                              {"form part", JF_FORM_PART_OPEN, 40, GX_KIND_IMAGE},
                              {"value out of range", 0, 101, GX_KIND_IMAGE},
                              {"another object kind's values", 0, 40, GX_KIND_TEXT}};
  for (const Refusal& refusal : refusals) {
    pdev->jobCtl.flags = refusal.flags;
    adjust.sBrightness[GX_KIND_IMAGE] = refusal.value;
    pdev->job.gx.objectKind = refusal.kind;
    if (refusal.kind != GX_KIND_IMAGE) {
      adjust.sBrightness[GX_KIND_IMAGE] = 40;
      adjust.sSaturation[GX_KIND_IMAGE] = 0;
    }
    BYTE rr = 1, gg = 2, bb = 3;
    Color_AdjustRgb(pdev.get(), &rr, &gg, &bb);
    EXPECT_EQ(std::vector<int>({rr, gg, bb}), (std::vector<int>{1, 2, 3})) << refusal.why;
    EXPECT_FALSE(Color_IsRgbAdjusted(pdev.get())) << refusal.why;
  }
  EXPECT_EQ(Read(neighbour).color, 1);

  // The tone curve: the gamma selector switches it on; mode 1 needs a tone value, mode 2 not.
  pdev->jobCtl.flags = 0;
  pdev->job.gx.objectKind = GX_KIND_IMAGE;
  BYTE grey = 200;
  Color_AdjustGray(pdev.get(), &grey);
  EXPECT_EQ(grey, 200);
  adjust.bImageAdjustMode = 1;
  Color_AdjustGray(pdev.get(), &grey);
  EXPECT_EQ(grey, 200) << "mode 1 without a tone value";
  adjust.cMidtones[GX_KIND_IMAGE] = 2;
  Color_AdjustGray(pdev.get(), &grey);
  EXPECT_EQ(grey, 100);
  calls = Read(neighbour);
  EXPECT_EQ(calls.gray, 1);
  EXPECT_EQ(std::vector<int>(calls.args, calls.args + 4), (std::vector<int>{1, 0, 2, 0}));
  adjust.bImageAdjustMode = 0;
  adjust.cMidtones[GX_KIND_IMAGE] = 0;
  adjust.bGammaCorrection = 3;
  Color_AdjustGray(pdev.get(), &grey);
  EXPECT_EQ(grey, 50);
  pdev->jobCtl.flags = JF_WATERMARK;
  Color_AdjustGray(pdev.get(), &grey);
  EXPECT_EQ(grey, 50);
}

}  // namespace
