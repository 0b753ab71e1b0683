// The outside image-processing library "tq5m2kaips.DLL": colour and tone adjustment of image
// data. It is not part of the driver package; when the file is absent nothing is bound and
// images print unadjusted.
#pragma once

#include <win/base.h>
#include <win/modules.h>

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
