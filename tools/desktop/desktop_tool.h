// The desktop of a machine as a test or a person drives it from outside its programs: the
// windows of every process, messages, injected clicks and typing, message-box answers, the
// machine's processes and its call log. The `desktop` program is a command line over this
// library; tests link it directly.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <win/base.h>
#include <win/user.h>

namespace desktoptool {

struct ChildInfo {
  HWND hwnd = nullptr;
  LONG_PTR id = 0;
  std::u16string className;
  std::u16string text;
  DWORD style = 0;
};

struct Property {
  std::u16string name;  // "#N" for an atom-named property
  HANDLE value = nullptr;
  bool operator==(const Property&) const = default;
};

struct WindowInfo {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  DWORD threadId = 0;
  std::u16string className;
  std::u16string title;
  bool visible = false;
  RECT rect{};
  std::vector<Property> properties;
  std::vector<ChildInfo> children;
};

// Every top-level window of the machine, hidden ones too, in z-order.
std::vector<WindowInfo> ListWindows();
// One line per window, one indented line of its properties when it has any, then one indented
// line per child.
std::string FormatWindows(const std::vector<WindowInfo>& windows);

// A window named by its handle (decimal or 0x...) or by its class (without case); NULL when none.
HWND FindByName(const std::string& name);
// A message named by number (decimal or 0x...), WM_USER+N, WM_APP+N, a few WM_ names, or any
// other text as a registered message's name. 0 when the text is empty.
UINT MessageNumber(const std::string& name);

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE with the error when the send failed or timed out.
bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT& result);
// WM_COPYDATA with the bytes; the text form is sent as UTF-16 with its terminator.
bool SendCopyData(HWND hwnd, ULONG_PTR data, const std::vector<BYTE>& bytes, DWORD timeoutMs, LRESULT& result);
std::vector<BYTE> BytesFromHex(const std::string& hex, bool& ok);
std::vector<BYTE> BytesFromText(const std::u16string& text);
// Posts to every top-level window of the machine.
bool Broadcast(UINT message, WPARAM wParam, LPARAM lParam);

// Presses and releases the left button on the centre of the child with this id (injected
// input, so the control's program sees the user's click).
bool ClickControl(HWND parent, int id);
// Types the text into the focus window of the foreground window.
bool Type(const std::u16string& text);
// Waits (real time) for a top-level window of the class and, when given, the title.
HWND WaitForWindow(const std::u16string& className, const std::u16string& title, DWORD timeoutMs);

// Queues the answer of the next message box that matches (empty matches any).
void QueueBoxAnswer(const std::u16string& program, const std::u16string& text, const std::u16string& caption,
                    int button, DWORD pumpMs);

struct ProcessInfo {
  DWORD pid = 0;
  std::u16string image;
};
std::vector<ProcessInfo> ListProcesses();
// Ends the machine's process with this id, or every one whose program has this file name.
// The count of processes ended.
int EndProcesses(const std::u16string& pidOrName);

// Writes the window (a top-level window or a child), its frame and its children as they show
// now to `path` (a host path) as PNG, the window's own thread first painting what is pending.
// A property sheet is then written page by page: each page in turn is made current (as a click
// on its tab would, so a page not visited yet is created and notified) and the sheet written to
// PATH-N.png, N counting from 1, until a page refuses to be left or none is left; the page that
// was current is made current again. The files written, `path` first; empty when even that
// failed (the last error says why).
std::vector<std::string> Capture(HWND hwnd, const std::string& path);
// The file of page `number` of a sheet captured to `path`: "OUT.png" gives "OUT-2.png".
std::string PageCaptureFile(const std::string& path, int number);

// The machine's call log (JSON lines).
std::string ReadLog();

std::string Utf8(std::u16string_view text);
std::u16string Wide(const std::string& utf8);

}  // namespace desktoptool
