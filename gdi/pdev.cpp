// The device record's first-error record.
#include "gdi/pdev.h"

#include <cstdio>
#include <cstring>

#include "gdi/util.h"

void Pdev_ReportError(PDEV* pdev, const char* sourceFile, int line) {
  char text[PDEV_FIRST_ERROR_BYTES];
  std::snprintf(text, sizeof(text), "File:%s Line:%d\n", Util_BaseName(sourceFile ? sourceFile : ""), line);
  Util_DebugPrint("%s", text);
  if (pdev == nullptr) return;
  DWORD& flags = pdev->jobCtl.flags;
  if (flags & JF_JOB_OPEN) {
    // Only the first error of the job (or of the sheet, once sheets have begun) is kept: it
    // is the one that explains the rest.
    if (flags & JF_ERROR_RECORDED) return;
    flags |= JF_ERROR_RECORDED;
  }
  std::memcpy(pdev->job.firstError, text, sizeof(text));
}
