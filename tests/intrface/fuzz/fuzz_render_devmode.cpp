#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <platform_testing.h>
#include <vm4k2/ui_devmode.h>

#include "intrface/devmod2.h"
#include "intrface/xmodel.h"

// The first byte chooses how the rest is read: bit 0 forces a UiDevmode header (so the
// conversion's paths are reached), bit 1 feeds the bytes to the merge as a renderer record,
// bit 2 forces that record's header.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string root;
  char pattern[] = "/tmp/fuzz_render_devmode.XXXXXX";
  if (char* dir = mkdtemp(pattern)) root = dir;
  PlatformTest_UseMachine(root.c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;

  std::vector<uint8_t> ui(vm4k2::kUiDevmodeSize, 0);
  std::memcpy(ui.data(), data, size < ui.size() ? size : ui.size());
  auto* udm = reinterpret_cast<vm4k2::UiDevmode*>(ui.data());
  if (mode & 1) {
    udm->dmPublic.dmSize = vm4k2::kPublicDevmodeSize;
    udm->dmPublic.dmDriverExtra = vm4k2::kPrivateDevmodeSize;
    udm->dmPrivate.signature = vm4k2::kPrivateSignature;
  }
  RenderDevmode settings;
  Devmode_BuildSettings(&settings, &udm->dmPublic, u"fuzz");
  PdevPage page{};
  XModel_GetPaperGeometry(&page, &settings, 96, FALSE);

  if (mode & 2) {
    std::vector<uint8_t> raw(sizeof(RenderDevmode), 0);
    std::memcpy(raw.data(), data, size < raw.size() ? size : raw.size());
    auto* input = reinterpret_cast<RenderDevmode*>(raw.data());
    if (mode & 4) {
      input->dmPublic.dmSize = RENDER_PUBLIC_BYTES;
      input->dmPublic.dmSpecVersion = RENDER_SPEC_VERSION;
      input->dmPublic.dmDriverVersion = RENDER_DRIVER_VERSION;
      input->dmPublic.dmDriverExtra = RENDER_PRIVATE_BYTES;
      input->dmPrivate.dwSignature = RENDER_PRIVATE_SIGNATURE;
    }
    Devmode_Merge(&settings, input);
    XModel_GetPaperGeometry(&page, &settings, static_cast<SHORT>(mode), mode & 8);
  }
  return 0;
}
