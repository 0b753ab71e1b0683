// Test controls of the engine's drawing objects: a driver's tests build the objects the DC
// would hand it, without a DC.
#include "internal/engine_objects.h"
#include "internal/engine_registry.h"
#include "platform_testing.h"

namespace {

plat::engine::BrushRealizer Realizer(PFN_DrvRealizeBrush realize, SURFOBJ* target) {
  plat::engine::BrushRealizer realizer;
  realizer.realize = realize;
  realizer.target = target;
  return realizer;
}

}  // namespace

extern "C" {

WINBASEAPI PATHOBJ* PlatformTest_CreatePath(const POINTFIX* points, const BYTE* types, ULONG count) {
  return plat::engine::CreatePathFromTypes(points, types, count).release();
}

WINBASEAPI CLIPOBJ* PlatformTest_CreateTrivialClip(const RECTL* bounds) {
  return plat::engine::CreateTrivialClip(bounds ? *bounds : RECTL{0, 0, 0x7FFFFFF, 0x7FFFFFF}).release();
}

WINBASEAPI CLIPOBJ* PlatformTest_CreateRegionClip(const RECTL* rects, ULONG count, const RECTL* drawBounds) {
  std::vector<RECTL> region;
  if (rects) region.assign(rects, rects + count);
  return plat::engine::CreateRegionClip(region, drawBounds).release();
}

WINBASEAPI void PlatformTest_DeleteClip(CLIPOBJ* clip) { plat::engine::ObjectDeleter{}(clip); }

WINBASEAPI BRUSHOBJ* PlatformTest_CreateSolidBrush(ULONG color) {
  return plat::engine::CreateSolidBrush(color).release();
}

WINBASEAPI BRUSHOBJ* PlatformTest_CreateHatchBrush(ULONG hatch, COLORREF hatchColor, COLORREF background,
                                                   PFN_DrvRealizeBrush realize, SURFOBJ* target) {
  return plat::engine::CreateHatchBrush(hatch, hatchColor, background, Realizer(realize, target)).release();
}

WINBASEAPI BRUSHOBJ* PlatformTest_CreatePatternBrush(ULONG format, LONG width, LONG height, const BYTE* bits,
                                                     LONG stride, const ULONG* colors, ULONG colorCount,
                                                     PFN_DrvRealizeBrush realize, SURFOBJ* target) {
  plat::engine::Palette palette;
  if (colors && colorCount)
    palette = plat::engine::IndexedPalette(std::vector<ULONG>(colors, colors + colorCount));
  else if (format == BMF_16BPP)
    palette = plat::engine::BitfieldsPalette(0x7C00, 0x03E0, 0x001F);
  else
    palette.mode = PAL_BGR;
  return plat::engine::CreatePatternBrush(format, SIZEL{width, height}, bits, stride, palette,
                                          Realizer(realize, target))
      .release();
}

WINBASEAPI ULONG PlatformTest_BrushRealizeCalls(BRUSHOBJ* brush) { return plat::engine::BrushRealizeCalls(brush); }

WINBASEAPI void PlatformTest_DeleteBrush(BRUSHOBJ* brush) { plat::engine::ObjectDeleter{}(brush); }

WINBASEAPI XLATEOBJ* PlatformTest_CreateXlate(ULONG sourceMode, const ULONG* colors, ULONG count, FLONG red,
                                              FLONG green, FLONG blue) {
  plat::engine::Palette palette;
  palette.mode = sourceMode;
  if (colors) palette.colors.assign(colors, colors + count);
  palette.masks = {red, green, blue};
  return plat::engine::CreateXlate(palette).release();
}

WINBASEAPI void PlatformTest_DeleteXlate(XLATEOBJ* xlate) { plat::engine::ObjectDeleter{}(xlate); }

WINBASEAPI LINEATTRS* PlatformTest_CreateLineAttrs(DWORD penStyle, ULONG width, const DWORD* userStyle,
                                                   ULONG userCount) {
  plat::engine::PenAttributes pen;
  pen.style = penStyle;
  pen.width = width;
  if (userStyle) pen.userStyle.assign(userStyle, userStyle + userCount);
  auto* attributes = new plat::engine::LineAttributes;
  if (!plat::engine::BuildLineAttributes(pen, *attributes)) {
    delete attributes;
    return nullptr;
  }
  plat::engine::Live<plat::engine::LineAttributes>().Add(&attributes->la, attributes);
  return &attributes->la;
}

WINBASEAPI void PlatformTest_DeleteLineAttrs(LINEATTRS* attrs) {
  delete plat::engine::Live<plat::engine::LineAttributes>().Remove(attrs);
}

}  // extern "C"

extern "C" {

WINBASEAPI XLATEOBJ* PlatformTest_CreateDibXlate(WORD bitCount, DWORD compression, DWORD clrUsed, const BYTE* quads,
                                                 ULONG quadCount, const DWORD* masks) {
  return plat::engine::CreateXlate(plat::engine::DibPalette(bitCount, compression, clrUsed, quads, quadCount, masks))
      .release();
}

}  // extern "C"

namespace {

plat::engine::DriverTable TableOf(const DRVFN* functions, ULONG count) {
  plat::engine::DriverTable table;
  for (ULONG i = 0; functions && i < count; ++i)
    if (functions[i].iFunc < table.functions.size()) table.functions[functions[i].iFunc] = functions[i].pfn;
  return table;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL PlatformTest_EngineStrokePath(const DRVFN* functions, ULONG count, SURFOBJ* pso, PATHOBJ* ppo,
                                              CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                              LINEATTRS* plineattrs, MIX mix) {
  return plat::engine::StrokePath(TableOf(functions, count), pso, ppo, pco, nullptr, pbo, pptlBrushOrg, plineattrs,
                                  mix);
}

WINBASEAPI BOOL PlatformTest_EngineFillPath(const DRVFN* functions, ULONG count, SURFOBJ* pso, PATHOBJ* ppo,
                                            CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                                            FLONG flOptions) {
  return plat::engine::FillPath(TableOf(functions, count), pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

WINBASEAPI BOOL PlatformTest_EngineStrokeAndFillPath(const DRVFN* functions, ULONG count, SURFOBJ* pso,
                                                     PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pboStroke,
                                                     LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg,
                                                     MIX mixFill, FLONG flOptions) {
  return plat::engine::StrokeAndFillPath(TableOf(functions, count), pso, ppo, pco, nullptr, pboStroke, plineattrs,
                                         pboFill, pptlBrushOrg, mixFill, flOptions);
}

WINBASEAPI HDEV PlatformTest_CreateEngineDevice(const DRVFN* functions, ULONG count) {
  HDEV hdev = plat::engine::CreateDevice();
  plat::engine::SetDeviceDriver(hdev, TableOf(functions, count));
  return hdev;
}

WINBASEAPI void PlatformTest_DestroyEngineDevice(HDEV hdev) { plat::engine::DestroyDevice(hdev); }

}  // extern "C"
