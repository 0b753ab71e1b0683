// The dialog manager: dialogs made from templates (DialogBox, CreateDialog and their Indirect
// forms), dialog units, the modal loop, EndDialog, and the item helpers.
//
// A dialog is a window of "#32770" or of the template's CLASS; its procedure (DWLP_DLGPROC) is
// called through DefDlgProcW. The stand-in's windows have no frame, so a dialog's window and
// client rectangles are the same: the template's size in dialog units.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <win/gdi.h>
#include <win/gdi_images.h>
#include <win/gdi_text.h>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/dialogs.h"
#include "internal/resources.h"
#include "internal/unicode.h"
#include "platform_testing.h"

namespace plat::dialogs {

namespace {

struct DialogRecord {
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  WORD defaultId = 0;
  double baseX = 8, baseY = 16;  // pixels per 4 and 8 dialog units
  HFONT font = nullptr;
  bool ownsFont = false;
  std::u16string key;
};

StateMap<DialogRecord>& Records() {
  static StateMap<DialogRecord> records;
  return records;
}

struct TestAction {
  std::u16string key;  // empty: any dialog
  PlatformTestDialogAction action = nullptr;
  void* context = nullptr;
};

std::mutex g_actionsLock;
std::vector<TestAction> g_actions;

int ScreenDpi() { return static_cast<int>(plat::GetControlInt("ScreenDpi", 96)); }

LPCWSTR AsParam(const ResourceId& id, std::u16string& storage) {
  if (id.isOrdinal) return MAKEINTRESOURCEW(id.ordinal);
  storage = id.name;
  return storage.c_str();
}

std::u16string KeyOf(LPCWSTR name) {
  if (!name) return {};
  if (IS_INTRESOURCE(name)) return u"#" + plat::FromUtf8(std::to_string(reinterpret_cast<uintptr_t>(name)));
  return std::u16string(plat::WideView(name));
}

int Scale(int units, double base, int per) { return static_cast<int>(std::lround(units * base / per)); }

RECT WorkArea() {
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

HWND Fail(HWND dialog, DWORD error) {
  if (dialog) DestroyWindow(dialog);
  SetLastError(error);
  return nullptr;
}

}  // namespace

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dt, HWND parent, DLGPROC proc, LPARAM init,
                              const std::u16string& key) {
  DWORD style = dt.style;
  DWORD exStyle = dt.exStyle;
  if (style & DS_CONTROL) {
    // A dialog inside another (a sheet's page): no caption of its own, and its controls take
    // part in the parent's tab order.
    style &= ~static_cast<DWORD>(WS_CAPTION | WS_SYSMENU);
    exStyle |= WS_EX_CONTROLPARENT;
  }
  const int dpi = ScreenDpi();
  double baseX = 8.0 * dpi / 96, baseY = 16.0 * dpi / 96;
  int points = dt.pointSize == 0x7FFF ? 8 : dt.pointSize;
  if (dt.hasFont && points > 0 && points < 200) {
    // A fixed rule, not the measured glyphs, so layouts stay put when a font package changes.
    baseX = 6.0 * points / 8 * dpi / 96;
    baseY = 13.0 * points / 8 * dpi / 96;
  }
  int cx = Scale(dt.cx, baseX, 4), cy = Scale(dt.cy, baseY, 8);
  int x = Scale(dt.x, baseX, 4), y = Scale(dt.y, baseY, 8);
  if (!(style & WS_CHILD)) {
    if (style & DS_CENTER) {
      RECT work = WorkArea();
      x = work.left + (work.right - work.left - cx) / 2;
      y = work.top + (work.bottom - work.top - cy) / 2;
    } else if (parent && !(style & DS_ABSALIGN)) {
      RECT owner{};
      GetWindowRect(parent, &owner);
      x += owner.left;
      y += owner.top;
    }
  }
  std::u16string className = u"#32770";
  if (dt.hasClass) className = dt.windowClass.isOrdinal ? u"#" + plat::FromUtf8(std::to_string(dt.windowClass.ordinal))
                                                       : dt.windowClass.name;
  HWND dialog = CreateWindowExW(exStyle, className.c_str(), dt.title.c_str(), style & ~static_cast<DWORD>(WS_VISIBLE), x,
                                y, cx, cy, parent, nullptr, instance, nullptr);
  if (!dialog) return nullptr;
  DialogRecord* record = Records().Make(dialog);
  record->baseX = baseX;
  record->baseY = baseY;
  record->key = key;
  SetLastError(0);
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  if (GetLastError() == ERROR_INVALID_INDEX) return Fail(dialog, ERROR_INVALID_INDEX);  // a CLASS too small

  HFONT font = nullptr;
  if (dt.hasFont) {
    font = CreateFontW(-static_cast<int>(std::lround(points * dpi / 72.0)), 0, 0, 0, dt.weight ? dt.weight : 400,
                       dt.italic, 0, 0, dt.charset, 0, 0, 0, 0, dt.typeface.c_str());
    record->font = font;
    record->ownsFont = font != nullptr;
    if (font) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  const bool rtl = (exStyle & WS_EX_LAYOUTRTL) != 0;
  HWND firstTab = nullptr;
  for (const DialogControl& item : dt.controls) {
    std::u16string classStorage, textStorage;
    LPCWSTR itemClass;
    if (item.className.isOrdinal) {
      classStorage = PredefinedClassName(item.className.ordinal);
      if (classStorage.empty()) return Fail(dialog, ERROR_CANNOT_FIND_WND_CLASS);
      itemClass = classStorage.c_str();
    } else {
      itemClass = AsParam(item.className, classStorage);
    }
    DWORD itemStyle = item.style | WS_CHILD;
    // An icon or bitmap static's text names its image in the dialog's module; the static loads
    // it, an ordinal written "#id".
    const DWORD staticType = itemStyle & SS_TYPEMASK;
    if (item.text.isOrdinal && plat::EqualsNoCase(classStorage, u"Static") && (staticType == SS_ICON || staticType == SS_BITMAP))
      textStorage = u"#" + plat::FromUtf8(std::to_string(item.text.ordinal));
    LPCWSTR text = item.text.isOrdinal ? (textStorage.empty() ? nullptr : textStorage.c_str()) : AsParam(item.text, textStorage);
    DWORD itemExStyle = item.exStyle | (rtl ? WS_EX_LAYOUTRTL : 0);
    // A right-to-left dialog places its items from its right edge.
    int ix = rtl ? dt.cx - item.x - item.cx : item.x;
    const void* creation = item.creationData.empty() ? nullptr : item.creationData.data();
    HWND control = CreateWindowExW(itemExStyle, itemClass, text, itemStyle, Scale(ix, baseX, 4),
                                   Scale(item.y, baseY, 8), Scale(item.cx, baseX, 4), Scale(item.cy, baseY, 8), dialog,
                                   reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)), instance,
                                   const_cast<void*>(creation));
    if (!control) {
      if (dt.style & DS_NOFAILCREATE) continue;
      return Fail(dialog, GetLastError() ? GetLastError() : ERROR_CANNOT_FIND_WND_CLASS);
    }
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!firstTab && (itemStyle & WS_TABSTOP) && !(itemStyle & WS_DISABLED)) firstTab = control;
  }
  if (!firstTab) firstTab = GetNextDlgTabItem(dialog, nullptr, FALSE);
  if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), init) && IsWindow(dialog) && firstTab &&
      IsWindow(firstTab)) {
    SetFocus(firstTab);
    if (SendMessageW(firstTab, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(firstTab, EM_SETSEL, 0, -1);
  }
  if (!IsWindow(dialog)) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(dialog, (style & WS_CHILD) ? SW_SHOW : SW_SHOWNORMAL);
  return dialog;
}

std::optional<DialogTemplate> ParseIndirectTemplate(const void* given) {
  if (!given) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  // The template carries no size: it is read as far as it goes, up to the largest a resource
  // template may be.
  auto parsed = ParseDialogTemplate(std::span<const BYTE>(reinterpret_cast<const BYTE*>(given), 0x10000));
  if (!parsed) SetLastError(ERROR_INVALID_DATA);
  return parsed;
}

namespace {

void RunTestAction(HWND dialog, const std::u16string& key) {
  std::vector<TestAction> actions;
  {
    std::lock_guard<std::mutex> guard(g_actionsLock);
    actions = g_actions;
  }
  std::u16string title = TextOf(dialog);
  for (const TestAction& action : actions)
    if (action.key.empty() || action.key == key || action.key == title) {
      action.action(dialog, action.context);
      return;
    }
  if (plat::GetControlInt("DialogWait", 0)) return;  // another process acts on the dialog
  // Unscripted: the user cancels it, as a message box takes its default button.
  desktop::LogCall("\"event\":\"dialog\",\"key\":" + desktop::JsonString(key) + ",\"title\":" +
                   desktop::JsonString(title) + ",\"scripted\":false");
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (IsWindow(dialog) && !DialogEnded(dialog)) EndDialog(dialog, IDCANCEL);
}

}  // namespace

SIZE BaseUnitsOf(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  if (!record) return SIZE{8, 16};
  return SIZE{static_cast<LONG>(std::lround(record->baseX)), static_cast<LONG>(std::lround(record->baseY))};
}

bool IsDialogWindow(HWND hwnd) { return Records().Get(hwnd) != nullptr; }

std::u16string DialogKeyOf(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  return record ? record->key : std::u16string();
}

bool DialogEnded(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  return !record || record->ended;
}

INT_PTR RunModalLoop(HWND dialog, HWND owner, const std::u16string& key) {
  DialogRecord* record = Records().Get(dialog);
  if (!record) return -1;
  record->modal = true;
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  std::shared_ptr<desktop::ThreadQueue> queue = desktop::CurrentQueue();
  {
    std::lock_guard<std::mutex> guard(desktop::Lock());
    ++queue->platformModal;
  }
  bool firstIdle = true;
  bool quit = false;
  int quitCode = 0;
  while (IsWindow(dialog) && !DialogEnded(dialog)) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (firstIdle) {
        firstIdle = false;
        if (!IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOWNORMAL);
        RunTestAction(dialog, key);
      } else {
        WaitMessage();
      }
      continue;
    }
    if (msg.message == WM_QUIT) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (!IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  {
    std::lock_guard<std::mutex> guard(desktop::Lock());
    --queue->platformModal;
  }
  INT_PTR result = -1;
  if (DialogRecord* ended = Records().Get(dialog); ended && ended->ended) result = ended->result;
  if (disableOwner) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  // The quit message goes on to the thread's own loop.
  if (quit) PostQuitMessage(quitCode);
  return result;
}

void ForgetDialog(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  if (record && record->ownsFont && record->font) DeleteObject(record->font);
  Records().Drop(dialog);
}

HFONT DialogFont(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  return record ? record->font : nullptr;
}

void SetDialogFont(HWND dialog, HFONT font) {
  if (DialogRecord* record = Records().Get(dialog); record && record->font != font) {
    if (record->ownsFont && record->font) DeleteObject(record->font);
    record->font = font;
    record->ownsFont = false;
  }
}

WORD DefaultId(HWND dialog) {
  DialogRecord* record = Records().Get(dialog);
  return record ? record->defaultId : 0;
}

void SetDefaultId(HWND dialog, WORD id) {
  if (DialogRecord* record = Records().Get(dialog)) record->defaultId = id;
}

}  // namespace plat::dialogs

using namespace plat::dialogs;

extern "C" {

WINBASEAPI INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  std::optional<plat::DialogTemplate> dt = plat::LoadDialogTemplate(hInstance, lpTemplateName);
  if (!dt) return -1;
  HWND dialog = CreateDialogFromTemplate(hInstance, *dt, hWndParent, lpDialogFunc, dwInitParam, KeyOf(lpTemplateName));
  if (!dialog) return -1;
  return RunModalLoop(dialog, hWndParent, KeyOf(lpTemplateName));
}

WINBASEAPI INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                                  DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  std::optional<plat::DialogTemplate> dt = ParseIndirectTemplate(hDialogTemplate);
  if (!dt) return -1;
  HWND dialog = CreateDialogFromTemplate(hInstance, *dt, hWndParent, lpDialogFunc, dwInitParam, {});
  if (!dialog) return -1;
  return RunModalLoop(dialog, hWndParent, {});
}

WINBASEAPI HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  std::optional<plat::DialogTemplate> dt = plat::LoadDialogTemplate(hInstance, lpTemplateName);
  if (!dt) return nullptr;
  return CreateDialogFromTemplate(hInstance, *dt, hWndParent, lpDialogFunc, dwInitParam, KeyOf(lpTemplateName));
}

WINBASEAPI HWND WINAPI CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                                  DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  std::optional<plat::DialogTemplate> dt = ParseIndirectTemplate(lpTemplate);
  if (!dt) return nullptr;
  return CreateDialogFromTemplate(hInstance, *dt, hWndParent, lpDialogFunc, dwInitParam, {});
}

WINBASEAPI BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  DialogRecord* record = Records().Get(hDlg);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  record->ended = true;
  record->result = nResult;
  if (record->modal) {
    ShowWindow(hDlg, SW_HIDE);
    PostMessageW(hDlg, WM_NULL, 0, 0);  // wakes the modal loop
  }
  return TRUE;
}

WINBASEAPI BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
  DialogRecord* record = Records().Get(hDlg);
  if (!record || !lpRect) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  lpRect->left = Scale(lpRect->left, record->baseX, 4);
  lpRect->right = Scale(lpRect->right, record->baseX, 4);
  lpRect->top = Scale(lpRect->top, record->baseY, 8);
  lpRect->bottom = Scale(lpRect->bottom, record->baseY, 8);
  return TRUE;
}

WINBASEAPI LONG WINAPI GetDialogBaseUnits(void) {
  const int dpi = ScreenDpi();
  return MAKELONG(8 * dpi / 96, 16 * dpi / 96);
}

WINBASEAPI HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> stops;
  {
    std::lock_guard<std::mutex> guard(plat::desktop::Lock());
    std::vector<std::pair<unsigned long long, HWND>> children;
    for (auto& [hwnd, window] : plat::desktop::StateLocked().windows)
      if (window->parent == hDlg && !window->destroying) children.emplace_back(window->z, hwnd);
    std::sort(children.begin(), children.end());
    for (auto& [z, hwnd] : children) {
      auto window = plat::desktop::LocalWindowLocked(hwnd);
      if ((window->style & (WS_TABSTOP | WS_VISIBLE)) == (WS_TABSTOP | WS_VISIBLE) && !(window->style & WS_DISABLED))
        stops.push_back(hwnd);
      else if (hwnd == hCtl)
        stops.push_back(hwnd);  // the start may itself be no stop
    }
  }
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), hCtl);
  if (it == stops.end()) return bPrevious ? stops.back() : stops.front();
  size_t index = static_cast<size_t>(it - stops.begin());
  for (size_t step = 1; step <= stops.size(); ++step) {
    size_t next = bPrevious ? (index + stops.size() - step) % stops.size() : (index + step) % stops.size();
    if (stops[next] != hCtl) {
      DWORD style = StyleOf(stops[next]);
      if (style & WS_TABSTOP) return stops[next];
    }
  }
  return hCtl;
}

WINBASEAPI HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::mutex> guard(plat::desktop::Lock());
    std::vector<std::pair<unsigned long long, HWND>> found;
    for (auto& [hwnd, window] : plat::desktop::StateLocked().windows)
      if (window->parent == hDlg && !window->destroying) found.emplace_back(window->z, hwnd);
    std::sort(found.begin(), found.end());
    for (auto& [z, hwnd] : found) children.push_back(hwnd);
  }
  auto it = std::find(children.begin(), children.end(), hCtl);
  if (it == children.end()) return children.empty() ? nullptr : children.front();
  // The group: from the nearest WS_GROUP item at or before the control to the next one.
  size_t at = static_cast<size_t>(it - children.begin());
  size_t first = at;
  while (first > 0 && !(StyleOf(children[first]) & WS_GROUP)) --first;
  size_t last = at + 1;
  while (last < children.size() && !(StyleOf(children[last]) & WS_GROUP)) ++last;
  std::vector<HWND> group(children.begin() + static_cast<long>(first), children.begin() + static_cast<long>(last));
  size_t index = at - first;
  for (size_t step = 1; step < group.size(); ++step) {
    size_t next = bPrevious ? (index + group.size() - step) % group.size() : (index + step) % group.size();
    DWORD style = StyleOf(group[next]);
    if ((style & WS_VISIBLE) && !(style & WS_DISABLED)) return group[next];
  }
  return hCtl;
}

WINBASEAPI LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

WINBASEAPI BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SetWindowTextW(item, lpString) : FALSE;
}

WINBASEAPI UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  if (lpString && cchMax > 0) lpString[0] = 0;
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? static_cast<UINT>(GetWindowTextW(item, lpString, cchMax)) : 0;
}

WINBASEAPI BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
  std::string digits = bSigned ? std::to_string(static_cast<int>(uValue)) : std::to_string(uValue);
  std::u16string text = plat::FromUtf8(digits);
  return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

WINBASEAPI UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
  if (lpTranslated) *lpTranslated = FALSE;
  WCHAR buffer[64];
  if (!GetDlgItemTextW(hDlg, nIDDlgItem, buffer, 64) && !GetDlgItem(hDlg, nIDDlgItem)) return 0;
  std::u16string_view text(buffer);
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  bool negative = false;
  if (bSigned && !text.empty() && text.front() == u'-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return 0;
  unsigned long long value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    value = value * 10 + static_cast<unsigned>(c - u'0');
    if (value > (bSigned ? 0x80000000ULL : 0xFFFFFFFFULL)) return 0;
  }
  if (bSigned && !negative && value > 0x7FFFFFFFULL) return 0;
  if (lpTranslated) *lpTranslated = TRUE;
  return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

WINBASEAPI BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  HWND item = GetDlgItem(hDlg, nIDButton);
  if (!item) return FALSE;
  SendMessageW(item, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

WINBASEAPI UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  HWND item = GetDlgItem(hDlg, nIDButton);
  return item ? static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

WINBASEAPI BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
  for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
    if (HWND item = GetDlgItem(hDlg, id))
      SendMessageW(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

WINBASEAPI void PlatformTest_SetDialogAction(const WCHAR* key, PlatformTestDialogAction action, void* context) {
  std::lock_guard<std::mutex> guard(g_actionsLock);
  std::u16string wanted = key ? std::u16string(plat::WideView(key)) : std::u16string();
  g_actions.erase(std::remove_if(g_actions.begin(), g_actions.end(), [&](const TestAction& a) { return a.key == wanted; }),
                  g_actions.end());
  if (action) g_actions.push_back(TestAction{wanted, action, context});
}

WINBASEAPI void PlatformTest_ClearDialogActions(void) {
  std::lock_guard<std::mutex> guard(g_actionsLock);
  g_actions.clear();
}

}  // extern "C"
