// The `desktop` program run on the test's machine, its output and exit status collected.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace desktoptest {

struct ToolRun {
  int status = -1;
  std::string output;
};

// `desktop ARGUMENTS` (a shell command line) on the machine at `root`, stderr with stdout.
inline ToolRun RunDesktop(const std::string& root, const std::string& arguments) {
  ToolRun run;
  std::string command = "PLATFORM_ROOT='" + root + "' " + VELMOR_OUT_DIR + "/desktop " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace desktoptest
