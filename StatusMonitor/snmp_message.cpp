#include "StatusMonitor/snmp_message.h"

#include <cstring>

namespace vm4k2sm {

namespace {

// BER tags of the message.
constexpr BYTE kTagInteger = 0x02;
constexpr BYTE kTagOctetString = 0x04;
constexpr BYTE kTagNull = 0x05;
constexpr BYTE kTagObjectId = 0x06;
constexpr BYTE kTagSequence = 0x30;
constexpr BYTE kTagGetRequest = 0xA0;
constexpr BYTE kTagGetResponse = 0xA2;

// 1.3.6.1.4.1.52817.1.1.3.16.2: the enterprise number 52817 takes three base-128 bytes.
constexpr BYTE kStatusObjectId[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x83, 0x9C, 0x51, 0x01, 0x01, 0x03, 0x10, 0x02};
constexpr size_t kCommunityBytes = 6;

// One element's header: its tag, where its contents start and how long they are.
struct Element {
  BYTE tag = 0;
  size_t contents = 0;
  size_t length = 0;
  size_t end() const { return contents + length; }
};

// Reads the element header at `at`; false when the header or the contents would pass `limit`.
bool ReadElement(const BYTE* data, size_t at, size_t limit, Element& out) {
  if (at >= limit || limit - at < 2) return false;
  out.tag = data[at];
  const BYTE first = data[at + 1];
  size_t next = at + 2;
  size_t length = 0;
  if (first < 0x80) {
    length = first;
  } else if (first == 0x81) {
    if (limit - next < 1) return false;
    length = data[next];
    next += 1;
  } else if (first == 0x82) {
    if (limit - next < 2) return false;
    length = (static_cast<size_t>(data[next]) << 8) | data[next + 1];
    next += 2;
  } else {
    return false;  // indefinite or wider lengths are no printer's answer
  }
  if (length > limit - next) return false;
  out.contents = next;
  out.length = length;
  return true;
}

// An INTEGER whose value is 0, however many bytes it takes; `at` moves past it.
bool ReadZeroInteger(const BYTE* data, size_t& at, size_t limit) {
  Element e;
  if (!ReadElement(data, at, limit, e) || e.tag != kTagInteger || e.length == 0) return false;
  for (size_t i = 0; i < e.length; ++i)
    if (data[e.contents + i] != 0) return false;
  at = e.end();
  return true;
}

// Any INTEGER (the error-index, which says nothing once the error-status is 0).
bool SkipInteger(const BYTE* data, size_t& at, size_t limit) {
  Element e;
  if (!ReadElement(data, at, limit, e) || e.tag != kTagInteger || e.length == 0) return false;
  at = e.end();
  return true;
}

// A constructed element of `tag` that ends exactly at `limit`; its contents start at `at` after.
bool EnterToEnd(const BYTE* data, size_t& at, size_t limit, BYTE tag) {
  Element e;
  if (!ReadElement(data, at, limit, e) || e.tag != tag || e.end() != limit) return false;
  at = e.contents;
  return true;
}

}  // namespace

void BuildStatusSnmpRequest(BYTE (&m)[kSnmpRequestBytes]) {
  size_t i = 0;
  m[i++] = kTagSequence;
  m[i++] = 43;
  m[i++] = kTagInteger;  // version 0: SNMPv1
  m[i++] = 1;
  m[i++] = 0;
  m[i++] = kTagOctetString;
  m[i++] = kCommunityBytes;
  // The community is set letter by letter here and nowhere else, so it never stands in the
  // program as one piece of text.
  m[i++] = 'v';
  m[i++] = 'k';
  m[i++] = 'q';
  m[i++] = 'u';
  m[i++] = 'e';
  m[i++] = 'r';
  m[i++] = kTagGetRequest;
  m[i++] = 30;
  for (int field = 0; field < 3; ++field) {  // request-id, error-status, error-index: all 0
    m[i++] = kTagInteger;
    m[i++] = 1;
    m[i++] = 0;
  }
  m[i++] = kTagSequence;  // variable-bindings
  m[i++] = 19;
  m[i++] = kTagSequence;  // the one VarBind
  m[i++] = 17;
  m[i++] = kTagObjectId;
  m[i++] = sizeof kStatusObjectId;
  std::memcpy(m + i, kStatusObjectId, sizeof kStatusObjectId);
  i += sizeof kStatusObjectId;
  m[i++] = kTagNull;
  m[i++] = 0;
  static_assert(sizeof kStatusObjectId == 13);
}

bool CheckStatusSnmpReply(const BYTE* data, size_t size, const BYTE** block) {
  if (block) *block = nullptr;
  if (data == nullptr || size < kDeviceStatusBlockBytes) return false;
  size_t at = 0;
  if (!EnterToEnd(data, at, size, kTagSequence)) return false;
  if (!ReadZeroInteger(data, at, size)) return false;  // version 0
  Element community;
  if (!ReadElement(data, at, size, community) || community.tag != kTagOctetString) return false;
  at = community.end();
  if (!EnterToEnd(data, at, size, kTagGetResponse)) return false;
  if (!ReadZeroInteger(data, at, size)) return false;  // request-id 0, as we asked
  if (!ReadZeroInteger(data, at, size)) return false;  // error-status noError
  if (!SkipInteger(data, at, size)) return false;      // error-index
  if (!EnterToEnd(data, at, size, kTagSequence)) return false;  // variable-bindings
  if (!EnterToEnd(data, at, size, kTagSequence)) return false;  // exactly one VarBind
  Element name;
  if (!ReadElement(data, at, size, name) || name.tag != kTagObjectId || name.length != sizeof kStatusObjectId ||
      std::memcmp(data + name.contents, kStatusObjectId, sizeof kStatusObjectId) != 0)
    return false;
  at = name.end();
  Element value;
  if (!ReadElement(data, at, size, value) || value.tag != kTagOctetString || value.end() != size ||
      value.length < kDeviceStatusBlockBytes)
    return false;
  if (block) *block = data + size - kDeviceStatusBlockBytes;
  return true;
}

}  // namespace vm4k2sm
