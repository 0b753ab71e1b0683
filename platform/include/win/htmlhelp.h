// HTML Help: the help viewer is not part of the stand-in machine; each call is recorded in the
// machine's call log ("event":"html-help": caller, file, command, data, whether the file
// exists), so a test sees which help topic a program opened.
#pragma once

#include <win/base.h>

#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_FINDER 0x0000
#define HH_DISPLAY_TOC 0x0001
#define HH_DISPLAY_INDEX 0x0002
#define HH_DISPLAY_SEARCH 0x0003
#define HH_CLOSE_ALL 0x0012
#define HH_HELP_CONTEXT 0x000F

#ifdef __cplusplus
extern "C" {
#endif

// No viewer window is made: the result is NULL, as for a help file the viewer could not show.
WINBASEAPI HWND WINAPI HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);

#ifdef __cplusplus
}
#endif
