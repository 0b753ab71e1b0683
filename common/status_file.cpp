#include "common/status_file.h"

#include <win/files.h>
#include <win/profile.h>
#include <win/shell.h>
#include <win/strings.h>
#include <win/system.h>

#include <vm4k2/status_monitor_messages.h>

namespace vm4k2common {

namespace {

bool Append(WCHAR* path, LPCWSTR tail) {
  if (lstrlenW(path) + lstrlenW(tail) >= MAX_PATH) return false;
  lstrcatW(path, tail);
  return true;
}

void MakeFolder(LPCWSTR folder) {
  if (GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES) return;
  if (CreateDirectoryW(folder, nullptr)) SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
}

// The profile functions keep a file with a UTF-16 byte-order mark UTF-16 and write any other,
// and a missing one, in the ANSI code page, where names outside it become "?" and two printers
// would share one section. A missing file is therefore made here, holding only the mark.
void CreateUtf16File(LPCWSTR file) {
  HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;  // ERROR_FILE_EXISTS: another writer made it
  static const BYTE kMark[2] = {0xFF, 0xFE};
  DWORD written = 0;
  const bool ok = WriteFile(handle, kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
  CloseHandle(handle);
  // An empty file would be taken as ANSI: better none, so the next write makes it again.
  if (!ok) DeleteFileW(file);
}

void EnsureFile(LPCWSTR file) {
  if (GetFileAttributesW(file) == INVALID_FILE_ATTRIBUTES) CreateUtf16File(file);
}

}  // namespace

bool BuildStatusFilePath(WCHAR* path, bool createFolders) {
  path[0] = 0;
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path))) {
    path[0] = 0;
    return false;
  }
  if (!Append(path, vm4k2::kStatusFileTopFolder)) return false;
  if (createFolders) MakeFolder(path);
  if (!Append(path, u"\\vm4k2")) return false;
  if (createFolders) MakeFolder(path);
  if (!Append(path, u"\\") || !Append(path, vm4k2::kStatusFileName)) {
    path[0] = 0;
    return false;
  }
  return true;
}

BOOL WriteStatusKey(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPCWSTR value) {
  for (int attempt = 0; attempt < kStatusWriteTries; ++attempt) {
    if (attempt > 0) Sleep(kStatusWriteRetryMs);
    EnsureFile(file);
    if (WritePrivateProfileStringW(section, key, value, file)) return TRUE;
  }
  // The last resort: every printer's section goes, and the file starts again with this key.
  SetFileAttributesW(file, FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(file);
  CreateUtf16File(file);
  return WritePrivateProfileStringW(section, key, value, file);
}

BOOL WriteStatusInt(LPCWSTR file, LPCWSTR section, LPCWSTR key, int value) {
  WCHAR text[16];
  wsprintfW(text, u"%d", value);
  return WriteStatusKey(file, section, key, text);
}

int ReadStatusInt(LPCWSTR file, LPCWSTR section, LPCWSTR key) {
  return static_cast<int>(GetPrivateProfileIntW(section, key, 0, file));
}

DWORD ReadStatusText(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR* out, DWORD units) {
  if (units == 0) return 0;
  out[0] = 0;
  DWORD n = GetPrivateProfileStringW(section, key, u"", out, units, file);
  if (n >= units) n = units - 1;
  out[n] = 0;
  return n;
}

}  // namespace vm4k2common
