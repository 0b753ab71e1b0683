// Test controls that script the user's answers to pop-up menus and the common dialogs.
#include <string>

#include "internal/desktop_script.h"
#include "internal/unicode.h"
#include "platform_testing.h"

using namespace plat::desktop;

extern "C" {

WINBASEAPI void PlatformTest_QueueMenuChoice(const WCHAR* program, UINT commandId, DWORD pumpMs) {
  AppendScriptLine("menu-script", {std::to_string(commandId), std::to_string(pumpMs), HexField(plat::WideView(program))});
}

WINBASEAPI void PlatformTest_ClearMenuChoices(void) { ClearScript("menu-script"); }

WINBASEAPI void PlatformTest_QueueOpenFileAnswer(const WCHAR* program, const WCHAR* path) {
  AppendScriptLine("file-script", {path ? "ok" : "cancel", HexField(plat::WideView(program)), HexField(plat::WideView(path))});
}

WINBASEAPI void PlatformTest_QueueColorAnswer(const WCHAR* program, BOOL ok, COLORREF color) {
  AppendScriptLine("color-script", {ok ? "ok" : "cancel", HexField(plat::WideView(program)), std::to_string(color)});
}

WINBASEAPI void PlatformTest_ClearDialogAnswers(void) {
  ClearScript("file-script");
  ClearScript("color-script");
}

}  // extern "C"
