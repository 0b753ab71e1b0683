// Job output buffer and its destinations.
#include "gdi/spool.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <win/files.h>
#include <win/memory.h>
#include <win/spooler.h>

#include "gdi/util.h"
#include "intrface/devmod2.h"


// The page flow emits a page's set-up (page transform) lazily; drawing output that arrives
// before it would land in the previous transform. Builds without the page flow leave it out.
extern BOOL JobCtrl_BeginPageSetup(PDEV* pdev) __attribute__((weak));

namespace {

bool OutputStopped(const PDEV* pdev) { return (pdev->jobCtl.flags & JF_OUTPUT_STOPPED) != 0; }

// A write that did not take all its bytes: nothing more of this job may go anywhere, since
// the printer (or the replay of the spool file) would get a stream with a hole in it.
BOOL StopOutput(PDEV* pdev) {
  pdev->jobCtl.flags |= JF_OUTPUT_STOPPED | JF_OUTPUT_FAILED;
  return FALSE;
}

BOOL WriteWholeFile(PDEV* pdev, HANDLE file, const BYTE* bytes, size_t length) {
  while (length > 0) {
    DWORD piece = static_cast<DWORD>(length < SPOOL_MAX_PIECE ? length : SPOOL_MAX_PIECE);
    DWORD written = 0;
    if (!WriteFile(file, bytes, piece, &written, nullptr) || written != piece) return StopOutput(pdev);
    bytes += piece;
    length -= piece;
  }
  return TRUE;
}

// The page-geometry part of a page record: the sheet's own page, with the margins of the
// model's paper when the sheet is printed on a fit-to paper other than the document's.
PdevPage RecordedPage(const PDEV* pdev) {
  const RenderDevmode& job = pdev->job.jobSettings;
  if (job.dmPrivate.bBooklet) return pdev->physicalPage;
  PdevPage page = pdev->job.jobPage;
  SHORT fit = job.dmPrivate.scale.FtoPaper;
  if (fit != 0 && fit != job.dmPublic.dmPaperSize) {
    page.left = pdev->physicalPage.left;
    page.top = pdev->physicalPage.top;
    page.right = pdev->physicalPage.right;
    page.bottom = pdev->physicalPage.bottom;
  }
  return page;
}

bool GrowPageTable(PdevOutputState& out) {
  // Closing a record also opens the next one (its start), so two free slots are needed.
  if (out.pageCount + 2 <= out.pageCapacity) return true;
  DWORD capacity = out.pageCapacity + 2;
  while (out.pageCount + 2 > capacity) capacity += 2;
  SIZE_T bytes = static_cast<SIZE_T>(capacity) * sizeof(PageRecord);
  HGLOBAL grown = out.pages ? GlobalReAlloc(out.pages, bytes, GMEM_MOVEABLE) : GlobalAlloc(GMEM_FIXED, bytes);
  if (!grown) return false;
  out.pages = static_cast<PageRecord*>(grown);
  std::memset(out.pages + out.pageCapacity, 0, (capacity - out.pageCapacity) * sizeof(PageRecord));
  out.pageCapacity = capacity;
  return true;
}

bool IsDirectory(const WCHAR* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t WideLength(const WCHAR* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n]) ++n;
  return n;
}

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

// Units of the path's root, which is not a folder to make: "C:" or "C:\", "\\server\share",
// a leading separator.
size_t RootLength(const WCHAR* path) {
  if (path[0] && path[1] == u':') return IsSeparator(path[2]) ? 3 : 2;
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    size_t i = 2;
    for (int parts = 0; path[i] && parts < 2; ++i) {
      if (IsSeparator(path[i])) ++parts;
    }
    return i;
  }
  return IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

BOOL Spool_Write(PDEV* pdev, const void* bytes, size_t length) {
  if (OutputStopped(pdev)) return FALSE;
  DWORD flags = pdev->jobCtl.flags;
  if ((flags & JF_JOB_OPEN) && (flags & JF_PAGE_STARTED) && !(flags & JF_PAGE_SETUP_DONE) && JobCtrl_BeginPageSetup) {
    PDEV_REPORT_ERROR(pdev);
    JobCtrl_BeginPageSetup(pdev);
    if (OutputStopped(pdev)) return FALSE;
  }
  if (length == 0) return TRUE;
  const BYTE* p = static_cast<const BYTE*>(bytes);
  JobOutputBuffer& buffer = pdev->job.output.buffer;
  if (buffer.capacity > JOB_OUTPUT_BUFFER_SIZE || buffer.count > buffer.capacity) {
    // A record whose buffer words were never set up (or were overwritten) is not trusted.
    PDEV_REPORT_ERROR(pdev);
    buffer.capacity = JOB_OUTPUT_BUFFER_SIZE;
    buffer.count = 0;
  }
  if (buffer.count + length > buffer.capacity) {
    Spool_Flush(pdev);
    while (length >= SPOOL_DIRECT_THRESHOLD) {
      size_t piece = length < SPOOL_MAX_PIECE ? length : SPOOL_MAX_PIECE;
      if (!Spool_WriteOut(pdev, p, piece)) return FALSE;
      p += piece;
      length -= piece;
    }
    if (OutputStopped(pdev)) return FALSE;
  }
  if (length > static_cast<size_t>(buffer.capacity - buffer.count)) {
    // Only a buffer of less than SPOOL_DIRECT_THRESHOLD bytes gets here.
    return Spool_WriteOut(pdev, p, length);
  }
  std::memcpy(buffer.data + buffer.count, p, length);
  buffer.count = static_cast<WORD>(buffer.count + length);
  return TRUE;
}

BOOL Spool_Printf(PDEV* pdev, const char* format, ...) {
  char text[SPOOL_PRINTF_LIMIT + 1];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return FALSE;
  size_t length = static_cast<size_t>(n) < SPOOL_PRINTF_LIMIT ? static_cast<size_t>(n) : SPOOL_PRINTF_LIMIT;
  return Spool_Write(pdev, text, length);
}

BOOL Spool_Flush(PDEV* pdev) {
  JobOutputBuffer& buffer = pdev->job.output.buffer;
  if (buffer.count == 0) return FALSE;
  BOOL written = Spool_WriteOut(pdev, buffer.data, buffer.count);
  buffer.count = 0;
  return written;
}

BOOL Spool_WriteOut(PDEV* pdev, const void* bytes, size_t length) {
  if (OutputStopped(pdev)) return FALSE;
  PdevOutputState& out = pdev->job.output;
  const BYTE* p = static_cast<const BYTE*>(bytes);
  if ((out.flags & JOF_TO_PRINTER) && !Spool_WritePrinter(pdev, p, length)) return FALSE;
  if ((out.flags & JOF_TO_SPOOL_FILE) && !WriteWholeFile(pdev, out.hSpoolFile, p, length)) return FALSE;
  if ((out.flags & JOF_TO_FORM_FILE) && !WriteWholeFile(pdev, out.hFormFile, p, length)) return FALSE;
  out.position += static_cast<DWORD>(length);
  return TRUE;
}

BOOL Spool_WritePrinter(PDEV* pdev, const void* bytes, size_t length) {
  if (length == 0) return TRUE;
  if (OutputStopped(pdev)) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(bytes);
  while (length > 0) {
    DWORD piece = static_cast<DWORD>(length < SPOOL_MAX_PIECE ? length : SPOOL_MAX_PIECE);
    // WritePrinter may leave the count alone when it fails: only TRUE with every byte taken
    // is success.
    DWORD written = 0;
    BOOL ok = WritePrinter(pdev->jobCtl.hJobOutput, const_cast<BYTE*>(p), piece, &written);
    if (written <= piece) pdev->job.output.bytesSent += written;
    if (!ok || written != piece) return StopOutput(pdev);
    p += piece;
    length -= piece;
  }
  return TRUE;
}

void Spool_ResetOutput(PDEV* pdev) {
  Spool_FreePageTable(pdev);
  PdevOutputState& out = pdev->job.output;
  std::memset(&out, 0, sizeof out);
  out.buffer.capacity = JOB_OUTPUT_BUFFER_SIZE;
}

void Spool_AddPageRecord(PDEV* pdev) {
  PdevOutputState& out = pdev->job.output;
  if (!GrowPageTable(out)) {
    PDEV_REPORT_ERROR(pdev);
    return;
  }
  const RenderDevmode& job = pdev->job.jobSettings;
  PageRecord& record = out.pages[out.pageCount];
  record.length = out.position;
  if (!(out.flags & (JOF_TO_SPOOL_FILE | JOF_STORED_FORM | JOF_DRIVER_COLLATE))) record.length += out.buffer.count;
  record.headerLength = out.pageHeaderLength;
  // The sheet's paper and source: driver-made duplex never pairs sheets of different ones.
  SHORT fit = job.dmPrivate.scale.FtoPaper;
  const LONG paper = fit != 0 ? fit : job.dmPublic.dmPaperSize;
  record.pageValues[0] = static_cast<DWORD>(paper);
  if (paper >= RENDER_CUSTOM_FIRST_ID && paper <= RENDER_CUSTOM_LAST_ID)
    record.pageValues[0] = job.dmPrivate.custom[paper - RENDER_CUSTOM_FIRST_ID].dwCustomPaperId;
  record.pageValues[1] = job.dmPrivate.wPaperSource;
  PdevPage page = RecordedPage(pdev);
  static_assert(sizeof page == sizeof record.pageSize);
  std::memcpy(record.pageSize, &page, sizeof page);
  record.orientation = static_cast<BYTE>(pdev->orientation);
  record.paper = static_cast<WORD>(fit != 0 ? fit : job.dmPublic.dmPaperSize);
  out.pages[out.pageCount + 1].start = record.start + record.length;
  ++out.pageCount;
  out.position = 0;
}

void Spool_FreePageTable(PDEV* pdev) {
  PdevOutputState& out = pdev->job.output;
  if (out.pages) GlobalFree(out.pages);
  out.pages = nullptr;
  out.pageCapacity = 0;
  out.pageCount = 0;
}

BOOL Spool_CountFormPage(PDEV* pdev) {
  PdevOutputState& out = pdev->job.output;
  ++out.formPages;
  if ((out.flags & JOF_FORM_FIRST_PAGE) && out.formPages != 1) out.flags &= ~JOF_TO_FORM_FILE;
  return TRUE;
}

BOOL Spool_MakeDirectories(const WCHAR* path, int mode) {
  if (!path) return FALSE;
  WCHAR work[MAX_PATH + 1];
  size_t length = WideLength(path, MAX_PATH + 1);
  if (length > MAX_PATH) return FALSE;
  std::memcpy(work, path, length * sizeof(WCHAR));
  work[length] = 0;
  if (mode == 0) {
    static const WCHAR kSuffix[] = u".dfd";
    const size_t suffix = 4;
    if (length + suffix > MAX_PATH - 1) return FALSE;
    std::memcpy(work + length, kSuffix, sizeof kSuffix);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(work, &found);
    if (find == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(find);
    return TRUE;
  }
  size_t cut = length;
  while (cut > 0 && !IsSeparator(work[cut - 1])) --cut;
  if (cut == 0) return FALSE;
  work[cut - 1] = 0;
  if (IsDirectory(work)) return TRUE;
  size_t folder = cut - 1;
  for (size_t i = RootLength(work) + 1; i <= folder; ++i) {
    if (i < folder && !IsSeparator(work[i])) continue;
    WCHAR saved = work[i];
    work[i] = 0;
    // A level that exists already fails too, and the walk goes on.
    BOOL made = CreateDirectoryW(work, nullptr);
    DWORD error = made ? ERROR_SUCCESS : GetLastError();
    work[i] = saved;
    if (error == ERROR_PATH_NOT_FOUND) return FALSE;
  }
  return IsDirectory(work) ? TRUE : FALSE;
}

void Spool_EndDocHook(DWORD) {}
