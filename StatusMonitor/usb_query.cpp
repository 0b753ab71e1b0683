// Built before the platform had the USB printing class's device interfaces: no USB printer
// answers, as if none were plugged in.
#include "StatusMonitor/usb_query.h"

#include <cstring>

#include <vm4k2/status_monitor_messages.h>

namespace vm4k2sm {

void QueryUsbStatus(LPCWSTR, PrinterStatusRecord& record, JobTracker&, bool& update, int&) {
  update = true;
  record.status = vm4k2::kStatusNotReachable;
  record.valueCode = 0;
}

BOOL QueryUsbDeviceInfo(BYTE (&info)[kDeviceInfoBlockBytes], LPCWSTR) {
  std::memset(info, 0, sizeof info);
  return FALSE;
}

}  // namespace vm4k2sm
