// The driver functions the renderer hands the graphics engine through DrvEnableDriver, with
// the engine's signatures. Each is defined by the module that owns it.
#pragma once

#include <win/ddi.h>

// Device record and surface (gdi/nt/enable).
DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                              ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                              HANDLE hDriver);
VOID APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
VOID APIENTRY DrvDisablePDEV(DHPDEV dhpdev);
HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev);
VOID APIENTRY DrvDisableSurface(DHPDEV dhpdev);
BOOL APIENTRY DrvQueryDeviceSupport(SURFOBJ* pso, XLATEOBJ* pxlo, XFORMOBJ* pxo, ULONG iType, ULONG cjIn, PVOID pvIn,
                                    ULONG cjOut, PVOID pvOut);

// Job and page flow.
BOOL APIENTRY DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL APIENTRY DrvStartPage(SURFOBJ* pso);
BOOL APIENTRY DrvSendPage(SURFOBJ* pso);
BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG fl);

// Images and bit-block transfers.
BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                        ROP4 rop4);
BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                            POINTL* pptlMask, ULONG iMode);
BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                          POINTL* pptlSrc);
BOOL APIENTRY DrvGradientFill(SURFOBJ* psoDest, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* pVertex, ULONG nVertex,
                              PVOID pMesh, ULONG nMesh, RECTL* prclExtents, POINTL* pptlDitherOrg, ULONG ulMode);
BOOL APIENTRY DrvTransparentBlt(SURFOBJ* psoDst, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDst,
                                RECTL* prclSrc, ULONG iTransColor, ULONG ulReserved);

// Text and device fonts.
BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
PVOID APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
ULONG APIENTRY DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);
BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                    ULONG cGlyphs);

// Paths.
BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                            POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions);
BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions);

// Brushes.
BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                              XLATEOBJ* pxlo, ULONG iHatch);

// Escapes.
ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
ULONG APIENTRY DrvDrawEscape(SURFOBJ* pso, ULONG iEsc, CLIPOBJ* pco, RECTL* prcl, ULONG cjIn, PVOID pvIn);
