#include "StatusMonitor/status_engine.h"

#include <win/system.h>
#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

#include "common/status_file.h"

namespace vm4k2sm {

StatusEngine& TheStatusEngine() {
  static StatusEngine* engine = new StatusEngine;  // lives as long as the process and its threads
  return *engine;
}

bool ConfigureStatusEngine(bool endsByItself, HWND mainWindow) {
  StatusEngine& engine = TheStatusEngine();
  engine.endsByItself = endsByItself;
  engine.mainWindow = mainWindow;
  DWORD size = kComputerNameUnits;
  if (!GetComputerNameW(engine.computerName, &size)) engine.computerName[0] = 0;
  return vm4k2common::BuildStatusFilePath(engine.statusFile, true);
}

BOOL RequestStatusPass(DWORD pollingThreadId) {
  StatusEngine& engine = TheStatusEngine();
  bool idle = false;
  if (!engine.passPending.compare_exchange_strong(idle, true)) return FALSE;
  if (!PostThreadMessageW(pollingThreadId, vm4k2::WM_QUERY_STATUS, 0, 0)) {
    engine.passPending = false;
    return FALSE;
  }
  return TRUE;
}

}  // namespace vm4k2sm
