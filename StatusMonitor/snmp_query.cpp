// The network side of the engine: StatusSnmpRequest to the printer's port 161 over UDP, and the
// first reply that is the printer's answer to it.
#include <cstring>

#if __has_include(<win/winsock.h>)

#include <win/strings.h>
#include <win/system.h>
#include <win/winsock.h>
#define VM4K2SM_HAS_SOCKETS 1
#endif

#include "StatusMonitor/snmp_message.h"
#include "StatusMonitor/status_answer.h"
#include "StatusMonitor/status_block.h"
#include "StatusMonitor/status_engine.h"
#include "StatusMonitor/thread_query_status.h"

using namespace vm4k2sm;

#ifdef VM4K2SM_HAS_SOCKETS
namespace {

constexpr int kSends = 3;
constexpr int kReceivesPerSend = 3;
constexpr DWORD kReceiveTimeoutMs = 5;
// Version 6.2 needs time between a send and its receive, and between receives.
constexpr DWORD kVersion62PauseMs = 100;

// The record's port as a dotted IPv4 address; FALSE for an empty text, a host name (names are
// never resolved) or the broadcast address, which no printer is.
bool PrinterAddress(LPCWSTR port, IN_ADDR& address) {
  char text[kPortUnits * 2 + 1] = {};
  const int bytes = WideCharToMultiByte(CP_ACP, 0, port, -1, text, static_cast<int>(sizeof text) - 1, nullptr, nullptr);
  if (bytes <= 1) return false;
  text[sizeof text - 1] = 0;
  if (inet_pton(AF_INET, text, &address) != 1) return false;
  return address.s_addr != INADDR_BROADCAST;
}

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
  }
  bool Open() {
    if (!started_) return false;
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ == INVALID_SOCKET) return false;
    SOCKADDR_IN local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (bind(socket_, reinterpret_cast<const SOCKADDR*>(&local), sizeof local) != 0) return false;
    const DWORD timeout = kReceiveTimeoutMs;
    return setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) == 0;
  }
  SOCKET socket() const { return socket_; }

 private:
  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

BOOL CThreadQueryStatus::QuerySnmpStatus(PrinterStatusRecord& record, bool& update) {
  IN_ADDR address{};
  if (!PrinterAddress(record.port, address)) return FALSE;
  WinsockSession session;
  if (!session.Open()) return FALSE;

  SOCKADDR_IN printer{};
  printer.sin_family = AF_INET;
  printer.sin_port = htons(kSnmpPort);
  printer.sin_addr = address;
  BYTE request[kSnmpRequestBytes];
  BuildStatusSnmpRequest(request);

  for (int send = 0; send < kSends; ++send) {
    const char* bytes = reinterpret_cast<const char*>(request);
    const SOCKADDR* to = reinterpret_cast<const SOCKADDR*>(&printer);
    if (sendto(session.socket(), bytes, sizeof request, 0, to, sizeof printer) == SOCKET_ERROR)
      sendto(session.socket(), bytes, sizeof request, 0, to, sizeof printer);
    if (m_bOsVersion62) Sleep(kVersion62PauseMs);
    for (int receive = 0; receive < kReceivesPerSend; ++receive) {
      BYTE reply[kSnmpReceiveBytes];
      SOCKADDR_IN from{};
      int fromLength = sizeof from;
      const int got = recvfrom(session.socket(), reinterpret_cast<char*>(reply), sizeof reply, 0,
                               reinterpret_cast<SOCKADDR*>(&from), &fromLength);
      // Only the printer's own answer from its port 161 counts; an error, a datagram from
      // elsewhere or anything but the answer to this request is an empty receive.
      const BYTE* block = nullptr;
      if (got > 0 && fromLength >= static_cast<int>(sizeof from) && from.sin_addr.s_addr == address.s_addr &&
          from.sin_port == htons(kSnmpPort) && CheckStatusSnmpReply(reply, static_cast<size_t>(got), &block)) {
        update = RecordDeviceAnswer(TheStatusEngine().statusFile, record, DecodeStatusBlock(block), m_jobs);
        return TRUE;
      }
      if (m_bOsVersion62) Sleep(kVersion62PauseMs);
    }
  }
  return FALSE;
}
#else
// Built before the platform had Windows Sockets: no network printer answers.
BOOL CThreadQueryStatus::QuerySnmpStatus(PrinterStatusRecord&, bool&) { return FALSE; }
#endif
