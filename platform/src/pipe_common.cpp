// What both ends of a named pipe share: where its instances live, and message reads and writes
// over sequenced-packet sockets (one write, one packet: boundaries are kept).
#include <dirent.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "internal/machine.h"
#include "internal/pipes.h"
#include "internal/process_table.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace plat::pipes {

std::u16string PipeName(std::u16string_view path) {
  std::u16string text(path);
  for (char16_t& c : text)
    if (c == u'/') c = u'\\';
  for (std::u16string_view prefix : {u"\\\\.\\pipe\\", u"\\\\?\\pipe\\"})
    if (text.size() > prefix.size() && EqualsNoCase(std::u16string_view(text).substr(0, prefix.size()), prefix))
      return text.substr(prefix.size());
  return {};
}

std::string PipeFolder(std::u16string_view name, bool create) {
  std::u16string folded;
  for (char16_t c : name) folded.push_back(FoldCase(c));  // pipe names are compared without case
  std::string relative = "pipes/" + ObjectFileName(folded);
  if (create) return MachineDir(relative);
  return MachineRoot() + "/" + relative;
}

std::vector<Instance> LiveInstances(std::u16string_view name) {
  std::vector<Instance> out;
  std::string folder = PipeFolder(name, false);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* entry = readdir(dir)) {
    std::string file = entry->d_name;
    if (file.size() < 6 || file.compare(file.size() - 5, 5, ".info") != 0) continue;
    std::string id = file.substr(0, file.size() - 5);
    Instance instance{folder + "/" + id + ".sock", folder + "/" + id + ".claim", folder + "/" + file};
    std::ifstream in(instance.info);
    std::string type;
    int pid = 0;
    unsigned long long start = 0;
    in >> type >> pid >> start;
    if (!HostProcessAlive(pid, start)) {
      // The server ended without closing: its instance goes with it.
      for (const std::string& path : {instance.socket, instance.claim, instance.info}) unlink(path.c_str());
      continue;
    }
    instance.messageType = type == "message";
    out.push_back(instance);
  }
  closedir(dir);
  std::sort(out.begin(), out.end(), [](const Instance& a, const Instance& b) { return a.info < b.info; });
  return out;
}

DWORD PipeReader::Read(int fd, void* buffer, DWORD size, DWORD& done, bool messageMode) {
  done = 0;
  if (offset >= pending.size()) {
    pending.clear();
    offset = 0;
    ssize_t length;
    do {
      length = recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC);
    } while (length < 0 && errno == EINTR);
    if (length < 0) return ERROR_BROKEN_PIPE;
    pending.resize(static_cast<size_t>(length));
    ssize_t got;
    do {
      got = recv(fd, pending.data(), pending.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return ERROR_BROKEN_PIPE;
    if (got == 0 && length == 0) {
      // A zero-length packet and the end of the connection look alike on a socket; a peek
      // that reports the connection's end tells them apart.
      char probe;
      if (recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0) return ERROR_BROKEN_PIPE;
    }
  }
  size_t left = pending.size() - offset;
  size_t n = std::min<size_t>(left, size);
  if (n) std::memcpy(buffer, pending.data() + offset, n);
  offset += n;
  done = static_cast<DWORD>(n);
  return messageMode && offset < pending.size() ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

DWORD WriteMessage(int fd, const void* buffer, DWORD size, DWORD& done) {
  done = 0;
  ssize_t sent;
  do {
    sent = send(fd, buffer, size, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) return errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN ? ERROR_NO_DATA : ERROR_BROKEN_PIPE;
  done = static_cast<DWORD>(sent);
  return ERROR_SUCCESS;
}

}  // namespace plat::pipes
