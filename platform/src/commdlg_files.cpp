// The file-open dialog, answered from the machine's file script (<root>/desktop/file-script,
// one line per dialog: "ok <program> <path>" or "cancel <program> -") and recorded in the
// machine's call log with what the program asked for (filter, folder, flags).
#include <algorithm>
#include <string>
#include <vector>

#include <win/commdlg.h>
#include <win/files.h>

#include "internal/common_dialogs.h"
#include "internal/desktop.h"
#include "internal/desktop_script.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

thread_local DWORD lastError = 0;

// A filter is pairs of texts ending in an empty one; this bounds a list that never ends.
constexpr size_t kMaxFilterChars = 32768;

std::vector<std::u16string> FilterTexts(LPCWSTR filter) {
  std::vector<std::u16string> texts;
  if (!filter) return texts;
  size_t at = 0;
  while (at < kMaxFilterChars && filter[at]) {
    std::u16string text;
    while (at < kMaxFilterChars && filter[at]) text.push_back(filter[at++]);
    texts.push_back(std::move(text));
    ++at;
  }
  return texts;
}

std::u16string BoundedText(LPCWSTR text, size_t capacity) {
  std::u16string out;
  if (!text) return out;
  while (out.size() < capacity && text[out.size()]) out.push_back(text[out.size()]);
  return out;
}

bool Exists(const std::u16string& path, bool wantFolder) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == wantFolder;
}

// Whether the dialog lets the path through: the folder and file checks the flags ask for.
bool PassesChecks(const std::u16string& path, DWORD flags, size_t nameOffset) {
  if (path.empty() || nameOffset >= path.size()) return false;
  if (flags & OFN_FILEMUSTEXIST) return Exists(path, false);
  if ((flags & OFN_PATHMUSTEXIST) && nameOffset > 0) {
    std::u16string folder = path.substr(0, nameOffset);
    // Without its separator, except for a drive's root ("C:\\").
    if (folder.size() > 1 && !(folder.size() == 3 && folder[1] == u':')) folder.pop_back();
    return Exists(folder, true);
  }
  return true;
}

BOOL Finish(BOOL result, DWORD error) {
  lastError = error;
  return result;
}

}  // namespace

namespace plat::commdlg {

void SetExtendedError(DWORD error) { lastError = error; }

}  // namespace plat::commdlg

extern "C" {

WINBASEAPI DWORD WINAPI CommDlgExtendedError(void) { return lastError; }

WINBASEAPI BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW lpofn) {
  if (!lpofn || (lpofn->lStructSize != sizeof(OPENFILENAMEW) && lpofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W))
    return Finish(FALSE, CDERR_STRUCTSIZE);
  if (!lpofn->lpstrFile || lpofn->nMaxFile == 0) return Finish(FALSE, CDERR_INITIALIZATION);

  std::string filter = "[";
  for (const std::u16string& text : FilterTexts(lpofn->lpstrFilter))
    filter += (filter.size() > 1 ? "," : "") + JsonString(text);
  filter += "]";
  std::string asked = "\"event\":\"open-file\",\"owner\":" + std::to_string(FromHwnd(lpofn->hwndOwner)) +
                      ",\"flags\":" + std::to_string(lpofn->Flags) + ",\"filter\":" + filter +
                      ",\"filterIndex\":" + std::to_string(lpofn->nFilterIndex) +
                      ",\"initialDir\":" + JsonString(plat::WideView(lpofn->lpstrInitialDir)) +
                      ",\"file\":" + JsonString(BoundedText(lpofn->lpstrFile, lpofn->nMaxFile)) +
                      ",\"title\":" + JsonString(plat::WideView(lpofn->lpstrTitle)) +
                      ",\"maxFile\":" + std::to_string(lpofn->nMaxFile);

  auto line = TakeScriptLine("file-script", [](const std::vector<std::string>& fields) {
    return fields.size() >= 3 && ProgramMatches(fields[1]);
  });
  bool scripted = line.has_value();
  if (!line || (*line)[0] != "ok") {
    LogCall(asked + ",\"answer\":null,\"scripted\":" + (scripted ? "true" : "false") + ",\"result\":false");
    return Finish(FALSE, 0);
  }
  std::u16string path = FromHexField((*line)[2]);
  size_t slash = path.find_last_of(u"\\/");
  size_t nameOffset = slash == std::u16string::npos ? 0 : slash + 1;
  std::string answered = asked + ",\"answer\":" + JsonString(path) + ",\"scripted\":true";
  if (!PassesChecks(path, lpofn->Flags, nameOffset)) {
    LogCall(answered + ",\"refused\":true,\"result\":false");
    return Finish(FALSE, 0);
  }
  size_t needed = path.size() + 1;
  if (needed > lpofn->nMaxFile) {
    lpofn->lpstrFile[0] = static_cast<WCHAR>(needed > 0xFFFF ? 0xFFFF : needed);
    LogCall(answered + ",\"result\":false,\"error\":" + std::to_string(FNERR_BUFFERTOOSMALL));
    return Finish(FALSE, FNERR_BUFFERTOOSMALL);
  }
  std::copy(path.begin(), path.end(), lpofn->lpstrFile);
  lpofn->lpstrFile[path.size()] = 0;
  size_t dot = path.find_last_of(u'.');
  lpofn->nFileOffset = static_cast<WORD>(nameOffset);
  if (dot == std::u16string::npos || dot < nameOffset)
    lpofn->nFileExtension = static_cast<WORD>(path.size());
  else
    lpofn->nFileExtension = dot + 1 == path.size() ? 0 : static_cast<WORD>(dot + 1);
  if (lpofn->lpstrFileTitle && lpofn->nMaxFileTitle > 0) {
    std::u16string name = path.substr(nameOffset);
    size_t n = std::min<size_t>(name.size(), lpofn->nMaxFileTitle - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), lpofn->lpstrFileTitle);
    lpofn->lpstrFileTitle[n] = 0;
  }
  // The platform's dialog leaves the chosen folder current, as programs that rely on it expect.
  if (!(lpofn->Flags & OFN_NOCHANGEDIR) && nameOffset > 0) {
    std::u16string folder = path.substr(0, nameOffset);
    SetCurrentDirectoryW(folder.c_str());
  }
  LogCall(answered + ",\"result\":true");
  return Finish(TRUE, 0);
}

}  // extern "C"
