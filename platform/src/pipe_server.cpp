// The server end of a named pipe: CreateNamedPipeW, ConnectNamedPipe, DisconnectNamedPipe.
// Only the machine's test pipe server uses it; the driver package is always the client.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>

#include <win/namedpipe.h>

#include "internal/devices.h"
#include "internal/pipes.h"
#include "internal/process_table.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace {

std::mutex g_counterLock;
unsigned g_counter = 0;

struct PipeServer : plat::IoObject {
  std::mutex lock;
  plat::pipes::Instance instance;
  int listener = -1;
  int fd = -1;
  bool messageRead = false;
  plat::pipes::PipeReader reader;

  ~PipeServer() override {
    if (fd >= 0) close(fd);
    if (listener >= 0) close(listener);
    for (const std::string& path : {instance.info, instance.socket, instance.claim}) unlink(path.c_str());
  }
  DWORD Read(void* buffer, DWORD size, DWORD& done, OVERLAPPED*) override {
    if (fd < 0) {
      done = 0;
      return ERROR_PIPE_LISTENING;
    }
    return reader.Read(fd, buffer, size, done, messageRead);
  }
  DWORD Write(const void* buffer, DWORD size, DWORD& done, OVERLAPPED*) override {
    if (fd < 0) {
      done = 0;
      return ERROR_PIPE_LISTENING;
    }
    return plat::pipes::WriteMessage(fd, buffer, size, done);
  }
  DWORD Flush() override { return ERROR_SUCCESS; }
};

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI CreateNamedPipeW(LPCWSTR lpName, DWORD dwOpenMode, DWORD dwPipeMode, DWORD nMaxInstances,
                                          DWORD, DWORD, DWORD, LPSECURITY_ATTRIBUTES) {
  std::u16string name = plat::pipes::PipeName(plat::WideView(lpName));
  if (name.empty() || name.size() > 256 || !(dwOpenMode & PIPE_ACCESS_DUPLEX) || nMaxInstances == 0 ||
      nMaxInstances > PIPE_UNLIMITED_INSTANCES || ((dwPipeMode & PIPE_READMODE_MESSAGE) && !(dwPipeMode & PIPE_TYPE_MESSAGE))) {
    SetLastError(name.empty() ? ERROR_INVALID_NAME : ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (nMaxInstances != PIPE_UNLIMITED_INSTANCES && plat::pipes::LiveInstances(name).size() >= nMaxInstances) {
    SetLastError(ERROR_PIPE_BUSY);
    return INVALID_HANDLE_VALUE;
  }
  std::string folder = plat::pipes::PipeFolder(name, true);
  unsigned serial;
  {
    std::lock_guard<std::mutex> guard(g_counterLock);
    serial = ++g_counter;
  }
  std::string id = std::to_string(getpid()) + "-" + std::to_string(serial);
  auto server = std::make_shared<PipeServer>();
  server->instance = plat::pipes::Instance{folder + "/" + id + ".sock", folder + "/" + id + ".claim",
                                           folder + "/" + id + ".info", (dwPipeMode & PIPE_TYPE_MESSAGE) != 0};
  server->messageRead = (dwPipeMode & PIPE_READMODE_MESSAGE) != 0;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0 || server->instance.socket.size() >= sizeof address.sun_path) {
    if (fd >= 0) close(fd);
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  std::memcpy(address.sun_path, server->instance.socket.c_str(), server->instance.socket.size() + 1);
  unlink(server->instance.socket.c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1) != 0) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  server->listener = fd;
  int claim = open(server->instance.claim.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (claim >= 0) close(claim);
  {
    // Written last: clients look only at instances with their info in place.
    std::string temp = server->instance.info + ".tmp";
    std::ofstream out(temp, std::ios::trunc);
    out << (server->instance.messageType ? "message" : "byte") << " " << getpid() << " "
        << plat::HostProcessStartTime(getpid()) << "\n";
    out.close();
    std::rename(temp.c_str(), server->instance.info.c_str());
  }
  return plat::InsertHandle(server);
}

WINBASEAPI BOOL WINAPI ConnectNamedPipe(HANDLE hNamedPipe, LPOVERLAPPED) {
  std::shared_ptr<PipeServer> server = plat::LookupHandleAs<PipeServer>(hNamedPipe);
  if (!server) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (server->fd >= 0) {
    SetLastError(ERROR_PIPE_CONNECTED);
    return FALSE;
  }
  int fd;
  do {
    fd = accept4(server->listener, nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastError(ERROR_BROKEN_PIPE);
    return FALSE;
  }
  server->fd = fd;
  server->reader = plat::pipes::PipeReader{};
  return TRUE;
}

WINBASEAPI BOOL WINAPI DisconnectNamedPipe(HANDLE hNamedPipe) {
  std::shared_ptr<PipeServer> server = plat::LookupHandleAs<PipeServer>(hNamedPipe);
  if (!server) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (server->fd >= 0) {
    close(server->fd);
    server->fd = -1;
  }
  return TRUE;
}

}  // extern "C"
