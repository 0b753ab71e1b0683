// Feeds arbitrary bytes to the test decoder: it must reject or list them without reading
// outside the input, whatever lengths and counts the bytes claim.
#include <cstddef>
#include <cstdint>

#include "pclxl_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pclxl::DecodeJob(data, size);
  pclxl::DecodeOperators(data, size, pclxl::DecodeOptions{true});
  return 0;
}
