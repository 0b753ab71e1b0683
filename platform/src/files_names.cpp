// Deleting, copying and moving files, and the renames put off until the machine restarts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/file_shares.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/spooler_files.h"
#include "internal/unicode.h"

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether the entry may be deleted or renamed now: every open handle must share deletion.
DWORD CheckDeleteSharing(const std::string& hostPath) {
  struct stat st;
  if (lstat(hostPath.c_str(), &st) != 0) return ERROR_SUCCESS;
  return plat::FileShare::Check(st.st_dev, st.st_ino, DELETE, kShareAll);
}

// The file of pending renames, one "source<TAB>destination<TAB>flags" line (UTF-8 Windows
// paths) per operation in the order they were asked for, an empty destination meaning
// deletion; a restart of the machine carries them out.
std::string PendingRenamesFile() { return plat::MachineDir("session") + "/pending-file-renames"; }

BOOL RecordPendingRename(const std::u16string& from, const std::u16string& to, DWORD flags) {
  std::ofstream out(PendingRenamesFile(), std::ios::app | std::ios::binary);
  out << plat::ToUtf8(from) << '\t' << plat::ToUtf8(to) << '\t' << (flags & MOVEFILE_REPLACE_EXISTING) << '\n';
  if (!out.flush()) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

}  // namespace

namespace plat {

size_t ApplyPendingFileRenames() {
  std::string file = PendingRenamesFile();
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  in.close();
  std::remove(file.c_str());
  size_t applied = 0;
  DWORD saved = GetLastError();
  for (const std::string& line : lines) {
    size_t tab1 = line.find('\t');
    size_t tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    std::u16string from = FromUtf8(line.substr(0, tab1));
    std::u16string to = FromUtf8(line.substr(tab1 + 1, tab2 - tab1 - 1));
    bool replace = line.substr(tab2 + 1) != "0";
    bool done;
    if (to.empty()) {
      // At start-up nothing holds the file open, and its attributes do not protect it.
      SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
      done = DeleteFileW(from.c_str()) || RemoveDirectoryW(from.c_str());
    } else {
      done = MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
    }
    if (done) ++applied;
  }
  SetLastError(saved);
  return applied;
}

}  // namespace plat

extern "C" {

WINBASEAPI BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER);
  if (!*lpFileName) return Fail(ERROR_PATH_NOT_FOUND);
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpFileName));
  if (!path.exists) return Fail(plat::MissingEntryError(path));
  // A link is deleted as the link, whatever it points to.
  if (path.isDirectory) return Fail(ERROR_ACCESS_DENIED);
  if (plat::IsReadOnly(path.host)) return Fail(ERROR_ACCESS_DENIED);
  if (plat::SpoolerHoldsFile(path.windows)) return Fail(ERROR_SHARING_VIOLATION);
  // A running program's file is mapped by its process: the platform refuses to delete it.
  if (plat::ProgramIsRunning(path.windows)) return Fail(ERROR_ACCESS_DENIED);
  DWORD sharing = CheckDeleteSharing(path.host);
  if (sharing != ERROR_SUCCESS) return Fail(sharing);
  if (unlink(path.host.c_str()) != 0) return Fail(plat::ErrorFromErrno(errno));
  plat::DropAttributes(path.host);
  return TRUE;
}

WINBASEAPI BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  if (!lpExistingFileName || !lpNewFileName) return Fail(ERROR_INVALID_PARAMETER);
  HANDLE source = CreateFileW(lpExistingFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (source == INVALID_HANDLE_VALUE) return FALSE;
  plat::ResolvedPath from = plat::ResolveMachinePath(plat::WideView(lpExistingFileName));
  DWORD attributes = plat::ReadAttributes(from.host) & plat::kSettableAttributes;
  // The copy is written through a handle of its own, so read-only, hidden, sharing and links at
  // the destination are judged as for any other writer. It gets the source's attributes once
  // its data is in place (a read-only source makes a read-only copy).
  HANDLE target = CreateFileW(lpNewFileName, GENERIC_WRITE, 0, nullptr, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)),
                              nullptr);
  if (target == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    CloseHandle(source);
    return Fail(error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : error);
  }
  plat::ResolvedPath to = plat::ResolveMachinePath(plat::WideView(lpNewFileName));
  char buffer[65536];
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0, written = 0;
    if (!ReadFile(source, buffer, sizeof(buffer), &got, nullptr)) {
      error = GetLastError();
      break;
    }
    if (got == 0) break;
    if (!WriteFile(target, buffer, got, &written, nullptr)) {
      error = GetLastError();
      break;
    }
  }
  CloseHandle(source);
  CloseHandle(target);
  if (error != ERROR_SUCCESS) {
    // Nothing half-copied is left behind.
    unlink(to.host.c_str());
    plat::DropAttributes(to.host);
    return Fail(error);
  }
  plat::WriteAttributes(to.host, attributes ? attributes : FILE_ATTRIBUTE_ARCHIVE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

WINBASEAPI BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  if (!lpExistingFileName || !*lpExistingFileName) return Fail(lpExistingFileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
  if (dwFlags & ~static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_DELAY_UNTIL_REBOOT |
                                    MOVEFILE_WRITE_THROUGH))
    return Fail(ERROR_INVALID_PARAMETER);
  if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    if (dwFlags & MOVEFILE_COPY_ALLOWED) return Fail(ERROR_INVALID_PARAMETER);
    std::u16string from = plat::CanonicalWindowsPath(plat::WideView(lpExistingFileName));
    std::u16string to = lpNewFileName && *lpNewFileName ? plat::CanonicalWindowsPath(plat::WideView(lpNewFileName)) : u"";
    return RecordPendingRename(from, to, dwFlags);
  }
  if (!lpNewFileName || !*lpNewFileName) return Fail(lpNewFileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);

  plat::ResolvedPath from = plat::ResolveMachinePath(plat::WideView(lpExistingFileName));
  if (!from.exists) return Fail(plat::MissingEntryError(from));
  plat::ResolvedPath to = plat::ResolveMachinePath(plat::WideView(lpNewFileName));
  if (to.error != ERROR_SUCCESS) return Fail(to.error);
  if (!to.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
  if (from.windows.size() == 3 || to.windows.size() == 3) return Fail(ERROR_ACCESS_DENIED);
  if (plat::UpperCase(from.windows[0]) != plat::UpperCase(to.windows[0]) && !(dwFlags & MOVEFILE_COPY_ALLOWED))
    return Fail(ERROR_NOT_SAME_DEVICE);
  DWORD sharing = CheckDeleteSharing(from.host);
  if (sharing != ERROR_SUCCESS) return Fail(sharing);

  bool sameEntry = from.host == to.host || (to.exists && plat::EqualsNoCase(from.windows, to.windows));
  std::string target = to.host;
  if (sameEntry) {
    // A change of case only: the entry takes the spelling the caller gave.
    size_t slash = to.host.find_last_of('/');
    size_t wslash = to.windows.find_last_of(u'\\');
    target = to.host.substr(0, slash + 1) + plat::ToUtf8(plat::CanonicalWindowsPath(plat::WideView(lpNewFileName)).substr(wslash + 1));
  } else if (to.exists) {
    if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    // Only a file is replaced, never a folder, and never a read-only file.
    if (to.isDirectory || from.isDirectory || plat::IsReadOnly(to.host)) return Fail(ERROR_ACCESS_DENIED);
    DWORD busy = CheckDeleteSharing(to.host);
    if (busy != ERROR_SUCCESS) return Fail(ERROR_ACCESS_DENIED);
  }
  if (from.isDirectory) {
    // A folder cannot move into itself.
    std::string prefix = from.host + "/";
    if (target.compare(0, prefix.size(), prefix) == 0) return Fail(ERROR_SHARING_VIOLATION);
  }
  if (std::rename(from.host.c_str(), target.c_str()) != 0) return Fail(plat::ErrorFromErrno(errno));
  plat::MoveAttributes(from.host, target);
  return TRUE;
}

WINBASEAPI BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

}  // extern "C"
