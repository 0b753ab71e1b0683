// Message boxes, recorded and answered without a person: every box goes into the machine's call
// log (program, owner, text, caption, style, answer), and its answer comes from the machine's box
// script (<root>/desktop/box-script, written by the test controls), matched by program, text or
// caption. An unscripted box takes its default button and is marked so in the log; in strict mode
// (control "BoxStrict" "1") it ends the program instead, so a test cannot miss it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
#include "internal/machine.h"
#include "internal/unicode.h"

using namespace plat::desktop;

namespace {

struct Answer {
  int button = 0;
  DWORD pumpMs = 0;
};

std::string FromHexField(const std::string& field) {
  if (field == "-") return {};
  std::string out;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < field.size(); i += 2) out.push_back(static_cast<char>(nibble(field[i]) * 16 + nibble(field[i + 1])));
  return out;
}

std::u16string ProgramName() {
  WCHAR image[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, image, MAX_PATH);
  std::u16string_view path(image);
  size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// Takes the first script line that matches this box; each line answers one box.
bool TakeScripted(std::u16string_view text, std::u16string_view caption, Answer& answer) {
  std::string path = plat::MachineDir("desktop") + "/box-script";
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
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
  bool found = false;
  std::u16string program = ProgramName();
  while (std::getline(in, line)) {
    if (found || line.empty()) {
      if (!line.empty()) rest += line + "\n";
      continue;
    }
    std::istringstream fields(line);
    std::string button, pump, programField, textField, captionField;
    fields >> button >> pump >> programField >> textField >> captionField;
    std::u16string wantProgram = plat::FromUtf8(FromHexField(programField));
    std::u16string wantText = plat::FromUtf8(FromHexField(textField));
    std::u16string wantCaption = plat::FromUtf8(FromHexField(captionField));
    bool match = (wantProgram.empty() || plat::EqualsNoCase(wantProgram, program)) &&
                 (wantText.empty() || text.find(wantText) != std::u16string_view::npos) &&
                 (wantCaption.empty() || caption.find(wantCaption) != std::u16string_view::npos);
    if (!match) {
      rest += line + "\n";
      continue;
    }
    found = true;
    answer.button = std::atoi(button.c_str());
    answer.pumpMs = static_cast<DWORD>(std::strtoul(pump.c_str(), nullptr, 10));
  }
  if (found && ftruncate(fd, 0) == 0) {
    ssize_t written = pwrite(fd, rest.data(), rest.size(), 0);
    (void)written;
  }
  flock(fd, LOCK_UN);
  close(fd);
  return found;
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

// The box's own modal loop, for as long as the answer says: the thread's window messages are
// dispatched, its thread messages are lost.
void Pump(DWORD milliseconds) {
  if (!milliseconds) return;
  unsigned long long clockEnd = ClockNow() + milliseconds;
  auto realEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (ClockNow() < clockEnd && std::chrono::steady_clock::now() < realEnd) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (msg.hwnd) DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
  }
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  std::u16string text(plat::WideView(lpText));
  std::u16string caption = lpCaption ? std::u16string(plat::WideView(lpCaption)) : u"Error";
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
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
  {
    std::lock_guard<std::mutex> guard(Lock());
    ++queue->platformModal;
  }
  Pump(answer.pumpMs);
  {
    std::lock_guard<std::mutex> guard(Lock());
    --queue->platformModal;
  }
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
