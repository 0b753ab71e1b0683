// What the machine says about itself that several parts of the stand-in share: the control
// names, the computer name and the captured debugger output.
#pragma once

#include <optional>
#include <string>

#include <win/base.h>

namespace plat {

// Control names. Values are text; numbers may be written in decimal or as 0x... hexadecimal.
inline constexpr const char kControlUserName[] = "UserName";                 // default "User"
inline constexpr const char kControlUserNameUnreadable[] = "UserNameUnreadable";  // "1": GetUserNameW fails
inline constexpr const char kControlComputerName[] = "ComputerName";         // default "WORKSTATION"
inline constexpr const char kControlImageName[] = "ImageName";               // the calling program's file name
inline constexpr const char kControlCountryCode[] = "CountryCode";           // LOCALE_ICOUNTRY of the user locale
inline constexpr const char kControlLocaleUnreadable[] = "LocaleUnreadable"; // "1": GetLocaleInfoW fails
inline constexpr const char kControlSystemLanguage[] = "SystemLanguage";     // LANGID, default 0x0409
inline constexpr const char kControlUserLanguage[] = "UserLanguage";         // LANGID, default 0x0409
inline constexpr const char kControlOsVersion[] = "OsVersion";               // "major.minor.build"
inline constexpr const char kControlOsServicePack[] = "OsServicePack";       // szCSDVersion text
inline constexpr const char kControlProcessorArchitecture[] = "ProcessorArchitecture";  // default 9 (AMD64)
inline constexpr const char kControlFailAllocation[] = "FailAllocation";     // "N" or "N+"
inline constexpr const char kControlDebugOutputToMachine[] = "DebugOutputToMachine";  // "1": also log in the machine

// The user's name is MachineUserName() (internal/machine_layout.h).
std::u16string MachineComputerName();

// Captured debugger output, UTF-8, in the order written.
std::string CapturedDebugOutput(bool machineWide);
void ClearCapturedDebugOutput(bool machineWide);
// Host path of the machine-wide debugger log.
std::string MachineDebugLogPath();

}  // namespace plat
