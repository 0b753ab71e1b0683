// How the printing side and the status programs find and address each other: the status
// monitor's program file, window class and start command, and the messages its window takes.
// The user-interface library sends the job announcement; the status monitor and the
// uninstaller take the same numbers from here.
#pragma once

#include <win/base.h>

namespace vm4k2 {

inline constexpr const WCHAR* kStatusMonitorProgram = u"vm4k2sm.exe";   // in the system folder
inline constexpr const WCHAR* kStatusMonitorClass = u"StatusMonitor PCL6";
inline constexpr const WCHAR* kStatusMonitorStartArguments = u"-PL5168";

inline constexpr UINT kWmUser = 0x0400;
inline constexpr UINT WM_MONITOR_SHOW = kWmUser + 2;
inline constexpr UINT WM_STATUSMONITOR_QUIT = kWmUser + 10;
// Posted (never sent) ahead of the PrinterNameCopyData: the monitor takes the name only while
// this announcement is pending.
inline constexpr UINT WM_PRINT_JOB_STARTING = kWmUser + 20;

// PrinterNameCopyData: WM_COPYDATA with dwData 0 and the printer name in 260 UTF-16 units,
// zero-filled behind the name.
inline constexpr size_t kAnnouncedNameUnits = 260;
inline constexpr DWORD kAnnouncedNameBytes = kAnnouncedNameUnits * sizeof(WCHAR);
static_assert(kAnnouncedNameBytes == 520);

}  // namespace vm4k2
