// Enabling a printer graphics driver: the engine announces its version, and keeps the driver's
// functions by index for the calls it makes on the driver's behalf.
#include "internal/engine.h"

namespace plat::engine {

bool EnableDriver(PFN_DrvEnableDriver enable, DriverTable& table) {
  table = DriverTable{};
  if (!enable) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  DRVENABLEDATA data{};
  if (!enable(kEngineVersion, sizeof(DRVENABLEDATA), &data)) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return false;
  }
  // A table longer than every index the engine knows cannot be a valid one.
  if (data.pdrvfn == nullptr || data.c == 0 || data.c > 4 * INDEX_LAST) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return false;
  }
  table.driverVersion = data.iDriverVersion;
  for (ULONG i = 0; i < data.c; ++i) {
    const DRVFN& entry = data.pdrvfn[i];
    if (entry.iFunc < table.functions.size() && entry.pfn) table.functions[entry.iFunc] = entry.pfn;
  }
  if (!table.functions[INDEX_DrvEnablePDEV] || !table.functions[INDEX_DrvCompletePDEV] ||
      !table.functions[INDEX_DrvDisablePDEV] || !table.functions[INDEX_DrvEnableSurface] ||
      !table.functions[INDEX_DrvDisableSurface]) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return false;
  }
  return true;
}

}  // namespace plat::engine
