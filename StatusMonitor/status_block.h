// The printer's 60-byte status answer (DeviceStatusBlock) and its reading: the StatusCode it
// gives, the job-tracking event it means, and the toner, sleep-time and owner values to record.
// The reading is pure; recording it in the status file is a separate step (status_answer.h).
#pragma once

#include <cstddef>

#include <win/base.h>

#include "StatusMonitor/snmp_message.h"

namespace vm4k2sm {

// Wire layout; numbers little-endian, the owner in the system's ANSI code page.
struct DeviceStatusBlock {
  BYTE state;          // low 7 bits; bit 7 means nothing to the monitor
  BYTE sleepTime;
  BYTE tonerRemain;    // percent
  BYTE tonerLow;       // 1 when low
  BYTE reserved[2];
  char owner[30];      // ended by a zero or filling the field
  BYTE errorMask[4];   // active low: a clear bit marks an active error class
  BYTE errorCodes[7];  // one code per class, in class order 1, 2, 4, 8, 16, 32, 64
  BYTE unused[13];
};
static_assert(sizeof(DeviceStatusBlock) == kDeviceStatusBlockBytes);
static_assert(offsetof(DeviceStatusBlock, sleepTime) == 1 && offsetof(DeviceStatusBlock, tonerRemain) == 2 &&
              offsetof(DeviceStatusBlock, tonerLow) == 3 && offsetof(DeviceStatusBlock, owner) == 6 &&
              offsetof(DeviceStatusBlock, errorMask) == 36 && offsetof(DeviceStatusBlock, errorCodes) == 40 &&
              offsetof(DeviceStatusBlock, unused) == 47);

inline constexpr size_t kOwnerBytes = 30;

// What an answer means for the job tracking of its printer.
enum class JobEvent { None, PowerSave, PrintReady, Printing, JobProcess, Cancelled };

struct DecodedStatus {
  // Whether the StatusCode below is to be recorded; when false the printer's previous pair stays.
  bool recorded = false;
  BYTE status = 0;
  BYTE valueCode = 0;
  JobEvent job = JobEvent::None;
  BYTE sleepTime = 0;
  BYTE tonerRemain = 0;
  BYTE tonerLow = 0;
  WCHAR owner[kOwnerBytes + 1] = {};  // converted to UTF-16, always terminated
};

// Reads a 60-byte block.
DecodedStatus DecodeStatusBlock(const BYTE* block);

}  // namespace vm4k2sm
