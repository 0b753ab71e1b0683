#include "desktop_tool.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <win/commctrl.h>
#include <win/process.h>
#include <win/psapi.h>
#include <win/strings.h>
#include <win/system.h>

#include "platform_testing.h"
#include "program_text.h"

namespace desktoptool {

namespace {

std::u16string Text(HWND hwnd) {
  WCHAR buffer[1024] = {};
  int n = GetWindowTextW(hwnd, buffer, 1024);
  return std::u16string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::u16string ClassOf(HWND hwnd) {
  WCHAR buffer[256] = {};
  int n = GetClassNameW(hwnd, buffer, 256);
  return std::u16string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string Hex(unsigned long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", value);
  return buffer;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

bool ParseNumber(const std::string& text, unsigned long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoull(text.c_str(), &end, 0);
  return end && *end == 0;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
    char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string Utf8(std::u16string_view text) { return plat_testing::Utf8(text); }

std::u16string Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::vector<WindowInfo> ListWindows() {
  std::vector<HWND> tops;
  EnumWindows([](HWND hwnd, LPARAM list) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&tops));
  std::vector<WindowInfo> out;
  for (HWND hwnd : tops) {
    WindowInfo info;
    info.hwnd = hwnd;
    info.threadId = GetWindowThreadProcessId(hwnd, &info.pid);
    if (!info.threadId) continue;  // gone meanwhile
    info.className = ClassOf(hwnd);
    info.title = Text(hwnd);
    info.visible = IsWindowVisible(hwnd) != FALSE;
    GetWindowRect(hwnd, &info.rect);
    EnumPropsExW(hwnd, [](HWND, LPWSTR name, HANDLE value, ULONG_PTR list) -> BOOL {
      std::u16string shown = IS_INTRESOURCE(name) ? Wide("#" + std::to_string(reinterpret_cast<uintptr_t>(name)))
                                                  : std::u16string(name);
      reinterpret_cast<std::vector<Property>*>(list)->push_back(Property{shown, value});
      return TRUE;
    }, reinterpret_cast<LPARAM>(&info.properties));
    std::vector<HWND> children;
    EnumChildWindows(hwnd, [](HWND child, LPARAM list) -> BOOL {
      reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
      return TRUE;
    }, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      ChildInfo c;
      c.hwnd = child;
      c.id = GetWindowLongPtrW(child, GWLP_ID);
      c.className = ClassOf(child);
      c.text = Text(child);
      c.style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
      info.children.push_back(std::move(c));
    }
    out.push_back(std::move(info));
  }
  return out;
}

std::string FormatWindows(const std::vector<WindowInfo>& windows) {
  std::string out;
  for (const WindowInfo& w : windows) {
    out += Hex(reinterpret_cast<uintptr_t>(w.hwnd)) + " pid=" + std::to_string(w.pid) + " class=\"" +
           Utf8(w.className) + "\" title=\"" + Utf8(w.title) + "\" " + (w.visible ? "visible" : "hidden") +
           " rect=" + RectText(w.rect);
    out += "\n";
    if (!w.properties.empty()) {
      out += "  properties";
      for (const Property& p : w.properties)
        out += " \"" + Utf8(p.name) + "\"=" + Hex(reinterpret_cast<uintptr_t>(p.value));
      out += "\n";
    }
    for (const ChildInfo& c : w.children)
      out += "  " + Hex(reinterpret_cast<uintptr_t>(c.hwnd)) + " id=" + std::to_string(c.id) + " class=\"" +
             Utf8(c.className) + "\" text=\"" + Utf8(c.text) + "\" style=" + Hex(c.style) + "\n";
  }
  return out;
}

HWND FindByName(const std::string& name) {
  unsigned long long value = 0;
  if (ParseNumber(name, value)) {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
    return IsWindow(hwnd) ? hwnd : nullptr;
  }
  std::u16string cls = Wide(name);
  for (const WindowInfo& w : ListWindows())
    if (EqualsNoCase(w.className, cls)) return w.hwnd;
  return nullptr;
}

UINT MessageNumber(const std::string& name) {
  if (name.empty()) return 0;
  unsigned long long value = 0;
  if (ParseNumber(name, value)) return static_cast<UINT>(value);
  static const std::pair<const char*, UINT> kBases[] = {{"WM_USER", WM_USER}, {"WM_APP", WM_APP}};
  for (const auto& [base, number] : kBases) {
    std::string prefix = std::string(base) + "+";
    if (name.rfind(prefix, 0) == 0 && ParseNumber(name.substr(prefix.size()), value))
      return number + static_cast<UINT>(value);
    if (name == base) return number;
  }
  static const std::pair<const char*, UINT> kNames[] = {
      {"WM_CLOSE", WM_CLOSE}, {"WM_COPYDATA", WM_COPYDATA}, {"WM_COMMAND", WM_COMMAND},
      {"WM_SYSCOMMAND", WM_SYSCOMMAND}, {"WM_TIMER", WM_TIMER}, {"WM_QUIT", WM_QUIT},
      {"WM_SETTINGCHANGE", WM_SETTINGCHANGE}, {"WM_PAINT", WM_PAINT}};
  for (const auto& [known, number] : kNames)
    if (name == known) return number;
  return RegisterWindowMessageW(Wide(name).c_str());
}

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(hwnd, message, wParam, lParam) != FALSE;
}

bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &answer)) return false;
  result = static_cast<LRESULT>(answer);
  return true;
}

bool SendCopyData(HWND hwnd, ULONG_PTR data, const std::vector<BYTE>& bytes, DWORD timeoutMs, LRESULT& result) {
  COPYDATASTRUCT copy{data, static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : const_cast<BYTE*>(bytes.data())};
  return Send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), timeoutMs, result);
}

std::vector<BYTE> BytesFromHex(const std::string& hex, bool& ok) {
  std::vector<BYTE> out;
  ok = hex.size() % 2 == 0;
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    ok = false;
    return 0;
  };
  for (size_t i = 0; ok && i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<BYTE>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  if (!ok) out.clear();
  return out;
}

std::vector<BYTE> BytesFromText(const std::u16string& text) {
  std::vector<BYTE> out((text.size() + 1) * sizeof(char16_t), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    out[i * 2] = static_cast<BYTE>(text[i] & 0xFF);
    out[i * 2 + 1] = static_cast<BYTE>(text[i] >> 8);
  }
  return out;
}

bool Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(HWND_BROADCAST, message, wParam, lParam) != FALSE;
}

bool ClickControl(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  RECT rect{};
  if (!control || !GetWindowRect(control, &rect)) return false;
  int x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
  return PlatformTest_MouseInput(x, y, WM_LBUTTONDOWN) && PlatformTest_MouseInput(x, y, WM_LBUTTONUP);
}

bool Type(const std::u16string& text) { return PlatformTest_TypeText(text.c_str()) != FALSE; }

HWND WaitForWindow(const std::u16string& className, const std::u16string& title, DWORD timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    HWND found = FindWindowW(className.empty() ? nullptr : className.c_str(), title.empty() ? nullptr : title.c_str());
    if (found || std::chrono::steady_clock::now() >= deadline) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void QueueBoxAnswer(const std::u16string& program, const std::u16string& text, const std::u16string& caption,
                    int button, DWORD pumpMs) {
  PlatformTest_QueueBoxAnswer(program.c_str(), text.c_str(), caption.c_str(), button, pumpMs);
}

std::vector<ProcessInfo> ListProcesses() {
  std::vector<DWORD> ids(256);
  DWORD needed = 0;
  for (;;) {
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &needed)) return {};
    if (needed < ids.size() * sizeof(DWORD)) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(needed / sizeof(DWORD));
  std::vector<ProcessInfo> out;
  for (DWORD id : ids) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) continue;
    WCHAR image[MAX_PATH] = {};
    DWORD n = GetModuleFileNameExW(process, nullptr, image, MAX_PATH);
    out.push_back(ProcessInfo{id, std::u16string(image, n)});
    CloseHandle(process);
  }
  return out;
}

int EndProcesses(const std::u16string& pidOrName) {
  unsigned long long pid = 0;
  bool byId = ParseNumber(Utf8(pidOrName), pid);
  int ended = 0;
  for (const ProcessInfo& p : ListProcesses()) {
    size_t slash = p.image.find_last_of(u"\\/");
    std::u16string file = slash == std::u16string::npos ? p.image : p.image.substr(slash + 1);
    if (byId ? p.pid != pid : !EqualsNoCase(file, pidOrName)) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.pid);
    if (!process) continue;
    if (TerminateProcess(process, 1)) {
      WaitForSingleObject(process, 5000);
      ++ended;
    }
    CloseHandle(process);
  }
  return ended;
}

namespace {

// Long enough for a program busy drawing, short enough that a hung one does not hang the tool.
constexpr DWORD kCaptureSendMs = 10000;
// A sheet with more pages than this is taken to be answering PSM_SETCURSEL wrongly.
constexpr int kMaxSheetPages = 64;

// A property sheet answers PSM_GETCURRENTPAGEHWND with one of its own children; other dialogs
// answer 0.
bool IsPropertySheet(HWND hwnd, HWND& currentPage) {
  if (ClassOf(hwnd) != u"#32770") return false;
  LRESULT page = 0;
  if (!Send(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0, kCaptureSendMs, page) || !page) return false;
  currentPage = reinterpret_cast<HWND>(page);
  return GetParent(currentPage) == hwnd;
}

}  // namespace

std::string PageCaptureFile(const std::string& path, int number) {
  std::string suffix = "-" + std::to_string(number) + ".png";
  size_t dot = path.size() >= 4 ? path.size() - 4 : std::string::npos;
  if (dot != std::string::npos && EqualsNoCase(Wide(path.substr(dot)), u".png")) return path.substr(0, dot) + suffix;
  return path + suffix;
}

std::vector<std::string> Capture(HWND hwnd, const std::string& path) {
  if (!PlatformTest_CaptureWindow(hwnd, path.c_str())) return {};
  std::vector<std::string> files{path};
  HWND original = nullptr;
  if (!IsPropertySheet(hwnd, original)) return files;
  int originalIndex = -1;
  for (int index = 0; index < kMaxSheetPages; ++index) {
    LRESULT selected = 0, page = 0;
    if (!Send(hwnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0, kCaptureSendMs, selected) || !selected) break;
    if (Send(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0, kCaptureSendMs, page) && reinterpret_cast<HWND>(page) == original)
      originalIndex = index;
    std::string file = PageCaptureFile(path, index + 1);
    if (!PlatformTest_CaptureWindow(hwnd, file.c_str())) break;
    files.push_back(file);
  }
  LRESULT ignored = 0;
  if (originalIndex >= 0) Send(hwnd, PSM_SETCURSEL, static_cast<WPARAM>(originalIndex), 0, kCaptureSendMs, ignored);
  return files;
}

std::string ReadLog() {
  std::string log(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
  log.resize(PlatformTest_ReadCallLog(log.data(), log.size()));
  return log;
}

}  // namespace desktoptool
