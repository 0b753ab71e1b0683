// Shell services of the stand-in: the special folders of the machine (SHGetFolderPathW).
#pragma once

#include <win/base.h>

#define CSIDL_PROGRAMS 0x0002
#define CSIDL_PERSONAL 0x0005
#define CSIDL_FONTS 0x0014
#define CSIDL_COMMON_STARTMENU 0x0016
#define CSIDL_COMMON_PROGRAMS 0x0017
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_WINDOWS 0x0024
#define CSIDL_SYSTEM 0x0025
#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_PROFILE 0x0028
#define CSIDL_PROGRAM_FILESX86 0x002a
#define CSIDL_PROGRAM_FILES_COMMON 0x002b
#define CSIDL_COMMON_DOCUMENTS 0x002e
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_DONT_VERIFY 0x4000
#define CSIDL_FLAG_MASK 0xFF00

#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

// pszPath receives the folder's path (MAX_PATH characters, no trailing backslash). S_OK when the
// folder exists (CSIDL_FLAG_CREATE makes it first), E_FAIL when it does not, E_INVALIDARG for a
// CSIDL the machine does not have (virtual folders among them).
WINBASEAPI HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);

// ---- Starting programs and opening targets (ShellExecuteW) ----------------------------------------
#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400
#define SEE_MASK_NOASYNC 0x00000100

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31
#define ERROR_NO_ASSOCIATION 1155L

typedef struct _SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  union {
    HANDLE hIcon;
    HANDLE hMonitor;
  } DUMMYUNIONNAME;
  HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;

static_assert(sizeof(SHELLEXECUTEINFOW) == 112 && offsetof(SHELLEXECUTEINFOW, hwnd) == 8 &&
              offsetof(SHELLEXECUTEINFOW, lpFile) == 24 && offsetof(SHELLEXECUTEINFOW, nShow) == 48 &&
              offsetof(SHELLEXECUTEINFOW, hInstApp) == 56 && offsetof(SHELLEXECUTEINFOW, dwHotKey) == 88 &&
              offsetof(SHELLEXECUTEINFOW, hProcess) == 104);

// Starts a program of the machine with the command line "PATH" PARAMS, so that the child's
// WinMain command line is PARAMS exactly; lpDirectory becomes the child's folder (the caller's
// stays as it is) and nShow its start's show command. A URL is recorded in the machine's call
// log and answered as opened. The result is above 32 on success; SE_ERR_FNF (2) for a missing
// file, SE_ERR_PNF (3) for a missing folder, SE_ERR_NOASSOC (31) for a file that is no program.
WINBASEAPI HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                          LPCWSTR lpDirectory, INT nShowCmd);
WINBASEAPI HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd);
// As ShellExecuteW; SEE_MASK_NOCLOSEPROCESS returns the started process's handle in hProcess.
// FALSE with the error (hInstApp holding the SE_ERR_ code).
WINBASEAPI BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo);
