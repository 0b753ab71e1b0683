// Named pipes as the machine keeps them: each server instance is a sequenced-packet Unix socket
// under <root>/pipes/<name>/ (the name folded and escaped) with two files beside it: "<id>.info"
// (the pipe's type) and "<id>.claim", which the client that takes the instance holds locked
// for as long as it is connected, so a third party sees the instance busy.
#pragma once

#include <string>
#include <vector>

#include <win/base.h>

namespace plat::pipes {

struct Instance {
  std::string socket;
  std::string claim;
  std::string info;
  bool messageType = false;
};

// The name after "\\.\pipe\", or empty when the path is no pipe path.
std::u16string PipeName(std::u16string_view path);
std::string PipeFolder(std::u16string_view name, bool create);
// The instances whose server is still there.
std::vector<Instance> LiveInstances(std::u16string_view name);

// Reads one message (or bytes) from a connected pipe end; the rest of a message stays for the
// next read. ERROR_MORE_DATA when a message read leaves part of the message behind.
struct PipeReader {
  std::vector<BYTE> pending;
  size_t offset = 0;
  DWORD Read(int fd, void* buffer, DWORD size, DWORD& done, bool messageMode);
};
DWORD WriteMessage(int fd, const void* buffer, DWORD size, DWORD& done);

}  // namespace plat::pipes
