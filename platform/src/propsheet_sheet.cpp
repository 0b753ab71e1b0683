// The property sheet: PropertySheetW, its page objects, and the sheet window that the common
// property-sheet host shows a driver's pages in.
//
// The sheet is a dialog with OK, Cancel, Apply and (when a page has help) Help; its tabs are
// internal: a test picks a tab with PlatformTest_Pick(sheet, index). Pages are made on their
// first visit and shown and hidden with ShowWindow as they become current.
#include <algorithm>
#include <cstring>
#include <set>

#include "internal/desktop.h"
#include "internal/dialogs.h"
#include "internal/unicode.h"
#include "platform_testing.h"

namespace plat::dialogs {
namespace {

constexpr DWORD kPageV1Bytes = offsetof(PROPSHEETPAGEW, pszHeaderTitle);
constexpr DWORD kMaxPageBytes = 4096;
constexpr short kMargin = 7;       // dialog units around the pages
constexpr short kTabHeight = 14;   // dialog units of the tab row
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;

struct SheetPage {
  PROPSHEETPAGEW* record = nullptr;
  HWND hwnd = nullptr;
  bool created = false;
};

struct SheetState {
  std::vector<SheetPage> pages;
  int current = -1;
  std::set<HWND> changed;
  INT_PTR* result = nullptr;  // the caller's result: > 0 once OK went through
  bool modeless = false;
  bool closed = false;  // a modeless sheet after OK or Cancel: its owner destroys it
  std::vector<HPROPSHEETPAGE> ownedPages;
  int restartFlags = 0;
  POINT pageOrigin{};
};

StateMap<SheetState>& Sheets() {
  static StateMap<SheetState> sheets;
  return sheets;
}

std::optional<DialogTemplate> PageTemplate(const PROPSHEETPAGEW& record) {
  if (record.dwFlags & PSP_DLGINDIRECT) return ParseIndirectTemplate(record.pResource);
  return LoadDialogTemplate(record.hInstance, record.pszTemplate);
}

LRESULT Notify(HWND sheet, HWND page, UINT code, LPARAM lParam = 0) {
  if (!page || !IsWindow(page)) return 0;
  PSHNOTIFY notify{};
  notify.hdr.hwndFrom = sheet;
  notify.hdr.idFrom = 0;
  notify.hdr.code = code;
  notify.lParam = lParam;
  return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

bool CreatePage(HWND sheet, SheetState& state, size_t index) {
  SheetPage& page = state.pages[index];
  PROPSHEETPAGEW* record = page.record;
  if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback && !record->pfnCallback(nullptr, PSPCB_CREATE, record))
    return false;
  std::optional<DialogTemplate> dt = PageTemplate(*record);
  if (!dt) return false;
  // A page is a control-parent child of the sheet, whatever its template says.
  dt->style = (dt->style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_DISABLED)) |
              WS_CHILD | DS_CONTROL;
  dt->x = dt->y = 0;
  HWND hwnd = CreateDialogFromTemplate(record->hInstance, *dt, sheet, record->pfnDlgProc, reinterpret_cast<LPARAM>(record),
                                       std::u16string());
  SheetState* live = Sheets().Get(sheet);
  if (!hwnd || !live) return false;
  SetWindowPos(hwnd, nullptr, live->pageOrigin.x, live->pageOrigin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  live->pages[index].hwnd = hwnd;
  live->pages[index].created = true;
  return true;
}

HWND Button(HWND sheet, int id) { return GetDlgItem(sheet, id); }

void UpdateApply(HWND sheet, SheetState& state) {
  if (HWND apply = Button(sheet, ID_APPLY_NOW)) EnableWindow(apply, state.changed.empty() ? FALSE : TRUE);
}

// Makes page `index` current: PSN_KILLACTIVE to the old one (which may refuse), the new one made
// on its first visit, PSN_SETACTIVE, then the new one shown and the old one hidden.
bool Select(HWND sheet, int index) {
  SheetState* state = Sheets().Get(sheet);
  if (!state || index < 0 || static_cast<size_t>(index) >= state->pages.size()) return false;
  if (index == state->current) return true;
  HWND old = state->current >= 0 ? state->pages[static_cast<size_t>(state->current)].hwnd : nullptr;
  if (old && Notify(sheet, old, PSN_KILLACTIVE)) return false;
  if ((state = Sheets().Get(sheet)) == nullptr) return false;
  if (!state->pages[static_cast<size_t>(index)].created && !CreatePage(sheet, *state, static_cast<size_t>(index))) return false;
  if ((state = Sheets().Get(sheet)) == nullptr) return false;
  HWND page = state->pages[static_cast<size_t>(index)].hwnd;
  state->current = index;
  Notify(sheet, page, PSN_SETACTIVE);
  ShowWindow(page, SW_SHOW);
  if (old && IsWindow(old)) ShowWindow(old, SW_HIDE);
  return true;
}

// OK and Apply: the current page may refuse to be left; then every created page applies, in
// order, until one answers that it is invalid.
bool Apply(HWND sheet, bool ok) {
  SheetState* state = Sheets().Get(sheet);
  if (!state || state->current < 0) return false;
  if (Notify(sheet, state->pages[static_cast<size_t>(state->current)].hwnd, PSN_KILLACTIVE)) return false;
  for (size_t i = 0; (state = Sheets().Get(sheet)) != nullptr && i < state->pages.size(); ++i) {
    if (!state->pages[i].created) continue;
    LRESULT answer = Notify(sheet, state->pages[i].hwnd, PSN_APPLY, ok ? TRUE : FALSE);
    if (answer == PSNRET_INVALID) {
      Select(sheet, static_cast<int>(i));
      return false;
    }
    if (answer == PSNRET_INVALID_NOCHANGEPAGE) return false;
  }
  if ((state = Sheets().Get(sheet)) == nullptr) return false;
  state->changed.clear();
  UpdateApply(sheet, *state);
  return true;
}

// A modal sheet ends its loop; a modeless one stays until its owner destroys it, which it learns
// from PSM_GETCURRENTPAGEHWND answering NULL from now on.
void Close(HWND sheet, int result) {
  SheetState* state = Sheets().Get(sheet);
  if (state && state->modeless) {
    state->closed = true;
    return;
  }
  EndDialog(sheet, result);
}

void Cancel(HWND sheet) {
  SheetState* state = Sheets().Get(sheet);
  if (!state) return;
  HWND current = state->current >= 0 ? state->pages[static_cast<size_t>(state->current)].hwnd : nullptr;
  if (current && Notify(sheet, current, PSN_QUERYCANCEL)) return;  // the page vetoes
  for (size_t i = 0; (state = Sheets().Get(sheet)) != nullptr && i < state->pages.size(); ++i)
    if (state->pages[i].created) Notify(sheet, state->pages[i].hwnd, PSN_RESET, 0);
  Close(sheet, IDCANCEL);
}

INT_PTR Answer(HWND sheet, LRESULT value) {
  SetWindowLongPtrW(sheet, DWLP_MSGRESULT, value);
  return TRUE;
}

INT_PTR CALLBACK SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  SheetState* state = Sheets().Get(sheet);
  if (!state) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (Apply(sheet, true)) {
            if ((state = Sheets().Get(sheet)) != nullptr && state->result)
              *state->result = state->restartFlags ? state->restartFlags : 1;
            Close(sheet, IDOK);
          }
          return TRUE;
        case IDCANCEL:
          Cancel(sheet);
          return TRUE;
        case ID_APPLY_NOW:
          Apply(sheet, false);
          return TRUE;
        case IDHELP:
          if (state->current >= 0) Notify(sheet, state->pages[static_cast<size_t>(state->current)].hwnd, PSN_HELP);
          return TRUE;
        default:
          return FALSE;
      }
    case PSM_CHANGED:
      state->changed.insert(reinterpret_cast<HWND>(wParam));
      UpdateApply(sheet, *state);
      return Answer(sheet, TRUE);
    case PSM_UNCHANGED:
      state->changed.erase(reinterpret_cast<HWND>(wParam));
      UpdateApply(sheet, *state);
      return Answer(sheet, TRUE);
    case PSM_SETCURSEL:
      return Answer(sheet, Select(sheet, static_cast<int>(wParam)) ? TRUE : FALSE);
    case kActionPick:
      // The user's click on a tab: the current page may refuse to be left.
      Select(sheet, static_cast<int>(wParam));
      return TRUE;
    case PSM_GETCURRENTPAGEHWND:
      if (state->closed || state->current < 0) return Answer(sheet, 0);
      return Answer(sheet, reinterpret_cast<LRESULT>(state->pages[static_cast<size_t>(state->current)].hwnd));
    case PSM_PRESSBUTTON: {
      int id = 0;
      switch (wParam) {
        case PSBTN_OK: id = IDOK; break;
        case PSBTN_CANCEL: id = IDCANCEL; break;
        case PSBTN_APPLYNOW: id = ID_APPLY_NOW; break;
        case PSBTN_HELP: id = IDHELP; break;
        default: return Answer(sheet, FALSE);
      }
      PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Button(sheet, id)));
      return Answer(sheet, TRUE);
    }
    case PSM_QUERYSIBLINGS:
      for (size_t i = 0; (state = Sheets().Get(sheet)) != nullptr && i < state->pages.size(); ++i)
        if (state->pages[i].created)
          if (LRESULT answer = SendMessageW(state->pages[i].hwnd, PSM_QUERYSIBLINGS, wParam, lParam))
            return Answer(sheet, answer);
      return Answer(sheet, 0);
    case PSM_CANCELTOCLOSE:
      SetWindowTextW(Button(sheet, IDCANCEL), u"Close");
      return Answer(sheet, 0);
    case PSM_RESTARTWINDOWS:
      state->restartFlags |= ID_PSRESTARTWINDOWS;
      return Answer(sheet, 0);
    case PSM_REBOOTSYSTEM:
      state->restartFlags |= ID_PSREBOOTSYSTEM;
      return Answer(sheet, 0);
    case PSM_SETTITLEW:
      if (lParam && !IS_INTRESOURCE(lParam)) SetWindowTextW(sheet, reinterpret_cast<LPCWSTR>(lParam));
      return Answer(sheet, 0);
    case PSM_APPLY:
      return Answer(sheet, Apply(sheet, false) ? TRUE : FALSE);
    case PSM_GETTABCONTROL:
      return Answer(sheet, 0);
    case PSM_ISDIALOGMESSAGE:
      return Answer(sheet, IsDialogMessageW(sheet, reinterpret_cast<LPMSG>(lParam)));
    case WM_NCDESTROY: {
      // The pages' windows went before the sheet's; a modeless sheet's pages are released now.
      std::vector<HPROPSHEETPAGE> owned = std::move(state->ownedPages);
      Sheets().Drop(sheet);
      for (HPROPSHEETPAGE page : owned) DestroyPropertySheetPage(page);
      return FALSE;
    }
    default:
      return FALSE;
  }
}

DialogControl ButtonItem(int id, const char16_t* text, short x, short y, bool isDefault) {
  DialogControl item;
  item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  item.x = x;
  item.y = y;
  item.cx = kButtonWidth;
  item.cy = kButtonHeight;
  item.id = static_cast<DWORD>(id);
  item.className = ResourceId::Name(u"Button");
  item.text = ResourceId::Name(text);
  return item;
}

}  // namespace

INT_PTR RunPropertySheet(const SheetOptions& options, const std::vector<PROPSHEETPAGEW*>& pages) {
  if (pages.empty() || pages.size() > MAXPROPPAGES) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  // The sheet is as large as its largest page, with the tab row above and the buttons below.
  short pageCx = 100, pageCy = 50;
  for (PROPSHEETPAGEW* record : pages)
    if (std::optional<DialogTemplate> dt = PageTemplate(*record)) {
      pageCx = std::max(pageCx, dt->cx);
      pageCy = std::max(pageCy, dt->cy);
    }
  DialogTemplate frame;
  frame.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
  frame.cx = static_cast<short>(pageCx + 2 * kMargin);
  frame.cy = static_cast<short>(pageCy + kTabHeight + 3 * kMargin + kButtonHeight);
  frame.title = options.title;
  frame.hasFont = true;
  frame.pointSize = 8;
  frame.typeface = u"MS Shell Dlg";
  short y = static_cast<short>(frame.cy - kMargin - kButtonHeight);
  short x = static_cast<short>(frame.cx - kMargin - kButtonWidth);
  std::vector<DialogControl> buttons;
  if (options.hasHelp) {
    buttons.push_back(ButtonItem(IDHELP, u"Help", x, y, false));
    x = static_cast<short>(x - kButtonWidth - 4);
  }
  if (!options.noApply) {
    DialogControl apply = ButtonItem(ID_APPLY_NOW, u"Apply", x, y, false);
    apply.style |= WS_DISABLED;
    buttons.push_back(apply);
    x = static_cast<short>(x - kButtonWidth - 4);
  }
  buttons.push_back(ButtonItem(IDCANCEL, u"Cancel", x, y, false));
  x = static_cast<short>(x - kButtonWidth - 4);
  buttons.push_back(ButtonItem(IDOK, u"OK", x, y, true));
  std::reverse(buttons.begin(), buttons.end());
  frame.controls = buttons;

  HWND sheet = CreateDialogFromTemplate(nullptr, frame, options.owner, SheetProc, 0, std::u16string());
  if (!sheet) return -1;
  SheetState* state = Sheets().Make(sheet);
  INT_PTR result = 0;
  state->result = &result;
  for (PROPSHEETPAGEW* record : pages) state->pages.push_back(SheetPage{record, nullptr, false});
  RECT origin{kMargin, kMargin + kTabHeight, 0, 0};
  MapDialogRect(sheet, &origin);
  state->pageOrigin = POINT{origin.left, origin.top};
  UINT start = options.startPage < pages.size() ? options.startPage : 0;
  if (!Select(sheet, static_cast<int>(start))) {
    DestroyWindow(sheet);
    return -1;
  }
  if (options.modeless) {
    if ((state = Sheets().Get(sheet)) == nullptr) return -1;
    state->modeless = true;
    state->result = nullptr;  // no caller waits for a result
    state->ownedPages = options.pages;
    ShowWindow(sheet, SW_SHOW);
    return reinterpret_cast<INT_PTR>(sheet);
  }
  RunModalLoop(sheet, options.owner, options.title);
  // The sheet and its pages are gone; the result is what OK recorded.
  return result;
}

}  // namespace plat::dialogs

using namespace plat::dialogs;

namespace {

// A page object of CreatePropertySheetPageW: the sheet's own copy of the caller's record.
struct PageObject {
  std::vector<BYTE> bytes;
  std::u16string title;
  PROPSHEETPAGEW* record() { return reinterpret_cast<PROPSHEETPAGEW*>(bytes.data()); }
};

std::mutex g_pagesLock;
std::set<PageObject*> g_pages;

PageObject* Live(HPROPSHEETPAGE handle) {
  std::lock_guard<std::mutex> guard(g_pagesLock);
  auto* page = reinterpret_cast<PageObject*>(handle);
  return g_pages.count(page) ? page : nullptr;
}

}  // namespace

extern "C" {

WINBASEAPI HPROPSHEETPAGE WINAPI CreatePropertySheetPageW(LPCPROPSHEETPAGEW given) {
  if (!given || given->dwSize < kPageV1Bytes || given->dwSize > kMaxPageBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto page = std::make_unique<PageObject>();
  page->bytes.assign(std::max<size_t>(sizeof(PROPSHEETPAGEW), given->dwSize), 0);
  std::memcpy(page->bytes.data(), given, given->dwSize);
  PROPSHEETPAGEW* record = page->record();
  // The caller's title may be gone by the time the sheet shows its tabs.
  if ((record->dwFlags & PSP_USETITLE) && record->pszTitle && !IS_INTRESOURCE(record->pszTitle)) {
    page->title = plat::WideView(record->pszTitle);
    record->pszTitle = page->title.c_str();
  }
  if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback) record->pfnCallback(nullptr, PSPCB_ADDREF, record);
  std::lock_guard<std::mutex> guard(g_pagesLock);
  g_pages.insert(page.get());
  return reinterpret_cast<HPROPSHEETPAGE>(page.release());
}

WINBASEAPI BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPage) {
  PageObject* page = Live(hPage);
  if (!page) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  PROPSHEETPAGEW* record = page->record();
  if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback) record->pfnCallback(nullptr, PSPCB_RELEASE, record);
  {
    std::lock_guard<std::mutex> guard(g_pagesLock);
    g_pages.erase(page);
  }
  delete page;
  return TRUE;
}

WINBASEAPI INT_PTR WINAPI PropertySheetW(LPCPROPSHEETHEADERW header) {
  if (!header || header->dwSize < PROPSHEETHEADERW_V1_SIZE || header->nPages == 0 || header->nPages > MAXPROPPAGES ||
      (header->dwFlags & PSH_WIZARD)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  // The sheet owns its pages from here on: those it is given by handle and those it makes from
  // records alike are released when it ends.
  std::vector<HPROPSHEETPAGE> handles;
  if (header->dwFlags & PSH_PROPSHEETPAGE) {
    const BYTE* at = reinterpret_cast<const BYTE*>(header->ppsp);
    for (UINT i = 0; at && i < header->nPages; ++i) {
      const PROPSHEETPAGEW* record = reinterpret_cast<const PROPSHEETPAGEW*>(at);
      HPROPSHEETPAGE page = CreatePropertySheetPageW(record);
      if (!page) break;
      handles.push_back(page);
      at += record->dwSize;
    }
  } else if (header->phpage) {
    for (UINT i = 0; i < header->nPages; ++i)
      if (Live(header->phpage[i])) handles.push_back(header->phpage[i]);
  }
  std::vector<PROPSHEETPAGEW*> records;
  bool help = (header->dwFlags & PSH_HASHELP) != 0;
  for (HPROPSHEETPAGE handle : handles) {
    records.push_back(Live(handle)->record());
    help = help || (records.back()->dwFlags & PSP_HASHELP);
  }
  SheetOptions options;
  options.owner = header->hwndParent;
  if (header->pszCaption && !IS_INTRESOURCE(header->pszCaption)) options.title = plat::WideView(header->pszCaption);
  if (header->dwFlags & PSH_PROPTITLE) options.title = u"Properties for " + options.title;
  options.noApply = (header->dwFlags & PSH_NOAPPLYNOW) != 0;
  options.hasHelp = help;
  options.startPage = (header->dwFlags & PSH_USEPSTARTPAGE) ? 0 : header->nStartPage;
  options.modeless = (header->dwFlags & PSH_MODELESS) != 0;
  options.pages = handles;
  INT_PTR result = records.size() == header->nPages ? RunPropertySheet(options, records) : -1;
  // A modeless sheet that opened releases its pages itself when it is destroyed.
  if (!options.modeless || result == -1)
    for (HPROPSHEETPAGE handle : handles) DestroyPropertySheetPage(handle);
  return result;
}

WINBASEAPI HWND PlatformTest_SheetPage(HWND sheet, int index) {
  SheetState* state = Sheets().Get(sheet);
  if (!state || index < 0 || static_cast<size_t>(index) >= state->pages.size()) return nullptr;
  return state->pages[static_cast<size_t>(index)].hwnd;
}

}  // extern "C"
