// Security identifiers and access tokens: enough of them for a program to learn whether its user
// is an administrator, as the documented helpers do (OpenProcessToken + GetTokenInformation, or
// CheckTokenMembership).
//
// The machine has one user, so every token of it holds the same groups: Everyone, the
// Administrators group (present, enabled and owner by default; the test controls make it absent
// or filtered), Users, INTERACTIVE and Authenticated Users. Tokens are read-only snapshots taken
// when they are opened.
#pragma once

#include <win/base.h>

#ifndef ANYSIZE_ARRAY
#define ANYSIZE_ARRAY 1
#endif

typedef PVOID PSID;

typedef struct _SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

// The binary SID: a revision, the count of sub-authorities, the 48-bit authority (big-endian) and
// the sub-authorities (each 32 bits, little-endian as stored in memory).
typedef struct _SID {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[ANYSIZE_ARRAY];
} SID;

typedef struct _SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
} SID_AND_ATTRIBUTES, *PSID_AND_ATTRIBUTES;

typedef struct _TOKEN_GROUPS {
  DWORD GroupCount;
  SID_AND_ATTRIBUTES Groups[ANYSIZE_ARRAY];
} TOKEN_GROUPS, *PTOKEN_GROUPS;

static_assert(sizeof(SID_IDENTIFIER_AUTHORITY) == 6);
static_assert(sizeof(SID) == 12 && offsetof(SID, SubAuthority) == 8);
static_assert(sizeof(SID_AND_ATTRIBUTES) == 16 && offsetof(SID_AND_ATTRIBUTES, Attributes) == 8);
static_assert(sizeof(TOKEN_GROUPS) == 24 && offsetof(TOKEN_GROUPS, Groups) == 8);

#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_MAX_SID_SIZE 68

#define SECURITY_NULL_SID_AUTHORITY {{0, 0, 0, 0, 0, 0}}
#define SECURITY_WORLD_SID_AUTHORITY {{0, 0, 0, 0, 0, 1}}
#define SECURITY_NT_AUTHORITY {{0, 0, 0, 0, 0, 5}}

#define SECURITY_WORLD_RID 0x00000000L
#define SECURITY_INTERACTIVE_RID 0x00000004L
#define SECURITY_AUTHENTICATED_USER_RID 0x0000000BL
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020L
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220L
#define DOMAIN_ALIAS_RID_USERS 0x00000221L

// Group attributes (SID_AND_ATTRIBUTES.Attributes of a token's groups).
#define SE_GROUP_MANDATORY 0x00000001L
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002L
#define SE_GROUP_ENABLED 0x00000004L
#define SE_GROUP_OWNER 0x00000008L
#define SE_GROUP_USE_FOR_DENY_ONLY 0x00000010L

// Token access rights.
#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_READ 0x00020008L
#define TOKEN_ALL_ACCESS 0x000F01FFL

typedef enum _TOKEN_INFORMATION_CLASS {
  TokenUser = 1,
  TokenGroups,
  TokenPrivileges,
  TokenOwner,
  TokenPrimaryGroup,
  TokenDefaultDacl,
  TokenSource,
  TokenType,
  TokenImpersonationLevel,
  TokenStatistics,
} TOKEN_INFORMATION_CLASS;

#define ERROR_NO_IMPERSONATION_TOKEN 1309L
#define ERROR_INVALID_SID 1337L

// The calling process's own token only: another process's handle is refused with
// ERROR_ACCESS_DENIED. The handle is closed with CloseHandle.
WINBASEAPI BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
// Only TokenGroups is answered (other classes: ERROR_INVALID_PARAMETER). The groups' SIDs follow
// the array inside the caller's buffer; a buffer too small gives ERROR_INSUFFICIENT_BUFFER with
// the needed size in *ReturnLength. The token needs TOKEN_QUERY.
WINBASEAPI BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                           LPVOID TokenInformation, DWORD TokenInformationLength,
                                           PDWORD ReturnLength);
// At most 8 sub-authorities (else ERROR_INVALID_PARAMETER); the SID is freed with FreeSid.
WINBASEAPI BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority,
                                                BYTE nSubAuthorityCount, DWORD nSubAuthority0,
                                                DWORD nSubAuthority1, DWORD nSubAuthority2,
                                                DWORD nSubAuthority3, DWORD nSubAuthority4,
                                                DWORD nSubAuthority5, DWORD nSubAuthority6,
                                                DWORD nSubAuthority7, PSID* pSid);
// NULL on success.
WINBASEAPI PVOID WINAPI FreeSid(PSID pSid);
WINBASEAPI BOOL WINAPI IsValidSid(PSID pSid);
WINBASEAPI DWORD WINAPI GetLengthSid(PSID pSid);
// Both SIDs must be valid (else FALSE with ERROR_INVALID_SID); unequal SIDs give FALSE with
// ERROR_SUCCESS.
WINBASEAPI BOOL WINAPI EqualSid(PSID pSid1, PSID pSid2);
// TokenHandle NULL: the calling thread's token. A handle from OpenProcessToken is a primary token
// and is refused (ERROR_NO_IMPERSONATION_TOKEN), as on Windows. *IsMember is TRUE only for a group
// that is present, SE_GROUP_ENABLED and not SE_GROUP_USE_FOR_DENY_ONLY.
WINBASEAPI BOOL WINAPI CheckTokenMembership(HANDLE TokenHandle, PSID SidToCheck, PBOOL IsMember);
