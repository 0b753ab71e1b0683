// How the printing side and the status programs find and address each other: the status
// monitor's program file, window class and start command, the messages its window and the
// status display's take, and the place and keys of the status file both programs share.
// The user-interface library sends the job announcement; the status monitor, the status display
// and the uninstaller take the same numbers from here.
#pragma once

#include <win/base.h>

namespace vm4k2 {

inline constexpr const WCHAR* kStatusMonitorProgram = u"vm4k2sm.exe";   // in the system folder
inline constexpr const WCHAR* kStatusMonitorClass = u"StatusMonitor PCL6";
inline constexpr const WCHAR* kStatusMonitorStartArguments = u"-PL5168";
// The status display lies beside the monitor; its window's title is the printer's name followed
// by the display's title string, which is how the monitor finds the display of one printer.
inline constexpr const WCHAR* kStatusDisplayProgram = u"vm4k2sd.exe";
inline constexpr const WCHAR* kStatusDisplayClass = u"ShowDlg PCL6";

inline constexpr UINT kWmUser = 0x0400;
inline constexpr UINT kWmApp = 0x8000;
// Posted to itself in "-PL5168" mode: hide into the notification area.
inline constexpr UINT WM_MONITOR_HIDE = kWmUser + 1;
inline constexpr UINT WM_MONITOR_SHOW = kWmUser + 2;
// Polling thread to main window: wParam the pass's PrinterStatusRecord array (or NULL),
// lParam the number of the family's printers.
inline constexpr UINT WM_QUERY_DONE = kWmUser + 3;
// Thread message, main window to the polling thread: make one pass.
inline constexpr UINT WM_QUERY_STATUS = kWmUser + 4;
// Polling thread to main window: wParam one StatusChangeNote, lParam 1 when the printer could
// not be reached while the spooler holds jobs for it.
inline constexpr UINT WM_PRINTER_STATUS = kWmUser + 5;
// Monitor to a status display: wParam 1 closes; otherwise a display the user opened refreshes.
inline constexpr UINT WM_STATUSDISPLAY_CLOSE = kWmUser + 6;
// Monitor to a status display: wParam 1 refreshes the texts only.
inline constexpr UINT WM_STATUSDISPLAY_REFRESH = kWmUser + 7;
inline constexpr UINT WM_STATUSMONITOR_QUIT = kWmUser + 10;
// Posted (never sent) ahead of the PrinterNameCopyData: the monitor takes the name only while
// this announcement is pending.
inline constexpr UINT WM_PRINT_JOB_STARTING = kWmUser + 20;
// The printer list to the main window: open the status display of the row in wParam.
inline constexpr UINT WM_OPEN_STATUS_DISPLAY = kWmUser + 101;
// The notification-area icon's callback message.
inline constexpr UINT WM_TRAY_NOTIFY = kWmApp + 10;
static_assert(WM_MONITOR_HIDE == 1025 && WM_QUERY_DONE == 1027 && WM_QUERY_STATUS == 1028 &&
              WM_PRINTER_STATUS == 1029 && WM_STATUSDISPLAY_CLOSE == 1030 && WM_STATUSDISPLAY_REFRESH == 1031 &&
              WM_STATUSMONITOR_QUIT == 1034 && WM_PRINT_JOB_STARTING == 1044 && WM_OPEN_STATUS_DISPLAY == 1125 &&
              WM_TRAY_NOTIFY == 32778);

// PrinterNameCopyData: WM_COPYDATA with dwData 0 and the printer name in 260 UTF-16 units,
// zero-filled behind the name.
inline constexpr size_t kAnnouncedNameUnits = 260;
inline constexpr DWORD kAnnouncedNameBytes = kAnnouncedNameUnits * sizeof(WCHAR);
static_assert(kAnnouncedNameBytes == 520);

// ---- The status file -------------------------------------------------------------------------
// "vm4k2sm.dat" in "\Velmor\vm4k2" under the user's application-data folder; one section per
// printer, named as the spooler names the printer; every value is text.
inline constexpr const WCHAR* kStatusFileTopFolder = u"\\Velmor";
inline constexpr const WCHAR* kStatusFileFolder = u"\\Velmor\\vm4k2";
inline constexpr const WCHAR* kStatusFileName = u"vm4k2sm.dat";

namespace status_key {
inline constexpr const WCHAR* Status = u"Status";
inline constexpr const WCHAR* ValueCode = u"ValueCode";
inline constexpr const WCHAR* PortName = u"PortName";
inline constexpr const WCHAR* PortType = u"PortType";
inline constexpr const WCHAR* DeviceName = u"DeviceName";
inline constexpr const WCHAR* TonerRemain = u"TonerRemain";
inline constexpr const WCHAR* TonerLow = u"TonerLow";
inline constexpr const WCHAR* TonerStatusChange = u"TonerStatusChange";
inline constexpr const WCHAR* SleepTime = u"SleepTime";
inline constexpr const WCHAR* JobOwner = u"JobOwner";
inline constexpr const WCHAR* ShowDlgAgain = u"ShowDlgAgain";
inline constexpr const WCHAR* RunMode = u"RunMode";
// Set by hand by a tester: the printer's state then comes from the file, not from the device.
inline constexpr const WCHAR* DebugFlag = u"DebugFlag";
inline constexpr const WCHAR* DebugStatusStr = u"DebugStatusStr";
inline constexpr const WCHAR* DebugStatus = u"DebugStatus";
inline constexpr const WCHAR* DebugValueCode = u"DebugValueCode";
}  // namespace status_key

// PortType values.
inline constexpr int kPortTypeOther = 0;
inline constexpr int kPortTypeUsb = 1;
inline constexpr int kPortTypeNetwork = 2;

// StatusCode classes: 126 and 128 are the quiet ones, every other Status is an error.
inline constexpr BYTE kStatusNotReachable = 126;
inline constexpr BYTE kStatusNormal = 128;

}  // namespace vm4k2
