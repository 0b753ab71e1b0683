// Names outside the drives that CreateFileW hands to another part of the stand-in (named pipes
// "\\.\pipe\...", USB printer interfaces "\\?\usb#..."), and the I/O interface their handles
// give ReadFile, WriteFile and FlushFileBuffers. A part registers its opener once (from a
// static initialiser is fine); the file API needs to know nothing else about it.
#pragma once

#include <string_view>

#include <win/base.h>

#include "internal/handles.h"

namespace plat {

// Opens `path` (the caller's text, whole) and returns a handle, or INVALID_HANDLE_VALUE with the
// last error set, exactly as CreateFileW reports it.
using DeviceOpener = HANDLE (*)(std::u16string_view path, DWORD desiredAccess, DWORD shareMode,
                                DWORD creationDisposition, DWORD flagsAndAttributes);
// Paths beginning with `prefix` (compared without case; "\\.\" and "\\?\" alike, '/' as '\')
// go to `opener`; the longest registered prefix wins. A device path nobody registered fails
// with ERROR_FILE_NOT_FOUND, as a missing pipe or device does.
void RegisterDeviceOpener(std::u16string_view prefix, DeviceOpener opener);
// The opener for a path outside the drives, or nullptr when the path is a drive path.
// `isDevicePath` tells whether the path was in the device namespace at all.
DeviceOpener FindDeviceOpener(std::u16string_view path, bool& isDevicePath);

// A handle whose data does not live in a file of the drives. Each operation returns
// ERROR_SUCCESS or the Win32 error ReadFile / WriteFile / FlushFileBuffers report; `done` is
// the number of bytes moved (also on a partial failure).
struct IoObject : KernelObject {
  virtual DWORD Read(void* buffer, DWORD size, DWORD& done, OVERLAPPED* overlapped) {
    (void)buffer, (void)size, (void)overlapped;
    done = 0;
    return ERROR_INVALID_FUNCTION;
  }
  virtual DWORD Write(const void* buffer, DWORD size, DWORD& done, OVERLAPPED* overlapped) {
    (void)buffer, (void)size, (void)overlapped;
    done = 0;
    return ERROR_INVALID_FUNCTION;
  }
  virtual DWORD Flush() { return ERROR_INVALID_FUNCTION; }
};

}  // namespace plat
