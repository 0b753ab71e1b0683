#include "StatusMonitor/status_block.h"

#include <cstring>

#include <win/strings.h>

#include <vm4k2/status_monitor_messages.h>

namespace vm4k2sm {

namespace {

// Device states (low 7 bits of byte 0) and the StatusCode each gives.
struct StateRow {
  BYTE state;
  BYTE valueCode;  // Status 128
  JobEvent job;
};
constexpr StateRow kNormalStates[] = {
    {0, 128, JobEvent::None},        // Initial
    {1, 133, JobEvent::PowerSave},   // PowerSave
    {2, 130, JobEvent::None},        // Warmup
    {3, 131, JobEvent::PrintReady},  // PrintReady
    {4, 132, JobEvent::Printing},    // Printing
    {6, 134, JobEvent::Cancelled},   // JobCancel
    {7, 136, JobEvent::JobProcess},  // JobProcess
};
constexpr BYTE kErrorState = 5;

// Error classes in the order they are looked at: a jam is what the user must clear first, so
// class 16 goes before class 8 although its bit and code come later. `bit` is also the index of
// the class's code byte.
struct ErrorClassRow {
  BYTE status;
  int bit;
};
constexpr ErrorClassRow kErrorClasses[] = {{1, 0}, {2, 1}, {4, 2}, {16, 4}, {8, 3}, {32, 5}, {64, 6}};

}  // namespace

DecodedStatus DecodeStatusBlock(const BYTE* bytes) {
  DecodedStatus out;
  DeviceStatusBlock block;
  std::memcpy(&block, bytes, sizeof block);
  out.sleepTime = block.sleepTime;
  out.tonerRemain = block.tonerRemain;
  out.tonerLow = block.tonerLow;
  // The printer may fill the whole field without a terminator.
  const int ownerBytes = static_cast<int>(strnlen(block.owner, kOwnerBytes));
  if (ownerBytes > 0) {
    const int units = MultiByteToWideChar(CP_ACP, 0, block.owner, ownerBytes, out.owner, static_cast<int>(kOwnerBytes));
    out.owner[units > 0 ? units : 0] = 0;
  }

  const BYTE state = block.state & 0x7F;
  for (const StateRow& row : kNormalStates) {
    if (row.state != state) continue;
    out.recorded = true;
    out.status = vm4k2::kStatusNormal;
    out.valueCode = row.valueCode;
    out.job = row.job;
    return out;
  }
  if (state == kErrorState) {
    const DWORD mask = static_cast<DWORD>(block.errorMask[0]) | (static_cast<DWORD>(block.errorMask[1]) << 8) |
                       (static_cast<DWORD>(block.errorMask[2]) << 16) | (static_cast<DWORD>(block.errorMask[3]) << 24);
    for (const ErrorClassRow& row : kErrorClasses) {
      if (mask & (1u << row.bit)) continue;
      out.recorded = true;
      out.status = row.status;
      out.valueCode = block.errorCodes[row.bit];
      return out;
    }
    out.job = JobEvent::Cancelled;  // an error state that names no error: the job was given up
  }
  return out;
}

}  // namespace vm4k2sm
