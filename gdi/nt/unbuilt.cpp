// Driver functions whose renderer modules are not part of this library yet. Each answers the
// failure its DDI contract names and draws nothing, so the engine treats the call as one the
// device could not do. The entries of the function table stay pinned regardless.
#include "gdi/nt/ddientry.h"

BOOL APIENTRY DrvBitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*, BRUSHOBJ*,
                        POINTL*, ROP4) {
  return FALSE;
}
BOOL APIENTRY DrvStretchBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*,
                            RECTL*, POINTL*, ULONG) {
  return FALSE;
}
BOOL APIENTRY DrvCopyBits(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*) { return FALSE; }
BOOL APIENTRY DrvGradientFill(SURFOBJ*, CLIPOBJ*, XLATEOBJ*, TRIVERTEX*, ULONG, PVOID, ULONG, RECTL*, POINTL*,
                              ULONG) {
  return FALSE;
}
BOOL APIENTRY DrvTransparentBlt(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, RECTL*, ULONG, ULONG) {
  return FALSE;
}

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }


// 0: the escape is not supported.
ULONG APIENTRY DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) { return 0; }
ULONG APIENTRY DrvDrawEscape(SURFOBJ*, ULONG, CLIPOBJ*, RECTL*, ULONG, PVOID) { return 0; }
