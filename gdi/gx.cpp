// Graphics-state setters.
#include "gdi/gx.h"

#include "gdi/pclxl.h"

void Gx_SetObjectMode(PDEV* pdev, DWORD mode) {
  if (pdev->job.jobSettings.dmPublic.dmColor != DMCOLOR_COLOR) return;
  if (mode > 3) {
    PDEV_REPORT_ERROR(pdev);
    return;
  }
  if (mode == 0) PclXl_WriteVendorUnique(pdev);
  pdev->job.gx.objectMode = mode;
}
