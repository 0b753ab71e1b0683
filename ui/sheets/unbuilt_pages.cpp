// Page procedures whose pages are not part of this library yet. Each handles no message, so
// the dialog manager's defaults apply: the page shows its template's controls as they stand,
// changes nothing and applies nothing. Their modules replace them one by one.
#include "ui/sheets/page_procs.h"

namespace vm4k2ui {

INT_PTR CALLBACK BasicPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK PaperPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK LayoutPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK WatermarkPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK DevicePageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace vm4k2ui
