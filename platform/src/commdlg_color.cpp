// The colour dialog, answered from the machine's colour script (<root>/desktop/color-script,
// one line per dialog: "ok <program> <COLORREF>" or "cancel <program> 0") and recorded with
// the colour it opened on and the program's 16 custom colours.
#include <cstdio>
#include <string>
#include <vector>

#include <win/commdlg.h>

#include "internal/common_dialogs.h"
#include "internal/desktop.h"
#include "internal/desktop_script.h"

using namespace plat::desktop;

namespace {

std::string Hex(COLORREF color) {
  char text[16];
  std::snprintf(text, sizeof text, "\"%06x\"", static_cast<unsigned>(color & 0xFFFFFF));
  return text;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI ChooseColorW(LPCHOOSECOLORW lpcc) {
  if (!lpcc || lpcc->lStructSize != sizeof(CHOOSECOLORW)) {
    plat::commdlg::SetExtendedError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  if (!lpcc->lpCustColors) {
    plat::commdlg::SetExtendedError(CDERR_INITIALIZATION);
    return FALSE;
  }
  std::string custom = "[";
  for (int i = 0; i < 16; ++i) custom += (i ? "," : "") + Hex(lpcc->lpCustColors[i]);
  custom += "]";
  std::string asked = "\"event\":\"choose-color\",\"owner\":" + std::to_string(FromHwnd(lpcc->hwndOwner)) +
                      ",\"flags\":" + std::to_string(lpcc->Flags) + ",\"initial\":" +
                      ((lpcc->Flags & CC_RGBINIT) ? Hex(lpcc->rgbResult) : std::string("null")) +
                      ",\"custom\":" + custom;
  auto line = TakeScriptLine("color-script", [](const std::vector<std::string>& fields) {
    return fields.size() >= 3 && ProgramMatches(fields[1]);
  });
  plat::commdlg::SetExtendedError(0);
  if (!line || (*line)[0] != "ok") {
    LogCall(asked + ",\"answer\":null,\"scripted\":" + (line ? "true" : "false") + ",\"result\":false");
    return FALSE;
  }
  COLORREF color = static_cast<COLORREF>(std::strtoul((*line)[2].c_str(), nullptr, 10)) & 0xFFFFFF;
  lpcc->rgbResult = color;
  LogCall(asked + ",\"answer\":" + Hex(color) + ",\"scripted\":true,\"result\":true");
  return TRUE;
}

}  // extern "C"
