// Vector paths: DrvStrokePath, DrvFillPath and DrvStrokeAndFillPath, and the PATHOBJ as PCL XL
// path operators.
#pragma once

#include <win/ddi.h>

#include "gdi/pdev.h"

BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                            POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions);
BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions);

// The ROP3 of a mix's foreground ROP2 (its low four bits; R2_WHITE 16 falls on 0).
BYTE Path_MixToRop(MIX mix);

// Where the printer's cursor stands while a path is written, in device dots.
struct PathCursor {
  LONG x;
  LONG y;
  BOOL valid;       // a SetCursor has been sent for the path
  DWORD segments;   // line and curve points sent
};

// NewPath, then every record of the path: 1 when the whole path went out, 0 for a record the
// stream cannot carry (Bézier points not in threes). `segments` (optional) receives the
// points sent after the SetCursors, so a caller can leave an empty path unpainted.
BOOL Path_Emit(PDEV* pdev, PATHOBJ* path, DWORD* segments = nullptr);
// One record's points (28.4 fixed point): a figure's start sets the cursor to its first point;
// the rest go out as relative runs where the steps allow and absolute runs where they do not;
// a closing record closes the subpath. 0 for Bézier points that are not in threes.
BOOL Path_EmitRecord(PDEV* pdev, PathCursor* cursor, FLONG flags, const POINTFIX* points, ULONG count);
// NumberOfPoints, PointType (eSByte: x, y bytes; eSint16: x, y words), the operator and the
// points as embedded data. `xy` holds 2 x count values.
void Path_WritePoints(PDEV* pdev, const SHORT* xy, DWORD count, BYTE pointType, BYTE op);
