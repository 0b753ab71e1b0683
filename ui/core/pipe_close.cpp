#include "ui/core/pipe_close.h"

#include <win/files.h>
#include <win/namedpipe.h>
#include <win/system.h>

namespace vm4k2ui {

namespace {

// Opens the pipe, waiting while every instance is taken. One deadline covers every wait: a
// server that frees an instance only for others to take it again cannot keep the deleting
// process here for good.
HANDLE OpenPipeWithin(const WCHAR* pipePath, ULONGLONG deadline) {
  for (;;) {
    HANDLE pipe = CreateFileW(pipePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    if (GetLastError() != ERROR_PIPE_BUSY) return INVALID_HANDLE_VALUE;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return INVALID_HANDLE_VALUE;
    // 0 would ask for the pipe's default wait rather than none.
    const DWORD left = static_cast<DWORD>(deadline - now);
    if (!WaitNamedPipeW(pipePath, left)) return INVALID_HANDLE_VALUE;
  }
}

}  // namespace

BOOL SendPipeClose(const WCHAR* pipePath) {
  HANDLE pipe = OpenPipeWithin(pipePath, GetTickCount64() + kPipeBusyDeadlineMs);
  if (pipe == INVALID_HANDLE_VALUE) return FALSE;
  // A server that made a pipe of bytes refuses the message mode; it still gets the bytes.
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  DWORD written = 0;
  const BOOL ok = WriteFile(pipe, kPipeCloseMessage, kPipeCloseMessageBytes, &written, nullptr) &&
                  written == kPipeCloseMessageBytes;
  CloseHandle(pipe);
  return ok;
}

BOOL SendXpsPipeClose() { return SendPipeClose(kXpsPipe); }
BOOL SendDuplexPipeClose() { return SendPipeClose(kDuplexPipe); }

}  // namespace vm4k2ui
