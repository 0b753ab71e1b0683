#include "ui/sheets/help.h"

#include <win/htmlhelp.h>
#include <win/spooler.h>

#include "ui/core/language.h"

namespace vm4k2ui {

bool JoinHelpPath(const WCHAR* folder, const WCHAR* part, WCHAR* out) {
  if (out == nullptr) return false;
  out[0] = 0;
  if (folder == nullptr || part == nullptr) return false;
  size_t folderLength = 0;
  while (folder[folderLength] != 0) ++folderLength;
  size_t partLength = 0;
  while (part[partLength] != 0) ++partLength;
  if (folderLength + partLength >= static_cast<size_t>(kHelpPathUnits)) return false;
  for (size_t i = 0; i < folderLength; ++i) out[i] = folder[i];
  for (size_t i = 0; i < partLength; ++i) out[folderLength + i] = part[i];
  out[folderLength + partLength] = 0;
  return true;
}

BOOL OpenHelp(HWND window, DWORD context) {
  // The folder's buffer is larger than a path may be, so a folder too deep for the join is
  // seen whole and refused rather than cut.
  WCHAR folder[2 * kHelpPathUnits] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder), sizeof(folder) - sizeof(WCHAR),
                                  &needed)) {
    return TRUE;
  }
  WCHAR part[kLanguageNameUnits] = {};
  GetHelpFileName(part);
  part[kLanguageNameUnits - 1] = 0;
  WCHAR path[kHelpPathUnits];
  if (JoinHelpPath(folder, part, path)) HtmlHelpW(window, path, HH_HELP_CONTEXT, context);
  return TRUE;
}

BOOL OpenControlHelp(HWND page, const HELPINFO* info, const HelpLink* table, size_t count) {
  if (info == nullptr || table == nullptr) return TRUE;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].control == info->iCtrlId) {
      OpenHelp(page, table[i].context);
      break;
    }
  }
  return TRUE;
}

}  // namespace vm4k2ui
