// Common controls and property-sheet pages: InitCommonControlsEx and the page record a
// driver hands the common property-sheet host (PROPSHEETPAGEW, its flags and page
// callbacks). x64 layouts.
#pragma once

#include <win/base.h>

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// ---- Common controls ------------------------------------------------------------------------
typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_LINK_CLASS 0x00008000

// TRUE when the record has its size; the classes are always registered in the stand-in.
WINBASEAPI BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

// ---- Property-sheet pages ------------------------------------------------------------------
struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEW* ppsp);

typedef struct _PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCWSTR pszTemplate;
    const void* pResource;
  };
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
  LPCWSTR pszHeaderTitle;
  LPCWSTR pszHeaderSubTitle;
  HANDLE hActCtx;
  union {
    HBITMAP hbmHeader;
    LPCWSTR pszbmHeader;
  };
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;

static_assert(sizeof(PROPSHEETPAGEW) == 104);
static_assert(offsetof(PROPSHEETPAGEW, hInstance) == 8 && offsetof(PROPSHEETPAGEW, pszTemplate) == 16);
static_assert(offsetof(PROPSHEETPAGEW, pszTitle) == 32 && offsetof(PROPSHEETPAGEW, pfnDlgProc) == 40);
static_assert(offsetof(PROPSHEETPAGEW, lParam) == 48 && offsetof(PROPSHEETPAGEW, pfnCallback) == 56);
static_assert(offsetof(PROPSHEETPAGEW, hActCtx) == 88 && offsetof(PROPSHEETPAGEW, hbmHeader) == 96);

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_RTLREADING 0x00000010
#define PSP_HASHELP 0x00000020
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSP_PREMATURE 0x00000400
#define PSP_HIDEHEADER 0x00000800
#define PSP_USEHEADERTITLE 0x00001000
#define PSP_USEHEADERSUBTITLE 0x00002000
#define PSP_USEFUSIONCONTEXT 0x00004000

// Page callback messages (pfnCallback with PSP_USECALLBACK).
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

// ---- Common control classes and their notifications ------------------------------------------
#include <win/dialogs.h>

#define UPDOWN_CLASSW u"msctls_updown32"
#define PROGRESS_CLASSW u"msctls_progress32"
#define TOOLTIPS_CLASSW u"tooltips_class32"
#define WC_LISTVIEWW u"SysListView32"

#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RCLICK (NM_FIRST - 5)
#define CCM_FIRST 0x2000
#define CCM_SETBKCOLOR (CCM_FIRST + 1)
#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

// Up-down. The up arrow moves toward the maximum; the default range is minimum 100, maximum 0.
// UDN_DELTAPOS proposes the change; a non-zero answer cancels it, else WM_VSCROLL (WM_HSCROLL
// with UDS_HORZ) follows with SB_THUMBPOSITION and the new position.
typedef struct _UDACCEL {
  UINT nSec;
  UINT nInc;
} UDACCEL, *LPUDACCEL;
typedef struct _NM_UPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
} NMUPDOWN, *LPNMUPDOWN;
static_assert(sizeof(UDACCEL) == 8 && sizeof(NMUPDOWN) == 32 && offsetof(NMUPDOWN, iPos) == 24 &&
              offsetof(NMUPDOWN, iDelta) == 28);
#define UD_MAXVAL 0x7fff
#define UD_MINVAL (-UD_MAXVAL)
#define UDS_WRAP 0x0001
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ALIGNLEFT 0x0008
#define UDS_AUTOBUDDY 0x0010
#define UDS_ARROWKEYS 0x0020
#define UDS_HORZ 0x0040
#define UDS_NOTHOUSANDS 0x0080
#define UDM_SETRANGE (WM_USER + 101)
#define UDM_GETRANGE (WM_USER + 102)
#define UDM_SETPOS (WM_USER + 103)
#define UDM_GETPOS (WM_USER + 104)
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETACCEL (WM_USER + 107)
#define UDM_GETACCEL (WM_USER + 108)
#define UDM_SETBASE (WM_USER + 109)
#define UDM_GETBASE (WM_USER + 110)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)
#define UDN_FIRST (0U - 721)
#define UDN_DELTAPOS (UDN_FIRST - 1)

// Progress bar: range 0 to 100 unless set; PBM_SETPOS clamps into the range and returns the
// previous position.
typedef struct {
  int iLow;
  int iHigh;
} PBRANGE, *PPBRANGE;
#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)
#define PBM_SETBARCOLOR (WM_USER + 9)
#define PBM_SETBKCOLOR CCM_SETBKCOLOR

// Tooltips. Hovering a tool whose text is LPSTR_TEXTCALLBACKW sends TTN_GETDISPINFOW to the
// tool's window; the tip shows the text it answers (the tooltip's window text).
typedef struct tagTOOLINFOW {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPWSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
} TTTOOLINFOW, *LPTTTOOLINFOW, TOOLINFOW, *LPTOOLINFOW;
typedef struct tagNMTTDISPINFOW {
  NMHDR hdr;
  LPWSTR lpszText;
  WCHAR szText[80];
  HINSTANCE hinst;
  int uFlags;
  LPARAM lParam;
} NMTTDISPINFOW, *LPNMTTDISPINFOW;
static_assert(sizeof(TOOLINFOW) == 72 && offsetof(TOOLINFOW, uId) == 16 && offsetof(TOOLINFOW, rect) == 24 &&
              offsetof(TOOLINFOW, lpszText) == 48 && offsetof(TOOLINFOW, lParam) == 56);
static_assert(sizeof(NMTTDISPINFOW) == 216 && offsetof(NMTTDISPINFOW, szText) == 32 &&
              offsetof(NMTTDISPINFOW, hinst) == 192 && offsetof(NMTTDISPINFOW, uFlags) == 200);
#define LPSTR_TEXTCALLBACKW ((LPWSTR)-1L)
#define TTS_ALWAYSTIP 0x01
#define TTS_NOPREFIX 0x02
#define TTS_BALLOON 0x40
#define TTF_IDISHWND 0x0001
#define TTF_CENTERTIP 0x0002
#define TTF_RTLREADING 0x0004
#define TTF_SUBCLASS 0x0010
#define TTF_TRACK 0x0020
#define TTF_ABSOLUTE 0x0080
#define TTF_TRANSPARENT 0x0100
#define TTM_ACTIVATE (WM_USER + 1)
#define TTM_SETDELAYTIME (WM_USER + 3)
#define TTM_RELAYEVENT (WM_USER + 7)
#define TTM_GETTOOLCOUNT (WM_USER + 13)
#define TTM_TRACKACTIVATE (WM_USER + 17)
#define TTM_TRACKPOSITION (WM_USER + 18)
#define TTM_SETTIPBKCOLOR (WM_USER + 19)
#define TTM_SETTIPTEXTCOLOR (WM_USER + 20)
#define TTM_GETDELAYTIME (WM_USER + 21)
#define TTM_GETTIPBKCOLOR (WM_USER + 22)
#define TTM_GETTIPTEXTCOLOR (WM_USER + 23)
#define TTM_SETMAXTIPWIDTH (WM_USER + 24)
#define TTM_GETMAXTIPWIDTH (WM_USER + 25)
#define TTM_POP (WM_USER + 28)
#define TTM_UPDATE (WM_USER + 29)
#define TTM_POPUP (WM_USER + 34)
#define TTM_ADDTOOLW (WM_USER + 50)
#define TTM_DELTOOLW (WM_USER + 51)
#define TTM_NEWTOOLRECTW (WM_USER + 52)
#define TTM_GETTOOLINFOW (WM_USER + 53)
#define TTM_SETTOOLINFOW (WM_USER + 54)
#define TTM_GETTEXTW (WM_USER + 56)
#define TTM_UPDATETIPTEXTW (WM_USER + 57)
#define TTN_FIRST (0U - 520U)
#define TTN_SHOW (TTN_FIRST - 1)
#define TTN_POP (TTN_FIRST - 2)
#define TTN_GETDISPINFOW (TTN_FIRST - 10)

// List view (report view): columns, items with data and sub-items, LVM_FINDITEMW (whole string,
// ignoring case), rectangles, hit tests, item state and owner-drawn rows.
typedef struct tagLVITEMW {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
  int iGroupId;
  UINT cColumns;
  UINT* puColumns;
  int* piColFmt;
  int iGroup;
} LVITEMW, *LPLVITEMW;
typedef struct tagLVCOLUMNW {
  UINT mask;
  int fmt;
  int cx;
  LPWSTR pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
  int cxMin;
  int cxDefault;
  int cxIdeal;
} LVCOLUMNW, *LPLVCOLUMNW;
typedef struct tagLVFINDINFOW {
  UINT flags;
  LPCWSTR psz;
  LPARAM lParam;
  POINT pt;
  UINT vkDirection;
} LVFINDINFOW, *LPFINDINFOW;
typedef struct tagLVHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
  int iSubItem;
  int iGroup;
} LVHITTESTINFO, *LPLVHITTESTINFO;
typedef struct tagNMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;
static_assert(sizeof(LVITEMW) == 88 && offsetof(LVITEMW, pszText) == 24 && offsetof(LVITEMW, lParam) == 40);
static_assert(sizeof(LVCOLUMNW) == 56 && offsetof(LVCOLUMNW, pszText) == 16 && offsetof(LVCOLUMNW, iSubItem) == 28);
static_assert(sizeof(LVFINDINFOW) == 40 && offsetof(LVFINDINFOW, pt) == 24);
static_assert(sizeof(LVHITTESTINFO) == 24 && sizeof(NMLISTVIEW) == 64 && offsetof(NMLISTVIEW, lParam) == 56);
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_OWNERDRAWFIXED 0x0400
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_FULLROWSELECT 0x00000020
#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVFI_PARAM 0x0001
#define LVFI_STRING 0x0002
#define LVFI_PARTIAL 0x0008
#define LVFI_WRAP 0x0020
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000
#define LVHT_NOWHERE 0x0001
#define LVHT_ONITEMLABEL 0x0004
#define LVHT_ONITEM 0x000E
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define ODT_LISTVIEW 102
#define LVM_FIRST 0x1000
#define LVM_SETBKCOLOR (LVM_FIRST + 1)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSUBITEMRECT (LVM_FIRST + 56)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)

// ---- Property sheets ---------------------------------------------------------------------------
// A page is created on its first visit (PSPCB_CREATE, then WM_INITDIALOG with the sheet's copy of
// its PROPSHEETPAGEW, then PSN_SETACTIVE); leaving it sends PSN_KILLACTIVE, and a non-zero
// DWLP_MSGRESULT keeps it. OK and Apply: PSN_KILLACTIVE to the current page, then PSN_APPLY
// (lParam TRUE for OK) to each created page in order until one answers PSNRET_INVALID. Cancel:
// PSN_QUERYCANCEL (non-zero vetoes), then PSN_RESET to each created page. At the end the page
// dialogs are destroyed and every page gets PSPCB_RELEASE with no window.
struct _PROPSHEETHEADERW;
typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);
typedef struct _PROPSHEETHEADERW {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszCaption;
  UINT nPages;
  union {
    UINT nStartPage;
    LPCWSTR pStartPage;
  };
  union {
    LPCPROPSHEETPAGEW ppsp;
    HPROPSHEETPAGE* phpage;
  };
  PFNPROPSHEETCALLBACK pfnCallback;
  union {
    HBITMAP hbmWatermark;
    LPCWSTR pszbmWatermark;
  };
  HPALETTE hplWatermark;
  union {
    HBITMAP hbmHeader;
    LPCWSTR pszbmHeader;
  };
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
typedef const PROPSHEETHEADERW* LPCPROPSHEETHEADERW;
typedef struct _PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;
static_assert(sizeof(PROPSHEETHEADERW) == 96 && offsetof(PROPSHEETHEADERW, pszCaption) == 32 &&
              offsetof(PROPSHEETHEADERW, nPages) == 40 && offsetof(PROPSHEETHEADERW, ppsp) == 56 &&
              offsetof(PROPSHEETHEADERW, pfnCallback) == 64);
static_assert(sizeof(PSHNOTIFY) == 32 && offsetof(PSHNOTIFY, lParam) == 24);
#define PROPSHEETHEADERW_V1_SIZE offsetof(PROPSHEETHEADERW, hbmWatermark)
#define MAXPROPPAGES 100

#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_WIZARD 0x00000020
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USECALLBACK 0x00000100
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSH_RTLREADING 0x00000800
#define PSH_NOCONTEXTHELP 0x02000000

#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_WIZBACK (PSN_FIRST - 6)
#define PSN_WIZNEXT (PSN_FIRST - 7)
#define PSN_WIZFINISH (PSN_FIRST - 8)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_REMOVEPAGE (WM_USER + 102)
#define PSM_ADDPAGE (WM_USER + 103)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_RESTARTWINDOWS (WM_USER + 105)
#define PSM_REBOOTSYSTEM (WM_USER + 106)
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEW (WM_USER + 120)
#define PSM_SETWIZBUTTONS (WM_USER + 112)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETTABCONTROL (WM_USER + 116)
#define PSM_ISDIALOGMESSAGE (WM_USER + 117)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSM_INDEXTOPAGE (WM_USER + 131)
#define PSM_PAGETOINDEX (WM_USER + 130)
#define PSBTN_BACK 0
#define PSBTN_NEXT 1
#define PSBTN_FINISH 2
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6
#define ID_PSRESTARTWINDOWS 0x2
#define ID_PSREBOOTSYSTEM (ID_PSRESTARTWINDOWS | 0x1)
#define IDHELP 9
#define ID_APPLY_NOW 0x3021

// The page's own copy of the record (dwSize bytes), ADDREF to its callback; NULL for a record
// that is too small or too large.
WINBASEAPI HPROPSHEETPAGE WINAPI CreatePropertySheetPageW(LPCPROPSHEETPAGEW constPropSheetPagePointer);
// PSPCB_RELEASE to the page's callback, then the page is gone.
WINBASEAPI BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPage);
// Modal: > 0 after OK (ID_PSREBOOTSYSTEM or ID_PSRESTARTWINDOWS when a page asked), 0 after
// Cancel, -1 on failure. Modeless (PSH_MODELESS): the sheet's window.
WINBASEAPI INT_PTR WINAPI PropertySheetW(LPCPROPSHEETHEADERW lppsph);
