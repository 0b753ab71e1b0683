// The common property-sheet host (CommonPropertySheetUIW) and its ComPropSheet callback.
//
// The host drives a caller's sheet function through its reasons: INIT (the function adds its
// pages with CPSFUNC_ADD_PROPSHEETPAGEW), GET_INFO_HEADER, GET_ICON, the sheet itself, then
// PSPCB_RELEASE to every page with a callback and DESTROY last, so the function still holds
// what its pages refer to while they are released. CPSFUNC_SET_RESULT passes a result to the
// function with PROPSHEETUI_REASON_SET_RESULT while the sheet is open.
//
// The pages are shown in a real property sheet (the stand-in's PropertySheet), on which tests act
// as the user. A test may instead script the sheet without windows: it "opens" the pages the
// script names (PSPCB_CREATE, as the platform sends before a page's dialog is made) and closes
// with the scripted button. Every event goes into a per-process record that tests read.
#include <win/commctrl.h>
#include <win/compstui.h>
#include <win/resources.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "internal/dialogs.h"
#include "internal/handles.h"
#include "internal/unicode.h"
#include "platform_testing.h"

namespace {

// A page record larger than this is refused: callers append private data to the record, but
// a size beyond any page the platform knows is a mistake, not data.
constexpr DWORD kMaxPageBytes = 4096;
constexpr DWORD kPropSheetPageV1Bytes = offsetof(PROPSHEETPAGEW, pszHeaderTitle);
constexpr size_t kMaxPages = 100;
constexpr int kButtonOk = 1;

struct HostPage {
  std::vector<BYTE> bytes;  // the host's copy of the caller's record (dwSize bytes)
  std::u16string title;     // the host's copy of a title given as text
  HANDLE handle = nullptr;
  PROPSHEETPAGEW* record() { return reinterpret_cast<PROPSHEETPAGEW*>(bytes.data()); }
};

// A sheet function added with CPSFUNC_ADD_PFNPROPSHEETUIW (a driver's sheet entry point under
// the spooler's), with its own call record and handle.
struct AddedFunction {
  PFNPROPSHEETUI function = nullptr;
  PROPSHEETUI_INFO info{};
  HANDLE handle = nullptr;
};

struct Sheet {
  PFNPROPSHEETUI function = nullptr;
  PROPSHEETUI_INFO info{};
  HANDLE handle = nullptr;
  bool open = false;  // between INIT and DESTROY: pages may be added and results set
  std::vector<std::unique_ptr<HostPage>> pages;
  std::vector<std::unique_ptr<AddedFunction>> added;  // in the order they were added
};

// The handle objects: a sheet's and a page's handle resolve to the sheet while it lives.
// Neither is closed by CloseHandle; the host drops them when the sheet ends.
struct SheetHandle : plat::KernelObject {
  Sheet* sheet;
  HostPage* page;
  SheetHandle(Sheet* s, HostPage* p) : sheet(s), page(p) {}
  bool Close() override {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
};

struct Script {
  bool set = false;  // without a script the pages are shown in a real sheet
  DWORD pagesVisited = 1;
  int button = kButtonOk;
  PlatformTestSheetAction whileOpen = nullptr;
  void* context = nullptr;
};

struct HostState {
  std::mutex lock;
  Script script;
  std::string record;                         // the last sheet's events
  std::vector<std::vector<BYTE>> lastPages;   // the last sheet's page copies
};

HostState& State() {
  static HostState state;
  return state;
}

thread_local std::string* t_record = nullptr;  // the record of the sheet running on this thread

void Note(const std::string& line) {
  if (t_record) *t_record += line + "\n";
}

std::string Utf8(const WCHAR* text) {
  if (text == nullptr) return "";
  std::u16string_view view(text);
  return plat::ToUtf8(view);
}

bool IsResourceId(const WCHAR* name) { return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0; }

std::string ResourceText(const WCHAR* name) {
  if (name == nullptr) return "none";
  if (IsResourceId(name)) return std::to_string(reinterpret_cast<ULONG_PTR>(name));
  return Utf8(name);
}

// The page's title as the sheet would show it: a string, or a string id of its module.
std::string TitleText(const PROPSHEETPAGEW& page) {
  if (!(page.dwFlags & PSP_USETITLE)) return "";
  if (page.pszTitle == nullptr) return "";
  if (!IsResourceId(page.pszTitle)) return Utf8(page.pszTitle);
  WCHAR text[260] = {};
  LoadStringW(page.hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(page.pszTitle)), text, 260);
  return Utf8(text);
}

std::shared_ptr<SheetHandle> Resolve(HANDLE handle) { return plat::LookupHandleAs<SheetHandle>(handle); }

LONG CallFunction(Sheet& sheet, WORD reason, LPARAM lParam) {
  sheet.info.Reason = reason;
  return sheet.function(&sheet.info, lParam);
}

LONG_PTR AddPage(Sheet& sheet, const PROPSHEETPAGEW* given) {
  if (given == nullptr || given->dwSize < kPropSheetPageV1Bytes || given->dwSize > kMaxPageBytes ||
      sheet.pages.size() >= kMaxPages) {
    Note("ADD_PAGE refused");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto page = std::make_unique<HostPage>();
  page->bytes.assign(sizeof(PROPSHEETPAGEW) > given->dwSize ? sizeof(PROPSHEETPAGEW) : given->dwSize, 0);
  std::memcpy(page->bytes.data(), given, given->dwSize);
  page->handle = plat::InsertHandle(std::make_shared<SheetHandle>(&sheet, page.get()));
  PROPSHEETPAGEW& record = *page->record();
  // The caller's title buffer may be gone by the time the sheet shows its tabs; the platform
  // keeps its own copy of the text, and so does this host.
  if ((record.dwFlags & PSP_USETITLE) && record.pszTitle && !IsResourceId(record.pszTitle)) {
    page->title = record.pszTitle;
    record.pszTitle = page->title.c_str();
  }
  const size_t index = sheet.pages.size();
  char flags[16];
  std::snprintf(flags, sizeof(flags), "0x%08x", static_cast<unsigned>(record.dwFlags));
  const bool callback = (record.dwFlags & PSP_USECALLBACK) && record.pfnCallback;
  Note("ADD_PAGE " + std::to_string(index) + " size=" + std::to_string(record.dwSize) + " flags=" + flags +
       " template=" + ResourceText(record.pszTemplate) + " title=" + TitleText(record) +
       " callback=" + (callback ? "yes" : "no"));
  // The platform makes the page when it is added, which is when a page callback learns of it.
  if (callback) record.pfnCallback(nullptr, PSPCB_ADDREF, &record);
  const LONG_PTR handle = reinterpret_cast<LONG_PTR>(page->handle);
  sheet.pages.push_back(std::move(page));
  return handle;
}

// The result goes to every sheet function, the most recently added first (so a driver's own
// function learns it), and on to the one that added it while each accepts it (answers 1 or more).
LONG_PTR SetResult(Sheet& sheet, HostPage* page, LPARAM result) {
  SETRESULT_INFO info{};
  info.cbSize = sizeof(info);
  info.hSetResult = page ? page->handle : sheet.handle;
  info.Result = result;
  std::string who = "sheet";
  for (size_t i = 0; i < sheet.pages.size(); ++i)
    if (sheet.pages[i].get() == page) who = std::to_string(i);
  LONG_PTR called = 0;
  for (size_t i = sheet.added.size(); i > 0; --i) {
    AddedFunction& added = *sheet.added[i - 1];
    added.info.Reason = PROPSHEETUI_REASON_SET_RESULT;
    const LONG answer = added.function(&added.info, reinterpret_cast<LPARAM>(&info));
    ++called;
    Note("SET_RESULT function=" + std::to_string(i) + " page=" + who + " result=" + std::to_string(result) + " -> " +
         std::to_string(answer));
    if (answer < 1) return called;
  }
  const LONG answer = CallFunction(sheet, PROPSHEETUI_REASON_SET_RESULT, reinterpret_cast<LPARAM>(&info));
  Note("SET_RESULT page=" + who + " result=" + std::to_string(result) + " -> " + std::to_string(answer));
  return called + 1;
}

// A sheet function added under the caller's: INIT now, its pages join the sheet, and it is told
// to go (DESTROY) before the function that added it.
LONG_PTR AddFunction(Sheet& sheet, PFNPROPSHEETUI function, LPARAM lParam) {
  if (function == nullptr || sheet.added.size() >= kMaxPages) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto added = std::make_unique<AddedFunction>();
  added->function = function;
  added->handle = plat::InsertHandle(std::make_shared<SheetHandle>(&sheet, nullptr));
  added->info.cbSize = sizeof(PROPSHEETUI_INFO);
  added->info.Version = PROPSHEETUI_INFO_VERSION;
  added->info.Flags = PSUIINFO_UNICODE;
  added->info.hComPropSheet = added->handle;
  added->info.pfnComPropSheet = sheet.info.pfnComPropSheet;
  added->info.lParamInit = lParam;
  added->info.Reason = PROPSHEETUI_REASON_INIT;
  AddedFunction* raw = added.get();
  sheet.added.push_back(std::move(added));
  const LONG answer = raw->function(&raw->info, lParam);
  Note("ADD_FUNCTION " + std::to_string(sheet.added.size()) + " INIT -> " + std::to_string(answer));
  if (answer <= 0) {
    raw->info.Reason = PROPSHEETUI_REASON_DESTROY;
    raw->function(&raw->info, 0);
    plat::RemoveHandle(raw->handle);
    sheet.added.pop_back();
    return 0;
  }
  return reinterpret_cast<LONG_PTR>(raw->handle);
}

LONG_PTR CALLBACK HostComPropSheet(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2) {
  std::shared_ptr<SheetHandle> target = Resolve(hComPropSheet);
  if (!target || !target->sheet->open) {
    SetLastError(ERROR_INVALID_HANDLE);
    return function == CPSFUNC_SET_RESULT ? -1 : 0;
  }
  Sheet& sheet = *target->sheet;
  switch (function) {
    case CPSFUNC_ADD_PROPSHEETPAGEW:
      return AddPage(sheet, reinterpret_cast<const PROPSHEETPAGEW*>(lParam1));
    case CPSFUNC_ADD_PFNPROPSHEETUIW:
      return AddFunction(sheet, reinterpret_cast<PFNPROPSHEETUI>(lParam1), lParam2);
    case CPSFUNC_SET_RESULT: {
      HostPage* page = nullptr;
      if (lParam1 != 0) {
        std::shared_ptr<SheetHandle> named = Resolve(reinterpret_cast<HANDLE>(lParam1));
        if (!named || named->sheet != &sheet) return -1;
        page = named->page;
      }
      return SetResult(sheet, page, lParam2);
    }
    case CPSFUNC_GET_PAGECOUNT:
      return static_cast<LONG_PTR>(sheet.pages.size());
    default:
      Note("FUNCTION " + std::to_string(function) + " not supported");
      SetLastError(ERROR_NOT_SUPPORTED);
      return 0;
  }
}

void ReleasePages(Sheet& sheet) {
  for (size_t i = 0; i < sheet.pages.size(); ++i) {
    PROPSHEETPAGEW& record = *sheet.pages[i]->record();
    if (!(record.dwFlags & PSP_USECALLBACK) || record.pfnCallback == nullptr) continue;
    const UINT answer = record.pfnCallback(nullptr, PSPCB_RELEASE, &record);
    Note("RELEASE " + std::to_string(i) + " -> " + std::to_string(answer));
  }
}

void EndSheet(Sheet& sheet, LPARAM destroyParam) {
  ReleasePages(sheet);
  for (size_t i = sheet.added.size(); i > 0; --i) {
    AddedFunction& added = *sheet.added[i - 1];
    added.info.Reason = PROPSHEETUI_REASON_DESTROY;
    const LONG answer = added.function(&added.info, destroyParam);
    Note("DESTROY function=" + std::to_string(i) + " " + std::to_string(destroyParam) + " -> " + std::to_string(answer));
    plat::RemoveHandle(added.handle);
  }
  const LONG answer = CallFunction(sheet, PROPSHEETUI_REASON_DESTROY, destroyParam);
  Note("DESTROY " + std::to_string(destroyParam) + " -> " + std::to_string(answer));
  sheet.open = false;
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.lastPages.clear();
  for (auto& page : sheet.pages) {
    state.lastPages.push_back(page->bytes);
    plat::RemoveHandle(page->handle);
  }
  plat::RemoveHandle(sheet.handle);
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
  if (picce == nullptr || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  return TRUE;
}

WINBASEAPI LONG WINAPI CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam,
                                              LPDWORD pResult) {
  if (pfnPropSheetUI == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERR_CPSUI_GETLASTERROR;
  }
  Script script;
  {
    HostState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    script = state.script;
  }
  std::string record;
  std::string* outerRecord = t_record;
  t_record = &record;

  Sheet sheet;
  sheet.function = pfnPropSheetUI;
  sheet.handle = plat::InsertHandle(std::make_shared<SheetHandle>(&sheet, nullptr));
  sheet.open = true;
  sheet.info.cbSize = sizeof(PROPSHEETUI_INFO);
  sheet.info.Version = PROPSHEETUI_INFO_VERSION;
  sheet.info.Flags = PSUIINFO_UNICODE;
  sheet.info.hComPropSheet = sheet.handle;
  sheet.info.pfnComPropSheet = HostComPropSheet;
  sheet.info.lParamInit = lParam;

  LONG result = CPSUI_OK;
  const LONG init = CallFunction(sheet, PROPSHEETUI_REASON_INIT, lParam);
  Note("INIT -> " + std::to_string(init));
  if (init <= 0) {
    // The function is told to go even so: whatever it made before failing is its to free.
    EndSheet(sheet, 0);
    result = CPSUI_CANCEL;
  } else {
    PROPSHEETUI_INFO_HEADER header{};
    header.cbSize = sizeof(header);
    header.hWndParent = hWndOwner;
    const LONG headerAnswer = CallFunction(sheet, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&header));
    char flags[16];
    std::snprintf(flags, sizeof(flags), "0x%x", static_cast<unsigned>(header.Flags));
    Note("GET_INFO_HEADER -> " + std::to_string(headerAnswer) + " flags=" + flags + " title=" + Utf8(header.pTitle) +
         " hInst=" + (header.hInst ? "yes" : "no") + " icon=" + std::to_string(header.IconID));

    PROPSHEETUI_GETICON_INFO icon{};
    icon.cbSize = sizeof(icon);
    icon.cxIcon = 32;
    icon.cyIcon = 32;
    const LONG iconAnswer = CallFunction(sheet, PROPSHEETUI_REASON_GET_ICON, reinterpret_cast<LPARAM>(&icon));
    Note("GET_ICON -> " + std::to_string(iconAnswer));

    if (sheet.pages.empty()) {
      EndSheet(sheet, 0);
      result = ERR_CPSUI_NO_PROPSHEETPAGE;
    } else if (!script.set) {
      // The user's sheet: the pages in a real property sheet, which the user closes.
      plat::dialogs::SheetOptions options;
      options.owner = hWndOwner;
      options.title = header.pTitle ? std::u16string(plat::WideView(header.pTitle)) : std::u16string();
      options.noApply = (header.Flags & PSUIHDRF_NOAPPLYNOW) != 0;
      std::vector<PROPSHEETPAGEW*> records;
      for (auto& page : sheet.pages) {
        records.push_back(page->record());
        options.hasHelp = options.hasHelp || (page->record()->dwFlags & PSP_HASHELP);
      }
      const INT_PTR closed = plat::dialogs::RunPropertySheet(options, records);
      Note(closed > 0 ? "CLOSE OK" : closed == 0 ? "CLOSE CANCEL" : "CLOSE FAILED");
      if (closed < 0) result = ERR_CPSUI_CREATEPROPPAGE_FAILED;
      else if (closed == 0) result = CPSUI_CANCEL;
      // Told of the end after OK or Cancel alike.
      EndSheet(sheet, 1);
    } else {
      for (size_t i = 0; i < sheet.pages.size() && i < script.pagesVisited; ++i) {
        PROPSHEETPAGEW& page = *sheet.pages[i]->record();
        if (!(page.dwFlags & PSP_USECALLBACK) || page.pfnCallback == nullptr) {
          Note("CREATE " + std::to_string(i));
          continue;
        }
        const UINT answer = page.pfnCallback(nullptr, PSPCB_CREATE, &page);
        Note("CREATE " + std::to_string(i) + " -> " + std::to_string(answer));
      }
      if (script.whileOpen) script.whileOpen(sheet.handle, HostComPropSheet, script.context);
      Note(script.button == kButtonOk ? "CLOSE OK" : "CLOSE CANCEL");
      EndSheet(sheet, 1);
    }
  }
  if (pResult) *pResult = static_cast<DWORD>(sheet.info.Result);

  t_record = outerRecord;
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.record = record;
  return result;
}

WINBASEAPI void PlatformTest_SetPropertySheetScript(DWORD pagesVisited, int button, PlatformTestSheetAction whileOpen,
                                                    void* context) {
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.script = Script{true, pagesVisited, button, whileOpen, context};
}

WINBASEAPI void PlatformTest_UseRealPropertySheet(void) {
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.script = Script{};
}

WINBASEAPI DWORD PlatformTest_ReadPropertySheetRecord(char* buffer, DWORD capacity) {
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  const DWORD needed = static_cast<DWORD>(state.record.size() + 1);
  if (buffer && capacity) {
    const DWORD copy = needed <= capacity ? needed - 1 : capacity - 1;
    std::memcpy(buffer, state.record.data(), copy);
    buffer[copy] = 0;
  }
  return needed;
}

WINBASEAPI BOOL PlatformTest_GetPropertySheetPage(DWORD index, void* page, DWORD pageBytes) {
  HostState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (index >= state.lastPages.size() || page == nullptr) return FALSE;
  const std::vector<BYTE>& bytes = state.lastPages[index];
  std::memcpy(page, bytes.data(), pageBytes < bytes.size() ? pageBytes : bytes.size());
  return TRUE;
}

}  // extern "C"
