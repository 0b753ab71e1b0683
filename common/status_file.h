// The status file (StatusIniFile): its place, and the one way every writer puts a key into it.
// Shared by the status monitor and the status display.
#pragma once

#include <win/base.h>

namespace vm4k2common {

// Writes before the delete-and-rewrite: a write that fails this often means a file that cannot
// be written as it is.
inline constexpr int kStatusWriteTries = 5;
// Between tries: a failed write is usually another program holding the file for a moment.
inline constexpr DWORD kStatusWriteRetryMs = 20;

// The file's full path (MAX_PATH units). With createFolders, "\Velmor" and "\Velmor\vm4k2" are
// made when missing, as the monitor does before its first use; the display makes none.
bool BuildStatusFilePath(WCHAR* path, bool createFolders);

// Writes one key of a printer's section. The file is made UTF-16 when it does not exist, so
// that every printer name keeps its own section. A key that cannot be written after the tries
// costs the whole file: it is deleted and started afresh with that one key. TRUE when the key
// was written.
BOOL WriteStatusKey(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPCWSTR value);
BOOL WriteStatusInt(LPCWSTR file, LPCWSTR section, LPCWSTR key, int value);

// An integer key; 0 when it is absent.
int ReadStatusInt(LPCWSTR file, LPCWSTR section, LPCWSTR key);
// A text key into `units` units (terminated); empty when absent. Returns its length.
DWORD ReadStatusText(LPCWSTR file, LPCWSTR section, LPCWSTR key, WCHAR* out, DWORD units);

}  // namespace vm4k2common
