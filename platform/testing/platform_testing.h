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
