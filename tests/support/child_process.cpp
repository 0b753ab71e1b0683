#include "child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace testsupport {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toChild_ = in[1];
  fromChild_ = out[0];
}

ChildProcess::~ChildProcess() {
  CloseInput();
  Wait();
  if (fromChild_ >= 0) close(fromChild_);
}

std::string ChildProcess::ReadLine() {
  for (;;) {
    size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    char buffer[256];
    ssize_t n = read(fromChild_, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string rest = pending_;
      pending_.clear();
      return rest;
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

void ChildProcess::CloseInput() {
  if (toChild_ >= 0) close(toChild_);
  toChild_ = -1;
}

int ChildProcess::Wait() {
  if (waited_ || pid_ <= 0) return status_;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  waited_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return status_;
}

CommandRun RunCommand(const std::string& shellCommand) {
  CommandRun run;
  FILE* pipe = popen(shellCommand.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string TestProgram(const std::string& name) { return std::string(VELMOR_TEST_BIN_DIR) + "/" + name; }

}  // namespace testsupport
