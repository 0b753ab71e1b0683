// Test controls as the stand-in reads them. A control is a named text value; machine-wide
// values live under <root>/controls so that every process of the machine sees them, and a
// test may override one for its own process. Production code never sets them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <win/base.h>

namespace plat {

std::optional<std::string> GetControl(std::string_view name);
long long GetControlInt(std::string_view name, long long fallback);
void SetMachineControl(std::string_view name, std::optional<std::string_view> value);
void SetProcessControl(std::string_view name, std::optional<std::string_view> value);
void ClearProcessControls();
// Drops what this process has read of a machine's controls (the machine folder changed).
void ForgetMachineControls();

}  // namespace plat

namespace plat {

// True when the calling process overrides the control (even with "absent").
bool HasProcessControl(std::string_view name);

}  // namespace plat
