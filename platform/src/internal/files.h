// File helpers for the other parts of the stand-in (profile files, the spooler, the loader...).
// They behave as the machine's file API does: read-only records, share modes held by open
// handles, links never written through, and the test controls' injected failures ("FailWritesTo",
// "DiskFull") all apply. Errors are Win32 codes; nothing here sets the caller's last error.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include <win/base.h>

#include "internal/machine.h"

namespace plat {

// Resolves a Windows path after making sure the machine's standard folders exist.
ResolvedPath ResolveMachinePath(std::u16string_view windowsPath);

// The error a missing entry gets: ERROR_FILE_NOT_FOUND when its folder exists,
// ERROR_PATH_NOT_FOUND when a folder on the way is missing (or the path is malformed: its own error).
DWORD MissingEntryError(const ResolvedPath& path);

// The whole content of a file. ERROR_SHARING_VIOLATION when an open handle denies reading.
DWORD ReadWholeFile(std::u16string_view windowsPath, std::string& bytes);
// Creates or replaces a file with `bytes`, whole or not at all: a reader in another process sees
// the old content or the new one, never a mix. The file keeps its attributes; a read-only file
// refuses (ERROR_ACCESS_DENIED), as does a folder or a link; a handle that denies writing makes it
// ERROR_SHARING_VIOLATION; injected failures give ERROR_WRITE_FAULT or ERROR_DISK_FULL.
DWORD WriteWholeFile(std::u16string_view windowsPath, std::string_view bytes);

// The injected failure, if any, for writing to the file at the canonical Windows path: the
// control "FailWritesTo" (Windows paths separated by ';' or new lines) gives ERROR_WRITE_FAULT;
// "DiskFull" (any value but "0") gives ERROR_DISK_FULL to writes that make a file grow.
// ERROR_SUCCESS when the write may go ahead.
DWORD InjectedWriteFailure(std::u16string_view canonicalWindowsPath, bool growsFile);
// "FailReadsFrom": ERROR_READ_FAULT for reads of the listed files. "FailCreatesOf":
// ERROR_WRITE_PROTECT for CreateFileW calls that may make a listed file. In all three lists an
// entry ending in '*' stands for every path starting with the rest of it.
DWORD InjectedReadFailure(std::u16string_view canonicalWindowsPath);
DWORD InjectedCreateFailure(std::u16string_view canonicalWindowsPath);

// Win32 code for a host errno value.
DWORD ErrorFromErrno(int err);

// Windows FILETIME (100 ns units since 1601) of a host time.
FILETIME FileTimeFromHost(const struct timespec& time);

// True when `hostPath` is a regular file that the machine shares with the host (a hard-linked
// font): such a file is never opened for writing or changed in place.
bool IsSharedWithHost(const std::string& hostPath);

// Carries out the renames and deletions that MOVEFILE_DELAY_UNTIL_REBOOT put off, in the order
// they were asked for, as a restart of the machine does; returns how many succeeded.
size_t ApplyPendingFileRenames();

}  // namespace plat
