// The USB side of the engine: the printer's status block and its information block through the
// USB printing class's vendor request.
#pragma once

#include <cstddef>

#include <win/base.h>

#include "StatusMonitor/job_tracking.h"
#include "StatusMonitor/status_records.h"

namespace vm4k2sm {

inline constexpr size_t kDeviceInfoBlockBytes = 172;
inline constexpr DWORD kVendorAnswerBytes = 255;
inline constexpr int kUsbStatusTries = 3;
inline constexpr DWORD kUsbRetryMs = 20;

// Asks the printer on the record's USB port for its status block. `update`: whether the record's
// StatusCode is to be recorded; `notReachedMark` is cleared when the printer answered. A device
// that does not open, or three failed requests, give (126, 0).
void QueryUsbStatus(LPCWSTR file, PrinterStatusRecord& record, JobTracker& jobs, bool& update, int& notReachedMark);

// The 172-byte DeviceInfoBlock of the printer on `portName` ("USB001"); zeros when nothing came
// (or less than the block). TRUE when the printer answered the whole block.
BOOL QueryUsbDeviceInfo(BYTE (&info)[kDeviceInfoBlockBytes], LPCWSTR portName);

}  // namespace vm4k2sm
