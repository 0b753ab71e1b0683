// A machine for the engine's tests: the status file, the English satellite library as the
// resource library, the program's own file in "C:\Program Files\Velmor", and the recording
// desktop peer installed beside it as vm4k2sd.exe.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <afxwin.h>
#include <win/process.h>

#include <platform_testing.h>

#include "common/status_file.h"
#include "temp_machine.h"

namespace statustest {

inline std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

class EngineMachine {
 public:
  EngineMachine() {
    PlatformTest_SetImageName("C:\\Program Files\\Velmor\\vm4k2sm.exe", FALSE);
    PlatformTest_SetComputerName("THISPC", TRUE);
    const std::filesystem::path folder = machine_.Host("drives/C/Program Files/Velmor");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(std::string(VELMOR_OUT_DIR) + "/vm4k2smrcenus.dll", folder / "vm4k2smrcenus.dll");
    resources_ = LoadLibraryExW(u"C:\\Program Files\\Velmor\\vm4k2smrcenus.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    AfxSetResourceHandle(resources_);
    vm4k2common::BuildStatusFilePath(file_, true);
  }
  ~EngineMachine() {
    EndDisplays();
    AfxSetResourceHandle(nullptr);
    if (resources_) FreeLibrary(resources_);
    PlatformTest_ClearProcessControls();
  }
  // The recording program as vm4k2sd.exe, its window of class "ShowDlg PCL6" titled `title`,
  // made after `startDelayMs` of its own.
  void InstallDisplay(const std::string& title, unsigned startDelayMs = 0) {
    const std::string target = machine_.Host("drives/C/Program Files/Velmor/vm4k2sd.exe");
    std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/desktop-peer", target,
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(target + ".config") << "class ShowDlg PCL6\ntitle " << title << "\nstart-delay " << startDelayMs
                                      << "\n";
  }
  // The logs of the displays started so far, one per process.
  std::vector<std::string> DisplayLogs() const {
    std::vector<std::string> out;
    const std::filesystem::path folder = machine_.Host("drives/C/peer");
    if (!std::filesystem::exists(folder)) return out;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      out.push_back(text.str());
    }
    return out;
  }
  // Waits until `count` displays have logged a line starting with `prefix`.
  bool AwaitDisplays(const std::string& prefix, size_t count = 1) const {
    for (int i = 0; i < 3000; ++i) {
      size_t seen = 0;
      for (const std::string& log : DisplayLogs())
        if (log.rfind(prefix, 0) == 0 || log.find("\n" + prefix) != std::string::npos) ++seen;
      if (seen >= count) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Ends every display started so far: by the process ids the shell's starts logged, so that a
  // display still before its first log line ends too.
  void EndDisplays() {
    for (const std::string& start : CallLogEvents("shell")) {
      const size_t at = start.find("\"child\":");
      if (at == std::string::npos) continue;
      const DWORD pid = static_cast<DWORD>(std::stoul(start.substr(at + 8)));
      if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
      }
    }
  }
  // The machine's call log events of the kind ("shell", "sleep"), one JSON line each.
  static std::vector<std::string> CallLogEvents(const std::string& kind) {
    std::string text(PlatformTest_ReadCallLog(nullptr, 0) + 1, '\0');
    text.resize(PlatformTest_ReadCallLog(text.data(), text.size()));
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
      if (line.find("\"event\":\"" + kind + "\"") != std::string::npos) out.push_back(line);
    return out;
  }
  LPCWSTR file() const { return file_; }
  const testsupport::TempMachine& machine() const { return machine_; }
  HMODULE resources() const { return resources_; }
  std::u16string Key(const std::u16string& section, const WCHAR* key) const {
    WCHAR out[600];
    vm4k2common::ReadStatusText(file_, section.c_str(), key, out, 600);
    return out;
  }
  void Set(const std::u16string& section, const WCHAR* key, const std::u16string& value) const {
    vm4k2common::WriteStatusKey(file_, section.c_str(), key, value.c_str());
  }

 private:
  testsupport::TempMachine machine_;
  HMODULE resources_ = nullptr;
  WCHAR file_[MAX_PATH] = {};
};

}  // namespace statustest
