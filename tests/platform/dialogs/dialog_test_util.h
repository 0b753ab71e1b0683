// The fixture library and a dialog procedure that records what it is sent, for the dialog and
// control tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <win/modules.h>
#include <win/user.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace dialogtest {

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// What the recording procedure saw, and an optional answer that replaces its own.
struct Recorder {
  std::vector<Seen> seen;
  std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM, bool&)> answer;

  static Recorder& Get() {
    static Recorder recorder;
    return recorder;
  }
  // WM_COMMAND notifications (id, code) in order.
  std::vector<std::pair<int, int>> Commands() const {
    std::vector<std::pair<int, int>> out;
    for (const Seen& s : seen)
      if (s.message == WM_COMMAND) out.emplace_back(LOWORD(s.wParam), HIWORD(s.wParam));
    return out;
  }
  size_t Count(UINT message) const {
    size_t n = 0;
    for (const Seen& s : seen) n += s.message == message;
    return n;
  }
};

// Records every message; ends the dialog on IDOK and IDCANCEL with that id, as dialogs do.
inline INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder& recorder = Recorder::Get();
  recorder.seen.push_back({message, wParam, lParam});
  if (recorder.answer) {
    bool handled = false;
    INT_PTR result = recorder.answer(dialog, message, wParam, lParam, handled);
    if (handled) return result;
  }
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder::Get().seen.clear();
    Recorder::Get().answer = nullptr;
    PlatformTest_ClearDialogActions();
    std::filesystem::path target = machine_.Host("drives/C/Fixtures/dialog_fixtures.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(DIALOG_FIXTURES, target, std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryExW(u"C:\\Fixtures\\dialog_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    Recorder::Get().answer = nullptr;
    PlatformTest_ClearDialogActions();
  }
  HWND Modeless(int id, HWND parent = nullptr) {
    return CreateDialogParamW(module_, MAKEINTRESOURCEW(id), parent, RecordingDialogProc, 0);
  }
  static std::u16string Text(HWND hwnd) {
    WCHAR buffer[256];
    int n = GetWindowTextW(hwnd, buffer, 256);
    return std::u16string(buffer, n > 0 ? n : 0);
  }
  static std::u16string Class(HWND hwnd) {
    WCHAR buffer[64];
    int n = GetClassNameW(hwnd, buffer, 64);
    return std::u16string(buffer, n > 0 ? n : 0);
  }
  static RECT Rect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
  }

  testsupport::TempMachine machine_;
  HMODULE module_ = nullptr;
};

}  // namespace dialogtest
