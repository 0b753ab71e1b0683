// Starts the machine's second program (platform-peer) with fork/exec and collects what it
// prints. The child inherits PLATFORM_ROOT, so it works in the test's machine.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct PeerResult {
  int exitCode = -1;
  std::string output;
};

// Starts the peer; the caller reads its output from `readEnd` and waits for `pid`.
inline pid_t StartPeer(const std::vector<std::string>& args, int& readEnd) {
  std::string program = std::string(VELMOR_TEST_BIN_DIR) + "/platform-peer";
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  readEnd = pipeEnds[0];
  return pid;
}

inline PeerResult FinishPeer(pid_t pid, int readEnd) {
  PeerResult result;
  char buffer[4096];
  ssize_t n;
  while ((n = read(readEnd, buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<size_t>(n));
  close(readEnd);
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

inline PeerResult RunPeer(const std::vector<std::string>& args) {
  int readEnd = -1;
  pid_t pid = StartPeer(args, readEnd);
  if (pid < 0) return {};
  return FinishPeer(pid, readEnd);
}
