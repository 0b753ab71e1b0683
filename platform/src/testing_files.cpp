// Test controls of the machine's files (see platform_testing.h).
#include <string>

#include "internal/controls.h"
#include "internal/files.h"
#include "internal/unicode.h"
#include "platform_testing.h"

namespace {

void SetControl(const char* name, std::optional<std::string_view> value, BOOL machineWide) {
  if (machineWide)
    plat::SetMachineControl(name, value);
  else
    plat::SetProcessControl(name, value);
}

}  // namespace

extern "C" {

WINBASEAPI void PlatformTest_FailWritesTo(const WCHAR* windowsPath, BOOL machineWide) {
  if (!windowsPath) {
    SetControl("FailWritesTo", std::nullopt, machineWide);
    return;
  }
  std::string list = plat::GetControl("FailWritesTo").value_or("");
  if (!list.empty()) list += "\n";
  list += plat::ToUtf8(plat::WideView(windowsPath));
  SetControl("FailWritesTo", list, machineWide);
}

namespace {

void AddToList(const char* control, const WCHAR* windowsPath, BOOL machineWide) {
  if (!windowsPath) {
    SetControl(control, std::nullopt, machineWide);
    return;
  }
  std::string list = plat::GetControl(control).value_or("");
  if (!list.empty()) list += "\n";
  list += plat::ToUtf8(plat::WideView(windowsPath));
  SetControl(control, list, machineWide);
}

}  // namespace

WINBASEAPI void PlatformTest_FailReadsFrom(const WCHAR* windowsPath, BOOL machineWide) {
  AddToList("FailReadsFrom", windowsPath, machineWide);
}

WINBASEAPI void PlatformTest_FailCreatesOf(const WCHAR* windowsPath, BOOL machineWide) {
  AddToList("FailCreatesOf", windowsPath, machineWide);
}

WINBASEAPI void PlatformTest_SetDiskFull(BOOL full, BOOL machineWide) {
  if (full)
    SetControl("DiskFull", std::string_view("1"), machineWide);
  else
    SetControl("DiskFull", std::nullopt, machineWide);
}

WINBASEAPI DWORD PlatformTest_RestartMachine(void) { return static_cast<DWORD>(plat::ApplyPendingFileRenames()); }

}  // extern "C"
