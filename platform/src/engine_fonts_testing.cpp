// Test entry points of the engine's fonts: realisations and strings made without a DC.
#include "internal/engine_fonts.h"
#include "platform_testing.h"

extern "C" {

WINBASEAPI struct _FONTOBJ* PlatformTest_RealizeFont(const void* logfontw, ULONG dpi) {
  if (!logfontw) return nullptr;
  return plat::engine::RealizeFont(*static_cast<const LOGFONTW*>(logfontw), dpi);
}

WINBASEAPI struct _STROBJ* PlatformTest_CreateString(struct _FONTOBJ* font, const WCHAR* text, ULONG count, LONG x,
                                                     LONG y, const INT* dx, BOOL glyphIndex, BOOL dxdy) {
  plat::engine::StringLayout layout;
  layout.font = font;
  if (text) layout.text.assign(text, text + count);
  layout.glyphIndex = glyphIndex != FALSE;
  layout.origin = {x, y};
  layout.dxdy = dxdy != FALSE;
  if (dx) layout.dx.assign(dx, dx + (dxdy ? 2 * count : count));
  return plat::engine::CreateString(layout).release();
}

WINBASEAPI void PlatformTest_DeleteString(struct _STROBJ* string) { plat::engine::StringDeleter()(string); }

}  // extern "C"
