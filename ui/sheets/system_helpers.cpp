#include "ui/sheets/system_helpers.h"

#include <mutex>
#include <vector>

#include <win/commdlg.h>
#include <win/modules.h>
#include <win/process.h>
#include <win/security.h>
#include <win/system.h>

#include "ui/core/satellite.h"

namespace vm4k2ui {

namespace {

std::mutex g_actCtxLock;
HANDLE g_actCtx = nullptr;  // nullptr: not made yet

constexpr DWORD kFileDialogFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOLONGNAMES;
static_assert(kFileDialogFlags == 0x40806);

// Runs `work` with the library's activation context active, when it has one.
template <typename Work>
auto InResourceActCtx(Work work) {
  HANDLE context = ResourceActCtx();
  ULONG_PTR cookie = 0;
  const bool active = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
  auto result = work();
  if (active) DeactivateActCtx(0, cookie);
  return result;
}

}  // namespace

bool IsUserAdmin() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  // The groups' size first, then the groups.
  DWORD needed = 0;
  std::vector<BYTE> groups;
  bool read = false;
  if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &needed) && GetLastError() == ERROR_INSUFFICIENT_BUFFER &&
      needed >= sizeof(TOKEN_GROUPS)) {
    groups.resize(needed);
    read = GetTokenInformation(token, TokenGroups, groups.data(), needed, &needed) != FALSE;
  }
  CloseHandle(token);
  if (!read) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &administrators)) {
    return false;
  }
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  // From version 6 on an administrator's token holds the group filtered (deny only, not
  // enabled) until the program runs elevated; only an enabled group administers.
  const bool needsEnabled = GetVersionExW(&version) && version.dwMajorVersion >= 6;
  const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
  const size_t room = (groups.size() - offsetof(TOKEN_GROUPS, Groups)) / sizeof(SID_AND_ATTRIBUTES);
  bool admin = false;
  for (DWORD i = 0; i < list->GroupCount && i < room && !admin; ++i) {
    if (!EqualSid(list->Groups[i].Sid, administrators)) continue;
    const DWORD attributes = list->Groups[i].Attributes;
    admin = !needsEnabled || ((attributes & SE_GROUP_ENABLED) && !(attributes & SE_GROUP_USE_FOR_DENY_ONLY));
  }
  FreeSid(administrators);
  return admin;
}

int OpenFileDialog(HWND owner, const WCHAR* filter, WCHAR* path) {
  if (path == nullptr) return 0;
  WCHAR file[kFileDialogUnits] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = kFileDialogUnits;
  dialog.lpstrInitialDir = path;
  dialog.Flags = kFileDialogFlags;
  if (!InResourceActCtx([&] { return GetOpenFileNameW(&dialog); })) return 0;
  size_t length = 0;
  while (length < kFileDialogUnits && file[length] != 0) ++length;
  if (length >= static_cast<size_t>(kChosenPathUnits)) return 0;
  for (size_t i = 0; i <= length; ++i) path[i] = file[i];
  return 1;
}

HANDLE CreateResourceActCtx() {
  std::vector<WCHAR> name(260);
  DWORD length = 0;
  bool whole = false;
  for (int attempt = 0; attempt < 10; ++attempt) {
    length = GetModuleFileNameW(UiModuleHandle(), name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return INVALID_HANDLE_VALUE;
    if (length < name.size()) {
      whole = true;
      break;
    }
    name.resize(name.size() * 2);
  }
  if (!whole) return INVALID_HANDLE_VALUE;
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = name.data();
  request.lpResourceName = MAKEINTRESOURCEW(2);
  HANDLE context = CreateActCtxW(&request);
  return context != nullptr ? context : INVALID_HANDLE_VALUE;
}

HANDLE ResourceActCtx() {
  std::lock_guard<std::mutex> guard(g_actCtxLock);
  if (g_actCtx == nullptr) g_actCtx = CreateResourceActCtx();
  return g_actCtx;
}

void ReleaseResourceActCtx() {
  std::lock_guard<std::mutex> guard(g_actCtxLock);
  if (g_actCtx != nullptr && g_actCtx != INVALID_HANDLE_VALUE) ReleaseActCtx(g_actCtx);
  g_actCtx = nullptr;
}

}  // namespace vm4k2ui
