#include "ui/core/message_box.h"

#include <string_view>

#include <win/user.h>

#include "ui/core/language.h"

namespace vm4k2ui {

int ShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
  WCHAR language[kLanguageNameUnits] = {};
  GetUiLanguage(language);
  if (std::u16string_view(language) == u"Arabic") style |= MB_RTLREADING | MB_RIGHT;
  return MessageBoxW(owner, text, caption, style);
}

}  // namespace vm4k2ui
