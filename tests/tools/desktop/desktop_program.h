// The `desktop` program run on the test's machine, its output and exit status collected.
#pragma once

#include <string>

#include "child_process.h"

namespace desktoptest {

using ToolRun = testsupport::CommandRun;

// `desktop ARGUMENTS` (a shell command line) on the machine at `root`, stderr with stdout.
inline ToolRun RunDesktop(const std::string& root, const std::string& arguments) {
  return testsupport::RunCommand("PLATFORM_ROOT='" + root + "' " + VELMOR_OUT_DIR + "/desktop " + arguments + " 2>&1");
}

}  // namespace desktoptest
