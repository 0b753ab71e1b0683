// The engine's answers when a driver refuses a path call: wide lines widened and filled,
// fills under a complex clip broken down into its rectangles, stroke-and-fill done as a fill
// and a stroke.
#include <algorithm>

#include "internal/engine_objects.h"

namespace plat::engine {
namespace {

// The path's bounds in whole dots, rounded outward.
RECTL PathDots(PATHOBJ* ppo) {
  RECTFX fx;
  PATHOBJ_vGetBounds(ppo, &fx);
  return RECTL{fx.xLeft >> 4, fx.yTop >> 4, (fx.xRight + 15) >> 4, (fx.yBottom + 15) >> 4};
}

bool Touches(const RECTL& a, const RECTL& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

BOOL FillPath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
              POINTL* pptlBrushOrg, MIX mix, FLONG flOptions) {
  auto fill = driver.Get<PFN_DrvFillPath>(INDEX_DrvFillPath);
  if (fill == nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (fill(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions)) return TRUE;
  const std::vector<RECTL>* rects = ClipRects(pco);
  if (pco == nullptr || pco->iDComplexity != DC_COMPLEX || rects == nullptr) return FALSE;
  RECTL bounds = PathDots(ppo);
  BOOL all = TRUE;
  for (const RECTL& r : *rects) {
    if (!Touches(r, bounds)) continue;
    ClipPtr piece = CreateRectClip(r);
    if (!piece || !fill(pso, ppo, piece.get(), pbo, pptlBrushOrg, mix, flOptions)) all = FALSE;
  }
  return all;
}

BOOL StrokePath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
  auto stroke = driver.Get<PFN_DrvStrokePath>(INDEX_DrvStrokePath);
  if (stroke && stroke(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix)) return TRUE;
  if (plineattrs == nullptr || !(plineattrs->fl & LA_GEOMETRIC)) {
    if (stroke == nullptr) SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  PathPtr outline = WidenPath(ppo, *plineattrs);
  if (!outline) return FALSE;
  if (outline->cCurves == 0) return TRUE;  // nothing of the line is visible (flat caps on no length)
  return FillPath(driver, pso, outline.get(), pco, pbo, pptlBrushOrg, mix, FP_WINDINGMODE);
}

BOOL StrokeAndFillPath(const DriverTable& driver, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                       BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg,
                       MIX mixFill, FLONG flOptions) {
  auto both = driver.Get<PFN_DrvStrokeAndFillPath>(INDEX_DrvStrokeAndFillPath);
  if (both && both(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions))
    return TRUE;
  // The fill first, so the outline's inner half stays on top, as one call would draw them.
  BOOL filled = FillPath(driver, pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions);
  BOOL stroked = StrokePath(driver, pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
  return filled && stroked;
}

}  // namespace plat::engine
