// Page procedures whose pages are not part of this library yet. Each runs only the common page
// body with empty tables, so the page keeps the context, applies through the sheets, answers
// help and reset, and shows its template's controls as they stand. Their modules replace them
// one by one, putting their own cases in front of the body.
#include "ui/sheets/page_body.h"
#include "ui/sheets/page_procs.h"

namespace vm4k2ui {

namespace {

constexpr PageDescription kBasicPage{1, 0, nullptr, 0, nullptr, 0, 500, nullptr, 0};
constexpr PageDescription kPaperPage{2, 0, nullptr, 0, nullptr, 0, 512, nullptr, 0};
constexpr PageDescription kLayoutPage{3, 0, nullptr, 0, nullptr, 0, 506, nullptr, 0};
constexpr PageDescription kWatermarkPage{4, 0, nullptr, 0, nullptr, 0, 513, nullptr, 0};
constexpr PageDescription kDevicePage{0, 0, nullptr, 0, nullptr, 0, 511, nullptr, 0};

}  // namespace

INT_PTR CALLBACK BasicPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageBody(window, message, wParam, lParam, kBasicPage);
}
INT_PTR CALLBACK PaperPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageBody(window, message, wParam, lParam, kPaperPage);
}
INT_PTR CALLBACK LayoutPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageBody(window, message, wParam, lParam, kLayoutPage);
}
INT_PTR CALLBACK WatermarkPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageBody(window, message, wParam, lParam, kWatermarkPage);
}
INT_PTR CALLBACK DevicePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageBody(window, message, wParam, lParam, kDevicePage);
}

}  // namespace vm4k2ui
