// DrvDeviceCapabilities: what the printer can do, answered for applications and the spooler.
#pragma once

#include <win/base.h>
#include <win/devmode.h>

namespace vm4k2ui {

inline constexpr DWORD kCapabilityUnsupported = 0xFFFFFFFF;  // GDI_ERROR
inline constexpr size_t kBinNameUnits = 24;
inline constexpr size_t kPaperNameUnits = 64;

}  // namespace vm4k2ui

// The count or value of capability `index`, writing the capability's records to `output`
// when one is given; -1 for an index the printer does not answer.
extern "C" __attribute__((visibility("default"))) DWORD WINAPI DrvDeviceCapabilities(
    HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput, PDEVMODEW pDevMode);
