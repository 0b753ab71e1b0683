#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include <win/files.h>
#include <win/profile.h>
#include <win/system.h>

#include <platform_testing.h>

#include "common/status_file.h"
#include "status_test_util.h"
#include "temp_machine.h"

namespace {

using vm4k2common::BuildStatusFilePath;
using vm4k2common::WriteStatusKey;

class StatusFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(BuildStatusFilePath(path_, true)); }
  std::string HostFile() const {
    std::u16string p(path_);
    // "C:\Users\..." -> drives/C/Users/...
    std::string out = machine_.Host("drives/C");
    for (size_t i = 2; i < p.size(); ++i) out.push_back(p[i] == u'\\' ? '/' : static_cast<char>(p[i]));
    return out;
  }
  std::string Bytes() const {
    std::ifstream in(HostFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  testsupport::TempMachine machine_;
  WCHAR path_[MAX_PATH] = {};
};

TEST_F(StatusFileTest, LiesInItsFoldersUnderTheApplicationData) {
  const std::u16string p(path_);
  EXPECT_NE(p.find(u"\\AppData\\Roaming\\Velmor\\vm4k2\\vm4k2sm.dat"), std::u16string::npos) << std::string(p.begin(), p.end());
  const std::u16string folder = p.substr(0, p.rfind(u'\\'));
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(path_), INVALID_FILE_ATTRIBUTES);  // no file before the first write

  WCHAR again[MAX_PATH];
  ASSERT_TRUE(BuildStatusFilePath(again, false));
  EXPECT_EQ(std::u16string(again), p);
}

TEST_F(StatusFileTest, ANewFileIsUtf16SoEveryPrinterKeepsItsSection) {
  EXPECT_TRUE(WriteStatusKey(path_, u"Принтер А", u"Status", u"128"));
  EXPECT_TRUE(WriteStatusKey(path_, u"Принтер Б", u"Status", u"126"));
  EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(statustest::DumpStatusFile(HostFile()), "Принтер А|Status|128\nПринтер Б|Status|126\n");
}

TEST_F(StatusFileTest, AFileLeftInTheAnsiCodePageIsTakenAsItIs) {
  std::ofstream(HostFile(), std::ios::binary) << "[Office]\r\nStatus=128\r\n";
  EXPECT_TRUE(WriteStatusKey(path_, u"Office", u"ValueCode", u"131"));
  EXPECT_EQ(Bytes(), "[Office]\r\nStatus=128\r\nValueCode=131\r\n");
}

TEST_F(StatusFileTest, AKeyThatCannotBeWrittenTriesFiveTimesThenLeavesNothingBehind) {
  PlatformTest_UseManualClock(1000);
  EXPECT_TRUE(WriteStatusKey(path_, u"Office", u"Status", u"128"));
  PlatformTest_FailWritesTo(path_, FALSE);
  const ULONGLONG before = GetTickCount64();
  SetLastError(testsupport::kErrorMarker);
  EXPECT_FALSE(WriteStatusKey(path_, u"Office", u"ValueCode", u"131"));
  EXPECT_EQ(GetTickCount64() - before, 4 * vm4k2common::kStatusWriteRetryMs);  // four pauses between five tries
  PlatformTest_FailWritesTo(nullptr, FALSE);
  PlatformTest_UseRealClock();
  // The file went with its last resort; the next write starts it afresh, UTF-16 again.
  EXPECT_EQ(GetFileAttributesW(path_), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(WriteStatusKey(path_, u"Office", u"ValueCode", u"131"));
  EXPECT_EQ(statustest::DumpStatusFile(HostFile()), "Office|ValueCode|131\n");
  EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE");
}

}  // namespace
