// The client end of a named pipe: CreateFileW("\\.\pipe\NAME"), WaitNamedPipeW and the read
// mode. Opening takes a free instance by locking its claim file, so a busy pipe answers
// ERROR_PIPE_BUSY exactly while every instance has a client.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include <win/files.h>
#include <win/namedpipe.h>
#include <win/system.h>

#include "internal/devices.h"
#include "internal/pipes.h"
#include "internal/unicode.h"

namespace {

using plat::pipes::Instance;

struct PipeClient : plat::IoObject {
  std::mutex lock;
  int fd = -1;
  int claimFd = -1;
  bool messageType = false;
  bool messageRead = false;
  plat::pipes::PipeReader reader;

  ~PipeClient() override {
    if (fd >= 0) close(fd);
    if (claimFd >= 0) close(claimFd);  // frees the instance for the next client
  }
  DWORD Read(void* buffer, DWORD size, DWORD& done, OVERLAPPED*) override {
    std::lock_guard<std::mutex> guard(lock);
    return reader.Read(fd, buffer, size, done, messageRead);
  }
  DWORD Write(const void* buffer, DWORD size, DWORD& done, OVERLAPPED*) override {
    std::lock_guard<std::mutex> guard(lock);
    return plat::pipes::WriteMessage(fd, buffer, size, done);
  }
  DWORD Flush() override { return ERROR_SUCCESS; }
};

// Takes the instance for this caller: its claim lock and a connection to its server.
bool Take(const Instance& instance, int& claimFd, int& fd) {
  claimFd = open(instance.claim.c_str(), O_RDWR | O_CLOEXEC);
  if (claimFd < 0) return false;
  if (flock(claimFd, LOCK_EX | LOCK_NB) != 0) {
    close(claimFd);
    return false;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0 || instance.socket.size() >= sizeof address.sun_path) {
    if (fd >= 0) close(fd);
    close(claimFd);
    return false;
  }
  std::memcpy(address.sun_path, instance.socket.c_str(), instance.socket.size() + 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    close(claimFd);
    return false;
  }
  return true;
}

bool AnyFree(const std::vector<Instance>& instances) {
  for (const Instance& instance : instances) {
    int fd = open(instance.claim.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    if (free) return true;
  }
  return false;
}

HANDLE OpenPipe(std::u16string_view path, DWORD, DWORD, DWORD, DWORD) {
  std::u16string name = plat::pipes::PipeName(path);
  std::vector<Instance> instances = plat::pipes::LiveInstances(name);
  if (name.empty() || instances.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  for (const Instance& instance : instances) {
    int claimFd = -1, fd = -1;
    if (!Take(instance, claimFd, fd)) continue;
    auto client = std::make_shared<PipeClient>();
    client->fd = fd;
    client->claimFd = claimFd;
    client->messageType = instance.messageType;
    return plat::InsertHandle(client);
  }
  SetLastError(ERROR_PIPE_BUSY);
  return INVALID_HANDLE_VALUE;
}

const bool g_registered = [] {
  plat::RegisterDeviceOpener(u"\\\\.\\pipe\\", OpenPipe);
  return true;
}();

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI WaitNamedPipeW(LPCWSTR lpNamedPipeName, DWORD nTimeOut) {
  std::u16string name = plat::pipes::PipeName(plat::WideView(lpNamedPipeName));
  if (name.empty()) {
    SetLastError(ERROR_BAD_PATHNAME);
    return FALSE;
  }
  if (nTimeOut == NMPWAIT_USE_DEFAULT_WAIT) nTimeOut = 50;
  ULONGLONG deadline = GetTickCount64() + nTimeOut;
  for (;;) {
    std::vector<Instance> instances = plat::pipes::LiveInstances(name);
    if (instances.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
    if (AnyFree(instances)) return TRUE;
    if (nTimeOut != NMPWAIT_WAIT_FOREVER && GetTickCount64() >= deadline) {
      SetLastError(ERROR_SEM_TIMEOUT);
      return FALSE;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

WINBASEAPI BOOL WINAPI SetNamedPipeHandleState(HANDLE hNamedPipe, LPDWORD lpMode, LPDWORD lpMaxCollectionCount,
                                               LPDWORD lpCollectDataTimeout) {
  std::shared_ptr<PipeClient> client = plat::LookupHandleAs<PipeClient>(hNamedPipe);
  if (!client) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpMaxCollectionCount || lpCollectDataTimeout) {
    // Collection applies only to pipes between computers; the machine has none.
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lpMode) return TRUE;
  bool message = (*lpMode & PIPE_READMODE_MESSAGE) != 0;
  std::lock_guard<std::mutex> guard(client->lock);
  if (message && !client->messageType) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  client->messageRead = message;
  return TRUE;
}

}  // extern "C"
