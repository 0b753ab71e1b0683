// The library's process entry point.
#include <win/modules.h>

#include "ui/core/satellite.h"

// The module handle locates the satellite libraries beside the library's own file; the shared
// satellite handle lives until the library is unloaded. When the whole process ends
// (`reserved` set) other libraries may already be gone, so nothing is freed then: the process's
// end releases it.
extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                                                                      LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) vm4k2ui::SetUiModuleHandle(instance);
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) vm4k2ui::FreeSharedResourceDll();
  return TRUE;
}
