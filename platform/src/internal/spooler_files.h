// Files the running print spooler holds open: the registered drivers' files, the print
// processors and the monitors. Deleting one of them while the spooler service runs fails with
// ERROR_SHARING_VIOLATION, as on the platform, so the file stand-in asks here first.
#pragma once

#include <string_view>

namespace plat {

bool SpoolerHoldsFile(std::u16string_view windowsPath);

}  // namespace plat
