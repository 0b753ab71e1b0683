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
