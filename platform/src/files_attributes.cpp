// The machine's attribute records and the attribute functions of the file API.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <win/files.h>

#include "internal/attributes.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace fs = std::filesystem;

namespace {

// A record sits beside the mirrored folder of its entry: the record of drives/C/a/b is
// attributes/C/a/b:attributes and the records of b's entries are under attributes/C/a/b/.
// ':' cannot appear in a Windows file name, so no entry's folder can collide with a record.
constexpr const char* kRecordSuffix = ":attributes";

// The mirror of a host path under attributes/, or empty when the path is not inside the drives.
std::string MirrorPath(const std::string& hostPath) {
  std::string drives = plat::MachineRoot() + "/drives/";
  if (hostPath.compare(0, drives.size(), drives) != 0 || hostPath.size() == drives.size()) return {};
  return plat::MachineRoot() + "/attributes/" + hostPath.substr(drives.size());
}

std::string RecordPath(const std::string& hostPath) {
  std::string mirror = MirrorPath(hostPath);
  return mirror.empty() ? mirror : mirror + kRecordSuffix;
}

struct Record {
  DWORD attributes = 0;
  unsigned long long inode = 0;
};

bool LoadRecord(const std::string& hostPath, const struct stat& st, Record& record) {
  std::string path = RecordPath(hostPath);
  if (path.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  unsigned int attributes = 0;
  unsigned long long inode = 0;
  bool ok = std::fscanf(f, "attributes=0x%x inode=%llu", &attributes, &inode) == 2;
  std::fclose(f);
  // A record written for another inode belongs to a file that was replaced outside the stand-in.
  if (!ok || inode != static_cast<unsigned long long>(st.st_ino)) return false;
  record.attributes = attributes & plat::kSettableAttributes;
  record.inode = inode;
  return true;
}

bool StoreRecord(const std::string& hostPath, const Record& record) {
  std::string path = RecordPath(hostPath);
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  // Written beside and renamed, so another process reads the old record or the new one.
  std::string temp = path + ".tmp." + std::to_string(getpid());
  FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "attributes=0x%08X inode=%llu\n", record.attributes, record.inode);
  bool ok = std::fclose(f) == 0;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

namespace plat {

DWORD ReadAttributes(const std::string& hostPath) {
  struct stat st;
  if (lstat(hostPath.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
  Record record;
  bool recorded = LoadRecord(hostPath, st, record);
  DWORD attributes = recorded ? record.attributes : 0;
  if (S_ISLNK(st.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target;
    // Only the kind of the target is looked at, never its content.
    if (stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if (S_ISDIR(st.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if (!recorded) {
    attributes = FILE_ATTRIBUTE_ARCHIVE;
  }
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool WriteAttributes(const std::string& hostPath, DWORD attributes, DWORD* error) {
  struct stat st;
  if (lstat(hostPath.c_str(), &st) != 0) {
    if (error) *error = ErrorFromErrno(errno);
    return false;
  }
  Record record;
  record.attributes = attributes & kSettableAttributes;
  record.inode = st.st_ino;
  if (!StoreRecord(hostPath, record)) {
    if (error) *error = ERROR_ACCESS_DENIED;
    return false;
  }
  return true;
}

bool IsReadOnly(const std::string& hostPath) {
  struct stat st;
  if (lstat(hostPath.c_str(), &st) != 0) return false;
  Record record;
  return LoadRecord(hostPath, st, record) && (record.attributes & FILE_ATTRIBUTE_READONLY);
}

void DropAttributes(const std::string& hostPath) {
  std::string mirror = MirrorPath(hostPath);
  if (mirror.empty()) return;
  std::error_code ec;
  fs::remove(mirror + kRecordSuffix, ec);
  fs::remove_all(mirror, ec);
}

void MoveAttributes(const std::string& fromHost, const std::string& toHost) {
  std::string from = MirrorPath(fromHost);
  std::string to = MirrorPath(toHost);
  if (from.empty() || to.empty() || from == to) return;
  DropAttributes(toHost);
  std::error_code ec;
  fs::create_directories(fs::path(to).parent_path(), ec);
  fs::rename(from + kRecordSuffix, to + kRecordSuffix, ec);
  fs::rename(from, to, ec);
}

void CopyAttributes(const std::string& fromHost, const std::string& toHost) {
  DWORD attributes = ReadAttributes(fromHost);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  WriteAttributes(toHost, attributes & kSettableAttributes);
}

}  // namespace plat

extern "C" {

WINBASEAPI DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
  if (!lpFileName || !*lpFileName) {
    SetLastError(lpFileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpFileName));
  if (!path.exists) {
    SetLastError(plat::MissingEntryError(path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return plat::ReadAttributes(path.host);
}

WINBASEAPI BOOL WINAPI GetFileAttributesExW(LPCWSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                            LPVOID lpFileInformation) {
  if (fInfoLevelId != GetFileExInfoStandard) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lpFileName || !lpFileInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpFileName));
  struct stat st;
  if (!*lpFileName || !path.exists || lstat(path.host.c_str(), &st) != 0) {
    SetLastError(*lpFileName ? plat::MissingEntryError(path) : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::memset(&data, 0, sizeof(data));
  data.dwFileAttributes = plat::ReadAttributes(path.host);
  data.ftCreationTime = plat::FileTimeFromHost(st.st_ctim);
  data.ftLastAccessTime = plat::FileTimeFromHost(st.st_atim);
  data.ftLastWriteTime = plat::FileTimeFromHost(st.st_mtim);
  if (S_ISREG(st.st_mode)) {
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(static_cast<uint64_t>(st.st_size));
  }
  std::memcpy(lpFileInformation, &data, sizeof(data));
  return TRUE;
}

WINBASEAPI BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpFileName));
  if (!*lpFileName || !path.exists) {
    SetLastError(*lpFileName ? plat::MissingEntryError(path) : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  DWORD error = ERROR_SUCCESS;
  // The record is the link's own when the path names a link: the target is never changed.
  if (!plat::WriteAttributes(path.host, dwFileAttributes, &error)) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
