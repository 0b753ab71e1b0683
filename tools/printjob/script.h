// The drawing script of printjob: one GDI call per line, UTF-8. A line is a command word and
// its arguments separated by blanks; a line starting with '#', or a '#' standing alone, starts
// a comment (colours are written #RRGGBB); blank lines are skipped. Lengths are
// the device's logical units as GetDeviceCaps reports them, or inches with the unit "in"
// ("1in", "0.5in"), converted with LOGPIXELSX / LOGPIXELSY of the current DC.
//
// Commands are kept in tables, one table per family in a file of its own (script_pages.cpp,
// script_draw.cpp ...); a table registers itself with PRINTJOB_SCRIPT_COMMANDS, so a new family
// needs no change anywhere else. tools/README.md lists every command.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <win/base.h>
#include <win/gdi.h>

namespace printjob {

// What the commands share while one document prints.
struct ScriptContext {
  HDC hdc = nullptr;
  std::u16string printerName;
  std::vector<BYTE> devmode;      // the DC's current DEVMODE (changed by resetdc)
  bool pageOpen = false;
  int pages = 0;                  // pages begun
  // Run at the end of the document, last first: commands that make pens, brushes or regions
  // delete them here, after the DC has let go of them.
  std::vector<std::function<void()>> cleanups;
  std::vector<std::string> warnings;

  // Opens a page when none is open (drawing before any "page" starts the first one).
  bool EnsurePage(std::string& error);
  // Ends the open page, if any.
  bool EndCurrentPage(std::string& error);
  void RunCleanups();
};

using Arguments = std::vector<std::string>;

struct ScriptCommand {
  const char* name;
  const char* usage;  // the arguments, for messages: "LEFT TOP RIGHT BOTTOM"
  // FALSE with a message (without the line number) when the arguments are wrong or the call
  // failed.
  bool (*run)(ScriptContext& context, const Arguments& args, std::string& error);
};

void RegisterScriptCommands(const ScriptCommand* commands, size_t count);
const ScriptCommand* FindScriptCommand(const std::string& name);
std::vector<const ScriptCommand*> ScriptCommands();

#define PRINTJOB_SCRIPT_COMMANDS(table)                                              \
  static const bool table##_registered = (::printjob::RegisterScriptCommands(        \
                                              table, sizeof(table) / sizeof(table[0])), \
                                          true)

// Runs a script's text on the context. FALSE with "<source>:<line>: <message>" on the first bad
// line.
bool RunScript(ScriptContext& context, const std::string& text, const std::string& source, std::string& error);

// ---- Argument helpers for the command tables -----------------------------------------------------

// A length along x or y: an integer of logical units, or a decimal with the unit "in".
bool ParseLengthX(const ScriptContext& context, const std::string& token, LONG& out);
bool ParseLengthY(const ScriptContext& context, const std::string& token, LONG& out);
// A plain integer (decimal, or hexadecimal with 0x).
bool ParseInteger(const std::string& token, LONG& out);
// "x,y" pairs or x y sequences: the arguments from `first` on as points; FALSE on an odd count
// or a bad number.
bool ParsePoints(const ScriptContext& context, const Arguments& args, size_t first, std::vector<POINT>& points);
// An RGB colour: "#RRGGBB", or a name (black, white, red, green, blue, gray).
bool ParseColour(const std::string& token, COLORREF& out);

}  // namespace printjob
