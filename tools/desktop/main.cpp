// desktop: drives the desktop of the machine PLATFORM_ROOT names, from outside its programs.
//   desktop windows                          every top-level window with its children
//   desktop post WINDOW MESSAGE [W [L]]      WINDOW: handle or class; MESSAGE: number, WM_USER+N,
//   desktop send WINDOW MESSAGE [W [L]]        a WM_ name or a registered message's name
//   desktop copydata WINDOW (--hex HEX | --text TEXT) [--data N]
//   desktop broadcast MESSAGE [W [L]]
//   desktop click WINDOW ID                  a left click on the centre of the child control ID
//   desktop type TEXT                        into the focus window of the foreground window
//   desktop wait CLASS [TITLE] [--timeout MS]
//   desktop box-answer BUTTON [--program P] [--text T] [--caption C] [--pump MS]
//   desktop processes | kill PID-or-NAME | log
//   desktop capture WINDOW OUT.png           the window as PNG; a property sheet also page by
//                                            page, to OUT-1.png, OUT-2.png ... (the files printed)
// Exit status: 0 done, 1 the call failed, 2 bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <win/system.h>

#include "desktop_tool.h"

using namespace desktoptool;

namespace {

constexpr DWORD kSendTimeoutMs = 5000;

int Usage() {
  std::fprintf(stderr,
               "usage: desktop windows | post|send WINDOW MESSAGE [W [L]] | copydata WINDOW (--hex HEX | --text TEXT)"
               " [--data N] | broadcast MESSAGE [W [L]] | click WINDOW ID | type TEXT | wait CLASS [TITLE]"
               " [--timeout MS] | box-answer BUTTON [--program P] [--text T] [--caption C] [--pump MS] | processes"
               " | kill PID-or-NAME | log | capture WINDOW OUT.png\n");
  return 2;
}

long long Number(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 0); }

// "--NAME VALUE" out of the arguments; the rest stay in order.
std::string TakeOption(std::vector<std::string>& args, const std::string& name, const std::string& fallback) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] != "--" + name) continue;
    std::string value = args[i + 1];
    args.erase(args.begin() + static_cast<ptrdiff_t>(i), args.begin() + static_cast<ptrdiff_t>(i) + 2);
    return value;
  }
  return fallback;
}

int Failed(const char* what) {
  std::fprintf(stderr, "desktop: %s failed (error %u)\n", what, GetLastError());
  return 1;
}

HWND Window(const std::string& name) {
  HWND hwnd = FindByName(name);
  if (!hwnd) std::fprintf(stderr, "desktop: no window \"%s\"\n", name.c_str());
  return hwnd;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  auto arg = [&](size_t i, const char* fallback) { return i < args.size() ? args[i] : std::string(fallback); };

  if (command == "windows") {
    std::fputs(FormatWindows(ListWindows()).c_str(), stdout);
    return 0;
  }
  if (command == "post" || command == "send") {
    if (args.size() < 2) return Usage();
    HWND hwnd = Window(args[0]);
    if (!hwnd) return 1;
    UINT message = MessageNumber(args[1]);
    WPARAM w = static_cast<WPARAM>(Number(arg(2, "0")));
    LPARAM l = static_cast<LPARAM>(Number(arg(3, "0")));
    if (command == "post") return Post(hwnd, message, w, l) ? 0 : Failed("post");
    LRESULT result = 0;
    if (!Send(hwnd, message, w, l, kSendTimeoutMs, result)) return Failed("send");
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  if (command == "copydata") {
    std::string hex = TakeOption(args, "hex", ""), text = TakeOption(args, "text", "");
    ULONG_PTR data = static_cast<ULONG_PTR>(Number(TakeOption(args, "data", "0")));
    if (args.size() != 1 || hex.empty() == text.empty()) return Usage();
    bool ok = true;
    std::vector<BYTE> bytes = hex.empty() ? BytesFromText(Wide(text)) : BytesFromHex(hex, ok);
    if (!ok) {
      std::fprintf(stderr, "desktop: \"%s\" is not hexadecimal bytes\n", hex.c_str());
      return 2;
    }
    HWND hwnd = Window(args[0]);
    if (!hwnd) return 1;
    LRESULT result = 0;
    if (!SendCopyData(hwnd, data, bytes, kSendTimeoutMs, result)) return Failed("send");
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  if (command == "broadcast") {
    if (args.empty()) return Usage();
    return Broadcast(MessageNumber(args[0]), static_cast<WPARAM>(Number(arg(1, "0"))),
                     static_cast<LPARAM>(Number(arg(2, "0"))))
               ? 0
               : Failed("broadcast");
  }
  if (command == "click") {
    if (args.size() != 2) return Usage();
    HWND hwnd = Window(args[0]);
    if (!hwnd) return 1;
    return ClickControl(hwnd, static_cast<int>(Number(args[1]))) ? 0 : Failed("click");
  }
  if (command == "type") {
    if (args.size() != 1) return Usage();
    return Type(Wide(args[0])) ? 0 : Failed("type");
  }
  if (command == "wait") {
    DWORD timeout = static_cast<DWORD>(Number(TakeOption(args, "timeout", "10000")));
    if (args.empty() || args.size() > 2) return Usage();
    HWND found = WaitForWindow(Wide(args[0]), Wide(arg(1, "")), timeout);
    if (!found) {
      std::fprintf(stderr, "desktop: no window of class \"%s\" came\n", args[0].c_str());
      return 1;
    }
    std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(found)));
    return 0;
  }
  if (command == "box-answer") {
    std::string program = TakeOption(args, "program", ""), text = TakeOption(args, "text", "");
    std::string caption = TakeOption(args, "caption", ""), pump = TakeOption(args, "pump", "0");
    if (args.size() != 1) return Usage();
    QueueBoxAnswer(Wide(program), Wide(text), Wide(caption), static_cast<int>(Number(args[0])),
                   static_cast<DWORD>(Number(pump)));
    return 0;
  }
  if (command == "processes") {
    for (const ProcessInfo& p : ListProcesses()) std::printf("%u %s\n", p.pid, Utf8(p.image).c_str());
    return 0;
  }
  if (command == "kill") {
    if (args.size() != 1) return Usage();
    int ended = EndProcesses(Wide(args[0]));
    std::printf("%d\n", ended);
    return ended ? 0 : 1;
  }
  if (command == "log") {
    std::fputs(ReadLog().c_str(), stdout);
    return 0;
  }
  if (command == "capture") {
    if (args.size() != 2) return Usage();
    HWND hwnd = Window(args[0]);
    if (!hwnd) return 1;
    std::vector<std::string> files = Capture(hwnd, args[1]);
    if (files.empty()) return Failed("capture");
    for (const std::string& file : files) std::printf("%s\n", file.c_str());
    return 0;
  }
  return Usage();
}
