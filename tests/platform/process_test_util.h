// Places the process tests' child program in the machine and reads what it reports.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <win/process.h>

#include "temp_machine.h"

namespace processtest {

// Copies the child program to a machine path ("drives/C/Windows/System32/child.exe").
inline void InstallChild(const testsupport::TempMachine& machine, const std::string& relative) {
  std::filesystem::path target = machine.Host(relative);
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(std::string(VELMOR_TEST_BIN_DIR) + "/platform_process_child", target,
                             std::filesystem::copy_options::overwrite_existing);
}

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

// What a child wrote to a file, once it has written it; empty after 10 s without it.
inline std::string AwaitHostFile(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    std::string text = ReadHostFile(path);
    if (!text.empty()) return text;
    usleep(10000);
  }
  return {};
}

inline BOOL Start(std::u16string commandLine, PROCESS_INFORMATION& info, DWORD flags = 0,
                  const WCHAR* folder = nullptr, const WCHAR* application = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  info = PROCESS_INFORMATION{};
  return CreateProcessW(application, commandLine.empty() ? nullptr : commandLine.data(), nullptr, nullptr, FALSE,
                        flags, nullptr, folder, &startup, &info);
}

inline void CloseInfo(PROCESS_INFORMATION& info) {
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);
  info = PROCESS_INFORMATION{};
}

}  // namespace processtest
