// CreateFileW and the life of a file handle.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/devices.h"
#include "internal/file_object.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace {

DWORD MapGenericAccess(DWORD access) {
  if (access & GENERIC_READ) access |= FILE_GENERIC_READ;
  if (access & GENERIC_WRITE) access |= FILE_GENERIC_WRITE;
  if (access & GENERIC_EXECUTE) access |= FILE_GENERIC_EXECUTE;
  if (access & GENERIC_ALL) access |= FILE_ALL_ACCESS;
  return access & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

// A symbolic link is followed for reading only, and only to a regular file inside the machine's
// drives: nothing outside the machine root is ever reached through one.
bool LinkTargetReadable(const std::string& hostPath) {
  char real[PATH_MAX];
  if (!realpath(hostPath.c_str(), real)) return false;
  char rootReal[PATH_MAX];
  std::string drives = plat::MachineRoot() + "/drives";
  if (!realpath(drives.c_str(), rootReal)) return false;
  std::string target = real, root = std::string(rootReal) + "/";
  struct stat st;
  return target.compare(0, root.size(), root) == 0 && stat(real, &st) == 0 && S_ISREG(st.st_mode);
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

namespace plat {

FileObject::~FileObject() {
  if (fd >= 0) ::close(fd);
}

bool FileObject::Close() {
  std::lock_guard<std::mutex> guard(lock);
  if (deleteOnClose && fd >= 0) {
    struct stat mine, named;
    // Only the file this handle opened is removed, not one that replaced it under the name.
    if (fstat(fd, &mine) == 0 && lstat(hostPath.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
        mine.st_dev == named.st_dev) {
      ::unlink(hostPath.c_str());
      DropAttributes(hostPath);
    }
  }
  share.reset();  // releases the share mode and every byte-range lock of the handle
  if (fd >= 0) ::close(fd);
  fd = -1;
  return true;
}

std::shared_ptr<FileObject> FileFromHandle(HANDLE handle) {
  std::shared_ptr<FileObject> file = LookupHandleAs<FileObject>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace plat

extern "C" {

WINBASEAPI HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)lpSecurityAttributes;
  (void)hTemplateFile;
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER);
  if (!*lpFileName) return Fail(ERROR_PATH_NOT_FOUND);
  bool isDevicePath = false;
  if (plat::DeviceOpener opener = plat::FindDeviceOpener(plat::WideView(lpFileName), isDevicePath))
    return opener(plat::WideView(lpFileName), dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes);
  if (isDevicePath) return Fail(ERROR_FILE_NOT_FOUND);
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
    return Fail(ERROR_INVALID_PARAMETER);
  if (dwShareMode & ~static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
    return Fail(ERROR_INVALID_PARAMETER);
  // Truncating needs the right to write.
  if (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA)))
    return Fail(ERROR_INVALID_PARAMETER);

  DWORD access = MapGenericAccess(dwDesiredAccess);
  if (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) access |= DELETE;
  bool wantsRead = access & (FILE_READ_DATA | FILE_EXECUTE);
  bool wantsWrite = access & (FILE_WRITE_DATA | FILE_APPEND_DATA);
  bool wantsDelete = access & DELETE;
  bool truncates = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  DWORD newAttributes = (dwFlagsAndAttributes & plat::kSettableAttributes) | FILE_ATTRIBUTE_ARCHIVE;

  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpFileName));
  if (path.error != ERROR_SUCCESS) return Fail(path.error);
  if (!path.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (path.windows.size() == 3) return Fail(ERROR_ACCESS_DENIED);  // "C:\" is no file
  if (dwCreationDisposition == CREATE_NEW || dwCreationDisposition == CREATE_ALWAYS ||
      dwCreationDisposition == OPEN_ALWAYS) {
    if (DWORD injected = plat::InjectedCreateFailure(path.windows)) return Fail(injected);
  }

  auto file = std::make_shared<plat::FileObject>();
  file->windowsPath = path.windows;
  file->hostPath = path.host;
  file->canRead = wantsRead;
  file->canWrite = wantsWrite;
  file->appendOnly = (access & FILE_APPEND_DATA) && !(access & FILE_WRITE_DATA);
  file->deleteOnClose = dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE;
  file->overlapped = dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED;

  bool existed = false;
  for (int attempt = 0; attempt < 2 && file->fd < 0; ++attempt) {
    struct stat st;
    existed = lstat(path.host.c_str(), &st) == 0;
    if (existed) {
      if (S_ISDIR(st.st_mode)) {
        // A folder opens only for its metadata, with backup semantics, and is never created here.
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || wantsWrite ||
            (dwCreationDisposition != OPEN_EXISTING && dwCreationDisposition != OPEN_ALWAYS))
          return Fail(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        file->fd = open(path.host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (file->fd < 0) return Fail(plat::ErrorFromErrno(errno));
        file->directory = true;
        file->canRead = file->canWrite = false;
        break;
      }
      if (dwCreationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
      bool changesData = wantsWrite || wantsDelete || truncates;
      int flags = O_CLOEXEC | (wantsWrite || truncates ? O_RDWR : O_RDONLY);
      if (S_ISLNK(st.st_mode)) {
        if (changesData || !LinkTargetReadable(path.host)) return Fail(ERROR_ACCESS_DENIED);
      } else {
        flags |= O_NOFOLLOW;
        if (changesData && plat::IsReadOnly(path.host)) return Fail(ERROR_ACCESS_DENIED);
        if ((wantsWrite || truncates) && plat::IsSharedWithHost(path.host)) return Fail(ERROR_ACCESS_DENIED);
        if (dwCreationDisposition == CREATE_ALWAYS) {
          // Replacing a hidden or system file must name those attributes again.
          DWORD current = plat::ReadAttributes(path.host);
          DWORD kept = current & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
          if ((kept & newAttributes) != kept) return Fail(ERROR_ACCESS_DENIED);
        }
      }
      file->fd = open(path.host.c_str(), flags);
      if (file->fd < 0) {
        if (errno == ENOENT) continue;  // removed meanwhile: go round once more
        return Fail(plat::ErrorFromErrno(errno));
      }
    } else {
      if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)
        return Fail(ERROR_FILE_NOT_FOUND);
      file->fd = open(path.host.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0644);
      if (file->fd < 0) {
        if (errno == EEXIST && dwCreationDisposition != CREATE_NEW) continue;
        return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : plat::ErrorFromErrno(errno));
      }
    }
  }
  if (file->fd < 0) return Fail(ERROR_ACCESS_DENIED);

  struct stat opened;
  if (fstat(file->fd, &opened) != 0) return Fail(plat::ErrorFromErrno(errno));
  DWORD error = plat::FileShare::Open(opened.st_dev, opened.st_ino, file->directory ? 0 : access, dwShareMode,
                                      file->share);
  if (error != ERROR_SUCCESS) {
    if (!existed) {
      ::unlink(path.host.c_str());
    }
    return Fail(error);
  }
  if (existed && truncates && !file->directory) {
    if (ftruncate(file->fd, 0) != 0) return Fail(plat::ErrorFromErrno(errno));
  }
  if (!existed || dwCreationDisposition == CREATE_ALWAYS) {
    // A file without a record reads as FILE_ATTRIBUTE_ARCHIVE, so only other bits need one; a
    // new file never inherits the record of an entry that had its name before.
    if (newAttributes != FILE_ATTRIBUTE_ARCHIVE || existed)
      plat::WriteAttributes(path.host, newAttributes);
    else
      plat::DropAttributes(path.host);
  }
  HANDLE handle = plat::InsertHandle(file);
  SetLastError(existed && (dwCreationDisposition == OPEN_ALWAYS || dwCreationDisposition == CREATE_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return handle;
}

}  // extern "C"
