// The job announcement at the start of each document: the status monitor is started when its
// window is missing, then told that a job starts and on which printer.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

inline constexpr DWORD kMonitorStartWaitMs = 500;     // lets a fresh monitor make its window
inline constexpr DWORD kAnnouncementGapMs = 100;      // between the post and the name
inline constexpr UINT kAnnouncementSendTimeoutMs = 5000;

// Starts vm4k2sm.exe from the system folder, hidden, with "-PL5168", in the system folder as
// its current folder; the caller's own current folder is left alone. Then waits 500 ms for
// its window. False, at once, when the program could not be started.
bool LaunchStatusMonitor();

// Reads the printer's name (empty when PRINTER_INFO_2 cannot be read), finds or starts the
// status monitor and, when its window exists, posts WM_PRINT_JOB_STARTING and 100 ms later
// sends the name as PrinterNameCopyData. Without a window nothing is sent.
void AnnounceJobToStatusMonitor(HANDLE printer);

}  // namespace vm4k2ui
