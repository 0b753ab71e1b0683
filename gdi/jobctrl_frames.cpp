// N-up cell borders and grid frames: plain rectangles drawn under the sheet's own transform
// after the logical pages, so that no page's transform or clip applies to them.
#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/pclxl.h"

namespace {

SHORT Short(LONG v) { return static_cast<SHORT>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

COLORREF FillColour(DWORD style) {
  if (style & 0x2) return 0xC8C8FF;
  if (style & 0x4) return 0x96FAC8;
  if (style & 0x8) return 0xC8C8C8;
  return 0xFFFFFF;
}

}  // namespace

void JobCtrl_DrawNupFrames(PDEV* pdev, int mode, int page) {
  const PdevJobState& job = pdev->job;
  const LONG r = JobCtrl_ResolutionIndex(&job.jobSettings);
  const LONG columns = job.layout.columns ? static_cast<LONG>(job.layout.columns) : 1;
  const LONG rows = job.layout.rows ? static_cast<LONG>(job.layout.rows) : 1;
  const PdevPage& sheet = job.jobPage;
  if (mode == JOBCTRL_FRAME_CELL) {
    const POINTL cell = JobCtrl_NupCell(pdev, page - 1);
    const LONG cellWidth = (sheet.width - 192 * (r + 1)) / columns;
    const LONG cellHeight = (sheet.height - 192 * (r + 1)) / rows;
    // Inside the cell, clear of the page's own edge and of the neighbouring cell's border.
    LONG inset = 16;
    if (columns * rows > 1) inset += 2 * r + 2;
    RECT16 box{Short(cell.x * cellWidth + inset), Short(cell.y * cellHeight + inset),
               Short((cell.x + 1) * cellWidth - inset), Short((cell.y + 1) * cellHeight - inset)};
    JobCtrl_DrawFrameGrid(pdev, &box, 1, 1, 3, 0);
  } else if (mode == JOBCTRL_FRAME_GRID) {
    RECT16 box{1, 1, Short(sheet.width - sheet.right - sheet.left - 1), Short(sheet.height - sheet.bottom - sheet.top - 1)};
    JobCtrl_DrawFrameGrid(pdev, &box, static_cast<int>(columns), static_cast<int>(rows), 2, 0);
  } else {
    PDEV_REPORT_ERROR(pdev);
  }
}

void JobCtrl_DrawFrameGrid(PDEV* pdev, const RECT16* box, int columns, int rows, int penWidth, DWORD style) {
  if (columns < 1) columns = 1;
  if (rows < 1) rows = 1;
  const LONG r = JobCtrl_ResolutionIndex(&pdev->job.jobSettings);
  Gx_SetLineDash(pdev, GX_PEN_SOLID);
  Gx_SetPenWidth(pdev, penWidth);
  Gx_SetPenColor(pdev, (style & 0x10) ? 0xFFFFFF : 0x000000);
  if (style & 0x1) {
    Gx_SetBrushColor(pdev, FillColour(style));
  } else {
    Gx_SetNullBrush(pdev);
  }
  Gx_SetRop(pdev, 0xF0, GX_OPAQUE, GX_OPAQUE, 3);
  // The clip is the box grown by half the pen, so the outer strokes keep their whole width. It
  // is set directly: the sheet may be turned against the page's printable box, which the
  // cached clip would cut it to; the next page forgets the cache anyway.
  const LONG grow = (r + 1) * (penWidth / 2);
  RECT16 clip{Short(box->left - grow), Short(box->top - grow), Short(box->right + grow), Short(box->bottom + grow)};
  PclXl_SetClipRectangle(pdev, &clip);
  const LONG cellWidth = (box->right - box->left) / columns;
  const LONG cellHeight = (box->bottom - box->top) / rows;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const LONG left = box->left + column * cellWidth;
      const LONG top = box->top + row * cellHeight;
      RECT16 cell{Short(left), Short(top), Short(left + cellWidth), Short(top + cellHeight)};
      PclXl_NewPath(pdev);
      PclXl_WriteBoundingBox(pdev, &cell);
      PclXl_WriteOp(pdev, PXL_OP_RectanglePath);
      PclXl_WriteOp(pdev, PXL_OP_PaintPath);
    }
  }
}
