// The test controls of system information, names, the clock, allocation failures and the
// debugger output (platform_testing.h).
#include <cstring>
#include <string>

#include "internal/clock.h"
#include "internal/controls.h"
#include "internal/system_state.h"
#include "platform_testing.h"

namespace {

void Set(const char* name, std::optional<std::string> value, BOOL machineWide) {
  std::optional<std::string_view> view = value ? std::optional<std::string_view>(*value) : std::nullopt;
  if (machineWide)
    plat::SetMachineControl(name, view);
  else
    plat::SetProcessControl(name, view);
}

std::optional<std::string> Text(const char* value) {
  return value ? std::optional<std::string>(value) : std::nullopt;
}

std::optional<std::string> Flag(BOOL on) { return on ? std::optional<std::string>("1") : std::nullopt; }

}  // namespace

extern "C" {

WINBASEAPI void PlatformTest_SetCountryCode(DWORD countryCode, BOOL machineWide) {
  Set(plat::kControlCountryCode, std::to_string(countryCode), machineWide);
}

WINBASEAPI void PlatformTest_SetLocaleUnreadable(BOOL unreadable, BOOL machineWide) {
  Set(plat::kControlLocaleUnreadable, Flag(unreadable), machineWide);
}

WINBASEAPI void PlatformTest_SetSystemLanguage(LANGID language, BOOL machineWide) {
  Set(plat::kControlSystemLanguage, std::to_string(language), machineWide);
}

WINBASEAPI void PlatformTest_SetUserLanguage(LANGID language, BOOL machineWide) {
  Set(plat::kControlUserLanguage, std::to_string(language), machineWide);
}

WINBASEAPI void PlatformTest_SetOsVersion(DWORD major, DWORD minor, DWORD build, const char* servicePack,
                                          BOOL machineWide) {
  Set(plat::kControlOsVersion, std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build),
      machineWide);
  Set(plat::kControlOsServicePack, std::string(servicePack ? servicePack : ""), machineWide);
}

WINBASEAPI void PlatformTest_SetProcessorArchitecture(WORD architecture, BOOL machineWide) {
  Set(plat::kControlProcessorArchitecture, std::to_string(architecture), machineWide);
}

WINBASEAPI void PlatformTest_SetComputerName(const char* name, BOOL machineWide) {
  Set(plat::kControlComputerName, Text(name), machineWide);
}

WINBASEAPI void PlatformTest_SetUserName(const char* name, BOOL machineWide) {
  Set(plat::kControlUserName, Text(name), machineWide);
}

WINBASEAPI void PlatformTest_SetUserNameUnreadable(BOOL unreadable, BOOL machineWide) {
  Set(plat::kControlUserNameUnreadable, Flag(unreadable), machineWide);
}

WINBASEAPI void PlatformTest_SetImageName(const char* fileName, BOOL machineWide) {
  Set(plat::kControlImageName, Text(fileName), machineWide);
}

WINBASEAPI void PlatformTest_UseManualClock(ULONGLONG startMs) { plat::clock::UseManual(startMs); }

WINBASEAPI void PlatformTest_AdvanceClock(ULONGLONG milliseconds) { plat::clock::Advance(milliseconds); }

WINBASEAPI void PlatformTest_SetClockScale(double factor) { plat::clock::SetScale(factor); }

WINBASEAPI void PlatformTest_UseRealClock(void) {
  plat::clock::UseReal();
  plat::clock::SetScale(1);
}

WINBASEAPI void PlatformTest_FailAllocation(DWORD nth, BOOL andLater, BOOL machineWide) {
  Set(plat::kControlFailAllocation, nth ? std::optional<std::string>(std::to_string(nth) + (andLater ? "+" : ""))
                                        : std::nullopt,
      machineWide);
}

WINBASEAPI size_t PlatformTest_ReadDebugOutput(char* buffer, size_t size, BOOL machineWide) {
  std::string text = plat::CapturedDebugOutput(machineWide != FALSE);
  if (buffer && size) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
  }
  return text.size();
}

WINBASEAPI void PlatformTest_ClearDebugOutput(BOOL machineWide) { plat::ClearCapturedDebugOutput(machineWide != FALSE); }

WINBASEAPI void PlatformTest_LogDebugOutputInMachine(BOOL on) {
  plat::SetMachineControl(plat::kControlDebugOutputToMachine, Flag(on));
}

}  // extern "C"
