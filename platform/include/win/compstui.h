// The common property-sheet host's interface to a driver's sheet entry points
// (DrvDocumentPropertySheets, DrvDevicePropertySheets): the call record, the title header,
// the result record and the host's callback. x64 layouts.
#pragma once

#include <win/base.h>

typedef LONG_PTR(CALLBACK* PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2);

typedef struct _PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;
  ULONG_PTR UserData;
  ULONG_PTR Result;
} PROPSHEETUI_INFO, *PPROPSHEETUI_INFO;

typedef struct _PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  union {
    HICON hIcon;
    ULONG_PTR IconID;
  };
} PROPSHEETUI_INFO_HEADER, *PPROPSHEETUI_INFO_HEADER;

typedef struct _SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
} SETRESULT_INFO, *PSETRESULT_INFO;

static_assert(sizeof(PROPSHEETUI_INFO) == 48);
static_assert(offsetof(PROPSHEETUI_INFO, Reason) == 6 && offsetof(PROPSHEETUI_INFO, hComPropSheet) == 8);
static_assert(offsetof(PROPSHEETUI_INFO, lParamInit) == 24 && offsetof(PROPSHEETUI_INFO, Result) == 40);
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40 && offsetof(PROPSHEETUI_INFO_HEADER, IconID) == 32);
static_assert(sizeof(SETRESULT_INFO) == 24 && offsetof(SETRESULT_INFO, Result) == 16);

#define PROPSHEETUI_INFO_VERSION 0x0100

#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define PROPSHEETUI_REASON_GET_ICON 4
#define PROPSHEETUI_REASON_BEFORE_INIT 5

#define PSUIHDRF_OBSOLETE 0x0001
#define PSUIHDRF_NOAPPLYNOW 0x0002
#define PSUIHDRF_PROPTITLE 0x0004
#define PSUIHDRF_USEHICON 0x0008
#define PSUIHDRF_DEFTITLE 0x0010
#define PSUIHDRF_EXACT_PTITLE 0x0020

#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_ADD_PROPSHEETPAGEW 1
#define CPSFUNC_ADD_PCOMPROPSHEETUIA 2
#define CPSFUNC_ADD_PCOMPROPSHEETUIW 3
#define CPSFUNC_ADD_PFNPROPSHEETUIA 4
#define CPSFUNC_ADD_PFNPROPSHEETUIW 5
#define CPSFUNC_DELETE_HCOMPROPSHEET 6
#define CPSFUNC_SET_HSTARTPAGE 7
#define CPSFUNC_GET_PAGECOUNT 8
#define CPSFUNC_SET_RESULT 9

#define PSUIINFO_UNICODE 0x0001

// A caller's sheet function: called with each reason, answers 1 or more on success.
typedef LONG(CALLBACK* PFNPROPSHEETUI)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);

typedef struct _PROPSHEETUI_GETICON_INFO {
  WORD cbSize;
  WORD Flags;
  WORD cxIcon;
  WORD cyIcon;
  HICON hIcon;
} PROPSHEETUI_GETICON_INFO, *PPROPSHEETUI_GETICON_INFO;
static_assert(sizeof(PROPSHEETUI_GETICON_INFO) == 16 && offsetof(PROPSHEETUI_GETICON_INFO, hIcon) == 8);

// Results of CommonPropertySheetUIW.
#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define CPSUI_RESTARTWINDOWS 2
#define CPSUI_REBOOTSYSTEM 3
#define ERR_CPSUI_GETLASTERROR (-1)
#define ERR_CPSUI_ALLOCMEM_FAILED (-2)
#define ERR_CPSUI_NO_PROPSHEETPAGE (-8)
#define ERR_CPSUI_TOO_MANY_PROPSHEETPAGES (-9)
#define ERR_CPSUI_CREATEPROPPAGE_FAILED (-10)

// The common property-sheet host: calls pfnPropSheetUI with PROPSHEETUI_REASON_INIT (lParam
// as given), GET_INFO_HEADER and GET_ICON, shows the pages the function added through
// pfnComPropSheet, gives every page with a callback PSPCB_RELEASE and finally calls
// PROPSHEETUI_REASON_DESTROY. *pResult (when given) receives the function's final Result.
WINBASEAPI LONG WINAPI CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam,
                                              LPDWORD pResult);
