#include <cstdlib>

#include "internal/clock.h"
#include "internal/controls.h"
#include "internal/machine.h"
#include "platform_testing.h"

extern "C" {

WINBASEAPI void PlatformTest_UseMachine(const char* root) {
  setenv("PLATFORM_ROOT", root, 1);
  plat::ClearProcessControls();
  plat::clock::UseReal();
  plat::ResetMachine(root);
  plat::ForgetMachineControls();
}

WINBASEAPI void PlatformTest_SetControl(const char* name, const char* value, BOOL machineWide) {
  std::optional<std::string_view> v = value ? std::optional<std::string_view>(value) : std::nullopt;
  if (machineWide)
    plat::SetMachineControl(name, v);
  else
    plat::SetProcessControl(name, v);
}

// The manual clock is the process's own too.
WINBASEAPI void PlatformTest_ClearProcessControls(void) {
  plat::ClearProcessControls();
  plat::clock::UseReal();
}

}  // extern "C"
