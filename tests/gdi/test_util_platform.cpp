// Utilities that call the platform: guarded blocks, the process and system tests, names,
// string loading and text conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <platform_testing.h>
#include <win/files.h>
#include <win/memory.h>

#include "gdi/util.h"
#include "temp_machine.h"

namespace {

class Util : public testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(Util, GuardedBlocksAreCountedAndZeroFilled) {
  DWORD counter = 0;
  auto* a = static_cast<BYTE*>(Util_Alloc(&counter, 100));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(counter, 108u);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(a[i], 0);
  DWORD front, back;
  std::memcpy(&front, a - 4, 4);
  std::memcpy(&back, a + 100, 4);
  EXPECT_EQ(front, 108u);
  EXPECT_EQ(back, 108u);
  void* b = Util_Alloc(&counter, 0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(counter, 116u);
  Util_Free(&counter, a);
  Util_Free(&counter, b);
  EXPECT_EQ(counter, 0u);
  Util_Free(&counter, nullptr);
  EXPECT_NE(Util_Alloc(nullptr, 5), nullptr);  // blocks of a null counter are not counted
}

TEST_F(Util, SizesWhoseGuardsWouldOverflowAreRefused) {
  DWORD counter = 0;
  EXPECT_EQ(Util_Alloc(&counter, 0xFFFFFFF8u), nullptr);
  EXPECT_EQ(Util_Alloc(&counter, ~static_cast<SIZE_T>(0)), nullptr);
  EXPECT_EQ(counter, 0u);
}

TEST_F(Util, ABlockWithABrokenGuardIsLeftAlone) {
  DWORD counter = 0;
  auto* a = static_cast<BYTE*>(Util_Alloc(&counter, 16));
  a[16] ^= 0xFF;  // written one past its end
  Util_Free(&counter, a);
  EXPECT_EQ(counter, 24u);
  EXPECT_NE(GlobalSize(static_cast<HGLOBAL>(a - 4)), 0u);  // still allocated
  a[16] ^= 0xFF;
  // A leading word that points past the allocation is not followed to find the trailer.
  const DWORD huge = 0x7FFFFFF0;
  std::memcpy(a - 4, &huge, 4);
  Util_Free(&counter, a);
  EXPECT_EQ(counter, 24u);
  const DWORD tiny = 3;
  std::memcpy(a - 4, &tiny, 4);
  Util_Free(&counter, a);
  EXPECT_EQ(counter, 24u);
  const DWORD good = 24;
  std::memcpy(a - 4, &good, 4);
  Util_Free(&counter, a);
  EXPECT_EQ(counter, 0u);
}

TEST_F(Util, ReallocCopiesTheCallersBytesOnly) {
  DWORD counter = 0;
  auto* a = static_cast<BYTE*>(Util_Alloc(&counter, 8));
  std::memcpy(a, "ABCDEFGH", 8);
  auto* grown = static_cast<BYTE*>(Util_Realloc(&counter, a, 20));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(std::memcmp(grown, "ABCDEFGH", 8), 0);
  for (int i = 8; i < 20; ++i) EXPECT_EQ(grown[i], 0) << i;  // not the old block's trailer
  EXPECT_EQ(counter, 28u);
  auto* shrunk = static_cast<BYTE*>(Util_Realloc(&counter, grown, 3));
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(std::memcmp(shrunk, "ABC", 3), 0);
  EXPECT_EQ(counter, 11u);
  PlatformTest_FailAllocation(1, FALSE, FALSE);
  EXPECT_EQ(Util_Realloc(&counter, shrunk, 100), nullptr);
  PlatformTest_FailAllocation(0, FALSE, FALSE);
  EXPECT_EQ(std::memcmp(shrunk, "ABC", 3), 0);  // the old block stays
  EXPECT_EQ(counter, 11u);
  void* fresh = Util_Realloc(&counter, nullptr, 4);
  EXPECT_NE(fresh, nullptr);
  Util_Free(&counter, fresh);
  Util_Free(&counter, shrunk);
  EXPECT_EQ(counter, 0u);
}

TEST_F(Util, ProcessTestComparesTheImageNameWithoutCase) {
  PlatformTest_SetImageName("C:\\Tools\\PrintDrvStress.exe", FALSE);
  EXPECT_EQ(Util_IsProcess(u"printdrvstress.exe"), 0);
  EXPECT_EQ(Util_IsProcess(u"PRINTDRVSTRESS.EXE"), 0);
  EXPECT_EQ(Util_IsProcess(u"printdrvstress"), 1);
  EXPECT_EQ(Util_IsProcess(u"word.exe"), 1);
  EXPECT_EQ(Util_IsProcess(nullptr), 1);
  PlatformTest_SetImageName(nullptr, FALSE);
}

TEST_F(Util, OsClassByVersion) {
  struct Case {
    DWORD major, minor;
    int cls;
  } const cases[] = {{5, 1, 0}, {6, 0, 1}, {6, 1, 2}, {6, 3, 2}, {10, 0, 0}};
  for (const Case& c : cases) {
    PlatformTest_SetOsVersion(c.major, c.minor, 1, nullptr, FALSE);
    EXPECT_EQ(Util_GetOsClass(), c.cls) << c.major << "." << c.minor;
  }
}

TEST_F(Util, OwnerNameIsCutTo31Characters) {
  WCHAR name[32];
  PlatformTest_SetUserName("alice", FALSE);
  Util_GetOwnerName(name, TRUE);
  EXPECT_EQ(std::u16string(name), u"alice");
  PlatformTest_SetUserName(std::string(40, 'u').c_str(), FALSE);
  Util_GetOwnerName(name, FALSE);
  EXPECT_EQ(std::u16string(name), std::u16string(31, u'u'));
  PlatformTest_SetUserNameUnreadable(TRUE, FALSE);
  Util_GetOwnerName(name, FALSE);
  EXPECT_EQ(name[0], 0);
  PlatformTest_SetUserNameUnreadable(FALSE, FALSE);
}

TEST_F(Util, MissingStringsBecomeAnIdText) {
  WCHAR buffer[32];
  EXPECT_EQ(Util_LoadString(nullptr, 1234, buffer, sizeof(buffer)), 16);
  EXPECT_EQ(std::u16string(buffer), u"id:1234 missing!");
  WCHAR small[8] = {u'z'};
  EXPECT_EQ(Util_LoadString(nullptr, 1234, small, sizeof(small)), 0);
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(Util_LoadString(nullptr, 1, nullptr, 10), 0);
}

TEST_F(Util, UnicodeToAnsiNeedsACapacityAndTerminates) {
  char out[16];
  std::memset(out, 'z', sizeof(out));
  EXPECT_EQ(Util_UnicodeToAnsi(out, u"Hello", sizeof(out)), 5u);
  EXPECT_STREQ(out, "Hello");
  std::memset(out, 'z', sizeof(out));
  EXPECT_EQ(Util_UnicodeToAnsi(out, u"Hello, world", 6), 5u);
  EXPECT_STREQ(out, "Hello");
  EXPECT_EQ(out[6], 'z');  // nothing past the capacity
  std::memset(out, 'z', sizeof(out));
  EXPECT_EQ(Util_UnicodeToAnsi(out, u"Hello", 0), 0u);
  EXPECT_EQ(out[0], 'z');
  EXPECT_EQ(Util_UnicodeToAnsi(out, u"\u20ACx\u4E00", sizeof(out)), 3u);
  EXPECT_STREQ(out, "\x80x?");
  EXPECT_EQ(Util_UnicodeToAnsi(out, nullptr, sizeof(out)), 0u);
  EXPECT_STREQ(out, "");
}

TEST_F(Util, TempFileInTheTemporaryFolder) {
  WCHAR name[MAX_PATH];
  ASSERT_TRUE(Util_MakeTempFile(u"tqlbp", name));
  const std::u16string path(name);
  EXPECT_NE(path.find(u"tql"), std::u16string::npos);
  EXPECT_NE(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);
  WCHAR other[MAX_PATH];
  ASSERT_TRUE(Util_MakeTempFile(u"tqlbp", other));
  EXPECT_NE(std::u16string(other), path);
}

}  // namespace
