// Printing one document.
#include "document.h"

#include <fstream>
#include <iterator>

#include <win/gdi.h>
#include <win/gdi_objects.h>
#include <win/spooler.h>

#include "platform_testing.h"
#include "script.h"

namespace printjob {
namespace {

// The job's bytes are read where the spooler keeps them; a person could read the same file.
bool ReadJob(DWORD jobId, std::vector<BYTE>& out) {
  char path[4096];
  if (!PlatformTest_SpoolerJobFile(jobId, path, sizeof path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

bool PrintDocument(const PrintRequest& request, PrintResult& result, std::string& error) {
  ScriptContext context;
  context.printerName = request.printer;
  context.devmode = request.devmode;
  const DEVMODEW* devmode = context.devmode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(context.devmode.data());
  context.hdc = CreateDCW(nullptr, request.printer.c_str(), nullptr, devmode);
  if (!context.hdc) {
    error = "cannot create a DC for the printer (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  DOCINFOW info{sizeof(DOCINFOW), request.documentName.c_str(), nullptr, nullptr, 0};
  int job = StartDocW(context.hdc, &info);
  if (job <= 0) {
    error = "StartDoc failed (error " + std::to_string(GetLastError()) + ")";
    DeleteDC(context.hdc);
    return false;
  }
  bool ok = RunScript(context, request.script, request.scriptSource, error) && context.EndCurrentPage(error);
  // The objects the script made leave the DC before they are deleted.
  SelectObject(context.hdc, GetStockObject(BLACK_PEN));
  SelectObject(context.hdc, GetStockObject(WHITE_BRUSH));
  context.RunCleanups();
  if (ok && EndDoc(context.hdc) <= 0) {
    error = "EndDoc failed (error " + std::to_string(GetLastError()) + "): the printer did not get the whole job";
    ok = false;
  } else if (!ok) {
    AbortDoc(context.hdc);
  }
  DeleteDC(context.hdc);
  result.warnings.insert(result.warnings.end(), context.warnings.begin(), context.warnings.end());
  if (!ok) return false;
  result.jobId = static_cast<DWORD>(job);
  result.pages = context.pages;
  if (!ReadJob(result.jobId, result.job)) {
    error = "the spooler holds no data for job " + std::to_string(job);
    return false;
  }
  return true;
}

}  // namespace printjob
