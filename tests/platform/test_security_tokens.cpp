#include <gtest/gtest.h>

#include <vector>

#include <win/process.h>
#include <win/security.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using testsupport::kErrorMarker;
using testsupport::TempMachine;

PSID AdministratorsSid() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  EXPECT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                       0, 0, &sid));
  return sid;
}

// The Administrators group's attributes in the process token as GetTokenInformation reports
// them, or -1 when the group is not there.
long long AdministratorsAttributes() {
  HANDLE token = nullptr;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD needed = 0;
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, nullptr, 0, &needed));
  std::vector<BYTE> buffer(needed);
  EXPECT_TRUE(GetTokenInformation(token, TokenGroups, buffer.data(), needed, &needed));
  CloseHandle(token);
  PSID admins = AdministratorsSid();
  long long found = -1;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i)
    if (EqualSid(groups->Groups[i].Sid, admins)) found = groups->Groups[i].Attributes;
  FreeSid(admins);
  return found;
}

TEST(SecurityTokens, AllocatedSidHasTheBinaryLayoutOfTheAdministratorsGroup) {
  TempMachine machine;
  PSID sid = AdministratorsSid();
  ASSERT_NE(sid, nullptr);
  const BYTE expected[] = {1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x20, 0x02, 0, 0};
  EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + sizeof expected),
            std::vector<BYTE>(expected, expected + sizeof expected));
  EXPECT_TRUE(IsValidSid(sid));
  EXPECT_EQ(GetLengthSid(sid), 16u);
  EXPECT_EQ(FreeSid(sid), nullptr);

  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID tooLong = nullptr;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(AllocateAndInitializeSid(&nt, 9, 0, 0, 0, 0, 0, 0, 0, 0, &tooLong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(tooLong, nullptr);
}

TEST(SecurityTokens, EqualSidComparesWholeSidsAndClearsTheErrorWhenTheyDiffer) {
  TempMachine machine;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = AdministratorsSid();
  PSID again = AdministratorsSid();
  PSID users = nullptr;
  PSID builtin = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0,
                                       0, &users));
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_BUILTIN_DOMAIN_RID, 0, 0, 0, 0, 0, 0, 0, &builtin));

  EXPECT_TRUE(EqualSid(admins, again));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EqualSid(admins, users));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EqualSid(admins, builtin));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  BYTE notASid[16] = {7, 2};
  SetLastError(kErrorMarker);
  EXPECT_FALSE(EqualSid(admins, notASid));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SID));

  FreeSid(admins);
  FreeSid(again);
  FreeSid(users);
  FreeSid(builtin);
}

TEST(SecurityTokens, TokenGroupsAreSizedByAFirstCallAndPointIntoTheCallersBuffer) {
  TempMachine machine;
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));

  DWORD needed = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  // Five groups: the array (8 + 5 x 16) and Everyone (12), Administrators, Users (16 each),
  // INTERACTIVE and Authenticated Users (12 each).
  EXPECT_EQ(needed, 8u + 5u * 16u + 12u + 16u + 16u + 12u + 12u);

  std::vector<BYTE> buffer(needed);
  DWORD shortBy = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, buffer.data(), needed - 1, &shortBy));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(shortBy, needed);

  DWORD written = 0;
  SetLastError(kErrorMarker);
  ASSERT_TRUE(GetTokenInformation(token, TokenGroups, buffer.data(), needed, &written));
  EXPECT_EQ(GetLastError(), kErrorMarker);
  EXPECT_EQ(written, needed);
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  ASSERT_EQ(groups->GroupCount, 5u);
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    const BYTE* sid = static_cast<const BYTE*>(groups->Groups[i].Sid);
    EXPECT_GE(sid, buffer.data() + 8 + 5 * 16);
    EXPECT_LE(sid + GetLengthSid(groups->Groups[i].Sid), buffer.data() + buffer.size());
  }
  // The default user is an elevated administrator.
  EXPECT_EQ(AdministratorsAttributes(), 0xF);

  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, buffer.data(), needed, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(CloseHandle(token));

  HANDLE noQuery = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, &noQuery));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetTokenInformation(noQuery, TokenGroups, buffer.data(), needed, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(noQuery));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(GetTokenInformation(token, TokenGroups, buffer.data(), needed, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(SecurityTokens, OnlyTheCallingProcessTokenOpens) {
  TempMachine machine;
  HANDLE token = nullptr;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(0x7777)), TOKEN_QUERY, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
}

// Presence and attributes of the Administrators group → what the token reports and whether
// CheckTokenMembership counts the user as a member.
TEST(SecurityTokens, MembershipNeedsTheGroupPresentEnabledAndNotDenyOnly) {
  struct Case {
    bool present;
    DWORD attributes;
    long long reported;
    BOOL member;
  } const cases[] = {
      {true, 0xF, 0xF, TRUE},
      {true, SE_GROUP_ENABLED, SE_GROUP_ENABLED, TRUE},
      {true, SE_GROUP_USE_FOR_DENY_ONLY, SE_GROUP_USE_FOR_DENY_ONLY, FALSE},
      {true, SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY, SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY, FALSE},
      {true, SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT, 0x3, FALSE},
      {true, 0, 0, FALSE},
      {false, 0xF, -1, FALSE},
  };
  TempMachine machine;
  PSID admins = AdministratorsSid();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "present " << c.present << " attributes " << c.attributes);
    PlatformTest_SetAdministratorsGroup(c.present ? TRUE : FALSE, c.attributes, FALSE);
    EXPECT_EQ(AdministratorsAttributes(), c.reported);
    BOOL member = 2;
    SetLastError(kErrorMarker);
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
    EXPECT_EQ(GetLastError(), kErrorMarker);
    EXPECT_EQ(member, c.member);
  }
  // Set machine-wide, the other programs of the machine see the same user.
  PlatformTest_ClearProcessControls();
  PlatformTest_SetAdministratorsGroup(TRUE, SE_GROUP_USE_FOR_DENY_ONLY, TRUE);
  BOOL member = TRUE;
  ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
  EXPECT_FALSE(member);
  PlatformTest_SetControl("AdministratorsGroup", nullptr, TRUE);
  ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
  EXPECT_TRUE(member);
  FreeSid(admins);
}

TEST(SecurityTokens, CheckTokenMembershipRefusesAPrimaryTokenAndBadArguments) {
  TempMachine machine;
  PSID admins = AdministratorsSid();
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  BOOL member = 2;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CheckTokenMembership(token, admins, &member));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_IMPERSONATION_TOKEN));
  EXPECT_EQ(member, 2);
  CloseHandle(token);

  BYTE notASid[16] = {0};
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CheckTokenMembership(nullptr, notASid, &member));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SID));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CheckTokenMembership(nullptr, admins, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
  FreeSid(admins);
}

}  // namespace
