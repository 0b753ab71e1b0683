// The outside image-processing library "tq5m2kaips.DLL": colour and tone adjustment of image
// data, and the renderer's colour-adjustment calls that go through it. The library is not
// part of the driver package; when the file is absent nothing is bound and colours print
// unadjusted.
#pragma once

#include <win/base.h>
#include <win/modules.h>

#include "gdi/pdev.h"

// Entry points of the library as it exports them.
typedef int (*ImageProcColorAdjustmentN)(BYTE* rgbTriples, int count, int a, int b, int c);
typedef int (*ImageProcGrayAdjustmentTRC)(BYTE* greys, int count, int reserved, int a, int b, int c);

struct ImageProcLibrary {
  HMODULE module;              // 0 when the library is absent
  FARPROC ColorAdjustmentN;    // (pixels, count, a, b, c): RGB triples adjusted in place
  FARPROC GrayAdjustmentN;
  FARPROC GrayAdjustmentTRC;   // (pixels, count, 0, a, b, c): grey bytes through a tone curve
  FARPROC StartRGBProfile;
  FARPROC ApplyRGBProfile;
  FARPROC EndRGBProfile;
};

// Binds the library from the renderer's own folder, once per process. TRUE when it is loaded.
BOOL ImageProc_Load();
// The bound entry points (all null while the library is absent or not yet loaded).
const ImageProcLibrary& ImageProc_Library();

// TRUE when Color_AdjustRgb / Color_AdjustGray would change a colour of the current object
// kind: the settings ask for it, the entry point is bound, and neither the watermark nor a form
// part is being drawn. The image writer asks once per row instead of once per pixel.
BOOL Color_IsRgbAdjusted(const PDEV* pdev);
BOOL Color_IsGrayAdjusted(const PDEV* pdev);
// The job settings' three adjustment values of the current object kind (brightness, contrast,
// saturation; -100..100) through ColorAdjustmentN, in place.
void Color_AdjustRgb(PDEV* pdev, BYTE* red, BYTE* green, BYTE* blue);
// The grey through the tone curve GrayAdjustmentTRC of the object kind's three tone values
// (highlights, midtones, shadows), in place.
void Color_AdjustGray(PDEV* pdev, BYTE* grey);
