// Context help of the pages and dialogs: the help file of the user-interface language in the
// printer-driver folder, opened at a context id.
#pragma once

#include <cstddef>

#include <win/dialogs.h>

namespace vm4k2ui {

inline constexpr int kHelpPathUnits = 260;

// One row of a page's help table: a control and the help context it opens.
struct HelpLink {
  int control;
  DWORD context;
};

// `folder` followed by `part` into `out` (kHelpPathUnits characters). false, with `out`
// empty, when the whole path does not fit: a cut path would name another file.
bool JoinHelpPath(const WCHAR* folder, const WCHAR* part, WCHAR* out);

// HtmlHelpW(window, <driver folder><help part>, HH_HELP_CONTEXT, context). A path that does
// not fit in 260 characters opens nothing. Always TRUE: a help viewer that cannot show the
// topic is no failure of the page.
BOOL OpenHelp(HWND window, DWORD context);

// WM_HELP: the first row whose control is the HELPINFO's opens its context with `page` as
// the owner; a control outside the table opens nothing. Always TRUE (the message is handled).
BOOL OpenControlHelp(HWND page, const HELPINFO* info, const HelpLink* table, size_t count);

}  // namespace vm4k2ui
