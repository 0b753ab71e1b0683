// Page layout geometry: each logical page's origin, turn and scale on its sheet.
#include <cmath>
#include <cstring>
#include <utility>

#include "gdi/form.h"
#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/pclxl.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

namespace {

// Booklet imposition places two pages per side with its own scale; it keeps every page upright
// and at scale 1 here.
bool PrivateSheetFlag(const RenderDevmode& settings) { return settings.dmPrivate.bBooklet != 0; }

bool IsLandscape(int orientation) { return orientation == DMORIENT_LANDSCAPE; }

bool PrintsNup(const PDEV* pdev) { return Devmode_GetNupNum(&pdev->job.jobSettings) > 1; }

// The grid (g1, g2) of an N-up count; counts the settings never hold print one page a sheet.
void GridOf(BYTE count, int& g1, int& g2) {
  switch (count) {
    case 2: g1 = 2; g2 = 1; break;
    case 4: g1 = 2; g2 = 2; break;
    case 8: g1 = 4; g2 = 2; break;
    case 16: g1 = 4; g2 = 4; break;
    default: g1 = 1; g2 = 1; break;
  }
}

// True when the model has a printable geometry for the paper of the settings; otherwise the
// model gives the locale's paper instead.
bool PaperKnown(const RenderDevmode& settings) {
  const SHORT id = settings.dmPublic.dmPaperSize;
  const LONG factor = JobCtrl_ResolutionIndex(&settings) + 1;
  if (const XMODEL_PAPER* row = XModel_FindPaper(id)) {
    const XMODEL_GEOMETRY& g = row->portrait;
    return g.width * factor <= 32767 && g.height * factor <= 32767;
  }
  if (id >= RENDER_CUSTOM_FIRST_ID && id <= RENDER_CUSTOM_LAST_ID) {
    const CUSTOM_PAPER_SLOT& slot = settings.dmPrivate.custom[id - RENDER_CUSTOM_FIRST_ID];
    return XModel_IsCustomSizePrintable(static_cast<LONG>(slot.dwCustomWidthDots),
                                        static_cast<LONG>(slot.dwCustomLengthDots));
  }
  return false;
}

void Swap(SHORT& a, SHORT& b) {
  SHORT t = a;
  a = b;
  b = t;
}

// The current page's paper in the frame of the job's first page: width with height and the
// margins pairwise exchanged when the page's orientation differs from the first page's.
PdevPage PageInFirstFrame(const PDEV* pdev) {
  PdevPage page = pdev->physicalPage;
  if (pdev->orientation != pdev->job.pageFlow.referenceOrientation) {
    Swap(page.width, page.height);
    Swap(page.left, page.top);
    Swap(page.right, page.bottom);
  }
  return page;
}

double SafeRatio(double numerator, double denominator) { return denominator > 0 ? numerator / denominator : 1.0; }

// The N-up scale for a sheet area of W x H (the job page before the sheet turns).
double NupScaleFor(const PDEV* pdev, double W, double H) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const SHORT m = JobCtrl_EdgeMargin(&job);
  int g1 = 1, g2 = 1;
  GridOf(job.dmPrivate.nup.bNupNum, g1, g2);
  const int a = g1 < g2 ? g1 : g2;
  const int b = g1 < g2 ? g2 : g1;
  PdevPage page = PageInFirstFrame(pdev);
  double cw = page.width - 2.0 * m;
  double ch = page.height - 2.0 * m;
  if (job.dmPrivate.nup.bNupFlags & NUP_FLAG_BORDERS) {
    // Room for the cell borders, which are drawn inside each cell.
    const double grow = 12.0 * (JobCtrl_ResolutionIndex(&job) + 1) * (g1 + 4);
    cw += grow;
    ch += grow;
  }
  if (g1 == g2) return std::fmin(SafeRatio(W, a * cw), SafeRatio(H, a * ch));
  if (!IsLandscape(pdev->job.pageFlow.referenceOrientation))
    return std::fmin(SafeRatio(H, b * cw), SafeRatio(W, a * ch));
  return std::fmin(SafeRatio(H, a * cw), SafeRatio(W, b * ch));
}

void SetNupScale(PDEV* pdev, double scale) {
  pdev->job.layout.nupScale[0] = scale;
  pdev->job.layout.nupScale[1] = scale;
  pdev->job.layout.fitFactor[0] = scale;
  pdev->job.layout.fitFactor[1] = scale;
}

// The origin of a part (width pw, height ph, upright) in slot s of a page w x h with edge
// margin m.
void UprightSlotOrigin(int slot, LONG w, LONG h, LONG m, LONG pw, LONG ph, LONG& x, LONG& y) {
  switch (slot) {
    case 1: x = (w - pw) / 2; y = m; break;
    case 2: x = w - m - pw; y = m; break;
    case 3: x = m; y = h - m - ph; break;
    case 4: x = (w - pw) / 2; y = h - m - ph; break;
    case 5: x = w - m - pw; y = h - m - ph; break;
    default: x = m; y = m; break;
  }
}

SHORT Short(LONG v) { return static_cast<SHORT>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

}  // namespace

// ---- Settings read by the layout -----------------------------------------------------------------

int JobCtrl_ResolutionIndex(const RenderDevmode* settings) {
  return settings->dmPrivate.image.bResolution == 1 ? 1 : 0;
}

SHORT JobCtrl_EdgeMargin(const RenderDevmode* settings) {
  return static_cast<SHORT>(96 * (JobCtrl_ResolutionIndex(settings) + 1));
}

BYTE Devmode_GetNupNum(const RenderDevmode* settings) { return settings->dmPrivate.nup.bNupNum; }

BOOL JobCtrl_IsRotated180(const PDEV* pdev, int orientation) {
  switch (pdev->job.jobSettings.dmPrivate.bRotate180) {
    case 1: return orientation == DMORIENT_LANDSCAPE;
    case 2: return orientation == DMORIENT_PORTRAIT;
    case 3: return TRUE;
    default: return FALSE;
  }
}

// ---- The job's page, box and scales ------------------------------------------------------------

void JobCtrl_GetPageGeometry(PDEV* pdev) {
  PdevJobState& job = pdev->job;
  job.jobSettings = pdev->settings;
  // A job that creates a form is printed one-sided: the form holds single pages. The rule is on
  // the copy just taken, so that no later retaking of the job copy undoes it.
  if (job.jobSettings.dmPrivate.overlay.bOverlay == OVERLAY_CREATE) job.jobSettings.dmPrivate.bDocumentStyle = 0;
  Form_KeepPathInJobCopy(pdev);
  job.jobOrientation = IsLandscape(pdev->orientation) ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  const RenderDevmode& settings = job.jobSettings;
  const SHORT fit = settings.dmPrivate.scale.FtoPaper;
  if (fit != 0) {
    // The sheets are printed on the fit-to paper; the document keeps its own.
    RenderDevmode output = settings;
    output.dmPublic.dmPaperSize = fit;
    XModel_GetPaperGeometry(&job.jobPage, &output, XMODEL_EDGE_MARGIN, FALSE, pdev);
    job.substitutedPaper = 0;
  } else {
    XModel_GetPaperGeometry(&job.jobPage, &settings, XMODEL_EDGE_MARGIN, FALSE, pdev);
    job.substitutedPaper = PaperKnown(settings) ? 0 : (Devmode_IsMetricLocale() ? DMPAPER_A4 : DMPAPER_LETTER);
  }
  job.layout.outputPaper = static_cast<WORD>(job.substitutedPaper);
}

void JobCtrl_ComputePrintableBox(PDEV* pdev) {
  const SHORT m = JobCtrl_EdgeMargin(&pdev->job.jobSettings);
  const PdevPage& page = pdev->physicalPage;
  SHORT* box = pdev->job.layout.printableBox;
  box[0] = 0;
  box[1] = 0;
  box[2] = static_cast<SHORT>(page.width - 2 * m);
  box[3] = static_cast<SHORT>(page.height - 2 * m);
}

double JobCtrl_FitRatio(PDEV* pdev) {
  const SHORT m = JobCtrl_EdgeMargin(&pdev->job.jobSettings);
  const PdevPage& sheet = pdev->job.jobPage;
  PdevPage document = pdev->physicalPage;
  if (pdev->orientation != pdev->job.jobOrientation) Swap(document.width, document.height);
  double rx = SafeRatio(sheet.width - 2.0 * m, document.width - 2.0 * m);
  double ry = SafeRatio(sheet.height - 2.0 * m, document.height - 2.0 * m);
  return std::fmin(rx, ry);
}

void JobCtrl_ComputePageScale(PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  double scale = 1.0;
  if (Devmode_GetNupNum(&job) <= 1 && !PrivateSheetFlag(job)) {
    // ISFSet still means "the user chose a zoom": no fit and no poster enlargement then. The
    // zoom itself is already in the logical resolution the application draws with.
    const bool zoom = job.dmPrivate.scale.ISFSet == 1;
    const SHORT fit = job.dmPrivate.scale.FtoPaper;
    if ((fit != 0 && fit != job.dmPublic.dmPaperSize && !zoom) || pdev->job.substitutedPaper != 0)
      scale = JobCtrl_FitRatio(pdev);
    // The enlargement needs the tiles of the replay: a poster whose spool file could not be
    // made prints as one page.
    if (job.dmPrivate.bPosterLayout && !zoom && (pdev->job.output.flags & JOF_POSTER)) {
      static const double kTiles[] = {2.0, 3.0, 4.0};
      const DWORD type = job.dmPrivate.poster.wPosterType;
      if (type < 3) scale *= kTiles[type];
    }
  }
  PdevLayoutState& layout = pdev->job.layout;
  layout.pageScale[0] = scale;
  layout.pageScale[1] = scale;
  layout.axisFactor[0] = scale;
  layout.axisFactor[1] = scale;
  // The two common factors stand for the two-pages-per-sheet scale and a spare one; no setting
  // of this system makes either other than 1.
  layout.commonFactor[0] = 1.0;
  layout.commonFactor[1] = 1.0;
}

void JobCtrl_LayoutNup(PDEV* pdev) {
  PdevJobState& job = pdev->job;
  PdevLayoutState& layout = job.layout;
  const BYTE count = Devmode_GetNupNum(&job.jobSettings);
  layout.columns = 1;
  layout.rows = 1;
  if (count <= 1) {
    SetNupScale(pdev, 1.0);
    return;
  }
  const SHORT m = JobCtrl_EdgeMargin(&job.jobSettings);
  int g1 = 1, g2 = 1;
  GridOf(count, g1, g2);
  const int a = g1 < g2 ? g1 : g2;
  const int b = g1 < g2 ? g2 : g1;
  const double W = job.jobPage.width - 2.0 * m;
  const double H = job.jobPage.height - 2.0 * m;
  SetNupScale(pdev, NupScaleFor(pdev, W, H));
  if (g1 == g2) {
    layout.columns = static_cast<DWORD>(a);
    layout.rows = static_cast<DWORD>(a);
    return;
  }
  // Two and eight cells: the larger count runs along the long side of the turned sheet, and
  // the logical pages stay upright in their cells.
  const bool landscapeDocument = IsLandscape(job.pageFlow.referenceOrientation);
  job.jobOrientation = landscapeDocument ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  layout.columns = static_cast<DWORD>(landscapeDocument ? a : b);
  layout.rows = static_cast<DWORD>(landscapeDocument ? b : a);
  Swap(job.jobPage.width, job.jobPage.height);
}

void JobCtrl_RecomputeNupScale(PDEV* pdev) {
  PdevJobState& job = pdev->job;
  if (Devmode_GetNupNum(&job.jobSettings) <= 1) return;
  const SHORT m = JobCtrl_EdgeMargin(&job.jobSettings);
  int g1 = 1, g2 = 1;
  GridOf(Devmode_GetNupNum(&job.jobSettings), g1, g2);
  // The sheet area before the turn: an oblong grid has already exchanged the sheet's sides.
  double W = job.jobPage.width - 2.0 * m;
  double H = job.jobPage.height - 2.0 * m;
  if (g1 != g2) std::swap(W, H);
  SetNupScale(pdev, NupScaleFor(pdev, W, H));
}

// ---- Logical pages on the sheet ----------------------------------------------------------------

POINTL JobCtrl_NupCell(const PDEV* pdev, int index) {
  const PdevJobState& job = pdev->job;
  const int columns = job.layout.columns ? static_cast<int>(job.layout.columns) : 1;
  const int rows = job.layout.rows ? static_cast<int>(job.layout.rows) : 1;
  return XModel_NupCellPosition(job.jobSettings.dmPrivate.nup.bNupPageOrder, job.jobOrientation, index, columns,
                                rows);
}

SHORT JobCtrl_PlaceLogicalPage(PDEV* pdev, SHORT* x, SHORT* y, int pageOnSheet) {
  PdevJobState& job = pdev->job;
  const RenderDevmode& settings = job.jobSettings;
  const LONG m = JobCtrl_EdgeMargin(&settings);
  const LONG r = JobCtrl_ResolutionIndex(&settings);
  const bool nup = PrintsNup(pdev);
  const PdevPage page = nup ? PageInFirstFrame(pdev) : pdev->physicalPage;
  const double scale = job.layout.pageScale[0] * job.layout.nupScale[0];
  const LONG left = static_cast<LONG>((page.left - m) * scale);
  const LONG top = static_cast<LONG>((page.top - m) * scale);
  LONG px = m + left;
  LONG py = m + top;
  SHORT angle = 0;

  if (nup) {
    const LONG columns = job.layout.columns ? static_cast<LONG>(job.layout.columns) : 1;
    const LONG rows = job.layout.rows ? static_cast<LONG>(job.layout.rows) : 1;
    const POINTL cell = JobCtrl_NupCell(pdev, pageOnSheet - 1);
    const LONG sw = job.jobPage.width;
    const LONG sh = job.jobPage.height;
    px += (sw - 2 * m) / columns * cell.x;
    py += (sh - 2 * m) / rows * cell.y;
    if (settings.dmPrivate.nup.bNupFlags & NUP_FLAG_BORDERS) {
      px += 6 + 6 * r;
      py += 6 + 6 * r;
    }
    if (columns * rows == 2 && sw > 0 && sh > 0) {
      // Two pages share the long side: the pair is centred along it.
      if (sw < sh) {
        const LONG t = static_cast<WORD>(sw * sw / sh);
        if (t < sh / 2) py += (sh / 2 - t) / 2;
      } else {
        const LONG t = static_cast<WORD>(sh * sh / sw);
        if (t < sw / 2) px += (sw / 2 - t) / 2;
      }
    }
    if (columns * rows == 8 && !IsLandscape(pdev->orientation))
      px += static_cast<LONG>((sw * 0.25 - sh * job.layout.nupScale[0]) * 0.5);

    if (pdev->orientation != job.pageFlow.referenceOrientation) {
      // A page of the other orientation is turned a quarter in its cell. The extents below are
      // in the frame of the job's first page, which the cell was sized for.
      const double s = job.layout.nupScale[0];
      const LONG printableWidth = page.width - page.left - page.right;
      const LONG printableHeight = page.height - page.top - page.bottom;
      const LONG right = static_cast<LONG>((page.right - m) * scale);
      const LONG bottom = static_cast<LONG>((page.bottom - m) * scale);
      const bool landscapePage = IsLandscape(pdev->orientation);
      const bool same = (JobCtrl_IsRotated180(pdev, pdev->orientation) != FALSE) == (job.pageFlow.turned180Job != 0);
      angle = same ? (landscapePage ? 90 : 270) : (landscapePage ? 270 : 90);
      if (angle == 90) {
        py += static_cast<LONG>(printableHeight * s) - top + bottom;
      } else if (landscapePage && sw < sh) {
        px += static_cast<LONG>(printableWidth * s) - left + bottom;
      } else {
        px += static_cast<LONG>(printableWidth * s) - left + right;
      }
    }
  }
  job.layout.cellAngle = static_cast<WORD>(angle);
  *x = Short(px);
  *y = Short(py);
  return angle;
}

// ---- Form parts ------------------------------------------------------------------------------------

SHORT Escape_PlacePage(PDEV* pdev, int slot, SHORT partHeight, SHORT partWidth, SHORT* x, SHORT* y, RECT16* box) {
  const PdevJobState& job = pdev->job;
  const RenderDevmode& settings = job.jobSettings;
  const PdevPage& page = job.jobPage;
  SHORT angle = 0;
  if (PrintsNup(pdev)) {
    const bool turnedPage = job.pageFlow.turned180 != 0;
    if ((turnedPage && settings.dmPrivate.bRotate180 != 0) ||
        (!turnedPage && settings.dmPrivate.bDocumentStyle == 2 &&
         JobCtrl_IsRotated180(pdev, job.pageFlow.referenceOrientation)))
      angle = 180;
  }
  JobCtrl_PlaceFormSlot(pdev, slot, angle, partWidth, partHeight, x, y);
  const LONG printableWidth = page.width - page.left - page.right;
  const LONG printableHeight = page.height - page.top - page.bottom;
  box->left = 0;
  box->top = 0;
  box->right = Short(partWidth <= printableWidth ? printableWidth : partWidth);
  box->bottom = Short(partHeight <= printableHeight ? printableHeight : partHeight);
  return angle;
}

void JobCtrl_PlaceFormSlot(const PDEV* pdev, int slot, int angle, SHORT partWidth, SHORT partHeight, SHORT* x,
                           SHORT* y) {
  const PdevJobState& job = pdev->job;
  const LONG m = JobCtrl_EdgeMargin(&job.jobSettings);
  const LONG w = job.jobPage.width;
  const LONG h = job.jobPage.height;
  if (slot < 0 || slot > 5) slot = 0;
  LONG ux = 0, uy = 0;
  // The slot is a place on the page as the part is read: at 180 degrees top left is the sheet's
  // bottom right. The turned page frame is mapped back onto the sheet, so that a centred part
  // stays centred (its mirror origin is w - (w - pw) / 2).
  switch (angle) {
    case 90:
      // Page frame h wide and w high; its x axis runs up the sheet from the bottom left corner.
      UprightSlotOrigin(slot, h, w, m, partWidth, partHeight, ux, uy);
      *x = Short(uy);
      *y = Short(h - ux);
      break;
    case 180:
      UprightSlotOrigin(slot, w, h, m, partWidth, partHeight, ux, uy);
      *x = Short(w - ux);
      *y = Short(h - uy);
      break;
    case 270:
      // Page frame h wide and w high; its x axis runs down the sheet from the top right corner.
      UprightSlotOrigin(slot, h, w, m, partWidth, partHeight, ux, uy);
      *x = Short(w - uy);
      *y = Short(ux);
      break;
    default:
      UprightSlotOrigin(slot, w, h, m, partWidth, partHeight, ux, uy);
      *x = Short(ux);
      *y = Short(uy);
      break;
  }
}

int JobCtrl_FirstFormSlot(const PDEV* pdev) {
  const BYTE* slots = reinterpret_cast<const BYTE*>(&pdev->job.jobSettings.dmPrivate) + RENDER_FORM_SLOTS_OFFSET;
  for (size_t i = 0; i < RENDER_FORM_SLOTS; ++i) {
    DWORD first = 0;
    std::memcpy(&first, slots + i * RENDER_FORM_SLOT_BYTES, sizeof first);
    if (first != 0) return static_cast<int>(i) + 1;
  }
  return 0;
}
