// Grey from colour and indexed palettes.
#include "gdi/nt/ntcolor.h"

#include <cstring>

#include "gdi/gx.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"

BYTE Color_Gray(BYTE red, BYTE green, BYTE blue) {
  return static_cast<BYTE>((74u * red + 155u * green + 27u * blue) / 256u);
}

BYTE Color_GrayOf(COLORREF colour) { return Color_Gray(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

DWORD Color_PaletteEntries(int code) {
  switch (code) {
    case PALETTE_2_ENTRIES: return 2;
    case PALETTE_16_ENTRIES: return 16;
    case PALETTE_256_ENTRIES: return 256;
    default: return 0;
  }
}

int Color_PaletteCodeForDepth(BYTE colorDepth) {
  switch (colorDepth) {
    case e1Bit: return PALETTE_2_ENTRIES;
    case e4Bit: return PALETTE_16_ENTRIES;
    case e8Bit: return PALETTE_256_ENTRIES;
    default: return -1;
  }
}

DWORD Color_PaletteEntryBytes(const PDEV* pdev) {
  return pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_COLOR ? 3 : 1;
}

void Brush_SetPalette(PDEV* pdev, const BYTE* palette, DWORD bytes, int code) {
  const DWORD entries = Color_PaletteEntries(code);
  if (entries == 0) return;
  const bool forceBlackWhite = (pdev->jobCtl.flags & JF_WATERMARK) &&
                               pdev->job.jobSettings.dmPublic.dmColor == DMCOLOR_MONOCHROME &&
                               pdev->job.jobSettings.dmPrivate.wmark.wmFlag;
  // The interpreter takes an RGB palette for the watermark's black and white whatever the job's
  // colour space; the forced palette keeps the object's own entry count so its depth still fits.
  const DWORD per = forceBlackWhite ? 3 : Color_PaletteEntryBytes(pdev);
  const DWORD length = entries * per;
  BYTE wire[256 * 3];
  std::memset(wire, 0, sizeof wire);
  if (forceBlackWhite) {
    std::memset(wire + 3, 0xFF, length - 3);
  } else if (palette) {
    std::memcpy(wire, palette, bytes < length ? bytes : length);
  }
  PclXl_UbyteAttr(pdev, forceBlackWhite || per == 3 ? eRGB : eGray, PXL_A_ColorSpace);
  PclXl_UbyteAttr(pdev, e8Bit, PXL_A_PaletteDepth);
  PclXl_WriteArrayHeader(pdev, PXL_UBYTE_ARRAY, length);
  Spool_Write(pdev, wire, length);
  Gx_SetColorSpace(pdev, GX_SPACE_PALETTE);
}
