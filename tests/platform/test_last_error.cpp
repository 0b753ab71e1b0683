#include <gtest/gtest.h>

#include <thread>

#include <win/base.h>

#include "temp_machine.h"

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenByOther = testsupport::kErrorMarker;
  std::thread other([&] {
    SetLastError(ERROR_FILE_NOT_FOUND);
    seenByOther = GetLastError();
  });
  other.join();
  EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(LastError, CloseHandleRejectsUnknownHandles) {
  testsupport::TempMachine machine;
  for (HANDLE h : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x12345678)}) {
    SetLastError(testsupport::kErrorMarker);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}
