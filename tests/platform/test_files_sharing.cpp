// Share modes and byte-range locks between handles of one process, which conflict exactly as
// handles of two processes do.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

TEST(FileSharing, SecondOpenIsJudgedAgainstTheFirst) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\share.txt", "x"));
  constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, D = DELETE;
  constexpr DWORD SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;
  struct Case {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
  } cases[] = {
      {R, SR, R, SR, true},
      {R, 0, R, SR | SW, false},           // the first denies reading
      {R, SR, R, SR | SW | SD, true},
      {R, SR, W, SR | SW, false},          // the first denies writing
      {W, SR, R, SR, false},               // the first writes, the second does not share writing
      {W, SR, R, SR | SW, true},
      {R | W, SR | SW, R | W, SR | SW, true},
      {R, SR, D, SR | SW | SD, false},     // deleting needs the first to share deletion
      {R, SR | SD, D, SR, true},
      {FILE_READ_ATTRIBUTES, 0, R | W, 0, true},  // an attributes-only open takes no part
      {R | W, 0, FILE_READ_ATTRIBUTES, 0, true},
  };
  for (const Case& c : cases) {
    HANDLE first = filetest::Open(u"C:\\share.txt", c.firstAccess, c.firstShare);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(kErrorMarker);
    HANDLE second = filetest::Open(u"C:\\share.txt", c.secondAccess, c.secondShare);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens)
        << std::hex << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/" << c.secondShare;
    if (second != INVALID_HANDLE_VALUE) {
      CloseHandle(second);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    CloseHandle(first);
  }
}

TEST(FileSharing, TheOpensFolderListsOnlyOpenFiles) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\one.txt", "x"));
  auto count = [&] {
    size_t n = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(machine.Host("files/opens"), ec), end; !ec && it != end; it.increment(ec))
      ++n;
    return n;
  };
  EXPECT_EQ(count(), 0u);
  HANDLE a = filetest::Open(u"C:\\one.txt", GENERIC_READ, FILE_SHARE_READ);
  HANDLE b = filetest::Open(u"C:\\one.txt", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_EQ(count(), 1u);
  CloseHandle(a);
  EXPECT_EQ(count(), 1u) << "the other handle still holds the file";
  SetLastError(kErrorMarker);
  EXPECT_EQ(filetest::Open(u"C:\\one.txt", GENERIC_WRITE, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(b);
  EXPECT_EQ(count(), 0u);
}

TEST(FileSharing, OpenHandlesProtectAgainstDeleteAndRename) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\busy.txt", "x"));
  HANDLE h = filetest::Open(u"C:\\busy.txt", GENERIC_READ, FILE_SHARE_READ);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeleteFileW(u"C:\\busy.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(MoveFileExW(u"C:\\busy.txt", u"C:\\moved.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(h);

  HANDLE shared = filetest::Open(u"C:\\busy.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
  EXPECT_TRUE(MoveFileExW(u"C:\\busy.txt", u"C:\\moved.txt", 0)) << "a handle that shares deletion allows it";
  CloseHandle(shared);
}

TEST(FileLocks, TwoHandlesOfOneProcessConflict) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\lock.bin", "0123456789"));
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE a = filetest::Open(u"C:\\lock.bin", GENERIC_READ | GENERIC_WRITE, kShareAll);
  HANDLE b = filetest::Open(u"C:\\lock.bin", GENERIC_READ | GENERIC_WRITE, kShareAll);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  OVERLAPPED at = {};
  at.u.s.Offset = 0;
  ASSERT_TRUE(LockFileEx(a, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 5, 0, &at));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  DWORD n = 0;
  char buffer[4];
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WriteFile(b, "zz", 2, &n, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  EXPECT_TRUE(ReadFile(a, buffer, 4, &n, &at)) << "the holder itself reads and writes its range";
  EXPECT_TRUE(WriteFile(a, "ab", 2, &n, &at));

  // The same handle may not lay an exclusive lock over its own lock.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(LockFileEx(a, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 2, 0, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));

  // An unlock names exactly one locked range.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(UnlockFileEx(a, 0, 4, 0, &at));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_TRUE(UnlockFileEx(a, 0, 5, 0, &at));
  EXPECT_TRUE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  CloseHandle(a);
  CloseHandle(b);
}

TEST(FileLocks, SharedLocksOverlapAndEachIsReleasedOnItsOwn) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\shared.bin", "0123456789"));
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE a = filetest::Open(u"C:\\shared.bin", GENERIC_READ | GENERIC_WRITE, kShareAll);
  HANDLE b = filetest::Open(u"C:\\shared.bin", GENERIC_READ | GENERIC_WRITE, kShareAll);
  OVERLAPPED at0 = {}, at2 = {};
  at2.u.s.Offset = 2;
  ASSERT_TRUE(LockFileEx(a, LOCKFILE_FAIL_IMMEDIATELY, 0, 4, 0, &at0));  // bytes 0-3
  ASSERT_TRUE(LockFileEx(a, LOCKFILE_FAIL_IMMEDIATELY, 0, 4, 0, &at2));  // bytes 2-5
  ASSERT_TRUE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 2, 0, &at2)) << "shared locks overlap";
  ASSERT_TRUE(UnlockFileEx(b, 0, 2, 0, &at2));

  ASSERT_TRUE(UnlockFileEx(a, 0, 4, 0, &at0));
  // Bytes 2-3 are still held by a's second lock.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(LockFileEx(b, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  EXPECT_TRUE(LockFileEx(b, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 2, 0, &at0));
  // A shared lock keeps even its holder from writing.
  DWORD n = 0;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(WriteFile(a, "z", 1, &n, &at2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  CloseHandle(a);
  CloseHandle(b);
}

TEST(FileLocks, ClosingAHandleReleasesItsLocks) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\close.bin", "0123"));
  HANDLE a = filetest::Open(u"C:\\close.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  OVERLAPPED at = {};
  // A whole-file lock, as callers write it.
  ASSERT_TRUE(LockFileEx(a, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at));
  HANDLE b = filetest::Open(u"C:\\close.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE) << "a lock is no share mode";
  EXPECT_FALSE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  CloseHandle(a);
  EXPECT_TRUE(LockFileEx(b, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
  CloseHandle(b);
}

TEST(FileSharing, ExclusiveOpensRacingFromThreadsNeverOverlap) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\race.txt", "x"));
  std::atomic<int> holders{0}, maxHolders{0}, opened{0};
  auto worker = [&] {
    for (int i = 0; i < 300; ++i) {
      HANDLE h = filetest::Open(u"C:\\race.txt", GENERIC_READ | GENERIC_WRITE, 0);
      if (h == INVALID_HANDLE_VALUE) continue;
      int now = ++holders;
      int seen = maxHolders.load();
      while (now > seen && !maxHolders.compare_exchange_weak(seen, now)) {
      }
      ++opened;
      --holders;
      CloseHandle(h);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(maxHolders.load(), 1) << "share mode 0 admits one handle at a time";
  EXPECT_GT(opened.load(), 0);
}
