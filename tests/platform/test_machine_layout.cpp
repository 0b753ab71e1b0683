// The standard folders of a fresh machine and its Fonts folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include <win/files.h>

#include "file_test_util.h"
#include "temp_machine.h"

using testsupport::kErrorMarker;

TEST(MachineLayout, StandardFoldersExistOnFirstUse) {
  testsupport::TempMachine machine;
  for (const char16_t* folder :
       {u"C:\\Windows", u"C:\\Windows\\System32", u"C:\\Windows\\System32\\spool\\drivers\\x64\\3",
        u"C:\\Windows\\Fonts", u"C:\\Program Files", u"C:\\ProgramData", u"C:\\Users\\Public",
        u"C:\\Users\\User\\AppData\\Roaming", u"C:\\Users\\User\\AppData\\Local",
        u"C:\\Users\\User\\AppData\\Local\\Temp"})
    EXPECT_EQ(GetFileAttributesW(folder), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(MachineLayout, FontsArePlainFilesThatAreNeverWritten) {
  testsupport::TempMachine machine;
  struct stat host;
  if (stat("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", &host) != 0) GTEST_SKIP() << "fonts-dejavu-core is not installed";
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(u"C:\\Windows\\Fonts\\DejaVuSans.ttf", GetFileExInfoStandard, &data));
  EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(data.nFileSizeLow, static_cast<DWORD>(host.st_size));
  struct stat inMachine;
  ASSERT_EQ(lstat(machine.Host("drives/C/Windows/Fonts/DejaVuSans.ttf").c_str(), &inMachine), 0);
  EXPECT_TRUE(S_ISREG(inMachine.st_mode)) << "a hard link or a copy, never a symbolic link";

  HANDLE reader = filetest::Open(u"C:\\Windows\\Fonts\\dejavusans.TTF", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  char magic[4];
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(reader, magic, 4, &got, nullptr));
  EXPECT_EQ(std::string(magic, 4), std::string("\0\1\0\0", 4)) << "a TrueType file";
  CloseHandle(reader);

  if (inMachine.st_ino == host.st_ino) {
    // Shared with the host: the machine refuses to change it in place.
    for (DWORD disposition : {OPEN_EXISTING, TRUNCATE_EXISTING, CREATE_ALWAYS}) {
      SetLastError(kErrorMarker);
      EXPECT_EQ(filetest::Open(u"C:\\Windows\\Fonts\\DejaVuSans.ttf", GENERIC_WRITE, 0, disposition), INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    struct stat after;
    ASSERT_EQ(stat("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", &after), 0);
    EXPECT_EQ(after.st_size, host.st_size);
  }
  // Deleting the machine's name of a font leaves the host's file.
  EXPECT_TRUE(DeleteFileW(u"C:\\Windows\\Fonts\\DejaVuSans.ttf"));
  EXPECT_EQ(stat("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", &host), 0);
}
