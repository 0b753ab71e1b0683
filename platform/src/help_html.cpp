// HtmlHelpW, recorded in the machine's call log.
#include <string>

#include <win/files.h>
#include <win/htmlhelp.h>

#include "internal/desktop.h"
#include "internal/unicode.h"

extern "C" {

WINBASEAPI HWND WINAPI HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
  using namespace plat::desktop;
  std::u16string file(plat::WideView(pszFile));
  // A topic is named after "::" (file.chm::/topic.htm); the file is what must exist.
  std::u16string container = file.substr(0, file.find(u"::"));
  bool exists = !container.empty() && GetFileAttributesW(container.c_str()) != INVALID_FILE_ATTRIBUTES;
  LogCall("\"event\":\"html-help\",\"caller\":" + std::to_string(FromHwnd(hwndCaller)) + ",\"file\":" +
          JsonString(file) + ",\"command\":" + std::to_string(uCommand) + ",\"data\":" + std::to_string(dwData) +
          ",\"exists\":" + (exists ? "true" : "false"));
  return nullptr;
}

}  // extern "C"
