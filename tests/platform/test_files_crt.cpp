// The C runtime's wide-character file functions on machine paths.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

TEST(FileCrt, StreamsReadAndWriteMachineFiles) {
  testsupport::TempMachine machine;
  FILE* out = _wfopen(u"C:\\Users\\notes.txt", u"wb");
  ASSERT_NE(out, nullptr);
  std::fputs("line one\n", out);
  std::fprintf(out, "line %d\n", 2);
  ASSERT_EQ(std::fclose(out), 0);
  EXPECT_EQ(filetest::ReadText(u"C:\\USERS\\NOTES.TXT"), "line one\nline 2\n");

  FILE* append = _wfopen(u"C:\\Users\\notes.txt", u"a");
  ASSERT_NE(append, nullptr);
  std::fputs("three\n", append);
  std::fclose(append);

  FILE* in = _wfopen(u"c:\\users\\notes.txt", u"rb");
  ASSERT_NE(in, nullptr);
  char buffer[64] = {};
  size_t n = std::fread(buffer, 1, sizeof(buffer), in);
  EXPECT_EQ(std::string(buffer, n), "line one\nline 2\nthree\n");
  ASSERT_EQ(std::fseek(in, 5, SEEK_SET), 0);
  EXPECT_EQ(std::fgetc(in), 'o');
  EXPECT_EQ(std::ftell(in), 6);
  std::fclose(in);
}

TEST(FileCrt, FailuresSetErrno) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\ro.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char16_t* path;
    const char16_t* mode;
    int error;
  } cases[] = {
      {u"C:\\missing.txt", u"r", ENOENT},
      {u"C:\\NoFolder\\x.txt", u"w", ENOENT},
      {u"C:\\ro.txt", u"w", EACCES},
      {u"C:\\ro.txt", u"r+", EACCES},
      {u"C:\\ro.txt", u"q", EINVAL},
      {u"C:\\ro.txt", u"wx", EEXIST},
  };
  for (const Case& c : cases) {
    errno = 0;
    EXPECT_EQ(_wfopen(c.path, c.mode), nullptr);
    EXPECT_EQ(errno, c.error);
  }
  errno = 0;
  EXPECT_EQ(_wremove(u"C:\\ro.txt"), -1);
  EXPECT_EQ(errno, EACCES);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(filetest::WriteText(u"C:\\other.txt", "y"));
  errno = 0;
  EXPECT_EQ(_wrename(u"C:\\ro.txt", u"C:\\other.txt"), -1) << "rename never replaces";
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_wrename(u"C:\\ro.txt", u"C:\\renamed.txt"), 0);
  EXPECT_EQ(_wunlink(u"C:\\renamed.txt"), 0);
  errno = 0;
  EXPECT_EQ(_wremove(u"C:\\renamed.txt"), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(FileCrt, StreamWritesMeetInjectedFailures) {
  testsupport::TempMachine machine;
  PlatformTest_FailWritesTo(u"C:\\fails.txt", FALSE);
  FILE* out = _wfopen(u"C:\\fails.txt", u"w");
  ASSERT_NE(out, nullptr);
  std::fputs("lost", out);
  EXPECT_NE(std::fflush(out), 0);
  std::fclose(out);
  PlatformTest_FailWritesTo(nullptr, FALSE);
  EXPECT_EQ(filetest::ReadText(u"C:\\fails.txt"), "");
}
