// The image writer.
#include "gdi/image.h"

#include <algorithm>
#include <cstring>

#include <win/memory.h>

#include "gdi/gx.h"
#include "gdi/imageproc.h"
#include "gdi/nt/ntcolor.h"
#include "gdi/nt/pclxlnt.h"
#include "gdi/pclxl.h"
#include "gdi/raster.h"
#include "gdi/spool.h"
#include "gdi/util.h"

namespace {

constexpr DWORD kMaxSourceSide = 0xFFFF;  // SourceWidth, SourceHeight and StartLine are uint16

DWORD Pad4(DWORD bytes) { return (bytes + 3) & ~3u; }

const BYTE* SourceRow(const SURFOBJ* source, LONG y) {
  return static_cast<const BYTE*>(source->pvScan0) + static_cast<ptrdiff_t>(y) * source->lDelta;
}

bool IsColorJob(const PDEV* pdev) { return pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR; }

double AxisScale(const PDEV* pdev, int axis) {
  const PdevLayoutState& layout = pdev->job.layout;
  double scale = layout.pageScale[axis] > 0 ? layout.pageScale[axis] : 1.0;
  if (pdev->job.jobSettings.dmPrivate.nup.bNupNum >= 2 && layout.nupScale[axis] > 0) scale *= layout.nupScale[axis];
  return scale;
}

DWORD AtLeastOne(double value) { return value < 1.0 ? 1u : static_cast<DWORD>(value); }

LONG Clamp16(LONG v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

// One direction of an image whose destination [low, high) passes the 16-bit range: cut to the
// source pixels [src, src + count) that cover [boxLow, boxHigh), and the destination to exactly
// those pixels. FALSE when nothing of the image reaches the box.
bool CropToAxis(LONG& low, LONG& high, int64_t& src, int64_t& count, bool flipped, LONG boxLow, LONG boxHigh) {
  if (low >= -32768 && high <= 32767) return true;
  const int64_t span = static_cast<int64_t>(high) - low;
  const int64_t visibleLow = std::max<int64_t>(low, boxLow), visibleHigh = std::min<int64_t>(high, boxHigh);
  if (visibleHigh <= visibleLow) return false;
  // Source pixels counted from the edge the first source pixel is drawn at.
  const int64_t nearCut = flipped ? high - visibleHigh : visibleLow - low;
  const int64_t farEdge = flipped ? high - visibleLow : visibleHigh - low;
  const int64_t first = nearCut * count / span;
  const int64_t last = std::min<int64_t>(count, (farEdge * count + span - 1) / span);
  if (last <= first) return false;
  const int64_t from = first * span / count, to = last * span / count;
  if (flipped) {
    const int64_t right = high;
    high = static_cast<LONG>(std::clamp<int64_t>(right - from, -32768, 32767));
    low = static_cast<LONG>(std::clamp<int64_t>(right - to, -32768, 32767));
  } else {
    const int64_t left = low;
    low = static_cast<LONG>(std::clamp<int64_t>(left + from, -32768, 32767));
    high = static_cast<LONG>(std::clamp<int64_t>(left + to, -32768, 32767));
  }
  src += first;
  count = last - first;
  return high > low;
}

bool TiledWatermarkDrawn(const PDEV* pdev) {
  return (pdev->jobCtl.flags & JF_WATERMARK) && pdev->job.jobSettings.dmPrivate.wmark.wmTile != 0;
}

// Gathers compressed rows into blocks of at most the block limit and sends each as one
// ReadImage: interpreters need an operator's whole data in one piece, so the rows are
// compressed first and the length is known when the operator goes out.
struct BlockWriter {
  PDEV* pdev;
  BYTE* buffer;
  DWORD bufferSize;
  DWORD limit;
  BYTE method;
  DWORD used = 0;
  DWORD rowsInBlock = 0;
  DWORD linesSent = 0;

  void Flush() {
    if (rowsInBlock == 0) return;
    PclXl_ReadImage(pdev, static_cast<WORD>(linesSent), static_cast<WORD>(rowsInBlock), method, used);
    Spool_Write(pdev, buffer, used);
    linesSent += rowsInBlock;
    rowsInBlock = 0;
    used = 0;
  }

  void AddRle(const BYTE* row, DWORD rawBytes) {
    if (used + Raster_RleBound(rawBytes) > bufferSize) Flush();
    DWORD encoded = Raster_CompressRle(pdev, buffer + used, row, rawBytes);
    // A row that run-length encoding only makes longer goes raw, on its own.
    if (rawBytes > 10 && static_cast<uint64_t>(encoded) * 10 >= static_cast<uint64_t>(rawBytes) * 11 &&
        rawBytes <= bufferSize) {
      Flush();
      PclXl_ReadImage(pdev, static_cast<WORD>(linesSent), 1, eNoCompression, rawBytes);
      Spool_Write(pdev, row, rawBytes);
      ++linesSent;
      return;
    }
    used += encoded;
    ++rowsInBlock;
    if (used >= limit) Flush();
  }

  // Delta-row images never take the raw fallback: the printer's seed row would then differ
  // from the one the following rows were encoded against.
  void AddDelta(const BYTE* row, DWORD rowBytes, BYTE* seed) {
    if (used + Raster_DeltaRowBound(rowBytes) > bufferSize) Flush();
    used += Raster_CompressDeltaRow(buffer + used, row, rowBytes, seed);
    ++rowsInBlock;
    if (used >= limit) Flush();
  }
};

int ColorDepthOf(const ImageRowFormat& format) {
  switch (format.sourceBits) {
    case 1: return e1Bit;
    case 4: return e4Bit;
    default: return e8Bit;
  }
}

int FormatClassOf(const ImageRowFormat& format) {
  switch (format.sourceBits) {
    case 1: return IMAGE_CLASS_1BIT;
    case 4: return IMAGE_CLASS_4BIT;
    default: return IMAGE_CLASS_8BIT;
  }
}

}  // namespace

void Image_SetPalette(PDEV* pdev, int formatClass, XLATEOBJ* xlate) {
  BYTE depth;
  switch (formatClass) {
    case IMAGE_CLASS_8BIT: depth = e8Bit; break;
    case IMAGE_CLASS_4BIT: depth = e4Bit; break;
    case IMAGE_CLASS_1BIT: depth = e1Bit; break;
    default: PDEV_REPORT_ERROR(pdev); return;
  }
  const int code = Color_PaletteCodeForDepth(depth);
  const DWORD entries = Color_PaletteEntries(code);
  const bool color = IsColorJob(pdev);
  const DWORD unit = color ? 3 : 1;
  BYTE palette[256 * 3] = {};  // entries the table lacks stay black
  const bool table = xlate && (xlate->flXlate & XO_TABLE) && xlate->cEntries > 0 && xlate->pulXlate;
  const DWORD given = table ? std::min<DWORD>(xlate->cEntries, entries) : entries;
  for (DWORD i = 0; i < given; ++i) {
    BYTE r, g, b;
    if (table) {
      ULONG c = xlate->pulXlate[i];
      r = static_cast<BYTE>(c);
      g = static_cast<BYTE>(c >> 8);
      b = static_cast<BYTE>(c >> 16);
    } else {
      r = g = b = static_cast<BYTE>(i * 255 / (entries - 1));
    }
    Color_AdjustRgb(pdev, &r, &g, &b);
    if (color) {
      palette[3 * i] = r;
      palette[3 * i + 1] = g;
      palette[3 * i + 2] = b;
    } else {
      BYTE grey = Color_Gray(r, g, b);
      Color_AdjustGray(pdev, &grey);
      palette[i] = grey;
    }
  }
  Brush_SetPalette(pdev, palette, entries * unit, code);
}

DWORD Image_EstimateCompression(PDEV* pdev, SURFOBJ* source, const ImageRowFormat& format, const POINTL* sourcePoint,
                                DWORD width, DWORD height) {
  const DWORD rowBytes = Image_OutputRowBytes(format, width);
  if (rowBytes == 0 || height == 0) return 100;
  BYTE* row = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(rowBytes) + Raster_RleBound(rowBytes)));
  if (!row) return 100;
  BYTE* encoded = row + rowBytes;
  uint64_t total = 0;
  for (DWORD k = 0; k < 5; ++k) {
    DWORD y = static_cast<DWORD>(static_cast<uint64_t>(height) * k / 5);
    Image_ConvertRow(pdev, format, row, SourceRow(source, sourcePoint->y + static_cast<LONG>(y)),
                     static_cast<DWORD>(sourcePoint->x), width, FALSE);
    total += Raster_CompressRle(nullptr, encoded, row, rowBytes);
  }
  GlobalFree(row);
  return static_cast<DWORD>(total * 100 / (5ull * rowBytes));
}

// Which images are sent smaller than their source, and at what size. The printer scales every
// image to its destination, so rows beyond the dots the destination covers only cost time:
//  1. A ".PDF" document printed landscape: an image at least two thirds of the printable width
//     that run-length encoding shrinks to no less than 70 % goes at its destination size.
//  2. Two or more pages per sheet: each direction larger than its destination on the sheet
//     (destination x page scale, at least 1 pixel) is cut to it.
//  3. One page per sheet (when rule 1 did not apply): an image of at least half the printable
//     width and height, larger than its destination in both directions, goes at the
//     destination size (times the page scale of a direction where it is below 1). For
//     "POWERPNT.EXE", which hands slides over at the device's full size, a size equal to the
//     destination qualifies too, and both directions go at 0.7 of it.
//  4. Colour jobs: a 24-bit image that nothing above reduced and that is not mirrored goes at a
//     third of its size (rounded up) while a tiled watermark is drawn, or on sheets of two or
//     more pages when both of its sides pass 1000 pixels.
// Finally no side passes 65535, the most SourceWidth and SourceHeight can say.
SIZEL Image_ReducedSize(PDEV* pdev, SURFOBJ* source, const ImageRowFormat& format, const POINTL* sourcePoint,
                        DWORD width, DWORD height, const RECTL* destination, BOOL mirrored) {
  DWORD outW = width, outH = height;
  const DWORD destW = static_cast<DWORD>(destination->right - destination->left);
  const DWORD destH = static_cast<DWORD>(destination->bottom - destination->top);
  const SHORT* box = pdev->job.layout.printableBox;
  const LONG pageW = box[2] - box[0], pageH = box[3] - box[1];
  const BYTE pagesPerSheet = pdev->job.jobSettings.dmPrivate.nup.bNupNum;
  bool rule1 = false;
  if ((pdev->jobCtl.flags & JF_PDF_DOCUMENT) && pdev->job.jobOrientation == DMORIENT_LANDSCAPE &&
      static_cast<int64_t>(destW) * 3 >= static_cast<int64_t>(pageW) * 2 &&
      Image_EstimateCompression(pdev, source, format, sourcePoint, width, height) >= 70) {
    outW = std::min(outW, std::max<DWORD>(destW, 1));
    outH = std::min(outH, std::max<DWORD>(destH, 1));
    rule1 = true;
  }
  if (pagesPerSheet >= 2) {
    DWORD targetW = AtLeastOne(destW * AxisScale(pdev, 0));
    DWORD targetH = AtLeastOne(destH * AxisScale(pdev, 1));
    if (outW > targetW) outW = targetW;
    if (outH > targetH) outH = targetH;
  } else if (!rule1 && pageW > 0 && pageH > 0) {
    const bool powerPoint = Util_IsProcess(u"POWERPNT.EXE") == 0;
    const bool halfPage = static_cast<int64_t>(outW) * 2 >= pageW && static_cast<int64_t>(outH) * 2 >= pageH;
    const bool larger = powerPoint ? (outW >= destW && outH >= destH) : (outW > destW && outH > destH);
    if (halfPage && larger && destW > 0 && destH > 0) {
      for (int axis = 0; axis < 2; ++axis) {
        const double scale = AxisScale(pdev, axis);
        const DWORD dest = axis == 0 ? destW : destH;
        double target = scale < 1.0 ? dest * scale : (powerPoint ? dest * 0.7 : dest);
        DWORD& out = axis == 0 ? outW : outH;
        out = std::min(out, AtLeastOne(target));
      }
    }
  }
  if (IsColorJob(pdev) && format.sourceBits == 24 && !mirrored && outW == width && outH == height) {
    const bool tiled = TiledWatermarkDrawn(pdev);
    const bool bigOnNup = pagesPerSheet >= 2 && width > 1000 && height > 1000;
    if (tiled || bigOnNup) {
      outW = (width + 2) / 3;
      outH = (height + 2) / 3;
    }
  }
  outW = std::min(outW, kMaxSourceSide);
  outH = std::min(outH, kMaxSourceSide);
  return SIZEL{static_cast<LONG>(outW), static_cast<LONG>(outH)};
}

BOOL Image_Write(PDEV* pdev, SURFOBJ* source, LONG width, LONG height, const POINTL* sourcePoint,
                 const RECTL* destination, XLATEOBJ* xlate, BOOL flipVertical, BOOL flipHorizontal,
                 const ImagePalette* palette) {
  if (!pdev || !source || !source->pvScan0 || !sourcePoint || !destination || width <= 0 || height <= 0) return FALSE;
  ImageRowFormat format;
  if (!Image_RowFormat(pdev, source->iBitmapFormat, xlate, &format)) return FALSE;
  pdev->jobCtl.flags |= JF_PAGE_IMAGE;

  const SIZEL out = Image_ReducedSize(pdev, source, format, sourcePoint, static_cast<DWORD>(width),
                                      static_cast<DWORD>(height), destination, flipVertical || flipHorizontal);
  const DWORD outW = static_cast<DWORD>(out.cx), outH = static_cast<DWORD>(out.cy);
  const DWORD rowBytes = Image_OutputRowBytes(format, outW);
  const DWORD overlay = pdev->job.jobSettings.dmPrivate.overlay.bOverlay;
  const BYTE method = (IsColorJob(pdev) && !format.indexed && overlay != OVERLAY_CREATE && Raster_DeltaRowFits(rowBytes))
                          ? eDeltaRowCompression
                          : eRLECompression;
  const DWORD rawBytes = method == eRLECompression ? Pad4(rowBytes) : rowBytes;

  DWORD blockRows = outH, bufferSize = 0;
  BYTE* block = Image_BlockLines(pdev, rawBytes, &blockRows, &bufferSize);
  if (!block) return FALSE;
  // The converted row (padded) and, for delta-row, the seed row the printer keeps.
  BYTE* row = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(rawBytes) * 2));
  if (!row) {
    GlobalFree(block);
    return FALSE;
  }
  BYTE* seed = row + rawBytes;
  std::memset(row, 0, static_cast<size_t>(rawBytes) * 2);

  if (format.indexed) {
    if (palette) {
      const int code = Color_PaletteCodeForDepth(static_cast<BYTE>(ColorDepthOf(format)));
      Brush_SetPalette(pdev, palette->bytes, palette->size, code);
    } else {
      Image_SetPalette(pdev, FormatClassOf(format), xlate);
    }
  } else {
    Gx_SetColorSpace(pdev, GX_SPACE_JOB);
  }

  const LONG destW = destination->right - destination->left;
  const LONG destH = destination->bottom - destination->top;
  PclXl_BeginImage(pdev, format.indexed ? eIndexedPixel : eDirectPixel, static_cast<BYTE>(ColorDepthOf(format)),
                   static_cast<SHORT>(Clamp16(destination->left)), static_cast<SHORT>(Clamp16(destination->top)),
                   static_cast<WORD>(std::min<LONG>(destW, 0xFFFF)), static_cast<WORD>(std::min<LONG>(destH, 0xFFFF)),
                   static_cast<WORD>(outW), static_cast<WORD>(outH));

  BlockWriter writer{pdev, block, bufferSize, blockRows * rawBytes, method};
  if (writer.limit > RASTER_BLOCK_LIMIT && blockRows > 1) writer.limit = RASTER_BLOCK_LIMIT;
  const DWORD first = static_cast<DWORD>(sourcePoint->x);
  for (DWORD j = 0; j < outH; ++j) {
    DWORD sy = outH == static_cast<DWORD>(height) ? j : Image_SampleIndex(j, static_cast<DWORD>(height), outH);
    if (flipVertical) sy = static_cast<DWORD>(height) - 1 - sy;
    const BYTE* src = SourceRow(source, sourcePoint->y + static_cast<LONG>(sy));
    if (outW == static_cast<DWORD>(width))
      Image_ConvertRow(pdev, format, row, src, first, outW, flipHorizontal);
    else
      Image_SampleRows(pdev, format, row, src, first, static_cast<DWORD>(width), outW, flipHorizontal);
    if (method == eDeltaRowCompression) {
      writer.AddDelta(row, rowBytes, seed);
    } else {
      std::memset(row + rowBytes, 0, rawBytes - rowBytes);
      writer.AddRle(row, rawBytes);
    }
  }
  writer.Flush();
  PclXl_WriteOp(pdev, PXL_OP_EndImage);
  GlobalFree(row);
  GlobalFree(block);
  return TRUE;
}

BOOL Image_FromBlit(PDEV* pdev, CLIPOBJ* clip, SURFOBJ* source, LONG width, LONG height, const POINTL* sourcePoint,
                    const RECTL* destination, XLATEOBJ* xlate, const ImagePalette* palette) {
  if (!pdev || !source || !sourcePoint || !destination) return FALSE;
  RECTL dest = *destination;
  const BOOL flipH = dest.left > dest.right;
  const BOOL flipV = dest.top > dest.bottom;
  if (flipH) std::swap(dest.left, dest.right);
  if (flipV) std::swap(dest.top, dest.bottom);
  if (dest.right == dest.left || dest.bottom == dest.top || width <= 0 || height <= 0) return TRUE;

  // The part of the source rectangle that lies in the bitmap, and the destination edges moved
  // by the same share, so the part drawn keeps its place and scale. Mirrored images lose the
  // cut at the opposite destination edge.
  const int64_t x0 = sourcePoint->x, y0 = sourcePoint->y;
  const int64_t x1 = std::min<int64_t>(x0 + width, source->sizlBitmap.cx);
  const int64_t y1 = std::min<int64_t>(y0 + height, source->sizlBitmap.cy);
  const int64_t sx = std::max<int64_t>(x0, 0), sy = std::max<int64_t>(y0, 0);
  if (x1 <= sx || y1 <= sy) return TRUE;
  const int64_t dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  auto share = [](int64_t cut, int64_t span, int64_t whole) { return (cut * span + whole / 2) / whole; };
  int64_t cutLeft = share(sx - x0, dw, width), cutRight = share(x0 + width - x1, dw, width);
  int64_t cutTop = share(sy - y0, dh, height), cutBottom = share(y0 + height - y1, dh, height);
  if (flipH) std::swap(cutLeft, cutRight);
  if (flipV) std::swap(cutTop, cutBottom);
  RECTL drawn = {static_cast<LONG>(dest.left + cutLeft), static_cast<LONG>(dest.top + cutTop),
                 static_cast<LONG>(dest.right - cutRight), static_cast<LONG>(dest.bottom - cutBottom)};
  if (drawn.right <= drawn.left || drawn.bottom <= drawn.top) return TRUE;
  int64_t srcX = sx, srcW = x1 - sx, srcY = sy, srcH = y1 - sy;
  // BeginImage carries the corner as sint16 and the size as uint16: an image reaching beyond
  // them keeps only the whole source pixels that reach the printable box.
  const SHORT* page = pdev->job.layout.printableBox;
  if (!CropToAxis(drawn.left, drawn.right, srcX, srcW, flipH, page[0], page[2]) ||
      !CropToAxis(drawn.top, drawn.bottom, srcY, srcH, flipV, page[1], page[3]))
    return TRUE;

  // A clip that could not be sent fails the call: drawn under the clip the printer still holds,
  // the image could land outside its region; the engine then draws it piece by piece.
  if (!TiledWatermarkDrawn(pdev) && !Clip_Set(pdev, clip, nullptr, &drawn)) return FALSE;
  const POINTL start = {static_cast<LONG>(srcX), static_cast<LONG>(srcY)};
  return Image_Write(pdev, source, static_cast<LONG>(srcW), static_cast<LONG>(srcH), &start, &drawn, xlate, flipV,
                     flipH, palette);
}
