// Binding of the outside image-processing library.
#include "gdi/imageproc.h"

#include <mutex>

#include "gdi/nt/enable.h"

namespace {

ImageProcLibrary g_library;
std::once_flag g_loadOnce;

void Bind() {
  // The library ships beside the renderer, so it is looked for in the renderer's own folder
  // and nowhere else on the search path. A renderer that is not a loaded module of its own
  // (linked into a test program) has no folder and binds nothing.
  HMODULE self = Enable_ModuleHandle();
  if (!self) return;
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  while (n > 0 && path[n - 1] != u'\\' && path[n - 1] != u'/') --n;
  static const char16_t kName[] = u"tq5m2kaips.DLL";
  const DWORD nameUnits = sizeof kName / sizeof kName[0];
  if (n + nameUnits > MAX_PATH) return;
  for (DWORD i = 0; i < nameUnits; ++i) path[n + i] = kName[i];
  HMODULE module = LoadLibraryW(path);
  if (!module) return;
  g_library.module = module;
  g_library.ColorAdjustmentN = GetProcAddress(module, "ColorAdjustmentN");
  g_library.GrayAdjustmentN = GetProcAddress(module, "GrayAdjustmentN");
  g_library.GrayAdjustmentTRC = GetProcAddress(module, "GrayAdjustmentTRC");
  g_library.StartRGBProfile = GetProcAddress(module, "StartRGBProfile");
  g_library.ApplyRGBProfile = GetProcAddress(module, "ApplyRGBProfile");
  g_library.EndRGBProfile = GetProcAddress(module, "EndRGBProfile");
}

}  // namespace

BOOL ImageProc_Load() {
  std::call_once(g_loadOnce, Bind);
  return g_library.module != nullptr;
}

const ImageProcLibrary& ImageProc_Library() { return g_library; }

namespace {

bool AdjustmentSuspended(const PDEV* pdev) {
  // The watermark and form parts keep the colours they were designed in.
  return (pdev->jobCtl.flags & (JF_WATERMARK | JF_FORM_PART_OPEN)) != 0;
}

// The settings hold one value of each kind per object kind (text, vector, image).
DWORD ObjectKind(const PDEV* pdev) {
  DWORD kind = pdev->job.gx.objectKind;
  return kind < 4 ? kind : 0;
}

bool RgbValues(const PDEV* pdev, int values[3]) {
  const IMAGE_ADJUST& image = pdev->job.jobSettings.dmPrivate.image;
  DWORD kind = ObjectKind(pdev);
  values[0] = image.sBrightness[kind];
  values[1] = image.sContrast[kind];
  values[2] = image.sSaturation[kind];
  bool any = false;
  for (int i = 0; i < 3; ++i) {
    if (values[i] < -100 || values[i] > 100) return false;
    any = any || values[i] != 0;
  }
  return any;
}

// The tone curve applies when the gamma-correction selector (the settings' tone-curve switch)
// is on, or the adjustment mode is set (mode 1 only with a tone value to apply).
bool GrayValues(const PDEV* pdev, int values[3]) {
  const IMAGE_ADJUST& image = pdev->job.jobSettings.dmPrivate.image;
  DWORD kind = ObjectKind(pdev);
  values[0] = image.cHighlights[kind];
  values[1] = image.cMidtones[kind];
  values[2] = image.cShadows[kind];
  bool anyValue = values[0] != 0 || values[1] != 0 || values[2] != 0;
  if (image.bGammaCorrection != 0) return true;
  if (image.bImageAdjustMode == 0) return false;
  return image.bImageAdjustMode != 1 || anyValue;
}

}  // namespace

BOOL Color_IsRgbAdjusted(const PDEV* pdev) {
  int values[3];
  return pdev && g_library.ColorAdjustmentN && !AdjustmentSuspended(pdev) && RgbValues(pdev, values);
}

BOOL Color_IsGrayAdjusted(const PDEV* pdev) {
  int values[3];
  return pdev && g_library.GrayAdjustmentTRC && !AdjustmentSuspended(pdev) && GrayValues(pdev, values);
}

void Color_AdjustRgb(PDEV* pdev, BYTE* red, BYTE* green, BYTE* blue) {
  int values[3];
  if (!pdev || !red || !green || !blue || !g_library.ColorAdjustmentN || AdjustmentSuspended(pdev) ||
      !RgbValues(pdev, values))
    return;
  BYTE triple[3] = {*red, *green, *blue};
  reinterpret_cast<ImageProcColorAdjustmentN>(g_library.ColorAdjustmentN)(triple, 1, values[0], values[1], values[2]);
  *red = triple[0];
  *green = triple[1];
  *blue = triple[2];
}

void Color_AdjustGray(PDEV* pdev, BYTE* grey) {
  int values[3];
  if (!pdev || !grey || !g_library.GrayAdjustmentTRC || AdjustmentSuspended(pdev) || !GrayValues(pdev, values))
    return;
  reinterpret_cast<ImageProcGrayAdjustmentTRC>(g_library.GrayAdjustmentTRC)(grey, 1, 0, values[0], values[1],
                                                                             values[2]);
}
