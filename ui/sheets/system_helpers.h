// The pages' dealings with the system beyond their controls: the file dialog of the bitmap
// watermark and the activation context the common dialogs are opened in.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// The chosen path's room in the caller's buffer: 255 characters and the terminator.
inline constexpr int kChosenPathUnits = 256;
inline constexpr int kFileDialogUnits = 520;

// Whether the process token holds the Administrators group (S-1-5-32-544). From system
// version 6 on the group must also be enabled and not kept for denying alone (a filtered
// token of an administrator who did not elevate); before 6 membership alone counts. A token
// or group list that cannot be read gives false.
bool IsUserAdmin();

// GetOpenFileNameW inside the library's activation context, `path` (at least kChosenPathUnits
// characters) the initial folder. 1 with the chosen path in `path`; 0 for Cancel, a failure,
// or a path longer than 255 characters (a cut path would name another file).
int OpenFileDialog(HWND owner, const WCHAR* filter, WCHAR* path);

// An activation context from the library's own file, manifest resource 2; INVALID_HANDLE_VALUE
// when it cannot be made (the library is an ELF object here, which has no manifest: the pages
// run without one).
HANDLE CreateResourceActCtx();
// The process's context, made on first use; released with ReleaseResourceActCtx.
HANDLE ResourceActCtx();
void ReleaseResourceActCtx();

}  // namespace vm4k2ui
