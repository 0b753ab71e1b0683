// Recording what a printer answered, and the test path that takes the answer from the status
// file instead of the device.
#pragma once

#include <win/base.h>

#include "StatusMonitor/job_tracking.h"
#include "StatusMonitor/status_block.h"
#include "StatusMonitor/status_records.h"

namespace vm4k2sm {

// Writes the answer's keys (TonerStatusChange, from the values recorded before, then SleepTime,
// TonerRemain, TonerLow and JobOwner), hands its job event to the printer's tracking entry (a
// printer without one changes nothing) and, when the answer gives a StatusCode, puts it into
// the record. Returns whether the record's StatusCode is to be recorded.
bool RecordDeviceAnswer(LPCWSTR file, PrinterStatusRecord& record, const DecodedStatus& answer, JobTracker& tracker);

// Whether a tester switched the printer to the test path (DebugFlag 1).
bool UsesTestPath(LPCWSTR file, LPCWSTR printer);

// The test path: DebugStatusStr is the printer's answer, or, when its first byte is 255,
// DebugStatus and DebugValueCode are its StatusCode; the port is the recorded PortName and the
// job's owner this computer. Returns whether the record's StatusCode is to be recorded: a
// DebugStatusStr that cannot be read records nothing and writes no key.
bool RunTestPath(LPCWSTR file, PrinterStatusRecord& record, JobTracker& tracker, LPCWSTR computerName);

}  // namespace vm4k2sm
