// Graphics-state set-up and setters.
#include "gdi/gx.h"

#include <cstring>

#include "gdi/imageproc.h"
#include "gdi/nt/ntcolor.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

namespace {

PdevGraphicsState& State(PDEV* pdev) { return pdev->job.gx; }
const RenderDevmode& Job(const PDEV* pdev) { return pdev->job.jobSettings; }

LONG Resolution(const PDEV* pdev) { return 600 * (Job(pdev).dmPrivate.image.bResolution + 1); }

SHORT Clamp16(LONG v) {
  if (v > 32767) return 32767;
  if (v < -32767) return -32767;
  return static_cast<SHORT>(v);
}

void ForgetPattern(GxPatternSource& source) {
  source.kind = GX_UNSET;
  source.id = GX_UNSET;
  source.originX = GX_UNSET;
  source.originY = GX_UNSET;
}

bool WatermarkDrawn(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_WATERMARK) != 0; }
bool FormPartOpen(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_FORM_PART_OPEN) != 0; }

BYTE TxModeOf(PDEV* pdev, DWORD code) {
  if (code == GX_OPAQUE) return eOpaque;
  if (code != GX_TRANSPARENT) PDEV_REPORT_ERROR(pdev);
  return eTransparent;
}

// The pen and brush colour setters share every step but the operator and two brush rules.
void SetColorSource(PDEV* pdev, COLORREF colour, bool asBrush) {
  PdevGraphicsState& gx = State(pdev);
  const RenderDevmode& job = Job(pdev);
  const SHORT dmColor = job.dmPublic.dmColor;
  if (dmColor != DMCOLOR_MONOCHROME && dmColor != DMCOLOR_COLOR) {
    PDEV_REPORT_ERROR(pdev);
    return;
  }
  bool forced = Gx_SetColorSpace(pdev, GX_SPACE_JOB) != FALSE;
  if (asBrush && gx.brushKind == 1) forced = true;
  if (asBrush && dmColor == DMCOLOR_COLOR && FormPartOpen(pdev)) forced = true;
  LONG& cache = asBrush ? gx.brushColor : gx.penColor;

  BYTE r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  const BYTE grey = Color_Gray(r, g, b);
  // The brush leaves black and white alone: adjusting them would grey a page's solid areas.
  const bool adjust = !asBrush || (grey > 0 && grey < 255);
  LONG value;
  if (dmColor == DMCOLOR_MONOCHROME) {
    BYTE out = grey;
    const BYTE conversion = job.dmPrivate.device.bBlackConversion;
    const bool mayConvert = gx.objectKind != GX_KIND_IMAGE && !WatermarkDrawn(pdev) && !FormPartOpen(pdev);
    if (mayConvert && out > 0 && out < 255 && (conversion == gx.objectKind + 1 || conversion == 3)) {
      out = 0;
    } else {
      if (adjust) {
        Color_AdjustRgb(pdev, &r, &g, &b);
        out = Color_Gray(r, g, b);
      }
      Color_AdjustGray(pdev, &out);
    }
    value = out;
    if (!forced && cache == value) return;
    PclXl_UbyteAttr(pdev, out, PXL_A_GrayLevel);
  } else {
    if (adjust) Color_AdjustRgb(pdev, &r, &g, &b);
    value = static_cast<LONG>(RGB(r, g, b));
    if (!forced && cache == value) return;
    PclXl_WriteRgbColor(pdev, static_cast<COLORREF>(value));
  }
  PclXl_WriteOp(pdev, asBrush ? PXL_OP_SetBrushSource : PXL_OP_SetPenSource);
  ++gx.colorChanges;
  cache = value;
  if (asBrush) {
    gx.brushKind = 0;
    ForgetPattern(gx.brushPattern);
  } else {
    ForgetPattern(gx.penPattern);
  }
}

void WritePenWidth(PDEV* pdev, LONG width) {
  if (width < 0) width = 0;
  if (width > 0xFFFF) width = 0xFFFF;
  PclXl_Uint16Attr(pdev, static_cast<WORD>(width), PXL_A_PenWidth);
  PclXl_WriteOp(pdev, PXL_OP_SetPenWidth);
  State(pdev).penWidth = width;
}

}  // namespace

BOOL Gx_InitPdevDevmode(PDEV* pdev, const RenderDevmode* settings) {
  pdev->job.guard = PDEV_GUARD;
  pdev->settings = *settings;
  XModel_GetPaperGeometry(&pdev->physicalPage, settings, XMODEL_EDGE_MARGIN, FALSE, pdev);
  pdev->orientation = static_cast<WORD>(settings->dmPublic.dmOrientation);
  pdev->job.guard = PDEV_GUARD;
  return TRUE;
}

void Gx_ResetStateCache(PDEV* pdev) {
  PdevGraphicsState& gx = State(pdev);
  gx.rop = GX_UNSET;
  gx.sourceTx = GX_UNSET;
  gx.paintTx = GX_UNSET;
  gx.fillMode = GX_UNSET;
  gx.clipMode = GX_UNSET;
  gx.brushKind = GX_UNSET;
  gx.brushColor = GX_UNSET;
  gx.penColor = GX_UNSET;
  gx.penStyle = GX_UNSET;
  gx.penWidth = 1;
  gx.colorSpace = GX_UNSET;
  gx.clipBox = RECT16{-1, -1, -1, -1};
  gx.clipBoxValid = FALSE;
  gx.clipPathUniq = 0;
  std::memset(&gx.dash, 0, sizeof gx.dash);
  ForgetPattern(gx.penPattern);
  ForgetPattern(gx.brushPattern);
  GxTextAttributes& text = gx.text;
  text.fontNumber = 0xFFFF;
  text.charSize = 65535.0f;
  text.charAngle = -1;
  text.charScale[0] = text.charScale[1] = 1.2345;
  text.bitmapScale = FALSE;
  text.charShear[0] = text.charShear[1] = 1.2345;
  text.charBoldValue = 1.2345;
}

void Gx_ForgetTransformState(PDEV* pdev) {
  PdevGraphicsState& gx = State(pdev);
  gx.clipBox = RECT16{-1, -1, -1, -1};
  gx.clipBoxValid = FALSE;
  gx.clipPathUniq = 0;
  gx.penWidth = GX_UNSET;
  gx.penStyle = GX_UNSET;
  std::memset(&gx.dash, 0, sizeof gx.dash);
  ForgetPattern(gx.penPattern);
  ForgetPattern(gx.brushPattern);
  GxTextAttributes& text = gx.text;
  text.fontNumber = 0xFFFF;
  text.charSize = 65535.0f;
  text.charAngle = -1;
  text.charScale[0] = text.charScale[1] = 1.2345;
  text.bitmapScale = FALSE;
  text.charShear[0] = text.charShear[1] = 1.2345;
  text.charBoldValue = 1.2345;
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

void Gx_SetRop(PDEV* pdev, BYTE rop, DWORD sourceTx, DWORD paintTx, DWORD objectMode) {
  PdevGraphicsState& gx = State(pdev);
  if (WatermarkDrawn(pdev) && (objectMode == 1 || objectMode == 3)) {
    if (Job(pdev).dmPrivate.wmark.wmFlag) {
      // A text watermark is drawn twice: first as a mask that keeps the page's marks (0xA0),
      // then as the transparent grey over it (0xFA). The phase belongs to this job alone.
      const DWORD phase = gx.watermarkPhase;
      gx.watermarkPhase = (phase + 1) & 3;
      if (phase & 1) {
        rop = 0xFA;
        sourceTx = paintTx = GX_TRANSPARENT;
      } else {
        rop = 0xA0;
      }
    } else {
      rop = 0xF0;
    }
  } else if (FormPartOpen(pdev) && objectMode == 3) {
    rop = 0xF0;
  }
  const BYTE source = TxModeOf(pdev, sourceTx);
  const BYTE paint = TxModeOf(pdev, paintTx);
  if (gx.rop != rop) {
    PclXl_UbyteAttr(pdev, rop, PXL_A_ROP3);
    PclXl_WriteOp(pdev, PXL_OP_SetROP);
    gx.rop = rop;
  }
  const LONG sourceCode = source == eOpaque ? GX_OPAQUE : GX_TRANSPARENT;
  if (gx.sourceTx != sourceCode) {
    PclXl_UbyteAttr(pdev, source, PXL_A_TxMode);
    PclXl_WriteOp(pdev, PXL_OP_SetSourceTxMode);
    gx.sourceTx = sourceCode;
  }
  const LONG paintCode = paint == eOpaque ? GX_OPAQUE : GX_TRANSPARENT;
  if (gx.paintTx != paintCode) {
    PclXl_UbyteAttr(pdev, paint, PXL_A_TxMode);
    PclXl_WriteOp(pdev, PXL_OP_SetPaintTxMode);
    gx.paintTx = paintCode;
  }
  Gx_SetObjectMode(pdev, objectMode);
}

void Gx_SetFillMode(PDEV* pdev, BOOL evenOdd) {
  const LONG mode = evenOdd ? eEvenOdd : eNonZeroWinding;
  if (State(pdev).fillMode == mode) return;
  PclXl_UbyteAttr(pdev, static_cast<BYTE>(mode), PXL_A_FillMode);
  PclXl_WriteOp(pdev, PXL_OP_SetFillMode);
  State(pdev).fillMode = mode;
}

void Gx_SetClipMode(PDEV* pdev, BOOL evenOdd) {
  const LONG mode = evenOdd ? eEvenOdd : eNonZeroWinding;
  if (State(pdev).clipMode == mode) return;
  PclXl_UbyteAttr(pdev, static_cast<BYTE>(mode), PXL_A_ClipMode);
  PclXl_WriteOp(pdev, PXL_OP_SetClipMode);
  State(pdev).clipMode = mode;
}

void Gx_SetNullBrush(PDEV* pdev) {
  PdevGraphicsState& gx = State(pdev);
  if (gx.brushKind == 1) return;
  PclXl_UbyteAttr(pdev, 0, PXL_A_NullBrush);
  PclXl_WriteOp(pdev, PXL_OP_SetBrushSource);
  gx.brushKind = 1;
  gx.brushColor = GX_UNSET;
  ForgetPattern(gx.brushPattern);
}

void Gx_SetNullPen(PDEV* pdev) {
  PdevGraphicsState& gx = State(pdev);
  if (gx.penStyle == GX_PEN_NULL && gx.penColor == GX_UNSET && gx.penPattern.kind == GX_UNSET) return;
  PclXl_UbyteAttr(pdev, 0, PXL_A_NullPen);
  PclXl_WriteOp(pdev, PXL_OP_SetPenSource);
  gx.penColor = GX_UNSET;
  gx.penStyle = GX_PEN_NULL;
  ForgetPattern(gx.penPattern);
}

void Gx_SetPenColor(PDEV* pdev, COLORREF colour) { SetColorSource(pdev, colour, false); }
void Gx_SetBrushColor(PDEV* pdev, COLORREF colour) { SetColorSource(pdev, colour, true); }

BOOL Gx_SetColorSpace(PDEV* pdev, int space) {
  PdevGraphicsState& gx = State(pdev);
  const bool forced = space != GX_SPACE_JOB;
  if (space == GX_SPACE_JOB) space = Job(pdev).dmPublic.dmColor;
  switch (space) {
    case GX_SPACE_GRAY:
    case GX_SPACE_RGB:
      if (!forced && gx.colorSpace == space) return FALSE;
      PclXl_UbyteAttr(pdev, static_cast<BYTE>(space == GX_SPACE_GRAY ? eGray : eRGB), PXL_A_ColorSpace);
      PclXl_WriteOp(pdev, PXL_OP_SetColorSpace);
      gx.colorSpace = space;
      return TRUE;
    case GX_SPACE_PALETTE:
    case 22:
    case 70:
    case 134: {
      // The palette array is already out (Brush_SetPalette); its attribute id and the
      // operator complete it.
      const BYTE tail[3] = {PXL_ATTR_UBYTE, PXL_A_PaletteData, PXL_OP_SetColorSpace};
      Spool_Write(pdev, tail, sizeof tail);
      gx.colorSpace = GX_SPACE_PALETTE;
      return TRUE;
    }
    default:
      PDEV_REPORT_ERROR(pdev);
      return FALSE;
  }
}

void Gx_SetPenWidth(PDEV* pdev, LONG width) {
  const BOOL dashWritten = Gx_SetLineDash(pdev, GX_PEN_SOLID);
  if (dashWritten || State(pdev).penWidth != width) WritePenWidth(pdev, width);
}

void Gx_SetPenWidthKeepDash(PDEV* pdev, LONG width) {
  if (State(pdev).penWidth != width) WritePenWidth(pdev, width);
}

BOOL Gx_SetLineDash(PDEV* pdev, LONG penStyle) {
  PdevGraphicsState& gx = State(pdev);
  const LONG r = Resolution(pdev);
  switch (penStyle) {
    case GX_PEN_SOLID:
      if (gx.penStyle == GX_PEN_SOLID) return FALSE;
      PclXl_UbyteAttr(pdev, 0, PXL_A_SolidLine);
      break;
    case GX_PEN_DASH:
    case GX_PEN_DOT:
    case GX_PEN_DASHDOT:
    case GX_PEN_DASHDOTDOT: {
      if (gx.penStyle == penStyle) return FALSE;
      BYTE entries[6];
      DWORD count = 0;
      auto add = [&](LONG v) { entries[count++] = static_cast<BYTE>(v); };
      switch (penStyle) {
        case GX_PEN_DASH: add(r / 10), add(r / 20); break;
        case GX_PEN_DOT: add(r / 40), add(r / 20); break;
        case GX_PEN_DASHDOT: add(r / 40), add(r / 20), add(r / 10), add(r / 20); break;
        default: add(r / 10), add(r / 20), add(r / 40), add(r / 20), add(r / 40), add(r / 20); break;
      }
      PclXl_WriteArrayHeader(pdev, PXL_UBYTE_ARRAY, count);
      Spool_Write(pdev, entries, count);
      const BYTE attr[2] = {PXL_ATTR_UBYTE, PXL_A_LineDashStyle};
      Spool_Write(pdev, attr, sizeof attr);
      break;
    }
    case GX_PEN_ALTERNATE:
    case GX_PEN_USER:
      gx.penStyle = penStyle;
      return FALSE;
    default:
      PDEV_REPORT_ERROR(pdev);
      return FALSE;
  }
  PclXl_WriteOp(pdev, PXL_OP_SetLineDash);
  gx.penStyle = penStyle;
  return TRUE;
}

void Gx_SetClipBox(PDEV* pdev, const RECTL* box) {
  PdevGraphicsState& gx = State(pdev);
  const SHORT* p = pdev->job.layout.printableBox;
  const RECT16 printable{p[0], p[1], p[2], p[3]};
  RECT16 clip = printable;
  if (box) {
    RECTL wanted = *box;
    if (wanted.left == 2734) wanted.left = 2733;
    RECTL cut;
    // An empty cut leaves an all-zero box: the object lies outside the page and shows nothing.
    Util_IntersectRect(&cut, &wanted, &printable);
    clip = RECT16{static_cast<SHORT>(cut.left), static_cast<SHORT>(cut.top), static_cast<SHORT>(cut.right),
                  static_cast<SHORT>(cut.bottom)};
  }
  if (gx.clipBoxValid && std::memcmp(&gx.clipBox, &clip, sizeof clip) == 0) return;
  PclXl_SetClipRectangle(pdev, &clip);
  ++gx.clipChanges;
  gx.clipPathUniq = 0;
  gx.clipBox = clip;
  gx.clipBoxValid = TRUE;
}

void Gx_RectanglePath(PDEV* pdev, const RECTL* box) {
  const RECT16 r{Clamp16(box->left), Clamp16(box->top), Clamp16(box->right), Clamp16(box->bottom)};
  PclXl_SetCursor(pdev, r.left, r.top);
  PclXl_NewPath(pdev);
  PclXl_WriteBoundingBox(pdev, &r);
  PclXl_WriteOp(pdev, PXL_OP_RectanglePath);
  PclXl_WriteOp(pdev, PXL_OP_PaintPath);
}

BOOL Gx_IsCallSkipped(PDEV* pdev) {
  PdevGraphicsState& gx = State(pdev);
  if (gx.callFirst == 0 || gx.callLast == 0) return FALSE;
  const DWORD call = ++gx.drawingCalls;
  return (call < gx.callFirst || call > gx.callLast) ? TRUE : FALSE;
}

void Gx_DrawDebugFrame(PDEV* pdev, int kind, const RECTL* box) {
  if (kind < 0 || kind > 31 || box == nullptr) return;
  if (!(Job(pdev).dmPrivate.dwDumpFlags & (1u << kind))) return;
  COLORREF colour;
  switch (kind) {
    case 4: colour = 0xFF0000; break;
    case 5: colour = 0x0000FF; break;
    case 6: colour = 0x00FF00; break;
    default:
      PDEV_REPORT_ERROR(pdev);
      colour = 0x808080;
  }
  Gx_SetRop(pdev, 0xFC, GX_OPAQUE, GX_OPAQUE, 3);
  Gx_SetNullBrush(pdev);
  Gx_SetLineDash(pdev, GX_PEN_SOLID);
  Gx_SetPenColor(pdev, colour);
  Gx_SetPenWidth(pdev, 2);
  Gx_RectanglePath(pdev, box);
}
