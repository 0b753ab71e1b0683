// Booklet playback: the logical pages of the spool file imposed two to a side, four to a sheet,
// in saddle-stitch order, on sheets of the job's paper turned to the other orientation.
//
// Each half of a side is placed as a cell of a two-up sheet: the side's default transform, the
// half's origin, turn and scale, then the logical page's record from its first PageOrigin value
// on, so that the page's own transform composes onto the half's (as a poster tile's does). A
// page whose body resets the transform itself (a watermark's data, a placed form, an N-up
// border: SetPageDefaultCTM inside the body) draws that part over the whole side: the reset
// cannot be told apart from page data without decoding the stream, so such pages are a known
// limitation of booklets.
#include <algorithm>
#include <new>

#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"
#include "gdi/spoolplay.h"
#include "gdi/util.h"
#include "intrface/devmod2.h"

namespace {

bool OutputStopped(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_OUTPUT_STOPPED) != 0; }

// Where the halves of a side go: the origin and scale of each cell of the turned sheet.
struct HalfPlacement {
  SHORT x[2];
  SHORT y[2];
  float scale;
};

SHORT Short(LONG v) { return static_cast<SHORT>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

// The two-cell rule of the N-up layout applied to the job's page: a portrait page goes side by
// side on a landscape sheet, a landscape page one above the other on a portrait sheet.
HalfPlacement PlaceHalves(const PDEV* pdev) {
  const PdevJobState& job = pdev->job;
  const LONG m = JobCtrl_EdgeMargin(&job.jobSettings);
  const bool landscapeDocument = job.jobOrientation == DMORIENT_LANDSCAPE;
  const double W = job.jobPage.width - 2.0 * m;
  const double H = job.jobPage.height - 2.0 * m;
  const double cw = W, ch = H;  // the logical page is the job's page
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 1.0; };
  double scale = landscapeDocument ? std::min(ratio(H, 1 * cw), ratio(W, 2 * ch)) : std::min(ratio(H, 2 * cw), ratio(W, 1 * ch));
  // The turned sheet.
  const LONG sw = job.jobPage.height;
  const LONG sh = job.jobPage.width;
  const LONG columns = landscapeDocument ? 1 : 2;
  const LONG rows = landscapeDocument ? 2 : 1;
  const LONG left = static_cast<LONG>((job.jobPage.left - m) * scale);
  const LONG top = static_cast<LONG>((job.jobPage.top - m) * scale);
  HalfPlacement place{};
  for (int half = 0; half < 2; ++half) {
    const LONG column = columns == 2 ? half : 0;
    const LONG row = rows == 2 ? half : 0;
    LONG x = (sw - 2 * m) / columns * column + m + left;
    LONG y = (sh - 2 * m) / rows * row + m + top;
    if (sw > 0 && sh > 0) {
      if (sw < sh) {
        const LONG t = static_cast<WORD>(sw * sw / sh);
        if (t < sh / 2) y += (sh / 2 - t) / 2;
      } else {
        const LONG t = static_cast<WORD>(sh * sh / sw);
        if (t < sw / 2) x += (sw / 2 - t) / 2;
      }
    }
    place.x[half] = Short(x);
    place.y[half] = Short(y);
  }
  place.scale = static_cast<float>(scale);
  return place;
}

// One sheet of one booklet: the record before the booklet's first page, its page count, and the
// sheet's place in it (0 = outermost).
struct BookletSheet {
  DWORD offset;
  DWORD pages;
  DWORD sheet;
};

class BookletPlayer {
 public:
  BookletPlayer(PDEV* pdev, DWORD copies)
      : pdev_(pdev), out_(pdev->job.output), copies_(copies), halves_(PlaceHalves(pdev)) {}

  void Play();

 private:
  HANDLE File() const { return out_.hSpoolFile; }
  void PlaceHalf(const BookletSheet& sheet, DWORD page, int half);
  void PlaySide(const BookletSheet& sheet, bool back);

  PDEV* pdev_;
  PdevOutputState& out_;
  DWORD copies_;
  HalfPlacement halves_;
  DWORD sidesPlayed_ = 0;
};

// Page `page` (from 1, 0 blank) of the booklet is sheet record offset + page.
void BookletPlayer::PlaceHalf(const BookletSheet& sheet, DWORD page, int half) {
  if (page == 0 || OutputStopped(pdev_)) return;
  const PageRecord& record = out_.pages[sheet.offset + page];
  const ULONGLONG end = record.start + record.length;
  const ULONGLONG mark = Spool_FindMark(pdev_, File(), record.start, end, SPOOL_MARK_PAGE_ORIGIN, SPOOL_MARK_BYTES);
  if (mark == SPOOL_MARK_NOT_FOUND || mark < record.start + SPOOL_ORIGIN_VALUE_BYTES ||
      mark + SPOOL_MARK_BYTES + SPOOL_SHEET_CLOSING_BYTES > end) {
    Util_DebugPrint("Spool_PlayBooklets: page %u without PageOrigin, left blank\n", static_cast<unsigned>(page));
    return;
  }
  PclXl_WriteOp(pdev_, PXL_OP_PushGS);
  PclXl_WriteOp(pdev_, PXL_OP_SetPageDefaultCTM);
  PclXl_SetPageOrigin(pdev_, halves_.x[half], halves_.y[half]);
  PclXl_SetPageRotation(pdev_, 0);
  PclXl_Real32XYAttr(pdev_, halves_.scale, halves_.scale, PXL_A_PageScale);
  PclXl_WriteOp(pdev_, PXL_OP_SetPageScale);
  const ULONGLONG from = mark - SPOOL_ORIGIN_VALUE_BYTES;
  Spool_CopyRange(pdev_, File(), from, end - SPOOL_SHEET_CLOSING_BYTES - from);
  // The page's own state ends with its half.
  Gx_ResetStateCache(pdev_);
  PclXl_WriteOp(pdev_, PXL_OP_PopGS);
}

// One side: a new sheet of the job's paper, turned; its two halves; EndPage for one copy.
void BookletPlayer::PlaySide(const BookletSheet& sheet, bool back) {
  if (OutputStopped(pdev_)) return;
  SpoolBookletSide front{}, rear{};
  Spool_BookletSheet(sheet.pages, sheet.sheet, &front, &rear);
  const SpoolBookletSide& side = back ? rear : front;
  PdevJobState& job = pdev_->job;
  const WORD orientation = job.jobOrientation;
  const WORD pages = job.pagesInJob;
  const DWORD turned = job.pageFlow.turned180BeginPage;
  job.jobOrientation = orientation == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  // The printer's duplex attributes go with the first side only, as on a direct job.
  job.pagesInJob = sidesPlayed_ == 0 ? 1 : 2;
  // Long-edge duplex would show the back of a turned sheet upside down: it is turned back.
  job.pageFlow.turned180BeginPage = back && job.jobSettings.dmPrivate.bDocumentStyle == 2 ? 1 : 0;
  Gx_ResetStateCache(pdev_);
  PclXl_BeginPage(pdev_);
  job.jobOrientation = orientation;
  job.pagesInJob = pages;
  job.pageFlow.turned180BeginPage = turned;
  PlaceHalf(sheet, side.left, 0);
  PlaceHalf(sheet, side.right, 1);
  PclXl_EndPage(pdev_, 1);
  Spool_Flush(pdev_);
  ++sidesPlayed_;
}

void BookletPlayer::Play() {
  const RenderDevmode& settings = pdev_->job.jobSettings;
  if (out_.pageCount < 3) return;
  const DWORD total = out_.pageCount - 2;
  DWORD count = 0;
  for (DWORD b = 0, done = 0; DWORD pages = Spool_BookletPages(settings.dmPrivate.booklet.bBookletMode,
                                                              settings.dmPrivate.booklet.bBookletCount, total, b);
       ++b, done += pages)
    count += (pages + 3) / 4;
  BookletSheet* sheets = new (std::nothrow) BookletSheet[count ? count : 1];
  if (!sheets) {
    pdev_->jobCtl.flags |= JF_OUTPUT_STOPPED | JF_OUTPUT_FAILED;
    return;
  }
  DWORD n = 0;
  for (DWORD b = 0, done = 0; DWORD pages = Spool_BookletPages(settings.dmPrivate.booklet.bBookletMode,
                                                              settings.dmPrivate.booklet.bBookletCount, total, b);
       ++b, done += pages) {
    for (DWORD s = 0; s < (pages + 3) / 4 && n < count; ++s) sheets[n++] = BookletSheet{done, pages, s};
  }
  if (settings.dmPrivate.bDocumentStyle < 3) {
    for (DWORD copy = 0; copy < copies_; ++copy) {
      for (DWORD k = 0; k < n; ++k) {
        PlaySide(sheets[k], false);
        PlaySide(sheets[k], true);
      }
    }
  } else {
    // The driver makes the duplex: every copy's backs, last sheet first, then the fronts.
    for (DWORD copy = 0; copy < copies_; ++copy)
      for (DWORD k = n; k-- > 0;) PlaySide(sheets[k], true);
    for (DWORD copy = 0; copy < copies_; ++copy)
      for (DWORD k = 0; k < n; ++k) PlaySide(sheets[k], false);
  }
  delete[] sheets;
}

}  // namespace

void Spool_PlayBooklets(PDEV* pdev, DWORD copies) { BookletPlayer(pdev, copies).Play(); }
