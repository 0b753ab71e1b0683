// Spool-file replay: the job files at the document start, and the playback at its end.
#include "gdi/spoolplay.h"

#include <cmath>
#include <cstring>
#include <new>

#include <win/files.h>
#include <win/memory.h>

#include "gdi/form.h"
#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/pclxl.h"
#include "gdi/pxlenums.h"
#include "gdi/spool.h"
#include "gdi/util.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

namespace {

// Prefix of the temporary spool file; the system keeps its first three characters.
const WCHAR kSpoolFilePrefix[] = u"tqlbp";

// Bits that need the spool file: the pages are rearranged, repeated or combined with a stored
// form at the job end.
constexpr DWORD kSpooledBits =
    JOF_STORED_FORM | JOF_DRIVER_COLLATE | JOF_REVERSE_ORDER | JOF_POSTER | JOF_DRIVER_DUPLEX | JOF_BOOKLET;
// Bits that keep the job from streaming straight to the printer.
constexpr DWORD kRearrangedBits = kSpooledBits | JOF_FORM_CREATE;

bool OutputStopped(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_OUTPUT_STOPPED) != 0; }

// A read or write of the playback that failed: the printer got a stream with a hole in it, so
// nothing more goes out and the job's end reports the failure.
BOOL FailPlayback(PDEV* pdev) {
  pdev->jobCtl.flags |= JF_OUTPUT_STOPPED | JF_OUTPUT_FAILED;
  return FALSE;
}

bool ReadAt(HANDLE file, ULONGLONG offset, BYTE* buffer, DWORD want, DWORD* got) {
  *got = 0;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) return false;
  return ReadFile(file, buffer, want, got, nullptr) != FALSE;
}

// The copies a collated job plays: the job copy's count, so that a copy count changed during
// the document acts on the next one.
DWORD JobCopies(const PDEV* pdev) {
  const SHORT copies = pdev->job.jobSettings.dmPublic.dmCopies;
  return copies > 0 ? static_cast<DWORD>(copies) : 1;
}

bool MakeSpoolFile(PdevOutputState& out) {
  WCHAR path[MAX_PATH] = {};
  if (!Util_MakeTempFile(kSpoolFilePrefix, path)) return false;
  // The system made the file to reserve the name; it is made again, empty and shared.
  DeleteFileW(path);
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) {
    DeleteFileW(path);
    return false;
  }
  out.hSpoolFile = file;
  std::memcpy(out.spoolPath, path, sizeof path);
  out.spoolPath[MAX_PATH - 1] = 0;
  return true;
}

void CloseSpoolFile(PdevOutputState& out) {
  if (out.hSpoolFile) {
    CloseHandle(out.hSpoolFile);
    if (out.spoolPath[0]) DeleteFileW(out.spoolPath);
  }
  out.hSpoolFile = nullptr;
  out.spoolPath[0] = 0;
  out.flags &= ~JOF_TO_SPOOL_FILE;
}

ULONGLONG RecordEnd(const PageRecord& record) { return record.start + record.length; }

// ---- Playback ----------------------------------------------------------------------------------

class Player {
 public:
  explicit Player(PDEV* pdev) : pdev_(pdev), out_(pdev->job.output) {}

  BOOL Play();

 private:
  const PageRecord& Record(DWORD i) const { return out_.pages[i]; }
  HANDLE File() const { return out_.hSpoolFile; }
  bool Ok() const { return !OutputStopped(pdev_); }

  BOOL Copy(ULONGLONG offset, ULONGLONG length) { return Spool_CopyRange(pdev_, File(), offset, length); }
  BOOL CopyRecord(DWORD i) { return Copy(Record(i).start, Record(i).length); }
  BOOL WriteJobHeader();
  void PlaySheet(DWORD i);
  void PlayBlankSide(DWORD i);
  void PlayPosterSheet(DWORD i);
  void PlayCopies();
  void PlayPrinterDuplexReversed();
  void PlayDriverDuplex();
  bool PrinterDuplexes() const {
    return PclXl_IsDuplex(pdev_) != FALSE && !(out_.flags & (JOF_DRIVER_DUPLEX | JOF_POSTER | JOF_BOOKLET));
  }
  DWORD Sheets() const { return lastSheet_ >= firstSheet_ ? lastSheet_ - firstSheet_ + 1 : 0; }

  PDEV* pdev_;
  PdevOutputState& out_;
  DWORD copies_ = 1;
  DWORD firstSheet_ = 1;
  DWORD lastSheet_ = 0;
};

BOOL Player::WriteJobHeader() {
  // Driver-made duplex: the recorded header is not replayed; a fresh one goes to the printer.
  const DWORD routed = out_.flags;
  out_.flags = (routed & ~(JOF_TO_SPOOL_FILE | JOF_TO_FORM_FILE)) | JOF_TO_PRINTER;
  PclXl_WriteJobStart(pdev_);
  Spool_Flush(pdev_);
  out_.flags = routed;
  return Ok();
}

// A sheet as it was recorded; with a stored form, the form goes between the sheet's header part
// and its content.
void Player::PlaySheet(DWORD i) {
  if (out_.flags & JOF_POSTER) {
    PlayPosterSheet(i);
    return;
  }
  const PageRecord& record = Record(i);
  if ((out_.flags & JOF_STORED_FORM) && record.headerLength <= record.length) {
    Copy(record.start, record.headerLength);
    Gx_ResetStateCache(pdev_);
    Spool_PlaceStoredForm(pdev_, i);
    Copy(record.start + record.headerLength, record.length - record.headerLength);
    return;
  }
  CopyRecord(i);
}

// An empty side of sheet i's media: its header part (BeginPage) and its closing bytes, with no
// stored form. The printer's duplex attributes of a job's first sheet are left out, so that the
// side does not ask for a front.
void Player::PlayBlankSide(DWORD i) {
  const PageRecord& record = Record(i);
  if (record.length < SPOOL_SHEET_CLOSING_BYTES) return;
  const ULONGLONG end = RecordEnd(record);
  ULONGLONG headerEnd = record.start + record.headerLength;
  const ULONGLONG mark = Spool_FindPageStart(pdev_, File(), record.start, end);
  if (mark != SPOOL_MARK_NOT_FOUND) {
    headerEnd = mark + SPOOL_MARK_BYTES;
  } else {
    Util_DebugPrint("Spool_EndJob: sheet %u without BeginPage mark\n", static_cast<unsigned>(i));
  }
  if (headerEnd > end - SPOOL_SHEET_CLOSING_BYTES) headerEnd = end - SPOOL_SHEET_CLOSING_BYTES;
  BYTE header[512];
  const ULONGLONG headerLength = headerEnd - record.start;
  DWORD got = 0;
  if (headerLength <= sizeof header && ReadAt(File(), record.start, header, static_cast<DWORD>(headerLength), &got) &&
      got == headerLength) {
    BYTE kept[sizeof header];
    DWORD count = 0;
    for (DWORD k = 0; k < got;) {
      // ubyte value, attribute tag, DuplexPageMode (0x35) or DuplexPageSide (0x36).
      if (k + 4 <= got && header[k] == 0xC0 && header[k + 2] == 0xF8 && (header[k + 3] == 0x35 || header[k + 3] == 0x36)) {
        k += 4;
        continue;
      }
      kept[count++] = header[k++];
    }
    Spool_Write(pdev_, kept, count);
  } else if (!Copy(record.start, headerLength)) {
    return;
  }
  Gx_ResetStateCache(pdev_);
  // The side is paper the playback adds, not a page of the document: it stays blank, as the
  // back the printer leaves after an odd last page does.
  Copy(end - SPOOL_SHEET_CLOSING_BYTES, SPOOL_SHEET_CLOSING_BYTES);
}

void Player::PlayPosterSheet(DWORD i) {
  const PageRecord& record = Record(i);
  const ULONGLONG end = RecordEnd(record);
  const ULONGLONG mark = Spool_FindMark(pdev_, File(), record.start, end, SPOOL_MARK_PAGE_ORIGIN, SPOOL_MARK_BYTES);
  if (mark == SPOOL_MARK_NOT_FOUND || mark < record.start + SPOOL_ORIGIN_VALUE_BYTES ||
      mark + SPOOL_MARK_BYTES + SPOOL_SHEET_CLOSING_BYTES > end) {
    Util_DebugPrint("Spool_EndJob: poster sheet %u without PageOrigin, played whole\n", static_cast<unsigned>(i));
    CopyRecord(i);
    return;
  }
  const RenderDevmode& job = pdev_->job.jobSettings;
  const int n = Spool_PosterTiles(job.dmPrivate.poster.wPosterType);
  PdevPage sheet;
  std::memcpy(&sheet, record.pageSize, sizeof sheet);
  // The settings' own paper (not the fit-to paper the sheet may be printed on), turned to the
  // sheet's orientation.
  RenderDevmode own = job;
  PdevPage paper{};
  XModel_GetPaperGeometry(&paper, &own, XMODEL_EDGE_MARGIN, FALSE, pdev_);
  const bool ownLandscape = own.dmPublic.dmOrientation == DMORIENT_LANDSCAPE;
  const bool sheetLandscape = record.orientation == DMORIENT_LANDSCAPE;
  LONG wd = paper.width, hd = paper.height;
  if (ownLandscape != sheetLandscape) std::swap(wd, hd);
  SpoolPosterGeometry geometry{JobCtrl_EdgeMargin(&job), sheet.width, sheet.height, sheet.left, sheet.top, wd, hd,
                               pdev_->job.layout.pageScale[0], pdev_->job.layout.pageScale[1],
                               Spool_PosterOverlap(&job, n)};
  SHORT origins[4 * 4][2];
  for (int row = 1; row <= n; ++row) {
    for (int column = 1; column <= n; ++column) {
      SHORT* o = origins[(row - 1) * n + (column - 1)];
      if (!Spool_PosterTileOrigin(&geometry, column, row, &o[0], &o[1])) {
        Util_DebugPrint("Spool_EndJob: poster tile %d,%d does not fit, sheet %u played whole\n", column, row,
                        static_cast<unsigned>(i));
        CopyRecord(i);
        return;
      }
    }
  }
  const ULONGLONG valueStart = mark - SPOOL_ORIGIN_VALUE_BYTES;
  const ULONGLONG bodyStart = mark + SPOOL_MARK_BYTES;
  const ULONGLONG closing = end - SPOOL_SHEET_CLOSING_BYTES;
  // An overlap between 0 and 1 leaves the tiles before the last without content: they carry
  // only their marks. Such a tile keeps the sheet's header part, so that it is a page of its own.
  const bool marksOnly = geometry.overlap > 0.0 && geometry.overlap <= 1.0;
  const ULONGLONG headerEnd = record.headerLength <= valueStart - record.start ? record.start + record.headerLength : valueStart;
  for (int tile = 0; tile < n * n && Ok(); ++tile) {
    const bool last = tile == n * n - 1;
    if (marksOnly && !last) {
      Copy(record.start, headerEnd - record.start);
      PclXl_UbyteAttr(pdev_, eGray, PXL_A_ColorSpace);
      PclXl_WriteOp(pdev_, PXL_OP_SetColorSpace);
    } else {
      Copy(record.start, valueStart - record.start);
      PclXl_SetPageOrigin(pdev_, origins[tile][0], origins[tile][1]);
      Copy(bodyStart, closing - bodyStart);
    }
    Gx_ResetStateCache(pdev_);
    if (job.dmPrivate.poster.bCropMarks) Spool_WriteCropMarks(pdev_, sheet.width, sheet.height);
    if (out_.flags & JOF_STORED_FORM) Spool_PlaceStoredForm(pdev_, i);
    Copy(closing, SPOOL_SHEET_CLOSING_BYTES);
  }
}

// Steps through the copies: each copy plays the sheets in order, or last to first.
void Player::PlayCopies() {
  const bool reverse = (out_.flags & JOF_REVERSE_ORDER) != 0;
  if (reverse && PrinterDuplexes()) {
    PlayPrinterDuplexReversed();
    return;
  }
  // A form file takes the first sheet only.
  const DWORD last = (out_.flags & JOF_FORM_CREATE) ? firstSheet_ : lastSheet_;
  for (DWORD copy = 0; copy < copies_ && Ok(); ++copy) {
    if (reverse) {
      for (DWORD i = last; i >= firstSheet_ && Ok(); --i) PlaySheet(i);
    } else {
      for (DWORD i = firstSheet_; i <= last && Ok(); ++i) PlaySheet(i);
    }
    // The printer duplexes: an odd copy would put the next copy's first page on its last
    // sheet's back.
    if (copy + 1 < copies_ && PrinterDuplexes() && Sheets() % 2 == 1) PlayBlankSide(lastSheet_);
  }
}

// The printer duplexes a reversed job: sheets go by front and back pairs, last pair first, so
// that no page changes sides; a pair never spans a change of paper or source.
void Player::PlayPrinterDuplexReversed() {
  SpoolDuplexSheet* sheets = new (std::nothrow) SpoolDuplexSheet[Sheets()];
  if (!sheets) {
    FailPlayback(pdev_);
    return;
  }
  const DWORD count = Spool_SplitDuplex(out_.pages, firstSheet_, lastSheet_, sheets, Sheets());
  for (DWORD copy = 0; copy < copies_ && Ok(); ++copy) {
    for (DWORD k = count; k-- > 0 && Ok();) {
      PlaySheet(sheets[k].front);
      if (sheets[k].back) {
        PlaySheet(sheets[k].back);
      } else {
        PlayBlankSide(sheets[k].front);
      }
    }
  }
  delete[] sheets;
}

// The driver makes duplex: every copy's backs, last sheet first, then every copy's fronts,
// first sheet first; the user turns the stack over between them.
void Player::PlayDriverDuplex() {
  SpoolDuplexSheet* sheets = new (std::nothrow) SpoolDuplexSheet[Sheets()];
  if (!sheets) {
    FailPlayback(pdev_);
    return;
  }
  const DWORD count = Spool_SplitDuplex(out_.pages, firstSheet_, lastSheet_, sheets, Sheets());
  for (DWORD copy = 0; copy < copies_ && Ok(); ++copy) {
    for (DWORD k = count; k-- > 0 && Ok();) {
      if (sheets[k].back) {
        PlaySheet(sheets[k].back);
      } else {
        PlayBlankSide(sheets[k].front);
      }
    }
  }
  for (DWORD copy = 0; copy < copies_ && Ok(); ++copy) {
    for (DWORD k = 0; k < count && Ok(); ++k) PlaySheet(sheets[k].front);
  }
  delete[] sheets;
}

BOOL Player::Play() {
  if (OutputStopped(pdev_)) return TRUE;  // aborted or failed: its flags tell the job's end
  // The trailer the job end wrote closes the last record.
  Spool_Flush(pdev_);
  Spool_AddPageRecord(pdev_);
  if (OutputStopped(pdev_)) return FALSE;
  // Record 0 is the job header, the last the trailer: anything less has no sheet to play.
  if (!out_.pages || out_.pageCount < 3 || out_.pages[1].length == 0) return TRUE;
  firstSheet_ = 1;
  lastSheet_ = out_.pageCount - 2;
  copies_ = (out_.flags & JOF_DRIVER_COLLATE) ? JobCopies(pdev_) : 1;
  // From here on the writer's bytes (tile origins, crop marks, blank sides) go to the printer
  // only: nothing may be appended to the file being read.
  out_.flags = (out_.flags & ~JOF_TO_SPOOL_FILE) | ((out_.flags & JOF_FORM_CREATE) ? 0 : JOF_TO_PRINTER);

  // A form file takes its first sheet's record alone, after the marker and header the job end
  // wrote: neither the job header nor the trailer.
  const bool creatingForm = (out_.flags & JOF_FORM_CREATE) != 0;
  if (creatingForm) {
  } else if (pdev_->job.jobSettings.dmPrivate.bDocumentStyle < 3) {
    CopyRecord(0);
  } else {
    WriteJobHeader();
  }
  pdev_->jobCtl.flags &= ~JF_JOB_ENDING;

  if (out_.flags & JOF_BOOKLET) {
    Spool_PlayBooklets(pdev_, copies_);
  } else if (out_.flags & JOF_DRIVER_DUPLEX) {
    PlayDriverDuplex();
  } else {
    PlayCopies();
  }
  if (Ok() && !creatingForm) CopyRecord(out_.pageCount - 1);
  Spool_Flush(pdev_);
  return (pdev_->jobCtl.flags & JF_OUTPUT_FAILED) ? FALSE : TRUE;
}

}  // namespace

// ---- Opening ---------------------------------------------------------------------------------------

void Spool_OpenJobFiles(PDEV* pdev) {
  Spool_ResetOutput(pdev);
  PdevOutputState& out = pdev->job.output;
  out.copiesToPlay = 1;
  const RenderDevmode& job = pdev->job.jobSettings;
  const RenderDevmode& merged = pdev->settings;
  DWORD flags = 0;
  if (merged.dmPublic.dmCopies >= 2 && merged.dmPublic.dmCollate == DMCOLLATE_TRUE &&
      job.dmPrivate.overlay.bOverlay != OVERLAY_CREATE) {
    flags |= JOF_DRIVER_COLLATE;
    out.copiesToPlay = JobCopies(pdev);
  }
  if (job.dmPrivate.dwUiWord10 != 0) flags |= JOF_REVERSE_ORDER;
  if (job.dmPrivate.bDocumentStyle == 3 || job.dmPrivate.bDocumentStyle == 4) flags |= JOF_DRIVER_DUPLEX;
  if (job.dmPrivate.bPosterLayout) flags |= JOF_POSTER;
  if (job.dmPrivate.bBooklet) flags |= JOF_BOOKLET;
  Spool_PrepareForms(pdev, &flags);
  if (!(flags & kRearrangedBits)) {
    out.copiesToPlay = 0;
    flags |= JOF_TO_PRINTER;
  }
  if (flags & kSpooledBits) {
    if (MakeSpoolFile(out)) {
      flags |= JOF_TO_SPOOL_FILE;
    } else {
      Util_DebugPrint("Could not create temp file :'%s'\n", "tqlbp");
      // The job streams to the printer without the arrangements: the printer makes the
      // copies, and a poster prints as one page.
      flags &= ~kSpooledBits;
      flags |= JOF_TO_PRINTER;
      out.copiesToPlay = 1;
    }
  }
  out.flags = flags;
  Spool_OpenFormFiles(pdev);
}

// ---- Playback --------------------------------------------------------------------------------------

BOOL Spool_EndJob(PDEV* pdev) {
  PdevOutputState& out = pdev->job.output;
  BOOL played = TRUE;
  if ((out.flags & JOF_TO_SPOOL_FILE) && out.hSpoolFile) played = Player(pdev).Play();
  // Whatever happened, the job's files and table go: a failed or empty job leaves nothing
  // behind for the next document to trip over.
  CloseSpoolFile(out);
  if (out.hFormFile) CloseHandle(out.hFormFile);
  if (out.hStoredForm) CloseHandle(out.hStoredForm);
  out.hFormFile = nullptr;
  out.hStoredForm = nullptr;
  Spool_FreePageTable(pdev);
  return played;
}

BOOL Spool_CopyRange(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG length) {
  // What the writer holds goes first: it belongs before the copied bytes.
  Spool_Flush(pdev);
  if (OutputStopped(pdev)) return FALSE;
  PdevOutputState& out = pdev->job.output;
  while (length > 0) {
    const DWORD want = static_cast<DWORD>(length < SPOOL_COPY_PIECE ? length : SPOOL_COPY_PIECE);
    DWORD got = 0;
    if (!ReadAt(file, offset, out.copyBuffer, want, &got) || got != want) {
      Util_DebugPrint("Spool_CopyRange: read of %u bytes failed\n", static_cast<unsigned>(want));
      return FailPlayback(pdev);
    }
    if (out.flags & JOF_FORM_CREATE) {
      // A form file is being made: the bytes are its, and dropped when its folder could not be
      // made (no file open).
      DWORD written = 0;
      if (out.hFormFile && (!WriteFile(out.hFormFile, out.copyBuffer, got, &written, nullptr) || written != got))
        return FailPlayback(pdev);
    } else if (!Spool_WritePrinter(pdev, out.copyBuffer, got)) {
      return FALSE;
    }
    offset += got;
    length -= got;
  }
  return TRUE;
}

ULONGLONG Spool_FindMark(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG end, const BYTE* pattern,
                         size_t length) {
  (void)pdev;
  if (!pattern || length == 0 || length > SPOOL_COPY_PIECE || offset >= end || end - offset < length)
    return SPOOL_MARK_NOT_FOUND;
  BYTE block[SPOOL_COPY_PIECE];
  ULONGLONG at = offset;
  while (at < end && end - at >= length) {
    const DWORD want = static_cast<DWORD>(end - at < SPOOL_COPY_PIECE ? end - at : SPOOL_COPY_PIECE);
    DWORD got = 0;
    if (!ReadAt(file, at, block, want, &got) || got < length) return SPOOL_MARK_NOT_FOUND;
    for (DWORD k = 0; k + length <= got; ++k) {
      if (block[k] == pattern[0] && std::memcmp(block + k, pattern, length) == 0) return at + k;
    }
    if (got < want) return SPOOL_MARK_NOT_FOUND;
    // The next block starts length - 1 bytes back, so a pattern across the block end is seen.
    at += got - (length - 1);
  }
  return SPOOL_MARK_NOT_FOUND;
}

ULONGLONG Spool_FindPageStart(PDEV* pdev, HANDLE file, ULONGLONG offset, ULONGLONG end) {
  const ULONGLONG media = Spool_FindMark(pdev, file, offset, end, SPOOL_MARK_MEDIA_SIZE, SPOOL_MARK_BYTES);
  const ULONGLONG custom = Spool_FindMark(pdev, file, offset, end, SPOOL_MARK_CUSTOM_MEDIA_UNITS, SPOOL_MARK_BYTES);
  return media < custom ? media : custom;
}

// ---- Driver-made duplex ------------------------------------------------------------------------------

DWORD Spool_SplitDuplex(const PageRecord* pages, DWORD first, DWORD last, SpoolDuplexSheet* sheets, DWORD capacity) {
  DWORD count = 0;
  auto add = [&](DWORD front, DWORD back) {
    if (count < capacity) sheets[count] = SpoolDuplexSheet{front, back};
    ++count;
  };
  DWORD pendingFront = 0;
  for (DWORD i = first; i <= last && i >= first; ++i) {
    if (pendingFront) {
      const PageRecord& a = pages[pendingFront];
      const PageRecord& b = pages[i];
      if (a.pageValues[0] == b.pageValues[0] && a.pageValues[1] == b.pageValues[1]) {
        add(pendingFront, i);
        pendingFront = 0;
        continue;
      }
      // The run changes after a front: it keeps a blank back, and this page starts a new run.
      add(pendingFront, 0);
    }
    pendingFront = i;
  }
  if (pendingFront) add(pendingFront, 0);
  return count;
}

// ---- Posters -----------------------------------------------------------------------------------------

int Spool_PosterTiles(DWORD posterType) {
  switch (posterType) {
    case 1: return 3;
    case 2: return 4;
    default: return 2;
  }
}

double Spool_PosterOverlap(const RenderDevmode* settings, int tiles) {
  if (settings->dmPrivate.scale.ISFSet != 1) return 0.0;
  const SHORT ratio = settings->dmPrivate.scale.SRatio;
  if (ratio == tiles * 100) return 0.0;
  return ratio * 0.01 - 2.0;
}

BOOL Spool_PosterTileOrigin(const SpoolPosterGeometry* g, int column, int row, SHORT* x, SHORT* y) {
  const double m = static_cast<double>(g->margin);
  // A sheet larger than the enlarged paper (a fit-to paper) centres the grid one tile further.
  const bool smaller = g->paperWidth * g->scaleX < g->sheetWidth && g->paperHeight * g->scaleY < g->sheetHeight;
  const int shift = smaller ? 2 : 1;
  const double fx = (g->sheetLeft - m) * g->scaleX - (column - shift + g->overlap) * (g->sheetWidth - 2.0 * m) + m;
  const double fy = (g->sheetTop - m) * g->scaleY - (row - shift + g->overlap) * (g->sheetHeight - 2.0 * m) + m;
  const double tx = std::trunc(fx);
  const double ty = std::trunc(fy);
  if (tx < -32768.0 || tx > 32767.0 || ty < -32768.0 || ty > 32767.0) return FALSE;
  *x = static_cast<SHORT>(tx);
  *y = static_cast<SHORT>(ty);
  return TRUE;
}

void Spool_WriteCropMarks(PDEV* pdev, LONG width, LONG height) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const LONG r = JobCtrl_ResolutionIndex(&job) + 1;
  const LONG p = 5 * r;
  const LONG e = 197 * r;
  const LONG len = 240;
  PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
  PclXl_SetPageOrigin(pdev, static_cast<SHORT>(96 * r), static_cast<SHORT>(96 * r));
  PclXl_SetPageScale(pdev, FALSE);
  PclXl_WriteOp(pdev, PXL_OP_SetClipToPage);
  PclXl_Uint16Attr(pdev, 1, PXL_A_PenWidth);
  PclXl_WriteOp(pdev, PXL_OP_SetPenWidth);
  PclXl_UbyteAttr(pdev, eRoundCap, PXL_A_LineCapStyle);
  PclXl_WriteOp(pdev, PXL_OP_SetLineCap);
  PclXl_UbyteAttr(pdev, eRoundJoin, PXL_A_LineJoinStyle);
  PclXl_WriteOp(pdev, PXL_OP_SetLineJoin);
  static const BYTE kDash[2] = {40, 10};
  PclXl_WriteArrayHeader(pdev, PXL_UBYTE_ARRAY, 2);
  Spool_Write(pdev, kDash, sizeof kDash);
  PclXl_AttrId(pdev, PXL_A_LineDashStyle);
  PclXl_UbyteAttr(pdev, 0, PXL_A_DashOffset);
  PclXl_WriteOp(pdev, PXL_OP_SetLineDash);
  PclXl_UbyteAttr(pdev, 0, PXL_A_NullBrush);
  PclXl_WriteOp(pdev, PXL_OP_SetBrushSource);
  PclXl_UbyteAttr(pdev, 0xF0, PXL_A_ROP3);
  PclXl_WriteOp(pdev, PXL_OP_SetROP);
  if (job.dmPublic.dmColor == DMCOLOR_COLOR) {
    PclXl_WriteRgbColor(pdev, 0x000000);
  } else {
    PclXl_UbyteAttr(pdev, 0, PXL_A_GrayLevel);
  }
  PclXl_WriteOp(pdev, PXL_OP_SetPenSource);
  const LONG right = width - e;
  const LONG bottom = height - e;
  const LONG midX = (width - 192 * r) / 2 + p;
  const LONG midY = (height - 192 * r) / 2 + p;
  const LONG lines[12][4] = {
      {p, p, p + len, p},                          {p, p, p, p + len},
      {right, p, right - len, p},                  {right, p, right, p + len},
      {p, bottom, p + len, bottom},                {p, bottom, p, bottom - len},
      {right, bottom, right - len, bottom},        {right, bottom, right, bottom - len},
      {midX - len / 2, p, midX + len / 2, p},      {midX - len / 2, bottom, midX + len / 2, bottom},
      {p, midY - len / 2, p, midY + len / 2},      {right, midY - len / 2, right, midY + len / 2},
  };
  for (const LONG* line : lines) {
    PclXl_NewPath(pdev);
    PclXl_SetCursor(pdev, static_cast<SHORT>(line[0]), static_cast<SHORT>(line[1]));
    PclXl_WriteSint16XY(pdev, {static_cast<SHORT>(line[2]), static_cast<SHORT>(line[3])}, PXL_A_EndPoint);
    PclXl_WriteOp(pdev, PXL_OP_LinePath);
    PclXl_WriteOp(pdev, PXL_OP_PaintPath);
  }
}

// ---- Booklets ----------------------------------------------------------------------------------------

DWORD Spool_BookletPages(BYTE mode, BYTE sheetCount, DWORD pages, DWORD index) {
  DWORD size = pages;
  if (mode == 1) size = 4 * static_cast<DWORD>(sheetCount ? sheetCount : 1);
  if (mode == 2) size = 200;
  if (size == 0) return 0;
  const ULONGLONG start = static_cast<ULONGLONG>(index) * size;
  if (start >= pages) return 0;
  return pages - start < size ? static_cast<DWORD>(pages - start) : size;
}

void Spool_BookletSheet(DWORD pages, DWORD sheet, SpoolBookletSide* front, SpoolBookletSide* back) {
  const DWORD padded = 4 * ((pages + 3) / 4);
  auto page = [&](DWORD p) { return p >= 1 && p <= pages ? p : 0; };
  front->left = page(padded - 2 * sheet);
  front->right = page(2 * sheet + 1);
  back->left = page(2 * sheet + 2);
  back->right = page(padded - 2 * sheet - 1);
}

