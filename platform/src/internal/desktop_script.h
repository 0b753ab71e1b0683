// The machine-wide answer scripts of the desktop. The platform's own modal user interface
// (message boxes, pop-up menus, the common dialogs) has no person in front of it: each answer
// comes from a script file under <root>/desktop (box-script, menu-script, file-script,
// color-script), written by the test controls and read by whichever process of the machine
// shows the next matching piece of interface. A script holds one answer a line, its fields
// separated by blanks; texts are written as hex UTF-8 ("-" for none) so that any text fits.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <win/base.h>

namespace plat::desktop {

std::string HexField(std::u16string_view text);
std::u16string FromHexField(const std::string& field);

// Appends one answer to script `name`.
void AppendScriptLine(std::string_view name, const std::vector<std::string>& fields);
// Takes the first answer of script `name` that `matches` accepts (the others stay, in order)
// and returns its fields; nullopt when none matches.
std::optional<std::vector<std::string>> TakeScriptLine(
    std::string_view name, const std::function<bool(const std::vector<std::string>&)>& matches);
void ClearScript(std::string_view name);

// The calling program's image file name, which scripts match by.
std::u16string ProgramName();
// A script's program field ("-": any program) against the calling program, without case.
bool ProgramMatches(const std::string& programField);

// The platform's own modal loop, run for `milliseconds` (of the machine's clock, bounded by
// real time): the thread's window messages are dispatched, its thread messages are lost.
void RunPlatformModalLoop(DWORD milliseconds);

}  // namespace plat::desktop
