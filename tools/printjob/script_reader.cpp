// The script reader: lines into commands, and the argument helpers the command tables share.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "script.h"

namespace printjob {
namespace {

std::map<std::string, const ScriptCommand*>& Registry() {
  static std::map<std::string, const ScriptCommand*> registry;
  return registry;
}

bool ParseDecimal(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end && *end == 0 && std::isfinite(out);
}

bool ParseLength(const std::string& token, int logPixels, LONG& out) {
  if (token.size() > 2 && token.compare(token.size() - 2, 2, "in") == 0) {
    double inches = 0;
    if (!ParseDecimal(token.substr(0, token.size() - 2), inches)) return false;
    double units = std::round(inches * logPixels);
    if (units < -1e9 || units > 1e9) return false;
    out = static_cast<LONG>(units);
    return true;
  }
  return ParseInteger(token, out);
}

}  // namespace

void RegisterScriptCommands(const ScriptCommand* commands, size_t count) {
  for (size_t i = 0; i < count; ++i) Registry()[commands[i].name] = &commands[i];
}

const ScriptCommand* FindScriptCommand(const std::string& name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

std::vector<const ScriptCommand*> ScriptCommands() {
  std::vector<const ScriptCommand*> out;
  for (const auto& entry : Registry()) out.push_back(entry.second);
  return out;
}

bool ScriptContext::EnsurePage(std::string& error) {
  if (pageOpen) return true;
  if (StartPage(hdc) <= 0) {
    error = "StartPage failed (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  pageOpen = true;
  ++pages;
  return true;
}

bool ScriptContext::EndCurrentPage(std::string& error) {
  if (!pageOpen) return true;
  pageOpen = false;
  if (EndPage(hdc) <= 0) {
    error = "EndPage failed (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

void ScriptContext::RunCleanups() {
  while (!cleanups.empty()) {
    std::function<void()> cleanup = std::move(cleanups.back());
    cleanups.pop_back();
    cleanup();
  }
}

bool RunScript(ScriptContext& context, const std::string& text, const std::string& source, std::string& error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A comment is a word that is '#' or starts the line with it; colours (#RRGGBB) stay words.
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '#') line.clear();
    for (size_t hash = line.find(" #"); hash != std::string::npos; hash = line.find(" #", hash + 1)) {
      if (hash + 2 == line.size() || line[hash + 2] == ' ' || line[hash + 2] == '\t') {
        line.erase(hash);
        break;
      }
    }
    std::istringstream words(line);
    Arguments args;
    std::string word;
    while (words >> word) args.push_back(word);
    if (args.empty()) continue;
    const std::string name = args.front();
    args.erase(args.begin());
    const ScriptCommand* command = FindScriptCommand(name);
    std::string message;
    if (!command) {
      message = "unknown command '" + name + "'";
    } else if (!command->run(context, args, message)) {
      if (message.empty()) message = "failed";
      message = name + ": " + message + " (" + name + (command->usage[0] ? " " : "") + command->usage + ")";
    } else {
      continue;
    }
    error = source + ":" + std::to_string(number) + ": " + message;
    return false;
  }
  return true;
}

bool ParseInteger(const std::string& token, LONG& out) {
  if (token.empty()) return false;
  char* end = nullptr;
  long long value = std::strtoll(token.c_str(), &end, 0);
  if (!end || *end != 0 || value < -1000000000LL || value > 1000000000LL) return false;
  out = static_cast<LONG>(value);
  return true;
}

bool ParseLengthX(const ScriptContext& context, const std::string& token, LONG& out) {
  return ParseLength(token, GetDeviceCaps(context.hdc, LOGPIXELSX), out);
}

bool ParseLengthY(const ScriptContext& context, const std::string& token, LONG& out) {
  return ParseLength(token, GetDeviceCaps(context.hdc, LOGPIXELSY), out);
}

bool ParsePoints(const ScriptContext& context, const Arguments& args, size_t first, std::vector<POINT>& points) {
  points.clear();
  if (args.size() < first || (args.size() - first) % 2 != 0) return false;
  for (size_t i = first; i + 1 < args.size(); i += 2) {
    LONG x = 0, y = 0;
    if (!ParseLengthX(context, args[i], x) || !ParseLengthY(context, args[i + 1], y)) return false;
    points.push_back(POINT{x, y});
  }
  return true;
}

bool ParseColour(const std::string& token, COLORREF& out) {
  static const std::map<std::string, COLORREF> kNames = {
      {"black", RGB(0, 0, 0)},       {"white", RGB(255, 255, 255)}, {"red", RGB(255, 0, 0)},
      {"green", RGB(0, 128, 0)},     {"blue", RGB(0, 0, 255)},      {"gray", RGB(128, 128, 128)},
      {"lightgray", RGB(192, 192, 192)},
  };
  auto named = kNames.find(token);
  if (named != kNames.end()) {
    out = named->second;
    return true;
  }
  if (token.size() != 7 || token[0] != '#') return false;
  for (size_t i = 1; i < 7; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(token[i]))) return false;
  unsigned long rgb = std::strtoul(token.c_str() + 1, nullptr, 16);
  out = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  return true;
}

}  // namespace printjob
