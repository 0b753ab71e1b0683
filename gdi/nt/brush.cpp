// Brush realisation, pattern download and selection.
#include "gdi/nt/brush.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <win/memory.h>

#include "gdi/gx.h"
#include "gdi/imageproc.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/ntcolor.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"

namespace {

// A realised pattern larger than this is refused: the engine then draws the brush itself.
constexpr uint64_t kMaxRealizedBytes = 64u * 1024u * 1024u;

bool ColourJob(const PDEV* pdev) { return pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR; }

const BYTE* PaletteOf(const RealizedBrush* brush) { return brush->data + brush->paletteOffset; }

// The palette entry `i` as a device colour (red in the low byte).
COLORREF PaletteColour(const PDEV* pdev, const RealizedBrush* brush, DWORD i) {
  if (i >= brush->paletteCount) return 0;
  const BYTE* palette = PaletteOf(brush);
  if (!ColourJob(pdev)) return RGB(palette[i], palette[i], palette[i]);
  ULONG entry;
  std::memcpy(&entry, palette + 4 * i, sizeof entry);
  return entry & 0xFFFFFF;
}

// The palette in the form Brush_SetPalette sends: grey bytes, or R, G, B per entry.
DWORD WirePalette(const PDEV* pdev, const RealizedBrush* brush, BYTE* out, DWORD capacity) {
  const DWORD per = Color_PaletteEntryBytes(pdev);
  DWORD n = 0;
  for (DWORD i = 0; i < brush->paletteCount && n + per <= capacity; ++i) {
    const COLORREF c = PaletteColour(pdev, brush, i);
    if (per == 1) {
      out[n++] = GetRValue(c);
    } else {
      out[n++] = GetRValue(c);
      out[n++] = GetGValue(c);
      out[n++] = GetBValue(c);
    }
  }
  return n;
}

// ---- Pattern list ------------------------------------------------------------------------

// What identifies a pattern: the head fields that shape it, then its rows and palette.
size_t KeyBytes(const RealizedBrush* brush) { return offsetof(RealizedBrush, data) + brush->dataBytes; }

SHORT FindPattern(const PDEV* pdev, const RealizedBrush* brush) {
  const size_t bytes = KeyBytes(brush);
  for (const BrushPatternEntry* e = pdev->job.brush.patterns; e; e = e->next) {
    if (e->dataBytes == bytes && std::memcmp(e->data, brush, bytes) == 0) return e->id;
  }
  return 0;
}

void RememberPattern(PDEV* pdev, const RealizedBrush* brush, SHORT id) {
  const size_t bytes = KeyBytes(brush);
  BrushPatternEntry* e =
      static_cast<BrushPatternEntry*>(GlobalAlloc(GMEM_FIXED, offsetof(BrushPatternEntry, data) + bytes));
  // Without an entry the pattern is simply downloaded again when it is next used.
  if (!e) return;
  e->id = id;
  e->dataBytes = static_cast<DWORD>(bytes);
  std::memcpy(e->data, brush, bytes);
  e->next = pdev->job.brush.patterns;
  pdev->job.brush.patterns = e;
}

// The id a new pattern of `rasterBytes` is defined with.
SHORT NewPatternId(PDEV* pdev, DWORD rasterBytes) {
  PdevBrushState& state = pdev->job.brush;
  if (state.nextPatternId + 1 >= 0x8001 || state.patternBytes >= BRUSH_PATTERN_BYTES_LIMIT) {
    return BRUSH_TEMP_PATTERN_ID;
  }
  state.patternBytes += rasterBytes;
  return static_cast<SHORT>(++state.nextPatternId);
}

BYTE Persistence(const PDEV* pdev, SHORT id) {
  if (id == BRUSH_TEMP_PATTERN_ID) return eTempPattern;
  return Brush_PatternsPerSheet(pdev) ? ePagePattern : eSessionPattern;
}

void SendRaster(PDEV* pdev, WORD height, const BYTE* rows, DWORD bytes) {
  PclXl_ReadRastPattern(pdev, height);
  PclXl_WriteDataLength(pdev, bytes);
  Spool_Write(pdev, rows, bytes);
  PclXl_WriteOp(pdev, PXL_OP_EndRastPattern);
}

// ---- Realisation -------------------------------------------------------------------------

ULONG SourceBits(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

// The device colour of a direct source pixel.
COLORREF DirectPixel(const BYTE* row, LONG x, ULONG bits, XLATEOBJ* xlate) {
  ULONG raw;
  if (bits == 16) {
    raw = static_cast<ULONG>(row[2 * x] | (row[2 * x + 1] << 8));
  } else if (bits == 24) {
    raw = static_cast<ULONG>(row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16));
  } else {
    raw = static_cast<ULONG>(row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16));
  }
  if (xlate) return XLATEOBJ_iXlate(xlate, raw) & 0xFFFFFF;
  if (bits == 16) {
    // Without a translation a 16-bit source is the 5-5-5 form of DIBs.
    const BYTE r = static_cast<BYTE>(((raw >> 10) & 31) * 255 / 31);
    const BYTE g = static_cast<BYTE>(((raw >> 5) & 31) * 255 / 31);
    const BYTE b = static_cast<BYTE>((raw & 31) * 255 / 31);
    return RGB(r, g, b);
  }
  return raw & 0xFFFFFF;
}

// The device colour of palette index i of an indexed source.
COLORREF IndexColour(XLATEOBJ* xlate, ULONG i, ULONG entries) {
  if (xlate) return XLATEOBJ_iXlate(xlate, i) & 0xFFFFFF;
  const ULONG level = entries > 1 ? i * 255 / (entries - 1) : 0;
  return RGB(level, level, level);
}

}  // namespace

BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ*, XLATEOBJ* pxlo,
                              ULONG iHatch) {
  PDEV* pdev = Pdev_FromSurface(psoTarget);
  if (!ValidatePdev(pdev, FALSE, CALL_REALIZEBRUSH)) return FALSE;
  if (pdev->jobCtl.flags & JF_OUTPUT_FAILED) return FALSE;
  ++pdev->job.gx.realizations;
  if (!pbo || !psoPattern || !psoPattern->pvScan0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const LONG width = psoPattern->sizlBitmap.cx;
  const LONG height = psoPattern->sizlBitmap.cy;
  const ULONG sourceBits = SourceBits(psoPattern->iBitmapFormat);
  if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF || sourceBits == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool hatch = iHatch < BRUSH_FIRST_BITMAP_HATCH;
  if (hatch) {
    // A hatch is drawn in its two colours; without them there is nothing to draw it in.
    if (!pxlo || !(pxlo->flXlate & XO_TABLE) || pxlo->cEntries < 2 || !pxlo->pulXlate || sourceBits != 1) {
      PDEV_REPORT_ERROR(pdev);
      return FALSE;
    }
  }
  const bool colour = ColourJob(pdev);
  const bool indexed = sourceBits <= 8;
  const ULONG storedBits = indexed ? sourceBits : colour ? 24 : 8;
  const ULONG paletteCount = hatch ? 2 : indexed ? (1u << sourceBits) : 0;
  const ULONG entryBytes = colour ? 4 : 1;
  const uint64_t rowBytes = ((static_cast<uint64_t>(width) * storedBits + 31) / 32) * 4;
  const uint64_t bitsBytes = rowBytes * static_cast<uint64_t>(height);
  const uint64_t dataBytes = bitsBytes + static_cast<uint64_t>(paletteCount) * entryBytes;
  if (dataBytes > kMaxRealizedBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const ULONG total = static_cast<ULONG>(offsetof(RealizedBrush, data) + dataBytes);
  RealizedBrush* brush = static_cast<RealizedBrush*>(BRUSHOBJ_pvAllocRbrush(pbo, total));
  if (!brush) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  std::memset(brush, 0, total);
  brush->width = static_cast<DWORD>(width);
  brush->height = static_cast<DWORD>(height);
  brush->bitsPerPixel = storedBits;
  brush->indexed = indexed ? TRUE : FALSE;
  brush->paletteCount = paletteCount;
  brush->paletteOffset = static_cast<DWORD>(bitsBytes);
  brush->hatch = iHatch;
  brush->rowBytes = static_cast<DWORD>(rowBytes);
  brush->dataBytes = static_cast<DWORD>(dataBytes);

  BYTE* palette = brush->data + bitsBytes;
  for (ULONG i = 0; i < paletteCount; ++i) {
    COLORREF c = IndexColour(pxlo, i, paletteCount);
    if (colour) {
      const ULONG entry = c;
      std::memcpy(palette + 4 * i, &entry, sizeof entry);
    } else {
      palette[i] = Color_GrayOf(c);
    }
  }

  const BYTE* scan0 = static_cast<const BYTE*>(psoPattern->pvScan0);
  const size_t sourceRowBytes = (static_cast<size_t>(width) * sourceBits + 7) / 8;
  for (LONG y = 0; y < height; ++y) {
    const BYTE* row = scan0 + static_cast<ptrdiff_t>(y) * psoPattern->lDelta;
    BYTE* out = brush->data + static_cast<size_t>(y) * rowBytes;
    if (indexed) {
      std::memcpy(out, row, sourceRowBytes);
      continue;
    }
    for (LONG x = 0; x < width; ++x) {
      const COLORREF c = DirectPixel(row, x, sourceBits, pxlo);
      BYTE r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
      Color_AdjustRgb(pdev, &r, &g, &b);
      if (colour) {
        out[3 * x] = r;
        out[3 * x + 1] = g;
        out[3 * x + 2] = b;
      } else {
        out[x] = Color_Gray(r, g, b);
      }
    }
  }
  return TRUE;
}

BOOL Brush_Select(PDEV* pdev, BRUSHOBJ* brush, const POINTL* origin, BOOL asBrush) {
  if (!brush) {
    if (asBrush) {
      Gx_SetNullBrush(pdev);
    } else {
      Gx_SetNullPen(pdev);
    }
    return TRUE;
  }
  const bool colour = ColourJob(pdev);
  auto solid = [&](COLORREF c) {
    if (!colour) {
      BYTE g = Color_GrayOf(c);
      // A line of every other pixel would print as a full line: a lighter grey stands for it.
      if (!asBrush && pdev->job.gx.dash.alternate) g = static_cast<BYTE>((g + 255) / 4);
      c = RGB(g, g, g);
    }
    if (asBrush) {
      Gx_SetBrushColor(pdev, c);
    } else {
      Gx_SetPenColor(pdev, c);
    }
  };
  if (brush->iSolidColor != 0xFFFFFFFF) {
    solid(brush->iSolidColor & 0xFFFFFF);
    return TRUE;
  }
  const RealizedBrush* realized = static_cast<const RealizedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
  if (!realized) return FALSE;
  if (realized->hatch == BRUSH_FIRST_BITMAP_HATCH) {
    solid(PaletteColour(pdev, realized, 1));
    return TRUE;
  }
  Brush_SelectPattern(pdev, realized, origin, asBrush);
  return TRUE;
}

void Brush_SelectPattern(PDEV* pdev, const RealizedBrush* brush, const POINTL* origin, BOOL asBrush) {
  const SHORT id = brush->hatch >= BRUSH_FIRST_BITMAP_HATCH ? Brush_DownloadColorPattern(pdev, brush)
                                                            : Brush_DownloadPattern(pdev, brush);
  if (id == 0) return;
  const LONG x = origin ? origin->x : 0;
  const LONG y = origin ? origin->y : 0;
  PdevGraphicsState& gx = pdev->job.gx;
  GxPatternSource& cache = asBrush ? gx.brushPattern : gx.penPattern;
  if (id != BRUSH_TEMP_PATTERN_ID && cache.kind == 4 && cache.id == id && cache.originX == x && cache.originY == y) {
    return;
  }
  PclXl_Sint16Attr(pdev, id, PXL_A_PatternSelectID);
  if ((x != 0 || y != 0) && !Brush_IsOriginlessDocument(pdev)) {
    auto clamp = [](LONG v) { return static_cast<SHORT>(v > 32767 ? 32767 : v < -32767 ? -32767 : v); };
    PclXl_WriteSint16XY(pdev, PclXlPoint{clamp(x), clamp(y)}, PXL_A_PatternOrigin);
  }
  PclXl_WriteOp(pdev, asBrush ? PXL_OP_SetBrushSource : PXL_OP_SetPenSource);
  cache.kind = 4;
  cache.id = id;
  cache.originX = x;
  cache.originY = y;
  // The source is a pattern now: the next solid colour must be sent even if it is the last one.
  if (asBrush) {
    gx.brushColor = GX_UNSET;
    gx.brushKind = 0;
  } else {
    gx.penColor = GX_UNSET;
  }
  ++gx.colorChanges;
}

SHORT Brush_DownloadPattern(PDEV* pdev, const RealizedBrush* brush) {
  const bool colour = ColourJob(pdev);
  if (brush->width != 8 || brush->height != 8 || brush->bitsPerPixel != 1 || brush->paletteCount < 2) {
    PDEV_REPORT_ERROR(pdev);
    return 0;
  }
  if (colour) {
    Gx_SetColorSpace(pdev, GX_SPACE_JOB);
  } else {
    BYTE pair[2];
    const DWORD n = WirePalette(pdev, brush, pair, sizeof pair);
    Brush_SetPalette(pdev, pair, n, PALETTE_2_ENTRIES);
  }
  if (SHORT known = FindPattern(pdev, brush)) return known;

  // Grey hatches go out as they are stored, 8 rows of 4 bytes; colour hatches as 8 rows of
  // 8 RGB pixels in the hatch's two colours.
  BYTE rgb[8 * 8 * 3];
  const BYTE* rows = brush->data;
  DWORD bytes = 8 * brush->rowBytes;
  if (colour) {
    for (DWORD y = 0; y < 8; ++y) {
      const BYTE bits = brush->data[y * brush->rowBytes];
      for (DWORD x = 0; x < 8; ++x) {
        const COLORREF c = PaletteColour(pdev, brush, (bits >> (7 - x)) & 1);
        BYTE* out = rgb + (y * 8 + x) * 3;
        out[0] = GetRValue(c);
        out[1] = GetGValue(c);
        out[2] = GetBValue(c);
      }
    }
    rows = rgb;
    bytes = sizeof rgb;
  }
  const SHORT id = NewPatternId(pdev, bytes);
  const WORD destination = colour ? 32 : (pdev->job.jobSettings.dmPrivate.image.bResolution == 1 ? 64 : 32);
  if (colour) {
    PclXl_BeginRastPattern(pdev, eDirectPixel, e8Bit, 8, 8, destination, destination, id, Persistence(pdev, id));
  } else {
    PclXl_BeginRastPattern(pdev, eIndexedPixel, e1Bit, 8, 8, destination, destination, id, Persistence(pdev, id));
  }
  SendRaster(pdev, 8, rows, bytes);
  if (id != BRUSH_TEMP_PATTERN_ID) RememberPattern(pdev, brush, id);
  return id;
}

SHORT Brush_DownloadColorPattern(PDEV* pdev, const RealizedBrush* brush) {
  BYTE depth;
  switch (brush->bitsPerPixel) {
    case 1: depth = e1Bit; break;
    case 4: depth = e4Bit; break;
    case 8:
    case 24: depth = e8Bit; break;
    default:
      PDEV_REPORT_ERROR(pdev);
      return 0;
  }
  if (brush->indexed) {
    BYTE palette[256 * 3];
    const DWORD n = WirePalette(pdev, brush, palette, sizeof palette);
    Brush_SetPalette(pdev, palette, n, Color_PaletteCodeForDepth(depth));
  } else {
    Gx_SetColorSpace(pdev, GX_SPACE_JOB);
  }
  if (SHORT known = FindPattern(pdev, brush)) return known;

  const DWORD bytes = brush->paletteOffset;
  const SHORT id = NewPatternId(pdev, bytes);
  const PdevLayoutState& layout = pdev->job.layout;
  const bool watermark = (pdev->jobCtl.flags & JF_WATERMARK) != 0;
  const uint64_t multiplier = (watermark && layout.pageScale[0] >= 1.0 && layout.pageScale[1] >= 1.0) ? 1 : 4;
  uint64_t dpi = static_cast<uint64_t>(pdev->job.jobSettings.dmPublic.dmYResolution > 0
                                           ? pdev->job.jobSettings.dmPublic.dmYResolution
                                           : 600);
  // A large bitmap brush would overflow DestinationSize's 16 bits: it is cut to the largest
  // size the attribute holds rather than wrapping to a tiny tile.
  auto destination = [&](DWORD size) {
    uint64_t d = multiplier * size * dpi / 600;
    if (d > 0xFFFF) d = 0xFFFF;
    if (d == 0) d = 1;
    return static_cast<WORD>(d);
  };
  PclXl_BeginRastPattern(pdev, brush->indexed ? eIndexedPixel : eDirectPixel, depth,
                         static_cast<WORD>(brush->width), static_cast<WORD>(brush->height),
                         destination(brush->width), destination(brush->height), id, Persistence(pdev, id));
  SendRaster(pdev, static_cast<WORD>(brush->height), brush->data, bytes);
  if (id != BRUSH_TEMP_PATTERN_ID) RememberPattern(pdev, brush, id);
  return id;
}

BOOL Brush_PatternsPerSheet(const PDEV* pdev) {
  constexpr DWORD kReordered = JOF_FORM_CREATE | JOF_STORED_FORM | JOF_DRIVER_COLLATE | JOF_REVERSE_ORDER |
                               JOF_POSTER | JOF_DRIVER_DUPLEX | JOF_BOOKLET;
  const RenderPrivate& priv = pdev->job.jobSettings.dmPrivate;
  const DWORD out = pdev->job.output.flags;
  // A job that does not go straight to the printer is replayed from its spool file.
  if (!(out & JOF_TO_PRINTER) || (out & kReordered)) return TRUE;
  return (priv.bFlags14660 & 0x1) || priv.paper.wKeepFontsOff != 0 || priv.dwUiWord10 != 0;
}

void Brush_EndSheet(PDEV* pdev) {
  if (!Brush_PatternsPerSheet(pdev)) return;
  Brush_FreePatterns(pdev);
}

void Brush_FreePatterns(PDEV* pdev) {
  PdevBrushState& state = pdev->job.brush;
  for (BrushPatternEntry* e = state.patterns; e;) {
    BrushPatternEntry* next = e->next;
    GlobalFree(e);
    e = next;
  }
  state.patterns = nullptr;
  state.patternBytes = 0;
  state.nextPatternId = 0;
}

BOOL Brush_IsOriginlessDocument(const PDEV* pdev) {
  const WCHAR* name = pdev->jobCtl.documentName;
  size_t length = 0;
  while (length < PDEV_DOCUMENT_NAME_UNITS && name[length]) ++length;
  size_t dash = 0;
  while (dash < length && name[dash] != u'-') ++dash;
  if (dash == length) return FALSE;
  const size_t start = dash + 3;
  auto startsWith = [&](const char* text) {
    const size_t n = std::strlen(text);
    if (start > length || length - start < n) return false;
    for (size_t i = 0; i < n; ++i) {
      WCHAR c = name[start + i];
      if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - u'a' + u'A');
      char t = text[i];
      if (t >= 'a' && t <= 'z') t = static_cast<char>(t - 'a' + 'A');
      if (c != static_cast<WCHAR>(static_cast<unsigned char>(t))) return false;
    }
    return true;
  };
  return startsWith("PP0722-Kakou.pptx") || startsWith("PP0722(CU19374)-Kakou.pptx");
}
