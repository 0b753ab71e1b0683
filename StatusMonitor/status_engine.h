// What the polling thread shares with the program that hosts it: the announcements, the flag
// that the set of printers changed, where the status file lies, the mode the program runs in,
// and the one way a polling pass is asked for.
#pragma once

#include <atomic>

#include <win/base.h>

#include "StatusMonitor/job_tracking.h"
#include "StatusMonitor/status_records.h"

namespace vm4k2sm {

inline constexpr size_t kComputerNameUnits = 33;

struct StatusEngine {
  SentJobTable announcements;
  // Whether the last pass found another number of the family's printers than the one before.
  std::atomic<BOOL> printerSetChanged{FALSE};
  // A pass is queued or running: requests meanwhile are dropped, so passes never pile up.
  std::atomic<bool> passPending{false};
  // Set by the program before it starts the polling thread.
  WCHAR statusFile[MAX_PATH] = {};
  WCHAR computerName[kComputerNameUnits] = {};
  // Started by the driver ("-PL5168"): the monitor ends once no announced job remains.
  bool endsByItself = false;
  // Where the passes post; NULL: the application's main window.
  std::atomic<HWND> mainWindow{nullptr};
};

StatusEngine& TheStatusEngine();

// Builds the status file's path (making its folders), reads this computer's name and takes the
// mode and the window the passes report to. `mainWindow` may be NULL.
bool ConfigureStatusEngine(bool endsByItself, HWND mainWindow);

// Posts WM_QUERY_STATUS to the polling thread unless a pass is already queued or running.
// TRUE when a pass was asked for.
BOOL RequestStatusPass(DWORD pollingThreadId);

}  // namespace vm4k2sm
