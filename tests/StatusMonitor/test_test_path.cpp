#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <win/profile.h>

#include "StatusMonitor/status_answer.h"
#include "common/status_file.h"
#include "status_test_util.h"
#include "temp_machine.h"

namespace {

using namespace statustest;

// Writes a DebugStatusStr as a tester would, with Python: two hex digits a byte and the
// checksum byte of their sum.
void WriteDebugStatusStr(const std::u16string& file, const char* section, const Bytes& block, bool goodSum = true) {
  std::string hex;
  for (BYTE b : block) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", b);
    hex += two;
  }
  const std::string script = "import sys\nb=bytes.fromhex(sys.argv[1])\ns=(sum(b)+" + std::string(goodSum ? "0" : "1") +
                             ")&255\nsys.stdout.write(b.hex().upper()+'%02X'%s)\n";
  testsupport::CommandRun run = testsupport::RunCommand("python3 -c \"" + script + "\" " + hex);
  ASSERT_EQ(run.status, 0) << run.output;
  std::u16string value(run.output.begin(), run.output.end());
  std::u16string name(section, section + std::strlen(section));
  ASSERT_TRUE(WritePrivateProfileStringW(name.c_str(), u"DebugStatusStr", value.c_str(), file.c_str()));
}

class TestPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vm4k2common::BuildStatusFilePath(path_, true));
    std::memset(&record_, 0, sizeof record_);
    std::u16string name = u"Office";
    name.copy(record_.name, name.size());
    vm4k2common::WriteStatusKey(path_, u"Office", u"DebugFlag", u"1");
    vm4k2common::WriteStatusKey(path_, u"Office", u"PortName", u"USB004");
  }
  std::u16string Key(const WCHAR* key) {
    WCHAR out[128];
    vm4k2common::ReadStatusText(path_, u"Office", key, out, 128);
    return out;
  }
  testsupport::TempMachine machine_;
  WCHAR path_[MAX_PATH] = {};
  vm4k2sm::PrinterStatusRecord record_;
  vm4k2sm::JobTracker tracker_;
};

TEST_F(TestPathTest, DecodesTheBlockAndNamesThisComputerAsOwner) {
  ASSERT_TRUE(vm4k2sm::UsesTestPath(path_, u"Office"));
  BlockSpec spec;
  spec.state = 5;
  spec.mask = 0xFFFFFFE7;
  spec.codes[3] = 1;  // class 8
  spec.codes[4] = 3;  // class 16
  spec.toner = 42;
  spec.owner = "ELSEWHERE";
  WriteDebugStatusStr(path_, "Office", Block(spec));
  EXPECT_TRUE(vm4k2sm::RunTestPath(path_, record_, tracker_, u"THISPC"));
  EXPECT_EQ(record_.status, 16);
  EXPECT_EQ(record_.valueCode, 3);
  EXPECT_EQ(std::u16string(record_.port), u"USB004");
  EXPECT_EQ(Key(u"JobOwner"), u"THISPC");
  EXPECT_EQ(Key(u"TonerRemain"), u"42");
  EXPECT_EQ(Key(u"PortType"), u"");
}

TEST_F(TestPathTest, AFirstByteOf255TakesDebugStatusAndDebugValueCode) {
  vm4k2common::WriteStatusKey(path_, u"Office", u"DebugStatus", u"4");
  vm4k2common::WriteStatusKey(path_, u"Office", u"DebugValueCode", u"3");
  Bytes block(60, 0);
  block[0] = 255;
  block[2] = 99;
  WriteDebugStatusStr(path_, "Office", block);
  EXPECT_TRUE(vm4k2sm::RunTestPath(path_, record_, tracker_, u"THISPC"));
  EXPECT_EQ(record_.status, 4);
  EXPECT_EQ(record_.valueCode, 3);
  EXPECT_EQ(Key(u"TonerRemain"), u"");  // nothing decoded
  EXPECT_EQ(Key(u"JobOwner"), u"THISPC");
}

TEST_F(TestPathTest, AWrongChecksumRecordsNothing) {
  BlockSpec spec;
  spec.state = 4;
  WriteDebugStatusStr(path_, "Office", Block(spec), false);
  EXPECT_FALSE(vm4k2sm::RunTestPath(path_, record_, tracker_, u"THISPC"));
  EXPECT_EQ(record_.status, 0);
  EXPECT_EQ(Key(u"JobOwner"), u"");
  EXPECT_EQ(Key(u"TonerRemain"), u"");
}

}  // namespace
