// Graphics-state set-up and setters.
#include "gdi/gx.h"

#include "gdi/pclxl.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

BOOL Gx_InitPdevDevmode(PDEV* pdev, const RenderDevmode* settings) {
  pdev->job.guard = PDEV_GUARD;
  pdev->settings = *settings;
  XModel_GetPaperGeometry(&pdev->physicalPage, settings, XMODEL_EDGE_MARGIN, FALSE, pdev);
  pdev->orientation = static_cast<WORD>(settings->dmPublic.dmOrientation);
  pdev->job.guard = PDEV_GUARD;
  return TRUE;
}

void Gx_SetObjectMode(PDEV* pdev, DWORD mode) {
  if (pdev->job.jobSettings.dmPublic.dmColor != DMCOLOR_COLOR) return;
  if (mode > 3) {
    PDEV_REPORT_ERROR(pdev);
    return;
  }
  if (mode == 0) PclXl_WriteVendorUnique(pdev);
  pdev->job.gx.objectMode = mode;
}
