#include "ui/sheets/warning_icon.h"

#include <mutex>

#include <win/gdi_images.h>

#include "ui/sheets/ui_strings.h"

namespace vm4k2ui {

namespace {

// Sheets of several threads show the icon; the first one loads it for all.
std::once_flag g_iconOnce;
HICON g_icon = nullptr;

}  // namespace

HICON WarningIcon() { return g_icon; }

void ShowWarningIcon(HWND page, int control) {
  std::call_once(g_iconOnce, [page] {
    g_icon = static_cast<HICON>(LoadImageW(SatelliteOf(page), MAKEINTRESOURCEW(kWarningIconId), IMAGE_ICON,
                                           kWarningIconPixels, kWarningIconPixels, LR_DEFAULTCOLOR));
  });
  HWND icon = GetDlgItem(page, control);
  if (icon == nullptr) return;
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(g_icon), 0);
  ShowWindow(icon, SW_HIDE);
}

HWND CreateWarningTooltip(HWND page, int control) {
  HWND icon = GetDlgItem(page, control);
  HINSTANCE satellite = SatelliteOf(page);
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, u"tooltips_class32", nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr, satellite,
                                 nullptr);
  if (tooltip == nullptr) return nullptr;
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = page;
  tool.uId = reinterpret_cast<UINT_PTR>(icon);
  tool.hinst = satellite;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, kWarningTipWidth);
  SendMessageW(tooltip, TTM_SETTIPBKCOLOR, kWarningTipColour, 0);
  return tooltip;
}

void UpdateWarningTooltip(HWND page, HWND tooltip, int control) {
  HWND icon = GetDlgItem(page, control);
  if (tooltip == nullptr || icon == nullptr || !IsWindowEnabled(icon)) return;
  SendMessageW(tooltip, TTM_ACTIVATE, FALSE, 0);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = page;
  tool.uId = reinterpret_cast<UINT_PTR>(icon);
  GetWindowRect(icon, &tool.rect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&tool.rect), 2);
  SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip, TTM_ACTIVATE, TRUE, 0);
}

}  // namespace vm4k2ui
