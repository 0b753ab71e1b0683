// Helpers of the status engine's tests: replies built as a printer builds them, blocks, and the
// status file read back by Python's configparser.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <win/base.h>

#include "StatusMonitor/snmp_message.h"
#include "child_process.h"

namespace statustest {

using Bytes = std::vector<BYTE>;

// A BER length; `form` 0 the shortest, 0x81 or 0x82 a long form.
inline Bytes Length(size_t n, int form = 0) {
  if (form == 0x82) return {0x82, static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)};
  if (form == 0x81 || n >= 0x80) {
    if (n > 0xFF) return {0x82, static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)};
    return {0x81, static_cast<BYTE>(n)};
  }
  return {static_cast<BYTE>(n)};
}

inline Bytes Tlv(BYTE tag, const Bytes& contents, int form = 0) {
  Bytes out{tag};
  Bytes len = Length(contents.size(), form);
  out.insert(out.end(), len.begin(), len.end());
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline const Bytes kStatusOid = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x83, 0x9C, 0x51, 0x01, 0x01, 0x03, 0x10, 0x02};

struct ReplyShape {
  int form = 0;
  BYTE requestId = 0;
  BYTE errorStatus = 0;
  Bytes oid = kStatusOid;
  BYTE pduTag = 0xA2;
};

// A GetResponse carrying `value` as its OCTET STRING.
inline Bytes Reply(const Bytes& value, const ReplyShape& s = {}) {
  const int f = s.form;
  Bytes varbind = Tlv(0x30, Cat({Tlv(0x06, s.oid, f), Tlv(0x04, value, f)}), f);
  Bytes pdu = Tlv(s.pduTag, Cat({Tlv(0x02, {s.requestId}, f), Tlv(0x02, {s.errorStatus}, f), Tlv(0x02, {0}, f),
                                 Tlv(0x30, varbind, f)}),
                  f);
  return Tlv(0x30, Cat({Tlv(0x02, {0}, f), Tlv(0x04, {'v', 'k', 'q', 'u', 'e', 'r'}, f), pdu}), f);
}

// A 60-byte block.
struct BlockSpec {
  BYTE state = 3;
  BYTE sleep = 15;
  BYTE toner = 80;
  BYTE tonerLow = 0;
  std::string owner;
  DWORD mask = 0xFFFFFFFF;
  BYTE codes[7] = {};
};
inline Bytes Block(const BlockSpec& s) {
  Bytes b(60, 0);
  b[0] = s.state;
  b[1] = s.sleep;
  b[2] = s.toner;
  b[3] = s.tonerLow;
  for (size_t i = 0; i < s.owner.size() && i < 30; ++i) b[6 + i] = static_cast<BYTE>(s.owner[i]);
  for (int i = 0; i < 4; ++i) b[36 + i] = static_cast<BYTE>(s.mask >> (8 * i));
  for (int i = 0; i < 7; ++i) b[40 + i] = s.codes[i];
  return b;
}

// Sections, keys and values of a status file as "section|key|value" lines, as Python's
// configparser reads it (UTF-16 when it has the mark, else code page 1252).
inline std::string DumpStatusFile(const std::string& hostPath) {
  const std::string script = testsupport::TestProgram("") + "status_dump_" + std::to_string(getpid()) + ".py";
  std::ofstream(script) << R"(import configparser, sys
raw = open(sys.argv[1], 'rb').read()
text = raw.decode('utf-16') if raw.startswith(b'\xff\xfe') else raw.decode('cp1252')
parser = configparser.ConfigParser(interpolation=None, delimiters=('=',), strict=True)
parser.optionxform = str
parser.read_string(text)
for section in parser.sections():
    for key, value in parser.items(section):
        sys.stdout.buffer.write(('%s|%s|%s\n' % (section, key, value)).encode('utf-8'))
)";
  testsupport::CommandRun run = testsupport::RunCommand("python3 '" + script + "' '" + hostPath + "' 2>&1");
  std::remove(script.c_str());
  return run.output;
}

}  // namespace statustest
