#include "ui/core/status_monitor_announcement.h"

#include <cstring>
#include <string>
#include <vector>

#include <win/shell.h>
#include <win/spooler.h>
#include <win/system.h>
#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

namespace vm4k2ui {

namespace {

// The printer's name cut to 259 units, zero-filled to 260; all zeros when it cannot be read.
void ReadPrinterName(HANDLE printer, WCHAR (&name)[vm4k2::kAnnouncedNameUnits]) {
  std::memset(name, 0, sizeof name);
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) return;
  std::vector<BYTE> block(needed);
  if (!GetPrinterW(printer, 2, block.data(), needed, &needed)) return;
  const WCHAR* source = reinterpret_cast<const PRINTER_INFO_2W*>(block.data())->pPrinterName;
  if (source == nullptr) return;
  for (size_t i = 0; i + 1 < vm4k2::kAnnouncedNameUnits && source[i] != 0; ++i) name[i] = source[i];
}

HWND FindStatusMonitor() { return FindWindowW(vm4k2::kStatusMonitorClass, nullptr); }

}  // namespace

bool LaunchStatusMonitor() {
  WCHAR folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::u16string program = std::u16string(folder) + u"\\" + vm4k2::kStatusMonitorProgram;
  // The folder goes to the program as its own; the printing application's current folder is
  // its business and stays as it was.
  const HINSTANCE started =
      ShellExecuteW(nullptr, nullptr, program.c_str(), vm4k2::kStatusMonitorStartArguments, folder, SW_HIDE);
  // A program that did not start makes no window: waiting for one would only slow every
  // document of a machine without the status monitor.
  if (reinterpret_cast<INT_PTR>(started) <= 32) return false;
  Sleep(kMonitorStartWaitMs);
  return true;
}

void AnnounceJobToStatusMonitor(HANDLE printer) {
  // The name and its descriptor live on this call's stack: two threads printing to two
  // printers each announce their own.
  WCHAR name[vm4k2::kAnnouncedNameUnits];
  ReadPrinterName(printer, name);

  HWND monitor = FindStatusMonitor();
  if (monitor == nullptr) {
    if (LaunchStatusMonitor()) monitor = FindStatusMonitor();
  }
  if (monitor == nullptr) return;  // the announcement is dropped; the job prints anyway

  COPYDATASTRUCT copyData{};
  copyData.dwData = 0;
  copyData.cbData = vm4k2::kAnnouncedNameBytes;
  copyData.lpData = name;
  PostMessageW(monitor, vm4k2::WM_PRINT_JOB_STARTING, 0, 0);
  Sleep(kAnnouncementGapMs);
  // A monitor that hangs must not hold up the printing application.
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(monitor, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copyData), SMTO_ABORTIFHUNG,
                      kAnnouncementSendTimeoutMs, &answer);
}

}  // namespace vm4k2ui
