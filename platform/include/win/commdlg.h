// Common dialogs: the file-open dialog and the colour dialog, answered without a person from
// the machine's dialog scripts (test controls); unscripted, the user cancels. Both are exports
// of the stand-in, so they are found directly and through LoadLibraryW("comdlg32.dll") and
// GetProcAddress alike. Each dialog is recorded in the machine's call log.
#pragma once

#include <win/base.h>

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPCCHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

// ---- The file-open dialog ----------------------------------------------------------------------
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLESIZING 0x00800000

typedef struct tagOFNW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;

// The structure's size before its last three fields, which the call accepts too.
#define OPENFILENAME_SIZE_VERSION_400W 136

static_assert(sizeof(OPENFILENAMEW) == 152 && offsetof(OPENFILENAMEW, lpstrFilter) == 24 &&
              offsetof(OPENFILENAMEW, nFilterIndex) == 44 && offsetof(OPENFILENAMEW, lpstrFile) == 48 &&
              offsetof(OPENFILENAMEW, nMaxFile) == 56 && offsetof(OPENFILENAMEW, lpstrInitialDir) == 80 &&
              offsetof(OPENFILENAMEW, Flags) == 96 && offsetof(OPENFILENAMEW, nFileOffset) == 100 &&
              offsetof(OPENFILENAMEW, lpstrDefExt) == 104 && offsetof(OPENFILENAMEW, pvReserved) == 136 &&
              offsetof(OPENFILENAMEW, FlagsEx) == 148);

// ---- The colour dialog -------------------------------------------------------------------------------
#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ENABLEHOOK 0x00000010
#define CC_ENABLETEMPLATE 0x00000020
#define CC_SOLIDCOLOR 0x00000080
#define CC_ANYCOLOR 0x00000100

typedef struct tagCHOOSECOLORW {
  DWORD lStructSize;
  HWND hwndOwner;
  HWND hInstance;
  COLORREF rgbResult;
  COLORREF* lpCustColors;
  DWORD Flags;
  LPARAM lCustData;
  LPCCHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
} CHOOSECOLORW, *LPCHOOSECOLORW;

static_assert(sizeof(CHOOSECOLORW) == 72 && offsetof(CHOOSECOLORW, rgbResult) == 24 &&
              offsetof(CHOOSECOLORW, lpCustColors) == 32 && offsetof(CHOOSECOLORW, Flags) == 40 &&
              offsetof(CHOOSECOLORW, lpTemplateName) == 64);

// ---- Errors (CommDlgExtendedError) ---------------------------------------------------------------
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

#ifdef __cplusplus
extern "C" {
#endif

// The scripted path, checked as the dialog checks what the user types: OFN_PATHMUSTEXIST
// needs its folder, OFN_FILEMUSTEXIST the file itself (a path failing its check is refused
// and the user cancels). The path goes into lpstrFile whole with nFileOffset and
// nFileExtension, its file name into lpstrFileTitle when given, and the current directory
// becomes its folder unless OFN_NOCHANGEDIR. A path that does not fit nMaxFile fails with
// FNERR_BUFFERTOOSMALL, the needed size in characters (with the terminator) in the buffer's
// first WORD. FALSE with CommDlgExtendedError() 0 when cancelled; CDERR_STRUCTSIZE for an
// lStructSize other than 152 or 136; CDERR_INITIALIZATION without a file buffer.
WINBASEAPI BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW lpofn);
// The scripted colour into rgbResult; FALSE when cancelled. lStructSize must be 72
// (CDERR_STRUCTSIZE) and lpCustColors must hold the 16 custom colours (CDERR_INITIALIZATION).
// The initial colour (CC_RGBINIT) and the custom colours are recorded.
WINBASEAPI BOOL WINAPI ChooseColorW(LPCHOOSECOLORW lpcc);
// The error of the calling thread's last common dialog; 0 after success or a cancel.
WINBASEAPI DWORD WINAPI CommDlgExtendedError(void);

#ifdef __cplusplus
}
#endif
