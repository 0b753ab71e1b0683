// Arbitrary bytes as a settings file: the parser must stay inside the input, and what it
// keeps must survive a write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/core/settings_file.h"

namespace {

// Headers the parser accepted stay within its limit when written again, unless a child
// count grew by digits; such trees are only parsed, not compared.
bool ShortHeaders(const vm4k2ui::ConfigObject& object) {
  if (object.name.size() + object.type.size() > 150) return false;
  for (const auto& child : object.children)
    if (!ShortHeaders(*child)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vm4k2ui::SettingsParse first = vm4k2ui::ParseSettingsBytes(data, size);
  if (!first.root || !ShortHeaders(*first.root)) return 0;
  std::string text = vm4k2ui::SerializeSettings(*first.root);
  vm4k2ui::SettingsParse second =
      vm4k2ui::ParseSettingsBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (!second.root || vm4k2ui::SerializeSettings(*second.root) != text) std::abort();
  return 0;
}
