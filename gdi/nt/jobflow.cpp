// The driver functions of a print job: DrvStartDoc, DrvStartPage, DrvSendPage, DrvEndDoc and
// DrvResetPDEV. Each takes its PDEV from the surface, checks it, and hands the work to job
// control (gdi/jobctrl).
#include <win/system.h>

#include "gdi/jobctrl.h"
#include "gdi/nt/ddientry.h"
#include "gdi/nt/enable.h"
#include "gdi/spool.h"
#include "gdi/util.h"

BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
  const DWORD start = GetTickCount();
  PDEV* pdev = Pdev_FromSurface(pso);
  if (!ValidatePdev(pdev, FALSE, CALL_OTHER)) return FALSE;
  PdevJobControl& control = pdev->jobCtl;
  if (control.flags & JF_JOB_OPEN) {
    // The engine starts the document again on the PDEV that a ResetDC made: the job goes on.
    // A change to collated copies cannot take effect any more: the sheets already sent went
    // to the printer, which makes the copies of this job.
    return TRUE;
  }
  pdev->jobStart = PdevJobStartScratch{};
  control.jobId[0] = dwJobId;
  control.jobId[1] = dwJobId;
  pdev->settings.dmPrivate.dwJobId = dwJobId;
  control.previousCollate = pdev->settings.dmPublic.dmCollate;
  // No name: the record's previous document name stands.
  const WCHAR* name = pwszDocName ? pwszDocName : control.documentName;
  HANDLE output = JobCtrl_StartDoc(pdev, name, pdev->hPrinter, JOBCTRL_START_NEW);
  if (output == nullptr || output == JobCtrl_NoPrinterHandle()) return FALSE;
  control.docStartTime = start;
  return TRUE;
}

BOOL APIENTRY DrvStartPage(SURFOBJ* pso) {
  PDEV* pdev = Pdev_FromSurface(pso);
  if (!ValidatePdev(pdev, TRUE, CALL_STARTPAGE)) return FALSE;
  if (Pdev_IsOutputStopped(pdev)) return FALSE;
  JobCtrl_StartPage(pdev);
  pdev->jobCtl.flags |= JF_PAGE_OPEN;
  return TRUE;
}

BOOL APIENTRY DrvSendPage(SURFOBJ* pso) {
  PDEV* pdev = Pdev_FromSurface(pso);
  if (!ValidatePdev(pdev, TRUE, CALL_SENDPAGE)) return FALSE;
  // A watermark sender that never sent ESC_WM_END must not leave the next page, nor this
  // page's cell borders, drawn under the watermark's ROPs and clip rules.
  pdev->jobCtl.flags &= ~JF_WATERMARK;
  JobCtrl_SendPage(pdev, JOBCTRL_SEND_PAGE);
  pdev->jobCtl.flags &= ~JF_PAGE_OPEN;
  return TRUE;
}

BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG fl) {
  PDEV* pdev = Pdev_FromSurface(pso);
  if (!ValidatePdev(pdev, TRUE, CALL_ENDDOC)) return FALSE;
  if (fl != 0 && fl != ED_ABORTDOC) {
    Util_DebugPrint("Error in DrvEndDoc\n");
    return FALSE;
  }
  PdevJobControl& control = pdev->jobCtl;
  Spool_EndDocHook(1);
  // An aborted document still closes its job; the stopped output keeps the rest of the page
  // and the trailer from reaching the printer.
  if (fl == ED_ABORTDOC) control.flags |= JF_OUTPUT_STOPPED;
  BOOL result = TRUE;
  if (control.flags & JF_JOB_OPEN) {
    control.flags |= JF_JOB_ENDING;
    Spool_EndDocHook(2);
    result = JobCtrl_EndDoc(pdev);
  }
  pdev->job.pagesInJob = 0;
  Spool_EndDocHook(3);
  const DWORD elapsed = GetTickCount() - control.docStartTime;
  Util_DebugPrint("Return to AP Time = %d, ", static_cast<int>(elapsed));
  Util_DebugPrint("Render Time = %ld, ", static_cast<long>(elapsed));
  Util_DebugPrint("Job Time = %ld\r\n", static_cast<long>(elapsed));
  return result;
}

BOOL APIENTRY DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
  PDEV* oldPdev = reinterpret_cast<PDEV*>(dhpdevOld);
  PDEV* newPdev = reinterpret_cast<PDEV*>(dhpdevNew);
  if (!ValidatePdev(oldPdev, FALSE, CALL_OTHER) || !ValidatePdev(newPdev, FALSE, CALL_OTHER)) return FALSE;
  return JobCtrl_ResetPdev(newPdev, oldPdev);
}
