// Who administers the machine: the Administrators group of the process token, and from
// version 6 on only when the group is enabled and not kept for denying alone.
#include <gtest/gtest.h>

#include <platform_testing.h>
#include <temp_machine.h>

#include "ui/sheets/system_helpers.h"

namespace {

TEST(IsUserAdmin, TheGroupAndItsAttributesByVersion) {
  testsupport::TempMachine machine;
  struct Case {
    DWORD major;
    bool present;
    DWORD attributes;
    bool admin;
  } cases[] = {
      {5, true, 0xF, true},
      {5, true, 0x10, true},  // membership alone counts before version 6
      {5, false, 0, false},
      {6, true, 0xF, true},
      {6, true, 0x10, false},  // a filtered administrator
      {6, true, 0x1, false},   // present, not enabled
      {6, true, 0x14, false},  // enabled but deny only
      {6, false, 0, false},
      {10, true, 0x7, true},
      {10, true, 0x10, false},  // filtered on a later system too
      {10, true, 0x14, false},
      {10, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << " " << c.present << " 0x" << std::hex << c.attributes);
    PlatformTest_SetOsVersion(c.major, c.major == 5 ? 1 : 0, 2600, nullptr, FALSE);
    PlatformTest_SetAdministratorsGroup(c.present, c.attributes, FALSE);
    EXPECT_EQ(vm4k2ui::IsUserAdmin(), c.admin);
  }
  PlatformTest_SetControl("AdministratorsGroup", nullptr, FALSE);
  PlatformTest_SetControl("OsVersion", nullptr, FALSE);
}

}  // namespace
