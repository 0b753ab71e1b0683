// CThreadQueryStatus: the polling thread. Each WM_QUERY_STATUS makes one polling pass over the
// local printers of the family: the spooler's state of each, and for a printer with an announced
// job the printer's own answer over USB or SNMP, recorded in the status file and reported to the
// main window (a note per recorded printer, then the pass's list).
#pragma once

#include <afxwin.h>

#include "StatusMonitor/job_tracking.h"
#include "StatusMonitor/status_records.h"

class CThreadQueryStatus : public CWinThread {
  DECLARE_DYNCREATE(CThreadQueryStatus)

 public:
  CThreadQueryStatus() = default;

  BOOL InitInstance() override;
  // One polling pass.
  void OnQueryStatus(WPARAM wParam, LPARAM lParam);
  // Asks the network printer at the record's port (a dotted IPv4 address) for its status block;
  // TRUE when it answered. `update`: whether the answer's StatusCode is to be recorded.
  BOOL QuerySnmpStatus(vm4k2sm::PrinterStatusRecord& record, bool& update);

  // The number of the family's printers in the previous pass.
  int m_nPrinterCount = 0;
  // Set while the printer being handled could not be asked.
  int m_nNotReachedMark = 0;
  // Version 6.2 needs pauses around the network query.
  BOOL m_bOsVersion62 = FALSE;
  vm4k2sm::JobTracker m_jobs;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  void RunPass();
  HWND Target() const;
};
