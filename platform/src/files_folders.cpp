// Creating and removing folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <dirent.h>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool IsDriveRoot(const plat::ResolvedPath& path) { return path.windows.size() == 3; }

// True when the folder is the process's current directory or holds it.
bool HoldsCurrentDirectory(const std::u16string& folder) {
  std::u16string current = plat::CurrentDirectory();
  if (current.size() < folder.size()) return false;
  if (!plat::EqualsNoCase(std::u16string_view(current).substr(0, folder.size()), folder)) return false;
  return current.size() == folder.size() || current[folder.size()] == u'\\';
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
  (void)lpSecurityAttributes;
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER);
  if (!*lpPathName) return Fail(ERROR_PATH_NOT_FOUND);
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpPathName));
  if (path.error != ERROR_SUCCESS) return Fail(path.error);
  if (IsDriveRoot(path)) return Fail(ERROR_ACCESS_DENIED);
  if (path.exists) return Fail(ERROR_ALREADY_EXISTS);
  if (!path.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (mkdir(path.host.c_str(), 0755) != 0) {
    DWORD error = plat::ErrorFromErrno(errno);
    return Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
  }
  // A folder made where a stale record of an earlier entry of that name lingers starts clean.
  plat::DropAttributes(path.host);
  return TRUE;
}

WINBASEAPI BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName) {
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER);
  if (!*lpPathName) return Fail(ERROR_PATH_NOT_FOUND);
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpPathName));
  if (!path.exists) return Fail(plat::MissingEntryError(path));
  if (IsDriveRoot(path)) return Fail(ERROR_ACCESS_DENIED);
  if (path.isLink) {
    // A link to a folder is removed as the link; what it points to is not touched.
    struct stat target;
    if (stat(path.host.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return Fail(ERROR_DIRECTORY);
    if (plat::IsReadOnly(path.host)) return Fail(ERROR_ACCESS_DENIED);
    if (unlink(path.host.c_str()) != 0) return Fail(plat::ErrorFromErrno(errno));
    plat::DropAttributes(path.host);
    return TRUE;
  }
  if (!path.isDirectory) return Fail(ERROR_DIRECTORY);
  if (plat::IsReadOnly(path.host)) return Fail(ERROR_ACCESS_DENIED);
  if (HoldsCurrentDirectory(path.windows)) return Fail(ERROR_SHARING_VIOLATION);
  if (rmdir(path.host.c_str()) != 0) {
    return Fail(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : plat::ErrorFromErrno(errno));
  }
  plat::DropAttributes(path.host);
  return TRUE;
}

}  // extern "C"
