// Line attributes and clip set-up.
#include "gdi/nt/pclxlnt.h"

#include "gdi/gx.h"
#include "gdi/nt/paths.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"

namespace {

bool LeaveClipAlone(const PDEV* pdev) {
  const DWORD flags = pdev->jobCtl.flags;
  if (flags & JF_FORM_PART_OPEN) return true;
  return (flags & JF_WATERMARK) && !pdev->job.jobSettings.dmPrivate.wmark.wmBitmap;
}

bool Contains(const RECTL& outer, const RECTL& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

}  // namespace

BOOL Path_SetLineAttrs(PDEV* pdev, const LINEATTRS* attrs, XFORMOBJ*) {
  if (!attrs || (attrs->fl & LA_GEOMETRIC)) return FALSE;
  PdevGraphicsState& gx = pdev->job.gx;
  const LONG width = attrs->elWidth.l < 1 ? 1 : attrs->elWidth.l;
  gx.dash.alternate = (attrs->fl & LA_ALTERNATE) ? TRUE : FALSE;
  if (gx.dash.alternate || !attrs->pstyle || attrs->cstyle == 0) {
    Gx_SetPenWidth(pdev, width);
    return TRUE;
  }

  // Style units are 1/50 inch at the job's resolution (12 dots at 600 dpi).
  const LONG unit = 600 * (pdev->job.jobSettings.dmPrivate.image.bResolution + 1) / 50;
  // Windows allows 16 style entries; the interpreter takes at most 20.
  DWORD count = attrs->cstyle > GX_MAX_DASH_ENTRIES ? GX_MAX_DASH_ENTRIES : attrs->cstyle;
  SHORT entries[GX_MAX_DASH_ENTRIES];
  LONG total = 0;
  for (DWORD i = 0; i < count; ++i) {
    LONGLONG v = static_cast<LONGLONG>(attrs->pstyle[i].l) * unit;
    if (v < 0) v = 0;
    if (v > 32767) v = 32767;
    entries[i] = static_cast<SHORT>(v);
    total += entries[i];
  }
  if (total == 0) {
    // An all-zero dash has no visible part and no end: interpreters fail or loop on it.
    Gx_SetPenWidth(pdev, width);
    return TRUE;
  }
  // The style state says how far into the pattern the line starts; a whole number of pattern
  // lengths changes nothing, so the offset stays within one pattern (and within 16 bits).
  const LONG pattern = (count % 2) ? 2 * total : total;
  LONGLONG offset = static_cast<LONGLONG>(attrs->elStyleState.l) * unit;
  offset %= pattern;
  if (offset < 0) offset += pattern;

  Gx_SetPenWidthKeepDash(pdev, width);
  GxUserDash& dash = gx.dash;
  bool same = gx.penStyle == GX_PEN_USER && dash.count == count && dash.offset == offset;
  for (DWORD i = 0; same && i < count; ++i) same = dash.entries[i] == entries[i];
  if (same) return TRUE;
  dash.count = count;
  for (DWORD i = 0; i < count; ++i) dash.entries[i] = entries[i];
  dash.offset = static_cast<SHORT>(offset);
  Path_SetLineDash(pdev);
  return TRUE;
}

void Path_SetLineDash(PDEV* pdev) {
  PdevGraphicsState& gx = pdev->job.gx;
  const GxUserDash& dash = gx.dash;
  bool small = true;
  for (DWORD i = 0; i < dash.count; ++i) small = small && dash.entries[i] < 256;
  PclXl_WriteArrayHeader(pdev, small ? PXL_UBYTE_ARRAY : PXL_SINT16_ARRAY, dash.count);
  BYTE data[GX_MAX_DASH_ENTRIES * 2];
  DWORD n = 0;
  for (DWORD i = 0; i < dash.count; ++i) {
    if (small) {
      data[n++] = static_cast<BYTE>(dash.entries[i]);
    } else {
      data[n++] = LOBYTE(static_cast<WORD>(dash.entries[i]));
      data[n++] = HIBYTE(static_cast<WORD>(dash.entries[i]));
    }
  }
  Spool_Write(pdev, data, n);
  const BYTE attr[2] = {PXL_ATTR_UBYTE, PXL_A_LineDashStyle};
  Spool_Write(pdev, attr, sizeof attr);
  if (dash.offset != 0) PclXl_Sint16Attr(pdev, dash.offset, PXL_A_DashOffset);
  PclXl_WriteOp(pdev, PXL_OP_SetLineDash);
  gx.penStyle = GX_PEN_USER;
}

BOOL Clip_Set(PDEV* pdev, CLIPOBJ* clip, const RECTL* rectangle, const RECTL* bounds) {
  if (!clip) {
    Gx_SetClipBox(pdev, rectangle);
    return TRUE;
  }
  switch (clip->iDComplexity) {
    case DC_TRIVIAL:
      if (!LeaveClipAlone(pdev)) Gx_SetClipBox(pdev, nullptr);
      return TRUE;
    case DC_RECT:
      if (bounds && Contains(clip->rclBounds, *bounds)) {
        Gx_SetClipBox(pdev, nullptr);
      } else if (!LeaveClipAlone(pdev)) {
        Gx_SetClipBox(pdev, &clip->rclBounds);
      }
      return TRUE;
    case DC_COMPLEX: {
      PdevGraphicsState& gx = pdev->job.gx;
      if (!gx.clipBoxValid && gx.clipPathUniq != 0 && gx.clipPathUniq == clip->iUniq) return TRUE;
      PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
      if (!path) {
        PDEV_REPORT_ERROR(pdev);
        return FALSE;
      }
      Gx_SetClipMode(pdev, TRUE);
      DWORD segments = 0;
      const BOOL sent = Path_Emit(pdev, path, &segments);
      EngDeletePath(path);
      if (!sent || segments == 0) {
        // The printer keeps its earlier clip; nothing may be drawn through it.
        PDEV_REPORT_ERROR(pdev);
        return FALSE;
      }
      PclXl_UbyteAttr(pdev, eInterior, PXL_A_ClipRegion);
      PclXl_WriteOp(pdev, PXL_OP_SetClipReplace);
      ++gx.clipChanges;
      gx.clipPathUniq = clip->iUniq;
      gx.clipBoxValid = FALSE;
      return TRUE;
    }
    default:
      return TRUE;
  }
}
