// The dialog procedures of the property pages: the four printing-preferences pages and the
// printer-properties page. The sheet registration hands them to the property-sheet host.
#pragma once

#include <win/commctrl.h>

namespace vm4k2ui {

INT_PTR CALLBACK BasicPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PaperPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LayoutPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WatermarkPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DevicePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vm4k2ui
