// The tooltip control ("tooltips_class32"): tools added with TTM_ADDTOOLW, their texts given,
// loaded from a module or asked for with TTN_GETDISPINFOW when the mouse rests on the tool. The
// tip shown is the tooltip's window text, visible while it shows.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/resources.h>

#include "internal/desktop.h"
#include "internal/dialogs.h"
#include "platform_testing.h"

namespace plat::dialogs {
namespace {

constexpr UINT kToolInfoV1Bytes = offsetof(TOOLINFOW, lParam);
constexpr size_t kLongestTip = 4096;

struct Tool {
  TOOLINFOW info{};
  std::u16string text;
};

struct TooltipState {
  std::vector<Tool> tools;
  bool active = true;
  int maxWidth = -1;
  COLORREF background = 0;
  COLORREF foreground = 0;
  int delays[4] = {500, 5000, 500, 100};
};

StateMap<TooltipState>& States() {
  static StateMap<TooltipState> states;
  return states;
}

std::mutex g_listLock;
std::vector<HWND> g_tooltips;  // the process's tooltip windows, for the hover action

bool IsCallback(LPCWSTR text) { return text == LPSTR_TEXTCALLBACKW; }

std::u16string Bounded(LPCWSTR text) {
  if (!text || IS_INTRESOURCE(text) || IsCallback(text)) return {};
  size_t n = 0;
  while (n < kLongestTip && text[n]) ++n;
  return std::u16string(text, n);
}

std::u16string FromModule(HINSTANCE module, LPCWSTR id) {
  WCHAR buffer[1024];
  int n = LoadStringW(module, static_cast<UINT>(reinterpret_cast<uintptr_t>(id)), buffer, 1024);
  return std::u16string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

bool Valid(const TOOLINFOW* given) { return given && given->cbSize >= kToolInfoV1Bytes && given->cbSize <= 4096; }

Tool* FindTool(TooltipState& state, const TOOLINFOW* key) {
  for (Tool& tool : state.tools)
    if (tool.info.hwnd == key->hwnd && tool.info.uId == key->uId) return &tool;
  return nullptr;
}

void Store(Tool& tool, const TOOLINFOW& given) {
  std::memcpy(&tool.info, &given, std::min<size_t>(given.cbSize, sizeof(TOOLINFOW)));
  tool.text = Bounded(given.lpszText);
}

// The text the tool shows now: its own, its module's string or the owner's answer.
std::u16string TextOfTool(HWND tooltip, const Tool& tool) {
  LPCWSTR text = tool.info.lpszText;
  if (IsCallback(text)) {
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = tooltip;
    info.hdr.idFrom = tool.info.uId;
    info.hdr.code = TTN_GETDISPINFOW;
    info.lpszText = info.szText;
    info.uFlags = static_cast<int>(tool.info.uFlags);
    info.lParam = tool.info.lParam;
    SendMessageW(tool.info.hwnd, WM_NOTIFY, tool.info.uId, reinterpret_cast<LPARAM>(&info));
    if (info.lpszText == info.szText) {
      info.szText[79] = 0;
      return std::u16string(info.szText);
    }
    if (info.lpszText && IS_INTRESOURCE(info.lpszText)) return FromModule(info.hinst, info.lpszText);
    return Bounded(info.lpszText);
  }
  if (text && IS_INTRESOURCE(text)) return FromModule(tool.info.hinst, text);
  return tool.text;
}

bool Covers(const Tool& tool, HWND window, POINT inWindow) {
  if (tool.info.uFlags & TTF_IDISHWND) return reinterpret_cast<HWND>(tool.info.uId) == window;
  if (tool.info.hwnd != window) return false;
  const RECT& r = tool.info.rect;
  return inWindow.x >= r.left && inWindow.x < r.right && inWindow.y >= r.top && inWindow.y < r.bottom;
}

}  // namespace

LRESULT CALLBACK TooltipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    States().Make(hwnd);
    std::lock_guard<std::mutex> guard(g_listLock);
    g_tooltips.push_back(hwnd);
  }
  TooltipState* state = States().Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY: {
      States().Drop(hwnd);
      std::lock_guard<std::mutex> guard(g_listLock);
      g_tooltips.erase(std::remove(g_tooltips.begin(), g_tooltips.end(), hwnd), g_tooltips.end());
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case TTM_ADDTOOLW: {
      const TOOLINFOW* given = reinterpret_cast<const TOOLINFOW*>(lParam);
      if (!Valid(given)) return FALSE;
      if (Tool* existing = FindTool(*state, given)) {
        Store(*existing, *given);
        return TRUE;
      }
      Tool tool;
      Store(tool, *given);
      state->tools.push_back(std::move(tool));
      return TRUE;
    }
    case TTM_DELTOOLW: {
      const TOOLINFOW* given = reinterpret_cast<const TOOLINFOW*>(lParam);
      if (!Valid(given)) return 0;
      state->tools.erase(std::remove_if(state->tools.begin(), state->tools.end(),
                                        [&](const Tool& t) { return t.info.hwnd == given->hwnd && t.info.uId == given->uId; }),
                         state->tools.end());
      return 0;
    }
    case TTM_NEWTOOLRECTW: {
      const TOOLINFOW* given = reinterpret_cast<const TOOLINFOW*>(lParam);
      if (Valid(given))
        if (Tool* tool = FindTool(*state, given)) tool->info.rect = given->rect;
      return 0;
    }
    case TTM_SETTOOLINFOW:
    case TTM_UPDATETIPTEXTW: {
      const TOOLINFOW* given = reinterpret_cast<const TOOLINFOW*>(lParam);
      if (!Valid(given)) return 0;
      if (Tool* tool = FindTool(*state, given)) {
        if (message == TTM_SETTOOLINFOW) {
          Store(*tool, *given);
        } else {
          tool->info.lpszText = given->lpszText;
          tool->info.hinst = given->hinst;
          tool->text = Bounded(given->lpszText);
        }
      }
      return 0;
    }
    case TTM_GETTOOLINFOW: {
      TOOLINFOW* out = reinterpret_cast<TOOLINFOW*>(lParam);
      if (!Valid(out)) return FALSE;
      Tool* tool = FindTool(*state, out);
      if (!tool) return FALSE;
      LPWSTR buffer = out->lpszText;
      UINT size = out->cbSize;
      std::memcpy(out, &tool->info, std::min<size_t>(size, sizeof(TOOLINFOW)));
      out->cbSize = size;
      out->lpszText = buffer;
      if (buffer && !IS_INTRESOURCE(buffer) && !IsCallback(buffer)) {
        // The platform's buffer rule: at most 80 characters.
        size_t n = std::min<size_t>(tool->text.size(), 79);
        std::memcpy(buffer, tool->text.data(), n * sizeof(WCHAR));
        buffer[n] = 0;
      }
      return TRUE;
    }
    case TTM_GETTEXTW: {
      TOOLINFOW* out = reinterpret_cast<TOOLINFOW*>(lParam);
      if (!Valid(out) || !out->lpszText) return 0;
      Tool* tool = FindTool(*state, out);
      size_t capacity = wParam ? wParam : 80;
      std::u16string text = tool ? TextOfTool(hwnd, *tool) : std::u16string();
      size_t n = std::min(text.size(), capacity - 1);
      std::memcpy(out->lpszText, text.data(), n * sizeof(WCHAR));
      out->lpszText[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(state->tools.size());
    case TTM_ACTIVATE:
      state->active = wParam != 0;
      if (!state->active) ShowWindow(hwnd, SW_HIDE);
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      int previous = state->maxWidth;
      state->maxWidth = static_cast<int>(lParam);
      return previous;
    }
    case TTM_GETMAXTIPWIDTH:
      return state->maxWidth;
    case TTM_SETTIPBKCOLOR:
      state->background = static_cast<COLORREF>(wParam);
      return 0;
    case TTM_GETTIPBKCOLOR:
      return static_cast<LRESULT>(state->background);
    case TTM_SETTIPTEXTCOLOR:
      state->foreground = static_cast<COLORREF>(wParam);
      return 0;
    case TTM_GETTIPTEXTCOLOR:
      return static_cast<LRESULT>(state->foreground);
    case TTM_SETDELAYTIME:
      if (wParam < 4) state->delays[wParam] = static_cast<SHORT>(LOWORD(lParam));
      return 0;
    case TTM_GETDELAYTIME:
      return wParam < 4 ? state->delays[wParam] : 0;
    case TTM_POP:
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case TTM_UPDATE:
    case TTM_RELAYEVENT:
    case TTM_TRACKACTIVATE:
    case TTM_TRACKPOSITION:
    case TTM_POPUP:
      return 0;
    case kActionHover: {
      HWND window = reinterpret_cast<HWND>(wParam);
      POINT at{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
      if (!state->active) return FALSE;
      for (size_t i = 0; i < state->tools.size(); ++i) {
        if (!Covers(state->tools[i], window, at)) continue;
        Tool tool = state->tools[i];
        std::u16string text = TextOfTool(hwnd, tool);
        DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ShowWindow(hwnd, SW_SHOWNA);
        NMHDR shown{};
        shown.hwndFrom = hwnd;
        shown.idFrom = tool.info.uId;
        shown.code = TTN_SHOW;
        SendMessageW(tool.info.hwnd, WM_NOTIFY, tool.info.uId, reinterpret_cast<LPARAM>(&shown));
        return TRUE;
      }
      return FALSE;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace plat::dialogs

using namespace plat::dialogs;

extern "C" {

WINBASEAPI HWND PlatformTest_Hover(HWND hWnd) {
  RECT client{};
  if (!GetClientRect(hWnd, &client)) return nullptr;
  POINT centre{client.right / 2, client.bottom / 2};
  // The window under the mouse gets the move, as a page's WM_MOUSEMOVE handler expects.
  HWND top = hWnd;
  while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD) && GetParent(top)) top = GetParent(top);
  POINT inTop = MapPoint(hWnd, top, centre);
  HWND under = ChildAt(top, inTop);
  POINT inUnder = MapPoint(top, under, inTop);
  SendMessageW(under, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(inUnder.x), static_cast<WORD>(inUnder.y)));
  std::vector<HWND> tooltips;
  {
    std::lock_guard<std::mutex> guard(g_listLock);
    tooltips = g_tooltips;
  }
  for (HWND tooltip : tooltips) {
    // A tool by window is the hovered control; a tool by rectangle lies in the window beneath.
    if (SendMessageW(tooltip, kActionHover, reinterpret_cast<WPARAM>(hWnd),
                     MAKELPARAM(static_cast<WORD>(centre.x), static_cast<WORD>(centre.y))))
      return tooltip;
    POINT inParent = MapPoint(hWnd, GetParent(hWnd), centre);
    if (GetParent(hWnd) && SendMessageW(tooltip, kActionHover, reinterpret_cast<WPARAM>(GetParent(hWnd)),
                                        MAKELPARAM(static_cast<WORD>(inParent.x), static_cast<WORD>(inParent.y))))
      return tooltip;
  }
  return nullptr;
}

}  // extern "C"
