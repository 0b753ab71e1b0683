// DrvEscape and DrvDrawEscape: the three standard escapes the renderer answers and its private
// codes, through which the user-interface library draws the print-time watermark and a forms
// application asks for job facts and cuts a job into form parts.
//
// The buffers come from any application: every size is checked before a byte is read or
// written, and a refused call writes nothing.
#include "gdi/nt/escape.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include <vm4k2/wmarkdata.h>
#include <win/gdi.h>

#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/nt/enable.h"
#include "gdi/pclxl.h"
#include "gdi/pxltags.h"
#include "intrface/devmod2.h"

namespace {

using namespace vm4k2;

constexpr ULONG kTechnologyQuery = GETTECHNOLOGY;
constexpr char kTechnology[4] = {'P', 'C', 'L', '\0'};

// SETCOPYCOUNT leaves a note in the record's error field, so whoever inspects a record can see
// that an application changed the copies behind the settings.
constexpr char kNoteModule[] = "escape";
constexpr int kNoteCopyCount = 170;

constexpr ULONG kSupported[] = {
    QUERYESCSUPPORT,     SETCOPYCOUNT,     kTechnologyQuery,      ESC_PRN_SETHANDLE,  ESC_PRN_GETHANDLE,
    ESC_WM_GETINFO,      ESC_WM_BEGIN,     ESC_WM_DATA,           ESC_WM_END,         ESC_HF_GETINFO,
    ESC_FORM_BEGINPART,  ESC_FORM_ENDPART, ESC_FORM_PLACE,        ESC_JOB_GETSHEETCOUNT, ESC_JOB_GETDOCNAME,
    ESC_DM_GETEXTRA,     ESC_WM_GETSTATE,  ESC_JOB_GETPAGESIZE,   ESC_JOB_GETNUP,     ESC_DRV_GETRESERVED,
    ESC_DM_GETDOCSTYLE,
};
static_assert(sizeof(kSupported) / sizeof(kSupported[0]) == 21);

// The first 16-bit word of an input, or -1 when the input holds less than one.
LONG InputWord(ULONG cjIn, const void* pvIn) {
  if (!pvIn || cjIn < sizeof(WORD)) return -1;
  WORD word = 0;
  std::memcpy(&word, pvIn, sizeof word);
  return word;
}

// An output of exactly `size` bytes: anything else is refused and nothing is written.
bool ExactOutput(ULONG cjOut, const void* pvOut, size_t size) { return pvOut != nullptr && cjOut == size; }

ULONG WriteOutput(void* pvOut, const void* data, size_t size) {
  std::memcpy(pvOut, data, size);
  return 1;
}

ULONG WriteLong(void* pvOut, LONG value) { return WriteOutput(pvOut, &value, sizeof value); }

// bNupNum of a record, where 0 (which no merge lets through) counts as one page per sheet.
LONG PagesPerSheet(const RenderDevmode& settings) {
  const BYTE n = Devmode_GetNupNum(&settings);
  return n == 0 ? 1 : n;
}

// The logical page of the job (0 before the first DrvStartPage).
LONG LogicalPage(const PDEV* pdev) { return pdev->job.pagesInJob; }

// ---- SETCOPYCOUNT and the handle escapes ---------------------------------------------------------
// All three carry a 32-bit value: an input of under 4 bytes is no input.

ULONG SetCopyCount(PDEV* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  if (!pvIn || cjIn < sizeof(DWORD)) return static_cast<ULONG>(-1);
  DWORD asked = 0;
  std::memcpy(&asked, pvIn, sizeof asked);
  // Unsigned: a count with the top bit set is a huge count, not a negative one.
  DWORD count = std::min<DWORD>(asked, ESCAPE_MAX_COPIES);
  if (count == 0) count = 1;
  // The merged settings, not the job copy: the next document prints this many.
  pdev->settings.dmPublic.dmCopies = static_cast<SHORT>(count);
  if (pvOut && cjOut >= sizeof(DWORD)) std::memcpy(pvOut, &count, sizeof count);
  Pdev_ReportError(pdev, kNoteModule, kNoteCopyCount);
  return 1;
}

// The handle is only a value handed back: setting it never changes where the job's output
// goes. Stand-in handles are small ids, so 4 bytes carry them whole.
void SetEscapeHandle(PDEV* pdev, ULONG cjIn, const void* pvIn) {
  if (!pvIn || cjIn < sizeof(DWORD)) return;
  DWORD value = 0;
  std::memcpy(&value, pvIn, sizeof value);
  pdev->jobCtl.hEscape = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// Written into the INPUT buffer: the user-interface library sends its DC value there.
void GetEscapeHandle(const PDEV* pdev, ULONG cjIn, void* pvIn) {
  if (!pvIn || cjIn < sizeof(DWORD)) return;
  const DWORD value = static_cast<DWORD>(reinterpret_cast<uintptr_t>(pdev->jobCtl.hEscape));
  std::memcpy(pvIn, &value, sizeof value);
}

// ---- The watermark ---------------------------------------------------------------------------------

// With the first-page-only setting, the pages after the first get no watermark: only the first
// logical page, or with tiled copies every logical page of the first sheet (the copies spread
// over its cells).
bool WatermarkOnThisPage(const PDEV* pdev) {
  if (!pdev->settings.dmPrivate.bFirstPageOnly) return true;
  const RenderDevmode& job = pdev->job.jobSettings;
  const LONG page = LogicalPage(pdev);
  if (job.dmPrivate.wmark.wmTile == 0) return page == 1;
  return page >= 1 && (page - 1) / PagesPerSheet(job) == 0;
}

ULONG GetWatermarkInfo(const PDEV* pdev, void* pvOut) {
  if (!WatermarkOnThisPage(pdev)) {
    // Only wIndex says "none": the rest of the caller's buffer is left as it was.
    const SHORT none = 0;
    return WriteOutput(pvOut, &none, sizeof none);
  }
  return WriteOutput(pvOut, &pdev->job.jobSettings.dmPrivate.wmark, kWmarkDataSize);
}

SHORT Clamp16(LONGLONG value) {
  return static_cast<SHORT>(std::clamp<LONGLONG>(value, -32768, 32767));
}

// A tiled copy's frame: its origin (and turn) and the clip right and bottom; left and top come
// from the placement's offsets.
void PlaceTiledCopy(PDEV* pdev, const WatermarkPlacement& p, RECT16* clip) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const WMARKDATA& wm = job.dmPrivate.wmark;
  const LONGLONG r = JobCtrl_ResolutionIndex(&job);
  const LONGLONG m = 96 * (r + 1);
  const LONGLONG pw = pdev->job.jobPage.width;
  const LONGLONG ph = pdev->job.jobPage.height;
  // 64-bit: the cell sizes and counts are the caller's.
  const LONGLONG cellX = static_cast<LONGLONG>(p.cellWidth) * p.column;
  const LONGLONG cellY = static_cast<LONGLONG>(p.cellHeight) * p.row;
  LONGLONG x = static_cast<LONGLONG>(p.xOffset) + p.dx + m + cellX;
  LONGLONG y = static_cast<LONGLONG>(p.yOffset) + p.dy + m + cellY;
  if (!wm.wmBitmap && wm.wmSpacing == 2 && job.dmPublic.dmOrientation != DMORIENT_PORTRAIT) {
    x = static_cast<LONGLONG>(p.xOffset) - p.extra + p.dx + m + cellX - 120;
    y = static_cast<LONGLONG>(p.yOffset) + p.dy + m + cellY - 20;
  }
  PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
  PclXl_SetPageScale(pdev, FALSE);
  clip->left = Clamp16(-static_cast<LONGLONG>(p.xOffset));
  clip->top = Clamp16(-static_cast<LONGLONG>(p.yOffset));

  const bool jobLandscape = pdev->job.jobOrientation == DMORIENT_LANDSCAPE;
  auto plain = [&] {
    if (jobLandscape) x += m;
    PclXl_SetPageOrigin(pdev, Clamp16(x), Clamp16(y));
    clip->right = Clamp16(pw - x);
    clip->bottom = Clamp16(ph - y);
  };
  // The sheet's back turned by 180 degrees: the copy is placed from the far corner.
  auto turnedAt = [&](LONGLONG ox, LONGLONG oy) {
    PclXl_SetPageOrigin(pdev, Clamp16(ox), Clamp16(oy));
    PclXl_SetPageRotation(pdev, 180);
    clip->right = Clamp16(pw - 192 * (r + 1));
    clip->bottom = Clamp16(ph - 192 * (r + 1));
  };
  const LONGLONG farX = pw - p.xOffset - p.dx - cellX;
  const LONGLONG farY = ph - p.yOffset - p.dy - cellY;
  auto turned = [&] { turnedAt(farX, farY); };

  const bool even = pdev->job.pageFlow.sheetsInJob % 2 == 0;
  const bool pageTurned = pdev->job.pageFlow.turned180 != 0;
  const bool style4 = job.dmPrivate.bDocumentStyle == 4;
  if (even) {
    if (pageTurned) turned(); else plain();
  } else if (!pageTurned) {
    if (!style4) {
      plain();
      return;
    }
    LONGLONG ox = farX;
    LONGLONG oy = farY;
    const BYTE rotation = job.dmPrivate.bRotate180;
    if (jobLandscape) {
      oy -= m;
    } else if ((pdev->orientation == DMORIENT_LANDSCAPE && (rotation == 1 || rotation == 2)) || rotation == 3) {
      ox -= m;
      oy -= m;
    }
    turnedAt(ox, oy);
  } else if (style4 || Devmode_GetNupNum(&pdev->settings) <= 1) {
    if (!jobLandscape) x += m;
    y += m;
    PclXl_SetPageOrigin(pdev, Clamp16(x), Clamp16(y));
    clip->right = Clamp16(pw - x);
    clip->bottom = Clamp16(ph - y);
  } else {
    turned();
  }
}

// ESC_WM_DATA: the clip (and, tiled, the frame) of the watermark copy drawn next. Written only
// into an open page: between pages there is no page for the operators to belong to.
void PlaceWatermark(PDEV* pdev, ULONG cjIn, const void* pvIn) {
  const DWORD flags = pdev->jobCtl.flags;
  if (!(flags & JF_PAGE_OPEN) || (flags & (JF_OUTPUT_STOPPED | JF_OUTPUT_FAILED))) return;
  RECT16 clip{};
  if (pdev->job.jobSettings.dmPrivate.wmark.wmTile == 0) {
    // The printable area of the paper, in the page's own frame.
    const PdevPage& paper = pdev->physicalPage;
    clip = RECT16{0, 0, static_cast<SHORT>(paper.width - paper.left - paper.right),
                  static_cast<SHORT>(paper.height - paper.top - paper.bottom)};
  } else {
    // A tiled copy without its placement has no place: no clip is better than a wrong one.
    if (!pvIn || cjIn != sizeof(WatermarkPlacement)) return;
    WatermarkPlacement placement{};
    std::memcpy(&placement, pvIn, sizeof placement);
    PlaceTiledCopy(pdev, placement, &clip);
  }
  PclXl_SetClipRectangle(pdev, &clip);
  ++pdev->job.gx.clipChanges;
  // The clip and frame went out behind the state cache.
  Gx_ForgetTransformState(pdev);
}

// ---- Job facts ---------------------------------------------------------------------------------------

ULONG GetSheetCount(const PDEV* pdev, void* pvOut) {
  const LONG page = LogicalPage(pdev);
  // Booklet playback re-orders the pages onto sheets itself: the count is of pages.
  if (pdev->settings.dmPrivate.bBooklet) return WriteLong(pvOut, page);
  return WriteLong(pvOut, (page - 1) / PagesPerSheet(pdev->job.jobSettings) + 1);
}

ULONG GetDocumentName(PDEV* pdev, void* pvOut) {
  char* out = static_cast<char*>(pvOut);
  std::memset(out, 0, kDocNameInfoSize);
  WCHAR* name = pdev->jobCtl.documentName;
  size_t units = 0;
  while (units < PDEV_DOCUMENT_NAME_UNITS && name[units] != 0) ++units;
  ULONG written = 0;
  EngUnicodeToMultiByteN(out, kDocNameInfoSize - 1, &written, name, static_cast<ULONG>(units * sizeof(WCHAR)));
  out[std::min<ULONG>(written, kDocNameInfoSize - 1)] = '\0';
  return 1;
}

ULONG GetDevmodeExtra(const PDEV* pdev, void* pvOut) {
  // The extra block runs into the 2 unused bytes after it: the escape has always answered 1330.
  static_assert(offsetof(RenderPrivate, bExtra) + kDevmodeExtraSize <= offsetof(RenderPrivate, address));
  const BYTE* block = reinterpret_cast<const BYTE*>(&pdev->job.jobSettings.dmPrivate) + offsetof(RenderPrivate, bExtra);
  return WriteOutput(pvOut, block, kDevmodeExtraSize);
}

ULONG GetPageSize(const PDEV* pdev, void* pvOut) {
  const PdevPage& page = pdev->job.jobPage;
  const JobPageSize size{page.width, page.height, page.left, page.top, page.right, page.bottom};
  return WriteOutput(pvOut, &size, sizeof size);
}

// The private codes that need a document (everything but GETRESERVED and GETDOCSTYLE), with the
// record checked. 0 refuses the call.
ULONG JobEscape(PDEV* pdev, ULONG code, ULONG cjIn, void* pvIn, ULONG cjOut, void* pvOut) {
  const RenderDevmode& job = pdev->job.jobSettings;
  switch (code) {
    case SETCOPYCOUNT: return SetCopyCount(pdev, cjIn, pvIn, cjOut, pvOut);
    case ESC_PRN_SETHANDLE: SetEscapeHandle(pdev, cjIn, pvIn); return 0;
    case ESC_PRN_GETHANDLE: GetEscapeHandle(pdev, cjIn, pvIn); return 0;
    case ESC_WM_GETINFO:
      if (!ExactOutput(cjOut, pvOut, kWmarkDataSize)) return 0;
      return GetWatermarkInfo(pdev, pvOut);
    case ESC_WM_BEGIN: pdev->jobCtl.flags |= JF_WATERMARK; return 1;
    case ESC_WM_DATA: PlaceWatermark(pdev, cjIn, pvIn); return 1;
    case ESC_WM_END: pdev->jobCtl.flags &= ~JF_WATERMARK; return 1;
    case ESC_HF_GETINFO:
      if (!ExactOutput(cjOut, pvOut, kHeaderFooterInfoSize)) return 0;
      static_assert(sizeof(job.dmPrivate.header) == kHeaderFooterInfoSize);
      return WriteOutput(pvOut, &job.dmPrivate.header, kHeaderFooterInfoSize);
    case ESC_FORM_BEGINPART:
      pdev->jobCtl.flags |= JF_FORM_PART_OPEN;
      Form_BeginPart(pdev);
      return 1;
    case ESC_FORM_ENDPART:
      pdev->jobCtl.flags &= ~JF_FORM_PART_OPEN;
      Form_EndPart(pdev);
      return 1;
    case ESC_FORM_PLACE:
      if (pvIn && cjIn == sizeof(FormPlacement)) {
        FormPlacement placement{};
        std::memcpy(&placement, pvIn, sizeof placement);
        Form_Place(pdev, placement);
      }
      return 1;
    case ESC_JOB_GETSHEETCOUNT:
      if (!ExactOutput(cjOut, pvOut, sizeof(LONG))) return 0;
      return GetSheetCount(pdev, pvOut);
    case ESC_JOB_GETDOCNAME:
      if (!ExactOutput(cjOut, pvOut, kDocNameInfoSize)) return 0;
      return GetDocumentName(pdev, pvOut);
    case ESC_DM_GETEXTRA:
      if (!ExactOutput(cjOut, pvOut, kDevmodeExtraSize)) return 0;
      return GetDevmodeExtra(pdev, pvOut);
    case ESC_WM_GETSTATE:
      // The orientation the document started with, not the job orientation an N-up grid turns.
      if (!ExactOutput(cjOut, pvOut, sizeof(LONG))) return 0;
      return WriteLong(pvOut, job.dmPublic.dmOrientation);
    case ESC_JOB_GETPAGESIZE:
      if (!ExactOutput(cjOut, pvOut, sizeof(JobPageSize))) return 0;
      return GetPageSize(pdev, pvOut);
    case ESC_JOB_GETNUP:
      if (!ExactOutput(cjOut, pvOut, sizeof(LONG))) return 0;
      return WriteLong(pvOut, Devmode_GetNupNum(&job));
    default: return 0;
  }
}

}  // namespace

BOOL Escape_IsSupported(ULONG code) {
  return std::find(std::begin(kSupported), std::end(kSupported), code) != std::end(kSupported);
}

ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
  if (!Escape_IsSupported(iEsc)) return 0;
  if (iEsc == QUERYESCSUPPORT) {
    const LONG asked = InputWord(cjIn, pvIn);
    if (asked < 0) return 0;
    if (asked == SETCOPYCOUNT) return ESCAPE_MAX_COPIES;
    return Escape_IsSupported(static_cast<ULONG>(asked)) ? 1 : 0;
  }
  if (iEsc == kTechnologyQuery) {
    if (!pvOut || cjOut < sizeof(kTechnology)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return WriteOutput(pvOut, kTechnology, sizeof(kTechnology));
  }
  PDEV* pdev = Pdev_FromSurface(pso);
  const bool needsDocument = iEsc != ESC_DRV_GETRESERVED && iEsc != ESC_DM_GETDOCSTYLE;
  if (!ValidatePdev(pdev, needsDocument ? TRUE : FALSE, CALL_ESCAPE)) return 0;
  switch (iEsc) {
    case ESC_DRV_GETRESERVED:
      if (!ExactOutput(cjOut, pvOut, sizeof(DWORD))) return 0;
      return WriteLong(pvOut, static_cast<LONG>(pdev->job.reserved));
    case ESC_DM_GETDOCSTYLE:
      if (!ExactOutput(cjOut, pvOut, sizeof(DWORD))) return 0;
      return WriteLong(pvOut, pdev->settings.dmPrivate.bDocumentStyle);
    default: return JobEscape(pdev, iEsc, cjIn, pvIn, cjOut, pvOut);
  }
}

// No drawing escape is supported; the query about the query itself is answered.
ULONG APIENTRY DrvDrawEscape(SURFOBJ*, ULONG iEsc, CLIPOBJ*, RECTL*, ULONG cjIn, PVOID pvIn) {
  return iEsc == QUERYESCSUPPORT && InputWord(cjIn, pvIn) == QUERYESCSUPPORT ? 1 : 0;
}
