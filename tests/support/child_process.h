// A program started by a test in the test's machine (fork/exec, PLATFORM_ROOT inherited), with
// pipes to its standard input and output. Used for cross-process behaviour: the child reports
// each step on a line, and the test answers by closing the child's input, so nothing depends on
// timing.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class ChildProcess {
 public:
  // Starts `program` (a path) with `args`.
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line the child writes (without the line feed); empty at end of output.
  std::string ReadLine();
  // Closes the child's input: a child waiting for its input to end goes on.
  void CloseInput();
  // Waits for the child to end and returns its exit status (-1 when it did not exit normally).
  int Wait();

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string pending_;
  int status_ = -1;
  bool waited_ = false;
};

// A shell command run to its end: its exit status (-1 when it did not exit normally) and what
// it wrote to its standard output (add " 2>&1" to the command to collect its errors too).
struct CommandRun {
  int status = -1;
  std::string output;
};
CommandRun RunCommand(const std::string& shellCommand);

// Path of a test helper program built beside the test executables.
std::string TestProgram(const std::string& name);

}  // namespace testsupport
