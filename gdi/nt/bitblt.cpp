// Bit-block transfers and the other image entry points.
#include "gdi/nt/bitblt.h"

#include <algorithm>
#include <cstring>

#include <win/gdi_images.h>
#include <win/memory.h>

#include "gdi/gx.h"
#include "gdi/image.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/pclxlnt.h"
#include "gdi/util.h"

namespace {

constexpr int kDraw = -1;
constexpr DWORD kObjectModeVector = 3;
constexpr DWORD kObjectModeImage = 2;
constexpr ULONG kWhite = 0xFFFFFFFF;  // all bits set: white in every bitmap format

// The checks every image entry point makes, in this order. kDraw when the call is to be
// drawn; otherwise the entry point's answer (TRUE for a call the debug settings leave out).
int EnterImageCall(PDEV* pdev, int callKind, DWORD PdevImageState::*counter) {
  if (!ValidatePdev(pdev, TRUE, callKind)) return FALSE;
  if (!(pdev->jobCtl.flags & JF_PAGE_OPEN)) return FALSE;
  pdev->job.gx.objectKind = GX_KIND_IMAGE;
  // A write of the page that already failed: the rest of the page cannot reach the printer.
  if (pdev->jobCtl.flags & JF_OUTPUT_FAILED) return FALSE;
  if (!(pdev->job.jobSettings.dmPrivate.dwDumpFlags & RENDER_DUMP_IMAGES) || Gx_IsCallSkipped(pdev)) return TRUE;
  ++(pdev->job.image.*counter);
  if (Pdev_IsOutputStopped(pdev)) return FALSE;
  return kDraw;
}

RECT16 PrintableBox(const PDEV* pdev) {
  const SHORT* b = pdev->job.layout.printableBox;
  return RECT16{b[0], b[1], b[2], b[3]};
}

void DebugFrame(PDEV* pdev, CLIPOBJ* clip) {
  if (clip && clip->iDComplexity == DC_RECT) Gx_DrawDebugFrame(pdev, 5, &clip->rclBounds);
}

// A rectangle painted with the current brush: the fills of the ROPs without a source. FALSE
// when the clip could not be sent (the engine then breaks the call down).
BOOL PaintRectangle(PDEV* pdev, CLIPOBJ* clip, const RECTL* box) {
  Gx_SetFillMode(pdev, FALSE);
  if (!Clip_Set(pdev, clip, nullptr, box)) return FALSE;
  Gx_RectanglePath(pdev, box);
  return TRUE;
}

// A copy of the source rectangle in which every transparent pixel is white; pixels outside
// the bitmap count as transparent. Rows top-down, padded to 32 bits.
void BuildOpaqueCopy(const SURFOBJ* source, const RECTL* rect, ULONG transparent, BYTE* copy, DWORD stride) {
  const DWORD bytesPerPixel = source->iBitmapFormat == BMF_32BPP ? 4 : 3;
  const LONG width = rect->right - rect->left, height = rect->bottom - rect->top;
  std::memset(copy, 0xFF, static_cast<size_t>(stride) * height);
  for (LONG y = 0; y < height; ++y) {
    const LONG sy = rect->top + y;
    if (sy < 0 || sy >= source->sizlBitmap.cy) continue;
    const BYTE* row = static_cast<const BYTE*>(source->pvScan0) + static_cast<ptrdiff_t>(sy) * source->lDelta;
    BYTE* out = copy + static_cast<size_t>(y) * stride;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = rect->left + x;
      if (sx < 0 || sx >= source->sizlBitmap.cx) continue;
      const BYTE* p = row + static_cast<size_t>(sx) * bytesPerPixel;
      ULONG value = p[0] | (static_cast<ULONG>(p[1]) << 8) | (static_cast<ULONG>(p[2]) << 16);
      if (value == (transparent & 0xFFFFFF)) continue;
      std::memcpy(out + static_cast<size_t>(x) * bytesPerPixel, p, bytesPerPixel);
    }
  }
}

SURFOBJ BitmapOver(BYTE* bits, LONG width, LONG height, LONG stride, ULONG format) {
  SURFOBJ surface{};
  surface.sizlBitmap = SIZEL{width, height};
  surface.cjBits = static_cast<ULONG>(stride) * static_cast<ULONG>(height);
  surface.pvBits = bits;
  surface.pvScan0 = bits;
  surface.lDelta = stride;
  surface.iBitmapFormat = format;
  surface.iType = STYPE_BITMAP;
  surface.fjBitmap = BMF_TOPDOWN;
  return surface;
}

}  // namespace

BOOL BitBlt_RopUsesNoSource(BYTE rop) { return rop % 0x50 < 16 && rop % 5 == 0; }
BOOL BitBlt_RopUsesPattern(BYTE rop) { return rop % 0x11 != 0; }

DWORD BitBlt_MaskStride(LONG width) { return static_cast<DWORD>((static_cast<size_t>(width) + 31) / 32 * 4); }

void BitBlt_BuildMask(const SURFOBJ* source, const RECTL* rect, ULONG transparent, BYTE* mask) {
  const DWORD bytesPerPixel = source->iBitmapFormat == BMF_32BPP ? 4 : 3;
  const LONG width = rect->right - rect->left, height = rect->bottom - rect->top;
  const DWORD stride = BitBlt_MaskStride(width);
  std::memset(mask, 0, static_cast<size_t>(stride) * height);
  for (LONG y = 0; y < height; ++y) {
    const LONG sy = rect->top + y;
    if (sy < 0 || sy >= source->sizlBitmap.cy) continue;
    const BYTE* row = static_cast<const BYTE*>(source->pvScan0) + static_cast<ptrdiff_t>(sy) * source->lDelta;
    BYTE* out = mask + static_cast<size_t>(y) * stride;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = rect->left + x;
      if (sx < 0 || sx >= source->sizlBitmap.cx) continue;
      const BYTE* p = row + static_cast<size_t>(sx) * bytesPerPixel;
      ULONG value = p[0] | (static_cast<ULONG>(p[1]) << 8) | (static_cast<ULONG>(p[2]) << 16);
      if (value != (transparent & 0xFFFFFF)) out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  }
}

BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                        ROP4 rop4) {
  // PCL XL has no mask operand: the engine applies the mask and hands back plain copies.
  if (psoMask)
    return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
  PDEV* pdev = Pdev_FromSurface(psoTrg);
  int gate = EnterImageCall(pdev, CALL_BITBLT, &PdevImageState::blits);
  if (gate != kDraw) return gate;
  if (!prclTrg) return FALSE;

  RECTL target = *prclTrg;
  if (target.top > target.bottom) {
    PDEV_REPORT_ERROR(pdev);
    std::swap(target.top, target.bottom);
  }
  const RECT16 box = PrintableBox(pdev);
  RECTL painted;
  if (!Util_IntersectRect(&painted, &target, &box)) return TRUE;

  BYTE rop = static_cast<BYTE>(rop4 >> 8);
  DWORD tx = GX_OPAQUE;
  if (rop4 == BITBLT_ROP4_PATTERN_OVER) {
    rop = 0xF0;
    tx = GX_TRANSPARENT;
  }
  if (rop == 0x55) {
    pdev->job.gx.objectKind = GX_KIND_VECTOR;
    Gx_SetRop(pdev, rop, tx, tx, kObjectModeVector);
    Gx_SetBrushColor(pdev, 0x000000);
    Gx_SetFillMode(pdev, FALSE);
    if (!Clip_Set(pdev, pco, nullptr, &painted)) return FALSE;
    Gx_SetNullPen(pdev);
    Gx_RectanglePath(pdev, &painted);
    return TRUE;
  }
  if (rop == 0x00 || rop == 0xFF) {
    pdev->job.gx.objectKind = GX_KIND_VECTOR;
    Gx_SetRop(pdev, rop, tx, tx, kObjectModeVector);
    Gx_SetNullPen(pdev);
    Gx_SetBrushColor(pdev, rop == 0xFF ? 0xFFFFFF : 0x000000);
    return PaintRectangle(pdev, pco, &painted);
  }
  if (BitBlt_RopUsesNoSource(rop)) {
    if (!pbo) return TRUE;
    pdev->job.gx.objectKind = GX_KIND_VECTOR;
    Gx_SetRop(pdev, rop, tx, tx, kObjectModeVector);
    Gx_SetNullPen(pdev);
    if (!Brush_Select(pdev, pbo, pptlBrush, TRUE)) return TRUE;
    return PaintRectangle(pdev, pco, &painted);
  }

  if (!psoSrc || !pptlSrc) return FALSE;
  if (BitBlt_RopUsesPattern(rop)) Brush_Select(pdev, pbo, pptlBrush, TRUE);
  Gx_SetRop(pdev, rop, GX_OPAQUE, GX_OPAQUE, kObjectModeImage);
  // The part of the target cut away by the printable box takes its source pixels with it.
  const POINTL source = {pptlSrc->x + (painted.left - target.left), pptlSrc->y + (painted.top - target.top)};
  return Image_FromBlit(pdev, pco, psoSrc, painted.right - painted.left, painted.bottom - painted.top, &source,
                        &painted, pxlo);
}

BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                            POINTL* pptlMask, ULONG iMode) {
  PDEV* pdev = Pdev_FromSurface(psoDest);
  int gate = EnterImageCall(pdev, CALL_STRETCHBLT, &PdevImageState::stretches);
  if (gate != kDraw) return gate;
  // Colour adjustment (halftoned stretching) and masks are the engine's: it draws them into a
  // bitmap and hands that back through DrvCopyBits.
  if (pca || psoMask)
    return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
  if (!psoSrc || !prclDest || !prclSrc) return FALSE;
  RECTL dest = *prclDest;
  RECTL src = *prclSrc;
  // A swapped source mirrors the same way a swapped destination does.
  if (src.left > src.right) {
    std::swap(src.left, src.right);
    std::swap(dest.left, dest.right);
  }
  if (src.top > src.bottom) {
    std::swap(src.top, src.bottom);
    std::swap(dest.top, dest.bottom);
  }
  Gx_SetRop(pdev, 0xCC, GX_OPAQUE, GX_OPAQUE, kObjectModeImage);
  const POINTL start = {src.left, src.top};
  BOOL drawn = Image_FromBlit(pdev, pco, psoSrc, src.right - src.left, src.bottom - src.top, &start, &dest, pxlo);
  DebugFrame(pdev, pco);
  return drawn;
}

BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                          POINTL* pptlSrc) {
  // The device surface holds no pixels the engine could read back: a copy from it is white.
  if (psoSrc && psoSrc->iType != STYPE_BITMAP) return EngEraseSurface(psoDest, prclDest, kWhite);
  if (!psoDest || psoDest->iType != STYPE_DEVICE || !psoDest->dhpdev) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PDEV* pdev = Pdev_FromSurface(psoDest);
  int gate = EnterImageCall(pdev, CALL_COPYBITS, &PdevImageState::copies);
  if (gate != kDraw) return gate;
  if (!psoSrc || !prclDest || !pptlSrc) return FALSE;
  // After a triangle gradient the engine's bitmap is white outside the triangle; a transparent
  // source keeps that white from covering what lies beneath.
  const DWORD sourceTx = pdev->job.image.copySourceTx == GX_TRANSPARENT ? GX_TRANSPARENT : GX_OPAQUE;
  pdev->job.image.copySourceTx = GX_OPAQUE;
  Gx_SetRop(pdev, 0xCC, sourceTx, GX_OPAQUE, kObjectModeImage);
  BOOL drawn = Image_FromBlit(pdev, pco, psoSrc, prclDest->right - prclDest->left, prclDest->bottom - prclDest->top,
                              pptlSrc, prclDest, pxlo);
  DebugFrame(pdev, pco);
  return drawn;
}

BOOL APIENTRY DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                                RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved) {
  if (!psoSrc || (psoSrc->iBitmapFormat != BMF_24BPP && psoSrc->iBitmapFormat != BMF_32BPP) || !psoSrc->pvScan0)
    return EngTransparentBlt(psoDst, psoSrc, pco, pxlo, prclDst, prclSrc, iTransColor, ulReserved);
  PDEV* pdev = Pdev_FromSurface(psoDst);
  int gate = EnterImageCall(pdev, CALL_OTHER, &PdevImageState::transparentBlts);
  if (gate != kDraw) return gate;
  if (!prclDst || !prclSrc) return FALSE;
  RECTL src = *prclSrc;
  if (src.left > src.right) std::swap(src.left, src.right);
  if (src.top > src.bottom) std::swap(src.top, src.bottom);
  const LONG width = src.right - src.left, height = src.bottom - src.top;
  if (width <= 0 || height <= 0) return TRUE;

  // Two images: the mask ORs white where the source is opaque, then the source, white where it
  // is transparent, ANDs its colours into exactly those places.
  const DWORD bytesPerPixel = psoSrc->iBitmapFormat == BMF_32BPP ? 4 : 3;
  const DWORD maskStride = BitBlt_MaskStride(width);
  const DWORD copyStride = static_cast<DWORD>((static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4);
  BYTE* mask = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(maskStride) * height));
  BYTE* copy = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(copyStride) * height));
  if (!mask || !copy) {
    if (mask) GlobalFree(mask);
    if (copy) GlobalFree(copy);
    return EngTransparentBlt(psoDst, psoSrc, pco, pxlo, prclDst, prclSrc, iTransColor, ulReserved);
  }
  BitBlt_BuildMask(psoSrc, &src, iTransColor, mask);
  BuildOpaqueCopy(psoSrc, &src, iTransColor, copy, copyStride);
  SURFOBJ maskSurface = BitmapOver(mask, width, height, static_cast<LONG>(maskStride), BMF_1BPP);
  SURFOBJ copySurface = BitmapOver(copy, width, height, static_cast<LONG>(copyStride), psoSrc->iBitmapFormat);
  const POINTL origin = {0, 0};

  static const BYTE kGreyBlackWhite[2] = {0x00, 0xFF};
  static const BYTE kRgbBlackWhite[6] = {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  const bool color = pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR;
  const ImagePalette blackWhite = {color ? kRgbBlackWhite : kGreyBlackWhite, color ? 6u : 2u};
  Gx_SetRop(pdev, 0xEE, GX_OPAQUE, GX_OPAQUE, kObjectModeImage);
  BOOL drawn = Image_FromBlit(pdev, pco, &maskSurface, width, height, &origin, prclDst, nullptr, &blackWhite);
  if (drawn) {
    Gx_SetRop(pdev, 0x88, GX_OPAQUE, GX_OPAQUE, kObjectModeImage);
    drawn = Image_FromBlit(pdev, pco, &copySurface, width, height, &origin, prclDst, pxlo);
  }
  GlobalFree(mask);
  GlobalFree(copy);
  return drawn;
}

BOOL APIENTRY DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                              PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode) {
  PDEV* pdev = Pdev_FromSurface(psoDest);
  if (ulMode == GRADIENT_FILL_TRIANGLE && ValidatePdev(pdev, TRUE, CALL_OTHER))
    pdev->job.image.copySourceTx = GX_TRANSPARENT;
  EngGradientFill(psoDest, pco, pxlo, pVertex, nVertex, pMesh, nMesh, prclExtents, pptlDitherOrg, ulMode);
  return TRUE;
}
