// The spooler's calls into a printer driver's user-interface library for printer and driver
// events. As the platform does, the spooler loads the library by the driver's configuration
// file; the stand-in has no spooler process, so the calls run in the process that made the
// spooler call. None is made while the spooler's state lock is held: the library calls back
// into the spooler, and a slow event must not hold up the machine's other processes.
#pragma once

#include <string>
#include <string_view>

#include <win/base.h>

#include "internal/spooler_state.h"

namespace plat::spooler {

// DrvPrinterEvent(printer, event, 0, 0) of the printer's driver. TRUE when the library or the
// export is missing, as for a driver that has nothing to do. The caller's last error is kept.
BOOL RaisePrinterEvent(std::u16string_view printerName, int event);
// DrvDriverEvent(event, 3, the driver's DRIVER_INFO_3W, 0); its answer is not used.
void RaiseDriverEvent(const Driver& driver, DWORD event);
// DrvUpgradePrinter(1, {printer, oldDriverDirectory}) for each printer of the driver.
void UpgradePrintersOf(const Driver& driver, std::u16string_view oldDriverDirectory);

}  // namespace plat::spooler
