// Two processes of one machine: files written by one are read by the other, and share modes and
// byte-range locks hold across them.
#include <gtest/gtest.h>

#include <string>

#include <win/files.h>

#include "child_process.h"
#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::ChildProcess;
using testsupport::kErrorMarker;
using testsupport::TestProgram;

TEST(FileProcesses, AFileWrittenByOneProcessIsReadByTheOther) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Shared", nullptr));
  {
    ChildProcess child(TestProgram("platform_child"), {"write-file", "c:\\shared\\FROM-CHILD.txt", "child wrote this"});
    EXPECT_EQ(child.ReadLine(), "written 16");
    EXPECT_EQ(child.Wait(), 0);
  }
  EXPECT_EQ(filetest::ReadText(u"C:\\Shared\\from-child.txt"), "child wrote this");

  ASSERT_TRUE(filetest::WriteText(u"C:\\Shared\\from-parent.txt", "parent wrote this"));
  ChildProcess reader(TestProgram("platform_child"), {"read-file", "C:\\SHARED\\From-Parent.TXT"});
  EXPECT_EQ(reader.ReadLine(), "parent wrote this");
  EXPECT_EQ(reader.Wait(), 0);
}

TEST(FileProcesses, ShareModesHoldAcrossProcesses) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\held.txt", "x"));
  ChildProcess holder(TestProgram("platform_child"), {"hold-open", "C:\\held.txt", "1"});  // FILE_SHARE_READ
  ASSERT_EQ(holder.ReadLine(), "open");

  HANDLE reader = filetest::Open(u"C:\\held.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading is shared";
  CloseHandle(reader);
  SetLastError(kErrorMarker);
  EXPECT_EQ(filetest::Open(u"C:\\held.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(kErrorMarker);
  EXPECT_EQ(filetest::Open(u"C:\\held.txt", GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE)
      << "the holder writes, so a reader must share writing";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteFileW(u"C:\\held.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  holder.CloseInput();
  EXPECT_EQ(holder.Wait(), 0);
  HANDLE writer = filetest::Open(u"C:\\held.txt", GENERIC_WRITE, 0);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "the share mode went with the other process's handle";
  CloseHandle(writer);
}

TEST(FileProcesses, ByteRangeLocksHoldAcrossProcesses) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\locked.bin", "0123456789"));
  ChildProcess locker(TestProgram("platform_child"), {"lock", "C:\\locked.bin", "2", "4"});
  ASSERT_EQ(locker.ReadLine(), "locked");

  HANDLE h = filetest::Open(u"C:\\locked.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  OVERLAPPED at = {};
  at.u.s.Offset = 4;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(LockFileEx(h, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  char buffer[4];
  DWORD got = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ReadFile(h, buffer, 4, &got, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  at.u.s.Offset = 6;
  EXPECT_TRUE(ReadFile(h, buffer, 4, &got, &at)) << "bytes outside the range are free";

  locker.CloseInput();
  EXPECT_EQ(locker.Wait(), 0);
  at.u.s.Offset = 4;
  EXPECT_TRUE(LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  EXPECT_TRUE(UnlockFileEx(h, 0, 1, 0, &at));
  CloseHandle(h);
}
