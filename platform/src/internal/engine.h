// The stand-in graphics engine's own view of its objects: the devices (HDEV) it enables a
// driver's PDEV for, the surfaces a driver creates and associates with them, the palettes, and
// a driver's function table. The GDI side of the stand-in drives a printer driver through these.
#pragma once

#include <array>
#include <vector>

#include <win/ddi.h>

namespace plat::engine {

// A new engine device, before DrvEnablePDEV sees its handle; EngAssociateSurface accepts it.
HDEV CreateDevice();
// Forgets the device and deletes every surface still associated with it (a driver that did not
// delete its surface in DrvDisableSurface leaves nothing behind).
void DestroyDevice(HDEV hdev);
// Records which driver PDEV belongs to the device, so its surfaces carry dhpdev.
void SetDevicePdev(HDEV hdev, DHPDEV dhpdev);

// The SURFOBJ the engine hands the driver for a device surface; stable until the surface is
// deleted. nullptr for an unknown handle.
SURFOBJ* LookupSurface(HSURF hsurf);
// Hooks recorded by EngAssociateSurface; 0 for an unknown or unassociated surface.
FLONG SurfaceHooks(HSURF hsurf);
// The device a surface is associated with; nullptr when none.
HDEV SurfaceDevice(HSURF hsurf);
bool PaletteExists(HPALETTE hpal);
// A palette's mode, colours (PAL_INDEXED) and masks (PAL_BITFIELDS); false for an unknown handle.
bool PaletteContents(HPALETTE hpal, ULONG& mode, std::vector<ULONG>& colors, FLONG masks[3]);

// A driver's DDI functions by index, as DrvEnableDriver handed them back.
struct DriverTable {
  ULONG driverVersion = 0;
  std::array<PFN, INDEX_LAST> functions{};

  template <typename F>
  F Get(ULONG index) const {
    return index < functions.size() ? reinterpret_cast<F>(functions[index]) : nullptr;
  }
};

// Calls DrvEnableDriver and copies its table. Entries with an index the engine does not know,
// or a null function, are ignored as the engine ignores them. False (with the last error set)
// when the driver refuses the engine or hands back no table.
bool EnableDriver(PFN_DrvEnableDriver enable, DriverTable& table);

// The engine version the stand-in announces to DrvEnableDriver.
constexpr ULONG kEngineVersion = DDI_DRIVER_VERSION_NT5_01;

}  // namespace plat::engine
