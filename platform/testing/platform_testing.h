// Test controls of the stand-in machine: what a real machine would differ in, and failures a
// test injects. Only tests and test tools include this header; deliverables never do.
//
// A control set machine-wide is stored under the machine root, so programs started inside the
// machine see it too; a process-only control overrides it in the calling process.
#pragma once

#include <win/base.h>

#ifdef __cplusplus
extern "C" {
#endif

// Makes the calling process use the machine at `root` (PLATFORM_ROOT is set to it as well, so
// processes started later inherit it) and forgets per-machine caches.
WINBASEAPI void PlatformTest_UseMachine(const char* root);
// Sets (value != NULL) or removes (value == NULL) a named control.
WINBASEAPI void PlatformTest_SetControl(const char* name, const char* value, BOOL machineWide);
WINBASEAPI void PlatformTest_ClearProcessControls(void);

// ---- Modules ----------------------------------------------------------------------------
// The calling program's image name is the control "ImageName" (a full Windows path, or a bare
// file name standing for a program of the system folder); GetModuleFileNameW(NULL) answers it.

// Makes a library absent (absent TRUE) or present again: LoadLibraryW, LoadLibraryExW and
// GetModuleHandleW then fail with ERROR_MOD_NOT_FOUND for that file name ("spoolss.dll"),
// compared without case, wherever the file lies.
WINBASEAPI void PlatformTest_SetModuleAbsent(const char* fileName, BOOL absent, BOOL machineWide);
// Makes one export of a library absent or present again: GetProcAddress then fails with
// ERROR_PROC_NOT_FOUND ("shell32.dll", "SHGetFolderPathW").
WINBASEAPI void PlatformTest_SetExportAbsent(const char* fileName, const char* exportName, BOOL absent,
                                            BOOL machineWide);

// ---- Files ---------------------------------------------------------------------------------
// The machine's file controls are the named controls "FailWritesTo" (Windows paths separated by
// ';' or new lines: every write to those files fails with ERROR_WRITE_FAULT and writes nothing)
// and "DiskFull" ("1": every write that would make a file grow fails with ERROR_DISK_FULL).
// They hold for WriteFile, SetEndOfFile, CopyFileW, the C runtime's streams and the stand-in's
// own writers (profile files...). The helpers below set them in one line.

// Adds `windowsPath` to the files whose writes fail; NULL clears the list.
WINBASEAPI void PlatformTest_FailWritesTo(const WCHAR* windowsPath, BOOL machineWide);
// Fills (TRUE) or frees (FALSE) the machine's disk.
WINBASEAPI void PlatformTest_SetDiskFull(BOOL full, BOOL machineWide);
// Restarts the machine as far as its files go: the MOVEFILE_DELAY_UNTIL_REBOOT operations
// (recorded one a line in <root>/session/pending-file-renames) are carried out in order.
// Returns how many succeeded.
WINBASEAPI DWORD PlatformTest_RestartMachine(void);

#ifdef __cplusplus
}
#endif

// ---- Graphics engine -------------------------------------------------------------------------
// Names of controls (PlatformTest_SetControl) that make the stand-in engine refuse a service;
// any value other than "0" refuses every call until the control is removed.
#define PLATFORMTEST_ENGINE_REFUSE_SURFACE "EngineRefuseSurface"      // EngCreateDeviceSurface: 0
#define PLATFORMTEST_ENGINE_REFUSE_ASSOCIATE "EngineRefuseAssociate"  // EngAssociateSurface: FALSE
#define PLATFORMTEST_ENGINE_REFUSE_PALETTE "EngineRefusePalette"      // EngCreatePalette: 0

// ---- Print spooler and the service manager ------------------------------------------------
// Named controls (PlatformTest_SetControl), read at each call:
//   "spooler.WritePrinterShortAfter"  N: a job takes at most N bytes; the WritePrinter that
//                                     reaches the limit writes what fits and reports that count.
//   "spooler.WritePrinterFailAfter"   N: a WritePrinter that would take a job past N bytes
//                                     writes nothing and fails with "spooler.WritePrinterError"
//                                     (ERROR_WRITE_FAULT unless set).
//   "spooler.PrinterDataReadError"    an error code: GetPrinterData(Ex)W answers it, for every
//                                     value or only for "spooler.PrinterDataReadErrorValue".
//   "services.Spooler.PendingMs"      how long a stop or start of the spooler stays pending, in
//                                     ms of the machine's clock (0 unless set).
//   "services.Spooler.WaitHint"       the dwWaitHint reported while pending (0 unless set).
#include <win/spooler.h>

#ifdef __cplusplus
extern "C" {
#endif

// Adds a port: kind "usb" (monitor text "Dynamic Print Monitor"), "tcp" (the standard TCP/IP
// monitor "TCPMON.DLL"; address is what XcvDataW "IPAddress" answers), "wsd" ("WSD Port
// Monitor") or "local". FALSE when the port exists or the kind is unknown.
WINBASEAPI BOOL PlatformTest_SpoolerAddPort(const WCHAR* name, const char* kind, const WCHAR* address);
// Adds a network connection "\\server\<info->pPrinterName>" (PRINTER_ATTRIBUTE_NETWORK,
// pServerName "\\server") whose driver is installed here. Returns a handle with full access.
WINBASEAPI HANDLE PlatformTest_SpoolerAddConnection(const WCHAR* server, const PRINTER_INFO_2W* info);
// Sets the PRINTER_STATUS_* bits a printer reports (PRINTER_STATUS_PAUSED ...).
WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterStatus(const WCHAR* printer, DWORD status);
// Marks a printer as working offline (PRINTER_ATTRIBUTE_WORK_OFFLINE): it cannot be reached.
WINBASEAPI BOOL PlatformTest_SpoolerSetPrinterOffline(const WCHAR* printer, BOOL offline);
// A printer that exists but cannot be queried: OpenPrinterW succeeds, GetPrinterW, EnumJobsW,
// GetJobW and GetPrinterData(Ex)W fail with `error`; 0 makes it answer again.
WINBASEAPI BOOL PlatformTest_SpoolerFailPrinterQueries(const WCHAR* printer, DWORD error);
// Adds a spooled job of another user or computer (machine as "\\NAME"); returns its id or 0.
WINBASEAPI DWORD PlatformTest_SpoolerAddJob(const WCHAR* printer, const WCHAR* document, const WCHAR* user,
                                            const WCHAR* machine, DWORD status, DWORD pages);
// Host path of the file that holds a job's bytes; FALSE when there is no such job or the path
// does not fit.
WINBASEAPI BOOL PlatformTest_SpoolerJobFile(DWORD jobId, char* path, DWORD size);

#ifdef __cplusplus
}
#endif

// ---- System information, names, clock, allocation failures, debugger output -------------
// Each setter stores a named control (machineWide: under the machine root, seen by every
// process of the machine; otherwise for the calling process only, overriding the machine).
// PlatformTest_SetControl(name, NULL, machineWide) takes any of them back to the default.
// The names, for tools and other processes that set them directly:
//   "CountryCode" (decimal), "LocaleUnreadable" ("1"), "SystemLanguage", "UserLanguage"
//   (LANGID, decimal or 0x...), "OsVersion" ("major.minor.build"), "OsServicePack",
//   "ProcessorArchitecture" (PROCESSOR_ARCHITECTURE_*), "ComputerName", "UserName" (default
//   "User"), "UserNameUnreadable" ("1"), "ImageName" (the calling program, see Modules),
//   "TickCount" (a frozen clock, ms), "FailAllocation" ("N" or "N+"), "DebugOutputToMachine" ("1").

#ifdef __cplusplus
extern "C" {
#endif

// LOCALE_ICOUNTRY of the user's locale.
WINBASEAPI void PlatformTest_SetCountryCode(DWORD countryCode, BOOL machineWide);
// GetLocaleInfoW fails (ERROR_INVALID_PARAMETER) for every locale while set.
WINBASEAPI void PlatformTest_SetLocaleUnreadable(BOOL unreadable, BOOL machineWide);
WINBASEAPI void PlatformTest_SetSystemLanguage(LANGID language, BOOL machineWide);
WINBASEAPI void PlatformTest_SetUserLanguage(LANGID language, BOOL machineWide);
// servicePack may be NULL (empty szCSDVersion).
WINBASEAPI void PlatformTest_SetOsVersion(DWORD major, DWORD minor, DWORD build, const char* servicePack,
                                          BOOL machineWide);
WINBASEAPI void PlatformTest_SetProcessorArchitecture(WORD architecture, BOOL machineWide);
// Names are UTF-8.
WINBASEAPI void PlatformTest_SetComputerName(const char* name, BOOL machineWide);
WINBASEAPI void PlatformTest_SetUserName(const char* name, BOOL machineWide);
// GetUserNameW fails (ERROR_ACCESS_DENIED) while set.
WINBASEAPI void PlatformTest_SetUserNameUnreadable(BOOL unreadable, BOOL machineWide);
WINBASEAPI void PlatformTest_SetImageName(const char* fileName, BOOL machineWide);
// Freezes the tick clock at `milliseconds`; it then moves only when advanced or by Sleep.
WINBASEAPI void PlatformTest_SetTickCount(ULONGLONG milliseconds, BOOL machineWide);
// Moves a frozen clock on (the process's own when it has one, else the machine's).
WINBASEAPI void PlatformTest_AdvanceTickCount(ULONGLONG milliseconds);
// Back to the running clock.
WINBASEAPI void PlatformTest_ReleaseTickCount(BOOL machineWide);
// The nth allocation from now fails (and every later one with andLater); nth 0 turns it off.
WINBASEAPI void PlatformTest_FailAllocation(DWORD nth, BOOL andLater, BOOL machineWide);

// Debugger output (OutputDebugStringA/W) as UTF-8. The calling process's own output is always
// kept; the machine's log, shared by its processes, only while PlatformTest_LogDebugOutputInMachine
// is on. Returns the length of the whole text and copies what fits (terminated) into buffer.
WINBASEAPI size_t PlatformTest_ReadDebugOutput(char* buffer, size_t size, BOOL machineWide);
WINBASEAPI void PlatformTest_ClearDebugOutput(BOOL machineWide);
WINBASEAPI void PlatformTest_LogDebugOutputInMachine(BOOL on);

#ifdef __cplusplus
}

#include <string>

// The captured debugger output as a string.
inline std::string PlatformTest_DebugOutput(bool machineWide = false) {
  std::string text(PlatformTest_ReadDebugOutput(nullptr, 0, machineWide) + 1, '\0');
  size_t n = PlatformTest_ReadDebugOutput(text.data(), text.size(), machineWide);
  text.resize(n < text.size() ? n : text.size() - 1);
  return text;
}
#endif
