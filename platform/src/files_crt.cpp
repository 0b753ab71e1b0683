// The C runtime's wide-character file functions. A stream from _wfopen is a FILE* whose reads,
// writes and seeks go through a machine file handle (fopencookie), and whose fclose closes that
// handle, so share modes, attributes and injected failures hold for code that uses the C runtime.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <win/files.h>

#include "internal/unicode.h"

namespace {

int ErrnoFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE: return EIO;
    default: return EACCES;  // ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION
  }
}

HANDLE CookieHandle(void* cookie) { return reinterpret_cast<HANDLE>(cookie); }

ssize_t CookieRead(void* cookie, char* buffer, size_t size) {
  DWORD want = size > 0x7FFFF000 ? 0x7FFFF000 : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(CookieHandle(cookie), buffer, want, &got, nullptr)) {
    errno = ErrnoFromError(GetLastError());
    return -1;
  }
  return got;
}

ssize_t CookieWrite(void* cookie, const char* buffer, size_t size) {
  DWORD want = size > 0x7FFFF000 ? 0x7FFFF000 : static_cast<DWORD>(size);
  DWORD written = 0;
  if (!WriteFile(CookieHandle(cookie), buffer, want, &written, nullptr)) {
    errno = ErrnoFromError(GetLastError());
    // glibc reads 0 as "nothing written", and -1 loses nothing that is not already reported.
    return written ? static_cast<ssize_t>(written) : -1;
  }
  return written;
}

int CookieSeek(void* cookie, off64_t* offset, int whence) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = *offset;
  DWORD method = whence == SEEK_SET ? FILE_BEGIN : whence == SEEK_CUR ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(CookieHandle(cookie), distance, &result, method)) {
    errno = GetLastError() == ERROR_NEGATIVE_SEEK ? EINVAL : ErrnoFromError(GetLastError());
    return -1;
  }
  *offset = result.QuadPart;
  return 0;
}

int CookieClose(void* cookie) { return CloseHandle(CookieHandle(cookie)) ? 0 : EOF; }

struct Mode {
  DWORD access = 0;
  DWORD disposition = 0;
  bool append = false;
  const char* hostMode = nullptr;
};

// "r", "w", "a" with "+", and "b", "t", "x" and the runtime's other letters ignored or honoured
// where they mean something here; anything else is EINVAL.
bool ParseMode(std::u16string_view text, Mode& mode) {
  if (text.empty()) return false;
  bool plus = text.find(u'+') != std::u16string_view::npos;
  bool exclusive = text.find(u'x') != std::u16string_view::npos;
  switch (text[0]) {
    case u'r':
      mode.access = GENERIC_READ | (plus ? GENERIC_WRITE : 0);
      mode.disposition = OPEN_EXISTING;
      mode.hostMode = plus ? "r+" : "r";
      break;
    case u'w':
      mode.access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
      mode.disposition = exclusive ? CREATE_NEW : CREATE_ALWAYS;
      mode.hostMode = plus ? "w+" : "w";
      break;
    case u'a':
      mode.access = FILE_APPEND_DATA | (plus ? GENERIC_READ : 0);
      mode.disposition = OPEN_ALWAYS;
      mode.append = true;
      mode.hostMode = plus ? "a+" : "a";
      break;
    default: return false;
  }
  for (char16_t c : text.substr(1)) {
    if (std::u16string_view(u"+btxcnNSRTDL").find(c) == std::u16string_view::npos && c != u',' && c != u' ') {
      // "ccs=..." encodings are not supported; every stream is bytes.
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" {

WINBASEAPI FILE* _wfopen(const WCHAR* filename, const WCHAR* mode) {
  Mode parsed;
  if (!filename || !mode || !ParseMode(plat::WideView(mode), parsed)) {
    errno = EINVAL;
    return nullptr;
  }
  // The C runtime opens without denying others anything.
  HANDLE h = CreateFileW(filename, parsed.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, parsed.disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = ErrnoFromError(GetLastError());
    return nullptr;
  }
  if (parsed.append) SetFilePointer(h, 0, nullptr, FILE_END);
  cookie_io_functions_t io = {CookieRead, CookieWrite, CookieSeek, CookieClose};
  FILE* stream = fopencookie(h, parsed.hostMode, io);
  if (!stream) {
    CloseHandle(h);
    errno = ENOMEM;
  }
  return stream;
}

WINBASEAPI int _wremove(const WCHAR* path) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  if (!DeleteFileW(path)) {
    errno = ErrnoFromError(GetLastError());
    return -1;
  }
  return 0;
}

WINBASEAPI int _wunlink(const WCHAR* path) { return _wremove(path); }

WINBASEAPI int _wrename(const WCHAR* oldname, const WCHAR* newname) {
  if (!oldname || !newname) {
    errno = EINVAL;
    return -1;
  }
  // The runtime's rename never replaces an existing file, and says EACCES when one is there.
  if (!MoveFileExW(oldname, newname, MOVEFILE_COPY_ALLOWED)) {
    DWORD error = GetLastError();
    errno = error == ERROR_ALREADY_EXISTS ? EACCES : ErrnoFromError(error);
    return -1;
  }
  return 0;
}

}  // extern "C"
