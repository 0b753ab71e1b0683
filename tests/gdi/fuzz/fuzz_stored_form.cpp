#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gdi/formfile.h"

// The bytes are the file. Whatever the reader accepts must lie inside it: the body after the
// header, the parts inside the body and on the page's six slots.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the file is caught by the sanitizer.
  std::vector<uint8_t> file(data, data + size);
  DfdStoredForm form;
  bool refused = false;
  if (Dfd_ReadStoredForm(DfdMemorySource(file.data(), file.size()), &form, &refused) != DFD_READ_OK) return 0;
  const uint64_t end = file.size();
  if (form.bodyStart < DFD_BODY_OFFSET || form.bodyStart + uint64_t{form.bodyLength} + DFD_END_BYTES != end) std::abort();
  if (form.partCount > DFD_FORM_SLOTS || (refused && form.partCount != 0)) std::abort();
  for (uint32_t i = 0; i < form.partCount; ++i) {
    const DfdPart& part = form.parts[i];
    if (part.start < form.bodyStart || uint64_t{part.start} + part.length > uint64_t{form.bodyStart} + form.bodyLength)
      std::abort();
    if (part.placement.slot < 0 || part.placement.slot > 5) std::abort();
  }
  return 0;
}
