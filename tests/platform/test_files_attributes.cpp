// The machine's own attribute records: reported, enforced (the tests run as root), and carried
// with the file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

TEST(FileAttributes, NewEntriesAndChangedAttributesAreReported) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\plain.txt", "x"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\plain.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  struct Case {
    DWORD set;
    DWORD reported;
  } cases[] = {
      {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
      {FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_SYSTEM},
      {0, FILE_ATTRIBUTE_NORMAL},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetFileAttributesW(u"c:\\PLAIN.txt", c.set));
    EXPECT_EQ(GetFileAttributesW(u"C:\\plain.txt"), c.reported) << std::hex << c.set;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(u"C:\\plain.txt", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes, c.reported);
    EXPECT_EQ(data.nFileSizeLow, 1u);
  }
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Windows", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));

  struct stat st;
  ASSERT_EQ(stat(machine.Host("drives/C/plain.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "host permission bits are never used for attributes";

  for (const char16_t* missing : {u"C:\\none.txt", u"C:\\none\\none.txt"}) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(GetFileAttributesW(missing), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), missing[7] == u'\\' ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    SetLastError(kErrorMarker);
    EXPECT_FALSE(SetFileAttributesW(missing, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), missing[7] == u'\\' ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
  }
}

TEST(FileAttributes, ReadOnlyIsEnforcedEvenForRoot) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\locked.txt", "keep"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\locked.txt", FILE_ATTRIBUTE_READONLY));

  struct Case {
    DWORD access;
    DWORD disposition;
  } refused[] = {
      {GENERIC_WRITE, OPEN_EXISTING},
      {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
      {GENERIC_READ, CREATE_ALWAYS},
      {GENERIC_WRITE, TRUNCATE_EXISTING},
      {DELETE, OPEN_EXISTING},
      {FILE_APPEND_DATA, OPEN_EXISTING},
  };
  for (const Case& c : refused) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(filetest::Open(u"C:\\locked.txt", c.access, 0, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << c.access << " " << c.disposition;
  }
  EXPECT_EQ(filetest::ReadText(u"C:\\locked.txt"), "keep") << "reading is still allowed";

  ASSERT_TRUE(SetFileAttributesW(u"C:\\locked.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(filetest::WriteText(u"C:\\locked.txt", "changed"));
  EXPECT_EQ(filetest::ReadText(u"C:\\locked.txt"), "changed");
}

TEST(FileAttributes, HiddenOrSystemFilesAreReplacedOnlyWhenNamedAgain) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\secret.dat", "x"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\secret.dat", FILE_ATTRIBUTE_HIDDEN));
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateFileW(u"C:\\secret.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  HANDLE h = CreateFileW(u"C:\\secret.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(GetFileAttributesW(u"C:\\secret.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST(FileAttributes, RecordOfAFileReplacedOutsideTheMachineIsForgotten) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\swap.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\swap.txt", FILE_ATTRIBUTE_READONLY));
  std::string host = machine.Host("drives/C/swap.txt");
  // Another file takes the name behind the machine's back (a new inode, the old one kept alive
  // so it cannot be reused).
  std::string keep = machine.Host("keep-inode");
  ASSERT_EQ(rename(host.c_str(), keep.c_str()), 0);
  FILE* f = std::fopen(host.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(GetFileAttributesW(u"C:\\swap.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST(FileFolders, CreateDirectoryErrors) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(filetest::WriteText(u"C:\\file.txt", "x"));
  struct Case {
    const char16_t* path;
    DWORD error;
  } cases[] = {
      {u"C:\\Windows", ERROR_ALREADY_EXISTS},
      {u"c:\\WINDOWS\\system32", ERROR_ALREADY_EXISTS},
      {u"C:\\file.txt", ERROR_ALREADY_EXISTS},
      {u"C:\\Missing\\Sub", ERROR_PATH_NOT_FOUND},
      {u"C:\\file.txt\\Sub", ERROR_PATH_NOT_FOUND},
      {u"C:\\", ERROR_ACCESS_DENIED},
      {u"C:\\a<b", ERROR_INVALID_NAME},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(CreateDirectoryW(c.path, nullptr));
    EXPECT_EQ(GetLastError(), c.error);
  }
  ASSERT_TRUE(CreateDirectoryW(u"C:\\New", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\new\\Inner", nullptr));
  EXPECT_EQ(GetFileAttributesW(u"C:\\NEW\\INNER"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(FileFolders, RemoveDirectoryErrors) {
  testsupport::TempMachine machine;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Full", nullptr));
  ASSERT_TRUE(filetest::WriteText(u"C:\\Full\\f.txt", "x"));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Locked", nullptr));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Locked", FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char16_t* path;
    DWORD error;
  } cases[] = {
      {u"C:\\Full", ERROR_DIR_NOT_EMPTY},
      {u"C:\\Full\\f.txt", ERROR_DIRECTORY},
      {u"C:\\Nothing", ERROR_FILE_NOT_FOUND},
      {u"C:\\Nothing\\Deeper", ERROR_PATH_NOT_FOUND},
      {u"C:\\Locked", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_FALSE(RemoveDirectoryW(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
  ASSERT_TRUE(SetFileAttributesW(u"C:\\Locked", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(RemoveDirectoryW(u"c:\\locked"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Locked"), INVALID_FILE_ATTRIBUTES);
}
