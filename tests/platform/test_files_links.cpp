// Symbolic links a test makes inside (or pointing outside) the machine: reported as reparse
// points, never followed for a write, a delete or an attribute change.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

namespace {

std::string HostText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class FileLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(filetest::WriteText(u"C:\\target.txt", "target"));
    outside_ = machine_.root() + "-outside.txt";
    std::ofstream(outside_) << "host file";
    ASSERT_EQ(symlink(machine_.Host("drives/C/target.txt").c_str(), machine_.Host("drives/C/inner-link").c_str()), 0);
    ASSERT_EQ(symlink(outside_.c_str(), machine_.Host("drives/C/outer-link").c_str()), 0);
    ASSERT_EQ(symlink(machine_.Host("drives/C/Windows").c_str(), machine_.Host("drives/C/folder-link").c_str()), 0);
  }
  void TearDown() override { unlink(outside_.c_str()); }

  testsupport::TempMachine machine_;
  std::string outside_;
};

}  // namespace

TEST_F(FileLinks, AreReparsePoints) {
  EXPECT_EQ(GetFileAttributesW(u"C:\\inner-link"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesW(u"C:\\outer-link"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesW(u"C:\\folder-link"),
            static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(u"C:\\inner-link", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  FindClose(h);
}

TEST_F(FileLinks, AreNeverWrittenThrough) {
  for (const char16_t* link : {u"C:\\inner-link", u"C:\\outer-link"}) {
    for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING, OPEN_ALWAYS}) {
      SetLastError(kErrorMarker);
      EXPECT_EQ(filetest::Open(link, GENERIC_WRITE, 0, disposition), INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    SetLastError(kErrorMarker);
    EXPECT_FALSE(CopyFileW(u"C:\\target.txt", link, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(filetest::ReadText(u"C:\\target.txt"), "target");
  EXPECT_EQ(HostText(outside_), "host file");
  EXPECT_EQ(filetest::ReadText(u"C:\\inner-link"), "target") << "a link inside the machine may be read";
  SetLastError(kErrorMarker);
  EXPECT_EQ(filetest::Open(u"C:\\outer-link", GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE)
      << "nothing outside the machine is read through a link";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(kErrorMarker);
  EXPECT_EQ(filetest::Open(u"C:\\folder-link\\win.ini", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE)
      << "a link is not followed to reach a later component";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileLinks, AttributeChangesStayOnTheLink) {
  ASSERT_TRUE(SetFileAttributesW(u"C:\\inner-link", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(u"C:\\inner-link"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesW(u"C:\\target.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  struct stat before, after;
  ASSERT_EQ(stat(outside_.c_str(), &before), 0);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\outer-link", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(stat(outside_.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode) << "the host file is not touched";
  EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
}

TEST_F(FileLinks, DeletingOrMovingALinkTouchesOnlyTheLink) {
  EXPECT_TRUE(DeleteFileW(u"C:\\outer-link"));
  EXPECT_EQ(HostText(outside_), "host file");
  EXPECT_TRUE(MoveFileExW(u"C:\\inner-link", u"C:\\renamed-link", 0));
  EXPECT_EQ(GetFileAttributesW(u"C:\\renamed-link"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_TRUE(DeleteFileW(u"C:\\renamed-link"));
  EXPECT_EQ(filetest::ReadText(u"C:\\target.txt"), "target");
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\folder-link"));
  EXPECT_EQ(GetFileAttributesW(u"C:\\Windows\\System32"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}
