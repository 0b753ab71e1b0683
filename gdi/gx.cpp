#include "gdi/gx.h"

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
