#include "temp_machine.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform_testing.h"

namespace testsupport {

TempMachine::TempMachine() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/velmor-machine-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  PlatformTest_UseMachine(root_.c_str());
}

TempMachine::~TempMachine() {
  PlatformTest_ClearProcessControls();
  if (!std::getenv("VELMOR_KEEP_MACHINES")) {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
}

}  // namespace testsupport
