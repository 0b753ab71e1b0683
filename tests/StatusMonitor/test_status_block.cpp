#include <gtest/gtest.h>

#include <string>

#include "StatusMonitor/status_block.h"
#include "status_test_util.h"
#include "temp_machine.h"

namespace {

using namespace statustest;
using vm4k2sm::DecodeStatusBlock;
using vm4k2sm::JobEvent;

struct StateCase {
  BYTE state;
  bool recorded;
  BYTE status, valueCode;
  JobEvent job;
};

TEST(DecodeStatusBlock, MapsEveryDeviceState) {
  const StateCase cases[] = {
      {0, true, 128, 128, JobEvent::None},       {1, true, 128, 133, JobEvent::PowerSave},
      {2, true, 128, 130, JobEvent::None},       {3, true, 128, 131, JobEvent::PrintReady},
      {4, true, 128, 132, JobEvent::Printing},   {5, false, 0, 0, JobEvent::Cancelled},
      {6, true, 128, 134, JobEvent::Cancelled},  {7, true, 128, 136, JobEvent::JobProcess},
      {8, false, 0, 0, JobEvent::None},          {9, false, 0, 0, JobEvent::None},
      {127, false, 0, 0, JobEvent::None},        {0x80 | 4, true, 128, 132, JobEvent::Printing},
      {0x80 | 9, false, 0, 0, JobEvent::None},
  };
  for (const StateCase& c : cases) {
    BlockSpec spec;
    spec.state = c.state;
    const Bytes block = Block(spec);
    const vm4k2sm::DecodedStatus d = DecodeStatusBlock(block.data());
    EXPECT_EQ(d.recorded, c.recorded) << int(c.state);
    EXPECT_EQ(d.status, c.status) << int(c.state);
    EXPECT_EQ(d.valueCode, c.valueCode) << int(c.state);
    EXPECT_EQ(d.job, c.job) << int(c.state);
    EXPECT_EQ(d.sleepTime, 15);
    EXPECT_EQ(d.tonerRemain, 80);
  }
}

struct ErrorCase {
  const char* what;
  DWORD mask;
  bool recorded;
  BYTE status, valueCode;
};

TEST(DecodeStatusBlock, TakesTheFirstClearClassJamsBeforePaper) {
  const ErrorCase cases[] = {
      {"class 1", 0xFFFFFFFE, true, 1, 11},
      {"class 2", 0xFFFFFFFD, true, 2, 12},
      {"class 4", 0xFFFFFFFB, true, 4, 13},
      {"class 8", 0xFFFFFFF7, true, 8, 14},
      {"class 16", 0xFFFFFFEF, true, 16, 15},
      {"classes 8 and 16", 0xFFFFFFE7, true, 16, 15},
      {"class 32", 0xFFFFFFDF, true, 32, 16},
      {"class 64", 0xFFFFFFBF, true, 64, 17},
      {"classes 2 and 64", 0xFFFFFFBD, true, 2, 12},
      {"no clear class bit", 0xFFFFFFFF, false, 0, 0},
      {"only higher bits clear", 0x0000007F, false, 0, 0},
  };
  for (const ErrorCase& c : cases) {
    BlockSpec spec;
    spec.state = 5;
    spec.mask = c.mask;
    for (int i = 0; i < 7; ++i) spec.codes[i] = static_cast<BYTE>(11 + i);
    const Bytes block = Block(spec);
    const vm4k2sm::DecodedStatus d = DecodeStatusBlock(block.data());
    EXPECT_EQ(d.recorded, c.recorded) << c.what;
    EXPECT_EQ(d.status, c.status) << c.what;
    EXPECT_EQ(d.valueCode, c.valueCode) << c.what;
    EXPECT_EQ(d.job, c.recorded ? JobEvent::None : JobEvent::Cancelled) << c.what;
  }
}

TEST(DecodeStatusBlock, ReadsTheOwnerUpToItsZeroOrTheFieldsEnd) {
  testsupport::TempMachine machine;
  BlockSpec spec;
  spec.owner = "OFFICE-PC";
  Bytes block = Block(spec);
  EXPECT_EQ(std::u16string(DecodeStatusBlock(block.data()).owner), u"OFFICE-PC");

  spec.owner = std::string(30, 'W');  // fills the field, no zero
  block = Block(spec);
  block[36] = 'X';                    // the mask's first byte follows at once
  const vm4k2sm::DecodedStatus whole = DecodeStatusBlock(block.data());
  EXPECT_EQ(std::u16string(whole.owner), std::u16string(30, u'W'));

  spec.owner = "caf\xE9";  // code page 1252
  block = Block(spec);
  EXPECT_EQ(std::u16string(DecodeStatusBlock(block.data()).owner), u"caf\u00E9");
}

}  // namespace
