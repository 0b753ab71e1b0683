// Job and page flow: job start and end, logical pages and sheets, and the hand-over of a job
// across a ResetDC.
#include "gdi/jobctrl.h"

#include <cstring>
#include <utility>

#include <win/files.h>
#include <win/memory.h>
#include <win/system.h>

#include "gdi/fontcach.h"
#include "gdi/form.h"
#include "gdi/gx.h"
#include "gdi/nt/brush.h"
#include "gdi/nt/dumpui.h"
#include "gdi/nt/enable.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"
#include "gdi/spoolplay.h"
#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

namespace {

DWORD& Flags(PDEV* pdev) { return pdev->jobCtl.flags; }

bool PrintsNup(const PDEV* pdev) { return Devmode_GetNupNum(&pdev->job.jobSettings) > 1; }

DWORD CellsPerSheet(const PDEV* pdev) {
  DWORD columns = pdev->job.layout.columns ? pdev->job.layout.columns : 1;
  DWORD rows = pdev->job.layout.rows ? pdev->job.layout.rows : 1;
  return columns * rows;
}

// The downloaded soft fonts leave the printer's memory with the sheet unless the job streams
// straight through in page order: a sheet that is replayed, reordered or copied must not rely
// on fonts that an earlier sheet downloaded.
bool KeepsFontsAcrossSheets(const PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const DWORD out = pdev->job.output.flags;
  if (!(out & JOF_TO_PRINTER) || (out & JOF_FORM_CREATE)) return false;
  if (out & (JOF_STORED_FORM | JOF_DRIVER_COLLATE | JOF_POSTER | JOF_DRIVER_DUPLEX | JOF_BOOKLET)) return false;
  return !(job.dmPrivate.bFlags14660 & 0x1) && job.dmPrivate.paper.wKeepFontsOff == 0 && job.dmPrivate.dwUiWord10 == 0;
}

// Every downloaded font leaves the printer (RemoveFont each) before the lists are emptied and
// the numbering restarts: the printer rejects a font name it still holds.
void DropSheetFonts(PDEV* pdev) {
  while (FontCacheRecord* font = pdev->job.fontLists.fonts) {
    if (!FontCach_DropFont(pdev, font->fontNumber, nullptr, nullptr)) break;
  }
  PclXl_FreeFontLists(pdev);
  FontCach_ResetNumbering(pdev);
}

// The name is cut to the record's field and always terminated. `name` may be the field itself.
void TakeDocumentName(PDEV* pdev, const WCHAR* name) {
  WCHAR copy[PDEV_DOCUMENT_NAME_UNITS] = {};
  for (size_t i = 0; name && i + 1 < PDEV_DOCUMENT_NAME_UNITS && name[i]; ++i) copy[i] = name[i];
  std::memcpy(pdev->jobCtl.documentName, copy, sizeof copy);
}

// The image writer treats documents printed from PDF viewers specially; the test is of the
// upper-case extension after at least one other character, as the viewers name their jobs.
bool IsPdfDocumentName(const WCHAR* name) {
  size_t n = 0;
  while (n < PDEV_DOCUMENT_NAME_UNITS && name[n]) ++n;
  if (n < 5) return false;
  static const char16_t kSuffix[] = u".PDF";
  return std::memcmp(name + n - 4, kSuffix, 4 * sizeof(WCHAR)) == 0;
}

// The first page of the job: the reference page and the job's layout.
void LayoutFirstPage(PDEV* pdev) {
  PdevPageFlowState& flow = pdev->job.pageFlow;
  flow.referencePage = pdev->physicalPage;
  flow.referenceOrientation = pdev->orientation;
  JobCtrl_GetPageGeometry(pdev);
  JobCtrl_ComputePageScale(pdev);
  JobCtrl_ComputePrintableBox(pdev);
  JobCtrl_LayoutNup(pdev);
}

// A later page: the scales again, and a page of another size marks the layout changed.
void LayoutLaterPage(PDEV* pdev) {
  PdevPageFlowState& flow = pdev->job.pageFlow;
  JobCtrl_ComputePageScale(pdev);
  JobCtrl_ComputePrintableBox(pdev);
  PdevPage page = pdev->physicalPage;
  if (pdev->orientation != flow.referenceOrientation) {
    std::swap(page.width, page.height);
    std::swap(page.left, page.top);
    std::swap(page.right, page.bottom);
  }
  if (std::memcmp(&page, &flow.referencePage, sizeof page) != 0) {
    flow.layoutChanged = 1;
    if (PrintsNup(pdev)) JobCtrl_RecomputeNupScale(pdev);
  }
}

// With one page per sheet every page decides its own 180-degree turn; with N-up the first
// page's decision holds for the whole sheet grid of the job.
void DecideRotation(PDEV* pdev) {
  PdevPageFlowState& flow = pdev->job.pageFlow;
  if (PrintsNup(pdev) && pdev->job.pagesInJob > 1) return;
  DWORD turned = JobCtrl_IsRotated180(pdev, pdev->orientation) ? 1 : 0;
  if (pdev->job.jobSettings.dmPrivate.bBooklet) turned = 0;
  flow.turned180 = turned;
  flow.turned180Job = turned;
  flow.turned180Setup = turned;
  flow.turned180BeginPage = turned;
}

void ResetPageState(PDEV* pdev) { Flags(pdev) &= ~JF_ERROR_RECORDED; }

void StartSheet(PDEV* pdev) {
  PdevPageFlowState& flow = pdev->job.pageFlow;
  ++flow.sheetsInJob;
  flow.sheetStartTime = GetTickCount();
  ResetPageState(pdev);
}

BOOL StartPhysicalPage(PDEV* pdev) {
  BOOL result = PclXl_StartJob(pdev);
  Spool_CountFormPage(pdev);
  Form_StartSheet(pdev);
  PclXl_BeginPage(pdev);
  return result;
}

void ClearSpoolFile(PdevOutputState& out) {
  if (out.hSpoolFile) {
    CloseHandle(out.hSpoolFile);
    if (out.spoolPath[0]) DeleteFileW(out.spoolPath);
  }
  out.hSpoolFile = nullptr;
  out.spoolPath[0] = 0;
}

}  // namespace

// ---- Job start -----------------------------------------------------------------------------------

HANDLE JobCtrl_StartDoc(PDEV* pdev, const WCHAR* documentName, HANDLE printer, int mode) {
  PdevJobState& job = pdev->job;
  if (job.jobSettings.dmPrivate.dwDumpFlags & DUMP_SETTINGS_FLAG) {
    // Still the previous document's copy: the dump shows what that job printed with.
    job.jobSettings.dmPrivate.szDumpFile[RENDER_NAME_UNITS - 1] = 0;
    DumpUISetting(pdev, pdev->hdev, &job.jobSettings, job.jobSettings.dmPrivate.szDumpFile);
  }
  // Whatever a job before this one left is released before its state is forgotten.
  PclXl_FreeFontLists(pdev);
  Brush_FreePatterns(pdev);
  Spool_FreePageTable(pdev);
  ClearSpoolFile(job.output);
  std::memset(&job, 0, sizeof job);
  job.guard = PDEV_GUARD;

  PdevJobControl& control = pdev->jobCtl;
  if (mode == JOBCTRL_START_NEW) {
    control.hJobOutput = printer;
    control.hJobOutputCopy = printer;
    control.hEscape = printer;
    if (printer == nullptr) {
      Util_DebugPrint("JobCtrl_StartDoc: no printer handle, job not opened\n");
      return JobCtrl_NoPrinterHandle();
    }
    control.flags = 0;
    TakeDocumentName(pdev, documentName);
  }
  control.flags |= JF_JOB_OPEN;
  JobCtrl_GetPageGeometry(pdev);
  Spool_OpenJobFiles(pdev);
  FontCach_ResetNumbering(pdev);
  if (IsPdfDocumentName(control.documentName)) control.flags |= JF_PDF_DOCUMENT;
  return control.hJobOutput;
}

// ---- Logical pages ---------------------------------------------------------------------------------

BOOL JobCtrl_StartPage(PDEV* pdev) {
  if (Flags(pdev) & JF_PAGE_STARTED) return TRUE;
  Flags(pdev) |= JF_PAGE_STARTED;
  Gx_ResetStateCache(pdev);
  PdevJobState& job = pdev->job;
  ++job.pageFlow.sheetPages;
  ++job.pagesInJob;
  if (job.pagesInJob == 1) {
    LayoutFirstPage(pdev);
  } else {
    LayoutLaterPage(pdev);
  }
  DecideRotation(pdev);
  if (job.pageFlow.sheetPages == 1) StartSheet(pdev);
  return JobCtrl_BeginPageSetup(pdev);
}

BOOL JobCtrl_BeginPageSetup(PDEV* pdev) {
  if (Flags(pdev) & JF_PAGE_SETUP_DONE) return TRUE;
  Flags(pdev) |= JF_PAGE_SETUP_DONE;
  BOOL result = TRUE;
  const int pageOnSheet = pdev->job.pageFlow.sheetPages ? pdev->job.pageFlow.sheetPages : 1;
  if (pageOnSheet == 1) result = StartPhysicalPage(pdev);
  PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
  SHORT x = 0, y = 0;
  SHORT angle = JobCtrl_PlaceLogicalPage(pdev, &x, &y, pageOnSheet);
  PclXl_SetPageOrigin(pdev, x, y);
  PclXl_SetPageRotation(pdev, angle);
  Form_NotePageStart(pdev);
  PclXl_SetPageScale(pdev, TRUE);
  Gx_SetColorSpace(pdev, GX_SPACE_JOB);
  return result;
}

BOOL JobCtrl_SendPage(PDEV* pdev, int mode) {
  if (mode == JOBCTRL_SEND_AT_JOB_END) {
    PdevJobState& job = pdev->job;
    if (job.output.buffer.count > 0 && ValidatePdev(pdev, TRUE, CALL_SENDPAGE)) JobCtrl_SendPage(pdev, JOBCTRL_SEND_PAGE);
    if (Flags(pdev) & JF_PAGE_STARTED) {
      if (job.pageFlow.sheetPages > 0) --job.pageFlow.sheetPages;
      Flags(pdev) &= ~(JF_PAGE_STARTED | JF_PAGE_SETUP_DONE);
    }
    job.output.buffer.count = 0;
    return TRUE;
  }

  if (!(Flags(pdev) & JF_PAGE_STARTED)) {
    // An empty page still occupies its cell.
    JobCtrl_StartPage(pdev);
  } else if (!(Flags(pdev) & JF_PAGE_SETUP_DONE)) {
    JobCtrl_BeginPageSetup(pdev);
  }
  Flags(pdev) &= ~(JF_PAGE_STARTED | JF_PAGE_SETUP_DONE);
  if (PrintsNup(pdev) && (pdev->job.jobSettings.dmPrivate.nup.bNupFlags & NUP_FLAG_BORDERS)) {
    const SHORT m = JobCtrl_EdgeMargin(&pdev->job.jobSettings);
    PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
    PclXl_SetPageOrigin(pdev, m, m);
    PclXl_SetPageRotation(pdev, 0);
    PclXl_SetPageScale(pdev, FALSE);
    // A tiled watermark spreads over the cells drawn before: their borders are drawn again.
    const int last = pdev->job.pageFlow.sheetPages;
    const int first = pdev->job.jobSettings.dmPrivate.wmark.wmTile != 0 ? 1 : last;
    for (int page = first; page <= last; ++page) JobCtrl_DrawNupFrames(pdev, JOBCTRL_FRAME_CELL, page);
  }
  if (!PrintsNup(pdev) || pdev->job.pageFlow.sheetPages % CellsPerSheet(pdev) == 0) JobCtrl_EndPage(pdev);
  Spool_Flush(pdev);
  return TRUE;
}

WORD JobCtrl_SheetCopies(const PDEV* pdev) {
  if (pdev->job.output.flags & JOF_DRIVER_COLLATE) return 1;
  const SHORT copies = pdev->job.jobSettings.dmPublic.dmCopies;
  return static_cast<WORD>(copies > 0 ? copies : 1);
}

void JobCtrl_EndPage(PDEV* pdev) {
  if (!KeepsFontsAcrossSheets(pdev)) DropSheetFonts(pdev);
  Spool_Flush(pdev);
  const RenderDevmode& job = pdev->job.jobSettings;
  if (PrintsNup(pdev) && (job.dmPrivate.nup.bNupFlags & 0x8) && CellsPerSheet(pdev) > 1)
    JobCtrl_DrawNupFrames(pdev, JOBCTRL_FRAME_GRID, 0);
  PclXl_EndPage(pdev, JobCtrl_SheetCopies(pdev));
  Brush_EndSheet(pdev);
  pdev->job.pageFlow.sheetPages = 0;
  Spool_Flush(pdev);
  Spool_AddPageRecord(pdev);
  Form_EndSheet(pdev);
}

// ---- Job end -----------------------------------------------------------------------------------------

BOOL JobCtrl_EndDoc(PDEV* pdev) {
  PdevJobState& job = pdev->job;
  if ((job.jobSettings.dmPrivate.dwDumpFlags & 0x900) && job.text.hTextLog) {
    CloseHandle(job.text.hTextLog);
    job.text.hTextLog = nullptr;
  }
  const PdevOutputState& out = job.output;
  const bool begun = (out.pages && out.pageCount > 0 && out.pages[0].length > 0) ||
                     (Flags(pdev) & JF_HEADER_WRITTEN);
  JobCtrl_SendPage(pdev, JOBCTRL_SEND_AT_JOB_END);
  if (job.pageFlow.sheetPages > 0 && begun) JobCtrl_EndPage(pdev);
  DropSheetFonts(pdev);
  if (begun) {
    PclXl_CloseDataSource(pdev);
    PclXl_EndSession(pdev);
  }
  Spool_Flush(pdev);
  // A creation job's form file gets its header now; a spooled one gets its sheet at the playback.
  if (job.jobSettings.dmPrivate.overlay.bOverlay == OVERLAY_CREATE) Spool_WriteOverlayTrailer(pdev);
  // A spooled job goes to the printer now; its files go whatever the playback did.
  const BOOL played = Spool_EndJob(pdev);
  // A write that failed on the way means the printer did not get the whole job, although
  // everything the job could write went out in order. The job is closed either way, so that the
  // next document starts a job of its own.
  const BOOL whole = (played && !(Flags(pdev) & JF_OUTPUT_FAILED)) ? TRUE : FALSE;
  JobCtrl_CloseJob(pdev);
  return whole;
}

void JobCtrl_CloseJob(PDEV* pdev) {
  PclXl_FreeFontLists(pdev);
  Brush_FreePatterns(pdev);
  Spool_FreePageTable(pdev);
  ClearSpoolFile(pdev->job.output);
  Form_CloseFiles(pdev);
  pdev->job.output.buffer.count = 0;
  Util_ListFree(&pdev->jobAllocations);
  pdev->jobCtl.flags = 0;
  pdev->jobCtl.hJobOutput = nullptr;
  pdev->jobCtl.hJobOutputCopy = nullptr;
}

// ---- ResetDC ---------------------------------------------------------------------------------------

BOOL Devmode_LayoutGroupsDiffer(const RenderDevmode* a, const RenderDevmode* b) {
  if (a->dmPublic.dmCopies != b->dmPublic.dmCopies) return TRUE;
  if (Devmode_GetNupNum(a) <= 1 && a->dmPublic.dmCollate != b->dmPublic.dmCollate) return TRUE;
  struct Group {
    size_t start;
    size_t length;
  };
  // PAPER_DLG is compared without its orientation byte (550).
  static const Group kGroups[] = {
      {100, 8}, {540, 8}, {1890, 1026}, {548, 2}, {551, 9}, {3484, 3236},
  };
  const BYTE* pa = reinterpret_cast<const BYTE*>(&a->dmPrivate);
  const BYTE* pb = reinterpret_cast<const BYTE*>(&b->dmPrivate);
  for (const Group& g : kGroups) {
    if (std::memcmp(pa + g.start, pb + g.start, g.length) != 0) return TRUE;
  }
  return FALSE;
}

BOOL JobCtrl_ResetPdev(PDEV* newPdev, PDEV* oldPdev) {
  if (oldPdev == nullptr || newPdev == nullptr) return FALSE;
  if (oldPdev->orientation != DMORIENT_PORTRAIT && oldPdev->orientation != DMORIENT_LANDSCAPE) return FALSE;
  const bool carriesJob = (oldPdev->jobCtl.flags & JF_JOB_OPEN) && !(newPdev->jobCtl.flags & JF_JOB_OPEN);
  bool nupChanged = false;
  if (carriesJob) {
    if (Devmode_LayoutGroupsDiffer(&oldPdev->settings, &newPdev->settings)) oldPdev->jobCtl.flags |= JF_RESTART_MARK;
    nupChanged = Devmode_GetNupNum(&oldPdev->settings) != Devmode_GetNupNum(&newPdev->settings);
  }
  // The whole job moves, its allocation list with it; the old record is left without a job, so
  // that disabling it cannot touch what the new record now owns.
  newPdev->jobCtl = oldPdev->jobCtl;
  newPdev->job = oldPdev->job;
  newPdev->jobAllocations = oldPdev->jobAllocations;
  newPdev->settings.dmPrivate.dwJobId = oldPdev->settings.dmPrivate.dwJobId;
  std::memset(&oldPdev->jobCtl, 0, sizeof oldPdev->jobCtl);
  std::memset(&oldPdev->job, 0, sizeof oldPdev->job);
  oldPdev->jobAllocations = nullptr;
  oldPdev->job.guard = PDEV_GUARD;

  const DWORD flags = newPdev->jobCtl.flags;
  if (!(flags & JF_JOB_OPEN)) return TRUE;
  PdevJobState& job = newPdev->job;
  if (Devmode_GetNupNum(&oldPdev->settings) > 1 || oldPdev->settings.dmPrivate.bBooklet) {
    // A sheet grid that has begun cannot change its copies or its layout half-way: with the
    // mark the job goes on as it began.
    if (flags & JF_RESTART_MARK) return TRUE;
    job.pageFlow.referencePage = newPdev->physicalPage;
    job.pageFlow.referenceOrientation = newPdev->orientation;
    if (nupChanged) JobCtrl_LayoutNup(newPdev);
  } else {
    // One page per sheet: every sheet stands alone, so the next page prints with the new
    // settings whatever changed (a new orientation comes out as a page of that orientation).
    JobCtrl_GetPageGeometry(newPdev);
  }
  JobCtrl_ComputePrintableBox(newPdev);
  return TRUE;
}
