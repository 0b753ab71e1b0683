// Path entry points and path emission.
#include "gdi/nt/paths.h"

#include <win/gdi_draw.h>

#include "gdi/gx.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/pclxlnt.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"

namespace {

constexpr BYTE kMixToRop[16] = {0xFF, 0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A,
                                0x5F, 0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA};
constexpr DWORD kDumpVectors = 0x4;
constexpr BYTE kRopNop = 0xAA;
constexpr BYTE kRopInvert = 0x55;

enum RunKind { RUN_NONE, RUN_BYTES, RUN_WORDS, RUN_ABSOLUTE };

// A chunk is sent as runs of one kind each; the run being gathered lives in the PDEV's scratch.
struct RunWriter {
  PDEV* pdev;
  bool beziers;
  RunKind kind = RUN_NONE;
  DWORD count = 0;  // points gathered

  void Flush() {
    if (kind == RUN_NONE || count == 0) {
      kind = RUN_NONE;
      return;
    }
    const BYTE op = kind == RUN_ABSOLUTE ? (beziers ? PXL_OP_BezierPath : PXL_OP_LinePath)
                                         : (beziers ? PXL_OP_BezierRelPath : PXL_OP_LineRelPath);
    Path_WritePoints(pdev, pdev->job.gx.pathPoints, count, kind == RUN_BYTES ? eSByte : eSint16, op);
    kind = RUN_NONE;
    count = 0;
  }
  void Add(RunKind k, LONG x, LONG y) {
    if (k != kind) Flush();
    kind = k;
    pdev->job.gx.pathPoints[2 * count] = static_cast<SHORT>(x);
    pdev->job.gx.pathPoints[2 * count + 1] = static_cast<SHORT>(y);
    ++count;
  }
};

LONG Clamp(LONG v) { return v > 32767 ? 32767 : v < -32767 ? -32767 : v; }
bool FitsByte(LONG v) { return v >= -128 && v <= 127; }
bool FitsWord(LONG v) { return v >= -32767 && v <= 32767; }

// One chunk of points (whole groups of three for Béziers), device dots.
void EmitChunk(PDEV* pdev, PathCursor* cursor, bool beziers, const POINTFIX* points, ULONG count) {
  RunWriter runs{pdev, beziers};
  bool outside = false;
  for (ULONG i = 0; i < count; ++i) {
    const LONG x = points[i].x >> 4, y = points[i].y >> 4;
    if (x < -32766 || x > 32767 || y < -32766 || y > 32767) outside = true;
  }
  if (outside) {
    // Relative steps from clamped points would drift; absolute clamped points stay on the edge.
    for (ULONG i = 0; i < count; ++i) runs.Add(RUN_ABSOLUTE, Clamp(points[i].x >> 4), Clamp(points[i].y >> 4));
    runs.Flush();
    cursor->x = Clamp(points[count - 1].x >> 4);
    cursor->y = Clamp(points[count - 1].y >> 4);
    cursor->segments += count;
    return;
  }
  const ULONG group = beziers ? 3 : 1;
  for (ULONG i = 0; i < count; i += group) {
    // Every point of a curve is measured from the point where the curve starts.
    LONG dx[3], dy[3];
    bool bytes = true, words = true;
    for (ULONG k = 0; k < group; ++k) {
      dx[k] = (points[i + k].x >> 4) - cursor->x;
      dy[k] = (points[i + k].y >> 4) - cursor->y;
      bytes = bytes && FitsByte(dx[k]) && FitsByte(dy[k]);
      words = words && FitsWord(dx[k]) && FitsWord(dy[k]);
    }
    const RunKind kind = bytes ? RUN_BYTES : words ? RUN_WORDS : RUN_ABSOLUTE;
    for (ULONG k = 0; k < group; ++k) {
      if (kind == RUN_ABSOLUTE) {
        runs.Add(kind, points[i + k].x >> 4, points[i + k].y >> 4);
      } else {
        runs.Add(kind, dx[k], dy[k]);
      }
    }
    cursor->x = points[i + group - 1].x >> 4;
    cursor->y = points[i + group - 1].y >> 4;
  }
  runs.Flush();
  cursor->segments += count;
}

// The checks every path entry point makes, in order. 1 when the call is to draw, 0 when it is
// to return `*result` without drawing.
bool BeginPathCall(PDEV* pdev, int callKind, BOOL* result) {
  *result = FALSE;
  if (!ValidatePdev(pdev, TRUE, callKind)) return false;
  if (!(pdev->jobCtl.flags & JF_PAGE_OPEN)) return false;
  pdev->job.gx.objectKind = GX_KIND_VECTOR;
  if (Pdev_IsOutputStopped(pdev) || (pdev->jobCtl.flags & JF_OUTPUT_FAILED)) return false;
  if (!(pdev->job.jobSettings.dmPrivate.dwDumpFlags & kDumpVectors) || Gx_IsCallSkipped(pdev)) {
    *result = TRUE;
    return false;
  }
  return true;
}

// TxMode of both sources: a background mix that leaves the page alone draws transparently.
DWORD Transparency(MIX mix) { return ((mix >> 8) & 0xFF) == R2_NOP ? GX_TRANSPARENT : GX_OPAQUE; }

RECTL StrokeBounds(PATHOBJ* path) {
  RECTFX fx{};
  PATHOBJ_vGetBounds(path, &fx);
  return RECTL{fx.xLeft >> 4, fx.yTop >> 4, (fx.xRight + 16) >> 4, (fx.yBottom + 16) >> 4};
}

RECTL FillBounds(PATHOBJ* path) {
  RECTFX fx{};
  PATHOBJ_vGetBounds(path, &fx);
  return RECTL{fx.xLeft >> 4, fx.yTop >> 4, (fx.xRight >> 4) + 1, (fx.yBottom >> 4) + 1};
}

// Emits the path and paints it (an empty path is left unpainted). 0 when the path could not
// be written.
BOOL PaintPath(PDEV* pdev, PATHOBJ* path, CLIPOBJ* clip) {
  DWORD segments = 0;
  if (!Path_Emit(pdev, path, &segments)) return FALSE;
  if (segments) PclXl_WriteOp(pdev, PXL_OP_PaintPath);
  if (clip && clip->iDComplexity == DC_RECT) Gx_DrawDebugFrame(pdev, 6, &clip->rclBounds);
  return TRUE;
}

}  // namespace

BYTE Path_MixToRop(MIX mix) { return kMixToRop[mix & 0x0F]; }

void Path_WritePoints(PDEV* pdev, const SHORT* xy, DWORD count, BYTE pointType, BYTE op) {
  if (count == 0) return;
  if (count > 0xFFFF) count = 0xFFFF;
  PclXl_Uint16Attr(pdev, static_cast<WORD>(count), PXL_A_NumberOfPoints);
  PclXl_UbyteAttr(pdev, pointType, PXL_A_PointType);
  PclXl_WriteOp(pdev, op);
  const DWORD per = pointType == eSByte ? 2 : 4;
  PclXl_WriteDataLength(pdev, count * per);
  BYTE block[512];
  size_t n = 0;
  for (DWORD i = 0; i < 2 * count; ++i) {
    if (per == 2) {
      block[n++] = static_cast<BYTE>(static_cast<signed char>(xy[i]));
    } else {
      block[n++] = LOBYTE(static_cast<WORD>(xy[i]));
      block[n++] = HIBYTE(static_cast<WORD>(xy[i]));
    }
    if (n + 2 > sizeof block) {
      Spool_Write(pdev, block, n);
      n = 0;
    }
  }
  if (n) Spool_Write(pdev, block, n);
}

BOOL Path_EmitRecord(PDEV* pdev, PathCursor* cursor, FLONG flags, const POINTFIX* points, ULONG count) {
  ULONG first = 0;
  if (count > 0 && points && ((flags & PD_BEGINSUBPATH) || !cursor->valid)) {
    // A record that continues nothing starts a figure of its own rather than drawing from
    // wherever the printer's cursor happens to be.
    cursor->x = Clamp(points[0].x >> 4);
    cursor->y = Clamp(points[0].y >> 4);
    cursor->valid = TRUE;
    PclXl_SetCursor(pdev, static_cast<SHORT>(cursor->x), static_cast<SHORT>(cursor->y));
    first = 1;
  }
  const ULONG remaining = (count > first && points) ? count - first : 0;
  const bool beziers = (flags & PD_BEZIERS) != 0;
  if (beziers && remaining % 3 != 0) return FALSE;
  for (ULONG done = 0; done < remaining;) {
    ULONG n = remaining - done;
    if (n > GX_PATH_CHUNK_POINTS) n = GX_PATH_CHUNK_POINTS;  // a multiple of 3
    EmitChunk(pdev, cursor, beziers, points + first + done, n);
    done += n;
  }
  if ((flags & PD_ENDSUBPATH) && (flags & PD_CLOSEFIGURE) && cursor->valid) PclXl_WriteOp(pdev, PXL_OP_CloseSubPath);
  return TRUE;
}

BOOL Path_Emit(PDEV* pdev, PATHOBJ* path, DWORD* segments) {
  if (segments) *segments = 0;
  if (!path) return FALSE;
  PclXl_NewPath(pdev);
  PATHOBJ_vEnumStart(path);
  PathCursor cursor{};
  BOOL more;
  do {
    PATHDATA data{};
    more = PATHOBJ_bEnum(path, &data);
    if (!Path_EmitRecord(pdev, &cursor, data.flags, data.pptfx, data.count)) return FALSE;
  } while (more);
  if (segments) *segments = cursor.segments;
  return TRUE;
}

BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                            POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
  PDEV* pdev = Pdev_FromSurface(pso);
  BOOL result;
  if (!BeginPathCall(pdev, CALL_STROKEPATH, &result)) return result;
  if (!ppo || !plineattrs) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ++pdev->job.gx.strokes;
  BYTE rop = Path_MixToRop(mix);
  if (rop == kRopNop) return TRUE;
  BRUSHOBJ black{};
  if (rop == kRopInvert) {
    // The printer inverts with 0x7F from a black pen; any other solid pen would tint it.
    rop = 0x7F;
    if (pbo && pbo->iSolidColor != 0xFFFFFFFF && pbo->iSolidColor != 0) {
      black = *pbo;
      black.iSolidColor = 0;
      pbo = &black;
    }
  }
  if (!Path_SetLineAttrs(pdev, plineattrs, pxo)) return FALSE;
  const DWORD t = Transparency(mix);
  Gx_SetRop(pdev, rop, t, t, 3);
  if (!Brush_Select(pdev, pbo, pptlBrushOrg, FALSE)) return FALSE;
  Gx_SetNullBrush(pdev);
  const RECTL bounds = StrokeBounds(ppo);
  if (!Clip_Set(pdev, pco, nullptr, &bounds)) return FALSE;
  return PaintPath(pdev, ppo, pco);
}

BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions) {
  PDEV* pdev = Pdev_FromSurface(pso);
  BOOL result;
  if (!BeginPathCall(pdev, CALL_FILLPATH, &result)) return result;
  if (!ppo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ++pdev->job.gx.fills;
  const RECTL bounds = FillBounds(ppo);
  if (!Clip_Set(pdev, pco, nullptr, &bounds)) return FALSE;
  const DWORD t = Transparency(mix);
  Gx_SetRop(pdev, Path_MixToRop(mix), t, t, 3);
  Gx_SetFillMode(pdev, !(flOptions & FP_WINDINGMODE));
  Gx_SetNullPen(pdev);
  if (!Brush_Select(pdev, pbo, pptlBrushOrg, TRUE)) return FALSE;
  if (!PaintPath(pdev, ppo, pco)) {
    PDEV_REPORT_ERROR(pdev);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions) {
  PDEV* pdev = Pdev_FromSurface(pso);
  BOOL result;
  if (!BeginPathCall(pdev, CALL_STROKEANDFILLPATH, &result)) return result;
  if (!ppo || !plineattrs) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ++pdev->job.gx.strokesAndFills;
  if (!Path_SetLineAttrs(pdev, plineattrs, pxo)) return FALSE;
  const DWORD t = Transparency(mixFill);
  Gx_SetRop(pdev, Path_MixToRop(mixFill), t, t, 3);
  Gx_SetFillMode(pdev, !(flOptions & FP_WINDINGMODE));
  if (!Brush_Select(pdev, pboStroke, pptlBrushOrg, FALSE)) return FALSE;
  if (!Brush_Select(pdev, pboFill, pptlBrushOrg, TRUE)) return FALSE;
  const RECTL bounds = StrokeBounds(ppo);
  if (!Clip_Set(pdev, pco, nullptr, &bounds)) return FALSE;
  if (!PaintPath(pdev, ppo, pco)) {
    PDEV_REPORT_ERROR(pdev);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
