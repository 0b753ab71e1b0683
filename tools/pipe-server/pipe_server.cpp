// pipe-server NAME [--busy MS | --busy-forever] [--byte-mode]
// Serves \\.\pipe\NAME in the machine PLATFORM_ROOT names, one instance, and writes a line to
// its standard output for each message it reads: "message <hex>". It prints "listening" once
// the pipe exists. --busy MS keeps the only instance taken for MS ms of the machine's clock
// first (as another client would), --busy-forever keeps it taken; --byte-mode makes a pipe of
// bytes, which refuses the message read mode. It ends when its standard input ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <win/files.h>
#include <win/namedpipe.h>
#include <win/process.h>
#include <win/system.h>

namespace {

std::u16string Wide(const char* text) {
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pipe-server NAME [--busy MS | --busy-forever] [--byte-mode]\n");
    return 2;
  }
  std::u16string path = u"\\\\.\\pipe\\" + Wide(argv[1]);
  long busyMs = 0;
  bool forever = false, byteMode = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--busy") == 0 && i + 1 < argc) busyMs = std::atol(argv[++i]);
    else if (std::strcmp(argv[i], "--busy-forever") == 0) forever = true;
    else if (std::strcmp(argv[i], "--byte-mode") == 0) byteMode = true;
  }
  DWORD mode = byteMode ? (PIPE_TYPE_BYTE | PIPE_READMODE_BYTE) : (PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE);
  HANDLE pipe = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX, mode | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "pipe-server: CreateNamedPipeW failed: %u\n", GetLastError());
    return 1;
  }
  // The busy time is a client of the server's own, holding the only instance.
  HANDLE holder = INVALID_HANDLE_VALUE;
  if (busyMs > 0 || forever)
    holder = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ULONGLONG freeAt = GetTickCount64() + static_cast<ULONGLONG>(busyMs);
  std::thread([] {
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    ExitProcess(0);
  }).detach();
  std::printf("listening\n");
  std::fflush(stdout);
  if (holder != INVALID_HANDLE_VALUE) {
    ConnectNamedPipe(pipe, nullptr);  // takes the holder's connection
    // Waits without Sleep, which would move a frozen clock of the machine on by itself.
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    while (forever || GetTickCount64() < freeAt) WaitForSingleObject(never, 1);
    CloseHandle(holder);
    DisconnectNamedPipe(pipe);
  }
  for (;;) {
    if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return 1;
    std::vector<BYTE> message;
    for (;;) {
      BYTE buffer[64];
      DWORD got = 0;
      BOOL ok = ReadFile(pipe, buffer, sizeof buffer, &got, nullptr);
      message.insert(message.end(), buffer, buffer + got);
      if (!ok && GetLastError() == ERROR_MORE_DATA) continue;
      if (!ok) break;
      std::string hex;
      for (BYTE b : message) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
      }
      std::printf("message %s\n", hex.c_str());
      std::fflush(stdout);
      message.clear();
    }
    DisconnectNamedPipe(pipe);
  }
}
