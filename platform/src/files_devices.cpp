// The registry of device-namespace openers (see internal/devices.h).
#include <mutex>
#include <string>
#include <vector>

#include "internal/devices.h"
#include "internal/unicode.h"

namespace {

struct Opener {
  std::u16string prefix;  // normalised: "\\.\" form, '\' separators, folded case
  plat::DeviceOpener open;
};

struct Openers {
  std::mutex lock;
  std::vector<Opener> list;
};

Openers& Registry() {
  static Openers* openers = new Openers;  // registered from static initialisers of other files
  return *openers;
}

std::u16string Normalise(std::u16string_view path) {
  std::u16string out;
  out.reserve(path.size());
  for (char16_t c : path) out.push_back(plat::FoldCase(c == u'/' ? u'\\' : c));
  if (out.size() >= 4 && out[0] == u'\\' && out[1] == u'\\' && out[2] == u'?' && out[3] == u'\\') out[2] = u'.';
  return out;
}

}  // namespace

namespace plat {

void RegisterDeviceOpener(std::u16string_view prefix, DeviceOpener opener) {
  Openers& openers = Registry();
  std::lock_guard<std::mutex> guard(openers.lock);
  openers.list.push_back({Normalise(prefix), opener});
}

DeviceOpener FindDeviceOpener(std::u16string_view path, bool& isDevicePath) {
  std::u16string name = Normalise(path);
  // "\\.\C:\..." and "\\?\C:\..." are drive paths in the long-path form.
  isDevicePath = name.size() >= 4 && name.compare(0, 4, u"\\\\.\\") == 0 &&
                 !(name.size() >= 6 && name[5] == u':' && name[4] >= u'a' && name[4] <= u'z');
  if (!isDevicePath) return nullptr;
  Openers& openers = Registry();
  std::lock_guard<std::mutex> guard(openers.lock);
  const Opener* best = nullptr;
  for (const Opener& o : openers.list)
    if (name.compare(0, o.prefix.size(), o.prefix) == 0 && (!best || o.prefix.size() > best->prefix.size())) best = &o;
  return best ? best->open : nullptr;
}

}  // namespace plat
