// Small helpers for the file tests: writing and reading whole files through the machine's API.
#pragma once

#include <string>

#include <win/files.h>

namespace filetest {

inline bool WriteText(const char16_t* path, const std::string& text, DWORD disposition = CREATE_ALWAYS) {
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == text.size();
}

inline std::string ReadText(const char16_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<cannot open>";
  std::string text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
  CloseHandle(h);
  return text;
}

inline HANDLE Open(const char16_t* path, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
  return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace filetest
