// Script commands of the document: pages and a ResetDC between them.
#include <win/gdi.h>

#include "script.h"
#include "settings.h"

namespace printjob {
namespace {

// page: ends the open page and starts the next one.
bool RunPage(ScriptContext& c, const Arguments& args, std::string& error) {
  if (!args.empty()) return error = "no arguments", false;
  return c.EndCurrentPage(error) && c.EnsurePage(error);
}

// resetdc KEY=VALUE ...: the open page ends; the settings change as --set changes them and the
// DC is reset to them, so the next page prints with them.
bool RunResetDC(ScriptContext& c, const Arguments& args, std::string& error) {
  if (args.empty()) return error = "at least one KEY=VALUE", false;
  std::vector<SettingChange> changes;
  for (const std::string& a : args) {
    SettingChange change;
    if (!ParseSettingChange(a, change, error)) return false;
    changes.push_back(change);
  }
  if (!c.EndCurrentPage(error)) return false;
  std::vector<BYTE> devmode = c.devmode;
  if (!ChangeDevmode(c.printerName, changes, devmode, c.warnings, error)) return false;
  if (ResetDCW(c.hdc, reinterpret_cast<const DEVMODEW*>(devmode.data())) != c.hdc) {
    error = "ResetDCW failed (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  c.devmode = devmode;
  return true;
}

const ScriptCommand kPageCommands[] = {
    {"page", "", RunPage},
    {"resetdc", "KEY=VALUE ...", RunResetDC},
};
PRINTJOB_SCRIPT_COMMANDS(kPageCommands);

}  // namespace
}  // namespace printjob
