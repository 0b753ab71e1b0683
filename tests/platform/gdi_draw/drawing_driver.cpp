// A printer graphics driver that hooks every drawing call and logs, one line a call, what the
// engine handed it: the path records, the clip, the brushes (realising patterns through the
// engine), the line attributes, the mix, and for blits the surfaces, rectangles, colour
// translations and raster operations. VELMOR_DRAWING_REFUSE names driver functions
// (comma-separated) that answer FALSE after logging, so a test can watch the engine's fallbacks.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <win/ddi.h>
#include <win/gdi_images.h>

namespace {

struct DrawingPdev {
  HDEV hdev = nullptr;
  HSURF hsurf = nullptr;
  HPALETTE hpal = nullptr;
};

std::map<ULONG, int> g_clipIds;  // iUniq -> the order it was first seen in
int g_nextBrushId = 1;

void Log(const std::string& line) {
  const char* path = std::getenv("VELMOR_RECORDING_LOG");
  if (!path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fputs(line.c_str(), f);
    std::fputc('\n', f);
    std::fclose(f);
  }
}

bool Refused(const char* name) {
  const char* list = std::getenv("VELMOR_DRAWING_REFUSE");
  if (!list) return false;
  std::string all = std::string(",") + list + ",";
  return all.find(std::string(",") + name + ",") != std::string::npos;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Fix(FIX v) { return v % 16 == 0 ? Format("%d", v / 16) : Format("%g", v / 16.0); }
std::string Point(const POINTFIX& p) { return Fix(p.x) + "," + Fix(p.y); }
std::string Rect(const RECTL& r) { return Format("(%d,%d,%d,%d)", r.left, r.top, r.right, r.bottom); }

std::string PathText(PATHOBJ* ppo) {
  if (!ppo) return "none";
  std::string out;
  PATHOBJ_vEnumStart(ppo);
  PATHDATA pd{};
  BOOL more = TRUE;
  while (more) {
    more = PATHOBJ_bEnum(ppo, &pd);
    if (pd.count == 0) break;
    ULONG i = 0;
    if (pd.flags & PD_BEGINSUBPATH) {
      out += (out.empty() ? "M" : " M") + Point(pd.pptfx[0]);
      i = 1;
    }
    for (; i < pd.count; ++i) {
      bool curve = pd.flags & PD_BEZIERS;
      bool groupStart = !curve || ((i - ((pd.flags & PD_BEGINSUBPATH) ? 1 : 0)) % 3 == 0);
      out += groupStart ? (curve ? " C" : " L") : " ";
      out += Point(pd.pptfx[i]);
    }
    if ((pd.flags & PD_ENDSUBPATH) && (pd.flags & PD_CLOSEFIGURE)) out += " Z";
  }
  return out;
}

std::string ClipText(CLIPOBJ* pco) {
  if (!pco) return "none";
  switch (pco->iDComplexity) {
    case DC_TRIVIAL: return "trivial";
    case DC_RECT: return "rect" + Rect(pco->rclBounds);
    case DC_COMPLEX: {
      auto [it, fresh] = g_clipIds.emplace(pco->iUniq, static_cast<int>(g_clipIds.size()) + 1);
      (void)fresh;
      std::string out = Format("complex#%d", it->second);
      CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 0);
      struct {
        ULONG c;
        RECTL arcl[8];
      } rects{};
      BOOL more = TRUE;
      while (more) {
        more = CLIPOBJ_bEnum(pco, sizeof(rects), reinterpret_cast<ULONG*>(&rects));
        for (ULONG k = 0; k < rects.c; ++k) out += Rect(rects.arcl[k]);
      }
      return out;
    }
    default: return Format("complexity%d", pco->iDComplexity);
  }
}

std::string BrushText(BRUSHOBJ* pbo) {
  if (!pbo) return "none";
  if (pbo->iSolidColor != 0xFFFFFFFF) return Format("solid:%06X", pbo->iSolidColor);
  void* realized = BRUSHOBJ_pvGetRbrush(pbo);
  if (!realized) return "unrealized";
  int id = 0;
  std::memcpy(&id, realized, sizeof(id));
  return Format("pattern#%d", id);
}

std::string LineText(const LINEATTRS* la) {
  if (!la) return "none";
  bool geometric = la->fl & LA_GEOMETRIC;
  std::string out = Format("fl=%X", la->fl);
  out += geometric ? Format(" w=%g join=%u cap=%u miter=%g", la->elWidth.e, la->iJoin, la->iEndCap, la->eMiterLimit)
                   : Format(" w=%d", la->elWidth.l);
  if (la->pstyle) {
    out += " style=[";
    for (ULONG i = 0; i < la->cstyle; ++i)
      out += (i ? "," : "") + (geometric ? Format("%g", la->pstyle[i].e) : Format("%d", la->pstyle[i].l));
    out += "]";
  }
  out += Format(" state=%X", static_cast<unsigned>(la->elStyleState.l));
  return out;
}

std::string SurfaceText(SURFOBJ* so) {
  if (!so) return "none";
  if (so->iType != STYPE_BITMAP) return "device";
  std::string out = Format("bmp%dx%d/f%u/%s", so->sizlBitmap.cx, so->sizlBitmap.cy, so->iBitmapFormat,
                           so->lDelta < 0 ? "up" : "down");
  // The first picture row, at most 12 bytes of it.
  LONG bytes = so->lDelta < 0 ? -so->lDelta : so->lDelta;
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0);
  out += ":";
  for (LONG i = 0; i < bytes && i < 12; ++i) out += Format("%02X", row[i]);
  return out;
}

std::string XlateText(XLATEOBJ* pxlo) {
  if (!pxlo) return "none";
  if (pxlo->flXlate & XO_TRIVIAL) return "trivial";
  if (pxlo->flXlate & XO_TABLE) {
    std::string out = Format("table%u[", pxlo->cEntries);
    for (ULONG i = 0; i < pxlo->cEntries && i < 4; ++i) out += (i ? "," : "") + Format("%06X", pxlo->pulXlate[i]);
    return out + "]";
  }
  return Format("fl%X:%06X", pxlo->flXlate, XLATEOBJ_iXlate(pxlo, 0x00102030));
}

BOOL Answer(const char* name, const std::string& details) {
  Log(std::string(name) + " " + details);
  return Refused(name) ? FALSE : TRUE;
}

DHPDEV APIENTRY EnablePdev(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG cjCaps, ULONG* caps, ULONG cjDevInfo, DEVINFO* pdi,
                           HDEV hdev, LPWSTR, HANDLE) {
  auto* pdev = new DrawingPdev;
  pdev->hdev = hdev;
  GDIINFO info{};
  info.ulVersion = 0x400;
  info.ulTechnology = DT_RASPRINTER;
  info.ulHorzRes = 2000;
  info.ulVertRes = 3000;
  info.ulLogPixelsX = info.ulLogPixelsY = 600;
  info.cBitsPixel = 24;
  info.cPlanes = 1;
  std::memcpy(caps, &info, cjCaps < sizeof(info) ? cjCaps : sizeof(info));
  DEVINFO devinfo{};
  devinfo.flGraphicsCaps = GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL;
  pdev->hpal = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
  devinfo.hpalDefault = pdev->hpal;
  std::memcpy(pdi, &devinfo, cjDevInfo < sizeof(devinfo) ? cjDevInfo : sizeof(devinfo));
  g_clipIds.clear();
  g_nextBrushId = 1;
  return reinterpret_cast<DHPDEV>(pdev);
}

VOID APIENTRY CompletePdev(DHPDEV dhpdev, HDEV hdev) { reinterpret_cast<DrawingPdev*>(dhpdev)->hdev = hdev; }

HSURF APIENTRY EnableSurface(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<DrawingPdev*>(dhpdev);
  pdev->hsurf = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{2000, 3000}, BMF_24BPP);
  EngAssociateSurface(pdev->hsurf, pdev->hdev,
                      HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_FILLPATH |
                          HOOK_STROKEANDFILLPATH | HOOK_COPYBITS | HOOK_TRANSPARENTBLT | HOOK_GRADIENTFILL);
  return pdev->hsurf;
}

VOID APIENTRY DisableSurface(DHPDEV dhpdev) { EngDeleteSurface(reinterpret_cast<DrawingPdev*>(dhpdev)->hsurf); }

VOID APIENTRY DisablePdev(DHPDEV dhpdev) {
  auto* pdev = reinterpret_cast<DrawingPdev*>(dhpdev);
  EngDeletePalette(pdev->hpal);
  delete pdev;
}

BOOL APIENTRY StartDoc(SURFOBJ*, LPWSTR, DWORD) { return TRUE; }
BOOL APIENTRY StartPage(SURFOBJ*) { return TRUE; }
BOOL APIENTRY SendPage(SURFOBJ*) { return TRUE; }
BOOL APIENTRY EndDoc(SURFOBJ*, FLONG) { return TRUE; }

BOOL APIENTRY RealizeBrush(BRUSHOBJ* pbo, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask, XLATEOBJ* pxlo,
                           ULONG iHatch) {
  std::string rows;
  if (pattern) {
    LONG bytes = pattern->lDelta < 0 ? -pattern->lDelta : pattern->lDelta;
    for (LONG y = 0; y < pattern->sizlBitmap.cy && y < 8; ++y) {
      const BYTE* row = static_cast<const BYTE*>(pattern->pvScan0) + static_cast<ptrdiff_t>(y) * pattern->lDelta;
      rows += y ? "." : "";
      for (LONG i = 0; i < bytes && i < 4; ++i) rows += Format("%02X", row[i]);
    }
  }
  Log(Format("DrvRealizeBrush hatch=%u target=%s pattern=%dx%d/f%u rows=%s mask=%s xlate=%s", iHatch,
             target && target->iType == STYPE_DEVICE ? "device" : "other", pattern ? pattern->sizlBitmap.cx : 0,
             pattern ? pattern->sizlBitmap.cy : 0, pattern ? pattern->iBitmapFormat : 0, rows.c_str(),
             mask ? "yes" : "no", XlateText(pxlo).c_str()));
  if (Refused("DrvRealizeBrush")) return FALSE;
  void* rbrush = BRUSHOBJ_pvAllocRbrush(pbo, sizeof(int));
  if (!rbrush) return FALSE;
  int id = g_nextBrushId++;
  std::memcpy(rbrush, &id, sizeof(id));
  return TRUE;
}

BOOL APIENTRY StrokePath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pbo, POINTL*, LINEATTRS* la,
                         MIX mix) {
  return Answer("DrvStrokePath", Format("path=[%s] clip=%s brush=%s la={%s} mix=%04X", PathText(ppo).c_str(),
                                        ClipText(pco).c_str(), BrushText(pbo).c_str(), LineText(la).c_str(), mix));
}

BOOL APIENTRY FillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* origin, MIX mix, FLONG options) {
  return Answer("DrvFillPath",
                Format("path=[%s] clip=%s brush=%s origin=%d,%d mix=%04X %s", PathText(ppo).c_str(),
                       ClipText(pco).c_str(), BrushText(pbo).c_str(), origin ? origin->x : 0, origin ? origin->y : 0,
                       mix, options & FP_WINDINGMODE ? "winding" : "alternate"));
}

BOOL APIENTRY StrokeAndFillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pen, LINEATTRS* la,
                                BRUSHOBJ* fill, POINTL*, MIX mix, FLONG options) {
  return Answer("DrvStrokeAndFillPath",
                Format("path=[%s] clip=%s pen=%s la={%s} brush=%s mix=%04X %s", PathText(ppo).c_str(),
                       ClipText(pco).c_str(), BrushText(pen).c_str(), LineText(la).c_str(), BrushText(fill).c_str(),
                       mix, options & FP_WINDINGMODE ? "winding" : "alternate"));
}

BOOL APIENTRY BitBlt(SURFOBJ*, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* trg, POINTL* at,
                     POINTL*, BRUSHOBJ* pbo, POINTL*, ROP4 rop4) {
  return Answer("DrvBitBlt", Format("trg=%s src=%s at=%s mask=%s clip=%s xlate=%s brush=%s rop4=%04X",
                                    Rect(*trg).c_str(), SurfaceText(src).c_str(),
                                    at ? Format("%d,%d", at->x, at->y).c_str() : "none", mask ? "yes" : "no",
                                    ClipText(pco).c_str(), XlateText(pxlo).c_str(), BrushText(pbo).c_str(), rop4));
}

BOOL APIENTRY CopyBits(SURFOBJ*, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dst, POINTL* at) {
  return Answer("DrvCopyBits", Format("dst=%s src=%s at=%d,%d clip=%s xlate=%s", Rect(*dst).c_str(),
                                      SurfaceText(src).c_str(), at->x, at->y, ClipText(pco).c_str(),
                                      XlateText(pxlo).c_str()));
}

BOOL APIENTRY StretchBlt(SURFOBJ*, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                         POINTL*, RECTL* dst, RECTL* srcRect, POINTL*, ULONG mode) {
  std::string ca = pca ? Format("size=%u contrast=%d", pca->caSize, pca->caContrast) : "none";
  return Answer("DrvStretchBlt", Format("dst=%s src=%s from=%s mask=%s clip=%s xlate=%s ca=%s mode=%u",
                                        Rect(*dst).c_str(), SurfaceText(src).c_str(), Rect(*srcRect).c_str(),
                                        mask ? "yes" : "no", ClipText(pco).c_str(), XlateText(pxlo).c_str(),
                                        ca.c_str(), mode));
}

BOOL APIENTRY TransparentBlt(SURFOBJ*, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* dst, RECTL* srcRect,
                             ULONG color, ULONG) {
  return Answer("DrvTransparentBlt", Format("dst=%s src=%s from=%s clip=%s xlate=%s transparent=%06X",
                                            Rect(*dst).c_str(), SurfaceText(src).c_str(), Rect(*srcRect).c_str(),
                                            ClipText(pco).c_str(), XlateText(pxlo).c_str(), color));
}

BOOL APIENTRY GradientFill(SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo, TRIVERTEX* v, ULONG nv, PVOID mesh, ULONG nm,
                           RECTL* extents, POINTL*, ULONG mode) {
  std::string vertices;
  for (ULONG i = 0; i < nv && i < 4; ++i)
    vertices += Format(" (%d,%d:%04X,%04X,%04X)", v[i].x, v[i].y, v[i].Red, v[i].Green, v[i].Blue);
  std::string meshText;
  const ULONG* m = static_cast<const ULONG*>(mesh);
  ULONG perMesh = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
  for (ULONG i = 0; m && i < nm * perMesh && i < 6; ++i) meshText += Format("%s%u", i ? "," : "", m[i]);
  return Answer("DrvGradientFill", Format("mode=%u extents=%s clip=%s xlate=%s mesh=[%s]%s", mode,
                                          Rect(*extents).c_str(), ClipText(pco).c_str(), XlateText(pxlo).c_str(),
                                          meshText.c_str(), vertices.c_str()));
}

DRVFN g_functions[] = {
    {INDEX_DrvEnablePDEV, reinterpret_cast<PFN>(EnablePdev)},
    {INDEX_DrvCompletePDEV, reinterpret_cast<PFN>(CompletePdev)},
    {INDEX_DrvDisablePDEV, reinterpret_cast<PFN>(DisablePdev)},
    {INDEX_DrvEnableSurface, reinterpret_cast<PFN>(EnableSurface)},
    {INDEX_DrvDisableSurface, reinterpret_cast<PFN>(DisableSurface)},
    {INDEX_DrvStartDoc, reinterpret_cast<PFN>(StartDoc)},
    {INDEX_DrvStartPage, reinterpret_cast<PFN>(StartPage)},
    {INDEX_DrvSendPage, reinterpret_cast<PFN>(SendPage)},
    {INDEX_DrvEndDoc, reinterpret_cast<PFN>(EndDoc)},
    {INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(RealizeBrush)},
    {INDEX_DrvStrokePath, reinterpret_cast<PFN>(StrokePath)},
    {INDEX_DrvFillPath, reinterpret_cast<PFN>(FillPath)},
    {INDEX_DrvStrokeAndFillPath, reinterpret_cast<PFN>(StrokeAndFillPath)},
    {INDEX_DrvBitBlt, reinterpret_cast<PFN>(BitBlt)},
    {INDEX_DrvCopyBits, reinterpret_cast<PFN>(CopyBits)},
    {INDEX_DrvStretchBlt, reinterpret_cast<PFN>(StretchBlt)},
    {INDEX_DrvTransparentBlt, reinterpret_cast<PFN>(TransparentBlt)},
    {INDEX_DrvGradientFill, reinterpret_cast<PFN>(GradientFill)},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL APIENTRY DrvEnableDriver(ULONG, ULONG cj, DRVENABLEDATA* pded) {
  if (cj < sizeof(DRVENABLEDATA)) return FALSE;
  pded->iDriverVersion = DDI_DRIVER_VERSION_NT5;
  pded->c = sizeof(g_functions) / sizeof(g_functions[0]);
  pded->pdrvfn = g_functions;
  return TRUE;
}
