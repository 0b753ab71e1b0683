// The shell's special folders, as folders of the machine's layout.
#include <cstring>

#include <win/files.h>
#include <win/shell.h>

#include "internal/files.h"
#include "internal/machine_layout.h"

namespace {

struct FolderEntry {
  int csidl;
  plat::StandardFolder folder;
  const char16_t* below;  // a folder under the standard one, or nullptr
};

const FolderEntry kFolders[] = {
    {CSIDL_APPDATA, plat::StandardFolder::AppData, nullptr},
    {CSIDL_LOCAL_APPDATA, plat::StandardFolder::LocalAppData, nullptr},
    {CSIDL_COMMON_APPDATA, plat::StandardFolder::ProgramData, nullptr},
    {CSIDL_PROGRAM_FILES, plat::StandardFolder::ProgramFiles, nullptr},
    {CSIDL_PROGRAM_FILESX86, plat::StandardFolder::ProgramFilesX86, nullptr},
    {CSIDL_PROGRAM_FILES_COMMON, plat::StandardFolder::CommonFiles, nullptr},
    {CSIDL_SYSTEM, plat::StandardFolder::System, nullptr},
    {CSIDL_WINDOWS, plat::StandardFolder::Windows, nullptr},
    {CSIDL_FONTS, plat::StandardFolder::Fonts, nullptr},
    {CSIDL_COMMON_PROGRAMS, plat::StandardFolder::CommonPrograms, nullptr},
    {CSIDL_COMMON_STARTMENU, plat::StandardFolder::ProgramData, u"\\Microsoft\\Windows\\Start Menu"},
    {CSIDL_COMMON_DOCUMENTS, plat::StandardFolder::PublicDocuments, nullptr},
    {CSIDL_PROFILE, plat::StandardFolder::UserProfile, nullptr},
    {CSIDL_PERSONAL, plat::StandardFolder::UserProfile, u"\\Documents"},
    {CSIDL_PROGRAMS, plat::StandardFolder::AppData, u"\\Microsoft\\Windows\\Start Menu\\Programs"},
};

// Makes every missing folder on the way, as CSIDL_FLAG_CREATE asks.
bool CreateFolderChain(const std::u16string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i != path.size() && path[i] != u'\\') continue;
    std::u16string part = path.substr(0, i);
    DWORD attributes = GetFileAttributesW(part.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" {

WINBASEAPI HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath) {
  (void)hwnd;
  (void)hToken;
  if (!pszPath) return E_INVALIDARG;
  if (dwFlags != SHGFP_TYPE_CURRENT && dwFlags != SHGFP_TYPE_DEFAULT) return E_INVALIDARG;
  pszPath[0] = 0;
  int id = csidl & ~CSIDL_FLAG_MASK;
  const FolderEntry* entry = nullptr;
  for (const FolderEntry& candidate : kFolders)
    if (candidate.csidl == id) entry = &candidate;
  if (!entry) return E_INVALIDARG;
  plat::EnsureMachineLayout();
  std::u16string path = plat::StandardFolderPath(entry->folder);
  if (entry->below) path += entry->below;
  if (path.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  if (csidl & CSIDL_FLAG_CREATE) {
    if (!CreateFolderChain(path)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  } else if (!(csidl & CSIDL_FLAG_DONT_VERIFY)) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return E_FAIL;
  }
  std::memcpy(pszPath, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  return S_OK;
}

}  // extern "C"
