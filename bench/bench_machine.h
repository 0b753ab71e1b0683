// A machine installed by setup-machine for the whole run of a benchmark program, removed at exit:
// the delivered libraries, the spooler and the sample printer, as a user's machine has them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform_testing.h"

namespace benchmachine {

class InstalledMachine {
 public:
  // `prefix` names the temporary folder ("bench-text" gives /tmp/bench-text-XXXXXX).
  explicit InstalledMachine(const std::string& prefix) {
    std::string base = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> name(base.begin(), base.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) return;
    root_ = name.data();
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + root_ + " > /dev/null 2>&1";
    ready_ = std::system(command.c_str()) == 0;
    if (ready_) PlatformTest_UseMachine(root_.c_str());
  }
  ~InstalledMachine() {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }
  InstalledMachine(const InstalledMachine&) = delete;
  InstalledMachine& operator=(const InstalledMachine&) = delete;
  bool ready() const { return ready_; }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
  bool ready_ = false;
};

}  // namespace benchmachine
