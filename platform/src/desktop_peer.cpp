// The peer socket of a process (<root>/desktop/peers/<pid>.sock): other processes of the machine
// post and send to its windows through it. A send is handed to the window's own thread, which
// handles it only while it pumps or waits, exactly as a send from another thread of the process.
// One request per connection; the connection's end before an answer means the window's process
// ended.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "internal/desktop.h"
#include "internal/machine.h"

namespace plat::desktop {

namespace {

constexpr uint32_t kMagic = 0x4B44534Bu;  // "KSDK"
constexpr uint32_t kPayloadLimit = 64u << 20;
constexpr uint32_t kArgLimit = 8;

// PostThread carries the thread id where the others carry the window.
enum class Kind : uint32_t { Post = 1, Send = 2, Invoke = 3, PostThread = 4, Input = 5 };

struct Request {
  uint32_t magic;
  uint32_t kind;
  uint64_t hwnd;
  uint32_t message;
  uint32_t argCount;
  uint64_t wParam;
  int64_t lParam;
  uint32_t payloadSize;
  uint32_t reserved;
};

struct Reply {
  uint32_t magic;
  uint32_t ok;
  int64_t result;
  uint32_t error;
  uint32_t payloadSize;
};

int g_listener = -1;

std::string PeerPath(int pid) { return MachineDir("desktop/peers") + "/" + std::to_string(pid) + ".sock"; }

bool FillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size) {
    ssize_t n = recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void SendReply(int fd, bool ok, LRESULT result, DWORD error, const std::vector<BYTE>& payload) {
  Reply reply{kMagic, ok ? 1u : 0u, result, error, static_cast<uint32_t>(payload.size())};
  if (WriteAll(fd, &reply, sizeof reply) && !payload.empty()) WriteAll(fd, payload.data(), payload.size());
}

// Rebuilds what the parameters point to in this process.
void Unpack(SentMessage& message) {
  if (message.message == WM_COPYDATA) {
    if (message.payload.size() < sizeof(ULONG_PTR)) {
      message.lParam = 0;
      return;
    }
    std::memcpy(&message.copyData.dwData, message.payload.data(), sizeof(ULONG_PTR));
    message.copyData.cbData = static_cast<DWORD>(message.payload.size() - sizeof(ULONG_PTR));
    message.copyData.lpData = message.copyData.cbData ? message.payload.data() + sizeof(ULONG_PTR) : nullptr;
    message.lParam = reinterpret_cast<LPARAM>(&message.copyData);
  } else if (message.message == WM_SETTEXT) {
    if (message.payload.size() < sizeof(WCHAR) || message.payload.size() % sizeof(WCHAR)) {
      message.lParam = 0;
      return;
    }
    // Always terminated, whatever came over the wire.
    message.payload[message.payload.size() - 1] = 0;
    message.payload[message.payload.size() - 2] = 0;
    message.lParam = reinterpret_cast<LPARAM>(message.payload.data());
  } else if (message.message == WM_GETTEXT) {
    size_t units = static_cast<size_t>(std::min<WPARAM>(message.wParam, kPayloadLimit / sizeof(WCHAR)));
    message.wParam = units;
    message.payload.assign(units * sizeof(WCHAR), 0);
    message.lParam = units ? reinterpret_cast<LPARAM>(message.payload.data()) : 0;
  }
}

void Serve(int fd) {
  Request request{};
  if (!ReadAll(fd, &request, sizeof request) || request.magic != kMagic || request.argCount > kArgLimit ||
      request.payloadSize > kPayloadLimit) {
    close(fd);
    return;
  }
  std::vector<LONG_PTR> args(request.argCount);
  auto message = std::make_shared<SentMessage>();
  message->payload.resize(request.payloadSize);
  if ((request.argCount && !ReadAll(fd, args.data(), args.size() * sizeof(LONG_PTR))) ||
      (request.payloadSize && !ReadAll(fd, message->payload.data(), message->payload.size()))) {
    close(fd);
    return;
  }
  HWND hwnd = ToHwnd(request.hwnd);
  std::vector<BYTE> none;
  switch (static_cast<Kind>(request.kind)) {
    case Kind::Post: {
      bool ok = PostLocal(hwnd, request.message, request.wParam, request.lParam);
      SendReply(fd, ok, 0, ok ? 0 : GetLastError(), none);
      break;
    }
    case Kind::PostThread: {
      bool ok = PostToThread(static_cast<DWORD>(request.hwnd), request.message, request.wParam, request.lParam);
      SendReply(fd, ok, 0, ok ? 0 : GetLastError(), none);
      break;
    }
    case Kind::Input: {
      bool ok = args.size() == 3 &&
                QueueInputLocal(hwnd, request.message, request.wParam, request.lParam,
                                POINT{static_cast<LONG>(args[0]), static_cast<LONG>(args[1])}, args[2] != 0);
      SendReply(fd, ok, 0, ok ? 0 : GetLastError(), none);
      break;
    }
    case Kind::Send: {
      message->hwnd = hwnd;
      message->message = request.message;
      message->wParam = request.wParam;
      message->lParam = request.lParam;
      Unpack(*message);
      bool ok = SendToThread(message, INFINITE);
      std::vector<BYTE> back;
      if (ok && request.message == WM_GETTEXT) {
        size_t units = std::min<size_t>(static_cast<size_t>(std::max<LRESULT>(message->result, 0)) + 1,
                                        message->payload.size() / sizeof(WCHAR));
        back.assign(message->payload.begin(), message->payload.begin() + static_cast<ptrdiff_t>(units * sizeof(WCHAR)));
      }
      SendReply(fd, ok, message->result, ok ? 0 : message->error, back);
      break;
    }
    case Kind::Invoke: {
      DWORD error = 0;
      LRESULT result = InvokeOnWindowThread(hwnd, static_cast<RemoteCall>(request.message), args, error);
      SendReply(fd, error == 0, result, error, none);
      break;
    }
    default:
      break;
  }
  close(fd);
}

void Listen(int listener) {
  for (;;) {
    int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // closed: the process left the machine
    }
    std::thread(Serve, fd).detach();
  }
}

// Connects to the peer of the window's process and writes the request; -1 with the error set
// when the process is gone.
int Connect(int pid, const Request& request, const std::vector<LONG_PTR>& args, const std::vector<BYTE>& payload) {
  sockaddr_un address;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || !FillAddress(PeerPath(pid), address) ||
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) close(fd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  if (!WriteAll(fd, &request, sizeof request) ||
      (!args.empty() && !WriteAll(fd, args.data(), args.size() * sizeof(LONG_PTR))) ||
      (!payload.empty() && !WriteAll(fd, payload.data(), payload.size()))) {
    close(fd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  return fd;
}

// Waits for the answer while handling what is sent to the calling thread.
bool AwaitReply(int fd, DWORD timeoutMs, Reply& reply, std::vector<BYTE>& payload) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  unsigned long long deadline = ClockNow() + timeoutMs;
  for (;;) {
    pollfd one{fd, POLLIN, 0};
    int ready = poll(&one, 1, 2);
    if (ready > 0) {
      if (!ReadAll(fd, &reply, sizeof reply) || reply.magic != kMagic || reply.payloadSize > kPayloadLimit) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);  // the receiver's process ended
        return false;
      }
      payload.resize(reply.payloadSize);
      if (reply.payloadSize && !ReadAll(fd, payload.data(), payload.size())) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
      }
      return true;
    }
    while (HandleOneSent(queue)) {
    }
    if (timeoutMs != INFINITE && ClockNow() >= deadline) {
      SetLastError(ERROR_TIMEOUT);
      return false;
    }
  }
}

}  // namespace

void StartPeerLocked() {
  if (g_listener >= 0) return;
  std::string path = PeerPath(getpid());
  sockaddr_un address;
  if (!FillAddress(path, address)) return;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  unlink(path.c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 64) != 0) {
    close(fd);
    return;
  }
  g_listener = fd;
  std::thread(Listen, fd).detach();
}

void StopPeerLocked() {
  if (g_listener < 0) return;
  shutdown(g_listener, SHUT_RDWR);
  close(g_listener);
  g_listener = -1;
}

namespace {

// A post's answer comes at once: the receiver only queues it. `gone` is the error when the
// receiving process is not there.
bool PostRequest(int pid, const Request& request, DWORD gone, const std::vector<LONG_PTR>& args = {}) {
  int fd = Connect(pid, request, args, {});
  if (fd < 0) {
    SetLastError(gone);
    return false;
  }
  Reply reply{};
  bool got = ReadAll(fd, &reply, sizeof reply) && reply.magic == kMagic;
  close(fd);
  if (!got) {
    SetLastError(gone);
    return false;
  }
  if (!reply.ok) SetLastError(reply.error);
  return reply.ok != 0;
}

}  // namespace

bool RemotePost(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam) {
  Request request{kMagic, static_cast<uint32_t>(Kind::Post), FromHwnd(target.hwnd), message, 0, wParam, lParam, 0, 0};
  return PostRequest(target.pid, request, ERROR_INVALID_WINDOW_HANDLE);
}

bool RemotePostThread(int pid, DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  Request request{kMagic, static_cast<uint32_t>(Kind::PostThread), threadId, message, 0, wParam, lParam, 0, 0};
  return PostRequest(pid, request, ERROR_INVALID_THREAD_ID);
}

bool RemoteInput(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam, POINT pt, bool key) {
  Request request{kMagic, static_cast<uint32_t>(Kind::Input), FromHwnd(target.hwnd), message, 3, wParam, lParam, 0, 0};
  return PostRequest(target.pid, request, ERROR_INVALID_WINDOW_HANDLE, {pt.x, pt.y, key ? 1 : 0});
}

bool RemoteSend(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                LRESULT& result) {
  std::vector<BYTE> payload;
  if (message == WM_COPYDATA && lParam) {
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->cbData > kPayloadLimit || (data->cbData && !data->lpData)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    payload.resize(sizeof(ULONG_PTR) + data->cbData);
    std::memcpy(payload.data(), &data->dwData, sizeof(ULONG_PTR));
    if (data->cbData) std::memcpy(payload.data() + sizeof(ULONG_PTR), data->lpData, data->cbData);
  } else if (message == WM_SETTEXT && lParam) {
    const WCHAR* text = reinterpret_cast<const WCHAR*>(lParam);
    size_t units = std::char_traits<char16_t>::length(text) + 1;
    payload.resize(units * sizeof(WCHAR));
    std::memcpy(payload.data(), text, payload.size());
  }
  Request request{kMagic, static_cast<uint32_t>(Kind::Send), FromHwnd(target.hwnd), message, 0, wParam,
                  message == WM_COPYDATA || message == WM_SETTEXT || message == WM_GETTEXT ? 0 : lParam,
                  static_cast<uint32_t>(payload.size()), 0};
  if (message == WM_GETTEXT && !lParam) request.wParam = 0;
  int fd = Connect(target.pid, request, {}, payload);
  if (fd < 0) return false;
  Reply reply{};
  std::vector<BYTE> back;
  bool got = AwaitReply(fd, timeoutMs, reply, back);
  close(fd);
  if (!got) return false;
  if (!reply.ok) {
    SetLastError(reply.error);
    return false;
  }
  result = reply.result;
  if (message == WM_GETTEXT && lParam && wParam) {
    // The answer holds the text and its terminator; never more than the caller's buffer.
    WCHAR* out = reinterpret_cast<WCHAR*>(lParam);
    size_t units = std::min<size_t>(back.size() / sizeof(WCHAR), wParam);
    if (units) std::memcpy(out, back.data(), units * sizeof(WCHAR));
    out[units ? units - 1 : 0] = 0;
  }
  return true;
}

bool RemoteInvoke(const WindowRecord& target, RemoteCall call, const std::vector<LONG_PTR>& args, LRESULT& result) {
  Request request{kMagic, static_cast<uint32_t>(Kind::Invoke), FromHwnd(target.hwnd), static_cast<uint32_t>(call),
                  static_cast<uint32_t>(args.size()), 0, 0, 0, 0};
  int fd = Connect(target.pid, request, args, {});
  if (fd < 0) return false;
  Reply reply{};
  std::vector<BYTE> back;
  bool got = AwaitReply(fd, INFINITE, reply, back);
  close(fd);
  if (!got) return false;
  if (!reply.ok) {
    SetLastError(reply.error);
    return false;
  }
  result = reply.result;
  return true;
}

}  // namespace plat::desktop
