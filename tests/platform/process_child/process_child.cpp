// A program of the machine started by the process tests. It takes its command from the
// command line the stand-in gives it (after the program's own token):
//   exit N               ExitProcess(N)
//   return N             returns N from main
//   report PATH          writes its command line and current folder (UTF-8, one a line) to PATH
//   hold-mutex PATH NAME creates the mutex NAME owning it, writes "<GetLastError()>" to PATH,
//                        then sleeps until it is ended
//   sleep                sleeps until it is ended
#include <cstdlib>
#include <string>

#include <win/files.h>
#include <win/process.h>
#include <win/system.h>

#include "program_text.h"

namespace {

using plat_testing::Utf8;

bool EndsWithExe(std::u16string_view word) {
  if (word.size() < 4) return false;
  std::u16string_view tail = word.substr(word.size() - 4);
  return tail == u".exe" || tail == u".EXE";
}

// Skips the program's own token; an unquoted one with blanks ends at its ".exe".
std::u16string_view SkipToken(std::u16string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] == u' ') ++i;
  if (i < line.size() && line[i] == u'"') {
    size_t close = line.find(u'"', i + 1);
    i = close == std::u16string_view::npos ? line.size() : close + 1;
  } else {
    size_t first = line.find(u' ', i);
    size_t end = i;
    for (;;) {
      end = line.find(u' ', end);
      if (end == std::u16string_view::npos) end = line.size();
      if (EndsWithExe(line.substr(i, end - i))) break;
      if (end == line.size()) {
        end = first == std::u16string_view::npos ? line.size() : first;
        break;
      }
      ++end;
    }
    i = end;
  }
  while (i < line.size() && line[i] == u' ') ++i;
  return line.substr(i);
}

std::u16string NextWord(std::u16string_view& rest) {
  size_t end = rest.find(u' ');
  std::u16string word(rest.substr(0, end));
  rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
  return word;
}

int WriteText(const std::u16string& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 4;
}

}  // namespace

int main() {
  std::u16string_view rest = SkipToken(GetCommandLineW());
  std::u16string command = NextWord(rest);
  if (command == u"exit") ExitProcess(static_cast<UINT>(std::strtoul(Utf8(rest).c_str(), nullptr, 10)));
  if (command == u"return") return static_cast<int>(std::strtol(Utf8(rest).c_str(), nullptr, 10));
  if (command == u"report") {
    WCHAR folder[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return WriteText(std::u16string(rest), Utf8(GetCommandLineW()) + "\n" + Utf8(folder) + "\n");
  }
  if (command == u"hold-mutex") {
    std::u16string path = NextWord(rest);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, std::u16string(rest).c_str());
    std::string error = std::to_string(GetLastError());
    if (!mutex) return 5;
    if (int failed = WriteText(path, error)) return failed;
    for (;;) Sleep(1000);
  }
  if (command == u"sleep") {
    for (;;) Sleep(1000);
  }
  return 2;
}
