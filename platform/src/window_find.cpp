// Finding windows across the machine: FindWindowW, FindWindowExW and EnumWindows see the
// top-level windows of every live process of the machine, hidden ones too, in z-order.
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

bool ClassMatches(const WindowRecord& record, LPCWSTR className) {
  if (!className) return true;
  if (IS_INTRESOURCE(className))
    return plat::EqualsNoCase(record.className,
                              u"#" + plat::FromUtf8(std::to_string(reinterpret_cast<uintptr_t>(className))));
  return plat::EqualsNoCase(record.className, plat::WideView(className));
}

bool TitleMatches(const WindowRecord& record, LPCWSTR title) {
  return !title || plat::EqualsNoCase(record.text, plat::WideView(title));
}

}  // namespace

extern "C" {

WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  for (const WindowRecord& record : AllRecords())
    if (IsTopLevel(record) && ClassMatches(record, lpClassName) && TitleMatches(record, lpWindowName)) return record.hwnd;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

WINBASEAPI HWND WINAPI FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow) {
  bool messageOnly = hWndParent == HWND_MESSAGE;
  std::vector<WindowRecord> all = AllRecords();
  std::vector<const WindowRecord*> candidates;
  for (const WindowRecord& record : all) {
    bool inScope = messageOnly ? record.messageOnly : hWndParent ? record.parent == hWndParent : IsTopLevel(record);
    if (inScope) candidates.push_back(&record);
  }
  if (hWndParent && !messageOnly) {
    // Children come in creation order, as the platform keeps them.
    std::sort(candidates.begin(), candidates.end(), [](auto* a, auto* b) { return a->z < b->z; });
  }
  bool past = hWndChildAfter == nullptr;
  for (const WindowRecord* record : candidates) {
    if (!past) {
      past = record->hwnd == hWndChildAfter;
      continue;
    }
    if (ClassMatches(*record, lpszClass) && TitleMatches(*record, lpszWindow)) return record->hwnd;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

WINBASEAPI BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  if (!lpEnumFunc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Taken before the first call, so the callback may create or destroy windows.
  std::vector<HWND> order;
  for (const WindowRecord& record : AllRecords())
    if (IsTopLevel(record)) order.push_back(record.hwnd);
  for (HWND hwnd : order) {
    if (!IsWindow(hwnd)) continue;
    if (!lpEnumFunc(hwnd, lParam)) return FALSE;
  }
  return TRUE;
}

}  // extern "C"
