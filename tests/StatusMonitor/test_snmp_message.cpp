#include <gtest/gtest.h>

#include <cstring>

#include "StatusMonitor/snmp_message.h"
#include "status_test_util.h"

namespace {

using namespace statustest;
using vm4k2sm::BuildStatusSnmpRequest;
using vm4k2sm::CheckStatusSnmpReply;

TEST(StatusSnmpRequest, IsTheGetRequestForTheStatusObjectWithALowerCaseCommunity) {
  BYTE m[vm4k2sm::kSnmpRequestBytes];
  std::memset(m, 0xEE, sizeof m);
  BuildStatusSnmpRequest(m);
  const Bytes head = {0x30, 0x2B, 0x02, 0x01, 0x00, 0x04, 0x06};
  const Bytes tail = {0xA0, 0x1E, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x13, 0x30, 0x11,
                      0x06, 0x0D, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x83, 0x9C, 0x51, 0x01, 0x01, 0x03, 0x10, 0x02,
                      0x05, 0x00};
  ASSERT_EQ(head.size() + 6 + tail.size(), sizeof m);
  EXPECT_EQ(Bytes(m, m + 7), head);
  for (int i = 7; i < 13; ++i) EXPECT_TRUE(m[i] >= 'a' && m[i] <= 'z') << i;
  EXPECT_EQ(Bytes(m + 13, m + sizeof m), tail);

  BYTE again[vm4k2sm::kSnmpRequestBytes] = {};
  BuildStatusSnmpRequest(again);
  EXPECT_EQ(0, std::memcmp(m, again, sizeof m));
}

struct ReplyCase {
  const char* what;
  Bytes datagram;
  bool accepted;
};

Bytes Value(size_t n) {
  Bytes v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i + 1);
  return v;
}

TEST(StatusSnmpReply, AcceptsOnlyTheAnswerToOurRequest) {
  ReplyShape longForm;
  longForm.form = 0x81;
  ReplyShape widest;
  widest.form = 0x82;
  ReplyShape otherId;
  otherId.requestId = 7;
  ReplyShape noSuchName;
  noSuchName.errorStatus = 2;
  ReplyShape otherOid;
  otherOid.oid = Bytes(kStatusOid.begin(), kStatusOid.end() - 1);
  otherOid.oid.push_back(0x03);
  ReplyShape request;
  request.pduTag = 0xA0;

  Bytes pastEnd = Reply(Value(60));
  pastEnd[1] = static_cast<BYTE>(pastEnd[1] + 1);  // the outer SEQUENCE claims one byte more
  Bytes followed = Reply(Value(60));
  followed.push_back(0);
  Bytes innerLonger = Reply(Value(60));
  innerLonger[innerLonger.size() - 61] = 61;  // the OCTET STRING's length runs past the end
  Bytes indefinite = Reply(Value(60));
  indefinite[1] = 0x80;

  const ReplyCase cases[] = {
      {"short lengths", Reply(Value(60)), true},
      {"0x81 lengths", Reply(Value(60), longForm), true},
      {"0x82 lengths", Reply(Value(60), widest), true},
      {"a longer block", Reply(Value(100)), true},
      {"59-byte OCTET STRING", Reply(Value(59)), false},
      {"followed by a byte", followed, false},
      {"a length past the end", pastEnd, false},
      {"inner length past the end", innerLonger, false},
      {"indefinite length", indefinite, false},
      {"other request-id", Reply(Value(60), otherId), false},
      {"error-status noSuchName", Reply(Value(60), noSuchName), false},
      {"another object", Reply(Value(60), otherOid), false},
      {"a GetRequest", Reply(Value(60), request), false},
      {"empty", Bytes{}, false},
      {"60 bytes of zeros", Bytes(60, 0), false},
  };
  for (const ReplyCase& c : cases) {
    const BYTE* block = reinterpret_cast<const BYTE*>(1);
    EXPECT_EQ(CheckStatusSnmpReply(c.datagram.data(), c.datagram.size(), &block), c.accepted) << c.what;
    if (c.accepted) {
      EXPECT_EQ(block, c.datagram.data() + c.datagram.size() - 60) << c.what;
    } else {
      EXPECT_EQ(block, nullptr) << c.what;
    }
  }
}

TEST(StatusSnmpReply, ATruncatedReplyIsNeverReadPastItsEnd) {
  const Bytes full = Reply(Value(60), ReplyShape{0x82});
  for (size_t n = 0; n < full.size(); ++n) {
    Bytes cut(full.begin(), full.begin() + static_cast<long>(n));  // its own allocation: ASan sees an overrun
    EXPECT_FALSE(CheckStatusSnmpReply(cut.data(), cut.size(), nullptr)) << n;
  }
}

}  // namespace
