// Deleting, copying and moving files: errors, attributes carried along, links left alone, and
// the renames put off until the machine restarts.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

TEST(FileNames, DeleteFileErrors) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\ro.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char16_t* path;
    DWORD error;
  } cases[] = {
      {u"C:\\none.txt", ERROR_FILE_NOT_FOUND},
      {u"C:\\none\\none.txt", ERROR_PATH_NOT_FOUND},
      {u"C:\\Windows", ERROR_ACCESS_DENIED},
      {u"C:\\ro.txt", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(DeleteFileW(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
  ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileW(u"C:\\RO.TXT"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\ro.txt"), INVALID_FILE_ATTRIBUTES);
  // A new file of the same name does not inherit the old one's attributes.
  ASSERT_TRUE(filetest::WriteText(u"C:\\ro.txt", "y"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\ro.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST(FileNames, CopyKeepsDataAndAttributes) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\src.txt", "payload"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\src.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(CopyFileW(u"C:\\src.txt", u"C:\\Users\\copy.txt", TRUE));
  EXPECT_EQ(filetest::ReadText(u"C:\\Users\\copy.txt"), "payload");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Users\\copy.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  struct Case {
    const char16_t* from;
    const char16_t* to;
    BOOL failIfExists;
    DWORD error;
  } cases[] = {
      {u"C:\\missing.txt", u"C:\\x.txt", FALSE, ERROR_FILE_NOT_FOUND},
      {u"C:\\src.txt", u"C:\\Users\\copy.txt", TRUE, ERROR_FILE_EXISTS},
      {u"C:\\src.txt", u"C:\\Users\\copy.txt", FALSE, ERROR_ACCESS_DENIED},  // the copy is read-only now
      {u"C:\\src.txt", u"C:\\NoFolder\\x.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {u"C:\\Windows", u"C:\\x.txt", FALSE, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(CopyFileW(c.from, c.to, c.failIfExists));
    EXPECT_EQ(GetLastError(), c.error);
  }
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Users\\copy.txt", FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(filetest::WriteText(u"C:\\other.txt", "second"));
  EXPECT_TRUE(CopyFileW(u"C:\\other.txt", u"C:\\Users\\copy.txt", FALSE));
  EXPECT_EQ(filetest::ReadText(u"C:\\Users\\copy.txt"), "second");
}

TEST(FileNames, MoveReplacesOnlyWhenAskedAndNeverAReadOnlyFile) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\a.txt", "A"));
  ASSERT_TRUE(filetest::WriteText(u"C:\\b.txt", "B"));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\a.txt", u"C:\\b.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileW(u"C:\\a.txt", u"C:\\b.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  ASSERT_TRUE(SetFileAttributesW(u"C:\\b.txt", FILE_ATTRIBUTE_READONLY));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\a.txt", u"C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(filetest::ReadText(u"C:\\b.txt"), "B");

  ASSERT_TRUE(SetFileAttributesW(u"C:\\b.txt", FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\a.txt", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(MoveFileExW(u"C:\\a.txt", u"C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(filetest::ReadText(u"C:\\b.txt"), "A");
  EXPECT_EQ(GetFileAttributesW(u"C:\\b.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)) << "attributes travel";
  EXPECT_EQ(GetFileAttributesW(u"C:\\a.txt"), INVALID_FILE_ATTRIBUTES);

  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\a.txt", u"C:\\c.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\b.txt", u"C:\\NoFolder\\c.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FileNames, MovingAFolderCarriesItsEntriesAndTheirAttributes) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Old", nullptr));
  ASSERT_TRUE(filetest::WriteText(u"C:\\Old\\inner.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Old\\inner.txt", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MoveFileExW(u"C:\\Old", u"C:\\New", 0));
  EXPECT_EQ(GetFileAttributesW(u"C:\\New\\inner.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\New", u"C:\\New\\Deeper", 0));
  EXPECT_NE(GetLastError(), kErrorMarker);
  // A change of case only renames the entry.
  ASSERT_TRUE(MoveFileExW(u"C:\\New", u"C:\\NEW", 0));
  struct stat st;
  EXPECT_EQ(stat(machine.Host("drives/C/NEW/inner.txt").c_str(), &st), 0);
}

TEST(FileNames, DelayedRenamesWaitForTheRestart) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\Windows\\System32\\old.dll", "old"));
  ASSERT_TRUE(filetest::WriteText(u"C:\\Windows\\System32\\new.tmp", "new"));
  ASSERT_TRUE(filetest::WriteText(u"C:\\Windows\\System32\\gone.dll", "bye"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Windows\\System32\\gone.dll", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(MoveFileExW(u"C:\\Windows\\System32\\new.tmp", u"C:\\Windows\\System32\\old.dll",
                          MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(MoveFileExW(u"c:\\windows\\system32\\gone.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\x", u"C:\\y", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  EXPECT_EQ(filetest::ReadText(u"C:\\Windows\\System32\\old.dll"), "old") << "nothing moves before the restart";
  std::ifstream pending(machine.Host("session/pending-file-renames"));
  std::stringstream text;
  text << pending.rdbuf();
  EXPECT_EQ(text.str(),
            "C:\\Windows\\System32\\new.tmp\tC:\\Windows\\System32\\old.dll\t1\n"
            "C:\\windows\\system32\\gone.dll\t\t0\n");

  EXPECT_EQ(PlatformTest_RestartMachine(), 2u);
  EXPECT_EQ(filetest::ReadText(u"C:\\Windows\\System32\\old.dll"), "new");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32\\new.tmp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32\\gone.dll"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(PlatformTest_RestartMachine(), 0u) << "each operation runs once";
}

TEST(FileNames, InjectedWriteFailures) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\status.dat", "before"));
  PlatformTest_FailWritesTo(u"c:\\STATUS.dat", FALSE);
  HANDLE h = filetest::Open(u"C:\\status.dat", GENERIC_WRITE, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 99;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WriteFile(h, "after", 5, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_EQ(n, 0u);
  CloseHandle(h);
  EXPECT_TRUE(filetest::WriteText(u"C:\\other.dat", "fine")) << "only the named file fails";
  SetLastError(kErrorMarker);
  EXPECT_FALSE(CopyFileW(u"C:\\other.dat", u"C:\\status.dat", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  PlatformTest_FailWritesTo(nullptr, FALSE);
  EXPECT_TRUE(filetest::WriteText(u"C:\\status.dat", "after"));

  PlatformTest_SetDiskFull(TRUE, TRUE);
  HANDLE full = filetest::Open(u"C:\\status.dat", GENERIC_WRITE, 0);
  SetLastError(kErrorMarker);
  EXPECT_TRUE(WriteFile(full, "AFTER", 5, &n, nullptr)) << "overwriting takes no new space";
  EXPECT_FALSE(WriteFile(full, "!", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  CloseHandle(full);
  PlatformTest_SetDiskFull(FALSE, TRUE);
  EXPECT_EQ(filetest::ReadText(u"C:\\status.dat"), "AFTER");
}
