// Documents, pages and escapes of a printer DC. Each call reports its document event to the
// user-interface library, talks to the spooler and drives the graphics driver in the order the
// platform does: events before the spooler and the driver hear of a start, after they are done
// with an end.
#include <cstring>
#include <vector>

#include <win/spooler.h>

#include "internal/gdi_dc.h"
#include "internal/unicode.h"
#include "internal/gdi_record.h"

namespace {

using plat::gdi::DocumentEvent;
using plat::gdi::LookupDC;
using plat::gdi::PrinterDC;

std::shared_ptr<PrinterDC> DocumentDC(HDC hdc, bool needDocument) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (needDocument && !dc->docOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return dc;
}

void KeepDriverError(DWORD fallback) {
  if (GetLastError() == ERROR_SUCCESS) SetLastError(fallback);
}

int EndPageOf(HDC hdc, PrinterDC& dc) {
  // The library may still draw on the page and send escapes (the print-time watermark).
  DocumentEvent(dc, hdc, DOCUMENTEVENT_ENDPAGE, 0, nullptr, 0, nullptr);
  auto sendPage = dc.driver.Get<PFN_DrvSendPage>(INDEX_DrvSendPage);
  SetLastError(ERROR_SUCCESS);
  bool sent = sendPage && sendPage(dc.Surface());
  if (!sent) KeepDriverError(ERROR_GEN_FAILURE);
  dc.pageOpen = false;
  bool ended = EndPagePrinter(dc.hPrinter) != FALSE;
  return sent && ended ? 1 : SP_ERROR;
}

int StartPageOf(HDC hdc, PrinterDC& dc) {
  if (dc.pageOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  if (DocumentEvent(dc, hdc, DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr) == DOCUMENTEVENT_FAILURE) {
    SetLastError(ERROR_CANCELLED);
    return SP_ERROR;
  }
  if (!StartPagePrinter(dc.hPrinter)) return SP_ERROR;
  auto startPage = dc.driver.Get<PFN_DrvStartPage>(INDEX_DrvStartPage);
  SetLastError(ERROR_SUCCESS);
  if (!startPage || !startPage(dc.Surface())) {
    KeepDriverError(ERROR_GEN_FAILURE);
    EndPagePrinter(dc.hPrinter);
    return SP_ERROR;
  }
  dc.pageOpen = true;
  return 1;
}

// The driver's answer to an escape, with the caller's buffers copied: the driver never sees
// the caller's memory and writes at most cjOutput bytes back.
int DriverEscape(PrinterDC& dc, ULONG code, ULONG cjInput, const void* input, ULONG cjOutput, void* output) {
  auto escape = dc.driver.Get<PFN_DrvEscape>(INDEX_DrvEscape);
  if (!escape) return 0;
  std::vector<BYTE> in(input ? cjInput : 0);
  if (!in.empty()) std::memcpy(in.data(), input, in.size());
  // The output copy starts as the caller's bytes: what the driver leaves alone comes back as
  // the caller had it.
  std::vector<BYTE> out(output ? cjOutput : 0);
  if (!out.empty()) std::memcpy(out.data(), output, out.size());
  ULONG result = escape(dc.Surface(), code, static_cast<ULONG>(in.size()), in.empty() ? nullptr : in.data(),
                        static_cast<ULONG>(out.size()), out.empty() ? nullptr : out.data());
  int answer = static_cast<int>(result);
  if (answer > 0 && !out.empty()) std::memcpy(output, out.data(), out.size());
  return answer;
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI StartDocW(HDC hdc, const DOCINFOW* lpdi) {
  std::shared_ptr<PrinterDC> dc = DocumentDC(hdc, false);
  if (!dc) return SP_ERROR;
  if (dc->docOpen || lpdi == nullptr || lpdi->cbSize < static_cast<int>(sizeof(DOCINFOW))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  const DOCINFOW* info = lpdi;
  if (DocumentEvent(*dc, hdc, DOCUMENTEVENT_STARTDOCPRE, sizeof(info), &info, 0, nullptr) == DOCUMENTEVENT_FAILURE) {
    SetLastError(ERROR_CANCELLED);
    return SP_ERROR;
  }
  std::u16string name(plat::WideView(lpdi->lpszDocName));
  std::u16string output(plat::WideView(lpdi->lpszOutput));
  std::u16string datatype(plat::WideView(lpdi->lpszDatatype));
  DOC_INFO_1W job{name.data(), output.empty() ? nullptr : output.data(), datatype.empty() ? nullptr : datatype.data()};
  DWORD jobId = StartDocPrinterW(dc->hPrinter, 1, reinterpret_cast<LPBYTE>(&job));
  if (jobId == 0) return SP_ERROR;

  auto startDoc = dc->driver.Get<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
  SetLastError(ERROR_SUCCESS);
  if (!startDoc || !startDoc(dc->Surface(), name.data(), jobId)) {
    KeepDriverError(ERROR_GEN_FAILURE);
    DWORD error = GetLastError();
    AbortPrinter(dc->hPrinter);
    SetLastError(error);
    return SP_ERROR;
  }
  dc->docOpen = true;
  dc->jobId = jobId;
  dc->docName = name;
  LONG posted = static_cast<LONG>(jobId);
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_STARTDOCPOST, sizeof(posted), &posted, 0, nullptr);
  return static_cast<int>(jobId);
}

WINBASEAPI int WINAPI StartPage(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DocumentDC(hdc, true);
  return dc ? StartPageOf(hdc, *dc) : SP_ERROR;
}

WINBASEAPI int WINAPI EndPage(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DocumentDC(hdc, true);
  if (!dc) return SP_ERROR;
  if (!dc->pageOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  return EndPageOf(hdc, *dc);
}

WINBASEAPI int WINAPI EndDoc(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DocumentDC(hdc, true);
  if (!dc) return SP_ERROR;
  bool ok = true;
  if (dc->pageOpen) ok = EndPageOf(hdc, *dc) > 0;
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_ENDDOCPRE, 0, nullptr, 0, nullptr);
  auto endDoc = dc->driver.Get<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
  SetLastError(ERROR_SUCCESS);
  // A driver whose job failed still hands the spooler what it wrote; the caller hears of it.
  bool ended = endDoc && endDoc(dc->Surface(), 0);
  if (!ended) KeepDriverError(ERROR_GEN_FAILURE);
  DWORD error = GetLastError();
  bool closed = EndDocPrinter(dc->hPrinter) != FALSE;
  dc->docOpen = false;
  dc->jobId = 0;
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_ENDDOCPOST, 0, nullptr, 0, nullptr);
  if (!ended) SetLastError(error);
  return ok && ended && closed ? 1 : SP_ERROR;
}

WINBASEAPI int WINAPI AbortDoc(HDC hdc) {
  std::shared_ptr<PrinterDC> dc = DocumentDC(hdc, true);
  if (!dc) return SP_ERROR;
  DocumentEvent(*dc, hdc, DOCUMENTEVENT_ABORTDOC, 0, nullptr, 0, nullptr);
  if (auto endDoc = dc->driver.Get<PFN_DrvEndDoc>(INDEX_DrvEndDoc)) endDoc(dc->Surface(), ED_ABORTDOC);
  AbortPrinter(dc->hPrinter);
  dc->docOpen = dc->pageOpen = false;
  dc->jobId = 0;
  return 1;
}

WINBASEAPI int WINAPI ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  if (cjInput < 0 || cjOutput < 0 || (cjInput > 0 && !lpInData) || (cjOutput > 0 && !lpOutData)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  int result = DriverEscape(*dc, static_cast<ULONG>(iEscape), static_cast<ULONG>(cjInput), lpInData,
                            static_cast<ULONG>(cjOutput), lpOutData);
  RecordCall(*dc, "ExtEscape",
             "code=" + std::to_string(iEscape) + " in=" + std::to_string(cjInput) + " out=" + std::to_string(cjOutput) +
                 " -> " + std::to_string(result));
  return result;
}

// The old escape entry: the document and page escapes and the page-geometry queries are GDI's
// own; everything else goes to the driver, which may write only what the escape defines.
WINBASEAPI int WINAPI Escape(HDC hdc, int iEscape, int cjIn, LPCSTR pvIn, LPVOID pvOut) {
  std::shared_ptr<PrinterDC> dc = LookupDC(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  if (cjIn < 0 || (cjIn > 0 && !pvIn)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  auto point = [&](LONG x, LONG y) {
    if (pvOut) {
      POINT p{x, y};
      std::memcpy(pvOut, &p, sizeof(p));
    }
    return 1;
  };
  switch (iEscape) {
    case NEWFRAME: {
      if (!dc->docOpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return SP_ERROR;
      }
      if (dc->pageOpen && EndPageOf(hdc, *dc) <= 0) return SP_ERROR;
      return StartPageOf(hdc, *dc);
    }
    case STARTDOC: {
      // The document name comes as 8-bit text in the ANSI code page.
      std::string name = pvIn ? std::string(pvIn, strnlen(pvIn, static_cast<size_t>(cjIn))) : std::string();
      std::u16string wide(name.size(), u'\0');
      ULONG bytes = 0;
      EngMultiByteToUnicodeN(wide.data(), static_cast<ULONG>(wide.size() * sizeof(WCHAR)), &bytes, name.data(),
                             static_cast<ULONG>(name.size()));
      DOCINFOW info{sizeof(DOCINFOW), wide.c_str(), nullptr, nullptr, 0};
      int job = StartDocW(hdc, &info);
      if (job > 0) StartPageOf(hdc, *dc);
      return job;
    }
    case ENDDOC: return EndDoc(hdc);
    case ABORTDOC: return AbortDoc(hdc);
    case GETPHYSPAGESIZE: return point(dc->gdiInfo.szlPhysSize.cx, dc->gdiInfo.szlPhysSize.cy);
    case GETPRINTINGOFFSET: return point(dc->gdiInfo.ptlPhysOffset.x, dc->gdiInfo.ptlPhysOffset.y);
    case GETSCALINGFACTOR: return point(0, 0);
    case QUERYESCSUPPORT: {
      int asked = 0;
      if (pvIn && cjIn >= static_cast<int>(sizeof(int))) std::memcpy(&asked, pvIn, sizeof(int));
      switch (asked) {
        case NEWFRAME: case STARTDOC: case ENDDOC: case ABORTDOC: case GETPHYSPAGESIZE: case GETPRINTINGOFFSET:
        case GETSCALINGFACTOR: case QUERYESCSUPPORT:
          return 1;
        default:
          return DriverEscape(*dc, QUERYESCSUPPORT, static_cast<ULONG>(cjIn), pvIn, 0, nullptr);
      }
    }
    case SETCOPYCOUNT:
      return DriverEscape(*dc, SETCOPYCOUNT, static_cast<ULONG>(cjIn), pvIn, pvOut ? sizeof(int) : 0, pvOut);
    default:
      return DriverEscape(*dc, static_cast<ULONG>(iEscape), static_cast<ULONG>(cjIn), pvIn, 0, nullptr);
  }
}

}  // extern "C"
