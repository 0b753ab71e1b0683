#include <cstdlib>

#include "internal/controls.h"
#include "internal/machine.h"
#include "platform_testing.h"

extern "C" {

WINBASEAPI void PlatformTest_UseMachine(const char* root) {
  setenv("PLATFORM_ROOT", root, 1);
  plat::ClearProcessControls();
  plat::ResetMachine(root);
}

WINBASEAPI void PlatformTest_SetControl(const char* name, const char* value, BOOL machineWide) {
  std::optional<std::string_view> v = value ? std::optional<std::string_view>(value) : std::nullopt;
  if (machineWide)
    plat::SetMachineControl(name, v);
  else
    plat::SetProcessControl(name, v);
}

WINBASEAPI void PlatformTest_ClearProcessControls(void) { plat::ClearProcessControls(); }

}  // extern "C"
