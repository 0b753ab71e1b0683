// The library's debug trace: texts of every length reach the debugger output whole up to the
// largest buffer, and are cut there.
#include <string>

#include <gtest/gtest.h>

#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/core/debug_trace.h"

namespace {

struct TraceCase {
  size_t length;
  bool whole;
};

class DebugTraceTest : public ::testing::TestWithParam<TraceCase> {
 protected:
  void SetUp() override { PlatformTest_ClearDebugOutput(FALSE); }
  void TearDown() override { PlatformTest_FailAllocation(0, FALSE, FALSE); }
  testsupport::TempMachine machine_;
};

// The longest text the tenth buffer (1024 << 9 characters) holds with its terminator.
constexpr size_t kLongestText = (size_t{1024} << 9) - 1;

TEST_P(DebugTraceTest, TheTextArrivesWholeOrCutAtTheLastBuffer) {
  const TraceCase c = GetParam();
  std::string text;
  for (size_t i = 0; i < c.length; ++i) text.push_back(static_cast<char>('a' + i % 26));
  // The text goes through a conversion, so every attempt must walk the arguments afresh.
  EXPECT_EQ(vm4k2ui::DebugTrace("%s|%d", text.c_str(), 42), c.whole ? TRUE : FALSE);
  const std::string expected = (text + "|42").substr(0, kLongestText);
  const std::string output = PlatformTest_DebugOutput();
  ASSERT_EQ(output.size(), expected.size());
  EXPECT_TRUE(output == expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, DebugTraceTest,
                         ::testing::Values(TraceCase{10 - 3, true},      // 10 characters
                                           TraceCase{1023 - 3, true},    // fills the first buffer
                                           TraceCase{1024 - 3, true},    // one more: a second attempt
                                           TraceCase{5000 - 3, true},    // the fourth buffer
                                           TraceCase{600000 - 3, false}  // past the tenth: cut
                                           ),
                         [](const auto& info) { return std::to_string(info.param.length + 3); });

TEST_F(DebugTraceTest, AFailedAllocationWritesNothing) {
  std::string text(5000, 'x');
  PlatformTest_FailAllocation(1, TRUE, FALSE);
  EXPECT_FALSE(vm4k2ui::DebugTrace("%s", text.c_str()));
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  EXPECT_EQ(PlatformTest_DebugOutput(), "");
  // A failure on a later, larger buffer drops the whole trace, not just that attempt.
  PlatformTest_FailAllocation(3, FALSE, FALSE);
  EXPECT_FALSE(vm4k2ui::DebugTrace("%s", text.c_str()));
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  EXPECT_EQ(PlatformTest_DebugOutput(), "");
}

TEST_F(DebugTraceTest, TheRegistryTraceFormat) {
  EXPECT_TRUE(vm4k2ui::DebugTrace("Registry_GetHL fail, level:%d, error code is %d\n", 2, 5));
  EXPECT_EQ(PlatformTest_DebugOutput(), "Registry_GetHL fail, level:2, error code is 5\n");
}

}  // namespace
