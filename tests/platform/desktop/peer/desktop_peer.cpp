// desktop-peer: a program of the machine for the cross-process desktop tests, installed as
// C:\Windows\System32\peer.exe. Its main window's class and title come from "--class NAME" and
// "--title TEXT" anywhere on its command line (defaults "DesktopPeer" and "Peer"); everything
// else after its own token is what it keeps as its command line. It records, one line each, in
// C:\peer\<pid>.log:
//   cmdline <text>          folder <text>          registered <TaskbarCreated number>
//   shown <0|1>             after its first ShowWindow(SW_SHOWDEFAULT)
//   pre <msg> <wParam>      each message its loop takes, before dispatch (pre-translation)
//   proc <msg> <wParam>     each message its window procedure gets, sent or dispatched
//   copydata <cbData> <hex> the bytes of each WM_COPYDATA
// WM_USER+60 sent to it makes its window procedure wait until the program is ended.
// WM_USER+61 makes it ask "Remove the printer driver?" in a yes/no message box captioned
// "Peer" and record "box <answer>".
// A configuration file beside the program, named after it with ".config" added
// ("vm4k2sm.exe.config"), stands in for options when the command line must stay another
// program's own; one setting a line: "class NAME", "title TEXT", "start-delay MS" (the time it
// takes before it makes its window) and "times" (the pre, proc and copydata lines end with
// " at <GetTickCount64>"). Command-line options win over it.
// "--dialog MODULE ID" instead registers a copy of "#32770" under the class name, as dialog
// programs with a CLASS template do, and runs dialog ID of the resource library MODULE modally,
// recording "ready" at its WM_INITDIALOG and "dialog <result>" at its end (IDOK and IDCANCEL
// end it).
// "--run COMMAND LINE" instead starts that command line suspended at idle priority, lets it go,
// records "started <pid>" and ends at once, as a program that has its own file deleted does.
#include <cstdio>
#include <string>

#include <win/files.h>
#include <win/modules.h>
#include <win/process.h>
#include <win/system.h>
#include <win/user.h>

#include "program_text.h"

namespace {

using plat_testing::AfterProgram;
using plat_testing::Utf8;

HANDLE g_log = INVALID_HANDLE_VALUE;
bool g_times = false;

std::string Stamp() { return g_times ? " at " + std::to_string(GetTickCount64()) : std::string(); }

void Log(const std::string& line) {
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(g_log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Reads the configuration file beside the program, when there is one.
void ReadConfiguration(std::u16string& cls, std::u16string& title, DWORD& startDelay) {
  WCHAR self[MAX_PATH + 1] = {};
  if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return;
  std::u16string path = std::u16string(self) + u".config";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t blank = line.find(' ');
    std::string key = line.substr(0, blank);
    std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (key == "class") cls.assign(value.begin(), value.end());
    else if (key == "title") title.assign(value.begin(), value.end());
    else if (key == "start-delay") startDelay = static_cast<DWORD>(std::stoul(value));
    else if (key == "times") g_times = true;
  }
}

// Takes "--NAME VALUE" out of the text; VALUE runs to the next " --" or the end.
bool TakeOption(std::u16string& text, std::u16string_view name, std::u16string& value) {
  std::u16string key = u"--" + std::u16string(name) + u" ";
  size_t at = text.find(key);
  if (at == std::u16string::npos) return false;
  size_t start = at + key.size();
  size_t end = text.find(u" --", start);
  value = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
  text.erase(at, (end == std::u16string::npos ? text.size() : end + 1) - at);
  while (!text.empty() && text.back() == u' ') text.pop_back();
  return true;
}

LRESULT CALLBACK PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT && message != WM_TIMER)
    Log("proc " + std::to_string(message) + " " + std::to_string(wParam) + Stamp());
  switch (message) {
    case WM_COPYDATA: {
      const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      std::string hex;
      static const char kHex[] = "0123456789abcdef";
      for (DWORD i = 0; data && i < data->cbData; ++i) {
        BYTE b = static_cast<const BYTE*>(data->lpData)[i];
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
      }
      Log("copydata " + std::to_string(data ? data->cbData : 0) + " " + hex + Stamp());
      return TRUE;
    }
    case WM_USER + 60:
      for (;;) Sleep(1000);
    case WM_USER + 61:
      Log("box " + std::to_string(MessageBoxW(hwnd, u"Remove the printer driver?", u"Peer", MB_YESNO)));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

INT_PTR CALLBACK PeerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    Log("ready");
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

int RunDialog(const std::u16string& cls, const std::u16string& what) {
  size_t blank = what.rfind(u' ');
  if (blank == std::u16string::npos) return 4;
  std::u16string module = what.substr(0, blank);
  WNDCLASSW copy{};
  if (!GetClassInfoW(nullptr, u"#32770", &copy)) return 5;
  copy.lpszClassName = cls.c_str();
  Log(std::string("class ") + (RegisterClassW(&copy) ? "registered" : "refused"));
  HMODULE resources = LoadLibraryExW(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!resources) return 6;
  const int id = std::stoi(Utf8(what.substr(blank + 1)));
  INT_PTR result = DialogBoxParamW(resources, MAKEINTRESOURCEW(id), nullptr, PeerDialogProc, 0);
  Log("dialog " + std::to_string(result));
  CloseHandle(g_log);
  return 0;
}

}  // namespace

int main() {
  std::u16string rest(AfterProgram(GetCommandLineW()));
  std::u16string cls = u"DesktopPeer", title = u"Peer";
  DWORD startDelay = 0;
  ReadConfiguration(cls, title, startDelay);
  TakeOption(rest, u"class", cls);
  TakeOption(rest, u"title", title);
  CreateDirectoryW(u"C:\\peer", nullptr);
  std::string pid = std::to_string(GetCurrentProcessId());
  std::u16string logPath = u"C:\\peer\\" + std::u16string(pid.begin(), pid.end()) + u".log";
  g_log = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  WCHAR folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::u16string dialog;
  if (TakeOption(rest, u"dialog", dialog)) return RunDialog(cls, dialog);
  std::u16string run;
  if (TakeOption(rest, u"run", run)) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, run.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &started))
      return 3;
    Log("started " + std::to_string(started.dwProcessId));
    ResumeThread(started.hThread);
    CloseHandle(g_log);
    return 0;
  }
  Log("cmdline " + Utf8(rest));
  Log("folder " + Utf8(folder));
  Log("registered " + std::to_string(RegisterWindowMessageW(u"TaskbarCreated")));
  if (startDelay) Sleep(startDelay);

  WNDCLASSW wc{};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = cls.c_str();
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, cls.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                              nullptr, nullptr, nullptr);
  if (!hwnd) return 1;
  SetPropW(hwnd, u"PeerProcess", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentProcessId())));
  ShowWindow(hwnd, SW_SHOWDEFAULT);
  Log(std::string("shown ") + (IsWindowVisible(hwnd) ? "1" : "0"));
  Log("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    Log("pre " + std::to_string(msg.message) + " " + std::to_string(msg.wParam) + Stamp());
    DispatchMessageW(&msg);
  }
  Log("end");
  CloseHandle(g_log);
  return 0;
}
