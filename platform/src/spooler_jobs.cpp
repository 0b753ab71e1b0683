// Print jobs: documents written through a printer handle, their records and their bytes. A
// job's bytes land in <root>/spooler/jobs/<id>.spl and stay there until the job is deleted,
// so a test or a person can take the job stream; the machine has no device behind its
// queues, so a finished job is marked printed at once unless its printer is paused or offline.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>

#include "internal/controls.h"
#include "internal/handles.h"
#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace plat::spooler {
namespace {

SYSTEMTIME NowUtc() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts;
  gmtime_r(&now.tv_sec, &parts);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(parts.tm_year + 1900);
  t.wMonth = static_cast<WORD>(parts.tm_mon + 1);
  t.wDayOfWeek = static_cast<WORD>(parts.tm_wday);
  t.wDay = static_cast<WORD>(parts.tm_mday);
  t.wHour = static_cast<WORD>(parts.tm_hour);
  t.wMinute = static_cast<WORD>(parts.tm_min);
  t.wSecond = static_cast<WORD>(parts.tm_sec);
  t.wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
  return t;
}

DWORD SpooledBytes(unsigned jobId) {
  struct stat st;
  if (stat(JobDataPath(jobId).c_str(), &st) != 0) return 0;
  return static_cast<DWORD>(st.st_size);
}

std::optional<std::string> JobDevmode(const Job& job) {
  if (!job.hasDevmode) return std::nullopt;
  std::string bytes;
  if (!ReadBytes(JobDevmodePath(job.id), bytes)) return std::nullopt;
  return bytes;
}

void PackJob(Packer& packer, BYTE* records, size_t index, DWORD level, const Job& j, DWORD position) {
  if (level == 1) {
    JOB_INFO_1W r{};
    r.JobId = j.id;
    r.pPrinterName = packer.String(j.printerName);
    r.pMachineName = packer.String(j.machine);
    r.pUserName = packer.String(j.user);
    r.pDocument = packer.String(j.document);
    r.pDatatype = packer.String(j.datatype);
    r.Status = j.status;
    r.Priority = j.priority;
    r.Position = position;
    r.TotalPages = j.totalPages;
    r.PagesPrinted = j.pagesPrinted;
    r.Submitted = j.submitted;
    if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
    return;
  }
  JOB_INFO_2W r{};
  r.JobId = j.id;
  r.pPrinterName = packer.String(j.printerName);
  r.pMachineName = packer.String(j.machine);
  r.pUserName = packer.String(j.user);
  r.pDocument = packer.String(j.document);
  r.pNotifyName = packer.String(j.user);
  r.pDatatype = packer.String(j.datatype);
  r.pPrintProcessor = packer.String(j.processor);
  r.pParameters = packer.String(j.parameters);
  r.pDriverName = packer.String(j.driver);
  r.pDevMode = packer.Devmode(JobDevmode(j));
  r.Status = j.status;
  r.Priority = j.priority;
  r.Position = position;
  r.TotalPages = j.totalPages;
  r.Size = SpooledBytes(j.id);
  r.Submitted = j.submitted;
  r.PagesPrinted = j.pagesPrinted;
  if (records) std::memcpy(records + index * sizeof r, &r, sizeof r);
}

size_t JobRecordSize(DWORD level) {
  return level == 1 ? sizeof(JOB_INFO_1W) : level == 2 ? sizeof(JOB_INFO_2W) : 0;
}

// The handle's open document; ERROR_SPL_NO_STARTDOC without one.
std::shared_ptr<PrinterHandle> DocumentHandle(HANDLE hPrinter, Printer& printer) {
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (handle && !handle->jobId) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return nullptr;
  }
  return handle;
}

// A document's page and write calls come thousands of times a job. The handle of a document
// whose last checks (with the job's record when needJob) still hold, because nothing of the
// machine's spooler records changed since: the same checks would pass again. Null otherwise,
// and the caller checks afresh.
std::shared_ptr<PrinterHandle> UnchangedDocument(HANDLE hPrinter, bool needJob) {
  std::shared_ptr<PrinterHandle> h = LookupHandleAs<PrinterHandle>(hPrinter);
  if (!h || h->kind != PrinterHandle::Kind::Printer || !h->jobId) return nullptr;
  const PrinterHandle::DocumentState& d = h->document;
  if (!d.checked || (needJob && (!d.jobChecked || d.job.id != h->jobId))) return nullptr;
  if (!RecordsCounterKnown() || RecordsCounter() != d.checkedAt) return nullptr;
  return h;
}

// The document handle, checked afresh as of the counter value `before` (read ahead of the
// checks, so that a change made meanwhile still counts as a change); with needJob the job's
// record must be there too (ERROR_PRINT_CANCELLED), and the job's file is opened anew.
std::shared_ptr<PrinterHandle> CheckDocument(HANDLE hPrinter, bool needJob) {
  std::uint64_t before = RecordsCounter();
  if (!RequireRunning()) return nullptr;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = DocumentHandle(hPrinter, printer);
  if (!handle) return nullptr;
  PrinterHandle::DocumentState& d = handle->document;
  d.checked = RecordsCounterKnown();
  d.checkedAt = before;
  if (!needJob) return handle;
  std::optional<Job> job = LoadJob(handle->jobId);
  if (!job) {
    ForgetDocument(*handle);
    SetLastError(ERROR_PRINT_CANCELLED);  // deleted by someone else while it was spooling
    return nullptr;
  }
  if (d.dataFd >= 0) close(d.dataFd);
  d.dataFd = -1;
  d.job = *job;
  d.jobChecked = true;
  d.spooled = SpooledBytes(job->id);
  return handle;
}

// After the document's own change of a record: what it checked still holds when the counter
// moved by that one change alone.
void NoteOwnChange(PrinterHandle& handle) {
  PrinterHandle::DocumentState& d = handle.document;
  if (d.checked && RecordsCounter() == d.checkedAt + 1)
    d.checkedAt += 1;
  else
    d.checked = d.jobChecked = false;
}

// Test controls on WritePrinter, counted in bytes of the job: "spooler.WritePrinterShortAfter"
// makes the write that reaches the limit a short one (and every later write writes nothing);
// "spooler.WritePrinterFailAfter" makes a write that would pass the limit fail with
// "spooler.WritePrinterError" (ERROR_WRITE_FAULT unless set).
struct WriteLimits {
  long long shortAfter = GetControlInt("spooler.WritePrinterShortAfter", -1);
  long long failAfter = GetControlInt("spooler.WritePrinterFailAfter", -1);
  DWORD error = static_cast<DWORD>(GetControlInt("spooler.WritePrinterError", ERROR_WRITE_FAULT));
};

}  // namespace

void FinishJob(PrinterHandle& handle) {
  StateLock lock;
  ForgetDocument(handle);
  std::optional<Job> job = LoadJob(handle.jobId);
  std::optional<Printer> printer = LoadPrinter(handle.printerId);
  handle.jobId = 0;
  handle.pageOpen = false;
  if (!job) return;
  job->status &= ~static_cast<DWORD>(JOB_STATUS_SPOOLING);
  bool held = (job->status & JOB_STATUS_PAUSED) ||
              (printer && ((printer->status & PRINTER_STATUS_PAUSED) ||
                           (printer->attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE)));
  if (!held) {
    job->status |= JOB_STATUS_PRINTED;
    job->pagesPrinted = job->totalPages;
  }
  SaveJob(*job);
}

// Used by the test controls: a job that some computer's user has already spooled.
DWORD AddForeignJob(std::u16string_view printerName, std::u16string_view document, std::u16string_view user,
                    std::u16string_view machine, DWORD status, DWORD pages) {
  if (!RequireRunning()) return 0;
  StateLock lock;
  std::optional<Printer> printer = FindPrinter(printerName);
  if (!printer) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return 0;
  }
  Job job;
  job.printerId = printer->id;
  job.printerName = printer->name;
  job.document = document;
  job.user = user;
  job.machine = machine;
  job.datatype = u"RAW";
  job.processor = printer->processor;
  job.driver = printer->driver;
  job.status = status;
  job.totalPages = pages;
  job.submitted = NowUtc();
  SaveJob(job);
  WriteBytes(JobDataPath(job.id), "");
  return job.id;
}

}  // namespace plat::spooler

using namespace plat::spooler;
using plat::WideView;

extern "C" {

WINBASEAPI DWORD WINAPI StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
  if (!RequireRunning()) return 0;
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (!handle) return 0;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return 0;
  }
  if (!pDocInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (handle->jobId) {
    SetLastError(ERROR_INVALID_PRINTER_STATE);
    return 0;
  }
  DOC_INFO_1W info;
  std::memcpy(&info, pDocInfo, sizeof info);
  std::u16string datatype(WideView(info.pDatatype));
  if (datatype.empty()) datatype = handle->datatype;
  if (datatype.empty()) datatype = printer.datatype.empty() ? u"RAW" : printer.datatype;
  if (!IsKnownDatatype(datatype)) {
    SetLastError(ERROR_INVALID_DATATYPE);
    return 0;
  }
  Job job;
  job.printerId = printer.id;
  job.printerName = printer.name;
  job.document = WideView(info.pDocName);
  job.outputFile = WideView(info.pOutputFile);
  job.user = UserName();
  job.machine = LocalServerName();
  job.datatype = datatype;
  job.processor = printer.processor;
  job.driver = printer.driver;
  job.parameters = printer.parameters;
  job.status = JOB_STATUS_SPOOLING;
  job.priority = printer.defaultPriority ? printer.defaultPriority : 1;
  job.submitted = NowUtc();
  std::optional<std::string> devmode = handle->devmode;
  if (!devmode) devmode = LoadUserDevmode(printer.id);
  if (!devmode) devmode = LoadGlobalDevmode(printer.id);
  job.hasDevmode = devmode.has_value();
  SaveJob(job);
  if (devmode) WriteBytes(JobDevmodePath(job.id), *devmode);
  WriteBytes(JobDataPath(job.id), "");
  ForgetDocument(*handle);
  handle->jobId = job.id;
  handle->pageOpen = false;
  return job.id;
}

WINBASEAPI BOOL WINAPI StartPagePrinter(HANDLE hPrinter) {
  std::shared_ptr<PrinterHandle> handle = UnchangedDocument(hPrinter, false);
  if (!handle) handle = CheckDocument(hPrinter, false);
  if (!handle) return FALSE;
  handle->pageOpen = true;
  return TRUE;
}

WINBASEAPI BOOL WINAPI EndPagePrinter(HANDLE hPrinter) {
  if (!UnchangedDocument(hPrinter, true) && !RequireRunning()) return FALSE;
  StateLock lock;
  // Looked at under the lock: a change another process makes to the job is made under it too.
  std::shared_ptr<PrinterHandle> handle = UnchangedDocument(hPrinter, true);
  if (!handle) handle = CheckDocument(hPrinter, true);
  if (!handle) return FALSE;
  Job& job = handle->document.job;
  ++job.totalPages;
  // The page count is the job's record that watchers of the queue see grow page by page.
  SaveJob(job);
  NoteOwnChange(*handle);
  handle->pageOpen = false;
  return TRUE;
}

WINBASEAPI BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
  // While nothing of the spooler changed, a write is the write of the bytes alone.
  std::shared_ptr<PrinterHandle> handle = UnchangedDocument(hPrinter, true);
  bool checked = handle != nullptr;
  if (!checked) {
    if (!RequireRunning()) return FALSE;
    Printer printer;
    handle = DocumentHandle(hPrinter, printer);
    if (!handle) return FALSE;
  }
  if (!pcWritten || (!pBuf && cbBuf)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcWritten = 0;
  if (!checked && !(handle = CheckDocument(hPrinter, true))) return FALSE;
  PrinterHandle::DocumentState& document = handle->document;
  DWORD already = document.spooled;
  DWORD count = cbBuf;
  WriteLimits limits;
  if (limits.failAfter >= 0 && static_cast<long long>(already) + cbBuf > limits.failAfter) {
    SetLastError(limits.error);
    return FALSE;
  }
  if (limits.shortAfter >= 0) {
    long long room = limits.shortAfter - static_cast<long long>(already);
    if (room < static_cast<long long>(count)) count = room > 0 ? static_cast<DWORD>(room) : 0;
  }
  if (count) {
    if (document.dataFd < 0) document.dataFd = open(JobDataPath(document.job.id).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (document.dataFd < 0) {
      SetLastError(ERROR_PRINT_CANCELLED);
      return FALSE;
    }
    const BYTE* bytes = static_cast<const BYTE*>(pBuf);
    DWORD done = 0;
    while (done < count) {
      ssize_t n = write(document.dataFd, bytes + done, count - done);
      if (n <= 0) break;
      done += static_cast<DWORD>(n);
    }
    document.spooled += done;
    if (done < count) {
      *pcWritten = done;
      SetLastError(ERROR_DISK_FULL);
      return FALSE;
    }
  }
  *pcWritten = count;
  return TRUE;
}

WINBASEAPI BOOL WINAPI EndDocPrinter(HANDLE hPrinter) {
  if (!RequireRunning()) return FALSE;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = DocumentHandle(hPrinter, printer);
  if (!handle) return FALSE;
  FinishJob(*handle);
  return TRUE;
}

WINBASEAPI BOOL WINAPI AbortPrinter(HANDLE hPrinter) {
  if (!RequireRunning()) return FALSE;
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = DocumentHandle(hPrinter, printer);
  if (!handle) return FALSE;
  ForgetDocument(*handle);
  RemoveJob(handle->jobId);
  handle->jobId = 0;
  handle->pageOpen = false;
  return TRUE;
}

WINBASEAPI BOOL WINAPI EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                                 LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (!RequireRunning()) return FALSE;
  Printer printer;
  if (!GetPrinterHandle(hPrinter, printer)) return FALSE;
  if (!pcReturned || !pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  if (!JobRecordSize(Level)) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (printer.queryError) {
    SetLastError(printer.queryError);
    return FALSE;
  }
  std::vector<Job> jobs = ListJobs(printer.id);
  size_t first = std::min<size_t>(FirstJob, jobs.size());
  size_t count = std::min<size_t>(NoJobs, jobs.size() - first);
  BOOL ok = PackOut(pJob, cbBuf, pcbNeeded, [&](Packer& packer) {
    BYTE* records = packer.Fixed(JobRecordSize(Level) * count);
    for (size_t i = 0; i < count; ++i)
      PackJob(packer, records, i, Level, jobs[first + i], static_cast<DWORD>(first + i + 1));
  });
  if (ok) *pcReturned = static_cast<DWORD>(count);
  return ok;
}

WINBASEAPI BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                               LPDWORD pcbNeeded) {
  if (!RequireRunning()) return FALSE;
  Printer printer;
  if (!GetPrinterHandle(hPrinter, printer)) return FALSE;
  if (!JobRecordSize(Level)) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (printer.queryError) {
    SetLastError(printer.queryError);
    return FALSE;
  }
  std::vector<Job> jobs = ListJobs(printer.id);
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (jobs[i].id != JobId) continue;
    return PackOut(pJob, cbBuf, pcbNeeded, [&](Packer& packer) {
      BYTE* record = packer.Fixed(JobRecordSize(Level));
      PackJob(packer, record, 0, Level, jobs[i], static_cast<DWORD>(i + 1));
    });
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

WINBASEAPI BOOL WINAPI SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) {
  if (!RequireRunning()) return FALSE;
  StateLock lock;
  Printer printer;
  std::shared_ptr<PrinterHandle> handle = GetPrinterHandle(hPrinter, printer);
  if (!handle) return FALSE;
  std::optional<Job> job = LoadJob(JobId);
  if (!job || job->printerId != printer.id || Level > 2 || (Level && !pJob) || Command > JOB_CONTROL_LAST_PAGE_EJECTED) {
    SetLastError(Level > 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Another user's job (another computer's among them) is the administrator's only.
  bool own = plat::EqualsNoCase(job->user, UserName()) && plat::EqualsNoCase(job->machine, LocalServerName());
  if (!own && !(handle->access & PRINTER_ACCESS_ADMINISTER)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (Level == 1 || Level == 2) {
    const WCHAR* document;
    DWORD priority;
    if (Level == 1) {
      JOB_INFO_1W info;
      std::memcpy(&info, pJob, sizeof info);
      document = info.pDocument;
      priority = info.Priority;
    } else {
      JOB_INFO_2W info;
      std::memcpy(&info, pJob, sizeof info);
      document = info.pDocument;
      priority = info.Priority;
    }
    if (priority > MAX_PRIORITY) {
      SetLastError(ERROR_INVALID_PRIORITY);
      return FALSE;
    }
    if (document) job->document = WideView(document);
    if (priority) job->priority = priority;
  }
  switch (Command) {
    case JOB_CONTROL_PAUSE: job->status |= JOB_STATUS_PAUSED; break;
    case JOB_CONTROL_RESUME: job->status &= ~static_cast<DWORD>(JOB_STATUS_PAUSED); break;
    case JOB_CONTROL_CANCEL:
    case JOB_CONTROL_DELETE:
      // A handle still writing it learns of the cancel from its next WritePrinter.
      RemoveJob(job->id);
      return TRUE;
    case JOB_CONTROL_RESTART:
      job->status &= ~static_cast<DWORD>(JOB_STATUS_PRINTED);
      job->pagesPrinted = 0;
      break;
    default: break;
  }
  SaveJob(*job);
  return TRUE;
}

}  // extern "C"
