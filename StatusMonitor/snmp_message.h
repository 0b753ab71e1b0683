// The one SNMP message the monitor sends, StatusSnmpRequest (an SNMPv1 GetRequest for the
// printer's status object), and the check that a datagram is the printer's answer to it.
// Both are pure: bytes in, bytes out.
#pragma once

#include <cstddef>

#include <win/base.h>

namespace vm4k2sm {

inline constexpr size_t kSnmpRequestBytes = 45;
inline constexpr size_t kDeviceStatusBlockBytes = 60;
inline constexpr WORD kSnmpPort = 161;
// What one receive takes; a longer datagram is no answer of ours.
inline constexpr size_t kSnmpReceiveBytes = 256;

// Fills the 45-byte GetRequest for 1.3.6.1.4.1.52817.1.1.3.16.2, request-id 0.
void BuildStatusSnmpRequest(BYTE (&message)[kSnmpRequestBytes]);

// Whether the datagram is a GetResponse to that request: a SEQUENCE holding version 0, a
// community, a GetResponse-PDU with request-id 0 and error-status 0, and one VarBind naming the
// requested object with an OCTET STRING of at least 60 bytes; every element ends where the
// datagram ends. Lengths in the short form and in the 0x81 and 0x82 long forms are read, each
// within the datagram. On success *block points at the datagram's last 60 bytes.
bool CheckStatusSnmpReply(const BYTE* datagram, size_t size, const BYTE** block);

}  // namespace vm4k2sm
