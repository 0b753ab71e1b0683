// CreateFileW's dispositions and errors, data transfer and the file pointer.
#include <gtest/gtest.h>

#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

TEST(FileHandles, DispositionsOnMissingAndExistingFiles) {
  testsupport::TempMachine machine;
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;  // last error after the call
    const char* contentAfter;
  } cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
  };
  for (const Case& c : cases) {
    const char16_t* path = u"C:\\disposition.txt";
    DeleteFileW(path);
    if (c.exists) {
      ASSERT_TRUE(filetest::WriteText(path, "old"));
    }
    SetLastError(kErrorMarker);
    HANDLE h = filetest::Open(path, GENERIC_READ | GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << "disposition " << c.disposition << " exists " << c.exists;
    EXPECT_EQ(GetLastError(), c.error) << "disposition " << c.disposition << " exists " << c.exists;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (c.contentAfter) {
      EXPECT_EQ(filetest::ReadText(path), c.contentAfter) << "disposition " << c.disposition;
    } else {
      EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
    }
  }
}

TEST(FileHandles, MissingFileAndMissingFolderAreTold) {
  testsupport::TempMachine machine;
  struct Case {
    const char16_t* path;
    DWORD disposition;
    DWORD error;
  } cases[] = {
      {u"C:\\Windows\\nothing.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {u"C:\\NoFolder\\nothing.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {u"C:\\NoFolder\\new.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {u"", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {u"C:\\Windows", OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {u"C:\\Windows", CREATE_ALWAYS, ERROR_ACCESS_DENIED},
      {u"C:\\bad|name.txt", CREATE_ALWAYS, ERROR_INVALID_NAME},
      {u"C:\\x.txt", 0, ERROR_INVALID_PARAMETER},
      {u"C:\\x.txt", 6, ERROR_INVALID_PARAMETER},
      {u"\\\\.\\pipe\\nobody-listens", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {u"\\\\?\\usb#vid_0000#none", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {u"\\\\server\\share\\x.txt", OPEN_EXISTING, ERROR_BAD_NETPATH},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(filetest::Open(c.path, GENERIC_READ | GENERIC_WRITE, 0, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error) << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
  }
}

TEST(FileHandles, LongPathFormNamesTheSameFile) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"\\\\?\\C:\\Windows\\long.txt", "long form"));
  EXPECT_EQ(filetest::ReadText(u"C:\\Windows\\LONG.TXT"), "long form");
}

TEST(FileHandles, ReadsAreShortAtTheEndAndAccessIsChecked) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\data.bin", "0123456789"));
  HANDLE h = filetest::Open(u"C:\\data.bin", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buffer[32] = {};
  DWORD got = 99;
  ASSERT_TRUE(ReadFile(h, buffer, 4, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "0123");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof(buffer), &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "456789");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof(buffer), &got, nullptr));
  EXPECT_EQ(got, 0u) << "end of file is a successful read of nothing";

  SetLastError(kErrorMarker);
  DWORD written = 99;
  EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(written, 0u);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetEndOfFile(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(CloseHandle(h));

  SetLastError(kErrorMarker);
  EXPECT_FALSE(ReadFile(h, buffer, 1, &got, nullptr)) << "a closed handle is gone";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  HANDLE w = filetest::Open(u"C:\\data.bin", GENERIC_WRITE, 0);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(ReadFile(w, buffer, 1, &got, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(w);
}

TEST(FileHandles, PointerSizeAndEndOfFile) {
  testsupport::TempMachine machine;
  HANDLE h = filetest::Open(u"C:\\pointer.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
  EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
  ASSERT_TRUE(WriteFile(h, "XY", 2, &n, nullptr));
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 4u);
  EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_END), 5u);

  SetLastError(kErrorMarker);
  EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u) << "a failed move leaves the pointer";

  LARGE_INTEGER far, now;
  far.QuadPart = 0x100000010LL;
  ASSERT_TRUE(SetFilePointerEx(h, far, &now, FILE_BEGIN));
  EXPECT_EQ(now.QuadPart, 0x100000010LL);
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_CURRENT), 0x10u);
  EXPECT_EQ(high, 1);

  EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_BEGIN), 3u);
  ASSERT_TRUE(SetEndOfFile(h));
  DWORD sizeHigh = 7;
  EXPECT_EQ(GetFileSize(h, &sizeHigh), 3u);
  EXPECT_EQ(sizeHigh, 0u);
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 3);
  ASSERT_TRUE(FlushFileBuffers(h));
  CloseHandle(h);
  EXPECT_EQ(filetest::ReadText(u"C:\\pointer.bin"), "abX");
}

TEST(FileHandles, OverlappedOffsetsAndAppendOnlyAccess) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\log.txt", "one;"));
  HANDLE h = filetest::Open(u"C:\\log.txt", FILE_APPEND_DATA, FILE_SHARE_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  ASSERT_TRUE(WriteFile(h, "two;", 4, &n, nullptr));
  CloseHandle(h);
  EXPECT_EQ(filetest::ReadText(u"C:\\log.txt"), "one;two;");

  HANDLE r = filetest::Open(u"C:\\log.txt", GENERIC_READ, FILE_SHARE_READ);
  OVERLAPPED at = {};
  at.u.s.Offset = 4;
  char buffer[8] = {};
  ASSERT_TRUE(ReadFile(r, buffer, 3, &n, &at));
  EXPECT_EQ(std::string(buffer, n), "two");
  EXPECT_EQ(SetFilePointer(r, 0, nullptr, FILE_CURRENT), 7u);
  CloseHandle(r);
}
