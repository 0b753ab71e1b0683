// Helpers of the menu, notification-area and common-dialog tests: the machine's call log, the
// fixture resource library placed in a temporary machine, and a window that records its messages.
#pragma once

#include <filesystem>
#include <string>

#include <win/modules.h>
#include <win/user.h>

#include "../desktop/desktop_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace shelltest {

inline std::string CallLog() {
  size_t size = PlatformTest_ReadCallLog(nullptr, 0);
  std::string text(size + 1, '\0');
  PlatformTest_ReadCallLog(text.data(), text.size());
  text.resize(size);
  return text;
}

// The call log's lines that hold `event`.
inline std::vector<std::string> LoggedEvents(const std::string& event) {
  std::vector<std::string> lines;
  std::string log = CallLog();
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    if (line.find("\"event\":\"" + event + "\"") != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The fixture library (menus 129 and 130) copied into the machine and loaded as data.
inline HMODULE LoadFixtures(const testsupport::TempMachine& machine) {
  namespace fs = std::filesystem;
  fs::path target = machine.Host("drives/C/Program Files/Fixtures/shell_fixtures.dll");
  fs::create_directories(target.parent_path());
  fs::copy_file(SHELL_FIXTURES, target, fs::copy_options::overwrite_existing);
  return LoadLibraryExW(u"C:\\Program Files\\Fixtures\\shell_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// A top-level window of the recording class, seen through desktoptest::Journal.
inline HWND MakeRecordingWindow(DWORD style = WS_OVERLAPPEDWINDOW) {
  // Classes belong to the machine's desktop, which each temporary machine makes anew.
  desktoptest::RegisterRecordingClass(u"ShellTestWindow");
  return CreateWindowExW(0, u"ShellTestWindow", u"Owner", style, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace shelltest
