// A window procedure for the desktop tests that records every message it gets, with a hook for
// the answer, and helpers to pump a thread's messages.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <win/user.h>

namespace desktoptest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages seen by RecordingProc, in order, across threads.
class Journal {
 public:
  static Journal& Get() {
    static Journal journal;
    return journal;
  }
  void Add(const Seen& seen) {
    std::lock_guard<std::mutex> guard(lock_);
    seen_.push_back(seen);
  }
  std::vector<Seen> Take() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<Seen> out;
    out.swap(seen_);
    return out;
  }
  // Messages of these numbers only, in order.
  std::vector<UINT> Messages(std::initializer_list<UINT> wanted) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<UINT> out;
    for (const Seen& s : seen_)
      for (UINT w : wanted)
        if (s.message == w) out.push_back(s.message);
    return out;
  }
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool&)> answer;

 private:
  std::mutex lock_;
  std::vector<Seen> seen_;
};

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Journal::Get().Add({hwnd, message, wParam, lParam});
  if (Journal::Get().answer) {
    bool handled = false;
    LRESULT result = Journal::Get().answer(hwnd, message, wParam, lParam, handled);
    if (handled) return result;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

inline void RegisterRecordingClass(const WCHAR* name) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = RecordingProc;
  cls.lpszClassName = name;
  cls.cbWndExtra = 16;
  RegisterClassW(&cls);
}

// Takes and dispatches every message waiting now; returns them in order.
inline std::vector<MSG> PumpWaiting() {
  std::vector<MSG> out;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    out.push_back(msg);
    if (msg.message == WM_QUIT) break;
    DispatchMessageW(&msg);
  }
  return out;
}

}  // namespace desktoptest
