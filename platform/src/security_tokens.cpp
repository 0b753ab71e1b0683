// Security identifiers and the machine user's access token. The token's groups are fixed but for
// the Administrators group, whose presence and attributes the control "AdministratorsGroup"
// chooses, so a test can play an elevated administrator, a filtered one (deny-only, as a split
// token under user account control has it) or a plain user.
#include <win/security.h>

#include <win/process.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "internal/controls.h"
#include "internal/handles.h"
#include "platform_testing.h"

namespace {

constexpr const char kControlAdministratorsGroup[] = "AdministratorsGroup";
constexpr const char kAbsent[] = "absent";

// An elevated administrator's token: the group is mandatory, enabled and may own objects.
constexpr DWORD kElevatedAdministrator = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED |
                                         SE_GROUP_OWNER;
constexpr DWORD kOrdinaryGroup = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;

// A SID in its binary form.
using SidBytes = std::vector<BYTE>;

SidBytes MakeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities) {
  SidBytes sid(8 + 4 * subAuthorities.size());
  sid[0] = SID_REVISION;
  sid[1] = static_cast<BYTE>(subAuthorities.size());
  sid[7] = authority;
  size_t at = 8;
  for (DWORD sub : subAuthorities) {
    std::memcpy(&sid[at], &sub, 4);
    at += 4;
  }
  return sid;
}

struct Group {
  SidBytes sid;
  DWORD attributes;
};

// The groups of the machine user's token, in the order a logon gives them.
std::vector<Group> CurrentGroups() {
  std::vector<Group> groups;
  groups.push_back({MakeSid(1, {SECURITY_WORLD_RID}), kOrdinaryGroup});
  std::optional<std::string> admin = plat::GetControl(kControlAdministratorsGroup);
  if (!admin || *admin != kAbsent) {
    DWORD attributes = admin ? static_cast<DWORD>(plat::GetControlInt(kControlAdministratorsGroup, 0))
                             : kElevatedAdministrator;
    groups.push_back({MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}), attributes});
  }
  groups.push_back({MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}), kOrdinaryGroup});
  groups.push_back({MakeSid(5, {SECURITY_INTERACTIVE_RID}), kOrdinaryGroup});
  groups.push_back({MakeSid(5, {SECURITY_AUTHENTICATED_USER_RID}), kOrdinaryGroup});
  return groups;
}

struct TokenObject : plat::KernelObject {
  DWORD access = 0;
  std::vector<Group> groups;
};

size_t SidLength(const SID* sid) { return 8 + 4 * static_cast<size_t>(sid->SubAuthorityCount); }

bool ValidSid(PSID pSid) {
  if (!pSid) return false;
  const SID* sid = static_cast<const SID*>(pSid);
  return sid->Revision == SID_REVISION && sid->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

bool SameSid(const SidBytes& bytes, PSID pSid) {
  return bytes.size() == SidLength(static_cast<const SID*>(pSid)) &&
         std::memcmp(bytes.data(), pSid, bytes.size()) == 0;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
  if (!TokenHandle) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (ProcessHandle != GetCurrentProcess()) {
    SetLastError(plat::LookupHandle(ProcessHandle) ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto token = std::make_shared<TokenObject>();
  token->access = DesiredAccess;
  token->groups = CurrentGroups();
  *TokenHandle = plat::InsertHandle(token);
  return TRUE;
}

WINBASEAPI BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                           LPVOID TokenInformation, DWORD TokenInformationLength,
                                           PDWORD ReturnLength) {
  std::shared_ptr<TokenObject> token = plat::LookupHandleAs<TokenObject>(TokenHandle);
  if (!token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(token->access & TOKEN_QUERY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (TokenInformationClass != TokenGroups) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!ReturnLength) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  // The array first, then the SIDs it points at, each at a 4-byte boundary (a SID's length is
  // always a multiple of 4, so they pack).
  const size_t arrayBytes = offsetof(TOKEN_GROUPS, Groups) + token->groups.size() * sizeof(SID_AND_ATTRIBUTES);
  size_t needed = arrayBytes;
  for (const Group& group : token->groups) needed += group.sid.size();
  *ReturnLength = static_cast<DWORD>(needed);
  if (!TokenInformation || TokenInformationLength < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  BYTE* out = static_cast<BYTE*>(TokenInformation);
  std::memset(out, 0, needed);
  TOKEN_GROUPS header{};
  header.GroupCount = static_cast<DWORD>(token->groups.size());
  std::memcpy(out, &header.GroupCount, sizeof header.GroupCount);
  size_t sidAt = arrayBytes;
  for (size_t i = 0; i < token->groups.size(); ++i) {
    const Group& group = token->groups[i];
    std::memcpy(out + sidAt, group.sid.data(), group.sid.size());
    SID_AND_ATTRIBUTES entry{out + sidAt, group.attributes};
    std::memcpy(out + offsetof(TOKEN_GROUPS, Groups) + i * sizeof entry, &entry, sizeof entry);
    sidAt += group.sid.size();
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority,
                                                BYTE nSubAuthorityCount, DWORD nSubAuthority0,
                                                DWORD nSubAuthority1, DWORD nSubAuthority2,
                                                DWORD nSubAuthority3, DWORD nSubAuthority4,
                                                DWORD nSubAuthority5, DWORD nSubAuthority6,
                                                DWORD nSubAuthority7, PSID* pSid) {
  if (!pIdentifierAuthority || !pSid) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (nSubAuthorityCount > 8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD subs[8] = {nSubAuthority0, nSubAuthority1, nSubAuthority2, nSubAuthority3,
                         nSubAuthority4, nSubAuthority5, nSubAuthority6, nSubAuthority7};
  const size_t length = 8 + 4 * static_cast<size_t>(nSubAuthorityCount);
  BYTE* sid = static_cast<BYTE*>(std::calloc(1, length));
  if (!sid) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  sid[0] = SID_REVISION;
  sid[1] = nSubAuthorityCount;
  std::memcpy(sid + 2, pIdentifierAuthority->Value, 6);
  std::memcpy(sid + 8, subs, 4 * static_cast<size_t>(nSubAuthorityCount));
  *pSid = sid;
  return TRUE;
}

WINBASEAPI PVOID WINAPI FreeSid(PSID pSid) {
  std::free(pSid);
  return nullptr;
}

WINBASEAPI BOOL WINAPI IsValidSid(PSID pSid) { return ValidSid(pSid) ? TRUE : FALSE; }

WINBASEAPI DWORD WINAPI GetLengthSid(PSID pSid) {
  return ValidSid(pSid) ? static_cast<DWORD>(SidLength(static_cast<const SID*>(pSid))) : 0;
}

WINBASEAPI BOOL WINAPI EqualSid(PSID pSid1, PSID pSid2) {
  if (!ValidSid(pSid1) || !ValidSid(pSid2)) {
    SetLastError(ERROR_INVALID_SID);
    return FALSE;
  }
  const size_t length = SidLength(static_cast<const SID*>(pSid1));
  const bool equal = length == SidLength(static_cast<const SID*>(pSid2)) && std::memcmp(pSid1, pSid2, length) == 0;
  SetLastError(ERROR_SUCCESS);
  return equal ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI CheckTokenMembership(HANDLE TokenHandle, PSID SidToCheck, PBOOL IsMember) {
  if (TokenHandle) {
    SetLastError(plat::LookupHandleAs<TokenObject>(TokenHandle) ? ERROR_NO_IMPERSONATION_TOKEN
                                                                : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!IsMember) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (!ValidSid(SidToCheck)) {
    SetLastError(ERROR_INVALID_SID);
    return FALSE;
  }
  *IsMember = FALSE;
  for (const Group& group : CurrentGroups()) {
    if (!SameSid(group.sid, SidToCheck)) continue;
    if ((group.attributes & SE_GROUP_ENABLED) && !(group.attributes & SE_GROUP_USE_FOR_DENY_ONLY)) *IsMember = TRUE;
  }
  return TRUE;
}

WINBASEAPI void PlatformTest_SetAdministratorsGroup(BOOL present, DWORD attributes, BOOL machineWide) {
  std::string value = present ? std::to_string(attributes) : std::string(kAbsent);
  if (machineWide)
    plat::SetMachineControl(kControlAdministratorsGroup, value);
  else
    plat::SetProcessControl(kControlAdministratorsGroup, value);
}

}  // extern "C"
