// Paths of the machine: full path names, the process's current directory, the temp folder and
// temporary file names.
#include <sys/stat.h>

#include <chrono>
#include <cstring>

#include <win/environment.h>
#include <win/files.h>

#include "internal/environment.h"
#include "internal/files.h"
#include "internal/machine.h"
#include "internal/machine_layout.h"
#include "internal/unicode.h"

namespace {

// The "length, or the size needed" protocol: the text and its terminator are copied when they
// fit and the length without the terminator is returned; otherwise the buffer is left alone and
// the size needed, terminator included, is returned.
DWORD CopyOut(const std::u16string& text, DWORD size, LPWSTR buffer) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

bool EndsWithSeparator(std::u16string_view path) {
  return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) {
  if (lpFilePart) *lpFilePart = nullptr;
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::u16string_view name = plat::WideView(lpFileName);
  std::u16string full = plat::CanonicalWindowsPath(name);
  // A trailing separator stays: the name is a folder and has no file part.
  if (EndsWithSeparator(name) && !EndsWithSeparator(full)) full.push_back(u'\\');
  DWORD result = CopyOut(full, nBufferLength, lpBuffer);
  if (result == full.size() && lpFilePart && !EndsWithSeparator(full)) {
    size_t slash = full.find_last_of(u'\\');
    if (slash != std::u16string::npos && slash + 1 < full.size()) *lpFilePart = lpBuffer + slash + 1;
  }
  return result;
}

WINBASEAPI DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  plat::EnsureMachineLayout();
  return CopyOut(plat::CurrentDirectory(), nBufferLength, lpBuffer);
}

WINBASEAPI BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName) {
  if (!lpPathName || !*lpPathName) {
    SetLastError(lpPathName ? ERROR_INVALID_NAME : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(lpPathName));
  if (!path.exists) {
    SetLastError(plat::MissingEntryError(path));
    return FALSE;
  }
  if (!path.isDirectory) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  plat::SetCurrentDirectoryPath(path.windows);
  return TRUE;
}

WINBASEAPI DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  // The first of TMP, TEMP and USERPROFILE that is set, else the Windows folder; always with a
  // trailing backslash.
  std::u16string folder;
  for (const char16_t* name : {u"TMP", u"TEMP", u"USERPROFILE"}) {
    std::optional<std::u16string> value = plat::EnvironmentValue(name);
    if (value && !value->empty()) {
      folder = *value;
      break;
    }
  }
  if (folder.empty()) folder = plat::StandardFolderPath(plat::StandardFolder::Windows);
  folder = plat::CanonicalWindowsPath(folder);
  if (!EndsWithSeparator(folder)) folder.push_back(u'\\');
  plat::EnsureMachineLayout();
  return CopyOut(folder, nBufferLength, lpBuffer);
}

WINBASEAPI UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                        LPWSTR lpTempFileName) {
  if (!lpPathName || !lpTempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string folder(plat::WideView(lpPathName));
  if (!folder.empty() && !EndsWithSeparator(folder)) folder.push_back(u'\\');
  std::u16string prefix(plat::WideView(lpPrefixString).substr(0, 3));
  // The name must fit in MAX_PATH with the prefix, four hex digits and ".TMP".
  if (folder.size() + 3 + 4 + 4 + 1 > MAX_PATH) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  plat::ResolvedPath where = plat::ResolveMachinePath(folder.empty() ? std::u16string(u".") : folder);
  if (!where.exists || !where.isDirectory) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  auto nameFor = [&](unsigned number) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string hex;
    do {
      hex.insert(hex.begin(), kHex[number & 0xF]);
      number >>= 4;
    } while (number);
    return folder + prefix + hex + u".TMP";
  };
  auto store = [&](const std::u16string& name) {
    std::memcpy(lpTempFileName, name.data(), name.size() * sizeof(WCHAR));
    lpTempFileName[name.size()] = 0;
  };
  if (uUnique != 0) {
    // Only the low 16 bits count; the name is built, the file is not made.
    store(nameFor(uUnique & 0xFFFF));
    return uUnique;
  }
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  unsigned start = static_cast<unsigned>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) & 0xFFFF;
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned number = (start + i) & 0xFFFF;
    if (number == 0) continue;
    std::u16string name = nameFor(number);
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(name.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      store(nameFor(number));
      SetLastError(ERROR_SUCCESS);
      return number;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED &&
        error != ERROR_SHARING_VIOLATION)
      return 0;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

}  // extern "C"
