// FindFirstFileW / FindNextFileW / FindClose: the entries of one folder whose names match a
// pattern of '*' and '?', compared without case.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/files.h"
#include "internal/handles.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace {

struct FindObject : plat::KernelObject {
  std::mutex lock;
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
};

// Greedy match with one remembered '*': linear in practice and at most pattern x name steps,
// so a pattern such as "*a*a*a*a*b" cannot stall a listing.
bool MatchFrom(std::u16string_view pattern, size_t p, std::u16string_view name, size_t n) {
  size_t starAt = std::u16string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || plat::FoldCase(pattern[p]) == plat::FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starAt != std::u16string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// '*' stands for any run of characters and '?' for one. As on Windows, a pattern ending in ".*"
// also matches a name that has no extension ("*.*" matches every name), and one ending in "."
// matches names without an extension ("*." lists those).
bool Matches(std::u16string_view pattern, std::u16string_view name) {
  if (MatchFrom(pattern, 0, name, 0)) return true;
  if (pattern.size() >= 2 && pattern.back() == u'.' && name.find(u'.') == std::u16string_view::npos)
    return MatchFrom(pattern.substr(0, pattern.size() - 1), 0, name, 0);
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" &&
      name.find(u'.') == std::u16string_view::npos)
    return MatchFrom(pattern.substr(0, pattern.size() - 2), 0, name, 0);
  return false;
}

bool FillEntry(const std::string& hostPath, std::u16string_view name, WIN32_FIND_DATAW& data) {
  struct stat st;
  if (lstat(hostPath.c_str(), &st) != 0) return false;
  if (name.size() >= MAX_PATH) return false;
  std::memset(&data, 0, sizeof(data));
  data.dwFileAttributes = plat::ReadAttributes(hostPath);
  data.ftCreationTime = plat::FileTimeFromHost(st.st_ctim);
  data.ftLastAccessTime = plat::FileTimeFromHost(st.st_atim);
  data.ftLastWriteTime = plat::FileTimeFromHost(st.st_mtim);
  if (S_ISREG(st.st_mode)) {
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(static_cast<uint64_t>(st.st_size));
  }
  // A symbolic link is a reparse point; dwReserved0 names its kind.
  if (S_ISLNK(st.st_mode)) data.dwReserved0 = 0xA000000C;  // IO_REPARSE_TAG_SYMLINK
  std::memcpy(data.cFileName, name.data(), name.size() * sizeof(WCHAR));
  return true;
}

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  if (!lpFileName || !lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view spec = plat::WideView(lpFileName);
  size_t slash = spec.find_last_of(u"\\/");
  std::u16string folder = slash == std::u16string_view::npos ? std::u16string(u".") : std::u16string(spec.substr(0, slash + 1));
  if (slash == std::u16string_view::npos && spec.size() >= 2 && spec[1] == u':') {
    folder = std::u16string(spec.substr(0, 2));
    spec = spec.substr(2);
  } else if (slash != std::u16string_view::npos) {
    spec = spec.substr(slash + 1);
  }
  if (spec.empty()) {
    // "C:\dir\" names no entries.
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (folder.find_first_of(u"*?") != std::u16string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string pattern(spec);
  while (pattern.size() > 1 && pattern.back() == u' ') pattern.pop_back();

  plat::ResolvedPath where = plat::ResolveMachinePath(folder);
  if (where.error != ERROR_SUCCESS) {
    SetLastError(where.error);
    return INVALID_HANDLE_VALUE;
  }
  if (!where.exists || !where.isDirectory) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  bool isRoot = where.windows.size() == 3;
  if (!isRoot) {
    for (const char16_t* dot : {u".", u".."}) {
      WIN32_FIND_DATAW data;
      std::string host = std::string(where.host) + (dot[1] ? "/.." : "/.");
      if (Matches(pattern, dot) && FillEntry(host, dot, data)) {
        data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        find->entries.push_back(data);
      }
    }
  }
  std::vector<std::pair<std::u16string, std::string>> names;
  if (DIR* dir = opendir(where.host.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::u16string wide = plat::FromUtf8(name);
      if (Matches(pattern, wide)) names.push_back({wide, name});
    }
    closedir(dir);
  }
  // Listed in the order of upper-cased names, as NTFS keeps a folder.
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
    size_t n = std::min(a.first.size(), b.first.size());
    for (size_t i = 0; i < n; ++i) {
      WCHAR x = plat::UpperCase(a.first[i]), y = plat::UpperCase(b.first[i]);
      if (x != y) return x < y;
    }
    return a.first.size() < b.first.size();
  });
  for (const auto& [wide, host] : names) {
    WIN32_FIND_DATAW data;
    if (FillEntry(where.host + "/" + host, wide, data)) find->entries.push_back(data);
  }
  if (find->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *lpFindFileData = find->entries[0];
  find->next = 1;
  HANDLE handle = plat::InsertHandle(find);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

WINBASEAPI BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  std::shared_ptr<FindObject> find = plat::LookupHandleAs<FindObject>(hFindFile);
  if (!find) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(find->lock);
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *lpFindFileData = find->entries[find->next++];
  return TRUE;
}

WINBASEAPI BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (!plat::LookupHandleAs<FindObject>(hFindFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  plat::RemoveHandle(hFindFile);
  return TRUE;
}

}  // extern "C"
