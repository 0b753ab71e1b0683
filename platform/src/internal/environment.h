// The process's environment variables as the machine's programs see them: the machine's
// standard variables (SystemRoot, APPDATA, TEMP, USERNAME, PATH...) plus what the process set.
// Names compare without case, as on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

std::optional<std::u16string> EnvironmentValue(std::u16string_view name);
// Every variable of the process, in the order they were defined (for starting a program with the
// caller's environment).
std::vector<std::pair<std::u16string, std::u16string>> EnvironmentSnapshot();
// %NAME% replaced by the variable's value; unknown names stay as written.
std::u16string ExpandEnvironment(std::u16string_view text);

}  // namespace plat
