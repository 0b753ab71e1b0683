// Binding of the outside image-processing library.
#include "gdi/imageproc.h"

#include <mutex>


namespace {

ImageProcLibrary g_library;
std::once_flag g_loadOnce;

void Bind() {
  // The library ships beside the renderer, so it is looked for in the renderer's own folder
  // and nowhere else on the search path. A renderer that is not a loaded module of its own
  // (linked into a test program) has no folder and binds nothing.
  HMODULE self = GetModuleHandleW(u"vm4k2dr.dll");
  if (!self) return;
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  while (n > 0 && path[n - 1] != u'\\' && path[n - 1] != u'/') --n;
  static const char16_t kName[] = u"tq5m2kaips.DLL";
  const DWORD nameUnits = sizeof kName / sizeof kName[0];
  if (n + nameUnits > MAX_PATH) return;
  for (DWORD i = 0; i < nameUnits; ++i) path[n + i] = kName[i];
  HMODULE module = LoadLibraryW(path);
  if (!module) return;
  g_library.module = module;
  g_library.ColorAdjustmentN = GetProcAddress(module, "ColorAdjustmentN");
  g_library.GrayAdjustmentN = GetProcAddress(module, "GrayAdjustmentN");
  g_library.GrayAdjustmentTRC = GetProcAddress(module, "GrayAdjustmentTRC");
  g_library.StartRGBProfile = GetProcAddress(module, "StartRGBProfile");
  g_library.ApplyRGBProfile = GetProcAddress(module, "ApplyRGBProfile");
  g_library.EndRGBProfile = GetProcAddress(module, "EndRGBProfile");
}

}  // namespace

BOOL ImageProc_Load() {
  std::call_once(g_loadOnce, Bind);
  return g_library.module != nullptr;
}

const ImageProcLibrary& ImageProc_Library() { return g_library; }
