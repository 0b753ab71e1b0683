// A machine made by setup-machine, with the package's files where the installer puts them;
// the test process uses it as a second process of that machine.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include <platform_testing.h>
#include <child_process.h>
#include <temp_machine.h>

namespace testfakes {

class InstalledMachine {
 public:
  explicit InstalledMachine(const std::string& arguments = "") : root_(machine_.root() + "/installed") {
    const std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + root_ + " " + arguments + " 2>&1";
    const testsupport::CommandRun run = testsupport::RunCommand(command);
    output_ = run.output;
    ok_ = run.status == 0;
    PlatformTest_UseMachine(root_.c_str());
  }
  bool ok() const { return ok_; }
  const std::string& output() const { return output_; }
  const std::string& root() const { return root_; }

 private:
  testsupport::TempMachine machine_;
  std::string root_;
  std::string output_;
  bool ok_ = false;
};

}  // namespace testfakes
