// Overlay forms: the form path, the creation of a form file, a stored form on every sheet, and
// the form-part escapes.
#include "gdi/form.h"

#include <cstring>

#include <win/environment.h>
#include <win/files.h>
#include <win/modules.h>
#include <win/user.h>

#include "gdi/gx.h"
#include "gdi/jobctrl.h"
#include "gdi/nt/escape.h"
#include "gdi/nt/enable.h"
#include "gdi/pclxl.h"
#include "gdi/spool.h"
#include "gdi/spoolplay.h"
#include "gdi/tx.h"
#include "gdi/util.h"
#include "intrface/devmod2.h"

namespace {

constexpr WCHAR kFormsFolderTail[] = u"\\Halvard\\Form";
constexpr WCHAR kDocuments[] = u"\\Documents";
constexpr WCHAR kFormSuffix[] = u".dfd";
constexpr size_t kFormSuffixUnits = 4;
// The resource library beside the renderer that holds the words of the missing-folder message.
constexpr WCHAR kMessageLibrary[] = u"tq5m2kaRC.DLL";
constexpr UINT kFolderMessageText = 2830;
constexpr UINT kFolderMessageCaption = 2246;
// The error notes of a stored form without its page marks.
constexpr int kNoteNoBodyMark = 3980;
constexpr int kNoteNoEndMark = 4000;
constexpr DWORD kCopyPiece = 4096;

size_t Length(const WCHAR* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n]) ++n;
  return n;
}

// Appends text when it fits `capacity` units with a terminator.
bool Append(WCHAR* buffer, size_t capacity, size_t& used, const WCHAR* text, size_t length) {
  if (length >= capacity - used) return false;
  std::memcpy(buffer + used, text, length * sizeof(WCHAR));
  used += length;
  buffer[used] = 0;
  return true;
}

PdevOutputState& Output(PDEV* pdev) { return pdev->job.output; }
PdevFormState& Form(PDEV* pdev) { return pdev->job.form; }
OVERLAY_DLG& Overlay(PDEV* pdev) { return pdev->job.jobSettings.dmPrivate.overlay; }

bool Creating(const PDEV* pdev) { return (pdev->job.output.flags & JOF_FORM_CREATE) != 0; }
// The form-part escapes cut parts only on the first logical page of a creation job.
bool CreatingFirstPage(const PDEV* pdev) { return Creating(pdev) && pdev->job.pagesInJob == 1; }
bool BookletJob(const PDEV* pdev) { return pdev->job.jobSettings.dmPrivate.bBooklet != 0; }

DWORD OutputPosition(PDEV* pdev) { return Output(pdev).position + Output(pdev).buffer.count; }

// The 0-based table index of the highest configured form slot (an entry of the settings whose
// first 32-bit value is not zero), or -1.
int LastConfiguredSlot(const PDEV* pdev) {
  const BYTE* slots = reinterpret_cast<const BYTE*>(&pdev->job.jobSettings.dmPrivate) + RENDER_FORM_SLOTS_OFFSET;
  for (int i = static_cast<int>(RENDER_FORM_SLOTS) - 1; i >= 0; --i) {
    DWORD first = 0;
    std::memcpy(&first, slots + static_cast<size_t>(i) * RENDER_FORM_SLOT_BYTES, sizeof first);
    if (first != 0) return i;
  }
  return -1;
}

// The nearest slot at or before `slot` that has a start, or -1.
int NearestStartedSlot(const PdevFormState& form, int slot) {
  for (int i = slot; i >= 0; --i) {
    if (form.slotsStarted & (1u << i)) return i;
  }
  return -1;
}

void CloseSlot(PdevFormState& form, int slot, DWORD position) {
  const int from = NearestStartedSlot(form, slot);
  if (from < 0) return;  // nothing was opened before it: nothing to measure
  form.slotLengths[slot] = position - form.slotStarts[from];
}

// The reader finds each part from the header's lengths alone, one after the other from the
// body's start in slot order. Parts cut in any other order are not recorded: the form is then
// stored whole, since a part taken from the wrong bytes would cut operators apart.
bool SlotPartsFollowEachOther(const PdevFormState& form) {
  DWORD next = form.bodyStart;
  for (size_t i = 0; i < DFD_FORM_SLOTS; ++i) {
    if (form.slotLengths[i] == 0) continue;
    // A slot closed without a start of its own was measured from the nearest earlier start.
    const int from = NearestStartedSlot(form, static_cast<int>(i));
    if (from < 0 || form.slotStarts[from] != next) {
      Util_DebugPrint("Form: the form parts are not one after the other in slot order; the form is stored whole\n");
      return false;
    }
    next += form.slotLengths[i];
  }
  return true;
}

// Page values A and B as the spool page table keeps them for a sheet of the job: its paper (a
// custom paper by its own id) and its paper source.
void JobPageValues(const PDEV* pdev, DWORD values[2]) {
  const RenderDevmode& job = pdev->job.jobSettings;
  const SHORT fit = job.dmPrivate.scale.FtoPaper;
  const LONG paper = fit != 0 ? fit : job.dmPublic.dmPaperSize;
  values[0] = static_cast<DWORD>(paper);
  if (paper >= RENDER_CUSTOM_FIRST_ID && paper <= RENDER_CUSTOM_LAST_ID)
    values[0] = job.dmPrivate.custom[paper - RENDER_CUSTOM_FIRST_ID].dwCustomPaperId;
  values[1] = job.dmPrivate.wPaperSource;
}

void FillHeader(PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  DfdHeader& h = Form(pdev).header;
  std::memset(&h, 0, sizeof h);
  const SHORT fit = job.dmPrivate.scale.FtoPaper;
  h.paper = static_cast<WORD>(fit != 0 ? fit : job.dmPublic.dmPaperSize);
  const WORD orientation = pdev->job.jobOrientation ? pdev->job.jobOrientation : pdev->orientation;
  h.orientation = static_cast<BYTE>(orientation);
  const BYTE rotate = job.dmPrivate.bRotate180;
  const bool landscape = orientation == DMORIENT_LANDSCAPE;
  h.turned = (rotate == 3 || (rotate == 1 && landscape) || (rotate == 2 && !landscape)) ? 1 : 0;
  h.byte124 = reinterpret_cast<const BYTE*>(&job.dmPrivate)[124];
  JobPageValues(pdev, h.pageValues);
}

bool WriteAll(HANDLE file, const void* bytes, DWORD length) {
  DWORD written = 0;
  return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

// The marker and the header at the start of an empty form file.
bool WriteFormStart(PDEV* pdev) {
  DfdFormFile start;
  std::memcpy(start.marker, DFD_MARKER, DFD_MARKER_BYTES);
  start.header = Form(pdev).header;
  return WriteAll(Output(pdev).hFormFile, &start, sizeof start);
}

void DropFormFile(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  if (out.hFormFile) CloseHandle(out.hFormFile);
  out.hFormFile = nullptr;
  out.flags &= ~(JOF_TO_FORM_FILE | JOF_FORM_FIRST_PAGE);
}

// The forms folder cannot be made: the user hears of it through the resource library beside the
// renderer, which holds the words. Without it no box is shown. The answer does not matter: the
// creation goes on either way.
void ShowFolderMessage() {
  WCHAR path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(Enable_ModuleHandle(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    Util_DebugPrint("Form: the renderer's folder is unknown, no message\n");
    return;
  }
  Util_StripLastComponent(path, FALSE);
  size_t used = Length(path, MAX_PATH + 1);
  if (!Append(path, MAX_PATH + 1, used, kMessageLibrary, Length(kMessageLibrary, MAX_PATH))) return;
  HMODULE library = LoadLibraryW(path);
  if (!library) {
    Util_DebugPrint("Form: the message library is missing, no message (error %u)\n",
                    static_cast<unsigned>(GetLastError()));
    return;
  }
  WCHAR text[512];
  WCHAR caption[256];
  Util_LoadString(library, kFolderMessageText, text, sizeof text);
  Util_LoadString(library, kFolderMessageCaption, caption, sizeof caption);
  MessageBoxW(GetActiveWindow(), text, caption, MB_OKCANCEL | MB_ICONINFORMATION);
  FreeLibrary(library);
}

HANDLE CreateFormFile(const WCHAR* path) {
  DeleteFileW(path);
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void OpenFormForCreation(PDEV* pdev, bool spooled) {
  PdevOutputState& out = Output(pdev);
  const WCHAR* path = Overlay(pdev).OverlayFile;
  if (!Spool_MakeDirectories(path, 1)) {
    Util_DebugPrint("Form: the forms folder cannot be made\n");
    ShowFolderMessage();
  }
  HANDLE file = CreateFormFile(out.formPath);
  if (!file) {
    Spool_MakeDirectories(path, 1);
    file = CreateFormFile(out.formPath);
  }
  if (!file) {
    // The job is capture-only: its bytes now go nowhere.
    Util_DebugPrint("Form: the form file cannot be created (error %u), the job is dropped\n",
                    static_cast<unsigned>(GetLastError()));
    return;
  }
  out.hFormFile = file;
  if (spooled) {
    out.copiesToPlay = 1;
  } else {
    out.flags |= JOF_FORM_FIRST_PAGE;
  }
}

void OpenStoredForm(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  // Shared for reading only: a form that someone is still writing is not printed.
  HANDLE file = CreateFileW(out.formPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Util_DebugPrint("Form: the stored form cannot be opened (error %u), the job prints without it\n",
                    static_cast<unsigned>(GetLastError()));
    out.flags &= ~JOF_STORED_FORM;
    return;
  }
  PdevFormState& form = Form(pdev);
  bool slotsRefused = false;
  const DfdReadResult result = Dfd_ReadStoredForm(DfdFileSource(file), &form.stored, &slotsRefused);
  if (result != DFD_READ_OK) {
    if (result == DFD_READ_NO_BODY_MARK) Pdev_ReportError(pdev, "spool", kNoteNoBodyMark);
    if (result == DFD_READ_NO_END_MARK) Pdev_ReportError(pdev, "spool", kNoteNoEndMark);
    Util_DebugPrint("Form: the stored form is not usable (%d), the job prints without it\n", static_cast<int>(result));
    CloseHandle(file);
    std::memset(&form.stored, 0, sizeof form.stored);
    out.flags &= ~JOF_STORED_FORM;
    return;
  }
  if (slotsRefused) Util_DebugPrint("Form: the stored form's slot data does not fit its body, placed whole\n");
  out.hStoredForm = file;
  out.storedFormStart = form.stored.bodyStart;
  out.storedFormLength = form.stored.bodyLength;
}

// The transform that puts the form's page frame on the sheet. The sheet is already turned by
// its BeginPage when the settings turn it, and SetPageDefaultCTM gives back that turned frame,
// so only the orientations count. A positive PageAngle turns the user frame counter-clockwise
// as seen on the sheet, as the N-up cells use it. A portrait form on a landscape sheet has its
// top left at the sheet's top right with its x axis running down the sheet (PageAngle 270); a
// landscape form on a portrait sheet has its top left at the sheet's bottom left with its x
// axis running up (PageAngle 90). The slot placement takes the angles the same way.
SHORT FormAngle(BYTE formOrientation, WORD sheetOrientation) {
  if (formOrientation != DMORIENT_PORTRAIT && formOrientation != DMORIENT_LANDSCAPE) return 0;
  if (formOrientation == sheetOrientation) return 0;
  return formOrientation == DMORIENT_PORTRAIT ? 270 : 90;
}

void WholeFormOrigin(SHORT angle, LONG m, LONG width, LONG height, SHORT* x, SHORT* y) {
  LONG ox = m, oy = m;
  if (angle == 270) ox = width - m;
  if (angle == 90) oy = height - m;
  *x = static_cast<SHORT>(ox);
  *y = static_cast<SHORT>(oy);
}

// Copies bytes of the stored form into the job output.
bool CopyFormBytes(PDEV* pdev, DWORD start, DWORD length) {
  const DfdFileSource source(Output(pdev).hStoredForm);
  BYTE piece[kCopyPiece];
  while (length > 0) {
    const DWORD n = length < kCopyPiece ? length : kCopyPiece;
    if (!source.Read(start, piece, n)) return false;
    if (!Spool_Write(pdev, piece, n)) return false;
    start += n;
    length -= n;
  }
  return true;
}

void PlaceTransform(PDEV* pdev, SHORT x, SHORT y, SHORT angle) {
  PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
  PclXl_SetPageOrigin(pdev, x, y);
  PclXl_SetPageRotation(pdev, angle);
}

BOOL PlaceForm(PDEV* pdev, WORD sheetOrientation, LONG sheetWidth, LONG sheetHeight) {
  const DfdStoredForm& form = Form(pdev).stored;
  const SHORT angle = FormAngle(form.header.orientation, sheetOrientation);
  const LONG m = JobCtrl_EdgeMargin(&pdev->job.jobSettings);
  bool copied = true;
  // Whatever the form sets stays inside its own graphics state.
  PclXl_WriteOp(pdev, PXL_OP_PushGS);
  if (form.partCount == 0) {
    SHORT x = 0, y = 0;
    WholeFormOrigin(angle, m, sheetWidth, sheetHeight, &x, &y);
    PlaceTransform(pdev, x, y, angle);
    copied = CopyFormBytes(pdev, form.bodyStart, form.bodyLength);
  } else {
    for (DWORD i = 0; i < form.partCount && copied; ++i) {
      const DfdPart& part = form.parts[i];
      SHORT x = 0, y = 0;
      JobCtrl_PlaceFormSlot(pdev, part.placement.slot, angle, static_cast<SHORT>(part.placement.width),
                            static_cast<SHORT>(part.placement.height), &x, &y);
      PlaceTransform(pdev, x, y, angle);
      copied = CopyFormBytes(pdev, part.start, part.length);
    }
  }
  PclXl_WriteOp(pdev, PXL_OP_PopGS);
  // The page's own transform and clip follow: nothing cached before the form holds after it.
  Gx_ResetStateCache(pdev);
  if (!copied) Util_DebugPrint("Form: the stored form could not be read whole\n");
  return copied ? TRUE : FALSE;
}

}  // namespace

// ---- Path --------------------------------------------------------------------------------------

FormPathResult Form_BuildPath(const WCHAR* name, WCHAR* path) {
  if (!name || !path) return FORM_PATH_BAD_NAME;
  const size_t n = Length(name, RENDER_NAME_UNITS);
  if (n == 0 || n == RENDER_NAME_UNITS) return FORM_PATH_BAD_NAME;
  for (size_t i = 0; i < n; ++i) {
    // The existence check looks the form up with FindFirstFileW: a wildcard would find another
    // file, and the renderer deletes and recreates what the name stands for.
    if (name[i] < 0x20 || name[i] == 0x7F || name[i] == u'*' || name[i] == u'?') return FORM_PATH_BAD_NAME;
  }
  // Built in room enough for the longest folder and name; only a path that fits the settings'
  // name fields with its ".dfd" is used.
  WCHAR work[4 * RENDER_NAME_UNITS];
  size_t used = 0;
  work[0] = 0;
  if (name[0] == u' ' || (n >= 2 && name[1] == u':')) {
    Append(work, std::size(work), used, name, n);
  } else {
    // Systems of major version 6 keep shared documents under PUBLIC; the others under
    // ALLUSERSPROFILE's Documents. Forms stored on either are found again there.
    const bool versionSix = Util_GetOsClass() != 0;
    WCHAR folder[2 * RENDER_NAME_UNITS];
    const DWORD got = GetEnvironmentVariableW(versionSix ? u"PUBLIC" : u"ALLUSERSPROFILE", folder,
                                              static_cast<DWORD>(std::size(folder)));
    // Without the variable the path would fall to "\Halvard\Form" at a drive root.
    if (got == 0) return FORM_PATH_NO_FOLDER;
    if (got >= std::size(folder)) return FORM_PATH_TOO_LONG;
    Append(work, std::size(work), used, folder, got);
    if (!versionSix) Append(work, std::size(work), used, kDocuments, Length(kDocuments, 16));
    Append(work, std::size(work), used, kFormsFolderTail, Length(kFormsFolderTail, 16));
    if (name[0] != u'\\') Append(work, std::size(work), used, u"\\", 1);
    if (!Append(work, std::size(work), used, name, n)) return FORM_PATH_TOO_LONG;
  }
  if (used + kFormSuffixUnits >= RENDER_NAME_UNITS) return FORM_PATH_TOO_LONG;
  std::memcpy(path, work, (used + 1) * sizeof(WCHAR));
  return FORM_PATH_OK;
}

// ---- Job opening -------------------------------------------------------------------------------

DWORD Form_PrepareJob(PDEV* pdev) {
  OVERLAY_DLG& overlay = Overlay(pdev);
  if (overlay.bOverlay == OVERLAY_NONE) return 0;
  WCHAR path[RENDER_NAME_UNITS];
  const FormPathResult result = Form_BuildPath(overlay.szFormName, path);
  if (result != FORM_PATH_OK) {
    Util_DebugPrint("Form: no form path (%d), the job has no form\n", static_cast<int>(result));
    return 0;
  }
  std::memcpy(overlay.szFormName, path, sizeof path);
  std::memcpy(overlay.OverlayFile, path, sizeof path);
  PdevOutputState& out = Output(pdev);
  size_t used = 0;
  out.formPath[0] = 0;
  Append(out.formPath, std::size(out.formPath), used, path, Length(path, RENDER_NAME_UNITS));
  Append(out.formPath, std::size(out.formPath), used, kFormSuffix, kFormSuffixUnits);
  if (overlay.bOverlay == OVERLAY_CREATE) return JOF_FORM_CREATE;
  if (Spool_MakeDirectories(path, 0)) return JOF_STORED_FORM;
  Util_DebugPrint("Form: the stored form does not exist, the job prints without it\n");
  return 0;
}

void Form_KeepPathInJobCopy(PDEV* pdev) {
  const WCHAR* file = Output(pdev).formPath;
  const size_t n = Length(file, std::size(Output(pdev).formPath));
  // Empty until the opening built a path; the form's file is the path and ".dfd".
  if (n <= kFormSuffixUnits || n - kFormSuffixUnits >= RENDER_NAME_UNITS) return;
  OVERLAY_DLG& overlay = Overlay(pdev);
  const size_t units = n - kFormSuffixUnits;
  std::memset(overlay.szFormName, 0, sizeof overlay.szFormName);
  std::memcpy(overlay.szFormName, file, units * sizeof(WCHAR));
  std::memcpy(overlay.OverlayFile, overlay.szFormName, sizeof overlay.OverlayFile);
}

void Form_OpenFiles(PDEV* pdev, bool spooled) {
  const DWORD flags = Output(pdev).flags;
  if (flags & JOF_FORM_CREATE) OpenFormForCreation(pdev, spooled);
  if (flags & JOF_STORED_FORM) OpenStoredForm(pdev);
}

// ---- Creation ------------------------------------------------------------------------------------

void Form_StartSheet(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  if (!Creating(pdev) || !(out.flags & JOF_FORM_FIRST_PAGE) || !out.hFormFile) return;
  if (out.formPages != 1 || (out.flags & (JOF_FORM_WRITTEN | JOF_TO_FORM_FILE))) return;
  // The job header record was just closed, so the buffer is empty: the sheet's first byte is
  // the file's byte 137.
  if (out.buffer.count) Spool_Flush(pdev);
  FillHeader(pdev);
  if (!WriteFormStart(pdev)) {
    Util_DebugPrint("Form: the form file cannot be written (error %u)\n", static_cast<unsigned>(GetLastError()));
    DropFormFile(pdev);
    return;
  }
  out.flags |= JOF_TO_FORM_FILE;
}

void Form_NotePageStart(PDEV* pdev) {
  if (!Creating(pdev)) return;
  PdevFormState& form = Form(pdev);
  if (pdev->job.pagesInJob == 1 && !form.bodyStartNoted) {
    form.bodyStart = OutputPosition(pdev);
    form.bodyStartNoted = TRUE;
  } else if (pdev->job.pageFlow.sheetsInJob == 1) {
    // A later logical page of the form's sheet (N-up) resets the page transform inside the body.
    form.transformReset = TRUE;
  }
}

void Form_EndSheet(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  if (!(out.flags & JOF_TO_FORM_FILE)) return;
  out.flags |= JOF_FORM_WRITTEN;
  out.flags &= ~JOF_TO_FORM_FILE;
  // Placing the form sets its transform before the body; a body that sets its own page
  // transform again (the cells of an N-up sheet, a placed part, a watermark) keeps that one, so
  // such a form prints where it was drawn whatever the later sheet. Accepted as a limitation.
  if (Form(pdev).transformReset)
    Util_DebugPrint("Form: the form's sheet sets its own page transform; it is placed as drawn\n");
}

void Spool_WriteOverlayTrailer(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  if (!Creating(pdev) || !out.hFormFile) return;
  PdevFormState& form = Form(pdev);
  const bool started = (out.flags & JOF_FORM_WRITTEN) != 0;
  if (!started) FillHeader(pdev);
  DfdHeader& h = form.header;
  // The page values are final at the job's end.
  if (out.pages && out.pageCount >= 2) {
    h.pageValues[0] = out.pages[1].pageValues[0];
    h.pageValues[1] = out.pages[1].pageValues[1];
  } else {
    JobPageValues(pdev, h.pageValues);
  }
  if (JobCtrl_FirstFormSlot(pdev) != 0 && SlotPartsFollowEachOther(form)) {
    h.partLength = form.partLength;
    std::memcpy(h.slotLengths, form.slotLengths, sizeof h.slotLengths);
    std::memcpy(h.placements, form.placements, sizeof h.placements);
  }
  DWORD high = 0;
  const DWORD size = GetFileSize(out.hFormFile, &high);
  bool ok;
  if (size == 0 && high == 0) {
    // Nothing written yet (the playback writes the sheet after this): the whole start.
    ok = WriteFormStart(pdev);
  } else {
    ok = SetFilePointer(out.hFormFile, static_cast<LONG>(DFD_HEADER_OFFSET), nullptr, FILE_BEGIN) ==
             DFD_HEADER_OFFSET &&
         WriteAll(out.hFormFile, &h, sizeof h);
    SetFilePointer(out.hFormFile, 0, nullptr, FILE_END);
  }
  if (!ok)
    Util_DebugPrint("Form: the form header cannot be written (error %u)\n", static_cast<unsigned>(GetLastError()));
}

void Form_CloseFiles(PDEV* pdev) {
  PdevOutputState& out = Output(pdev);
  if (out.hFormFile) CloseHandle(out.hFormFile);
  if (out.hStoredForm) CloseHandle(out.hStoredForm);
  out.hFormFile = nullptr;
  out.hStoredForm = nullptr;
}

// ---- Stored form on a sheet ---------------------------------------------------------------------

void Spool_PrepareForms(PDEV* pdev, DWORD* flags) {
  if (flags) *flags |= Form_PrepareJob(pdev);
}

void Spool_OpenFormFiles(PDEV* pdev) { Form_OpenFiles(pdev, (Output(pdev).flags & JOF_TO_SPOOL_FILE) != 0); }

void Spool_PlaceStoredForm(PDEV* pdev, DWORD sheet) {
  const PdevOutputState& out = Output(pdev);
  if (!(out.flags & JOF_STORED_FORM) || !out.hStoredForm || !out.pages || sheet >= out.pageCount) return;
  const PageRecord& record = out.pages[sheet];
  PdevPage page;
  static_assert(sizeof page == sizeof record.pageSize);
  std::memcpy(&page, record.pageSize, sizeof page);
  PlaceForm(pdev, record.orientation, page.width, page.height);
}

// ---- Form-part escapes -------------------------------------------------------------------------

void Form_BeginPart(PDEV* pdev) {
  const bool creating = CreatingFirstPage(pdev);
  if (!BookletJob(pdev) && !creating) return;
  // A part must stand alone: it may be placed where the fonts of the sheet before it are gone.
  Tx_RemoveAllSoftFonts(pdev);
  Spool_Flush(pdev);
  PdevFormState& form = Form(pdev);
  form.partStart = OutputPosition(pdev);
  if (!creating) return;
  std::memset(form.slotStarts, 0, sizeof form.slotStarts);
  form.slotsStarted = 0;
  // JobCtrl_FirstFormSlot counts the settings' entries from 1 (0: none); the tables count from 0.
  const int firstSlotNumber = JobCtrl_FirstFormSlot(pdev);
  if (firstSlotNumber != 0) {
    const int slot = firstSlotNumber - 1;
    // The parts lie one after the other from the body's start, so that the reader can find
    // each from the header's lengths alone.
    form.slotStarts[slot] = form.bodyStartNoted ? form.bodyStart : form.partStart;
    form.slotsStarted |= 1u << slot;
  }
}

void Form_EndPart(PDEV* pdev) {
  if (!BookletJob(pdev) && !CreatingFirstPage(pdev)) return;
  Spool_Flush(pdev);
  PdevFormState& form = Form(pdev);
  const DWORD position = OutputPosition(pdev);
  const int last = LastConfiguredSlot(pdev);
  if (last >= 0) CloseSlot(form, last, position);
  form.partLength = position - form.partStart;
}

void Form_Place(PDEV* pdev, const vm4k2::FormPlacement& placement) {
  const LONG slot = placement.slot, x = placement.x, y = placement.y;
  if (CreatingFirstPage(pdev)) {
    // The slot indexes the six-slot tables: anything else is ignored.
    if (slot < 0 || slot >= static_cast<LONG>(DFD_FORM_SLOTS)) return;
    PdevFormState& form = Form(pdev);
    const int s = static_cast<int>(slot);
    Spool_Flush(pdev);
    const DWORD position = OutputPosition(pdev);
    if (s > 0) CloseSlot(form, s - 1, position);
    // The first configured slot already starts at the body's start (ESC_FORM_BEGINPART).
    if (!(form.slotsStarted & (1u << s))) {
      form.slotStarts[s] = position;
      form.slotsStarted |= 1u << s;
    }
    form.placements[s] = DfdSlotPlacement{slot, x, y};
    Gx_SetClipBox(pdev, nullptr);
    return;
  }
  // Escape_PlacePage takes the part's height before its width.
  SHORT ox = 0, oy = 0;
  RECT16 box{};
  const SHORT width = static_cast<SHORT>(x < -0x8000 ? -0x8000 : (x > 0x7FFF ? 0x7FFF : x));
  const SHORT height = static_cast<SHORT>(y < -0x8000 ? -0x8000 : (y > 0x7FFF ? 0x7FFF : y));
  const SHORT angle = Escape_PlacePage(pdev, static_cast<int>(slot), height, width, &ox, &oy, &box);
  PclXl_WriteOp(pdev, PXL_OP_SetPageDefaultCTM);
  PclXl_SetPageOrigin(pdev, ox, oy);
  if (angle == 180) PclXl_SetPageRotation(pdev, 180);
  if (Devmode_GetNupNum(&pdev->job.jobSettings) > 1) PclXl_SetPageScale(pdev, FALSE);
  // The transform changed behind the cache: the clip and the transform-dependent state are
  // written again from here on.
  Gx_ForgetTransformState(pdev);
  PclXl_SetClipRectangle(pdev, &box);
  if (Creating(pdev) && pdev->job.pageFlow.sheetsInJob == 1) Form(pdev).transformReset = TRUE;
}
