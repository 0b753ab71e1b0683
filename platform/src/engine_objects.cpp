// Engine objects a printer driver creates: device surfaces, their association with the engine's
// device, and palettes. Handles are small integer ids of their own kind, so a handle that
// travels through a 32-bit field of a driver record survives the trip.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "internal/controls.h"
#include "internal/engine.h"
#include "internal/engine_objects.h"
#include "platform_testing.h"

namespace {

struct SurfaceEntry {
  SURFOBJ so{};
  FLONG hooks = 0;
  HDEV device = nullptr;
};

struct PaletteEntry {
  ULONG mode = 0;
  std::vector<ULONG> colors;
  FLONG masks[3] = {0, 0, 0};
};

struct DeviceEntry {
  DHPDEV dhpdev = nullptr;
};

struct EngineObjects {
  std::mutex lock;
  std::map<uintptr_t, std::unique_ptr<SurfaceEntry>> surfaces;
  std::map<uintptr_t, PaletteEntry> palettes;
  std::map<uintptr_t, DeviceEntry> devices;
  uintptr_t nextSurface = 0x10000000;
  uintptr_t nextPalette = 0x20000000;
  uintptr_t nextDevice = 0x30000000;
  ULONG nextUniq = 1;
};

EngineObjects& Objects() {
  static EngineObjects* objects = new EngineObjects;  // outlives static destructors of callers
  return *objects;
}

uintptr_t Id(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

uintptr_t NextId(uintptr_t& counter, uintptr_t base) {
  uintptr_t id = counter;
  counter += 4;
  if (counter >= base + 0x0FFFFFF0) counter = base;
  return id;
}

bool Refused(const char* control) { return plat::GetControlInt(control, 0) != 0; }

}  // namespace

namespace plat::engine {

HDEV CreateDevice() {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  uintptr_t id = NextId(o.nextDevice, 0x30000000);
  while (o.devices.count(id)) id = NextId(o.nextDevice, 0x30000000);
  o.devices[id] = DeviceEntry{};
  return reinterpret_cast<HDEV>(id);
}

void DestroyDevice(HDEV hdev) {
  ForgetDeviceDriver(hdev);
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  o.devices.erase(Id(hdev));
  for (auto it = o.surfaces.begin(); it != o.surfaces.end();) {
    if (it->second->device == hdev)
      it = o.surfaces.erase(it);
    else
      ++it;
  }
}

void SetDevicePdev(HDEV hdev, DHPDEV dhpdev) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto it = o.devices.find(Id(hdev));
  if (it == o.devices.end()) return;
  it->second.dhpdev = dhpdev;
  for (auto& [id, surface] : o.surfaces)
    if (surface->device == hdev) surface->so.dhpdev = dhpdev;
}

SURFOBJ* LookupSurface(HSURF hsurf) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto it = o.surfaces.find(Id(hsurf));
  return it == o.surfaces.end() ? nullptr : &it->second->so;
}

FLONG SurfaceHooks(HSURF hsurf) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto it = o.surfaces.find(Id(hsurf));
  return it == o.surfaces.end() ? 0 : it->second->hooks;
}

HDEV SurfaceDevice(HSURF hsurf) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto it = o.surfaces.find(Id(hsurf));
  return it == o.surfaces.end() ? nullptr : it->second->device;
}

bool PaletteExists(HPALETTE hpal) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  return o.palettes.count(Id(hpal)) != 0;
}

bool PaletteContents(HPALETTE hpal, ULONG& mode, std::vector<ULONG>& colors, FLONG masks[3]) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto it = o.palettes.find(Id(hpal));
  if (it == o.palettes.end()) return false;
  mode = it->second.mode;
  colors = it->second.colors;
  for (int i = 0; i < 3; ++i) masks[i] = it->second.masks[i];
  return true;
}

}  // namespace plat::engine

extern "C" {

// A device surface has no bits of its own: everything drawn on it goes to the driver's hooks.
WINBASEAPI HSURF APIENTRY EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
  if (sizl.cx <= 0 || sizl.cy <= 0 || iFormatCompat < BMF_1BPP || iFormatCompat > BMF_PNG) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Refused(PLATFORMTEST_ENGINE_REFUSE_SURFACE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  uintptr_t id = NextId(o.nextSurface, 0x10000000);
  while (o.surfaces.count(id)) id = NextId(o.nextSurface, 0x10000000);
  auto entry = std::make_unique<SurfaceEntry>();
  entry->so.dhsurf = dhsurf;
  entry->so.hsurf = reinterpret_cast<HSURF>(id);
  entry->so.sizlBitmap = sizl;
  entry->so.iBitmapFormat = iFormatCompat;
  entry->so.iType = STYPE_DEVICE;
  entry->so.iUniq = o.nextUniq++;
  o.surfaces[id] = std::move(entry);
  return reinterpret_cast<HSURF>(id);
}

WINBASEAPI BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  if (Refused(PLATFORMTEST_ENGINE_REFUSE_ASSOCIATE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  auto surface = o.surfaces.find(Id(hsurf));
  auto device = o.devices.find(Id(hdev));
  if (surface == o.surfaces.end() || device == o.devices.end() || (flHooks & ~static_cast<FLONG>(HOOK_FLAGS))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  surface->second->device = hdev;
  surface->second->hooks = flHooks;
  surface->second->so.hdev = hdev;
  surface->second->so.dhpdev = device->second.dhpdev;
  return TRUE;
}

// Device surfaces here; bitmaps (EngCreateBitmap) in their own table.
WINBASEAPI BOOL APIENTRY EngDeleteSurface(HSURF hsurf) {
  if (plat::engine::DeleteBitmapSurface(hsurf)) return TRUE;
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (o.surfaces.erase(Id(hsurf)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

WINBASEAPI HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                              FLONG flGreen, FLONG flBlue) {
  PaletteEntry entry;
  entry.mode = iMode;
  switch (iMode) {
    case PAL_INDEXED:
      // The colours are copied: the driver may free its table once the palette exists.
      if (cColors == 0 || cColors > 65536 || pulColors == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      entry.colors.assign(pulColors, pulColors + cColors);
      break;
    case PAL_BITFIELDS:
      if ((flRed | flGreen | flBlue) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      entry.masks[0] = flRed;
      entry.masks[1] = flGreen;
      entry.masks[2] = flBlue;
      break;
    case PAL_RGB:
    case PAL_BGR:
    case PAL_CMYK:
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  if (Refused(PLATFORMTEST_ENGINE_REFUSE_PALETTE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  uintptr_t id = NextId(o.nextPalette, 0x20000000);
  while (o.palettes.count(id)) id = NextId(o.nextPalette, 0x20000000);
  o.palettes[id] = std::move(entry);
  return reinterpret_cast<HPALETTE>(id);
}

WINBASEAPI BOOL APIENTRY EngDeletePalette(HPALETTE hpal) {
  EngineObjects& o = Objects();
  std::lock_guard<std::mutex> guard(o.lock);
  if (o.palettes.erase(Id(hpal)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
