#include "StatusMonitor/status_answer.h"

#include <cstring>

#include <win/profile.h>
#include <win/strings.h>

#include <vm4k2/status_monitor_messages.h>

#include "common/status_file.h"

namespace vm4k2sm {

namespace key = vm4k2::status_key;
using vm4k2common::ReadStatusInt;
using vm4k2common::ReadStatusText;
using vm4k2common::WriteStatusInt;
using vm4k2common::WriteStatusKey;

namespace {
constexpr BYTE kTestPathPairMark = 255;
}

bool RecordDeviceAnswer(LPCWSTR file, PrinterStatusRecord& record, const DecodedStatus& answer, JobTracker& tracker) {
  const LPCWSTR printer = record.name;
  const bool tonerSame = ReadStatusInt(file, printer, key::TonerRemain) == answer.tonerRemain &&
                         ReadStatusInt(file, printer, key::TonerLow) == answer.tonerLow;
  WriteStatusKey(file, printer, key::TonerStatusChange, tonerSame ? u"0" : u"1");
  WriteStatusInt(file, printer, key::SleepTime, answer.sleepTime);
  WriteStatusInt(file, printer, key::TonerRemain, answer.tonerRemain);
  WriteStatusInt(file, printer, key::TonerLow, answer.tonerLow);
  WriteStatusKey(file, printer, key::JobOwner, answer.owner);
  if (JobTrackEntry* entry = tracker.Find(printer)) JobTracker::Apply(*entry, answer.job);
  if (!answer.recorded) return false;
  record.status = answer.status;
  record.valueCode = answer.valueCode;
  return true;
}

bool UsesTestPath(LPCWSTR file, LPCWSTR printer) { return ReadStatusInt(file, printer, key::DebugFlag) == 1; }

bool RunTestPath(LPCWSTR file, PrinterStatusRecord& record, JobTracker& tracker, LPCWSTR computerName) {
  BYTE block[kDeviceStatusBlockBytes] = {};
  if (!GetPrivateProfileStructW(record.name, key::DebugStatusStr, block, sizeof block, file)) return false;
  bool recorded = true;
  if (block[0] == kTestPathPairMark) {
    record.status = static_cast<BYTE>(ReadStatusInt(file, record.name, key::DebugStatus));
    record.valueCode = static_cast<BYTE>(ReadStatusInt(file, record.name, key::DebugValueCode));
  } else {
    recorded = RecordDeviceAnswer(file, record, DecodeStatusBlock(block), tracker);
  }
  ReadStatusText(file, record.name, key::PortName, record.port, kPortUnits);
  WriteStatusKey(file, record.name, key::JobOwner, computerName);
  return recorded;
}

}  // namespace vm4k2sm
