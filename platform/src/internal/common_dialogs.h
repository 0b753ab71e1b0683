// What the common dialogs share: the calling thread's extended error.
#pragma once

#include <win/base.h>

namespace plat::commdlg {

void SetExtendedError(DWORD error);

}  // namespace plat::commdlg
