// Data, position, size and byte-range locks of an open file handle.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <win/files.h>

#include "internal/devices.h"
#include "internal/file_object.h"
#include "internal/files.h"

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

uint64_t OverlappedOffset(const OVERLAPPED* overlapped) {
  return (static_cast<uint64_t>(overlapped->u.s.OffsetHigh) << 32) | overlapped->u.s.Offset;
}

// Where a transfer of the handle starts: the OVERLAPPED's offset when one is given (the handle's
// pointer then moves past the transfer, as for a synchronous handle on Windows), else the pointer.
bool TransferStart(plat::FileObject& file, const OVERLAPPED* overlapped, uint64_t& start) {
  if (overlapped) {
    start = OverlappedOffset(overlapped);
    return start <= static_cast<uint64_t>(INT64_MAX);
  }
  off_t pos = lseek(file.fd, 0, SEEK_CUR);
  if (pos < 0) return false;
  start = static_cast<uint64_t>(pos);
  return true;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if ((!lpNumberOfBytesRead && !lpOverlapped) || (!lpBuffer && nNumberOfBytesToRead))
    return plat::LookupHandle(hFile) ? Fail(ERROR_INVALID_PARAMETER) : Fail(ERROR_INVALID_HANDLE);
  if (std::shared_ptr<plat::IoObject> device = plat::LookupHandleAs<plat::IoObject>(hFile)) {
    DWORD done = 0;
    DWORD error = device->Read(lpBuffer, nNumberOfBytesToRead, done, lpOverlapped);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (file->directory) return Fail(ERROR_INVALID_FUNCTION);
  if (!file->canRead) return Fail(ERROR_ACCESS_DENIED);
  if (DWORD injected = plat::InjectedReadFailure(file->windowsPath)) return Fail(injected);
  uint64_t start = 0;
  if (!TransferStart(*file, lpOverlapped, start)) return Fail(ERROR_INVALID_PARAMETER);
  if (!file->share->MayAccess(start, nNumberOfBytesToRead, false)) return Fail(ERROR_LOCK_VIOLATION);
  size_t done = 0;
  auto* out = static_cast<char*>(lpBuffer);
  while (done < nNumberOfBytesToRead) {
    ssize_t n = pread(file->fd, out + done, nNumberOfBytesToRead - done, static_cast<off_t>(start + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno == EISDIR ? ERROR_INVALID_FUNCTION : ERROR_READ_FAULT);
    if (n == 0) break;  // end of file: a short read, still a success
    done += static_cast<size_t>(n);
  }
  if (!file->overlapped) lseek(file->fd, static_cast<off_t>(start + done), SEEK_SET);
  if (lpOverlapped) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = done;
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(done);
  return TRUE;
}

WINBASEAPI BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  if ((!lpNumberOfBytesWritten && !lpOverlapped) || (!lpBuffer && nNumberOfBytesToWrite))
    return plat::LookupHandle(hFile) ? Fail(ERROR_INVALID_PARAMETER) : Fail(ERROR_INVALID_HANDLE);
  if (std::shared_ptr<plat::IoObject> device = plat::LookupHandleAs<plat::IoObject>(hFile)) {
    DWORD done = 0;
    DWORD error = device->Write(lpBuffer, nNumberOfBytesToWrite, done, lpOverlapped);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (file->directory) return Fail(ERROR_INVALID_FUNCTION);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return Fail(ERROR_WRITE_FAULT);
  uint64_t start = 0;
  if (file->appendOnly) {
    start = static_cast<uint64_t>(st.st_size);
  } else if (!TransferStart(*file, lpOverlapped, start)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (nNumberOfBytesToWrite == 0) return TRUE;
  uint64_t end = start + nNumberOfBytesToWrite;
  if (end > static_cast<uint64_t>(INT64_MAX)) return Fail(ERROR_INVALID_PARAMETER);
  DWORD injected = plat::InjectedWriteFailure(file->windowsPath, end > static_cast<uint64_t>(st.st_size));
  if (injected != ERROR_SUCCESS) return Fail(injected);
  if (!file->share->MayAccess(start, nNumberOfBytesToWrite, true)) return Fail(ERROR_LOCK_VIOLATION);
  size_t done = 0;
  auto* in = static_cast<const char*>(lpBuffer);
  while (done < nNumberOfBytesToWrite) {
    ssize_t n = pwrite(file->fd, in + done, nNumberOfBytesToWrite - done, static_cast<off_t>(start + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
      return Fail(n < 0 && errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    }
    done += static_cast<size_t>(n);
  }
  if (!file->overlapped) lseek(file->fd, static_cast<off_t>(start + done), SEEK_SET);
  if (lpOverlapped) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = done;
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
  return TRUE;
}

WINBASEAPI BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                                        DWORD dwMoveMethod) {
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  int64_t base = 0;
  switch (dwMoveMethod) {
    case FILE_BEGIN: break;
    case FILE_CURRENT: base = lseek(file->fd, 0, SEEK_CUR); break;
    case FILE_END: {
      struct stat st;
      if (fstat(file->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
      base = st.st_size;
      break;
    }
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, liDistanceToMove.QuadPart, &target)) return Fail(ERROR_INVALID_PARAMETER);
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK);
  if (lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0) return Fail(ERROR_INVALID_PARAMETER);
  if (lpNewFilePointer) lpNewFilePointer->QuadPart = target;
  return TRUE;
}

WINBASEAPI DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                       DWORD dwMoveMethod) {
  LARGE_INTEGER distance;
  if (lpDistanceToMoveHigh) {
    distance.QuadPart = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                             static_cast<uint32_t>(lDistanceToMove));
  } else {
    distance.QuadPart = lDistanceToMove;
  }
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  LARGE_INTEGER before;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(hFile, zero, &before, FILE_CURRENT)) return INVALID_SET_FILE_POINTER;
  LARGE_INTEGER result;
  if (!SetFilePointerEx(hFile, distance, &result, dwMoveMethod)) return INVALID_SET_FILE_POINTER;
  if (!lpDistanceToMoveHigh && result.QuadPart > 0xFFFFFFFFLL) {
    // Without the high half a position past 4 GB cannot be told; the pointer stays where it was.
    SetFilePointerEx(hFile, before, nullptr, FILE_BEGIN);
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(result.QuadPart) >> 32);
  DWORD low = static_cast<DWORD>(static_cast<uint64_t>(result.QuadPart));
  // The low half can itself be 0xFFFFFFFF; callers tell it from a failure by the last error.
  if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
  return low;
}

WINBASEAPI BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  if (!lpFileSize) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> guard(file->lock);
  struct stat st;
  if (file->fd < 0 || fstat(file->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
  lpFileSize->QuadPart = file->directory ? 0 : st.st_size;
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(hFile, &size)) return INVALID_FILE_SIZE;
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(size.QuadPart) >> 32);
  DWORD low = static_cast<DWORD>(static_cast<uint64_t>(size.QuadPart));
  if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return low;
}

WINBASEAPI BOOL WINAPI SetEndOfFile(HANDLE hFile) {
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (file->directory) return Fail(ERROR_INVALID_FUNCTION);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  off_t pos = lseek(file->fd, 0, SEEK_CUR);
  struct stat st;
  if (pos < 0 || fstat(file->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
  DWORD injected = plat::InjectedWriteFailure(file->windowsPath, pos > st.st_size);
  if (injected != ERROR_SUCCESS) return Fail(injected);
  if (ftruncate(file->fd, pos) != 0) return Fail(plat::ErrorFromErrno(errno));
  return TRUE;
}

WINBASEAPI BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  if (std::shared_ptr<plat::IoObject> device = plat::LookupHandleAs<plat::IoObject>(hFile)) {
    DWORD error = device->Flush();
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  if (fdatasync(file->fd) != 0) return Fail(plat::ErrorFromErrno(errno));
  return TRUE;
}

WINBASEAPI BOOL WINAPI LockFileEx(HANDLE hFile, DWORD dwFlags, DWORD dwReserved, DWORD nNumberOfBytesToLockLow,
                                  DWORD nNumberOfBytesToLockHigh, LPOVERLAPPED lpOverlapped) {
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  if (dwReserved != 0 || !lpOverlapped) return Fail(ERROR_INVALID_PARAMETER);
  uint64_t length = (static_cast<uint64_t>(nNumberOfBytesToLockHigh) << 32) | nNumberOfBytesToLockLow;
  uint64_t offset = OverlappedOffset(lpOverlapped);
  std::unique_lock<std::mutex> guard(file->lock);
  if (file->fd < 0 || !file->share) return Fail(ERROR_INVALID_HANDLE);
  if (file->directory) return Fail(ERROR_INVALID_FUNCTION);
  // As on Windows, locking needs a handle opened for reading or writing.
  if (!file->canRead && !file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  std::shared_ptr<plat::FileShare> share = file->share;
  bool failImmediately = dwFlags & LOCKFILE_FAIL_IMMEDIATELY;
  // A waiting lock must not keep the handle's other calls (its unlock among them) out.
  if (!failImmediately) guard.unlock();
  DWORD error = share->Lock(offset, length, dwFlags & LOCKFILE_EXCLUSIVE_LOCK, failImmediately);
  if (error != ERROR_SUCCESS) return Fail(error);
  lpOverlapped->Internal = 0;
  return TRUE;
}

WINBASEAPI BOOL WINAPI UnlockFileEx(HANDLE hFile, DWORD dwReserved, DWORD nNumberOfBytesToUnlockLow,
                                    DWORD nNumberOfBytesToUnlockHigh, LPOVERLAPPED lpOverlapped) {
  std::shared_ptr<plat::FileObject> file = plat::FileFromHandle(hFile);
  if (!file) return FALSE;
  if (dwReserved != 0 || !lpOverlapped) return Fail(ERROR_INVALID_PARAMETER);
  uint64_t length = (static_cast<uint64_t>(nNumberOfBytesToUnlockHigh) << 32) | nNumberOfBytesToUnlockLow;
  std::lock_guard<std::mutex> guard(file->lock);
  if (file->fd < 0 || !file->share) return Fail(ERROR_INVALID_HANDLE);
  DWORD error = file->share->Unlock(OverlappedOffset(lpOverlapped), length);
  if (error != ERROR_SUCCESS) return Fail(error);
  return TRUE;
}

}  // extern "C"
