// Menus: menu objects of the calling process (created, loaded from a module's RT_MENU
// resources, changed and destroyed), the windows' system menus, and pop-up menus tracked
// without a person: the choice comes from the machine's menu script (test controls).
#pragma once

#include <win/base.h>
#include <win/user.h>

#ifndef ERROR_MENU_ITEM_NOT_FOUND
#define ERROR_MENU_ITEM_NOT_FOUND 1456L
#endif

// ---- Item flags (MF_ for the classic calls, MFT_/MFS_ for MENUITEMINFOW) -----------------------
#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_USECHECKBITMAPS 0x00000200L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define MF_DEFAULT 0x00001000L
#define MF_SYSMENU 0x00002000L
#define MF_HELP 0x00004000L
#define MF_RIGHTJUSTIFY 0x00004000L

#define MFT_STRING MF_STRING
#define MFT_BITMAP MF_BITMAP
#define MFT_MENUBARBREAK MF_MENUBARBREAK
#define MFT_MENUBREAK MF_MENUBREAK
#define MFT_OWNERDRAW MF_OWNERDRAW
#define MFT_RADIOCHECK 0x00000200L
#define MFT_SEPARATOR MF_SEPARATOR
#define MFT_RIGHTORDER 0x00002000L
#define MFT_RIGHTJUSTIFY MF_RIGHTJUSTIFY
#define MFS_GRAYED 0x00000003L
#define MFS_DISABLED MFS_GRAYED
#define MFS_CHECKED MF_CHECKED
#define MFS_HILITE MF_HILITE
#define MFS_ENABLED MF_ENABLED
#define MFS_UNCHECKED MF_UNCHECKED
#define MFS_UNHILITE MF_UNHILITE
#define MFS_DEFAULT MF_DEFAULT

#define MIIM_STATE 0x00000001
#define MIIM_ID 0x00000002
#define MIIM_SUBMENU 0x00000004
#define MIIM_CHECKMARKS 0x00000008
#define MIIM_TYPE 0x00000010
#define MIIM_DATA 0x00000020
#define MIIM_STRING 0x00000040
#define MIIM_BITMAP 0x00000080
#define MIIM_FTYPE 0x00000100

// GetMenuDefaultItem.
#define GMDI_USEDISABLED 0x0001L
#define GMDI_GOINTOPOPUPS 0x0002L

// TrackPopupMenu(Ex).
#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_HORIZONTAL 0x0000L
#define TPM_VERTICAL 0x0040L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L
#define TPM_RECURSE 0x0001L

// System commands beyond user.h's.
#ifndef SC_SIZE
#define SC_SIZE 0xF000
#endif
#ifndef SC_MOVE
#define SC_MOVE 0xF010
#endif
#ifndef SC_MAXIMIZE
#define SC_MAXIMIZE 0xF030
#endif

// Menu messages (guarded: other areas name some of them too).
#ifndef WM_CONTEXTMENU
#define WM_CONTEXTMENU 0x007B
#endif
#ifndef WM_INITMENU
#define WM_INITMENU 0x0116
#endif
#ifndef WM_INITMENUPOPUP
#define WM_INITMENUPOPUP 0x0117
#endif
#ifndef WM_MENUSELECT
#define WM_MENUSELECT 0x011F
#endif
#ifndef WM_UNINITMENUPOPUP
#define WM_UNINITMENUPOPUP 0x0125
#endif
#ifndef WM_ENTERMENULOOP
#define WM_ENTERMENULOOP 0x0211
#endif
#ifndef WM_EXITMENULOOP
#define WM_EXITMENULOOP 0x0212
#endif

typedef struct tagMENUITEMINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPWSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
} MENUITEMINFOW, *LPMENUITEMINFOW;
typedef const MENUITEMINFOW* LPCMENUITEMINFOW;

typedef struct tagTPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
} TPMPARAMS, *LPTPMPARAMS;

static_assert(sizeof(MENUITEMINFOW) == 80 && offsetof(MENUITEMINFOW, wID) == 16 &&
              offsetof(MENUITEMINFOW, hSubMenu) == 24 && offsetof(MENUITEMINFOW, dwItemData) == 48 &&
              offsetof(MENUITEMINFOW, dwTypeData) == 56 && offsetof(MENUITEMINFOW, cch) == 64 &&
              offsetof(MENUITEMINFOW, hbmpItem) == 72);
static_assert(sizeof(TPMPARAMS) == 20);

#ifdef __cplusplus
extern "C" {
#endif

// ---- Menu objects ----------------------------------------------------------------------------
// A menu and each of its submenus is one USER object of the calling process until destroyed;
// handles are never reused, and a destroyed one fails with ERROR_INVALID_MENU_HANDLE.
WINBASEAPI HMENU WINAPI CreateMenu(void);
WINBASEAPI HMENU WINAPI CreatePopupMenu(void);
// Destroys the menu with its submenus.
WINBASEAPI BOOL WINAPI DestroyMenu(HMENU hMenu);
WINBASEAPI BOOL WINAPI IsMenu(HMENU hMenu);
// A menu bar with a pop-up submenu per POPUP of an RT_MENU resource (MENU or MENUEX) of a
// module loaded as code or data; the errors of FindResourceW, ERROR_INVALID_DATA for a
// malformed resource.
WINBASEAPI HMENU WINAPI LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName);
// The submenu opened by the item at nPos; NULL when it opens none.
WINBASEAPI HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos);
WINBASEAPI int WINAPI GetMenuItemCount(HMENU hMenu);
// The command id of the item at nPos; -1 for an item that opens a submenu or a bad position.
WINBASEAPI UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos);

// ---- Items -----------------------------------------------------------------------------------------
// uFlags MF_BYCOMMAND (the default; submenus are searched too) or MF_BYPOSITION.
// The MF_ state and type flags; for an item opening a submenu the high byte holds the
// submenu's item count. -1 for no such item.
WINBASEAPI UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
// Copies the text (at most cchMax - 1 characters, terminated) and returns its length; with a
// NULL lpString the length only. 0 for no such item.
WINBASEAPI int WINAPI GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags);
// MF_ENABLED, MF_GRAYED or MF_DISABLED; the previous one, or -1 for no such item.
WINBASEAPI BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
// MF_CHECKED or MF_UNCHECKED; the previous one, or -1 for no such item.
WINBASEAPI DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
// uIDNewItem is the item's command id, or with MF_POPUP the submenu's handle (the menu then
// owns it). MF_STRING items take lpNewItem's text.
WINBASEAPI BOOL WINAPI AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
// Before the item uPosition names; at the end when it names none.
WINBASEAPI BOOL WINAPI InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
// Replaces the item; a submenu the old item opened is destroyed.
WINBASEAPI BOOL WINAPI ModifyMenuW(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
// Removes the item and destroys the submenu it opens.
WINBASEAPI BOOL WINAPI DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
// Removes the item and leaves the submenu it opens to the caller.
WINBASEAPI BOOL WINAPI RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
// cbSize must be sizeof(MENUITEMINFOW) (ERROR_INVALID_PARAMETER). MIIM_STRING/MIIM_TYPE copy
// at most cch - 1 characters and set cch to the text's length.
WINBASEAPI BOOL WINAPI GetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPosition, LPMENUITEMINFOW lpmii);
WINBASEAPI BOOL WINAPI SetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPositon, LPCMENUITEMINFOW lpmii);
WINBASEAPI BOOL WINAPI InsertMenuItemW(HMENU hmenu, UINT item, BOOL fByPosition, LPCMENUITEMINFOW lpmi);
// One default item per menu; uItem (UINT)-1 clears it.
WINBASEAPI BOOL WINAPI SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos);
// The default item's id (or position); (UINT)-1 when there is none, or when it is disabled and
// GMDI_USEDISABLED is not given. GMDI_GOINTOPOPUPS follows a default item opening a submenu.
WINBASEAPI UINT WINAPI GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT gmdiFlags);

// ---- System menus ----------------------------------------------------------------------------------
// The window's own copy of the system menu (Restore, Move, Size, Minimize, Maximize, a
// separator and Close, with SC_ ids), made at the first call and kept until the window goes;
// bRevert TRUE drops the copy and returns NULL. Windows of this process only.
// While the copy's SC_CLOSE is greyed or disabled, DefWindowProcW ignores WM_SYSCOMMAND
// SC_CLOSE, which is how the user closes a window (the caption's button, Alt+F4): the user
// cannot close it, while a WM_CLOSE sent or posted by a program still arrives.
WINBASEAPI HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert);
// Nothing to redraw in the stand-in; FALSE for a bad window.
WINBASEAPI BOOL WINAPI DrawMenuBar(HWND hWnd);

// ---- Pop-up menus ------------------------------------------------------------------------------------
// Shows the menu at (x, y) in the platform's own modal loop (the thread's window messages are
// dispatched, its thread messages lost) and takes the user's choice from the machine's menu
// script; unscripted, the menu is cancelled. Each menu is recorded in the machine's call log
// ("event":"menu", with its items, the flags and the choice). Unless TPM_NONOTIFY, the owner
// gets WM_ENTERMENULOOP, WM_INITMENUPOPUP and WM_EXITMENULOOP. A greyed, disabled or missing
// item cannot be chosen: the menu is cancelled.
// With TPM_RETURNCMD the result is the chosen command id (0 when cancelled) and nothing is
// posted; otherwise the result is TRUE and the choice is posted to the owner as WM_COMMAND
// (WM_SYSCOMMAND for a system menu), so it arrives after the call returns.
WINBASEAPI BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd,
                                      const RECT* prcRect);
// As TrackPopupMenu; lptpm may be NULL, else its cbSize must be sizeof(TPMPARAMS).
WINBASEAPI BOOL WINAPI TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hwnd, LPTPMPARAMS lptpm);

#ifdef __cplusplus
}
#endif
