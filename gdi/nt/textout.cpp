// DrvTextOut and DrvGetGlyphMode: one text call of the engine as PCL XL. The font of the call
// reaches the printer as a resident font (a device font, or a face the user substituted), a
// TrueType soft font built from the face's own data, or a bitmap soft font of the engine's
// glyph images; then the opaque rectangle, the text runs and the extra rectangles (underline,
// strike-out) are written.
#include "gdi/nt/textout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gdi/gx.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/enable.h"
#include "gdi/nt/fontdata.h"
#include "gdi/nt/paths.h"
#include "gdi/nt/pclxlnt.h"
#include "gdi/pclxl.h"
#include "gdi/tx.h"
#include "gdi/util.h"

namespace {

// Bit of the job's debug flags word that enables text.
constexpr DWORD kDumpTextEnabled = 0x2;
// Shear and bold value of the italic and bold simulations.
constexpr float kSimulatedShear = 0.31623f;
constexpr float kSimulatedBold = 0.015f;

// Character size, width and angle from the font's notional-to-device transform.
struct FontGeometry {
  LONG size;
  LONG width;
  LONG angle;  // degrees, 0..359; -1 without a transform
};

FontGeometry Geometry(PDEV* pdev, FONTOBJ* pfo, const IFIMETRICS* ifi) {
  FontGeometry g{0, 0, -1};
  XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
  XFORML x{};
  if (!pxo || XFORMOBJ_iGetXform(pxo, &x) == DDI_ERROR) {
    PDEV_REPORT_ERROR(pdev);
    return g;
  }
  double upm = ifi && ifi->fwdUnitsPerEm > 0 ? ifi->fwdUnitsPerEm : 2048;
  double ex = upm * x.eM21, ey = upm * x.eM22;  // the em vector (0, units per em) in device space
  double square = ex * ex + ey * ey;
  double root = std::sqrt(square);
  LONG size = static_cast<LONG>(std::floor(root));
  while (static_cast<double>(size) * size < square - 1e-6) ++size;  // the smallest n with n^2 >= |em|^2
  g.size = size;
  LONG width = 0;
  if (x.eM22 != 0) width = static_cast<LONG>(size * std::fabs(x.eM11) / std::fabs(x.eM22));
  g.width = width ? width : size;
  // The em vector points up the glyphs; turned back by 90 degrees it gives the baseline's
  // counter-clockwise angle on the page. PCL XL turns characters clockwise.
  LONG up = FixAtan2(static_cast<LONG>(std::lround(ex * 16)), static_cast<LONG>(std::lround(-ey * 16)));
  LONG baseline = ((up - 900) % 3600 + 3600) % 3600;
  LONG degrees = (baseline + 5) / 10;
  g.angle = ((360 - degrees) % 360 + 360) % 360;
  return g;
}

bool FaceIsVertical(const IFIMETRICS* ifi) {
  if (!ifi) return false;
  const WCHAR* face = reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFaceName);
  return face[0] == u'@';
}

// Realises the call's font for the printer. FALSE only when no way of sending it is left.
BOOL RealizeFont(PDEV* pdev, STROBJ* pstro, FONTOBJ* pfo, TxFont* font, const FontGeometry& g) {
  const RenderDevmode& job = pdev->job.jobSettings;
  IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  pdev->job.text.pitchAndFamily = ifi ? ifi->jWinPitchAndFamily : 0;
  font->size = g.size;
  font->width = g.width;
  font->angle = g.angle;
  font->pfo = pfo;
  font->resolution = static_cast<WORD>(600 * (job.dmPrivate.image.bResolution + 1));
  WCHAR faceName[LF_FACESIZE + 1] = {};
  if (ifi) {
    const WCHAR* face = reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFaceName);
    for (size_t i = 0; i < LF_FACESIZE && face[i]; ++i) faceName[i] = face[i];
  }
  char ansiFace[32] = {};
  Util_UnicodeToAnsi(ansiFace, faceName, sizeof ansiFace);

  if (pfo->flFontType & FO_TYPE_DEVICE) {
    ULONG row = pfo->iFace - 1;
    font->kind = TXK_DEVICE;
    std::memcpy(font->pclName, kDeviceFontTable[row].name, 16);
    font->symbolSet = static_cast<WORD>(kDeviceFontTable[row].symbolSet);
    font->fontNumber = static_cast<WORD>(row);
    PDEV_REPORT_ERROR(pdev);  // a device font was handed although none is offered
  } else if (pfo->flFontType & (FO_TYPE_TRUETYPE | FO_TYPE_OPENTYPE)) {
    font->kind = TXK_TRUETYPE;
  } else {
    font->kind = TXK_BITMAP;  // raster, Type 1 and any other technology: the engine's images
  }
  if (font->kind != TXK_DEVICE && job.dmPrivate.device.dwUiExtra2) font->kind = TXK_BITMAP;

  if (pstro->cGlyphs && pstro->pwszOrg && !font->glyphIndex && job.dmPrivate.device.dwUiExtra1 == 0 &&
      FontData_StringAllowsSubstitution(pstro->pwszOrg, pstro->cGlyphs)) {
    char pclName[17] = {};
    DWORD symbolSet = 0;
    DWORD number = FontData_Substitute(pdev, faceName, pclName, sizeof pclName, &symbolSet);
    if (number) {
      font->kind = TXK_DEVICE;
      std::memcpy(font->pclName, pclName, 16);
      font->symbolSet = static_cast<WORD>(symbolSet);
      font->fontNumber = static_cast<WORD>(number);
    }
  }

  bool simItalic = (pfo->flFontType & FO_SIM_ITALIC) && !(ifi && (ifi->fsSelection & FM_SEL_ITALIC));
  bool simBold = (pfo->flFontType & FO_SIM_BOLD) && !(ifi && (ifi->fsSelection & FM_SEL_BOLD));
  font->shear = simItalic ? kSimulatedShear : 0.0f;
  font->boldValue = simBold ? kSimulatedBold : 0.0f;

  if (font->kind == TXK_TRUETYPE) {
    bool upright = g.angle == 0 || g.angle == 360;
    ULONG fileSize = 0;
    PVOID file = upright && !FaceIsVertical(ifi) ? FONTOBJ_pvTrueTypeFontFile(pfo, &fileSize) : nullptr;
    WORD number = 0;
    if (file && SoftFont_OpenTrueType(&font->tt, file, fileSize, ansiFace, pfo->iUniq)) {
      font->tt.sendSpaceBare = !font->glyphIndex && std::strcmp(ansiFace, "Palatino Linotype") != 0;
      BOOL sent = FALSE;
      number = SoftFont_EnsureTrueType(pdev, &font->tt, &sent);
      if (sent) font->downloaded = true;
    }
    if (number) {
      font->fontNumber = number;
      font->symbolSet = 2;
      pdev->job.text.flags |= TXF_TRUETYPE_SOFT;
      pdev->job.text.trueTypeMode = TRUE;
      pdev->job.text.trueTypeFont = number;
    } else {
      font->kind = TXK_BITMAP;
    }
  }
  if (font->kind == TXK_BITMAP) {
    std::memcpy(font->bitmap.faceName, ansiFace, sizeof font->bitmap.faceName);
    font->bitmap.iUniq = pfo->iUniq;
    if (!Tx_UseBitmapFont(pdev, font)) return FALSE;
  }
  if (font->kind == TXK_DEVICE) {
    pdev->job.text.flags |= TXF_DEVICE_FONT;
    pdev->job.text.trueTypeMode = FALSE;
    ++pdev->job.text.deviceFontRuns;
  }
  pdev->job.text.charSize = font->size;
  return TRUE;
}

// What the call may paint: the text's box with its opaque and extra rectangles. A clip
// rectangle that holds all of it need not be sent.
RECTL DrawingBounds(const STROBJ* pstro, const RECTL* opaque, const RECTL* extra) {
  RECTL bounds = pstro->rclBkGround;
  auto add = [&](const RECTL& r) {
    bounds.left = std::min(bounds.left, r.left);
    bounds.top = std::min(bounds.top, r.top);
    bounds.right = std::max(bounds.right, r.right);
    bounds.bottom = std::max(bounds.bottom, r.bottom);
  };
  if (opaque) add(*opaque);
  for (const RECTL* r = extra; r && (r->left || r->top || r->right || r->bottom); ++r) add(*r);
  return bounds;
}

BOOL WriteString(PDEV* pdev, STROBJ* pstro, TxFont* font) {
  const WCHAR* chars = pstro->pwszOrg;
  if (pstro->pgp) {
    PclXl_SetCursor(pdev, static_cast<SHORT>(pstro->pgp[0].ptl.x), static_cast<SHORT>(pstro->pgp[0].ptl.y));
    return Tx_WriteRun(pdev, font, pstro->pgp, chars, pstro->cGlyphs, pstro->ulCharInc);
  }
  STROBJ_vEnumStart(pstro);
  ULONG done = 0;
  for (;;) {
    ULONG count = 0;
    PGLYPHPOS glyphs = nullptr;
    BOOL more = STROBJ_bEnum(pstro, &count, &glyphs);
    if (more == static_cast<BOOL>(DDI_ERROR)) return FALSE;
    if (count && glyphs) {
      if (done + count > pstro->cGlyphs) return FALSE;  // a batch past the string's glyphs
      PclXl_SetCursor(pdev, static_cast<SHORT>(glyphs[0].ptl.x), static_cast<SHORT>(glyphs[0].ptl.y));
      if (!Tx_WriteRun(pdev, font, glyphs, chars ? chars + done : nullptr, count, pstro->ulCharInc)) return FALSE;
      done += count;
    }
    if (!more) return TRUE;
  }
}

}  // namespace

const DeviceFontRow kDeviceFontTable[DEVICE_FONT_ROWS] = {
    {"Wingdings       ", 18540}, {"Albertus      Md", 590}, {"Albertus      Xb", 590}, {"AntiqOlive      ", 590},
    {"AntiqOlive    It", 590},   {"AntiqOlive    Bd", 590}, {"Courier         ", 590}, {"Courier       It", 590},
    {"Courier       Bd", 590},   {"Courier     BdIt", 590}, {"LetterGothic    ", 590}, {"LetterGothic  It", 590},
    {"LetterGothic  Bd", 590},   {"Coronet         ", 590}, {"CG Times        ", 590}, {"CG Times      It", 590},
    {"CG Times      Bd", 590},   {"CG Times    BdIt", 590}, {"Univers       Md", 590}, {"Univers     MdIt", 590},
    {"Univers       Bd", 590},   {"Univers     BdIt", 590}, {"Univers     CdMd", 590}, {"Univers   CdMdIt", 590},
    {"Univers     CdBd", 590},   {"Univers   CdBdIt", 590}, {"Clarendon   CdBd", 590}, {"Garamond Antiqua", 590},
    {"Garamond    Krsv", 590},   {"Garamond     Hlb", 590}, {"Garamond KrsvHlb", 590}, {"Marigold        ", 590},
    {"CG Omega        ", 590},   {"CG Omega      It", 590}, {"CG Omega      Bd", 590}, {"CG Omega    BdIt", 590},
    {"Arial           ", 590},   {"Arial         It", 590}, {"Arial         Bd", 590}, {"Arial       BdIt", 590},
    {"Symbol          ", 621},   {"TimesNewRmn     ", 590}, {"TimesNewRmn   It", 590}, {"TimesNewRmn   Bd", 590},
    {"TimesNewRmn BdIt", 590},   {"Line Printer  0N", 14},
};

BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  if (!pso || !pstro || !pfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PDEV* pdev = Pdev_FromSurface(pso);
  if (!pdev || !ValidatePdev(pdev, TRUE, CALL_TEXTOUT)) return FALSE;
  if (!(pdev->jobCtl.flags & JF_PAGE_OPEN)) return FALSE;
  if (Pdev_IsOutputStopped(pdev)) return FALSE;
  pdev->job.gx.objectKind = GX_KIND_TEXT;
  const RenderDevmode& job = pdev->job.jobSettings;
  // Text is enabled by bit 0x2 of the debug flags word; without it the call draws nothing.
  if (!(job.dmPrivate.dwDumpFlags & kDumpTextEnabled) || Gx_IsCallSkipped(pdev)) return TRUE;
  ++pdev->job.text.textCalls;

  TxFont font{};
  PdevTextState& text = pdev->job.text;
  text.flags = 0;
  if (pfo->flFontType & FO_DBCS_FONT) {
    text.flags |= TXF_DBCS_FONT;
    font.dbcs = true;
  }
  USHORT oem = 0, ansi = 0;
  EngGetCurrentCodePage(&oem, &ansi);
  DWORD codePage = STROBJ_dwGetCodePage(pstro);
  font.codePage = codePage ? codePage : ansi;
  text.codePage = font.codePage;
  font.glyphIndex = (pstro->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
  if (pstro->cGlyphs && pstro->pwszOrg) {
    char first[2];
    if (EngWideCharToMultiByte(font.codePage, pstro->pwszOrg, sizeof(WCHAR), first, sizeof first) > 0)
      text.flags |= TXF_FIRST_CONVERTIBLE;
  }
  if ((pfo->flFontType & FO_TYPE_DEVICE) &&
      (pfo->iFace < 1 || pfo->iFace > pdev->deviceFontCount[0] + pdev->deviceFontCount[1] ||
       pfo->iFace > DEVICE_FONT_ROWS)) {
    PDEV_REPORT_ERROR(pdev);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FontGeometry g = Geometry(pdev, pfo, FONTOBJ_pifi(pfo));
  // A degenerate transform has no size: nothing can be scaled to it, so the run is left out.
  if (g.angle >= 0 && g.size == 0) return TRUE;
  if (g.angle < 0) g.size = g.width = 1;
  if (!RealizeFont(pdev, pstro, pfo, &font, g)) return FALSE;

  // The clip and the brushes follow the rules of every drawing call. A clip or brush the
  // printer cannot be given fails the call, so the engine draws the text itself.
  const RECTL bounds = DrawingBounds(pstro, prclOpaque, prclExtra);
  if (!Clip_Set(pdev, pco, nullptr, &bounds)) return FALSE;
  if (prclOpaque && pboOpaque) {
    if (!Brush_Select(pdev, pboOpaque, pptlOrg, TRUE)) return FALSE;
    Gx_SetRop(pdev, 0xF0, GX_TRANSPARENT, GX_TRANSPARENT, 0);
    Gx_RectanglePath(pdev, prclOpaque);
  }
  if (!Brush_Select(pdev, pboFore, pptlOrg, TRUE)) return FALSE;
  Gx_SetRop(pdev, 0xFC, GX_TRANSPARENT, GX_TRANSPARENT, 0);
  if (pstro->cGlyphs && !WriteString(pdev, pstro, &font)) return FALSE;
  if (prclExtra) {
    Brush_Select(pdev, pboFore, pptlOrg, TRUE);
    Gx_SetRop(pdev, Path_MixToRop(mix), GX_TRANSPARENT, GX_TRANSPARENT, 0);
    for (const RECTL* r = prclExtra; r->left || r->top || r->right || r->bottom; ++r) Gx_RectanglePath(pdev, r);
  }
  return TRUE;
}

ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }
