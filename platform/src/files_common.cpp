// Helpers every file module shares: path resolution in a laid-out machine, error mapping,
// times, and the injected write failures.
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/controls.h"
#include "internal/files.h"
#include "internal/machine_layout.h"
#include "internal/unicode.h"

namespace plat {

ResolvedPath ResolveMachinePath(std::u16string_view windowsPath) {
  EnsureMachineLayout();
  return ResolvePath(windowsPath);
}

DWORD MissingEntryError(const ResolvedPath& path) {
  if (path.error != ERROR_SUCCESS) return path.error;
  return path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ELOOP:  // a link where the machine refuses to follow one
      return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY: return ERROR_BUSY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_GEN_FAILURE;
  }
}

FILETIME FileTimeFromHost(const struct timespec& time) {
  // 100 ns intervals between 1601-01-01 and 1970-01-01.
  constexpr int64_t kEpochDelta = 116444736000000000LL;
  int64_t ticks = static_cast<int64_t>(time.tv_sec) * 10000000LL + time.tv_nsec / 100 + kEpochDelta;
  if (ticks < 0) ticks = 0;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return ft;
}

bool IsSharedWithHost(const std::string& hostPath) {
  struct stat st;
  // The machine makes no hard links of its own; a regular file with more than one name is a
  // font linked from the host's font folders.
  return lstat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1;
}

namespace {

// An entry ending in '*' names every path that starts with the rest of it ("C:\Temp\tql*").
bool PathListed(const char* control, std::u16string_view canonicalWindowsPath) {
  std::optional<std::string> list = GetControl(control);
  if (!list) return false;
  std::u16string all = FromUtf8(*list);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find_first_of(u";\n", start);
    if (end == std::u16string::npos) end = all.size();
    std::u16string entry = all.substr(start, end - start);
    while (!entry.empty() && (entry.back() == u'\r' || entry.back() == u' ')) entry.pop_back();
    if (entry.size() > 1 && entry.back() == u'*') {
      entry.pop_back();
      const bool folder = entry.back() == u'\\' || entry.back() == u'/';
      std::u16string prefix = CanonicalWindowsPath(entry);
      if (folder && (prefix.empty() || prefix.back() != u'\\')) prefix.push_back(u'\\');
      if (canonicalWindowsPath.size() >= prefix.size() &&
          EqualsNoCase(prefix, canonicalWindowsPath.substr(0, prefix.size())))
        return true;
    } else if (!entry.empty() && EqualsNoCase(CanonicalWindowsPath(entry), canonicalWindowsPath)) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

DWORD InjectedReadFailure(std::u16string_view canonicalWindowsPath) {
  return PathListed("FailReadsFrom", canonicalWindowsPath) ? ERROR_READ_FAULT : ERROR_SUCCESS;
}

DWORD InjectedCreateFailure(std::u16string_view canonicalWindowsPath) {
  return PathListed("FailCreatesOf", canonicalWindowsPath) ? ERROR_WRITE_PROTECT : ERROR_SUCCESS;
}

DWORD InjectedWriteFailure(std::u16string_view canonicalWindowsPath, bool growsFile) {
  if (PathListed("FailWritesTo", canonicalWindowsPath)) return ERROR_WRITE_FAULT;
  if (growsFile) {
    std::optional<std::string> full = GetControl("DiskFull");
    if (full && !full->empty() && *full != "0") return ERROR_DISK_FULL;
  }
  return ERROR_SUCCESS;
}

}  // namespace plat
