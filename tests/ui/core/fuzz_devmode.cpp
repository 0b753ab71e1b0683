// libFuzzer target: arbitrary bytes as an application's DEVMODE, through merge, validation,
// conversion (both ways) and copy-out. The input buffer holds at least the header and at
// least the bytes its header declares, as a caller's buffer does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <platform_testing.h>

#include "ui/core/devmode.h"
#include "ui/core/private_devmode.h"

namespace {

const vm4k2::UiDevmode& Defaults() {
  static const vm4k2::UiDevmode defaults = [] {
    vm4k2::UiDevmode dm;
    vm4k2ui::SetDefaultDevmode(&dm.dmPublic, u"Velmor K8000");
    vm4k2ui::FillPrivateDefaults(&dm.dmPrivate, u"Default Settings", u"No Watermark");
    return dm;
  }();
  return defaults;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/fuzz_devmode_XXXXXX";
  if (const char* root = mkdtemp(pattern)) PlatformTest_UseMachine(root);
  Defaults();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t bytes = std::max(size, vm4k2ui::kDevmodeHeaderSize);
  {
    DEVMODEW header{};
    std::memcpy(&header, data, std::min(size, sizeof(header)));
    bytes = std::max(bytes, size_t{header.dmSize} + header.dmDriverExtra);
  }
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[bytes]());
  std::memcpy(buffer.get(), data, size);
  auto* input = reinterpret_cast<DEVMODEW*>(buffer.get());

  auto target = std::make_unique<vm4k2::UiDevmode>(Defaults());
  vm4k2ui::MergeDevmode(target.get(), input);

  auto privatePart = std::make_unique<vm4k2::PrivateDevmode>();
  std::memset(privatePart.get(), 0, sizeof(vm4k2::PrivateDevmode));
  std::memcpy(privatePart.get(), data, std::min(size, sizeof(vm4k2::PrivateDevmode)));
  vm4k2ui::ValidatePrivateDevmode(privatePart.get());

  auto converted = std::make_unique<vm4k2::UiDevmode>(Defaults());
  vm4k2ui::ConvertDevmode(&converted->dmPublic, sizeof(vm4k2::UiDevmode), input);

  const size_t outSize = vm4k2ui::CopyDevmodeOutSize(*target, input);
  std::unique_ptr<unsigned char[]> out(new unsigned char[outSize + 1]);
  vm4k2ui::CopyDevmodeOut(*target, input, out.get(), outSize);

  // The caller's record as the target of a conversion, bounded by its own buffer.
  vm4k2ui::ConvertDevmode(input, bytes, &Defaults().dmPublic);
  return 0;
}
