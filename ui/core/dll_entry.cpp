// The library's process entry point.
#include <win/modules.h>

#include "ui/core/satellite.h"

// The module handle locates the satellite libraries beside the library's own file.
extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                                                                      LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) vm4k2ui::SetUiModuleHandle(instance);
  return TRUE;
}
