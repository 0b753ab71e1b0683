// The main window's reaction to a printer's note (WM_PRINTER_STATUS): it closes, refreshes or
// opens the printer's status display and marks the notification-area icon, each for a change it
// can name. It lives on the user-interface thread; the main window hands it the notes and takes
// its icon requests through StatusReactionHost.
#pragma once

#include <map>
#include <string>

#include <win/base.h>

#include "StatusMonitor/status_records.h"

namespace vm4k2sm {

inline constexpr UINT kNormalIcon = 130;
inline constexpr UINT kAttentionIcon = 155;
inline constexpr UINT kDisplayTitleSuffixString = 1014;
// A display that ended without ever showing a window is not started again for this long.
inline constexpr ULONGLONG kWindowlessDisplayPauseMs = 30000;

// What the reaction needs of the main window.
class StatusReactionHost {
 public:
  virtual ~StatusReactionHost() = default;
  // Shows icon `iconId` of the resource library in the notification area.
  virtual void SetTrayIcon(UINT iconId) = 0;
};

class StatusReaction {
 public:
  // `statusFile` and `computerName` must outlive the object; `resources` holds string 1014.
  StatusReaction(StatusReactionHost& host, LPCWSTR statusFile, LPCWSTR computerName, HINSTANCE resources);
  ~StatusReaction();
  StatusReaction(const StatusReaction&) = delete;
  StatusReaction& operator=(const StatusReaction&) = delete;

  // One WM_PRINTER_STATUS; the note is freed here.
  void OnPrinterStatus(StatusChangeNote* note, LPARAM lParam);
  // The printer's display window ("ShowDlg PCL6" titled with the name and string 1014), or NULL.
  HWND FindStatusDisplay(LPCWSTR printer) const;

 private:
  struct Started {
    HANDLE process = nullptr;
    bool windowSeen = false;
    ULONGLONG quietUntil = 0;  // no new start before this tick
  };
  // Writes RunMode "0" and starts vm4k2sd.exe from the monitor's folder with the name as its
  // whole parameter text, unless one started for the printer still runs or ended windowless
  // not long ago.
  void OpenStatusDisplay(LPCWSTR printer);

  StatusReactionHost& host_;
  LPCWSTR file_;
  LPCWSTR computerName_;
  std::u16string titleSuffix_;
  std::map<std::u16string, Started> started_;
};

}  // namespace vm4k2sm
