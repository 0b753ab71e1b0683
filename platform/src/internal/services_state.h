// What the rest of the stand-in needs to know of the service manager: whether the print
// spooler service runs, and which run of it this is.
#pragma once

namespace plat {

bool SpoolerServiceRunning();
// Changes each time the service comes back up, so a spooler handle from an earlier run is
// recognised as stale.
unsigned long long SpoolerServiceGeneration();

}  // namespace plat
