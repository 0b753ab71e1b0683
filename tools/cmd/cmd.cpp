// The machine's command interpreter: "cmd /c COMMAND [& COMMAND]...", where a command is
// "del [/f] [/q] PATH..." (or "erase"). Words are split as the interpreter splits them: blanks
// separate, double quotes group and are removed, so an unquoted path with blanks is several
// names. Started at idle priority, it first waits (at most 10 s) for the program that started it
// to end: the stand-in's scheduling gives the idle interpreter no time while its creator runs,
// which makes a program's deletion of its own file deterministic.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <win/files.h>
#include <win/process.h>
#include <win/system.h>

#include "program_text.h"

namespace {

using plat_testing::AfterProgram;
using plat_testing::Utf8;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? a[i] + 32 : a[i];
    char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? b[i] + 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

// Commands separated by '&' outside quotes.
std::vector<std::u16string> SplitCommands(std::u16string_view text) {
  std::vector<std::u16string> out(1);
  bool quoted = false;
  for (char16_t c : text) {
    if (c == u'"') quoted = !quoted;
    if (c == u'&' && !quoted) {
      out.emplace_back();
      continue;
    }
    out.back().push_back(c);
  }
  return out;
}

std::vector<std::u16string> Words(std::u16string_view text) {
  std::vector<std::u16string> out;
  std::u16string word;
  bool quoted = false, any = false;
  for (char16_t c : text) {
    if (c == u'"') {
      quoted = !quoted;
      any = true;
      continue;
    }
    if (IsBlank(c) && !quoted) {
      if (any) out.push_back(word);
      word.clear();
      any = false;
      continue;
    }
    word.push_back(c);
    any = true;
  }
  if (any) out.push_back(word);
  return out;
}

int Delete(const std::vector<std::u16string>& words) {
  bool force = false;
  std::vector<std::u16string> paths;
  for (size_t i = 1; i < words.size(); ++i) {
    if (EqualsNoCase(words[i], u"/f")) force = true;
    else if (EqualsNoCase(words[i], u"/q")) continue;
    else paths.push_back(words[i]);
  }
  if (paths.empty()) {
    std::printf("The syntax of the command is incorrect.\n");
    return 1;
  }
  int result = 0;
  for (const std::u16string& path : paths) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      std::printf("Could Not Find %s\n", Utf8(path).c_str());
      continue;
    }
    if (force && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (!DeleteFileW(path.c_str())) {
      std::printf("%s\nAccess is denied.\n", Utf8(path).c_str());
      result = 1;
    }
  }
  return result;
}

// The creator, as the stand-in's start named it: "<pid> <start time>".
void AwaitCreator() {
  const char* creator = std::getenv("PLATFORM_CREATOR");
  if (!creator) return;
  std::istringstream in(creator);
  std::string pid, start;
  in >> pid >> start;
  auto alive = [&] {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    size_t close = line.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(line.substr(close + 2));
    // After the name: the state (field 3), then fields 4 to 22, the last being the start time.
    std::string field, state;
    fields >> state;
    for (int i = 4; i <= 22 && fields >> field; ++i) {
    }
    return state != "Z" && state != "X" && field == start;
  };
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ULONGLONG deadline = GetTickCount64() + 10000;
  while (alive() && GetTickCount64() < deadline) WaitForSingleObject(never, 5);
  CloseHandle(never);
}

}  // namespace

int main() {
  if (GetPriorityClass(GetCurrentProcess()) == IDLE_PRIORITY_CLASS) AwaitCreator();
  std::vector<std::u16string> head = Words(AfterProgram(GetCommandLineW()));
  std::u16string_view rest = AfterProgram(GetCommandLineW());
  size_t at = 0;
  while (at < rest.size() && IsBlank(rest[at])) ++at;
  if (head.empty() || !(EqualsNoCase(head[0], u"/c") || EqualsNoCase(head[0], u"/k"))) return 0;
  std::u16string_view commands = rest.substr(at + 2);
  int result = 0;
  for (const std::u16string& command : SplitCommands(commands)) {
    std::vector<std::u16string> words = Words(command);
    if (words.empty()) continue;
    if (EqualsNoCase(words[0], u"del") || EqualsNoCase(words[0], u"erase")) {
      result = Delete(words);
    } else {
      std::printf("'%s' is not recognized as an internal or external command,\noperable program or batch file.\n",
                  Utf8(words[0]).c_str());
      result = 1;
    }
  }
  std::fflush(stdout);
  return result;
}
