// What the spooler says about a printer of the family: which printers belong to it, their
// state, the kind of their port and a network port's address.
#pragma once

#include <cstddef>

#include <win/base.h>
#include <win/spooler.h>

namespace vm4k2sm {

inline constexpr const WCHAR* kDriverModelName = u"Velmor K8000 Series PCL6";

// A printer of this computer with the family's driver (named whole and case-sensitive).
bool IsFamilyPrinter(const PRINTER_INFO_2W& printer);

enum SpoolerState { kSpoolerNotReachable = 0, kSpoolerPaused = 1, kSpoolerNormal = 2 };
// Working offline: not reachable, even when paused. Paused, or every job paused and nothing
// else: paused. A printer whose jobs cannot be read, or that returns none, counts as normal.
int GetSpoolerState(const PRINTER_INFO_2W& printer);

// FALSE when the number before the first "." (the whole text without one), read as a decimal
// integer, is 255: such a port names the broadcast address and no printer.
BOOL IsUsableIpAddress(LPCWSTR address);

// The PortType of a port by its monitor's name: 1 USB, 2 network (standard TCP/IP or WSD), 0 any
// other monitor or a port not in the list (monitorName NULL).
int ClassifyPortMonitor(LPCWSTR monitorName);

// A network port's address as its monitor answers it, into `units` units (at most units - 1 and
// a terminator). FALSE when the port's channel does not open; an empty answer then stays out.
bool ReadNetworkPortAddress(LPCWSTR portName, WCHAR* address, size_t units);

}  // namespace vm4k2sm
