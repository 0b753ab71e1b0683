// The machine-wide answer scripts of the desktop (see internal/desktop_script.h). A script is
// read and rewritten under an exclusive lock on the file, so two processes never take the same
// answer.
#include "internal/desktop_script.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include <win/modules.h>
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/machine.h"
#include "internal/unicode.h"

namespace plat::desktop {

namespace {

std::string ScriptPath(std::string_view name) { return MachineDir("desktop") + "/" + std::string(name); }

}  // namespace

std::string HexField(std::u16string_view text) {
  if (text.empty()) return "-";
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : ToUtf8(text)) {
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
  }
  return out;
}

std::u16string FromHexField(const std::string& field) {
  if (field == "-") return {};
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : 0;
  };
  std::string out;
  for (size_t i = 0; i + 1 < field.size(); i += 2) out.push_back(static_cast<char>(nibble(field[i]) * 16 + nibble(field[i + 1])));
  return FromUtf8(out);
}

void AppendScriptLine(std::string_view name, const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) line += (line.empty() ? "" : " ") + (field.empty() ? std::string("-") : field);
  line += "\n";
  int fd = open(ScriptPath(name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  flock(fd, LOCK_EX);
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  flock(fd, LOCK_UN);
  close(fd);
}

std::optional<std::vector<std::string>> TakeScriptLine(
    std::string_view name, const std::function<bool(const std::vector<std::string>&)>& matches) {
  int fd = open(ScriptPath(name).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  flock(fd, LOCK_EX);
  std::string content;
  char buffer[4096];
  ssize_t n;
  off_t offset = 0;
  while ((n = pread(fd, buffer, sizeof buffer, offset)) > 0) {
    content.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
  std::istringstream in(content);
  std::string line, rest;
  std::optional<std::vector<std::string>> taken;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (!taken) {
      std::istringstream words(line);
      std::vector<std::string> fields;
      for (std::string word; words >> word;) fields.push_back(word);
      if (matches(fields)) {
        taken = std::move(fields);
        continue;
      }
    }
    rest += line + "\n";
  }
  if (taken && ftruncate(fd, 0) == 0) {
    ssize_t written = pwrite(fd, rest.data(), rest.size(), 0);
    (void)written;
  }
  flock(fd, LOCK_UN);
  close(fd);
  return taken;
}

void ClearScript(std::string_view name) { std::remove(ScriptPath(name).c_str()); }

std::u16string ProgramName() {
  WCHAR image[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, image, MAX_PATH);
  std::u16string_view path(image);
  size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool ProgramMatches(const std::string& programField) {
  std::u16string want = FromHexField(programField);
  return want.empty() || EqualsNoCase(want, ProgramName());
}

void RunPlatformModalLoop(DWORD milliseconds) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  {
    std::lock_guard<std::mutex> guard(Lock());
    ++queue->platformModal;
  }
  if (milliseconds) {
    unsigned long long clockEnd = ClockNow() + milliseconds;
    auto realEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    bool quit = false;
    while (!quit && ClockNow() < clockEnd && std::chrono::steady_clock::now() < realEnd) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          // The quit belongs to the caller's own loop: it is put back and the modal loop ends.
          PostQuitMessage(static_cast<int>(msg.wParam));
          quit = true;
          break;
        }
        if (msg.hwnd) DispatchMessageW(&msg);
      }
      if (!quit) MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
  }
  std::lock_guard<std::mutex> guard(Lock());
  --queue->platformModal;
}

}  // namespace plat::desktop
