// Whole-file reads and replacements for the stand-in's own users (profile files, the spooler).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/file_shares.h"
#include "internal/files.h"
#include "internal/machine.h"

namespace {

// Keeps the caller's last error across the file calls these helpers make.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : saved_(GetLastError()) {}
  ~LastErrorKeeper() { SetLastError(saved_); }

 private:
  DWORD saved_;
};

std::atomic<unsigned> g_stagingCounter{0};

}  // namespace

namespace plat {

DWORD ReadWholeFile(std::u16string_view windowsPath, std::string& bytes) {
  LastErrorKeeper keep;
  bytes.clear();
  std::u16string path(windowsPath);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  char buffer[65536];
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buffer, sizeof(buffer), &got, nullptr)) {
      error = GetLastError();
      break;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(h);
  if (error != ERROR_SUCCESS) bytes.clear();
  return error;
}

DWORD WriteWholeFile(std::u16string_view windowsPath, std::string_view bytes) {
  ResolvedPath path = ResolveMachinePath(windowsPath);
  if (path.error != ERROR_SUCCESS) return path.error;
  if (!path.parentExists) return ERROR_PATH_NOT_FOUND;
  if (path.windows.size() == 3) return ERROR_ACCESS_DENIED;
  struct stat st;
  bool exists = lstat(path.host.c_str(), &st) == 0;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;  // a folder, or a link never written through
    if (IsReadOnly(path.host)) return ERROR_ACCESS_DENIED;
    DWORD sharing = FileShare::Check(st.st_dev, st.st_ino, FILE_WRITE_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (sharing != ERROR_SUCCESS) return sharing;
    attributes = ReadAttributes(path.host) & kSettableAttributes;
  }
  DWORD injected = InjectedWriteFailure(path.windows, bytes.size() > (exists ? static_cast<size_t>(st.st_size) : 0));
  if (injected != ERROR_SUCCESS) return injected;

  // Staged inside the machine root (the same file system as the drives) and renamed into place,
  // so the replacement is whole or absent for every reader.
  std::string staging = MachineDir("files/staging") + "/" + std::to_string(getpid()) + "-" +
                        std::to_string(g_stagingCounter.fetch_add(1));
  int fd = open(staging.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return ErrorFromErrno(errno);
  size_t done = 0;
  DWORD error = ERROR_SUCCESS;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 && errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0 && error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
  if (error == ERROR_SUCCESS && std::rename(staging.c_str(), path.host.c_str()) != 0) error = ErrorFromErrno(errno);
  if (error != ERROR_SUCCESS) {
    unlink(staging.c_str());
    return error;
  }
  // The record follows the file to its new inode.
  if (exists) WriteAttributes(path.host, attributes);
  return ERROR_SUCCESS;
}

}  // namespace plat
