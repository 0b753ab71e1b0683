// Message boxes, recorded and answered without a person: every box goes into the machine's call
// log (program, owner, text, caption, style, answer), and its answer comes from the machine's box
// script (<root>/desktop/box-script, written by the test controls), matched by program, text or
// caption. An unscripted box takes its default button and is marked so in the log; in strict mode
// (control "BoxStrict" "1") it ends the program instead, so a test cannot miss it.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <win/modules.h>
#include <win/strings.h>
#include <win/user.h>

#include "internal/controls.h"
#include "internal/desktop.h"
#include "internal/desktop_script.h"
#include "internal/machine.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

struct Answer {
  int button = 0;
  DWORD pumpMs = 0;
};

// Takes the first script line that matches this box; each line answers one box:
// "<button> <pump ms> <program> <text> <caption>", the last three contained in the box's own.
bool TakeScripted(std::u16string_view text, std::u16string_view caption, Answer& answer) {
  auto line = TakeScriptLine("box-script", [&](const std::vector<std::string>& fields) {
    if (fields.size() < 5 || !ProgramMatches(fields[2])) return false;
    std::u16string wantText = FromHexField(fields[3]);
    std::u16string wantCaption = FromHexField(fields[4]);
    return (wantText.empty() || text.find(wantText) != std::u16string_view::npos) &&
           (wantCaption.empty() || caption.find(wantCaption) != std::u16string_view::npos);
  });
  if (!line) return false;
  answer.button = std::atoi((*line)[0].c_str());
  answer.pumpMs = static_cast<DWORD>(std::strtoul((*line)[1].c_str(), nullptr, 10));
  return true;
}

int DefaultButton(UINT style) {
  static const std::vector<std::vector<int>> kButtons = {
      {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO}, {IDRETRY, IDCANCEL}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}};
  size_t type = style & MB_TYPEMASK;
  const std::vector<int>& buttons = type < kButtons.size() ? kButtons[type] : kButtons[0];
  size_t index = (style & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  std::u16string text(plat::WideView(lpText));
  std::u16string caption = lpCaption ? std::u16string(plat::WideView(lpCaption)) : u"Error";
  Answer answer;
  bool scripted = TakeScripted(text, caption, answer);
  if (!scripted) {
    answer.button = DefaultButton(uType);
    if (plat::GetControlInt("BoxStrict", 0)) {
      LogCall("\"event\":\"box\",\"owner\":" + std::to_string(FromHwnd(hWnd)) + ",\"text\":" + JsonString(text) +
              ",\"caption\":" + JsonString(caption) + ",\"style\":" + std::to_string(uType) +
              ",\"answer\":0,\"scripted\":false,\"strict\":true");
      std::fprintf(stderr, "unscripted message box in strict mode: %s\n", plat::ToUtf8(text).c_str());
      std::abort();
    }
  }
  RunPlatformModalLoop(answer.pumpMs);
  LogCall("\"event\":\"box\",\"owner\":" + std::to_string(FromHwnd(hWnd)) + ",\"text\":" + JsonString(text) +
          ",\"caption\":" + JsonString(caption) + ",\"style\":" + std::to_string(uType) +
          ",\"answer\":" + std::to_string(answer.button) + ",\"scripted\":" + (scripted ? "true" : "false"));
  return answer.button;
}

WINBASEAPI int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  auto widen = [](LPCSTR text) -> std::u16string {
    if (!text) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
  };
  std::u16string text = widen(lpText), caption = widen(lpCaption);
  return MessageBoxW(hWnd, lpText ? text.c_str() : nullptr, lpCaption ? caption.c_str() : nullptr, uType);
}

}  // extern "C"
