// Named pipes of the machine ("\\.\pipe\NAME"). Clients open them with CreateFileW; message
// boundaries are kept. The server side serves the machine's test pipe server.
#pragma once

#include <win/base.h>

#define PIPE_ACCESS_INBOUND 0x00000001
#define PIPE_ACCESS_OUTBOUND 0x00000002
#define PIPE_ACCESS_DUPLEX 0x00000003
#define PIPE_TYPE_BYTE 0x00000000
#define PIPE_TYPE_MESSAGE 0x00000004
#define PIPE_READMODE_BYTE 0x00000000
#define PIPE_READMODE_MESSAGE 0x00000002
#define PIPE_WAIT 0x00000000
#define PIPE_NOWAIT 0x00000001
#define PIPE_UNLIMITED_INSTANCES 255
#define NMPWAIT_USE_DEFAULT_WAIT 0x00000000
#define NMPWAIT_WAIT_FOREVER 0xffffffff

#define ERROR_BAD_PATHNAME 161L
#define ERROR_BAD_PIPE 230L
#define ERROR_PIPE_BUSY 231L

// CreateFileW on "\\.\pipe\NAME": ERROR_FILE_NOT_FOUND when no server has the pipe,
// ERROR_PIPE_BUSY when every instance is taken.

// Waits until an instance of the pipe is free: FALSE at once with ERROR_FILE_NOT_FOUND when
// there is no such pipe, with ERROR_SEM_TIMEOUT once nTimeOut ms of the machine's clock pass.
WINBASEAPI BOOL WINAPI WaitNamedPipeW(LPCWSTR lpNamedPipeName, DWORD nTimeOut);
// PIPE_READMODE_MESSAGE on a pipe made for bytes: ERROR_INVALID_PARAMETER.
WINBASEAPI BOOL WINAPI SetNamedPipeHandleState(HANDLE hNamedPipe, LPDWORD lpMode, LPDWORD lpMaxCollectionCount,
                                               LPDWORD lpCollectDataTimeout);
// One instance of a pipe; a name beyond nMaxInstances instances: ERROR_PIPE_BUSY.
WINBASEAPI HANDLE WINAPI CreateNamedPipeW(LPCWSTR lpName, DWORD dwOpenMode, DWORD dwPipeMode, DWORD nMaxInstances,
                                          DWORD nOutBufferSize, DWORD nInBufferSize, DWORD nDefaultTimeOut,
                                          LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// Waits for a client; ERROR_PIPE_CONNECTED (FALSE) when one came before the call.
WINBASEAPI BOOL WINAPI ConnectNamedPipe(HANDLE hNamedPipe, LPOVERLAPPED lpOverlapped);
WINBASEAPI BOOL WINAPI DisconnectNamedPipe(HANDLE hNamedPipe);
