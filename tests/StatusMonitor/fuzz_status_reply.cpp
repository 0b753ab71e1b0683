// Arbitrary datagrams through the reply check, and whatever it accepts, as well as arbitrary
// 60-byte blocks, through the decoder.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "StatusMonitor/snmp_message.h"
#include "StatusMonitor/status_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const BYTE* block = nullptr;
  if (vm4k2sm::CheckStatusSnmpReply(data, size, &block)) {
    if (block < data || block + vm4k2sm::kDeviceStatusBlockBytes != data + size) __builtin_trap();
    vm4k2sm::DecodeStatusBlock(block);
  }
  if (size >= vm4k2sm::kDeviceStatusBlockBytes) {
    BYTE copy[vm4k2sm::kDeviceStatusBlockBytes];
    std::memcpy(copy, data, sizeof copy);
    vm4k2sm::DecodedStatus decoded = vm4k2sm::DecodeStatusBlock(copy);
    if (decoded.owner[vm4k2sm::kOwnerBytes] != 0) __builtin_trap();
  }
  return 0;
}
